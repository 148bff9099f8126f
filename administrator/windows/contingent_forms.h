#pragma once
// The standard windows over the contingent's tables: the group and student
// forms, the lists "Группы" and "Студенты" (menu "Справо&чники") and the
// group select list. The contingent window uses the same forms.
#include <QObject>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "contingent.h"
#include "dictionaries.h"
#include "installation.h"
#include "message_service.h"
#include "table_opener.h"
#include "tables_central.h"
#include "update_form.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace ui {
class BrowseWindow;
}

namespace administrator {

// Procedure names: help pages and remembered places.
inline constexpr const char* kGroupBrowse = "BrowseGroup";
inline constexpr const char* kGroupForm = "UpdateGroup";
inline constexpr const char* kGroupSelect = "SelectGroup";
inline constexpr const char* kStudentBrowse = "BrowseStudent";
inline constexpr const char* kStudentForm = "UpdateStudent";
inline constexpr const char* kGradeForm = "UpdateVedStud";

// A table and its record buffer, opened through the opening procedure for
// as long as the object (a child of its window) lives.
template <class R>
class OpenTable : public QObject {
 public:
  OpenTable(const store::TableDef& def, std::string file, QObject* owner)
      : QObject(owner), table(def, rec, std::move(file)), opener_(ui::MessageService::instance()) {}
  ~OpenTable() override {
    if (open_) opener_.close(table);
  }
  bool open() { return open_ = opener_.open(table) == store::Ok; }

  R rec;
  store::Table table;

 private:
  setup::TableOpener opener_;
  bool open_ = false;
};

// A dictionary's entries for a drop list (nothing, after a message, when
// its table cannot be read).
std::vector<common::Entry> dictionaryEntries(const setup::Installation& inst, common::Dictionary d);

// "Update the Group File": code, course, faculty, name and specialty. A
// group with students is not deleted; a change is written with its
// students' STU:NAMEGR in one operation (Contingent::changeGroup).
class GroupForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  GroupForm(store::Table& t, tables::Group& rec, const setup::Installation& inst, QWidget* parent = nullptr);
  QLineEdit* code() const { return code_; }
  QLineEdit* name() const { return name_; }
  QComboBox* faculty() const { return faculty_; }
  QComboBox* course() const { return course_; }
  void accept() override;

 protected:
  bool mayRun(ui::Request r) override;
  void loadControls() override;
  bool saveControls() override;

 private:
  tables::Group& rec_;
  setup::Installation inst_;
  QLineEdit *code_, *name_, *spec_;
  QComboBox *faculty_, *course_;
  tables::Group loaded_;  // the record as the form showed it
  bool written_ = false;  // accept() has written the change
};

// "Update the Student File": tabs "Общий" (the identification number and
// "Сгенерировать", code, course, group, record book, name), "Паспорт" and
// "Успеваемость" (the student's grade-sheet entries, changed or deleted
// there). A new student starts in `group` with its identification number;
// one added without a group gets its number on OK.
class StudentForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  StudentForm(store::Table& t, tables::Student& rec, const setup::Installation& inst, std::int32_t group,
              QWidget* parent = nullptr);
  QLineEdit* numid() const { return numid_; }
  QPushButton* generate() const { return generate_; }
  QComboBox* group() const { return group_; }
  QLineEdit* field(const char* name) const;
  ui::BrowseWindow* grades() const { return grades_; }

 protected:
  void beforeAutonumberedAdd(long long code) override;
  void loadControls() override;
  bool saveControls() override;

 private:
  void generateNumid();
  void chooseGroupFromList();
  void setGroup(std::int32_t code);

  tables::Student& rec_;
  setup::Installation inst_;
  std::int32_t defaultGroup_;
  std::vector<GroupRow> groups_;
  struct Bound {
    int field;
    QLineEdit* edit;
    QString label;
    bool date;
  };
  std::vector<Bound> bound_;
  QLineEdit *numid_, *code_;
  QPushButton* generate_;
  QComboBox *group_, *course_;
  OpenTable<tables::Vedom>* vedom_;
  ui::BrowseWindow* grades_ = nullptr;
  std::int32_t shownStudent_ = 0;
};

// The lists of the menu "Справо&чники": non-modal windows that delete
// themselves when closed; nullptr when a table could not be opened.
ui::BrowseWindow* openGroupList(const setup::Installation& inst, QWidget* parent);
ui::BrowseWindow* openStudentList(const setup::Installation& inst, QWidget* parent);

// The group the students list shows "По группам" (GRO:CODEGR, 0 for all):
// the last one chosen there or in the class journal, for this run.
int studentGroupFilter();
void setStudentGroupFilter(int groupCode);

// "Выбор записи файла Group" (modal): the chosen group, or nothing.
std::optional<GroupRow> chooseGroup(const setup::Installation& inst, QWidget* parent);

// The button "Справка" after OK and cancel: the procedure's help page.
void helpButton(ui::UpdateForm* f, const QString& procedure);

// F1 anywhere in the window opens the procedure's help page.
void helpOnF1(QWidget* w, const QString& procedure);

// Shows an operation's refusal or failure (nothing when it succeeded);
// true when it succeeded.
bool tell(const Outcome& o, const QString& caption);

}  // namespace administrator
