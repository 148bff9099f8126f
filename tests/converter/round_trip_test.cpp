// A test written out and read back: test -> GIFT -> test and test ->
// Moodle XML -> test keep every frame the format can express (its kind,
// texts, key, weights, comments, help, section and, in XML, its picture);
// what a format cannot hold is named instead of written.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>

#include "frame_operations.h"
#include "frame_plan.h"
#include "gift.h"
#include "import.h"
#include "moodle_xml.h"
#include "sections.h"
#include "support.h"
#include "test_questions.h"
#include "text.h"

using namespace converter;
using convtest::Base;

namespace {

std::string u(const std::string& s) { return cp1251::fromUtf8(s); }

struct Authored {
  tables::Vop v;
  tables::Training help;
  bool withHelp = false;
};

// Frames of every kind as an author makes them in the Constructor.
std::vector<Authored> authored() {
  const auto png = base64Decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
  std::vector<Authored> out;
  auto frame = [&](int kind, const std::string& text) -> Authored& {
    Authored a;
    a.v.TYPEEDIT = "Stnd";
    a.v.TYPEKADR = static_cast<std::uint8_t>(kind);
    a.v.TYPEETOT = 1;
    a.v.KOLPOP = 1;
    a.v.VOPROS = u(text);
    out.push_back(a);
    return out.back();
  };
  {
    Authored& a = frame(1, "Какие из чисел\r\nделятся на 3?");  // weighted, two lines
    a.v.VAROT11 = u("9"), a.v.VAROT12 = u("10"), a.v.VAROT13 = u("12 & <13>");
    a.v.TRUEOT = {1, 0, 1};
    a.v.MARK = {3, 0, 7};  // the frame's 10 points shared 30% to 70%
    a.v.CODERAZ = 1;
    a.help.COMMOT[1] = u("10 = 3·3 + 1.");
    a.withHelp = true;
  }
  {
    Authored& a = frame(3, "Столица России?");
    a.v.VAROT11 = u("Казань"), a.v.VAROT12 = u("Москва"), a.v.VAROT13 = u("Тверь {древняя}");
    a.v.TRUEOT[0] = 2;
    a.v.BLOBVOP.bytes = png;
    a.v.YESIMAGE = 1;
    a.v.CODERAZ = 1;
    a.help.HELPVOP = u("Москва — столица с 1918 года.\r\nДо этого — Петроград.");
    a.help.COMMOT[0] = u("Казань — столица Татарстана.");
    a.withHelp = true;
  }
  {
    Authored& a = frame(3, "Вода кипит при 100 °C на уровне моря.");
    a.v.VAROT11 = u("Верно"), a.v.VAROT12 = u("Неверно");
    a.v.TRUEOT[0] = 1;
    a.help.COMMOT[1] = u("Проверьте ещё раз.");
    a.withHelp = true;
  }
  {
    Authored& a = frame(4, "Сопоставьте авторов и книги.");
    a.v.VAROT11 = u("Война и мир"), a.v.VAROT12 = u("Евгений Онегин"), a.v.VAROT13 = u("Мёртвые души");
    a.v.VAROT2[0] = u("Пушкин"), a.v.VAROT2[1] = u("Толстой");
    a.v.TRUEOT = {2, 1};
    a.v.CODERAZ = 2;
  }
  {
    Authored& a = frame(2, "Расставьте по порядку.");
    a.v.VAROT11 = u("второй"), a.v.VAROT12 = u("первый"), a.v.VAROT13 = u("третий");
    a.v.TRUEOT = {2, 1, 3};
    a.v.CODERAZ = 2;
  }
  {
    Authored& a = frame(5, "Как называется наука о числах?");
    a.v.VAROT15 = u("арифметика");
    a.v.VAROT2[4] = u("математика, счёт");
  }
  {
    Authored& a = frame(5, "Число от 2,5 до 3,5:");
    a.v.TYPEETOT = 2;
    a.v.VAROT15 = u("2.5");
    a.v.VAROT2[4] = u("3.5");
  }
  {
    Authored& a = frame(5, "Сколько дней в неделе?");
    a.v.TYPEETOT = 2;
    a.v.VAROT15 = u("7");
  }
  {
    Authored& a = frame(6, "Напишите фамилию автора «Онегина» с заглавной буквы.");
    a.v.TRUEOTSTR = u("Пушкин");
  }
  {
    Authored& a = frame(5, "Два ключевых слова сразу:");
    a.v.VAROT15 = u("кот");
    a.v.VAROT16 = u("пёс");
  }
  {
    Authored& a = frame(7, "Генератор:");
    a.v.VAROT15 = u("5");
    a.v.ALGORITM[0] = u("#1=2+3");
  }
  return out;
}

// A scenario of ten points a frame, marked by the variants' weights.
tables::Tema tenPoints() {
  tables::Tema t = newScenario();
  t.TYPEOZENKA = 2;
  t.BALLVOP = 10;
  t.DIFFBALL = 1;
  return t;
}

void makeTest(Base& base, const std::string& name) {
  constructor::TestRegister reg(base.target(name).dataTestFile);
  constructor::NewTestRequest r;
  r.baseDir = base.path;
  r.name = name;
  r.keyWord = base.keyWord;
  std::uint16_t code = 0;
  ASSERT_TRUE(reg.create(r, code));
  testfile::TestFile tf;
  tf.name(base.path, name, base.keyWord);
  ASSERT_EQ(tf.open(), store::Ok);
  const tables::Tema marking = tenPoints();
  tf.tema.TYPEOZENKA = marking.TYPEOZENKA;
  tf.tema.BALLVOP = marking.BALLVOP;
  tf.tema.DIFFBALL = marking.DIFFBALL;
  ASSERT_EQ(tf.temaT.put(), store::Ok);
  ASSERT_TRUE(constructor::addSection(tf, 1, "Числа"));
  ASSERT_TRUE(constructor::addSection(tf, 2, "Литература и порядок"));
  std::uint16_t n = 0;
  for (auto a : authored()) {
    a.v.CODEVOP = ++n;
    a.v.CODETEMA = code;
    if (a.v.CODERAZ) a.v.RAZDEL = u(a.v.CODERAZ == 1 ? "Числа" : "Литература и порядок");
    constructor::Outcome o = constructor::saveFrame(tf, a.v, a.withHelp ? &a.help : nullptr);
    ASSERT_TRUE(o) << n << ": " << o.message;
  }
  tf.close();
}

// What a frame means to the examinee and the checking, independent of the
// order its variants are stored in.
std::string meaning(const Base::Frame& f, bool withPicture, bool unusedVariants = true) {
  const tables::Vop& v = f.vop;
  std::ostringstream s;
  s << "kind " << int(v.TYPEKADR) << " points " << v.BALLVOP << " [" << v.VOPROS.utf8() << "] section [" << f.section << "]";
  s << " help [" << (f.hasHelp ? f.help.HELPVOP.utf8() : "") << "]";
  if (withPicture) s << " picture " << v.BLOBVOP.size();
  auto comment = [&](int i) { return f.hasHelp ? f.help.COMMOT[static_cast<std::size_t>(i)].utf8() : std::string(); };
  switch (v.TYPEKADR) {
    case 1:
    case 3:
      for (int i = 0; i < v.KOLOT; ++i) {
        const bool key = v.TYPEKADR == 1 ? v.TRUEOT[static_cast<std::size_t>(i)] == 1 : v.TRUEOT[0] == i + 1;
        s << " | " << v.varot1(i + 1).utf8() << (key ? " +" : " -") << " [" << comment(i) << "]";
        if (v.TYPEKADR == 1) s << " w" << v.MARK[static_cast<std::size_t>(i)];
      }
      break;
    case 2: {
      std::vector<std::pair<int, std::string>> order;
      for (int i = 0; i < v.KOLOT; ++i) order.emplace_back(v.TRUEOT[static_cast<std::size_t>(i)], v.varot1(i + 1).utf8() + " [" + comment(i) + "]");
      std::sort(order.begin(), order.end());
      for (const auto& [place, text] : order) s << " | " << place << ". " << text;
      break;
    }
    case 4: {
      std::set<std::string> variants;
      for (int i = 0; i < v.KOLOT; ++i)
        if (unusedVariants || std::find(v.TRUEOT.begin(), v.TRUEOT.end(), i + 1) != v.TRUEOT.end()) variants.insert(v.varot1(i + 1).utf8());
      for (const auto& t : variants) s << " | " << t;
      for (int r = 0; r < 9; ++r)
        if (!v.VAROT2[static_cast<std::size_t>(r)].blank())
          s << " | " << v.VAROT2[static_cast<std::size_t>(r)].utf8() << " -> " << v.varot1(v.TRUEOT[static_cast<std::size_t>(r)]).utf8();
      break;
    }
    case 5:
      s << " etot " << int(v.TYPEETOT);
      for (int j = 1; j <= 5; ++j)
        if (!v.varot1(4 + j).blank()) s << " | " << v.varot1(4 + j).utf8() << " / " << v.VAROT2[static_cast<std::size_t>(3 + j)].utf8();
      break;
    case 6: s << " | " << v.TRUEOTSTR.utf8(); break;
    default: break;
  }
  return s.str();
}

struct Trip {
  Written written;
  std::vector<Base::Frame> before, after;
};

Trip roundTrip(Base& base, Format format) {
  Trip t;
  makeTest(base, "Исходный");
  const std::string out = base.path + (format == Format::Gift ? "test.gift" : "test.xml");
  constructor::Outcome o = exportTest(base.path + "Исходный.orm", base.keyWord, format, out, t.written);
  EXPECT_TRUE(o) << o.message;
  const Bank bank = readSource(out);
  EXPECT_TRUE(bank.ok()) << (bank.ok() ? "" : bank.errors.front()) << "\n" << convtest::readText(out);
  const Plan plan = planFrames(bank, tenPoints(), tables::VopParam{});
  for (const auto& f : plan.items) EXPECT_NE(f.kind, 0) << f.where << ": " << f.skipped;
  o = importPlan(plan, base.target("Вернувшийся"));
  EXPECT_TRUE(o) << o.message;
  t.before = base.frames("Исходный");
  t.after = base.frames("Вернувшийся");
  return t;
}

bool mentions(const std::vector<std::string>& notes, const std::string& what) {
  return std::any_of(notes.begin(), notes.end(), [&](const std::string& n) { return n.find(what) != std::string::npos; });
}

}  // namespace

TEST(RoundTrip, MoodleXmlKeepsEveryFrameItExpresses) {
  Base base;
  const Trip t = roundTrip(base, Format::MoodleXml);
  ASSERT_EQ(t.before.size(), 11u);
  // Everything but the two keywords at once and the generator.
  EXPECT_EQ(t.written.written, 9);
  EXPECT_TRUE(mentions(t.written.notes, "Кадр 10: Нужно ввести несколько ключевых слов")) << t.written.notes.size();
  EXPECT_TRUE(mentions(t.written.notes, "Кадр 11: Генератор"));
  ASSERT_EQ(t.after.size(), 9u);
  for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(meaning(t.after[i], true), meaning(t.before[i], true)) << "frame " << i + 1;
}

TEST(RoundTrip, GiftKeepsEveryFrameItExpresses) {
  Base base;
  const Trip t = roundTrip(base, Format::Gift);
  // No ordering in GIFT, no letter case, no pictures.
  EXPECT_EQ(t.written.written, 8);
  EXPECT_TRUE(mentions(t.written.notes, "Кадр 5: в GIFT нет заданий на упорядочение"));
  EXPECT_TRUE(mentions(t.written.notes, "Кадр 2: рисунок не выгружен"));
  EXPECT_TRUE(mentions(t.written.notes, "Кадр 4: в GIFT нет лишних вариантов для соответствия: «Мёртвые души» не выгружен."));
  EXPECT_TRUE(mentions(t.written.notes, "Кадр 9: в GIFT нельзя указать, что регистр букв важен."));
  ASSERT_EQ(t.after.size(), 8u);
  std::vector<const Base::Frame*> expressible;
  for (const auto& f : t.before)
    if (f.vop.TYPEKADR != 2 && f.vop.CODEVOP <= 9) expressible.push_back(&f);
  ASSERT_EQ(expressible.size(), 8u);
  for (std::size_t i = 0; i < 8; ++i) {
    if (expressible[i]->vop.TYPEKADR == 6) {
      // Without letter case the exact answer comes back as the keyword.
      EXPECT_EQ(t.after[i].vop.TYPEKADR, 5);
      EXPECT_EQ(t.after[i].vop.VAROT15.utf8(), expressible[i]->vop.TRUEOTSTR.utf8());
      continue;
    }
    // A variant that matches no row has no GIFT form either.
    EXPECT_EQ(meaning(t.after[i], false, false), meaning(*expressible[i], false, false)) << "frame " << expressible[i]->vop.CODEVOP;
  }
}

TEST(RoundTrip, GiftNamesLetterCaseOnlyWhereThereAreLetters) {
  struct Case {
    const char* answer;
    bool noted;
  } cases[] = {{"12345", false}, {"3,14 + 2", false}, {"H2O", true}, {"Пушкин", true}};
  for (const auto& c : cases) {
    Question q;
    q.type = QuestionType::ShortAnswer;
    q.name = "Кадр 1";
    q.text = "Ответ?";
    q.caseMatters = true;
    q.answers.push_back({c.answer, 100, {}});
    const Written w = writeGift({q});
    EXPECT_EQ(mentions(w.notes, "регистр букв"), c.noted) << c.answer;
    EXPECT_EQ(w.written, 1);
  }
}

TEST(RoundTrip, AnExportThatFailsLeavesTheOldFileAsItWas) {
  Base base;
  makeTest(base, "Исходный");
  const std::string out = base.path + "выгрузка.xml";
  std::ofstream(out) << "прежняя выгрузка";
  // Files may grow to 200 bytes only: the test's XML does not fit.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 200;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  Written written;
  const constructor::Outcome o = exportTest(base.path + "Исходный.orm", base.keyWord, Format::MoodleXml, out, written);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_FALSE(o);
  EXPECT_EQ(convtest::readText(out), "прежняя выгрузка");
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(base.dir.path())) files.push_back(e.path().filename().string());
  for (const auto& f : files) EXPECT_EQ(f.find(".~"), std::string::npos) << f << ": no temporary file stays";
  // With room it is replaced whole; what a killed run left beside it goes,
  // the temporary file of a live process stays.
  std::ofstream(out + ".~999999999") << "от убитого";
  std::ofstream(out + ".~1") << "живой";
  ASSERT_TRUE(exportTest(base.path + "Исходный.orm", base.keyWord, Format::MoodleXml, out, written, true));
  EXPECT_NE(convtest::readText(out).find("<quiz>"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out + ".~999999999"));
  EXPECT_TRUE(std::filesystem::exists(out + ".~1"));
}
