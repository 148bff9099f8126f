#pragma once
// The testing window over an attempt: the frame with its picture or object,
// the answer controls of every kind, "Далее", the free-order grid, the
// timer, the feedback, the help window and the calculator.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "attempt.h"
#include "attempt_keeper.h"
#include "calculator_window.h"
#include "document_view.h"
#include "help_window.h"
#include "monitoring.h"
#include "startup.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTextBrowser;
class QTimer;
class QGridLayout;
class QWidget;
class QFrame;

namespace common {
class AnswerPanel;
}

namespace examiner {

class TestingWindow : public QDialog, public Dialogue {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "TestingWindow";
  // `keeper` saves the attempt after every step and while it runs.
  TestingWindow(Attempt& a, const AttemptConfig& cfg, const Startup& s, const QString& examinee, Monitor* monitor = nullptr,
                QWidget* parent = nullptr, AttemptKeeper* keeper = nullptr);
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
  // Closed by the administrator or taken over by another workstation while
  // it ran: the window closed and nothing is to be stored here.
  bool superseded() const { return superseded_; }
  // "Нет связи с базой данных..." while answers are kept on this workstation.
  QLabel* offlineLabel() const { return offline_; }
  bool finished() const { return attempt_.finished(); }
  QPushButton* variantButton(int k) const;
  QPushButton* gridButton(int position) const;  // free order, current group
  QString keyShown() const;
  QString timerText() const;
  QWidget* feedbackWindow() const { return feedback_; }
  QString frameText() const;
  HelpWindow* helpWindow() const { return helpWindow_; }
  common::CalculatorWindow* calculatorWindow() const { return calcWindow_; }
  QLabel* objectLabel() const { return objectLabel_; }
  QLabel* pictureLabel() const { return picture_; }
  QPushButton* button(const QString& text) const;
  // "Объект": the frame's document, shown here or in the desktop's application.
  void openObject();
  common::DocumentOpener& documents() { return docs_; }
  void openHelp(bool automatic = false);
  void toggleCalculator();

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
  // Runs a step of the attempt, then reports it and shows where it led.
  void step(const std::function<Attempt::Step()>& what);
  void report(std::uint16_t code, int checksBefore, int answeredBefore);
  void applyTimeUps();
  void ended();
  // Saves the attempt; what the save found ends the window when the attempt
  // is no longer this run's.
  void keep(bool answered);
  void closeCompanions();
  std::vector<std::uint8_t> objectBytes(QString& name, QString* missing = nullptr) const;

  Attempt& attempt_;
  const AttemptConfig& cfg_;
  const Startup& s_;
  Monitor* monitor_;
  AttemptKeeper* keeper_;
  bool aborted_ = false;
  bool superseded_ = false;
  bool keepFailedShown_ = false;
  bool timeUpShown_ = false;
  // Question boxes and small dialogs run nested event loops in which the
  // timer keeps firing: a time-up inside one waits until it closes.
  class Nested;
  friend class Nested;
  int nested_ = 0;
  bool testTimeUpPending_ = false;
  int group_ = 0;
  int answeredBefore_ = 0;
  std::set<std::uint16_t> maxReported_;  // frames whose maximum the monitor has
  QString theme_ = QStringLiteral("Стандартный");

  QLabel *position_, *timer_, *picture_, *objectLabel_, *key_, *offline_;
  QTextBrowser* text_;
  common::AnswerPanel* answers_;
  QWidget* side_;
  QGridLayout* grid_;
  std::vector<QPushButton*> gridButtons_;
  std::vector<QPushButton*> navButtons_;
  QPushButton *next_, *finish_, *help_, *calc_, *object_, *pictureBtn_;
  QComboBox* themes_;
  QTimer* timerTick_;
  QWidget* feedback_ = nullptr;
  HelpWindow* helpWindow_ = nullptr;
  common::CalculatorWindow* calcWindow_ = nullptr;
  QFrame* framePanel_;
  QWidget* pictureBelow_;
  common::DocumentOpener docs_;
};

}  // namespace examiner
