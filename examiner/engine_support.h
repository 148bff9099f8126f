#pragma once
// What an attempt takes from outside: a random source and a clock, so that
// tests can give the draws and the time.
#include <cstdint>
#include <random>
#include <vector>

namespace examiner {

class Random {
 public:
  virtual ~Random() = default;
  // A uniform integer in lo..hi inclusive.
  virtual int uniform(int lo, int hi) = 0;
};

// Seeded once per program run from the system's entropy.
class SystemRandom : public Random {
 public:
  SystemRandom();
  int uniform(int lo, int hi) override;

 private:
  std::mt19937 gen_;
};

// Gives the listed draws in turn (each clamped into lo..hi), then lo.
class ScriptedRandom : public Random {
 public:
  explicit ScriptedRandom(std::vector<int> draws = {}) : draws_(std::move(draws)) {}
  int uniform(int lo, int hi) override;
  std::vector<int> draws_;
  std::size_t next_ = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int32_t today() = 0;  // day number
  virtual std::int32_t now() = 0;    // hundredths of a second since midnight plus one
};

class SystemClock : public Clock {
 public:
  std::int32_t today() override;
  std::int32_t now() override;
};

class FixedClock : public Clock {
 public:
  std::int32_t day = 82526;
  std::int32_t time = 3600001;
  std::int32_t today() override { return day; }
  std::int32_t now() override { return time; }
};

}  // namespace examiner
