// The contingent through the Administrator's library: identification
// numbers, moving a group's students, renaming and deleting groups, and
// students imported from a file, checked in the stored records.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

#include "contingent.h"
#include "cp1251.h"
#include "installation.h"
#include "student_import.h"
#include "tables_central.h"
#include "test_tables.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

// An installation whose central tables lie in a fresh working directory.
class Installation : public ::testing::Test {
 protected:
  TempDir dir;
  setup::Installation inst;

  void SetUp() override {
    inst.program = setup::Program::Administrator;
    inst.workingDir = dir.path();
    make(tables::groupDef(), tables::files::Group);
    make(tables::studentDef(), tables::files::Student);
  }

  void make(const store::TableDef& def, const char* file) {
    auto buf = def.makeBuffer();
    store::Table t(def, buf.get(), inst.central(file));
    ASSERT_EQ(t.create(), store::Ok) << t.error().text();
  }

  void addGroup(std::int32_t code, const std::string& name, std::uint8_t kurs, std::uint8_t faculty = 1) {
    tables::Group g;
    store::Table t(tables::groupDef(), g, inst.central(tables::files::Group));
    ASSERT_EQ(t.open(), store::Ok) << t.error().text();
    g.CODEGR = code;
    g.NAME = u(name);
    g.CODEKURS = kurs;
    g.CODEFAK = faculty;
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }

  void addFaculty(std::uint8_t code, const std::string& name) {
    tables::Faket f;
    store::Table t(tables::faketDef(), f, inst.central(tables::files::Faket));
    ASSERT_EQ(t.createIfMissing(), store::Ok) << t.error().text();
    ASSERT_EQ(t.open(), store::Ok) << t.error().text();
    f.CODEFAK = code;
    f.NAME = u(name);
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }

  void setNumid(std::int32_t student, const std::string& numid) {
    tables::Student s;
    store::Table t(tables::studentDef(), s, inst.central(tables::files::Student));
    ASSERT_EQ(t.open(), store::Ok) << t.error().text();
    s.CODEST = student;
    ASSERT_EQ(t.get(t.key("KEYKODST")), store::Ok) << t.error().text();
    s.NUMID = numid;
    ASSERT_EQ(t.put(), store::Ok) << t.error().text();
  }

  void addStudent(std::int32_t code, std::int32_t group, const std::string& fam, const std::string& zach = "") {
    tables::Student s;
    store::Table t(tables::studentDef(), s, inst.central(tables::files::Student));
    ASSERT_EQ(t.open(), store::Ok) << t.error().text();
    s.CODEST = code;
    s.CODEGR = group;
    s.NAMEGR = u("старое имя " + std::to_string(group));
    s.CODEKURS = 1;
    s.FAM = u(fam);
    s.NAME = u("Имя" + std::to_string(code));
    s.OTCHE = u("Петрович");
    s.NUMID = "ID" + std::to_string(code);
    s.ZACHBOOK = u(zach);
    ASSERT_EQ(t.add(), store::Ok) << t.error().text();
  }

  // Every student, by code.
  std::map<std::int32_t, tables::Student> students() {
    std::map<std::int32_t, tables::Student> out;
    tables::Student s;
    store::Table t(tables::studentDef(), s, inst.central(tables::files::Student));
    EXPECT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    t.set(t.key("KEYKODST"));
    while (t.next() == store::Ok) out[s.CODEST] = s;
    return out;
  }

  std::optional<tables::Group> group(std::int32_t code) {
    tables::Group g;
    store::Table t(tables::groupDef(), g, inst.central(tables::files::Group));
    EXPECT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
    g.CODEGR = code;
    if (t.get(t.key("KEYCODEGR")) != store::Ok) return std::nullopt;
    return g;
  }

  // The stored text of every student and group, to show that nothing changed.
  std::string snapshot() {
    std::string s;
    for (const auto& [code, st] : students())
      s += std::to_string(code) + "|" + std::to_string(st.CODEGR) + "|" + st.NAMEGR.utf8() + "|" + st.FAM.utf8() + "|" +
           std::to_string(st.CODEKURS) + "|" + st.NUMID.utf8() + "\n";
    for (std::int32_t g = 0; g < 10; ++g)
      if (auto r = group(g)) s += "G" + std::to_string(g) + "|" + r->NAME.utf8() + "\n";
    return s;
  }

  std::string writeFile(const std::string& name, const std::string& bytes) {
    std::string path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

// ---- identification numbers ----

TEST(Numid, GroupInTwoDigitsStudentInFourWiderCodesWhole) {
  struct Case {
    std::int32_t group, student;
    const char* expected;  // nullptr: refused
  } cases[] = {
      {7, 123, "070123"},
      {3, 45, "030045"},
      {5, 987, "050987"},
      {0, 0, "000000"},
      {12, 3456, "123456"},
      {123, 45, "1230045"},          // a wide group is written in full
      {7, 123456, "07123456"},       // a wide student too
      {99, 12345678, "9912345678"},  // exactly the field's 10 characters
      {100, 12345678, nullptr},      // 11 characters
      {1234567, 1, nullptr},
      {-1, 5, nullptr},
      {5, -1, nullptr},
  };
  for (const auto& c : cases) {
    std::string why;
    auto r = numid(c.group, c.student, &why);
    SCOPED_TRACE(std::to_string(c.group) + "/" + std::to_string(c.student));
    if (c.expected) {
      ASSERT_TRUE(r.has_value()) << why;
      EXPECT_EQ(*r, c.expected);
    } else {
      EXPECT_FALSE(r.has_value()) << *r;
      EXPECT_FALSE(why.empty());
    }
  }
}

TEST(StudentsCount, RussianPlural) {
  struct Case {
    long n;
    const char* text;
  } cases[] = {{1, "1 студент"},     {2, "2 студента"},     {4, "4 студента"},     {5, "5 студентов"},
               {11, "11 студентов"}, {12, "12 студентов"}, {21, "21 студент"},   {22, "22 студента"},
               {111, "111 студентов"}, {0, "0 студентов"}};
  for (const auto& c : cases) EXPECT_EQ(studentsCount(c.n), c.text);
}

// ---- groups and their students ----

class ContingentTest : public Installation {
 protected:
  void SetUp() override {
    Installation::SetUp();
    addGroup(1, "ФМ-101", 1);
    addGroup(2, "ФМ-102", 1);
    addGroup(3, "ЕГ-201", 2);
    addGroup(4, "Пустая", 2);
    addStudent(1, 1, "Иванов");
    addStudent(2, 1, "Петров");
    addStudent(3, 1, "Сидоров");
    addStudent(4, 2, "Кузнецов");
    addStudent(5, 2, "Смирнов");
    addStudent(6, 3, "Попов");
  }
};

TEST_F(ContingentTest, TransferMovesExactlyTheSourceGroupsStudentsWithTheTargetsName) {
  const auto before = students();
  Contingent c(inst);
  int moved = -1;
  Outcome o = c.transfer(1, 2, &moved);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(moved, 3);
  const auto after = students();
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [code, was] : before) {
    const tables::Student& now = after.at(code);
    SCOPED_TRACE("student " + std::to_string(code));
    if (was.CODEGR == 1) {
      EXPECT_EQ(now.CODEGR, 2);
      EXPECT_EQ(now.NAMEGR.utf8(), "ФМ-102");
    } else {
      EXPECT_EQ(now.CODEGR, was.CODEGR);
      EXPECT_EQ(now.NAMEGR, was.NAMEGR);
    }
    EXPECT_EQ(now.FAM, was.FAM);
    EXPECT_EQ(now.NUMID, was.NUMID);
    EXPECT_EQ(now.CODEKURS, was.CODEKURS);
  }
}

TEST_F(ContingentTest, TransferFromAGroupWithoutStudentsChangesNothing) {
  const std::string before = snapshot();
  int moved = -1;
  Outcome o = Contingent(inst).transfer(4, 1, &moved);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(moved, 0);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(ContingentTest, TransferRefusedIntoTheSameOrAMissingGroup) {
  const std::string before = snapshot();
  struct Case {
    std::int32_t from, to;
  } cases[] = {{1, 1}, {1, 9}};
  for (const auto& c : cases) {
    int moved = -1;
    Outcome o = Contingent(inst).transfer(c.from, c.to, &moved);
    EXPECT_EQ(o.error, Outcome::Refused) << c.from << "->" << c.to;
    EXPECT_FALSE(o.message.empty());
    EXPECT_EQ(moved, 0);
  }
  EXPECT_EQ(snapshot(), before);
}

TEST_F(ContingentTest, RenameCarriesTheNameToTheGroupsStudentsOnly) {
  Outcome o = Contingent(inst).renameGroup(1, "  ФМ-111 ");
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(group(1)->NAME.utf8(), "ФМ-111");
  for (const auto& [code, s] : students()) {
    if (s.CODEGR == 1) EXPECT_EQ(s.NAMEGR.utf8(), "ФМ-111") << code;
    else EXPECT_EQ(s.NAMEGR.utf8(), "старое имя " + std::to_string(s.CODEGR)) << code;
  }
}

TEST_F(ContingentTest, RenameRefusedForNamesTheRecordCannotHold) {
  const std::string thirty(30, 'x');
  struct Case {
    std::string name;
    const char* reason;  // part of the message; nullptr: accepted
  } cases[] = {
      {"   ", "не задано"},
      {thirty + "y", "длиннее 30"},
      {"数学-1", "«数»"},
      {"Группа Müller", "«ü»"},
      {thirty, nullptr},
  };
  for (const auto& c : cases) {
    const std::string before = snapshot();
    Outcome o = Contingent(inst).renameGroup(2, c.name);
    if (!c.reason) {
      EXPECT_TRUE(o) << o.message;
      EXPECT_EQ(group(2)->NAME.utf8(), c.name);
      continue;
    }
    EXPECT_EQ(o.error, Outcome::Refused) << c.name;
    EXPECT_NE(o.message.find(c.reason), std::string::npos) << o.message;
    EXPECT_EQ(snapshot(), before) << c.name;
  }
}

TEST_F(ContingentTest, AChangedGroupIsWrittenWithItsStudentsNamesOrNotAtAll) {
  const tables::Group was = *group(1);
  tables::Group now = was;
  now.NAME = u("ФМ-111");
  now.CODEFAK = 2;
  Outcome o = Contingent(inst).changeGroup(was, now);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(group(1)->NAME.utf8(), "ФМ-111");
  EXPECT_EQ(group(1)->CODEFAK, 2);
  for (const auto& [code, s] : students()) {
    if (s.CODEGR == 1) EXPECT_EQ(s.NAMEGR.utf8(), "ФМ-111") << code;
    else EXPECT_EQ(s.NAMEGR.utf8(), "старое имя " + std::to_string(s.CODEGR)) << code;
  }

  // The name kept, the students' names are not touched.
  const tables::Group g2 = *group(2);
  tables::Group course = g2;
  course.CODEKURS = 4;
  ASSERT_TRUE(Contingent(inst).changeGroup(g2, course));
  EXPECT_EQ(group(2)->CODEKURS, 4);
  for (const auto& [code, s] : students()) {
    if (s.CODEGR == 2) {
      EXPECT_EQ(s.NAMEGR.utf8(), "старое имя 2") << code;
    }
  }

  // Refusals write nothing.
  const tables::Group g3 = *group(3);
  tables::Group blank = g3, recoded = g3, late = g3;
  blank.NAME = "";
  recoded.CODEGR = 9;
  late.NAME = u("ЕГ-222");
  tables::Group stale = g3;
  stale.NAME = u("как было раньше");  // another station has changed it since
  const tables::Group gone = *group(4);
  const struct {
    const char* label;
    const tables::Group& was;
    const tables::Group& now;
    const char* reason;
  } refused[] = {{"blank name", g3, blank, "не задано"},
                 {"another code", g3, recoded, "Код группы не меняется"},
                 {"changed on another station", stale, late, "изменена на другой станции"},
                 {"a group that is gone", gone, gone, nullptr}};
  ASSERT_TRUE(Contingent(inst).deleteGroup(4));
  for (const auto& c : refused) {
    SCOPED_TRACE(c.label);
    const std::string before = snapshot();
    o = Contingent(inst).changeGroup(c.was, c.now);
    EXPECT_EQ(o.error, Outcome::Refused);
    EXPECT_NE(o.message.find(c.reason ? c.reason : "не найдена"), std::string::npos) << o.message;
    EXPECT_EQ(snapshot(), before);
  }
}

TEST_F(ContingentTest, GroupWithStudentsIsKeptEmptyGroupDeleted) {
  Contingent c(inst);
  Outcome o = c.deleteGroup(1);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find("3 студента"), std::string::npos) << o.message;
  EXPECT_NE(o.message.find("ФМ-101"), std::string::npos) << o.message;
  EXPECT_TRUE(group(1).has_value());

  o = c.deleteGroup(4);
  ASSERT_TRUE(o) << o.message;
  EXPECT_FALSE(group(4).has_value());

  // Its last student deleted, a group may go.
  o = c.deleteGroup(3);
  EXPECT_NE(o.message.find("1 студент."), std::string::npos) << o.message;
  o = c.deleteStudent(6);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(students().count(6), 0u);
  EXPECT_TRUE(c.deleteGroup(3));
  EXPECT_FALSE(group(3).has_value());
  EXPECT_EQ(students().size(), 5u);

  EXPECT_EQ(c.deleteGroup(3).error, Outcome::Refused);
  EXPECT_EQ(c.deleteStudent(6).error, Outcome::Refused);
}

TEST_F(ContingentTest, TreeGathersGroupsUnderTheirFacultiesInFileOrderAndStraysLast) {
  // File order, not code order: the faculty added first comes first.
  addFaculty(2, "Исторический факультет");
  addFaculty(1, "Физико-математический факультет");
  addGroup(5, "Без факультета", 1, 9);
  std::vector<FacultyRow> rows;
  Outcome o = Contingent(inst).tree(rows);
  ASSERT_TRUE(o) << o.message;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].code, 2);
  EXPECT_EQ(rows[0].name, "Исторический факультет");
  EXPECT_TRUE(rows[0].groups.empty()) << "a faculty without groups has none to expand";
  EXPECT_EQ(rows[1].code, 1);
  std::vector<std::int32_t> codes;
  for (const GroupRow& g : rows[1].groups) codes.push_back(g.code);
  EXPECT_EQ(codes, (std::vector<std::int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(rows[1].groups[2].name, "ЕГ-201");
  EXPECT_EQ(rows[1].groups[2].course, 2);
  // A group whose faculty is not in the dictionary is not lost.
  EXPECT_FALSE(rows[2].known);
  ASSERT_EQ(rows[2].groups.size(), 1u);
  EXPECT_EQ(rows[2].groups[0].code, 5);
}

TEST_F(ContingentTest, GroupDeletableAsksWhatDeleteGroupWouldAnswer) {
  Contingent c(inst);
  struct Case {
    std::int32_t group;
    const char* reason;  // nullptr: may go
  } cases[] = {{1, "3 студента"}, {3, "1 студент."}, {4, nullptr}, {99, "не найдена"}};
  const std::string before = snapshot();
  for (const auto& k : cases) {
    Outcome o = c.groupDeletable(k.group);
    if (!k.reason) {
      EXPECT_TRUE(o) << k.group << ": " << o.message;
      continue;
    }
    EXPECT_EQ(o.error, Outcome::Refused) << k.group;
    EXPECT_NE(o.message.find(k.reason), std::string::npos) << o.message;
  }
  EXPECT_EQ(snapshot(), before) << "asking deletes nothing";
  long n = -1;
  ASSERT_TRUE(c.studentsIn(2, n));
  EXPECT_EQ(n, 2);
}

TEST_F(ContingentTest, GroupListedByNameAndMissingNumbersGivenOnlyToItsStudents) {
  addStudent(7, 1, "Абрамов");
  addStudent(8, 1, "иванов");  // letter case does not decide the order
  setNumid(2, "");
  setNumid(7, "");
  setNumid(4, "");  // another group's student keeps his blank number
  std::vector<StudentRow> rows;
  ASSERT_TRUE(Contingent(inst).students(1, rows));
  std::vector<std::string> fams;
  for (const auto& r : rows) fams.push_back(r.fam);
  EXPECT_EQ(fams, (std::vector<std::string>{"Абрамов", "Иванов", "иванов", "Петров", "Сидоров"}));
  EXPECT_TRUE(rows[3].numid.empty());

  int given = -1;
  Outcome o = Contingent(inst).giveNumids(1, &given);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(given, 2);
  const auto all = students();
  EXPECT_EQ(all.at(2).NUMID.utf8(), "010002");
  EXPECT_EQ(all.at(7).NUMID.utf8(), "010007");
  EXPECT_EQ(all.at(1).NUMID.utf8(), "ID1") << "a number the student has stays";
  EXPECT_TRUE(all.at(4).NUMID.blank());
  ASSERT_TRUE(Contingent(inst).giveNumids(1, &given));
  EXPECT_EQ(given, 0);
}

// ---- import ----

class ImportTest : public Installation {
 protected:
  static constexpr std::int32_t kGroup = 7;
  static constexpr std::int32_t kLastCode = 57;

  void SetUp() override {
    Installation::SetUp();
    addGroup(kGroup, "ИН-301", 3);
    addGroup(8, "ИН-302", 3);
    // The highest code belongs to another group: codes are per table.
    addStudent(3, kGroup, "Сидоров", "500");
    addStudent(kLastCode, 8, "Орлов");
    addStudent(10, 8, "Зуев");
  }

  ImportPreview preview(const std::string& path) {
    ImportPreview p;
    Outcome o = previewImport(inst, path, kGroup, p);
    EXPECT_TRUE(o) << o.message;
    return p;
  }

  std::vector<tables::Student> groupStudents() {
    std::vector<tables::Student> out;
    for (const auto& [code, s] : students())
      if (s.CODEGR == kGroup) out.push_back(s);
    return out;
  }
};

struct Person {
  std::string fam, name, otche, zach;
};

// Thirty students; line 12 repeats line 5, line 23 is in Chinese. Line 3's
// record book holds a comma and line 4's a quote, which a comma-separated
// file must quote.
std::vector<Person> thirty() {
  const char* fams[] = {"Андреев", "Борисов", "Васильев", "Григорьев", "Дмитриев",
                        "Егоров", "Жуков", "Зайцев", "Ильин", "Королёв"};
  const char* names[] = {"Алексей", "Борис", "Виктор"};
  const char* otches[] = {"Андреевич", "Борисович", "Викторович", "Глебович", "Денисович"};
  std::vector<Person> out;
  for (int i = 0; i < 30; ++i)
    out.push_back({fams[i % 10], names[i / 10], otches[i % 5], "ЗК-" + std::to_string(1001 + i)});
  out[2].zach = "1003, доп.";
  out[3].zach = "1004\"А\"";
  out[11] = out[4];
  out[22] = {"王", "明", "", "ЗК-1023"};
  return out;
}

struct FileForm {
  const char* label;
  bool cp1251, bom, header, quoted;
  char sep;
  const char* encoding;
};

std::string render(const std::vector<Person>& people, const FileForm& f) {
  auto field = [&](const std::string& s) {
    if (!f.quoted) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
  };
  std::string text;
  if (f.header) text += std::string("Фамилия") + f.sep + "Имя" + f.sep + "Отчество" + f.sep + "Зачетка\r\n";
  for (const auto& p : people)
    text += field(p.fam) + f.sep + field(p.name) + f.sep + field(p.otche) + f.sep + field(p.zach) + "\r\n";
  // Saved in Windows-1251, the Chinese letters become '?', as editors do.
  if (f.cp1251) return cp1251::fromUtf8(text);
  return (f.bom ? "\xEF\xBB\xBF" : "") + text;
}

TEST_F(ImportTest, ThirtyLinesInEveryFormAddTwentyEight) {
  const FileForm forms[] = {
      {"UTF-8 with BOM, ';', header", false, true, true, false, ';', "UTF-8"},
      {"UTF-8 without BOM, ',', quoted", false, false, false, true, ',', "UTF-8"},
      {"Windows-1251, ';'", true, false, false, false, ';', "Windows-1251"},
      {"Windows-1251, ',', quoted, header", true, false, true, true, ',', "Windows-1251"},
  };
  const std::vector<Person> people = thirty();
  for (const auto& form : forms) {
    SCOPED_TRACE(form.label);
    SetUp();  // the tables made afresh for each form
    const int off = form.header ? 1 : 0;
    ImportPreview p = preview(writeFile("students.csv", render(people, form)));
    EXPECT_EQ(p.encoding, form.encoding);
    EXPECT_EQ(p.separator, form.sep);
    EXPECT_EQ(p.header, form.header);
    ASSERT_EQ(p.lines.size(), 30u);
    EXPECT_EQ(p.accepted(), 28);
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
      const ImportLine& l = p.lines[i];
      EXPECT_EQ(l.line, static_cast<int>(i) + 1 + off);
      if (i == 11) {
        EXPECT_FALSE(l.accepted);
        EXPECT_NE(l.why.find("повторяет строку " + std::to_string(5 + off)), std::string::npos) << l.why;
      } else if (i == 22) {
        EXPECT_FALSE(l.accepted);
        EXPECT_NE(l.why.find("1251"), std::string::npos) << l.why;
        EXPECT_NE(l.why.find("фамилия"), std::string::npos) << l.why;
      } else {
        EXPECT_TRUE(l.accepted) << l.line << ": " << l.why;
        EXPECT_EQ(l.fam, people[i].fam);
        EXPECT_EQ(l.zachbook, people[i].zach);
      }
    }

    int added = -1;
    Outcome o = importStudents(inst, p, &added);
    ASSERT_TRUE(o) << o.message;
    EXPECT_EQ(added, 28);
    const auto all = students();
    ASSERT_EQ(all.size(), 3u + 28u);
    // New codes follow the highest one, in the file's order.
    std::int32_t code = kLastCode;
    for (std::size_t i = 0; i < people.size(); ++i) {
      if (i == 11 || i == 22) continue;
      ++code;
      ASSERT_EQ(all.count(code), 1u) << code;
      const tables::Student& s = all.at(code);
      EXPECT_EQ(s.FAM.utf8(), people[i].fam);
      EXPECT_EQ(s.NAME.utf8(), people[i].name);
      EXPECT_EQ(s.OTCHE.utf8(), people[i].otche);
      EXPECT_EQ(s.ZACHBOOK.utf8(), people[i].zach);
      EXPECT_EQ(s.CODEGR, kGroup);
      EXPECT_EQ(s.NAMEGR.utf8(), "ИН-301");
      EXPECT_EQ(s.CODEKURS, 3);
      EXPECT_EQ(s.NUMID.utf8(), *numid(kGroup, code));
    }
    EXPECT_EQ(all.rbegin()->first, kLastCode + 28);
  }
}

TEST_F(ImportTest, ALineInTheOtherEncodingIsRefusedNotAddedGarbled) {
  // Thirty students, line 12 repeating line 5; line 23 pasted from a file in
  // the other encoding.
  std::vector<Person> people = thirty();
  people[22] = {"Лебедев", "Виктор", "Глебович", "ЗК-1023"};
  const struct {
    const char* label;
    bool cp1251, bom;
    const char* encoding;
    const char* reason;
  } files[] = {
      {"UTF-8, one line in Windows-1251", false, false, "UTF-8", "строка не в кодировке UTF-8"},
      {"UTF-8 with BOM, one line in Windows-1251", false, true, "UTF-8", "строка не в кодировке UTF-8"},
      {"Windows-1251, one line in UTF-8", true, false, "Windows-1251", "строка в кодировке UTF-8"},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.label);
    SetUp();
    std::string bytes = f.bom ? "\xEF\xBB\xBF" : "";
    for (std::size_t i = 0; i < people.size(); ++i) {
      const Person& p = people[i];
      const std::string line = p.fam + ";" + p.name + ";" + p.otche + ";" + p.zach + "\r\n";
      const bool inCp1251 = f.cp1251 != (i == 22);
      bytes += inCp1251 ? cp1251::fromUtf8(line) : line;
    }
    ImportPreview p = preview(writeFile("mixed.csv", bytes));
    EXPECT_EQ(p.encoding, f.encoding);
    ASSERT_EQ(p.lines.size(), 30u);
    EXPECT_EQ(p.accepted(), 28);
    std::vector<int> refused;
    for (const ImportLine& l : p.lines)
      if (!l.accepted) refused.push_back(l.line);
    EXPECT_EQ(refused, (std::vector<int>{12, 23}));
    EXPECT_NE(p.lines[11].why.find("повторяет строку 5"), std::string::npos) << p.lines[11].why;
    EXPECT_NE(p.lines[22].why.find(f.reason), std::string::npos) << p.lines[22].why;
    EXPECT_EQ(p.lines[22].fam, "Лебедев") << "the refused line shown as it was written";

    int added = -1;
    ASSERT_TRUE(importStudents(inst, p, &added));
    EXPECT_EQ(added, 28);
    for (const tables::Student& s : groupStudents()) {
      const bool known = s.FAM.utf8() == "Сидоров" ||
                         std::any_of(people.begin(), people.end(), [&](const Person& x) { return x.fam == s.FAM.utf8(); });
      EXPECT_TRUE(known) << "garbled: " << s.FAM.utf8();
      EXPECT_NE(s.FAM.utf8(), "Лебедев");
    }
  }
}

TEST_F(ImportTest, OnlyALineOfColumnTitlesIsAHeader) {
  const struct {
    const char* first;
    bool header;
  } cases[] = {
      {"Фамилия;Имя;Отчество;Зачетка", true},
      {"  ФАМИЛИЯ: ;имя;отчество;№ зачётки", true},
      {"Ф.И.О.;;;Номер зачетной книжки", true},
      {"Фамилия студента;Имя;Отчество;Номер", true},  // two titles after the first field
      {"Фамилиев;Иван;Петрович;1", false},
      {"Зачетнов;Олег;;2", false},
      {"Отчествин;Имя;Ильич;3", false},  // one title only, and not the first field
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    const std::string text = std::string(c.first) + "\nКротов;Иван;Иванович;10\n";
    ImportPreview p = preview(writeFile("header.csv", text));
    EXPECT_EQ(p.header, c.header);
    ASSERT_EQ(p.lines.size(), c.header ? 1u : 2u);
    EXPECT_EQ(p.lines.back().fam, "Кротов");
    if (!c.header) {
      EXPECT_EQ(p.lines[0].line, 1);
      EXPECT_TRUE(p.lines[0].accepted) << p.lines[0].why;
    }
  }
}

TEST_F(ImportTest, EachLineJudgedWithItsReason) {
  const std::string n30 = "Абвгдеёжзийклмнопрстуфхцчшщъыэ";  // 30 letters
  const std::string b20(20, '7');
  struct Case {
    std::string text;
    const char* reason;  // part of the reason; nullptr: accepted
  } cases[] = {
      {"Сидоров;Имя3;Петрович;900", "уже есть в группе"},
      {"СИДОРОВ;имя3;ПЕТРОВИЧ;901", "уже есть в группе"},
      {"Новиков;Олег;Олегович;500", "номер зачётной книжки 500 уже есть в группе"},
      {";Пётр;Петрович;902", "не указана фамилия"},
      {n30 + ";А;Б;903", nullptr},
      {n30 + "я;А;Б;904", "фамилия: длиннее 30 знаков (31)"},
      {"Котов;" + n30 + "я;Б;905", "имя: длиннее 30"},
      {"Котов;Кот;" + n30 + "я;906", "отчество: длиннее 30"},
      {"Лисов;Лис;Лисович;" + b20, nullptr},
      {"Лосев;Лось;Лосевич;" + b20 + "8", "номер зачётной книжки: длиннее 20"},
      {"Волков;Волк;Волкович;907", nullptr},
      {"Зайцев;Заяц;Зайцевич;907", "повторяет строку 11"},
      {"волков;ВОЛК;волкович;999", "повторяет строку 11 (Волков Волк Волкович)"},
      {"Ёжиков;Ёж;;908", nullptr},
      {"Müller;Hans;;909", "«ü»"},
      {"Иванов;Иван;Иванович;910;лишнее", "больше четырёх полей"},
      {"\"Петров;Пётр;Петрович;911", "не закрыта кавычка"},
      {"Сомов;С?ва;;912", "имя: знак «?»"},
      {"", nullptr},  // blank: left out
      {"  Пробелов  ;  Иван ; ; 913 ;;", nullptr},
  };
  std::string text;
  for (const auto& c : cases) text += c.text + "\n";
  ImportPreview p = preview(writeFile("judged.csv", text));
  EXPECT_EQ(p.encoding, "UTF-8");
  EXPECT_FALSE(p.header);
  ASSERT_EQ(p.lines.size(), std::size(cases) - 1);
  int accepted = 0;
  for (const ImportLine& l : p.lines) {
    const Case& c = cases[static_cast<std::size_t>(l.line - 1)];
    ASSERT_FALSE(c.text.empty()) << "a blank line listed: " << l.line;
    SCOPED_TRACE("line " + std::to_string(l.line) + ": " + c.text);
    if (c.reason) {
      EXPECT_FALSE(l.accepted);
      EXPECT_NE(l.why.find(c.reason), std::string::npos) << l.why;
    } else {
      EXPECT_TRUE(l.accepted) << l.why;
      ++accepted;
    }
  }
  EXPECT_EQ(p.accepted(), accepted);

  int added = -1;
  Outcome o = importStudents(inst, p, &added);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(added, accepted);
  const auto in = groupStudents();
  ASSERT_EQ(in.size(), 1u + static_cast<std::size_t>(accepted));
  EXPECT_EQ(in.back().FAM.utf8(), "Пробелов");
  EXPECT_EQ(in.back().NAME.utf8(), "Иван");
  EXPECT_TRUE(in.back().OTCHE.blank());
  EXPECT_EQ(in.back().ZACHBOOK.utf8(), "913");
  EXPECT_EQ(in[1].FAM.utf8(), n30);
}

TEST_F(ImportTest, FilesAndGroupsThatGiveNothingToPreview) {
  struct Case {
    const char* label;
    std::string path;
    std::int32_t group;
    const char* reason;
  } cases[] = {
      {"missing file", dir / "нет.csv", kGroup, "нет.csv"},
      {"a directory", dir.path(), kGroup, "Не удалось"},
      {"empty file", writeFile("empty.csv", ""), kGroup, "нет ни одной строки"},
      {"header only", writeFile("header.csv", "Фамилия;Имя;Отчество;Зачётка\n\n"), kGroup, "нет ни одной строки"},
      {"missing group", writeFile("one.csv", "Кротов;Иван;;1\n"), 99, "не найдена"},
  };
  const std::string before = snapshot();
  for (const auto& c : cases) {
    ImportPreview p;
    Outcome o = previewImport(inst, c.path, c.group, p);
    EXPECT_EQ(o.error, Outcome::Refused) << c.label;
    EXPECT_NE(o.message.find(c.reason), std::string::npos) << c.label << ": " << o.message;
  }
  EXPECT_EQ(snapshot(), before);
}

TEST_F(ImportTest, ImportTakesTheGroupAsItIsAndRefusesWhatItNowHolds) {
  ImportPreview p = preview(writeFile("two.csv", "Кротов;Иван;Иванович;1\nМышкин;Лев;Николаевич;2\n"));
  ASSERT_EQ(p.accepted(), 2);
  ASSERT_TRUE(Contingent(inst).renameGroup(kGroup, "ИН-311"));
  int added = -1;
  ASSERT_TRUE(importStudents(inst, p, &added));
  EXPECT_EQ(added, 2);
  for (const auto& s : groupStudents()) EXPECT_EQ(s.NAMEGR.utf8(), "ИН-311") << s.FAM.utf8();

  // The same preview again would double the students: nothing is added.
  const std::string before = snapshot();
  Outcome o = importStudents(inst, p, &added);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find("строка 1"), std::string::npos) << o.message;
  EXPECT_EQ(added, 0);
  EXPECT_EQ(snapshot(), before);

  // A group removed since the preview takes nobody.
  ImportPreview q = preview(writeFile("three.csv", "Лисицын;Лев;;3\n"));
  for (const auto& s : groupStudents()) ASSERT_TRUE(Contingent(inst).deleteStudent(s.CODEST));
  ASSERT_TRUE(Contingent(inst).deleteGroup(kGroup));
  EXPECT_EQ(importStudents(inst, q, &added).error, Outcome::Refused);
  EXPECT_TRUE(groupStudents().empty());
}

}  // namespace
