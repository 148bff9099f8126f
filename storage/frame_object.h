#pragma once
// The document kept with a frame (VOP:OBJECT... fields): in the record's
// blob ("B", the document's bytes with its own name), in a part of the test's
// companion file ("F"), or linked to a document file ("L", its path relative
// to the test's library). Both the Constructor and the Examiner read it here.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables_test_file.h"

namespace frameobject {

struct Document {
  std::vector<std::uint8_t> bytes;
  std::string name;     // UTF-8, the last component of its stored name; may be empty
  std::string missing;  // UTF-8: what could not be read, by name; empty when read
};

// "B": the blob holds the document and its name. A blob written without a
// name (older files) is taken whole as the document.
std::vector<std::uint8_t> packBlob(const std::string& nameUtf8, const std::vector<std::uint8_t>& bytes);
void unpackBlob(const std::vector<std::uint8_t>& blob, std::string& nameUtf8, std::vector<std::uint8_t>& bytes);

// The frame's document, wherever it is kept; `libraryDir` is the test's
// library directory (relative names are taken from there).
Document read(const tables::Vop& v, const std::string& libraryDir);

// A stored file name as a file name of this computer: its last component,
// or `fallback` when nothing safe is left (UTF-8 in and out of CP1251).
std::string documentFileName(std::string_view storedCp1251, const std::string& fallback);

// VOP:OBJECTDOC for a document linked from `fileUtf8`: its path relative to
// the library when it lies there, else the absolute path; false when that
// does not fit the field's 64 characters (or its code page).
bool linkName(const std::string& fileUtf8, const std::string& libraryDir, std::string& objectDocCp1251);

}  // namespace frameobject
