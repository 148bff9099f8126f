#pragma once
// The printed test "Список заданий": what its title part and each frame say
// (the window lays them out through the report engine), read frame by frame
// so a long test can show its progress and be stopped; and the one change
// printing makes to a test, the date of its last print.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables_test_file.h"
#include "test_file.h"
#include "test_register.h"

namespace constructor {

struct PrintOptions {
  bool answers = false;   // "Печатать эталонные ответы"
  bool pictures = false;  // "Печатать рисунки"
  bool preview = true;    // "Предварительный просмотр"
};

struct PrintedLine {
  std::string label;  // "Курс:" ... (UTF-8)
  std::string value;  // UTF-8
};

// The title part in its order: the heading lines, "Курс:" to "Автор:", the
// marking scale "Неудовлетворительно:" to "Отлично" with their bounds in
// per cent ("0 - 51"), "Примечание", "Создан:", "Изменен:", "Версия:".
struct PrintedTitle {
  std::vector<std::string> heading;  // "СИСТЕМА АВТОМАТИЗИРОВАННОГО КОНТРОЛЯ ЗНАНИЙ", "ОРМИДА 2.0"
  std::vector<PrintedLine> data;
  std::vector<PrintedLine> scale;
  std::string note;  // TIT:REZUME
  std::vector<PrintedLine> history;
};
PrintedTitle printedTitle(const tables::Tema& tema, const tables::Titul& titul);

// One frame as printed. Choice and ranking variants are lettered "а) ",
// "б) " ... as the Examiner shows them; a matching frame's rows are
// lettered and its items numbered "1. ". Completion and exact answers are
// the answers themselves: only the reference line shows them, and it is
// there only when answers are printed.
struct PrintedFrame {
  std::uint16_t code = 0;
  int kind = 0;                       // VOP:TYPEKADR
  std::string question;               // UTF-8
  std::vector<std::string> variants;  // kinds 1-3: "а) ..."; kind 4: the items "1. ..."
  std::vector<std::string> rows;      // kind 4: "а) ..."
  std::string answer;                 // "Эталонный ответ: ..." or empty
  std::vector<std::uint8_t> picture;  // VOP:BLOBVOP when pictures are printed
};
PrintedFrame printedFrame(const tables::Vop& v, const PrintOptions& o);

// Reads every frame of the test in code order, calling `each` with it and
// its place (1-based) of `total`; `each` returns false to stop, and then
// the result is Refused with no message. A read error other than the end of
// the table is named with the standard file-error message of "Vop".
Outcome readPrintedFrames(testfile::TestFile& tf, const PrintOptions& o,
                          const std::function<bool(const PrintedFrame&, int place, int total)>& each);

// Sets TIT:PRINTD (and TIT:PRINTT) to `day` and `time` and writes the title;
// called only once the report was produced.
Outcome markPrinted(testfile::TestFile& tf, std::int32_t day, std::int32_t time);

}  // namespace constructor
