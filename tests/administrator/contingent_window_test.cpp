// The contingent's windows on the demo installation, driven as a user
// would: the tree of faculties and groups, the duplicate faculty code, the
// transfer, a group that keeps its students, a rename reaching them, the
// student form and its identification number, the import of thirty
// students from a file, the sign-in slips, F5 and Esc.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <algorithm>
#include <climits>
#include <fstream>

#include "report_texts.h"
#include "browse.h"
#include "contingent.h"
#include "contingent_forms.h"
#include "contingent_window.h"
#include "cp1251.h"
#include "dictionary_window.h"
#include "import_window.h"
#include "previewer.h"
#include "sign_in_slips.h"
#include "signed_in.h"
#include "tables_central.h"
#include "transfer_window.h"
#include "update_form.h"

using namespace administrator;
using admin_testing::ms;
using admin_testing::SignedIn;

using report_testing::pageTexts;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

template <class R>
void addRecord(const setup::Installation& inst, const store::TableDef& def, const char* file, R rec) {
  store::Table t(def, rec, inst.central(file));
  ASSERT_EQ(t.open(store::Shared), store::Ok) << t.error().text();
  ASSERT_EQ(t.add(), store::Ok) << t.error().text();
}

void addGroup(const setup::Installation& inst, std::int32_t code, const char* name, int faculty) {
  tables::Group g;
  g.CODEGR = code;
  g.NAME = u(name);
  g.CODEFAK = static_cast<std::uint8_t>(faculty);
  g.CODEKURS = 1;
  addRecord(inst, tables::groupDef(), tables::files::Group, g);
}

std::vector<tables::Student> studentsOf(const setup::Installation& inst, std::int32_t group) {
  std::vector<tables::Student> out;
  tables::Student s;
  store::Table t(tables::studentDef(), s, inst.central(tables::files::Student));
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  t.set(t.key("KEYKODST"));
  while (t.next() == store::Ok)
    if (s.CODEGR == group) out.push_back(s);
  return out;
}

bool groupStored(const setup::Installation& inst, std::int32_t code) {
  tables::Group g;
  store::Table t(tables::groupDef(), g, inst.central(tables::files::Group));
  EXPECT_EQ(t.open(store::Shared), store::Ok);
  g.CODEGR = code;
  return t.get(t.key("KEYCODEGR")) == store::Ok;
}

ContingentWindow* openContingent(SignedIn& s) {
  s.app->menuItem(QStringLiteral("Контингент"))->trigger();
  auto* w = qobject_cast<ContingentWindow*>(s.app->slot());
  EXPECT_NE(w, nullptr);
  return w;
}

// What the list shows in a column, row by row.
QStringList column(ui::BrowseWindow* b, int c) {
  QStringList out;
  for (int r = 0; r < b->rowCount(); ++r) out << b->cellText(r, c);
  return out;
}

// Each student with a number has a slip of its own on the pages: the name,
// then the group and the number before the next slip begins.
void expectSlips(const ui::Report& r, const QString& group, const std::vector<StudentRow>& students) {
  QStringList all;
  for (int page = 1; page <= r.pageCount(); ++page) all << pageTexts(r, page);
  const QString groupLine = QStringLiteral("Группа: ") + group;
  int slips = 0;
  for (const StudentRow& st : students) {
    QString fio = QString::fromStdString(st.fam);
    for (const auto* part : {&st.name, &st.otche})
      if (!part->empty()) fio += QLatin1Char(' ') + QString::fromStdString(*part);
    const qsizetype at = all.indexOf(fio);
    SCOPED_TRACE(fio.toStdString());
    if (st.numid.empty()) {
      EXPECT_EQ(at, -1) << "no slip without a number";
      continue;
    }
    ++slips;
    ASSERT_GE(at, 0) << all.join(" | ").toStdString();
    const QStringList slip = all.mid(at, 5);
    EXPECT_TRUE(slip.contains(groupLine)) << slip.join(" | ").toStdString();
    EXPECT_TRUE(slip.contains(QString::fromStdString(st.numid))) << slip.join(" | ").toStdString();
  }
  EXPECT_EQ(all.count(groupLine), slips);
}

TEST(ContingentWindow, TreeShowsFacultiesWithTheirGroupsAndNoExpandMarkWithoutGroups) {
  SignedIn s;
  tables::Faket f;
  f.CODEFAK = 3;
  f.NAME = u("Исторический факультет");
  addRecord(s.installation(), tables::faketDef(), tables::files::Faket, f);
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Контингент");

  // What the view draws its marks from: the model under the tree.
  QAbstractItemModel* m = w->tree()->model();
  const QModelIndex root = m->index(0, 0);
  EXPECT_EQ(m->data(root).toString(), "Факультеты");
  ASSERT_EQ(m->rowCount(root), 3);
  const struct {
    const char* name;
    QStringList groups;
  } expected[] = {{"Физико-математический факультет", {"ФМ-101", "ФМ-102"}},
                  {"Естественно-географический факультет", {"ЕГ-201"}},
                  {"Исторический факультет", {}}};
  for (int i = 0; i < 3; ++i) {
    const QModelIndex fi = m->index(i, 0, root);
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(m->data(fi).toString(), expected[i].name);
    EXPECT_EQ(m->hasChildren(fi), !expected[i].groups.isEmpty());
    QStringList groups;
    for (int k = 0; k < m->rowCount(fi); ++k) groups << m->data(m->index(k, 0, fi)).toString();
    EXPECT_EQ(groups, expected[i].groups);
  }

  // Nothing to do with students before a group is chosen.
  EXPECT_FALSE(w->button("&Добавить")->isEnabled());
  EXPECT_EQ(w->students()->rowCount(), 0);
  ASSERT_TRUE(w->chooseGroup(2));
  EXPECT_EQ(w->currentGroup().name, "ФМ-102");
  EXPECT_TRUE(w->button("&Добавить")->isEnabled());
  EXPECT_TRUE(w->button("&Удалить")->isEnabled());
  // The group's students only: each listed number is one of theirs.
  QStringList theirs;
  for (const auto& st : studentsOf(s.installation(), 2)) theirs << QString::fromStdString(st.NUMID.utf8());
  const QStringList ids = column(w->students(), 4);
  EXPECT_EQ(ids.size(), std::min(10, w->students()->pageRows()));
  for (const QString& id : ids) EXPECT_TRUE(theirs.contains(id)) << id.toStdString();

  // "-" folds a faculty and "+" opens it again, as the user expects of the tree.
  QTreeWidgetItem* fm = w->facultyItem(1);
  w->tree()->setCurrentItem(fm);
  QTest::keyClick(w->tree(), Qt::Key_Minus);
  EXPECT_FALSE(fm->isExpanded());
  QTest::keyClick(w->tree(), Qt::Key_Plus);
  EXPECT_TRUE(fm->isExpanded());
}

TEST(ContingentWindow, SecondFacultyWithAnExistingCodeRefusedNamingTheKey) {
  SignedIn s;
  s.app->menuItem(QStringLiteral("Факультеты"))->trigger();
  ui::BrowseWindow* list = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<ui::BrowseWindow*>(t); b && b->isVisible() && b->windowTitle() == "Просмотр файла Faket") list = b;
  ASSERT_NE(list, nullptr);
  whenShown<ui::UpdateForm>([](ui::UpdateForm* f) {
    auto edits = f->findChildren<QLineEdit*>();
    ASSERT_GE(edits.size(), 2);
    edits[0]->setText("2");
    edits[1]->setText("Второй естественно-географический");
    f->accept();
    EXPECT_TRUE(f->isVisible()) << "the form stays for the code to be mended";
    f->reject();
  });
  list->insertRecord();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].caption, "Дубликат в ключе");
  EXPECT_EQ(ms().shown()[0].text, "При обновлении файла возник недопустимый дубликат в ключе [FAK:KEYFAK].");
  EXPECT_EQ(list->rowCount(), 2);
  list->close();
}

TEST(ContingentWindow, TransferMovesTheGroupAndFromAnEmptyGroupJustSwitches) {
  SignedIn s;
  addGroup(s.installation(), 4, "ФМ-103", 1);
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  struct Case {
    std::int32_t from, to;
    std::size_t fromAfter, toAfter;
  } cases[] = {{4, 1, 0, 10}, {2, 4, 0, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    ASSERT_TRUE(w->chooseGroup(c.from));
    int moved = -1;
    whenShown<TransferWindow>([&](TransferWindow* t) {
      EXPECT_EQ(t->windowTitle(), "Перевод студентов в другую группу");
      EXPECT_EQ(t->target()->findData(c.from), -1) << "not into the same group";
      t->target()->setCurrentIndex(t->target()->findData(c.to));
      t->accept();
      moved = t->moved();
    });
    w->button("Переход")->click();
    EXPECT_EQ(studentsOf(s.installation(), c.from).size(), c.fromAfter);
    EXPECT_EQ(studentsOf(s.installation(), c.to).size(), c.toAfter);
    EXPECT_EQ(moved, c.from == 4 ? 0 : 10);
    EXPECT_EQ(w->currentGroup().code, c.to) << "the target group is the current one";
    EXPECT_EQ(w->tree()->currentItem()->text(0).toStdString(), w->currentGroup().name);
  }
  for (const auto& st : studentsOf(s.installation(), 4)) EXPECT_EQ(st.NAMEGR.utf8(), "ФМ-103");
}

TEST(ContingentWindow, GroupWithStudentsIsNotDeletedAnEmptyOneIs) {
  SignedIn s;
  addGroup(s.installation(), 4, "ФМ-103", 1);
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(1));
  w->button("Удалить группу")->click();
  ASSERT_EQ(ms().shown().size(), 1u) << "refused before the confirmation";
  EXPECT_NE(ms().shown()[0].text.find("нельзя удалить: в ней 10 студентов"), std::string::npos) << ms().shown()[0].text;
  EXPECT_TRUE(groupStored(s.installation(), 1));
  EXPECT_NE(w->groupItem(1), nullptr);

  // The same through the list "Группы".
  ms().clearShown();
  s.app->menuItem(QStringLiteral("Группы"))->trigger();
  ui::BrowseWindow* list = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<ui::BrowseWindow*>(t); b && b->isVisible() && b->windowTitle() == "Просмотр файла Group") list = b;
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(column(list, 1), (QStringList{"ФМ-101", "ФМ-102", "ЕГ-201", "ФМ-103"}));
  list->deleteRecord();  // the first row: ФМ-101
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_NE(ms().shown()[0].text.find("ФМ-101"), std::string::npos);
  EXPECT_TRUE(groupStored(s.installation(), 1));
  list->close();

  // An empty group goes after the standard question.
  ms().clearShown();
  ms().script({messages::Yes});
  ASSERT_TRUE(w->chooseGroup(4));
  w->button("Удалить группу")->click();
  ASSERT_EQ(ms().shown().size(), 1u);
  EXPECT_EQ(ms().shown()[0].number, 32);
  EXPECT_FALSE(groupStored(s.installation(), 4));
  EXPECT_EQ(w->groupItem(4), nullptr);
}

TEST(ContingentWindow, RenamedGroupCarriesItsNameToItsStudents) {
  SignedIn s;
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(3));
  whenShown<GroupForm>([](GroupForm* f) {
    EXPECT_EQ(f->windowTitle(), "Update the Group File");
    EXPECT_TRUE(f->code()->isReadOnly()) << "students find their group by its code";
    f->name()->setText("ЕГ-211");
    f->accept();
  });
  w->button("Изменить группу")->click();
  EXPECT_EQ(w->groupItem(3)->text(0), "ЕГ-211");
  const auto students = studentsOf(s.installation(), 3);
  ASSERT_EQ(students.size(), 10u);
  for (const auto& st : students) EXPECT_EQ(st.NAMEGR.utf8(), "ЕГ-211") << st.CODEST;
  for (const auto& st : studentsOf(s.installation(), 1)) EXPECT_EQ(st.NAMEGR.utf8(), "ФМ-101");
}

TEST(ContingentWindow, GroupAndStudentFormsOfferTheirHelpPage) {
  SignedIn s;
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(3));
  auto check = [](ui::UpdateForm* f, const QString& page) {
    struct Close {
      ui::UpdateForm* f;
      ~Close() { f->reject(); }
    } close{f};
    auto* box = f->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(box, nullptr);
    QStringList texts;
    QPushButton* help = nullptr;
    for (QAbstractButton* b : box->buttons()) {
      texts << b->text();
      if (b->text() == "Справка") help = qobject_cast<QPushButton*>(b);
    }
    EXPECT_TRUE(texts.contains("OK") && texts.contains("О&тменить")) << texts.join(", ").toStdString();
    ASSERT_NE(help, nullptr) << texts.join(", ").toStdString();
    help->click();
    QWidget* shown = f->findChild<QWidget*>(QStringLiteral("HelpWindow"));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    auto* browser = shown->findChild<QTextBrowser*>();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().fileName(), page);
    shown->close();
  };
  whenShown<GroupForm>([&](GroupForm* f) { check(f, "UpdateGroup.html"); });
  w->button("Изменить группу")->click();
  whenShown<StudentForm>([&](StudentForm* f) { check(f, "UpdateStudent.html"); });
  w->button("&Добавить")->click();
  EXPECT_EQ(studentsOf(s.installation(), 3).size(), 10u);
}

TEST(ContingentWindow, AGroupChangedOnAnotherStationMeanwhileIsNotWrittenOver) {
  SignedIn s;
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(3));
  bool stayed = false;
  whenShown<GroupForm>([&](GroupForm* f) {
    EXPECT_TRUE(Contingent(s.installation()).renameGroup(3, "ЕГ-299"));  // another station
    f->name()->setText("ЕГ-211");
    f->accept();
    stayed = f->isVisible();
    if (stayed) f->reject();
  });
  w->button("Изменить группу")->click();
  EXPECT_TRUE(stayed);
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown().back().text.find("изменена на другой станции"), std::string::npos) << ms().shown().back().text;
  const auto students = studentsOf(s.installation(), 3);
  ASSERT_EQ(students.size(), 10u);
  for (const auto& st : students) EXPECT_EQ(st.NAMEGR.utf8(), "ЕГ-299") << st.CODEST;
}

TEST(ContingentWindow, AStudentAddedFromTheListBeforeItsGroupWasChosenGetsItsNumberOnOk) {
  SignedIn s;
  auto* list = qobject_cast<ui::BrowseWindow*>(s.app->openStudents());
  ASSERT_NE(list, nullptr);
  std::int32_t code = 0;
  whenShown<StudentForm>([&](StudentForm* f) {
    EXPECT_EQ(f->group()->currentData().toInt(), 0) << "no group chosen in the list";
    EXPECT_TRUE(f->numid()->text().trimmed().isEmpty());
    code = f->field("CODEST") ? f->field("CODEST")->text().toInt() : 0;
    f->group()->setCurrentIndex(f->group()->findData(3));
    f->field("FAM")->setText("Ясенев");
    f->accept();
    EXPECT_FALSE(f->isVisible()) << (ms().shown().empty() ? "" : ms().shown().back().text);
    if (f->isVisible()) f->reject();
  });
  list->insertRecord();
  list->close();
  ASSERT_GT(code, 0);
  const auto in3 = studentsOf(s.installation(), 3);
  const auto added = std::find_if(in3.begin(), in3.end(), [&](const tables::Student& st) { return st.CODEST == code; });
  ASSERT_NE(added, in3.end());
  EXPECT_EQ(added->FAM.utf8(), "Ясенев");
  EXPECT_EQ(added->NAMEGR.utf8(), "ЕГ-201");
  EXPECT_EQ(added->NUMID.utf8(), *numid(3, code));
}

TEST(ContingentWindow, NewStudentTakesTheGroupAndItsNumberWhichIsGeneratedAgainForAnother) {
  SignedIn s;
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(2));
  whenShown<StudentForm>([](StudentForm* f) {
    auto* tabs = f->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), "Общий");
    EXPECT_EQ(tabs->tabText(1), "Паспорт");
    EXPECT_EQ(tabs->tabText(2), "Успеваемость");
    EXPECT_EQ(f->numid()->text(), "020031") << "group 2, student 31";
    EXPECT_EQ(f->group()->currentData().toInt(), 2);
    f->field("FAM")->setText("Новиков");
    f->field("NAME")->setText("Пётр");
    // Another group: "Сгенерировать" gives the number that goes with it.
    f->group()->setCurrentIndex(f->group()->findData(3));
    f->generate()->click();
    EXPECT_EQ(f->numid()->text(), "030031");
    f->accept();
  });
  w->button("&Добавить")->click();
  const auto in3 = studentsOf(s.installation(), 3);
  ASSERT_EQ(in3.size(), 11u);
  const tables::Student& added = in3.back();
  EXPECT_EQ(added.CODEST, 31);
  EXPECT_EQ(added.FAM.utf8(), "Новиков");
  EXPECT_EQ(added.NAMEGR.utf8(), "ЕГ-201");
  EXPECT_EQ(added.NUMID.utf8(), "030031");
  EXPECT_EQ(studentsOf(s.installation(), 2).size(), 10u);

  // A form cancelled on a new student leaves nothing behind.
  whenShown<StudentForm>([](StudentForm* f) { f->reject(); });
  w->button("&Добавить")->click();
  EXPECT_EQ(studentsOf(s.installation(), 2).size(), 10u);
}

TEST(ContingentWindow, ImportPreviewNamesTheRefusedLinesAndAddsTheOtherTwentyEight) {
  // Thirty students in UTF-8; line 12 repeats line 5 and line 23 is either
  // written in letters the code page lacks or pasted in Windows-1251.
  const struct {
    const char* label;
    std::string line23;
    const char* reason;
  } files[] = {
      {"letters the code page lacks", "王;明;;ЗК-2023", "1251"},
      {"a line in Windows-1251", cp1251::fromUtf8("Лебедев;Виктор;Иванович;ЗК-2023"), "строка не в кодировке UTF-8"},
  };
  const char* fams[] = {"Андреев", "Борисов", "Васильев", "Григорьев", "Дмитриев", "Егоров", "Жуков", "Зайцев", "Ильин", "Королёв"};
  const char* names[] = {"Алексей", "Борис", "Виктор"};
  for (const auto& f : files) {
    SCOPED_TRACE(f.label);
    SignedIn s;
    std::string text;
    for (int i = 0; i < 30; ++i) {
      std::string line = std::string(fams[i % 10]) + ";" + names[i / 10] + ";Иванович;ЗК-" + std::to_string(2001 + i);
      if (i == 11) line = std::string(fams[4]) + ";" + names[0] + ";Иванович;ЗК-3000";
      if (i == 22) line = f.line23;
      text += line + "\n";
    }
    const std::string file = s.tmp / "группа.csv";
    std::ofstream(file, std::ios::binary) << text;

    ContingentWindow* w = openContingent(s);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->chooseGroup(3));
    whenShown<ImportWindow>([&](ImportWindow* d) {
      d->file()->setText(QString::fromStdString(file));
      d->showPreview();
      EXPECT_EQ(d->lines()->rowCount(), 30);
      const QString summary = d->summary()->text();
      EXPECT_TRUE(summary.contains("кодировке UTF-8")) << summary.toStdString();
      EXPECT_TRUE(summary.contains("Будет добавлено: 28")) << summary.toStdString();
      EXPECT_TRUE(summary.contains("Отказано: 2 (строки 12, 23)")) << summary.toStdString();
      EXPECT_TRUE(d->lines()->item(11, 5)->text().startsWith("отказ: повторяет строку 5")) << d->lines()->item(11, 5)->text().toStdString();
      EXPECT_TRUE(d->lines()->item(22, 5)->text().contains(f.reason)) << d->lines()->item(22, 5)->text().toStdString();
      EXPECT_EQ(d->lines()->item(0, 5)->text(), "будет добавлен");
      EXPECT_EQ(studentsOf(s.installation(), 3).size(), 10u) << "a preview writes nothing";
      ASSERT_TRUE(d->addButton()->isEnabled());
      d->addButton()->click();
      EXPECT_FALSE(d->isVisible());
    });
    w->button("Импорт...")->click();
    ASSERT_FALSE(ms().shown().empty());
    EXPECT_EQ(ms().shown().back().text, "Добавлено: 28 студентов.");
    const auto students = studentsOf(s.installation(), 3);
    EXPECT_EQ(students.size(), 38u);
    for (const auto& st : students) {
      if (st.CODEST <= 30) continue;
      EXPECT_EQ(st.NUMID.utf8(), *numid(3, st.CODEST)) << st.FAM.utf8();
      EXPECT_TRUE(std::find(std::begin(fams), std::end(fams), st.FAM.utf8()) != std::end(fams)) << "garbled: " << st.FAM.utf8();
    }
  }
}

TEST(ContingentWindow, SignInSlipsOfAGroupGiveTheMissingNumbersFirst) {
  SignedIn s;
  // Two students came from the Examiner's registration without a number.
  {
    tables::Student st;
    store::Table t(tables::studentDef(), st, s.installation().central(tables::files::Student));
    ASSERT_EQ(t.open(store::Shared), store::Ok);
    for (int code : {1, 2}) {
      st.CODEST = code;
      ASSERT_EQ(t.get(t.key("KEYKODST")), store::Ok);
      st.NUMID.clear();
      ASSERT_EQ(t.put(), store::Ok);
    }
  }
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(1));
  int pages = 0;
  ms().script({messages::Yes});
  whenShown<ui::Previewer>([&](ui::Previewer* p) {
    pages = p->pageCount();
    p->reject();
  });
  w->button("Пропуска...")->click();
  ASSERT_FALSE(ms().shown().empty());
  EXPECT_NE(ms().shown()[0].text.find("(2 из 10)"), std::string::npos) << ms().shown()[0].text;
  EXPECT_EQ(pages, 1) << "ten slips to a page";
  for (const auto& st : studentsOf(s.installation(), 1)) {
    if (st.CODEST <= 2) {
      EXPECT_EQ(st.NUMID.utf8(), *numid(1, st.CODEST));
    }
  }
  // What the slips show: each student of the group with the group and the number.
  std::vector<StudentRow> group;
  ASSERT_TRUE(Contingent(s.installation()).students(1, group));
  ASSERT_EQ(group.size(), 10u);
  const ui::Report slips = signInSlips(QStringLiteral("ФМ-101"), group);
  EXPECT_EQ(slips.pageCount(), pages);
  expectSlips(slips, QStringLiteral("ФМ-101"), group);
}

TEST(SignInSlips, EachStudentWithANumberGetsASlipWithNameGroupAndNumber) {
  std::vector<StudentRow> students;
  for (int i = 1; i <= 12; ++i)
    students.push_back({i, "Студентов" + std::to_string(i), "Иван", i % 2 ? "Петрович" : "", *numid(7, i)});
  students[4].numid.clear();  // registered at the Examiner without one
  const ui::Report r = signInSlips(QStringLiteral("ИН-301"), students);
  EXPECT_EQ(r.pageCount(), 2) << "eleven slips, ten to a page";
  expectSlips(r, QStringLiteral("ИН-301"), students);
  EXPECT_TRUE(pageTexts(r, 2).contains("Студентов12 Иван")) << pageTexts(r, 2).join(" | ").toStdString();
}

TEST(ContingentWindow, F5ShowsWhatAnotherStationAddedAndEscCloses) {
  SignedIn s;
  ContingentWindow* w = openContingent(s);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->chooseGroup(1));
  addGroup(s.installation(), 5, "ЕГ-202", 2);
  EXPECT_EQ(w->groupItem(5), nullptr);
  // Keys bound to the window answer while it is the active one.
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  QTest::keyClick(w->tree(), Qt::Key_F5);
  EXPECT_NE(w->groupItem(5), nullptr);
  EXPECT_EQ(w->currentGroup().code, 1) << "the current group stays";

  QPointer<ContingentWindow> kept = w;
  QTest::keyClick(w->students()->table(), Qt::Key_Escape);
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(kept.isNull() || !kept->isVisible());
}

}  // namespace
