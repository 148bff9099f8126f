// "Настройка параметров системы" and "Установка принтера" driven as a user
// would: the passwords only for an administrator, the window writes what it
// shows and refuses a journal name that would leave "Stat/", the library
// directory saved alone, the exclusive slot, the printer kept for the run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "contingent_window.h"
#include "parameters.h"
#include "parameters_window.h"
#include "previewer.h"
#include "services.h"
#include "signed_in.h"
#include "tables_central.h"
#include "user_events.h"

using namespace administrator;
using admin_testing::ms;
using admin_testing::SignedIn;

namespace {

QStringList tabsOf(QTabWidget* t) {
  QStringList out;
  for (int i = 0; i < t->count(); ++i) out << t->tabText(i);
  return out;
}

ParametersWindow* openParameters(SignedIn& s) {
  s.app->menuItem(QStringLiteral("Параметры"))->trigger();
  return qobject_cast<ParametersWindow*>(s.app->slot());
}

TEST(ParametersWindow, PasswordsShownAndChangedOnlyInAdministratorMode) {
  for (auto as : {common::SignIn::Administrator, common::SignIn::User}) {
    const bool admin = as == common::SignIn::Administrator;
    SCOPED_TRACE(admin ? "administrator" : "user");
    SignedIn s(as);
    ParametersWindow* w = openParameters(s);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Настройка параметров системы");
    const QStringList pages = tabsOf(w->pages());
    EXPECT_EQ(pages.contains("Доступ"), admin) << pages.join(", ").toStdString();
    int hidden = 0;
    for (QLineEdit* e : w->findChildren<QLineEdit*>()) hidden += e->echoMode() == QLineEdit::Password ? 1 : 0;
    EXPECT_EQ(hidden, admin ? 8 : 0) << "no password field in user mode, hidden or not";
    if (admin) {
      w->password(1, 0)->setText("новый");
      w->password(1, 1)->setText("новый");
    }
    w->accept();
    EXPECT_FALSE(w->isVisible());
    // The user's password is the same for a user, a new one for an administrator.
    EXPECT_EQ(s.app->settings().PASSINS.utf8(), admin ? "новый" : s.made.userPassword);
  }
}

TEST(ParametersWindow, WritesWhatItShowsAndRefusesAJournalOutsideStat) {
  SignedIn s;
  // The local database lies elsewhere: choosing the mode shows its directory at once.
  const std::string local = s.tmp / "local/";
  ASSERT_TRUE(settings::IniFile(s.app->installation().ini.path()).set("Path", "LocBD", local));
  ParametersWindow* w = openParameters(s);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->network()->isChecked());
  EXPECT_EQ(w->baseDir()->text().toStdString(), s.made.directory);
  EXPECT_EQ(w->fileRez()->text(), "Общий");
  EXPECT_TRUE(w->resultChoice(ResultChoice::Common)->isChecked());
  EXPECT_EQ(w->text("reportTitle")->text(), "Протокол компьютерного тестирования");
  EXPECT_TRUE(w->monitoring()->isChecked());
  w->local()->setChecked(true);
  EXPECT_EQ(w->baseDir()->text().toStdString(), local);
  w->network()->setChecked(true);
  EXPECT_EQ(w->baseDir()->text().toStdString(), s.made.directory);

  const std::string ini = s.app->installation().ini.get("Path", "FileRez");
  struct Case {
    const char* typed;
    const char* message;
  } refused[] = {{"../Общий", "Недопустимое имя файла"}, {"", "Не указано имя файла результатов"}, {"Stat/Общий", "Недопустимое"}};
  for (const auto& c : refused) {
    SCOPED_TRACE(c.typed);
    ms().clearShown();
    w->fileRez()->setText(QString::fromUtf8(c.typed));
    w->accept();
    ASSERT_EQ(ms().shown().size(), 1u);
    EXPECT_NE(ms().shown()[0].text.find(c.message), std::string::npos) << ms().shown()[0].text;
    EXPECT_TRUE(w->isVisible()) << "the window stays for the name to be mended";
    EXPECT_EQ(w->pages()->currentIndex(), 1) << "on the page of the journal";
    EXPECT_EQ(s.app->installation().ini.get("Path", "FileRez"), ini);
  }

  // A database directory that is not there is made only when the user says so.
  w->fileRez()->setText("Сессия");
  w->local()->setChecked(true);
  ms().clearShown();
  ms().script({messages::No});
  w->accept();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("не найден"), std::string::npos) << ms().shown()[0].text;
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(s.app->installation().ini.get("GlbTune", "ModeNet"), "1");
  w->network()->setChecked(true);

  w->resultChoice(ResultChoice::ByRoom)->setChecked(true);
  w->text("reportTitle")->setText("Итоговый контроль");
  w->monitoring()->setChecked(false);
  // The outage forgiven on going on, on the page "Тестирование".
  QSpinBox* grace = w->resumeGrace();
  ASSERT_NE(grace, nullptr);
  const int testingPage = static_cast<int>(tabsOf(w->pages()).indexOf("Тестирование"));
  ASSERT_GE(testingPage, 0);
  EXPECT_TRUE(w->pages()->widget(testingPage)->isAncestorOf(grace));
  EXPECT_EQ(grace->value(), 15);
  EXPECT_EQ(grace->minimum(), 0);
  EXPECT_EQ(grace->maximum(), 1440);
  bool labelled = false;
  for (QLabel* l : w->pages()->widget(testingPage)->findChildren<QLabel*>())
    labelled |= l->text() == "Перерыв при продолжении тестирования не засчитывается до, мин:" && l->buddy() == grace;
  EXPECT_TRUE(labelled);
  grace->setValue(30);
  w->accept();
  ASSERT_FALSE(w->isVisible()) << (ms().shown().empty() ? "" : ms().shown().back().text);
  Parameters p;
  ASSERT_TRUE(readParameters(s.app->installation(), p));
  EXPECT_EQ(p.fileRez, "Сессия");
  EXPECT_EQ(p.resultChoice, ResultChoice::ByRoom);
  EXPECT_EQ(p.reportTitle, "Итоговый контроль");
  EXPECT_FALSE(p.monitoring);
  EXPECT_EQ(p.resumeGraceMinutes, 30);
  EXPECT_EQ(s.app->installation().fileRez, "Сессия");
  EXPECT_EQ(p.localDir, local) << "the other mode's directory as it was";
}

TEST(ParametersWindow, SwitchedToANewLocalDirectoryTheProgramWorksOnThereWithItsPasswords) {
  SignedIn s;
  const std::string local = s.tmp / "новая база";  // not there yet
  ParametersWindow* w = openParameters(s);
  ASSERT_NE(w, nullptr);
  w->local()->setChecked(true);
  w->baseDir()->setText(QString::fromStdString(local));
  w->text("organisation")->setText("Лицей № 2");
  ms().script({messages::Yes});
  w->accept();
  ASSERT_FALSE(w->isVisible()) << (ms().shown().empty() ? "" : ms().shown().back().text);
  EXPECT_EQ(s.app->installation().base, local + "/");
  EXPECT_EQ(s.app->installation().ini.get("GlbTune", "ModeNet"), "2");
  // The settings the program read again come from the new base, as it starts there.
  EXPECT_EQ(s.app->settings().PASSADM.utf8(), s.made.adminPassword);
  EXPECT_EQ(s.app->settings().PASSINS.utf8(), s.made.userPassword);
  EXPECT_EQ(s.app->settings().ORG.utf8(), "Лицей № 2");
  EXPECT_EQ(s.app->installation().keyWord.find(s.made.keyWord), 0u);
  Parameters p;
  ASSERT_TRUE(readParameters(s.app->installation(), p));
  EXPECT_EQ(p.organisation, "Лицей № 2");
  EXPECT_EQ(p.reportTitle, "Протокол компьютерного тестирования") << "the old base's titles came along";
}

TEST(ParametersWindow, LibraryDirectorySavedAloneAndTheSlotKeepsOneWindow) {
  SignedIn s;
  ParametersWindow* w = openParameters(s);
  ASSERT_NE(w, nullptr);
  const std::string lib = s.tmp / "library";  // no such directory yet
  w->libraryDir()->setText(QString::fromStdString(lib));
  w->fileRez()->setText("Не сохраняется");
  ms().script({messages::No});
  w->saveLibrary()->click();
  EXPECT_EQ(s.app->installation().ini.get("Path", "DirBD"), s.made.library) << "a missing directory is asked about first";
  ms().script({messages::Yes});
  w->saveLibrary()->click();
  EXPECT_EQ(s.app->installation().ini.get("Path", "DirBD"), lib + "/");
  EXPECT_EQ(s.app->installation().libraryDir, lib + "/");
  EXPECT_EQ(s.app->installation().ini.get("Path", "FileRez"), s.made.resultFile) << "nothing else is written";
  EXPECT_EQ(w->libraryDir()->text().toStdString(), lib + "/");
  {
    tables::TuneTest t;
    store::Table table(tables::tuneTestDef(), t, s.app->installation().central(tables::files::TuneTest));
    ASSERT_EQ(table.open(store::Shared), store::Ok);
    ASSERT_EQ(table.set(), store::Ok);
    ASSERT_EQ(table.next(), store::Ok);
    EXPECT_EQ(t.CURBIBL.utf8(), lib + "/") << "the settings record names the library too";
  }

  // The contingent takes the slot: the parameters window is asked to close.
  QPointer<ParametersWindow> was = w;
  s.app->menuItem(QStringLiteral("Контингент"))->trigger();
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(was.isNull() || !was->isVisible());
  EXPECT_NE(qobject_cast<ContingentWindow*>(s.app->slot()), nullptr);
}

TEST(PrinterSetup, TheChosenPrinterIsKeptForTheRunAndNoPrinterIsSaid) {
  SignedIn s;
  QAction* setup = s.app->menuItem(QStringLiteral("&Установка принтера ..."));
  ASSERT_NE(setup, nullptr);

  ui::setPrinterSystem({[] { return QStringList{}; }, [] { return QString(); }, nullptr});
  setup->trigger();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("не установлено ни одного принтера"), std::string::npos) << ms().shown()[0].text;
  EXPECT_EQ(ui::currentPrinterName(), "");
  EXPECT_EQ(ui::makePrinter(), nullptr);

  QString answer = "Второй";
  int asked = 0;
  ui::setPrinterSystem({[] { return QStringList{"Первый", "Второй"}; }, [] { return QStringLiteral("Первый"); },
                        [&](QPrinter&, QWidget*) {
                          ++asked;
                          return answer;
                        }});
  EXPECT_EQ(ui::currentPrinterName(), "Первый") << "before a choice, the system's default";
  setup->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ui::currentPrinterName(), "Второй");
  // Every print of the run offers the chosen printer first.
  EXPECT_EQ(ui::PrintDialog(3, 1).printerName(), "Второй");
  answer.clear();  // cancelled: the choice stays
  setup->trigger();
  EXPECT_EQ(ui::currentPrinterName(), "Второй");
  ui::setPrinterSystem({});
}

}  // namespace
