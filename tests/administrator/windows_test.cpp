// The Administrator's program on a demo installation: the sign-in, the
// main frame's "Действия" items and numbered events, the exclusive window
// slot, the console and the sibling programs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <memory>

#include "administrator_app.h"
#include "console_window.h"
#include "contingent_window.h"
#include "demo_data.h"
#include "main_frame.h"
#include "message_service.h"
#include "services.h"
#include "sign_in_window.h"
#include "test_tables.h"
#include "when_shown.h"
#include "user_events.h"

using namespace administrator;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }

struct Demo {
  TempDir tmp;
  demo::Installation inst;
  QString dir;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    dir = QString::fromStdString(inst.directory);
    ms().script({});
    ms().clearShown();
  }
};

// Answers the sign-in once it is shown (inside its exec()).
void whenSignIn(std::function<void(common::SignInWindow*)> f) { whenShown<common::SignInWindow>(std::move(f)); }

// Records the numbered events a window receives.
class Listener : public QWidget {
 public:
  std::vector<int> got;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == ui::UserEvent::type()) {
      got.push_back(static_cast<ui::UserEvent*>(e)->number());
      return true;
    }
    return QWidget::event(e);
  }
};

TEST(AdministratorWindows, CancelInTheSignInEndsTheProgram) {
  Demo d;
  AdministratorApp app(d.dir);
  whenSignIn([](common::SignInWindow* w) {
    EXPECT_EQ(w->windowTitle(), "Ормида 3.0 [Администратор]");
    EXPECT_EQ(w->status()->currentText(), "Администратор");
    w->reject();
  });
  EXPECT_FALSE(app.start());
  EXPECT_EQ(app.frame(), nullptr);
}

TEST(AdministratorWindows, EachStatusSignsInWithItsOwnPassword) {
  Demo d;
  AdministratorApp app(d.dir);
  int refusals = 0;
  whenSignIn([&](common::SignInWindow* w) {
    w->status()->setCurrentText("Пользователь");
    w->password()->setText(QString::fromStdString(d.inst.adminPassword));
    w->accept();
    EXPECT_TRUE(w->isVisible()) << "the user's status with the administrator's password";
    EXPECT_EQ(w->focusWidget(), w->status()) << "the user starts again from the first field";
    refusals = static_cast<int>(ms().shown().size());
    w->password()->setText(QString::fromStdString(d.inst.userPassword));
    w->accept();
  });
  ASSERT_TRUE(app.start());
  EXPECT_EQ(refusals, 1);
  EXPECT_EQ(ms().shown().front().text, "Пароль введен неправильно.");
  EXPECT_EQ(ms().shown().front().caption, "Сообщение об ошибке");
  EXPECT_EQ(app.signedInAs(), common::SignIn::User);
  EXPECT_EQ(app.frame()->windowTitle(), "Ормида 3.0  >> Администратор");
}

TEST(AdministratorWindows, ActionsFollowTheJournalAndTheSlotKeepsOneWindow) {
  Demo d;
  AdministratorApp app(d.dir);
  std::vector<std::pair<QString, QString>> started;
  app.startProgram = [&](const QString& c, const QString& dir) {
    started.emplace_back(c, dir);
    return true;
  };
  whenSignIn([&](common::SignInWindow* w) {
    w->password()->setText(QString::fromStdString(d.inst.adminPassword));
    w->accept();
  });
  ASSERT_TRUE(app.start());
  QAction* tagAll = app.menuItem("Выделить все");
  ASSERT_NE(tagAll, nullptr);
  EXPECT_FALSE(tagAll->isEnabled());
  ui::post(app.frame(), JournalOpened);
  QApplication::processEvents();
  for (const char* t : {"Выделить все", "Копировать в...", "Переместить в...", "Удалить выбранный(е) записи"})
    EXPECT_TRUE(app.menuItem(QString::fromUtf8(t))->isEnabled()) << t;
  Listener journal;
  app.setJournal(&journal);
  app.menuItem("Удалить выбранный(е) записи")->trigger();
  app.menuItem("Выделить все")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(journal.got, (std::vector<int>{DeleteTagged, TagAll}));
  ui::post(app.frame(), JournalClosed);
  QApplication::processEvents();
  EXPECT_FALSE(tagAll->isEnabled());

  // One exclusive window at a time: the one in the slot is asked to close.
  Listener first, second;
  app.takeSlot(&first);
  app.takeSlot(&second);
  QApplication::processEvents();
  EXPECT_EQ(first.got, (std::vector<int>{CloseWindow}));
  EXPECT_TRUE(second.got.empty());
  EXPECT_EQ(app.slot(), &second);

  // The sibling programs by their system names, in the working directory.
  app.menuItem("Конструктор  тестов")->trigger();
  app.menuItem("Экзаменатор")->trigger();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_EQ(started[0].first, "Ormida.exe");
  EXPECT_EQ(started[1].first, "Varnuke.exe");
  EXPECT_EQ(started[0].second, d.dir);

  // The console: nine buttons in their order, each as its menu item.
  ConsoleWindow* console = app.console();
  ASSERT_NE(console, nullptr);
  const std::pair<const char*, bool> buttons[] = {{"Архив результатов", true}, {"Мониторинг", true}, {"Библиотека тестов", true},
                                                  {"Журнал группы", true},     {"Контингент", true}, {"Анализ тестов", true},
                                                  {"АвтоСтарт", true},         {"Рейтинг ", true},   {"Параметры", true}};
  for (const auto& [name, here] : buttons) {
    QToolButton* b = console->button(QString::fromUtf8(name));
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->isEnabled(), here) << name << ": as its menu item";
  }
  // A button opens what its menu item opens.
  console->button("Контингент")->click();
  EXPECT_NE(qobject_cast<ContingentWindow*>(app.slot()), nullptr);
  EXPECT_EQ(console->button("Анализ тестов")->toolTip(), "Открыть программу Статистика");
  ui::post(console, CloseConsole);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(app.console(), nullptr) << "event 1089 closes the console";
}

TEST(AdministratorWindows, TheConverterIsStartedByItsPathWhenItLiesBesideTheProgramElseNamedAbsent) {
  Demo d;
  AdministratorApp app(d.dir);
  std::vector<std::pair<QString, QString>> started;
  app.startProgram = [&](const QString& c, const QString& dir) {
    started.emplace_back(c, dir);
    return true;
  };
  whenSignIn([&](common::SignInWindow* w) {
    w->password()->setText(QString::fromStdString(d.inst.adminPassword));
    w->accept();
  });
  ASSERT_TRUE(app.start());
  QAction* convert = app.menuItem("Конвертация старых тестов");
  ASSERT_NE(convert, nullptr);

  // Not installed, or a file of that name that cannot run: the user is told.
  const std::string empty = d.tmp / "bin";
  const std::string unusable = d.tmp / "bin2";
  std::filesystem::create_directories(empty);
  std::filesystem::create_directories(unusable);
  std::ofstream(unusable + "/ormida-convert") << "not a program\n";
  for (const std::string& dir : {empty, unusable}) {
    SCOPED_TRACE(dir);
    ms().clearShown();
    app.programDir = QString::fromStdString(dir);
    convert->trigger();
    ASSERT_EQ(ms().shown().size(), 1u);
    EXPECT_EQ(ms().shown()[0].text, "Программа конвертации старых тестов не установлена.");
    EXPECT_TRUE(started.empty());
  }

  // Beside the program (here: the tests), it is started by its absolute path.
  const QString fake = QCoreApplication::applicationDirPath() + QStringLiteral("/ormida-convert");
  ASSERT_FALSE(QFileInfo::exists(fake)) << "a converter left beside the tests";
  struct Remove {
    QString path;
    ~Remove() { QFile::remove(path); }
  } removed{fake};
  {
    QFile f(fake);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nexit 0\n");
    f.close();
    ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  }
  ms().clearShown();
  app.programDir.clear();
  convert->trigger();
  EXPECT_TRUE(ms().shown().empty()) << ms().shown().front().text;
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].first, QFileInfo(fake).absoluteFilePath());
  EXPECT_TRUE(QFileInfo(started[0].first).isAbsolute());
  EXPECT_EQ(started[0].second, d.dir);
}

TEST(AdministratorWindows, EscClosesTheConsoleAndTheMenuOpensItAgain) {
  Demo d;
  AdministratorApp app(d.dir);
  whenSignIn([&](common::SignInWindow* w) {
    w->password()->setText(QString::fromStdString(d.inst.adminPassword));
    w->accept();
  });
  ASSERT_TRUE(app.start());
  ConsoleWindow* console = app.console();
  ASSERT_NE(console, nullptr);
  ASSERT_TRUE(console->isVisible());
  // Wherever the focus is in it: here on one of its buttons.
  QTest::keyClick(console->button("Контингент"), Qt::Key_Escape);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(app.console(), nullptr);
  app.menuItem("Пульт")->trigger();
  ASSERT_NE(app.console(), nullptr);
  EXPECT_TRUE(app.console()->isVisible());
}

}  // namespace
