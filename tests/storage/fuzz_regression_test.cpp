// Inputs the fuzzers found (fuzz/regressions/<target>/), run through the
// same checks, so that what was mended stays mended without a fuzzing build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz_checks.h"

namespace {

struct Target {
  const char* dir;
  std::string (*check)(const std::uint8_t*, std::size_t);
};

TEST(FuzzRegressions, EveryKeptInputPassesItsCheck) {
  const Target targets[] = {
      {"filter", fuzzing::checkFilter}, {"settings", fuzzing::checkSettings}, {"store_open", fuzzing::checkStoreOpen}};
  int inputs = 0;
  for (const auto& t : targets) {
    std::filesystem::path dir = std::filesystem::path(FUZZ_REGRESSIONS) / t.dir;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      std::ifstream f(e.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      EXPECT_EQ(t.check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "") << e.path();
      ++inputs;
    }
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
