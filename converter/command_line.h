#pragma once
// The converter's command line, for batch use in an installation directory
// (the working directory with Varnuke.ini, whose key word the test files
// are kept under):
//   ormida-convert --to-test SOURCE BASE NAME
//   ormida-convert --from-test TEST.orm --format gift|moodle-xml OUT
// Results go to standard output, messages (skipped questions, what a
// format could not hold, errors) to standard error.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace converter {

enum ExitStatus { Success = 0, Usage = 1, Failed = 2 };

// Runs a command-line form; nothing when `args` (without the program's
// name) ask for none, and the window is to open.
std::optional<int> runCommandLine(const std::vector<std::string>& args, const std::string& workingDir, std::ostream& out,
                                  std::ostream& err);

const char* usageText();

}  // namespace converter
