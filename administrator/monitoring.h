#pragma once
// Monitoring: the Examiners' records in MonCons read as a snapshot in one of
// five orders (records may appear and vanish between and during reads: the
// snapshot is whatever could be read), the window's lights and counters
// driven by its one-second timer, stations that stopped changing, and
// "Сброс", which empties the table. Besides, the attempts under way that
// nobody has answered for 15 minutes (Attempt.tps), and closing one of them
// as it stands.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "contingent.h"
#include "installation.h"
#include "open_attempts.h"
#include "tables_central.h"

namespace administrator {

// The sort tabs, in their order. Entry numbers are given again once freed,
// so "По времени старта" follows CNS:TIMEBEG.
enum class MonitorOrder { ByStart, ByComputer, ByName, ByAnswers, ByPoints };
const char* monitorOrderTitle(MonitorOrder o);
const char* monitorOrderKey(MonitorOrder o);

struct MonitoredStation {
  store::Position position = 0;
  tables::MonCons rec;
};

class MonitorTable {
 public:
  explicit MonitorTable(const setup::Installation& inst);
  // Opens the table shared (made empty when no Examiner has made it yet).
  Outcome open();
  // The records now, in the order asked. A reading that fails, even part
  // of the way, leaves `out` as it was.
  Outcome read(MonitorOrder order, std::vector<MonitoredStation>& out);
  // The number of records; nothing when the table cannot be read.
  std::optional<std::int64_t> count();
  // Deletes every record ("Сброс").
  Outcome clear();
  // Why the last reading or count failed.
  const std::string& failure() const { return failure_; }
  // PBD:NAMEBD of the base whose folder is `folder` (UTF-8), or "". A
  // separator at the end of either folder does not count.
  static std::string baseName(const setup::Installation& inst, const std::string& folder);

 private:
  Outcome lost(const std::string& what);
  tables::MonCons rec_;
  store::Table t_;
  std::string failure_;
};

// The pictures of the lights.
enum class Signal { Sig1 = 1, Sig2 = 2, Sig3 = 3 };

// The lights and counters of the window. The window calls tick() every
// second with the number of records now (nothing when the table cannot be
// read) and reads the list when tick() says so.
class MonitorLights {
 public:
  static constexpr int kRefreshTicks = 10;
  Signal link = Signal::Sig3, update = Signal::Sig1, connect = Signal::Sig3, disconnect = Signal::Sig3;

  // On opening, with the records there.
  void opened(std::int64_t records);
  // One second: true when the list is to be read again now. A table that
  // cannot be read shows "Связь" as without stations and changes no count.
  bool tick(std::optional<std::int64_t> records);
  // The refresh button: the list is read at once.
  void refreshPressed();
  // After "Сброс" and the new reading.
  void cleared(std::int64_t records);
  std::int64_t counted() const { return count_; }

 private:
  void compare(std::int64_t records);
  std::int64_t count_ = 0;
  int ticks_ = 0, blink_ = 0;
  bool afterRefresh_ = false, connectRaised_ = false, disconnectRaised_ = false;
};

// "Завершено:" and the stations that stopped changing, from the lists read.
class MonitorHistory {
 public:
  static constexpr std::int64_t kStaleSeconds = 15 * 60;
  // A list read at `now` (seconds; `clock` is the same moment as a clock
  // time of the day, 0 when not known): records gone since the last list
  // have finished, unless the table was cleared.
  void read(const std::vector<MonitoredStation>& list, std::int64_t now, std::int32_t clock = 0);
  // "Сброс": the records that go did not finish.
  void cleared() { clearing_ = true; }
  long finished() const { return finished_; }
  // Unchanged for 15 minutes: the station may have died.
  bool stale(store::Position p, std::int64_t now) const;
  // When a record first seen at `now` last changed, as far as it tells.
  static std::int64_t lastChange(const tables::MonCons& r, std::int64_t now, std::int32_t clock);

 private:
  struct Seen {
    tables::MonCons rec;
    std::int64_t since = 0;
  };
  std::map<store::Position, Seen> seen_;
  long finished_ = 0;
  bool clearing_ = false;
};

// ------------------------------------------------------------------ attempts

// An attempt kept under way (common/open_attempts.h) that has had no answer
// for 15 minutes: its workstation may have died with it.
struct AbandonedAttempt {
  common::OpenAttempt attempt;
  bool running = false;  // its workstation still gives signs of life
};

enum class Closing { Stored, AlreadyClosed, Failed };
struct ClosedAttempt {
  Closing how = Closing::Failed;
  std::string message;  // what the user is told (UTF-8)
};

// The attempt file of the database directory, the one the Examiners keep
// their attempts in.
class AttemptWatch {
 public:
  explicit AttemptWatch(const setup::Installation& inst);
  // The abandoned attempts at a day and clock time, in code order; none
  // while no Examiner has kept one. A reading that fails leaves `out` as it
  // was.
  Outcome read(std::int32_t today, std::int32_t now, std::vector<AbandonedAttempt>& out);
  // One attempt as it stands now, abandoned or not; nothing when it has
  // been closed.
  Outcome find(std::int32_t code, std::int32_t today, std::int32_t now, std::optional<AbandonedAttempt>& out);
  // Closes an attempt as it stands: its result goes into its journal and
  // its record goes, in one commit. One closed meanwhile (another window,
  // its examinee finishing it) is not stored again.
  ClosedAttempt close(std::int32_t code);
  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

// "N из M": answers given of the frames drawn.
std::string answeredText(const tables::Attempt& a);
// The question before closing ("|" breaks lines).
std::string closeQuestion(const AbandonedAttempt& a);

}  // namespace administrator
