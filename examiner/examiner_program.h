#pragma once
// What identifies the program to its users and to the other two programs.
namespace examiner {

// The main frame's caption (UTF-8).
const char* caption();

}  // namespace examiner
