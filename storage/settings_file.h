#pragma once
// Private-profile settings files: "[Section]" lines and "key=value" lines.
// Sections and keys match without regard to letter case; a missing file or
// key gives the caller's default; writing a key keeps every other line.
// The files are UTF-8 text.
#include <optional>
#include <string>
#include <string_view>

namespace settings {

class IniFile {
 public:
  explicit IniFile(std::string path = {}) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }
  bool exists() const;

  // The value (UTF-8, blanks around it removed) or nothing when absent.
  std::optional<std::string> find(std::string_view section, std::string_view key) const;
  std::string get(std::string_view section, std::string_view key, std::string_view def = {}) const;
  // A number: the default when the key is absent; a value that is not a
  // number (such as "Нет") reads as 0.
  long getInt(std::string_view section, std::string_view key, long def = 0) const;
  // Values that come from records: stored as UTF-8, given back in CP1251.
  std::string getCp1251(std::string_view section, std::string_view key, std::string_view defCp1251 = {}) const;

  // Writes one key, creating the file and the section when missing. The
  // file is replaced as a whole only once the new text is safely on disk,
  // so a full disk leaves the old file intact. False when it could not be written.
  bool set(std::string_view section, std::string_view key, std::string_view value);
  bool setCp1251(std::string_view section, std::string_view key, std::string_view valueCp1251);
  bool setInt(std::string_view section, std::string_view key, long value);

 private:
  std::string path_;
};

// The user's own settings directory ($XDG_CONFIG_HOME/ormida, or
// ~/.config/ormida), created when missing.
std::string userConfigDir();
// The machine's settings directory (/etc/xdg/ormida, or the first entry of
// $XDG_CONFIG_DIRS followed by /ormida).
std::string machineConfigDir();

// The shared settings file of a working directory: "<dir>/Varnuke.ini".
// The path is kept whole, however long.
std::string sharedFile(const std::string& workingDir);

// A window-position file ("VARNUKE.INI", "ormida.INI") in the user's
// settings directory: an installed program's own directory is not writable.
std::string positionFile(const std::string& name);

// This workstation's name (section Reg, key NamePC, 20 characters at most):
// the machine's file is read first, then the user's; when both are blank
// the computer's network name is taken and stored in the user's file.
std::string workstationName(const std::string& machineFile, const std::string& userFile);
std::string workstationName();  // with the standard files

}  // namespace settings
