// Rooms, workstations and the test library on the demo installation,
// driven as a user would: a workstation's folder typed without "/", a room
// that keeps its workstations, a new room cancelled with its workstations,
// the library's drag between bases, the reserve library, the central base,
// the file manager, the choosing mode and the database report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "browse.h"
#include "cp1251.h"
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
      w->pathBox()->setText(QStringLiteral("/mnt/a20501/varnuke"));
      w->accept();
    });
    buttonIn(f, QStringLiteral("&Добавить"))->click();
    EXPECT_EQ(f->workstations()->rowCount(), 1) << "the new workstation is listed in its room";
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
    whenShown<ui::BrowseWindow>([&](ui::BrowseWindow* choice) {
      EXPECT_EQ(choice->windowTitle(), QStringLiteral("Выбор лаборатории"));
      choice->selectRecord();
    });
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
