#include <QApplication>

#include "main_frame.h"
#include "administrator_program.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::MainFrame frame(QString::fromUtf8(administrator::caption()), {0, 120, 120}, true);
  frame.show();
  return app.exec();
}
