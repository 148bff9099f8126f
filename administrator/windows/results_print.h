#pragma once
// Printing from the results journal: the print dialog "Печать результатов
// тестирования", the list report "Ведомость по результатам тестирования"
// over the listed or all results (or over the tagged ones, as the copy
// buffer's list), and the protocol of one result.
#include <QDialog>
#include <functional>
#include <vector>

#include "report.h"
#include "tables_central.h"
#include "tables_results.h"

class QRadioButton;

namespace administrator {

// The list report over `rows`; `test` is the heading's "Тест:" (empty:
// the results are of several tests). `buffer` prints the copy buffer's
// footer instead of the journal's.
ui::Report resultsListReport(const std::vector<tables::RezTest>& rows, const QString& test, bool buffer = false);

// The protocol of one stored result, headed by the settings' two lines.
ui::Report journalProtocolReport(const tables::RezTest& r, const tables::TuneTest& tune);

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
