#include "rating.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "cp1251.h"
#include "csv.h"
#include "tables_work.h"

namespace administrator {

namespace {

std::string clipped(const std::string& utf8) { return std::string(cp1251::clip(cp1251::fromUtf8(utf8))); }

std::vector<std::string> firstEntries(const std::vector<std::string>& list, bool journals) {
  std::vector<std::string> out;
  // The first entries tagged take the places, a blank one too: it only
  // adds no condition.
  const std::size_t n = std::min(list.size(), kRatingListMax);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& v = list[i];
    std::string c = journals ? journalKey(v) : clipped(v);
    if (!c.empty()) out.push_back(journals ? c : cp1251::toUtf8(c));
  }
  return out;
}

bool among(const std::vector<std::string>& list, std::string_view v) {
  return std::find(list.begin(), list.end(), v) != list.end();
}

std::string u8(std::string_view cp) { return cp1251::toUtf8(cp1251::clip(cp)); }

}  // namespace

namespace {
std::string journalKeyCp(std::string_view cp) {
  std::string low = cp1251::lower(cp1251::clip(cp));
  if (low.size() >= 4 && low.compare(low.size() - 4, 4, ".rez") == 0) low.resize(low.size() - 4);
  return std::string(cp1251::clip(low));
}
}  // namespace

std::string journalKey(const std::string& utf8) { return cp1251::toUtf8(journalKeyCp(cp1251::fromUtf8(utf8))); }

std::vector<std::string> journalChoices(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  for (const std::string& n : names)
    if (!journalKey(n).empty() && seen.insert(journalKey(n)).second) out.push_back(n);
  return out;
}

RatingConditions ratingConditions(const std::vector<std::string>& journals, const std::vector<std::string>& tests,
                                  const std::vector<std::string>& groups) {
  return {firstEntries(journals, true), firstEntries(tests, false), firstEntries(groups, false)};
}

void rankRating(std::vector<RatingRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const RatingRow& a, const RatingRow& b) {
    if (a.score != b.score) return a.score > b.score;
    return a.number < b.number;
  });
  const auto n = static_cast<std::int64_t>(rows.size());
  // Places: an equal score shares the place, the next takes its running number.
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i].place = (i > 0 && rows[i].score == rows[i - 1].score) ? rows[i - 1].place : static_cast<std::int32_t>(i + 1);
  // Rows with one score sit together, highest first: those at or below a
  // score are this run and every row after it.
  for (std::size_t i = 0; i < rows.size();) {
    std::size_t j = i;
    while (j < rows.size() && rows[j].score == rows[i].score) ++j;
    const auto f = static_cast<std::int32_t>(j - i);
    const auto cumf = static_cast<std::int32_t>(n - static_cast<std::int64_t>(i));
    const double pr = std::round((cumf - f / 2.0) / static_cast<double>(n) * 1000.0) / 10.0;
    for (std::size_t k = i; k < j; ++k) {
      rows[k].f = f;
      rows[k].cumf = cumf;
      rows[k].percentile = pr;
    }
    i = j;
  }
}

RatingPass::RatingPass(std::string vedomFile, RatingConditions conditions) : file_(std::move(vedomFile)) {
  // Compared as the records hold them.
  for (const std::string& j : conditions.journals) cond_.journals.push_back(journalKeyCp(cp1251::fromUtf8(j)));
  for (const std::string& t : conditions.tests) cond_.tests.push_back(clipped(t));
  for (const std::string& g : conditions.groups) cond_.groups.push_back(clipped(g));
}

RatingPass::~RatingPass() = default;

Outcome RatingPass::start() {
  started_ = true;
  done_ = false;
  read_ = total_ = 0;
  people_.clear();
  byCode_.clear();
  byName_.clear();
  view_.reset();
  table_ = std::make_unique<store::Table>(tables::vedomDef(), &ved_, file_);
  // An empty list takes nothing: no line can take part.
  if (cond_.journals.empty() || cond_.tests.empty() || cond_.groups.empty()) {
    done_ = true;
    return error_ = {};
  }
  int rc = table_->open(store::Shared);
  if (rc == store::FileNotFound) {
    done_ = true;  // no line was ever written: nobody to rate
    return error_ = {};
  }
  if (rc != store::Ok) {
    done_ = true;
    return error_ = Outcome::failed(table_->error(), "Не удалось открыть " + table_->name());
  }
  // The store picks the candidate lines; takesPart() decides exactly, so
  // the filter may let through more, never less.
  std::string filter;
  auto any = [&](const std::string& field, const std::vector<std::string>& values, const char* var) {
    std::string part;
    for (std::size_t i = 0; i < values.size(); ++i) part += (i ? " OR " : "") + field + " = " + var + std::to_string(i);
    filter += (filter.empty() ? "(" : " AND (") + part + ")";
  };
  any("VED:NAMETEMA", cond_.tests, "T");
  any("VED:GR", cond_.groups, "G");
  std::vector<std::string> journals;
  for (const std::string& j : cond_.journals) {
    journals.push_back(cp1251::upper(j));
    journals.push_back(cp1251::upper(j + ".rez"));
  }
  any("UPPER(VED:FILEREZ)", journals, "J");
  view_ = std::make_unique<store::View>(*table_);
  if (view_->setFilter(filter) != store::Ok) {
    done_ = true;
    return error_ = Outcome::failed(table_->error(), "Не удалось отобрать строки " + table_->name());
  }
  for (std::size_t i = 0; i < cond_.tests.size(); ++i) view_->bind("T" + std::to_string(i), cond_.tests[i]);
  for (std::size_t i = 0; i < cond_.groups.size(); ++i) view_->bind("G" + std::to_string(i), cond_.groups[i]);
  for (std::size_t i = 0; i < journals.size(); ++i) view_->bind("J" + std::to_string(i), journals[i]);
  total_ = view_->records() * static_cast<std::int64_t>(tables::vedomDef().recordSize());
  if (view_->set() != store::Ok) {
    done_ = true;
    return error_ = Outcome::failed(table_->error(), "Не удалось прочитать " + table_->name());
  }
  return error_ = {};
}

bool RatingPass::takesPart() const {
  // Every list must hold the line's value: an empty list takes nothing.
  return among(cond_.journals, journalKeyCp(ved_.FILEREZ.view())) &&
         among(cond_.tests, cp1251::clip(ved_.NAMETEMA.view())) && among(cond_.groups, cp1251::clip(ved_.GR.view()));
}

bool RatingPass::step(std::size_t bytes) {
  if (!started_) start();
  if (done_) return true;
  const std::size_t size = std::max<std::size_t>(1, tables::vedomDef().recordSize());
  for (std::size_t n = std::max<std::size_t>(1, bytes / size); n > 0; --n) {
    const int rc = view_->next();
    if (rc == store::NoRecord) {
      done_ = true;
      view_.reset();
      table_->close();
      return true;
    }
    if (rc != store::Ok) {
      error_ = Outcome::failed(table_->error(), "Не удалось прочитать " + table_->name());
      done_ = true;
      return true;
    }
    read_ += static_cast<std::int64_t>(size);
    if (!takesPart()) continue;
    // One person: the student's code, or the name for a line without one.
    const std::string name(cp1251::clip(ved_.NAMESTUD.view()));
    auto& index = ved_.CODEST != 0 ? byCode_[ved_.CODEST] : byName_[name];
    if (index == 0) {
      Examinee e;
      e.row.number = static_cast<std::int32_t>(people_.size() + 1);
      e.row.student = ved_.CODEST;
      e.row.name = u8(ved_.NAMESTUD.view());
      e.row.group = u8(ved_.GR.view());
      e.row.test = u8(ved_.NAMETEMA.view());
      e.row.journal = u8(ved_.FILEREZ.view());
      people_.push_back(std::move(e));
      index = people_.size();
    }
    // A repeated test counts with its best score only.
    Examinee& e = people_[index - 1];
    auto [it, fresh] = e.best.emplace(std::string(cp1251::clip(ved_.NAMETEMA.view())), ved_.BALL);
    if (!fresh && ved_.BALL > it->second) it->second = ved_.BALL;
  }
  if (read_ > total_) total_ = read_;  // lines added while reading
  return false;
}

std::string RatingPass::progressText() const {
  const std::int64_t pct = total_ > 0 ? std::min<std::int64_t>(100, read_ * 100 / total_) : 100;
  return std::to_string(pct) + "% обработано (" + std::to_string(read_) + ") bytes";
}

std::vector<RatingRow> RatingPass::rows() const {
  std::vector<RatingRow> out;
  out.reserve(people_.size());
  for (const Examinee& e : people_) {
    RatingRow r = e.row;
    r.score = 0;
    for (const auto& [test, best] : e.best) r.score += best;
    out.push_back(std::move(r));
  }
  rankRating(out);
  return out;
}

Outcome writeRatingTable(const std::string& file, const std::vector<RatingRow>& rows) {
  tables::RtingSel rec;
  store::Table t(tables::rtingSelDef(), &rec, file);
  if (t.create() != store::Ok) return Outcome::failed(t.error(), "Не удалось создать " + t.name());
  if (t.open(store::Exclusive) != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
  store::Transaction tx{&t};
  if (tx.begin() != store::Ok) return Outcome::failed(t.error(), "Не удалось записать " + t.name());
  for (const RatingRow& r : rows) {
    rec = {};
    rec.CODEREI = r.number;
    rec.CODEST = r.student;
    rec.NAMESTUD = cp1251::fromUtf8(r.name);
    rec.GR = cp1251::fromUtf8(r.group);
    rec.NAMETEMA = cp1251::fromUtf8(r.test);
    rec.FILEREZ = cp1251::fromUtf8(r.journal);
    rec.BALL.scaled = r.score;
    rec.F = r.f;
    rec.CUMF = r.cumf;
    rec.PROSREI.set(r.percentile);
    rec.MESTO = r.place;
    if (t.add() != store::Ok) {
      Outcome o = Outcome::failed(t.error(), "Не удалось записать " + t.name());
      tx.rollback();
      return o;
    }
  }
  if (tx.commit() != store::Ok) return Outcome::failed(t.error(), "Не удалось записать " + t.name());
  return {};
}

Outcome vedomTests(const std::string& vedomFile, std::vector<std::string>& out) {
  out.clear();
  tables::Vedom v;
  store::Table t(tables::vedomDef(), &v, vedomFile);
  int rc = t.open(store::Shared);
  if (rc == store::FileNotFound) return {};
  if (rc != store::Ok) return Outcome::failed(t.error(), "Не удалось открыть " + t.name());
  std::set<std::string> names;
  rc = t.set(t.key("KEYNAMETEST"));
  while (rc == store::Ok && (rc = t.next()) == store::Ok) {
    std::string_view n = cp1251::clip(v.NAMETEMA.view());
    if (!n.empty()) names.emplace(n);
  }
  if (rc != store::NoRecord) return Outcome::failed(t.error(), "Не удалось прочитать " + t.name());
  for (const std::string& n : names) out.push_back(cp1251::toUtf8(n));
  return {};
}

std::string ratingCsv(const std::vector<RatingRow>& rows) {
  common::CsvWriter w;
  w.row({"Место", "Балл", "Испытуемый", "Группа", "Тест", "Журнал", "F", "Cum F", "Процентильный ранг"});
  for (const RatingRow& r : rows) {
    char pr[32];
    std::snprintf(pr, sizeof pr, "%.1f", r.percentile);
    std::string p = pr;
    std::replace(p.begin(), p.end(), '.', ',');  // as a Russian spreadsheet reads a number
    w.row({std::to_string(r.place), std::to_string(r.score), r.name, r.group, r.test, r.journal, std::to_string(r.f),
           std::to_string(r.cumf), p});
  }
  return w.text();
}

}  // namespace administrator
