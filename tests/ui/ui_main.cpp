// GUI tests run under the offscreen platform, with scripted message answers.
#include <gtest/gtest.h>

#include <QApplication>

#include "message_service.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  ui::MessageService::instance().script({});
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
