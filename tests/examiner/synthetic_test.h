#pragma once
// A small test of single-choice frames for the rule tests: variant 1 right,
// one minute for the whole test.
#include "attempt.h"

namespace examiner {

inline AttemptConfig syntheticTest(int frames, int stop, int ifProsTime = 1) {
  AttemptConfig c;
  c.tema.NAME = "Synthetic";
  c.tema.MODECONTROLZN = 1;
  c.tema.STOPTEST = static_cast<std::uint8_t>(stop);
  c.tema.MODEOZENKA = 1;
  c.tema.SHCALA = {51, 70, 81, 91, 95, 0, 0, 0, 0, 0};
  c.tema.HOWTIMETEST = 2;
  c.tema.TIMETEST = 1;
  c.tema.IFPROSTIME = static_cast<std::uint8_t>(ifProsTime);
  for (int i = 1; i <= frames; ++i) {
    tables::Vop v;
    v.CODEVOP = static_cast<std::uint16_t>(i);
    v.TYPEKADR = 3;
    v.KOLOT = 2;
    v.TRUEOT[0] = 1;
    v.BALLVOP = 1;
    v.KOLPOP = 1;
    v.VAROT11 = "yes";
    v.VAROT12 = "no";
    c.frames.push_back(v);
  }
  return c;
}

}  // namespace examiner
