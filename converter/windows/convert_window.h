#pragma once
// "Конвертация тестов": a question bank of another testing system read
// and previewed question by question (the frame each becomes, or why it is
// skipped) before "Импорт" makes the new test in a base of the library; and
// a test of a base written out as GIFT or Moodle XML.
#include <QWidget>

#include "bank.h"
#include "frame_plan.h"
#include "site.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace converter {

class ConvertWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "ConvertTest";
  explicit ConvertWindow(const Site& site, QWidget* parent = nullptr);

  QLineEdit* source() const { return source_; }
  QComboBox* bases() const { return bases_; }
  QLineEdit* testName() const { return name_; }
  QTableWidget* preview() const { return table_; }
  QLabel* summary() const { return summary_; }
  QPushButton* importButton() const { return import_; }
  QComboBox* tests() const { return tests_; }
  QComboBox* format() const { return format_; }
  const Plan& plan() const { return plan_; }

  // Reads the source file and shows every question with what it becomes.
  void showPreview();
  // Makes the new test from the preview; true when it was made.
  bool importPreview();
  // Writes the chosen test in the chosen format to `outPath`; true when written.
  bool exportTo(const QString& outPath);

 private:
  void browse();
  void baseChanged();
  void exportChosen();
  const TestBase* base() const;
  Site site_;
  std::vector<TestBase> list_;
  Bank bank_;
  Plan plan_;
  Format read_ = Format::Unknown;
  bool previewed_ = false;
  QString offeredName_;  // the test name last filled in from a file's name
  QLineEdit* source_;
  QComboBox* bases_;
  QLineEdit* name_;
  QTableWidget* table_;
  QLabel* summary_;
  QPushButton* import_;
  QComboBox* tests_;
  QComboBox* format_;
};

}  // namespace converter
