#pragma once
// "Предварительный просмотр кадра": the frame as the examinee will meet it,
// with the Examiner's own answer panel and the test's fonts; the author
// answers and sees whether the answer would be taken as right. For a
// completion task the input fields over the question text are placed here
// (double click, at most five) or the answer is typed from the keyboard.
#include <QDialog>
#include <array>

#include "answer_checking.h"
#include "tables_central.h"
#include "tables_test_file.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace common {
class AnswerPanel;
}

namespace constructor {

class FramePreviewWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "ShowKadrReal";
  static constexpr int kMostFields = 5;
  // The field's size in the question text and how far its top sits above
  // the clicked point.
  static constexpr int kFieldWidth = 40, kFieldHeight = 10, kFieldRise = 4;

  // `v` gets the question text and the input fields back when the window closes.
  FramePreviewWindow(tables::Vop& v, const tables::Tema& tema, const tables::TuneTest& tune, QWidget* parent = nullptr);

  common::AnswerPanel* panel() const { return panel_; }
  QPlainTextEdit* questionBox() const { return question_; }
  QLabel* verdict() const { return verdict_; }
  QPushButton* button(const QString& text) const;
  QRadioButton* inTextBox() const { return inText_; }
  QSpinBox* fieldChoice() const { return choose_; }
  QLineEdit* field(int k) const { return fields_[static_cast<std::size_t>(k - 1)]; }
  int fieldCount() const;

  // The answer now given, checked as the Examiner checks it.
  common::Check checkAnswer();
  // A double click on the question text at `p` (viewport coordinates).
  void placeField(const QPoint& p);
  bool addField();
  bool removeField();

 public slots:
  void done(int r) override;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void showFields();
  void typedInFields();
  void showVerdict();

  tables::Vop& v_;
  tables::Vop checked_;  // as it will be stored: what the answer is checked against
  tables::Tema tema_;
  bool weighted_ = false;
  common::AnswerPanel* panel_ = nullptr;
  QPlainTextEdit* question_ = nullptr;
  QLabel* verdict_ = nullptr;
  QLabel* problems_ = nullptr;
  QLabel* count_ = nullptr;
  QRadioButton *inText_ = nullptr, *keyboard_ = nullptr;
  QSpinBox* choose_ = nullptr;
  std::array<QLineEdit*, kMostFields> fields_{};
};

}  // namespace constructor
