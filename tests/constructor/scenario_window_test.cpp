// The scenario window on the demo installation: a new test cancelled in
// its scenario, the marking and time rules as the author meets them, the
// scale check, the distribution of variants, names and templates picked
// into the scenario, sections, and closing with unsaved changes.
#include <gtest/gtest.h>

#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include "browse.h"
#include "commands.h"
#include "constructor_app.h"
#include "cp1251.h"
#include "demo_data.h"
#include "message_service.h"
#include "navigator.h"
#include "scenario_dialogs.h"
#include "scenario_window.h"
#include "sections.h"
#include "sections_window.h"
#include "sign_in_window.h"
#include "templates_window.h"
#include "test_choice.h"
#include "test_dialogs.h"
#include "test_tables.h"
#include "when_shown.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }
std::string u(const std::string& s) { return cp1251::fromUtf8(s); }


struct Scene {
  TempDir tmp;
  demo::Installation inst;
  Startup s;
  Scene() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    messages::Scripted quiet;
    EXPECT_TRUE(startUp(s, inst.directory, quiet));
    ms().script({});
    ms().clearShown();
  }
  // The test's scenario as stored.
  tables::Tema stored(const std::string& test) {
    testfile::TestFile tf;
    tf.name(inst.library, test, s.inst.keyWord);
    EXPECT_EQ(tf.open(), store::Ok);
    return tf.tema;
  }
  tables::Titul title(const std::string& test) {
    testfile::TestFile tf;
    tf.name(inst.library, test, s.inst.keyWord);
    EXPECT_EQ(tf.open(), store::Ok);
    return tf.titul;
  }
  std::unique_ptr<ScenarioWindow> window(const std::string& test) {
    auto w = std::make_unique<ScenarioWindow>(s, inst.library, QStringLiteral("Основная"), test, ScenarioWindow::Change);
    EXPECT_TRUE(w->openTest());
    w->show();
    return w;
  }
};

QSpinBox* spin(ScenarioWindow& w, const char* field) { return qobject_cast<QSpinBox*>(w.control(QString::fromUtf8(field))); }
QCheckBox* box(ScenarioWindow& w, const char* field) { return qobject_cast<QCheckBox*>(w.control(QString::fromUtf8(field))); }
void choose(ScenarioWindow& w, const char* field, int value) {
  QButtonGroup* g = w.options(QString::fromUtf8(field));
  ASSERT_NE(g, nullptr) << field;
  ASSERT_NE(g->button(value), nullptr) << field << " " << value;
  g->button(value)->click();
}

TEST(ScenarioWindow, ANewTestCancelledInItsScenarioKeepsItsDefaults) {
  Scene st;
  ConstructorApp app(QString::fromStdString(st.inst.directory));
  ASSERT_TRUE(app.start());
  app.statusWindow()->password()->setText(QString::fromStdString(st.inst.adminPassword));
  app.statusWindow()->accept();
  Navigator* nav = app.navigator();
  bool scenarioShown = false;
  whenShown<CreateTestWindow>([&](CreateTestWindow* w) {
    w->nameField()->setText("Оптика");
    w->setSequence(CreateTestWindow::SetParameters);
    whenShown<ScenarioWindow>([&](ScenarioWindow* s) {
      scenarioShown = true;
      EXPECT_EQ(s->windowTitle(), "Создание нового сценария");
      // "Организация тестовых заданий" lists 2 before 1.
      QButtonGroup* modes = s->options("TEM:MODECONTROLZN");
      ASSERT_NE(modes, nullptr);
      EXPECT_EQ(modes->buttons().at(0)->text(), "Все задания -  в случайном порядке");
      EXPECT_EQ(modes->id(modes->buttons().at(0)), 2);
      EXPECT_EQ(modes->id(modes->buttons().at(1)), 1);
      qobject_cast<QLineEdit*>(s->control("TEM:NAME"))->setText("не сохранится");
      s->button("Отмена")->click();
    });
    w->accept();
  });
  ASSERT_TRUE(nav->run(NewTest));
  EXPECT_TRUE(scenarioShown);
  EXPECT_EQ(nav->currentTest(), "Оптика");
  const tables::Tema t = st.stored("Оптика");
  EXPECT_EQ(t.NAME.view(), u("Оптика"));
  EXPECT_EQ(t.TYPEOZENKA, 1);
  EXPECT_EQ(t.MODECONTROLZN, 1);
  EXPECT_EQ(t.TIMETEST, 20);
  EXPECT_EQ(t.HOWEND, 3);
  EXPECT_GT(t.CODETEMA, 0);
  // The Examiner lists the test and opens it.
  bool listed = false;
  for (const auto& e : examiner::testsIn(st.inst.library)) listed |= e.name == "Оптика";
  EXPECT_TRUE(listed);
}

TEST(ScenarioWindow, MarkingAndTimeChoicesForceTheirValues) {
  Scene st;
  const std::string test = st.inst.tests[0];
  auto w = st.window(test);
  choose(*w, "TEM:TYPEOZENKA", 2);
  EXPECT_TRUE(spin(*w, "TEM:BALLVOP")->isEnabled());
  EXPECT_FALSE(spin(*w, "TEM:BALLRANGE1")->isEnabled());
  spin(*w, "TEM:BALLVOP")->setValue(5);
  box(*w, "TEM:DIFFBALL")->setChecked(true);
  choose(*w, "TEM:TYPEOZENKA", 1);
  EXPECT_EQ(spin(*w, "TEM:BALLVOP")->value(), 1);
  EXPECT_FALSE(spin(*w, "TEM:BALLVOP")->isEnabled());
  EXPECT_FALSE(box(*w, "TEM:DIFFBALL")->isChecked());
  EXPECT_FALSE(box(*w, "TEM:DIFFBALL")->isEnabled());

  choose(*w, "TEM:HOWTIMETEST", 2);
  box(*w, "TEM:FREESEL")->setChecked(false);
  ASSERT_TRUE(spin(*w, "TEM:STOPTEST")->isEnabled());
  spin(*w, "TEM:STOPTEST")->setValue(5);
  EXPECT_TRUE(spin(*w, "TEM:TIMETEST")->isEnabled());
  choose(*w, "TEM:HOWTIMETEST", 1);
  EXPECT_EQ(spin(*w, "TEM:STOPTEST")->value(), 0);
  EXPECT_FALSE(spin(*w, "TEM:STOPTEST")->isEnabled());
  EXPECT_FALSE(spin(*w, "TEM:TIMETEST")->isEnabled());

  // Out of range: the standard range message.
  choose(*w, "TEM:HOWTIMETEST", 2);
  spin(*w, "TEM:STOPTEST")->setValue(31);
  ms().clearShown();
  emit spin(*w, "TEM:STOPTEST")->editingFinished();
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "Значение Число неверных ответов должно быть в диапазоне между 0 and 30.");
  EXPECT_EQ(ms().shown().back().caption, "Ошибка диапазона");
  choose(*w, "TEM:HOWTIMETEST", 1);

  ms().script({messages::Yes});  // the frames' points follow the new marking
  ASSERT_TRUE(w->save());
  ms().script({});
  const tables::Tema t = st.stored(test);
  EXPECT_EQ(t.TYPEOZENKA, 1);
  EXPECT_EQ(t.BALLVOP, 1);
  EXPECT_EQ(t.DIFFBALL, 0);
  EXPECT_EQ(t.STOPTEST, 0);
  EXPECT_EQ(t.HOWTIMETEST, 1);
}

TEST(ScenarioWindow, AScaleOutOfOrderIsRefusedOnItsTab) {
  Scene st;
  const std::string test = st.inst.tests[0];
  const tables::Tema before = st.stored(test);
  const std::int32_t version = st.title(test).VERSION;
  auto w = st.window(test);
  choose(*w, "TEM:MODEOZENKA", 1);
  spin(*w, "TEM:SHCALA2:4")->setValue(70);
  spin(*w, "TEM:SHCALA3:4")->setValue(81);
  spin(*w, "TEM:SHCALA4:4")->setValue(75);
  w->pages()->setCurrentIndex(0);
  w->scales()->setCurrentIndex(1);
  ms().clearShown();
  EXPECT_FALSE(w->save());
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "Неверный диапазон в шкале оценок");
  EXPECT_EQ(ms().shown().back().caption, "Сообщение программы");
  EXPECT_EQ(w->pages()->tabText(w->pages()->currentIndex()), "Оценивание");
  EXPECT_EQ(w->scales()->tabText(w->scales()->currentIndex()), "Четырехбальная шкала");
  EXPECT_EQ(st.stored(test).SHCALA, before.SHCALA) << "nothing saved";
  EXPECT_EQ(st.title(test).VERSION, version);
  // Equal neighbours are accepted.
  spin(*w, "TEM:SHCALA3:4")->setValue(70);
  spin(*w, "TEM:SHCALA4:4")->setValue(91);
  ASSERT_TRUE(w->save());
  const tables::Tema t = st.stored(test);
  EXPECT_EQ(t.SHCALA[1], 70);
  EXPECT_EQ(t.SHCALA[2], 70);
  EXPECT_EQ(t.SHCALA[3], 91);
  EXPECT_EQ(st.title(test).VERSION, version + 1);
}

TEST(ScenarioWindow, DistributionRefusesFewerVariantsThanTheChosenOne) {
  tables::Tema tema;
  tema.HOWRASPVAR = 1;
  DistributionWindow w(tema);
  EXPECT_EQ(w.windowTitle(), "Распределение по вариантам");
  EXPECT_FALSE(w.variant()->isEnabled());
  w.method()->button(3)->click();
  EXPECT_TRUE(w.variant()->isEnabled());
  EXPECT_EQ(w.variant()->value(), 1);
  w.variant()->setValue(3);
  w.variants()->setValue(2);
  ms().clearShown();
  w.accept();
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().text, "Количество вариантов меньше выбранного");
  EXPECT_EQ(ms().shown().back().caption, "Ошибка");
  EXPECT_NE(w.result(), QDialog::Accepted);
  EXPECT_EQ(tema.HOWRASPVAR, 1) << "nothing taken";
  w.variants()->setValue(4);
  w.accept();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(tema.HOWRASPVAR, 3);
  EXPECT_EQ(tema.SELVAR, 3);
  EXPECT_EQ(tema.REITING, 4);
  // Another method gives nobody a fixed variant.
  DistributionWindow again(tema);
  again.method()->button(2)->click();
  EXPECT_EQ(again.variant()->value(), 0);
  EXPECT_FALSE(again.variant()->isEnabled());
}

TEST(ScenarioWindow, PickedNamesAndTemplatesAreTakenAndCodesStay) {
  Scene st;
  const std::string test = st.inst.tests[1];
  const tables::Tema before = st.stored(test);
  auto w = st.window(test);
  std::vector<ScenarioWindow::Pick> asked;
  w->pickName = [&](ScenarioWindow::Pick p) -> std::optional<QString> {
    asked.push_back(p);
    if (p == ScenarioWindow::Pick::Course) return std::nullopt;  // closed without choosing
    return QStringLiteral("Петров Пётр Петрович");
  };
  w->findChild<QPushButton*>("TEM:NAMEWRI:pick")->click();
  w->findChild<QPushButton*>("TEM:NAMEKURS:pick")->click();
  EXPECT_EQ(asked, (std::vector<ScenarioWindow::Pick>{ScenarioWindow::Pick::Author, ScenarioWindow::Pick::Course}));
  EXPECT_EQ(qobject_cast<QLineEdit*>(w->control("TEM:NAMEWRI"))->text(), "Петров Пётр Петрович");

  // A template written in the templates window and chosen into the instruction.
  w->pickInstruction = [&]() -> std::optional<QString> {
    TemplatesWindow t(InstructionTemplates::fileOf(st.s.inst), true, w.get());
    whenShown<TemplateForm>([](TemplateForm* f) {
      f->text()->setPlainText("Экзамен\nНа каждый вопрос даётся одна попытка.");
      f->accept();
    });
    EXPECT_TRUE(t.addTemplate());
    EXPECT_EQ(t.list()->item(0, 1)->text(), "Экзамен");
    t.button("&Выбрать")->click();
    return t.chosen();
  };
  // Taken in at the cursor: what was typed before stays.
  auto* ins = qobject_cast<QPlainTextEdit*>(w->control("TIT:INS"));
  const QString typed = ins->toPlainText();
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == "Выбрать") b->click();
  const QString taken = QStringLiteral("Экзамен\nНа каждый вопрос даётся одна попытка.") + typed;
  EXPECT_EQ(ins->toPlainText(), taken);
  ASSERT_TRUE(w->save());
  const tables::Tema t = st.stored(test);
  EXPECT_EQ(t.NAMEWRI.view(), u("Петров Пётр Петрович"));
  EXPECT_EQ(t.CODEWRITER, before.CODEWRITER) << "the name is copied, the code stays";
  EXPECT_EQ(t.NAMEKURS.view(), before.NAMEKURS.view());
  EXPECT_EQ(st.title(test).INS.text, u(taken.toStdString()));
}

TEST(ScenarioWindow, SectionsClosingAndTheStatisticsPage) {
  Scene st;
  const std::string test = st.inst.tests[0];
  auto w = st.window(test);
  box(*w, "TEM:YESRAZ")->setChecked(true);
  SectionsList* sections = w->sections();
  ASSERT_TRUE(sections->isEnabled());
  const int before = sections->table()->rowCount();
  whenShown<SectionForm>([](SectionForm* f) {
    EXPECT_EQ(f->windowTitle(), "Добавление записи");
    f->numberBox()->setValue(7);
    f->nameBox()->setText("Повторение");
    f->accept();
  });
  ASSERT_TRUE(sections->addSection());
  EXPECT_EQ(sections->table()->rowCount(), before + 1);
  EXPECT_EQ(sections->currentNumber(), 7);
  ms().clearShown();
  whenShown<SectionForm>([](SectionForm* f) {
    f->numberBox()->setValue(7);
    f->nameBox()->setText("Ещё раз");
    f->accept();
    EXPECT_TRUE(f->isVisible()) << "the form stays";
    f->reject();
  });
  EXPECT_FALSE(sections->addSection());
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_EQ(ms().shown().back().caption, "Дубликат в ключе");
  EXPECT_NE(ms().shown().back().text.find("RAZ:KeyCodeRaz"), std::string::npos);

  // The statistics list names the sections once the test marks by them.
  bool found = false;
  for (int i = 0; i < w->statistics()->topLevelItemCount(); ++i)
    found |= w->statistics()->topLevelItem(i)->text(0) == "Повторение";
  EXPECT_TRUE(found);

  // Closing with changes asks; "Отмена" keeps the window, "Нет" drops them.
  qobject_cast<QLineEdit*>(w->control("TEM:NAME"))->setText("Другое название");
  emit qobject_cast<QLineEdit*>(w->control("TEM:NAME"))->textEdited("Другое название");
  ASSERT_TRUE(w->hasUnsavedChanges());
  ms().clearShown();
  ms().script({messages::Cancel});
  w->reject();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(ms().shown().back().text, "Сохранить изменения?");
  ms().script({messages::No});
  w->reject();
  EXPECT_FALSE(w->isVisible());
  ms().script({});
  EXPECT_NE(st.stored(test).NAME.view(), u("Другое название"));
}

TEST(ScenarioWindow, OpenedAndClosedUntouchedItIsNotChanged) {
  Scene st;
  for (const auto& test : st.inst.tests) {
    auto w = st.window(test);
    EXPECT_FALSE(w->hasUnsavedChanges()) << test;
    ms().clearShown();
    w->reject();
    EXPECT_TRUE(ms().shown().empty()) << test << ": nothing to ask about";
  }
}

TEST(ScenarioWindow, TheMarkingQuestionTheRetryQuestionAndSavingOnClose) {
  Scene st;
  const std::string test = st.inst.tests[0];  // a test with frames
  const tables::Tema before = st.stored(test);
  ASSERT_NE(before.TYPEOZENKA, 2);
  auto w = st.window(test);
  choose(*w, "TEM:TYPEOZENKA", 2);
  spin(*w, "TEM:BALLVOP")->setValue(3);
  ms().clearShown();
  ms().script({messages::No});
  EXPECT_FALSE(w->save());
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].caption, "Начисление баллов");
  EXPECT_EQ(st.stored(test).TYPEOZENKA, before.TYPEOZENKA) << "\"Нет\" saves nothing";

  // Meanwhile another station renames the test.
  {
    testfile::TestFile other;
    other.name(st.inst.library, test, st.s.inst.keyWord);
    ASSERT_EQ(other.open(), store::Ok);
    other.tema.NAME = u("Название с другой станции");
    ASSERT_EQ(other.temaT.put(), store::Ok);
  }
  ms().clearShown();
  ms().script({messages::Yes, messages::No});  // the marking: yes; the record changed: no
  EXPECT_FALSE(w->save());
  ASSERT_EQ(ms().shown().size(), 2u);
  EXPECT_EQ(ms().shown()[1].text, "Сохранить изменения в этой записи?");
  EXPECT_EQ(ms().shown()[1].caption, "Запись изменена");
  EXPECT_EQ(qobject_cast<QLineEdit*>(w->control("TEM:NAME"))->text(), "Название с другой станции") << "its values are shown";
  EXPECT_EQ(st.stored(test).TYPEOZENKA, before.TYPEOZENKA);

  // Changed again and closed: "Сохранить изменения?" - "Да" saves.
  choose(*w, "TEM:TYPEOZENKA", 2);
  spin(*w, "TEM:BALLVOP")->setValue(3);
  ms().clearShown();
  ms().script({messages::Yes, messages::Yes});  // save on closing; the marking
  w->reject();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(ms().shown().front().text, "Сохранить изменения?");
  const tables::Tema t = st.stored(test);
  EXPECT_EQ(t.TYPEOZENKA, 2);
  EXPECT_EQ(t.BALLVOP, 3);
  EXPECT_EQ(t.NAME.view(), u("Название с другой станции"));
  ms().script({});
}

TEST(ScenarioWindow, ANewPasswordIsTheTestsAtOnce) {
  Scene st;
  const std::string test = st.inst.tests[2];
  auto w = st.window(test);
  whenShown<NewPasswordWindow>([](NewPasswordWindow* p) {
    EXPECT_EQ(p->windowTitle(), "Новый пароль");
    p->password()->setText("тайна");
    p->confirmation()->setText("тайн");
    p->accept();
    EXPECT_TRUE(p->isVisible()) << "different entries: asked again";
    p->confirmation()->setText("тайна");
    p->accept();
  });
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == "Новый пароль") b->click();
  w->button("Отмена")->click();
  EXPECT_EQ(st.stored(test).PASSW.view(), u("тайна")) << "kept though the window was cancelled";
  tables::DataTest reg;
  store::Table t(tables::dataTestDef(), reg, st.inst.directory + "DataTest.tps");
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  reg.CODETEST = st.stored(test).CODETEMA;
  ASSERT_EQ(t.get(t.key("KEYCODE")), store::Ok);
  EXPECT_EQ(reg.PASSW.view(), u("тайна"));
}

TEST(ScenarioWindow, AnAuthorPickedFromTheDictionaryThroughTheProgram) {
  Scene st;
  ConstructorApp app(QString::fromStdString(st.inst.directory));
  ASSERT_TRUE(app.start());
  app.statusWindow()->password()->setText(QString::fromStdString(st.inst.adminPassword));
  app.statusWindow()->accept();
  Navigator* nav = app.navigator();
  const std::string test = nav->currentTest().toStdString();
  const tables::Tema before = st.stored(test);
  QString picked;
  whenShown<ScenarioWindow>([&](ScenarioWindow* s) {
    whenShown<ui::BrowseWindow>([&](ui::BrowseWindow* b) {
      EXPECT_EQ(b->windowTitle(), "Список авторов");
      ASSERT_GT(b->rowCount(), 1);
      ASSERT_TRUE(b->choose(b->positionAt(1)));
      picked = b->cellText(1, 1).trimmed();
      b->selectRecord();
    });
    s->findChild<QPushButton*>("TEM:NAMEWRI:pick")->click();
    s->button("Готово")->click();
  });
  nav->run(OpenScenario);
  ASSERT_FALSE(picked.isEmpty());
  const tables::Tema t = st.stored(test);
  EXPECT_EQ(QString::fromStdString(t.NAMEWRI.utf8()), picked);
  EXPECT_EQ(t.CODEWRITER, before.CODEWRITER);
}

TEST(ScenarioWindow, TheSectionsWindowSortsAndChooses) {
  Scene st;
  testfile::TestFile tf;
  tf.name(st.inst.library, st.inst.tests[0], st.s.inst.keyWord);
  ASSERT_EQ(tf.open(), store::Ok);
  ASSERT_TRUE(addSection(tf, 6, "Яблоки"));
  ASSERT_TRUE(addSection(tf, 7, "Арбузы"));
  SectionsWindow w(tf, true);
  EXPECT_EQ(w.windowTitle(), "Разделы Теста");
  auto names = [&] {
    QStringList out;
    for (int r = 0; r < w.list()->table()->rowCount(); ++r) out << w.list()->table()->item(r, 1)->text();
    return out;
  };
  const QStringList byNumber = names();
  ASSERT_GE(byNumber.size(), 2);
  EXPECT_LT(byNumber.indexOf("Яблоки"), byNumber.indexOf("Арбузы"));
  for (auto* b : w.findChildren<QPushButton*>())
    if (b->text() == "&Сортировка") b->click();
  EXPECT_GT(names().indexOf("Яблоки"), names().indexOf("Арбузы")) << "by name";
  w.list()->table()->selectRow(names().indexOf("Арбузы"));
  for (auto* b : w.findChildren<QPushButton*>())
    if (b->text() == "&Выбрать") b->click();
  EXPECT_EQ(w.result(), QDialog::Accepted);
  EXPECT_EQ(w.chosenNumber(), 7);
  EXPECT_EQ(w.chosenName(), "Арбузы");
}

}  // namespace
