#include "test_font.h"

#include "record_format.h"

namespace common {

QFont testFont(const tables::TuneTest& tune, int which) {
  if (!tune.YESFONT) return QFont(QStringLiteral("DejaVu Sans"), 10);
  const auto i = static_cast<std::size_t>(which);
  QFont f(ui::fromRecord(tune.FONTNAME[i].view()));
  const int size = tune.FONTSIZE[i];
  f.setPointSize(size > 0 ? size : 10);
  const int style = tune.FONTSTYLE[i];
  const int weight = style & 0xFFF;
  if (weight >= 100 && weight <= 900) f.setWeight(static_cast<QFont::Weight>(weight));
  f.setItalic(style & 0x1000);
  f.setUnderline(style & 0x2000);
  f.setStrikeOut(style & 0x4000);
  return f;
}

QColor testColour(const tables::TuneTest& tune, int which) {
  if (!tune.YESFONT) return QColor(0, 0, 0);
  const auto c = static_cast<std::uint32_t>(tune.FONTCOLOR[static_cast<std::size_t>(which)]);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

int fontStyle(const QFont& f) {
  int style = static_cast<int>(f.weight()) & 0xFFF;
  if (f.italic()) style |= 0x1000;
  if (f.underline()) style |= 0x2000;
  if (f.strikeOut()) style |= 0x4000;
  return style;
}

std::uint32_t storedColour(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16);
}

}  // namespace common
