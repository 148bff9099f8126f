// The record store's connections and locks: which connection serves which
// thread and transaction, the share locks of the open modes, the queue of
// writers, waiting for other stations, and tidying after stations that died.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "cp1251.h"
#include "filepath.h"
#include "store_internal.h"

namespace store {

namespace {

constexpr std::chrono::milliseconds kDefaultWait{10000};  // as long as the opening procedure retries

// Share locks live far beyond any real data, one slot of three bytes per table.
constexpr off_t kLockBase = off_t(1) << 40;
enum LockByte { LockOpen = 0, LockWriter = 1, LockDenyWrite = 2 };
// After the slots: the file-in-use byte, the writers' door and their chairs.
constexpr off_t kFileInUse = kLockBase + (off_t(1) << 23);
constexpr off_t kDoor = kFileInUse + 1;
constexpr off_t kChairs = kFileInUse + 16;
constexpr off_t kChairCount = 4096;

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
      fs->txnPool.clear();
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

bool ofdLock(int fd, short type, off_t at, off_t len = 1, bool wait = false) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = len;
  for (;;) {
    if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// Another descriptor's write lock within [at, at + len): its first byte, or -1.
off_t heldWithin(int fd, off_t at, off_t len) {
  if (len <= 0) return -1;
  struct flock fl{};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = len;
  if (::fcntl(fd, F_OFD_GETLK, &fl) != 0 || fl.l_type == F_UNLCK) return -1;
  return std::max(fl.l_start, at);
}

// ---------------------------------------------------------------- waiting

thread_local std::chrono::milliseconds tlsWait = kDefaultWait;
thread_local std::chrono::steady_clock::time_point tlsBusySince;

int busyWait(void*, int count) {
  auto now = std::chrono::steady_clock::now();
  if (count == 0) tlsBusySince = now;
  auto left = tlsWait - std::chrono::duration_cast<std::chrono::milliseconds>(now - tlsBusySince);
  if (left <= std::chrono::milliseconds(0)) return 0;
  // Short naps: a lock held by a committing writer goes within milliseconds.
  std::chrono::microseconds nap(count < 20 ? 500 : count < 200 ? 2000 : 5000);
  std::this_thread::sleep_for(std::min<std::chrono::microseconds>(nap, left));
  return 1;
}

// Threads that hold a writer's turn at a file, per thread.
thread_local std::vector<FileState*> tlsTurns;

// ---------------------------------------------------------------- SQL helpers

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

std::string connKey(const std::string& pwKey) {
  return pwKey + "@" + std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

void closeDb(Conn* c) {
  sqlite3_close_v2(c->db);
  delete c;
}

// Opens a connection of its own to the file and checks the key on the schema.
int openDb(FileState& fs, const std::optional<std::string>& pw, bool create, sqlite3*& out, ErrorInfo& err) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(fs.path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    int e = errno;
    err.storeCode = rc;
    err.storeMessage = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    if (e == EACCES || e == EPERM || (rc & 0xFF) == SQLITE_PERM || (rc & 0xFF) == SQLITE_READONLY) return AccessDenied;
    return filepath::exists(fs.path) ? StoreSpecific : FileNotFound;
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
  out = db;
  return Ok;
}

// Whether a rollback journal still names the master journal `masterName` (a
// file name without directory), read the way the engine reads it.
bool journalNamesMaster(const std::string& journal, const std::string& masterName) {
  static const unsigned char kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
  int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool names = false;
  struct stat st{};
  unsigned char tail[16];
  if (::fstat(fd, &st) == 0 && st.st_size >= 16 && ::pread(fd, tail, 16, st.st_size - 16) == 16 &&
      std::memcmp(tail + 8, kMagic, 8) == 0) {
    std::uint32_t len = (std::uint32_t(tail[0]) << 24) | (std::uint32_t(tail[1]) << 16) | (std::uint32_t(tail[2]) << 8) | tail[3];
    if (len > 0 && len <= 65536 && off_t(len) <= st.st_size - 16) {
      std::string name(len, '\0');
      if (::pread(fd, name.data(), len, st.st_size - 16 - off_t(len)) == ssize_t(len)) {
        name.resize(std::strlen(name.c_str()));
        names = filepath::fileNameOf(name) == masterName;
      }
    }
  }
  ::close(fd);
  return names;
}

}  // namespace

// ---------------------------------------------------------------- registry

std::recursive_mutex& registryMutex() { return registry().m; }

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
  for (Conn* c : fs->txnPool) closeDb(c);
  fs->txnPool.clear();
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

bool sameFile(int fd, const std::string& path) {
  struct stat a{}, b{};
  return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// ---------------------------------------------------------------- share locks

off_t lockSlot(const std::string& tableName) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : cp1251::upper(tableName)) h = (h ^ c) * 16777619u;
  return kLockBase + static_cast<off_t>(h & 0xFFFFF) * 4;
}

void unlockShare(int fd, off_t base) {
  ofdLock(fd, F_UNLCK, base, 3);
  unlockFileInUse(fd);
}

bool lockShare(int fd, off_t base, int mode) {
  if (!lockFileInUse(fd, false)) return false;
  if (!ofdLock(fd, F_RDLCK, base + LockOpen)) {
    unlockFileInUse(fd);
    return false;
  }
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

bool lockFileInUse(int fd, bool exclusive) { return ofdLock(fd, exclusive ? F_WRLCK : F_RDLCK, kFileInUse); }
void unlockFileInUse(int fd) { ofdLock(fd, F_UNLCK, kFileInUse); }

// ---------------------------------------------------------------- waiting

WaitLimit::WaitLimit(std::chrono::milliseconds limit) : previous_(tlsWait) { tlsWait = limit; }
WaitLimit::~WaitLimit() { tlsWait = previous_; }

std::chrono::milliseconds waitLimit() { return tlsWait; }

// ---------------------------------------------------------------- connections

void prepareConnection(sqlite3* db) {
  // Collations must exist before any statement touches an index using them.
  sqlite3_create_collation_v2(db, "CP1251CI", SQLITE_UTF8, nullptr, collateNoCase, nullptr);
  sqlite3_create_function_v2(db, "cp1251_upper", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, upperFunction, nullptr, nullptr, nullptr);
  sqlite3_create_function_v2(db, "cp1251_lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, lowerFunction, nullptr, nullptr, nullptr);
  // Waiting for another station's lock follows the calling thread's limit.
  sqlite3_busy_handler(db, busyWait, nullptr);
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

int acquireConn(const std::shared_ptr<FileState>& fs, const std::optional<std::string>& pw, bool create, Conn*& out,
                ErrorInfo& err) {
  auto& r = registry();
  std::lock_guard g(r.m);
  std::string k = pwKeyOf(pw);
  auto it = fs->conns.find(connKey(k));
  if (it != fs->conns.end()) {
    ++it->second->refs;
    out = it->second;
    return Ok;
  }
  sqlite3* db = nullptr;
  if (int rc = openDb(*fs, pw, create, db, err)) return rc;
  auto* c = new Conn;
  c->db = db;
  c->fs = fs;
  c->pwKey = k;
  c->owner = std::this_thread::get_id();
  c->keyed = pw.has_value();
  c->password = pw.value_or("");
  c->refs = 1;
  fs->conns[connKey(k)] = c;
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
    for (auto it = fs->conns.begin(); it != fs->conns.end(); ++it)
      if (it->second == c) {
        fs->conns.erase(it);
        break;
      }
    closeDb(c);
  }
  releaseIdle(fs);
}

int openTxnConn(const std::shared_ptr<FileState>& fs, const std::string& pwKey, bool keyed, const std::string& password,
                Conn*& out, ErrorInfo& err) {
  auto& r = registry();
  {
    std::lock_guard g(r.m);
    for (auto it = fs->txnPool.begin(); it != fs->txnPool.end(); ++it) {
      if ((*it)->pwKey == pwKey) {
        out = *it;
        fs->txnPool.erase(it);
        out->owner = std::this_thread::get_id();
        return Ok;
      }
    }
  }
  // Deriving a key is slow, so finished transactions leave their connection in the pool.
  sqlite3* db = nullptr;
  std::optional<std::string> pw;
  if (keyed) pw = password;
  if (int rc = openDb(*fs, pw, false, db, err)) return rc;
  auto* c = new Conn;
  c->db = db;
  c->fs = fs;
  c->pwKey = pwKey;
  c->owner = std::this_thread::get_id();
  c->keyed = keyed;
  c->password = password;
  out = c;
  return Ok;
}

void poolTxnConn(Conn* c) {
  std::lock_guard g(registry().m);
  c->fs->txnPool.push_back(c);
}

// ---------------------------------------------------------------- writers' queue

WriterTurn& WriterTurn::operator=(WriterTurn&& o) noexcept {
  if (this != &o) {
    release();
    fs_ = std::move(o.fs_);
    fd_ = o.fd_;
    chair_ = o.chair_;
    o.fd_ = -1;
  }
  return *this;
}

int WriterTurn::take(const std::shared_ptr<FileState>& fs, ErrorInfo& err, bool wait) {
  release();
  auto refuse = [&](const std::string& why) {
    err.code = AccessDenied;
    err.storeMessage = why;
    return AccessDenied;
  };
  if (std::find(tlsTurns.begin(), tlsTurns.end(), fs.get()) != tlsTurns.end())
    return refuse("Файл занят незавершенной транзакцией этой же программы");
  int fd = takeFd(*fs);
  if (fd < 0) return refuse("Файл недоступен для записи");
  using clock = std::chrono::steady_clock;
  const auto limit = waitLimit();
  auto lastMove = clock::now();
  off_t chair = -1;
  while (chair < 0) {
    // The door is held only while a newcomer looks for the end of the queue.
    if (!ofdLock(fd, F_WRLCK, kDoor, 1, wait)) {
      giveFd(*fs, fd);
      return refuse("Файл занят другой станцией");
    }
    off_t last = -1;
    for (off_t from = 0; from < kChairCount;) {
      off_t at = heldWithin(fd, kChairs + from, kChairCount - from);
      if (at < 0) break;
      last = at - kChairs;
      from = last + 1;
    }
    if (last < 0 || (wait && last + 1 < kChairCount)) {
      if (ofdLock(fd, F_WRLCK, kChairs + last + 1)) chair = last + 1;
    }
    ofdLock(fd, F_UNLCK, kDoor);
    if (chair >= 0) break;
    if (!wait || clock::now() - lastMove > limit) {
      giveFd(*fs, fd);
      return refuse(wait ? "Очередь записи в файл переполнена" : "Файл занят другой станцией");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Our turn comes when every chair before ours is free. The queue counts as
  // moving while its first writer changes.
  off_t head = -1;
  std::chrono::microseconds nap(250);
  while (heldWithin(fd, kChairs, chair) >= 0) {
    auto now = clock::now();
    // Looked at on every wake-up: a writer that reached the head while still
    // napping as one far back would leave the file idle at each handover.
    {
      off_t first = chair;
      for (off_t at; (at = heldWithin(fd, kChairs, first)) >= 0;) first = at - kChairs;
      if (first != head) {
        head = first;
        lastMove = now;
      }
      // Writers far back look less often, leaving the processor to those in front.
      nap = std::chrono::microseconds(std::clamp<long>(250L * (chair - head), 250L, 10000L));
    }
    if (now - lastMove > limit) {
      ofdLock(fd, F_UNLCK, kChairs + chair);
      giveFd(*fs, fd);
      return refuse("Файл занят другой станцией: очередь записи не движется");
    }
    std::this_thread::sleep_for(nap);
  }
  fs_ = fs;
  fd_ = fd;
  chair_ = chair;
  tlsTurns.push_back(fs.get());
  return Ok;
}

void WriterTurn::release() {
  if (fd_ < 0) return;
  ofdLock(fd_, F_UNLCK, kChairs + chair_);
  giveFd(*fs_, fd_);
  auto it = std::find(tlsTurns.begin(), tlsTurns.end(), fs_.get());
  if (it != tlsTurns.end()) tlsTurns.erase(it);
  fd_ = -1;
  fs_.reset();
}

// ---------------------------------------------------------------- master journals

void sweepMasterJournals(const std::shared_ptr<FileState>& fs) {
  std::string dir = filepath::directoryOf(fs->path);
  std::string prefix = filepath::fileNameOf(fs->path) + "-mj";
  std::vector<std::string> found;
  if (DIR* d = ::opendir(dir.empty() ? "." : dir.c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) found.emplace_back(e->d_name);
    ::closedir(d);
  }
  if (found.empty()) return;
  // A master journal is named after the first file of its transaction, and
  // that transaction holds the file's writer's turn until it is done: with
  // the turn in hand, no live transaction of ours is writing one.
  WriterTurn turn;
  ErrorInfo ignored;
  if (turn.take(fs, ignored, false) != Ok) return;
  for (const auto& name : found) {
    std::string path = (dir.empty() ? std::string() : dir + "/") + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0 && text.size() < (1u << 20)) text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    // The engine's own rule: a master journal lists the rollback journals of
    // its files (not the files), and is needed while any of them names it;
    // deleting it then would make the surviving journals count as committed
    // and leave the transaction half stored. A journal that exists but cannot
    // be read keeps it too.
    bool needed = n < 0;
    for (std::size_t at = 0; at < text.size() && !needed;) {
      std::size_t end = text.find('\0', at);
      if (end == std::string::npos) end = text.size();
      std::string journal = text.substr(at, end - at);
      if (!journal.empty() && ::access(journal.c_str(), F_OK) == 0 &&
          (::access(journal.c_str(), R_OK) != 0 || journalNamesMaster(journal, name)))
        needed = true;
      at = end + 1;
    }
    if (!needed) ::unlink(path.c_str());
  }
}

}  // namespace store
