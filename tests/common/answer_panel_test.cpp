// The answer panel alone, as the Constructor's preview uses it: a small
// frame of every kind, variants shown in a shuffled order, answered through
// the panel's own controls; what the panel then holds is checked as the
// Examiner checks it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <functional>
#include <string>
#include <vector>

#include "answer_checking.h"
#include "answer_panel.h"
#include "cp1251.h"
#include "when_shown.h"

using common::AnswerPanel;
using common::Permutation;
using common::Response;

namespace {

std::string u(const char* s) { return cp1251::fromUtf8(s); }

// Display places 1, 2, 3 show the stored variants 3, 1, 2.
Permutation shuffled() {
  Permutation p;
  p.count = 3;
  const int shown[] = {3, 1, 2};
  for (int k = 1; k <= 3; ++k) {
    p.shown[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(shown[k - 1]);
    p.inverse[static_cast<std::size_t>(shown[k - 1])] = static_cast<std::uint8_t>(k);
  }
  return p;
}

tables::Vop frame(int kind, std::vector<const char*> variants, std::vector<int> key) {
  tables::Vop v;
  v.TYPEKADR = static_cast<std::uint8_t>(kind);
  v.KOLOT = static_cast<std::uint8_t>(variants.size());
  v.BALLVOP = 1;
  for (std::size_t i = 0; i < variants.size(); ++i) v.varot1(static_cast<int>(i + 1)) = u(variants[i]);
  for (std::size_t i = 0; i < key.size(); ++i) v.TRUEOT[i] = static_cast<std::uint8_t>(key[i]);
  return v;
}

// The button whose label holds a variant's text, as the examinee finds it.
QPushButton* buttonFor(const AnswerPanel& p, const char* text) {
  for (int k = 1; k <= p.variantCount(); ++k)
    if (p.variantButton(k)->text().contains(QString::fromUtf8(text))) return p.variantButton(k);
  ADD_FAILURE() << "no button for " << text;
  return nullptr;
}

void press(const AnswerPanel& p, const char* text, int times = 1) {
  for (int i = 0; i < times; ++i)
    if (QPushButton* b = buttonFor(p, text)) b->click();
}

// Kind 4: the number the list on the right gives a variant.
int listedNumber(const AnswerPanel& p, const char* variant) {
  for (auto* l : p.findChildren<QLabel*>())
    if (l->isVisibleTo(&p) && l->text().endsWith(QString::fromUtf8(variant))) return l->text().section('.', 0, 0).toInt();
  ADD_FAILURE() << "no listed variant " << variant;
  return 0;
}

// Kind 4: clicks a row until its arrow shows the variant's number.
void match(const AnswerPanel& p, const char* row, const char* variant) {
  const QString want = QStringLiteral("→  ") + QString::number(listedNumber(p, variant));
  for (int i = 0; i < 9 && !buttonFor(p, row)->text().endsWith(want); ++i) press(p, row);
  EXPECT_TRUE(buttonFor(p, row)->text().endsWith(want)) << row;
}

// Kinds 5 to 7: "Ввести ответ...", the text typed in its window, OK.
void type(AnswerPanel& p, const char* text) {
  ASSERT_NE(p.inputButton(), nullptr);
  whenShown<QDialog>([text](QDialog* d) {
    EXPECT_EQ(d->objectName(), "ADDOtvet");
    d->findChild<QLineEdit*>()->setText(QString::fromUtf8(text));
    d->accept();
  });
  p.inputButton()->click();
  EXPECT_EQ(p.typedLine()->text(), QString::fromUtf8(text));
}

TEST(AnswerPanel, EveryKindAnsweredThroughItsControlsIsCheckedAsTheExaminerChecksIt) {
  tables::Vop matching = frame(4, {"Париж", "Лондон", "Москва"}, {1, 2, 3});
  matching.VAROT2[0] = u("Франция");
  matching.VAROT2[1] = u("Англия");
  matching.VAROT2[2] = u("Россия");
  tables::Vop keyword = frame(5, {}, {});
  keyword.KOLOT = 1;
  keyword.varot1(5) = u("вода");
  keyword.VAROT2[4] = u("H2O");
  tables::Vop exact = frame(6, {}, {});
  exact.TRUEOTSTR = u("Москва");
  tables::Vop number = frame(7, {}, {});
  number.KOLOT = 1;
  number.TYPEETOT = 2;
  number.varot1(5) = "3.1";
  number.VAROT2[4] = "3.2";

  struct Case {
    const char* what;
    tables::Vop v;
    std::function<void(AnswerPanel&)> right, wrong;
  } cases[] = {
      {"kind 1: the even numbers", frame(1, {"2", "3", "4"}, {1, 0, 1}),
       [](AnswerPanel& p) {
         press(p, "2");
         press(p, "3", 2);  // marked, then unmarked
         press(p, "4");
       },
       [](AnswerPanel& p) {
         press(p, "2");
         press(p, "3");
       }},
      {"kind 2: in increasing order", frame(2, {"один", "два", "три"}, {1, 2, 3}),
       [](AnswerPanel& p) {
         press(p, "один", 4);  // past the last place, round to the first
         press(p, "два", 2);
         press(p, "три", 3);
       },
       [](AnswerPanel& p) {
         press(p, "один", 2);
         press(p, "два");
         press(p, "три", 3);
       }},
      {"kind 3: the capital of France", frame(3, {"Москва", "Париж", "Лондон"}, {2}),
       [](AnswerPanel& p) {
         press(p, "Лондон");
         press(p, "Париж");  // the last choice counts
       },
       [](AnswerPanel& p) {
         press(p, "Париж");
         press(p, "Лондон");
       }},
      {"kind 4: countries and capitals", matching,
       [](AnswerPanel& p) {
         match(p, "Франция", "Париж");
         match(p, "Англия", "Лондон");
         match(p, "Россия", "Москва");
       },
       [](AnswerPanel& p) {
         match(p, "Франция", "Лондон");
         match(p, "Англия", "Париж");
         match(p, "Россия", "Москва");
       }},
      {"kind 5: a keyword", keyword, [](AnswerPanel& p) { type(p, "Это ВОДА"); }, [](AnswerPanel& p) { type(p, "огонь"); }},
      {"kind 5: its synonym", keyword, [](AnswerPanel& p) { type(p, "h2o"); }, [](AnswerPanel& p) { type(p, "H2"); }},
      {"kind 6: the exact answer", exact, [](AnswerPanel& p) { type(p, "Москва"); }, [](AnswerPanel& p) { type(p, "москва"); }},
      {"kind 7: a number in its bounds", number, [](AnswerPanel& p) { type(p, "3.14"); }, [](AnswerPanel& p) { type(p, "3.3"); }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    AnswerPanel panel;
    const Permutation order = c.v.TYPEKADR <= 4 ? shuffled() : Permutation{};
    panel.setFrame(c.v, order);
    EXPECT_FALSE(panel.response().answered(c.v.TYPEKADR));
    QSignalSpy changed(&panel, &AnswerPanel::changed);
    c.right(panel);
    EXPECT_GT(changed.count(), 0);
    EXPECT_TRUE(common::check(c.v, panel.response(), false).correct);
    panel.setFrame(c.v, order);
    c.wrong(panel);
    EXPECT_TRUE(panel.response().answered(c.v.TYPEKADR));
    EXPECT_FALSE(common::check(c.v, panel.response(), false).correct);
  }
}

TEST(AnswerPanel, ShowsTheResponseItIsGivenByDisplayPlace) {
  const Permutation order = shuffled();  // places а, б, в show stored 3, 1, 2
  AnswerPanel panel;
  Response ranks;
  ranks.r[1] = 2;
  ranks.r[2] = 3;
  ranks.r[3] = 1;
  panel.setFrame(frame(2, {"один", "два", "три"}, {}), order, ranks);
  EXPECT_EQ(panel.variantButton(1)->text(), "[1]  а) три");
  EXPECT_EQ(panel.variantButton(2)->text(), "[2]  б) один");
  EXPECT_EQ(panel.variantButton(3)->text(), "[3]  в) два");

  Response chosen;
  chosen.r[1] = 1;  // stored 1, shown at б
  panel.setFrame(frame(3, {"один", "два", "три"}, {}), order, chosen);
  EXPECT_FALSE(panel.variantButton(1)->styleSheet().contains("142,193,149"));
  EXPECT_TRUE(panel.variantButton(2)->styleSheet().contains("142,193,149"));  // the marked colour

  tables::Vop m = frame(4, {"x", "y", "z"}, {});
  m.VAROT2[0] = u("первый");
  m.VAROT2[1] = u("второй");
  Response rows;
  rows.r[1] = 1;  // stored 1 is listed 2nd
  panel.setFrame(m, order, rows);
  ASSERT_EQ(panel.variantCount(), 2);
  EXPECT_EQ(panel.variantButton(1)->text(), "а) первый   →  2");
  EXPECT_EQ(panel.variantButton(2)->text(), "б) второй   →  ?");
}

TEST(AnswerPanel, ReadOnlyChangesNothingAndTheInputWindowRunsThroughTheOwnersRunner) {
  AnswerPanel panel;
  int runs = 0;
  panel.setDialogRunner([&](const std::function<void()>& run) {
    ++runs;
    run();
  });
  tables::Vop exact = frame(6, {}, {});
  exact.TRUEOTSTR = u("Москва");
  panel.setFrame(exact, {});
  type(panel, "Москва");
  EXPECT_EQ(runs, 1);

  const tables::Vop single = frame(3, {"один", "два"}, {1});
  panel.setFrame(single, common::identityPermutation(2));
  panel.setReadOnly(true);
  QSignalSpy changed(&panel, &AnswerPanel::changed);
  EXPECT_FALSE(panel.variantButton(1)->isEnabled());
  panel.click(1);
  panel.answerText("один");
  EXPECT_EQ(changed.count(), 0);
  EXPECT_FALSE(panel.response().answered(3));
  panel.setReadOnly(false);
  EXPECT_TRUE(panel.variantButton(1)->isEnabled());
  panel.variantButton(1)->click();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_TRUE(common::check(single, panel.response(), false).correct);
}

}  // namespace
