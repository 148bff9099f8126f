#pragma once
// The fonts frames are shown in, as the test settings record keeps them:
// [0] the question, [1] the variants. The style holds the weight (100..900)
// and the flags italic 0x1000, underline 0x2000 and strikeout 0x4000; the
// colour is stored as 0x00BBGGRR. Without TUN:YESFONT the programs' own font.
#include <QColor>
#include <QFont>
#include <cstdint>

#include "tables_central.h"

namespace common {

QFont testFont(const tables::TuneTest& tune, int which);
QColor testColour(const tables::TuneTest& tune, int which);
// The stored forms of a font's style and of a colour.
int fontStyle(const QFont& f);
std::uint32_t storedColour(const QColor& c);

}  // namespace common
