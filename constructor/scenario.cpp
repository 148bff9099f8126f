#include "scenario.h"

#include <algorithm>

#include "datetime.h"
#include "statistics.h"
#include "test_register.h"

namespace constructor {

const std::vector<EnableRule>& enableRules() {
  static const std::vector<EnableRule> rules = {
      {Control::BallVop, Governing::TypeOzenka, {2}},
      {Control::BallRange, Governing::TypeOzenka, {3}},
      {Control::DiffBall, Governing::TypeOzenka, {2, 3}},
      {Control::PassThreshold, Governing::ModeOzenka, {3}},
      {Control::IfProsVop, Governing::HowTimeTest, {1}},
      {Control::TimeTest, Governing::HowTimeTest, {2}},
      {Control::StopTest, Governing::HowTimeTest, {2}},
      {Control::StopTest, Governing::FreeSel, {0}},
      // Viewing wrong answers needs the result shown; the correct answers
      // are shown only while viewing.
      {Control::ShowFalseOt, Governing::HowEnd, {2, 3}},
      {Control::ShowTrueOt, Governing::HowEnd, {2, 3}},
      {Control::PovtorTest, Governing::HowEnd, {1, 2, 3}},
      {Control::KolSelVop, Governing::ModeControlZn, {3, 4}},
      {Control::HowTrn, Governing::ModeTraining, {1}},
      {Control::HowHelp, Governing::ModeTraining, {1}},
      {Control::AddLevel, Governing::ModeLevel, {1}},
      {Control::Sections, Governing::YesRaz, {1}},
  };
  return rules;
}

const std::vector<ForcedValue>& forcedValues() {
  static const std::vector<ForcedValue> forced = {
      {Governing::TypeOzenka, 1, Control::BallVop, 1},
      {Governing::TypeOzenka, 1, Control::DiffBall, 0},
      {Governing::HowTimeTest, 1, Control::StopTest, 0},
  };
  return forced;
}

int governingValue(const tables::Tema& t, Governing g) {
  auto box = [](std::uint8_t v) { return v ? 1 : 0; };
  switch (g) {
    case Governing::TypeOzenka: return t.TYPEOZENKA;
    case Governing::ModeOzenka: return t.MODEOZENKA;
    case Governing::HowTimeTest: return t.HOWTIMETEST;
    case Governing::FreeSel: return box(t.FREESEL);
    case Governing::HowEnd: return t.HOWEND;
    case Governing::ModeControlZn: return t.MODECONTROLZN;
    case Governing::ModeTraining: return box(t.MODETRAINING);
    case Governing::ModeLevel: return box(t.MODELEVEL);
    case Governing::YesRaz: return box(t.YESRAZ);
  }
  return 0;
}

bool enabled(const tables::Tema& tema, Control c) {
  for (const auto& r : enableRules())
    if (r.control == c && std::find(r.values.begin(), r.values.end(), governingValue(tema, r.by)) == r.values.end())
      return false;
  return true;
}

void applyForcedValues(tables::Tema& tema) {
  for (const auto& f : forcedValues()) {
    if (governingValue(tema, f.by) != f.when) continue;
    switch (f.control) {
      case Control::BallVop: tema.BALLVOP = static_cast<std::uint16_t>(f.value); break;
      case Control::DiffBall: tema.DIFFBALL = static_cast<std::uint8_t>(f.value); break;
      case Control::StopTest: tema.STOPTEST = static_cast<std::uint8_t>(f.value); break;
      default: break;
    }
  }
}

messages::Message rangeMessage(std::string_view label, long lo, long hi) {
  messages::Message m;
  m.text = "Значение " + std::string(label) + " должно быть в диапазоне между " + std::to_string(lo) + " and " +
           std::to_string(hi) + ".";
  m.caption = "Ошибка диапазона";
  return m;
}

std::optional<messages::Message> checkStopTest(long typed) {
  if (typed >= 0 && typed <= 30) return std::nullopt;
  return rangeMessage("Число неверных ответов", 0, 30);
}

std::optional<ScenarioRefusal> checkScale(const tables::Tema& tema) {
  std::size_t from = 0, to = 0;  // the bounds in use, 0-based
  ScaleTab tab = ScaleTab::None;
  switch (tema.MODEOZENKA) {
    case 1: from = 1, to = 3, tab = ScaleTab::FourPoint; break;
    case 2: from = 1, to = 9, tab = ScaleTab::TenPoint; break;
    case 3: from = 0, to = 0; break;  // the pass threshold alone
    default: return std::nullopt;
  }
  bool ok = true;
  for (std::size_t i = from; i <= to; ++i) {
    if (tema.SHCALA[i] > 100) ok = false;
    if (i > from && tema.SHCALA[i] < tema.SHCALA[i - 1]) ok = false;
  }
  if (ok) return std::nullopt;
  ScenarioRefusal r;
  r.message.text = "Неверный диапазон в шкале оценок";
  r.message.caption = "Сообщение программы";
  r.page = ScenarioPage::Marking;
  r.tab = tab;
  return r;
}

std::optional<ScenarioRefusal> prepareScenarioSave(tables::Tema& tema) {
  applyForcedValues(tema);
  if (tema.TYPEOZENKA == 1) tema.BALLVOP = 1;
  if (tema.TYPEOZENKA == 3) {
    // Frames take their points within the range; a reversed range has none.
    if (tema.BALLRANGE[0] > tema.BALLRANGE[1]) {
      ScenarioRefusal r;
      r.message.text = "Нижняя граница диапазона баллов больше верхней";
      r.message.caption = "Сообщение программы";
      r.page = ScenarioPage::Marking;
      r.focus = Control::BallRange;
      return r;
    }
    tema.BALLVOP = tema.BALLRANGE[0];
  }
  if (auto m = checkStopTest(tema.STOPTEST)) {
    ScenarioRefusal r;
    r.message = *m;
    r.page = ScenarioPage::Parameters;
    r.focus = Control::StopTest;
    return r;
  }
  return checkScale(tema);
}

Outcome writeTestPassword(testfile::TestFile& tf, const std::string& password) {
  auto failed = [](const store::ErrorInfo& e) {
    return Outcome{e.code ? e.code : store::StoreSpecific, "Не удалось записать пароль теста (" + e.text() + ")."};
  };
  if (tf.temaT.set() != store::Ok || tf.temaT.next() != store::Ok) return failed(tf.temaT.error());
  tf.tema.PASSW = password;
  if (tf.temaT.put() != store::Ok) return failed(tf.temaT.error());
  return {};
}

void chooseDistribution(tables::Tema& tema, int method) {
  tema.HOWRASPVAR = static_cast<std::uint8_t>(method);
  tema.SELVAR = method == 3 ? 1 : 0;
}

bool variantEditable(const tables::Tema& tema) { return tema.HOWRASPVAR == 3; }

std::optional<messages::Message> checkDistribution(const tables::Tema& tema) {
  if (tema.REITING >= tema.SELVAR) return std::nullopt;
  messages::Message m;
  m.text = "Количество вариантов меньше выбранного";
  m.caption = "Ошибка";
  return m;
}

bool writeTrialRun(settings::IniFile& shared, const std::string& baseDir, const std::string& baseName) {
  // The test first: an Examiner started in mode 9 must never find an old SelTest.
  return shared.set("GlbTune", "SelTest", testPath(baseDir, baseName)) && shared.set("GlbTune", "ModeWork", "9");
}

std::string frameFilterExpression(const FrameFilter& f) {
  if (!f.on) return {};
  std::vector<std::string> terms;
  auto number = [&](const char* field, const std::optional<int>& v) {
    if (v) terms.push_back(std::string(field) + "=" + std::to_string(*v));
  };
  number("VOP:VarTest", f.variant);
  number("VOP:Level", f.level);
  number("VOP:CodeRaz", f.section);
  if (f.editKind) {
    std::string quoted = "'";
    for (char c : *f.editKind) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    terms.push_back("VOP:TypeEdit=" + quoted + "'");
  }
  number("VOP:TypeKadr", f.frameType);
  if (terms.empty()) return {};
  std::string e;
  for (const auto& t : terms) e += (e.empty() ? "" : " AND ") + t;
  return "(" + e + ")";
}

std::optional<ScenarioRefusal> checkCounts(const tables::Tema& tema, int frames) {
  ScenarioRefusal r;
  r.message.caption = "Сообщение программы";
  if (tema.MODECONTROLZN == 3 || tema.MODECONTROLZN == 4) {
    if (tema.KOLSELVOP < 1) {
      r.message.text = "Укажите число вопросов для выбора: не меньше одного.";
    } else if (frames > 0 && tema.KOLSELVOP > frames) {
      r.message.text = "Число вопросов для выбора (" + std::to_string(tema.KOLSELVOP) + ") больше числа заданий теста (" +
                       std::to_string(frames) + ").";
    }
    if (!r.message.text.empty()) {
      r.page = ScenarioPage::Order;
      r.focus = Control::KolSelVop;
      return r;
    }
  }
  if (tema.HOWTIMETEST == 2 && tema.TIMETEST < 1) {
    r.message.text = "Укажите время на тест: не меньше одной минуты.";
    r.page = ScenarioPage::Parameters;
    r.focus = Control::TimeTest;
    return r;
  }
  return std::nullopt;
}

bool marksFramesAnew(const tables::Tema& stored, const tables::Tema& edited) {
  if (stored.TYPEOZENKA != edited.TYPEOZENKA) return true;
  if (edited.TYPEOZENKA == 2) return stored.BALLVOP != edited.BALLVOP;
  if (edited.TYPEOZENKA == 3) return stored.BALLRANGE != edited.BALLRANGE;
  return false;
}

std::uint16_t framePointsUnder(const tables::Tema& tema, std::uint16_t current) {
  switch (tema.TYPEOZENKA) {
    case 1: return 1;
    case 2: return tema.BALLVOP;
    case 3: return std::clamp(current, tema.BALLRANGE[0], std::max(tema.BALLRANGE[0], tema.BALLRANGE[1]));
    default: return current;
  }
}

Outcome saveScenario(testfile::TestFile& tf, tables::Tema tema, const tables::Titul& texts, bool first,
                     std::optional<ScenarioRefusal>* refusal, const tables::Tema* opened, bool overwrite) {
  if (auto r = prepareScenarioSave(tema)) {
    Outcome o{Outcome::Refused, r->message.text};
    if (refusal) *refusal = std::move(r);
    return o;
  }
  if (auto r = checkCounts(tema, static_cast<int>(tf.vopT.records()))) {
    Outcome o{Outcome::Refused, r->message.text};
    if (refusal) *refusal = std::move(r);
    return o;
  }
  auto failed = [](const store::ErrorInfo& e, const char* what) {
    return Outcome{e.code ? e.code : store::StoreSpecific, std::string(what) + " (" + e.text() + ")."};
  };
  store::Transaction tx{&tf.temaT, &tf.titulT, &tf.razdelT, &tf.vopT, &tf.trainingT};
  if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись сценария");
  if (tf.temaT.set() != store::Ok || tf.temaT.next() != store::Ok) return failed(tf.temaT.error(), "Не удалось прочитать сценарий");
  if (opened && !overwrite && !tables::temaDef().sameValues(&tf.tema, opened))
    return Outcome{store::ChangedByOther, "Сценарий теста изменён на другой станции."};
  const bool remark = marksFramesAnew(tf.tema, tema);
  tf.tema = tema;
  if (tf.temaT.put() != store::Ok) return failed(tf.temaT.error(), "Не удалось записать сценарий");
  if (remark) {
    // Every frame takes its points under the new marking, with the scenario.
    std::vector<store::Position> at;
    if (tf.vopT.set() == store::Ok)
      while (tf.vopT.next() == store::Ok) at.push_back(tf.vopT.position());
    for (store::Position p : at) {
      if (tf.vopT.getAt(p) != store::Ok) return failed(tf.vopT.error(), "Не удалось прочитать задание");
      const std::uint16_t points = framePointsUnder(tema, tf.vop.BALLVOP);
      if (points == tf.vop.BALLVOP) continue;
      tf.vop.BALLVOP = points;
      if (tf.vopT.put() != store::Ok) return failed(tf.vopT.error(), "Не удалось записать баллы задания");
    }
  }
  // The title as stored now (its run count may have risen meanwhile).
  if (tf.titulT.set() != store::Ok || tf.titulT.next() != store::Ok) return failed(tf.titulT.error(), "Не удалось прочитать титул теста");
  tables::Titul& t = tf.titul;
  t.INS = texts.INS;
  t.BIBL = texts.BIBL;
  t.NAMEORG = texts.NAMEORG.view();
  t.NAME = texts.NAME.view();
  t.REZUME = texts.REZUME.view();
  t.WHOCHANGE = texts.WHOCHANGE.view();
  if (first) {
    t.CREATED = datetime::today();
    t.CREATET = datetime::now();
    t.VERSION = 1;
    t.CODETIT = static_cast<std::uint8_t>(tema.CODETEMA & 0xFF);
  } else {
    t.CHANGED = datetime::today();
    t.CHANGET = datetime::now();
    t.VERSION += 1;
    t.CODETIT = 1;
  }
  if (t.CREATED == 0) t.CREATED = datetime::today();
  if (t.CREATET == 0) t.CREATET = datetime::now();
  if (tf.titulT.put() != store::Ok) return failed(tf.titulT.error(), "Не удалось записать титул теста");
  store::ErrorInfo e;
  if (recount(tf, &e) != store::Ok) return failed(e, "Не удалось обновить статистику теста");
  if (tx.commit() != store::Ok) return failed(tx.error(), "Не удалось записать сценарий");
  return {};
}

}  // namespace constructor
