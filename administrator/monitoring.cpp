#include "monitoring.h"

#include "cp1251.h"

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

Outcome MonitorTable::read(MonitorOrder order, std::vector<MonitoredStation>& out) {
  out.clear();
  if (Outcome o = open(); !o) return o;
  int rc = t_.set(t_.key(monitorOrderKey(order)));
  while (rc == store::Ok && (rc = t_.next()) == store::Ok) out.push_back({t_.position(), rec_});
  // A record deleted by its Examiner while the list was read simply ends
  // the reading or is left out; what was read stands.
  if (rc != store::NoRecord && out.empty() && rc != store::Ok)
    return Outcome::failed(t_.error(), "Не удалось прочитать список станций");
  return {};
}

std::int64_t MonitorTable::count() {
  if (!open()) return 0;
  const std::int64_t n = t_.records();
  return n < 0 ? 0 : n;
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
  const std::string want = cp1251::fromUtf8(folder);
  int rc = t.set();
  while (rc == store::Ok && (rc = t.next()) == store::Ok)
    if (rec.DIRBD == want) return rec.NAMEBD.utf8();
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

bool MonitorLights::tick(std::int64_t records) {
  ++ticks_;
  ++blink_;
  // "Связь" alternates every two seconds while there are stations.
  if (records == 0) {
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
  compare(records);
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

void MonitorHistory::read(const std::vector<MonitoredStation>& list, std::int64_t now) {
  std::map<store::Position, Seen> next;
  for (const auto& s : list) {
    auto it = seen_.find(s.position);
    if (it != seen_.end() && sameProgress(it->second.rec, s.rec)) next[s.position] = it->second;
    else next[s.position] = {s.rec, now};
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

}  // namespace administrator
