#pragma once
// What the Navigator shows of a test and of its frames: the properties
// list, the names of the frame kinds and which frames the filter keeps.
#include <string>
#include <vector>

#include "scenario.h"
#include "tables_test_file.h"

namespace constructor {

struct Property {
  std::string label;  // "Название теста", ... (UTF-8)
  std::string value;  // UTF-8
};
// The rows "Название теста" ... "Дата печати" in their order: a blank text
// or a zero date shows "Неизвестно", a zero print date "Не печатался";
// dates as dd.mm.yyyy followed by the time with seconds.
std::vector<Property> testProperties(const tables::Tema& tema, const tables::Titul& titul, int frames);

// "dd.mm.yyyy hh:mm:ss" of a day number and a clock time ("" for day 0).
std::string dateAndTime(std::int32_t day, std::int32_t time);

// The name of a frame kind (VOP:TYPEKADR 1..7), "" for another value.
std::string frameKindName(int kind);

// Whether a frame passes the Navigator's filter (every ticked criterion
// equal; everything passes with the switch off).
bool frameMatches(const FrameFilter& f, const tables::Vop& v);

// The editor kinds the filter offers (" Стандартный", ...) and the
// VOP:TYPEEDIT each stands for: the standard editor keeps "Stnd", the three
// document editors all make object frames ("Objk").
struct EditorKind {
  const char* label;
  const char* typeEdit;
};
const std::vector<EditorKind>& editorKinds();

}  // namespace constructor
