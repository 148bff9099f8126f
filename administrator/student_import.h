#pragma once
// A group's students taken from a text file, one student a line: surname,
// first name, patronymic and record-book number, separated by ";" or ","
// (whichever the file uses), fields may be quoted. The file is UTF-8 (with
// or without a byte-order mark) or Windows-1251, judged by most of its
// lines; a line in the other encoding is refused, never added garbled. A
// first line whose fields are column titles ("Фамилия;Имя;...") is a
// header and is skipped.
//
// Two steps: the preview says line by line what would be added and what is
// refused and why, without writing anything; the import then adds exactly
// the accepted lines, all in one transaction.
#include <cstdint>
#include <string>
#include <vector>

#include "contingent.h"
#include "installation.h"

namespace administrator {

// One line of the file that names a student (blank lines and a header line
// are left out). Text in UTF-8, blanks around the fields removed.
struct ImportLine {
  int line = 0;  // 1-based, counting every line of the file
  std::string fam, name, otche, zachbook;
  bool accepted = false;
  std::string why;  // why the line is refused
};

struct ImportPreview {
  std::int32_t group = 0;
  std::string groupName;  // UTF-8, as the preview found it
  std::string file;
  std::string encoding;   // "UTF-8" or "Windows-1251"
  char separator = ';';
  bool header = false;    // the first line was a header and was skipped
  std::vector<ImportLine> lines;
  int accepted() const;
};

// Reads the file and judges every line against the group's students and
// the lines before it. A line is refused when it is not in the file's
// encoding, for an empty surname, characters
// code page 1251 lacks ('?' in a name too: what a Windows-1251 file holds
// in their place), a field longer than its record field (names 30,
// record book 20), more than four fields, an unclosed quote, or when it
// repeats a student of the group or an earlier accepted line (same
// surname, name and patronymic, letter case ignored, or the same
// record-book number). Refused when the file cannot be read, holds no
// student, or the group is not there. Nothing is written.
Outcome previewImport(const setup::Installation& inst, const std::string& file, std::int32_t group, ImportPreview& out);

// Adds the accepted lines of a preview to its group in one transaction:
// codes follow the highest STU:CODEST, each student gets the group's code,
// name and course and its identification number (numid). When the group
// has gone or now holds one of the lines (another station added it, or the
// preview was imported before), nothing is added and the import is refused.
// `added` gets how many students were added.
Outcome importStudents(const setup::Installation& inst, const ImportPreview& p, int* added = nullptr);

}  // namespace administrator
