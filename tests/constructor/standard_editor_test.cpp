// The standard frame editor on a demo installation: new frames and their
// codes, the kinds by tab, frames of every kind made through the window and
// answered in the preview, the picture layouts, unsaved changes, points
// under a range, the font and the console's parameters.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>

#include <filesystem>
#include <fstream>

#include "answer_panel.h"
#include "commands.h"
#include "console_window.h"
#include "constructor_app.h"
#include "cp1251.h"
#include "demo_data.h"
#include "frame_editing.h"
#include "frame_object.h"
#include "frame_objects.h"
#include "frame_operations.h"
#include "frame_preview_window.h"
#include "message_service.h"
#include "navigator.h"
#include "sign_in_window.h"
#include "standard_editor.h"
#include "tables_central.h"
#include "test_register.h"
#include "test_tables.h"
#include "user_events.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }
std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

struct Base {
  TempDir tmp;
  demo::Installation inst;
  Startup s;
  Base() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    EXPECT_TRUE(startUp(s, inst.directory, ms()));
    ms().script({});
    ms().clearShown();
  }
  std::string lastText() const { return ms().shown().empty() ? std::string() : ms().shown().back().text; }
  // A new test of `count` frames "Вопрос 1" ...; `tune` may change its scenario.
  void makeTest(const std::string& name, int count, const std::function<void(tables::Tema&)>& tune = {}) {
    TestRegister reg(inst.directory + "DataTest.tps");
    NewTestRequest r;
    r.baseDir = inst.library;
    r.name = name;
    r.keyWord = u(inst.keyWord);
    std::uint16_t code = 0;
    Outcome o = reg.create(r, code);
    ASSERT_TRUE(o) << o.message;
    testfile::TestFile tf;
    open(tf, name);
    if (tune) {
      ASSERT_EQ(tf.temaT.set(), store::Ok);
      ASSERT_EQ(tf.temaT.next(), store::Ok);
      tune(tf.tema);
      ASSERT_EQ(tf.temaT.put(), store::Ok);
    }
    for (int k = 1; k <= count; ++k) {
      std::uint16_t c = 0;
      ASSERT_TRUE(newFrame(tf, tables::VopParam{}, "Stnd", c));
      tf.vop.CODEVOP = c;
      ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
      tf.vop.VOPROS = u("Вопрос " + std::to_string(k));
      tf.vop.VAROT11 = u("да");
      tf.vop.VAROT12 = u("нет");
      tf.vop.KOLOT = 2;
      tf.vop.TRUEOT[0] = 1;
      ASSERT_EQ(tf.vopT.put(), store::Ok);
    }
  }
  void open(testfile::TestFile& tf, const std::string& name) {
    tf.name(inst.library, name, s.inst.keyWord);
    ASSERT_EQ(tf.open(), store::Ok);
  }
  std::vector<tables::Vop> frames(const std::string& name) {
    testfile::TestFile tf;
    open(tf, name);
    std::vector<tables::Vop> out;
    tf.frames(out);
    return out;
  }
  std::unique_ptr<StandardEditor> editor(const std::string& test, std::uint16_t code) {
    auto e = std::make_unique<StandardEditor>(s, EditorRequest{inst.library, test, s.inst.keyWord, code, false});
    EXPECT_TRUE(e->open());
    return e;
  }
  QByteArray fileHash(const std::string& test) {
    QFile f(QString::fromStdString(inst.library + test + ".orm"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
  }
};

void type(QPlainTextEdit* box, const QString& text) { box->setPlainText(text); }

}  // namespace

TEST(StandardEditor, NewFramesTakeTheNextCodeAndAnUntouchedOneGoesAgain) {
  Base b;
  b.makeTest("Пустой", 0);
  b.makeTest("Три", 3);
  {
    auto e = b.editor("Пустой", 0);
    EXPECT_EQ(e->code(), 1);
    EXPECT_TRUE(e->isNewFrame());
    EXPECT_NE(e->windowTitle().indexOf(QStringLiteral("Новый кадр")), -1);
    EXPECT_NE(e->windowTitle().indexOf(QStringLiteral("Ормида [Стандартный редактор кадров] - Тест: Пустой")), -1);
    EXPECT_EQ(b.frames("Пустой").size(), 1u) << "added at once";
    EXPECT_TRUE(e->close());
  }
  EXPECT_TRUE(b.frames("Пустой").empty()) << "a new frame never saved is deleted on closing";
  {
    auto e = b.editor("Три", 0);
    EXPECT_EQ(e->code(), 4);
    type(e->questionBox(), QStringLiteral("Столица России?"));
    e->setKind(6);
    e->slotBox(1)->setText(QStringLiteral("Москва"));
    ASSERT_TRUE(e->run(StandardEditor::SaveAndNew)) << b.lastText();
    EXPECT_EQ(e->code(), 5) << "after saving, the next new frame";
    // Leaving the untouched new frame for another drops it.
    ASSERT_TRUE(e->run(StandardEditor::Previous));
    EXPECT_EQ(e->code(), 4);
    EXPECT_FALSE(e->isNewFrame());
  }
  auto frames = b.frames("Три");
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[3].TYPEKADR, 6);
  EXPECT_EQ(cp1251::toUtf8(std::string(frames[3].TRUEOTSTR.view())), "Москва");
}

TEST(StandardEditor, TabsSetTheKindsTheExaminerChecks) {
  Base b;
  b.makeTest("Виды", 0);
  auto e = b.editor("Виды", 0);
  // Tab order: Выбор-N, Выбор-1, Ранжир, Сопоставление, Дополнение, Генератор.
  const std::pair<int, int> tabs[] = {{1, 3}, {2, 2}, {3, 4}, {4, 5}, {5, 7}, {0, 1}};
  for (auto [tab, kind] : tabs) {
    e->tabs()->setCurrentIndex(tab);
    EXPECT_EQ(e->current().TYPEKADR, kind) << "tab " << tab;
  }
  e->tabs()->setCurrentIndex(4);
  e->keywordsBox()->setChecked(false);
  EXPECT_EQ(e->current().TYPEKADR, 6) << "an exact answer without keywords";
  e->keywordsBox()->setChecked(true);
  EXPECT_EQ(e->current().TYPEKADR, 5);
  // A completion frame shows five answer boxes bound to variants 5..9, no variant boxes.
  EXPECT_FALSE(e->variantBox(1)->isVisibleTo(e.get()));
  for (int j = 1; j <= 5; ++j) {
    EXPECT_TRUE(e->slotBox(j)->isVisibleTo(e.get())) << j;
    e->slotBox(j)->setText(QStringLiteral("слово%1").arg(j));
  }
  const tables::Vop v = e->current();
  for (int j = 1; j <= 5; ++j) EXPECT_EQ(cp1251::toUtf8(std::string(v.varot1(4 + j).view())), "слово" + std::to_string(j));
  // The "&Редактор" menu's kind items switch the tab too.
  QCoreApplication::postEvent(e.get(), new ui::UserEvent(kEditorCommands + 7));
  QApplication::processEvents();
  EXPECT_EQ(e->kind(), 3);
  EXPECT_EQ(e->tabs()->currentIndex(), 1);
}

namespace {

struct KindCase {
  const char* name;
  std::function<void(StandardEditor&)> make;
  std::function<void(common::AnswerPanel&)> right, wrong;
};

void variants(StandardEditor& e, std::initializer_list<const char*> texts) {
  int i = 1;
  for (const char* t : texts) type(e.variantBox(i++), QString::fromUtf8(t));
}

}  // namespace

TEST(StandardEditor, EveryKindMadeInTheWindowIsTakenRightOnlyWithItsKeyInThePreview) {
  Base b;
  b.makeTest("Все виды", 0);
  const KindCase cases[] = {
      {"выбор-N",
       [](StandardEditor& e) {
         e.setKind(1);
         variants(e, {"2", "3", "4"});
         e.rightBox(1)->setChecked(true);
         e.rightBox(3)->setChecked(true);
       },
       [](common::AnswerPanel& p) { p.click(1), p.click(3); }, [](common::AnswerPanel& p) { p.click(1); }},
      {"ранжир",
       [](StandardEditor& e) {
         e.setKind(2);
         variants(e, {"два", "один", "три"});
         e.placeBox(1)->setValue(2);
         e.placeBox(2)->setValue(1);
         e.placeBox(3)->setValue(3);
       },
       // Each click gives the variant the next place.
       [](common::AnswerPanel& p) { p.click(1), p.click(1), p.click(2), p.click(3), p.click(3), p.click(3); },
       [](common::AnswerPanel& p) { p.click(1), p.click(2), p.click(2), p.click(3), p.click(3), p.click(3); }},
      {"выбор-1",
       [](StandardEditor& e) {
         e.setKind(3);
         variants(e, {"Лондон", "Москва"});
         e.singleBox(2)->setChecked(true);
       },
       [](common::AnswerPanel& p) { p.click(2); }, [](common::AnswerPanel& p) { p.click(1); }},
      {"сопоставление",
       [](StandardEditor& e) {
         e.setKind(4);
         variants(e, {"Франция", "Россия"});
         e.rowBox(1)->setText(QStringLiteral("Москва"));
         e.rowBox(2)->setText(QStringLiteral("Париж"));
         e.matchBox(1)->setCurrentIndex(2);
         e.matchBox(2)->setCurrentIndex(1);
       },
       // A row's click gives it the next variant number.
       [](common::AnswerPanel& p) { p.click(1), p.click(1), p.click(2); },
       [](common::AnswerPanel& p) { p.click(1), p.click(2), p.click(2); }},
      {"дополнение",
       [](StandardEditor& e) {
         e.setKind(5);
         e.slotBox(1)->setText(QStringLiteral("алгоритм"));
         e.secondSlotBox(1)->setText(QStringLiteral("программа, план"));
       },
       [](common::AnswerPanel& p) { p.answerText(QStringLiteral("план")); },
       [](common::AnswerPanel& p) { p.answerText(QStringLiteral("машина")); }},
      {"точный ответ",
       [](StandardEditor& e) {
         e.setKind(5);
         e.keywordsBox()->setChecked(false);
         e.slotBox(1)->setText(QStringLiteral("Москва"));
       },
       [](common::AnswerPanel& p) { p.answerText(QStringLiteral("Москва")); },
       [](common::AnswerPanel& p) { p.answerText(QStringLiteral("Москва-река")); }},
      {"генератор",
       [](StandardEditor& e) {
         e.setKind(7);
         e.algorithmBox()->setPlainText(QStringLiteral("#1=2\n#2=#1*21"));
         e.slotBox(1)->setText(QStringLiteral("42"));
       },
       [](common::AnswerPanel& p) { p.answerText(QStringLiteral("42")); },
       [](common::AnswerPanel& p) { p.answerText(QStringLiteral("41")); }},
  };
  auto e = b.editor("Все виды", 0);
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.name);
    type(e->questionBox(), QStringLiteral("Вопрос: ") + QString::fromUtf8(c.name));
    c.make(*e);
    ASSERT_TRUE(e->save()) << b.lastText();
    const std::uint16_t code = e->code();
    auto frames = b.frames("Все виды");
    ASSERT_GE(frames.size(), code);
    tables::Vop saved = frames[code - 1];
    for (bool right : {true, false}) {
      tables::Vop copy = saved;
      FramePreviewWindow w(copy, e->test().tema, e->tune());
      EXPECT_FALSE(w.checkAnswer().correct) << "no answer yet";
      (right ? c.right : c.wrong)(*w.panel());
      EXPECT_EQ(w.checkAnswer().correct, right) << (right ? "the key" : "another answer");
      EXPECT_FALSE(w.verdict()->text().isEmpty());
    }
    ASSERT_TRUE(e->startNewFrame());
  }
  EXPECT_TRUE(e->close());
  auto frames = b.frames("Все виды");
  ASSERT_EQ(frames.size(), 7u);
  EXPECT_EQ(frames[5].TYPEKADR, 6);
  EXPECT_EQ(frames[6].TYPEKADR, 7);
  EXPECT_EQ(cp1251::toUtf8(std::string(frames[6].ALGORITM[1].view())), "#2=#1*21");
}

TEST(StandardEditor, PictureLayoutsStepRoundAndOnlyReadablePicturesGoIn) {
  Base b;
  b.makeTest("Рисунок", 1);
  auto e = b.editor("Рисунок", 1);
  const std::string png = (b.tmp / "p.png");
  QImage img(60, 30, QImage::Format_RGB32);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(QString::fromStdString(png)));
  const std::string txt = (b.tmp / "not-a-picture.bmp");
  std::ofstream(txt) << "plain text";

  EXPECT_FALSE(e->insertPicture(QString::fromStdString(txt)));
  EXPECT_NE(b.lastText().find("не является рисунком"), std::string::npos);
  EXPECT_TRUE(e->current().BLOBVOP.empty());

  ASSERT_TRUE(e->insertPicture(QString::fromStdString(png)));
  EXPECT_EQ(e->current().YESIMAGE, 1);
  const int expected[] = {2, 3, 4, 5, 1};
  for (int step : expected) {
    e->stepLayout();
    EXPECT_EQ(e->current().YESIMAGE, step);
  }
  e->stepLayout();
  e->stepLayout();  // layout 3: scaled to a height of 201
  EXPECT_EQ(e->pictureLabel()->geometry(), QRect(17, 15, 60 * 201 / 30, 201));
  ASSERT_TRUE(e->save()) << b.lastText();
  EXPECT_EQ(b.frames("Рисунок")[0].YESIMAGE, 3);
  EXPECT_FALSE(b.frames("Рисунок")[0].BLOBVOP.empty());

  e->removePicture();
  EXPECT_EQ(e->current().YESIMAGE, 0);
  EXPECT_TRUE(e->current().BLOBVOP.empty());
}

TEST(StandardEditor, AFrameOpenedAndClosedUnchangedIsNotWrittenAndChangesAreAskedAbout) {
  Base b;
  b.makeTest("Тихо", 2);
  const QByteArray before = b.fileHash("Тихо");
  {
    auto e = b.editor("Тихо", 2);
    EXPECT_FALSE(e->hasUnsavedChanges());
    ASSERT_TRUE(e->run(StandardEditor::Previous));
    EXPECT_EQ(e->code(), 1);
    EXPECT_TRUE(e->run(StandardEditor::SaveAndClose));
  }
  EXPECT_EQ(b.fileHash("Тихо"), before) << "nothing written";

  auto e = b.editor("Тихо", 1);
  type(e->questionBox(), QStringLiteral("Изменённый вопрос"));
  EXPECT_TRUE(e->hasUnsavedChanges());
  ms().script({messages::Cancel});
  EXPECT_FALSE(e->close());
  EXPECT_NE(b.lastText().find("Сохранить изменения?"), std::string::npos);
  ms().script({messages::No});
  EXPECT_TRUE(e->close());
  EXPECT_EQ(b.fileHash("Тихо"), before) << "not saved";

  auto again = b.editor("Тихо", 1);
  type(again->questionBox(), QStringLiteral("Изменённый вопрос"));
  // Moving to another frame saves first.
  ASSERT_TRUE(again->run(StandardEditor::Next));
  EXPECT_EQ(cp1251::toUtf8(b.frames("Тихо")[0].VOPROS.text), "Изменённый вопрос");
  ms().script({});
}

TEST(StandardEditor, PointsTypedWithinTheRangeStayAsTypedWhateverTheLevel) {
  Base b;
  b.makeTest("Баллы", 1, [](tables::Tema& t) {
    t.TYPEOZENKA = 3;
    t.BALLRANGE = {1, 10};
    t.ADDLEVEL = 1;
    t.MODELEVEL = 1;
  });
  auto e = b.editor("Баллы", 1);
  FrameParameters p = e->parameters();
  p.points = 4;
  p.level = 3;
  EXPECT_TRUE(e->setParameters(p).empty());
  ASSERT_TRUE(e->save()) << b.lastText();
  type(e->questionBox(), QStringLiteral("Вопрос ещё раз"));
  ASSERT_TRUE(e->save()) << b.lastText();
  const auto v = b.frames("Баллы")[0];
  EXPECT_EQ(v.BALLVOP, 4);
  EXPECT_EQ(v.LEVEL, 3);
  // Out of range values are named and change nothing.
  p.level = 9;
  p.attempts = 0;
  const auto problems = e->setParameters(p);
  EXPECT_EQ(problems.size(), 2u);
  EXPECT_EQ(e->parameters().level, 3);
}

TEST(StandardEditor, TextsOutsideTheCodePageAreNamedBeforeSaving) {
  Base b;
  b.makeTest("Знаки", 1);
  auto e = b.editor("Знаки", 1);
  type(e->questionBox(), QStringLiteral("Сколько будет 2 × 2?"));
  EXPECT_FALSE(e->save());
  EXPECT_NE(b.lastText().find("«×»"), std::string::npos) << b.lastText();
  EXPECT_EQ(cp1251::toUtf8(b.frames("Знаки")[0].VOPROS.text), "Вопрос 1");
}

TEST(StandardEditor, TheFontKeptForTheExaminerSwitchesItOn) {
  Base b;
  b.makeTest("Шрифт", 1);
  auto e = b.editor("Шрифт", 1);
  e->pickFont = [](const QFont&) -> std::optional<QFont> {
    QFont f(QStringLiteral("DejaVu Serif"), 14);
    f.setBold(true);
    return f;
  };
  ms().script({messages::Yes});
  ASSERT_TRUE(e->chooseFont());
  EXPECT_NE(b.lastText().find("Использовать этот шрифт постоянно?"), std::string::npos);
  tables::TuneTest tune;
  store::Table t(tables::tuneTestDef(), tune, b.s.inst.central(tables::files::TuneTest));
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  ASSERT_EQ(t.set(), store::Ok);
  ASSERT_EQ(t.next(), store::Ok);
  EXPECT_EQ(tune.YESFONT, 1);
  EXPECT_EQ(cp1251::toUtf8(std::string(tune.FONTNAME[0].view())), "DejaVu Serif");
  EXPECT_EQ(tune.FONTSIZE[1], 14);
  EXPECT_EQ(tune.FONTSTYLE[0] & 0xFFF, 700);
  ms().script({});
}

TEST(StandardEditor, TheConsoleEditsTheOpenFrameAndKeepsItsParametersForNewFrames) {
  Base b;
  ConstructorApp app(QString::fromStdString(b.inst.directory));
  app.editors = standardEditors(app.startup());
  ASSERT_TRUE(app.start());
  ASSERT_NE(app.statusWindow(), nullptr);
  app.statusWindow()->password()->setText(QString::fromStdString(b.inst.adminPassword));
  app.statusWindow()->accept();
  Navigator* nav = app.navigator();
  ASSERT_NE(nav, nullptr);
  ASSERT_TRUE(nav->testOpen());
  const int before = nav->frameCount();
  ASSERT_TRUE(nav->run(NewStandardFrame));
  auto* e = qobject_cast<StandardEditor*>(app.editor());
  ASSERT_NE(e, nullptr);
  ConsoleWindow* c = app.console();
  QLineEdit* points = c->parameterBox(QStringLiteral("Балл:"));
  ASSERT_FALSE(points->isReadOnly()) << "editable while a frame is open";
  points->setText(QStringLiteral("7"));
  points->setModified(true);
  emit points->editingFinished();
  QLineEdit* time = c->parameterBox(QStringLiteral("Время:"));
  time->setText(QStringLiteral("90"));
  time->setModified(true);
  emit time->editingFinished();
  EXPECT_EQ(e->parameters().points, 7);
  EXPECT_EQ(e->parameters().time, 90);
  ms().clearShown();
  c->defaultsButton()->click();
  tables::VopParam d;
  ASSERT_TRUE(readFrameDefaults(frameDefaultsFile(app.startup().inst), d));
  EXPECT_EQ(d.TIMEVOP, 90);
  EXPECT_EQ(d.BALLVOP, 7);

  // The next new frame starts from them.
  type(e->questionBox(), QStringLiteral("Первый"));
  variants(*e, {"да", "нет"});
  e->rightBox(1)->setChecked(true);
  ASSERT_TRUE(e->run(StandardEditor::SaveAndNew)) << b.lastText();
  EXPECT_EQ(e->parameters().time, 90);
  EXPECT_EQ(c->parameter(QStringLiteral("Время:")), QStringLiteral("90"));
  ASSERT_TRUE(e->run(StandardEditor::Close));
  QApplication::processEvents();
  EXPECT_FALSE(app.editor());
  EXPECT_TRUE(c->parameterBox(QStringLiteral("Балл:"))->isReadOnly()) << "read-only again without an editor";
  EXPECT_EQ(nav->frameCount(), before + 1);
}

TEST(StandardEditor, SavingNeverWritesOverAnotherFrame) {
  Base b;
  b.makeTest("Пропуски", 3);
  {
    // An older file with a gap in its codes: 1, 3.
    testfile::TestFile tf;
    b.open(tf, "Пропуски");
    tf.vop.CODEVOP = 2;
    ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
    ASSERT_EQ(tf.vopT.del(), store::Ok);
  }
  {
    auto e = b.editor("Пропуски", 3);
    type(e->questionBox(), QStringLiteral("Третий, исправленный"));
    ASSERT_TRUE(e->save()) << b.lastText();
    EXPECT_EQ(e->code(), 2) << "the frame follows its code as the codes close up";
  }
  auto frames = b.frames("Пропуски");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(cp1251::toUtf8(frames[1].VOPROS.text), "Третий, исправленный");

  // Another station changes the open frame meanwhile: nothing is written over it.
  auto e = b.editor("Пропуски", 1);
  {
    testfile::TestFile other;
    b.open(other, "Пропуски");
    other.vop.CODEVOP = 1;
    ASSERT_EQ(other.vopT.get(other.vopT.key("KEYCODEVOP")), store::Ok);
    other.vop.VOPROS = u("Чужая правка");
    ASSERT_EQ(other.vopT.put(), store::Ok);
  }
  type(e->questionBox(), QStringLiteral("Моя правка"));
  EXPECT_FALSE(e->save());
  EXPECT_NE(b.lastText().find("на другой станции"), std::string::npos) << b.lastText();
  EXPECT_EQ(cp1251::toUtf8(b.frames("Пропуски")[0].VOPROS.text), "Чужая правка");
  ms().script({messages::No});
  EXPECT_TRUE(e->close());
  ms().script({});
}

TEST(StandardEditor, SwitchingKindsAndSectionsKeepsOnlyWhatTheNewKindMeans) {
  Base b;
  b.makeTest("Переходы", 1);
  {
    // Defaults from another test name a section this test does not have.
    tables::Vop from;
    from.CODERAZ = 3;
    from.RAZDEL = u("Оптика");
    from.LEVEL = 2;
    from.KOLPOP = 1;
    ASSERT_TRUE(writeFrameDefaults(frameDefaultsFile(b.s.inst), from));
  }
  auto e = b.editor("Переходы", 0);
  EXPECT_EQ(e->parameters().section, 0) << "no section of another test";
  EXPECT_EQ(e->parameters().level, 2);
  FrameParameters p = e->parameters();
  p.level = 4;
  EXPECT_TRUE(e->setParameters(p).empty());

  // Variants of a choice frame do not become completion answers.
  e->setKind(1);
  variants(*e, {"а", "б", "в", "г", "д", "е"});
  e->setKind(5);
  for (int j = 1; j <= 5; ++j) EXPECT_TRUE(e->slotBox(j)->text().isEmpty()) << j;
  // A generator's lines are checked, not cut.
  e->setKind(7);
  type(e->questionBox(), QStringLiteral("Вычислите"));
  e->slotBox(1)->setText(QStringLiteral("42"));
  e->algorithmBox()->setPlainText(QString(51, QLatin1Char('x')));
  EXPECT_FALSE(e->save());
  EXPECT_NE(b.lastText().find("строка 1: длиннее 50"), std::string::npos) << b.lastText();
  e->algorithmBox()->setPlainText(QStringLiteral("#1=6\n#2=#1*7"));
  ASSERT_TRUE(e->save()) << b.lastText();
  const auto v = b.frames("Переходы")[1];
  EXPECT_EQ(v.TYPEKADR, 7);
  EXPECT_EQ(v.LEVEL, 4);
  EXPECT_EQ(v.CODERAZ, 0);
  EXPECT_TRUE(v.VAROT16.blank()) << "the choice variants are gone";
}

TEST(StandardEditor, ThePreviewPlacesInputFieldsWhereTheAuthorClicks) {
  Base b;
  tables::Vop v;
  v.CODEVOP = 1;
  v.TYPEKADR = 5;
  v.TYPEETOT = 1;
  v.VOPROS = u("Столица Франции — ____, Германии — ____.");
  v.VAROT15 = u("Париж");
  v.VAROT16 = u("Берлин");
  v.KOLOT = 2;
  tables::Tema tema;
  tables::TuneTest tune;
  FramePreviewWindow w(v, tema, tune);
  ASSERT_NE(w.fieldChoice(), nullptr);
  EXPECT_EQ(w.fieldCount(), 0);
  w.placeField(QPoint(120, 30));
  w.fieldChoice()->setValue(2);
  w.placeField(QPoint(260, 30));
  EXPECT_EQ(w.fieldCount(), 2);
  EXPECT_TRUE(w.inTextBox()->isChecked());
  EXPECT_EQ(v.HOWVVODDOP, 1);
  EXPECT_EQ(v.CRDNX[0], 120);
  EXPECT_EQ(v.CRDNY[0], 30) << "the clicked point";
  EXPECT_EQ(w.field(1)->geometry().top(), 30 - FramePreviewWindow::kFieldRise);
  // The fields are answered in order, as the Examiner reads the items.
  w.field(1)->setText(QStringLiteral("Париж"));
  emit w.field(1)->textEdited(w.field(1)->text());
  EXPECT_FALSE(w.checkAnswer().correct) << "one of two";
  w.field(2)->setText(QStringLiteral("Берлин"));
  emit w.field(2)->textEdited(w.field(2)->text());
  EXPECT_TRUE(w.checkAnswer().correct);
  // Removing the first moves the second into its place.
  w.fieldChoice()->setValue(1);
  ASSERT_TRUE(w.removeField());
  EXPECT_EQ(w.fieldCount(), 1);
  EXPECT_EQ(v.CRDNX[0], 260);
  for (int k = 0; k < 5; ++k) w.addField();
  EXPECT_EQ(w.fieldCount(), FramePreviewWindow::kMostFields) << "five at most";
}

TEST(StandardEditor, DocumentsInsideFramesAndTheObjectFrameEditor) {
  Base b;
  b.makeTest("Документы", 1);
  {
    auto e = b.editor("Документы", 1);
    // One of the menu's kinds: a new empty document, opened by a button, kept in the record.
    QCoreApplication::postEvent(e.get(), new ui::UserEvent(kObjectKinds + 2));
    QApplication::processEvents();
    tables::Vop v = e->current();
    EXPECT_EQ(v.OBJECTTYPE, "O");
    EXPECT_EQ(v.OBJECTLINK, "N");
    EXPECT_EQ(v.OBJECTSHOW, "A");
    EXPECT_EQ(v.OBJECTSAVE, "B");
    EXPECT_NE(e->objectLabel()->text().indexOf(QStringLiteral("Таблица.fods")), -1);
    // "Отмена" in "Вставка объекта" leaves the frame without any object.
    e->selectObject = [](const ObjectChoice&, bool, QWidget*) -> std::optional<StandardEditor::ObjectRequest> { return std::nullopt; };
    EXPECT_FALSE(e->insertObject(false));
    v = e->current();
    for (const auto* f : {&v.OBJECTTYPE, &v.OBJECTSHOW}) EXPECT_TRUE(f->blank());
    EXPECT_TRUE(v.OBJECTSAVE.blank() && v.OBJECTLINK.blank() && v.OBJECTDOC.blank() && v.OLEBLOB.empty());

    // A document file stored apart; its stored name cut to the last component when opened.
    const std::string file = (b.tmp / "x.odt");
    std::ofstream(file) << "документ";
    e->selectObject = [&](const ObjectChoice&, bool, QWidget*) -> std::optional<StandardEditor::ObjectRequest> {
      return StandardEditor::ObjectRequest{{'D', 'N', 'F', 'S'}, -1, QString::fromStdString(file)};
    };
    ASSERT_TRUE(e->insertObject(true)) << b.lastText();
    ASSERT_TRUE(e->save()) << b.lastText();
  }
  {
    // A record whose stored name tries to leave the folder opens as x.odt inside the private one.
    testfile::TestFile tf;
    b.open(tf, "Документы");
    tf.vop.CODEVOP = 1;
    ASSERT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
    EXPECT_EQ(tf.vop.OBJECTSAVE, "F");
    tf.vop.OBJECTSAVE = std::string("B");
    tf.vop.OBJECTSHOW = std::string("A");
    tf.vop.OLEBLOB.bytes = frameobject::packBlob("../../x.odt", {'d', 'o', 'c'});
    ASSERT_EQ(tf.vopT.put(), store::Ok);
  }
  {
    auto e = b.editor("Документы", 1);
    QString opened;
    e->documents().desktopOpen = [&](const QString& path) {
      opened = path;
      return true;
    };
    ASSERT_TRUE(e->activateObject());
    EXPECT_TRUE(opened.endsWith(QStringLiteral("/x.odt"))) << opened.toStdString();
    EXPECT_FALSE(opened.contains(QStringLiteral(".."))) << opened.toStdString();
    EXPECT_TRUE(QFile::exists(opened));
  }

  // The object frame editor: a new frame "Objk" with a new document, answered like any frame.
  auto o = std::make_unique<StandardEditor>(b.s, EditorRequest{b.inst.library, "Документы", b.s.inst.keyWord, 0, true});
  ASSERT_TRUE(o->open());
  EXPECT_NE(o->windowTitle().indexOf(QStringLiteral("Редактор кадров 'MS WordPad' - Тест: Документы")), -1);
  EXPECT_EQ(o->current().TYPEEDIT, "Objk");
  EXPECT_EQ(o->current().OBJECTSHOW, "A");
  o->setKind(3);
  variants(*o, {"нет", "да"});
  o->singleBox(2)->setChecked(true);
  ASSERT_TRUE(o->save()) << b.lastText();
  const auto v = b.frames("Документы").at(1);
  EXPECT_EQ(v.TYPEEDIT, "Objk");
  common::Response right;
  right.r[1] = 2;
  EXPECT_TRUE(common::check(v, right, false).correct);
  EXPECT_EQ(frameobject::read(v, b.inst.library).name, "Документ.rtf");
}
