#pragma once
// The journal list of both the Examiner and the Administrator: the result
// journals under "Stat/" of the base directory, made from the template,
// deleted and renamed, and chosen as the current one. A journal is named by
// its file name without ".rez" ("Гр 1.2.rez" is "Гр 1.2").
#include <optional>
#include <string>
#include <vector>

#include "result_file.h"

namespace common {

class Archive {
 public:
  // `current`: the current journal's name (Path/FileRez, UTF-8).
  Archive(std::string base, std::string current) : base_(std::move(base)), current_(std::move(current)) {}
  // Every journal of "Stat/", by name; `name` is the whole name.
  std::vector<results::Listed> list() const;
  // Each returns nothing when done, or the message to show (UTF-8).
  std::optional<std::string> create(const std::string& name);
  std::optional<std::string> remove(const std::string& name);
  std::optional<std::string> rename(const std::string& from, const std::string& to);
  // A journal picked anywhere on disk: true, with its name, when it lies in
  // "Stat/" of this base; the Examiner writes only to journals there.
  bool inStat(const std::string& path, std::string& name) const;
  // Copies a journal from elsewhere into "Stat/" under its own name; refuses
  // a name that is taken or unsafe and a file that is not a journal.
  std::optional<std::string> copyIn(const std::string& path, std::string& name);
  const std::string& current() const { return current_; }
  const std::string& base() const { return base_; }
  void setCurrent(std::string c) { current_ = std::move(c); }

 private:
  bool exists(const std::string& name) const;
  bool inUse(const std::string& name) const;
  std::string base_, current_;
};

}  // namespace common
