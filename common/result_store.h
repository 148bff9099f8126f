#pragma once
// Storing a finished attempt: the RezTest record, its RezDtl detail and the
// class-journal line Vedom, all in one transaction, with a result code that
// no other workstation can take at the same moment. An attempt that cannot
// be stored is kept as a pending result in the working directory and stored
// at the next opportunity.
//
// An attempt kept in an attempt file (open_attempts.h) goes out of it in the
// commit that stores its result: it is either still open or stored, never
// both and never neither.
#include <functional>
#include <string>
#include <vector>

#include "store.h"
#include "tables_central.h"
#include "tables_results.h"

namespace common {

struct StoreRequest {
  tables::RezTest rez;
  std::string howot, howtxt;  // the detail memos
  int saveRez = 1;            // TEM:SAVEREZ: 1 detailed, 2 brief, 3 not at all
  std::string resultBase;     // base directory of the journal (UTF-8)
  std::string fileRez;        // Path/FileRez (UTF-8)
  std::string vedomFile;      // the central Vedom.tps (UTF-8)
};

// The open attempt whose result is being stored: its record must still be
// there (and, with an owner, still that run's) when the result is committed.
struct AttemptLink {
  std::string file;         // the attempt file (UTF-8)
  std::int32_t code = 0;    // ATT:CODE
  std::string owner;        // ATT:OWNER (CP1251); empty: whoever runs it
};

struct StoreOutcome {
  int code = 0;                 // 0 stored; else the store's error
  store::ErrorInfo error;
  std::int32_t resultCode = 0;  // REZ:CODEREZ given to the attempt
  bool pending = false;         // kept as a pending result
  std::string pendingFile;
  // The attempt was closed or taken over elsewhere meanwhile: its result
  // was stored there or will be, and this one is not stored at all.
  bool superseded = false;
};

// The pending results of a working directory ("Pending.rez").
std::string pendingFile(const std::string& workingDir);

class ResultStore {
 public:
  explicit ResultStore(std::string workingDir) : workingDir_(std::move(workingDir)) {}
  // Stores the attempt; when that fails, keeps it as pending (unless
  // `keepPending` is off). With a link, the open attempt goes in the same
  // commit, and this station's copy of it in the commit that keeps it pending.
  StoreOutcome store(const StoreRequest& r, const AttemptLink* link = nullptr);
  // Stores the pending results; returns how many are still pending.
  int storePending(store::ErrorInfo* error = nullptr);
  int pendingCount() const;

  // How long a locked journal is retried before the attempt is kept pending.
  int retries = 20;
  // The Administrator closing an attempt reports a failure instead.
  bool keepWhenFailing = true;

 private:
  // `extra` tables join the transaction and `alsoDo` runs inside it, so
  // that a pending entry goes in the same commit that stores it.
  int storeOnce(const StoreRequest& r, std::int32_t& code, store::ErrorInfo& e, const AttemptLink* link = nullptr,
                const std::vector<store::Table*>& extra = {}, const std::function<int()>& alsoDo = {});
  bool keepPending(const StoreRequest& r, const AttemptLink* link, store::ErrorInfo& e);
  std::string workingDir_;
};

// The error storeOnce gives when the linked attempt is no longer open here.
inline constexpr int kAttemptSuperseded = 1001;

// The Vedom line of an attempt (without its code).
tables::Vedom vedomLine(const tables::RezTest& rez, const std::string& fileRezCp1251);

}  // namespace common
