#pragma once
// Autostart: the workstations chosen for it (at most 100, in the order they
// were chosen) and the AutoStar record written into each one's Examiner
// folder, exactly as the Examiner's start-up reads it. A workstation whose
// folder cannot be reached is reported by name and the others go on; the
// ones done before a failure keep what was written.
#include <cstdint>
#include <string>
#include <vector>

#include "contingent.h"
#include "installation.h"
#include "tables_central.h"

namespace administrator {

inline constexpr std::size_t kMaxAutostartStations = 100;

// The workstations chosen in the autostart window.
class AutostartSelection {
 public:
  struct Station {
    std::int32_t code = 0;
    std::uint16_t room = 0;
  };
  // Appends in the given order, skipping those already chosen, until 100
  // are chosen. Returns how many were left out for want of room.
  std::size_t append(const std::vector<tables::Ws>& chosen);
  void clear() { stations_.clear(); }
  const std::vector<Station>& stations() const { return stations_; }
  std::size_t count() const { return stations_.size(); }
  // "Выбрано лабораторий:": the distinct rooms of the chosen workstations.
  std::size_t rooms() const;

 private:
  std::vector<Station> stations_;
};

// What the window asks to write (UTF-8). A blank value leaves the stored
// one as it is; an unticked `arm` leaves AUT:AUTOSTART as it is.
struct AutostartOrder {
  std::string test;     // the test's file name without ".orm"
  std::string folder;   // its base folder; written ending in "/" (or its own "\")
  std::string journal;  // the result journal's name, without ".rez"
  bool arm = false;
};

// Which workstations were written and which could not be, by name
// (WS:NAMEPC, or "№ <code>" for a nameless one).
struct AutostartReport {
  std::vector<std::string> done;
  struct Failure {
    std::string station;
    std::string why;
  };
  std::vector<Failure> failed;
};

// The record values of an order, checked before any workstation is
// touched: a test or journal name that would leave its folder, a value
// longer than its field or holding characters the code page lacks is
// refused (never cut).
struct AutostartValues {
  std::string test, folder, journal;  // CP1251, empty where nothing is written
  bool arm = false;
};
Outcome checkOrder(const AutostartOrder& order, AutostartValues& out);

class Autostart {
 public:
  explicit Autostart(const setup::Installation& inst);

  // Writes the order into the AutoStar record of each workstation, in the
  // order chosen. A missing or empty AutoStar.tps is made with its one
  // record; AUT:YESTEST becomes 1 when a test is written and 0 otherwise.
  // The outcome fails only when the order itself is refused or the
  // workstations cannot be read.
  Outcome arm(const AutostartOrder& order, const AutostartSelection& chosen, AutostartReport& report);
  // "Снять автозапуск": AUT:AUTOSTART = 0 and AUT:YESTEST = 0. A folder
  // without the table has nothing armed and counts as done.
  Outcome disarm(const AutostartSelection& chosen, AutostartReport& report);

 private:
  template <class Write>
  Outcome each(const AutostartSelection& chosen, AutostartReport& report, bool createMissing, Write write);
  std::string wsFile_;
};

}  // namespace administrator
