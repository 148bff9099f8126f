#pragma once
// The results journal's forms: "Неверные ответы" (the wrongly answered
// frames of a result, with "Подробно..." for the Examiner's error
// viewing), the result form "Редактирование файла RezTest" and the detail
// form "Редактирование файла RezDtl".
#include <QDialog>
#include <functional>

#include "tables_results.h"
#include "update_form.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace administrator {

class WrongAnswersWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "FalseOt";
  // `details` runs "Подробно..." (the window closes when it started).
  WrongAnswersWindow(const tables::RezTest& r, std::function<bool()> details, QWidget* parent = nullptr);
  QString listText() const;
  QPushButton* detailsButton() const { return details_; }

 private:
  QPlainTextEdit* text_;
  QPushButton* details_;
};

// The result form. Results come only from the Examiner, so nothing is
// added here; deleting goes through `removeWhole`, which takes the detail
// along and renumbers the journal in one step.
class ResultForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "UpdateRezTest";
  ResultForm(store::Table& t, tables::RezTest& rec, std::function<bool(store::Position)> removeWhole, QWidget* parent = nullptr);

 protected:
  bool mayRun(ui::Request r) override;

 private:
  std::function<bool(store::Position)> removeWhole_;
};

class DetailForm : public ui::UpdateForm {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "UpdateRezDtl";
  DetailForm(store::Table& t, tables::RezDtl& rec, QWidget* parent = nullptr);

 protected:
  bool mayRun(ui::Request r) override { return r == ui::Change; }
};

}  // namespace administrator
