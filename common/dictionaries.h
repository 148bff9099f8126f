#pragma once
// The five dictionaries of the database directory: faculties, departments,
// courses, disciplines and authors. What each table is, the code a new
// entry takes, and which entries must stay because groups, departments,
// disciplines or students refer to them by code.
//
// Codes are one byte: 1 to 255, 0 standing for "none" in the records that
// refer to an entry.
#include <optional>
#include <string>
#include <vector>

#include "installation.h"
#include "store.h"

namespace common {

enum class Dictionary { Faculties, Departments, Courses, Disciplines, Authors };

inline constexpr int kMaxCode = 255;

// The table of a dictionary: its definition, file (tables::files), fields
// and keys (indexes into the definition).
struct DictionaryTable {
  const store::TableDef* def = nullptr;
  const char* file = nullptr;
  int codeField = -1;
  int nameField = -1;
  int codeKey = -1;  // the primary key
  int nameKey = -1;  // -1 where the dictionary is listed by code only
};
const DictionaryTable& tableOf(Dictionary d);

// A record buffer of the dictionary's table: its code, and its name in
// UTF-8 with trailing blanks removed.
int codeOf(Dictionary d, const void* rec);
void setCode(Dictionary d, void* rec, int code);
std::string nameOf(Dictionary d, const void* rec);

struct Entry {
  int code = 0;
  std::string name;  // UTF-8
};
// Every entry of an open table of the dictionary (`buf` its buffer), in
// code order; the buffer is kept. Returns 0 or the store's error.
int readEntries(store::Table& t, void* buf, Dictionary d, std::vector<Entry>& out);

// The lowest code no entry of the open table holds, or 0 when all 255 are
// taken; the buffer is kept.
int freeCode(store::Table& t, void* buf, Dictionary d);

// Why a record of this code may not be deleted (UTF-8 message), or nothing.
// A file that cannot be read refuses too, with its error in `error`.
std::optional<std::string> deletionRefusal(const setup::Installation& inst, Dictionary d, int code,
                                           store::ErrorInfo* error = nullptr);
// The same for giving an entry another code: the records that refer to the
// old one would lose it.
std::optional<std::string> codeChangeRefusal(const setup::Installation& inst, Dictionary d, int code,
                                             store::ErrorInfo* error = nullptr);

}  // namespace common
