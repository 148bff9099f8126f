#pragma once
// What the protocol of a result says: its heading, its labelled lines, the
// wrong answers and the table of sections; the Examiner's at the end of an
// attempt and the Administrator's from a journal. The report engine lays it out.
#include <string>
#include <utility>
#include <vector>

#include "tables_central.h"
#include "tables_results.h"
#include "tables_test_file.h"

namespace common {

// Correct answers as a percentage of the frames presented, rounded to the
// nearest whole number; 0 for a result of no frames.
int percentageRounded(int correct, int presented);


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
  std::string sectionsTitle = "Результаты по разделам теста";
};

// `sectionNames`: RAZ:NAME of sections 1.. (CP1251); `frames`: the test's
// frames, for a time limited per frame.
Protocol protocolOf(const tables::RezTest& r, const tables::Tema& t, const tables::Titul& ti, const tables::TuneTest& tune,
                    const std::vector<std::string>& sectionNames, const std::vector<tables::Vop>& frames = {});

// What a test's scenario says of its time limit: the kind and, for a limit
// per frame, the frames.
struct TestTiming {
  tables::Tema tema;
  std::vector<tables::Vop> frames;
};

// The Administrator's protocol of a result read from a journal. A result
// keeps the whole-test allowance whatever the kind of limit, so the kind
// comes from the test (`timing`, nullptr when it was not found); with a
// limit on the whole test its minutes are the ones stored with the attempt.
// The mark and the percentage are left out of a test stopped for too many
// wrong answers in a row (REZ:PRDURAK), as they say nothing of the examinee then.
Protocol journalProtocolOf(const tables::RezTest& r, const tables::TuneTest& tune, const TestTiming* timing = nullptr);

// The time allowed, as the start page, the result window and the protocol
// say it (UTF-8): "15 мин.", "30 сек. на задание", "от 20 до 60 сек. на
// задание", "не ограничено".
std::string timeAllowedText(const tables::Tema& t, const std::vector<tables::Vop>& frames);

}  // namespace common
