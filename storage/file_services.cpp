#include "file_services.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "cp1251.h"
#include "datetime.h"

namespace fileops {
namespace {

// Wildcard match on CP1251 letters folded to upper case.
bool match(const char* p, const char* s) {
  for (; *p; ++p, ++s) {
    if (*p == '*') {
      while (p[1] == '*') ++p;
      if (!p[1]) return true;
      for (const char* t = s; *t; ++t)
        if (match(p + 1, t)) return true;
      return false;
    }
    if (!*s) return false;
    if (*p != '?' && *p != *s) return false;
  }
  return !*s;
}

}  // namespace

bool matches(const std::string& name, const std::string& wildcard) {
  std::string n = cp1251::upper(cp1251::fromUtf8(name));
  std::string w = cp1251::upper(cp1251::fromUtf8(wildcard));
  if (w == "*.*") return true;
  return match(w.c_str(), n.c_str());
}

std::vector<Entry> list(const std::string& dir, const std::string& wildcard) {
  std::vector<Entry> out;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return out;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == ".." || !matches(n, wildcard)) continue;
    struct stat st{};
    if (::stat((dir + "/" + n).c_str(), &st) != 0) continue;
    Entry en;
    en.name = n;
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    en.date = datetime::dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    en.time = datetime::clockTime(tm.tm_hour, tm.tm_min, tm.tm_sec);
    en.size = static_cast<std::int64_t>(st.st_size);
    en.directory = S_ISDIR(st.st_mode);
    out.push_back(std::move(en));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return out;
}

int copy(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  std::string tmp = to + ".part" + std::to_string(::getpid());
  int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    int e = errno;
    ::close(in);
    return e;
  }
  char buf[65536];
  int err = 0;
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    for (ssize_t off = 0; off < n;) {
      ssize_t w = ::write(out, buf + off, static_cast<std::size_t>(n - off));
      if (w < 0) {
        if (errno == EINTR) continue;
        err = errno;
        break;
      }
      off += w;
    }
    if (err) break;
  }
  ::close(in);
  if (!err && ::fsync(out) != 0) err = errno;
  if (::close(out) != 0 && !err) err = errno;
  // The copy appears under its name only when it is whole.
  if (!err && ::rename(tmp.c_str(), to.c_str()) != 0) err = errno;
  if (err) ::unlink(tmp.c_str());
  return err;
}

int remove(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }
int rename(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno; }

std::string errorText(int err) {
  switch (err) {
    case 0: return "Нет ошибок";
    case ENOENT: return "Файл или каталог не найден";
    case EACCES:
    case EPERM: return "Доступ запрещен";
    case ENOSPC: return "Нет места на диске";
    case EEXIST: return "Файл уже существует";
    case EISDIR: return "Это каталог";
    case ENOTDIR: return "Это не каталог";
    case EROFS: return "Диск защищен от записи";
    case EBUSY: return "Файл занят";
    case EXDEV: return "Файл на другом диске";
    default: return std::strerror(err);
  }
}

}  // namespace fileops
