// The Constructor's windows on a demo installation: the status window, the
// Navigator's lists and commands, the console and its libraries, the frame
// filter, and the guard of an open frame editor.
#include <gtest/gtest.h>

#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "browse.h"
#include "commands.h"
#include "console_window.h"
#include "constructor_app.h"
#include "cp1251.h"
#include "demo_data.h"
#include "frame_filter_window.h"
#include "frame_operations.h"
#include "main_frame.h"
#include "message_service.h"
#include "navigator.h"
#include "settings_file.h"
#include "sign_in_window.h"
#include "test_dialogs.h"
#include "test_register.h"
#include "test_tables.h"
#include "when_shown.h"
#include "user_events.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }
std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

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
  std::string lastText() const { return ms().shown().empty() ? std::string() : ms().shown().back().text; }
  settings::IniFile ini() const { return settings::IniFile(settings::sharedFile(inst.directory)); }
  // A test of `count` frames whose questions read "Вопрос 1" ... in code order.
  void makeTest(const std::string& name, int count, const std::string& password = {}, int runs = 0) {
    TestRegister reg(inst.directory + "DataTest.tps");
    NewTestRequest r;
    r.baseDir = inst.library;
    r.name = name;
    r.password = password;
    r.keyWord = u(inst.keyWord);
    std::uint16_t code = 0;
    Outcome o = reg.create(r, code);
    ASSERT_TRUE(o) << o.message;
    testfile::TestFile tf;
    tf.name(inst.library, name, cp1251::pad(u(inst.keyWord), 20));
    ASSERT_EQ(tf.open(), store::Ok);
    for (int k = 1; k <= count; ++k) {
      std::uint16_t c = 0;
      ASSERT_TRUE(newFrame(tf, tables::VopParam{}, "Stnd", c));
      tf.vop.CODEVOP = c;
      ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
      tf.vop.VOPROS = u("Вопрос " + std::to_string(k));
      ASSERT_EQ(tf.vopT.put(), store::Ok);
    }
    if (runs) {
      ASSERT_EQ(tf.titulT.set(), store::Ok);
      ASSERT_EQ(tf.titulT.next(), store::Ok);
      tf.titul.KOLRUN = runs;
      ASSERT_EQ(tf.titulT.put(), store::Ok);
    }
  }
  // The questions of a test's frames in code order.
  std::vector<std::string> questions(const std::string& name) {
    testfile::TestFile tf;
    tf.name(inst.library, name, cp1251::pad(u(inst.keyWord), 20));
    EXPECT_EQ(tf.open(), store::Ok);
    std::vector<tables::Vop> frames;
    tf.frames(frames);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].CODEVOP, i + 1) << "codes 1..N";
      out.push_back(cp1251::toUtf8(frames[i].VOPROS.text));
    }
    return out;
  }
};

// Signs in as the administrator: the Navigator and the console are running.
void signIn(ConstructorApp& app, const Demo& d) {
  ASSERT_NE(app.statusWindow(), nullptr);
  app.statusWindow()->password()->setText(QString::fromStdString(d.inst.adminPassword));
  app.statusWindow()->accept();
  ASSERT_NE(app.navigator(), nullptr);
}

int rowOf(QTableWidget* t, const QString& shown) {
  for (int i = 0; i < t->rowCount(); ++i)
    if (t->item(i, 0) && t->item(i, 0)->text() == shown) return i;
  return -1;
}

// Runs `f` on the dialog of type W once it is shown (inside its exec()).

// Highlights the frame of a code as a click on its row does.
void chooseFrame(Navigator* nav, std::uint16_t code) {
  auto* b = nav->frames();
  for (int r = 0; r < b->rowCount(); ++r)
    if (b->cellText(r, 0).trimmed() == QString::number(code)) {
      ASSERT_TRUE(b->choose(b->positionAt(r)));
      return;
    }
  FAIL() << "no frame " << code;
}

// An editor whose unsaved changes the test decides.
class FakeEditor : public FrameEditorWindow {
 public:
  using FrameEditorWindow::FrameEditorWindow;
  bool hasUnsavedChanges() const override { return dirty; }
  bool dirty = false;
  std::vector<int> received;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == ui::UserEvent::type()) received.push_back(static_cast<ui::UserEvent*>(e)->number());
    return FrameEditorWindow::event(e);
  }
};

TEST(ConstructorWindows, StatusWindowPasswordsAndWhoStart) {
  Demo d;
  {
    ConstructorApp app(d.dir);
    ASSERT_TRUE(app.start());
    auto* status = app.statusWindow();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->windowTitle(), "Ормида [Регистрация]");
    EXPECT_EQ(status->status()->currentText(), "Администратор");
    EXPECT_EQ(app.navigator(), nullptr);
    // The user's status with the administrator's password is refused.
    status->status()->setCurrentText("Пользователь");
    status->password()->setText(QString::fromStdString(d.inst.adminPassword));
    status->accept();
    EXPECT_EQ(d.lastText(), "Пароль введен неправильно.");
    EXPECT_EQ(ms().shown().back().caption, "Сообщение об ошибке");
    EXPECT_EQ(app.navigator(), nullptr);
    EXPECT_TRUE(status->isVisible());
    status->password()->setText(QString::fromStdString(d.inst.userPassword));
    status->accept();
    ASSERT_NE(app.navigator(), nullptr);
    EXPECT_EQ(app.signedInAs(), common::SignIn::User);
    EXPECT_TRUE(app.frame()->windowTitle().startsWith("Ормида 3.0 [Конструктор тестов]"));

    // The screen lock goes only for a right password; Esc and closing keep it.
    common::SignInWindow lock("Блокировка окна Ормида", app.startup().glb, common::SignInWindow::Lock, app.frame());
    lock.show();
    lock.reject();
    lock.close();
    EXPECT_TRUE(lock.isVisible());
    ms().clearShown();
    lock.password()->setText("неверно");
    lock.accept();
    EXPECT_TRUE(lock.isVisible());
    lock.status()->setCurrentText("Пользователь");
    lock.password()->setText(QString::fromStdString(d.inst.userPassword));
    lock.accept();
    EXPECT_FALSE(lock.isVisible());
    EXPECT_EQ(lock.mode(), common::SignIn::User);
  }
  {
    // Cancelled: the main frame keeps its menus only.
    ConstructorApp app(d.dir);
    ASSERT_TRUE(app.start());
    app.statusWindow()->reject();
    QApplication::processEvents();
    EXPECT_EQ(app.navigator(), nullptr);
    ASSERT_NE(app.menuItem("&Новый тест"), nullptr);
    EXPECT_FALSE(app.menuItem("&Новый тест")->isEnabled());
    EXPECT_TRUE(app.menuItem("Калькулятор")->isEnabled());
  }
  // A start status set by another program skips the window once.
  {
    tables::GlbTune g;
    store::Table t(tables::glbTuneDef(), g, d.inst.directory + "GlbTune.tps");
    ASSERT_EQ(t.open(), store::Ok);
    ASSERT_EQ(t.set(), store::Ok);
    ASSERT_EQ(t.next(), store::Ok);
    g.WHOSTART = u("Администратор");
    ASSERT_EQ(t.put(), store::Ok);
  }
  {
    ConstructorApp app(d.dir);
    ASSERT_TRUE(app.start());
    EXPECT_EQ(app.statusWindow(), nullptr);
    EXPECT_NE(app.navigator(), nullptr);
  }
  ConstructorApp again(d.dir);
  ASSERT_TRUE(again.start());
  EXPECT_NE(again.statusWindow(), nullptr) << "blanked at the start before";
}

TEST(ConstructorWindows, MenusShortcutsAndTheirState) {
  Demo d;
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  struct Item {
    const char* text;
    QKeySequence key;
  } items[] = {
      {"&Новый тест", QKeySequence("Ctrl+N")},       {"&Открыть  тест", QKeySequence("Ctrl+O")},
      {"&Просмотр", QKeySequence()},                  {"&Удалить тест", QKeySequence("Ctrl+D")},
      {"&Печать", QKeySequence("Ctrl+P")},            {"&Установка  принтера", QKeySequence("Ctrl+U")},
      {"Вы&ход", QKeySequence("Alt+F4")},             {"Новый &стандартный кадр", QKeySequence("F5")},
      {"Новый  &встроенный кадр", QKeySequence("F7")}, {"&Открыть кадр", QKeySequence("F9")},
      {"&Удалить кадр", QKeySequence("F10")},
  };
  for (const auto& i : items) {
    QAction* a = app.menuItem(QString::fromUtf8(i.text));
    ASSERT_NE(a, nullptr) << i.text;
    EXPECT_EQ(a->shortcut(), i.key) << i.text;
  }
  // What has a window here works; the rest waits, disabled.
  EXPECT_TRUE(app.menuItem("&Просмотр")->isEnabled());
  EXPECT_TRUE(app.menuItem("&Удалить кадр")->isEnabled());
  EXPECT_TRUE(app.menuItem("По варианту")->isEnabled());
  EXPECT_TRUE(app.menuItem("По сложности")->isEnabled());
  EXPECT_FALSE(app.menuItem("Сохранить и закрыть")->isEnabled()) << "no frame editor is open";
  // The sort items run the tool bar's orders.
  app.menuItem("По разделу")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(app.navigator()->order(), Navigator::BySection);
  EXPECT_TRUE(app.navigator()->action(SortBySection)->isChecked());
  app.menuItem("По сложности")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(app.navigator()->order(), Navigator::ByLevel);
  EXPECT_TRUE(app.navigator()->action(SortByLevel)->isChecked());
  EXPECT_FALSE(app.navigator()->action(SortBySection)->isChecked());
}

TEST(ConstructorWindows, AnEmptyBaseShowsNoDataAndOnlyNewTestWorks) {
  Demo d;
  TempDir empty;
  settings::IniFile ini = d.ini();
  ini.set("Path", "DirBD", empty.path());
  ConstructorApp app(d.dir);
  // Editors exist: it is the empty base that keeps the frame commands off.
  app.editors = [](const EditorRequest&, QWidget* parent) -> FrameEditorWindow* { return new FakeEditor(parent); };
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  EXPECT_EQ(nav->base(), empty.path() + "/");
  ASSERT_EQ(nav->testsList()->rowCount(), 1);
  EXPECT_EQ(nav->testsList()->item(0, 0)->text(), "Нет данных");
  EXPECT_TRUE(nav->noTests());
  for (int c : {OpenScenario, TrialRun, DeleteTest, RenameTest, NewStandardFrame, NewObjectFrame, OpenFrame, DeleteFrames,
                Renumber, MoveUp, CopyFrames, MoveFrames, FilterFrames, SortByVariant}) {
    EXPECT_FALSE(nav->canRun(c)) << c;
    EXPECT_FALSE(nav->run(c)) << c;
    if (QAction* a = nav->action(c)) EXPECT_FALSE(a->isEnabled()) << c;
  }
  EXPECT_FALSE(app.editor());
  EXPECT_FALSE(app.menuItem("&Удалить тест")->isEnabled());
  EXPECT_FALSE(app.menuItem("Новый &стандартный кадр")->isEnabled());
  for (const char* b : {"Отладка", "Стандартный", "Встроенный", "Обновить"})
    EXPECT_FALSE(app.console()->button(QString::fromUtf8(b))->isEnabled()) << b;
  for (QAction* a : nav->testsMenu()->actions())
    EXPECT_EQ(a->isEnabled(), a->text() == "Новый тест") << a->text().toStdString();
  EXPECT_TRUE(app.menuItem("&Новый тест")->isEnabled());
  EXPECT_TRUE(app.console()->button("Новый")->isEnabled());

  whenShown<CreateTestWindow>([](CreateTestWindow* w) {
    EXPECT_EQ(w->windowTitle(), "Новый Тест");
    w->nameField()->setText("Первый. Черновик");
    w->setSequence(CreateTestWindow::EnterFrames);
    w->accept();
  });
  ASSERT_TRUE(nav->run(NewTest));
  EXPECT_FALSE(nav->noTests());
  EXPECT_EQ(nav->currentTest(), "Первый. Черновик");
  EXPECT_EQ(nav->testsList()->item(0, 0)->text(), "Первый");
  EXPECT_TRUE(std::filesystem::exists(empty / "Первый. Черновик.orm"));
  EXPECT_TRUE(nav->canRun(DeleteTest));
}

TEST(ConstructorWindows, ANameWithDotsIsListedCutAndOpenedWhole) {
  Demo d;
  d.makeTest("Гр. 1.2", 2);
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  const int row = rowOf(nav->testsList(), "Гр");
  ASSERT_GE(row, 0);
  EXPECT_EQ(rowOf(nav->testsList(), "Гр. 1.2"), -1);
  nav->testsList()->setCurrentCell(row, 0);
  EXPECT_EQ(nav->currentTest(), "Гр. 1.2");
  ASSERT_NE(nav->test(), nullptr);
  EXPECT_EQ(nav->test()->path(), d.inst.library + "Гр. 1.2.orm");
  EXPECT_EQ(nav->frames()->rowCount(), 2);
  EXPECT_EQ(nav->preview()->toPlainText(), "Вопрос 1");
  // The properties list of the open test.
  auto* props = nav->properties();
  ASSERT_EQ(props->topLevelItemCount(), 10);
  EXPECT_EQ(props->topLevelItem(0)->text(0), "Название теста");
  EXPECT_EQ(props->topLevelItem(0)->text(1), "Гр. 1.2");
  EXPECT_EQ(props->topLevelItem(4)->text(1), "2");
  EXPECT_EQ(props->topLevelItem(9)->text(1), "Не печатался");
}

TEST(ConstructorWindows, FramesMovedDeletedRenumberedAndDragged) {
  Demo d;
  d.makeTest("Шесть", 6);
  d.makeTest("Пройденный", 3, {}, 5);
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  ASSERT_TRUE(nav->selectTest("Шесть"));
  ASSERT_EQ(nav->frames()->rowCount(), 6);
  const std::vector<std::string> six = {"Вопрос 1", "Вопрос 2", "Вопрос 3", "Вопрос 4", "Вопрос 5", "Вопрос 6"};

  // The first frame up and the last one down change nothing.
  chooseFrame(nav, 1);
  EXPECT_FALSE(nav->run(MoveUp));
  EXPECT_FALSE(nav->run(MoveFirst));
  chooseFrame(nav, 6);
  EXPECT_FALSE(nav->run(MoveDown));
  EXPECT_FALSE(nav->run(MoveLast));
  EXPECT_EQ(d.questions("Шесть"), six);

  // Nothing tagged: the reminder, and nothing goes.
  ms().clearShown();
  EXPECT_FALSE(nav->run(DeleteFrames));
  EXPECT_EQ(d.lastText(), "Постиавьте \"галочки\" напротив удаляемых записей");

  // Frames 2 and 4 tagged by a click on their "." and deleted with the
  // Delete key after one question.
  auto* table = nav->frames()->table();
  int mark = -1;
  for (int c = 0; c < table->columnCount(); ++c)
    if (table->horizontalHeaderItem(c) && table->horizontalHeaderItem(c)->text() == ".") mark = c;
  ASSERT_GE(mark, 0);
  for (int row : {1, 3}) {
    const QRect cell = table->visualRect(table->model()->index(row, mark));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
  }
  EXPECT_EQ(nav->taggedCodes(), (std::vector<std::uint16_t>{2, 4}));
  // Another order keeps the tags.
  ASSERT_TRUE(nav->run(FlipDirection));
  EXPECT_EQ(nav->taggedCodes(), (std::vector<std::uint16_t>{2, 4}));
  ASSERT_TRUE(nav->run(FlipDirection));
  ms().clearShown();
  ms().script({messages::Yes});
  table = nav->frames()->table();
  QTest::keyClick(table, Qt::Key_Delete);
  QApplication::processEvents();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].text, "Вы уверены в том, что хотите удалить эту запись?");
  EXPECT_EQ(ms().shown()[0].caption, "Удаление записи");
  EXPECT_EQ(d.questions("Шесть"), (std::vector<std::string>{"Вопрос 1", "Вопрос 3", "Вопрос 5", "Вопрос 6"}));
  EXPECT_EQ(nav->frames()->rowCount(), 4);
  EXPECT_TRUE(nav->taggedCodes().empty());

  // A frame moved one place and to the end, and dragged onto the first row.
  chooseFrame(nav, 2);
  ASSERT_TRUE(nav->run(MoveDown));
  EXPECT_EQ(d.questions("Шесть"), (std::vector<std::string>{"Вопрос 1", "Вопрос 5", "Вопрос 3", "Вопрос 6"}));
  EXPECT_EQ(nav->currentFrame()->CODEVOP, 3) << "the moved frame stays highlighted";
  // The fourth row dragged onto the first.
  table = nav->frames()->table();
  const QPoint from = table->visualRect(table->model()->index(3, 1)).center();
  const QPoint to = table->visualRect(table->model()->index(0, 1)).center();
  QTest::mousePress(table->viewport(), Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), table->viewport()->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(table->viewport(), &move);
  QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, to);
  QApplication::processEvents();
  EXPECT_EQ(d.questions("Шесть"), (std::vector<std::string>{"Вопрос 6", "Вопрос 1", "Вопрос 5", "Вопрос 3"}));

  // A test that has been taken: a warning first; "No" leaves it as it was.
  ASSERT_TRUE(nav->selectTest("Пройденный"));
  chooseFrame(nav, 1);
  ms().clearShown();
  ms().script({messages::No});
  EXPECT_FALSE(nav->run(MoveDown));
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("уже проходили (5 раз)"), std::string::npos);
  EXPECT_EQ(d.questions("Пройденный"), (std::vector<std::string>{"Вопрос 1", "Вопрос 2", "Вопрос 3"}));
  ms().script({messages::Yes});
  EXPECT_TRUE(nav->run(MoveDown));
  EXPECT_EQ(d.questions("Пройденный"), (std::vector<std::string>{"Вопрос 2", "Вопрос 1", "Вопрос 3"}));
  ms().clearShown();
  ms().script({messages::No});
  EXPECT_FALSE(nav->run(Renumber)) << "asked again before the next change";
  EXPECT_EQ(ms().shown().size(), 1u);
  ms().script({});
}

TEST(ConstructorWindows, SortOrdersFilterAndTypeAhead) {
  Demo d;
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  ASSERT_TRUE(nav->selectTest(QString::fromStdString(d.inst.tests[1])));  // two variants
  auto codes = [nav] {
    std::vector<int> out;
    for (int r = 0; r < nav->frames()->rowCount(); ++r) out.push_back(nav->frames()->cellText(r, 0).trimmed().toInt());
    return out;
  };
  const int all = nav->frames()->rowCount();
  ASSERT_GE(all, 4);
  ASSERT_TRUE(nav->run(FlipDirection));
  auto down = codes();
  EXPECT_EQ(down.front(), all) << "descending by code";
  EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));
  ASSERT_TRUE(nav->run(SortByVariant));
  ASSERT_TRUE(nav->run(FlipDirection));
  std::vector<int> variants;
  for (int r = 0; r < nav->frames()->rowCount(); ++r) variants.push_back(nav->frames()->cellText(r, 2).trimmed().toInt());
  EXPECT_TRUE(std::is_sorted(variants.begin(), variants.end()));

  // The filter window's expression, criterion by criterion, and the list it leaves.
  struct Case {
    const char* what;
    std::function<void(FrameFilterWindow&)> tick;
    QString expression;
  } cases[] = {
      {"switch off", [](FrameFilterWindow& w) { w.variantBox->setChecked(true); }, ""},
      {"nothing ticked", [](FrameFilterWindow& w) { w.switchOn()->setChecked(true); }, ""},
      {"variant", [](FrameFilterWindow& w) {
         w.switchOn()->setChecked(true);
         w.variantBox->setChecked(true);
         w.variant->setValue(2);
       }, "(VOP:VarTest=2)"},
      {"all five in their order", [](FrameFilterWindow& w) {
         w.switchOn()->setChecked(true);
         for (auto* b : {w.typeBox, w.editBox, w.sectionBox, w.levelBox, w.variantBox}) b->setChecked(true);
         w.variant->setValue(1);
         w.level->setValue(3);
         w.section->setValue(2);
         w.edit->setCurrentIndex(0);
         w.type->setCurrentIndex(3);
       }, "(VOP:VarTest=1 AND VOP:Level=3 AND VOP:CodeRaz=2 AND VOP:TypeEdit='Stnd' AND VOP:TypeKadr=4)"},
      {"editor kind of an object frame", [](FrameFilterWindow& w) {
         w.switchOn()->setChecked(true);
         w.editBox->setChecked(true);
         w.edit->setCurrentIndex(2);
       }, "(VOP:TypeEdit='Objk')"},
  };
  for (const auto& c : cases) {
    FrameFilterWindow w(::constructor::FrameFilter{});
    c.tick(w);
    EXPECT_EQ(w.expression(), c.expression) << c.what;
  }
  FrameFilterWindow second(::constructor::FrameFilter{});
  second.switchOn()->setChecked(true);
  second.variantBox->setChecked(true);
  second.variant->setValue(2);
  nav->setFilter(second.filter());
  ASSERT_GT(nav->frames()->rowCount(), 0);
  ASSERT_LT(nav->frames()->rowCount(), all);
  for (int r = 0; r < nav->frames()->rowCount(); ++r) EXPECT_EQ(nav->frames()->cellText(r, 2).trimmed(), "2");
  nav->setFilter({});
  EXPECT_EQ(nav->frames()->rowCount(), all);

  // Typing finds a frame by its question.
  ASSERT_TRUE(nav->run(SortByCode));
  // Typed letter by letter, as the keyboard sends them.
  for (QChar ch : QStringLiteral("какая р")) {
    QKeyEvent press(QEvent::KeyPress, ch == ' ' ? Qt::Key_Space : Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(nav->frames()->table(), &press);
  }
  ASSERT_TRUE(nav->currentFrame());
  EXPECT_TRUE(QString::fromStdString(cp1251::toUtf8(nav->currentFrame()->VOPROS.text)).startsWith("Какая река"));
}

TEST(ConstructorWindows, ProtectedAndBrokenTestsKeepTheNavigatorWhereItWas) {
  Demo d;
  d.makeTest("Закрытый", 1, "секрет");
  std::ofstream(d.inst.library + "Битый.orm") << "это не тест";
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  const QString first = nav->currentTest();
  ASSERT_FALSE(first.isEmpty());
  int asked = 0;
  std::optional<std::string> answer;
  nav->askPassword = [&](const QString& name, const std::string& expected) {
    ++asked;
    EXPECT_EQ(name, "Закрытый");
    EXPECT_EQ(expected, u("секрет"));
    return answer;
  };
  const int closed = rowOf(nav->testsList(), "Закрытый");
  nav->testsList()->setCurrentCell(closed, 0);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(nav->currentTest(), first) << "cancelled: back to the previous test";
  EXPECT_NE(nav->testsList()->currentRow(), closed);
  answer = u("секрет");
  nav->testsList()->setCurrentCell(closed, 0);
  EXPECT_EQ(nav->currentTest(), "Закрытый");
  // Accepted once in this run: not asked again.
  ASSERT_TRUE(nav->selectTest(first));
  ASSERT_TRUE(nav->selectTest("Закрытый"));
  EXPECT_EQ(asked, 2);

  ms().clearShown();
  const int broken = rowOf(nav->testsList(), "Битый");
  ASSERT_GE(broken, 0);
  nav->testsList()->setCurrentCell(broken, 0);
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().caption, "Ошибка доступа к файлу");
  EXPECT_EQ(nav->currentTest(), "Закрытый");
  EXPECT_EQ(nav->testsList()->currentRow(), rowOf(nav->testsList(), "Закрытый"));
  // A broken file heading the list opens nothing, yet it can be deleted.
  std::filesystem::rename(d.inst.library + "Битый.orm", d.inst.library + "0 Битый.orm");
  nav->load();
  ASSERT_EQ(nav->selectedTest(), "0 Битый");
  EXPECT_FALSE(nav->testOpen());
  ms().script({messages::Yes});
  ASSERT_TRUE(nav->run(DeleteTest));
  ms().script({});
  EXPECT_FALSE(std::filesystem::exists(d.inst.library + "0 Битый.orm"));

  // The password window itself asks again without a message.
  TestPasswordWindow w("Закрытый", u("секрет"));
  w.field()->setText("не то");
  ms().clearShown();
  w.accept();
  EXPECT_NE(w.result(), QDialog::Accepted);
  EXPECT_TRUE(ms().shown().empty());
  w.field()->setText("секрет");
  w.accept();
  EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(ConstructorWindows, TrialRunRenameAndDelete) {
  Demo d;
  d.makeTest("Черновик", 1);
  ConstructorApp app(d.dir);
  std::vector<std::pair<QString, QString>> started;
  app.startProgram = [&](const QString& c, const QString& dir) {
    started.emplace_back(c, dir);
    return true;
  };
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  ASSERT_TRUE(nav->selectTest("Черновик"));
  ASSERT_TRUE(nav->run(TrialRun));
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].first, "Varnuke.exe");
  EXPECT_EQ(started[0].second, d.dir);
  EXPECT_EQ(d.ini().get("GlbTune", "SelTest"), d.inst.library + "Черновик.orm");
  EXPECT_EQ(d.ini().get("GlbTune", "ModeWork"), "9");

  whenShown<RenameTestWindow>([](RenameTestWindow* w) {
    EXPECT_EQ(w->windowTitle(), "Переименовать файл теста");
    w->newNameField()->setText("Чистовик");
    w->accept();
  });
  ASSERT_TRUE(nav->run(RenameTest));
  EXPECT_EQ(nav->currentTest(), "Чистовик");
  EXPECT_TRUE(std::filesystem::exists(d.inst.library + "Чистовик.orm"));
  EXPECT_FALSE(std::filesystem::exists(d.inst.library + "Черновик.orm"));

  ms().clearShown();
  ms().script({messages::No});
  EXPECT_FALSE(nav->run(DeleteTest));
  EXPECT_EQ(ms().shown().back().caption, "Удаление файлов сценария");
  EXPECT_TRUE(std::filesystem::exists(d.inst.library + "Чистовик.orm"));
  ms().script({messages::Yes});
  ASSERT_TRUE(nav->run(DeleteTest));
  EXPECT_FALSE(std::filesystem::exists(d.inst.library + "Чистовик.orm"));
  EXPECT_EQ(rowOf(nav->testsList(), "Чистовик"), -1);
  EXPECT_EQ(nav->testsList()->currentRow(), 0);
  EXPECT_FALSE(nav->currentTest().isEmpty()) << "the first test is open";
  ms().script({});
}

TEST(ConstructorWindows, ConsoleBasesAndLibraries) {
  Demo d;
  TempDir other;
  {
    tables::PathFile p;
    store::Table t(tables::pathFileDef(), p, d.inst.directory + "PathFile.tps");
    ASSERT_EQ(t.open(), store::Ok);
    p.CODEBD = 77;
    p.DIRBD = other.path();
    p.NAMEBD = u("Пустая база");
    ASSERT_EQ(t.add(), store::Ok);
  }
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  ConsoleWindow* console = app.console();
  Navigator* nav = app.navigator();
  EXPECT_EQ(console->libraryPath(), QString::fromStdString(d.inst.directory + "PathFile.tps"));
  ASSERT_GE(console->bases()->count(), 2);
  const int current = console->bases()->currentRow();
  ASSERT_GE(current, 0);
  QStringList zones;
  for (auto* l : nav->statusBar()->findChildren<QLabel*>()) zones << l->text();
  EXPECT_TRUE(zones.contains("БД - " + console->bases()->item(current)->text())) << zones.join("|").toStdString();
  EXPECT_TRUE(zones.contains(QString::fromStdString("Путь - " + d.inst.library))) << zones.join("|").toStdString();

  // A base without tests: "No" keeps the old base.
  int empty = -1;
  for (int i = 0; i < console->bases()->count(); ++i)
    if (console->bases()->item(i)->text() == "Пустая база") empty = i;
  ASSERT_GE(empty, 0);
  ms().clearShown();
  ms().script({messages::No});
  console->bases()->setCurrentRow(empty);
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "В данной библиотеке нет тестов|Создать новый тест?");
  EXPECT_EQ(ms().shown().back().caption, "Нет данных");
  EXPECT_EQ(console->bases()->currentRow(), current);
  EXPECT_EQ(nav->base(), d.inst.library);
  // "Yes": the base becomes current and a new test is asked for.
  ms().script({messages::Yes});
  bool asked = false;
  whenShown<CreateTestWindow>([&](CreateTestWindow* w) {
    asked = true;
    w->reject();
  });
  console->bases()->setCurrentRow(empty);
  EXPECT_TRUE(asked);
  EXPECT_EQ(nav->base(), other.path() + "/");
  EXPECT_EQ(d.ini().get("Path", "DirBD"), other.path() + "/");
  EXPECT_EQ(nav->windowTitle(), QString::fromStdString("Навигатор - [База Тестов - " + other.path() + "/]"));
  EXPECT_TRUE(nav->noTests());

  // The library switch there and back.
  ms().script({messages::Yes});
  ASSERT_TRUE(console->switchLibrary());
  EXPECT_EQ(ms().shown().back().text, "Переключиться на резервную библиотеку?");
  EXPECT_TRUE(console->reserve());
  EXPECT_EQ(console->libraryButton()->text(), "Резервная");
  EXPECT_EQ(console->libraryStatus()->text(), "Резервная библиотека");
  EXPECT_EQ(console->libraryPath(), QString::fromStdString(d.inst.directory + "PathFile.sec"));
  ms().script({messages::No});
  EXPECT_FALSE(console->switchLibrary());
  EXPECT_TRUE(console->reserve());
  ms().script({messages::Yes});
  ASSERT_TRUE(console->switchLibrary());
  EXPECT_EQ(ms().shown().back().text, "Переключиться на основную библиотеку?");
  EXPECT_EQ(console->libraryPath(), QString::fromStdString(d.inst.directory + "PathFile.tps"));
  EXPECT_EQ(console->libraryButton()->text(), "Основная");
  ms().script({});

  // Hiding the console is remembered.
  app.showConsole(false);
  EXPECT_EQ(d.ini().getInt("Vid", "Pult", 1), 0);
  app.showConsole(true);
  EXPECT_EQ(d.ini().getInt("Vid", "Pult", 0), 1);
}

TEST(ConstructorWindows, AnOpenEditorKeepsItsTablesAndGetsItsMenus) {
  Demo d;
  ConstructorApp app(d.dir);
  QPointer<FakeEditor> made;
  app.editors = [&](const EditorRequest& r, QWidget* parent) -> FrameEditorWindow* {
    EXPECT_FALSE(r.object);
    EXPECT_EQ(r.code, 1);
    made = new FakeEditor(parent);
    return made;
  };
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  const QString first = nav->currentTest();
  chooseFrame(nav, 1);
  ASSERT_TRUE(nav->run(OpenFrame));
  ASSERT_TRUE(made);
  EXPECT_TRUE(app.menuItem("Сохранить и закрыть")->isEnabled());
  app.menuItem("Единственный выбор")->trigger();
  app.menuItem("Звукозапись (MS SoundRec)")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(made->received, (std::vector<int>{kEditorCommands + 7, kObjectKinds + 8}));

  made->dirty = true;
  ms().clearShown();
  const int second = first == nav->testsList()->item(0, 0)->data(Qt::UserRole).toString() ? 1 : 0;
  nav->testsList()->setCurrentCell(second, 0);
  EXPECT_EQ(nav->currentTest(), first) << "refused while the editor holds changes";
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown().back().text.find("несохранённые изменения"), std::string::npos);
  EXPECT_TRUE(made);
  ms().script({messages::Yes});
  EXPECT_FALSE(nav->run(DeleteTest));
  EXPECT_TRUE(std::filesystem::exists(nav->test()->path()));
  // Frame codes stay while the editor holds its frame by code.
  const std::string test = nav->currentTest().toStdString();
  const auto before = d.questions(test);
  chooseFrame(nav, 3);
  nav->frames()->tagAll();
  for (int c : {DeleteFrames, MoveUp, Renumber}) EXPECT_FALSE(nav->run(c)) << c;
  EXPECT_FALSE(nav->dragFrame(3, 1));
  EXPECT_EQ(d.questions(test), before);
  EXPECT_FALSE(nav->run(RenameTest));
  EXPECT_FALSE(app.console()->switchLibrary());
  EXPECT_FALSE(app.console()->reserve());
  nav->frames()->untagAll();
  ms().script({});

  made->dirty = false;
  nav->testsList()->setCurrentCell(second, 0);
  EXPECT_NE(nav->currentTest(), first) << "nothing unsaved: the editor closed first";
  EXPECT_FALSE(made);
  EXPECT_FALSE(app.menuItem("Сохранить и закрыть")->isEnabled());
}

TEST(ConstructorWindows, AProgramClosedWithAnEditorOpenEndsCleanly) {
  Demo d;
  QPointer<FakeEditor> made;
  {
    ConstructorApp app(d.dir);
    app.editors = [&](const EditorRequest&, QWidget* parent) -> FrameEditorWindow* { return made = new FakeEditor(parent); };
    ASSERT_TRUE(app.start());
    signIn(app, d);
    chooseFrame(app.navigator(), 1);
    ASSERT_TRUE(app.navigator()->run(OpenFrame));
    ASSERT_TRUE(made);
    made->dirty = true;
  }
  EXPECT_FALSE(made);
}

TEST(ConstructorWindows, ANewProtectedTestOpensWithoutAskingItsPassword) {
  Demo d;
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  int asked = 0;
  nav->askPassword = [&](const QString&, const std::string&) -> std::optional<std::string> {
    ++asked;
    return std::nullopt;
  };
  whenShown<CreateTestWindow>([](CreateTestWindow* w) {
    w->nameField()->setText("Секретный");
    w->protect()->setChecked(true);
    w->password()->setText("пароль");
    w->confirmation()->setText("пароль");
    w->setSequence(CreateTestWindow::EnterFrames);
    w->accept();
  });
  ASSERT_TRUE(nav->run(NewTest));
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(nav->currentTest(), "Секретный");
}

}  // namespace
