#pragma once
// Importing a question bank: the source file read whatever its format, and
// a plan written into a new test that appears, file and register record
// together, only when every frame is written; an existing test is never
// replaced.
#include <cstdint>
#include <functional>
#include <string>

#include "bank.h"
#include "frame_plan.h"
#include "test_register.h"

namespace converter {

// The format of a source file, by its name and first bytes: ".gift"/".txt"
// GIFT, ".zip" or "imsmanifest.xml" a content package, XML by its root
// (<quiz> Moodle XML, <assessmentItem> QTI).
Format guessFormat(const std::string& path, std::string_view head);
// Reads a source file; `format` gets what it was read as.
Bank readSource(const std::string& path, Format* format = nullptr);

// The scenario a new test starts with, for planning its frames.
tables::Tema newScenario();

struct ImportTarget {
  std::string baseDir;        // the test base, ending in "/"
  std::int32_t baseCode = 0;  // its PBD:CODEBD
  std::string name;           // the test's file name (UTF-8), without ".orm"
  std::string keyWord;        // GLB:KEYW
  std::string organisation;   // GLB:ORG (CP1251)
  std::string dataTestFile;   // the test register
  // Told after each frame written (frames done, frames in all); returning
  // false stops the import, which then leaves no test.
  std::function<bool(int, int)> progress;
};

// Whether the target's name may become a new test: given, safe, in code
// page 1251, neither on disk nor in the register. Asked before a source is
// read, so a batch run stops at once.
constructor::Outcome checkTarget(const ImportTarget& target);

// Writes the plan's sections and frames into a new test made apart in the
// base, then moves it to its name and registers it in one step. Refused
// (and nothing made) for a plan with a refusal, a name that is unsafe or
// taken; a write that fails leaves neither a test nor a register record.
constructor::Outcome importPlan(const Plan& plan, const ImportTarget& target);

}  // namespace converter
