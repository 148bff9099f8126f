#include "results_journal.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "cp1251.h"
#include "csv.h"
#include "filepath.h"
#include "pictures.h"
#include "protocol.h"
#include "result_code.h"
#include "result_file.h"

namespace administrator {
namespace {

std::string clipped(std::string_view cp) { return std::string(cp1251::clip(cp)); }
std::string u8(std::string_view cp) { return cp1251::toUtf8(cp1251::clip(cp)); }

struct ColumnSpec {
  const char* first;    // the condition as the first one
  const char* further;  // as a further one, after " AND "
  const char* key;
};

// The six conditions in their order; the group's further form spells its
// field in capitals, as the journal always wrote it.
constexpr ColumnSpec kColumns[kFilterColumns] = {
    {"UPPER(REZ:FIO) = UPPER(FIO)", "UPPER(REZ:FIO) = UPPER(FIO)", "KEYFIO"},
    {"UPPER(REZ:Gr) = UPPER(Gr)", "UPPER(REZ:GR) = UPPER(Gr)", "KEYGR"},
    {"UPPER(REZ:NAMETEMA) = UPPER(Tema)", "UPPER(REZ:NAMETEMA) = UPPER(Tema)", "KEYNAMETEMA"},
    {"UPPER(REZ:Date) = UPPER(DAT)", "UPPER(REZ:Date) = UPPER(DAT)", "KEYDATE"},
    {"UPPER(REZ:Otmetka) = UPPER(Otm)", "UPPER(REZ:Otmetka) = UPPER(Otm)", "KEYOTMETKA"},
    {"UPPER(REZ:PREDMET) = UPPER(PRD)", "UPPER(REZ:PREDMET) = UPPER(PRD)", "KEYCODEPREDMET"},
};

JournalOutcome refused(std::string text) { return {JournalOutcome::Refused, std::move(text), {}}; }

JournalOutcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ").|Журналы оставлены без изменений.", {}};
}

// The records of a table whose field satisfies `pick`, read first so that
// changing them does not disturb the reading.
template <class R, class P>
int positionsWhere(store::Table& t, R& rec, P pick, std::vector<std::pair<store::Position, R>>& out) {
  if (int rc = t.set()) return rc;
  int rc;
  while ((rc = t.next()) == store::Ok)
    if (pick(rec)) out.emplace_back(t.position(), rec);
  return rc == store::NoRecord ? store::Ok : rc;
}

int openVedom(store::Table& vt) {
  int rc = vt.open(store::Shared);
  if (rc == store::FileNotFound && (rc = vt.createIfMissing()) == store::Ok) rc = vt.open(store::Shared);
  return rc;
}

// Inside a transaction over the journal's two tables and Vedom: deletes the
// results at `tagged` with their details, then gives the rest the codes
// 1, 2, 3, ... in the order of their codes. The map is made first and
// applied in ascending order of the old code: a new code is never above
// its old one, so no code is taken twice on the way. The details and the
// class-journal lines of this journal follow; a line of a deleted result
// names none.
int deleteAndRenumber(results::ResultFile& rf, store::Table& vt, tables::Vedom& ved, const std::string& journalCp,
                      const std::vector<store::Position>& tagged, std::string& what) {
  std::vector<std::pair<store::Position, tables::RezDtl>> details;
  what = "Не удалось прочитать подробности результатов";
  if (int rc = positionsWhere(rf.dtlT, rf.dtl, [](const tables::RezDtl&) { return true; }, details)) return rc;
  std::multimap<std::int32_t, store::Position> detailOf;
  for (const auto& [pos, d] : details) detailOf.emplace(d.CODEREZ, pos);

  std::set<std::int32_t> deleted;
  for (store::Position pos : tagged) {
    what = "Не удалось удалить результат";
    if (int rc = rf.rezT.getAt(pos)) return rc;
    const std::int32_t code = rf.rez.CODEREZ;
    auto [a, b] = detailOf.equal_range(code);
    for (auto it = a; it != b; ++it) {
      if (int rc = rf.dtlT.getAt(it->second)) return rc;
      if (int rc = rf.dtlT.del()) return rc;
    }
    detailOf.erase(a, b);
    if (int rc = rf.rezT.getAt(pos)) return rc;
    if (int rc = rf.rezT.del()) return rc;
    deleted.insert(code);
  }

  what = "Не удалось перенумеровать журнал";
  std::vector<std::pair<store::Position, std::int32_t>> byCode;
  if (int rc = rf.rezT.set(rf.rezT.key("KEYCODEREZ"))) return rc;
  int rc;
  while ((rc = rf.rezT.next()) == store::Ok) byCode.emplace_back(rf.rezT.position(), rf.rez.CODEREZ);
  if (rc != store::NoRecord) return rc;
  std::map<std::int32_t, std::int32_t> newCode;
  std::int32_t next = 0;
  for (const auto& [pos, old] : byCode) newCode[old] = ++next;
  for (std::int32_t c : deleted) newCode[c] = 0;

  for (const auto& [pos, old] : byCode) {
    const std::int32_t to = newCode[old];
    if (to == old) continue;
    if ((rc = rf.rezT.getAt(pos))) return rc;
    rf.rez.CODEREZ = to;
    if ((rc = rf.rezT.put())) return rc;
    auto [a, b] = detailOf.equal_range(old);
    for (auto it = a; it != b; ++it) {
      if ((rc = rf.dtlT.getAt(it->second))) return rc;
      rf.dtl.CODEREZ = to;
      if ((rc = rf.dtlT.put())) return rc;
    }
  }

  what = "Не удалось исправить классный журнал";
  std::vector<std::pair<store::Position, tables::Vedom>> lines;
  auto ours = [&](const tables::Vedom& v) {
    return cp1251::equalNoCase(cp1251::clip(v.FILEREZ.view()), cp1251::clip(journalCp)) && newCode.count(v.CODEREZ) &&
           newCode[v.CODEREZ] != v.CODEREZ;
  };
  if ((rc = positionsWhere(vt, ved, ours, lines))) return rc;
  for (const auto& [pos, line] : lines) {
    if ((rc = vt.getAt(pos))) return rc;
    ved.CODEREZ = newCode[line.CODEREZ];
    if ((rc = vt.put())) return rc;
  }
  return store::Ok;
}

int keyOf(store::Table& t, int tab) { return t.key(orderKey(tab)); }

}  // namespace

// ------------------------------------------------------------------ filter

void JournalFilter::reset(bool filterOn) {
  *this = JournalFilter{};
  on = filterOn;
}

bool JournalFilter::active() const {
  return on && (std::find(set.begin(), set.end(), true) != set.end() || dateFrom || dateTo);
}

std::string JournalFilter::text() const {
  if (!on) return {};
  std::string s;
  auto join = [&](const std::string& first, const std::string& further) { s += s.empty() ? first : " AND " + further; };
  for (int c = 0; c < kFilterColumns; ++c)
    if (set[static_cast<std::size_t>(c)]) join(kColumns[c].first, kColumns[c].further);
  if (dateFrom) join("REZ:DATE >= DATFROM", "REZ:DATE >= DATFROM");
  if (dateTo) join("REZ:DATE <= DATTO", "REZ:DATE <= DATTO");
  return s;
}

void JournalFilter::bind(store::View& v) const {
  v.bind("FIO", clipped(fio));
  v.bind("Gr", clipped(group));
  v.bind("Tema", clipped(test));
  v.bind("DAT", static_cast<std::int64_t>(date));
  v.bind("Otm", static_cast<std::int64_t>(mark));
  v.bind("PRD", clipped(discipline));
  v.bind("DATFROM", static_cast<std::int64_t>(dateFrom));
  v.bind("DATTO", static_cast<std::int64_t>(dateTo));
}

bool JournalFilter::matches(const tables::RezTest& r) const {
  if (!on) return true;
  auto same = [](std::string_view a, std::string_view b) { return cp1251::equalNoCase(cp1251::clip(a), cp1251::clip(b)); };
  auto is = [&](FilterColumn c) { return set[static_cast<std::size_t>(c)]; };
  if (is(FilterColumn::Fio) && !same(r.FIO.view(), fio)) return false;
  if (is(FilterColumn::Group) && !same(r.GR.view(), group)) return false;
  if (is(FilterColumn::Test) && !same(r.NAMETEMA.view(), test)) return false;
  if (is(FilterColumn::Date) && r.DATE != date) return false;
  if (is(FilterColumn::Mark) && r.OTMETKA != mark) return false;
  if (is(FilterColumn::Discipline) && !same(r.PREDMET.view(), discipline)) return false;
  if (dateFrom && r.DATE < dateFrom) return false;
  if (dateTo && r.DATE > dateTo) return false;
  return true;
}

const char* orderKey(int tab) {
  static const char* keys[] = {"KEYCODEREZ", "KEYFIO", "KEYGR", "KEYNAMETEMA", "KEYDATE", "KEYOTMETKA", "KEYCODEPREDMET"};
  return keys[std::clamp(tab, 1, 7) - 1];
}

std::vector<std::string> distinctValues(store::Table& t, tables::RezTest& rec, FilterColumn c, store::ErrorInfo* error) {
  std::vector<std::string> texts;
  std::set<std::int64_t> numbers;
  const bool numeric = c == FilterColumn::Date || c == FilterColumn::Mark;
  if (t.set(t.key(kColumns[static_cast<int>(c)].key)) != store::Ok) {
    if (error) *error = t.error();
    return {};
  }
  int rc;
  while ((rc = t.next()) == store::Ok) {
    switch (c) {
      case FilterColumn::Fio: texts.push_back(clipped(rec.FIO.view())); break;
      case FilterColumn::Group: texts.push_back(clipped(rec.GR.view())); break;
      case FilterColumn::Test: texts.push_back(clipped(rec.NAMETEMA.view())); break;
      case FilterColumn::Discipline: texts.push_back(clipped(rec.PREDMET.view())); break;
      case FilterColumn::Date: numbers.insert(rec.DATE); break;
      case FilterColumn::Mark: numbers.insert(rec.OTMETKA); break;
    }
  }
  if (rc != store::NoRecord && error) *error = t.error();
  if (numeric) {
    std::vector<std::string> out;
    for (auto n : numbers) out.push_back(std::to_string(n));
    return out;
  }
  // Values differing in letter case alone are one value of the filter.
  std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) { return cp1251::upper(a) < cp1251::upper(b); });
  texts.erase(std::unique(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) { return cp1251::equalNoCase(a, b); }),
              texts.end());
  return texts;
}

int listed(store::Table& t, tables::RezTest&, int tab, const JournalFilter& f, const std::function<void(store::Position)>& each) {
  store::View v(t);
  if (int rc = v.setFilter(f.text())) return rc;
  f.bind(v);
  v.setOrder(keyOf(t, tab));
  if (int rc = v.set()) return rc;
  int rc;
  while ((rc = v.next()) == store::Ok) each(t.position());
  return rc == store::NoRecord ? store::Ok : rc;
}

store::Position findName(store::Table& t, tables::RezTest& rec, int tab, const JournalFilter& f, const std::string& part,
                         store::Position after) {
  const std::string want = cp1251::upper(cp1251::clip(part));
  if (want.empty()) return 0;
  std::vector<store::Position> order;
  listed(t, rec, tab, f, [&](store::Position p) { order.push_back(p); });
  auto start = order.begin();
  if (after) {
    auto at = std::find(order.begin(), order.end(), after);
    if (at != order.end()) start = at + 1;
  }
  // From the record after the current one round to it again.
  for (std::size_t i = 0; i < order.size(); ++i) {
    auto it = start + static_cast<std::ptrdiff_t>(i);
    if (it >= order.end()) it -= static_cast<std::ptrdiff_t>(order.size());
    if (t.getAt(*it) != store::Ok) continue;
    if (cp1251::upper(cp1251::clip(rec.FIO.view())).find(want) != std::string::npos) return *it;
  }
  return 0;
}

// ------------------------------------------------------------------ copy, move, delete

JournalOutcome ResultsJournals::copy(const std::string& from, const std::vector<store::Position>& tagged, const std::string& to,
                                     bool move) {
  if (filepath::sameName(from, to))
    return refused("Журнал \"" + to + "\" открыт как текущий.|Выберите другой журнал назначения.");
  if (to.empty()) return refused("Выберите архив тест назначения");
  if (tagged.empty()) return refused("Не выбрано ни одной записи.");
  results::ResultFile src, dst;
  if (src.open(base_, from, store::Shared)) return failed(src.error(), "Не удалось открыть журнал \"" + from + "\"");
  if (!filepath::exists(filepath::resolve(results::path(base_, to))))
    return refused("Журнал результатов \"" + to + "\" не найден.");
  if (dst.open(base_, to, store::Shared)) return failed(dst.error(), "Не удалось открыть журнал \"" + to + "\"");
  tables::Vedom ved;
  store::Table vt(tables::vedomDef(), ved, vedom_);
  if (move && openVedom(vt)) return failed(vt.error(), "Не удалось открыть классный журнал");

  std::vector<store::Table*> tables{&src.rezT, &src.dtlT, &dst.rezT, &dst.dtlT};
  if (move) tables.push_back(&vt);
  store::Transaction tx(tables);
  if (tx.begin()) return failed(tx.error(), "Не удалось начать запись в журналы");

  std::vector<store::Position> order = tagged;
  std::sort(order.begin(), order.end());
  order.erase(std::unique(order.begin(), order.end()), order.end());
  std::vector<std::pair<store::Position, tables::RezDtl>> details;
  if (positionsWhere(src.dtlT, src.dtl, [](const tables::RezDtl&) { return true; }, details))
    return failed(src.dtlT.error(), "Не удалось прочитать подробности результатов");
  JournalOutcome out;
  std::map<std::int32_t, std::int32_t> moved;  // old code -> code in the destination
  for (store::Position pos : order) {
    if (src.rezT.getAt(pos)) return failed(src.rezT.error(), "Не удалось прочитать результат");
    const tables::RezTest rec = src.rez;
    const std::int32_t code = common::nextResultCode(dst.rezT, dst.rez);
    dst.rez = rec;
    dst.rez.CODEREZ = code;
    if (dst.rezT.add()) return failed(dst.rezT.error(), "Не удалось записать результат в журнал \"" + to + "\"");
    // A result saved briefly has no detail: it goes whole without one.
    for (const auto& [dpos, d] : details) {
      if (d.CODEREZ != rec.CODEREZ) continue;
      dst.dtl = d;
      dst.dtl.CODEREZ = code;
      if (dst.dtlT.add()) return failed(dst.dtlT.error(), "Не удалось записать подробности результата в журнал \"" + to + "\"");
    }
    out.codes.push_back(code);
    moved[rec.CODEREZ] = code;
  }
  if (move) {
    // The class journal's lines go with their results before the source
    // is renumbered.
    const std::string fromCp = cp1251::fromUtf8(from), toCp = cp1251::fromUtf8(to);
    std::vector<std::pair<store::Position, tables::Vedom>> lines;
    auto ours = [&](const tables::Vedom& v) {
      return cp1251::equalNoCase(cp1251::clip(v.FILEREZ.view()), cp1251::clip(fromCp)) && moved.count(v.CODEREZ);
    };
    if (positionsWhere(vt, ved, ours, lines)) return failed(vt.error(), "Не удалось прочитать классный журнал");
    for (const auto& [pos, line] : lines) {
      if (vt.getAt(pos)) return failed(vt.error(), "Не удалось исправить классный журнал");
      ved.CODEREZ = moved[line.CODEREZ];
      ved.FILEREZ = toCp;
      if (vt.put()) return failed(vt.error(), "Не удалось исправить классный журнал");
    }
    std::string what;
    if (deleteAndRenumber(src, vt, ved, fromCp, order, what)) {
      store::ErrorInfo e = src.rezT.error().code ? src.rezT.error() : src.dtlT.error().code ? src.dtlT.error() : vt.error();
      return failed(e, what);
    }
  }
  if (tx.commit()) return failed(tx.error(), "Не удалось завершить запись в журналы");
  return out;
}

JournalOutcome ResultsJournals::remove(const std::string& journal, const std::vector<store::Position>& tagged) {
  if (tagged.empty()) return refused("Не выбрано ни одной записи.");
  results::ResultFile rf;
  if (rf.open(base_, journal, store::Shared)) return failed(rf.error(), "Не удалось открыть журнал \"" + journal + "\"");
  tables::Vedom ved;
  store::Table vt(tables::vedomDef(), ved, vedom_);
  if (openVedom(vt)) return failed(vt.error(), "Не удалось открыть классный журнал");
  store::Transaction tx{&rf.rezT, &rf.dtlT, &vt};
  if (tx.begin()) return failed(tx.error(), "Не удалось начать запись в журнал");
  std::vector<store::Position> order = tagged;
  std::sort(order.begin(), order.end());
  order.erase(std::unique(order.begin(), order.end()), order.end());
  std::string what;
  if (deleteAndRenumber(rf, vt, ved, cp1251::fromUtf8(journal), order, what)) {
    store::ErrorInfo e = rf.rezT.error().code ? rf.rezT.error() : rf.dtlT.error().code ? rf.dtlT.error() : vt.error();
    return failed(e, what);
  }
  if (tx.commit()) return failed(tx.error(), "Не удалось завершить запись в журнал");
  return {};
}

// ------------------------------------------------------------------ export

std::vector<std::string> csvHeading() {
  return {"№",        "Фамилия И.О.", "Группа", "Тест",  "Дата",     "Оценка", "Результат", "Дисциплина", "Кафедра",
          "Автор",    "Старт",        "Финиш",  "Kol Vop", "Отвечено", "Верно",  "REZBAL",    "Процент"};
}

std::vector<std::string> csvFields(const tables::RezTest& r) {
  return {std::to_string(r.CODEREZ),
          u8(r.FIO.view()),
          u8(r.GR.view()),
          u8(r.NAMETEMA.view()),
          r.DATE ? picture::shortDate(r.DATE) : std::string(),
          std::to_string(r.OTMETKA),
          u8(r.REZTEXT.view()),
          u8(r.PREDMET.view()),
          u8(r.OTDEL.view()),
          u8(r.WRITER.view()),
          picture::time(r.TIMEBEG),
          picture::time(r.TIMEEND),
          std::to_string(r.KOLVOP),
          std::to_string(r.KOLVOPOT),
          std::to_string(r.KOLTROT),
          std::to_string(r.REZBAL),
          std::to_string(common::percentageRounded(r.KOLTROT, r.KOLVOP))};
}

int exportCsv(store::Table& t, tables::RezTest& rec, int tab, const JournalFilter& f, const std::string& path, std::string* why) {
  common::CsvWriter out;
  out.row(csvHeading());
  std::vector<store::Position> rows;
  if (int rc = listed(t, rec, tab, f, [&](store::Position p) { rows.push_back(p); })) {
    if (why) *why = "Не удалось прочитать журнал результатов (" + t.error().text() + ").";
    return rc;
  }
  for (store::Position p : rows) {
    if (int rc = t.getAt(p)) {
      if (why) *why = "Не удалось прочитать журнал результатов (" + t.error().text() + ").";
      return rc;
    }
    out.row(csvFields(rec));
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file || !file.write(out.text().data(), static_cast<std::streamsize>(out.text().size())) || !file.flush()) {
    if (why) *why = "Не удалось записать файл " + path + ".";
    return store::AccessDenied;
  }
  return store::Ok;
}

// ------------------------------------------------------------------ error viewing

bool startErrorViewing(settings::IniFile& ini, const std::string& journal, std::int32_t code, const std::string& testPath,
                       const std::function<bool()>& start) {
  const std::string mode = ini.get("GlbTune", "ModeWork", "0");
  const std::string viewed = ini.get("GlbTune", "ViewFileRez");
  ini.setInt("GlbTune", "CodeRez", code);
  ini.set("GlbTune", "ViewFileRez", journal);
  ini.set("GlbTune", "SelTest", testPath);
  ini.set("GlbTune", "ModeWork", "7");
  if (start && start()) return true;
  ini.set("GlbTune", "ModeWork", mode.empty() ? "0" : mode);
  ini.set("GlbTune", "ViewFileRez", viewed);
  return false;
}

}  // namespace administrator
