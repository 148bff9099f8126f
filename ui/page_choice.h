#pragma once
// Which pages of a report a print or an export takes.
#include <cstdint>
#include <vector>

namespace ui {

enum class PageChoice { All = 1, Current = 2, Marked = 3, Unmarked = 4, Range = 5, Even = 6, Odd = 7 };

// Pages are numbered from 1; `marks[i - 1]` is the mark of page i.
bool pageChosen(int page, PageChoice c, int current, const std::vector<std::uint8_t>& marks, int from, int to);
std::vector<int> choosePages(int count, PageChoice c, int current, const std::vector<std::uint8_t>& marks, int from = 1,
                             int to = 0);

}  // namespace ui
