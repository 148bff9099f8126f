// Pictures of the Examiner's windows on a demo installation, for a look at
// them without a display: examiner-gallery <demo dir> <output dir>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QTimer>

#include "archive_window.h"
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
  w->groups()->setCurrentRow(1);
  w->chooseStudent(2);
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
  return 0;
}
