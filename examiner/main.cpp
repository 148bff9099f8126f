#include <QApplication>
#include <QDir>

#include "examiner_app.h"
#include "main_frame.h"
#include "message_service.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The testing window runs the attempt; until it is part of the program an
  // attempt cannot be taken here.
  examiner::AttemptRunner runner = [](examiner::AttemptRequest&) {
    ui::MessageService::instance().ask(QStringLiteral("Тестирование в этой версии программы недоступно."),
                                       QStringLiteral("Сообщение программы"));
    return 0;
  };
  examiner::ExaminerApp exam(QDir::currentPath(), runner);
  if (!exam.start()) return 1;
  QObject::connect(&exam, &examiner::ExaminerApp::finished, &app, &QApplication::quit);
  QObject::connect(&app, &QApplication::aboutToQuit, &exam, &examiner::ExaminerApp::close);
  exam.frame()->show();
  return app.exec();
}
