#include "dictionaries.h"

#include <cstdint>
#include <cstring>

#include "cp1251.h"
#include "tables_central.h"

namespace common {
namespace {

DictionaryTable make(const store::TableDef& def, const char* file, const char* code, const char* name,
                     const char* codeKey, const char* nameKey) {
  DictionaryTable t;
  t.def = &def;
  t.file = file;
  t.codeField = def.fieldIndex(code);
  t.nameField = def.fieldIndex(name);
  t.codeKey = def.keyIndex(codeKey);
  t.nameKey = nameKey ? def.keyIndex(nameKey) : -1;
  return t;
}

// Every referring field is a one-byte code, as the dictionaries' own codes are.
std::uint8_t* byteAt(const store::TableDef& def, void* rec, int field) {
  return static_cast<std::uint8_t*>(rec) + def.fields[static_cast<std::size_t>(field)].offset;
}

// Keeps a table's buffer across reads that move through the table.
class KeptBuffer {
 public:
  explicit KeptBuffer(store::Table& t, void* buf) : t_(t), buf_(buf), copy_(t.def().makeBuffer()) {
    t_.def().copyBuffer(copy_.get(), buf_);
  }
  ~KeptBuffer() { t_.def().copyBuffer(buf_, copy_.get()); }
  KeptBuffer(const KeptBuffer&) = delete;
  KeptBuffer& operator=(const KeptBuffer&) = delete;

 private:
  store::Table& t_;
  void* buf_;
  std::shared_ptr<void> copy_;
};

// A file whose records hold a dictionary's code, read through one of its keys.
struct Referrer {
  const store::TableDef& (*def)();
  const char* file;
  const char* key;
  const char* what;  // "группы": what refers, as the refusal names it
};

std::vector<Referrer> referrersOf(Dictionary d) {
  namespace f = tables::files;
  switch (d) {
    case Dictionary::Faculties:
      return {{tables::groupDef, f::Group, "KEYFAK", "группы"}, {tables::otdelDef, f::Otdel, "KEYFAK", "подразделения"}};
    case Dictionary::Courses:
      return {{tables::groupDef, f::Group, "KEYCODEKURS", "группы"},
              {tables::predmetDef, f::Predmet, "KEYCODEKURS", "дисциплины"},
              {tables::studentDef, f::Student, "KEYKURS", "студенты"}};
    case Dictionary::Departments: return {{tables::predmetDef, f::Predmet, "KEYCODEOTDEL", "дисциплины"}};
    case Dictionary::Disciplines:
    case Dictionary::Authors: break;
  }
  return {};
}

// 1 when a record of the file holds the code, 0 when none does (or the file
// is not there yet), -1 when the file could not be read.
int refers(const setup::Installation& inst, const Referrer& r, int code, store::ErrorInfo* error) {
  const store::TableDef& def = r.def();
  auto buf = def.makeBuffer();
  store::Table t(def, buf.get(), inst.central(r.file));
  int rc = t.open(store::Shared);
  if (rc == store::FileNotFound || rc == store::PathNotFound) return 0;
  if (rc == store::Ok) {
    const int key = def.keyIndex(r.key);
    *byteAt(def, buf.get(), def.keys[static_cast<std::size_t>(key)].field) = static_cast<std::uint8_t>(code);
    rc = t.get(key);
    if (rc == store::Ok) return 1;
    if (rc == store::NoRecord) return 0;
  }
  if (error) {
    *error = t.error();
    error->file = t.name();
  }
  return -1;
}

// "a", "a и b", "a, b и c".
std::string listed(const std::vector<std::string>& items) {
  std::string s;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) s += i + 1 == items.size() ? " и " : ", ";
    s += items[i];
  }
  return s;
}

// What refers to the code, or why that could not be found out; `lead`
// begins the refusal ("Факультет нельзя удалить").
std::optional<std::string> refusal(const setup::Installation& inst, Dictionary d, int code, const std::string& lead,
                                   store::ErrorInfo* error) {
  std::vector<std::string> found;
  for (const Referrer& r : referrersOf(d)) {
    store::ErrorInfo e;
    int n = refers(inst, r, code, &e);
    if (n < 0) {
      if (error) *error = e;
      return lead + ": не удалось проверить, ссылаются ли на запись " + r.what + " (" + e.file + ": " + e.text() + ").";
    }
    if (n > 0) found.emplace_back(r.what);
  }
  if (found.empty()) return std::nullopt;
  return lead + ": на него ссылаются " + listed(found) + ".";
}

}  // namespace

const DictionaryTable& tableOf(Dictionary d) {
  namespace f = tables::files;
  static const DictionaryTable all[] = {
      make(tables::faketDef(), f::Faket, "CODEFAK", "NAME", "KEYFAK", nullptr),
      make(tables::otdelDef(), f::Otdel, "CODEOTDEL", "NAMEOTDEL", "KEYCODEOTDEL", "KEYNAME"),
      make(tables::kursDef(), f::Kurs, "CODEKURS", "NAME", "KEYCODEKURS", nullptr),
      make(tables::predmetDef(), f::Predmet, "CODEPREDMET", "NAMEPREDMET", "KEYCODEPREDMET", "KEYNAME"),
      make(tables::writerDef(), f::Writer, "CODEWRITER", "NAMEWRITER", "KEYCODEWRITER", "KEYNAME"),
  };
  return all[static_cast<int>(d)];
}

int codeOf(Dictionary d, const void* rec) {
  const auto& t = tableOf(d);
  return *byteAt(*t.def, const_cast<void*>(rec), t.codeField);
}

void setCode(Dictionary d, void* rec, int code) {
  const auto& t = tableOf(d);
  *byteAt(*t.def, rec, t.codeField) = static_cast<std::uint8_t>(code);
}

std::string nameOf(Dictionary d, const void* rec) {
  const auto& t = tableOf(d);
  const auto& f = t.def->fields[static_cast<std::size_t>(t.nameField)];
  const char* p = static_cast<const char*>(rec) + f.offset;
  return cp1251::toUtf8(cp1251::clip(std::string_view(p, static_cast<std::size_t>(f.width))));
}

int readEntries(store::Table& t, void* buf, Dictionary d, std::vector<Entry>& out) {
  out.clear();
  const auto& dt = tableOf(d);
  KeptBuffer keep(t, buf);
  int rc = t.set(dt.codeKey);
  if (rc != store::Ok) return rc;
  while ((rc = t.next()) == store::Ok) out.push_back({codeOf(d, buf), nameOf(d, buf)});
  return rc == store::NoRecord ? store::Ok : rc;
}

int freeCode(store::Table& t, void* buf, Dictionary d) {
  const auto& dt = tableOf(d);
  KeptBuffer keep(t, buf);
  // Codes in key order: the first gap from 1 is the lowest free code.
  int expected = 1;
  if (t.set(dt.codeKey) == store::Ok)
    while (t.next() == store::Ok && expected <= kMaxCode) {
      const int code = codeOf(d, buf);
      if (code > expected) break;
      if (code == expected) ++expected;
    }
  return expected <= kMaxCode ? expected : 0;
}

std::optional<std::string> deletionRefusal(const setup::Installation& inst, Dictionary d, int code,
                                           store::ErrorInfo* error) {
  static const char* const lead[] = {"Факультет нельзя удалить", "Подразделение нельзя удалить", "Курс нельзя удалить",
                                     "Дисциплину нельзя удалить", "Автора нельзя удалить"};
  return refusal(inst, d, code, lead[static_cast<int>(d)], error);
}

std::optional<std::string> codeChangeRefusal(const setup::Installation& inst, Dictionary d, int code,
                                             store::ErrorInfo* error) {
  static const char* const lead[] = {"Код факультета нельзя изменить", "Код подразделения нельзя изменить",
                                     "Код курса нельзя изменить", "Код дисциплины нельзя изменить",
                                     "Код автора нельзя изменить"};
  return refusal(inst, d, code, lead[static_cast<int>(d)], error);
}

}  // namespace common
