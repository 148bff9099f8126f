// Pictures of the Examiner's windows on a demo installation, for a look at
// them without a display: examiner-gallery <demo dir> <output dir>
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>

#include "archive_window.h"
#include "browse.h"
#include "attempt_runner.h"
#include "attempt_runner_logic.h"
#include "cp1251.h"
#include "previewer.h"
#include "testing_window.h"
#include "examiner_app.h"
#include "main_frame.h"
#include "message_service.h"
#include "settings_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) return 2;
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  ui::MessageService::instance().script({});
  examiner::ExaminerApp exam(QString::fromLocal8Bit(argv[1]), {}, "/tmp/.ormida-gallery.lock");
  if (!exam.start()) return 1;
  auto* f = exam.frame();
  f->resize(900, 600);
  f->show();
  auto* w = exam.startWindow();
  app.processEvents();
  f->grab().save(out + "/start.png");
  w->passwordField()->setText("user");
  w->start();
  w->groups()->choose(w->groups()->positionAt(1));
  w->chooseStudentAt(2);
  app.processEvents();
  f->grab().save(out + "/register.png");
  w->next();
  w->tests()->selectRow(0);
  w->chooseTest(0);
  app.processEvents();
  f->grab().save(out + "/choice.png");
  examiner::SettingsWindow s(exam.startup());
  s.show();
  app.processEvents();
  s.grab().save(out + "/settings.png");
  examiner::Archive a(exam.startup().inst.base, exam.startup().inst.fileRez);
  examiner::ArchiveWindow aw(a);
  aw.show();
  app.processEvents();
  aw.grab().save(out + "/archive.png");

  // The testing window on each frame kind of the demo tests.
  auto& st = exam.startup();
  examiner::Registration who;
  who.fam = cp1251::fromUtf8("Кузнецов");
  who.name = cp1251::fromUtf8("Сергей");
  who.otche = cp1251::fromUtf8("Петрович");
  who.group = cp1251::fromUtf8("ФМ-101");
  int shot = 0;
  for (const char* name : {"Арифметика", "География", "Информатика"}) {
    testfile::TestFile tf;
    tf.name(st.inst.libraryDir, name, st.inst.keyWord);
    if (tf.open() != store::Ok) continue;
    examiner::AttemptConfig cfg = examiner::configFor(tf, st, who, 1);
    cfg.tema.MODETRAINING = 0;
    cfg.tema.HOWTRN = 0;
    examiner::SystemRandom rnd;
    examiner::FixedClock clock;
    examiner::Attempt a(cfg, rnd, clock);
    a.start();
    examiner::TestingWindow w(a, cfg, st, QStringLiteral("Кузнецов Сергей Петрович"));
    w.resize(980, 640);
    w.move(20, 20);
    w.show();
    if (shot == 0) {
      // The calculator and the help window beside the testing window, the whole screen.
      w.toggleCalculator();
      w.openHelp();
      for (int i = 0; i < 5; ++i) app.processEvents();
      if (QScreen* screen = w.screen()) screen->grabWindow(0).save(out + "/beside.png");
      w.toggleCalculator();
      if (w.helpWindow()) w.helpWindow()->close();
    }
    for (int p = 1; p <= a.length(); ++p) {
      if (a.frame().TYPEKADR == 1 || a.frame().TYPEKADR == 3) w.clickVariant(1);
      if (a.frame().TYPEKADR == 4) w.clickVariant(1);
      if (a.frame().TYPEKADR >= 5) w.answerText(QStringLiteral("ответ"));
      app.processEvents();
      w.grab().save(out + QStringLiteral("/testing-%1-kind%2.png").arg(++shot).arg(a.frame().TYPEKADR));
      if (a.freeOrder()) w.goToPosition(p + 1);
      else {
        ui::MessageService::instance().script({messages::Yes});
        w.pressNext();
      }
    }
    if (!a.finished()) a.finish(w);
    examiner::ResultWindow rw(a.result(), cfg, st, a.wrongList());
    rw.show();
    app.processEvents();
    rw.grab().save(out + QStringLiteral("/result-%1.png").arg(shot));
    examiner::Protocol pr = examiner::protocolOf(a.result(), cfg.tema, cfg.titul, st.tune, {});
    ui::Report rep = examiner::protocolReport(pr);
    ui::Previewer pv(rep);
    pv.resize(800, 900);
    pv.show();
    pv.setZoom(-1);
    app.processEvents();
    pv.grab().save(out + QStringLiteral("/protocol-%1.png").arg(shot));
  }
  return 0;
}
