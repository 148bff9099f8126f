#include "examiner_app.h"

#include <QCloseEvent>
#include <QTimer>

#include "attempt_runner.h"
#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "examiner_program.h"
#include "main_frame.h"
#include "message_service.h"
#include "result_store.h"
#include "services.h"
#include "settings_window.h"

namespace examiner {

ExaminerApp::ExaminerApp(QString workingDir, AttemptRunner runner, std::string lockFile)
    : startProgram([](const QString& c, const QString& d) { return ui::runProgram(c, d); }),
      dir_(std::move(workingDir)),
      runner_(std::move(runner)),
      instance_(std::move(lockFile)) {}

ExaminerApp::~ExaminerApp() { close(); }

bool ExaminerApp::start() {
  auto& ms = ui::MessageService::instance();
  settings::IniFile ini(settings::sharedFile(dir_.toStdString()));
  SingleInstance::Start st = instance_.start(ini);
  if (st == SingleInstance::Start::Refused) {
    ms.ask(QStringLiteral("Программа Экзаменатор уже запущена"), QStringLiteral("Ормида [Varnuke.exe]"), messages::Buttons::Ok,
           messages::Icon::Exclamation);
    return false;
  }
  if (st == SingleInstance::Start::Allowed) {
    // The restarted copy takes the lock once the old one has closed.
    auto* t = new QTimer(this);
    connect(t, &QTimer::timeout, this, [this, t] {
      if (instance_.tryTakeLock()) t->deleteLater();
    });
    t->start(500);
  }
  if (!startUp(s_, dir_.toStdString(), ms)) {
    // Ending on a table error still leaves the next start a normal one.
    closeDown(s_.inst);
    return false;
  }
  // An attempt kept here while the share was away goes there now, and
  // attempts that could not be stored before are stored now.
  AttemptKeeper::pushLocal(s_.inst.central(tables::files::Attempt), s_.inst.workingDir);
  ResultStore(s_.inst.workingDir).storePending();

  frame_ = std::make_unique<ui::MainFrame>(QString::fromUtf8(caption()), std::vector<int>{0, 160, 120}, false);
  frame_->setStatusText(2, QString::fromStdString(s_.namePc));
  frame_->setStatusText(3, s_.inst.modeNet == 1 ? QStringLiteral("Сеть") : QStringLiteral("Локально"));
  start_ = new StartWindow(s_, runner_, frame_.get());
  frame_->setCentralWidget(start_);
  connect(start_, &StartWindow::exitRequested, this, [this] {
    close();
    emit finished();
  });
  connect(start_, &StartWindow::settingsRequested, this, &ExaminerApp::openSettings);
  if (s_.inst.modeWork == 10) start_->showPage(StartWindow::Register);
  if (s_.inst.modeWork == 7 || s_.inst.modeWork == 9) QTimer::singleShot(0, this, &ExaminerApp::runFixedMode);
  return true;
}

void ExaminerApp::openSettings() {
  SettingsWindow w(s_, frame_.get());
  if (w.exec() != QDialog::Accepted || !w.restartWanted()) return;
  // The new copy passes the single-instance check once.
  s_.inst.ini.set("GlbTune", "RunTune", "1");
  if (!startProgram || !startProgram(QStringLiteral("Varnuke.exe"), dir_)) {
    // No new copy: this one goes on, and no later start may slip past the check.
    s_.inst.ini.set("GlbTune", "RunTune", "0");
    ui::MessageService::instance().ask(
        QStringLiteral("Программа не перезапущена и продолжает работу.|Новые настройки вступят в силу при следующем запуске."),
        QStringLiteral("Перезагрузка"), messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  restart_ = true;
  close();
  emit finished();
}

void ExaminerApp::runFixedMode() {
  TestLocation where = locateTest(s_.inst.ini.get("GlbTune", "SelTest"), s_.inst.libraryDir);
  testfile::TestFile tf;
  tf.name(where.dir, where.base, s_.inst.keyWord);
  if (tf.open() != store::Ok) {
    messages::Procedure p(ui::MessageService::instance());
    store::ErrorInfo e = tf.error();
    messages::Args a = messages::argsOf(e);
    a.name = tf.path();
    p.show(35, a, &e);
  } else if (s_.inst.modeWork == 7) {
    // CodeRez is a code of the journal the Administrator showed; this copy
    // ends after the viewing and stores nothing, so the journal is taken for it alone.
    s_.inst.fileRez = errorViewingJournal(s_.inst);
    reviewStored(s_, tf, static_cast<std::int32_t>(s_.inst.ini.getInt("GlbTune", "CodeRez", 0)), {});
  } else {
    Registration trial;
    trial.fam = cp1251::fromUtf8("Пробное тестирование");
    AttemptRequest req{s_, tf, trial, 1};
    if (runner_) runner_(req);
  }
  close();
  emit finished();
}

void ExaminerApp::close() {
  if (closed_ || !start_) return;
  closed_ = true;
  closeDown(s_.inst);
}

}  // namespace examiner
