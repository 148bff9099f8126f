#pragma once
// Internals shared by the record store's source files.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <sys/types.h>

#include <array>
#include <chrono>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "filter_expr.h"
#include "store.h"

namespace store {

struct Conn;
// What a table knows of the transaction that names it.
struct TxnState {};

// Everything this process keeps about one store file.
struct FileState {
  std::string path;  // as resolved on disk
  std::atomic<std::int64_t> localWrites{0};  // writes made by this process
  std::vector<int> spareFds;
  int fdsInUse = 0;
  std::map<std::string, Conn*> conns;  // by password and thread
  std::vector<Conn*> txnPool;          // idle connections of finished transactions
};

// One SQLCipher connection to a store file, shared by the tables of that
// file that one thread of this process opened under the same password.
// Transactions have connections of their own, so that a write through any
// other table never joins one.
struct Conn {
  sqlite3* db = nullptr;
  std::shared_ptr<FileState> fs;
  std::string pwKey;
  std::thread::id owner;
  bool keyed = false;
  std::string password;
  int refs = 0;
  std::set<Table::Impl*> tables;
};

// ---- connections and locks (store_connections.cpp); the registry's mutex
// guards every FileState and Conn.
std::recursive_mutex& registryMutex();
std::shared_ptr<FileState> fileState(const std::string& path);
void releaseIdle(const std::shared_ptr<FileState>& fs);
int takeFd(FileState& fs);  // a descriptor of the file (negative errno when it cannot be opened)
void giveFd(FileState& fs, int fd);
std::string pwKeyOf(const std::optional<std::string>& pw);
// Opens (or shares) this thread's connection to a file; `create` allows a new file.
int acquireConn(const std::shared_ptr<FileState>& fs, const std::optional<std::string>& pw, bool create, Conn*& out,
                ErrorInfo& err);
void releaseConn(Conn* c);
// A connection of its own for a transaction, from the file's pool when one is idle.
int openTxnConn(const std::shared_ptr<FileState>& fs, const std::string& pwKey, bool keyed, const std::string& password,
                Conn*& out, ErrorInfo& err);
void poolTxnConn(Conn* c);
void prepareConnection(sqlite3* db);
int execSql(sqlite3* db, const std::string& sql);
std::string quote(const std::string& id);
int mapSql(int rc);

// Share locks of the open modes, one slot of bytes per table far beyond the data.
off_t lockSlot(const std::string& tableName);
bool lockShare(int fd, off_t base, int mode);
void unlockShare(int fd, off_t base);
// Every opener of a file holds a read lock on one byte of it; removing the
// file takes that byte for writing, so that it fails while anyone has it open.
bool lockFileInUse(int fd, bool exclusive);
void unlockFileInUse(int fd);
// Whether `fd` still names the file at `path` (not one removed or replaced meanwhile).
bool sameFile(int fd, const std::string& path);

// How long the calling thread waits for other stations (see WaitLimit).
std::chrono::milliseconds waitLimit();

// A writer's turn at a file. Writers of a file queue in order of arrival on
// a row of lock bytes, so that none starves under load: each holds the byte
// after the last one taken and writes once every byte before it is free. A
// writer gives up (5) when the queue ahead has not moved for waitLimit(),
// and at once when its own thread already holds the file's turn (it could
// only wait for itself).
class WriterTurn {
 public:
  WriterTurn() = default;
  ~WriterTurn() { release(); }
  WriterTurn(const WriterTurn&) = delete;
  WriterTurn& operator=(const WriterTurn&) = delete;
  WriterTurn(WriterTurn&& o) noexcept { *this = std::move(o); }
  WriterTurn& operator=(WriterTurn&& o) noexcept;
  // 0, or 5 with the reason in `err`. `wait` false: only when nobody queues.
  int take(const std::shared_ptr<FileState>& fs, ErrorInfo& err, bool wait = true);
  void release();
  bool held() const { return fd_ >= 0; }

 private:
  std::shared_ptr<FileState> fs_;
  int fd_ = -1;
  off_t chair_ = 0;
};

// Removes the master journals named after a file that no transaction needs
// any more (left behind by a station that died while committing). Called
// once the file has been opened, and so recovered, by this process.
void sweepMasterJournals(const std::shared_ptr<FileState>& fs);

using KeyValue = std::variant<std::int64_t, std::string>;

struct Route {
  Conn* conn = nullptr;
  std::string schema = "main";
};

struct Prefetched {
  Position pos = 0;
  std::int64_t ver = 0;
  std::shared_ptr<void> rec;
};

struct Stamp {
  std::array<char, 16> header{};
  std::int64_t writes = -1;
  bool operator==(const Stamp&) const = default;
};

struct Cursor {
  enum class State { None, Start, FromValue, After } state = State::None;
  int key = -1;  // -1: physical order
  KeyValue value;
  Position pos = 0;
  int dir = 0;
  std::deque<Prefetched> ahead;
  std::vector<std::shared_ptr<void>> spare;  // buffers of rows already handed out
  Stamp stamp;
  std::chrono::steady_clock::time_point checkedAt;
  int batch = 8;
  // Set by a view: an SQL condition and its parameter values.
  std::string filterSql;
  std::vector<std::variant<std::int64_t, double, std::string>> filterParams;
};

struct Table::Impl {
  const TableDef& def;
  void* buf;
  std::string fullName;
  TableName parts;
  std::optional<std::string> password;

  bool opened = false;
  bool keysBad = false;
  int mode = DenyWrite;
  std::shared_ptr<FileState> fs;
  Conn* home = nullptr;   // the connection of the thread that uses the table
  TxnState* txn = nullptr;  // the transaction that names this table, while it runs
  int lockFd = -1;
  off_t lockBase = 0;
  Route route;
  std::map<std::string, sqlite3_stmt*> stmts;
  ErrorInfo err;

  Position cur = 0;
  std::int64_t curVer = 0;
  bool watchArmed = false;
  bool watching = false;
  Position watchedPos = 0;
  std::int64_t watchedVer = 0;
  Cursor cursor;
  std::int64_t rowsRead = 0;

  Impl(const TableDef& d, void* b) : def(d), buf(b) {}

  std::string sqlName() const;          // table name inside the file
  std::string qualified() const;        // "schema"."table"
  sqlite3_stmt* stmt(const std::string& sql);
  void finalizeAll();
  void setRoute(Route r);

  int ok();
  int fail(int code);
  int failSql(int rc, sqlite3* db);
  int failStore(int storeCode, const std::string& message);

  int checkOpen();
  int followThread();  // a table used from another thread takes that thread's connection
  int writerTurn(WriterTurn& turn);  // waits for this table's turn to write (none inside a transaction)
  int openImpl(int mode, bool allowBadKeys);
  int closeImpl();
  int rebuild();
  int createImpl(bool replace);

  std::string columns() const;
  void readRow(sqlite3_stmt* s, void* rec) const;
  void bindFields(sqlite3_stmt* s, int first, const void* rec) const;
  KeyValue keyValue(int key, const void* rec) const;
  void bindKey(sqlite3_stmt* s, int idx, const KeyValue& v) const;
  std::string keyExpr(int key) const;
  Stamp stamp() const;
  int step(int dir);
  int fetch(int dir);
  void takeRow(sqlite3_stmt* s);
  int findDuplicateKey(Position self);
  // Steps a statement that selects one record into the buffer, making it current.
  int readCurrent(sqlite3_stmt* s);
};

}  // namespace store
