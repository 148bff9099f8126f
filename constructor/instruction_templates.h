#pragma once
// The instruction templates (TEMPINS): texts a scenario's start instruction
// can be taken from. Codes are given in turn from 1; each change is one
// record written.
#include <cstdint>
#include <string>
#include <vector>

#include "installation.h"
#include "test_register.h"

namespace constructor {

struct InstructionTemplate {
  std::uint8_t code = 0;
  std::string text;  // UTF-8
  // The first line, as the list shows it (255 characters at most).
  std::string title() const;
};

class InstructionTemplates {
 public:
  explicit InstructionTemplates(std::string file) : file_(std::move(file)) {}
  static std::string fileOf(const setup::Installation& inst);

  Outcome list(std::vector<InstructionTemplate>& out);
  // A new template with the next free code; `code` gets it.
  Outcome add(const std::string& textUtf8, std::uint8_t& code);
  Outcome change(std::uint8_t code, const std::string& textUtf8);
  Outcome remove(std::uint8_t code);

 private:
  std::string file_;
};

}  // namespace constructor
