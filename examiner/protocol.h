#pragma once
// What the protocol of an attempt says: its heading, its labelled lines, the
// wrong answers and the table of sections. The report engine lays it out.
#include <string>
#include <utility>
#include <vector>

#include "tables_central.h"
#include "tables_results.h"
#include "tables_test_file.h"

namespace examiner {

// The codes 1..upTo whose status is 0, each as "P###,P" ("005,007,").
std::string wrongCodes(const tables::RezTest& r, int upTo);

struct SectionRow {
  std::string name;
  int frames = 0, correct = 0, points = 0, percent = 0;
};

struct Protocol {
  std::string title, subtitle;  // TUN:NAMEPROT, TUN:NAMEPROT2 (UTF-8)
  std::vector<std::pair<std::string, std::string>> lines;  // label, value (UTF-8)
  bool showWrong = true;
  std::string wrong;
  std::vector<SectionRow> sections;  // when the test is assessed by sections
};

// `sectionNames`: RAZ:NAME of sections 1.. (CP1251); `frames`: the test's
// frames, for a time limited per frame.
Protocol protocolOf(const tables::RezTest& r, const tables::Tema& t, const tables::Titul& ti, const tables::TuneTest& tune,
                    const std::vector<std::string>& sectionNames, const std::vector<tables::Vop>& frames = {});

// The time allowed, as the start page, the result window and the protocol
// say it (UTF-8): "15 мин.", "30 сек. на задание", "от 20 до 60 сек. на
// задание", "не ограничено".
std::string timeAllowedText(const tables::Tema& t, const std::vector<tables::Vop>& frames);

}  // namespace examiner
