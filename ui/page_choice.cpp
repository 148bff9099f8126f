#include "page_choice.h"

namespace ui {

bool pageChosen(int i, PageChoice c, int current, const std::vector<std::uint8_t>& marks, int from, int to) {
  bool marked = i >= 1 && i <= static_cast<int>(marks.size()) && marks[static_cast<std::size_t>(i - 1)] == 1;
  switch (c) {
    case PageChoice::All: return true;
    case PageChoice::Current: return i == current;
    case PageChoice::Marked: return marked;
    case PageChoice::Unmarked: return !marked;
    case PageChoice::Range: return from <= i && i <= to;
    case PageChoice::Even: return i % 2 == 0;
    case PageChoice::Odd: return i % 2 == 1;
  }
  return false;
}

std::vector<int> choosePages(int count, PageChoice c, int current, const std::vector<std::uint8_t>& marks, int from, int to) {
  std::vector<int> out;
  for (int i = 1; i <= count; ++i)
    if (pageChosen(i, c, current, marks, from, to)) out.push_back(i);
  return out;
}

}  // namespace ui
