// GUI tests of the converter run under the offscreen platform with scripted
// message answers.
#include <gtest/gtest.h>

#include <QApplication>

#include "message_service.h"
#include "services.h"

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ui::installTranslations(app);
  ui::MessageService::instance().script({});
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
