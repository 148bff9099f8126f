#include <QApplication>

#include "main_frame.h"
#include "examiner_program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::MainFrame frame(QString::fromUtf8(examiner::caption()), {0, 120, 120}, false);
  frame.show();
  return app.exec();
}
