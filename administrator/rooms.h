#pragma once
// Computer rooms (Labr) and their workstations (WS): the rules the room and
// workstation windows ask. Each operation opens the tables shared and
// closes them again; failures come back as an Outcome with the message.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contingent.h"
#include "installation.h"
#include "tables_central.h"

namespace administrator {

// WS:PATH as stored: the folder of the workstation's Examiner as mounted on
// this computer, always ending in "/", because the autostart table's name
// is made by appending "AutoStar.tps" to it. Blanks around are dropped; a
// blank folder stays blank.
std::string workstationFolder(std::string_view typed);
// A folder typed the Windows way ("\\a30301\c\Varnuke\"): the message that
// says a folder of this computer is wanted; "" for a folder written with "/".
std::string workstationFolderProblem(std::string_view typed);
// The autostart table in a workstation's folder.
std::string autostartFile(std::string_view wsPath);

class Rooms {
 public:
  explicit Rooms(const setup::Installation& inst);

  // Every room in code order.
  Outcome rooms(std::vector<tables::Labr>& out);
  // The workstations of a room in code order.
  Outcome workstationsOf(std::uint16_t room, std::vector<tables::Ws>& out);
  // Refused, saying how many workstations it has, while the room has any.
  Outcome roomDeletable(std::uint16_t room);
  // Removes every workstation of a room (a new room's form was cancelled
  // after workstations were added to it).
  Outcome removeWorkstationsOf(std::uint16_t room);

 private:
  std::string labrFile_, wsFile_;
};

}  // namespace administrator
