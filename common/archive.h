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
  // Each returns nothing when done, or the message to show (UTF-8). A new
  // name must name a journal (common::journalNameRefusal), have a CP1251
  // form and fit the narrowest field that keeps a journal's name.
  std::optional<std::string> create(const std::string& name);
  std::optional<std::string> remove(const std::string& name);
  // The journal's name goes along everywhere the central tables keep it: the
  // class journal's lines (VED:FILEREZ), the rooms (LAB:CURREZ), the common
  // journal of the settings (TUN:CURREZ) and the catalogue (AllRez), in one
  // transaction that is committed only when the file has been copied; a
  // failure before it leaves the journal and every reference as they were.
  std::optional<std::string> rename(const std::string& from, const std::string& to);
  // Why `name` cannot be given to a journal, or nothing.
  static std::optional<std::string> nameRefusal(const std::string& name);
  // VED:FILEREZ: the narrowest field that keeps a journal's name.
  static constexpr std::size_t kNameWidth = 64;
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
