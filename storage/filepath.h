#pragma once
// File names on this platform: '/' separates directories, names are matched
// without regard to case (an existing "student.TPS" answers "Student.tps").
#include <cstdint>
#include <string>
#include <string_view>

namespace filepath {

// The existing file or directory that `path` names, matched component by
// component without regard to letter case; components that do not exist are
// kept as written.
std::string resolve(std::string_view path);

bool exists(const std::string& path);
bool isDirectory(const std::string& path);
// The directory part ("a/b/c.tps" -> "a/b", "c.tps" -> "").
std::string directoryOf(std::string_view path);
// The last component ("a/b/c.tps" -> "c.tps").
std::string fileNameOf(std::string_view path);

// Case-insensitive equality of two UTF-8 file names (Latin and Cyrillic).
bool sameName(std::string_view a, std::string_view b);

}  // namespace filepath
