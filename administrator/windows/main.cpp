#include <QApplication>
#include <QDir>

#include "administrator_app.h"
#include "main_frame.h"
#include "services.h"
#include "settings_file.h"
#include "window_memory.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::installTranslations(app);
  ui::setPositionFile(QString::fromStdString(settings::positionFile("stat.INI")));
  administrator::AdministratorApp stat(QDir::currentPath());
  if (!stat.start()) return 0;  // the sign-in was cancelled
  stat.frame()->show();
  return app.exec();
}
