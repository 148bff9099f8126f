#include <QApplication>

#include "main_frame.h"
#include "administrator_program.h"
#include "services.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::installTranslations(app);
  ui::MainFrame frame(QString::fromUtf8(administrator::caption()), {0, 120, 120}, true);
  frame.show();
  return app.exec();
}
