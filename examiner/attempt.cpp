#include "attempt.h"

#include <algorithm>
#include <cstdio>

#include "cp1251.h"
#include "scoring.h"

namespace examiner {

Attempt::Attempt(AttemptConfig cfg, Random& rnd, Clock& clock) : cfg_(std::move(cfg)), rnd_(rnd), clock_(clock) {
  for (std::size_t i = 0; i < cfg_.frames.size(); ++i) byCode_[cfg_.frames[i].CODEVOP] = i;
  free_ = cfg_.tema.FREESEL != 0;
}

void Attempt::keepAnswersIn(store::Table* otw, tables::OtTestW* rec) {
  otw_ = otw;
  otwRec_ = rec;
}

std::uint16_t Attempt::codeAt(int p) const {
  return p >= 1 && p <= length() ? order_[static_cast<std::size_t>(p - 1)] : 0;
}
std::uint16_t Attempt::code() const { return codeAt(pos_); }

const tables::Vop* Attempt::frameByCode(std::uint16_t c) const {
  auto it = byCode_.find(c);
  return it == byCode_.end() ? nullptr : &cfg_.frames[it->second];
}

const tables::Vop& Attempt::frame() const {
  static const tables::Vop none;
  const tables::Vop* v = frameByCode(code());
  return v ? *v : none;
}

int Attempt::levelIndex() const {
  int l = frame().LEVEL;
  return l >= 1 && l <= 5 ? l - 1 : -1;
}

int Attempt::sectionIndex() const {
  int s = frame().CODERAZ;
  return s >= 1 && s <= 7 ? s - 1 : -1;
}

void Attempt::start() {
  rez_ = tables::RezTest{};
  rez_.ALLOT.fill(2);
  status_.fill(0);
  answers_.clear();
  answered_.clear();
  finished_ = false;
  checked_.clear();
  frameSeconds_.clear();
  locked_.clear();
  frameTimeUp_ = false;
  wrongRun_ = 0;
  attempts_ = 1;
  testSeconds_ = 0;
  if (otw_) {
    otw_->close();
    otw_->create();
    otw_->open(store::DenyWrite);
  }
  std::vector<std::pair<std::uint16_t, int>> frames;
  for (const auto& v : cfg_.frames) frames.emplace_back(v.CODEVOP, v.VARTEST);
  order_ = selectFrames(cfg_.tema.MODECONTROLZN, cfg_.tema.KOLSELVOP, frames, cfg_.variant, rnd_);
  // Codes that the test does not hold (a gap in the numbering) are not presented.
  order_.erase(std::remove_if(order_.begin(), order_.end(), [this](std::uint16_t c) { return !frameByCode(c); }), order_.end());
  if (order_.size() > 999) order_.resize(999);
  rez_.TIMEBEG = clock_.now();
  beganDate_ = clock_.today();
  excludedCs_ = 0;
  pos_ = 0;
  if (!order_.empty()) load(1);
}

void Attempt::startReview(const tables::RezTest& stored, const std::map<std::uint16_t, Response>& stAnswers) {
  rez_ = stored;
  free_ = true;  // error viewing always lets the examinee move freely
  answers_.clear();
  for (const auto& [c, r] : stAnswers) answers_[c].response = r;
  order_.clear();
  for (std::uint16_t c : framesToReview(stored.ALLOT))
    if (frameByCode(c)) order_.push_back(c);
  pos_ = 0;
  finished_ = false;
  if (!order_.empty()) load(1);
}

void Attempt::load(int p) {
  pos_ = p;
  // A frame's clock keeps what earlier visits spent on it.
  frameTimeUp_ = false;
  attempts_ = 1;
  const auto& v = frame();
  if (v.TYPEKADR >= 1 && v.TYPEKADR <= 4) perm_ = drawPermutation(v.KOLOT, rnd_, reviewing());
  else perm_ = Permutation{};
  // Free order shows the stored answer again; fixed order starts afresh.
  auto it = answers_.find(code());
  resp_ = (free_ || reviewing()) && it != answers_.end() ? it->second.response : Response{};
}

void Attempt::click(int k) {
  if (finished_ || reviewing() || locked()) return;
  common::clickAnswer(frame(), perm_, resp_, k);
}

int Attempt::shownNumber(int k) const { return common::shownNumber(perm_, resp_, k); }

void Attempt::setText(const std::string& t) {
  if (finished_ || reviewing() || locked()) return;
  common::typeAnswer(resp_, t);
}

void Attempt::respond(const Response& r) {
  if (finished_ || reviewing() || locked()) return;
  resp_ = r;
}

bool Attempt::answered() const { return resp_.answered(frame().TYPEKADR); }

bool Attempt::answeredAt(int p) const {
  std::uint16_t c = codeAt(p);
  if (p == pos_) return answered();
  auto it = answers_.find(c);
  const tables::Vop* v = frameByCode(c);
  return it != answers_.end() && v && it->second.response.answered(v->TYPEKADR);
}

void Attempt::saveAnswer() {
  Answer& a = answers_[code()];
  a.response = resp_;
  if (!otw_ || !otwRec_) return;
  otwRec_->CODE = code();
  bool exists = otw_->get(otw_->key("KEYCODE")) == store::Ok;
  otwRec_->CODE = code();
  for (int i = 0; i < 9; ++i) otwRec_->TRUEOT[static_cast<std::size_t>(i)] = resp_.r[static_cast<std::size_t>(i + 1)];
  otwRec_->TRUEOTSTR = resp_.text;
  otwRec_->BALLVOP = static_cast<std::uint16_t>(std::clamp<long>(a.points, 0, 65535));
  otwRec_->VERNO = a.correct ? 1 : 0;
  if (exists) otw_->put();
  else otw_->add();
}

int Attempt::checkFrame(Dialogue* d, bool timeUp) {
  const tables::Vop& v = frame();
  // With TEM:IFPROSVOP 1 an answer after the frame's time does not count:
  // no points, not right (a blanked key would still match an empty answer
  // of kinds 1, 2 and 4). Otherwise a late answer is checked as any other.
  const bool late = timeUp && cfg_.tema.IFPROSVOP == 1;
  Check c = late ? Check{} : check(v, resp_, cfg_.tema.DIFFBALL != 0);
  ++checks_;
  long points = c.points;
  if (cfg_.tema.MODELEVEL && cfg_.tema.ADDLEVEL) points *= std::max<int>(1, v.LEVEL);
  Answer& a = answers_[code()];
  const long diff = points - a.points;
  rez_.REZBAL += static_cast<std::int32_t>(diff);
  const int li = levelIndex(), si = sectionIndex();
  if (cfg_.tema.MODELEVEL && li >= 0) rez_.BALLLEV[static_cast<std::size_t>(li)] += static_cast<std::int32_t>(diff);
  if (cfg_.tema.YESRAZ && si >= 0)
    rez_.BALLRAZ[static_cast<std::size_t>(si)] = static_cast<std::uint16_t>(rez_.BALLRAZ[static_cast<std::size_t>(si)] + diff);
  a.points = points;

  const std::uint16_t cd = code();
  const bool wasCorrect = status_[cd] == 1;
  if (timeUp) ++rez_.KOLPROSVOP;
  const int outcome = late ? 3 : c.correct ? 1 : 2;
  const bool nowCorrect = outcome == 1;
  status_[cd] = nowCorrect ? 1 : 0;
  if (cd >= 1 && cd <= 512) rez_.ALLOT[cd - 1] = nowCorrect ? 1 : 0;
  a.correct = nowCorrect;
  // Correct answers per level and section follow the frame's status, so
  // that a frame checked again in free order is not counted twice.
  int step = nowCorrect == wasCorrect ? 0 : (nowCorrect ? 1 : -1);
  if (step) {
    if (li >= 0) rez_.PRLEVEL[static_cast<std::size_t>(li)] = static_cast<std::uint16_t>(rez_.PRLEVEL[static_cast<std::size_t>(li)] + step);
    if (si >= 0) rez_.PRRAZ[static_cast<std::size_t>(si)] = static_cast<std::uint16_t>(rez_.PRRAZ[static_cast<std::size_t>(si)] + step);
  }
  wrongRun_ = nowCorrect ? 0 : wrongRun_ + 1;
  lastOutcome_ = outcome;
  if (d && cfg_.tema.SHOWTF_OT && !reviewing()) d->feedback(outcome);
  if (!nowCorrect && cfg_.tema.STOPTEST && wrongRun_ >= cfg_.tema.STOPTEST) rez_.PRDURAK = 1;
  return outcome;
}

void Attempt::resetUnanswered() {
  // A frame whose answer was taken back counts no longer.
  auto it = answers_.find(code());
  if (it == answers_.end()) return;
  Answer& a = it->second;
  const long diff = -a.points;
  const int li = levelIndex(), si = sectionIndex();
  rez_.REZBAL += static_cast<std::int32_t>(diff);
  if (cfg_.tema.MODELEVEL && li >= 0) rez_.BALLLEV[static_cast<std::size_t>(li)] += static_cast<std::int32_t>(diff);
  if (cfg_.tema.YESRAZ && si >= 0)
    rez_.BALLRAZ[static_cast<std::size_t>(si)] = static_cast<std::uint16_t>(rez_.BALLRAZ[static_cast<std::size_t>(si)] + diff);
  a.points = 0;
  const std::uint16_t cd = code();
  if (status_[cd] == 1) {
    if (li >= 0) --rez_.PRLEVEL[static_cast<std::size_t>(li)];
    if (si >= 0) --rez_.PRRAZ[static_cast<std::size_t>(si)];
  }
  status_[cd] = 0;
  a.correct = false;
  if (cd >= 1 && cd <= 512 && rez_.ALLOT[cd - 1] != 2) rez_.ALLOT[cd - 1] = 0;
}

void Attempt::countAnswered(int step) {
  rez_.KOLVOPOT += step;
  const int li = levelIndex(), si = sectionIndex();
  if (cfg_.tema.MODELEVEL && li >= 0)
    rez_.KOLOTLEVEL[static_cast<std::size_t>(li)] = static_cast<std::uint16_t>(rez_.KOLOTLEVEL[static_cast<std::size_t>(li)] + step);
  if (cfg_.tema.YESRAZ && si >= 0)
    rez_.KOLOTRAZ[static_cast<std::size_t>(si)] = static_cast<std::uint16_t>(rez_.KOLOTRAZ[static_cast<std::size_t>(si)] + step);
}

void Attempt::leave(Dialogue* d, bool checkAnswered) {
  if (pos_ < 1 || reviewing()) return;
  const std::uint16_t c = code();
  if (locked_.count(c)) return;  // answered when its time ran out
  const bool now = answered();
  bool& was = answered_[c];
  if (now != was) countAnswered(now ? 1 : -1);
  was = now;
  auto it = checked_.find(c);
  const bool unchanged = it != checked_.end() && it->second == resp_;
  if (frameTimeUp_) {
    // Its time ran out: locked. An answer checked on time and not changed
    // since keeps its result; anything else is answered as late.
    if (!unchanged) {
      checkFrame(d, true);
      checked_[c] = resp_;
    }
    locked_.insert(c);
    frameTimeUp_ = false;
  } else if (checkAnswered) {
    // Only an answer that changed since its last check is checked again,
    // so that passing through a wrong frame counts no new wrong answer.
    if (now && !unchanged) {
      checkFrame(d, false);
      checked_[c] = resp_;
    } else if (!now) {
      resetUnanswered();
      checked_.erase(c);
    }
  }
  saveAnswer();
}

int Attempt::nextUnlocked() const {
  const int n = length();
  for (int i = 1; i <= n; ++i) {
    int p = (pos_ - 1 + i) % n + 1;
    if (!lockedAt(p)) return p;
  }
  return 0;
}

Attempt::Step Attempt::frameTimedOut(Dialogue& d) {
  if (finished_ || pos_ < 1 || reviewing()) return Step::Finished;
  if (!free_) return next(d);
  if (!frameTimeUp_) return Step::Stayed;
  leave(&d, true);
  if (rez_.PRDURAK) {
    finish(d);
    return Step::Finished;
  }
  const int p = nextUnlocked();
  if (p == 0) {  // every frame's time has run out
    finish(d);
    return Step::Finished;
  }
  load(p);
  return Step::Moved;
}

Attempt::Step Attempt::next(Dialogue& d) {
  if (finished_ || pos_ < 1) return Step::Finished;
  if (reviewing()) {
    // "Далее" past the last frame ends the viewing.
    if (pos_ >= length()) {
      finished_ = true;
      return Step::Finished;
    }
    load(pos_ + 1);
    return Step::Moved;
  }
  const bool timeUp = frameTimeUp_;
  if (!timeUp && !answered()) {
    if (!d.skipUnanswered()) return Step::Stayed;
  }
  const int outcome = checkFrame(&d, timeUp);
  frameSeconds_[code()] = 0;  // a retry starts the frame's clock afresh
  frameTimeUp_ = false;
  saveAnswer();
  if (rez_.PRDURAK) {
    countAnswered(1);
    finish(d);
    return Step::Finished;
  }
  const tables::Vop& v = frame();
  // A wrong answer may be tried again; an answer that did not count
  // because its time was over (outcome 3) may not.
  if (v.KOLPOP >= 2 && outcome == 2 && attempts_ < v.KOLPOP) {
    if (d.retryWrong()) {
      ++attempts_;
      return Step::Stayed;
    }
    attempts_ = 1;
  } else if (attempts_ >= v.KOLPOP) {
    attempts_ = 1;
  }
  // Fixed order counts every frame passed, answered or not.
  countAnswered(1);
  if (pos_ >= length()) {
    finish(d);
    return Step::Finished;
  }
  load(pos_ + 1);
  return Step::Moved;
}

void Attempt::goTo(int p, Dialogue& d) {
  if (finished_ || p < 1 || p > length() || p == pos_) return;
  if (!reviewing()) leave(&d, true);
  if (rez_.PRDURAK) {
    finish(d);  // stopped for wrong answers: the frame just checked is not checked again
    return;
  }
  load(p);
}

void Attempt::finish(Dialogue& d) {
  if (finished_) return;
  if (free_ && !reviewing() && !rez_.PRDURAK) leave(&d, true);
  finished_ = true;
  if (!reviewing()) buildResult();
}

void Attempt::buildResult() { buildResultInto(rez_, wrongList_); }

void Attempt::buildResultInto(tables::RezTest& rez, std::string& wrong) const {
  // Frames presented but never answered correctly are "presented, not right".
  wrong.clear();
  int correct = 0;
  long maxBall = 0;
  for (std::uint16_t c : order_) {
    if (c >= 1 && c <= 512 && rez.ALLOT[c - 1] == 2) rez.ALLOT[c - 1] = 0;
    if (status_[c] == 1) {
      ++correct;
    } else if (wrong.size() + 4 <= 600) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%03u,", static_cast<unsigned>(c % 1000));
      wrong += buf;
    }
    maxBall += maxPointsOf(c);
  }
  const auto& t = cfg_.tema;
  rez.KOLTROT = static_cast<std::uint16_t>(correct);
  rez.CODEALL = static_cast<std::uint16_t>(cfg_.room);
  rez.BIBLTEST = cfg_.library;
  rez.FAKET = cfg_.who.faket;
  rez.KURS = cfg_.who.kurs;
  rez.GR = cfg_.who.group;
  rez.FIO = cfg_.who.fio;
  rez.CODEST = cfg_.who.code;
  rez.BOOK = cfg_.who.book;
  rez.ID.clear();
  rez.KOLVOP = static_cast<std::uint16_t>(length());
  rez.DATE = clock_.today();
  rez.TIMEEND = clock_.now();
  rez.TIMEPROSVOP = allowanceSeconds() * 100;
  // Time spent: the days between count (an attempt may pass midnight or be
  // resumed the next day); outages forgiven on resuming do not.
  const std::int64_t days = beganDate_ ? rez.DATE - beganDate_ : 0;
  rez.TESTTIMEFAKT = static_cast<std::int32_t>(days * 8640000 + rez.TIMEEND - rez.TIMEBEG - excludedCs_ + 100);
  rez.MAXBALL = static_cast<std::int32_t>(maxBall);
  const int p = percentage(correct, length());
  Mark m = markFor(t.MODEOZENKA, t.SHCALA, p);
  rez.OTMETKA = static_cast<std::uint8_t>(m.number);
  rez.REZTEXT = cp1251::fromUtf8(m.text);
  rez.OTDEL = t.NAMEOTD;
  rez.PREDMET = t.NAMEPRD;
  rez.WRITER = t.NAMEWRI;
  rez.CODETEMA = t.CODETEMA;
  rez.NAMETEMA = t.NAME;
  rez.KOLFSOT = static_cast<std::uint16_t>(std::max(0, rez.KOLVOPOT - correct));
  rez.INSTRUCTOR.clear();
  for (int s = 0; s < 7; ++s) rez.MAXBALLRAZ[static_cast<std::size_t>(s)] = cfg_.titul.MAXBALLRAZ[static_cast<std::size_t>(s)];
  for (int l = 0; l < 5; ++l) rez.MAXBALLLEV[static_cast<std::size_t>(l)] = std::to_string(cfg_.titul.MAXBALLLEV[static_cast<std::size_t>(l)]);
}

long Attempt::maxPointsOf(std::uint16_t c) const {
  const tables::Vop* v = frameByCode(c);
  if (!v) return 0;
  long p = maxPoints(*v, cfg_.tema.DIFFBALL != 0);
  if (cfg_.tema.MODELEVEL && cfg_.tema.ADDLEVEL) p *= std::max<int>(1, v->LEVEL);
  return p;
}

int Attempt::allowanceSeconds() const { return cfg_.tema.TIMETEST * 60 + 1; }

int Attempt::remainingSeconds() const {
  if (cfg_.tema.HOWTIMETEST == 1) {
    auto it = frameSeconds_.find(code());
    return frame().TIMEVOP - (it == frameSeconds_.end() ? 0 : it->second);
  }
  return allowanceSeconds() - testSeconds_;
}

int Attempt::minutesShown() const { return std::max(0, (remainingSeconds() - 1 + 59) / 60); }

int Attempt::answeredCount() const {
  int n = 0;
  for (int p = 1; p <= length(); ++p)
    if (answeredAt(p)) ++n;
  return n;
}

int Attempt::givenCount() const {
  int n = 0;
  for (std::uint16_t c : order_) {
    auto it = answers_.find(c);
    const tables::Vop* v = frameByCode(c);
    if (it != answers_.end() && v && it->second.response.answered(v->TYPEKADR)) ++n;
  }
  return n;
}

std::string Attempt::timeUnit() const {
  if (cfg_.tema.MODETRAINING || cfg_.tema.HOWTIMETEST == 3) return "б/о";
  return cfg_.tema.HOWTIMETEST == 1 ? "сек" : "мин";
}

Attempt::Tick Attempt::tick() {
  if (finished_ || reviewing() || pos_ < 1) return Tick::None;
  ++testSeconds_;
  if (cfg_.tema.HOWTIMETEST == 1) {
    if (locked()) return Tick::None;
    ++frameSeconds_[code()];
    // A frame without time (0 seconds) never runs out.
    if (frame().TIMEVOP > 0 && remainingSeconds() <= 0 && !frameTimeUp_) {
      frameTimeUp_ = true;
      return Tick::FrameTimeUp;
    }
  } else if (cfg_.tema.HOWTIMETEST == 2) {
    if (remainingSeconds() == 0 && cfg_.tema.IFPROSTIME) return Tick::TestTimeUp;
  }
  return Tick::None;
}

const tables::Training* Attempt::helpForFrame() const {
  // The help of a frame is the record naming the frame's code.
  for (const auto& h : cfg_.helps)
    if (h.CODEVOP == code()) return &h;
  return nullptr;
}

int Attempt::helpPages() const {
  int n = 0;
  for (const auto& h : cfg_.helps) {
    if (cp1251::clip(h.HELPVOP.text).empty()) break;
    ++n;
  }
  return n;
}

void buildMemos(const std::map<std::uint16_t, Answer>& answers, std::string& howot, std::string& howtxt) {
  howot.clear();
  howtxt.clear();
  for (const auto& [code, a] : answers) {
    if (a.correct) continue;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03u", static_cast<unsigned>(code % 1000));
    std::string_view text = cp1251::clip(a.response.text);
    if (!text.empty()) {
      if (howtxt.size() + 4 + text.size() + 1 > 2560) continue;
      howtxt += "~";
      howtxt += buf;
      howtxt += text;
    } else {
      if (howot.size() + 12 + 1 > 2560) continue;
      howot += buf;
      for (int i = 1; i <= 9; ++i) howot += static_cast<char>('0' + std::min<int>(a.response.r[static_cast<std::size_t>(i)], 9));
    }
  }
  if (!howot.empty()) howot += "~";
  if (!howtxt.empty()) howtxt += "~";
}

std::map<std::uint16_t, Response> readMemos(const std::string& howot, const std::string& howtxt) {
  std::map<std::uint16_t, Response> out;
  auto code3 = [](std::string_view s, std::uint16_t& c) {
    if (s.size() < 3) return false;
    c = 0;
    for (char ch : s.substr(0, 3)) {
      if (ch < '0' || ch > '9') return false;
      c = static_cast<std::uint16_t>(c * 10 + (ch - '0'));
    }
    return true;
  };
  for (std::size_t i = 0; i + 12 <= howot.size() && howot[i] != '~'; i += 12) {
    std::uint16_t c;
    if (!code3(std::string_view(howot).substr(i, 3), c)) break;
    Response r;
    for (int k = 1; k <= 9; ++k) {
      char ch = howot[i + 2 + static_cast<std::size_t>(k)];
      r.r[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(ch >= '0' && ch <= '9' ? ch - '0' : 0);
    }
    out[c] = r;
  }
  std::size_t p = howtxt.find('~');
  while (p != std::string::npos) {
    std::size_t q = howtxt.find('~', p + 1);
    std::string_view entry = std::string_view(howtxt).substr(p + 1, q == std::string::npos ? std::string::npos : q - p - 1);
    if (cp1251::clip(entry).empty()) break;
    std::uint16_t c;
    if (!code3(entry, c)) break;
    Response r;
    r.text = std::string(entry.substr(3));
    out[c] = r;
    p = q;
  }
  return out;
}

}  // namespace examiner
