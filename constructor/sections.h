#pragma once
// Sections of a test (Razdel): numbers 1 to 7, a name each; the frames
// keep a copy of their section's name.
#include <string>

#include "test_register.h"
#include "test_file.h"

namespace constructor {

// Each runs in one transaction over the open test's tables and recounts
// the title statistics with it. A number already used is refused with
// store::DuplicateKey and the standard duplicate-key message.
Outcome addSection(testfile::TestFile& tf, int number, const std::string& nameUtf8);
// A new name (and number) for a section; its frames follow.
Outcome changeSection(testfile::TestFile& tf, int number, int newNumber, const std::string& nameUtf8);
// Refused while frames use the section.
Outcome deleteSection(testfile::TestFile& tf, int number);

}  // namespace constructor
