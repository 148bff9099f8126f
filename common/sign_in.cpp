#include "sign_in.h"

#include <string>

#include "cp1251.h"

namespace common {

SignIn signIn(const tables::GlbTune& glb, std::string_view statusUtf8, std::string_view passwordUtf8) {
  const std::string status(cp1251::clip(cp1251::fromUtf8(statusUtf8)));
  const std::string typed(cp1251::clip(cp1251::fromUtf8(passwordUtf8)));
  if (status == cp1251::fromUtf8(kAdministrator) && typed == glb.PASSADM.view()) return SignIn::Administrator;
  if (status == cp1251::fromUtf8(kUser) && typed == glb.PASSINS.view()) return SignIn::User;
  return SignIn::Refused;
}

}  // namespace common
