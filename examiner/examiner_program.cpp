#include "examiner_program.h"

namespace examiner {

const char* caption() { return "Ормида 3.0 [Экзаменатор]"; }

}  // namespace examiner
