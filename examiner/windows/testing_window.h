#pragma once
// The testing window over an attempt: the frame with its picture or object,
// the answer controls of every kind, "Далее", the free-order grid, the
// timer, the feedback, the help window and the calculator.
#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

#include "attempt.h"
#include "calculator.h"
#include "monitoring.h"
#include "startup.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QTimer;
class QVBoxLayout;
class QGridLayout;
class QWidget;
class QFrame;

namespace examiner {

class HelpWindow;
class CalculatorWindow;

class TestingWindow : public QDialog, public Dialogue {
  Q_OBJECT
 public:
  TestingWindow(Attempt& a, const AttemptConfig& cfg, const Startup& s, const QString& examinee, Monitor* monitor = nullptr,
                QWidget* parent = nullptr);
  ~TestingWindow() override;

  // Dialogue: the questions of "Далее" and the feedback.
  bool skipUnanswered() override;
  bool retryWrong() override;
  void feedback(int outcome) override;

  // What the examinee does.
  void pressNext();
  void goToPosition(int position);
  void pressFinish();
  void answerText(const QString& text);
  void clickVariant(int k);  // display position (kinds 1-3) or left item (kind 4)
  void abortAttempt();       // Ctrl+Alt with a left click: closes without storing
  void tick();               // one second of the timer
  void setTheme(const QString& name);

  bool aborted() const { return aborted_; }
  bool finished() const { return attempt_.finished(); }
  QPushButton* variantButton(int k) const;
  QPushButton* gridButton(int position) const;  // free order, current group
  QString keyShown() const;
  QString timerText() const;
  QWidget* feedbackWindow() const { return feedback_; }
  QString frameText() const;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;
  void reject() override;

 private:
  void showFrame();
  void showAnswers();
  void showGrid();
  void showObject();
  void afterAnswer();
  void afterStep(int positionBefore, Attempt::Step step);
  void applyTimeUps();
  void ended();
  void openHelp(bool automatic);
  void toggleCalculator();
  QString variantText(int storedVariant) const;

  Attempt& attempt_;
  const AttemptConfig& cfg_;
  const Startup& s_;
  Monitor* monitor_;
  bool aborted_ = false;
  bool timeUpShown_ = false;
  // Question boxes and small dialogs run nested event loops in which the
  // timer keeps firing: a time-up inside one waits until it closes.
  class Nested;
  friend class Nested;
  int nested_ = 0;
  bool testTimeUpPending_ = false;
  int group_ = 0;
  int answeredBefore_ = 0;
  QString theme_ = QStringLiteral("Стандартный");

  QLabel *position_, *timer_, *picture_, *objectLabel_, *key_;
  QTextBrowser* text_;
  QWidget* answers_;
  QWidget* answersInner_ = nullptr;
  QVBoxLayout* answersLayout_ = nullptr;
  std::vector<QPushButton*> variantButtons_;
  QLineEdit* typed_ = nullptr;
  QWidget* side_;
  QGridLayout* grid_;
  std::vector<QPushButton*> gridButtons_;
  std::vector<QPushButton*> navButtons_;
  QPushButton *next_, *finish_, *help_, *calc_, *object_, *pictureBtn_;
  QComboBox* themes_;
  QTimer* timerTick_;
  QWidget* feedback_ = nullptr;
  HelpWindow* helpWindow_ = nullptr;
  CalculatorWindow* calcWindow_ = nullptr;
  QFrame* framePanel_;
};

// "Учебно-справочный материал".
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  HelpWindow(const AttemptConfig& cfg, QWidget* parent = nullptr);
  void showFor(std::uint16_t frameCode);
  void page(int p);  // TEM:HOWHELP 2: pages of the whole test's help
  QString text() const;

 private:
  const AttemptConfig& cfg_;
  QTextBrowser* view_;
  QLabel* frame_;
  int page_ = 0;
  std::uint16_t code_ = 0;
};

// The calculator CALCWINDOW.
class CalculatorWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CalculatorWindow(QWidget* parent = nullptr);
  void press(const QString& key);
  QString display() const;

 private:
  Calculator calc_;
  QLineEdit* display_;
};

}  // namespace examiner
