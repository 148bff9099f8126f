#pragma once
// The paper forms made of stored results: the examination sheet of one
// group ("Зачетно-экзаменационная ведомость") from a results journal, and
// the clean-up of the grade-sheet table Vedom, whose lines name students
// that may have been renamed or removed since.
//
// Text is taken and given in UTF-8; records hold code page 1251.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "contingent.h"
#include "installation.h"

namespace administrator {

// What the set-up offers from one journal, read in one pass: its groups;
// for each group its tests; for each group and test its dates. Each
// distinct and sorted (dates as day numbers); blank groups and tests are
// not offered.
struct ExamSheetLists {
  std::vector<std::string> groups;
  std::map<std::string, std::vector<std::string>> tests;                                 // by group
  std::map<std::pair<std::string, std::string>, std::vector<std::int32_t>> dates;  // by group and test
  const std::vector<std::string>& testsOf(const std::string& group) const;
  const std::vector<std::int32_t>& datesOf(const std::string& group, const std::string& test) const;
};
Outcome examSheetLists(const std::string& base, const std::string& journal, ExamSheetLists& out);

struct ExamSheetChoice {
  std::string group;       // REZ:GR
  std::string test;        // REZ:NAMETEMA
  bool allTests = false;   // every result of the group, whatever its test and date
  std::int32_t date = 0;   // REZ:DATE
};

struct ExamSheetRow {
  std::int32_t result = 0;   // REZ:CODEREZ; 0 for a student of the group without a result
  std::int32_t student = 0;  // REZ:CODEST, or STU:CODEST of one without a result
  std::string name;
  std::string recordBook;    // "Шифр": STU:ZACHBOOK of a known student, else blank
  std::string test, discipline;
  int mark = 0;              // REZ:OTMETKA; 0 without a result
  bool absent() const { return result == 0; }
};

// The heading of the sheet, prefilled from the group, its faculty and the
// first chosen result; the user may change it before the report is made.
struct ExamSheetHeader {
  std::string faculty, semester, specialty, course, group, discipline, test, teacher, examDate;
  bool operator==(const ExamSheetHeader&) const = default;
};

struct ExamSheet {
  std::vector<ExamSheetRow> rows;  // by name; students without a result among them
  ExamSheetHeader header;
  int present = 0;                 // rows with a result
  int absent = 0;                  // students of the group without one ("не явился")
  std::array<int, 4> byMark{};     // "отлично", "хорошо", "удовлетворительно", "неудовлетворительно"
  bool empty() const { return present == 0; }
};

// The sheet of one group from the journal `journal` of `base`. A person is
// the student's code when it is not 0, else the name (namesakes with
// different codes stay apart). For one test and date, of several results of
// one person the highest mark is kept (the first in name order when equal);
// with every test of the group, every result is listed. The group's other
// students (by its name in Group, then Student) are listed as absent. The
// choice is carried through the list of codes, so there is no limit to
// the number of results.
Outcome buildExamSheet(const setup::Installation& inst, const std::string& base, const std::string& journal,
                       const ExamSheetChoice& choice, ExamSheet& out);

// The heading text kept between sheets (ZagExzVed, one record).
Outcome readSheetHeading(const setup::Installation& inst, std::string& text);
Outcome writeSheetHeading(const setup::Installation& inst, const std::string& text);

// The sheet as a CSV text for a spreadsheet, `heading` (its lines) above
// it as on paper.
std::string examSheetCsv(const ExamSheet& sheet, const std::string& heading = {});

// The clean-up of Vedom: a line whose student is gone, or whose name is no
// longer the student's name as the Examiner builds it, is offered for
// deletion; `ask` gets the line's name and answers.
enum class CleanAnswer { Keep, Delete, Stop, DeleteAll };
struct CleanUpCount {
  std::int64_t read = 0, deleted = 0;
};
Outcome cleanGradeSheet(const setup::Installation& inst, const std::function<CleanAnswer(const std::string& name)>& ask,
                        CleanUpCount& count);

// One student's lines of Vedom (the class journal), by date.
struct GradeLine {
  std::int32_t code = 0;
  std::string test;
  std::int32_t date = 0;
  std::int32_t ball = 0;
  std::string resultText;
  int mark = 0;
};
Outcome studentGradeLines(const setup::Installation& inst, std::int32_t student, std::vector<GradeLine>& out);
std::string gradeLinesCsv(const std::string& group, const std::vector<std::pair<std::string, std::vector<GradeLine>>>& students);

}  // namespace administrator
