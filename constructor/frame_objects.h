#pragma once
// Documents inside frames: the ten kinds of "Создать объект (Offce2000)"
// mapped to open formats, new empty documents of those kinds, and putting a
// document into a frame by the author's choice of storage ("B" in the
// record, "F" in the test's companion file, "L" linked to a file) and status
// ("I" a picture, "A" opened by a button, "S" opened and changed).
#include <cstdint>
#include <string>
#include <vector>

#include "tables_test_file.h"
#include "test_file.h"
#include "test_register.h"

namespace constructor {

struct ObjectKind {
  const char* identifier;  // the type identifier the frame keeps (VOP:OBJECTTYPE stays the letter)
  const char* format;      // what it is made as, for the window (UTF-8)
  const char* fileName;    // the new document's name; empty: made only from a file
};
// The ten kinds, in the menu's order.
const std::vector<ObjectKind>& objectKindList();
// A new empty document of kind `index` (0..9): false for the kinds that
// cannot be made without their application (video, sound, clip).
bool emptyDocument(int index, std::string& nameUtf8, std::vector<std::uint8_t>& bytes);

struct ObjectChoice {
  char type = 'O';  // O a new object of a kind, D from a document file
  char link = 'N';  // N the content copied, L linked to the file
  char save = 'B';  // B in the record, F in the companion file
  char show = 'I';  // I a picture, A opened by a button, S opened and changed
};

// Puts a document into the frame `v` of the test `tf` (its code set): the
// five object fields, and the bytes where the choice keeps them (one kept
// apart waits in the record's blob until saveFrame writes it). A linked
// document keeps only its name (`linkedFile`, UTF-8, relative to the library
// when it lies there). Refused with a message when a name does not fit.
Outcome putObject(const testfile::TestFile& tf, tables::Vop& v, const ObjectChoice& c, const std::string& nameUtf8,
                  const std::vector<std::uint8_t>& bytes, const std::string& linkedFile = {});
// The changed document of an object opened for change ("S") stored back where it is kept.
Outcome storeBack(const testfile::TestFile& tf, tables::Vop& v, const std::vector<std::uint8_t>& bytes);
// A new storage and status for the present object (the document moves
// between the record and the companion file).
Outcome changeObject(const testfile::TestFile& tf, tables::Vop& v, char save, char show);
// No object: the five fields blank and the record's blob empty (its part of
// the companion file goes when the frame is saved or deleted).
void clearObject(tables::Vop& v);
// The choice a frame's fields make.
ObjectChoice choiceOf(const tables::Vop& v);

}  // namespace constructor
