#include "constructor_program.h"

namespace constructor {

const char* caption() { return "Ормида 3.0 [Конструктор тестов]"; }

}  // namespace constructor
