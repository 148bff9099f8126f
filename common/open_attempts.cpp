#include "open_attempts.h"

#include <algorithm>
#include <cstdlib>

#include "cp1251.h"

namespace common {

std::string localAttemptFile(const std::string& workingDir) {
  return (workingDir.empty() ? std::string() : workingDir + "/") + "Attempt.loc";
}

AttemptTables::AttemptTables(const std::string& f)
    : attT(tables::attemptDef(), att, f + "\\!Attempt"), rezT(tables::rezTestDef(), rez, f + "\\!RezTest"), file(f) {}

int AttemptTables::open(bool create) {
  error_ = {};
  for (store::Table* t : {&attT, &rezT}) {
    if (t->isOpen()) continue;
    int rc = t->open(store::Shared);
    if (rc == store::FileNotFound && create) {
      if ((rc = t->createIfMissing()) == store::Ok) rc = t->open(store::Shared);
    }
    if (rc) {
      error_ = t->error();
      close();
      return rc;
    }
  }
  return store::Ok;
}

void AttemptTables::close() {
  attT.close();
  rezT.close();
}

int AttemptTables::get(std::int32_t code) {
  error_ = {};
  att.CODE = code;
  if (int rc = attT.get(attT.key("KEYCODE"))) {
    error_ = attT.error();
    return rc;
  }
  rez.CODEREZ = code;
  if (int rc = rezT.get(rezT.key("KEYCODEREZ"))) {
    error_ = rezT.error();
    return rc;
  }
  return store::Ok;
}

int AttemptTables::write() {
  error_ = {};
  const tables::Attempt a = att;
  tables::RezTest r = rez;
  r.CODEREZ = a.CODE;
  if (get(a.CODE) == store::Ok) {
    att = a;
    rez = r;
    if (int rc = attT.put()) return error_ = attT.error(), rc;
    if (int rc = rezT.put()) return error_ = rezT.error(), rc;
    return store::Ok;
  }
  // One half may be left over from a file written by hand: replace it.
  att.CODE = a.CODE;
  if (attT.get(attT.key("KEYCODE")) == store::Ok) attT.del();
  rez.CODEREZ = a.CODE;
  if (rezT.get(rezT.key("KEYCODEREZ")) == store::Ok) rezT.del();
  att = a;
  rez = r;
  if (int rc = attT.add()) return error_ = attT.error(), rc;
  if (int rc = rezT.add()) return error_ = rezT.error(), rc;
  error_ = {};
  return store::Ok;
}

int AttemptTables::remove(std::int32_t code) {
  error_ = {};
  att.CODE = code;
  if (attT.get(attT.key("KEYCODE")) == store::Ok)
    if (int rc = attT.del()) return error_ = attT.error(), rc;
  rez.CODEREZ = code;
  if (rezT.get(rezT.key("KEYCODEREZ")) == store::Ok)
    if (int rc = rezT.del()) return error_ = rezT.error(), rc;
  return store::Ok;
}

const store::ErrorInfo& AttemptTables::error() const { return error_; }

int listAttempts(const std::string& file, std::vector<OpenAttempt>& out, store::ErrorInfo* error) {
  AttemptTables t(file);
  int rc = t.open(false);
  if (rc == store::FileNotFound) {
    out.clear();
    return store::Ok;  // no attempt was ever kept
  }
  if (rc) {
    if (error) *error = t.error();
    return rc;
  }
  std::vector<std::int32_t> codes;
  t.attT.set(t.attT.key("KEYCODE"));
  while ((rc = t.attT.next()) == store::Ok) codes.push_back(t.att.CODE);
  if (rc != store::NoRecord && rc != store::Ok) {
    if (error) *error = t.attT.error();
    return rc;
  }
  std::vector<OpenAttempt> list;
  for (std::int32_t c : codes) {
    if (t.get(c) != store::Ok) {
      // Gone between the two reads (closed meanwhile), or its result half
      // lost: such a one is still listed, to be closed.
      t.att.CODE = c;
      if (t.attT.get(t.attT.key("KEYCODE")) != store::Ok) continue;
      t.rez = tables::RezTest{};
    }
    list.push_back({t.att, t.rez});
  }
  out = std::move(list);
  return store::Ok;
}

int findAttempt(const std::string& file, std::int32_t studentCode, const std::string& fio, const std::string& group,
                std::optional<OpenAttempt>& out, store::ErrorInfo* error) {
  out.reset();
  std::vector<OpenAttempt> all;
  if (int rc = listAttempts(file, all, error)) return rc;
  const std::string name = cp1251::upper(cp1251::clip(std::string_view(fio).substr(0, std::min<std::size_t>(fio.size(), 60)))), gr = cp1251::upper(cp1251::clip(group));
  for (auto& o : all) {
    const bool same = studentCode != 0 ? o.rec.CODEST == studentCode
                                       : !name.empty() && o.rec.CODEST == 0 &&
                                             cp1251::upper(cp1251::clip(o.rec.FIO.view())) == name &&
                                             cp1251::upper(cp1251::clip(o.rec.GR.view())) == gr;
    if (same) {
      out = std::move(o);
      return store::Ok;
    }
  }
  return store::Ok;
}

std::int64_t secondsBetween(std::int32_t fromDay, std::int32_t fromTime, std::int32_t toDay, std::int32_t toTime) {
  return (static_cast<std::int64_t>(toDay) - fromDay) * 86400 + (static_cast<std::int64_t>(toTime) - fromTime) / 100;
}

bool stillRunning(const tables::Attempt& a, std::int32_t today, std::int32_t now) {
  const std::int64_t s = secondsBetween(a.SEENDATE, a.SEENTIME, today, now);
  // A clock set back on some station must not make an attempt look alive for ever.
  return s >= -kDeadAfterSeconds && s <= kDeadAfterSeconds;
}

bool abandoned(const tables::Attempt& a, std::int32_t today, std::int32_t now) {
  return secondsBetween(a.LASTDATE, a.LASTTIME, today, now) >= kAbandonedSeconds;
}

StoreRequest requestOf(const OpenAttempt& o) {
  StoreRequest r;
  r.rez = o.rez;
  r.rez.CODEREZ = 0;
  r.howot = o.rec.HOWOT.text;
  r.howtxt = o.rec.HOWTXT.text;
  r.saveRez = o.rec.SAVEREZ;
  r.resultBase = cp1251::toUtf8(cp1251::clip(o.rec.BASE.view()));
  r.fileRez = cp1251::toUtf8(cp1251::clip(o.rec.FILEREZ.view()));
  r.vedomFile = cp1251::toUtf8(cp1251::clip(o.rec.VEDOM.view()));
  return r;
}

StoreOutcome closeAttempt(const std::string& file, std::int32_t code) {
  StoreOutcome out;
  AttemptTables t(file);
  int rc = t.open(false);
  if (rc == store::Ok) rc = t.get(code);
  if (rc == store::NoRecord) {
    // Its result half lost (a file damaged by hand): the attempt is stored
    // with what its own record says rather than listed for ever.
    t.att.CODE = code;
    if (t.attT.get(t.attT.key("KEYCODE")) == store::Ok) {
      t.rez = tables::RezTest{};
      t.rez.FIO = t.att.FIO.view();
      t.rez.GR = t.att.GR.view();
      t.rez.CODEST = t.att.CODEST;
      t.rez.NAMETEMA = t.att.NAMETEMA.view();
      t.rez.TIMEBEG = t.att.TIMEBEG;
      t.rez.TIMEEND = t.att.LASTTIME;
      t.rez.DATE = t.att.LASTDATE;
      t.rez.KOLVOP = t.att.KOLVOP;
      rc = store::Ok;
    }
  }
  if (rc) {
    out.code = rc;
    out.error = t.error();
    out.superseded = rc == store::NoRecord || rc == store::FileNotFound;
    return out;
  }
  ResultStore rs({});
  rs.keepWhenFailing = false;
  AttemptLink link{file, code, {}};
  return rs.store(requestOf({t.att, t.rez}), &link);
}

int resumeGraceMinutes(const tables::GlbTune& g) {
  const std::string_view v = cp1251::clip(g.RESERVED4.view());
  if (v.empty()) return kDefaultResumeGraceMinutes;
  int n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return kDefaultResumeGraceMinutes;
    n = n * 10 + (c - '0');
    if (n > 24 * 60) return 24 * 60;
  }
  return n;
}

void setResumeGraceMinutes(tables::GlbTune& g, int minutes) {
  g.RESERVED4 = std::to_string(std::clamp(minutes, 0, 24 * 60));
}

}  // namespace common
