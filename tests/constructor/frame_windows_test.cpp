// The frame editor's side windows on the demo installation: the frame's
// help with its attachment, the fields editor with the variants' comments,
// and the question templates tree with its two forms.
#include <gtest/gtest.h>

#include <functional>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "cp1251.h"
#include "demo_data.h"
#include "frame_fields_window.h"
#include "frame_help_window.h"
#include "frame_operations.h"
#include "message_service.h"
#include "question_templates_window.h"
#include "record_format.h"
#include "test_tables.h"
#include "when_shown.h"

using namespace constructor;
using testing_tables::TempDir;

namespace {

auto& ms() { return ui::MessageService::instance(); }
std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

struct Demo {
  TempDir tmp;
  demo::Installation inst;
  Demo() {
    EXPECT_EQ(demo::make(tmp / "demo", inst), "");
    ms().script({});
    ms().clearShown();
  }
  void open(testfile::TestFile& tf, int test = 0) {
    tf.name(inst.library, inst.tests[static_cast<std::size_t>(test)], cp1251::pad(u(inst.keyWord), 20));
    ASSERT_EQ(tf.open(), store::Ok) << tf.error().text();
  }
  // The frame's help as stored, read through a handle of its own; false when it has none.
  bool storedHelp(std::uint16_t code, tables::Training& out, int test = 0) {
    testfile::TestFile tf;
    open(tf, test);
    if (tf.findHelp(code) != store::Ok) return false;
    out = tf.training;
    return true;
  }
  tables::Vop storedFrame(std::uint16_t code, int test = 0) {
    testfile::TestFile tf;
    open(tf, test);
    tf.vop.CODEVOP = code;
    EXPECT_EQ(tf.vopT.get(tf.vopT.key("KEYCODEVOP")), store::Ok);
    return tf.vop;
  }
  std::string lastText() const { return ms().shown().empty() ? std::string() : ms().shown().back().text; }
};

// The writer the frame editor gives the help window: the logic library's,
// its refusals shown.
std::function<bool(tables::Training&)> helpWriter(testfile::TestFile& tf, int* calls = nullptr) {
  return [&tf, calls](tables::Training& h) {
    if (calls) ++*calls;
    Outcome o = saveFrameHelp(tf, h);
    if (!o) ms().ask(QString::fromStdString(o.message), QStringLiteral("Справка"));
    return static_cast<bool>(o);
  };
}

// A text of exactly `n` characters, in lines, each one byte in code page
// 1251; it ends in a letter, as trailing blanks are not kept.
QString textOf(int n) {
  const QString line = QStringLiteral("Закон Ома: сила тока I = U / R, «ампер» — единица тока.\n");
  QString t;
  while (t.size() < n) t += line;
  return t.left(n - 1) + QStringLiteral("ж");
}

QByteArray pngPicture() {
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(QColor(200, 30, 30));
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return bytes;
}

QString writeFile(const TempDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = QString::fromStdString(dir.path()) + QLatin1Char('/') + name;
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
  return path;
}

std::vector<std::uint8_t> bytesOf(const QByteArray& a) { return {a.begin(), a.end()}; }

// The first frame of the test with no help record, and the first with one.
std::uint16_t frameWithoutHelp(testfile::TestFile& tf) {
  std::vector<tables::Vop> frames;
  tf.frames(frames);
  for (const auto& v : frames)
    if (tf.findHelp(v.CODEVOP) == store::NoRecord) return v.CODEVOP;
  return 0;
}

TEST(FrameHelpWindow, AHelpTextOf5000CharactersAndItsPictureAreStoredWhole) {
  Demo d;
  testfile::TestFile tf;
  d.open(tf);
  const std::uint16_t code = frameWithoutHelp(tf);
  ASSERT_NE(code, 0);
  // The demo numbers its help records apart from their frames, as older
  // files do: the record number the new help takes is another's.
  tf.training.CODE = code;
  ASSERT_EQ(tf.trainingT.get(tf.trainingT.key("KEYCODE")), store::Ok);
  ASSERT_NE(tf.training.CODEVOP, code);

  tables::Training help;
  help.CODEVOP = code;
  int writes = 0;
  const QString text = textOf(5000);
  const QByteArray png = pngPicture();
  {
    FrameHelpWindow w(help, helpWriter(tf, &writes));
    w.show();
    EXPECT_EQ(w.windowTitle(), "Добавление новых данных  (Новый)");
    EXPECT_EQ(w.codeBox()->text(), QString::number(code));
    EXPECT_TRUE(w.codeBox()->isReadOnly());
    w.textBox()->setPlainText(text);
    w.pickFile = [&] { return writeFile(d.tmp, QStringLiteral("Схема.png"), png); };
    w.button("Вложить файл...")->click();
    EXPECT_FALSE(w.attachment()->pixmap().isNull()) << "a picture is shown in the window";
    w.button("&OK")->click();
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(w.result(), QDialog::Accepted) << d.lastText();
  }
  EXPECT_EQ(help.HELPVOP.text.size(), 5000u) << "the written record comes back to the caller";

  tables::Training stored;
  ASSERT_TRUE(d.storedHelp(code, stored));
  EXPECT_EQ(stored.HELPVOP.text, ui::toRecord(text)) << "all 5000 characters";
  EXPECT_EQ(stored.CODE, code);
  EXPECT_EQ(stored.OLEBLOB.bytes, bytesOf(png)) << "the file's bytes as they are";
  QImage back;
  EXPECT_TRUE(back.loadFromData(stored.OLEBLOB.bytes.data(), static_cast<int>(stored.OLEBLOB.size())))
      << "the Examiner reads the picture from these bytes";

  // Opened again: the stored record, and one character more is refused.
  FrameHelpWindow again(stored, helpWriter(tf, &writes));
  again.show();
  EXPECT_EQ(again.windowTitle(), "Редактирование данных");
  EXPECT_EQ(again.textBox()->toPlainText(), text);
  again.textBox()->setPlainText(text + QStringLiteral("ж"));
  ms().clearShown();
  again.button("&OK")->click();
  EXPECT_NE(d.lastText().find("5000"), std::string::npos) << d.lastText();
  EXPECT_TRUE(again.isVisible());
  EXPECT_EQ(writes, 1) << "nothing written";
}

TEST(FrameHelpWindow, ADocumentIsNamedAndAHelpLeftEmptyIsRemoved) {
  Demo d;
  testfile::TestFile tf;
  d.open(tf);
  const std::uint16_t code = frameWithoutHelp(tf);
  ASSERT_NE(code, 0);
  tables::Training help;
  help.CODEVOP = code;
  const QByteArray pdf("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n");
  {
    FrameHelpWindow w(help, helpWriter(tf));
    w.show();
    ASSERT_TRUE(w.attachFile(writeFile(d.tmp, QStringLiteral("Схема цепи.pdf"), pdf)));
    EXPECT_TRUE(w.attachment()->pixmap().isNull());
    EXPECT_TRUE(w.attachment()->text().startsWith("Схема цепи.pdf")) << w.attachment()->text().toStdString();
    w.button("&OK")->click();
    ASSERT_EQ(w.result(), QDialog::Accepted) << d.lastText();
  }
  tables::Training stored;
  ASSERT_TRUE(d.storedHelp(code, stored)) << "an attachment alone makes a help record";
  EXPECT_EQ(stored.OLEBLOB.bytes, bytesOf(pdf));

  // Cancelling asks before changes are dropped; the record stays as it was.
  {
    FrameHelpWindow w(stored, helpWriter(tf));
    w.show();
    EXPECT_TRUE(w.attachment()->text().startsWith("Документ PDF")) << "stored without its name: its type";
    w.textBox()->setPlainText("не будет записано");
    ms().script({messages::No});
    w.button("О&тменить")->click();
    EXPECT_EQ(ms().shown().back().number, 23);
    EXPECT_TRUE(w.isVisible());
    ms().script({messages::Yes});
    w.button("О&тменить")->click();
    EXPECT_FALSE(w.isVisible());
  }
  tables::Training after;
  ASSERT_TRUE(d.storedHelp(code, after));
  EXPECT_EQ(after.HELPVOP.text, "");
  EXPECT_EQ(after.OLEBLOB.bytes, bytesOf(pdf));

  // Nothing left in it: the frame has no help record at all.
  FrameHelpWindow w(stored, helpWriter(tf));
  w.show();
  w.button("Убрать")->click();
  EXPECT_EQ(w.attachment()->text(), "(нет вложения)");
  w.button("&OK")->click();
  ASSERT_EQ(w.result(), QDialog::Accepted) << d.lastText();
  EXPECT_FALSE(d.storedHelp(code, after));
}

TEST(FrameHelpWindow, HelpForAFrameThatIsNotInTheTestIsRefused) {
  Demo d;
  testfile::TestFile tf;
  d.open(tf);
  std::vector<tables::Vop> frames;
  tf.frames(frames);
  tables::Training help;
  help.CODEVOP = static_cast<std::uint16_t>(frames.size() + 1);
  help.HELPVOP = u("Справка к кадру, которого нет");
  Outcome o = saveFrameHelp(tf, help);
  EXPECT_EQ(o.error, Outcome::Refused);
  EXPECT_NE(o.message.find(std::to_string(frames.size() + 1)), std::string::npos) << o.message;
  tables::Training none;
  EXPECT_FALSE(d.storedHelp(help.CODEVOP, none));
}

// The first stored frame of a kind with its help record.
struct FrameAndHelp {
  tables::Vop v;
  tables::Training h;
};
FrameAndHelp frameOfKind(testfile::TestFile& tf, int kind) {
  std::vector<tables::Vop> frames;
  tf.frames(frames);
  for (const auto& v : frames)
    if (v.TYPEKADR == kind && tf.findHelp(v.CODEVOP) == store::Ok) return {v, tf.training};
  ADD_FAILURE() << "no frame of kind " << kind << " with help";
  return {};
}

TEST(FrameFieldsWindow, VariantsAndCommentsAreWrittenThroughTheHookAndCancelTouchesNothing) {
  Demo d;
  testfile::TestFile tf;
  d.open(tf);
  FrameAndHelp f = frameOfKind(tf, 3);
  const std::uint16_t code = f.v.CODEVOP;
  const FrameAndHelp before = f;
  int writes = 0;
  auto write = [&](tables::Vop& v, tables::Training& h) {
    ++writes;
    Outcome o = saveFrame(tf, v, &h);
    if (!o) ms().ask(QString::fromStdString(o.message), QStringLiteral("Кадр"));
    return static_cast<bool>(o);
  };

  // Cancelled after a change: asked first, and nothing moves.
  {
    FrameFieldsWindow w(f.v, f.h, write);
    w.show();
    EXPECT_TRUE(w.showsVariants());
    EXPECT_EQ(w.variant(1)->toPlainText(), ui::fromRecord(f.v.VAROT11.view()));
    EXPECT_EQ(w.comment(1)->toPlainText(), ui::fromRecord(f.h.COMMOT[0].view()));
    w.comment(2)->setPlainText("не будет записано");
    ms().script({messages::Yes});
    w.button("Закрыть")->click();
    EXPECT_FALSE(w.isVisible());
  }
  EXPECT_EQ(writes, 0);
  EXPECT_EQ(f.h.COMMOT[1].view(), before.h.COMMOT[1].view());
  EXPECT_EQ(d.storedFrame(code).VOPROS.text, before.v.VOPROS.text);

  // Written: the question, a variant and two comments land in the frame and its help.
  {
    FrameFieldsWindow w(f.v, f.h, write);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Редактор полей");
    EXPECT_EQ(w.pages()->tabText(0), "Вопрос (задание)");
    EXPECT_EQ(w.pages()->tabText(9), "Ответ9");
    w.question()->setPlainText("Сколько будет 12 · 13?\nОтвет выберите из списка.");
    w.variant(2)->setPlainText("156 (двенадцать раз по тринадцать)");
    w.comment(2)->setPlainText("Верно: 12 · 13 = 156.");
    w.comment(3)->setPlainText("Проверьте сложение: 120 + 36.");
    w.button("Записать кадр")->click();
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(w.result(), QDialog::Accepted) << d.lastText();
  }
  EXPECT_EQ(f.v.VAROT12.view(), u("156 (двенадцать раз по тринадцать)")) << "the caller's records take the copies";
  const tables::Vop stored = d.storedFrame(code);
  EXPECT_EQ(stored.VOPROS.text, u("Сколько будет 12 · 13?\nОтвет выберите из списка."));
  EXPECT_EQ(stored.VAROT12.view(), u("156 (двенадцать раз по тринадцать)"));
  EXPECT_EQ(stored.VAROT11.view(), before.v.VAROT11.view());
  tables::Training help;
  ASSERT_TRUE(d.storedHelp(code, help));
  EXPECT_EQ(help.COMMOT[1].view(), u("Верно: 12 · 13 = 156."));
  EXPECT_EQ(help.COMMOT[2].view(), u("Проверьте сложение: 120 + 36."));
  EXPECT_EQ(help.COMMOT[0].view(), before.h.COMMOT[0].view());
  EXPECT_EQ(help.HELPVOP.text, before.h.HELPVOP.text) << "the help text is not the fields editor's";

  // A writer that refuses keeps the window open and the records as they were.
  const FrameAndHelp now = f;
  FrameFieldsWindow w(f.v, f.h, [&](tables::Vop&, tables::Training&) { return false; });
  w.show();
  w.comment(4)->setPlainText("отвергнуто");
  w.button("Записать кадр")->click();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(f.h.COMMOT[3].view(), now.h.COMMOT[3].view());
}

TEST(FrameFieldsWindow, OnlyFramesWithVariantsShowThemAndTheOthersKeepTheirs) {
  for (int kind = 1; kind <= 7; ++kind) {
    SCOPED_TRACE(kind);
    tables::Vop v;
    v.CODEVOP = 4;
    v.TYPEKADR = static_cast<std::uint8_t>(kind);
    v.VOPROS = u("Вопрос");
    v.VAROT15 = u("эталон");  // a completion slot of kinds 5 and 7
    tables::Training h;
    tables::Vop written;
    FrameFieldsWindow w(v, h, [&](tables::Vop& nv, tables::Training&) {
      written = nv;
      return true;
    });
    const bool variants = kind <= 4;
    EXPECT_EQ(w.showsVariants(), variants);
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(w.pages()->isTabVisible(i), variants) << i;
    w.question()->setPlainText("Новый вопрос");
    if (variants) w.variant(5)->setPlainText("пятый");
    ASSERT_TRUE(w.save());
    EXPECT_EQ(written.VOPROS.text, u("Новый вопрос"));
    EXPECT_EQ(written.VAROT15.view(), u(variants ? "пятый" : "эталон"));
  }
}

// Every box a user types into refuses a character the code page lacks, naming it, before anything is written.
TEST(FrameWindows, ATextOutsideCodePage1251IsRefusedWithTheCharacterNamed) {
  struct Case {
    const char* what;
    std::function<QPlainTextEdit*(FrameFieldsWindow&)> box;
    const char* typed;
    const char* named;
    int page;
  };
  const std::vector<Case> cases = {
      {"the question", [](FrameFieldsWindow& w) { return w.question(); }, "Найдите ∑ ряда", "Вопрос (задание): знак «∑»", 0},
      {"a variant", [](FrameFieldsWindow& w) { return w.variant(3); }, "x ∈ A", "Ответ3: знак «∈»", 3},
      {"a comment", [](FrameFieldsWindow& w) { return w.comment(7); }, "Молодец 😀", "Комментарий к ответу 7: знак «😀»", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ms().clearShown();
    tables::Vop v;
    v.TYPEKADR = 1;
    tables::Training h;
    int writes = 0;
    FrameFieldsWindow w(v, h, [&](tables::Vop&, tables::Training&) { return ++writes, true; });
    w.show();
    c.box(w)->setPlainText(QString::fromUtf8(c.typed));
    EXPECT_FALSE(w.save());
    EXPECT_EQ(writes, 0);
    ASSERT_FALSE(ms().shown().empty());
    EXPECT_NE(ms().shown().back().text.find(c.named), std::string::npos) << ms().shown().back().text;
    EXPECT_EQ(w.pages()->currentIndex(), c.page) << "the page of the box at fault is shown";
    EXPECT_TRUE(w.isVisible());
  }
  // The help text likewise.
  ms().clearShown();
  tables::Training help;
  help.CODEVOP = 1;
  int writes = 0;
  FrameHelpWindow w(help, [&](tables::Training&) { return ++writes, true; });
  w.show();
  w.textBox()->setPlainText("Ток I ≈ 2 А");
  w.button("&OK")->click();
  EXPECT_EQ(writes, 0);
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown().back().text.find("Учебно-справочный материал: знак «≈»"), std::string::npos) << ms().shown().back().text;
  EXPECT_TRUE(w.isVisible());
}

QTreeWidgetItem* child(QTreeWidget* t, const QString& group, const QString& title) {
  for (int i = 0; i < t->topLevelItemCount(); ++i)
    if (t->topLevelItem(i)->text(0) == group)
      for (int k = 0; k < t->topLevelItem(i)->childCount(); ++k)
        if (t->topLevelItem(i)->child(k)->text(0) == title) return t->topLevelItem(i)->child(k);
  return nullptr;
}

void doubleClick(QTreeWidget* t, QTreeWidgetItem* item) {
  t->scrollToItem(item);
  // A widget's double click arrives after the press of its first click.
  const QPoint at = t->visualItemRect(item).center();
  QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
}

TEST(QuestionTemplatesWindow, GroupsAndQuestionsAreKeptInTheTreeAndAQuestionIsChosen) {
  TempDir dir;
  QuestionTemplates store(dir / "VOPSTDGR", dir / "VOPSTDVP");
  ms().script({});
  ms().clearShown();
  const QString text = QStringLiteral("Что такое преломление света?\nПриведите пример из жизни.");
  {
    QuestionTemplatesWindow w(store, false);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Список типовых вопросов для тестовых заданий");
    EXPECT_EQ(w.tree()->headerItem()->text(0), "Группы типовых вопросов");
    EXPECT_FALSE(w.button("&Выбрать")->isVisible()) << "only when choosing";
    EXPECT_FALSE(w.button("&Изменить")->isEnabled());
    EXPECT_FALSE(w.addMenu()->actions().at(1)->isEnabled()) << "no group to put a question in";

    whenShown<GroupForm>([](GroupForm* f) {
      EXPECT_EQ(f->windowTitle(), "Добавление записи к файлу VopStdGr");
      EXPECT_EQ(f->codeBox()->value(), 1);
      f->nameBox()->setText("Механика");
      f->accept();
    });
    w.addMenu()->actions().at(0)->trigger();
    // A taken code is named by its key and the form stays for another.
    whenShown<GroupForm>([](GroupForm* f) {
      EXPECT_EQ(f->codeBox()->value(), 2) << "the next code offered";
      f->codeBox()->setValue(1);
      f->nameBox()->setText("Оптика");
      f->accept();
      ASSERT_FALSE(ms().shown().empty());
      EXPECT_EQ(ms().shown().back().text, "При обновлении файла возник недопустимый дубликат в ключе [VSG:KeyCodeGr].");
      EXPECT_EQ(ms().shown().back().caption, "Дубликат в ключе");
      EXPECT_TRUE(f->isVisible());
      f->codeBox()->setValue(2);
      f->accept();
    });
    ASSERT_TRUE(w.addGroup());
    EXPECT_EQ(w.currentNode(), QuestionTemplatesWindow::Node::Group);
    EXPECT_EQ(w.currentCode(), 2);

    // A question goes into the highlighted group.
    whenShown<QuestionForm>([&](QuestionForm* f) {
      EXPECT_EQ(f->windowTitle(), "Добавление записи к файлу VopStdVp");
      EXPECT_EQ(f->groupBox()->currentData().toInt(), 2);
      EXPECT_EQ(f->codeBox()->value(), 1);
      f->textBox()->setPlainText(text);
      f->accept();
    });
    ASSERT_TRUE(w.addQuestion());
    QTreeWidgetItem* q = child(w.tree(), "Оптика", "Что такое преломление света?");
    ASSERT_NE(q, nullptr) << "listed by its first line";
    EXPECT_EQ(w.tree()->currentItem(), q);
    EXPECT_EQ(w.fullText()->toPlainText(), text);

    // Upkeep: a double click changes the question; it moves to another group.
    whenShown<QuestionForm>([](QuestionForm* f) {
      EXPECT_EQ(f->windowTitle(), "Изменение записи файла VopStdVp");
      f->groupBox()->setCurrentIndex(f->groupBox()->findData(1));
      f->accept();
    });
    doubleClick(w.tree(), q);
    ASSERT_NE(child(w.tree(), "Механика", "Что такое преломление света?"), nullptr);

    // A group with questions stays.
    ASSERT_TRUE(w.selectGroup(1));
    ms().script({messages::Yes});
    EXPECT_FALSE(w.deleteCurrent());
    ASSERT_FALSE(ms().shown().empty());
    EXPECT_NE(ms().shown().back().text.find("«Механика»"), std::string::npos) << ms().shown().back().text;
    EXPECT_TRUE(w.selectGroup(1));
  }
  std::vector<TemplateQuestion> qs;
  ASSERT_TRUE(store.questions(qs));
  ASSERT_EQ(qs.size(), 1u);
  EXPECT_EQ(qs[0].group, 1);

  // Choosing: a double click on a question returns its whole text.
  QuestionTemplatesWindow w(store, true);
  w.show();
  EXPECT_TRUE(w.button("&Выбрать")->isVisible());
  ASSERT_TRUE(w.selectGroup(1));
  EXPECT_FALSE(w.button("&Выбрать")->isEnabled()) << "a group is not a question";
  ASSERT_TRUE(w.selectQuestion(1));
  EXPECT_TRUE(w.button("&Выбрать")->isEnabled());
  doubleClick(w.tree(), w.tree()->currentItem());
  ASSERT_TRUE(w.chosen().has_value());
  EXPECT_EQ(*w.chosen(), text);
  EXPECT_EQ(w.result(), QDialog::Accepted);
}

}  // namespace
