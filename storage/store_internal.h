#pragma once
// Internals shared by the record store's source files.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "filter_expr.h"
#include "store.h"

namespace store {

struct Conn;

// Everything this process keeps about one store file.
struct FileState {
  std::string path;  // as resolved on disk
  std::atomic<std::int64_t> localWrites{0};  // writes made by this process
  std::vector<int> spareFds;
  int fdsInUse = 0;
  std::map<std::string, Conn*> conns;  // by password
};

// One SQLCipher connection to a store file, shared by this process's tables
// of that file opened under the same password.
struct Conn {
  sqlite3* db = nullptr;
  std::shared_ptr<FileState> fs;
  std::string pwKey;
  bool keyed = false;
  std::string password;
  int refs = 0;
  std::set<Table::Impl*> tables;
  std::map<std::string, int> attachedAliases;  // file path -> alias number
};

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
  Conn* home = nullptr;
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
