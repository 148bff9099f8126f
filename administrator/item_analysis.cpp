#include "item_analysis.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>

#include "csv.h"
#include "pictures.h"
#include "test_file.h"

namespace administrator::analysis {

Scored scored(const tables::RezTest& r) {
  Scored s;
  s.code = r.CODEREZ;
  s.score = r.REZBAL;
  // A word of 64 frames at a time: every result of a long journal passes here.
  for (std::size_t w = 0; w < kFrames / 64; ++w) {
    std::uint64_t seen = 0, right = 0;
    const std::uint8_t* v = r.ALLOT.data() + w * 64;
    for (std::size_t b = 0; b < 64; ++b) {
      seen |= static_cast<std::uint64_t>(v[b] != 2) << b;
      right |= static_cast<std::uint64_t>(v[b] == 1) << b;
    }
    if (seen) s.presented |= std::bitset<kFrames>(seen) << (w * 64);
    if (right) {
      s.right |= std::bitset<kFrames>(right) << (w * 64);
      s.rightCount += std::popcount(right);
    }
  }
  return s;
}

// ---------------------------------------------------------------- the pass

JournalPass::JournalPass(std::string rezTestName) : name_(std::move(rezTestName)) {}
JournalPass::~JournalPass() = default;

Outcome JournalPass::start() {
  restart();
  done_ = false;
  read_ = total_ = records_ = 0;
  view_.reset();
  table_ = std::make_unique<store::Table>(tables::rezTestDef(), rec_, name_);
  const int rc = table_->open(store::Shared);
  if (rc == store::FileNotFound || rc == store::PathNotFound) {
    // A journal nobody has written to yet has no results.
    table_.reset();
    done_ = true;
    return error_ = {};
  }
  if (rc != store::Ok) {
    done_ = true;
    return error_ = Outcome::failed(table_->error(), "Не удалось открыть " + table_->name());
  }
  const Prefilter pf = prefilter();
  if (!pf.expression.empty()) {
    view_ = std::make_unique<store::View>(*table_);
    if (view_->setFilter(pf.expression) != store::Ok) {
      done_ = true;
      return error_ = Outcome::failed(table_->error(), "Не удалось отобрать результаты");
    }
    for (const auto& [name, value] : pf.bindings) view_->bind(name, value);
  }
  const std::int64_t records = view_ ? view_->records() : table_->records();
  total_ = std::max<std::int64_t>(records, 0) * static_cast<std::int64_t>(tables::rezTestDef().recordSize());
  if ((view_ ? view_->set() : table_->set()) != store::Ok) {
    done_ = true;
    return error_ = Outcome::failed(table_->error(), "Не удалось прочитать " + table_->name());
  }
  return error_ = {};
}

bool JournalPass::step(std::size_t bytes) {
  if (done_ || !table_) return done_ = true;
  const auto size = static_cast<std::int64_t>(tables::rezTestDef().recordSize());
  std::int64_t slice = 0;
  do {
    const int rc = view_ ? view_->next() : table_->next();
    if (rc == store::NoRecord) {
      done_ = true;
      break;
    }
    if (rc != store::Ok) {
      error_ = Outcome::failed(table_->error(), "Не удалось прочитать " + table_->name());
      done_ = true;
      break;
    }
    take(rec_);
    ++records_;
    read_ += size;
    slice += size;
  } while (slice < static_cast<std::int64_t>(bytes));
  if (read_ > total_) total_ = read_;  // results added while reading
  if (done_) {
    view_.reset();
    table_.reset();
  }
  return done_;
}

Outcome JournalPass::run() {
  if (Outcome o = start(); !o) return o;
  while (!step(1 << 20)) {
  }
  return error_;
}

std::string JournalPass::progressText() const {
  const std::int64_t pct = total_ > 0 ? std::min<std::int64_t>(100, read_ * 100 / total_) : 100;
  char p[24];
  std::snprintf(p, sizeof p, "%3lld", static_cast<long long>(pct));
  return std::string(p) + "% обработано (" + std::to_string(read_) + ") bytes";
}

void TestLister::take(const tables::RezTest& r) {
  auto& groups = found_[TestKey{r.NAMETEMA.str(), r.BIBLTEST.str()}];
  if (!r.GR.blank()) groups.insert(r.GR.str());
}

std::vector<TestEntry> TestLister::tests() const {
  std::vector<TestEntry> out;
  for (const auto& [key, groups] : found_) {
    if (key.name.empty()) continue;
    out.push_back({key, std::vector<std::string>(groups.begin(), groups.end())});
  }
  // By name as a user reads it, letter case aside; the map gave equal names
  // in library order, which a stable sort keeps.
  std::stable_sort(out.begin(), out.end(), [](const TestEntry& a, const TestEntry& b) {
    return cp1251::compareNoCase(a.key.name, b.key.name) < 0;
  });
  return out;
}

ResultsReader::ResultsReader(std::string rezTestName, Selection s)
    : JournalPass(std::move(rezTestName)), sel_(std::move(s)) {
  sel_.test.name = std::string(cp1251::clip(sel_.test.name));
  sel_.test.library = std::string(cp1251::clip(sel_.test.library));
  sel_.group = std::string(cp1251::clip(sel_.group));
}

void ResultsReader::restart() {
  results_.clear();
  first_.reset();
}

JournalPass::Prefilter ResultsReader::prefilter() const {
  Prefilter p;
  p.expression = "REZ:NAMETEMA = Tema AND REZ:BIBLTEST = Bibl";
  p.bindings = {{"Tema", sel_.test.name}, {"Bibl", sel_.test.library}};
  if (!sel_.group.empty()) {
    p.expression += " AND REZ:GR = Gr";
    p.bindings.emplace_back("Gr", sel_.group);
  }
  return p;
}

void ResultsReader::take(const tables::RezTest& r) {
  if (r.NAMETEMA.view() != sel_.test.name || r.BIBLTEST.view() != sel_.test.library) return;
  if (!sel_.group.empty() && r.GR.view() != sel_.group) return;
  if (!first_) first_ = std::make_unique<tables::RezTest>(r);
  results_.push_back(scored(r));
}

// ---------------------------------------------------------------- statistics

const Item* Analysis::item(int code) const {
  auto it = std::lower_bound(items.begin(), items.end(), code, [](const Item& i, int c) { return i.code < c; });
  return it != items.end() && it->code == code ? &*it : nullptr;
}

namespace {

template <class F>
void forEachBit(const std::bitset<kFrames>& b, F f) {
  for (std::size_t c = b._Find_first(); c < b.size(); c = b._Find_next(c)) f(c);
}

double sampleVariance(const std::vector<double>& v) {
  const double n = static_cast<double>(v.size());
  const double mean = std::accumulate(v.begin(), v.end(), 0.0) / n;
  double ss = 0;
  for (double x : v) ss += (x - mean) * (x - mean);
  return ss / (n - 1);
}

}  // namespace

Analysis analyse(const std::vector<Scored>& results) {
  Analysis a;
  const int N = static_cast<int>(results.size());
  a.results = N;
  if (N == 0) return a;

  // Sums per frame over the results presented it: x is 1 when right, rest
  // is T without the frame itself.
  std::array<std::int64_t, kFrames> n{}, R{}, sr{}, sr2{}, sxr{};
  // How many presented results have each rest, per frame: the largest
  // covariance pairs the frame's right answers with the largest rests.
  std::vector<int> restCount(static_cast<std::size_t>(kFrames) * (kFrames + 1), 0);
  bool sameFrames = true;
  std::size_t mostFrames = 0;
  std::bitset<kFrames> any;
  for (const Scored& r : results) {
    const int T = r.t();
    sameFrames = sameFrames && r.presented == results.front().presented;
    mostFrames = std::max(mostFrames, r.presented.count());
    any |= r.presented;
    forEachBit(r.presented, [&](std::size_t c) {
      const int x = r.right[c] ? 1 : 0;
      const std::int64_t rest = T - x;
      ++n[c];
      R[c] += x;
      sr[c] += rest;
      sr2[c] += rest * rest;
      sxr[c] += x * rest;
      ++restCount[c * (kFrames + 1) + static_cast<std::size_t>(rest)];
    });
  }
  a.frames = static_cast<int>(any.count());

  // The ranking of the upper-lower index: by T, highest first, equal T by
  // result code.
  struct Rank {
    int t;
    std::int32_t code;
    const Scored* r;
  };
  std::vector<Rank> byT;
  byT.reserve(results.size());
  for (const Scored& r : results) byT.push_back({r.t(), r.code, &r});
  std::stable_sort(byT.begin(), byT.end(),
                   [](const Rank& x, const Rank& y) { return x.t != y.t ? x.t > y.t : x.code < y.code; });
  std::vector<const Scored*> ranked;
  ranked.reserve(results.size());
  for (const Rank& k : byT) ranked.push_back(k.r);

  forEachBit(any, [&](std::size_t c) {
    Item it;
    it.code = static_cast<int>(c) + 1;
    const std::int64_t nc = n[c], rc = R[c];
    it.presented = static_cast<int>(nc);
    it.right = static_cast<int>(rc);
    it.wrong = static_cast<int>(nc - rc);
    const double p = static_cast<double>(rc) / static_cast<double>(nc), q = 1 - p;
    it.p = p;
    it.q = q;
    it.variance = p * q;
    if (rc > 0 && rc < nc) it.logit = std::log(static_cast<double>(rc) / static_cast<double>(nc - rc));
    // n times the sums of squares and of products, exact in integers.
    const std::int64_t sxx = nc * rc - rc * rc;
    const std::int64_t srr = nc * sr2[c] - sr[c] * sr[c];
    const std::int64_t cov = nc * sxr[c] - rc * sr[c];
    if (sxx > 0 && srr > 0) {
      const double r = static_cast<double>(cov) / std::sqrt(static_cast<double>(sxx) * static_cast<double>(srr));
      it.discrimination = 100 * r;
      it.determination = 100 * r * r;
    }
    std::int64_t top = 0, need = rc;
    for (int rest = kFrames; rest >= 0 && need > 0; --rest) {
      const std::int64_t k = std::min<std::int64_t>(need, restCount[c * (kFrames + 1) + static_cast<std::size_t>(rest)]);
      top += k * rest;
      need -= k;
    }
    const std::int64_t covMax = nc * top - rc * sr[c];
    if (covMax != 0) it.efficiency = 100 * static_cast<double>(cov) / static_cast<double>(covMax);
    const std::int64_t g = std::max<std::int64_t>(1, std::llround(0.27 * static_cast<double>(nc)));
    if (2 * g <= nc) {
      std::int64_t upper = 0, lower = 0, taken = 0;
      for (auto i = ranked.begin(); i != ranked.end() && taken < g; ++i)
        if ((*i)->presented[c]) {
          ++taken;
          upper += (*i)->right[c];
        }
      taken = 0;
      for (auto i = ranked.rbegin(); i != ranked.rend() && taken < g; ++i)
        if ((*i)->presented[c]) {
          ++taken;
          lower += (*i)->right[c];
        }
      it.upperLower = static_cast<double>(upper - lower) / static_cast<double>(g);
    }
    a.items.push_back(it);
  });

  // The scores.
  std::vector<double> scores, rights;
  scores.reserve(results.size());
  rights.reserve(results.size());
  std::map<std::int32_t, int> freq;
  std::map<int, int> freqT;
  for (const Scored& r : results) {
    scores.push_back(r.score);
    rights.push_back(r.t());
    ++freq[r.score];
    ++freqT[r.t()];
  }
  const double dn = N;
  int cum = 0, best = 0;
  for (const auto& [score, count] : freq) {
    cum += count;
    a.distribution.push_back({score, count, count * 100.0 / dn, cum * 100.0 / dn});
    if (count > best) {
      best = count;
      a.mode = score;
    }
  }
  std::vector<double> sorted = scores;
  std::sort(sorted.begin(), sorted.end());
  a.median = N % 2 ? sorted[static_cast<std::size_t>(N / 2)]
                   : (sorted[static_cast<std::size_t>(N / 2 - 1)] + sorted[static_cast<std::size_t>(N / 2)]) / 2;
  const double mean = std::accumulate(scores.begin(), scores.end(), 0.0) / dn;
  a.meanScore = mean;
  double ss = 0;
  for (double x : scores) ss += (x - mean) * (x - mean);
  a.variation = ss;
  a.meanRight = std::accumulate(rights.begin(), rights.end(), 0.0) / dn;
  if (N > 1) {
    a.variance = ss / (dn - 1);
    a.deviation = std::sqrt(*a.variance);
    a.sdRight = std::sqrt(sampleVariance(rights));
  }

  // Internal consistency needs every result to have met the same frames.
  const std::size_t k = results.front().presented.count();
  if (sameFrames && N > 2 && k > 1 && a.sdRight && *a.sdRight > 0) {
    const double varT = *a.sdRight * *a.sdRight;
    double items = 0;
    forEachBit(any, [&](std::size_t c) {
      items += static_cast<double>(n[c] * R[c] - R[c] * R[c]) / (static_cast<double>(n[c]) * static_cast<double>(n[c] - 1));
    });
    const double kk = static_cast<double>(k);
    a.consistency = 100 * kk / (kk - 1) * (1 - items / varT);
    const double rest = 1 - *a.consistency / 100;
    if (rest >= 0) {
      a.errorRatio = 100 * std::sqrt(rest);
      a.standardError = *a.errorRatio / 100 * *a.sdRight;
    }
  }
  if (mostFrames > 0) {
    double sumSq = 0;
    for (const auto& [t, f] : freqT) sumSq += static_cast<double>(f) * f;
    const double kk = static_cast<double>(mostFrames);
    a.ferguson = (kk + 1) / kk * (1 - sumSq / (dn * dn));
  }
  return a;
}

// ---------------------------------------------------------------- questions

Outcome readQuestions(const std::string& dir, const std::string& base, const std::string& keyWord,
                      std::vector<Question>& out) {
  out.clear();
  const std::string path = dir + base + ".orm";
  testfile::TestFile tf;
  tf.name(dir, base, keyWord);
  if (tf.open(store::Shared) != store::Ok) return Outcome::failed(tf.error(), "Не удалось открыть тест " + path);
  std::vector<tables::Vop> frames;
  const int rc = tf.frames(frames);
  tf.close();
  if (rc != store::Ok) return Outcome::failed(tf.error(), "Не удалось прочитать вопросы теста " + path);
  for (const tables::Vop& v : frames) out.push_back({v.CODEVOP, v.TYPEKADR, v.VOPROS.text});
  return {};
}

// ---------------------------------------------------------------- text

namespace {

std::string number(const std::optional<double>& v, int places, bool comma) {
  if (!v) return {};
  std::string s = picture::fixed(*v, 0, places);
  s.erase(0, s.find_first_not_of(' '));
  if (comma) std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

// The question as one line: breaks and runs of blanks become one blank.
std::string oneLine(const std::string& cp) {
  std::string out;
  bool blank = false;
  for (char ch : cp) {
    const bool space = ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
    if (space) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += ch;
  }
  return cp1251::toUtf8(out);
}

}  // namespace

TextTable questionTable(const Analysis& a, const std::vector<Question>& questions, bool comma) {
  TextTable t;
  t.headings = {"Код",          "Тип",   "Вопрос", "Верно",        "Не-\nверно",     "Доля\nверно",  "Доля:\nневерно",
                "Диспе-\nрсия", "Логит", "ДСЗ",    "Коэф.\nкорр.", "Коэф.\nдетер.", "Эфф.\nдискр."};
  std::map<int, const Question*> byCode;
  for (const Question& q : questions) byCode[q.code] = &q;
  for (const Item& i : a.items) byCode.emplace(i.code, nullptr);
  for (const auto& [code, q] : byCode) {
    const Item* i = a.item(code);
    Item none;
    if (!i) i = &none;
    t.rows.push_back({std::to_string(code), q ? std::to_string(q->type) : std::string(), q ? oneLine(q->text) : std::string(),
                      std::to_string(i->right), std::to_string(i->wrong), number(i->p, 3, comma), number(i->q, 3, comma),
                      number(i->variance, 2, comma), number(i->logit, 3, comma), number(i->upperLower, 2, comma),
                      number(i->discrimination, 2, comma), number(i->determination, 2, comma),
                      number(i->efficiency, 2, comma)});
  }
  return t;
}

TextTable distributionTable(const Analysis& a, bool comma) {
  TextTable t;
  t.headings = {"Результат\nв баллах", "Частоты\n(повторения)", "%", "%\n(нарастающий)"};
  for (const ScoreRow& r : a.distribution)
    t.rows.push_back({std::to_string(r.score), std::to_string(r.count), number(r.percent, 1, comma),
                      number(r.cumulative, 1, comma)});
  return t;
}

std::vector<std::pair<std::string, std::string>> testFigures(const Analysis& a, bool comma) {
  std::optional<double> mode;
  if (a.mode) mode = *a.mode;
  return {
      {"Дискрминативность теста:", number(a.ferguson, 4, comma)},
      {"Средний арифметичекий балл:", number(a.meanScore, 2, comma)},
      {"Мода (наиболее повторяющийся балл):", number(mode, 0, comma)},
      {"Медиана (балл у среднего испытуемого)", number(a.median, 1, comma)},
      {"Средний арифметический балл:", number(a.meanRight, 2, comma)},
      {"Вариация тестовых баллов:", number(a.variation, 2, comma)},
      {"Дисперсия тестовых заданий:", number(a.variance, 2, comma)},
      {"Отклонение тестовых баллов от ср. арифм. балла:", number(a.deviation, 3, comma)},
      {"Стандартное отклонение числа верных ответов:", number(a.sdRight, 3, comma)},
      {"Коэффициент внутренней согласованности (CIC), %:", number(a.consistency, 2, comma)},
      {"Коэффициент ошибки (ER), %:", number(a.errorRatio, 2, comma)},
      {"Стандартная ошибка (SE):", number(a.standardError, 3, comma)},
  };
}

std::string analysisCsv(const std::string& testName, const Analysis& a, const std::vector<Question>& questions) {
  common::CsvWriter w;
  w.row({"Анализ теста", testName});
  w.row({"Всего проведено тестов:", std::to_string(a.results)});
  w.row({"Количество заданий:", std::to_string(questions.empty() ? a.frames : static_cast<int>(questions.size()))});
  for (const auto& [label, value] : testFigures(a, true)) w.row({label, value});
  // A heading of two lines is one line in a spreadsheet's cell; a word broken
  // by a hyphen is whole again.
  auto oneLine = [](const std::string& h) {
    const auto br = h.find('\n');
    if (br == std::string::npos) return h;
    if (br > 0 && h[br - 1] == '-') return h.substr(0, br - 1) + h.substr(br + 1);
    return h.substr(0, br) + ' ' + h.substr(br + 1);
  };
  for (const TextTable& t : {questionTable(a, questions, true), distributionTable(a, true)}) {
    w.row({});
    std::vector<std::string> headings;
    for (const std::string& h : t.headings) headings.push_back(oneLine(h));
    w.row(headings);
    for (const auto& r : t.rows) w.row(r);
  }
  return w.text();
}

}  // namespace administrator::analysis
