#include "scoring.h"

namespace examiner {

int percentage(int correct, int presented) { return presented > 0 ? correct * 100 / presented : 0; }

Mark markFor(int scale, const std::array<std::uint8_t, 10>& s, int p) {
  auto S = [&](int i) { return static_cast<int>(s[static_cast<std::size_t>(i - 1)]); };
  auto in = [&](int a, int b) { return a <= p && p <= b; };
  Mark m;
  switch (scale) {
    case 1:
      if (in(0, S(2) - 1)) m = {2, "Неудовлетворительно"};
      else if (in(S(2), S(3) - 1)) m = {3, "Удовлетворительно"};
      else if (in(S(3), S(4) - 1)) m = {4, "Хорошо"};
      else if (in(S(4), 100)) m = {5, "Отлично"};
      break;
    case 2:
      if (in(0, S(2) - 1)) m.number = 1;
      for (int k = 2; k <= 9; ++k)
        if (in(S(k), S(k + 1) - 1)) m.number = k;
      if (in(S(10), 100)) m.number = 10;
      break;
    case 3:
      if (in(0, S(1) - 1)) m.text = "Тест не сдан.Незачет";
      else if (in(S(1), 100)) m.text = "Тест сдан.Зачет";
      break;
    default: break;
  }
  return m;
}

std::string scaleName(int scale) {
  switch (scale) {
    case 1: return "Четырехбальная шкала";
    case 2: return "Десятибальная шкала";
    case 3: return "Зачет/незачет";
    case 4: return "Рейтинговая";
    default: return {};
  }
}

}  // namespace examiner
