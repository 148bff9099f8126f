#pragma once
// A bank turned into the frames of a new test, all in memory and validated
// before anything is written: each question becomes a frame of the kind
// that checks it as its source did, or is skipped with the reason; the
// categories become sections. Texts that code page 1251 cannot hold are
// named per question, never turned into "?".
#include <string>
#include <vector>

#include "bank.h"
#include "tables_test_file.h"
#include "tables_work.h"

namespace converter {

// The most frames a test holds: a result keeps 512 places.
inline constexpr int kMostFrames = 512;

struct PlannedFrame {
  int question = 0;            // its index in the bank
  int kind = 0;                // VOP:TYPEKADR; 0 when skipped
  std::string skipped;         // why it is not imported
  std::string where, name;     // the question's place and name in the source
  tables::Vop vop;             // normalised as the Constructor saves frames
  tables::Training help;
  bool hasHelp = false;        // a help text or a comment to write
  bool roughWeights = false;   // kind 1: the weights keep the source's shares only roughly
  std::vector<std::string> notes;  // what changed on the way
};

struct PlannedSection {
  int number = 0;
  std::string name;  // UTF-8
};

struct Plan {
  std::vector<PlannedFrame> items;     // one per question, in order
  std::vector<PlannedSection> sections;
  std::vector<std::string> notes;      // about the whole bank
  std::string refusal;                 // set when the bank cannot become a test
  tables::Tema tema;                   // the scenario planned for: the new test takes its marking
  int frames() const;                  // the questions that become frames
};

// `tema`: the scenario the frames are normalised for (a new test's);
// `defaults`: the frame defaults new frames start with (variant, level,
// time, attempts).
Plan planFrames(const Bank& bank, const tables::Tema& tema, const tables::VopParam& defaults);

// The section a category path names: "$course$/top/Алгебра/Дроби" ->
// "Алгебра/Дроби"; empty for the top category.
std::string sectionName(const std::string& categoryPath);

// A frame kind as the preview names it (completion frames by what is typed).
std::string kindName(const tables::Vop& v);

}  // namespace converter
