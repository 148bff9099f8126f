#pragma once
// Keeps the attempt under way in the database directory after every step,
// so that it outlives this workstation: a record of its own in the attempt
// file, written in one small transaction, and removed in the commit that
// stores the result. While the share cannot be reached the attempt is kept
// in the working directory instead and goes to the share when it is back.
//
// Only the run that owns an attempt writes it: a run that finds its record
// gone (closed by the administrator) or taken over (resumed on another
// workstation) stops writing and says so.
#include <cstdint>
#include <memory>
#include <string>

#include "attempt.h"
#include "open_attempts.h"
#include "result_store.h"

namespace examiner {

using common::AttemptLink;
using common::OpenAttempt;
using common::ResultStore;
using common::StoreOutcome;
using common::StoreRequest;
using common::pendingFile;
using common::vedomLine;

struct KeeperPlace {
  std::string attemptFile;  // the attempt file of the database directory (UTF-8)
  std::string workingDir;   // this workstation's own directory (UTF-8)
  std::string namePc;       // CP1251
  std::string testFile;     // the test file's path (CP1251)
  StoreRequest target;      // where the result goes (rez and memos unused)
};

class AttemptKeeper {
 public:
  AttemptKeeper(KeeperPlace place, Clock& clock);
  ~AttemptKeeper();

  enum class Saved {
    Central,    // in the database directory
    Local,      // on this workstation only, for now
    Closed,     // the administrator closed it meanwhile
    TakenOver,  // it goes on at another workstation
    Failed,     // not kept anywhere (the working directory failed too)
  };

  // A new attempt, once its question set is drawn.
  Saved begin(const Attempt& a);
  // Goes on with an open attempt: this run becomes its owner. A local copy
  // keeps its owner (it is this workstation's own). Closed or TakenOver
  // when another run got it first.
  Saved adopt(const OpenAttempt& o, bool local);
  // After every step, and at least every kAliveSeconds while it runs.
  Saved save(const Attempt& a, bool answered = true);
  // A sign of life only, while a step is under way (a question box open):
  // the state is saved when the step is over.
  Saved touch();
  // The final store: the result and the record's removal in one commit.
  StoreOutcome finish(const StoreRequest& r, ResultStore& store);
  // The attempt is dropped without a result (aborted on purpose).
  void discard();

  std::int32_t code() const { return code_; }
  // Where the result goes.
  const StoreRequest& target() const { return place_.target; }
  const std::string& owner() const { return owner_; }
  Saved last() const { return last_; }
  const store::ErrorInfo& error() const { return error_; }
  // Seconds since the last save (the caller's clock of life).
  std::int64_t sinceSave();

  // A local copy left by a run of this workstation: written to the share
  // when its record there is still this run's, dropped when the attempt was
  // closed or taken over meanwhile. Called at the program's start.
  static void pushLocal(const std::string& attemptFile, const std::string& workingDir);

  // Seconds from day/time to now on `clock`.
  static std::int64_t since(Clock& clock, std::int32_t day, std::int32_t time);

 private:
  void fill(const Attempt& a, bool answered);
  Saved saveCentral();
  Saved saveLocal();
  bool shareThere() const;

  KeeperPlace place_;
  Clock& clock_;
  std::string central_, local_;
  std::unique_ptr<common::AttemptTables> ct_;
  tables::Attempt rec_;
  tables::RezTest rez_;
  std::int32_t code_ = 0;
  std::string owner_;
  bool localCopy_ = false;  // a copy is in the working directory
  Saved last_ = Saved::Central;
  store::ErrorInfo error_;
  std::int32_t savedDay_ = 0, savedTime_ = 0;
};

// A token no other run will have: the workstation, the process and the moment.
std::string newOwnerToken(const std::string& namePcCp1251);

}  // namespace examiner
