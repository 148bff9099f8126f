#pragma once
// The Examiner program: single instance, start-up, the main frame with the
// start window, the settings window and its restart, and closing.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "single_instance.h"
#include "start_window.h"
#include "startup.h"

namespace ui {
class MainFrame;
}

namespace examiner {

class ExaminerApp : public QObject {
  Q_OBJECT
 public:
  ExaminerApp(QString workingDir, AttemptRunner runner, std::string lockFile = SingleInstance::defaultPath());
  ~ExaminerApp() override;

  // Everything up to the start window; false when the program is to end
  // (a second instance, a table that could not be opened).
  bool start();
  void openSettings();
  // Trial testing (9) and error viewing (7): the testing window at once,
  // the test from SelTest; the program ends afterwards.
  void runFixedMode();
  // Closing: ModeWork back to "0".
  void close();

  ui::MainFrame* frame() const { return frame_.get(); }
  StartWindow* startWindow() const { return start_; }
  Startup& startup() { return s_; }
  bool restartRequested() const { return restart_; }

  // Starts a program (the restarted Examiner); tests give their own.
  std::function<bool(const QString& commandLine, const QString& workingDir)> startProgram;

 signals:
  void finished();

 private:
  QString dir_;
  AttemptRunner runner_;
  SingleInstance instance_;
  Startup s_;
  std::unique_ptr<ui::MainFrame> frame_;
  StartWindow* start_ = nullptr;
  bool restart_ = false;
  bool closed_ = false;
};

}  // namespace examiner
