#pragma once
// "Контингент": the tree "Факультеты" → faculties → groups beside the
// student list of the chosen group. Students are added, changed and
// deleted through their form; groups through theirs (a group with students
// stays); a group's students move to another group, are taken from a file
// or get their sign-in slips printed.
#include <QDialog>
#include <vector>

#include "contingent.h"
#include "contingent_forms.h"
#include "installation.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {
class BrowseWindow;
}

namespace administrator {

class ContingentWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "Kontingent";
  // Tree rows: the root, a faculty, a group (the level of the system's tree).
  enum Level { Root = 1, Faculty = 2, Group = 3 };
  static constexpr int kLevelRole = Qt::UserRole;
  static constexpr int kCodeRole = Qt::UserRole + 1;

  ContingentWindow(const setup::Installation& inst, QWidget* parent = nullptr);
  // False when a table could not be opened (the window is of no use).
  bool opened() const { return opened_; }

  QTreeWidget* tree() const { return tree_; }
  ui::BrowseWindow* students() const { return students_; }
  QPushButton* button(const QString& text) const;
  QTreeWidgetItem* groupItem(std::int32_t code) const;
  QTreeWidgetItem* facultyItem(int code) const;

  // The current group (code 0: none chosen).
  const GroupRow& currentGroup() const { return group_; }
  bool chooseGroup(std::int32_t code);

  // The tree built again from the tables, the current group kept (F5).
  void rebuild();

  void addStudent();
  void changeStudent();
  void deleteStudent();
  void transfer();
  void importStudents();
  void printSlips();
  void newGroup();
  void changeGroup();
  void deleteGroup();

 private:
  void treeChanged();
  void updateButtons();
  void groupRequest(ui::Request r);
  std::unique_ptr<StudentForm> studentForm();

  setup::Installation inst_;
  bool opened_ = false;
  GroupRow group_;
  int faculty_ = 0;            // of the highlighted row
  std::int32_t listed_ = -1;   // the group whose students the list shows
  OpenTable<tables::Student>* studentT_;
  OpenTable<tables::Group>* groupT_;
  QTreeWidget* tree_;
  ui::BrowseWindow* students_ = nullptr;
  std::vector<QPushButton*> buttons_;
  std::vector<GroupRow> groups_;
};

}  // namespace administrator
