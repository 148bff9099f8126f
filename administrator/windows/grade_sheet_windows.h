#pragma once
// The windows of the paper forms made of stored results: the browse of the
// grade-sheet table "Просмотр файла Vedom" with its clean-up, the class
// journal "Журнал успеваемости группы", and the exam sheet's set-up
// "Зачетно-экзаменационная ведомость. Настройка." with its header edit,
// report and export.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "grade_sheets.h"
#include "installation.h"
#include "report.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace ui {
class BrowseWindow;
}

namespace administrator {

// Procedure names: help pages and remembered places.
inline constexpr const char* kVedomBrowse = "BrowseVedom";
inline constexpr const char* kVedomForm = "UpdateVedom";
inline constexpr const char* kClassJournal = "JurnalGroup";
inline constexpr const char* kExamSheetSetup = "TuneVedom";
inline constexpr const char* kExamSheetHeader = "UpdateZagVed";

// Writes `text` to the file `pick` names (nothing when it names none); a
// file that cannot be written in full is told under `caption`. True when
// written.
bool writeExport(QWidget* parent, const std::function<QString(QWidget*)>& pick, const std::string& text,
                 const QString& caption);

// "Просмотр файла Vedom": the standard browse with "Очистить" and the
// counters of the last clean-up (named "deleted" and "read"). A non-modal
// window that deletes itself when closed; nullptr when the table could not
// be opened.
ui::BrowseWindow* openVedomBrowse(const setup::Installation& inst, QWidget* parent);

// "Журнал успеваемости группы": a group, its students and the highlighted
// student's lines of the grade sheets.
class ClassJournalWindow : public QDialog {
  Q_OBJECT
 public:
  ClassJournalWindow(const setup::Installation& inst, QWidget* parent = nullptr);

  QComboBox* group() const { return group_; }
  QListWidget* students() const { return students_; }
  QTableWidget* lines() const { return lines_; }
  bool chooseGroup(std::int32_t code);
  // "Экспорт": every student's lines of the group; where it goes is asked
  // (tests give their own).
  void exportCsv();
  std::function<QString(QWidget*)> pickExportFile;

 private:
  void showGroup();
  void showStudent();

  setup::Installation inst_;
  QComboBox* group_;
  QListWidget* students_;
  QTableWidget* lines_;
  std::vector<StudentRow> shown_;
};

// "Редактирование ведомости": the sheet's heading before it is printed.
class ExamSheetHeaderForm : public QDialog {
  Q_OBJECT
 public:
  ExamSheetHeaderForm(ExamSheetHeader& h, QWidget* parent = nullptr);
  QLineEdit* field(const QString& label) const;
  void accept() override;

 private:
  ExamSheetHeader& h_;
  std::vector<std::pair<QString, QLineEdit*>> fields_;
};

// "Зачетно-экзаменационная ведомость. Настройка." over the journal
// `journal` of `base`.
class ExamSheetSetup : public QDialog {
  Q_OBJECT
 public:
  ExamSheetSetup(const setup::Installation& inst, std::string base, std::string journal, QWidget* parent = nullptr);

  QComboBox* group() const { return group_; }
  QComboBox* test() const { return test_; }
  QComboBox* date() const { return date_; }
  QCheckBox* allTests() const { return allTests_; }
  QLineEdit* teacher() const { return teacher_; }
  QLineEdit* semester() const { return semester_; }
  QLineEdit* examDate() const { return examDate_; }
  QPlainTextEdit* heading() const { return heading_; }

  // "Формирование": the sheet, the header edit, the report in the
  // previewer. False when nothing was printed.
  bool makeSheet();
  // "Экспорт": the sheet as a CSV file, through the header edit as the
  // report goes, with the heading above it.
  void exportCsv();
  // "Изменить дату": the calendar.
  void changeDate();
  // The teacher typed: a name not in the list of teachers opens the list.
  void checkTeacher();
  void chooseTeacher();

  const ExamSheet& sheet() const { return sheet_; }
  const ui::Report* report() const { return report_.get(); }
  std::function<QString(QWidget*)> pickExportFile;

 private:
  void fillGroups();
  void fillTests();
  void fillDates();
  bool build();
  // The sheet built and its header edited; false when there is none or the
  // edit was cancelled.
  bool prepare();

  setup::Installation inst_;
  std::string base_, journal_;
  QComboBox *group_, *test_, *date_;
  QCheckBox* allTests_;
  QLineEdit *teacher_, *semester_, *examDate_;
  QPlainTextEdit* heading_;
  bool checking_ = false;
  ExamSheetLists lists_;
  ExamSheet sheet_;
  // The header as last prefilled and as the user then left it.
  std::optional<std::pair<ExamSheetHeader, ExamSheetHeader>> edited_;
  std::unique_ptr<ui::Report> report_;
};

// The set-up, opened by the results journal's "Ведомость" for its journal;
// a non-modal window that deletes itself when closed.
QWidget* openExamSheetSetup(const setup::Installation& inst, const std::string& base, const std::string& journal,
                            QWidget* parent);

// The printed exam sheet: `heading` above it.
std::unique_ptr<ui::Report> examSheetReport(const ExamSheet& sheet, const QString& heading);

}  // namespace administrator
