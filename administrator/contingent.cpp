#include "contingent.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cp1251.h"
#include "tables_central.h"

namespace administrator {
namespace {

constexpr std::size_t kNumidWidth = decltype(tables::Student::NUMID)::width;
constexpr std::size_t kGroupNameWidth = decltype(tables::Group::NAME)::width;

std::string trimmed(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

// Bytes of the UTF-8 sequence a lead byte starts; 0 for a byte that
// cannot start one.
std::size_t sequenceLength(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 0;
}

// Both tables of the contingent, opened shared for one operation.
struct Both {
  tables::Student stu;
  tables::Group gro;
  store::Table stuT, groT;
  Both(const std::string& studentFile, const std::string& groupFile)
      : stuT(tables::studentDef(), stu, studentFile), groT(tables::groupDef(), gro, groupFile) {}

  Outcome open() {
    for (store::Table* t : {&stuT, &groT}) {
      if (t->createIfMissing() != store::Ok) return Outcome::failed(t->error(), "Не удалось создать " + t->name());
      if (t->open(store::Shared) != store::Ok) return Outcome::failed(t->error(), "Не удалось открыть " + t->name());
    }
    return {};
  }

  // The group's record into `gro`: 1 found, 0 not there, -1 the store failed.
  int group(std::int32_t code) {
    gro = tables::Group{};
    gro.CODEGR = code;
    int rc = groT.get(groT.key("KEYCODEGR"));
    if (rc == store::Ok) return 1;
    return rc == store::NoRecord ? 0 : -1;
  }

  // The students of a group, by position (read before any of them changes
  // its group, which would move it along the key being read).
  int studentsOf(std::int32_t code, std::vector<store::Position>& out) {
    out.clear();
    stu = tables::Student{};
    stu.CODEGR = code;
    int rc = stuT.setFrom(stuT.key("KEYKODGR"));
    while (rc == store::Ok && (rc = stuT.next()) == store::Ok && stu.CODEGR == code) out.push_back(stuT.position());
    return rc == store::Ok || rc == store::NoRecord ? store::Ok : rc;
  }

  // Every student of the group gets `nameCp1251` as STU:NAMEGR (inside the
  // caller's transaction).
  Outcome nameStudents(std::int32_t code, const std::string& nameCp1251) {
    std::vector<store::Position> students;
    if (studentsOf(code, students) != store::Ok) return Outcome::failed(stuT.error(), "Не удалось прочитать студентов группы");
    for (store::Position pos : students) {
      if (stuT.getAt(pos) != store::Ok) return Outcome::failed(stuT.error(), "Не удалось прочитать студента");
      stu.NAMEGR = nameCp1251;
      if (stuT.put() != store::Ok) return Outcome::failed(stuT.error(), "Не удалось записать группу студента");
    }
    return {};
  }
};

Outcome noGroup(std::int32_t code) { return Outcome::refused("Группа с кодом " + std::to_string(code) + " не найдена."); }

std::string groupLabel(const tables::Group& g) {
  return "«" + g.NAME.utf8() + "» (код " + std::to_string(g.CODEGR) + ")";
}

Outcome keptGroup(const tables::Group& g, std::size_t students) {
  return Outcome::refused("Группу " + groupLabel(g) + " нельзя удалить: в ней " + studentsCount(static_cast<long>(students)) +
                          ". Переведите их в другую группу или удалите.");
}

}  // namespace

Outcome Outcome::failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

std::optional<std::string> numid(std::int32_t group, std::int32_t student, std::string* why) {
  if (group < 0 || student < 0) {
    if (why) *why = "Идентификационный номер не составить: код группы и код студента не могут быть отрицательными.";
    return std::nullopt;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02ld%04ld", static_cast<long>(group), static_cast<long>(student));
  std::string s(buf);
  if (s.size() > kNumidWidth) {
    if (why)
      *why = "Идентификационный номер " + s + " (группа " + std::to_string(group) + ", студент " + std::to_string(student) +
             ") длиннее " + std::to_string(kNumidWidth) + " знаков и не помещается в поле.";
    return std::nullopt;
  }
  return s;
}

std::optional<std::string> recordText(std::string_view utf8, std::size_t width, std::string* why) {
  const std::string text = trimmed(utf8);
  // Each character on its own, so that the message can name those the code
  // page lacks instead of storing '?' in their place.
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = sequenceLength(static_cast<unsigned char>(text[i]));
    std::string ch = len == 0 || i + len > text.size() ? std::string() : text.substr(i, len);
    if (ch.empty() || cp1251::toUtf8(cp1251::fromUtf8(ch)) != ch) {
      std::string shown = ch.empty() ? "байт не в кодировке UTF-8" : "«" + ch + "»";
      bool seen = false;
      for (const auto& m : missing) seen = seen || m == shown;
      if (!seen && missing.size() < 5) missing.push_back(shown);
      if (ch.empty()) len = 1;
    }
    i += len;
  }
  if (!missing.empty()) {
    if (why) {
      *why = "есть знаки, которых нет в кодовой странице 1251: ";
      for (std::size_t k = 0; k < missing.size(); ++k) *why += (k ? ", " : "") + missing[k];
    }
    return std::nullopt;
  }
  std::string cp = cp1251::fromUtf8(text);
  if (cp.size() > width) {
    if (why) *why = "длиннее " + std::to_string(width) + " знаков (" + std::to_string(cp.size()) + ")";
    return std::nullopt;
  }
  return cp;
}

std::string studentsCount(long n) {
  const long d = n % 10, h = n % 100;
  const char* word = "студентов";
  if (d == 1 && h != 11) word = "студент";
  else if (d >= 2 && d <= 4 && (h < 12 || h > 14)) word = "студента";
  return std::to_string(n) + " " + word;
}

Contingent::Contingent(const setup::Installation& inst)
    : studentFile_(inst.central(tables::files::Student)),
      groupFile_(inst.central(tables::files::Group)),
      facultyFile_(inst.central(tables::files::Faket)) {}

Outcome Contingent::groups(std::vector<GroupRow>& out) {
  out.clear();
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  int rc = b.groT.set(b.groT.key("KEYCODEGR"));
  while (rc == store::Ok && (rc = b.groT.next()) == store::Ok)
    out.push_back({b.gro.CODEGR, b.gro.NAME.utf8(), b.gro.CODEFAK, b.gro.CODEKURS});
  if (rc != store::NoRecord) return Outcome::failed(b.groT.error(), "Не удалось прочитать группы");
  return {};
}

Outcome Contingent::tree(std::vector<FacultyRow>& out) {
  out.clear();
  std::vector<GroupRow> all;
  if (Outcome o = groups(all); !o) return o;
  tables::Faket fak;
  store::Table t(tables::faketDef(), fak, facultyFile_);
  if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
  if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
  int rc = t.set();
  while (rc == store::Ok && (rc = t.next()) == store::Ok) out.push_back({fak.CODEFAK, fak.NAME.utf8(), true, {}});
  if (rc != store::NoRecord) return Outcome::failed(t.error(), "Не удалось прочитать факультеты");
  FacultyRow orphans{0, "Группы без факультета", false, {}};
  for (const GroupRow& g : all) {
    auto f = std::find_if(out.begin(), out.end(), [&](const FacultyRow& r) { return r.code == g.faculty; });
    (f == out.end() ? orphans : *f).groups.push_back(g);
  }
  if (!orphans.groups.empty()) out.push_back(std::move(orphans));
  return {};
}

Outcome Contingent::studentsIn(std::int32_t group, long& count) {
  count = 0;
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  std::vector<store::Position> students;
  if (b.studentsOf(group, students) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студентов группы");
  count = static_cast<long>(students.size());
  return {};
}

Outcome Contingent::students(std::int32_t group, std::vector<StudentRow>& out) {
  out.clear();
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  std::vector<store::Position> positions;
  if (b.studentsOf(group, positions) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студентов группы");
  struct Keyed {
    std::string key;
    StudentRow row;
  };
  std::vector<Keyed> rows;
  for (store::Position pos : positions) {
    if (b.stuT.getAt(pos) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студента");
    const tables::Student& s = b.stu;
    rows.push_back({cp1251::upper(s.FAM.view()) + '\n' + cp1251::upper(s.NAME.view()) + '\n' + cp1251::upper(s.OTCHE.view()),
                    {s.CODEST, s.FAM.utf8(), s.NAME.utf8(), s.OTCHE.utf8(), s.NUMID.utf8()}});
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Keyed& a, const Keyed& c) {
    int k = cp1251::compareNoCase(a.key, c.key);
    return k != 0 ? k < 0 : a.row.code < c.row.code;
  });
  for (auto& r : rows) out.push_back(std::move(r.row));
  return {};
}

Outcome Contingent::giveNumids(std::int32_t group, int* given) {
  if (given) *given = 0;
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  store::Transaction tx{&b.stuT, &b.groT};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать запись идентификационных номеров");
  std::vector<store::Position> positions;
  if (b.studentsOf(group, positions) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студентов группы");
  int n = 0;
  for (store::Position pos : positions) {
    if (b.stuT.getAt(pos) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студента");
    if (!b.stu.NUMID.blank()) continue;
    std::string why;
    auto id = numid(group, b.stu.CODEST, &why);
    if (!id) return Outcome::refused(why);
    b.stu.NUMID = *id;
    if (b.stuT.put() != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось записать идентификационный номер");
    ++n;
  }
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать идентификационные номера");
  if (given) *given = n;
  return {};
}

Outcome Contingent::groupDeletable(std::int32_t group) {
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  int found = b.group(group);
  if (found < 0) return Outcome::failed(b.groT.error(), "Не удалось прочитать группу");
  if (found == 0) return noGroup(group);
  std::vector<store::Position> students;
  if (b.studentsOf(group, students) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студентов группы");
  if (!students.empty()) return keptGroup(b.gro, students.size());
  return {};
}

Outcome Contingent::transfer(std::int32_t fromGroup, std::int32_t toGroup, int* moved) {
  if (moved) *moved = 0;
  if (fromGroup == toGroup) return Outcome::refused("Студентов нельзя перевести в ту же группу, в которой они учатся.");
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  store::Transaction tx{&b.stuT, &b.groT};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать перевод студентов");
  int found = b.group(toGroup);
  if (found < 0) return Outcome::failed(b.groT.error(), "Не удалось прочитать группу");
  if (found == 0) return noGroup(toGroup);
  const tables::Group target = b.gro;
  std::vector<store::Position> students;
  if (b.studentsOf(fromGroup, students) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студентов группы");
  for (store::Position pos : students) {
    if (b.stuT.getAt(pos) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студента");
    b.stu.CODEGR = target.CODEGR;
    b.stu.NAMEGR = target.NAME.view();
    if (b.stuT.put() != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось перевести студента");
  }
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать перевод студентов");
  if (moved) *moved = static_cast<int>(students.size());
  return {};
}

Outcome Contingent::renameGroup(std::int32_t group, const std::string& nameUtf8) {
  std::string why;
  auto name = recordText(nameUtf8, kGroupNameWidth, &why);
  if (!name) return Outcome::refused("Название группы не подходит: " + why + ".");
  if (name->empty()) return Outcome::refused("Название группы не задано.");
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  store::Transaction tx{&b.stuT, &b.groT};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать переименование группы");
  int found = b.group(group);
  if (found < 0) return Outcome::failed(b.groT.error(), "Не удалось прочитать группу");
  if (found == 0) return noGroup(group);
  b.gro.NAME = *name;
  if (b.groT.put() != store::Ok) return Outcome::failed(b.groT.error(), "Не удалось переименовать группу");
  if (Outcome o = b.nameStudents(group, *name); !o) return o;
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать новое название группы");
  return {};
}

Outcome Contingent::changeGroup(const tables::Group& was, const tables::Group& now) {
  if (now.CODEGR != was.CODEGR) return Outcome::refused("Код группы не меняется: по нему найдены её студенты.");
  if (now.NAME.blank()) return Outcome::refused("Название группы не задано.");
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  store::Transaction tx{&b.stuT, &b.groT};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать запись группы");
  int found = b.group(was.CODEGR);
  if (found < 0) return Outcome::failed(b.groT.error(), "Не удалось прочитать группу");
  if (found == 0) return noGroup(was.CODEGR);
  if (!tables::groupDef().sameValues(&b.gro, &was))
    return Outcome::refused("Группа " + groupLabel(b.gro) +
                            " изменена на другой станции, пока открыта форма. Откройте её снова, чтобы увидеть новые данные.");
  const bool renamed = b.gro.NAME.view() != now.NAME.view();
  b.gro = now;
  if (b.groT.put() != store::Ok) return Outcome::failed(b.groT.error(), "Не удалось записать группу");
  if (renamed)
    if (Outcome o = b.nameStudents(now.CODEGR, std::string(now.NAME.view())); !o) return o;
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось записать группу");
  return {};
}

Outcome Contingent::deleteGroup(std::int32_t group) {
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  // Both tables in the transaction: a student added to the group meanwhile
  // waits for it, so the count cannot go stale before the record goes.
  store::Transaction tx{&b.stuT, &b.groT};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать удаление группы");
  int found = b.group(group);
  if (found < 0) return Outcome::failed(b.groT.error(), "Не удалось прочитать группу");
  if (found == 0) return noGroup(group);
  std::vector<store::Position> students;
  if (b.studentsOf(group, students) != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студентов группы");
  if (!students.empty()) return keptGroup(b.gro, students.size());
  if (b.groT.del() != store::Ok) return Outcome::failed(b.groT.error(), "Не удалось удалить группу");
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось удалить группу");
  return {};
}

Outcome Contingent::deleteStudent(std::int32_t student) {
  Both b(studentFile_, groupFile_);
  if (Outcome o = b.open(); !o) return o;
  b.stu.CODEST = student;
  int rc = b.stuT.get(b.stuT.key("KEYKODST"));
  if (rc == store::NoRecord) return Outcome::refused("Студент с кодом " + std::to_string(student) + " не найден.");
  if (rc != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось прочитать студента");
  if (b.stuT.del() != store::Ok) return Outcome::failed(b.stuT.error(), "Не удалось удалить студента");
  return {};
}

}  // namespace administrator
