#pragma once
// The percentage, the mark and its text on each marking scale.
#include <array>
#include <cstdint>
#include <string>

#include "protocol.h"

namespace examiner {

// Correct answers as a percentage of the frames presented, the fraction
// discarded; 0 for an attempt of no frames.
int percentage(int correct, int presented);
// The same, rounded to the nearest whole number, as the result window and
// both programs' protocols show it.
using common::percentageRounded;

struct Mark {
  int number = 0;     // REZ:OTMETKA
  std::string text;   // REZ:REZTEXT (UTF-8)
};
// By TEM:MODEOZENKA: 1 four-grade, 2 ten-grade, 3 pass/fail, 4 no mark.
Mark markFor(int scale, const std::array<std::uint8_t, 10>& thresholds, int percent);
std::string scaleName(int scale);  // UTF-8

}  // namespace examiner
