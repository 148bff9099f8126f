#include "test_register.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "cp1251.h"
#include "file_services.h"
#include "filepath.h"
#include "installation.h"
#include "result_file.h"

namespace constructor {
namespace {

constexpr std::uint16_t kLongestCode = 512;  // the longest part name a test's objects get

Outcome refused(std::string text) { return {Outcome::Refused, std::move(text)}; }

Outcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

bool onDisk(const std::string& path) { return filepath::exists(filepath::resolve(path)); }

// Why a name cannot be a test's file name; empty when it can. A name
// beginning with a dot would make a hidden file no list of tests shows.
std::string testNameRefusal(const std::string& name) {
  std::string why;
  if (!setup::safeFileName(name, &why)) return why;
  if (name.front() == '.') return "Имя файла теста не может начинаться с точки.";
  if (cp1251::toUtf8(cp1251::fromUtf8(name)) != name) return "Имя файла содержит знаки, которых нет в кодировке Windows-1251.";
  return {};
}

}  // namespace

std::string testPath(const std::string& baseDir, const std::string& name) { return baseDir + name + ".orm"; }

int TestRegister::open(store::Table& t) {
  int rc = t.open(store::Shared);
  if (rc == store::FileNotFound && (rc = t.createIfMissing()) == store::Ok) rc = t.open(store::Shared);
  return rc;
}

bool TestRegister::registered(const std::string& name, store::ErrorInfo* error) {
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, file_);
  if (open(t) != store::Ok) {
    if (error) *error = t.error();
    return false;
  }
  const std::string cp = cp1251::fromUtf8(name);
  if (t.set() != store::Ok) return false;
  int rc;
  while ((rc = t.next()) == store::Ok)
    if (cp1251::equalNoCase(cp1251::clip(d.NAME.view()), cp1251::clip(cp))) return true;
  if (rc != store::NoRecord && error) *error = t.error();
  return false;
}

Outcome TestRegister::checkNewName(const NewTestRequest& r) {
  if (r.name.empty()) return refused("Не указано имя файла теста.");
  if (std::string why = testNameRefusal(r.name); !why.empty()) return refused(why);
  const std::string path = testPath(r.baseDir, r.name);
  if (onDisk(path)) return refused("Тест с таким именем уже существует.");
  // Objects left by a test of that name would pass to the new one.
  if (onDisk(results::embPath(path)))
    return refused("В базе тестов остался файл объектов " + results::embPath(path) + " прежнего теста с этим именем.|Удалите или переименуйте его.");
  store::ErrorInfo e;
  if (registered(r.name, &e)) return refused("Тест с таким именем уже существует.");
  if (e.code) return failed(e, "Не удалось прочитать реестр тестов");
  return {};
}

Outcome TestRegister::create(const NewTestRequest& r, std::uint16_t& code) {
  if (Outcome o = checkNewName(r); !o) return o;
  const std::string path = testPath(r.baseDir, r.name);

  // The next register code, taken inside a transaction; a code another
  // station took meanwhile is followed by the next one.
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, file_);
  if (open(t) != store::Ok) return failed(t.error(), "Не удалось открыть реестр тестов");
  for (int attempt = 0;; ++attempt) {
    store::Transaction tx{&t};
    if (tx.begin() != store::Ok) return failed(tx.error(), "Не удалось начать запись в реестр тестов");
    std::uint16_t next = 1;
    if (t.set(t.key("KEYCODE")) == store::Ok && t.previous() == store::Ok) {
      if (d.CODETEST == 65535) return refused("В реестре тестов больше нет свободных кодов.");
      next = static_cast<std::uint16_t>(d.CODETEST + 1);
    }
    d = tables::DataTest{};
    d.CODETEST = next;
    d.CODEBD = r.baseCode;
    d.NAME = cp1251::fromUtf8(r.name);
    d.PASSW = cp1251::fromUtf8(r.password);
    int rc = t.add();
    if (rc == store::Ok) rc = tx.commit();
    if (rc == store::Ok) {
      code = next;
      break;
    }
    store::ErrorInfo err = tx.error().code ? tx.error() : t.error();
    tx.rollback();
    if (rc != store::DuplicateKey || attempt >= 20) return failed(err, "Не удалось добавить тест в реестр тестов");
  }
  const store::Position registeredAt = t.position();

  testfile::TestFile tf;
  tf.name(r.baseDir, r.name, r.keyWord);
  testfile::NewTest nt;
  nt.code = code;
  nt.name = cp1251::fromUtf8(r.name);
  nt.password = cp1251::fromUtf8(r.password);
  nt.organisation = r.organisation;
  if (tf.create(nt) != store::Ok) {
    store::ErrorInfo err = tf.error();
    // No register record without its file.
    if (t.getAt(registeredAt) == store::Ok) t.del();
    store::removeFile(path);
    return failed(err, "Не удалось создать файл теста " + path);
  }
  return {};
}

Outcome TestRegister::rename(const std::string& dir, const std::string& from, const std::string& to, const std::string& keyWord) {
  if (to.empty()) return refused("Не указано новое имя файла теста.");
  if (std::string why = testNameRefusal(to); !why.empty()) return refused(why);
  const std::string oldPath = testPath(dir, from), newPath = testPath(dir, to);
  if (!onDisk(oldPath)) return refused("Файл теста " + oldPath + " не найден.");
  const bool sameFile = filepath::sameName(from, to);
  if (!sameFile && onDisk(newPath)) return refused("Тест с таким именем уже существует.");
  if (!sameFile && onDisk(results::embPath(newPath)))
    return refused("В базе тестов есть файл объектов " + results::embPath(newPath) + " с этим именем.|Выберите другое имя.");

  // The file is copied under the new name (a temporary one when only the
  // letter case changes) and its records put right there; the old file goes
  // only when all that succeeded.
  store::ErrorInfo e;
  const std::string realOld = filepath::resolve(oldPath);
  std::string tempBase = to;
  for (int i = 1; sameFile && (tempBase == to || onDisk(testPath(dir, tempBase)) || onDisk(results::embPath(testPath(dir, tempBase)))); ++i)
    tempBase = to + "~" + std::to_string(i);  // a name nothing holds
  const std::string temp = testPath(dir, tempBase);
  const std::string oldEmb = results::embPath(realOld), tempEmb = results::embPath(temp), newEmb = results::embPath(newPath);
  const bool hasEmb = onDisk(oldEmb);
  auto undo = [&] {
    store::removeFile(temp);
    if (hasEmb) store::removeFile(tempEmb);
  };
  const std::string key = cp1251::pad(keyWord, 20);
  if (store::copyFile(realOld, temp, &key, &e) != store::Ok) {
    undo();
    return failed(e, "Не удалось скопировать файл теста");
  }
  if (hasEmb && store::copyFile(filepath::resolve(oldEmb), tempEmb, nullptr, &e) != store::Ok) {
    undo();
    return failed(e, "Не удалось скопировать файл объектов теста");
  }
  {
    testfile::TestFile tf;
    tf.name(dir, tempBase, keyWord);
    if (tf.open() != store::Ok) {
      Outcome o = failed(tf.error(), "Не удалось открыть файл теста");
      undo();
      return o;
    }
    // Another test of the register under the new name would make two of one name.
    {
      tables::DataTest d;
      store::Table reg(tables::dataTestDef(), d, file_);
      if (open(reg) == store::Ok && reg.set() == store::Ok) {
        while (reg.next() == store::Ok)
          if (cp1251::equalNoCase(cp1251::clip(d.NAME.view()), cp1251::fromUtf8(to)) && d.CODETEST != tf.tema.CODETEMA) {
            tf.close();
            undo();
            return refused("Тест с таким именем уже существует.");
          }
      }
    }
    // Stored objects are named in a field of 64 characters.
    bool objectsApart = false;
    std::string partName = filepath::fileNameOf(results::embPart(newPath, kLongestCode));
    store::Transaction tx{&tf.temaT, &tf.titulT, &tf.vopT};
    int rc = tx.begin();
    const std::string oldName = cp1251::fromUtf8(from), newName = cp1251::fromUtf8(to);
    if (rc == store::Ok && cp1251::equalNoCase(cp1251::clip(tf.tema.NAME.view()), oldName)) {
      tf.tema.NAME = newName;
      rc = tf.temaT.put();
    }
    if (rc == store::Ok && cp1251::equalNoCase(cp1251::clip(tf.titul.NAME.view()), oldName)) {
      tf.titul.NAME = newName;
      rc = tf.titulT.put();
    }
    // Separately stored objects are named by the new companion file.
    std::vector<store::Position> withParts;
    if (rc == store::Ok && (rc = tf.vopT.set()) == store::Ok) {
      while ((rc = tf.vopT.next()) == store::Ok)
        if (tf.vop.OBJECTSAVE == "F" && tf.vop.OBJECTLINK != "L") withParts.push_back(tf.vopT.position());
      if (rc == store::NoRecord) rc = store::Ok;
    }
    objectsApart = !withParts.empty();
    if (rc == store::Ok && objectsApart && cp1251::fromUtf8(partName).size() > 64) {
      tx.rollback();
      tf.close();
      undo();
      return refused("Имя \"" + to + "\" слишком длинное: объекты теста, хранимые отдельно, не смогут на него сослаться (не больше 64 знаков).");
    }
    for (store::Position pos : withParts) {
      if (rc != store::Ok) break;
      if ((rc = tf.vopT.getAt(pos)) != store::Ok) break;
      tf.vop.OBJECTDOC = cp1251::fromUtf8(filepath::fileNameOf(results::embPart(newPath, tf.vop.CODEVOP)));
      rc = tf.vopT.put();
    }
    if (rc == store::Ok) rc = tx.commit();
    if (rc != store::Ok) {
      store::ErrorInfo err = tx.error().code ? tx.error() : tf.vopT.error();
      tx.rollback();
      tf.close();
      undo();
      return failed(err, "Не удалось переименовать тест");
    }
    tf.close();
  }
  // The old file goes through the store, which refuses while another
  // station has the test open: then the new copy goes instead.
  if (int err = store::removeFile(realOld); err != store::Ok) {
    undo();
    store::ErrorInfo e2;
    e2.code = err;
    return failed(e2, err == store::AccessDenied ? "Тест открыт на другой станции, переименовать его сейчас нельзя"
                                                  : "Не удалось удалить прежний файл теста");
  }
  if (hasEmb) store::removeFile(filepath::resolve(oldEmb));
  if (sameFile) {
    if (int e2 = fileops::rename(temp, newPath))
      return {e2, "Тест сохранён в файле " + temp + ", переименовать его не удалось: " + fileops::errorText(e2)};
    if (hasEmb)
      if (int e3 = fileops::rename(tempEmb, newEmb))
        return {e3, "Объекты теста сохранены в файле " + tempEmb + ", переименовать его не удалось: " + fileops::errorText(e3)};
  }
  return {};
}

Outcome TestRegister::remove(const std::string& dir, const std::string& name) {
  const std::string path = filepath::resolve(testPath(dir, name));
  int rc = testfile::removeTest(path);
  if (rc == store::FileNotFound) return refused("Файл теста " + path + " не найден.");
  if (rc != store::Ok) {
    store::ErrorInfo e;
    e.code = rc;
    return failed(e, "Не удалось удалить файл теста " + path);
  }
  return {};
}

Outcome TestRegister::setPassword(std::uint16_t code, const std::string& password) {
  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, file_);
  if (open(t) != store::Ok) return failed(t.error(), "Не удалось открыть реестр тестов");
  d.CODETEST = code;
  t.watch();
  if (t.get(t.key("KEYCODE")) != store::Ok) return failed(t.error(), "Тест с кодом " + std::to_string(code) + " не найден в реестре");
  d.PASSW = cp1251::fromUtf8(password);
  if (t.put() != store::Ok) return failed(t.error(), "Не удалось записать пароль теста");
  return {};
}

// ------------------------------------------------------------ tests made apart

namespace {

constexpr char kWorkPrefix[] = ".ormida-new-";
// Made inside every working directory: the clean-up removes only directories
// holding it, never a file or a test that merely shares the prefix.
constexpr char kWorkMarker[] = ".ormida-work";
// Written just before the register record is committed: the code and the
// name. A run killed between that commit and moving the file in leaves it,
// and the clean-up then finishes the move when the register holds the record.
constexpr char kRegisteredMark[] = ".ormida-registered";

// The base directory as it lies on disk, ending in "/".
std::string realDir(const std::string& baseDir) {
  std::string d = filepath::resolve(baseDir.empty() ? std::string("./") : baseDir);
  if (d.empty() || d.back() != '/') d += '/';
  return d;
}

// A lock held by this open file: another process, or another opening in
// this one, cannot take it; the system lets it go when the process dies.
bool lockWhole(int fd) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Moves a file to a name nothing holds: 0, EEXIST when one does, or errno.
int moveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system that cannot: a hard link is made only under a free name.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  if (filepath::exists(to)) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeTree(std::string dir) {
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

Outcome systemFailure(int err, const std::string& what) { return {err, what + ": " + fileops::errorText(err)}; }

// Writes the mark naming the record about to be committed; false when it
// could not be put on disk.
bool writeRegisteredMark(const std::string& dir, std::uint16_t code, const std::string& nameUtf8) {
  const std::string path = dir + kRegisteredMark;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string text = std::to_string(code) + "\n" + nameUtf8 + "\n";
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok) ::unlink(path.c_str());
  return ok;
}

// A dead run's working directory that got as far as its register record:
// its test moves in under the registered name (never over another file).
// Returns whether the directory may go.
bool finishRegistered(const std::string& base, const std::string& work, const std::string& dataTestFile) {
  std::FILE* f = std::fopen((work + "/" + kRegisteredMark).c_str(), "rb");
  if (!f) return true;
  char buf[1024];
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  const std::string text(buf, n);
  const auto nl = text.find('\n');
  if (nl == std::string::npos || dataTestFile.empty()) return true;
  const long code = std::strtol(text.substr(0, nl).c_str(), nullptr, 10);
  std::string name = text.substr(nl + 1);
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  if (code <= 0 || code > 65535 || !setup::safeFileName(name)) return true;

  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, dataTestFile);
  if (t.open(store::Shared) != store::Ok) return false;  // keep it for a later run that can read the register
  d.CODETEST = static_cast<std::uint16_t>(code);
  if (t.get(t.key("KEYCODE")) != store::Ok) return true;  // never committed
  const std::string cpName = cp1251::fromUtf8(name);
  if (!cp1251::equalNoCase(cp1251::clip(d.NAME.view()), cp1251::clip(cpName))) return true;
  const std::string from = testPath(work + "/", name), to = testPath(base, name);
  // The run may have died between moving the test and its companion file.
  if (filepath::exists(from)) {
    if (moveNoReplace(from, to) != 0) return true;
  } else if (!filepath::exists(to)) {
    return true;
  }
  if (filepath::exists(results::embPath(from))) moveNoReplace(results::embPath(from), results::embPath(to));
  return true;
}

}  // namespace

int removeAbandonedWork(const std::string& baseDir, const std::string& dataTestFile) {
  const std::string dir = realDir(baseDir);
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string n = e.path().filename().string();
    if (n.rfind(kWorkPrefix, 0) == 0) names.push_back(n);
  }
  int removed = 0;
  for (const std::string& n : names) {
    const bool lock = n.size() > 5 && n.compare(n.size() - 5, 5, ".lock") == 0;
    if (lock) {
      const int fd = ::open((dir + n).c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) continue;
      // A lock nobody holds: its process is gone.
      if (lockWhole(fd)) {
        const std::string work = dir + n.substr(0, n.size() - 5);
        if (filepath::exists(work + "/" + kWorkMarker)) {
          if (!finishRegistered(dir, work, dataTestFile)) {
            ::close(fd);
            continue;
          }
          removeTree(work);
        } else {
          // Killed between making the directory and marking it: nothing in it yet.
          ::rmdir(work.c_str());
        }
        ::unlink((dir + n).c_str());
        ++removed;
      }
      ::close(fd);
    } else if (filepath::exists(dir + n + "/" + kWorkMarker) && !filepath::exists(dir + n + ".lock")) {
      // Its owner made the lock before the directory and removes it last.
      if (!finishRegistered(dir, dir + n, dataTestFile)) continue;
      removeTree(dir + n);
      ++removed;
    }
  }
  return removed;
}

TestApart::~TestApart() { discard(); }

void TestApart::discard() {
  if (!dir_.empty()) removeTree(dir_);
  dir_.clear();
  if (lock_ >= 0) {
    ::unlink(lockPath_.c_str());
    ::close(lock_);
    lock_ = -1;
  }
}

Outcome TestApart::begin() {
  discard();
  if (Outcome o = reg_.checkNewName(r_); !o) return o;
  const std::string base = realDir(r_.baseDir);
  removeAbandonedWork(base, reg_.file_);

  // The code the register would give now; finish() takes the one it gives then.
  {
    tables::DataTest d;
    store::Table t(tables::dataTestDef(), d, reg_.file_);
    if (reg_.open(t) != store::Ok) return failed(t.error(), "Не удалось открыть реестр тестов");
    code_ = 1;
    if (t.set(t.key("KEYCODE")) == store::Ok && t.previous() == store::Ok) {
      if (d.CODETEST == 65535) return refused("В реестре тестов больше нет свободных кодов.");
      code_ = static_cast<std::uint16_t>(d.CODETEST + 1);
    }
  }

  // The lock first, then the directory: a directory without its lock has no owner.
  std::random_device random;
  for (int attempt = 0; lock_ < 0; ++attempt) {
    char tag[32];
    std::snprintf(tag, sizeof tag, "%d-%08x", static_cast<int>(::getpid()), static_cast<unsigned>(random()));
    const std::string stem = base + kWorkPrefix + tag;
    const std::string lockPath = stem + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST && attempt < 20) continue;
      return systemFailure(errno, "Не удалось создать рабочий файл в базе тестов " + base);
    }
    // Another run tidying the base may have taken it for a leftover before it was locked.
    struct stat st {};
    if (!lockWhole(fd) || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
      ::close(fd);
      if (attempt < 20) continue;
      return refused("Не удалось занять рабочий файл в базе тестов " + base + ".");
    }
    if (::mkdir(stem.c_str(), 0755) != 0) {
      const int err = errno;
      ::unlink(lockPath.c_str());
      ::close(fd);
      return systemFailure(err, "Не удалось создать рабочий каталог в базе тестов " + base);
    }
    lock_ = fd;
    lockPath_ = lockPath;
    dir_ = stem + "/";
    if (const int m = ::open((dir_ + kWorkMarker).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644); m >= 0) {
      ::close(m);
    } else {
      const int err = errno;
      discard();
      return systemFailure(err, "Не удалось создать рабочий каталог в базе тестов " + base);
    }
  }

  testfile::TestFile tf;
  tf.name(dir_, r_.name, r_.keyWord);
  testfile::NewTest nt;
  nt.code = code_;
  nt.name = cp1251::fromUtf8(r_.name);
  nt.password = cp1251::fromUtf8(r_.password);
  nt.organisation = r_.organisation;
  if (tf.create(nt) != store::Ok) {
    const store::ErrorInfo err = tf.error();
    discard();
    return failed(err, "Не удалось создать файл теста " + testPath(r_.baseDir, r_.name));
  }
  return {};
}

Outcome TestApart::recode(std::uint16_t to) {
  testfile::TestFile tf;
  tf.name(dir_, r_.name, r_.keyWord);
  if (tf.open() != store::Ok) return failed(tf.error(), "Не удалось открыть новый тест");
  store::Transaction tx{&tf.temaT, &tf.razdelT, &tf.vopT};
  int rc = tx.begin();
  // The scenario, its sections and its frames carry the test's code.
  struct Coded {
    store::Table& t;
    std::uint16_t& code;
  };
  for (Coded c : {Coded{tf.temaT, tf.tema.CODETEMA}, Coded{tf.razdelT, tf.razdel.CODETEMA}, Coded{tf.vopT, tf.vop.CODETEMA}}) {
    std::vector<store::Position> at;
    if (rc == store::Ok && (rc = c.t.set()) == store::Ok) {
      while ((rc = c.t.next()) == store::Ok) at.push_back(c.t.position());
      if (rc == store::NoRecord) rc = store::Ok;
    }
    for (store::Position p : at) {
      if (rc != store::Ok) break;
      if ((rc = c.t.getAt(p)) != store::Ok) break;
      c.code = to;
      rc = c.t.put();
    }
  }
  if (rc == store::Ok) rc = tx.commit();
  if (rc != store::Ok) {
    const store::ErrorInfo err = tx.error().code ? tx.error() : tf.vopT.error();
    tx.rollback();
    tf.close();
    return failed(err, "Не удалось записать код теста");
  }
  tf.close();
  code_ = to;
  return {};
}

Outcome TestApart::finish(std::uint16_t& code) {
  if (dir_.empty()) return refused("Новый тест не создан.");
  auto fail = [&](Outcome o) {
    discard();
    return o;
  };
  const std::string from = testPath(dir_, r_.name), to = testPath(realDir(r_.baseDir), r_.name);
  const std::string fromEmb = results::embPath(from), toEmb = results::embPath(to);
  // A test another station made meanwhile, in any letter case.
  if (onDisk(testPath(r_.baseDir, r_.name)) || onDisk(results::embPath(testPath(r_.baseDir, r_.name))))
    return fail(refused("Тест с таким именем уже существует."));

  tables::DataTest d;
  store::Table t(tables::dataTestDef(), d, reg_.file_);
  if (reg_.open(t) != store::Ok) return fail(failed(t.error(), "Не удалось открыть реестр тестов"));
  const std::string cpName = cp1251::fromUtf8(r_.name);
  const std::string_view name = cp1251::clip(cpName);
  for (int attempt = 0;; ++attempt) {
    store::Transaction tx{&t};
    if (tx.begin() != store::Ok) return fail(failed(tx.error(), "Не удалось начать запись в реестр тестов"));
    int rc = t.set();
    while (rc == store::Ok && (rc = t.next()) == store::Ok)
      if (cp1251::equalNoCase(cp1251::clip(d.NAME.view()), name)) {
        tx.rollback();
        return fail(refused("Тест с таким именем уже существует."));
      }
    if (rc != store::NoRecord) {
      const store::ErrorInfo err = t.error();
      tx.rollback();
      return fail(failed(err, "Не удалось прочитать реестр тестов"));
    }
    std::uint16_t next = 1;
    if (t.set(t.key("KEYCODE")) == store::Ok && t.previous() == store::Ok) {
      if (d.CODETEST == 65535) {
        tx.rollback();
        return fail(refused("В реестре тестов больше нет свободных кодов."));
      }
      next = static_cast<std::uint16_t>(d.CODETEST + 1);
    }
    if (next != code_) {
      // Another test was registered meanwhile: the file takes the code now next.
      tx.rollback();
      if (attempt >= 20) return fail(refused("Не удалось получить код теста в реестре тестов."));
      if (Outcome o = recode(next); !o) return fail(o);
      continue;
    }
    d = tables::DataTest{};
    d.CODETEST = next;
    d.CODEBD = r_.baseCode;
    d.NAME = cp1251::fromUtf8(r_.name);
    d.PASSW = cp1251::fromUtf8(r_.password);
    rc = t.add();
    if (rc != store::Ok) {
      const store::ErrorInfo err = t.error();
      tx.rollback();
      if (rc == store::DuplicateKey && attempt < 20) continue;
      return fail(failed(err, "Не удалось добавить тест в реестр тестов"));
    }
    // The record is committed before the file takes its name: a test under
    // its name is always registered. The mark lets the next run finish the
    // move when this one dies between the two.
    if (!writeRegisteredMark(dir_, next, r_.name)) {
      const int err = errno;
      tx.rollback();
      return fail(systemFailure(err ? err : EIO, "Не удалось записать рабочий файл нового теста"));
    }
    if (tx.commit() != store::Ok) {
      const store::ErrorInfo err = tx.error();
      tx.rollback();
      return fail(failed(err, "Не удалось добавить тест в реестр тестов"));
    }
    if (onRegistered) onRegistered();
    auto unregister = [&](Outcome o) {
      store::Transaction undo{&t};
      d.CODETEST = next;
      if (undo.begin() == store::Ok && t.get(t.key("KEYCODE")) == store::Ok && t.del() == store::Ok) undo.commit();
      else undo.rollback();
      return fail(o);
    };
    if (int e = moveNoReplace(from, to))
      return unregister(e == EEXIST ? refused("Тест с таким именем уже существует.") : systemFailure(e, "Не удалось перенести новый тест в базу тестов"));
    if (filepath::exists(fromEmb))
      if (int e = moveNoReplace(fromEmb, toEmb)) {
        ::rename(to.c_str(), from.c_str());
        return unregister(e == EEXIST ? refused("В базе тестов есть файл объектов " + toEmb + " с этим именем.")
                                      : systemFailure(e, "Не удалось перенести файл объектов нового теста в базу тестов"));
      }
    break;
  }
  code = code_;
  discard();
  return {};
}

}  // namespace constructor
