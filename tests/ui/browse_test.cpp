// The standard browse list: a big table opens at once and scrolls to its
// end reading a page, buttons and menu follow the list, selection, tags,
// locating by typing, the messages at the ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "browse.h"
#include "cp1251.h"
#include "message_service.h"
#include "test_tables.h"

using namespace store;
using namespace testing_tables;

namespace {

void fill(Table& t, Person& p, int n) {
  Transaction tx{&t};
  ASSERT_EQ(tx.begin(), Ok);
  for (int i = 1; i <= n; ++i) {
    p = Person{};
    p.CODE = static_cast<std::uint16_t>(i % 65536);
    p.BORN = i;
    p.NAME = cp1251::fromUtf8("Студент ") + std::to_string(100000 + i);
    p.GRADE = static_cast<std::uint8_t>(i % 5);
    ASSERT_EQ(t.add(), Ok);
  }
  ASSERT_EQ(tx.commit(), Ok);
}

// A table keyed on a 32-bit number, for the big list.
struct Big {
  std::int32_t N = 0;
  FixedString<40> NAME;
};
const TableDef& bigDef() {
  static const TableDef d = TableBuilder<Big>("Big", "BIG")
                                .field("N", &Big::N)
                                .field("NAME", &Big::NAME)
                                .key("KEYN", "N", Primary)
                                .build();
  return d;
}

TEST(Browse, TwoHundredThousandRecordsOpenAndScrollToTheEndReadingAPage) {
  TempDir dir;
  Big b;
  Table t(bigDef(), b, dir / "big.tps");
  ASSERT_EQ(t.create(), Ok);
  ASSERT_EQ(t.open(), Ok);
  {
    Transaction tx{&t};
    ASSERT_EQ(tx.begin(), Ok);
    for (int i = 1; i <= 200000; ++i) {
      b.N = i;
      b.NAME = "n" + std::to_string(i);
      ASSERT_EQ(t.add(), Ok);
    }
    ASSERT_EQ(tx.commit(), Ok);
  }
  const auto before = t.rowsRead();
  ui::BrowseWindow w(t, &b, "BrowseBig", "Записи");
  w.addOrder(t.key("KEYN"), "По номеру");
  w.addColumn({bigDef().fieldIndex("N"), "Номер", 8});
  w.addColumn({bigDef().fieldIndex("NAME"), "Имя", 30});
  w.resize(600, 400);
  w.show();
  ASSERT_GT(w.rowCount(), 3);
  EXPECT_EQ(w.cellText(0, 0), "1");
  w.end();
  EXPECT_EQ(w.cellText(w.rowCount() - 1, 0), "200000");
  EXPECT_EQ(w.currentRow(), w.rowCount() - 1);
  EXPECT_EQ(b.N, 200000);  // the buffer holds the highlighted record
  w.pageUp();
  EXPECT_EQ(w.cellText(w.rowCount() - 1, 0).toInt(), 200000 - w.rowCount());
  EXPECT_LT(t.rowsRead() - before, 2000);  // a few pages, not the table
}

struct Small {
  TempDir dir;
  Person p;
  Table t{personDef(), p, dir / "p.tps"};
  Small(int n) {
    EXPECT_EQ(t.create(), Ok);
    EXPECT_EQ(t.open(), Ok);
    fill(t, p, n);
  }
};

std::unique_ptr<ui::BrowseWindow> browse(Small& s) {
  auto w = std::make_unique<ui::BrowseWindow>(s.t, &s.p, "BrowsePerson", "Студенты");
  w->addOrder(s.t.key("KEYCODE"), "По коду");
  w->addOrder(s.t.key("KEYNAME"), "По алфавиту");
  w->addColumn({personDef().fieldIndex("CODE"), "Код", 6});
  w->addColumn({personDef().fieldIndex("NAME"), "Фамилия", 30});
  w->resize(600, 400);
  return w;
}

TEST(Browse, ButtonsAndMenuFollowTheList) {
  Small s(0);
  auto w = browse(s);
  w->setUpdateForm([&] { return std::make_unique<ui::UpdateForm>(s.t, &s.p, "UpdatePerson", "Новая", "Изменение"); });
  w->setSelectMode(true);
  w->show();
  EXPECT_EQ(w->rowCount(), 0);
  EXPECT_TRUE(w->button("&Добавить")->isEnabled());
  EXPECT_FALSE(w->button("&Изменить")->isEnabled());  // an empty list
  EXPECT_FALSE(w->button("&Удалить")->isEnabled());
  QMenu* m = w->contextMenu();
  QStringList items;
  for (QAction* a : m->actions())
    if (!a->isSeparator()) items << a->text() + (a->isEnabled() ? "+" : "-");
  EXPECT_EQ(items, (QStringList{"&Новый+", "&Изменить-", "&Удалить-", "&Выбрать-"}));
}

TEST(Browse, TagsKeepTheOrderTheyWereSetIn) {
  Small s(5);
  auto w = browse(s);
  w->setTagging(true);
  w->show();
  std::vector<store::Position> at;
  for (int r = 0; r < 5; ++r) at.push_back(w->positionAt(r));
  auto tag = [&](int row) {
    ASSERT_TRUE(w->choose(at[static_cast<std::size_t>(row)]));
    w->toggleTag();
  };
  tag(3);
  tag(1);
  EXPECT_EQ(w->tagsInOrder(), (std::vector<store::Position>{at[3], at[1]}));
  // "All" keeps those and adds the rest in the list's order.
  w->tagAll();
  EXPECT_EQ(w->tagsInOrder(), (std::vector<store::Position>{at[3], at[1], at[0], at[2], at[4]}));
  // Inverted: the untagged ones in the list's order; a tag set again goes last.
  w->untagAll();
  tag(4);
  tag(0);
  w->flipTags();
  EXPECT_EQ(w->tagsInOrder(), (std::vector<store::Position>{at[1], at[2], at[3]}));
  tag(0);
  tag(2);
  tag(2);
  EXPECT_EQ(w->tagsInOrder(), (std::vector<store::Position>{at[1], at[3], at[0], at[2]}));
}

TEST(Browse, SelectLocateTagsAndTheEnds) {
  Small s(30);
  auto w = browse(s);
  w->setSelectMode(true);
  w->setTagging(true);
  w->show();
  // Tags: Space toggles, Ctrl+Plus all, Ctrl+* flips, Ctrl+Minus none.
  auto* list = w->findChild<QTableWidget*>("list");
  auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, k, m, text);
    QApplication::sendEvent(list, &e);
  };
  key(Qt::Key_Space, Qt::NoModifier, " ");
  EXPECT_EQ(w->tags().size(), 1u);
  key(Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(w->tags().size(), 30u);
  key(Qt::Key_Space, Qt::NoModifier, " ");
  key(Qt::Key_Asterisk, Qt::ControlModifier);
  EXPECT_EQ(w->tags().size(), 1u);
  key(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_TRUE(w->tags().empty());

  // Locate by typing in the alphabetical order.
  w->setOrder(1);
  for (QChar c : QStringLiteral("студент 10002")) key(0, Qt::NoModifier, QString(c));
  EXPECT_EQ(s.p.CODE, 20);  // "Студент 100020" is the first at or after "студент 10002"
  EXPECT_EQ(w->cellText(w->currentRow(), 1), "Студент 100020");

  // At the end: message 29; "yes" goes back to the start.
  ui::MessageService::instance().script({messages::Yes});
  ui::MessageService::instance().clearShown();
  w->setOrder(0);
  w->end();
  key(Qt::Key_Down);
  ASSERT_EQ(ui::MessageService::instance().shown().size(), 1u);
  EXPECT_EQ(ui::MessageService::instance().shown()[0].caption, "Конец файла");
  EXPECT_EQ(w->cellText(0, 0), "1");
  ui::MessageService::instance().script({});

  // Select returns the highlighted record in the buffer.
  key(Qt::Key_Down);
  key(Qt::Key_Down);
  key(Qt::Key_Return);
  EXPECT_TRUE(w->selected());
  EXPECT_EQ(s.p.CODE, 3);
}

// A list inside another window is filled by that window, often before it
// is shown and laid out: once it has its size, the rows that fit are shown.
TEST(Browse, AnEmbeddedListShowsTheRowsThatFitOnceLaidOut) {
  Small s(6);
  struct Case {
    const char* what;
    bool filledWhileShown;
  };
  for (const Case& c : {Case{"filled before the window around it is shown", false},
                        Case{"the window around it grown after it was filled", true}}) {
    SCOPED_TRACE(c.what);
    QDialog outer;
    auto* l = new QVBoxLayout(&outer);
    auto* w = new ui::BrowseWindow(s.t, &s.p, "BrowsePerson", "", &outer);
    w->setEmbedded(true);
    w->addOrder(s.t.key("KEYCODE"), "По коду");
    w->addColumn({personDef().fieldIndex("CODE"), "Код", 6});
    l->addWidget(w);
    outer.resize(400, c.filledWhileShown ? 60 : 500);
    if (c.filledWhileShown) {
      outer.show();
      QApplication::processEvents();
    }
    w->refresh();
    ASSERT_GE(w->rowCount(), 3);
    if (c.filledWhileShown) outer.resize(400, 500);
    else outer.show();
    QApplication::processEvents();
    ASSERT_GE(w->pageRows(), 6);
    ASSERT_EQ(w->rowCount(), 6);
    EXPECT_EQ(w->cellText(5, 0), "6");
  }
}

TEST(Browse, LandsOnTheChangedRecordAfterAnUpdate) {
  Small s(50);
  auto w = browse(s);
  struct RenameForm : ui::UpdateForm {
    using UpdateForm::UpdateForm;
    bool saveControls() override {
      static_cast<Person*>(buffer())->NAME = "AAA first";  // moves to the top of the alphabet
      return true;
    }
  };
  w->setUpdateForm([&] { return std::make_unique<RenameForm>(s.t, &s.p, "UpdatePerson", "Новая", "Изменение"); });
  w->show();
  w->setOrder(1);
  w->end();
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<ui::UpdateForm*>(w); f && f->isVisible()) f->accept();
  });
  w->changeRecord();
  EXPECT_EQ(w->cellText(w->currentRow(), 1), "AAA first");
  EXPECT_EQ(w->currentRow(), 0);
}

}  // namespace
