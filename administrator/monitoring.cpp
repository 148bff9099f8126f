#include "monitoring.h"

#include "cp1251.h"
#include "result_store.h"

namespace administrator {

const char* monitorOrderTitle(MonitorOrder o) {
  switch (o) {
    case MonitorOrder::ByStart: return "По времени старта";
    case MonitorOrder::ByComputer: return "По компьютерам";
    case MonitorOrder::ByName: return "По фамилиям";
    case MonitorOrder::ByAnswers: return "По ответам";
    case MonitorOrder::ByPoints: return "По баллам";
  }
  return "";
}

const char* monitorOrderKey(MonitorOrder o) {
  switch (o) {
    case MonitorOrder::ByStart: return "BYTIMEBEG";
    case MonitorOrder::ByComputer: return "BYNAMEPC";
    case MonitorOrder::ByName: return "BYFIO";
    case MonitorOrder::ByAnswers: return "BYKOLVOPOT";
    case MonitorOrder::ByPoints: return "BYBALLREAL";
  }
  return "BYCODEC";
}

MonitorTable::MonitorTable(const setup::Installation& inst)
    : t_(tables::monConsDef(), rec_, inst.central(tables::files::MonCons)) {}

Outcome MonitorTable::open() {
  if (t_.isOpen()) return {};
  if (t_.createIfMissing() != store::Ok) return Outcome::failed(t_.error(), "Не удалось создать " + t_.name());
  if (t_.open(store::Shared) != store::Ok) return Outcome::failed(t_.error(), "Не удалось открыть " + t_.name());
  return {};
}

Outcome MonitorTable::lost(const std::string& what) {
  Outcome o = Outcome::failed(t_.error(), what);
  failure_ = o.message;
  // A share that came back may need the file opened afresh.
  t_.close();
  return o;
}

Outcome MonitorTable::read(MonitorOrder order, std::vector<MonitoredStation>& out) {
  if (Outcome o = open(); !o) {
    failure_ = o.message;
    return o;
  }
  std::vector<MonitoredStation> got;
  int rc = t_.set(t_.key(monitorOrderKey(order)));
  // The cursor steps by key, so records the Examiners add or delete
  // meanwhile are met or not; only the end of the table ends a reading.
  while (rc == store::Ok && (rc = t_.next()) == store::Ok) got.push_back({t_.position(), rec_});
  if (rc != store::NoRecord) return lost("Не удалось прочитать список станций");
  out = std::move(got);
  return {};
}

std::optional<std::int64_t> MonitorTable::count() {
  if (Outcome o = open(); !o) {
    failure_ = o.message;
    return std::nullopt;
  }
  const std::int64_t n = t_.records();
  if (t_.errorCode() != store::Ok) {
    lost("Не удалось сосчитать станции");
    return std::nullopt;
  }
  return n;
}

Outcome MonitorTable::clear() {
  if (Outcome o = open(); !o) return o;
  std::vector<store::Position> at;
  int rc = t_.set();
  while (rc == store::Ok && (rc = t_.next()) == store::Ok) at.push_back(t_.position());
  for (store::Position p : at) {
    // An Examiner may have removed its own record meanwhile.
    rc = t_.getAt(p);
    if (rc == store::Ok) rc = t_.del();
    if (rc != store::Ok && rc != store::NoRecord) return Outcome::failed(t_.error(), "Не удалось удалить сведения о станции");
  }
  return {};
}

std::string MonitorTable::baseName(const setup::Installation& inst, const std::string& folder) {
  if (folder.empty()) return {};
  tables::PathFile rec;
  store::Table t(tables::pathFileDef(), rec, inst.central(tables::files::PathFile));
  if (t.open(store::Shared) != store::Ok) return {};
  auto bare = [](std::string f) {
    while (!f.empty() && (f.back() == '/' || f.back() == '\\' || f.back() == ' ')) f.pop_back();
    return f;
  };
  const std::string want = bare(cp1251::fromUtf8(folder));
  int rc = t.set();
  while (rc == store::Ok && (rc = t.next()) == store::Ok)
    if (bare(std::string(rec.DIRBD.view())) == want) return rec.NAMEBD.utf8();
  return {};
}

// ------------------------------------------------------------------ lights

void MonitorLights::opened(std::int64_t records) {
  count_ = records;
  ticks_ = blink_ = 0;
  afterRefresh_ = connectRaised_ = disconnectRaised_ = false;
  update = Signal::Sig1;
  if (records > 0) {
    link = Signal::Sig2;
    connect = disconnect = Signal::Sig1;
  } else {
    link = connect = disconnect = Signal::Sig3;
  }
}

bool MonitorLights::tick(std::optional<std::int64_t> records) {
  ++ticks_;
  ++blink_;
  // "Связь" alternates every two seconds while there are stations.
  if (!records || *records == 0) {
    link = Signal::Sig3;
  } else if (blink_ == 2) {
    link = Signal::Sig1;
  } else if (blink_ >= 4) {
    link = Signal::Sig2;
    blink_ = 0;
  }
  if (afterRefresh_) {
    update = Signal::Sig3;
    afterRefresh_ = false;
  }
  // A connect or disconnect is shown for one second.
  if (connectRaised_) {
    connect = Signal::Sig1;
    connectRaised_ = false;
  }
  if (disconnectRaised_) {
    disconnect = Signal::Sig1;
    disconnectRaised_ = false;
  }
  bool reread = false;
  if (ticks_ >= kRefreshTicks) {
    reread = true;
    ticks_ = 0;
    update = Signal::Sig1;
    afterRefresh_ = true;
    if (count_ == 0) connect = disconnect = Signal::Sig3;
  }
  if (records) compare(*records);
  return reread;
}

void MonitorLights::compare(std::int64_t records) {
  if (records > count_) {
    connect = Signal::Sig2;
    count_ = records;
    connectRaised_ = true;
  } else if (records < count_) {
    disconnect = Signal::Sig2;
    count_ = records;
    disconnectRaised_ = true;
  }
}

void MonitorLights::refreshPressed() {
  ticks_ = 0;
  update = Signal::Sig2;
  afterRefresh_ = true;
}

void MonitorLights::cleared(std::int64_t records) {
  count_ = records;
  connectRaised_ = disconnectRaised_ = false;
  if (records == 0) link = connect = disconnect = Signal::Sig3;
}

// ------------------------------------------------------------------ history

namespace {
bool sameProgress(const tables::MonCons& a, const tables::MonCons& b) {
  return a.CODEC == b.CODEC && a.NAMEPC == b.NAMEPC && a.FIO == b.FIO && a.TIMEBEG == b.TIMEBEG && a.TEST == b.TEST &&
         a.KOLVOPOT == b.KOLVOPOT && a.KOLZAD == b.KOLZAD && a.KOLBALLMAX == b.KOLBALLMAX &&
         a.KOLBALLREAL == b.KOLBALLREAL && a.TIMEEND == b.TIMEEND && a.FLAG == b.FLAG && a.CODEVOP == b.CODEVOP &&
         a.FALSEOT == b.FALSEOT;
}
}  // namespace

std::int64_t MonitorHistory::lastChange(const tables::MonCons& r, std::int64_t now, std::int32_t clock) {
  // The record keeps the clock time of its start and no time of its
  // answers: only a station that has answered nothing is known to have
  // been quiet since it started.
  if (clock <= 0 || r.TIMEBEG <= 0 || r.KOLVOPOT != 0) return now;
  constexpr std::int64_t kDay = 24 * 3600;
  std::int64_t ago = (static_cast<std::int64_t>(clock) - r.TIMEBEG) / 100;
  if (ago < -kDay / 2) ago += kDay;  // started before midnight
  else if (ago < 0) ago = 0;         // the workstation's clock runs ahead of ours
  return now - ago;
}

void MonitorHistory::read(const std::vector<MonitoredStation>& list, std::int64_t now, std::int32_t clock) {
  std::map<store::Position, Seen> next;
  for (const auto& s : list) {
    auto it = seen_.find(s.position);
    if (it != seen_.end() && sameProgress(it->second.rec, s.rec)) next[s.position] = it->second;
    else if (it != seen_.end()) next[s.position] = {s.rec, now};  // changed since the last list
    else next[s.position] = {s.rec, lastChange(s.rec, now, clock)};
  }
  if (!clearing_)
    for (const auto& [pos, seen] : seen_)
      if (!next.count(pos)) ++finished_;
  clearing_ = false;
  seen_ = std::move(next);
}

bool MonitorHistory::stale(store::Position p, std::int64_t now) const {
  auto it = seen_.find(p);
  return it != seen_.end() && now - it->second.since >= kStaleSeconds;
}

// ------------------------------------------------------------------ attempts

AttemptWatch::AttemptWatch(const setup::Installation& inst) : file_(inst.central(tables::files::Attempt)) {}

Outcome AttemptWatch::read(std::int32_t today, std::int32_t now, std::vector<AbandonedAttempt>& out) {
  std::vector<common::OpenAttempt> all;
  store::ErrorInfo e;
  if (int rc = common::listAttempts(file_, all, &e)) {
    e.code = e.code ? e.code : rc;
    return Outcome::failed(e, "Не удалось прочитать тестирования в ходе");
  }
  std::vector<AbandonedAttempt> got;
  for (auto& a : all) {
    if (!common::abandoned(a.rec, today, now)) continue;
    const bool running = common::stillRunning(a.rec, today, now);
    got.push_back({std::move(a), running});
  }
  out = std::move(got);
  return {};
}

Outcome AttemptWatch::find(std::int32_t code, std::int32_t today, std::int32_t now,
                           std::optional<AbandonedAttempt>& out) {
  out.reset();
  common::AttemptTables t(file_);
  int rc = t.open(false);
  if (rc == store::FileNotFound) return {};
  if (rc == store::Ok) rc = t.get(code);
  if (rc == store::NoRecord) return {};
  if (rc) return Outcome::failed(t.error(), "Не удалось прочитать тестирование");
  out = AbandonedAttempt{{t.att, t.rez}, common::stillRunning(t.att, today, now)};
  return {};
}

ClosedAttempt AttemptWatch::close(std::int32_t code) {
  const common::StoreOutcome o = common::closeAttempt(file_, code);
  // The attempt file gone altogether: no attempt is open any more.
  if (o.superseded || o.code == store::FileNotFound) return {Closing::AlreadyClosed, "Это тестирование уже завершено."};
  if (o.code != store::Ok) {
    store::ErrorInfo e = o.error;
    if (!e.code) e.code = o.code;
    return {Closing::Failed, Outcome::failed(e, "Не удалось записать результат тестирования").message};
  }
  return {Closing::Stored, "Результат записан в журнал результатов."};
}

std::string answeredText(const tables::Attempt& a) {
  return std::to_string(a.KOLOT) + " из " + std::to_string(a.KOLVOP);
}

std::string closeQuestion(const AbandonedAttempt& a) {
  const tables::Attempt& r = a.attempt.rec;
  std::string q = "Закрыть тестирование «" + r.FIO.utf8() + "» по тесту «" + r.NAMETEMA.utf8() +
                  "»?|Его результат будет записан в журнал результатов как есть.";
  if (a.running) q += "|Рабочая станция «" + r.NAMEPC.utf8() + "» ещё работает с ним.";
  return q;
}

}  // namespace administrator
