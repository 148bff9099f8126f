// Each program's main frame carries the caption the users know it by, and
// its status bar zones count from 1.
#include <gtest/gtest.h>

#include <QApplication>

#include "main_frame.h"
#include "administrator_program.h"
#include "constructor_program.h"
#include "examiner_program.h"

namespace {

int argc = 1;
char arg0[] = "program_tests";
char* argv[] = {arg0, nullptr};

QApplication& app() {
  static QApplication a(argc, argv);
  return a;
}

TEST(MainFrame, CaptionsAndStatusZones) {
  app();
  struct Case {
    const char* caption;
    const char* expected;
  } cases[] = {
      {examiner::caption(), "Ормида 3.0 [Экзаменатор]"},
      {constructor::caption(), "Ормида 3.0 [Конструктор тестов]"},
      {administrator::caption(), "Ормида 3.0  >> Администратор"},
  };
  for (const auto& c : cases) {
    ui::MainFrame f(QString::fromUtf8(c.caption), {0, 100}, false);
    EXPECT_EQ(f.windowTitle().toStdString(), c.expected);
    f.setStatusText(2, QStringLiteral("Сеть"));
    EXPECT_EQ(f.statusText(2), QStringLiteral("Сеть"));
    EXPECT_EQ(f.statusText(3), QString());  // no such zone
  }
  ui::MainFrame admin(QString::fromUtf8(administrator::caption()), {0}, true);
  EXPECT_NE(admin.mdiArea(), nullptr);
}

}  // namespace
