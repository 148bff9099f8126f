// The rules of an attempt one by one: drawing the question set and the
// variants, checking each frame kind, marks on each scale.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>

#include "calculator.h"
#include "checking.h"
#include "cp1251.h"
#include "scoring.h"
#include "selection.h"
#include "test_tables.h"

#include <set>

using namespace examiner;
using testing_tables::TempDir;

namespace {

std::string u(const char* s) { return cp1251::fromUtf8(s); }

std::vector<std::pair<std::uint16_t, int>> codes(int n, std::vector<int> variants = {}) {
  std::vector<std::pair<std::uint16_t, int>> out;
  for (int i = 1; i <= n; ++i)
    out.emplace_back(static_cast<std::uint16_t>(i), variants.empty() ? 0 : variants[static_cast<std::size_t>(i - 1)]);
  return out;
}

TEST(Selection, DrawsInEveryMode) {
  struct Case {
    int mode, part, n;
    std::vector<int> draws;
    std::vector<std::uint16_t> order;
  } cases[] = {
      {1, 0, 4, {}, {1, 2, 3, 4}},
      {3, 3, 3, {2, 2, 2}, {2, 1, 3}},       // a collision takes the lowest free frame
      {4, 3, 9, {5, 2, 9}, {2, 5, 9}},       // drawn, then in ascending order
      {2, 0, 3, {3, 3, 1}, {3, 1, 2}},       // all frames, randomly
      {3, 9, 4, {4, 1, 1, 1}, {4, 1, 2, 3}}, // a part larger than the test is clamped
      {6, 3, 4, {}, {}},                     // no such mode: empty
  };
  for (const auto& c : cases) {
    ScriptedRandom r(c.draws);
    EXPECT_EQ(selectFrames(c.mode, c.part, codes(c.n), 1, r), c.order) << "mode " << c.mode;
  }
  ScriptedRandom r;
  EXPECT_EQ(selectFrames(5, 0, codes(5, {1, 2, 1, 2, 2}), 2, r), (std::vector<std::uint16_t>{2, 4, 5}));

  // Codes with gaps (older files, imports): every frame the test holds can
  // be drawn, and no code it lacks is.
  std::vector<std::pair<std::uint16_t, int>> gaps{{7, 0}, {1, 0}, {4, 0}, {2, 0}};
  struct Gap {
    int mode, part;
    std::vector<int> draws;
    std::vector<std::uint16_t> order;
  } gapCases[] = {
      {1, 0, {}, {1, 2, 4, 7}},
      {3, 4, {4, 4, 1, 1}, {7, 1, 2, 4}},
      {4, 2, {3, 1}, {1, 4}},
      {2, 0, {3, 3, 3, 3}, {4, 1, 2, 7}},
  };
  for (const auto& c : gapCases) {
    ScriptedRandom g(c.draws);
    EXPECT_EQ(selectFrames(c.mode, c.part, gaps, 1, g), c.order) << "mode " << c.mode << " with gaps";
  }
  EXPECT_TRUE(selectFrames(5, 0, codes(3, {1, 1, 1}), 2, r).empty());
}

TEST(Selection, PermutationsAndReview) {
  ScriptedRandom r({2, 2, 1});
  Permutation p = drawPermutation(3, r);
  EXPECT_EQ(p.shown[1], 2);
  EXPECT_EQ(p.shown[2], 1);  // collision: the lowest free
  EXPECT_EQ(p.shown[3], 3);
  for (int v = 1; v <= 3; ++v) EXPECT_EQ(p.shown[p.inverse[static_cast<std::size_t>(v)]], v);
  Permutation id = drawPermutation(4, r, true);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(id.shown[static_cast<std::size_t>(k)], k);

  std::array<std::uint8_t, 512> allot;
  allot.fill(2);
  allot[6] = 0;
  allot[2] = 1;
  allot[11] = 0;
  EXPECT_EQ(framesToReview(allot), (std::vector<std::uint16_t>{7, 12}));
}

TEST(Variants, DistributionMethods) {
  ScriptedRandom r;
  EXPECT_EQ(assignVariants(4, 3, 6, r), (std::vector<std::uint8_t>{1, 2, 3, 1, 2, 3}));
  EXPECT_EQ(assignVariants(5, 3, 6, r), (std::vector<std::uint8_t>{3, 2, 1, 3, 2, 1}));
  ScriptedRandom draws({2, 2, 2, 3, 3, 3});
  // Each cycle of three workstations gets each variant once.
  EXPECT_EQ(assignVariants(1, 3, 6, draws), (std::vector<std::uint8_t>{2, 1, 3, 3, 1, 2}));
}

TEST(Variants, SharedAssignmentIsMadeOnceAndReused) {
  TempDir dir;
  tables::SelVar rec;
  store::Table t(tables::selVarDef(), rec, dir / "SelVar.tps");
  ASSERT_EQ(t.create(), store::Ok);
  ASSERT_EQ(t.open(store::Shared), store::Ok);
  VariantRequest q;
  q.method = 4;
  q.variants = 3;
  q.workstations = 6;
  q.testName = u("География");
  q.stationNumber = 5;
  ScriptedRandom r;
  EXPECT_EQ(chooseVariant(q, t, rec, r), 2);
  // Several workstations at once: one makes the random assignment, all use it.
  q.method = 1;
  std::vector<pid_t> kids;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  for (int w = 1; w <= 6; ++w) {
    pid_t pid = ::fork();
    if (pid == 0) {
      tables::SelVar mine;
      store::Table tt(tables::selVarDef(), mine, dir / "SelVar.tps");
      if (tt.open(store::Shared) != store::Ok) ::_exit(100);
      SystemRandom sr;
      VariantRequest me = q;
      me.stationNumber = w;
      int v = chooseVariant(me, tt, mine, sr);
      char line[64];
      int n = std::snprintf(line, sizeof line, "%d:%d:%d%d%d%d%d%d\n", w, v, mine.VAR[0], mine.VAR[1], mine.VAR[2],
                            mine.VAR[3], mine.VAR[4], mine.VAR[5]);
      (void)!::write(fds[1], line, static_cast<std::size_t>(n));
      ::_exit(v >= 1 && v <= 3 ? 0 : 1);
    }
    kids.push_back(pid);
  }
  for (pid_t k : kids) {
    int st = 0;
    ::waitpid(k, &st, 0);
    EXPECT_EQ(WEXITSTATUS(st), 0);
  }
  ::close(fds[1]);
  std::string all;
  char buf[512];
  ssize_t n;
  while ((n = ::read(fds[0], buf, sizeof buf)) > 0) all.append(buf, static_cast<std::size_t>(n));
  // Every workstation saw the same assignment, and each cycle of 3 holds 1, 2, 3.
  std::set<std::string> assignments;
  std::size_t p = 0;
  while ((p = all.find('\n')) != std::string::npos) {
    std::string line = all.substr(0, p);
    all.erase(0, p + 1);
    assignments.insert(line.substr(line.rfind(':') + 1));
  }
  ASSERT_EQ(assignments.size(), 1u);
  std::string a = *assignments.begin();
  EXPECT_EQ(std::set<char>(a.begin(), a.begin() + 3), (std::set<char>{'1', '2', '3'}));
  EXPECT_EQ(std::set<char>(a.begin() + 3, a.end()), (std::set<char>{'1', '2', '3'}));
  ASSERT_EQ(t.set(), store::Ok);
  ASSERT_EQ(t.next(), store::Ok);
  EXPECT_EQ(rec.START, 1);
  // Run again for the same test: the stored assignment stands.
  ScriptedRandom other({3, 3, 3, 3, 3, 3});
  q.stationNumber = 1;
  EXPECT_EQ(chooseVariant(q, t, rec, other), a[0] - '0');
  // The other methods need no table.
  q.method = 3;
  q.givenToAll = 2;
  EXPECT_EQ(chooseVariant(q, t, rec, r), 2);
  q.method = 2;
  q.chosenByExaminee = 3;
  EXPECT_EQ(chooseVariant(q, t, rec, r), 3);
  q.method = 6;
  EXPECT_EQ(chooseVariant(q, t, rec, r), 1);
}

tables::Vop frame(int kind, int kolot, std::vector<int> key, int ball = 3) {
  tables::Vop v;
  v.TYPEKADR = static_cast<std::uint8_t>(kind);
  v.KOLOT = static_cast<std::uint8_t>(kolot);
  for (std::size_t i = 0; i < key.size(); ++i) v.TRUEOT[i] = static_cast<std::uint8_t>(key[i]);
  v.BALLVOP = static_cast<std::uint16_t>(ball);
  for (int i = 0; i < 9; ++i) v.MARK[static_cast<std::size_t>(i)] = i + 1;
  return v;
}

Response resp(std::vector<int> r, const char* text = "") {
  Response x;
  for (std::size_t i = 0; i < r.size(); ++i) x.r[i + 1] = static_cast<std::uint8_t>(r[i]);
  x.text = cp1251::fromUtf8(text);
  return x;
}

tables::Vop keywords(std::vector<std::pair<const char*, const char*>> slots, int typeEtot = 1, int ordered = 0) {
  tables::Vop v = frame(5, static_cast<int>(slots.size()), {});
  for (std::size_t j = 0; j < slots.size(); ++j) {
    v.varot1(static_cast<int>(5 + j)) = cp1251::fromUtf8(slots[j].first);
    v.VAROT2[4 + j] = cp1251::fromUtf8(slots[j].second);
  }
  v.TYPEETOT = static_cast<std::uint8_t>(typeEtot);
  v.PORNUMOT = static_cast<std::uint8_t>(ordered);
  return v;
}

TEST(Checking, EveryKindPlainAndWeighted) {
  tables::Vop match = frame(4, 3, {2, 3, 1});
  match.VAROT2[0] = "a";
  match.VAROT2[1] = "b";
  match.VAROT2[2] = "c";
  tables::Vop exact = frame(6, 0, {});
  exact.TRUEOTSTR = u("москва");
  struct Case {
    const char* what;
    tables::Vop v;
    Response r;
    bool weighted;
    bool correct;
    long points;
  } cases[] = {
      {"kind 1 right", frame(1, 4, {1, 0, 1, 0}), resp({1, 0, 1, 0}), false, true, 3},
      {"kind 1 one wrong", frame(1, 4, {1, 0, 1, 0}), resp({1, 1, 1, 0}), false, false, 0},
      {"kind 1 weighted partial", frame(1, 4, {1, 0, 1, 0}), resp({1, 1, 1, 0}), true, false, 1 + 3 + 4},
      {"kind 2 ranks", frame(2, 3, {3, 1, 2}), resp({3, 1, 2}), false, true, 3},
      {"kind 2 wrong", frame(2, 3, {3, 1, 2}), resp({1, 3, 2}), false, false, 0},
      {"kind 3 right", frame(3, 4, {2}), resp({2}), false, true, 3},
      {"kind 3 weighted wrong earns nothing", frame(3, 4, {2}), resp({3}), true, false, 0},
      {"kind 3 weighted right earns the right variant's weight", frame(3, 4, {2}), resp({2}), true, true, 2},
      {"kind 4 right", match, resp({2, 3, 1}), false, true, 3},
      {"kind 4 weighted stops at the first wrong row", match, resp({2, 1, 1}), true, false, 1},
      {"kind 6 exact", exact, resp({}, "москва   "), false, true, 3},
      {"kind 6 letter case counts", exact, resp({}, "Москва"), false, false, 0},
      {"kind 6 leading blank counts", exact, resp({}, " москва"), false, false, 0},
  };
  for (const auto& c : cases) {
    Check k = check(c.v, c.r, c.weighted);
    EXPECT_EQ(k.correct, c.correct) << c.what;
    EXPECT_EQ(k.points, c.points) << c.what;
  }
}

TEST(Checking, KeywordForms) {
  struct Case {
    const char* what;
    tables::Vop v;
    const char* typed;
    int found;
  } cases[] = {
      {"typed capitals fold", keywords({{"москва", ""}}), "Москва", 1},
      {"another word form is not the keyword", keywords({{"Москва", ""}}), "в москве", 0},
      {"stored capitals match", keywords({{"Москва", ""}}), "МОСКВА", 1},
      {"ё folds", keywords({{"ёж", ""}}), "ЁЖИК", 1},
      {"order: б а finds one", keywords({{"а", ""}, {"б", ""}}, 1, 1), "б а", 1},
      {"order: а б finds two", keywords({{"а", ""}, {"б", ""}}, 1, 1), "а б", 2},
      {"order: synonym in place", keywords({{"алгоритм", "программа,"}, {"исполнитель", "компьютер"}}, 1, 1),
       "программа и компьютер", 2},
      {"any order: one letter must open the text", keywords({{"x", ""}}), "ax", 0},
      {"any order: one letter first", keywords({{"x", ""}}), "x = 5", 1},
      {"synonym without a comma behind it", keywords({{"океан", "море, залив"}}), "залив", 1},
      {"synonyms trimmed", keywords({{"океан", " море ,  залив ,"}}), "море", 1},
      {"numbers: the last one counts", keywords({{"42", "42"}}, 2), "42", 1},
      {"numbers in order", keywords({{"8", "8"}, {"1024", "1024"}}, 2, 1), "8, 1024", 2},
      {"numbers out of order", keywords({{"8", "8"}, {"1024", "1024"}}, 2, 1), "1024, 8", 0},
      {"numbers any order", keywords({{"8", "8"}, {"1024", "1024"}}, 2, 0), "1024, 8", 2},
      {"a range", keywords({{"3.1", "3.2"}}, 2), "3.14", 1},
      {"numbers: a list guesses nothing", keywords({{"30", "40"}}, 2), "0,5,10,15,20,25,30,35,40,45,50,55,60", 0},
      {"numbers: only the first K count", keywords({{"1", "1"}, {"2", "2"}}, 2, 0), "7, 8, 1, 2", 0},
      {"numbers any order: one number meets one slot", keywords({{"1", "10"}, {"5", "20"}}, 2, 0), "7", 1},
      {"numbers any order: two numbers, two slots", keywords({{"1", "10"}, {"5", "20"}}, 2, 0), "15, 7", 2},
      {"numbers any order: slots matched as a whole", keywords({{"1", "10"}, {"5", "6"}}, 2, 0), "5, 9", 2},
      {"outside the range", keywords({{"3.1", "3.2"}}, 2), "3.3", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(keywordsFound(c.v, cp1251::fromUtf8(c.typed)), c.found) << c.what;
  // Kind 5 is right when exactly KOLOT keywords are found.
  tables::Vop two = keywords({{"а", ""}, {"б", ""}}, 1, 1);
  EXPECT_FALSE(check(two, resp({}, "б а"), false).correct);
  EXPECT_TRUE(check(two, resp({}, "а, б"), false).correct);
  EXPECT_EQ(synonyms("a, b, c,"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(Checking, MaximumPointsAndChosenVariants) {
  tables::Vop match = frame(4, 3, {2, 3, 1});
  match.VAROT2[0] = "a";
  match.VAROT2[1] = "b";
  match.VAROT2[2] = "c";
  struct Case {
    const char* what;
    tables::Vop v;
    bool weighted;
    long max;
  } cases[] = {
      {"plain: the frame's points", frame(1, 4, {1, 0, 1, 0}, 5), false, 5},
      {"weighted kind 1: every variant answered like the key", frame(1, 4, {1, 0, 1, 0}, 5), true, 1 + 2 + 3 + 4},
      {"weighted kind 3: the right variant's weight", frame(3, 4, {3}, 5), true, 3},
      {"weighted kind 4: every row", match, true, 1 + 2 + 3},
      {"weighted text kinds: the frame's points", keywords({{"a", ""}}), true, 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(maxPoints(c.v, c.weighted), c.max) << c.what;
    // No answer can earn more than the maximum.
    Response best;
    for (int i = 1; i <= 9; ++i) best.r[static_cast<std::size_t>(i)] = c.v.TRUEOT[static_cast<std::size_t>(i - 1)];
    EXPECT_LE(check(c.v, best, c.weighted).points, c.max) << c.what;
  }
  EXPECT_EQ(chosenVariants(frame(1, 4, {}), resp({1, 0, 1, 0})), (std::vector<int>{1, 3}));
  EXPECT_EQ(chosenVariants(frame(3, 4, {}), resp({3})), (std::vector<int>{3}));  // not variant 1's
  EXPECT_EQ(chosenVariants(match, resp({3, 1, 0})), (std::vector<int>{1, 3}));
  EXPECT_TRUE(chosenVariants(frame(3, 4, {}), resp({})).empty());
}

TEST(Checking, KeyWrittenOut) {
  tables::Vop m = frame(4, 3, {2, 3, 1});
  struct Case {
    tables::Vop v;
    std::string text;
  } cases[] = {
      {frame(1, 4, {1, 0, 1, 0}), "1, 3."},
      {frame(2, 3, {3, 1, 2}), "3, 1, 2"},
      {frame(3, 4, {2}), "2."},
      {m, "а2, б3, в1"},
      {keywords({{"москва", ""}, {"три", ""}}), "1-москва, 2-три"},
  };
  for (const auto& c : cases) EXPECT_EQ(keyText(c.v), c.text);
}

// A workstation set to Russian reads "," as the decimal point in the C
// library; numbers typed by students and shown by the calculator use ".".
TEST(Checking, NumbersReadAlikeInARussianLocale) {
  TempDir dir;
  const std::string make = "localedef -i ru_RU -f UTF-8 " + dir.path() + "/ru_RU.UTF-8 >/dev/null 2>&1";
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "the ru_RU locale cannot be made here";
  ::setenv("LOCPATH", dir.path().c_str(), 1);
  if (!std::setlocale(LC_NUMERIC, "ru_RU.UTF-8")) {
    ::unsetenv("LOCPATH");
    GTEST_SKIP() << "the ru_RU locale cannot be used here";
  }
  struct Restore {
    ~Restore() {
      std::setlocale(LC_NUMERIC, "C");
      ::unsetenv("LOCPATH");
    }
  } restore;
  EXPECT_EQ(keywordsFound(keywords({{"3.1", "3.2"}}, 2), "3.14"), 1);
  EXPECT_EQ(keywordsFound(keywords({{"3.1", "3.2"}}, 2), "3.3"), 0);
  common::Calculator k;
  for (const char* key : {"1", ".", "5", "+", "1", ".", "2", "5", "="}) k.press(key);
  EXPECT_EQ(k.display(), "2.75");
}

TEST(Scoring, MarksOnEachScale) {
  std::array<std::uint8_t, 10> four{40, 50, 70, 90, 0, 0, 0, 0, 0, 0};
  struct Case {
    int scale, p, number;
    const char* text;
  } cases[] = {
      {1, 49, 2, "Неудовлетворительно"}, {1, 50, 3, "Удовлетворительно"}, {1, 89, 4, "Хорошо"},
      {1, 90, 5, "Отлично"},             {1, 100, 5, "Отлично"},           {4, 77, 0, ""},
  };
  for (const auto& c : cases) {
    Mark m = markFor(c.scale, four, c.p);
    EXPECT_EQ(m.number, c.number) << c.p;
    EXPECT_EQ(m.text, c.text) << c.p;
  }
  std::array<std::uint8_t, 10> pass{60, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(markFor(3, pass, 59).text, "Тест не сдан.Незачет");
  EXPECT_EQ(markFor(3, pass, 60).text, "Тест сдан.Зачет");
  EXPECT_EQ(markFor(3, pass, 60).number, 0);
  std::array<std::uint8_t, 10> zeroS2{0, 0, 70, 90, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(markFor(1, zeroS2, 0).number, 3);  // nothing falls into the lowest band
  std::array<std::uint8_t, 10> ten{5, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  EXPECT_EQ(markFor(2, ten, 9).number, 1);
  EXPECT_EQ(markFor(2, ten, 10).number, 2);
  EXPECT_EQ(markFor(2, ten, 85).number, 9);
  EXPECT_EQ(markFor(2, ten, 95).number, 10);
  EXPECT_EQ(percentage(2, 3), 66);  // for marking
  EXPECT_EQ(percentageRounded(2, 3), 67);  // as shown
  EXPECT_EQ(percentage(0, 0), 0);
  EXPECT_EQ(scaleName(3), "Зачет/незачет");
}

}  // namespace
