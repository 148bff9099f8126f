#pragma once
// The results journal's rules: the filter over six columns and its text,
// the distinct values of a column, finding a name, copying and moving
// results between journals, deleting them with their details and
// renumbering the journal, and exporting the listed results as CSV.
// Every change of the journals is one store transaction: a failure leaves
// every journal as it was and comes back with its message.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings_file.h"
#include "store.h"
#include "tables_central.h"
#include "tables_results.h"

namespace administrator {

// The filter columns, in the order their conditions are joined.
enum class FilterColumn { Fio, Group, Test, Date, Mark, Discipline };
constexpr int kFilterColumns = 6;

struct JournalFilter {
  bool on = false;                    // the "Фильтр" check box
  std::array<bool, kFilterColumns> set{};
  std::string fio, group, test, discipline;  // CP1251, as the record holds them
  std::int32_t date = 0;
  std::uint8_t mark = 0;
  // A range of testing days (0: open at that end), beside the six columns.
  std::int32_t dateFrom = 0, dateTo = 0;

  // Everything off and empty, as ticking or unticking "Фильтр" leaves it.
  void reset(bool filterOn);
  // The filter text for the record store's evaluator: for each chosen
  // column its case-insensitive equality, the first bare and each further
  // one after " AND "; then the date range. Empty when off.
  std::string text() const;
  // Binds FIO, Gr, Tema, DAT, Otm, PRD (and DATFROM, DATTO) of the text.
  void bind(store::View& v) const;
  // The same condition on a record in a buffer.
  bool matches(const tables::RezTest& r) const;
  bool active() const;
};

// The sort tabs, 1 to 7, and the key of each.
const char* orderKey(int tab);

// The distinct values of a filter column over the whole journal, ascending
// (texts CP1251 clipped, dates and marks as numbers in text). A read error
// other than the end comes back in `error`.
std::vector<std::string> distinctValues(store::Table& rezTest, tables::RezTest& rec, FilterColumn c,
                                        store::ErrorInfo* error = nullptr);

// The first record after `after` (0: from the start) in order `tab` that
// the filter shows and whose name holds `part` (letter case ignored); 0
// when there is none.
store::Position findName(store::Table& rezTest, tables::RezTest& rec, int tab, const JournalFilter& f,
                         const std::string& partCp1251, store::Position after = 0);

// The records that order `tab` and the filter show, in that order, by
// way of the filter text (as the record store evaluates it).
int listed(store::Table& rezTest, tables::RezTest& rec, int tab, const JournalFilter& f,
           const std::function<void(store::Position)>& each);

// What an operation on journals came to: 0, or an error number with the
// message to show (UTF-8).
struct JournalOutcome {
  static constexpr int Refused = -1;
  int error = 0;
  std::string message;
  std::vector<std::int32_t> codes;  // the codes the copied results took
  explicit operator bool() const { return error == 0; }
};

class ResultsJournals {
 public:
  // `base`: the base directory (journals under "Stat/"); `vedomFile`: the
  // central class journal, whose lines name results by journal and code.
  ResultsJournals(std::string base, std::string vedomFile) : base_(std::move(base)), vedom_(std::move(vedomFile)) {}

  // Copies the results at `tagged` (positions in `from`'s RezTest) into
  // `to`: each takes the destination's next code and its detail, when it
  // has one, the same code; a result without a detail goes whole. A move
  // deletes them from `from` in the same transaction, renumbers `from`,
  // and takes their class-journal lines along. Refused when `to` is `from`.
  JournalOutcome copy(const std::string& from, const std::vector<store::Position>& tagged, const std::string& to,
                      bool move);
  // Deletes the results at `tagged` with their details, then renumbers the
  // journal 1, 2, 3, ... in the order of the codes; details and the class
  // journal's lines follow their results, and a line of a deleted result
  // names none (code 0).
  JournalOutcome remove(const std::string& journal, const std::vector<store::Position>& tagged);

 private:
  std::string base_, vedom_;
};

// Writes the results that order `tab` and the filter show to `path`: UTF-8
// with a byte-order mark, ";" between fields, a heading line, the list's
// columns and the percentage. 0, or the reason in `why`.
int exportCsv(store::Table& rezTest, tables::RezTest& rec, int tab, const JournalFilter& f, const std::string& path,
              std::string* why = nullptr);
// The heading of the exported file, and one record as its fields (UTF-8).
std::vector<std::string> csvHeading();
std::vector<std::string> csvFields(const tables::RezTest& r);

// Error viewing of a result in the Examiner: ModeWork 7, CodeRez,
// ViewFileRez (the journal holding the result, which need not be the
// current one) and SelTest (the test file's full path) go into the shared
// settings file and `start` runs the Examiner. When it cannot be started
// ModeWork and ViewFileRez are put back as they were, so that the next
// Examiner starts normally. True when started.
bool startErrorViewing(settings::IniFile& ini, const std::string& journal, std::int32_t code, const std::string& testPath,
                       const std::function<bool()>& start);

}  // namespace administrator
