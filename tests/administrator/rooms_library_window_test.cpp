// Rooms, workstations and the test library on the demo installation,
// driven as a user would: a workstation's folder typed without "/", a room
// that keeps its workstations, a new room cancelled with its workstations,
// the library's drag between bases, the reserve library, the central base,
// the file manager, the choosing mode and the database report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "report_texts.h"
#include "archive_window.h"
#include "browse.h"
#include "cp1251.h"
#include "database_report.h"
#include "datetime.h"
#include "previewer.h"
#include "report.h"
#include "test_library.h"
#include "test_library_window.h"
#include "rooms.h"
#include "rooms_window.h"
#include "signed_in.h"
#include "tables_central.h"
#include "update_form.h"

using namespace administrator;
using admin_testing::ms;
using admin_testing::SignedIn;

namespace {

std::vector<tables::Ws> workstationsOf(const setup::Installation& inst, std::uint16_t room) {
  std::vector<tables::Ws> out;
  EXPECT_TRUE(Rooms(inst).workstationsOf(room, out));
  return out;
}

std::vector<tables::Labr> rooms(const setup::Installation& inst) {
  std::vector<tables::Labr> out;
  EXPECT_TRUE(Rooms(inst).rooms(out));
  return out;
}

// whenShown for a window of that title (several browses may be open at once).
void whenTitled(const QString& title, std::function<void(ui::BrowseWindow*)> f) {
  whenShown<ui::BrowseWindow>(std::move(f), [title](ui::BrowseWindow* d) { return d->windowTitle() == title; });
}

QPushButton* buttonIn(QWidget* w, const QString& text) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == text && b->isVisible()) return b;
  ADD_FAILURE() << "no button " << text.toStdString();
  return nullptr;
}

}  // namespace

TEST(RoomsWindow, AWorkstationFolderTypedWithoutASlashIsStoredWithIt) {
  SignedIn s;
  const auto inst = s.installation();
  QPointer<QWidget> list = s.app->openRooms();
  ASSERT_TRUE(list);
  auto* browse = qobject_cast<ui::BrowseWindow*>(list.data());
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->windowTitle(), QStringLiteral("Просмотр файла Labr"));
  EXPECT_EQ(browse->table()->horizontalHeaderItem(0)->text(), QStringLiteral("Название"));
  EXPECT_EQ(browse->table()->horizontalHeaderItem(2)->text(), QStringLiteral("Компьтеров"));

  bool formSeen = false, wsSeen = false;
  whenShown<RoomForm>([&](RoomForm* f) {
    formSeen = true;
    f->field("NAMELABR")->setText(QStringLiteral("Класс 205"));
    f->field("NUMROOM")->setText(QStringLiteral("205"));
    f->field("CURREZ")->setText(QStringLiteral("Класс205"));
    ASSERT_NE(f->workstations(), nullptr);
    whenShown<WorkstationForm>([&](WorkstationForm* w) {
      wsSeen = true;
      EXPECT_EQ(w->windowTitle(), QStringLiteral("Редактирование [Рабочая станция]"));
      EXPECT_EQ(w->roomLabel()->text(), QStringLiteral("Класс 205")) << "the room's name, not a code";
      EXPECT_FALSE(w->roomButton()->isVisible()) << "added in its room";
      EXPECT_EQ(w->pathBox()->toolTip(), QStringLiteral("Рабочая директория на WS"));
      w->nameBox()->setText(QStringLiteral("a20501"));
      // The form's own example of old: a folder of this computer is wanted instead.
      w->pathBox()->setText(QStringLiteral("\\\\a20501\\c\\Varnuke\\"));
      ms().clearShown();
      w->accept();
      ASSERT_EQ(ms().shown().size(), 1u);
      EXPECT_NE(ms().shown()[0].text.find("/mnt/a30301/varnuke/"), std::string::npos) << ms().shown()[0].text;
      EXPECT_TRUE(w->isVisible());
      w->pathBox()->setText(QStringLiteral("/mnt/a20501/varnuke"));
      w->accept();
    });
    buttonIn(f, QStringLiteral("&Добавить"))->click();
    EXPECT_EQ(f->workstations()->rowCount(), 1) << "the new workstation is listed in its room";
    // A journal name that would leave the journals' folder is refused.
    f->field("CURREZ")->setText(QStringLiteral("../Класс205"));
    ms().clearShown();
    f->accept();
    ASSERT_EQ(ms().shown().size(), 1u);
    EXPECT_TRUE(f->isVisible());
    // "..." beside the journal opens the system's journal list.
    bool listed = false;
    whenShown<common::ArchiveWindow>([&](common::ArchiveWindow* a) {
      listed = true;
      a->reject();
    });
    f->journalButton()->click();
    EXPECT_TRUE(listed);
    setJournalChooser([](QWidget*, const QString& current) {
      EXPECT_EQ(current, QStringLiteral("../Класс205"));
      return QStringLiteral("Класс205");
    });
    f->journalButton()->click();
    setJournalChooser({});
    EXPECT_EQ(f->field("CURREZ")->text(), QStringLiteral("Класс205"));
    f->accept();
  });
  browse->insertRecord();
  ASSERT_TRUE(formSeen && wsSeen);

  const auto all = rooms(inst);
  auto room = std::find_if(all.begin(), all.end(), [](const tables::Labr& l) { return l.NUMROOM == 205; });
  ASSERT_NE(room, all.end());
  EXPECT_EQ(cp1251::toUtf8(cp1251::clip(room->CURREZ.view())), "Класс205");
  const auto ws = workstationsOf(inst, room->CODELABR);
  ASSERT_EQ(ws.size(), 1u);
  EXPECT_EQ(cp1251::clip(ws[0].PATH.view()), "/mnt/a20501/varnuke/");
  EXPECT_EQ(cp1251::clip(ws[0].NAMEPC.view()), "a20501");
  list->close();
}

TEST(RoomsWindow, ARoomWithWorkstationsIsNotDeletedAndACancelledNewRoomTakesItsWorkstationsAlong) {
  SignedIn s;
  const auto inst = s.installation();
  ASSERT_EQ(workstationsOf(inst, 1).size(), 6u);
  auto* browse = qobject_cast<ui::BrowseWindow*>(s.app->openRooms());
  ASSERT_NE(browse, nullptr);
  ASSERT_GE(browse->rowCount(), 1);
  ms().clearShown();
  ms().script({messages::Yes});  // whatever is asked: the deletion is wanted
  browse->deleteRecord();
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown()[0].text.find("6 рабочих станций"), std::string::npos) << ms().shown()[0].text;
  EXPECT_EQ(rooms(inst).size(), 1u) << "the room is kept";

  ms().script({});
  std::uint16_t newCode = 0;
  whenShown<RoomForm>([&](RoomForm* f) {
    newCode = static_cast<std::uint16_t>(f->field("CODELABR")->text().toInt());
    f->field("NAMELABR")->setText(QStringLiteral("Передумали"));
    whenShown<WorkstationForm>([&](WorkstationForm* w) {
      w->nameBox()->setText(QStringLiteral("tmp1"));
      w->pathBox()->setText(QStringLiteral("/mnt/tmp1"));
      w->accept();
    });
    buttonIn(f, QStringLiteral("&Добавить"))->click();
    ASSERT_EQ(workstationsOf(inst, newCode).size(), 1u);
    f->reject();
  });
  browse->insertRecord();
  ASSERT_NE(newCode, 0);
  EXPECT_EQ(rooms(inst).size(), 1u);
  EXPECT_TRUE(workstationsOf(inst, newCode).empty()) << "no workstation is left without its room";
  EXPECT_EQ(workstationsOf(inst, 1).size(), 6u);
  browse->close();
}

TEST(RoomsWindow, AWorkstationOfTheListTakesItsRoomFromTheChoiceAndItsFolderFromTheChooser) {
  SignedIn s;
  const auto inst = s.installation();
  setFolderChooser([](QWidget*, const QString& title, const QString&) {
    EXPECT_EQ(title, QStringLiteral("Выберите каталог назначения:"));
    return QStringLiteral("/mnt/pc777/varnuke");
  });
  auto* browse = qobject_cast<ui::BrowseWindow*>(s.app->openWorkstations());
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->windowTitle(), QStringLiteral("Справочник рабочих станций"));
  const int before = browse->rowCount();
  whenShown<WorkstationForm>([&](WorkstationForm* w) {
    // No room yet: refused until one is chosen.
    w->nameBox()->setText(QStringLiteral("pc777"));
    ms().clearShown();
    w->accept();
    ASSERT_EQ(ms().shown().size(), 1u);
    EXPECT_NE(ms().shown()[0].text.find("лаборатория"), std::string::npos);
    whenTitled(QStringLiteral("Выбор лаборатории"), [&](ui::BrowseWindow* choice) { choice->selectRecord(); });
    w->roomButton()->click();
    EXPECT_EQ(w->roomLabel()->text(), QStringLiteral("Компьютерный класс 101"));
    w->browseButton()->click();
    EXPECT_EQ(w->pathBox()->text(), QStringLiteral("/mnt/pc777/varnuke/"));
    w->accept();
  });
  browse->insertRecord();
  setFolderChooser({});
  EXPECT_EQ(browse->rowCount(), before + 1);
  const auto ws = workstationsOf(inst, 1);
  ASSERT_EQ(ws.size(), 7u);
  EXPECT_EQ(cp1251::clip(ws.back().PATH.view()), "/mnt/pc777/varnuke/");
  // F5 reads the list again; Esc closes it.
  QTest::keyClick(browse, Qt::Key_F5);
  EXPECT_EQ(browse->rowCount(), before + 1);
  QPointer<QWidget> alive = browse;
  QTest::keyClick(browse, Qt::Key_Escape);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(!alive || !alive->isVisible());
}

namespace {

namespace fs = std::filesystem;

// The demo's library with a second base "Архив" in a folder of its own.
struct TwoBases : SignedIn {
  std::string archive;
  TwoBases() {
    const auto inst = installation();
    archive = inst.base + "Архив/";
    fs::create_directories(archive);
    tables::PathFile b;
    b.CODEBD = 2;
    b.NAMEBD = cp1251::fromUtf8("Архив");
    b.DIRBD = cp1251::fromUtf8(archive);
    b.PRIM = cp1251::fromUtf8("Старые тесты");
    store::Table t(tables::pathFileDef(), b, inst.central(tables::files::PathFile));
    EXPECT_EQ(t.open(store::Shared), store::Ok);
    EXPECT_EQ(t.add(), store::Ok);
  }
  TestLibraryWindow* open() {
    auto* w = qobject_cast<TestLibraryWindow*>(app->openTestLibrary());
    EXPECT_NE(w, nullptr);
    return w;
  }
};

std::int32_t registeredBase(const setup::Installation& inst, const std::string& name) {
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, inst.central(tables::files::DataTest));
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  t.set();
  while (t.next() == store::Ok)
    if (cp1251::toUtf8(cp1251::clip(d.NAME.view())) == name) return d.CODEBD;
  return -1;
}

// Each page's text, its pieces joined by line breaks.
QStringList pageTexts(const ui::Report& r) {
  QStringList pages;
  for (int page = 1; page <= r.pageCount(); ++page) {
    pages << report_testing::pageTexts(r, page).join(QLatin1Char('\n'));
  }
  return pages;
}

QStringList testsShown(TestLibraryWindow* w) {
  QStringList out;
  for (int i = 0; i < w->tests()->topLevelItemCount(); ++i) out << w->tests()->topLevelItem(i)->text(0);
  return out;
}

}  // namespace

TEST(TestLibraryWindow, ATestDroppedOnABaseWithOneOfThatNameAsksAndKeepsBothWhenRefused) {
  TwoBases s;
  const auto inst = s.installation();
  const std::string test = s.made.tests.at(0);
  const std::string source = s.made.library + test + ".orm";
  {
    std::ofstream f(s.archive + test + ".orm", std::ios::binary);
    f << "the archive's own test";
  }
  auto* w = s.open();
  ASSERT_EQ(w->bases()->topLevelItem(0)->text(0), QStringLiteral("Основная библиотека"));
  ASSERT_EQ(w->bases()->topLevelItem(0)->childCount(), 2);
  w->chooseBase(0);
  ASSERT_TRUE(testsShown(w).contains(QString::fromStdString(test + ".orm")));
  EXPECT_FALSE(w->createdLabel()->text().isEmpty());

  int menus = 0;
  w->transferMenu = [&](QWidget*) -> std::optional<Transfer> {
    ++menus;
    return Transfer::Move;
  };
  ms().clearShown();
  ms().script({messages::No});
  w->dropTest(QString::fromStdString(test + ".orm"), 1);
  EXPECT_EQ(menus, 1);
  ASSERT_EQ(ms().shown().size(), 1u) << "only the question, no error";
  EXPECT_NE(ms().shown()[0].text.find("Заменить"), std::string::npos);
  EXPECT_TRUE(fs::exists(source));
  std::ifstream kept(s.archive + test + ".orm");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the archive's own test");
  EXPECT_EQ(registeredBase(inst, test), 1);

  // Dropped on its own base: no menu at all.
  w->dropTest(QString::fromStdString(test + ".orm"), 0);
  EXPECT_EQ(menus, 1);
  w->close();
}

TEST(TestLibraryWindow, AMoveCarriesTheObjectsAndTheRegisterAndTheListFollows) {
  TwoBases s;
  const auto inst = s.installation();
  const std::string test = s.made.tests.at(1);
  const std::string emb = s.made.library + test + ".emb";
  if (!fs::exists(emb)) std::ofstream(emb) << "objects";
  auto* w = s.open();
  w->chooseBase(0);
  const int before = w->tests()->topLevelItemCount();
  ms().clearShown();
  ASSERT_TRUE(w->transferTest(QString::fromStdString(test + ".orm"), 1, Transfer::Move));
  EXPECT_TRUE(ms().shown().empty());
  EXPECT_EQ(w->tests()->topLevelItemCount(), before - 1) << "the list shows the base as it now is";
  EXPECT_FALSE(fs::exists(s.made.library + test + ".orm"));
  EXPECT_FALSE(fs::exists(emb));
  EXPECT_TRUE(fs::exists(s.archive + test + ".orm"));
  EXPECT_TRUE(fs::exists(s.archive + test + ".emb"));
  EXPECT_EQ(registeredBase(inst, test), 2);
  w->chooseBase(1);
  EXPECT_EQ(testsShown(w), QStringList{QString::fromStdString(test + ".orm")});
  EXPECT_EQ(w->noteLabel()->text(), QStringLiteral("Старые тесты"));
  w->close();
}

TEST(TestLibraryWindow, AFileDroppedFromOutsideTheWindowIsNotTaken) {
  TwoBases s;
  auto* w = s.open();
  w->chooseBase(0);
  int menus = 0;
  w->transferMenu = [&](QWidget*) -> std::optional<Transfer> {
    ++menus;
    return Transfer::Copy;
  };
  // A test file of another program's drag, over the other base.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(s.made.library + s.made.tests.at(0) + ".orm"))});
  QWidget* viewport = w->bases()->viewport();
  const QPoint at = w->bases()->visualItemRect(w->bases()->topLevelItem(0)->child(1)).center();
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &enter);
  EXPECT_FALSE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &drop);
  QApplication::processEvents();
  EXPECT_EQ(menus, 0);
  EXPECT_FALSE(fs::exists(s.archive + s.made.tests.at(0) + ".orm"));
  w->close();
}

TEST(TestLibraryWindow, ReserveLibraryFileManagerAndPrint) {
  TwoBases s;
  const auto inst = s.installation();
  auto* w = s.open();
  QStringList started;
  w->startProgram = [&](const QString& line, const QString&) {
    started << line;
    return true;
  };
  w->button(QStringLiteral("Проводник"))->click();
  EXPECT_EQ(started, QStringList{QStringLiteral("Explorer.exe /n,/e,") + QString::fromStdString(inst.base)});

  // The printout lists each base with its folder and its tests.
  const QString list = pageTexts(*w->listReport()).join(QLatin1Char('\n'));
  EXPECT_TRUE(list.contains(QStringLiteral("Список тестов: Основная библиотека"))) << list.toStdString();
  // (a long folder is broken into pieces where it wraps)
  EXPECT_TRUE(QString(list).remove(QLatin1Char('\n')).contains(QStringLiteral("Архив (") + QString::fromStdString(s.archive) + QLatin1Char(')')))
      << list.toStdString();
  for (const std::string& t : s.made.tests) EXPECT_TRUE(list.contains(QString::fromStdString(t))) << t;
  EXPECT_TRUE(list.contains(QStringLiteral("тестов нет"))) << "the archive base is empty";
  EXPECT_TRUE(list.contains(QStringLiteral("Страница 1 из 1")));

  ms().script({messages::No});
  w->switchLibrary();
  EXPECT_EQ(w->library(), Library::Main) << "not without the confirmation";
  ms().script({messages::Yes});
  w->button(QStringLiteral("Резервная"))->click();
  EXPECT_EQ(w->library(), Library::Reserve);
  EXPECT_EQ(w->bases()->topLevelItem(0)->text(0), QStringLiteral("Резервная библиотека"));
  EXPECT_EQ(w->bases()->topLevelItem(0)->childCount(), 0);
  EXPECT_NE(w->button(QStringLiteral("Основная")), nullptr) << "the button relabels itself";
  EXPECT_TRUE(fs::exists(inst.base + "PathFile.sec"));
  w->close();
}

TEST(TestLibraryWindow, TheCentralBaseRedefinedAfterItsQuestionWithItsSubFolders) {
  TwoBases s;
  auto* w = s.open();
  const std::string fresh = s.tmp / "новая база";
  fs::create_directories(fresh);
  w->chooseFolder = [&](QWidget*, const QString&) { return QString::fromStdString(fresh); };
  ms().script({messages::No});
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("...")) b->click();
  EXPECT_EQ(s.app->installation().base, s.made.directory) << "refused: nothing changes";
  ms().clearShown();
  ms().script({messages::Yes, messages::Yes});
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == QStringLiteral("...")) b->click();
  ASSERT_GE(ms().shown().size(), 2u);
  EXPECT_EQ(ms().shown()[0].caption, "Новая База Данных");
  EXPECT_EQ(ms().shown()[1].caption, "Поддиректории");
  EXPECT_EQ(s.app->installation().base, fresh + "/");
  EXPECT_EQ(settings::IniFile(s.made.directory + "Varnuke.ini").get("Path", "CentBD"), fresh + "/");
  EXPECT_TRUE(fs::is_directory(fresh + "/Stat"));
  EXPECT_TRUE(fs::is_directory(fresh + "/Test"));
  EXPECT_EQ(w->baseBox()->text(), QString::fromStdString(fresh + "/"));
  EXPECT_EQ(w->bases()->topLevelItem(0)->childCount(), 0) << "the library of the new base";
  w->close();
}

TEST(TestLibraryWindow, ChoosingModeReturnsTheTestAndItsBaseFolder) {
  TwoBases s;
  setup::Installation inst = s.installation();
  const std::string test = s.made.tests.at(0);
  whenShown<TestLibraryWindow>([&](TestLibraryWindow* w) {
    ASSERT_TRUE(w->button(QStringLiteral("Выбрать"))->isVisible());
    w->chooseBase(0);
    for (int i = 0; i < w->tests()->topLevelItemCount(); ++i)
      if (w->tests()->topLevelItem(i)->text(0) == QString::fromStdString(test + ".orm"))
        w->tests()->setCurrentItem(w->tests()->topLevelItem(i));
    w->button(QStringLiteral("Выбрать"))->click();
  });
  auto chosen = chooseLibraryTest(inst, nullptr);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->test, QString::fromStdString(test));
  EXPECT_EQ(chosen->folder, QString::fromStdString(s.made.library));

  whenShown<TestLibraryWindow>([&](TestLibraryWindow* w) { w->button(QStringLiteral("Отмена"))->click(); });
  EXPECT_FALSE(chooseLibraryTest(inst, nullptr).has_value());
}

TEST(DatabaseReport, EachBaseWithItsTestsUnderTheHeading) {
  TwoBases s;
  const auto inst = s.installation();
  DatabaseReport d;
  ASSERT_TRUE(databaseReport(inst, datetime::dayNumber(2026, 12, 10), "Петрова", d));
  EXPECT_EQ(d.date, "10.12.2026");
  EXPECT_EQ(d.administrator, "Петрова");
  ASSERT_EQ(d.blocks.size(), 2u);
  EXPECT_EQ(d.blocks[0].code, 1);
  EXPECT_EQ(d.blocks[0].folder, s.made.library);
  EXPECT_EQ(d.blocks[0].tests.size(), s.made.tests.size());
  for (const auto& t : s.made.tests)
    EXPECT_NE(std::find(d.blocks[0].tests.begin(), d.blocks[0].tests.end(), t), d.blocks[0].tests.end()) << t;
  EXPECT_EQ(d.blocks[1].name, "Архив");
  EXPECT_EQ(d.blocks[1].note, "Старые тесты");
  EXPECT_TRUE(d.blocks[1].tests.empty());
  EXPECT_EQ(d.blocks[1].created, "");

  // The pages: the heading once, every block, and on each page the footer with its number.
  DatabaseReport many = d;
  for (int i = 0; i < 12; ++i) many.blocks.push_back(d.blocks[0]);
  const QStringList pages = pageTexts(*databaseReportPages(many));
  ASSERT_GE(pages.size(), 2);
  const QString first = pages[0];
  for (const QString& t : {QStringLiteral("Подробный отчет по Базе данных"), QStringLiteral("по состоянию на 10.12.2026"),
                           QStringLiteral("Администратор: Петрова"), QStringLiteral("Код:"), QStringLiteral("Каталог библиотеки:"),
                           QStringLiteral("Местонахождение:"), QString::fromStdString(s.made.library), QStringLiteral("Дата создания:"),
                           QStringLiteral("Примечание:"), QStringLiteral("Список тестов:"), QString::fromStdString(s.made.tests.at(0))})
    EXPECT_TRUE(first.contains(t)) << t.toStdString() << " in: " << first.toStdString();
  for (int i = 0; i < pages.size(); ++i) {
    EXPECT_TRUE(pages[i].contains(QStringLiteral("Система компьютерного тетсирования ОРМИДА 2.0"))) << "page " << i + 1;
    EXPECT_TRUE(pages[i].contains(QStringLiteral("Лист %1").arg(i + 1))) << "page " << i + 1;
    if (i > 0) {
      EXPECT_FALSE(pages[i].contains(QStringLiteral("Подробный отчет по Базе данных"))) << "the heading is printed once";
    }
  }
  const QString all = pages.join(QLatin1Char('\n'));
  EXPECT_EQ(all.count(QStringLiteral("Список тестов:")), static_cast<int>(many.blocks.size()));
  EXPECT_TRUE(all.contains(QStringLiteral("Старые тесты")));

  // From the menu: the report of the installation in the previewer.
  const int expected = databaseReportPages(d)->pageCount();
  int previewed = 0;
  whenShown<ui::Previewer>([&](ui::Previewer* p) {
    previewed = p->pageCount();
    p->reject();
  });
  s.app->databaseReport();
  EXPECT_EQ(previewed, expected);
}

TEST(TestLibraryWindow, ANewBaseFromItsFormIsDatedStoredWithItsSlashAndBecomesCurrent) {
  TwoBases s;
  const auto inst = s.installation();
  auto* w = s.open();
  const std::string folder = s.tmp / "третья";
  whenShown<BaseForm>([&](BaseForm* f) {
    f->nameBox()->setText(QStringLiteral("Третья"));
    f->folderBox()->setText(QString::fromStdString(folder));
    f->accept();
  });
  w->button(QStringLiteral("&Добавить"))->click();
  std::vector<tables::PathFile> bases;
  ASSERT_TRUE(TestLibrary(inst).bases(bases));
  ASSERT_EQ(bases.size(), 3u);
  EXPECT_EQ(bases[2].CODEBD, 3);
  EXPECT_EQ(cp1251::toUtf8(cp1251::clip(bases[2].DIRBD.view())), folder + "/");
  EXPECT_EQ(bases[2].DATECR, datetime::today());
  EXPECT_EQ(w->currentBase(), 2);
  EXPECT_EQ(w->bases()->currentItem()->text(0), QStringLiteral("Третья"));
  w->close();
}

TEST(TestLibraryWindow, EnterInTheBaseFieldRedefinesTheBaseOnlyAndTheWindowStays) {
  namespace fs = std::filesystem;
  // The window of the library and the one that chooses for autostart, in
  // network and in local mode.
  const struct {
    bool choosing;
    int modeNet;
    const char* key;
  } cases[] = {{false, 1, "CentBD"}, {true, 2, "LocBD"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.modeNet);
    TwoBases s;
    setup::Installation inst = s.installation();
    ASSERT_TRUE(inst.ini.setInt("GlbTune", "ModeNet", c.modeNet));
    ASSERT_TRUE(inst.ini.set("Path", c.key, inst.base));
    inst.modeNet = c.modeNet;
    const std::string old = inst.base;
    TestLibraryWindow w(inst, c.choosing);
    w.show();
    w.chooseBase(0);
    ASSERT_NE(w.tests()->currentItem(), nullptr) << "a test is highlighted";
    const std::string fresh = s.tmp / "набранная/база";

    ms().clearShown();
    ms().script({messages::No});
    // A real question box takes the focus: the field's typing ends again meanwhile.
    ms().whileScriptedBoxOpen([&](const messages::Message&) { emit w.baseBox()->editingFinished(); });
    w.baseBox()->setFocus();
    w.baseBox()->setText(QString::fromStdString(fresh));
    QTest::keyClick(w.baseBox(), Qt::Key_Return);
    ASSERT_EQ(ms().shown().size(), 1u) << "asked once";
    EXPECT_EQ(ms().shown()[0].caption, "Новая База Данных");
    EXPECT_TRUE(w.isVisible()) << "Enter is not the window's button";
    EXPECT_FALSE(w.chosen().has_value());
    EXPECT_EQ(w.baseBox()->text(), QString::fromStdString(old));
    EXPECT_FALSE(fs::exists(fresh));

    ms().script({messages::Yes});
    w.baseBox()->setText(QString::fromStdString(fresh));
    QTest::keyClick(w.baseBox(), Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.chosen().has_value());
    EXPECT_TRUE(fs::is_directory(fresh + "/Stat"));
    EXPECT_TRUE(fs::is_directory(fresh + "/Test"));
    // What the field shows is the base in use and the one stored for the next start.
    EXPECT_EQ(w.baseBox()->text(), QString::fromStdString(fresh + "/"));
    EXPECT_EQ(inst.base, fresh + "/");
    EXPECT_EQ(inst.ini.get("Path", c.key), fresh + "/");
    EXPECT_EQ(setup::resolve(setup::Program::Administrator, inst.workingDir).base, fresh + "/");
    EXPECT_EQ(w.bases()->topLevelItem(0)->childCount(), 0) << "the list is the new base's library";
    w.close();
    ms().script({});
  }
}
