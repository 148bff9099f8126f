#pragma once
// Printing from the results journal: the print dialog "Печать результатов
// тестирования", the list report "Ведомость по результатам тестирования"
// over the listed or all results (or over the tagged ones, as the copy
// buffer's list), and the protocol of one result.
#include <QDialog>
#include <functional>
#include <vector>

#include "protocol.h"
#include "report.h"
#include "tables_central.h"
#include "tables_results.h"

class QRadioButton;

namespace administrator {

// The list report over `rows`; `test` is the heading's "Тест:" (empty:
// the results are of several tests). `buffer` prints the copy buffer's
// footer instead of the journal's. `progress`, when given, hears of the
// records laid out so far and the page they reach, each time the share
// done grows by a percent and at the end; false from it stops the report.
using ListProgress = std::function<bool(int records, int total, int page)>;
ui::Report resultsListReport(const std::vector<tables::RezTest>& rows, const QString& test, bool buffer = false,
                             const ListProgress& progress = {});

// The protocol of one stored result, headed by the settings' two lines;
// `timing`: its test's time limit (nullptr when the test was not found).
ui::Report journalProtocolReport(const tables::RezTest& r, const tables::TuneTest& tune, const common::TestTiming* timing);

// "Печать результатов тестирования": "Режим печати" by the filter, all
// records or the tagged ones.
class ResultsPrintDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "PrintRez";
  enum Mode { ByFilter = 1, All = 2, Tagged = 3 };
  explicit ResultsPrintDialog(bool anyTagged, QWidget* parent = nullptr);
  Mode mode() const;
  void setMode(Mode m);

 private:
  std::vector<QRadioButton*> modes_;
};

}  // namespace administrator
