#pragma once
// The common opening procedure: every central and test table opens through
// it, with a use counter per table (the first user opens, the last closes).
// Missing files and directories are created, a table held by another station
// is retried for 10 seconds, damaged keys are rebuilt; what cannot be mended
// is reported and ends the program through Interaction::endProgram.
#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "messages.h"
#include "store.h"

namespace setup {

class TableOpener {
 public:
  explicit TableOpener(messages::Interaction& ui);

  // Opens `t` shared (0x42), or counts one more user when it is open.
  // Returns 0, or the error that ended the program (ended() is then true).
  int open(store::Table& t, bool allowCreate = true);
  // One user fewer; the last one closes the table.
  void close(store::Table& t);
  int users(const store::Table& t) const;
  bool ended() const { return ended_; }

  // How long a locked table is retried, and how the waiting is done (tests
  // shorten both).
  std::chrono::milliseconds retryFor{10000};
  std::chrono::milliseconds retryStep{100};

 private:
  int openOnce(store::Table& t, bool allowCreate);
  int end(int number, const store::ErrorInfo& e);
  messages::Procedure proc_;
  std::map<const store::Table*, int> users_;
  bool ended_ = false;
};

// Reads the first record of a one-record settings table through the
// opening procedure, creating the table when it is missing; a table without
// records gives blank settings. False when it could not be opened (the user
// was told and the program is to end).
template <class R>
bool readSettings(const store::TableDef& def, const std::string& name, R& rec, messages::Interaction& ui) {
  store::Table t(def, rec, name);
  TableOpener opener(ui);
  if (opener.open(t) != store::Ok) return false;
  if (t.set() != store::Ok || t.next() != store::Ok) rec = R{};
  opener.close(t);
  return true;
}

// Creates the directories of a path level by level; false and the failing
// directory in `failed` when one cannot be made.
bool makeDirectories(const std::string& dir, std::string* failed = nullptr, int* err = nullptr);

}  // namespace setup
