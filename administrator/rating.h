#pragma once
// The rating of examinees ("Рейтинг тестируемых") over the central
// grade-sheet table Vedom: the lines of the chosen journals, tests and
// groups; for every examinee the best score of each test, summed over the
// tests; places shared by equal sums (90, 80, 80, 70 -> 1, 2, 2, 4); for
// every sum the number of examinees with it, those at or below it and the
// percentile rank. The pass reads Vedom in slices so that a window can
// drive it from a timer and show its progress.
//
// Text is taken and given in UTF-8; records hold code page 1251.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contingent.h"
#include "store.h"
#include "tables_central.h"

namespace administrator {

// Each condition list takes at most this many entries; further ones are
// ignored.
inline constexpr std::size_t kRatingListMax = 7;

struct RatingConditions {
  std::vector<std::string> journals;  // journal names (file name without ".rez")
  std::vector<std::string> tests;     // VED:NAMETEMA
  std::vector<std::string> groups;    // VED:GR
};

// The first kRatingListMax entries of each list, in the order given (the
// order they were tagged), clipped; a blank one takes its place among them
// but adds no condition.
RatingConditions ratingConditions(const std::vector<std::string>& journals, const std::vector<std::string>& tests,
                                  const std::vector<std::string>& groups);

// A journal's name as the rating compares it: without ".rez" and without
// regard to letter case ("Stat.REZ" and "stat" are one journal).
std::string journalKey(const std::string& utf8);

// Journal names as the rating offers them: one entry per journal as
// journalKey() tells them apart (the first name of each kept), blank ones
// left out, in the order given.
std::vector<std::string> journalChoices(const std::vector<std::string>& names);

struct RatingRow {
  std::int32_t number = 0;   // RET:CODEREI: the order in which examinees first took part
  std::int32_t student = 0;  // VED:CODEST (0: known by name only)
  std::string name, group, test, journal;  // the first line counted
  std::int64_t score = 0;    // the sum of the best score of each test
  std::int32_t place = 0;
  std::int32_t f = 0;        // examinees with this score
  std::int32_t cumf = 0;     // examinees with this score or less
  double percentile = 0;     // (cumf - f / 2) / N * 100, one decimal
};

// Orders the rows by score, highest first (equal scores in their numbers'
// order) and fills place, f, cumf and percentile.
void rankRating(std::vector<RatingRow>& rows);

// One pass over Vedom.
class RatingPass {
 public:
  RatingPass(std::string vedomFile, RatingConditions conditions);
  ~RatingPass();

  // Opens the table; a missing table is an empty rating.
  Outcome start();
  // Reads the next records, about `bytes` of them; true when the whole
  // table has been read (or reading failed: see error()).
  bool step(std::size_t bytes = 20000);
  const Outcome& error() const { return error_; }
  std::int64_t bytesRead() const { return read_; }
  std::int64_t bytesTotal() const { return total_; }
  // "<percent>% обработано (<bytes>) bytes".
  std::string progressText() const;
  // The ranked rating of what was read.
  std::vector<RatingRow> rows() const;

 private:
  struct Examinee {
    RatingRow row;
    std::map<std::string, std::int64_t> best;  // test (CP1251) -> best score
  };
  bool takesPart() const;

  std::string file_;
  RatingConditions cond_;  // CP1251, journals as journalKey gives them
  tables::Vedom ved_;
  std::unique_ptr<store::Table> table_;
  std::unique_ptr<store::View> view_;
  Outcome error_;
  bool started_ = false, done_ = false;
  std::int64_t read_ = 0, total_ = 0;
  std::map<std::int32_t, std::size_t> byCode_;
  std::map<std::string, std::size_t> byName_;
  std::vector<Examinee> people_;
};

// The rating into the work table RTINGSEL at `file`, removed and made anew.
Outcome writeRatingTable(const std::string& file, const std::vector<RatingRow>& rows);

// The distinct test names of Vedom, sorted.
Outcome vedomTests(const std::string& vedomFile, std::vector<std::string>& out);

// The rating as a CSV text (UTF-8 with a byte-order mark, ";" between
// fields): place, score, examinee, group, tests' first, journal, F, CumF,
// percentile rank.
std::string ratingCsv(const std::vector<RatingRow>& rows);

}  // namespace administrator
