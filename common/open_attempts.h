#pragma once
// Attempts under way, kept in the database directory ("Attempt.tps") after
// every step so that an attempt outlives its workstation: the Examiner finds
// an examinee's open attempt and goes on with it, the Administrator's
// monitoring lists the abandoned ones and closes them. Each record comes
// with the result it would give as it stands (the file's RezTest record of
// the same code), so that closing an attempt needs no test file.
//
// A workstation cut off from the share keeps its attempt in its working
// directory ("Attempt.loc", the same two tables) until the share is back.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "result_store.h"
#include "store.h"
#include "tables_central.h"
#include "tables_results.h"

namespace common {

std::string localAttemptFile(const std::string& workingDir);

// The two tables of an attempt file, over buffers of their own.
struct AttemptTables {
  explicit AttemptTables(const std::string& file);
  tables::Attempt att;
  tables::RezTest rez;
  store::Table attT;
  store::Table rezT;
  // Opens both shared; `create` makes a missing file first.
  int open(bool create);
  void close();
  // The attempt of a code into the buffers (33 when there is none).
  int get(std::int32_t code);
  // Adds or replaces the attempt in the buffers (the caller's transaction).
  int write();
  // Deletes the attempt of a code, when there is one (the caller's transaction).
  int remove(std::int32_t code);
  const store::ErrorInfo& error() const;
  std::string file;

 private:
  store::ErrorInfo error_;
};

struct OpenAttempt {
  tables::Attempt rec;
  tables::RezTest rez;  // the result as it stands
};

// Every open attempt of the file, in code order.
int listAttempts(const std::string& file, std::vector<OpenAttempt>& out, store::ErrorInfo* error = nullptr);
// The open attempt of an examinee: by student code, or, for a name typed
// in (code 0), by the name and the group (CP1251, compared without trailing
// blanks and case).
int findAttempt(const std::string& file, std::int32_t studentCode, const std::string& fio, const std::string& group,
                std::optional<OpenAttempt>& out, store::ErrorInfo* error = nullptr);

// Seconds from a day and clock time (hundredths since midnight plus one)
// to another.
std::int64_t secondsBetween(std::int32_t fromDay, std::int32_t fromTime, std::int32_t toDay, std::int32_t toTime);

// An attempt's owner saves it at least this often while it runs; one not
// seen for longer is no longer running anywhere.
inline constexpr int kAliveSeconds = 30;
inline constexpr int kDeadAfterSeconds = 3 * kAliveSeconds;
// No answer for this long: the monitoring lists the attempt as abandoned.
inline constexpr int kAbandonedSeconds = 15 * 60;

bool stillRunning(const tables::Attempt& a, std::int32_t today, std::int32_t now);
bool abandoned(const tables::Attempt& a, std::int32_t today, std::int32_t now);

// The store request of an attempt as it stands.
StoreRequest requestOf(const OpenAttempt& o);

// Closes an attempt as it stands: its result is stored and its record goes
// in one commit; nothing is kept pending. `superseded` in the outcome: it
// was closed meanwhile.
StoreOutcome closeAttempt(const std::string& file, std::int32_t code);

// How long an outage is forgiven when an attempt goes on (GLB:RESERVED4,
// minutes as text; blank: the default).
inline constexpr int kDefaultResumeGraceMinutes = 15;
int resumeGraceMinutes(const tables::GlbTune& g);
void setResumeGraceMinutes(tables::GlbTune& g, int minutes);

}  // namespace common
