#pragma once
// File services the programs use beside the record store: listing a
// directory by wildcard, copying, removing and renaming plain files.
#include <cstdint>
#include <string>
#include <vector>

namespace fileops {

struct Entry {
  std::string name;        // as on disk (UTF-8)
  std::int32_t date = 0;   // day number of the last change
  std::int32_t time = 0;   // clock time of the last change
  std::int64_t size = 0;
  bool directory = false;
};

// The entries of `dir` whose names match `wildcard` ("*.rez", "?.orm"),
// letters compared without regard to case; sorted by name.
std::vector<Entry> list(const std::string& dir, const std::string& wildcard);
bool matches(const std::string& name, const std::string& wildcard);

// 0, or the system's errno. The copy replaces `to`.
int copy(const std::string& from, const std::string& to);
int remove(const std::string& path);
int rename(const std::string& from, const std::string& to);
// The system's text for an errno, in Russian where the system has it.
std::string errorText(int err);

}  // namespace fileops
