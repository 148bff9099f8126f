// Banks into tests: each question becomes the frame that the Examiner checks
// as the source meant (right and wrong answers), sections from categories,
// help, comments and pictures; what cannot be imported is refused before
// anything is written, and a failed write leaves no test behind.
#include <gtest/gtest.h>

#include <functional>

#include "frame_plan.h"
#include "gift.h"
#include "import.h"
#include "moodle_xml.h"
#include "qti.h"
#include "support.h"
#include "test_register.h"
#include "text.h"

using namespace converter;
using convtest::Base;
using convtest::fixture;
using convtest::keyResponse;
using convtest::readText;
using convtest::right;
using convtest::typed;
using convtest::wrongResponse;

namespace {

const PlannedFrame* planned(const Plan& plan, const std::string& name) {
  for (const auto& f : plan.items)
    if (f.name == name) return &f;
  return nullptr;
}

// A frame answered right and wrong: by its own key (kinds 1 to 4) or by the
// texts given.
struct Answering {
  const char* name;
  int kind;
  const char* rightText = nullptr;  // kinds 5 and 6
  const char* wrongText = nullptr;
};

void expectAnswering(const std::vector<Base::Frame>& frames, const Plan& plan, const std::vector<Answering>& cases) {
  for (const auto& c : cases) {
    // The stored frame at the place of the planned one.
    int code = 0;
    bool found = false;
    for (const auto& f : plan.items) {
      if (f.kind) ++code;
      if (f.name == c.name) {
        found = f.kind != 0;
        break;
      }
    }
    ASSERT_TRUE(found) << c.name << " was not imported";
    ASSERT_LE(code, static_cast<int>(frames.size()));
    const tables::Vop& v = frames[static_cast<std::size_t>(code - 1)].vop;
    EXPECT_EQ(v.TYPEKADR, c.kind) << c.name;
    if (c.kind <= 4) {
      EXPECT_TRUE(right(v, keyResponse(v))) << c.name;
      EXPECT_FALSE(right(v, wrongResponse(v))) << c.name;
    } else {
      EXPECT_TRUE(right(v, typed(c.rightText))) << c.name << ": " << c.rightText;
      EXPECT_FALSE(right(v, typed(c.wrongText))) << c.name << ": " << c.wrongText;
    }
  }
}

Plan plan(const Bank& bank) { return planFrames(bank, newScenario(), tables::VopParam{}); }

}  // namespace

TEST(Import, GiftQuestionsAnswerAsTheirSourceMeant) {
  const Bank bank = readGift(readText(fixture("constructs.gift")));
  const Plan p = plan(bank);
  ASSERT_TRUE(p.refusal.empty()) << p.refusal;
  Base base;
  constructor::Outcome o = importPlan(p, base.target("Из GIFT"));
  ASSERT_TRUE(o) << o.message;
  const auto frames = base.frames("Из GIFT");
  ASSERT_EQ(static_cast<int>(frames.size()), p.frames());
  expectAnswering(frames, p,
                  {{"Сложение", 3},
                   {"Простые", 1},
                   {"Земля", 3},
                   {"Столицы", 4},
                   {"Гнездо", 5, "Гнёздышко", "дупло"},
                   {"Пи", 5, "3.14", "3.2"},
                   {"Интервал", 5, "4.5", "6"},
                   {"Запись", 5, "это равенство", "присваивание"},
                   {"Пропуск", 3},
                   {"Рисунок", 3}});
  EXPECT_FALSE(planned(p, "Эссе")->kind);

  // Sections by category, help and comments, the weights, the picture.
  EXPECT_EQ(frames[0].section, "Арифметика");
  EXPECT_EQ(frames[4].section, "Язык");
  EXPECT_TRUE(frames[0].hasHelp);
  EXPECT_EQ(frames[0].help.HELPVOP.utf8(), "Сложите единицы.");
  EXPECT_EQ(frames[0].help.COMMOT[1].utf8(), "Мало.");
  const tables::Vop& primes = frames[1].vop;
  EXPECT_EQ(primes.MARK[0], 50);
  EXPECT_EQ(primes.MARK[2], 0) << "a penalty is no weight";
  EXPECT_FALSE(planned(p, "Простые")->notes.empty());
  const tables::Vop& earth = frames[2].vop;
  EXPECT_EQ(earth.VAROT11.utf8(), "Верно");
  EXPECT_EQ(earth.VAROT12.utf8(), "Неверно");
  EXPECT_EQ(frames[2].help.COMMOT[0].utf8(), "Да, это так.");
  EXPECT_EQ(frames[3].vop.VAROT2[1].utf8(), "Франция");
  EXPECT_EQ(frames[5].vop.TYPEETOT, 2);
  EXPECT_EQ(frames.back().vop.YESIMAGE, 1);
  EXPECT_EQ(imageType(frames.back().vop.BLOBVOP.bytes), "png");
  EXPECT_FALSE(frames[4].hasHelp) << "a frame without help has no help record";
}

TEST(Import, MoodleAndQtiQuestionsAnswerAsTheirSourceMeant) {
  {
    const Plan p = plan(readMoodleXml(readText(fixture("constructs.xml"))));
    Base base;
    ASSERT_TRUE(importPlan(p, base.target("Из Moodle")));
    const auto frames = base.frames("Из Moodle");
    expectAnswering(frames, p,
                    {{"Скорость света", 3},
                     {"Векторы", 1},
                     {"Вакуум", 3},
                     {"Единицы", 4},
                     {"Планеты", 2},
                     {"Вода", 6, "H2O", "h2o"},
                     {"Газ", 5, "Кислород", "азот"},
                     {"Ускорение", 5, "9.81", "11"}});
    // Two rows share an answer and an answer matches none: three variants for three rows.
    const tables::Vop& units = frames[3].vop;
    EXPECT_EQ(units.KOLOT, 3);
    EXPECT_EQ(units.TRUEOT[1], units.TRUEOT[2]);
    EXPECT_EQ(frames[6].vop.VAROT2[4].utf8(), "O2") << "the wildcards around an answer are the keyword search itself";
    EXPECT_TRUE(right(frames[6].vop, typed("o2")));
    EXPECT_NE(planned(p, "Газ")->notes.size(), 0u) << "the partly right answer is noted as dropped";
    EXPECT_EQ(planned(p, "Формула")->skipped, "Вычисляемый вопрос: его числа меняются от попытки к попытке.");
    EXPECT_EQ(frames[5].section, "Химия");
  }
  {
    const Plan p = plan(readQtiItem(readText(fixture("choice_item.xml")), "choice_item.xml"));
    Base base;
    ASSERT_TRUE(importPlan(p, base.target("Из QTI")));
    const auto frames = base.frames("Из QTI");
    expectAnswering(frames, p, {{"Столица Франции", 3}});
    EXPECT_EQ(frames[0].vop.TRUEOT[0], 2);
    EXPECT_EQ(frames[0].help.COMMOT[0].utf8(), "Это другой город.");
  }
}

TEST(Import, TextsOutsideTheCodePageAreNamedPerQuestion) {
  const Plan p = plan(readGift("::Неравенство:: Верно ли, что x ≤ y? {T}\n\n::Сумма:: Что такое знак? {=∑ ~+}\n\n::Обычный:: 2+2? {=4 ~5}\n"));
  ASSERT_EQ(p.items.size(), 3u);
  EXPECT_EQ(p.items[0].skipped, "Вопрос: знак «≤» не входит в кодовую страницу 1251.");
  EXPECT_EQ(p.items[1].skipped, "Вариант 1: знак «∑» не входит в кодовую страницу 1251.");
  EXPECT_EQ(p.items[2].kind, 3);
  EXPECT_EQ(p.frames(), 1);
}

TEST(Import, AQuestionTooLongForItsFieldIsSkipped) {
  // The question's field holds 5000 characters as stored, a line break being two.
  auto question = [](int second) {
    return std::string(2500, 'a') + "\n" + std::string(static_cast<std::size_t>(second), 'b') + " {=да ~нет}\n";
  };
  const Plan fits = plan(readGift(question(2498)));
  EXPECT_EQ(fits.items.at(0).kind, 3) << fits.items[0].skipped;
  EXPECT_EQ(fits.items[0].vop.VOPROS.text.size(), 5000u);
  const Plan over = plan(readGift(question(2499)));
  EXPECT_EQ(over.items.at(0).skipped, "Вопрос: 5001 знаков, а помещается 5000.");
}

TEST(Import, MoreThanFiveHundredTwelveQuestionsAreRefused) {
  Base base;
  std::string gift;
  for (int i = 1; i <= 513; ++i) gift += "Вопрос " + std::to_string(i) + "? {=да ~нет}\n\n";
  const Plan p = plan(readGift(gift));
  EXPECT_EQ(p.frames(), 513);
  EXPECT_NE(p.refusal.find("не больше 512"), std::string::npos) << p.refusal;
  constructor::Outcome o = importPlan(p, base.target("Большой"));
  EXPECT_FALSE(o);
  EXPECT_FALSE(base.exists("Большой"));
  EXPECT_FALSE(constructor::TestRegister(base.target("x").dataTestFile).registered("Большой")) << "nothing registered either";

  // 512 is the whole result header, and allowed.
  gift.resize(gift.rfind("Вопрос 513"));
  EXPECT_TRUE(plan(readGift(gift)).refusal.empty());
}

TEST(Import, AnExistingTestIsNeverReplaced) {
  Base base;
  const Plan first = plan(readGift("Первый? {=да ~нет}\n\nВторой? {=да ~нет}\n"));
  ASSERT_TRUE(importPlan(first, base.target("Тест")));
  const Plan other = plan(readGift("Другой? {=да ~нет}\n"));
  constructor::Outcome o = importPlan(other, base.target("тест"));  // the same name in another letter case
  EXPECT_FALSE(o);
  EXPECT_EQ(o.message, "Тест с таким именем уже существует.");
  const auto frames = base.frames("Тест");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].vop.VOPROS.utf8(), "Первый?");

  EXPECT_FALSE(importPlan(first, base.target("../вне базы")));
  EXPECT_FALSE(importPlan(first, base.target("")));
}

TEST(Import, CategoriesBeyondSevenJoinTheSeventhSection) {
  std::string gift;
  for (int c = 1; c <= 9; ++c) gift += "$CATEGORY: $course$/top/Тема " + std::to_string(c) + "\n\nВопрос " + std::to_string(c) + "? {=да ~нет}\n\n";
  const Plan p = plan(readGift(gift));
  ASSERT_EQ(p.sections.size(), 7u);
  EXPECT_EQ(p.sections[6].name, "Тема 7");
  EXPECT_EQ(p.items[7].vop.CODERAZ, 7);
  EXPECT_EQ(p.items[8].vop.CODERAZ, 7);
  EXPECT_EQ(p.notes.size(), 2u);
  Base base;
  ASSERT_TRUE(importPlan(p, base.target("Темы")));
  const auto frames = base.frames("Темы");
  EXPECT_EQ(frames[8].section, "Тема 7");
  EXPECT_EQ(frames[0].section, "Тема 1");
  EXPECT_EQ(sectionName("$course$/top"), "");
  EXPECT_EQ(sectionName("$system$/top/Алгебра/Дроби"), "Алгебра/Дроби");
}

TEST(Import, AWriteThatFailsLeavesNoTest) {
  Plan p = plan(readGift("Хороший? {=да ~нет}\n"));
  ASSERT_EQ(p.frames(), 1);
  // A frame the Constructor refuses to save, after a good one.
  PlannedFrame broken = p.items[0];
  broken.name = "сломанный";
  broken.vop.TRUEOT.fill(0);
  p.items.push_back(broken);
  Base base;
  constructor::Outcome o = importPlan(p, base.target("Недописанный"));
  EXPECT_FALSE(o);
  EXPECT_NE(o.message.find("Не указан верный вариант ответа."), std::string::npos) << o.message;
  EXPECT_NE(o.message.find("не создан"), std::string::npos) << o.message;
  EXPECT_FALSE(base.exists("Недописанный"));
}
