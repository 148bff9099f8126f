#include "administrator_program.h"

namespace administrator {

const char* caption() { return "Ормида 3.0  >> Администратор"; }

}  // namespace administrator
