#pragma once
// The name of a result journal as a user types or picks it: the file
// "<name>.rez" in the journals' folder "Stat/". Shared by the settings
// windows of the Examiner and the Administrator.
#include <optional>
#include <string>
#include <string_view>

#include "installation.h"

namespace common {

// Why the name cannot name a journal (the message to show, UTF-8), or
// nothing. An empty name names none; a name with a folder in it would lead
// out of "Stat/"; a name of dots alone is the folder itself; the characters
// : * ? < > | " cannot stand in a file name on the stations' systems.
inline std::optional<std::string> journalNameRefusal(std::string_view nameUtf8) {
  if (nameUtf8.find_first_not_of(" \t") == std::string_view::npos) return "Не указано имя файла результатов.";
  std::string why;
  if (!setup::safeFileName(nameUtf8, &why)) return why;
  const std::string name(nameUtf8);
  if (nameUtf8.find_first_not_of(". \t") == std::string_view::npos)
    return "Недопустимое имя файла \"" + name + "\": имя не может состоять из одних точек.";
  if (nameUtf8.find_first_of(":*?<>|\"") != std::string_view::npos)
    return "Недопустимое имя файла \"" + name + "\": имя не может содержать знаки : * ? < > | \".";
  return std::nullopt;
}

}  // namespace common
