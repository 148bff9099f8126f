// ormida-convert: the converter's window, or with arguments its command
// line (see command_line.h), in the installation directory it runs in.
#include <QApplication>
#include <QDir>

#include <iostream>

#include "command_line.h"
#include "convert_window.h"
#include "message_service.h"
#include "services.h"
#include "settings_file.h"
#include "window_memory.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (auto status = converter::runCommandLine(args, QDir::currentPath().toStdString(), std::cout, std::cerr)) return *status;

  QApplication app(argc, argv);
  ui::installTranslations(app);
  ui::setPositionFile(QString::fromStdString(settings::positionFile("convert.INI")));
  converter::Site site;
  std::string why;
  if (!converter::openSite(QDir::currentPath().toStdString(), site, why)) {
    ui::MessageService::instance().ask(QString::fromStdString(why), QStringLiteral("Конвертация тестов"), messages::Buttons::Ok,
                                       messages::Icon::Stop);
    return 1;
  }
  converter::ConvertWindow w(site);
  w.show();
  return app.exec();
}
