#include "filepath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "cp1251.h"

namespace filepath {

bool exists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat st{};
  return ::stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string directoryOf(std::string_view path) {
  auto p = path.rfind('/');
  if (p == std::string_view::npos) return {};
  if (p == 0) return "/";
  return std::string(path.substr(0, p));
}

std::string fileNameOf(std::string_view path) {
  auto p = path.rfind('/');
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

bool sameName(std::string_view a, std::string_view b) {
  if (a == b) return true;
  return cp1251::upper(cp1251::fromUtf8(a)) == cp1251::upper(cp1251::fromUtf8(b)) &&
         a.size() > 0 && b.size() > 0;
}

namespace {

// A name in `dir` equal to `name` but for letter case, or `name` itself.
std::string matchIn(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    std::string_view n(e->d_name);
    if (n == "." || n == "..") continue;
    if (sameName(n, name)) {
      found = std::string(n);
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::string resolve(std::string_view path) {
  std::string p(path);
  if (p.empty() || exists(p)) return p;
  std::vector<std::string> parts;
  std::string cur;
  for (char c : p) {
    if (c == '/') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  std::string out;
  bool absolute = p[0] == '/';
  bool missing = false;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (i == 0 && absolute) {
      out.assign(1, '/');
      continue;
    }
    if (part.empty() || part == "." || part == "..") {
      if (!part.empty()) out += part;
      if (i + 1 < parts.size() && !out.empty() && out.back() != '/') out += '/';
      continue;
    }
    std::string name = part;
    if (!missing) {
      std::string candidate = out + part;
      if (!exists(candidate)) {
        std::string dir = out;
        if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        name = matchIn(dir, part);
        if (!exists(out + name)) missing = true;
      }
    }
    out += name;
    if (i + 1 < parts.size()) out += '/';
  }
  return out;
}

}  // namespace filepath
