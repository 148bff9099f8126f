// Banks into tests: each question becomes the frame that the Examiner checks
// as the source meant (right and wrong answers), sections from categories,
// help, comments and pictures; what cannot be imported is refused before
// anything is written, and a failed write leaves no test behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "frame_plan.h"
#include "gift.h"
#include "import.h"
#include "moodle_xml.h"
#include "qti.h"
#include "sections.h"
#include "frame_operations.h"
#include "support.h"
#include "test_register.h"
#include "test_questions.h"
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

// The names in a base directory besides the register, sorted.
std::vector<std::string> entries(const Base& base) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(base.dir.path())) {
    const std::string n = e.path().filename().string();
    if (n != "DataTest.tps") out.push_back(n);
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool registered(const Base& base, const std::string& name) {
  return constructor::TestRegister(base.target(name).dataTestFile).registered(name);
}

std::string gift(int questions) {
  std::string g;
  for (int i = 1; i <= questions; ++i) g += "Вопрос " + std::to_string(i) + "? {=да ~нет}\n\n";
  return g;
}

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
  EXPECT_EQ(primes.MARK[0] + primes.MARK[1], primes.BALLVOP) << "the right ones share the frame's points";
  EXPECT_EQ(primes.MARK[2], 0) << "a penalty is no weight";
  EXPECT_FALSE(planned(p, "Простые")->notes.empty());
  // Its two halves of one point are rough, but the new test does not mark by weights: said once, for the whole file.
  EXPECT_TRUE(planned(p, "Простые")->roughWeights);
  EXPECT_EQ(std::count_if(p.notes.begin(), p.notes.end(), [](const std::string& n) { return n.find("Выбор-N") != std::string::npos; }), 1);
  const tables::Vop& earth = frames[2].vop;
  EXPECT_EQ(earth.VAROT11.utf8(), "Верно");
  EXPECT_EQ(earth.VAROT12.utf8(), "Неверно");
  EXPECT_EQ(frames[2].help.COMMOT[0].utf8(), "Да, это так.");
  // The matched answers stored out of order, each row keyed to its own.
  const tables::Vop& capitals = frames[3].vop;
  EXPECT_EQ(capitals.VAROT2[1].utf8(), "Франция");
  EXPECT_NE((std::vector<int>{capitals.TRUEOT[0], capitals.TRUEOT[1], capitals.TRUEOT[2]}), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(capitals.varot1(capitals.TRUEOT[0]).utf8(), "Москва");
  EXPECT_EQ(capitals.varot1(capitals.TRUEOT[1]).utf8(), "Париж");
  EXPECT_EQ(capitals.varot1(capitals.TRUEOT[2]).utf8(), "Рим");
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
  EXPECT_FALSE(registered(base, "Недописанный")) << "no register record keeps the name";
  EXPECT_EQ(entries(base), std::vector<std::string>{}) << "no working file left";
  // The name is free for the next try.
  p.items.pop_back();
  ASSERT_TRUE(importPlan(p, base.target("Недописанный")));
  EXPECT_EQ(base.frames("Недописанный").size(), 1u);
}

TEST(Import, AKilledImportLeavesNoTestAndItsLeftoversGoNextTime) {
  const Plan p = plan(readGift(gift(5)));
  Base base;
  ImportTarget t = base.target("Прерванный");
  t.progress = [](int done, int) {
    if (done == 3) std::raise(SIGKILL);
    return true;
  };
  EXPECT_EXIT(importPlan(p, t), ::testing::KilledBySignal(SIGKILL), "");
  EXPECT_FALSE(base.exists("Прерванный"));
  EXPECT_FALSE(registered(base, "Прерванный"));
  const auto left = entries(base);
  ASSERT_FALSE(left.empty()) << "the killed run left its working files";
  for (const auto& n : left) EXPECT_EQ(n.rfind(".ormida-new-", 0), 0u) << n;

  // The next run in that base takes the name and tidies what the dead one left.
  ASSERT_TRUE(importPlan(p, base.target("Прерванный")));
  EXPECT_EQ(entries(base), std::vector<std::string>{"Прерванный.orm"});
  EXPECT_EQ(base.frames("Прерванный").size(), 5u);
  EXPECT_TRUE(registered(base, "Прерванный"));
}

TEST(Import, AKillBetweenRegisteringAndMovingInIsFinishedByTheNextRun) {
  Base base;
  const std::string dataTest = base.target("x").dataTestFile;
  const constructor::NewTestRequest r{base.path, 1, "Зарегистрированный", "", "", base.keyWord};
  EXPECT_EXIT(
      {
        constructor::TestRegister reg(dataTest);
        constructor::TestApart apart(reg, r);
        if (!apart.begin()) std::_Exit(3);
        apart.onRegistered = [] { std::raise(SIGKILL); };
        std::uint16_t code = 0;
        apart.finish(code);
        std::_Exit(4);
      },
      ::testing::KilledBySignal(SIGKILL), "");
  // The record is in, the file still in the dead run's working directory.
  EXPECT_TRUE(registered(base, "Зарегистрированный"));
  EXPECT_FALSE(base.exists("Зарегистрированный"));

  // The next import in the base moves it in before tidying.
  ASSERT_TRUE(importPlan(plan(readGift(gift(2))), base.target("Следующий")));
  EXPECT_EQ(entries(base), (std::vector<std::string>{"Зарегистрированный.orm", "Следующий.orm"}));
  testfile::TestFile tf;
  tf.name(base.path, "Зарегистрированный", base.keyWord);
  ASSERT_EQ(tf.open(), store::Ok);
  EXPECT_EQ(tf.tema.CODETEMA, 1);
  tf.close();
}

TEST(Import, AFileTakingTheNameAfterRegisteringUndoesTheRecord) {
  Base base;
  constructor::TestRegister reg(base.target("x").dataTestFile);
  constructor::TestApart apart(reg, {base.path, 1, "Занятый", "", "", base.keyWord});
  ASSERT_TRUE(apart.begin());
  // Another station copies a file under the name at the last moment.
  apart.onRegistered = [&] { std::ofstream(base.path + "Занятый.orm") << "чужой"; };
  std::uint16_t code = 0;
  const constructor::Outcome o = apart.finish(code);
  EXPECT_FALSE(o);
  EXPECT_NE(o.message.find("уже существует"), std::string::npos) << o.message;
  EXPECT_FALSE(registered(base, "Занятый")) << "the record of a test not moved in goes again";
  std::ifstream kept(base.path + "Занятый.orm");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "чужой");
  EXPECT_EQ(entries(base), std::vector<std::string>{"Занятый.orm"});
}

TEST(Import, ATestMadeApartTakesTheCodeTheRegisterGivesAtTheEnd) {
  Base base;
  constructor::TestRegister reg(base.target("x").dataTestFile);
  constructor::NewTestRequest r{base.path, 1, "Отдельный", "", "", base.keyWord};
  constructor::TestApart apart(reg, r);
  ASSERT_TRUE(apart.begin());
  EXPECT_EQ(apart.code(), 1);
  EXPECT_FALSE(base.exists("Отдельный")) << "not in the base until finished";
  {
    testfile::TestFile tf;
    tf.name(apart.dir(), "Отдельный", base.keyWord);
    ASSERT_EQ(tf.open(), store::Ok);
    ASSERT_TRUE(constructor::addSection(tf, 1, "Раздел"));
    tables::Vop v = plan(readGift("Да? {=да ~нет}")).items.at(0).vop;
    v.CODEVOP = 1;
    v.CODETEMA = apart.code();
    ASSERT_TRUE(constructor::saveFrame(tf, v));
    tf.close();
  }
  // A working directory whose process is gone goes; this live one stays.
  std::filesystem::create_directory(base.dir / ".ormida-new-0-dead");
  std::ofstream(base.dir / ".ormida-new-0-dead/.ormida-work") << "";
  std::ofstream(base.dir / ".ormida-new-0-dead.lock") << "";
  // Killed before marking its directory: the empty directory goes with its lock.
  std::filesystem::create_directory(base.dir / ".ormida-new-0-unmarked");
  std::ofstream(base.dir / ".ormida-new-0-unmarked.lock") << "";
  std::filesystem::create_directory(base.dir / ".ormida-new-0-unlocked");
  std::ofstream(base.dir / ".ormida-new-0-unlocked/.ormida-work") << "";
  // What only shares the prefix is not a working directory: a test so named stays.
  std::ofstream(base.dir / ".ormida-new-тест.orm") << "тест";
  std::filesystem::create_directory(base.dir / ".ormida-new-папка");
  EXPECT_EQ(constructor::removeAbandonedWork(base.path), 3);
  EXPECT_FALSE(std::filesystem::exists(base.dir / ".ormida-new-0-dead"));
  EXPECT_FALSE(std::filesystem::exists(base.dir / ".ormida-new-0-unmarked"));
  EXPECT_FALSE(std::filesystem::exists(base.dir / ".ormida-new-0-unlocked"));
  EXPECT_TRUE(std::filesystem::exists(base.dir / ".ormida-new-тест.orm"));
  EXPECT_TRUE(std::filesystem::exists(base.dir / ".ormida-new-папка"));
  std::filesystem::remove(base.dir / ".ormida-new-тест.orm");
  std::filesystem::remove(base.dir / ".ormida-new-папка");
  EXPECT_TRUE(std::filesystem::exists(apart.dir() + "Отдельный.orm"));

  // Another station registers a test meanwhile, under code 1.
  std::uint16_t other = 0;
  ASSERT_TRUE(reg.create({base.path, 1, "Другой", "", "", base.keyWord}, other));
  ASSERT_EQ(other, 1);
  std::uint16_t code = 0;
  constructor::Outcome o = apart.finish(code);
  ASSERT_TRUE(o) << o.message;
  EXPECT_EQ(code, 2);
  testfile::TestFile tf;
  tf.name(base.path, "Отдельный", base.keyWord);
  ASSERT_EQ(tf.open(), store::Ok);
  EXPECT_EQ(tf.tema.CODETEMA, 2);
  std::vector<tables::Vop> frames;
  ASSERT_EQ(tf.frames(frames), store::Ok);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].CODETEMA, 2);
  ASSERT_EQ(tf.razdelT.set(), store::Ok);
  ASSERT_EQ(tf.razdelT.next(), store::Ok);
  EXPECT_EQ(tf.razdel.CODETEMA, 2);
  tf.close();
  EXPECT_EQ(entries(base), (std::vector<std::string>{"Другой.orm", "Отдельный.orm"}));
}

TEST(Import, ANameTakenWhileATestIsMadeApartIsNotReplaced) {
  Base base;
  constructor::TestRegister reg(base.target("x").dataTestFile);
  constructor::NewTestRequest r{base.path, 1, "Общий", "", "", base.keyWord};
  constructor::TestApart apart(reg, r);
  ASSERT_TRUE(apart.begin());
  // Another station creates a test of that name meanwhile.
  std::uint16_t other = 0;
  ASSERT_TRUE(reg.create({base.path, 1, "ОБЩИЙ", "", "", base.keyWord}, other));
  std::uint16_t code = 0;
  constructor::Outcome o = apart.finish(code);
  EXPECT_EQ(o.error, constructor::Outcome::Refused);
  EXPECT_EQ(o.message, "Тест с таким именем уже существует.");
  EXPECT_EQ(entries(base), std::vector<std::string>{"ОБЩИЙ.orm"}) << "the other test kept, the working files gone";
  testfile::TestFile tf;
  tf.name(base.path, "ОБЩИЙ", base.keyWord);
  ASSERT_EQ(tf.open(), store::Ok);
  EXPECT_EQ(tf.tema.CODETEMA, other);
}

namespace {

// The variants of a kind 2 frame in the order its key ranks them, with their comments.
std::vector<std::string> ranked(const tables::Vop& v, const tables::Training& help) {
  std::vector<std::pair<int, std::string>> order;
  for (int i = 0; i < v.KOLOT; ++i) {
    std::string item = v.varot1(i + 1).utf8();
    if (!help.COMMOT[static_cast<std::size_t>(i)].blank()) item += " #" + help.COMMOT[static_cast<std::size_t>(i)].utf8();
    order.emplace_back(v.TRUEOT[static_cast<std::size_t>(i)], item);
  }
  std::sort(order.begin(), order.end());
  std::vector<std::string> out;
  for (const auto& [place, item] : order) out.push_back(item);
  return out;
}

bool identityKey(const tables::Vop& v) {
  for (int i = 0; i < v.KOLOT; ++i)
    if (v.TRUEOT[static_cast<std::size_t>(i)] != i + 1) return false;
  return true;
}

}  // namespace

TEST(Import, OrderedItemsAreStoredShuffledWithTheKeyBackToTheirOrder) {
  // Moodle keeps each item's place as its fraction, whatever order the items are written in.
  const Bank bank = readMoodleXml(R"(<quiz>
    <question type="ordering"><name><text>Реки</text></name>
      <questiontext><text>Расставьте реки по длине, от самой длинной.</text></questiontext>
      <gradingtype>ABSOLUTE_POSITION</gradingtype>
      <answer fraction="2"><text>Енисей</text><feedback><text>Второй.</text></feedback></answer>
      <answer fraction="1"><text>Обь</text></answer>
      <answer fraction="4"><text>Волга</text></answer>
      <answer fraction="3"><text>Лена</text></answer>
      <answer fraction="5"><text>Амур</text></answer>
    </question>
    <question type="ordering"><name><text>Без мест</text></name>
      <questiontext><text>Буквы по алфавиту.</text></questiontext>
      <gradingtype>ALL_OR_NOTHING</gradingtype>
      <answer><text>А</text></answer><answer><text>Б</text></answer><answer><text>В</text></answer>
    </question></quiz>)");
  ASSERT_TRUE(bank.ok()) << bank.errors.front();
  const Plan p = plan(bank);
  Base base;
  ASSERT_TRUE(importPlan(p, base.target("Порядок")));
  const auto frames = base.frames("Порядок");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(ranked(frames[0].vop, frames[0].help), (std::vector<std::string>{"Обь", "Енисей #Второй.", "Лена", "Волга", "Амур"}));
  EXPECT_FALSE(identityKey(frames[0].vop)) << "the stored order is not the answer";
  EXPECT_EQ(ranked(frames[1].vop, frames[1].help), (std::vector<std::string>{"А", "Б", "В"}));
  EXPECT_FALSE(identityKey(frames[1].vop));
  EXPECT_TRUE(right(frames[0].vop, keyResponse(frames[0].vop)));
  // Moodle's credit for part of the order is named, the frame asks for all of it.
  ASSERT_EQ(p.items[0].notes.size(), 1u);
  EXPECT_NE(p.items[0].notes[0].find("ABSOLUTE_POSITION"), std::string::npos);
  EXPECT_TRUE(p.items[1].notes.empty());
  // The same question is stored the same way every time.
  EXPECT_EQ(plan(bank).items[0].vop.TRUEOT, p.items[0].vop.TRUEOT);
}

TEST(Import, BoxesToTickStayBoxesEvenWithOneRightAnswer) {
  struct Case {
    const char* source;
    int kind;
  } cases[] = {
      {"::a:: Отметьте верное. {~%100%да ~нет ~может быть}", 1},
      {"::a:: Отметьте верное. {~%50%да ~%50%верно ~нет}", 1},
      {"::a:: Выберите верное. {=да ~нет ~может быть}", 3},
      {"<quiz><question type=\"multichoice\"><name><text>a</text></name><questiontext><text>Отметьте.</text></questiontext>"
       "<single>false</single><answer fraction=\"100\"><text>да</text></answer><answer fraction=\"0\"><text>нет</text></answer>"
       "</question></quiz>",
       1},
      {"<quiz><question type=\"multichoice\"><name><text>a</text></name><questiontext><text>Выберите.</text></questiontext>"
       "<single>true</single><answer fraction=\"100\"><text>да</text></answer><answer fraction=\"0\"><text>нет</text></answer>"
       "</question></quiz>",
       3},
  };
  for (const auto& c : cases) {
    const std::string source = c.source;
    const Bank bank = source.front() == '<' ? readMoodleXml(source) : readGift(source);
    ASSERT_TRUE(bank.ok()) << source;
    const Plan p = plan(bank);
    ASSERT_EQ(p.items.size(), 1u);
    const tables::Vop& v = p.items[0].vop;
    EXPECT_EQ(v.TYPEKADR, c.kind) << source;
    EXPECT_TRUE(right(v, keyResponse(v))) << source;
    EXPECT_FALSE(right(v, wrongResponse(v))) << source;
  }
}

TEST(Import, WeightsShareTheFramesPointsAsTheFractionsShareTheGrade) {
  struct Case {
    std::vector<double> fractions;
    int points;
    std::vector<int> weights;
    bool exact;
  } cases[] = {
      {{50, 50, -100}, 1, {1, 0, 0}, false},
      {{50, 50, -100}, 10, {5, 5, 0}, true},
      {{100.0 / 3, 100.0 / 3, 100.0 / 3}, 10, {4, 3, 3}, false},
      {{20, 30, 50, 0}, 10, {2, 3, 5, 0}, true},
      {{10, 60, 30}, 7, {1, 4, 2}, false},
      {{30, 30}, 4, {2, 2}, true},  // rights short of the whole grade still share all the points
  };
  for (const auto& c : cases) {
    Question q;
    q.type = QuestionType::Choice;
    q.single = false;
    q.text = "Отметьте.";
    for (std::size_t i = 0; i < c.fractions.size(); ++i) q.answers.push_back({"вариант " + std::to_string(i + 1), c.fractions[i], {}});
    Bank bank;
    bank.questions.push_back(q);
    tables::Tema tema = newScenario();
    tema.TYPEOZENKA = 2;
    tema.BALLVOP = static_cast<std::uint16_t>(c.points);
    tema.DIFFBALL = 1;
    const Plan p = planFrames(bank, tema, tables::VopParam{});
    ASSERT_EQ(p.items.at(0).kind, 1) << p.items[0].skipped;
    const tables::Vop& v = p.items[0].vop;
    ASSERT_EQ(v.BALLVOP, c.points);
    std::vector<int> got;
    for (std::size_t i = 0; i < c.weights.size(); ++i) got.push_back(v.MARK[i]);
    EXPECT_EQ(got, c.weights) << c.points;
    // The Examiner's weighted marking gives the whole points for the key.
    EXPECT_EQ(common::check(v, keyResponse(v), true).points, c.points);
    const bool noted = std::any_of(p.items[0].notes.begin(), p.items[0].notes.end(),
                                   [](const std::string& n) { return n.find("неточно") != std::string::npos; });
    EXPECT_EQ(noted, !c.exact) << c.points;
    // Written out, the weights are the same shares of the grade again.
    if (c.exact) {
      double total = 0;
      for (double f : c.fractions) total += f > 0 ? f : 0;
      const Question back = questionOfFrame(v, nullptr, "");
      for (std::size_t i = 0; i < c.fractions.size(); ++i)
        if (c.fractions[i] > 0) {
          EXPECT_NEAR(back.answers[i].fraction, 100 * c.fractions[i] / total, 1e-9) << c.points;
        }
    }
  }
}

TEST(Import, ShortAnswersOfOneCharacterAreComparedExactly) {
  const Plan p = plan(readGift("::Буква:: Первая буква алфавита? {=а}\n\n::Цифра:: Сколько будет 2+2? {=4}\n\n::Слово:: Столица России? {=Москва}\n"));
  Base base;
  ASSERT_TRUE(importPlan(p, base.target("Короткие")));
  const auto frames = base.frames("Короткие");
  expectAnswering(frames, p, {{"Буква", 6, "а", "абв"}, {"Цифра", 6, "4", "14"}, {"Слово", 5, "москва", "Тверь"}});
  EXPECT_EQ(planned(p, "Буква")->notes.size(), 1u) << "the letter's case now counts";
  EXPECT_TRUE(planned(p, "Цифра")->notes.empty());
}

TEST(Import, ASkippedQuestionIsNamedByItsReasonAlone) {
  const Plan p = plan(readMoodleXml(R"(<quiz><question type="numerical"><name><text>Без ответа</text></name>
      <questiontext><text>Сколько?</text></questiontext>
      <answer fraction="0"><text>5</text><tolerance>0</tolerance></answer>
      <units><unit><multiplier>1</multiplier><unit_name>м</unit_name></unit></units>
    </question></quiz>)"));
  ASSERT_EQ(p.items.size(), 1u);
  EXPECT_EQ(p.items[0].skipped, "Нет верного ответа.");
  EXPECT_TRUE(p.items[0].notes.empty()) << p.items[0].notes.front();
}

TEST(Import, TheLimitCountsTheFramesNotTheQuestions) {
  // 513 questions of which one cannot be imported: 512 frames, a whole test.
  std::string source = gift(512) + "::Эссе:: Опишите лето. {}\n";
  const Plan p = plan(readGift(source));
  EXPECT_EQ(p.items.size(), 513u);
  EXPECT_EQ(p.frames(), 512);
  EXPECT_TRUE(p.refusal.empty()) << p.refusal;
}

TEST(Import, SynonymsDroppedForTheirCommaDoNotTurnAnExactAnswerIntoKeywords) {
  const Plan p = plan(readMoodleXml(R"(<quiz><question type="shortanswer"><name><text>Пи</text></name>
      <questiontext><text>Число пи до сотых?</text></questiontext><usecase>1</usecase>
      <answer fraction="100"><text>3.14</text></answer><answer fraction="100"><text>3,14</text></answer>
    </question><question type="shortanswer"><name><text>Слова</text></name>
      <questiontext><text>Столица?</text></questiontext><usecase>1</usecase>
      <answer fraction="100"><text>12</text></answer><answer fraction="100"><text>34</text></answer>
    </question></quiz>)"));
  Base base;
  ASSERT_TRUE(importPlan(p, base.target("Синонимы")));
  const auto frames = base.frames("Синонимы");
  expectAnswering(frames, p, {{"Пи", 6, "3.14", "13.145"}, {"Слова", 5, "12", "5"}});
  for (const char* name : {"Пи", "Слова"})
    for (const auto& n : planned(p, name)->notes) EXPECT_EQ(n.find("Регистр"), std::string::npos) << name << ": no letters, no case";
}

TEST(Import, NumbersLongerThanAFrameHoldsSkipTheirQuestion) {
  const Plan p = plan(readGift("::Длинное:: Сколько? {#99999999999999999:0.00000000000000001}\n\n"
                               "::Обычное:: Сколько? {#3.14:0.01}\n"));
  EXPECT_EQ(planned(p, "Длинное")->kind, 0);
  EXPECT_NE(planned(p, "Длинное")->skipped.find("не помещаются"), std::string::npos) << planned(p, "Длинное")->skipped;
  EXPECT_EQ(planned(p, "Обычное")->kind, 5);
}

TEST(Import, RepeatedOrderingPlacesAreNamed) {
  const Plan p = plan(readMoodleXml(R"(<quiz><question type="ordering"><name><text>Места</text></name>
      <questiontext><text>По порядку</text></questiontext>
      <answer fraction="1"><text>а</text></answer><answer fraction="3"><text>б</text></answer><answer fraction="3"><text>в</text></answer>
    </question></quiz>)"));
  const auto* f = planned(p, "Места");
  ASSERT_NE(f, nullptr);
  ASSERT_FALSE(f->notes.empty());
  EXPECT_NE(f->notes.front().find("(1, 3, 3) повторяются"), std::string::npos) << f->notes.front();
}
