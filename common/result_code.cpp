#include "result_code.h"

namespace common {

std::int32_t nextResultCode(store::Table& t, tables::RezTest& rec) {
  const int key = t.key("KEYCODEREZ");
  auto code = static_cast<std::int32_t>(t.records()) + 1;
  rec.CODEREZ = code;
  if (t.get(key) != store::Ok) return code;
  if (t.set(key) == store::Ok && t.previous() == store::Ok) return rec.CODEREZ + 1;
  return code;
}

}  // namespace common
