// Frames as the Constructor saves them: normalised and validated kind by
// kind, then checked by the Examiner's own checking; the refusals, the
// points, the unfit characters and the printed reference answers.
#include <gtest/gtest.h>

#include <functional>

#include "answer_checking.h"
#include "cp1251.h"
#include "frame_rules.h"

using common::normaliseFrame;

namespace {

std::string u(std::string_view utf8) { return cp1251::fromUtf8(utf8); }

// A frame as a teacher leaves it in the editor: points and level typed in,
// a stale variant count.
tables::Vop typedFrame(int kind, const char* question = "Вопрос") {
  tables::Vop v;
  v.TYPEEDIT = "Stnd";
  v.TYPEKADR = static_cast<std::uint8_t>(kind);
  v.VOPROS = u(question);
  v.BALLVOP = 99;
  v.LEVEL = 3;
  v.KOLOT = 9;
  return v;
}

common::Response choose(std::initializer_list<int> r) {
  common::Response resp;
  std::size_t i = 1;
  for (int x : r) resp.r[i++] = static_cast<std::uint8_t>(x);
  return resp;
}

common::Response type(const char* utf8) {
  common::Response resp;
  resp.text = u(utf8);
  return resp;
}

// Marking by points per frame, levels multiplied: the frame must still carry
// the scenario's points, not times its level.
tables::Tema scenario(bool weighted) {
  tables::Tema t;
  t.TYPEOZENKA = 2;
  t.BALLVOP = 5;
  t.DIFFBALL = weighted ? 1 : 0;
  t.MODELEVEL = 1;
  t.ADDLEVEL = 1;
  return t;
}

// The answer-bearing fields of two frames agree.
void expectSameAnswer(const tables::Vop& a, const tables::Vop& b, const std::string& what) {
  EXPECT_EQ(a.KOLOT, b.KOLOT) << what;
  EXPECT_EQ(a.TRUEOT, b.TRUEOT) << what;
  EXPECT_EQ(a.MARK, b.MARK) << what;
  EXPECT_EQ(a.BALLVOP, b.BALLVOP) << what;
  EXPECT_EQ(a.TRUEOTSTR, b.TRUEOTSTR) << what;
  for (int i = 1; i <= 9; ++i) {
    EXPECT_EQ(a.varot1(i), b.varot1(i)) << what << " variant " << i;
    EXPECT_EQ(a.VAROT2[static_cast<std::size_t>(i - 1)], b.VAROT2[static_cast<std::size_t>(i - 1)]) << what << " second " << i;
  }
}

TEST(FrameRoundTrip, EveryKindIsCheckedRightAndWrongByTheExaminer) {
  struct Case {
    const char* what;
    std::function<tables::Vop()> typed;
    bool weighted;
    common::Response right, wrong;
    long rightPoints;
  };
  const std::vector<Case> cases = {
      {"several correct, a removed variant left its tick behind",
       [] {
         auto v = typedFrame(1, "Какие числа простые?");
         v.VAROT11 = "4", v.VAROT13 = "3", v.VAROT15 = "5";
         v.TRUEOT = {0, 1, 1, 0, 2};  // variant 2 is gone; variant 5's box holds 2
         v.VAROT2[0] = u("лишнее");
         v.TRUEOTSTR = u("лишнее");
         return v;
       },
       false, choose({0, 1, 1}), choose({1, 1, 1}), 5},
      {"ranking with places 1, 4, 2 after a variant was removed",
       [] {
         auto v = typedFrame(2, "Упорядочите по возрастанию");
         v.VAROT11 = "1", v.VAROT12 = "100", v.VAROT14 = "10";
         v.TRUEOT = {1, 4, 3, 2};
         return v;
       },
       false, choose({1, 3, 2}), choose({1, 2, 3}), 5},
      {"single choice whose key points past gaps",
       [] {
         auto v = typedFrame(3, "Самая длинная река?");
         v.VAROT12 = u("Волга"), v.VAROT14 = u("Нил"), v.VAROT16 = u("Амазонка");
         v.TRUEOT = {4, 0, 0, 1};  // a tick left over from another kind
         return v;
       },
       false, choose({2}), choose({1}), 5},
      {"matching with gaps among the variants and among the rows",
       [] {
         auto v = typedFrame(4, "Сопоставьте страны и столицы");
         v.VAROT11 = u("Париж"), v.VAROT13 = u("Берлин"), v.VAROT14 = u("Рим");
         v.VAROT2[1] = u("Франция"), v.VAROT2[4] = u("Германия"), v.VAROT2[5] = u("Италия");
         v.TRUEOT = {0, 1, 0, 0, 3, 4};
         return v;
       },
       false, choose({1, 2, 3}), choose({1, 3, 2}), 5},
      {"keywords in order, slots 1 and 3, the input-field count in KOLOT",
       [] {
         auto v = typedFrame(5, "Что выполняет исполнитель?");
         v.VAROT15 = u("Алгоритм"), v.VAROT17 = u("  исполнитель");
         v.VAROT2[6] = u("исполнителем, компьютер");
         v.VAROT11 = u("лишнее"), v.VAROT2[0] = u("лишнее");
         v.PORNUMOT = 1;
         v.KOLOT = 5;
         v.TRUEOT = {1, 1};
         return v;
       },
       false, type("Алгоритм выполняет компьютер"), type("компьютер выполняет алгоритм"), 5},
      {"a number range typed with decimal commas",
       [] {
         auto v = typedFrame(5, "Сколько?");
         v.TYPEETOT = 2;
         v.VAROT15 = "2,5", v.VAROT2[4] = " 3,5";
         return v;
       },
       false, type("3"), type("4"), 5},
      {"exact text, unused variants filled",
       [] {
         auto v = typedFrame(6, "Столица России?");
         v.TRUEOTSTR = u("  Москва");  // blanks typed before it are not asked of the examinee
         v.VAROT11 = u("лишнее");
         v.TRUEOT = {1};
         return v;
       },
       false, type("Москва"), type("москва"), 5},
      {"generator keywords in any order, slots 2 and 5",
       [] {
         auto v = typedFrame(7, "Назовите два водоёма");
         v.VAROT16 = u("река"), v.VAROT19 = u("море");
         v.VAROT2[8] = u("океан, озеро");
         return v;
       },
       false, type("озеро и река"), type("только река"), 5},
      {"weighted choice: the weights follow their variants",
       [] {
         auto v = typedFrame(1, "Какие числа простые?");
         v.VAROT11 = "4", v.VAROT13 = "3", v.VAROT15 = "5";
         v.TRUEOT = {0, 0, 1, 0, 1};
         v.MARK = {2, 50, 3, 50, 4};
         return v;
       },
       true, choose({0, 1, 1}), choose({1, 1, 1}), 9},
      {"weighted single choice: the weight of the moved correct variant",
       [] {
         auto v = typedFrame(3, "Самая длинная река?");
         v.VAROT12 = u("Волга"), v.VAROT14 = u("Нил");
         v.TRUEOT = {4};
         v.MARK = {0, 1, 0, 7};
         return v;
       },
       true, choose({2}), choose({1}), 7},
      {"weighted matching: the weights follow their rows",
       [] {
         auto v = typedFrame(4, "Сопоставьте");
         v.VAROT12 = "1", v.VAROT13 = "2";
         v.VAROT2[2] = u("один"), v.VAROT2[6] = u("два");
         v.TRUEOT = {0, 0, 2, 0, 0, 0, 3};
         v.MARK = {9, 9, 4, 9, 9, 9, 6};
         return v;
       },
       true, choose({1, 2}), choose({2, 1}), 10},
  };
  for (const auto& c : cases) {
    tables::Vop v = c.typed();
    const tables::Tema tema = scenario(c.weighted);
    const auto problems = normaliseFrame(v, tema);
    EXPECT_TRUE(problems.empty()) << c.what << ": " << (problems.empty() ? "" : problems.front());
    const auto right = common::check(v, c.right, c.weighted);
    EXPECT_TRUE(right.correct) << c.what;
    EXPECT_EQ(right.points, c.rightPoints) << c.what;
    EXPECT_EQ(common::maxPoints(v, c.weighted), c.rightPoints) << c.what;
    EXPECT_FALSE(common::check(v, c.wrong, c.weighted).correct) << c.what;
    // Saving again changes nothing (in particular the points do not grow).
    tables::Vop again = v;
    EXPECT_TRUE(normaliseFrame(again, tema).empty()) << c.what;
    expectSameAnswer(v, again, c.what);
  }
}

TEST(FrameRules, FieldsTheKindDoesNotUseAreBlanked) {
  auto filled = [](int kind) {
    auto v = typedFrame(kind);
    for (int i = 1; i <= 9; ++i) v.varot1(i) = "x" + std::to_string(i);
    for (auto& s : v.VAROT2) s = "y";
    v.TRUEOT = {2, 1, 3, 1, 1, 1, 1, 1, 1};
    v.MARK = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    v.TRUEOTSTR = "z";
    v.TYPEETOT = 1;
    v.PORNUMOT = 1;
    v.HOWVVODDOP = 1;
    v.CRDNX = {10, 20, 0, 0, 0};
    v.CRDNY = {5, 6, 0, 0, 0};
    v.ALGORITM[0] = "#1=1";
    return v;
  };
  const tables::Tema tema = scenario(false);

  auto single = filled(3);
  EXPECT_TRUE(normaliseFrame(single, tema).empty());
  EXPECT_EQ(single.KOLOT, 9);
  EXPECT_EQ(single.TRUEOT, (std::array<std::uint8_t, 9>{2, 0, 0, 0, 0, 0, 0, 0, 0}));
  for (const auto& s : single.VAROT2) EXPECT_TRUE(s.blank());
  EXPECT_TRUE(single.TRUEOTSTR.blank());
  EXPECT_EQ(single.PORNUMOT, 0);
  EXPECT_EQ(single.HOWVVODDOP, 0);
  EXPECT_EQ(single.CRDNX, (std::array<std::uint16_t, 5>{}));
  EXPECT_TRUE(single.ALGORITM[0].blank());

  auto completion = filled(5);
  completion.VAROT2[6].clear();  // slot 3: keyword without synonyms
  EXPECT_TRUE(normaliseFrame(completion, tema).empty());
  for (int i = 1; i <= 4; ++i) {
    EXPECT_TRUE(completion.varot1(i).blank()) << i;
    EXPECT_TRUE(completion.VAROT2[static_cast<std::size_t>(i - 1)].blank()) << i;
  }
  EXPECT_EQ(completion.KOLOT, 5);  // five slots, however many input fields
  EXPECT_EQ(completion.CRDNX, (std::array<std::uint16_t, 5>{10, 20, 0, 0, 0}));
  EXPECT_EQ(completion.CRDNY, (std::array<std::uint16_t, 5>{5, 6, 0, 0, 0}));
  EXPECT_EQ(completion.HOWVVODDOP, 1);
  EXPECT_EQ(completion.TRUEOT, (std::array<std::uint8_t, 9>{}));
  EXPECT_EQ(completion.MARK, (std::array<std::int32_t, 9>{}));
  EXPECT_TRUE(completion.TRUEOTSTR.blank());
  EXPECT_TRUE(completion.ALGORITM[0].blank());

  auto exact = filled(6);
  EXPECT_TRUE(normaliseFrame(exact, tema).empty());
  EXPECT_EQ(exact.KOLOT, 0);
  for (int i = 1; i <= 9; ++i) EXPECT_TRUE(exact.varot1(i).blank()) << i;
  for (const auto& s : exact.VAROT2) EXPECT_TRUE(s.blank());
  EXPECT_EQ(exact.TRUEOT, (std::array<std::uint8_t, 9>{}));
  EXPECT_EQ(exact.TRUEOTSTR, "z");
  EXPECT_EQ(exact.ALGORITM[0], "#1=1");
}

TEST(FrameRules, FramesThatCannotBeCheckedAreRefusedWithTheReason) {
  struct Case {
    const char* what;
    std::function<void(tables::Vop&)> edit;
    int kind;
    const char* reason;  // a part of one of the messages
  };
  const std::string longAnswer(129, 'a');
  const std::vector<Case> cases = {
      {"no question text", [](tables::Vop& v) { v.VOPROS = " \r\n "; v.VAROT11 = "a"; v.TRUEOT[0] = 1; }, 3,
       "Не введён текст вопроса"},
      {"several: nothing ticked", [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b"; }, 1, "Не отмечен ни один верный ответ"},
      {"several: the only tick on a removed variant", [](tables::Vop& v) { v.VAROT11 = "a"; v.TRUEOT[1] = 1; }, 1,
       "Не отмечен ни один верный ответ"},
      {"single: no variants", [](tables::Vop& v) { v.TRUEOT[0] = 1; }, 3, "ни одного варианта ответа"},
      {"single: the key names a blank variant", [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b"; v.TRUEOT[0] = 3; }, 3,
       "Не указан верный вариант ответа"},
      {"ranking: two variants on one place",
       [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b", v.VAROT13 = "c"; v.TRUEOT = {1, 2, 2}; }, 2,
       "свой номер места от 1 до 3"},
      {"ranking: a variant without a place", [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b"; v.TRUEOT = {1, 0}; }, 2,
       "свой номер места от 1 до 2"},
      {"matching: a row without its variant",
       [](tables::Vop& v) { v.VAROT11 = "a"; v.VAROT2[0] = "x", v.VAROT2[1] = "y"; v.TRUEOT = {1, 0}; }, 4,
       "Элементу б не сопоставлен вариант ответа"},
      {"matching: a row matched to a blank variant",
       [](tables::Vop& v) { v.VAROT11 = "a"; v.VAROT2[0] = "x"; v.TRUEOT = {5}; }, 4, "Элементу а не сопоставлен"},
      {"matching: no rows", [](tables::Vop& v) { v.VAROT11 = "a"; v.TRUEOT = {1}; }, 4, "ни одного элемента для сопоставления"},
      {"completion: no answer at all", [](tables::Vop& v) { v.VAROT11 = u("вне слотов"); }, 5, "ни одного правильного ответа"},
      {"completion: synonyms of a missing answer",
       [](tables::Vop& v) { v.VAROT15 = "a"; v.VAROT2[5] = "b, c"; }, 5, "Ответ 2: синонимы без самого ответа"},
      {"numbers: an upper bound without the lower",
       [](tables::Vop& v) { v.TYPEETOT = 2; v.VAROT15 = "1"; v.VAROT2[6] = "3"; }, 5, "Ответ 3: верхняя граница без нижней"},
      {"numbers: bounds reversed", [](tables::Vop& v) { v.TYPEETOT = 2; v.VAROT15 = "5"; v.VAROT2[4] = "2,5"; }, 5,
       "Ответ 1: нижняя граница больше верхней"},
      {"numbers: a word for a bound", [](tables::Vop& v) { v.TYPEETOT = 2; v.VAROT16 = u("два"); }, 7, "Ответ 2: «два» не число"},
      {"numbers: two decimal points", [](tables::Vop& v) { v.TYPEETOT = 2; v.VAROT15 = "1"; v.VAROT2[4] = "2,5.1"; }, 5,
       "Ответ 1: «2,5.1» не число"},
      {"completion: an answer nobody can type",
       [&](tables::Vop& v) { v.VAROT15 = std::string(129, 'a'); }, 5, "Ответ 1 длиннее 128 знаков"},
      {"exact: no reference text", [](tables::Vop&) {}, 6, "Не введён эталонный ответ"},
      {"exact: longer than the examinee may type", [&](tables::Vop& v) { v.TRUEOTSTR = longAnswer; }, 6,
       "Эталонный ответ длиннее 128 знаков (129)"},
      {"no kind chosen", [](tables::Vop&) {}, 0, "Неизвестный тип задания: 0"},
      {"a kind nobody checks", [](tables::Vop&) {}, 8, "Неизвестный тип задания: 8"},
  };
  for (const auto& c : cases) {
    auto v = typedFrame(c.kind);
    c.edit(v);
    const auto problems = normaliseFrame(v, scenario(false));
    bool named = false;
    for (const auto& p : problems) named = named || p.find(c.reason) != std::string::npos;
    EXPECT_TRUE(named) << c.what << ": " << (problems.empty() ? "accepted" : problems.front());
  }
}

TEST(FrameRules, EdgesThatAreAccepted) {
  struct Case {
    const char* what;
    std::function<void(tables::Vop&)> edit;
    int kind;
  };
  const std::vector<Case> cases = {
      {"an object frame needs no question text",
       [](tables::Vop& v) { v.VOPROS = ""; v.TYPEEDIT = "Objk"; v.OBJECTTYPE = "O"; v.VAROT11 = "a"; v.TRUEOT[0] = 1; }, 3},
      {"exact text of 128 characters", [](tables::Vop& v) { v.TRUEOTSTR = std::string(128, 'a'); }, 6},
      {"one number (no upper bound)", [](tables::Vop& v) { v.TYPEETOT = 2; v.VAROT15 = "12"; }, 5},
      {"equal bounds, negative numbers", [](tables::Vop& v) { v.TYPEETOT = 2; v.VAROT15 = "-1,5"; v.VAROT2[4] = "-1.5"; }, 5},
      {"matching: a variant no row uses",
       [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b"; v.VAROT2[0] = "x"; v.TRUEOT = {2}; }, 4},
  };
  for (const auto& c : cases) {
    auto v = typedFrame(c.kind);
    c.edit(v);
    const auto problems = normaliseFrame(v, scenario(false));
    EXPECT_TRUE(problems.empty()) << c.what << ": " << (problems.empty() ? "" : problems.front());
  }
}

TEST(FrameRules, PointsFollowTheScenarioAndNeverTheLevel) {
  struct Case {
    int typeOzenka;
    std::uint16_t ballVop;
    std::array<std::uint16_t, 2> range;
    std::uint16_t typed;
    std::uint16_t expected;
  } cases[] = {
      {1, 7, {0, 0}, 4, 1},   // one point per correct answer
      {0, 7, {0, 0}, 4, 1},   // an unset marking counts as the default one
      {2, 7, {0, 0}, 4, 7},   // the scenario's points
      {3, 0, {2, 6}, 4, 4},   // within the range: as typed
      {3, 0, {2, 6}, 9, 6},   // above: the top of the range
      {3, 0, {2, 6}, 0, 2},   // below: the bottom
  };
  for (const auto& c : cases) {
    tables::Tema tema;
    tema.TYPEOZENKA = static_cast<std::uint8_t>(c.typeOzenka);
    tema.BALLVOP = c.ballVop;
    tema.BALLRANGE = c.range;
    tema.MODELEVEL = tema.ADDLEVEL = 1;
    auto v = typedFrame(3);
    v.VAROT11 = "a";
    v.TRUEOT[0] = 1;
    v.LEVEL = 4;
    v.BALLVOP = c.typed;
    ASSERT_TRUE(normaliseFrame(v, tema).empty());
    EXPECT_EQ(v.BALLVOP, c.expected) << c.typeOzenka << " typed " << c.typed;
    ASSERT_TRUE(normaliseFrame(v, tema).empty());
    EXPECT_EQ(v.BALLVOP, c.expected) << "saved twice, " << c.typeOzenka << " typed " << c.typed;
  }
}

TEST(FrameRules, CommentsFollowTheirVariants) {
  auto v = typedFrame(3);
  v.VAROT12 = "b", v.VAROT15 = "e";
  v.TRUEOT[0] = 5;
  tables::Training help;
  help.COMMOT[1] = u("к b"), help.COMMOT[2] = u("к пустому"), help.COMMOT[4] = u("к e");
  common::VariantMoves moves;
  ASSERT_TRUE(normaliseFrame(v, scenario(false), moves).empty());
  EXPECT_TRUE(moves.moved());
  EXPECT_EQ(moves.to, (std::array<int, 10>{0, 0, 1, 0, 0, 2, 0, 0, 0, 0}));
  common::followVariants(help, moves);
  EXPECT_EQ(help.COMMOT[0], u("к b"));
  EXPECT_EQ(help.COMMOT[1], u("к e"));
  for (std::size_t i = 2; i < 9; ++i) EXPECT_TRUE(help.COMMOT[i].blank()) << i;
  // The comment the Examiner shows for the chosen variant is the one written for it.
  EXPECT_EQ(common::chosenVariants(v, choose({2})), std::vector<int>{2});

  common::VariantMoves none;
  ASSERT_TRUE(normaliseFrame(v, scenario(false), none).empty());
  EXPECT_FALSE(none.moved());
}

TEST(FrameRules, CharactersOutsideTheCodePageAreNamed) {
  struct Case {
    const char* text;
    std::vector<std::string> unfit;
  } cases[] = {
      {"Ёлка №5 — «ёж», 10 € ? ‰", {}},
      {"x ≤ y ≤ z, café", {"≤", "é"}},
      {"смайл 😀 и ∑", {"😀", "∑"}},
      {"обрыв \xD0", {"\xEF\xBF\xBD"}},
      {"лишний \x80 байт", {"\xEF\xBF\xBD"}},
  };
  for (const auto& c : cases) EXPECT_EQ(common::unfitCharacters(c.text), c.unfit) << c.text;
  EXPECT_EQ(common::unfitMessage("Вопрос", "x ≤ y"), "Вопрос: знак «≤» не входит в кодовую страницу 1251.");
  EXPECT_EQ(common::unfitMessage("Ответ 2", "∑ ≤ ∑"), "Ответ 2: знаки «∑», «≤» не входят в кодовую страницу 1251.");
  EXPECT_EQ(common::unfitMessage("Вопрос", "Сколько будет 2 + 2?"), "");
}

TEST(FrameRules, ReferenceAnswerLines) {
  struct Case {
    const char* what;
    std::function<void(tables::Vop&)> edit;
    int kind;
    const char* line;
  };
  const std::vector<Case> cases = {
      {"several", [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b", v.VAROT13 = "c"; v.TRUEOT = {1, 0, 1}; }, 1, "1,3."},
      {"ranking", [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b", v.VAROT13 = "c"; v.TRUEOT = {2, 3, 1}; }, 2, "2,3,1."},
      {"single", [](tables::Vop& v) { v.VAROT11 = "a", v.VAROT12 = "b"; v.TRUEOT = {2}; }, 3, "2."},
      {"matching, four rows",
       [](tables::Vop& v) {
         v.VAROT11 = "1", v.VAROT12 = "2", v.VAROT13 = "3", v.VAROT14 = "4";
         for (std::size_t i = 0; i < 4; ++i) v.VAROT2[i] = "r";
         v.TRUEOT = {2, 1, 4, 3};
       },
       4, "а2,б1,в4,г3."},
      {"keywords with synonyms",
       [](tables::Vop& v) {
         v.VAROT15 = u("алгоритм"), v.VAROT2[4] = u("программа,  код ");
         v.VAROT17 = u("исполнитель");
       },
       5, "алгоритм (синонимы: программа, код); исполнитель"},
      {"numbers",
       [](tables::Vop& v) {
         v.TYPEETOT = 2;
         v.VAROT15 = "2.5", v.VAROT2[4] = "3.5";
         v.VAROT16 = "12", v.VAROT2[5] = "12";
       },
       7, "от 2.5 до 3.5; 12"},
      {"exact text", [](tables::Vop& v) { v.TRUEOTSTR = "3/4"; }, 6, "3/4"},
      {"no key at all", [](tables::Vop& v) { v.VAROT11 = "a"; }, 3, ""},
  };
  for (const auto& c : cases) {
    auto v = typedFrame(c.kind);
    v.KOLOT = 0;
    c.edit(v);
    EXPECT_EQ(common::referenceAnswer(v), c.line) << c.what;
  }
  // A frame saved from a messy editor prints its key in the saved numbering.
  auto v = typedFrame(3);
  v.VAROT12 = "a", v.VAROT14 = "b";
  v.TRUEOT[0] = 4;
  ASSERT_TRUE(normaliseFrame(v, scenario(false)).empty());
  EXPECT_EQ(common::referenceAnswer(v), "2.");
}

}  // namespace
