#include "student_import.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cp1251.h"
#include "tables_central.h"

namespace administrator {
namespace {

constexpr std::size_t kNameWidth = decltype(tables::Student::FAM)::width;
constexpr std::size_t kBookWidth = decltype(tables::Student::ZACHBOOK)::width;
static_assert(decltype(tables::Student::NAME)::width == kNameWidth && decltype(tables::Student::OTCHE)::width == kNameWidth);

// ---- the file's text ----

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF); `nonAscii` tells whether any byte is above 0x7F.
bool validUtf8(std::string_view s, bool& nonAscii) {
  nonAscii = false;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) { ++i; continue; }
    nonAscii = true;
    std::size_t len;
    char32_t u, min;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; u = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { len = 3; u = c & 0x0F; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; u = c & 0x07; min = 0x10000; }
    else return false;
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      u = (u << 6) | (cc & 0x3F);
    }
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

// The file's lines in UTF-8 and the encoding the file is in. A byte-order
// mark decides; otherwise the lines with letters beyond ASCII vote: those
// that are well-formed UTF-8 against those that are not (Russian text in
// Windows-1251 practically never is, since its letters are not followed by
// continuation bytes), a tie going to UTF-8. A line in the other encoding
// (one pasted from another file) is decoded as what it is, so that the
// preview can show it, and marked: read in the file's encoding it would
// give a garbled name.
struct Decoded {
  std::vector<std::string> lines;
  std::vector<bool> foreign;  // the line is not in the file's encoding
  std::string encoding;       // "UTF-8" or "Windows-1251"
};

Decoded decoded(const std::string& bytes) {
  static const std::string bom = "\xEF\xBB\xBF";
  const bool withBom = bytes.compare(0, bom.size(), bom) == 0;
  std::vector<std::string> raw;
  std::istringstream in(withBom ? bytes.substr(bom.size()) : bytes);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    raw.push_back(line);
  }
  enum Kind { Ascii, Utf8, Other };
  std::vector<Kind> kinds;
  int utf8 = 0, other = 0;
  for (const auto& l : raw) {
    bool nonAscii = false;
    const bool valid = validUtf8(l, nonAscii);
    kinds.push_back(!nonAscii ? Ascii : valid ? Utf8 : Other);
    utf8 += kinds.back() == Utf8 ? 1 : 0;
    other += kinds.back() == Other ? 1 : 0;
  }
  Decoded d;
  const bool isUtf8 = withBom || (utf8 > 0 && utf8 >= other);
  d.encoding = isUtf8 ? "UTF-8" : "Windows-1251";
  for (std::size_t i = 0; i < raw.size(); ++i) {
    d.lines.push_back(kinds[i] == Other ? cp1251::toUtf8(raw[i]) : raw[i]);
    d.foreign.push_back(isUtf8 ? kinds[i] == Other : kinds[i] == Utf8);
  }
  return d;
}

// ";" when the file separates anything with it outside quotes, else ",":
// names hold neither, and a file that uses ";" may still have commas in
// quoted fields.
char separatorOf(const std::vector<std::string>& lines) {
  for (const auto& l : lines) {
    bool quoted = false;
    for (char c : l) {
      if (c == '"') quoted = !quoted;
      else if (c == ';' && !quoted) return ';';
    }
  }
  return ',';
}

std::string trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

struct Fields {
  std::vector<std::string> values;  // trailing empty fields left out
  bool unclosedQuote = false;
};

// A quoted field may hold the separator; "" inside it stands for one quote.
Fields split(const std::string& line, char sep) {
  Fields f;
  std::string cur;
  bool quoted = false, wasQuoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c != '"') cur += c;
      else if (i + 1 < line.size() && line[i + 1] == '"') { cur += '"'; ++i; }
      else quoted = false;
    } else if (c == sep) {
      f.values.push_back(trimmed(cur));
      cur.clear();
      wasQuoted = false;
    } else if (c == '"' && !wasQuoted && trimmed(cur).empty()) {
      cur.clear();
      quoted = wasQuoted = true;
    } else {
      cur += c;
    }
  }
  f.values.push_back(trimmed(cur));
  f.unclosedQuote = quoted;
  while (!f.values.empty() && f.values.back().empty()) f.values.pop_back();
  return f;
}

// A header names the columns ("Фамилия;Имя;Отчество;Зачетка") instead of
// a student: its first field is a column's title, or two of its fields are.
// A field is a title only as a whole (letter case, blanks, ё and a closing
// "." or ":" aside): a surname such as "Фамилиев" is a student.
bool isHeader(const std::vector<std::string>& fields) {
  static const char* titles[] = {"фамилия", "имя", "отчество", "фио", "ф.и.о", "ф. и. о", "зачетка", "зачетки",
                                 "№", "номер", "№ зачетки", "номер зачетки", "зачетная книжка", "№ зачетной книжки",
                                 "номер зачетной книжки", "surname", "last name", "lastname", "first name", "firstname",
                                 "name", "patronymic", "middle name", "record book"};
  auto title = [](const std::string& f) {
    std::string w = cp1251::lower(cp1251::fromUtf8(trimmed(f)));
    for (auto& ch : w)
      if (static_cast<unsigned char>(ch) == 0xB8) ch = static_cast<char>(0xE5);  // ё as е
    while (!w.empty() && (w.back() == '.' || w.back() == ':')) w.pop_back();
    for (const char* t : titles)
      if (w == cp1251::fromUtf8(t)) return true;
    return false;
  };
  int titled = 0;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!title(fields[i])) continue;
    if (i == 0 || ++titled == 2) return true;
  }
  return false;
}

// ---- judging a line ----

std::string fio(const std::string& fam, const std::string& name, const std::string& otche) {
  std::string s = fam;
  for (const auto* p : {&name, &otche})
    if (!p->empty()) s += " " + *p;
  return s;
}

// The students a line must not repeat: the group's and those of the lines
// accepted before it. Keys are CP1251 in upper case.
class Judge {
 public:
  void known(const tables::Student& s) {
    const std::string who = "уже есть в группе: " + fio(s.FAM.utf8(), s.NAME.utf8(), s.OTCHE.utf8());
    people_.emplace(personKey(s.FAM.view(), s.NAME.view(), s.OTCHE.view()), "такой студент уже есть в группе");
    if (!s.ZACHBOOK.blank()) books_.emplace(cp1251::upper(s.ZACHBOOK.view()), who);
  }

  // Why the line is refused, or "" when it is accepted (and remembered).
  std::string judge(const ImportLine& l) {
    if (l.fam.empty()) return "не указана фамилия";
    const struct {
      const std::string& text;
      std::size_t width;
      const char* label;
    } fields[] = {{l.fam, kNameWidth, "фамилия"},
                  {l.name, kNameWidth, "имя"},
                  {l.otche, kNameWidth, "отчество"},
                  {l.zachbook, kBookWidth, "номер зачётной книжки"}};
    std::string cp[4];
    for (int i = 0; i < 4; ++i) {
      std::string why;
      auto t = recordText(fields[i].text, fields[i].width, &why);
      if (!t) return std::string(fields[i].label) + ": " + why;
      cp[i] = *t;
      // A file saved in Windows-1251 from text in another script holds '?'
      // where the letters were; no name has one.
      if (i < 3 && cp[i].find('?') != std::string::npos)
        return std::string(fields[i].label) + ": знак «?» вместо букв — видимо, текст был на письме, которого нет в кодовой странице 1251";
    }
    const std::string person = personKey(cp[0], cp[1], cp[2]);
    if (auto it = people_.find(person); it != people_.end()) return it->second;
    const std::string book = cp1251::upper(cp[3]);
    if (!book.empty())
      if (auto it = books_.find(book); it != books_.end()) return "номер зачётной книжки " + l.zachbook + " " + it->second;
    const std::string line = "строку " + std::to_string(l.line);
    people_.emplace(person, "повторяет " + line + " (" + fio(l.fam, l.name, l.otche) + ")");
    if (!book.empty()) books_.emplace(book, "повторяет " + line);
    return {};
  }

 private:
  static std::string personKey(std::string_view fam, std::string_view name, std::string_view otche) {
    return cp1251::upper(fam) + '\n' + cp1251::upper(name) + '\n' + cp1251::upper(otche);
  }
  std::map<std::string, std::string> people_, books_;  // key -> the reason a repeat is refused
};

// ---- the tables ----

struct Both {
  tables::Student stu;
  tables::Group gro;
  store::Table stuT, groT;
  explicit Both(const setup::Installation& inst)
      : stuT(tables::studentDef(), stu, inst.central(tables::files::Student)),
        groT(tables::groupDef(), gro, inst.central(tables::files::Group)) {}

  Outcome open() {
    for (store::Table* t : {&stuT, &groT}) {
      if (t->createIfMissing() != store::Ok) return Outcome::failed(t->error(), "Не удалось создать " + t->name());
      if (t->open(store::Shared) != store::Ok) return Outcome::failed(t->error(), "Не удалось открыть " + t->name());
    }
    return {};
  }

  // The group into `gro`, and its students into the judge.
  Outcome readGroup(std::int32_t code, Judge& judge) {
    gro = tables::Group{};
    gro.CODEGR = code;
    int rc = groT.get(groT.key("KEYCODEGR"));
    if (rc == store::NoRecord) return Outcome::refused("Группа с кодом " + std::to_string(code) + " не найдена.");
    if (rc != store::Ok) return Outcome::failed(groT.error(), "Не удалось прочитать группу");
    stu = tables::Student{};
    stu.CODEGR = code;
    rc = stuT.setFrom(stuT.key("KEYKODGR"));
    while (rc == store::Ok && (rc = stuT.next()) == store::Ok && stu.CODEGR == code) judge.known(stu);
    if (rc != store::Ok && rc != store::NoRecord) return Outcome::failed(stuT.error(), "Не удалось прочитать студентов группы");
    return {};
  }
};

}  // namespace

int ImportPreview::accepted() const {
  int n = 0;
  for (const auto& l : lines) n += l.accepted ? 1 : 0;
  return n;
}

Outcome previewImport(const setup::Installation& inst, const std::string& file, std::int32_t group, ImportPreview& out) {
  out = ImportPreview{};
  out.group = group;
  out.file = file;
  std::error_code ec;
  if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec))
    return Outcome::refused("Не удалось прочитать файл «" + file + "»: это не файл.");
  std::ifstream in(file, std::ios::binary);
  if (!in) return Outcome::refused("Не удалось открыть файл «" + file + "»: " + std::strerror(errno) + ".");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return Outcome::refused("Не удалось прочитать файл «" + file + "».");
  const Decoded text = decoded(bytes.str());
  const std::vector<std::string>& lines = text.lines;
  out.encoding = text.encoding;
  out.separator = separatorOf(lines);

  Both b(inst);
  if (Outcome o = b.open(); !o) return o;
  Judge judge;
  if (Outcome o = b.readGroup(group, judge); !o) return o;
  out.groupName = b.gro.NAME.utf8();

  bool first = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Fields f = split(lines[i], out.separator);
    if (f.values.empty() && !f.unclosedQuote) continue;
    if (first) {
      first = false;
      if (!text.foreign[i] && isHeader(f.values)) {
        out.header = true;
        continue;
      }
    }
    ImportLine l;
    l.line = static_cast<int>(i + 1);
    f.values.resize(std::max<std::size_t>(f.values.size(), 4));
    l.fam = f.values[0];
    l.name = f.values[1];
    l.otche = f.values[2];
    l.zachbook = f.values[3];
    if (text.foreign[i])
      l.why = out.encoding == "UTF-8" ? "строка не в кодировке UTF-8 (видимо, в Windows-1251), а файл в UTF-8"
                                      : "строка в кодировке UTF-8, а файл в Windows-1251";
    else if (f.unclosedQuote) l.why = "не закрыта кавычка";
    else if (f.values.size() > 4) l.why = "больше четырёх полей (" + std::to_string(f.values.size()) + ")";
    else l.why = judge.judge(l);
    l.accepted = l.why.empty();
    out.lines.push_back(std::move(l));
  }
  if (out.lines.empty()) return Outcome::refused("В файле «" + file + "» нет ни одной строки со студентом.");
  return {};
}

Outcome importStudents(const setup::Installation& inst, const ImportPreview& p, int* added) {
  if (added) *added = 0;
  Both b(inst);
  if (Outcome o = b.open(); !o) return o;
  store::Transaction tx{&b.stuT, &b.groT};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать добавление студентов");
  // The group as it is now: another station may have renamed it or added
  // students since the preview.
  Judge judge;
  if (Outcome o = b.readGroup(p.group, judge); !o) return o;
  const tables::Group group = b.gro;
  std::vector<const ImportLine*> take;
  for (const auto& l : p.lines) {
    if (!l.accepted) continue;
    if (std::string why = judge.judge(l); !why.empty())
      return Outcome::refused("Студенты не добавлены: строка " + std::to_string(l.line) + " — " + why +
                              ". Просмотрите файл заново.");
    take.push_back(&l);
  }

  std::int32_t code = 0;
  int rc = b.stuT.set(b.stuT.key("KEYKODST"));
  if (rc == store::Ok) rc = b.stuT.previous();
  if (rc == store::Ok) code = b.stu.CODEST;
  else if (rc != store::NoRecord) return Outcome::failed(b.stuT.error(), "Не удалось прочитать коды студентов");

  for (const ImportLine* l : take) {
    if (code == INT32_MAX) return Outcome::refused("Студенты не добавлены: коды студентов исчерпаны.");
    ++code;
    std::string why;
    auto id = numid(group.CODEGR, code, &why);
    if (!id) return Outcome::refused("Студенты не добавлены: " + why);
    b.stu = tables::Student{};
    b.stu.CODEST = code;
    b.stu.CODEKURS = group.CODEKURS;
    b.stu.CODEGR = group.CODEGR;
    b.stu.NAMEGR = group.NAME.view();
    // judge() accepted every field, so each fits its record field.
    b.stu.FAM = *recordText(l->fam, kNameWidth);
    b.stu.NAME = *recordText(l->name, kNameWidth);
    b.stu.OTCHE = *recordText(l->otche, kNameWidth);
    b.stu.ZACHBOOK = *recordText(l->zachbook, kBookWidth);
    b.stu.NUMID = *id;
    if (b.stuT.add() != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось добавить студента (строка " + std::to_string(l->line) + ")");
  }
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать добавленных студентов");
  if (added) *added = static_cast<int>(take.size());
  return {0, "Добавлено: " + studentsCount(static_cast<long>(take.size())) + "."};
}

}  // namespace administrator
