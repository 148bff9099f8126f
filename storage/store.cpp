#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <thread>
#include <chrono>

#include "cp1251.h"
#include "filepath.h"
#include "store_internal.h"

namespace store {

std::string errorText(int code) {
  switch (code) {
    case Ok: return "Нет ошибок";
    case FileNotFound: return "Файл не найден";
    case PathNotFound: return "Путь не найден";
    case AccessDenied: return "Доступ запрещен";
    case 37: return "Файл не открыт";
    case NoRecord: return "Запись недоступна";
    case NotDataFile: return "Недопустимый файл данных";
    case DuplicateKey: return "Такой ключ уже существует";
    case RebuildKeys: return "Необходимо перестроить ключи";
    case LayoutMismatch: return "Структура записи не соответствует файлу";
    case AlreadyOpen: return "Файл уже открыт";
    case ChangedByOther: return "Запись изменена другой станцией";
    case StoreSpecific: return "Ошибка драйвера файла";
    default: return "Ошибка " + std::to_string(code);
  }
}

std::string ErrorInfo::text() const {
  if (code == StoreSpecific) return storeMessage + " (" + std::to_string(storeCode) + ")";
  return errorText(code) + " (" + std::to_string(code) + ")";
}

TableName splitName(std::string_view full) {
  TableName n;
  auto p = full.find("\\!");
  if (p == std::string_view::npos) {
    n.file = std::string(full);
  } else {
    n.file = std::string(full.substr(0, p));
    n.table = std::string(full.substr(p + 2));
  }
  return n;
}

namespace {

constexpr int kNotOpen = 37;

bool tableExists(sqlite3* db, const std::string& schema, const std::string& name) {
  sqlite3_stmt* s = nullptr;
  std::string sql = "SELECT 1 FROM " + quote(schema) + ".sqlite_master WHERE type='table' AND name=? COLLATE NOCASE";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) return false;
  sqlite3_bind_text(s, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
  bool found = sqlite3_step(s) == SQLITE_ROW;
  sqlite3_finalize(s);
  return found;
}

std::string indexName(const std::string& table, const KeyDef& k) { return table + "_" + k.name; }

std::string collationOf(const TableDef& def, const KeyDef& k) {
  const FieldDef& f = def.fields[static_cast<std::size_t>(k.field)];
  if (f.type != FieldType::String) return "";
  return k.caseSensitive ? " COLLATE BINARY" : " COLLATE CP1251CI";
}

std::string indexSql(const TableDef& def, const std::string& schema, const std::string& table, const KeyDef& k) {
  const FieldDef& f = def.fields[static_cast<std::size_t>(k.field)];
  return std::string("CREATE ") + (k.unique ? "UNIQUE " : "") + "INDEX " + quote(schema) + "." +
         quote(indexName(table, k)) + " ON " + quote(table) + "(" + quote(f.name) + collationOf(def, k) +
         (k.descending ? " DESC" : "") + ")";
}

// The stored form of an index's SQL, for comparison with sqlite_master.
std::string storedIndexSql(const TableDef& def, const std::string& table, const KeyDef& k) {
  const FieldDef& f = def.fields[static_cast<std::size_t>(k.field)];
  return std::string("CREATE ") + (k.unique ? "UNIQUE " : "") + "INDEX " + quote(indexName(table, k)) + " ON " +
         quote(table) + "(" + quote(f.name) + collationOf(def, k) + (k.descending ? " DESC" : "") + ")";
}

std::string tableSql(const TableDef& def, const std::string& schema, const std::string& table) {
  std::string s = "CREATE TABLE " + quote(schema) + "." + quote(table) +
                  "(_pos INTEGER PRIMARY KEY AUTOINCREMENT, _ver INTEGER NOT NULL DEFAULT 0";
  for (const auto& f : def.fields) {
    s += ", " + quote(f.name) + " ";
    if (f.array || f.type == FieldType::Blob) s += "BLOB NOT NULL DEFAULT x''";
    else if (f.type == FieldType::String || f.type == FieldType::Memo) s += "TEXT NOT NULL DEFAULT ''";
    else s += "INTEGER NOT NULL DEFAULT 0";
  }
  return s + ")";
}

// Holds a table's share slot exclusively while it is created or removed,
// and the file's connection when one is taken; everything goes on leaving.
struct ExclusiveHold {
  std::shared_ptr<FileState> fs;
  int fd = -1;
  off_t slot = 0;
  bool locked = false;
  Conn* conn = nullptr;
  WriterTurn turn;
  ExclusiveHold(const std::string& path, const std::string& table) : fs(fileState(path)) {
    fd = takeFd(*fs);
    if (fd < 0) return;
    slot = lockSlot(table);
    locked = lockShare(fd, slot, Exclusive);
  }
  ~ExclusiveHold() {
    turn.release();
    if (locked) unlockShare(fd, slot);
    if (fd >= 0) giveFd(*fs, fd);
    if (conn) releaseConn(conn);
    releaseIdle(fs);
  }
  ExclusiveHold(const ExclusiveHold&) = delete;
  ExclusiveHold& operator=(const ExclusiveHold&) = delete;
};

}  // namespace

// ---------------------------------------------------------------- Impl basics

std::string Table::Impl::sqlName() const { return parts.table.empty() ? def.name : parts.table; }
std::string Table::Impl::qualified() const { return quote(route.schema) + "." + quote(sqlName()); }

sqlite3_stmt* Table::Impl::stmt(const std::string& sql) {
  auto it = stmts.find(sql);
  if (it != stmts.end()) return it->second;
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(route.conn->db, sql.c_str(), static_cast<int>(sql.size()), &s, nullptr);
  if (rc != SQLITE_OK) {
    failSql(rc, route.conn->db);
    return nullptr;
  }
  stmts.emplace(sql, s);
  return s;
}

void Table::Impl::finalizeAll() {
  for (auto& [sql, s] : stmts) sqlite3_finalize(s);
  stmts.clear();
}

void Table::Impl::setRoute(Route r) {
  finalizeAll();
  route = std::move(r);
  cursor.ahead.clear();
}

int Table::Impl::ok() {
  err = ErrorInfo{};
  err.file = fullName;
  return Ok;
}

int Table::Impl::fail(int code) {
  err = ErrorInfo{};
  err.code = code;
  err.file = fullName;
  return code;
}

int Table::Impl::failStore(int storeCode, const std::string& message) {
  fail(StoreSpecific);
  err.storeCode = storeCode;
  err.storeMessage = message;
  return StoreSpecific;
}

int Table::Impl::failSql(int rc, sqlite3* db) {
  int code = mapSql(rc);
  // The file is there: what cannot be opened beside it (its journal in a
  // read-only directory) is a refusal, not a missing file.
  if (code == FileNotFound && opened) code = AccessDenied;
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if ((rc & 0xFF) == SQLITE_CORRUPT && db) {
    // Damage confined to indexes is mended by rebuilding the keys.
    bool onlyIndexes = false;
    sqlite3_stmt* s = nullptr;
    std::string sql = "PRAGMA " + quote(route.schema) + ".integrity_check(50)";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
      onlyIndexes = true;
      while (sqlite3_step(s) == SQLITE_ROW) {
        std::string line = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        if (line == "ok" || line.find("index") == std::string::npos) onlyIndexes = false;
      }
      sqlite3_finalize(s);
    }
    if (onlyIndexes) code = RebuildKeys;
  }
  fail(code);
  err.storeCode = rc;
  err.storeMessage = msg;
  return code;
}

int Table::Impl::checkOpen() {
  if (!opened) return fail(kNotOpen);
  if (keysBad) return fail(RebuildKeys);
  if (!txn && home->owner != std::this_thread::get_id()) return followThread();
  return Ok;
}

int Table::Impl::followThread() {
  // A connection serves one thread, so that one thread's statements never
  // mix with another's (the last row added, the rows changed).
  Conn* mine = nullptr;
  ErrorInfo cerr;
  if (int rc = acquireConn(fs, password, false, mine, cerr)) {
    err = cerr;
    err.code = rc;
    err.file = fullName;
    return rc;
  }
  {
    std::lock_guard g(registryMutex());
    home->tables.erase(this);
    mine->tables.insert(this);
  }
  finalizeAll();
  releaseConn(home);
  home = mine;
  setRoute(Route{home, "main"});
  return Ok;
}

int Table::Impl::writerTurn(WriterTurn& turn) {
  if (txn) return Ok;  // the transaction holds the turn
  ErrorInfo e;
  if (turn.take(fs, e) == Ok) return Ok;
  fail(AccessDenied);
  err.storeMessage = e.storeMessage;
  return AccessDenied;
}

std::string Table::Impl::columns() const {
  std::string s = "_pos, _ver";
  for (const auto& f : def.fields) s += ", " + quote(f.name);
  return s;
}

// ---------------------------------------------------------------- encoding

void Table::Impl::readRow(sqlite3_stmt* s, void* rec) const {
  char* base = static_cast<char*>(rec);
  int col = 2;
  for (const auto& f : def.fields) {
    char* p = base + f.offset;
    if (f.array) {
      std::size_t want = f.memSize * static_cast<std::size_t>(f.count);
      const void* b = sqlite3_column_blob(s, col);
      std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(s, col));
      std::size_t take = std::min(n, want);
      if (take) std::memcpy(p, b, take);
      if (take < want) std::memset(p + take, f.type == FieldType::String ? ' ' : 0, want - take);
    } else {
      switch (f.type) {
        case FieldType::UInt8: *reinterpret_cast<std::uint8_t*>(p) = static_cast<std::uint8_t>(sqlite3_column_int64(s, col)); break;
        case FieldType::Int16: *reinterpret_cast<std::int16_t*>(p) = static_cast<std::int16_t>(sqlite3_column_int64(s, col)); break;
        case FieldType::UInt16: *reinterpret_cast<std::uint16_t*>(p) = static_cast<std::uint16_t>(sqlite3_column_int64(s, col)); break;
        case FieldType::Int32:
        case FieldType::Date: *reinterpret_cast<std::int32_t*>(p) = static_cast<std::int32_t>(sqlite3_column_int64(s, col)); break;
        case FieldType::Decimal: *reinterpret_cast<std::int64_t*>(p) = sqlite3_column_int64(s, col); break;
        case FieldType::String: {
          const char* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
          std::size_t n = std::min(static_cast<std::size_t>(sqlite3_column_bytes(s, col)), static_cast<std::size_t>(f.width));
          if (n) std::memcpy(p, t, n);
          std::memset(p + n, ' ', static_cast<std::size_t>(f.width) - n);
          break;
        }
        case FieldType::Memo: {
          auto* str = reinterpret_cast<std::string*>(p);
          const char* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
          std::size_t n = std::min(static_cast<std::size_t>(sqlite3_column_bytes(s, col)), f.memoMax);
          str->assign(t ? t : "", n);
          break;
        }
        case FieldType::Blob: {
          auto* v = reinterpret_cast<std::vector<std::uint8_t>*>(p);
          const auto* b = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, col));
          std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(s, col));
          v->assign(b, b + n);
          break;
        }
      }
    }
    ++col;
  }
}

void Table::Impl::bindFields(sqlite3_stmt* s, int first, const void* rec) const {
  const char* base = static_cast<const char*>(rec);
  int i = first;
  for (const auto& f : def.fields) {
    const char* p = base + f.offset;
    if (f.array) {
      sqlite3_bind_blob(s, i, p, static_cast<int>(f.memSize * static_cast<std::size_t>(f.count)), SQLITE_STATIC);
    } else {
      switch (f.type) {
        case FieldType::UInt8: sqlite3_bind_int64(s, i, *reinterpret_cast<const std::uint8_t*>(p)); break;
        case FieldType::Int16: sqlite3_bind_int64(s, i, *reinterpret_cast<const std::int16_t*>(p)); break;
        case FieldType::UInt16: sqlite3_bind_int64(s, i, *reinterpret_cast<const std::uint16_t*>(p)); break;
        case FieldType::Int32:
        case FieldType::Date: sqlite3_bind_int64(s, i, *reinterpret_cast<const std::int32_t*>(p)); break;
        case FieldType::Decimal: sqlite3_bind_int64(s, i, *reinterpret_cast<const std::int64_t*>(p)); break;
        case FieldType::String: {
          auto v = cp1251::clip(std::string_view(p, static_cast<std::size_t>(f.width)));
          sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
          break;
        }
        case FieldType::Memo: {
          const auto* str = reinterpret_cast<const std::string*>(p);
          std::size_t n = std::min(str->size(), f.memoMax);
          sqlite3_bind_text(s, i, str->data(), static_cast<int>(n), SQLITE_STATIC);
          break;
        }
        case FieldType::Blob: {
          const auto* v = reinterpret_cast<const std::vector<std::uint8_t>*>(p);
          sqlite3_bind_blob(s, i, v->empty() ? "" : static_cast<const void*>(v->data()), static_cast<int>(v->size()), SQLITE_STATIC);
          break;
        }
      }
    }
    ++i;
  }
}

KeyValue Table::Impl::keyValue(int key, const void* rec) const {
  const FieldDef& f = def.fields[static_cast<std::size_t>(def.keys[static_cast<std::size_t>(key)].field)];
  const char* p = static_cast<const char*>(rec) + f.offset;
  switch (f.type) {
    case FieldType::UInt8: return std::int64_t{*reinterpret_cast<const std::uint8_t*>(p)};
    case FieldType::Int16: return std::int64_t{*reinterpret_cast<const std::int16_t*>(p)};
    case FieldType::UInt16: return std::int64_t{*reinterpret_cast<const std::uint16_t*>(p)};
    case FieldType::Int32:
    case FieldType::Date: return std::int64_t{*reinterpret_cast<const std::int32_t*>(p)};
    case FieldType::Decimal: return *reinterpret_cast<const std::int64_t*>(p);
    case FieldType::String: return std::string(cp1251::clip(std::string_view(p, static_cast<std::size_t>(f.width))));
    default: return std::int64_t{0};
  }
}

void Table::Impl::bindKey(sqlite3_stmt* s, int idx, const KeyValue& v) const {
  if (auto* i = std::get_if<std::int64_t>(&v)) sqlite3_bind_int64(s, idx, *i);
  else {
    const auto& str = std::get<std::string>(v);
    sqlite3_bind_text(s, idx, str.data(), static_cast<int>(str.size()), SQLITE_TRANSIENT);
  }
}

std::string Table::Impl::keyExpr(int key) const {
  const KeyDef& k = def.keys[static_cast<std::size_t>(key)];
  return quote(def.fields[static_cast<std::size_t>(k.field)].name) + collationOf(def, k);
}

Stamp Table::Impl::stamp() const {
  Stamp s;
  s.writes = fs->localWrites.load();
  // Every commit rewrites the file's first page (its change counter, or the
  // whole page under encryption), so these bytes tell whether another
  // station committed since the rows were read ahead.
  if (::pread(lockFd, s.header.data(), s.header.size(), 24) < 0) s.writes = -2;
  return s;
}

// ---------------------------------------------------------------- open, create

int Table::Impl::openImpl(int m, bool allowBadKeys) {
  if (opened) return fail(AlreadyOpen);
  if (m != DenyWrite && m != Shared && m != Exclusive && m != 0x20 && m != 0x40 && m != 0x10) m = DenyWrite;
  if (m == 0x20) m = DenyWrite;
  if (m == 0x40) m = Shared;
  if (m == 0x10) m = Exclusive;
  std::string path = filepath::resolve(parts.file);
  if (!filepath::exists(path)) {
    std::string dir = filepath::directoryOf(path);
    return fail(dir.empty() || filepath::isDirectory(dir) ? FileNotFound : PathNotFound);
  }
  if (filepath::isDirectory(path)) return fail(AccessDenied);
  if (::access(path.c_str(), R_OK | W_OK) != 0) return fail(AccessDenied);
  fs = fileState(path);
  int fd = takeFd(*fs);
  if (fd < 0) {
    releaseIdle(fs);
    fs.reset();
    return fail(-fd == ENOENT ? FileNotFound : AccessDenied);
  }
  lockFd = fd;
  lockBase = lockSlot(sqlName());
  bool inTxn = false;
  auto undo = [&](int code) {
    if (inTxn) execSql(home->db, "COMMIT");
    unlockShare(lockFd, lockBase);
    giveFd(*fs, lockFd);
    lockFd = -1;
    if (home) releaseConn(home);
    home = nullptr;
    releaseIdle(fs);
    fs.reset();
    return code;
  };
  if (!lockShare(lockFd, lockBase, m)) return undo(fail(AccessDenied));
  // Removed (or replaced) between looking and locking: gone, as far as we know.
  if (!sameFile(lockFd, path)) return undo(fail(filepath::exists(path) ? AccessDenied : FileNotFound));
  ErrorInfo cerr;
  int rc = acquireConn(fs, password, false, home, cerr);
  if (rc != Ok) {
    int code = undo(rc);
    err = cerr;
    err.code = code;
    err.file = fullName;
    return code;
  }
  const bool firstOnConn = home->refs == 1;
  route = Route{home, "main"};
  sqlite3* db = home->db;
  // The catalogue is read in one read transaction: a station committing
  // meanwhile makes the open wait (or fail with 5), never misread.
  if ((rc = execSql(db, "BEGIN")) != SQLITE_OK) return undo(failSql(rc, db));
  inTxn = true;
  if ((rc = execSql(db, "SELECT count(*) FROM main.sqlite_master")) != SQLITE_OK) return undo(failSql(rc, db));
  // The store's own catalogue of layouts tells a store file from a foreign one.
  if (!tableExists(db, "main", "_layout")) {
    bool empty = true;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr) == SQLITE_OK) {
      if (sqlite3_step(s) == SQLITE_ROW) empty = sqlite3_column_int(s, 0) == 0;
      sqlite3_finalize(s);
    }
    return undo(fail(empty ? FileNotFound : NotDataFile));
  }
  std::string layout;
  bool haveLayout = false;
  {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT layout FROM main._layout WHERE name = ? COLLATE NOCASE", -1, &s, nullptr) == SQLITE_OK) {
      std::string n = sqlName();
      sqlite3_bind_text(s, 1, n.data(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
      int r = sqlite3_step(s);
      if (r == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(s, 0);
        haveLayout = text != nullptr;
        if (text) layout = reinterpret_cast<const char*>(text);
      } else if (r != SQLITE_DONE) {
        int code = failSql(r, db);
        sqlite3_finalize(s);
        return undo(code);
      }
      sqlite3_finalize(s);
    } else {
      return undo(fail(NotDataFile));
    }
  }
  bool exists = tableExists(db, "main", sqlName());
  if (!exists) return undo(fail(FileNotFound));
  if (!haveLayout || layout != def.signature()) return undo(fail(LayoutMismatch));
  // Every key must be there with its definition; otherwise the keys are damaged.
  keysBad = false;
  {
    std::map<std::string, std::string> have;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name, sql FROM main.sqlite_master WHERE type='index' AND tbl_name = ? COLLATE NOCASE", -1, &s, nullptr) == SQLITE_OK) {
      std::string n = sqlName();
      sqlite3_bind_text(s, 1, n.data(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
      while (sqlite3_step(s) == SQLITE_ROW) {
        const unsigned char* name = sqlite3_column_text(s, 0);
        const char* sql = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        if (name) have[cp1251::upper(reinterpret_cast<const char*>(name))] = sql ? sql : "";
      }
      sqlite3_finalize(s);
    }
    for (const auto& k : def.keys) {
      auto it = have.find(cp1251::upper(indexName(sqlName(), k)));
      if (it == have.end() || it->second != storedIndexSql(def, sqlName(), k)) keysBad = true;
    }
  }
  execSql(db, "COMMIT");
  inTxn = false;
  {
    std::lock_guard g(registryMutex());
    home->tables.insert(this);
  }
  opened = true;
  mode = m;
  cur = 0;
  cursor = Cursor{};
  // Opened and so recovered: master journals of stations that died while
  // committing can go now.
  if (firstOnConn) sweepMasterJournals(fs);
  if (keysBad) {
    fail(RebuildKeys);
    if (!allowBadKeys) {
      closeImpl();
      return fail(RebuildKeys);
    }
    return RebuildKeys;
  }
  return ok();
}

int Table::Impl::closeImpl() {
  if (!opened) return fail(kNotOpen);
  finalizeAll();
  txn = nullptr;  // a transaction that names it leaves it alone from now on
  {
    std::lock_guard g(registryMutex());
    home->tables.erase(this);
  }
  releaseConn(home);
  home = nullptr;
  route = Route{};
  unlockShare(lockFd, lockBase);
  giveFd(*fs, lockFd);
  lockFd = -1;
  releaseIdle(fs);
  fs.reset();
  opened = false;
  keysBad = false;
  cursor = Cursor{};
  cur = 0;
  watching = watchArmed = false;
  return ok();
}

int Table::Impl::rebuild() {
  if (txn) return failStore(0, "Ключи не перестраиваются внутри транзакции");
  WriterTurn turn;
  if (int e = writerTurn(turn)) return e;
  sqlite3* db = route.conn->db;
  const std::string schema = route.schema;
  finalizeAll();
  int rc = execSql(db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return failSql(rc, db);
  auto abort = [&](int r) {
    int code = failSql(r, db);
    execSql(db, "ROLLBACK");
    return code;
  };
  // Drop whatever indexes the table has, then build every key afresh.
  std::vector<std::string> names;
  {
    sqlite3_stmt* s = nullptr;
    std::string sql = "SELECT name FROM " + quote(schema) + ".sqlite_master WHERE type='index' AND tbl_name = ? COLLATE NOCASE AND sql IS NOT NULL";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK) {
      std::string n = sqlName();
      sqlite3_bind_text(s, 1, n.data(), static_cast<int>(n.size()), SQLITE_TRANSIENT);
      while (sqlite3_step(s) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
      sqlite3_finalize(s);
    }
  }
  for (const auto& n : names)
    if ((rc = execSql(db, "DROP INDEX " + quote(schema) + "." + quote(n))) != SQLITE_OK) return abort(rc);
  for (const auto& k : def.keys)
    if ((rc = execSql(db, indexSql(def, schema, sqlName(), k))) != SQLITE_OK) return abort(rc);
  rc = execSql(db, "COMMIT");
  if (rc != SQLITE_OK) return abort(rc);
  ++fs->localWrites;
  keysBad = false;
  return ok();
}

// ---------------------------------------------------------------- reading

void Table::Impl::takeRow(sqlite3_stmt* s) {
  ++rowsRead;
  Prefetched p;
  p.pos = sqlite3_column_int64(s, 0);
  p.ver = sqlite3_column_int64(s, 1);
  if (cursor.spare.empty()) {
    p.rec = def.makeBuffer();
  } else {
    p.rec = std::move(cursor.spare.back());
    cursor.spare.pop_back();
  }
  readRow(s, p.rec.get());
  cursor.ahead.push_back(std::move(p));
}

int Table::Impl::fetch(int dir) {
  Cursor& c = cursor;
  const bool physical = c.key < 0;
  const bool descKey = !physical && def.keys[static_cast<std::size_t>(c.key)].descending;
  const bool ascending = (dir > 0) != descKey;  // along the key's values
  const char* posOrder = dir > 0 ? "ASC" : "DESC";
  const char* posCmp = dir > 0 ? ">" : "<";
  const std::string filter = c.filterSql.empty() ? "" : " AND (" + c.filterSql + ")";
  const std::string head = "SELECT " + columns() + " FROM " + qualified() + " WHERE 1";
  int want = c.batch;
  c.stamp = stamp();
  c.checkedAt = std::chrono::steady_clock::now();

  auto bindFilter = [&](sqlite3_stmt* s, int from) {
    for (const auto& v : c.filterParams) {
      if (auto* i = std::get_if<std::int64_t>(&v)) sqlite3_bind_int64(s, from, *i);
      else if (auto* d = std::get_if<double>(&v)) sqlite3_bind_double(s, from, *d);
      else {
        const auto& str = std::get<std::string>(v);
        sqlite3_bind_text(s, from, str.data(), static_cast<int>(str.size()), SQLITE_TRANSIENT);
      }
      ++from;
    }
  };
  auto run = [&](sqlite3_stmt* s) -> int {
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) takeRow(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    if (rc != SQLITE_DONE) return failSql(rc, route.conn->db);
    return Ok;
  };

  std::string ord = physical ? std::string("_pos ") + posOrder
                             : keyExpr(c.key) + (ascending ? " ASC" : " DESC") + ", _pos " + posOrder;
  if (c.state == Cursor::State::Start) {
    sqlite3_stmt* s = stmt(head + filter + " ORDER BY " + ord + " LIMIT ?");
    if (!s) return err.code;
    int n = 1;
    bindFilter(s, n);
    n += static_cast<int>(c.filterParams.size());
    sqlite3_bind_int(s, n, want);
    return run(s);
  }
  if (physical) {
    sqlite3_stmt* s = stmt(head + " AND _pos " + posCmp + " ?" + filter + " ORDER BY " + ord + " LIMIT ?");
    if (!s) return err.code;
    sqlite3_bind_int64(s, 1, c.state == Cursor::State::After ? c.pos : (dir > 0 ? LLONG_MIN : LLONG_MAX));
    bindFilter(s, 2);
    sqlite3_bind_int(s, 2 + static_cast<int>(c.filterParams.size()), want);
    return run(s);
  }
  // Records with the same key value after the position, then the next values.
  Position from = c.state == Cursor::State::After ? c.pos : (dir > 0 ? LLONG_MIN : LLONG_MAX);
  std::string ke = keyExpr(c.key);
  sqlite3_stmt* s1 = stmt(head + " AND " + ke + " = ? AND _pos " + posCmp + " ?" + filter + " ORDER BY _pos " + posOrder + " LIMIT ?");
  if (!s1) return err.code;
  bindKey(s1, 1, c.value);
  sqlite3_bind_int64(s1, 2, from);
  bindFilter(s1, 3);
  sqlite3_bind_int(s1, 3 + static_cast<int>(c.filterParams.size()), want);
  if (int rc = run(s1); rc != Ok) return rc;
  int got = static_cast<int>(c.ahead.size());
  if (got >= want) return Ok;
  sqlite3_stmt* s2 = stmt(head + " AND " + ke + (ascending ? " > ?" : " < ?") + filter + " ORDER BY " + ord + " LIMIT ?");
  if (!s2) return err.code;
  bindKey(s2, 1, c.value);
  bindFilter(s2, 2);
  sqlite3_bind_int(s2, 2 + static_cast<int>(c.filterParams.size()), want - got);
  return run(s2);
}

int Table::Impl::step(int dir) {
  if (int e = checkOpen()) return e;
  Cursor& c = cursor;
  if (c.state == Cursor::State::None) return fail(NoRecord);
  if (c.dir != dir) {
    c.ahead.clear();
    c.batch = 8;
    c.dir = dir;
  }
  if (!c.ahead.empty()) {
    // Rows read ahead stay valid while neither this process nor another
    // station has written the file. Reading the file's header costs a system
    // call, so within a burst of reads it is checked every 0.2 ms.
    auto now = std::chrono::steady_clock::now();
    if (fs->localWrites.load() != c.stamp.writes) {
      c.ahead.clear();
    } else if (now - c.checkedAt > std::chrono::microseconds(200)) {
      if (stamp() == c.stamp) c.checkedAt = now;
      else c.ahead.clear();
    }
  }
  if (c.ahead.empty()) {
    if (int e = fetch(dir)) return e;
    if (c.batch < 256) c.batch *= 2;
    if (c.ahead.empty()) return fail(NoRecord);
  }
  Prefetched p = std::move(c.ahead.front());
  c.ahead.pop_front();
  def.copyBuffer(buf, p.rec.get());
  c.spare.push_back(std::move(p.rec));
  cur = p.pos;
  curVer = p.ver;
  if (watchArmed) {
    watchArmed = false;
    watching = true;
    watchedPos = p.pos;
    watchedVer = p.ver;
  }
  c.pos = p.pos;
  if (c.key >= 0) c.value = keyValue(c.key, buf);
  c.state = Cursor::State::After;
  return ok();
}

int Table::Impl::readCurrent(sqlite3_stmt* s) {
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) {
    readRow(s, buf);
    cur = sqlite3_column_int64(s, 0);
    curVer = sqlite3_column_int64(s, 1);
  }
  sqlite3_reset(s);
  if (rc == SQLITE_DONE) return fail(NoRecord);
  if (rc != SQLITE_ROW) return failSql(rc, route.conn->db);
  if (watchArmed) {
    watchArmed = false;
    watching = true;
    watchedPos = cur;
    watchedVer = curVer;
  }
  return ok();
}

int Table::Impl::findDuplicateKey(Position self) {
  for (std::size_t i = 0; i < def.keys.size(); ++i) {
    const KeyDef& k = def.keys[i];
    if (!k.unique) continue;
    sqlite3_stmt* s = stmt("SELECT 1 FROM " + qualified() + " WHERE " + keyExpr(static_cast<int>(i)) + " = ? AND _pos <> ? LIMIT 1");
    if (!s) continue;
    bindKey(s, 1, keyValue(static_cast<int>(i), buf));
    sqlite3_bind_int64(s, 2, self);
    bool dup = sqlite3_step(s) == SQLITE_ROW;
    sqlite3_reset(s);
    if (dup) return static_cast<int>(i);
  }
  return -1;
}

// ---------------------------------------------------------------- Table

Table::Table(const TableDef& def, void* buffer, std::string fullName) : d_(std::make_unique<Impl>(def, buffer)) {
  setName(std::move(fullName));
}

Table::~Table() {
  if (d_->opened) d_->closeImpl();
}

const TableDef& Table::def() const { return d_->def; }

void Table::setName(std::string fullName) {
  d_->fullName = std::move(fullName);
  d_->parts = splitName(d_->fullName);
}

const std::string& Table::name() const { return d_->fullName; }
void Table::setPassword(std::string_view pw) { d_->password = std::string(pw); }
void Table::clearPassword() { d_->password.reset(); }
bool Table::isOpen() const { return d_->opened; }
const ErrorInfo& Table::error() const { return d_->err; }

int Table::open(int mode) { return d_->openImpl(mode, false); }
int Table::close() { return d_->closeImpl(); }

int Table::create() { return d_->createImpl(true); }

int Table::createIfMissing() {
  Impl& d = *d_;
  if (d.opened) return d.ok();
  // Several stations may find the table missing at once: whoever creates it
  // first wins, the others open what it made; nothing is ever replaced.
  for (int attempt = 0; attempt < 100; ++attempt) {
    int rc = open(Shared);
    if (rc == Ok) {
      close();
      return d.ok();
    }
    if (rc != FileNotFound && rc != AccessDenied) return rc;
    if (rc == FileNotFound) {
      rc = d.createImpl(false);
      if (rc != Ok && rc != AccessDenied) return rc;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10 + attempt));
  }
  return d.fail(AccessDenied);
}

int Table::Impl::createImpl(bool replace) {
  Impl& d = *this;
  if (d.opened) return d.fail(AlreadyOpen);
  std::string path = filepath::resolve(d.parts.file);
  std::string dir = filepath::directoryOf(path);
  if (!dir.empty() && !filepath::isDirectory(dir)) return d.fail(PathNotFound);
  bool multi = !d.parts.table.empty();
  if (replace && filepath::exists(path) && !multi) {
    // A single-table file is replaced by the new, empty one, unless someone
    // has it open; the removal happens while that is known.
    ExclusiveHold probe(path, d.sqlName());
    if (probe.fd >= 0) {
      if (!probe.locked || !probe.fs->conns.empty() || !lockFileInUse(probe.fd, true)) return d.fail(AccessDenied);
      if (::unlink(path.c_str()) != 0 && errno != ENOENT) return d.fail(AccessDenied);
      ::unlink((path + "-journal").c_str());
    }
  }
  if (!filepath::exists(path)) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return d.fail(errno == ENOENT ? PathNotFound : AccessDenied);
    ::close(fd);
  }
  ExclusiveHold hold(path, d.sqlName());
  if (!hold.locked) return d.fail(AccessDenied);
  ErrorInfo cerr;
  int rc = acquireConn(hold.fs, d.password, true, hold.conn, cerr);
  if (rc != Ok) {
    hold.conn = nullptr;
    d.err = cerr;
    d.err.code = rc;
    d.err.file = d.fullName;
    return rc;
  }
  if (hold.turn.take(hold.fs, cerr) != Ok) {
    d.fail(AccessDenied);
    d.err.storeMessage = cerr.storeMessage;
    return AccessDenied;
  }
  sqlite3* db = hold.conn->db;
  std::string t = d.sqlName();
  rc = execSql(db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return d.failSql(rc, db);
  auto abort = [&](int r) {
    int code = d.failSql(r, db);
    execSql(db, "ROLLBACK");
    return code;
  };
  if ((rc = execSql(db, "CREATE TABLE IF NOT EXISTS main._layout(name TEXT PRIMARY KEY COLLATE NOCASE, layout TEXT NOT NULL)")) != SQLITE_OK)
    return abort(rc);
  if (!replace && tableExists(db, "main", t)) {
    // Made meanwhile by another station: kept as it is.
    if ((rc = execSql(db, "COMMIT")) != SQLITE_OK) return abort(rc);
    return d.ok();
  }
  if ((rc = execSql(db, "DROP TABLE IF EXISTS main." + quote(t))) != SQLITE_OK) return abort(rc);
  if ((rc = execSql(db, tableSql(d.def, "main", t))) != SQLITE_OK) return abort(rc);
  for (const auto& k : d.def.keys)
    if ((rc = execSql(db, indexSql(d.def, "main", t, k))) != SQLITE_OK) return abort(rc);
  {
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO main._layout(name, layout) VALUES(?, ?)", -1, &s, nullptr);
    if (rc != SQLITE_OK) return abort(rc);
    std::string sig = d.def.signature();
    sqlite3_bind_text(s, 1, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, sig.data(), static_cast<int>(sig.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) return abort(rc);
  }
  if ((rc = execSql(db, "COMMIT")) != SQLITE_OK) return abort(rc);
  ++hold.fs->localWrites;
  return d.ok();
}

int Table::remove() {
  Impl& d = *d_;
  if (d.opened) return d.fail(AlreadyOpen);
  std::string path = filepath::resolve(d.parts.file);
  if (!filepath::exists(path)) return d.fail(FileNotFound);
  ExclusiveHold hold(path, d.sqlName());
  if (!hold.locked) return d.fail(AccessDenied);
  if (d.parts.table.empty()) {
    if (!hold.fs->conns.empty() || !lockFileInUse(hold.fd, true)) return d.fail(AccessDenied);
    if (::unlink(path.c_str()) != 0) return d.fail(AccessDenied);
    ::unlink((path + "-journal").c_str());
    return d.ok();
  }
  ErrorInfo cerr;
  int rc = acquireConn(hold.fs, d.password, false, hold.conn, cerr);
  if (rc != Ok) {
    hold.conn = nullptr;
    d.err = cerr;
    d.err.code = rc;
    return rc;
  }
  if (hold.turn.take(hold.fs, cerr) != Ok) {
    d.fail(AccessDenied);
    d.err.storeMessage = cerr.storeMessage;
    return AccessDenied;
  }
  sqlite3* db = hold.conn->db;
  std::string t = d.sqlName();
  if (!tableExists(db, "main", t)) return d.fail(FileNotFound);
  std::string literal = "'";
  for (char ch : t) literal += ch == '\'' ? std::string("''") : std::string(1, ch);
  literal += "'";
  rc = execSql(db, "BEGIN IMMEDIATE; DROP TABLE main." + quote(t) + "; DELETE FROM main._layout WHERE name = " + literal +
                       " COLLATE NOCASE; COMMIT;");
  if (rc != SQLITE_OK) {
    int code = d.failSql(rc, db);
    execSql(db, "ROLLBACK");
    return code;
  }
  ++hold.fs->localWrites;
  return d.ok();
}

int Table::set() {
  if (int e = d_->checkOpen()) return e;
  d_->cursor.state = Cursor::State::Start;
  d_->cursor.key = -1;
  d_->cursor.ahead.clear();
  d_->cursor.dir = 0;
  d_->cursor.filterSql.clear();
  d_->cursor.filterParams.clear();
  return d_->ok();
}

int Table::set(int key) {
  if (int e = set()) return e;
  if (key < 0 || key >= static_cast<int>(def().keys.size())) return d_->failStore(0, "Нет такого ключа");
  d_->cursor.key = key;
  return Ok;
}

int Table::setFrom(int key) {
  if (int e = set(key)) return e;
  d_->cursor.state = Cursor::State::FromValue;
  d_->cursor.value = d_->keyValue(key, d_->buf);
  return Ok;
}

int Table::setAt(int key, Position pos) {
  Impl& d = *d_;
  if (int e = d.checkOpen()) return e;
  // A position that is gone leaves the reading where it was.
  Cursor before = d.cursor;
  auto keep = [&](int code) {
    d.cursor = std::move(before);
    return code;
  };
  if (key >= 0) {
    if (int e = set(key)) return keep(e);
  } else if (int e = set()) {
    return keep(e);
  }
  Cursor& c = d.cursor;
  if (key >= 0) {
    // The key value of the record at that position, without touching the buffer.
    sqlite3_stmt* s = d.stmt("SELECT " + d.columns() + " FROM " + d.qualified() + " WHERE _pos = ?");
    if (!s) return keep(d.err.code);
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
      auto rec = d.def.makeBuffer();
      d.readRow(s, rec.get());
      c.value = d.keyValue(key, rec.get());
    }
    sqlite3_reset(s);
    if (rc != SQLITE_ROW) {
      if (rc != SQLITE_DONE) return keep(d.failSql(rc, d.route.conn->db));
      return keep(d.fail(NoRecord));
    }
  }
  c.state = Cursor::State::After;
  c.pos = pos - 1;  // the saved record itself comes next
  return d.ok();
}

int Table::next() { return d_->step(+1); }

int Table::previous() {
  Cursor& c = d_->cursor;
  if (c.state == Cursor::State::After && c.dir > 0) {
    // Going back from the record just read: the one before it comes next.
  } else if (c.state == Cursor::State::After && c.dir == 0) {
    c.pos += 2;  // set at a saved position: that record comes first going back too
  }
  return d_->step(-1);
}

int Table::get(int key) {
  Impl& d = *d_;
  if (int e = d.checkOpen()) return e;
  if (key < 0 || key >= static_cast<int>(def().keys.size())) return d.failStore(0, "Нет такого ключа");
  sqlite3_stmt* s = d.stmt("SELECT " + d.columns() + " FROM " + d.qualified() + " WHERE " + d.keyExpr(key) + " = ? ORDER BY _pos LIMIT 1");
  if (!s) return d.err.code;
  d.bindKey(s, 1, d.keyValue(key, d.buf));
  return d.readCurrent(s);
}

int Table::getAt(Position pos) {
  Impl& d = *d_;
  if (int e = d.checkOpen()) return e;
  sqlite3_stmt* s = d.stmt("SELECT " + d.columns() + " FROM " + d.qualified() + " WHERE _pos = ?");
  if (!s) return d.err.code;
  sqlite3_bind_int64(s, 1, pos);
  return d.readCurrent(s);
}

int Table::add() {
  Impl& d = *d_;
  if (int e = d.checkOpen()) return e;
  std::string sql = "INSERT INTO " + d.qualified() + "(";
  std::string vals;
  bool first = true;
  for (const auto& f : d.def.fields) {
    if (!first) {
      sql += ", ";
      vals += ", ";
    }
    first = false;
    sql += quote(f.name);
    vals += "?";
  }
  sql += ") VALUES(" + vals + ")";
  sqlite3_stmt* s = d.stmt(sql);
  if (!s) return d.err.code;
  WriterTurn turn;
  if (int e = d.writerTurn(turn)) return e;
  d.bindFields(s, 1, d.buf);
  int rc = sqlite3_step(s);
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  if (rc != SQLITE_DONE) {
    int code = d.failSql(rc, d.route.conn->db);
    if (code == DuplicateKey) {
      int k = d.findDuplicateKey(0);
      d.fail(DuplicateKey);
      d.err.key = d.def.keyLabel(k);
    }
    return code;
  }
  d.cur = sqlite3_last_insert_rowid(d.route.conn->db);
  d.curVer = 0;
  ++d.fs->localWrites;
  return d.ok();
}

int Table::put() {
  Impl& d = *d_;
  if (int e = d.checkOpen()) return e;
  if (d.cur == 0) return d.fail(NoRecord);
  bool watched = d.watching && d.watchedPos == d.cur;
  d.watching = false;
  std::string sql = "UPDATE " + d.qualified() + " SET ";
  for (const auto& f : d.def.fields) sql += quote(f.name) + " = ?, ";
  sql += "_ver = _ver + 1 WHERE _pos = ?";
  if (watched) sql += " AND _ver = ?";
  sqlite3_stmt* s = d.stmt(sql);
  if (!s) return d.err.code;
  WriterTurn turn;
  if (int e = d.writerTurn(turn)) return e;
  d.bindFields(s, 1, d.buf);
  int n = static_cast<int>(d.def.fields.size()) + 1;
  sqlite3_bind_int64(s, n, d.cur);
  if (watched) sqlite3_bind_int64(s, n + 1, d.watchedVer);
  int rc = sqlite3_step(s);
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  if (rc != SQLITE_DONE) {
    int code = d.failSql(rc, d.route.conn->db);
    if (code == DuplicateKey) {
      int k = d.findDuplicateKey(d.cur);
      d.fail(DuplicateKey);
      d.err.key = d.def.keyLabel(k);
    }
    return code;
  }
  if (sqlite3_changes(d.route.conn->db) == 0) return d.fail(watched ? ChangedByOther : NoRecord);
  d.curVer = watched ? d.watchedVer + 1 : -1;
  ++d.fs->localWrites;
  return d.ok();
}

int Table::del() {
  Impl& d = *d_;
  if (int e = d.checkOpen()) return e;
  if (d.cur == 0) return d.fail(NoRecord);
  bool watched = d.watching && d.watchedPos == d.cur;
  d.watching = false;
  sqlite3_stmt* s = d.stmt("DELETE FROM " + d.qualified() + " WHERE _pos = ?" + (watched ? " AND _ver = ?" : ""));
  if (!s) return d.err.code;
  WriterTurn turn;
  if (int e = d.writerTurn(turn)) return e;
  sqlite3_bind_int64(s, 1, d.cur);
  if (watched) sqlite3_bind_int64(s, 2, d.watchedVer);
  int rc = sqlite3_step(s);
  sqlite3_reset(s);
  if (rc != SQLITE_DONE) return d.failSql(rc, d.route.conn->db);
  if (sqlite3_changes(d.route.conn->db) == 0) return d.fail(watched ? ChangedByOther : NoRecord);
  d.cur = 0;
  ++d.fs->localWrites;
  return d.ok();
}

std::int64_t Table::records() {
  Impl& d = *d_;
  if (d.checkOpen()) return 0;
  sqlite3_stmt* s = d.stmt("SELECT count(*) FROM " + d.qualified());
  if (!s) return 0;
  std::int64_t n = 0;
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) n = sqlite3_column_int64(s, 0);
  sqlite3_reset(s);
  if (rc != SQLITE_ROW) d.failSql(rc, d.route.conn->db);
  else d.ok();
  return n;
}

Position Table::position() const { return d_->cur; }
std::int64_t Table::rowsRead() const { return d_->rowsRead; }

void Table::watch() {
  d_->watchArmed = true;
  d_->watching = false;
}

int Table::buildKeys() {
  Impl& d = *d_;
  if (!d.opened) {
    int rc = d.openImpl(Exclusive, true);
    if (rc != Ok && rc != RebuildKeys) return rc;
    int r = d.rebuild();
    ErrorInfo keep = d.err;
    d.closeImpl();
    d.err = keep;
    return r;
  }
  return d.rebuild();
}

std::int64_t Table::blobSize(int field) {
  if (field < 0 || field >= static_cast<int>(def().fields.size())) return -1;
  const FieldDef& f = def().fields[static_cast<std::size_t>(field)];
  const char* p = static_cast<const char*>(d_->buf) + f.offset;
  if (f.type == FieldType::Blob) return static_cast<std::int64_t>(reinterpret_cast<const std::vector<std::uint8_t>*>(p)->size());
  if (f.type == FieldType::Memo) return static_cast<std::int64_t>(reinterpret_cast<const std::string*>(p)->size());
  return -1;
}

int Table::send(std::string_view option) {
  std::string o = cp1251::upper(option);
  auto eq = o.find('=');
  std::string name = o.substr(0, eq);
  std::string value = eq == std::string::npos ? "" : o.substr(eq + 1);
  if (name == "QUICKSCAN" && (value == "ON" || value == "OFF")) {
    // Reading ahead is always on and always checked against other stations'
    // commits, so the option changes nothing here.
    return d_->ok();
  }
  return d_->failStore(0, "Неизвестный параметр драйвера: " + std::string(option));
}

int removeFile(const std::string& path) {
  std::string p = filepath::resolve(path);
  if (!filepath::exists(p)) return FileNotFound;
  auto fs = fileState(p);
  int fd = takeFd(*fs);
  if (fd < 0) {
    releaseIdle(fs);
    return -fd == ENOENT ? FileNotFound : AccessDenied;
  }
  // Every opener holds the file-in-use byte, so taking it for writing fails
  // while any station has the file open; the file is removed while it is held.
  int rc = Ok;
  bool mine;
  {
    std::lock_guard g(registryMutex());
    mine = !fs->conns.empty();
  }
  if (mine || !lockFileInUse(fd, true)) rc = AccessDenied;
  else if (!sameFile(fd, p)) rc = filepath::exists(p) ? AccessDenied : FileNotFound;
  else if (::unlink(p.c_str()) != 0) rc = errno == ENOENT ? FileNotFound : AccessDenied;
  else ::unlink((p + "-journal").c_str());
  unlockFileInUse(fd);
  giveFd(*fs, fd);
  releaseIdle(fs);
  return rc;
}

int copyFile(const std::string& from, const std::string& to, const std::string* password, ErrorInfo* error) {
  ErrorInfo local;
  ErrorInfo& e = error ? *error : local;
  e = ErrorInfo{};
  e.file = from;
  std::string src = filepath::resolve(from);
  if (!filepath::exists(src)) {
    std::string dir = filepath::directoryOf(src);
    return e.code = (dir.empty() || filepath::isDirectory(dir) ? FileNotFound : PathNotFound);
  }
  std::string dst = filepath::resolve(to);
  std::string dir = filepath::directoryOf(dst);
  if (!dir.empty() && !filepath::isDirectory(dir)) {
    e.file = to;
    return e.code = PathNotFound;
  }
  sqlite3* a = nullptr;
  sqlite3* b = nullptr;
  auto done = [&](int code, sqlite3* which) {
    if (code != Ok) {
      e.code = code;
      e.storeCode = which ? sqlite3_errcode(which) : 0;
      e.storeMessage = which ? sqlite3_errmsg(which) : "";
    }
    sqlite3_close(a);
    sqlite3_close(b);
    return code;
  };
  if (sqlite3_open_v2(src.c_str(), &a, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return done(AccessDenied, a);
  if (password) sqlite3_key(a, password->data(), static_cast<int>(password->size()));
  prepareConnection(a);
  int rc = execSql(a, "SELECT count(*) FROM sqlite_master");
  if (rc != SQLITE_OK) return done(mapSql(rc) == StoreSpecific ? NotDataFile : mapSql(rc), a);
  ::unlink((dst + "-journal").c_str());
  if (sqlite3_open_v2(dst.c_str(), &b, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    e.file = to;
    return done(AccessDenied, b);
  }
  if (password) sqlite3_key(b, password->data(), static_cast<int>(password->size()));
  prepareConnection(b);
  sqlite3_backup* bk = sqlite3_backup_init(b, "main", a, "main");
  if (!bk) {
    e.file = to;
    return done(mapSql(sqlite3_errcode(b)), b);
  }
  rc = sqlite3_backup_step(bk, -1);
  sqlite3_backup_finish(bk);
  if (rc != SQLITE_DONE) {
    e.file = to;
    return done(mapSql(rc) == Ok ? StoreSpecific : mapSql(rc), b);
  }
  return done(Ok, nullptr);
}

}  // namespace store
