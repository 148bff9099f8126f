#include "autostart.h"

#include <algorithm>
#include <set>

#include "cp1251.h"
#include "filepath.h"
#include "rooms.h"

namespace administrator {

std::size_t AutostartSelection::append(const std::vector<tables::Ws>& chosen) {
  std::size_t left = 0;
  for (const auto& w : chosen) {
    const bool known = std::any_of(stations_.begin(), stations_.end(), [&](const Station& s) { return s.code == w.CODEWS; });
    if (known) continue;
    if (stations_.size() >= kMaxAutostartStations) {
      ++left;
      continue;
    }
    stations_.push_back({w.CODEWS, w.CODELABR});
  }
  return left;
}

std::size_t AutostartSelection::rooms() const {
  std::set<std::uint16_t> r;
  for (const auto& s : stations_) r.insert(s.room);
  return r.size();
}

Outcome checkOrder(const AutostartOrder& order, AutostartValues& out) {
  const std::size_t width = tables::AutoStar{}.CURTEST.width;
  std::string why;
  auto field = [&](const std::string& utf8, const char* what, std::string& to) {
    auto cp = recordText(utf8, width, &why);
    if (!cp) {
      why = std::string(what) + ": " + why + ".";
      return false;
    }
    to = *cp;
    return true;
  };
  out = {};
  out.arm = order.arm;
  if (!field(order.test, "Имя теста", out.test)) return Outcome::refused(why);
  if (!out.test.empty() && !setup::safeFileName(cp1251::toUtf8(out.test), &why)) return Outcome::refused(why);
  // The Examiner puts the test's name straight after the folder.
  std::string folder = order.folder;
  while (!folder.empty() && folder.back() == ' ') folder.pop_back();
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  if (!field(folder, "База тестов", out.folder)) return Outcome::refused(why);
  if (!field(order.journal, "Архив результатов", out.journal)) return Outcome::refused(why);
  if (!out.journal.empty() && !setup::safeFileName(cp1251::toUtf8(out.journal), &why)) return Outcome::refused(why);
  return {};
}

Autostart::Autostart(const setup::Installation& inst) : wsFile_(inst.central(tables::files::Ws)) {}

template <class Write>
Outcome Autostart::each(const AutostartSelection& chosen, AutostartReport& report, bool createMissing, Write write) {
  report = {};
  tables::Ws ws;
  store::Table wsT(tables::wsDef(), ws, wsFile_);
  if (wsT.open(store::Shared) != store::Ok) return Outcome::failed(wsT.error(), "Не удалось открыть рабочие станции");
  for (const auto& st : chosen.stations()) {
    ws = {};
    ws.CODEWS = st.code;
    const int found = wsT.get(wsT.key("KEYCODEWS"));
    std::string name = "№ " + std::to_string(st.code);
    if (found == store::NoRecord) {
      report.failed.push_back({name, "нет в справочнике рабочих станций"});
      continue;
    }
    if (found != store::Ok) return Outcome::failed(wsT.error(), "Не удалось прочитать рабочую станцию");
    if (!ws.NAMEPC.blank()) name = ws.NAMEPC.utf8();
    const std::string folder = workstationFolder(ws.PATH.utf8());
    if (folder.empty()) {
      report.failed.push_back({name, "не задан путь к Экзаменатору"});
      continue;
    }
    // A computer switched off or a folder not shared: nothing is made there.
    if (!filepath::isDirectory(filepath::resolve(folder))) {
      report.failed.push_back({name, "папка " + folder + " недоступна"});
      continue;
    }
    tables::AutoStar rec;
    store::Table t(tables::autoStarDef(), rec, autostartFile(ws.PATH.utf8()));
    int rc = t.open(store::Shared);
    if (rc == store::FileNotFound && !createMissing) {
      report.done.push_back(name);
      continue;
    }
    if (rc == store::FileNotFound && (rc = t.createIfMissing()) == store::Ok) rc = t.open(store::Shared);
    bool fresh = false;
    if (rc == store::Ok) {
      rc = t.set();
      if (rc == store::Ok) rc = t.next();
      if (rc == store::NoRecord) {
        rec = {};
        fresh = true;
        rc = store::Ok;
      }
    }
    if (rc == store::Ok) {
      write(rec);
      rc = fresh ? t.add() : t.put();
    }
    if (rc != store::Ok) {
      report.failed.push_back({name, t.error().text()});
      continue;
    }
    report.done.push_back(name);
  }
  return {};
}

Outcome Autostart::arm(const AutostartOrder& order, const AutostartSelection& chosen, AutostartReport& report) {
  AutostartValues v;
  report = {};
  if (Outcome o = checkOrder(order, v); !o) return o;
  return each(chosen, report, true, [&](tables::AutoStar& rec) {
    if (v.arm) rec.AUTOSTART = 1;
    if (!v.folder.empty()) rec.CURBT = v.folder;
    // The Examiner locks its test lists by AUT:YESTEST alone: a test kept
    // from an earlier arming is not preset again.
    rec.YESTEST = v.test.empty() ? 0 : 1;
    if (!v.test.empty()) rec.CURTEST = v.test;
    if (!v.journal.empty()) rec.CURREZ = v.journal;
  });
}

Outcome Autostart::disarm(const AutostartSelection& chosen, AutostartReport& report) {
  return each(chosen, report, false, [](tables::AutoStar& rec) {
    rec.AUTOSTART = 0;
    rec.YESTEST = 0;
  });
}

}  // namespace administrator
