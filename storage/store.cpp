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
constexpr int kBusyMs = 15000;
// Share locks live far beyond any real data, one slot of three bytes per table.
constexpr off_t kLockBase = off_t(1) << 40;
enum LockByte { LockOpen = 0, LockWriter = 1, LockDenyWrite = 2 };

// ---------------------------------------------------------------- registry

struct Registry {
  std::recursive_mutex m;
  pid_t pid = ::getpid();
  std::map<std::string, std::shared_ptr<FileState>> files;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: tables may close late
  if (r->pid != ::getpid()) {
    // A forked child must not touch its parent's connections.
    r->pid = ::getpid();
    for (auto& [path, fs] : r->files) {
      fs->conns.clear();
      fs->spareFds.clear();
    }
    r->files.clear();
  }
  return *r;
}

std::string canonical(const std::string& path) {
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf)) return buf;
  return path;
}

std::shared_ptr<FileState> fileState(const std::string& path) {
  auto& r = registry();
  std::lock_guard g(r.m);
  std::string c = canonical(path);
  auto& fs = r.files[c];
  if (!fs) {
    fs = std::make_shared<FileState>();
    fs->path = c;
  }
  return fs;
}

void releaseIdle(const std::shared_ptr<FileState>& fs) {
  auto& r = registry();
  std::lock_guard g(r.m);
  if (!fs->conns.empty() || fs->fdsInUse > 0) return;
  // Closing a descriptor drops this process's POSIX locks on the file, so
  // descriptors close only when no connection to it is left.
  for (int fd : fs->spareFds) ::close(fd);
  fs->spareFds.clear();
  auto it = r.files.find(fs->path);
  if (it != r.files.end() && it->second == fs) r.files.erase(it);
}

int takeFd(FileState& fs) {
  auto& r = registry();
  std::lock_guard g(r.m);
  int fd;
  if (!fs.spareFds.empty()) {
    fd = fs.spareFds.back();
    fs.spareFds.pop_back();
  } else {
    fd = ::open(fs.path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return -errno;
  }
  ++fs.fdsInUse;
  return fd;
}

void giveFd(FileState& fs, int fd) {
  auto& r = registry();
  std::lock_guard g(r.m);
  fs.spareFds.push_back(fd);
  --fs.fdsInUse;
}

// ---------------------------------------------------------------- share locks

bool ofdLock(int fd, short type, off_t at, off_t len = 1) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = len;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

off_t lockSlot(const std::string& tableName) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : cp1251::upper(tableName)) h = (h ^ c) * 16777619u;
  return kLockBase + static_cast<off_t>(h & 0xFFFFF) * 4;
}

void unlockShare(int fd, off_t base) { ofdLock(fd, F_UNLCK, base, 3); }

// Takes the share locks of an open mode; false when another opener forbids it.
bool lockShare(int fd, off_t base, int mode) {
  if (!ofdLock(fd, F_RDLCK, base + LockOpen)) return false;
  bool ok = true;
  if (mode == Exclusive) {
    ok = ofdLock(fd, F_WRLCK, base + LockOpen);
  } else if (mode == Shared) {
    ok = ofdLock(fd, F_RDLCK, base + LockWriter);
    if (ok) {
      // Nobody denies writing? Only looked at, so that shared openers never
      // stand in one another's way.
      struct flock fl{};
      fl.l_type = F_WRLCK;
      fl.l_whence = SEEK_SET;
      fl.l_start = base + LockDenyWrite;
      fl.l_len = 1;
      ok = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type == F_UNLCK;
    }
  } else {  // DenyWrite
    ok = ofdLock(fd, F_RDLCK, base + LockDenyWrite);
    if (ok) ok = ofdLock(fd, F_WRLCK, base + LockWriter);  // nobody else writing?
    if (ok) ok = ofdLock(fd, F_RDLCK, base + LockWriter);
  }
  if (!ok) unlockShare(fd, base);
  return ok;
}

// ---------------------------------------------------------------- connections

int collateNoCase(void*, int n1, const void* a, int n2, const void* b) {
  return cp1251::compareNoCase(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(n1)),
                               std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(n2)));
}

void foldFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool up) {
  if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER || sqlite3_value_type(argv[0]) == SQLITE_FLOAT) {
    sqlite3_result_value(ctx, argv[0]);
    return;
  }
  const char* t = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  int n = sqlite3_value_bytes(argv[0]);
  std::string s = up ? cp1251::upper(std::string_view(t, static_cast<std::size_t>(n)))
                     : cp1251::lower(std::string_view(t, static_cast<std::size_t>(n)));
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}
void upperFunction(sqlite3_context* c, int n, sqlite3_value** v) { foldFunction(c, n, v, true); }
void lowerFunction(sqlite3_context* c, int n, sqlite3_value** v) { foldFunction(c, n, v, false); }

void prepareConnection(sqlite3* db) {
  // Collations must exist before any statement touches an index using them.
  sqlite3_create_collation_v2(db, "CP1251CI", SQLITE_UTF8, nullptr, collateNoCase, nullptr);
  sqlite3_create_function_v2(db, "cp1251_upper", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, upperFunction, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db, "cp1251_lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, lowerFunction, nullptr, nullptr, nullptr);
  sqlite3_busy_timeout(db, kBusyMs);
  sqlite3_extended_result_codes(db, 1);
}

int execSql(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

std::string quote(const std::string& id) {
  std::string q = "\"";
  for (char c : id) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

// Maps an SQLite result to the store's error number.
int mapSql(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return Ok;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH: return AccessDenied;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return NotDataFile;
    case SQLITE_CANTOPEN: return FileNotFound;
    case SQLITE_CONSTRAINT: return (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) ? DuplicateKey : StoreSpecific;
    default: return StoreSpecific;
  }
}

std::string pwKeyOf(const std::optional<std::string>& pw) { return pw ? "K" + *pw : std::string("P"); }

// Opens (or shares) the connection of a file. `create` allows a new file.
int acquireConn(const std::shared_ptr<FileState>& fs, const std::optional<std::string>& pw, bool create, Conn*& out,
                ErrorInfo& err) {
  auto& r = registry();
  std::lock_guard g(r.m);
  std::string k = pwKeyOf(pw);
  auto it = fs->conns.find(k);
  if (it != fs->conns.end()) {
    ++it->second->refs;
    out = it->second;
    return Ok;
  }
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(fs->path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    int e = errno;
    err.storeCode = rc;
    err.storeMessage = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    if (e == EACCES || e == EPERM || (rc & 0xFF) == SQLITE_PERM || (rc & 0xFF) == SQLITE_READONLY) return AccessDenied;
    return filepath::exists(fs->path) ? StoreSpecific : FileNotFound;
  }
  if (pw) sqlite3_key(db, pw->data(), static_cast<int>(pw->size()));
  prepareConnection(db);
  // A wrong key, a missing key or a foreign file shows only when the schema
  // is first read.
  rc = execSql(db, "SELECT count(*) FROM sqlite_master");
  if (rc != SQLITE_OK) {
    err.storeCode = rc;
    err.storeMessage = sqlite3_errmsg(db);
    sqlite3_close(db);
    int code = mapSql(rc);
    return code == StoreSpecific || code == FileNotFound ? NotDataFile : code;
  }
  auto* c = new Conn;
  c->db = db;
  c->fs = fs;
  c->pwKey = k;
  c->keyed = pw.has_value();
  c->password = pw.value_or("");
  c->refs = 1;
  fs->conns[k] = c;
  out = c;
  return Ok;
}

void releaseConn(Conn* c) {
  auto& r = registry();
  std::shared_ptr<FileState> fs;
  {
    std::lock_guard g(r.m);
    if (--c->refs > 0) return;
    fs = c->fs;
    fs->conns.erase(c->pwKey);
    sqlite3_close_v2(c->db);
    delete c;
  }
  releaseIdle(fs);
}

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
  ExclusiveHold(const std::string& path, const std::string& table) : fs(fileState(path)) {
    fd = takeFd(*fs);
    if (fd < 0) return;
    slot = lockSlot(table);
    locked = lockShare(fd, slot, Exclusive);
  }
  ~ExclusiveHold() {
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
  return Ok;
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
    return fail(-fd == ENOENT ? FileNotFound : AccessDenied);
  }
  lockFd = fd;
  lockBase = lockSlot(sqlName());
  auto undo = [&](int code) {
    unlockShare(lockFd, lockBase);
    giveFd(*fs, lockFd);
    lockFd = -1;
    if (home) releaseConn(home);
    home = nullptr;
    releaseIdle(fs);
    return code;
  };
  if (!lockShare(lockFd, lockBase, m)) return undo(fail(AccessDenied));
  ErrorInfo cerr;
  int rc = acquireConn(fs, password, false, home, cerr);
  if (rc != Ok) {
    int code = undo(rc);
    err = cerr;
    err.code = code;
    err.file = fullName;
    return code;
  }
  route = Route{home, "main"};
  sqlite3* db = home->db;
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
        haveLayout = true;
        layout = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      } else if (r != SQLITE_DONE) {
        int code = failSql(r, db);
        sqlite3_finalize(s);
        return undo(code);
      }
      sqlite3_finalize(s);
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
        const char* sql = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        have[cp1251::upper(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)))] = sql ? sql : "";
      }
      sqlite3_finalize(s);
    }
    for (const auto& k : def.keys) {
      auto it = have.find(cp1251::upper(indexName(sqlName(), k)));
      if (it == have.end() || it->second != storedIndexSql(def, sqlName(), k)) keysBad = true;
    }
  }
  home->tables.insert(this);
  opened = true;
  mode = m;
  cur = 0;
  cursor = Cursor{};
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
  home->tables.erase(this);
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
    // A single-table file is replaced by the new, empty one, unless someone has it open.
    {
      ExclusiveHold probe(path, d.sqlName());
      if (probe.fd >= 0 && (!probe.locked || !probe.fs->conns.empty())) return d.fail(AccessDenied);
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return d.fail(AccessDenied);
    ::unlink((path + "-journal").c_str());
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
    if (!hold.fs->conns.empty()) return d.fail(AccessDenied);
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
  if (key >= 0) {
    if (int e = set(key)) return e;
  } else if (int e = set()) {
    return e;
  }
  Impl& d = *d_;
  Cursor& c = d.cursor;
  if (key >= 0) {
    // The key value of the record at that position, without touching the buffer.
    sqlite3_stmt* s = d.stmt("SELECT " + d.columns() + " FROM " + d.qualified() + " WHERE _pos = ?");
    if (!s) return d.err.code;
    sqlite3_bind_int64(s, 1, pos);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
      auto rec = d.def.makeBuffer();
      d.readRow(s, rec.get());
      c.value = d.keyValue(key, rec.get());
    }
    sqlite3_reset(s);
    if (rc != SQLITE_ROW) {
      if (rc != SQLITE_DONE) return d.failSql(rc, d.route.conn->db);
      return d.fail(NoRecord);
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
  if (::unlink(p.c_str()) != 0) return errno == ENOENT ? FileNotFound : AccessDenied;
  ::unlink((p + "-journal").c_str());
  return Ok;
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

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(std::initializer_list<Table*> tables) : tables_(tables) {}
Transaction::Transaction(std::vector<Table*> tables) : tables_(std::move(tables)) {}

Transaction::~Transaction() {
  if (active_) rollback();
}

int Transaction::begin() {
  error_ = ErrorInfo{};
  if (active_) {
    error_.code = StoreSpecific;
    error_.storeMessage = "Транзакция уже начата";
    return error_.code;
  }
  if (tables_.empty()) return Ok;
  for (Table* t : tables_) {
    if (!t->d_->opened) {
      error_.code = kNotOpen;
      error_.file = t->name();
      return error_.code;
    }
  }
  Conn* primary = tables_[0]->d_->home;
  primary_ = primary;
  // Tables of other files join the first table's connection as attached
  // databases, so that one commit covers every file.
  std::set<Conn*> joined;
  for (Table* t : tables_) {
    Conn* h = t->d_->home;
    if (h == primary || joined.count(h)) continue;
    std::string alias = "f" + std::to_string(aliases_.size() + 1);
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(primary->db, ("ATTACH DATABASE ? AS " + alias + " KEY ?").c_str(), -1, &s, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_text(s, 1, h->fs->path.c_str(), -1, SQLITE_TRANSIENT);
      if (h->keyed) sqlite3_bind_blob(s, 2, h->password.data(), static_cast<int>(h->password.size()), SQLITE_TRANSIENT);
      else sqlite3_bind_text(s, 2, "", 0, SQLITE_STATIC);
      rc = sqlite3_step(s);
      sqlite3_finalize(s);
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) {
      error_.code = mapSql(rc);
      error_.storeCode = rc;
      error_.storeMessage = sqlite3_errmsg(primary->db);
      error_.file = t->name();
      restoreRoutes();
      return error_.code;
    }
    aliases_.push_back(alias);
    joined.insert(h);
    for (Table::Impl* other : h->tables) other->setRoute(Route{primary, alias});
  }
  int rc = execSql(primary->db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) {
    error_.code = mapSql(rc);
    error_.storeCode = rc;
    error_.storeMessage = sqlite3_errmsg(primary->db);
    restoreRoutes();
    return error_.code;
  }
  active_ = true;
  return Ok;
}

void Transaction::restoreRoutes() {
  auto* primary = static_cast<Conn*>(primary_);
  if (!primary) return;
  for (const auto& alias : aliases_) {
    for (auto& [path, fs] : registry().files) {
      for (auto& [k, c] : fs->conns)
        for (Table::Impl* t : c->tables)
          if (t->route.conn == primary && t->route.schema == alias) t->setRoute(Route{t->home, "main"});
    }
    execSql(primary->db, "DETACH DATABASE " + alias);
  }
  aliases_.clear();
  primary_ = nullptr;
}

int Transaction::commit() {
  error_ = ErrorInfo{};
  if (!active_) return Ok;
  auto* primary = static_cast<Conn*>(primary_);
  int rc = execSql(primary->db, "COMMIT");
  if (rc != SQLITE_OK) {
    error_.code = mapSql(rc);
    error_.storeCode = rc;
    error_.storeMessage = sqlite3_errmsg(primary->db);
    rollback();
    return error_.code;
  }
  active_ = false;
  for (Table* t : tables_)
    if (t->d_->fs) ++t->d_->fs->localWrites;
  restoreRoutes();
  return Ok;
}

int Transaction::rollback() {
  if (!active_) return Ok;
  auto* primary = static_cast<Conn*>(primary_);
  execSql(primary->db, "ROLLBACK");
  active_ = false;
  for (Table* t : tables_) {
    if (t->d_->fs) ++t->d_->fs->localWrites;
    t->d_->cursor.ahead.clear();
  }
  restoreRoutes();
  return Ok;
}

// ---------------------------------------------------------------- View

struct View::Compiled {
  filter::Translation t;
};

View::View(Table& table) : table_(table) {}
View::~View() = default;

int View::setFilter(std::string_view expression) {
  started_ = false;
  if (cp1251::clip(expression).empty()) {
    filter_.reset();
    return table_.d_->ok();
  }
  auto c = std::make_unique<Compiled>();
  c->t = filter::translate(expression, table_.def());
  if (!c->t.ok) {
    filter_.reset();
    return table_.d_->failStore(0, "Ошибка в выражении фильтра: " + c->t.error);
  }
  filter_ = std::move(c);
  return table_.d_->ok();
}

void View::bind(const std::string& variable, Value value) {
  if (auto* s = std::get_if<std::string>(&value)) *s = std::string(cp1251::clip(*s));
  bindings_[cp1251::upper(variable)] = std::move(value);
}

void View::setOrder(int key) {
  order_ = key;
  started_ = false;
}

int View::set() {
  Table::Impl& d = *table_.d_;
  if (int e = order_ >= 0 ? table_.set(order_) : table_.set()) return e;
  if (filter_) {
    d.cursor.filterSql = filter_->t.sql;
    for (const auto& p : filter_->t.params) {
      switch (p.kind) {
        case filter::Param::Int: d.cursor.filterParams.emplace_back(p.i); break;
        case filter::Param::Real: d.cursor.filterParams.emplace_back(p.r); break;
        case filter::Param::Text: d.cursor.filterParams.emplace_back(p.s); break;
        case filter::Param::Variable: {
          auto it = bindings_.find(p.s);
          if (it == bindings_.end()) {
            d.cursor.state = Cursor::State::None;
            return d.failStore(0, "Переменная фильтра не связана: " + p.s);
          }
          std::visit([&](const auto& v) { d.cursor.filterParams.emplace_back(v); }, it->second);
          break;
        }
      }
    }
  }
  started_ = true;
  return d.ok();
}

int View::next() {
  if (!started_)
    if (int e = set()) return e;
  return table_.next();
}

int View::previous() {
  if (!started_)
    if (int e = set()) return e;
  return table_.previous();
}

std::int64_t View::records() {
  Table::Impl& d = *table_.d_;
  if (set() != Ok) return 0;
  std::string sql = "SELECT count(*) FROM " + d.qualified();
  if (!d.cursor.filterSql.empty()) sql += " WHERE " + d.cursor.filterSql;
  sqlite3_stmt* s = d.stmt(sql);
  if (!s) return 0;
  int i = 1;
  for (const auto& v : d.cursor.filterParams) {
    if (auto* n = std::get_if<std::int64_t>(&v)) sqlite3_bind_int64(s, i, *n);
    else if (auto* r = std::get_if<double>(&v)) sqlite3_bind_double(s, i, *r);
    else sqlite3_bind_text(s, i, std::get<std::string>(v).c_str(), -1, SQLITE_TRANSIENT);
    ++i;
  }
  std::int64_t n = 0;
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) n = sqlite3_column_int64(s, 0);
  sqlite3_reset(s);
  if (rc != SQLITE_ROW) d.failSql(rc, d.route.conn->db);
  return n;
}

}  // namespace store
