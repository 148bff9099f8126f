#pragma once
// What the frame editors decide without windows: which kind each editor tab
// writes, the picture layouts and their places, the frame defaults of new
// frames (VOPPARAM), the font kept for the Examiner (TuneTest), the sections a
// frame can be put into and the parameters the console edits.
#include <cstdint>
#include <string>
#include <vector>

#include "installation.h"
#include "tables_test_file.h"
#include "tables_work.h"
#include "test_file.h"
#include "test_register.h"

namespace constructor {

// The editor's tabs in their order: "Выбор-N", "Выбор-1", "Ранжир",
// "Сопоставление", "Дополнение", "Генератор".
inline constexpr int kEditorTabs = 6;
// The kind a tab writes; the completion tab writes 5 with keywords and
// synonyms, 6 (one exact answer) without.
int kindOfTab(int tab, bool keywords);
// The tab that shows a kind (kinds 5 and 6 share one).
int tabOfKind(int kind);

// The picture layouts (VOP:YESIMAGE): 0 none, 1 beside the question,
// 2 hidden, 3 scaled to a height of 201, 4 natural at the top left,
// 5 natural in the middle of a 295 x 187 area.
int nextLayout(int layout);  // 1 -> 2 -> 3 -> 4 -> 5 -> 1; 0 stays
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Box&) const = default;
};
// Where the picture goes in the frame area for a layout, given its natural
// size; empty for layouts 0 and 2.
Box pictureBox(int layout, int naturalWidth, int naturalHeight);

// The frame defaults record (one record, in the working directory).
std::string frameDefaultsFile(const setup::Installation& inst);
Outcome readFrameDefaults(const std::string& file, tables::VopParam& out);
// "По умолч.": the frame's variant, level, time, attempts, points and section
// become the defaults of the next new frame (its kind is kept as the last
// one used; a new frame still starts as kind 1).
Outcome writeFrameDefaults(const std::string& file, const tables::Vop& from);

// The font the Examiner shows frames in: [0] the question, [1] the
// variants. Style: weight (100..900) | 0x1000 italic | 0x2000 underline |
// 0x4000 strikeout; colour 0x00BBGGRR.
struct FrameFont {
  std::string family;  // UTF-8
  int pointSize = 10;
  int style = 400;
  std::uint32_t colour = 0;
};
// Writes both fonts to the settings record and switches them on
// (TUN:YESFONT = 1), keeping every other setting.
Outcome writeTestFont(const std::string& tuneTestFile, const FrameFont& question, const FrameFont& variants);

// The sections of a test by number, names in UTF-8.
struct SectionEntry {
  int number = 0;
  std::string name;
};
Outcome listSections(testfile::TestFile& tf, std::vector<SectionEntry>& out);
// Puts a frame into a section: its number and a copy of its name; 0 takes it
// out of any.
void assignSection(tables::Vop& v, const std::vector<SectionEntry>& sections, int number);
// On loading the sections for a frame: a test marked by sections drops a
// section number that has no record; a frame without a section name gets
// the remembered one when a section of that name exists.
void settleSection(tables::Vop& v, const std::vector<SectionEntry>& sections, bool bySections, const std::string& rememberedUtf8);

// The parameters the console shows and edits for the open frame.
struct FrameParameters {
  int section = 0;
  std::string sectionName;  // UTF-8
  int variant = 0, points = 0, level = 0, time = 0, attempts = 0;
  bool operator==(const FrameParameters&) const = default;
};
FrameParameters parametersOf(const tables::Vop& v);
// Copies the parameters into the frame; problems named (UTF-8), the frame
// unchanged when there are any. Variant 0..255, level 1..5 (0 for none),
// time 0..65535 seconds, attempts 1..255, points 0..65535.
std::vector<std::string> applyParameters(tables::Vop& v, const FrameParameters& p, const std::vector<SectionEntry>& sections);

}  // namespace constructor
