// The standard update form: autonumbering, cancel, nothing-changed,
// duplicate keys, another station's change, delete.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include "cp1251.h"
#include "message_service.h"
#include "test_tables.h"
#include "update_form.h"

using namespace store;
using testing_tables::TempDir;

namespace {

struct Dict {
  std::uint16_t CODE = 0;
  FixedString<30> NAME;
  std::int32_t NUM = 0;
};
const TableDef& dictDef() {
  static const TableDef d = TableBuilder<Dict>("Dict", "DIC")
                                .field("CODE", &Dict::CODE)
                                .field("NAME", &Dict::NAME)
                                .field("NUM", &Dict::NUM)
                                .key("KEYCODE", "CODE", Primary)
                                .key("KEYNAME", "NAME", Unique)
                                .build();
  return d;
}

// A form over Dict with its two fields.
class DictForm : public ui::UpdateForm {
 public:
  DictForm(Table& t, Dict& d) : UpdateForm(t, &d, "UpdateDict", "Новая запись", "Корректировка записи") {
    addField({dictDef().fieldIndex("CODE"), "Код:", {}, ui::FormField::Line, true});
    addField({dictDef().fieldIndex("NAME"), "Название:"});
    addField({dictDef().fieldIndex("NUM"), "Число:"});
  }
  std::function<void(long long)> hook;

 protected:
  void beforeAutonumberedAdd(long long code) override {
    if (hook) hook(code);
  }
};

// Runs `steps` on the form once it is shown; a form left open afterwards is
// cancelled, so that a failing step cannot hang the test.
void whenShown(std::function<void(ui::UpdateForm&)> steps) {
  QTimer::singleShot(0, [steps] {
    ui::UpdateForm* f = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* u = qobject_cast<ui::UpdateForm*>(w); u && u->isVisible()) f = u;
    if (!f) {
      whenShown(steps);  // not shown yet
      return;
    }
    steps(*f);
    if (f->isVisible()) {
      ADD_FAILURE() << "the form was left open";
      f->QDialog::reject();
    }
  });
}

void setText(ui::UpdateForm& f, const char* field, const QString& text) {
  auto* e = qobject_cast<QLineEdit*>(f.editorOf(dictDef().fieldIndex(field)));
  ASSERT_NE(e, nullptr);
  e->setText(text);
}

struct Fixture {
  TempDir dir;
  Dict a, b;
  Table ta{dictDef(), a, dir / "dict.tps"}, tb{dictDef(), b, dir / "dict.tps"};  // two stations
  Fixture() {
    EXPECT_EQ(ta.create(), Ok);
    EXPECT_EQ(ta.open(Shared), Ok);
    EXPECT_EQ(tb.open(Shared), Ok);
    ui::MessageService::instance().script({});
    ui::MessageService::instance().clearShown();
  }
  void addB(int code, const char* name) {
    b = Dict{};
    b.CODE = static_cast<std::uint16_t>(code);
    b.NAME = cp1251::fromUtf8(name);
    EXPECT_EQ(tb.add(), Ok);
  }
};

TEST(UpdateForm, InsertTakesTheNextCodeAndCancelLeavesNoTrace) {
  Fixture f;
  {
    DictForm form(f.ta, f.a);
    whenShown([](ui::UpdateForm& u) {
      EXPECT_EQ(u.windowTitle(), "Новая запись");
      setText(u, "NAME", "Кафедра");
      u.accept();
    });
    EXPECT_TRUE(form.run(ui::Insert));
  }
  f.b.CODE = 1;
  ASSERT_EQ(f.tb.get(f.tb.key("KEYCODE")), Ok);  // an empty table gives code 1
  EXPECT_EQ(f.b.NAME.utf8(), "Кафедра");

  f.a = Dict{};  // a new record starts blank, as the browse gives it
  DictForm form(f.ta, f.a);
  whenShown([](ui::UpdateForm& u) { u.reject(); });
  EXPECT_FALSE(form.run(ui::Insert));
  EXPECT_EQ(f.tb.records(), 1);  // the record added on opening is gone
}

TEST(UpdateForm, AutonumberingTakesTheFollowingCodeWhenAnotherStationTookIt) {
  Fixture f;
  f.addB(1, "первая");
  DictForm form(f.ta, f.a);
  int attempts = 0;
  form.hook = [&](long long code) {
    if (++attempts == 1) f.addB(static_cast<int>(code), "другая станция");  // the other station is faster
  };
  whenShown([](ui::UpdateForm& u) {
    setText(u, "NAME", "моя");
    u.accept();
  });
  EXPECT_TRUE(form.run(ui::Insert));
  EXPECT_EQ(attempts, 2);
  f.b.CODE = 3;
  ASSERT_EQ(f.tb.get(f.tb.key("KEYCODE")), Ok);
  EXPECT_EQ(f.b.NAME.utf8(), "моя");
  EXPECT_EQ(f.tb.records(), 3);
}

TEST(UpdateForm, ADuplicateKeyNamesTheKeyAndKeepsTheForm) {
  Fixture f;
  f.addB(1, "Физика");
  DictForm form(f.ta, f.a);
  whenShown([](ui::UpdateForm& u) {
    setText(u, "NAME", "ФИЗИКА");  // the key ignores letter case
    u.accept();
    EXPECT_TRUE(u.isVisible());  // still open
    setText(u, "NAME", "Химия");
    u.accept();
  });
  EXPECT_TRUE(form.run(ui::Insert));
  const auto& shown = ui::MessageService::instance().shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].number, 24);
  EXPECT_EQ(shown[0].text, "При обновлении файла возник недопустимый дубликат в ключе [DIC:KEYNAME].");
  EXPECT_EQ(f.tb.records(), 2);
}

TEST(UpdateForm, NothingChangedWritesNothing) {
  Fixture f;
  f.addB(1, "Физика");
  Position pos = f.tb.position();
  // The other station watches the record; an unchanged OK must not disturb it.
  f.tb.watch();
  ASSERT_EQ(f.tb.reget(pos), Ok);
  f.a = f.b;
  DictForm form(f.ta, f.a);
  whenShown([](ui::UpdateForm& u) {
    EXPECT_EQ(u.windowTitle(), "Корректировка записи");
    u.accept();
  });
  EXPECT_TRUE(form.run(ui::Change, pos));
  f.b.NUM = 5;
  EXPECT_EQ(f.tb.put(), Ok);  // nothing was written since it was read
}

TEST(UpdateForm, AChangeMadeFirstOnAnotherStationShowsMessage38AndTheFreshRecord) {
  Fixture f;
  f.addB(1, "Физика");
  Position pos = f.tb.position();
  f.a = f.b;
  DictForm form(f.ta, f.a);
  whenShown([&](ui::UpdateForm& u) {
    // Meanwhile the other station changes the record.
    f.b.NAME = cp1251::fromUtf8("Физика и астрономия");
    ASSERT_EQ(f.tb.put(), Ok);
    setText(u, "NAME", "Моя правка");
    u.accept();
    EXPECT_TRUE(u.isVisible());
    auto* e = qobject_cast<QLineEdit*>(u.editorOf(dictDef().fieldIndex("NAME")));
    EXPECT_EQ(e->text(), "Физика и астрономия");  // the fresh values
    setText(u, "NAME", "Моя правка");
    u.accept();  // now it goes through
  });
  EXPECT_TRUE(form.run(ui::Change, pos));
  ASSERT_EQ(ui::MessageService::instance().shown().size(), 1u);
  EXPECT_EQ(ui::MessageService::instance().shown()[0].number, 38);
  ASSERT_EQ(f.tb.reget(pos), Ok);
  EXPECT_EQ(f.b.NAME.utf8(), "Моя правка");
}

TEST(UpdateForm, DeleteAsksFirst) {
  Fixture f;
  f.addB(1, "Физика");
  Position pos = f.tb.position();
  {
    ui::MessageService::instance().script({messages::No});
    DictForm form(f.ta, f.a);
    EXPECT_FALSE(form.run(ui::Delete, pos));
    EXPECT_EQ(f.tb.records(), 1);
  }
  ui::MessageService::instance().script({messages::Yes});
  DictForm form(f.ta, f.a);
  EXPECT_TRUE(form.run(ui::Delete, pos));
  EXPECT_EQ(f.tb.records(), 0);
  EXPECT_EQ(ui::MessageService::instance().shown().back().number, 32);
  ui::MessageService::instance().script({});
}

}  // namespace
