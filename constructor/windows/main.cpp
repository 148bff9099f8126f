#include <QApplication>
#include <QDir>

#include "constructor_app.h"
#include "main_frame.h"
#include "services.h"
#include "settings_file.h"
#include "standard_editor.h"
#include "window_memory.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ui::installTranslations(app);
  ui::setPositionFile(QString::fromStdString(settings::positionFile("ormida.INI")));
  constructor::ConstructorApp ormida(QDir::currentPath());
  ormida.editors = constructor::standardEditors(ormida.startup());
  if (!ormida.start()) return 1;
  ormida.frame()->show();
  return app.exec();
}
