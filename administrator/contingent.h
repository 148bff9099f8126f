#pragma once
// The contingent: students (Student) and their groups (Group). The rules
// the Administrator's windows ask before they change either: the students'
// identification numbers, moving a group's students to another group,
// renaming and deleting a group. Every change is one store transaction
// over both tables, so a student never keeps a group that is gone or a
// group name that is not its group's any more.
//
// Text is taken and given in UTF-8; records hold code page 1251.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installation.h"
#include "store.h"
#include "tables_central.h"

namespace administrator {

// What an operation came to: 0, or the store's error number (a refusal of
// the operation's own is `Refused`), with the message to show (UTF-8).
struct Outcome {
  static constexpr int Refused = -1;
  int error = 0;
  std::string message;
  explicit operator bool() const { return error == 0; }

  static Outcome refused(std::string text) { return {Refused, std::move(text)}; }
  // A store failure: "<what> (<the store's error text>)."
  static Outcome failed(const store::ErrorInfo& e, const std::string& what);
};

// STU:NUMID of a student: the group's code in at least two digits, then the
// student's code in at least four, both with leading zeros ("070123");
// wider codes are written in full, never cut. Nothing, with the reason in
// `why`, when a code is negative or the number exceeds the field's 10
// characters.
std::optional<std::string> numid(std::int32_t group, std::int32_t student, std::string* why = nullptr);

// UTF-8 text as the value of a record field `width` characters wide (code
// page 1251, blanks around it removed). Nothing, with the reason in `why`,
// when it holds characters the code page lacks (they are named) or is
// longer than the field.
std::optional<std::string> recordText(std::string_view utf8, std::size_t width, std::string* why = nullptr);

// "1 студент", "3 студента", "5 студентов".
std::string studentsCount(long n);

// A group as lists show it (name in UTF-8).
struct GroupRow {
  std::int32_t code = 0;
  std::string name;
  int faculty = 0;
  int course = 0;
};

// A faculty with its groups. `known` is false for the row that gathers
// groups whose faculty is not in the faculties' dictionary.
struct FacultyRow {
  int code = 0;
  std::string name;
  bool known = true;
  std::vector<GroupRow> groups;
};

// A student as a group's list and its sign-in slips show it (UTF-8).
struct StudentRow {
  std::int32_t code = 0;
  std::string fam, name, otche;
  std::string numid;  // empty when the student has none
};

// The contingent of one installation: Student.tps and Group.tps of its
// database directory (made empty when missing, as the opening procedure
// does). Each operation opens them shared and closes them again.
class Contingent {
 public:
  explicit Contingent(const setup::Installation& inst);

  // Faculties in file order, each with its groups in code order; groups of
  // a faculty that is not in Faket come last, under a row of their own.
  Outcome tree(std::vector<FacultyRow>& out);
  // Every group, in code order.
  Outcome groups(std::vector<GroupRow>& out);
  // How many students the group has.
  Outcome studentsIn(std::int32_t group, long& count);
  // The group's students by surname, name and patronymic (letter case
  // ignored), then by code.
  Outcome students(std::int32_t group, std::vector<StudentRow>& out);
  // Every student of the group without an identification number gets one
  // (numid), all or none; `given` says how many.
  Outcome giveNumids(std::int32_t group, int* given = nullptr);
  // Refused, saying why, while the group has students (deleteGroup's rule,
  // asked before a form deletes the record).
  Outcome groupDeletable(std::int32_t group);

  // Every student whose STU:CODEGR is `fromGroup` gets `toGroup`'s code and
  // name; all or none. The target must exist; the source need not (its
  // students may outlive it when it was removed elsewhere). A group without
  // students moves nothing and succeeds; moving into the same group is
  // refused. `moved` gets how many students moved.
  Outcome transfer(std::int32_t fromGroup, std::int32_t toGroup, int* moved = nullptr);

  // A new GRO:NAME, and the same STU:NAMEGR for every student of the group.
  // Refused for a blank name, one longer than 30 characters or with
  // characters code page 1251 lacks.
  Outcome renameGroup(std::int32_t group, const std::string& nameUtf8);

  // A group's record as a form changed it (`was` as the form read it, `now`
  // as it is to be, the same code), and, when the name changed, the same
  // STU:NAMEGR for each of its students, all in one transaction. Refused
  // for a blank name, a changed code, or when the stored record is no
  // longer `was` (another station changed it meanwhile): nothing written.
  Outcome changeGroup(const tables::Group& was, const tables::Group& now);

  // Refused while the group has students (the message says how many).
  Outcome deleteGroup(std::int32_t group);

  // A student may always be deleted; one that is not there is reported.
  Outcome deleteStudent(std::int32_t student);

 private:
  std::string studentFile_, groupFile_, facultyFile_;
};

}  // namespace administrator
