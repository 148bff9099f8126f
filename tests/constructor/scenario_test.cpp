// The scenario's rules: which controls are open, the values a choice
// forces, the checks before saving, the distribution of variants, the trial
// run as the Examiner reads it, and the Navigator's frame filter as the
// store runs it.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "cp1251.h"
#include "scenario.h"
#include "test_summary.h"
#include "store.h"
#include "test_choice.h"
#include "test_file.h"
#include "test_tables.h"

using namespace constructor;

namespace {

tables::Tema primed() {
  tables::Tema t;
  testfile::primeTema(t, testfile::NewTest{7, "Тест", "", ""});
  return t;
}

TEST(Scenario, ControlsOpenAsTheirGoverningFieldsAllow) {
  struct Case {
    const char* what;
    std::function<void(tables::Tema&)> set;
    Control control;
    bool open;
  };
  const std::vector<Case> cases = {
      {"one point: no points box", [](tables::Tema& t) { t.TYPEOZENKA = 1; }, Control::BallVop, false},
      {"one point: no weights", [](tables::Tema& t) { t.TYPEOZENKA = 1; }, Control::DiffBall, false},
      {"points: the box", [](tables::Tema& t) { t.TYPEOZENKA = 2; }, Control::BallVop, true},
      {"points: no range", [](tables::Tema& t) { t.TYPEOZENKA = 2; }, Control::BallRange, false},
      {"points: weights", [](tables::Tema& t) { t.TYPEOZENKA = 2; }, Control::DiffBall, true},
      {"range: the range", [](tables::Tema& t) { t.TYPEOZENKA = 3; }, Control::BallRange, true},
      {"range: no points box", [](tables::Tema& t) { t.TYPEOZENKA = 3; }, Control::BallVop, false},
      {"range: weights", [](tables::Tema& t) { t.TYPEOZENKA = 3; }, Control::DiffBall, true},
      {"pass/fail: threshold", [](tables::Tema& t) { t.MODEOZENKA = 3; }, Control::PassThreshold, true},
      {"four-point: no threshold", [](tables::Tema& t) { t.MODEOZENKA = 1; }, Control::PassThreshold, false},
      {"time per frame: late answers", [](tables::Tema& t) { t.HOWTIMETEST = 1; }, Control::IfProsVop, true},
      {"time per frame: no minutes", [](tables::Tema& t) { t.HOWTIMETEST = 1; }, Control::TimeTest, false},
      {"time per frame: no stop", [](tables::Tema& t) { t.HOWTIMETEST = 1; }, Control::StopTest, false},
      {"whole time: minutes", [](tables::Tema& t) { t.HOWTIMETEST = 2; }, Control::TimeTest, true},
      {"whole time: stop", [](tables::Tema& t) { t.HOWTIMETEST = 2; }, Control::StopTest, true},
      {"whole time: no late answers", [](tables::Tema& t) { t.HOWTIMETEST = 2; }, Control::IfProsVop, false},
      {"whole time, free order: no stop", [](tables::Tema& t) { t.HOWTIMETEST = 2, t.FREESEL = 1; }, Control::StopTest, false},
      {"no limit: no minutes", [](tables::Tema& t) { t.HOWTIMETEST = 3; }, Control::TimeTest, false},
      {"no limit: no stop", [](tables::Tema& t) { t.HOWTIMETEST = 3; }, Control::StopTest, false},
      {"no limit: no late answers", [](tables::Tema& t) { t.HOWTIMETEST = 3; }, Control::IfProsVop, false},
      {"print and list: no viewing", [](tables::Tema& t) { t.HOWEND = 1; }, Control::ShowFalseOt, false},
      {"print and list: repeat", [](tables::Tema& t) { t.HOWEND = 1; }, Control::PovtorTest, true},
      {"show results: viewing", [](tables::Tema& t) { t.HOWEND = 3; }, Control::ShowFalseOt, true},
      {"show and print: correct answers", [](tables::Tema& t) { t.HOWEND = 2; }, Control::ShowTrueOt, true},
      {"print and exit: no viewing", [](tables::Tema& t) { t.HOWEND = 4; }, Control::ShowFalseOt, false},
      {"print and exit: no repeat", [](tables::Tema& t) { t.HOWEND = 4; }, Control::PovtorTest, false},
      {"random part: count", [](tables::Tema& t) { t.MODECONTROLZN = 4; }, Control::KolSelVop, true},
      {"all in order: no count", [](tables::Tema& t) { t.MODECONTROLZN = 1; }, Control::KolSelVop, false},
      {"by variants: no count", [](tables::Tema& t) { t.MODECONTROLZN = 5; }, Control::KolSelVop, false},
      {"training: help", [](tables::Tema& t) { t.MODETRAINING = 1; }, Control::HowHelp, true},
      {"no training: no automatic help", [](tables::Tema& t) { t.MODETRAINING = 0; }, Control::HowTrn, false},
      {"levels: multiply", [](tables::Tema& t) { t.MODELEVEL = 1; }, Control::AddLevel, true},
      {"no levels: no multiply", [](tables::Tema& t) { t.MODELEVEL = 0; }, Control::AddLevel, false},
      {"sections", [](tables::Tema& t) { t.YESRAZ = 1; }, Control::Sections, true},
      {"no sections", [](tables::Tema& t) { t.YESRAZ = 0; }, Control::Sections, false},
  };
  for (const auto& c : cases) {
    auto t = primed();
    c.set(t);
    EXPECT_EQ(enabled(t, c.control), c.open) << c.what;
  }
}

TEST(Scenario, ChoicesForceTheirValues) {
  auto t = primed();
  t.TYPEOZENKA = 2, t.BALLVOP = 7, t.DIFFBALL = 1;
  t.HOWTIMETEST = 2, t.STOPTEST = 5;
  applyForcedValues(t);
  EXPECT_EQ(t.BALLVOP, 7);
  EXPECT_EQ(t.DIFFBALL, 1);
  EXPECT_EQ(t.STOPTEST, 5);

  t.TYPEOZENKA = 1;
  t.HOWTIMETEST = 1;
  applyForcedValues(t);
  EXPECT_EQ(t.BALLVOP, 1);
  EXPECT_EQ(t.DIFFBALL, 0);
  EXPECT_EQ(t.STOPTEST, 0);
}

TEST(Scenario, SavingSetsThePointsAndChecksTheScaleAndTheRange) {
  struct Case {
    const char* what;
    std::function<void(tables::Tema&)> set;
    bool refused;
    ScenarioPage page;
    ScaleTab tab;
    const char* text;
    const char* caption;
    std::uint16_t ballVop;  // after saving, when accepted
  };
  const char* scale = "Неверный диапазон в шкале оценок";
  const char* programMessage = "Сообщение программы";
  const std::vector<Case> cases = {
      {"a primed scenario", [](tables::Tema&) {}, false, {}, {}, "", "", 1},
      {"one point, whatever was typed", [](tables::Tema& t) { t.BALLVOP = 9; }, false, {}, {}, "", "", 1},
      {"points as typed", [](tables::Tema& t) { t.TYPEOZENKA = 2, t.BALLVOP = 9; }, false, {}, {}, "", "", 9},
      {"a range: its lower bound",
       [](tables::Tema& t) { t.TYPEOZENKA = 3, t.BALLVOP = 9, t.BALLRANGE = {2, 6}; }, false, {}, {}, "", "", 2},
      {"a reversed range", [](tables::Tema& t) { t.TYPEOZENKA = 3, t.BALLRANGE = {6, 2}; }, true, ScenarioPage::Marking,
       ScaleTab::None, "Нижняя граница диапазона баллов больше верхней", programMessage, 0},
      {"four-point, bounds falling", [](tables::Tema& t) { t.SHCALA = {51, 80, 70, 90}; }, true, ScenarioPage::Marking,
       ScaleTab::FourPoint, scale, programMessage, 0},
      {"four-point, equal neighbours", [](tables::Tema& t) { t.SHCALA = {51, 70, 70, 70, 5, 1}; }, false, {}, {}, "", "", 1},
      {"four-point, above 100 per cent", [](tables::Tema& t) { t.SHCALA = {51, 70, 90, 120}; }, true, ScenarioPage::Marking,
       ScaleTab::FourPoint, scale, programMessage, 0},
      {"ten-point, bounds falling at the top",
       [](tables::Tema& t) { t.MODEOZENKA = 2, t.SHCALA = {50, 10, 20, 30, 40, 50, 60, 70, 80, 75}; }, true,
       ScenarioPage::Marking, ScaleTab::TenPoint, scale, programMessage, 0},
      {"ten-point, rising", [](tables::Tema& t) { t.MODEOZENKA = 2, t.SHCALA = {50, 10, 20, 30, 40, 50, 60, 70, 80, 90}; },
       false, {}, {}, "", "", 1},
      {"pass/fail: the ten-point bounds do not matter",
       [](tables::Tema& t) { t.MODEOZENKA = 3, t.SHCALA = {60, 90, 10, 5}; }, false, {}, {}, "", "", 1},
      {"no mark: no scale", [](tables::Tema& t) { t.MODEOZENKA = 4, t.SHCALA = {200, 90, 10}; }, false, {}, {}, "", "", 1},
      {"stop after 31 wrong answers", [](tables::Tema& t) { t.HOWTIMETEST = 2, t.STOPTEST = 31; }, true,
       ScenarioPage::Parameters, ScaleTab::None, "Значение Число неверных ответов должно быть в диапазоне между 0 and 30.",
       "Ошибка диапазона", 0},
      {"time per frame clears the stop", [](tables::Tema& t) { t.HOWTIMETEST = 1, t.STOPTEST = 31; }, false, {}, {}, "", "", 1},
  };
  for (const auto& c : cases) {
    auto t = primed();
    c.set(t);
    auto r = prepareScenarioSave(t);
    ASSERT_EQ(r.has_value(), c.refused) << c.what;
    if (r) {
      EXPECT_EQ(r->message.text, c.text) << c.what;
      EXPECT_EQ(r->message.caption, c.caption) << c.what;
      EXPECT_EQ(r->page, c.page) << c.what;
      EXPECT_EQ(r->tab, c.tab) << c.what;
    } else {
      EXPECT_EQ(t.BALLVOP, c.ballVop) << c.what;
    }
  }
}

TEST(Scenario, WrongAnswersToStopAreWithinZeroAndThirty) {
  for (long typed : {0L, 1L, 30L}) EXPECT_FALSE(checkStopTest(typed)) << typed;
  for (long typed : {-1L, 31L, 300L}) {
    auto m = checkStopTest(typed);
    ASSERT_TRUE(m) << typed;
    EXPECT_EQ(m->text, "Значение Число неверных ответов должно быть в диапазоне между 0 and 30.");
    EXPECT_EQ(m->caption, "Ошибка диапазона");
  }
}

TEST(Scenario, DistributionOfVariants) {
  auto t = primed();
  t.REITING = 2;
  chooseDistribution(t, 3);
  EXPECT_EQ(t.HOWRASPVAR, 3);
  EXPECT_EQ(t.SELVAR, 1);
  EXPECT_TRUE(variantEditable(t));
  EXPECT_FALSE(checkDistribution(t));

  t.SELVAR = 3;  // more than the test has
  auto m = checkDistribution(t);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text, "Количество вариантов меньше выбранного");
  EXPECT_EQ(m->caption, "Ошибка");
  t.REITING = 3;
  EXPECT_FALSE(checkDistribution(t));

  for (int method : {1, 2, 4, 5}) {
    chooseDistribution(t, method);
    EXPECT_EQ(t.SELVAR, 0) << method;
    EXPECT_FALSE(variantEditable(t)) << method;
    EXPECT_FALSE(checkDistribution(t)) << method;
  }
}

TEST(Scenario, TrialRunIsReadByTheExaminer) {
  testing_tables::TempDir dir;
  const std::string ini = dir / "Varnuke.ini";
  {
    std::ofstream f(ini);
    f << "[GlbTune]\nModeNet=2\nSelTest=Старый\nModeWork=0\n[Path]\nDirBD=/elsewhere/\n";
  }
  settings::IniFile shared(ini);
  const std::string base = dir.path() + "/Тесты/";
  ASSERT_TRUE(writeTrialRun(shared, base, "Гр. 1.2"));

  settings::IniFile reread(ini);
  EXPECT_EQ(reread.getInt("GlbTune", "ModeWork"), 9);
  EXPECT_EQ(reread.getInt("GlbTune", "ModeNet"), 2);
  EXPECT_EQ(reread.get("Path", "DirBD"), "/elsewhere/");
  // The Examiner finds the test by the path, not in its own library.
  auto where = examiner::locateTest(reread.get("GlbTune", "SelTest"), reread.get("Path", "DirBD"));
  EXPECT_EQ(where.dir, base);
  EXPECT_EQ(where.base, "Гр. 1.2");
  testfile::TestFile tf;
  tf.name(where.dir, where.base, "key");
  EXPECT_EQ(tf.path(), base + "Гр. 1.2.orm");

  settings::IniFile unwritable(dir / "no/such/dir/Varnuke.ini");
  EXPECT_FALSE(writeTrialRun(unwritable, base, "x"));
}

TEST(Scenario, FrameFilterExpressionRunsInTheStore) {
  FrameFilter all;
  all.on = true;
  all.variant = 2, all.level = 3, all.section = 1, all.editKind = "Stnd", all.frameType = 4;
  EXPECT_EQ(frameFilterExpression(all),
            "(VOP:VarTest=2 AND VOP:Level=3 AND VOP:CodeRaz=1 AND VOP:TypeEdit='Stnd' AND VOP:TypeKadr=4)");
  FrameFilter off = all;
  off.on = false;
  EXPECT_EQ(frameFilterExpression(off), "");
  FrameFilter nothing;
  nothing.on = true;
  EXPECT_EQ(frameFilterExpression(nothing), "");

  testing_tables::TempDir dir;
  tables::Vop v;
  store::Table t(tables::vopDef(), v, dir / "Vop.tps");
  ASSERT_EQ(t.create(), store::Ok);
  ASSERT_EQ(t.open(), store::Ok);
  struct Row {
    int variant, level, section;
    const char* edit;
    int kind;
  } rows[] = {
      {1, 1, 1, "Stnd", 1}, {2, 3, 1, "Stnd", 4}, {2, 3, 1, "Objk", 4}, {2, 2, 2, "Stnd", 4}, {1, 3, 1, "O'k", 3},
  };
  std::uint16_t code = 0;
  for (const auto& r : rows) {
    v = tables::Vop{};
    v.CODEVOP = ++code;
    v.VARTEST = static_cast<std::uint8_t>(r.variant);
    v.LEVEL = static_cast<std::uint8_t>(r.level);
    v.CODERAZ = static_cast<std::uint8_t>(r.section);
    v.TYPEEDIT = r.edit;
    v.TYPEKADR = static_cast<std::uint8_t>(r.kind);
    ASSERT_EQ(t.add(), store::Ok);
  }
  auto only = [](std::function<void(FrameFilter&)> set) {
    FrameFilter f;
    f.on = true;
    set(f);
    return f;
  };
  struct Case {
    const char* what;
    FrameFilter filter;
    std::vector<int> codes;
  };
  const std::vector<Case> cases = {
      {"every criterion", all, {2}},
      {"variant", only([](FrameFilter& f) { f.variant = 2; }), {2, 3, 4}},
      {"level and section", only([](FrameFilter& f) { f.level = 3, f.section = 1; }), {2, 3, 5}},
      {"editor kind", only([](FrameFilter& f) { f.editKind = "Objk"; }), {3}},
      {"editor kind with a quote", only([](FrameFilter& f) { f.editKind = "O'k"; }), {5}},
      {"frame type", only([](FrameFilter& f) { f.frameType = 4; }), {2, 3, 4}},
      {"nothing matches", only([](FrameFilter& f) { f.variant = 9; }), {}},
  };
  for (const auto& c : cases) {
    store::View view(t);
    ASSERT_EQ(view.setFilter(frameFilterExpression(c.filter)), store::Ok) << c.what << ": " << view.error().text();
    view.setOrder(t.key("KEYCODEVOP"));
    std::vector<int> codes;
    while (view.next() == store::Ok) codes.push_back(v.CODEVOP);
    EXPECT_EQ(codes, c.codes) << c.what;
    // The Navigator's list keeps the same frames as the expression.
    std::vector<int> listed;
    ASSERT_EQ(t.set(t.key("KEYCODEVOP")), store::Ok);
    while (t.next() == store::Ok)
      if (frameMatches(c.filter, v)) listed.push_back(v.CODEVOP);
    EXPECT_EQ(listed, c.codes) << c.what;
  }
}

}  // namespace
