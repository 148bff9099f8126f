#pragma once
// The record store: keyed tables in files, one SQLCipher database per store
// file. A table of a multi-table file is named "<file path>\!<table>".
//
// A Table works on one record buffer (the struct its definition describes).
// Every operation returns an error number (0 when it succeeded) and leaves it,
// with its text, in error().
//
// Stations wait for one another: a reader for a commit in progress, a writer
// for its turn (writers of a file are served in order of arrival). A writer
// gives up with 5 only when the writers ahead of it have not moved for 10
// seconds, the time the opening procedure retries a locked table.
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "table_def.h"

namespace store {

enum Error : int {
  Ok = 0,
  FileNotFound = 2,
  PathNotFound = 3,
  AccessDenied = 5,
  NoRecord = 33,
  NotDataFile = 36,
  DuplicateKey = 40,
  RebuildKeys = 46,
  LayoutMismatch = 47,
  AlreadyOpen = 52,
  ChangedByOther = 89,
  StoreSpecific = 90,
};

// The text of an error number (Russian, as users see it).
std::string errorText(int code);

enum OpenMode : int {
  DenyWrite = 0x22,  // read/write, others may not write (the default)
  Shared = 0x42,     // read/write, others may do anything
  Exclusive = 0x12,  // read/write, nobody else may open
};

struct ErrorInfo {
  int code = 0;
  int storeCode = 0;          // error 90: the store's own code
  std::string storeMessage;   // error 90: the store's own message
  std::string key;            // error 40: the key that was duplicated ("BRZ:KeyCodeZag")
  std::string file;           // the table's full name
  // "<text> (<number>)", for error 90 the store's own message and code.
  std::string text() const;
};

using Position = std::int64_t;  // a record's stable identity; 0 is none

// The table name parts: "dir/x.orm\!Vop" -> file "dir/x.orm", table "Vop".
struct TableName {
  std::string file;
  std::string table;  // empty for a single-table file
};
TableName splitName(std::string_view fullName);

class Transaction;
class View;

// Within its scope the calling thread waits for other stations at most
// `limit` (instead of 10 seconds) before an operation fails with 5.
class WaitLimit {
 public:
  explicit WaitLimit(std::chrono::milliseconds limit);
  ~WaitLimit();
  WaitLimit(const WaitLimit&) = delete;
  WaitLimit& operator=(const WaitLimit&) = delete;

 private:
  std::chrono::milliseconds previous_;
};

class Table {
 public:
  // `buffer` must outlive the table and be of the definition's record type.
  template <class R>
  Table(const TableDef& def, R& buffer, std::string fullName = {}) : Table(def, static_cast<void*>(&buffer), std::move(fullName)) {}
  Table(const TableDef& def, void* buffer, std::string fullName);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const TableDef& def() const;
  void setName(std::string fullName);
  const std::string& name() const;
  // Owner password: the whole fixed-width key word, blanks included.
  // Tables with a password are stored encrypted.
  void setPassword(std::string_view password);
  void clearPassword();

  int open(int mode = DenyWrite);
  int create();  // creates the table (and its file), emptying an existing one
  // Creates the table only when it is missing; one that another station made
  // meanwhile is kept. The table stays closed.
  int createIfMissing();
  int close();
  int remove();  // removes the table; a single-table file is deleted
  bool isOpen() const;

  // Sequential reading. set() reads in physical order, set(key) in key
  // order from the start, setFrom(key) from the key value in the buffer,
  // setAt(key, pos) from a saved position (that record comes next).
  int set();
  int set(int key);
  int setFrom(int key);
  int setAt(int key, Position pos);
  int next();
  int previous();

  int get(int key);          // first record whose key equals the buffer's value
  int getAt(Position pos);   // the record at a saved position
  int reget(Position pos) { return getAt(pos); }

  int add();
  int put();   // update the current record
  int del();   // delete the current record
  std::int64_t records();
  Position position() const;  // of the current record
  // The next record read is watched: put() and del() fail with 89 when
  // another station changed or deleted it since.
  void watch();
  int buildKeys();
  std::int64_t blobSize(int field);
  int send(std::string_view option);

  int key(std::string_view name) const { return def().keyIndex(name); }
  // Records read from the file by this table so far (read-ahead included).
  std::int64_t rowsRead() const;
  const ErrorInfo& error() const;
  int errorCode() const { return error().code; }

  struct Impl;
 private:
  friend class Transaction;
  friend class View;
  std::unique_ptr<Impl> d_;
};

// A transaction over named tables, which may lie in several files: storing
// an attempt writes a result file and a central table together. It covers
// exactly the tables it names: a write through any other table (another
// window's, another thread's) is not part of it and waits until it ends,
// or fails with 5 at once when made by the thread that holds it open.
class Transaction {
 public:
  Transaction(std::initializer_list<Table*> tables);
  explicit Transaction(std::vector<Table*> tables);
  ~Transaction();  // rolls back what was not committed
  int begin();
  int commit();
  int rollback();
  bool active() const { return active_; }
  const ErrorInfo& error() const { return error_; }

  struct State;
 private:
  int failBegin(int code);
  void finish();
  std::vector<Table*> tables_;
  bool active_ = false;
  ErrorInfo error_;
  std::unique_ptr<State> st_;
};

// A filtered, ordered read over a table. The filter uses the system's own
// expression syntax: prefixed field names, comparisons, UPPER, AND, OR, NOT,
// parentheses, numbers, quoted strings (CP1251) and variables bound by name.
class View {
 public:
  using Value = std::variant<std::int64_t, double, std::string>;
  explicit View(Table& table);
  ~View();
  int setFilter(std::string_view expression);  // 90 with a clear message when malformed
  void bind(const std::string& variable, Value value);
  void setOrder(int key);  // -1: physical order
  int set();               // from the start (checks the filter and bindings)
  int next();              // the next matching record into the table's buffer
  int previous();
  std::int64_t records();  // matching records
  const ErrorInfo& error() const { return table_.error(); }

  struct Compiled;
 private:
  Table& table_;
  std::unique_ptr<Compiled> filter_;
  std::map<std::string, Value> bindings_;  // names folded to upper case
  int order_ = -1;
  bool started_ = false;
};

// Removes a store file (not a single table of it). 2 when it is missing, 5
// while any station (this one included) has it open.
int removeFile(const std::string& path);

// Copies a whole store file through the store's own backup, so that a file
// in use by other stations is copied in a consistent state. The copy
// replaces `to`. `password` is the owner password of an encrypted file.
int copyFile(const std::string& from, const std::string& to, const std::string* password = nullptr,
             ErrorInfo* error = nullptr);

}  // namespace store
