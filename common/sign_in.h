#pragma once
// Who signs in to the Constructor or the Administrator: the status named
// and its password from the global settings record.
#include <string_view>

#include "tables_central.h"

namespace common {

inline constexpr const char* kAdministrator = "Администратор";
inline constexpr const char* kUser = "Пользователь";

enum class SignIn { Refused = 0, Administrator = 1, User = 2 };

// "Администратор" with GLB:PASSADM, "Пользователь" with GLB:PASSINS; both
// compared exactly, trailing blanks ignored (UTF-8 in).
SignIn signIn(const tables::GlbTune& glb, std::string_view statusUtf8, std::string_view passwordUtf8);

}  // namespace common
