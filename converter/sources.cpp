#include "sources.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "installation.h"
#include "text.h"

namespace converter {

const char* formatName(Format f) {
  switch (f) {
    case Format::Gift: return "GIFT";
    case Format::MoodleXml: return "Moodle XML";
    case Format::QtiItem: return "QTI 2.1";
    case Format::QtiPackage: return "пакет IMS QTI 2.1";
    default: return "неизвестный формат";
  }
}

bool safeRelativePath(std::string_view path, std::string* why) {
  if (path.empty() || path.front() == '/' || path.front() == '\\' || (path.size() > 1 && path[1] == ':')) {
    if (why) *why = "Путь \"" + std::string(path) + "\" должен указывать на файл рядом с исходным.";
    return false;
  }
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part != "." && !setup::safeFileName(part, why)) return false;
    start = end + 1;
  }
  return true;
}

std::string joinRelative(const std::string& dir, const std::string& relative) {
  std::string rel = relative;
  while (rel.rfind("./", 0) == 0) rel.erase(0, 2);
  if (dir.empty()) return rel;
  return dir.back() == '/' ? dir + rel : dir + "/" + rel;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

namespace {

// Temporary files a killed run left beside `path` (".~" and the pid of a
// process that is gone) are removed.
void removeDeadTemps(const std::string& path) {
  const std::filesystem::path p(path);
  const std::string stem = p.filename().string() + ".~";
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(p.has_parent_path() ? p.parent_path() : ".", ec)) {
    const std::string n = e.path().filename().string();
    if (n.size() <= stem.size() || n.compare(0, stem.size(), stem) != 0) continue;
    const std::string digits = n.substr(stem.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) std::filesystem::remove(e.path(), ec);
  }
}

}  // namespace

bool writeFile(const std::string& path, std::string_view bytes) {
  removeDeadTemps(path);
  // Written beside it and renamed: the file is whole or as it was.
  const std::string temp = path + ".~" + std::to_string(::getpid());
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

Fetch filesIn(const std::string& dir) {
  return [dir](const std::string& relative) -> std::optional<std::vector<std::uint8_t>> {
    const std::string name = urlDecode(relative);
    if (!safeRelativePath(name)) return std::nullopt;
    return readFile(joinRelative(dir, name));
  };
}

void takePicture(Question& q, const std::vector<std::string>& sources, const Fetch& fetch) {
  for (const std::string& src : sources) {
    if (!q.picture.empty()) {
      q.notes.push_back("В кадре один рисунок: изображение «" + src.substr(0, 80) + "» не перенесено.");
      continue;
    }
    std::optional<std::vector<std::uint8_t>> bytes = dataUri(src);
    if (!bytes && src.find("://") != std::string::npos) {
      q.notes.push_back("Изображение по адресу «" + src + "» не перенесено: берутся только файлы рядом с вопросом.");
      continue;
    }
    // The fetch knows where its files may lie (a package allows "../" inside it).
    if (!bytes && fetch) bytes = fetch(src);
    if (!bytes) {
      std::string why;
      q.notes.push_back(safeRelativePath(urlDecode(src), &why) ? "Изображение «" + src + "» не найдено." : why);
      continue;
    }
    if (imageType(*bytes).empty()) {
      q.notes.push_back("Файл «" + src.substr(0, 80) + "» не рисунок PNG, JPEG, GIF или BMP: не перенесён.");
      continue;
    }
    q.picture = std::move(*bytes);
  }
}

}  // namespace converter
