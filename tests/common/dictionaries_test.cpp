// The dictionaries on the demo installation: which entries may not be
// deleted or recoded, the codes of new entries, and the windows driven as a
// user would: duplicate codes, refused and allowed deletions, choosing, the
// department's faculty, the name orders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <functional>

#include "browse.h"
#include "cp1251.h"
#include "demo_data.h"
#include "dictionaries.h"
#include "dictionary_window.h"
#include "message_service.h"
#include "tables_central.h"
#include "test_tables.h"
#include "update_form.h"

using common::Dictionary;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }

struct Demo {
  TempDir tmp;
  demo::Installation made;
  setup::Installation inst;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", made), "");
    inst = setup::resolve(setup::Program::Administrator, made.directory);
    ms().script({});
    ms().clearShown();
  }
};

template <class R>
void addRecord(const Demo& d, const store::TableDef& def, const char* file, R rec) {
  store::Table t(def, rec, d.inst.central(file));
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  ASSERT_EQ(t.add(), store::Ok);
}

void addDepartment(const Demo& d, int code, int faculty, const char* name) {
  tables::Otdel o;
  o.CODEOTDEL = static_cast<std::uint8_t>(code);
  o.CODEFAK = static_cast<std::uint8_t>(faculty);
  o.NAMEOTDEL = cp1251::fromUtf8(name);
  addRecord(d, tables::otdelDef(), tables::files::Otdel, o);
}

// A dictionary's record of that code, read through a handle of the test's own.
struct Stored {
  std::shared_ptr<void> buf;
  store::Position pos = 0;  // 0: there is none
};
Stored stored(const Demo& d, Dictionary dict, int code) {
  const auto& t = common::tableOf(dict);
  Stored s{t.def->makeBuffer()};
  store::Table table(*t.def, s.buf.get(), d.inst.central(t.file));
  EXPECT_EQ(table.open(store::Shared), store::Ok);
  common::setCode(dict, s.buf.get(), code);
  if (table.get(t.codeKey) == store::Ok) s.pos = table.position();
  return s;
}

// Runs `steps` on the visible top-level window of type W once it shows;
// one left open afterwards is closed, so that a failing step cannot hang.
template <class W>
void whenShown(std::function<void(W&)> steps) {
  QTimer::singleShot(0, [steps] {
    W* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* x = qobject_cast<W*>(w); x && x->isVisible() && (!found || x->isActiveWindow())) found = x;
    if (!found) {
      whenShown<W>(steps);
      return;
    }
    steps(*found);
    if (found->isVisible() && found->isModal()) {
      ADD_FAILURE() << "the window was left open";
      found->QDialog::reject();
    }
  });
}

void whenFormShown(std::function<void(ui::UpdateForm&)> steps) {
  // The browse is a dialog too: look for the form only.
  whenShown<ui::UpdateForm>(std::move(steps));
}

QLineEdit* editor(ui::UpdateForm& f, Dictionary d, bool code) {
  const auto& t = common::tableOf(d);
  return qobject_cast<QLineEdit*>(f.editorOf(code ? t.codeField : t.nameField));
}

ui::BrowseWindow* openBrowse(const Demo& d, Dictionary dict) {
  auto* w = qobject_cast<ui::BrowseWindow*>(common::openDictionary(dict, d.inst, nullptr));
  EXPECT_NE(w, nullptr);
  return w;
}

// Closes an upkeep window as the user would; it must be gone afterwards,
// its table handle with it.
void closeWindow(ui::BrowseWindow* w) {
  QPointer<ui::BrowseWindow> p(w);
  w->button(ui::BrowseWindow::Button::Close)->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(p.isNull());
}

QStringList names(ui::BrowseWindow& w) {
  QStringList out;
  for (int r = 0; r < w.rowCount(); ++r) out << w.cellText(r, 1);
  return out;
}

// ------------------------------------------------------------------- rules

TEST(DictionaryRules, EntriesOthersReferToAreNeitherDeletedNorRecoded) {
  Demo d;
  struct Case {
    Dictionary dict;
    int code;
    std::optional<std::string> refusal;
  };
  const std::vector<Case> cases = {
      {Dictionary::Faculties, 1, "Факультет нельзя удалить: на него ссылаются группы и подразделения."},
      {Dictionary::Faculties, 3, std::nullopt},  // no such faculty: nothing refers to it
      {Dictionary::Courses, 1, "Курс нельзя удалить: на него ссылаются группы, дисциплины и студенты."},
      {Dictionary::Courses, 3, std::nullopt},
      {Dictionary::Departments, 3, "Подразделение нельзя удалить: на него ссылаются дисциплины."},
      {Dictionary::Departments, 4, std::nullopt},
      // Tests name disciplines and authors, but nothing else is kept by them.
      {Dictionary::Disciplines, 1, std::nullopt},
      {Dictionary::Authors, 1, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    store::ErrorInfo e;
    EXPECT_EQ(common::deletionRefusal(d.inst, c.dict, c.code, &e), c.refusal);
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_EQ(common::codeChangeRefusal(d.inst, Dictionary::Faculties, 2),
            "Код факультета нельзя изменить: на него ссылаются группы и подразделения.");
  EXPECT_EQ(common::codeChangeRefusal(d.inst, Dictionary::Courses, 3), std::nullopt);
}

TEST(DictionaryRules, AFileThatCannotBeReadRefusesAndSaysWhich) {
  Demo d;
  // Groups unreadable: whether the faculty is used cannot be told, so it stays.
  { std::ofstream(d.inst.central(tables::files::Group), std::ios::trunc) << "not a table file at all"; }
  store::ErrorInfo e;
  auto why = common::deletionRefusal(d.inst, Dictionary::Faculties, 3, &e);
  ASSERT_TRUE(why);
  EXPECT_NE(e.code, 0);
  EXPECT_NE(why->find("группы"), std::string::npos) << *why;
  EXPECT_NE(why->find("Group.tps"), std::string::npos) << *why;
  // A file not made yet holds no references.
  std::remove(d.inst.central(tables::files::Group).c_str());
  EXPECT_EQ(common::deletionRefusal(d.inst, Dictionary::Faculties, 3), std::nullopt);
}

TEST(DictionaryRules, FreeCodesAndEntriesInCodeOrder) {
  struct Case {
    std::vector<int> codes;
    int free;
  };
  std::vector<int> all;
  for (int c = 1; c <= 255; ++c) all.push_back(c);
  const std::vector<Case> cases = {{{}, 1}, {{5, 1, 2}, 3}, {{2, 3}, 1}, {all, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codes.size());
    TempDir dir;
    tables::Kurs k;
    store::Table t(tables::kursDef(), k, dir / "Kurs.tps");
    ASSERT_EQ(t.create(), store::Ok);
    ASSERT_EQ(t.open(), store::Ok);
    store::Transaction tx{&t};
    ASSERT_EQ(tx.begin(), store::Ok);
    for (int code : c.codes) {
      k.CODEKURS = static_cast<std::uint8_t>(code);
      k.NAME = "n" + std::to_string(code) + "   ";
      ASSERT_EQ(t.add(), store::Ok);
    }
    ASSERT_EQ(tx.commit(), store::Ok);
    k.NAME = "kept";
    EXPECT_EQ(common::freeCode(t, &k, Dictionary::Courses), c.free);
    std::vector<common::Entry> entries;
    ASSERT_EQ(common::readEntries(t, &k, Dictionary::Courses, entries), store::Ok);
    EXPECT_EQ(k.NAME.str(), "kept");  // the buffer is the caller's
    ASSERT_EQ(entries.size(), c.codes.size());
    for (std::size_t i = 1; i < entries.size(); ++i) EXPECT_LT(entries[i - 1].code, entries[i].code);
    if (!entries.empty()) {
      EXPECT_EQ(entries[0].name, "n" + std::to_string(entries[0].code));  // no trailing blanks
    }
  }
}

// ----------------------------------------------------------------- windows

TEST(DictionaryWindows, FacultyCodesStayUniqueWithinOneByteAndUsedCodesStay) {
  Demo d;
  const auto dict = Dictionary::Faculties;
  ui::BrowseWindow* w = openBrowse(d, dict);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Просмотр файла Faket");

  // A second faculty with an existing code: the standard duplicate-key message, nothing added.
  whenFormShown([&](ui::UpdateForm& f) {
    EXPECT_EQ(f.windowTitle(), "Редактирование файла Faket");
    EXPECT_EQ(editor(f, dict, true)->text(), "3");  // the next code
    editor(f, dict, true)->setText("1");
    editor(f, dict, false)->setText("Исторический факультет");
    f.accept();
    EXPECT_TRUE(f.isVisible());
    f.reject();
  });
  w->insertRecord();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].number, 24);
  EXPECT_EQ(ms().shown()[0].text, "При обновлении файла возник недопустимый дубликат в ключе [FAK:KEYFAK].");
  EXPECT_EQ(stored(d, dict, 3).pos, 0);
  EXPECT_EQ(w->rowCount(), 2);

  // Past code 255 a new faculty takes the lowest free code, not a wrapped 0.
  tables::Faket last;
  last.CODEFAK = 255;
  last.NAME = cp1251::fromUtf8("Последний факультет");
  addRecord(d, tables::faketDef(), tables::files::Faket, last);
  whenFormShown([&](ui::UpdateForm& f) {
    EXPECT_EQ(editor(f, dict, true)->text(), "3");
    editor(f, dict, false)->setText("Исторический факультет");
    f.accept();
  });
  w->insertRecord();
  Stored added = stored(d, dict, 3);
  ASSERT_NE(added.pos, 0);
  EXPECT_EQ(common::nameOf(dict, added.buf.get()), "Исторический факультет");
  EXPECT_EQ(stored(d, dict, 0).pos, 0);

  // The code of a faculty that groups use is not changed.
  ms().clearShown();
  ASSERT_TRUE(w->choose(stored(d, dict, 1).pos));
  whenFormShown([&](ui::UpdateForm& f) {
    editor(f, dict, true)->setText("9");
    f.accept();
    EXPECT_TRUE(f.isVisible());
    f.reject();
  });
  w->changeRecord();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].text, "Код факультета нельзя изменить: на него ссылаются группы и подразделения.");
  EXPECT_NE(stored(d, dict, 1).pos, 0);
  EXPECT_EQ(stored(d, dict, 9).pos, 0);
  closeWindow(w);
}

TEST(DictionaryWindows, DeletionIsRefusedWhileOthersReferToTheEntry) {
  struct Case {
    const char* what;
    Dictionary dict;
    int code;
    std::function<void(const Demo&)> prepare;
    std::optional<std::string> refusal;  // none: deleted after the confirmation
  };
  const std::vector<Case> cases = {
      {"a department with disciplines", Dictionary::Departments, 1, {},
       "Подразделение нельзя удалить: на него ссылаются дисциплины."},
      {"a department without disciplines", Dictionary::Departments, 4,
       [](const Demo& d) { addDepartment(d, 4, 1, "Кафедра алгебры"); }, std::nullopt},
      {"a faculty with groups only", Dictionary::Faculties, 3,
       [](const Demo& d) {
         tables::Faket f;
         f.CODEFAK = 3;
         f.NAME = cp1251::fromUtf8("Исторический факультет");
         addRecord(d, tables::faketDef(), tables::files::Faket, f);
         tables::Group g;
         g.CODEGR = 4;
         g.CODEFAK = 3;
         g.CODEKURS = 1;
         g.NAME = cp1251::fromUtf8("ИС-101");
         addRecord(d, tables::groupDef(), tables::files::Group, g);
       },
       "Факультет нельзя удалить: на него ссылаются группы."},
      {"a course with a student only", Dictionary::Courses, 3,
       [](const Demo& d) {
         tables::Student s;
         s.CODEST = 100;
         s.CODEKURS = 3;
         s.FAM = cp1251::fromUtf8("Орлова");
         addRecord(d, tables::studentDef(), tables::files::Student, s);
       },
       "Курс нельзя удалить: на него ссылаются студенты."},
      {"a course nothing refers to", Dictionary::Courses, 3, {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Demo d;
    if (c.prepare) c.prepare(d);
    ui::BrowseWindow* w = openBrowse(d, c.dict);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->choose(stored(d, c.dict, c.code).pos));
    ms().script({messages::Yes});
    QTest::keyClick(w->table(), Qt::Key_Delete);
    ASSERT_EQ(ms().shown().size(), 1u);
    if (c.refusal) {
      EXPECT_EQ(ms().shown()[0].text, *c.refusal);
      EXPECT_NE(stored(d, c.dict, c.code).pos, 0);
    } else {
      EXPECT_EQ(ms().shown()[0].number, 32);  // the standard confirmation
      EXPECT_EQ(stored(d, c.dict, c.code).pos, 0);
    }
    ms().script({});
    closeWindow(w);
  }
}

TEST(DictionaryWindows, ChoosingReturnsTheHighlightedEntryAndClosingNothing) {
  Demo d;
  struct Case {
    Dictionary dict;
    int downs;
    int code;
    QString name;
  };
  const std::vector<Case> cases = {
      {Dictionary::Authors, 1, 2, "Кузнецов Андрей Викторович"},
      {Dictionary::Departments, 2, 3, "Кафедра физической географии"},
      {Dictionary::Courses, 0, 1, "Первый курс"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    whenShown<ui::BrowseWindow>([&](ui::BrowseWindow& w) {
      for (int i = 0; i < c.downs; ++i) QTest::keyClick(w.table(), Qt::Key_Down);
      w.button(ui::BrowseWindow::Button::Select)->click();
    });
    auto chosen = common::chooseFromDictionary(c.dict, d.inst, nullptr);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->code, c.code);
    EXPECT_EQ(chosen->name, c.name);
  }
  whenShown<ui::BrowseWindow>([](ui::BrowseWindow& w) {
    QTest::keyClick(w.table(), Qt::Key_Down);
    w.button("&Закрыть")->click();
  });
  EXPECT_FALSE(common::chooseFromDictionary(Dictionary::Disciplines, d.inst, nullptr));
}

TEST(DictionaryWindows, TheDepartmentFormStoresTheChosenFaculty) {
  Demo d;
  const auto dict = Dictionary::Departments;
  ui::BrowseWindow* w = openBrowse(d, dict);
  ASSERT_NE(w, nullptr);
  auto faculty = [](ui::UpdateForm& f) { return f.findChild<QComboBox*>("CODEFAK"); };
  whenFormShown([&](ui::UpdateForm& f) {
    EXPECT_EQ(f.windowTitle(), "Update the Otdel File");
    editor(f, dict, false)->setText("Кафедра истории");
    QComboBox* box = faculty(f);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->itemText(box->findData(2)), "Естественно-географический факультет");
    box->setCurrentIndex(box->findData(2));
    f.accept();
  });
  QTest::keyClick(w->table(), Qt::Key_Insert);  // the add button has a picture only
  Stored added = stored(d, dict, 4);
  ASSERT_NE(added.pos, 0);
  const auto* rec = static_cast<const tables::Otdel*>(added.buf.get());
  EXPECT_EQ(rec->CODEFAK, 2);
  EXPECT_EQ(rec->NAMEOTDEL.utf8(), "Кафедра истории");

  // Opened again, the form shows that faculty.
  ASSERT_EQ(w->currentPosition(), added.pos);
  whenFormShown([&](ui::UpdateForm& f) {
    ASSERT_NE(faculty(f), nullptr);
    EXPECT_EQ(faculty(f)->currentData().toInt(), 2);
    f.reject();
  });
  QTest::keyClick(w->table(), Qt::Key_Return);
  closeWindow(w);
}

TEST(DictionaryWindows, TheNameTabListsByName) {
  struct Case {
    Dictionary dict;
    std::function<void(const Demo&)> prepare;
    QStringList byCode, byName;
  };
  const std::vector<Case> cases = {
      {Dictionary::Disciplines, {}, {"Математика", "Информатика", "География"}, {"География", "Информатика", "Математика"}},
      {Dictionary::Authors, {}, {"Смирнова Елена Павловна", "Кузнецов Андрей Викторович"},
       {"Кузнецов Андрей Викторович", "Смирнова Елена Павловна"}},
      {Dictionary::Departments, [](const Demo& d) { addDepartment(d, 4, 1, "кафедра алгебры"); },
       {"Кафедра высшей математики", "Кафедра информатики", "Кафедра физической географии", "кафедра алгебры"},
       {"кафедра алгебры", "Кафедра высшей математики", "Кафедра информатики", "Кафедра физической географии"}},
  };
  for (const Case& c : cases) {
    Demo d;
    if (c.prepare) c.prepare(d);
    ui::BrowseWindow* w = openBrowse(d, c.dict);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(names(*w), c.byCode);
    w->setOrder(1);
    EXPECT_EQ(names(*w), c.byName);
    closeWindow(w);
  }
}

}  // namespace
