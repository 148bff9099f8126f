// The Constructor's transfer window "Импорт заданий" and the copy and move
// commands, printing a test ("Параметры печати", the progress window, the
// preview and the print date), the synopsis of a test, and the main frame's
// menus, on a demo installation.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QGroupBox>
#include <QMenu>
#include <filesystem>

#include "browse.h"
#include "commands.h"
#include "constructor_app.h"
#include "copy_window.h"
#include "cp1251.h"
#include "datetime.h"
#include "demo_data.h"
#include "frame_help_window.h"
#include "frame_operations.h"
#include "main_frame.h"
#include "message_service.h"
#include "navigator.h"
#include "previewer.h"
#include "print_window.h"
#include "report_texts.h"
#include "report.h"
#include "services.h"
#include "sign_in_window.h"
#include "synopsis_window.h"
#include "templates_window.h"
#include "test_names.h"
#include "test_register.h"
#include "tables_central.h"
#include "test_tables.h"
#include "when_shown.h"
#include "window_tools.h"

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
  std::string key() const { return cp1251::pad(u(inst.keyWord), 20); }
  void open(testfile::TestFile& tf, const std::string& name) {
    tf.name(inst.library, name, key());
    ASSERT_EQ(tf.open(), store::Ok) << tf.error().text();
  }
  // A test of `count` single-choice frames "<name> k" with the help "Справка k".
  void makeTest(const std::string& name, int count) {
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
    for (int k = 1; k <= count; ++k) {
      std::uint16_t c = 0;
      ASSERT_TRUE(newFrame(tf, tables::VopParam{}, "Stnd", c));
      tables::Vop v;
      v.CODEVOP = c;
      v.TYPEEDIT = "Stnd";
      v.TYPEKADR = 3;
      v.KOLPOP = 1;
      v.VOPROS = u(name + " " + std::to_string(k));
      v.VAROT11 = u("да");
      v.VAROT12 = u("нет");
      v.TRUEOT[0] = 2;
      tables::Training h;
      h.HELPVOP = u("Справка " + std::to_string(k));
      o = saveFrame(tf, v, &h);
      ASSERT_TRUE(o) << o.message;
    }
  }
  std::vector<std::string> questions(const std::string& name) {
    testfile::TestFile tf;
    open(tf, name);
    std::vector<tables::Vop> frames;
    tf.frames(frames);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].CODEVOP, i + 1) << "codes 1..N";
      out.push_back(cp1251::toUtf8(frames[i].VOPROS.text));
    }
    return out;
  }
  tables::Titul titul(const std::string& name) {
    testfile::TestFile tf;
    open(tf, name);
    return tf.titul;
  }
};

void signIn(ConstructorApp& app, const Demo& d) {
  ASSERT_NE(app.statusWindow(), nullptr);
  app.statusWindow()->password()->setText(QString::fromStdString(d.inst.adminPassword));
  app.statusWindow()->accept();
  ASSERT_NE(app.navigator(), nullptr);
}

void tagFrames(Navigator* nav, const std::vector<std::uint16_t>& codes) {
  auto* b = nav->frames();
  for (std::uint16_t code : codes)
    for (int r = 0; r < b->rowCount(); ++r)
      if (b->cellText(r, 0).trimmed() == QString::number(code)) {
        ASSERT_TRUE(b->choose(b->positionAt(r)));
        b->toggleTag();
      }
  ASSERT_EQ(nav->taggedCodes().size(), codes.size());
}

int rowOf(QTableWidget* t, const QString& text) {
  for (int i = 0; i < t->rowCount(); ++i)
    if (t->item(i, 0) && t->item(i, 0)->text() == text) return i;
  return -1;
}

}  // namespace

TEST(CopyWindow, ListsTheBasesOfBothLibraries) {
  Demo d;
  const std::string reserveDir = d.inst.directory + "Резерв/";
  std::filesystem::create_directories(reserveDir);
  {
    tables::PathFile rec;
    store::Table t(tables::pathFileDef(), rec, d.inst.directory + "PathFile.sec");
    ASSERT_EQ(t.createIfMissing(), store::Ok);
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    rec.CODEBD = 1;
    rec.NAMEBD = u("Архив тестов");
    rec.DIRBD = reserveDir;
    ASSERT_EQ(t.add(), store::Ok);
  }
  CopyWindow w(d.inst.directory + "PathFile.tps", d.inst.library, false, 1, nullptr, d.inst.directory + "PathFile.sec");
  ASSERT_EQ(w.bases()->rowCount(), 2);
  EXPECT_EQ(w.bases()->item(0, 1)->text().toStdString(), d.inst.library);
  EXPECT_EQ(w.bases()->currentRow(), 0) << "the current base is chosen";
  EXPECT_EQ(w.bases()->item(1, 0)->text(), QStringLiteral("Архив тестов (резервная библиотека)"));
  EXPECT_EQ(w.bases()->item(1, 1)->text().toStdString(), reserveDir);
}

TEST(CopyPrintWindows, FramesCopiedAndMovedThroughTheTransferWindow) {
  Demo d;
  d.makeTest("Приёмник", 5);
  d.makeTest("Источник", 4);
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  ASSERT_TRUE(nav->selectTest("Источник"));

  // Nothing tagged: a reminder, no window.
  ms().clearShown();
  EXPECT_FALSE(nav->run(CopyFrames));
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("галочки"), std::string::npos);

  // Three tagged; the window insists on a target, then copies into the chosen one.
  tagFrames(nav, {4, 1, 3});
  bool shown = false;
  whenShown<CopyWindow>([&](CopyWindow* w) {
    shown = true;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Импорт заданий"));
    EXPECT_EQ(w->countLabel()->text(), QStringLiteral("3"));
    ASSERT_GE(w->bases()->currentRow(), 0) << "the current base is chosen";
    ms().clearShown();
    w->button(QStringLiteral("OK"))->click();
    EXPECT_TRUE(w->isVisible()) << "no target: the window stays";
    ASSERT_EQ(ms().shown().size(), 1u);
    EXPECT_EQ(ms().shown()[0].text, "Выберите тест-приемник заданий");
    EXPECT_EQ(ms().shown()[0].caption, "Ошибка");
    const int row = rowOf(w->tests(), QStringLiteral("Приёмник"));
    ASSERT_GE(row, 0);
    w->tests()->setCurrentCell(row, 0);
    EXPECT_EQ(w->targetLabel()->text(), QStringLiteral("Приёмник"));
    w->button(QStringLiteral("OK"))->click();
  });
  ms().clearShown();
  EXPECT_TRUE(nav->run(CopyFrames));
  EXPECT_TRUE(shown);
  EXPECT_EQ(ms().shown().size(), 1u) << "a copy asks nothing: only the missing target was said";
  EXPECT_EQ(d.questions("Приёмник"), (std::vector<std::string>{"Приёмник 1", "Приёмник 2", "Приёмник 3", "Приёмник 4", "Приёмник 5",
                                                              "Источник 4", "Источник 1", "Источник 3"}))
      << "the copies follow in the order the frames were tagged";
  EXPECT_EQ(d.questions("Источник").size(), 4u);
  EXPECT_TRUE(nav->taggedCodes().empty()) << "the tags are cleared";
  EXPECT_FALSE(std::filesystem::exists(d.inst.directory + "VOPBUF")) << "the buffer goes when done";

  // Into the open test itself: duplicates at its end.
  tagFrames(nav, {2});
  whenShown<CopyWindow>([](CopyWindow* w) {
    w->tests()->setCurrentCell(rowOf(w->tests(), QStringLiteral("Источник")), 0);
    w->accept();
  });
  EXPECT_TRUE(nav->run(CopyFrames));
  EXPECT_EQ(d.questions("Источник"), (std::vector<std::string>{"Источник 1", "Источник 2", "Источник 3", "Источник 4", "Источник 2"}));
  EXPECT_EQ(nav->frames()->rowCount(), 5);

  // A move cancelled at its one question moves nothing; confirmed, it
  // deletes exactly the tagged frames, after copying them.
  tagFrames(nav, {1, 5});
  whenShown<CopyWindow>([](CopyWindow* w) {
    w->tests()->setCurrentCell(rowOf(w->tests(), QStringLiteral("Приёмник")), 0);
    w->accept();
  });
  ms().clearShown();
  ms().script({messages::No});
  EXPECT_FALSE(nav->run(MoveFrames));
  EXPECT_EQ(d.questions("Источник").size(), 5u);
  EXPECT_EQ(d.questions("Приёмник").size(), 8u);
  whenShown<CopyWindow>([](CopyWindow* w) {
    EXPECT_NE(w->findChild<QGroupBox*>() , nullptr);
    w->tests()->setCurrentCell(rowOf(w->tests(), QStringLiteral("Приёмник")), 0);
    w->accept();
  });
  ms().clearShown();
  ms().script({messages::Yes});
  EXPECT_TRUE(nav->run(MoveFrames));
  ASSERT_EQ(ms().shown().size(), 1u) << "one question";
  EXPECT_EQ(ms().shown()[0].text, "Вы уверены в том, что хотите удалить эту запись?");
  EXPECT_EQ(d.questions("Источник"), (std::vector<std::string>{"Источник 2", "Источник 3", "Источник 4"}));
  const auto target = d.questions("Приёмник");
  ASSERT_EQ(target.size(), 10u);
  EXPECT_EQ(target[8], "Источник 1");
  EXPECT_EQ(target[9], "Источник 2");
  // The moved frames' help came along.
  testfile::TestFile t;
  d.open(t, "Приёмник");
  ASSERT_EQ(t.findHelp(9), store::Ok);
  EXPECT_EQ(cp1251::toUtf8(t.training.HELPVOP.text), "Справка 1");

  // A move into the open test itself is refused before any question.
  tagFrames(nav, {1});
  whenShown<CopyWindow>([](CopyWindow* w) {
    w->tests()->setCurrentCell(rowOf(w->tests(), QStringLiteral("Источник")), 0);
    w->accept();
  });
  ms().clearShown();
  ms().script({messages::Ok});
  EXPECT_FALSE(nav->run(MoveFrames));
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].text, "Задания нельзя переместить в тот же тест.");
  EXPECT_EQ(d.questions("Источник").size(), 3u);
  ms().script({});
}

TEST(CopyPrintWindows, PrintingOptionsProgressPreviewAndThePrintDate) {
  Demo d;
  d.makeTest("Печать", 3);
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  Navigator* nav = app.navigator();
  ASSERT_TRUE(nav->selectTest("Печать"));
  ASSERT_EQ(d.titul("Печать").PRINTD, 0);

  // The options window as the command shows it.
  {
    PrintOptions start;
    start.answers = true;
    PrintOptionWindow w(start);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Параметры печати"));
    EXPECT_TRUE(w.answers()->isChecked());
    EXPECT_FALSE(w.pictures()->isChecked());
    EXPECT_EQ(w.answers()->text(), QStringLiteral("Печатать эталонные ответы"));
    EXPECT_EQ(w.pictures()->text(), QStringLiteral("Печатать рисунки"));
    EXPECT_EQ(w.preview()->text(), QStringLiteral("Предварительный просмотр"));
    EXPECT_EQ(w.printerButton()->text(), QStringLiteral("Принтер"));
    w.pictures()->setChecked(true);
    EXPECT_TRUE(w.options().pictures);
  }

  // "О&тменить" in the progress window: nothing shown, the date stays.
  bool previewed = false;
  app.preparePrinting = [&](TestPrinting& p) {
    p.askOptions = [](PrintOptions& o) {
      o = PrintOptions{};
      o.preview = true;
      return true;
    };
    p.preview = [&](const ui::Report&) { previewed = true; };
    p.stepped = [&p](int place) {
      ASSERT_NE(p.progress(), nullptr);
      EXPECT_EQ(p.progress()->windowTitle(), QStringLiteral("Выполнение..."));
      if (place == 2) p.progress()->cancelButton()->click();
    };
  };
  ms().clearShown();
  EXPECT_FALSE(app.printTest());
  EXPECT_FALSE(previewed);
  EXPECT_TRUE(ms().shown().empty());
  EXPECT_EQ(d.titul("Печать").PRINTD, 0);

  // Printed through the shared previewer with its own caption: today.
  app.preparePrinting = [](TestPrinting& p) {
    p.askOptions = [](PrintOptions& o) {
      o.answers = true;
      o.preview = true;
      return true;
    };
  };
  QString caption;
  int pages = 0;
  whenShown<ui::Previewer>([&](ui::Previewer* p) {
    caption = p->windowTitle();
    pages = p->pageCount();
    p->reject();
  });
  nav->frames()->untagAll();
  tagFrames(nav, {2, 1});
  // Through the "&Тест" menu, as the author prints.
  QAction* print = app.menuItem(QStringLiteral("&Печать"));
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(print->isEnabled());
  print->trigger();
  for (int i = 0; i < 50 && caption.isEmpty(); ++i) QApplication::processEvents();
  EXPECT_EQ(caption, QStringLiteral("Ормида 1.5 [Печать заданий <Предварительный просмотр>]"));
  EXPECT_GE(pages, 1);
  EXPECT_EQ(d.titul("Печать").PRINTD, datetime::today());
  EXPECT_EQ(nav->taggedCodes(), (std::vector<std::uint16_t>{2, 1})) << "the tags stay, in their order";
  // The Navigator's properties show it.
  bool listed = false;
  auto* props = nav->properties();
  for (int i = 0; i < props->topLevelItemCount(); ++i)
    if (props->topLevelItem(i)->text(0) == QStringLiteral("Дата печати"))
      listed = props->topLevelItem(i)->text(1) != QStringLiteral("Не печатался");
  EXPECT_TRUE(listed);

  // Straight to a printer when there is none: said so, and no date is written.
  {
    testfile::TestFile tf;
    d.open(tf, "Печать");
    tf.titul.PRINTD = 0;
    ASSERT_EQ(tf.titulT.put(), store::Ok);
  }
  ui::setPrinterSystem({[] { return QStringList{}; }, [] { return QString(); }, {}});
  app.preparePrinting = [](TestPrinting& p) {
    p.askOptions = [](PrintOptions& o) {
      o.preview = false;
      return true;
    };
  };
  ms().clearShown();
  EXPECT_FALSE(app.printTest());
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("Принтер не установлен"), std::string::npos);
  EXPECT_EQ(d.titul("Печать").PRINTD, 0);
  ui::setPrinterSystem({});
}

TEST(CopyPrintWindows, TheReportHoldsTheAnswersOnlyWhenAsked) {
  Demo d;
  d.makeTest("Отчёт", 12);
  testfile::TestFile tf;
  d.open(tf, "Отчёт");
  tables::TuneTest tune;
  Outcome failure;
  int steps = 0;
  auto plain = testReport(tf, tune, PrintOptions{}, [&](int, int) { return ++steps > 0; }, failure);
  ASSERT_NE(plain, nullptr) << failure.message;
  EXPECT_EQ(steps, 12);
  PrintOptions answers;
  answers.answers = true;
  auto with = testReport(tf, tune, answers, [](int, int) { return true; }, failure);
  ASSERT_NE(with, nullptr);
  // Every frame is printed; the reference answers only when asked.
  const QString plainText = report_testing::reportTexts(*plain).join(QLatin1Char('\n'));
  const QStringList withTexts = report_testing::reportTexts(*with);
  for (int k = 1; k <= 12; ++k) {
    const QRegularExpression question(QStringLiteral("Отчёт %1(?!\\d)").arg(k));
    EXPECT_TRUE(plainText.contains(question)) << k;
    EXPECT_TRUE(withTexts.join(QLatin1Char('\n')).contains(question)) << k;
  }
  EXPECT_FALSE(plainText.contains(QStringLiteral("Эталонный ответ")));
  EXPECT_EQ(withTexts.filter(QStringLiteral("Эталонный ответ: 2.")).size(), 12) << withTexts.join(QLatin1Char('|')).toStdString();
  // Stopped: no report.
  EXPECT_EQ(testReport(tf, tune, PrintOptions{}, [](int place, int) { return place < 3; }, failure), nullptr);
  EXPECT_TRUE(failure.message.empty());
}

TEST(CopyPrintWindows, TheSynopsisAddsChangesAndDeletesHelpRecords) {
  Demo d;
  d.makeTest("Конспект", 3);
  {
    // Frame 3 without help.
    testfile::TestFile tf;
    d.open(tf, "Конспект");
    ASSERT_TRUE(deleteFrameHelp(tf, 3));
  }
  ConstructorApp app(d.dir);
  ASSERT_TRUE(app.start());
  signIn(app, d);
  ASSERT_TRUE(app.navigator()->selectTest("Конспект"));

  QString longText;
  while (longText.size() < 5000) longText += QStringLiteral("Закон Ома: I = U / R. ");
  longText = longText.left(4999) + QStringLiteral("ж");
  bool ran = false;
  app.prepareSynopsis = [&](SynopsisWindow& w) {
    ran = true;
    EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("Учебно-справочный материал к тесту:")));
    ASSERT_EQ(w.list()->rowCount(), 2);
    EXPECT_EQ(w.list()->cellText(0, 0).trimmed(), QStringLiteral("1"));
    EXPECT_EQ(w.fullText()->toPlainText(), QStringLiteral("Справка 1"));

    // Added by the code typed, in the frame editor's own form.
    whenShown<FrameHelpWindow>([&](FrameHelpWindow* f) {
      EXPECT_FALSE(f->codeBox()->isReadOnly());
      f->codeBox()->setText(QStringLiteral("3"));
      f->textBox()->setPlainText(longText);
      f->accept();
    });
    EXPECT_TRUE(w.addRecord());
    EXPECT_EQ(w.list()->rowCount(), 3);
    EXPECT_EQ(w.currentCode(), 3);
    EXPECT_EQ(w.fullText()->toPlainText(), longText);

    // Frame 1 already has its record: the duplicate is refused and named.
    whenShown<FrameHelpWindow>([&](FrameHelpWindow* f) {
      f->codeBox()->setText(QStringLiteral("1"));
      f->textBox()->setPlainText(QStringLiteral("вторая"));
      ms().clearShown();
      f->accept();
      EXPECT_TRUE(f->isVisible());
      ASSERT_FALSE(ms().shown().empty());
      EXPECT_NE(ms().shown().back().text.find("TRA:KeyCode"), std::string::npos);
      f->QDialog::reject();
    });
    EXPECT_FALSE(w.addRecord());

    // Deleted after the standard question.
    w.list()->home();
    ms().script({messages::Yes});
    EXPECT_TRUE(w.deleteRecord());
    ms().script({});
    EXPECT_EQ(w.list()->rowCount(), 2);
    QTimer::singleShot(0, &w, [&w] { w.reject(); });
  };
  QAction* synopsis = app.menuItem(QStringLiteral("Конспект к тесту"));
  ASSERT_NE(synopsis, nullptr);
  ASSERT_TRUE(synopsis->isEnabled());
  synopsis->trigger();
  for (int i = 0; i < 50 && !ran; ++i) QApplication::processEvents();
  EXPECT_TRUE(ran);

  testfile::TestFile tf;
  d.open(tf, "Конспект");
  EXPECT_EQ(tf.findHelp(1), store::NoRecord);
  ASSERT_EQ(tf.findHelp(3), store::Ok);
  EXPECT_EQ(ui::fromRecord(tf.training.HELPVOP.text), longText) << "5000 characters stored whole";
}

TEST(CopyPrintWindows, EveryItemOfTheMainFramesMenusHasItsAction) {
  Demo d;
  d.makeTest("Меню", 2);
  ConstructorApp app(d.dir);
  // The program's frame editors (their windows are tested on their own).
  app.editors = [](const EditorRequest&, QWidget*) -> FrameEditorWindow* { return nullptr; };
  ASSERT_TRUE(app.start());
  signIn(app, d);
  ASSERT_TRUE(app.navigator()->selectTest("Меню"));
  tagFrames(app.navigator(), {1});
  // With a test open and a frame tagged every item works; only the
  // editor's menus wait for an open frame editor.
  std::function<void(QMenu*, const QString&)> walk = [&](QMenu* m, const QString& path) {
    for (QAction* a : m->actions()) {
      if (a->isSeparator()) continue;
      if (a->menu()) {
        walk(a->menu(), path + QStringLiteral(" / ") + a->text());
        continue;
      }
      if (path.startsWith(QStringLiteral("&Редактор")) || path.startsWith(QStringLiteral("О&бъект"))) continue;
      // The frames table has no key on the question text to list them by.
      if (a->text() == QStringLiteral("По описанию")) {
        EXPECT_FALSE(a->isEnabled()) << "shown greyed, not a dead item";
        continue;
      }
      EXPECT_TRUE(a->isEnabled()) << (path + QStringLiteral(" / ") + a->text()).toStdString();
    }
  };
  for (QAction* top : app.frame()->menuBar()->actions())
    if (top->menu()) walk(top->menu(), top->text());

  // "Шаблоны инструкций" opens the templates for upkeep: nothing to choose there.
  bool opened = false;
  whenShown<TemplatesWindow>([&](TemplatesWindow* w) {
    opened = true;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Шаблоны инструкций"));
    ASSERT_NE(w->button(QStringLiteral("&Выбрать")), nullptr);
    EXPECT_FALSE(w->button(QStringLiteral("&Выбрать"))->isVisible());
    EXPECT_TRUE(w->button(QStringLiteral("&Добавить"))->isVisible());
    w->reject();
  });
  app.menuItem(QStringLiteral("Шаблоны инструкций"))->trigger();
  EXPECT_TRUE(opened);
}
