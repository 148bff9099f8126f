#include "database_report.h"

#include <cstdio>

#include "cp1251.h"
#include "datetime.h"

namespace administrator {

std::string dateText(std::int32_t day) {
  if (day <= 0) return {};
  const datetime::Ymd d = datetime::fromDayNumber(day);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
  return buf;
}

std::string timeText(std::int32_t time) {
  if (time <= 0) return {};
  const datetime::Hms t = datetime::fromClockTime(time);
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", t.hour, t.minute);
  return buf;
}

Outcome databaseReport(const setup::Installation& inst, std::int32_t today, const std::string& administrator,
                       DatabaseReport& out) {
  out = DatabaseReport{};
  out.date = dateText(today);
  out.administrator = administrator;
  std::vector<tables::PathFile> bases;
  if (Outcome o = TestLibrary(inst).bases(bases); !o) return o;
  for (const auto& b : bases) {
    DatabaseReport::Block block;
    block.code = b.CODEBD;
    block.name = cp1251::toUtf8(cp1251::clip(b.NAMEBD.view()));
    block.folder = cp1251::toUtf8(cp1251::clip(b.DIRBD.view()));
    block.created = dateText(b.DATECR);
    block.note = cp1251::toUtf8(cp1251::clip(b.PRIM.view()));
    for (const TestFile& t : testsIn(block.folder)) block.tests.push_back(t.name);
    out.blocks.push_back(std::move(block));
  }
  return {};
}

}  // namespace administrator
