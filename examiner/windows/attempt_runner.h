#pragma once
// Runs an attempt from the testing window to the stored result, the
// protocol and the result window; and error viewing of a stored attempt.
#include <QDialog>
#include <QString>

#include "attempt.h"
#include "protocol.h"
#include "protocol_report.h"
#include "report.h"
#include "start_window.h"

class QLabel;
class QPushButton;

namespace examiner {

// The protocol's content and layout are shared with the Administrator.
using common::Protocol;
using common::protocolOf;
using common::protocolReport;
using common::timeAllowedText;
using common::wrongCodes;

// The protocol through the report engine: printed on the workstation's
// default printer; without a printer saved as PDF under base "Stat/Protocols/".
// Returns the PDF's path when it was saved instead of printed.
QString printProtocol(const Protocol& p, const Startup& s, std::int32_t resultCode, QWidget* parent = nullptr);
// Prints a report on the default printer; without one keeps it as
// base "Stat/Protocols/<fileBase>.pdf" and says so (`what`: "Протокол").
// Returns the PDF's path when it was kept instead of printed.
QString printOrKeep(const ui::Report& report, const Startup& s, const QString& fileBase, const QString& what);

// "Ормида 2.0 - [Результаты тестирования]". Its outcome: 2 repeat, 5 exit,
// 7 registration.
class ResultWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr const char* kProcedure = "ResultWindow";
  // `answered`: the frames the examinee answered (-1: REZ:KOLVOPOT).
  ResultWindow(const tables::RezTest& r, const AttemptConfig& cfg, const Startup& s, const std::string& wrongList,
               int answered = -1, QWidget* parent = nullptr);
  int outcome() const { return outcome_; }
  QPushButton* button(const QString& text) const;
  QString value(const QString& label) const;

  std::function<void()> onErrors;    // "Ошибки": error viewing of this attempt
  std::function<void()> onPrint;     // "Напечатать"

  // "Подробно": the window RezRazd with its lists by sections and levels.
  void details();
  struct Breakdown {
    QString title;
    QStringList heads;
    std::vector<QStringList> rows;
  };
  Breakdown sections() const;
  Breakdown levels() const;
  ui::Report breakdownReport() const;

 private:
  int outcome_ = 7;
  const tables::RezTest& r_;
  const AttemptConfig& cfg_;
  const Startup& s_;
  std::vector<std::pair<QString, QLabel*>> values_;
};

// Runs an attempt at the open test of the request; returns the outcome of
// the result window (0 when none was shown).
int runAttempt(AttemptRequest& r);
// Error viewing of the stored attempt `code` of the current journal.
int reviewStored(Startup& s, testfile::TestFile& tf, std::int32_t code, const QString& examinee);

}  // namespace examiner
