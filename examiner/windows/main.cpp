#include <QApplication>
#include <QDir>

#include "attempt_runner.h"
#include "examiner_app.h"
#include "main_frame.h"
#include "services.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::installTranslations(app);
  examiner::ExaminerApp exam(QDir::currentPath(), examiner::runAttempt);
  if (!exam.start()) return 1;
  QObject::connect(&exam, &examiner::ExaminerApp::finished, &app, &QApplication::quit);
  QObject::connect(&app, &QApplication::aboutToQuit, &exam, &examiner::ExaminerApp::close);
  exam.frame()->show();
  return app.exec();
}
