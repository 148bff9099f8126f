// Saving an attempt's state after every step and going on with it later,
// on this or another workstation.
//
// The state is plain ASCII text, a line per item, so that a record read back
// from any station is checked field by field before it is trusted:
//   ORMATT 1
//   pos <position>
//   order <code> <code> ...
//   clock <test seconds> <hundredths not counted> <day the attempt began>
//   run <wrong in a row> <tries of the frame> <last outcome> <checks>
//   cur <response>                        the current frame, not yet left
//   f <code> <answered> <points> <correct> <seconds> <locked> <response> <checked>
// A response is its ten bytes in hex, a colon and its text in hex ("-"
// when empty); <checked> is "-" (never checked), "=" (as the response) or
// another response.
#include <algorithm>
#include <set>
#include <sstream>

#include "attempt.h"

namespace examiner {
namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string hex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

bool unhex(std::string_view h, std::string& out) {
  if (h.size() % 2) return false;
  out.clear();
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < h.size(); i += 2) {
    int a = digit(h[i]), b = digit(h[i + 1]);
    if (a < 0 || b < 0) return false;
    out += static_cast<char>(a * 16 + b);
  }
  return true;
}

std::string encode(const Response& r) {
  std::string bytes(r.r.begin(), r.r.end());
  return hex(bytes) + ":" + (r.text.empty() ? std::string("-") : hex(r.text));
}

bool decode(const std::string& token, Response& r) {
  const auto colon = token.find(':');
  if (colon != 20) return false;
  std::string bytes;
  if (!unhex(std::string_view(token).substr(0, 20), bytes)) return false;
  for (std::size_t i = 0; i < 10; ++i) r.r[i] = static_cast<std::uint8_t>(bytes[i]);
  const std::string_view text = std::string_view(token).substr(21);
  if (text == "-") {
    r.text.clear();
    return true;
  }
  return unhex(text, r.text) && r.text.size() <= 128;
}

}  // namespace

std::string Attempt::state() const {
  std::ostringstream o;
  o << "ORMATT 1\n";
  o << "pos " << pos_ << "\n";
  o << "order";
  for (std::uint16_t c : order_) o << ' ' << c;
  o << "\n";
  o << "clock " << testSeconds_ << ' ' << excludedCs_ << ' ' << beganDate_ << "\n";
  o << "run " << wrongRun_ << ' ' << attempts_ << ' ' << lastOutcome_ << ' ' << checks_ << "\n";
  o << "cur " << encode(resp_) << "\n";
  // The moment of this save on its own station's clock: time after it up
  // to the last sign of life was spent in a question box and counts.
  o << "saved " << clock_.today() << ' ' << clock_.now() << "\n";
  if (finished_) o << "done 1\n";
  std::set<std::uint16_t> codes;
  for (const auto& [c, a] : answers_) codes.insert(c);
  for (const auto& [c, a] : answered_) codes.insert(c);
  for (const auto& [c, r] : checked_) codes.insert(c);
  for (const auto& [c, s] : frameSeconds_) codes.insert(c);
  codes.insert(locked_.begin(), locked_.end());
  for (std::uint16_t c : codes) {
    auto a = answers_.find(c);
    const Answer none;
    const Answer& ans = a == answers_.end() ? none : a->second;
    auto was = answered_.find(c);
    auto secs = frameSeconds_.find(c);
    o << "f " << c << ' ' << (was != answered_.end() && was->second ? 1 : 0) << ' ' << ans.points << ' ' << (ans.correct ? 1 : 0)
      << ' ' << (secs == frameSeconds_.end() ? 0 : secs->second) << ' ' << (locked_.count(c) ? 1 : 0) << ' ' << encode(ans.response)
      << ' ';
    auto chk = checked_.find(c);
    if (chk == checked_.end()) o << '-';
    else if (chk->second == ans.response) o << '=';
    else o << encode(chk->second);
    o << "\n";
  }
  return o.str();
}

void Attempt::asItStands(tables::RezTest& rez, std::string& howot, std::string& howtxt) const {
  rez = rez_;
  if (!finished_) {
    std::string wrong;
    buildResultInto(rez, wrong);
  }
  buildMemos(answers_, howot, howtxt);
}

bool Attempt::resume(const std::string& text, const tables::RezTest& stood, std::int64_t outageCs, std::int64_t graceCs) {
  std::istringstream in(text);
  std::string line, word;
  if (!std::getline(in, line) || line != "ORMATT 1") return false;
  int pos = 0;
  std::vector<std::uint16_t> order;
  int testSeconds = 0, wrongRun = 0, tries = 1, lastOutcome = 0, checks = 0;
  std::int64_t excluded = 0;
  std::int32_t began = 0;
  Response cur;
  std::int32_t savedDay = 0, savedTime = 0;
  std::map<std::uint16_t, Answer> answers;
  std::map<std::uint16_t, bool> answered;
  std::map<std::uint16_t, Response> checked;
  std::map<std::uint16_t, int> seconds;
  std::set<std::uint16_t> lockedCodes;
  while (std::getline(in, line)) {
    std::istringstream l(line);
    if (!(l >> word)) continue;
    if (word == "pos") {
      if (!(l >> pos)) return false;
    } else if (word == "order") {
      unsigned c;
      while (l >> c) {
        if (c == 0 || c > 65535 || !frameByCode(static_cast<std::uint16_t>(c))) return false;
        order.push_back(static_cast<std::uint16_t>(c));
      }
    } else if (word == "clock") {
      if (!(l >> testSeconds >> excluded >> began)) return false;
    } else if (word == "run") {
      if (!(l >> wrongRun >> tries >> lastOutcome >> checks)) return false;
    } else if (word == "cur") {
      std::string r;
      if (!(l >> r) || !decode(r, cur)) return false;
    } else if (word == "saved") {
      if (!(l >> savedDay >> savedTime)) return false;
    } else if (word == "done") {
      return false;  // ended: its result is stored as it stands, never gone on with
    } else if (word == "f") {
      unsigned c;
      int was, ok, secs, lock;
      long points;
      std::string r, chk;
      if (!(l >> c >> was >> points >> ok >> secs >> lock >> r >> chk) || c == 0 || c > 65535) return false;
      const auto code = static_cast<std::uint16_t>(c);
      Answer a;
      if (!decode(r, a.response)) return false;
      a.points = points;
      a.correct = ok == 1;
      answers[code] = a;
      answered[code] = was == 1;
      if (secs) seconds[code] = secs;
      if (lock) lockedCodes.insert(code);
      if (chk == "=") {
        checked[code] = a.response;
      } else if (chk != "-") {
        Response cr;
        if (!decode(chk, cr)) return false;
        checked[code] = cr;
      }
    } else {
      return false;
    }
  }
  if (order.empty() || pos < 1 || pos > static_cast<int>(order.size())) return false;
  // A damaged record must not overflow the clocks.
  testSeconds = std::clamp(testSeconds, 0, 10000000);
  tries = std::clamp(tries, 1, 1000);
  excluded = std::clamp<std::int64_t>(excluded, 0, 100LL * 86400 * 100);

  rez_ = stood;
  rez_.CODEREZ = 0;  // there, the attempt's own code
  order_ = std::move(order);
  answers_ = std::move(answers);
  answered_ = std::move(answered);
  checked_ = std::move(checked);
  frameSeconds_ = std::move(seconds);
  locked_ = std::move(lockedCodes);
  status_.fill(0);
  for (const auto& [c, a] : answers_)
    if (c <= 512 && a.correct) status_[c] = 1;
  wrongRun_ = wrongRun;
  lastOutcome_ = lastOutcome;
  checks_ = checks;
  testSeconds_ = testSeconds;
  beganDate_ = began;
  excludedCs_ = excluded;
  finished_ = false;
  wrongList_.clear();
  load(pos);
  resp_ = cur;
  attempts_ = std::max(1, tries);
  // The outage: forgiven up to the grace, the rest counts as time spent on
  // the test (and on the frame it stopped at). A clock that now shows the
  // time over says so at its next second.
  const std::int64_t outage = std::max<std::int64_t>(0, outageCs);
  const std::int64_t forgiven = std::min(outage, std::max<std::int64_t>(0, graceCs));
  excludedCs_ += forgiven;
  // From the save to the last sign of life the station was alive (a question
  // box open): that time counts whole.
  std::int64_t busyCs = 0;
  if (savedDay) {
    const std::int64_t sinceSave = (static_cast<std::int64_t>(clock_.today()) - savedDay) * 8640000 + clock_.now() - savedTime;
    busyCs = std::clamp<std::int64_t>(sinceSave - outage, 0, 86400LL * 100);
  }
  const int counted = static_cast<int>(std::min<std::int64_t>((outage - forgiven + busyCs) / 100, 1000000));
  if (counted > 0) {
    if (cfg_.tema.HOWTIMETEST == 2) testSeconds_ = std::min(testSeconds_ + counted, std::max(testSeconds_, allowanceSeconds() - 1));
    else testSeconds_ += counted;
    if (cfg_.tema.HOWTIMETEST == 1 && !locked()) frameSeconds_[code()] += counted;
  }
  rewriteAnswerTable();
  return true;
}

void Attempt::rewriteAnswerTable() {
  if (!otw_ || !otwRec_) return;
  otw_->close();
  otw_->create();
  otw_->open(store::DenyWrite);
  for (const auto& [c, a] : answers_) {
    *otwRec_ = tables::OtTestW{};
    otwRec_->CODE = c;
    for (int i = 0; i < 9; ++i) otwRec_->TRUEOT[static_cast<std::size_t>(i)] = a.response.r[static_cast<std::size_t>(i + 1)];
    otwRec_->TRUEOTSTR = a.response.text;
    otwRec_->BALLVOP = static_cast<std::uint16_t>(std::clamp<long>(a.points, 0, 65535));
    otwRec_->VERNO = a.correct ? 1 : 0;
    otw_->add();
  }
}

}  // namespace examiner
