#include "engine_support.h"

#include "datetime.h"

namespace examiner {

SystemRandom::SystemRandom() : gen_(std::random_device{}()) {}

int SystemRandom::uniform(int lo, int hi) {
  if (hi <= lo) return lo;
  return std::uniform_int_distribution<int>(lo, hi)(gen_);
}

int ScriptedRandom::uniform(int lo, int hi) {
  if (next_ >= draws_.size()) return lo;
  int v = draws_[next_++];
  return v < lo ? lo : (v > hi ? hi : v);
}

std::int32_t SystemClock::today() { return datetime::today(); }
std::int32_t SystemClock::now() { return datetime::now(); }

}  // namespace examiner
