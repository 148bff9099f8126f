#include "rooms.h"

#include <algorithm>

namespace administrator {

namespace {

std::string trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

std::string workstationsCount(std::size_t n) {
  const std::size_t d = n % 10, h = n % 100;
  const char* word = "рабочих станций";
  if (d == 1 && h != 11) word = "рабочая станция";
  else if (d >= 2 && d <= 4 && (h < 12 || h > 14)) word = "рабочие станции";
  return std::to_string(n) + " " + word;
}

template <class R>
struct Open {
  Open(const store::TableDef& def, const std::string& file) : t(def, rec, file) {}
  Outcome open() {
    if (t.createIfMissing() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
    if (t.open(store::Shared) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
    return {};
  }
  R rec;
  store::Table t;
};

// Positions of the room's workstations in code order.
Outcome positionsOf(Open<tables::Ws>& ws, std::uint16_t room, std::vector<store::Position>& out) {
  out.clear();
  ws.rec = {};
  ws.rec.CODELABR = room;
  int rc = ws.t.setFrom(ws.t.key("KEYCODELABR"));
  while (rc == store::Ok && (rc = ws.t.next()) == store::Ok && ws.rec.CODELABR == room) out.push_back(ws.t.position());
  if (rc != store::Ok && rc != store::NoRecord) return Outcome::failed(ws.t.error(), "Не удалось прочитать рабочие станции");
  return {};
}

}  // namespace

std::string workstationFolder(std::string_view typed) {
  std::string s = trim(typed);
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

std::string workstationFolderProblem(std::string_view typed) {
  // A backslash is a letter of a name here: the path would lead nowhere.
  if (typed.find('\\') == std::string_view::npos) return {};
  return "Путь к Экзаменатору записывается как папка этого компьютера, в которую смонтирована папка Экзаменатора "
         "рабочей станции, через «/» (пример: /mnt/a30301/varnuke/). Путь с «\\» (как \\\\a30301\\c\\Varnuke\\) не подходит.";
}

std::string autostartFile(std::string_view wsPath) { return workstationFolder(wsPath) + tables::files::AutoStar; }

Rooms::Rooms(const setup::Installation& inst)
    : labrFile_(inst.central(tables::files::Labr)), wsFile_(inst.central(tables::files::Ws)) {}

Outcome Rooms::rooms(std::vector<tables::Labr>& out) {
  out.clear();
  Open<tables::Labr> l(tables::labrDef(), labrFile_);
  if (Outcome o = l.open(); !o) return o;
  int rc = l.t.set(l.t.key("KEYCODELABR"));
  while (rc == store::Ok && (rc = l.t.next()) == store::Ok) out.push_back(l.rec);
  if (rc != store::NoRecord) return Outcome::failed(l.t.error(), "Не удалось прочитать лаборатории");
  return {};
}

Outcome Rooms::workstationsOf(std::uint16_t room, std::vector<tables::Ws>& out) {
  out.clear();
  Open<tables::Ws> ws(tables::wsDef(), wsFile_);
  if (Outcome o = ws.open(); !o) return o;
  std::vector<store::Position> at;
  if (Outcome o = positionsOf(ws, room, at); !o) return o;
  for (store::Position p : at) {
    if (ws.t.getAt(p) != store::Ok) return Outcome::failed(ws.t.error(), "Не удалось прочитать рабочую станцию");
    out.push_back(ws.rec);
  }
  std::stable_sort(out.begin(), out.end(), [](const tables::Ws& a, const tables::Ws& b) { return a.CODEWS < b.CODEWS; });
  return {};
}

Outcome Rooms::roomDeletable(std::uint16_t room) {
  Open<tables::Ws> ws(tables::wsDef(), wsFile_);
  if (Outcome o = ws.open(); !o) return o;
  std::vector<store::Position> at;
  if (Outcome o = positionsOf(ws, room, at); !o) return o;
  if (!at.empty())
    return Outcome::refused("Лаборатория не удаляется: в ней " + workstationsCount(at.size()) +
                            ". Сначала удалите или перенесите их.");
  return {};
}

Outcome Rooms::removeWorkstationsOf(std::uint16_t room) {
  Open<tables::Ws> ws(tables::wsDef(), wsFile_);
  if (Outcome o = ws.open(); !o) return o;
  std::vector<store::Position> at;
  if (Outcome o = positionsOf(ws, room, at); !o) return o;
  store::Transaction tx{&ws.t};
  if (tx.begin() != store::Ok) return Outcome::failed(tx.error(), "Не удалось начать удаление рабочих станций");
  for (store::Position p : at)
    if (ws.t.getAt(p) != store::Ok || ws.t.del() != store::Ok)
      return Outcome::failed(ws.t.error(), "Не удалось удалить рабочую станцию");
  if (tx.commit() != store::Ok) return Outcome::failed(tx.error(), "Не удалось удалить рабочие станции");
  return {};
}

}  // namespace administrator
