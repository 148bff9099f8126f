#pragma once
// What the fuzzers check, one function per target: each takes arbitrary
// bytes and returns what went wrong ("" when all is well). The fuzzers abort
// on a non-empty answer; the tests run the inputs the fuzzers found, kept
// under fuzz/regressions/<target>/.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The filter translator: an expression it accepts must be SQL that the
// engine prepares, with as many '?' marks as parameters.
std::string checkFilter(const std::uint8_t* data, std::size_t size);
// The settings-file reader: any file reads; a key written reads back.
std::string checkSettings(const std::uint8_t* data, std::size_t size);
// Opening a store file made of arbitrary bytes: an error number or a table
// that reads to its end, never a crash.
std::string checkStoreOpen(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
