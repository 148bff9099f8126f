#pragma once
// Test-item analysis: the results of one test in a results journal (the
// test known by its name and its library, of every group or of one), read
// in slices so that a window can answer between them, and the classical
// statistics of the test's frames and of its scores.
//
// Frames are counted by their code 1..512 as REZ:ALLOT holds them (1 right,
// 0 presented and not answered right, 2 not presented); each frame's
// statistics run over the results that were presented it. A result's T is
// the number of frames it answered right; the score distribution is over
// REZ:REZBAL. Variances and covariances divide by n - 1.
//
// Names, groups and question texts are CP1251 as records hold them; the
// text tables and messages are UTF-8.
#include <bitset>
#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "contingent.h"
#include "store.h"
#include "tables_results.h"

namespace administrator::analysis {

inline constexpr int kFrames = 512;  // REZ:ALLOT

// A test as its results name it: two libraries may hold tests of one name.
struct TestKey {
  std::string name;     // REZ:NAMETEMA, clipped
  std::string library;  // REZ:BIBLTEST, clipped
  auto operator<=>(const TestKey&) const = default;
};

struct TestEntry {
  TestKey key;
  std::vector<std::string> groups;  // the distinct REZ:GR of its results, sorted, blank left out
};

// The results taken: of one test, of every group (empty group) or of one.
struct Selection {
  TestKey test;
  std::string group;
};

// What the analysis keeps of one result.
struct Scored {
  std::int32_t code = 0;   // REZ:CODEREZ
  std::int32_t score = 0;  // REZ:REZBAL
  std::bitset<kFrames> presented, right;  // bit c - 1 for frame c
  int rightCount = 0;  // T
  int t() const { return rightCount; }
};

// Takes a RezTest record as the analysis keeps it.
Scored scored(const tables::RezTest& r);

// A pass over every record of a journal's RezTest in file order, a slice
// at a time. A journal that does not exist is an empty one.
class JournalPass {
 public:
  explicit JournalPass(std::string rezTestName);
  virtual ~JournalPass();
  JournalPass(const JournalPass&) = delete;
  JournalPass& operator=(const JournalPass&) = delete;

  Outcome start();
  // Reads about `bytes` of records (at least one); true when the whole table
  // has been read or reading failed (see error()).
  bool step(std::size_t bytes = 20000);
  // Steps until the end.
  Outcome run();
  bool done() const { return done_; }
  const Outcome& error() const { return error_; }
  std::int64_t bytesRead() const { return read_; }
  std::int64_t bytesTotal() const { return total_; }
  std::int64_t records() const { return records_; }
  // "<percent>% обработано (<bytes>) bytes".
  std::string progressText() const;

 protected:
  virtual void take(const tables::RezTest& r) = 0;
  virtual void restart() = 0;
  // The records worth handing to take(), as a store filter with its
  // bindings (empty: all); the store then skips the rest itself.
  struct Prefilter {
    std::string expression;
    std::vector<std::pair<std::string, store::View::Value>> bindings;
  };
  virtual Prefilter prefilter() const { return {}; }

 private:
  std::string name_;
  tables::RezTest rec_;
  std::unique_ptr<store::Table> table_;
  std::unique_ptr<store::View> view_;
  Outcome error_;
  bool done_ = false;
  std::int64_t read_ = 0, total_ = 0, records_ = 0;
};

// The distinct tests of a journal with the groups of their results, by
// name and then library.
class TestLister : public JournalPass {
 public:
  using JournalPass::JournalPass;
  std::vector<TestEntry> tests() const;

 protected:
  void take(const tables::RezTest& r) override;
  void restart() override { found_.clear(); }

 private:
  std::map<TestKey, std::set<std::string>> found_;
};

// The results of the selection (clipped names compared as they are).
class ResultsReader : public JournalPass {
 public:
  ResultsReader(std::string rezTestName, Selection s);
  const std::vector<Scored>& results() const { return results_; }
  // The first result taken, which names the test's file; null when none was.
  const tables::RezTest* first() const { return first_.get(); }

 protected:
  void take(const tables::RezTest& r) override;
  void restart() override;
  Prefilter prefilter() const override;

 private:
  Selection sel_;
  std::vector<Scored> results_;
  std::unique_ptr<tables::RezTest> first_;
};

// The statistics of one frame; a value that cannot be computed is empty.
struct Item {
  int code = 0;
  int presented = 0;  // n: results that were presented the frame
  int right = 0;      // R
  int wrong = 0;      // n - R
  std::optional<double> p, q;
  std::optional<double> variance;        // p * q
  std::optional<double> logit;           // ln(p / q)
  std::optional<double> discrimination;  // 100 * correlation of the item score with the rest of T
  std::optional<double> determination;   // 100 * that correlation squared
  std::optional<double> efficiency;      // 100 * Cov(x, rest) / its largest value for these marginals
  std::optional<double> upperLower;      // p of the upper 27 % - p of the lower 27 %
};

struct ScoreRow {
  std::int32_t score = 0;
  int count = 0;
  double percent = 0;     // of the results
  double cumulative = 0;  // of the results with this score or less
};

struct Analysis {
  int results = 0;  // N
  int frames = 0;   // frames presented to any result
  std::vector<Item> items;  // presented frames, by code
  std::vector<ScoreRow> distribution;  // by score, ascending
  std::optional<double> meanScore;     // of REZ:REZBAL
  std::optional<std::int32_t> mode;    // the most frequent score, the lowest of equals
  std::optional<double> median;        // the middle score, of two the mean
  std::optional<double> meanRight;     // of T
  std::optional<double> variation;     // sum of squared deviations of the scores
  std::optional<double> variance;      // variation / (N - 1)
  std::optional<double> deviation;     // its square root
  std::optional<double> sdRight;       // standard deviation of T
  // Internal consistency (100 * KR-20), only when every result was
  // presented the same frames, N > 2, more than one frame and T varies.
  std::optional<double> consistency;
  std::optional<double> errorRatio;     // 100 * sqrt(1 - CIC / 100)
  std::optional<double> standardError;  // errorRatio / 100 * sdRight
  std::optional<double> ferguson;       // Ferguson's delta over the frequencies of T

  const Item* item(int code) const;
};

Analysis analyse(const std::vector<Scored>& results);

// A question of the test file (VOP:CODEVOP, VOP:TYPEKADR, VOP:VOPROS).
struct Question {
  std::uint16_t code = 0;
  std::uint8_t type = 0;
  std::string text;
};

// The questions of the test file `base` + ".orm" in `dir` (UTF-8, the
// directory ending in '/'), opened with the installation's key word, in
// code order.
Outcome readQuestions(const std::string& dir, const std::string& base, const std::string& keyWord,
                      std::vector<Question>& out);

// The two tables as the window, the printout and the export show them
// (UTF-8). Numbers use a point unless `comma`, as a Russian spreadsheet
// reads them; an empty value is an empty cell.
struct TextTable {
  std::vector<std::string> headings;
  std::vector<std::vector<std::string>> rows;
};
// One row per question of the test file and per frame presented that the
// file does not hold, by code.
TextTable questionTable(const Analysis& a, const std::vector<Question>& questions, bool comma = false);
TextTable distributionTable(const Analysis& a, bool comma = false);
// The figures of the test: label and value; the test's discrimination
// first, as it heads the window's tab over the distribution.
std::vector<std::pair<std::string, std::string>> testFigures(const Analysis& a, bool comma = false);
// Both tables and the figures for a spreadsheet (UTF-8 with BOM, ";").
std::string analysisCsv(const std::string& testName, const Analysis& a, const std::vector<Question>& questions);

}  // namespace administrator::analysis
