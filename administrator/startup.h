#pragma once
// The Administrator's start-up: paths of the installation and the global
// settings record that the sign-in checks.
#include <string>

#include "installation.h"
#include "messages.h"
#include "tables_central.h"

namespace administrator {

// Paths from the shared settings file of `workingDir`, and the first
// global settings record (the table made when missing; blank settings when
// it has no record); in local mode the libraries of PathFile are placed
// under the local database directory. False when the settings table could
// not be opened (the user was told).
bool startUp(const std::string& workingDir, setup::Installation& inst, tables::GlbTune& glb, messages::Interaction& ui);

}  // namespace administrator
