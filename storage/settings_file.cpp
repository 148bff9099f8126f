#include "settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "cp1251.h"

namespace settings {
namespace {

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return std::string(s.substr(b, e - b));
}

bool sameWord(std::string_view a, std::string_view b) {
  return cp1251::upper(cp1251::fromUtf8(trim(a))) == cp1251::upper(cp1251::fromUtf8(trim(b)));
}

std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[Name]" -> "Name"; nothing for other lines.
std::optional<std::string> sectionOf(const std::string& line) {
  std::string t = trim(line);
  if (t.size() >= 2 && t.front() == '[' && t.back() == ']') return t.substr(1, t.size() - 2);
  return std::nullopt;
}

bool isComment(const std::string& line) {
  std::string t = trim(line);
  return t.empty() || t[0] == ';' || t[0] == '#';
}

void makeDirs(const std::string& dir) {
  std::string cur;
  for (std::size_t i = 0; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') {
      if (!cur.empty()) ::mkdir(cur.c_str(), 0777);
    }
    if (i < dir.size()) cur += dir[i];
  }
}

std::string envOr(const char* name, const std::string& def) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : def;
}

}  // namespace

bool IniFile::exists() const {
  struct stat st{};
  return ::stat(path_.c_str(), &st) == 0;
}

std::optional<std::string> IniFile::find(std::string_view section, std::string_view key) const {
  bool in = false;
  for (const auto& line : readLines(path_)) {
    if (auto s = sectionOf(line)) {
      in = sameWord(*s, section);
      continue;
    }
    if (!in || isComment(line)) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (sameWord(std::string_view(line).substr(0, eq), key)) return trim(std::string_view(line).substr(eq + 1));
  }
  return std::nullopt;
}

std::string IniFile::get(std::string_view section, std::string_view key, std::string_view def) const {
  auto v = find(section, key);
  return v ? *v : std::string(def);
}

long IniFile::getInt(std::string_view section, std::string_view key, long def) const {
  auto v = find(section, key);
  if (!v) return def;
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  return end == v->c_str() ? 0 : n;
}

std::string IniFile::getCp1251(std::string_view section, std::string_view key, std::string_view def) const {
  auto v = find(section, key);
  return v ? cp1251::fromUtf8(*v) : std::string(def);
}

bool IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
  std::vector<std::string> lines = readLines(path_);
  std::string entry = std::string(key) + "=" + std::string(value);
  bool in = false, done = false;
  std::size_t lastInSection = std::string::npos;
  for (std::size_t i = 0; i < lines.size() && !done; ++i) {
    if (auto s = sectionOf(lines[i])) {
      in = sameWord(*s, section);
      if (in) lastInSection = i;
      continue;
    }
    if (!in) continue;
    if (!trim(lines[i]).empty()) lastInSection = i;
    if (isComment(lines[i])) continue;
    auto eq = lines[i].find('=');
    if (eq != std::string::npos && sameWord(std::string_view(lines[i]).substr(0, eq), key)) {
      lines[i] = trim(std::string_view(lines[i]).substr(0, eq)) + "=" + std::string(value);  // keeps the key's spelling
      done = true;
    }
  }
  if (!done) {
    if (lastInSection != std::string::npos) {
      lines.insert(lines.begin() + static_cast<long>(lastInSection) + 1, entry);
    } else {
      lines.push_back("[" + std::string(section) + "]");
      lines.push_back(entry);
    }
  }
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  // Write beside the file, then rename over it.
  std::string tmp = path_ + ".tmp" + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t off = 0;
  while (off < text.size()) {
    ssize_t n = ::write(fd, text.data() + off, text.size() - off);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    off += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), path_.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool IniFile::setCp1251(std::string_view section, std::string_view key, std::string_view value) {
  return set(section, key, cp1251::toUtf8(value));
}

bool IniFile::setInt(std::string_view section, std::string_view key, long value) {
  return set(section, key, std::to_string(value));
}

std::string userConfigDir() {
  std::string home = envOr("HOME", "/tmp");
  std::string dir = envOr("XDG_CONFIG_HOME", home + "/.config") + "/ormida";
  makeDirs(dir);
  return dir;
}

std::string machineConfigDir() {
  std::string dirs = envOr("XDG_CONFIG_DIRS", "/etc/xdg");
  return dirs.substr(0, dirs.find(':')) + "/ormida";
}

std::string sharedFile(const std::string& workingDir) {
  if (workingDir.empty()) return "Varnuke.ini";
  return workingDir + (workingDir.back() == '/' ? "" : "/") + "Varnuke.ini";
}

std::string positionFile(const std::string& name) { return userConfigDir() + "/" + name; }

std::string workstationName(const std::string& machineFile, const std::string& userFile) {
  std::string name = IniFile(machineFile).get("Reg", "NamePC");
  if (name.empty()) name = IniFile(userFile).get("Reg", "NamePC");
  if (name.empty()) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !host[0]) std::snprintf(host, sizeof host, "PC");
    name = host;
    IniFile(userFile).set("Reg", "NamePC", name);
  }
  // 20 characters of the record field.
  std::string cp = cp1251::fromUtf8(name);
  if (cp.size() > 20) name = cp1251::toUtf8(cp.substr(0, 20));
  return name;
}

std::string workstationName() {
  return workstationName(machineConfigDir() + "/Varnuke.ini", userConfigDir() + "/Varnuke.ini");
}

}  // namespace settings
