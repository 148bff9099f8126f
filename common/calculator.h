#pragma once
// The examinee's calculator: one display value x, one memory value m.
#include <string>

namespace common {

class Calculator {
 public:
  // Keys: "0".."9", ".", "+", "-", "*", "/", "=", "C", "<-" (remove the last
  // character), "+/-", "x^2", "sqrt", "1/x", "Exp" (x * 10), "lg", "ln", "pi",
  // and the memory keys "MS", "MR", "M+", "M-", "MC". Unknown keys do nothing.
  void press(const std::string& key);
  const std::string& display() const { return text_; }
  double value() const;
  double memory() const { return m_; }
  bool error() const { return error_; }

 private:
  void setValue(double v);
  void apply();
  std::string text_ = "0";
  double acc_ = 0, m_ = 0;
  char op_ = 0;
  bool fresh_ = true;  // the next digit starts a new number
  bool error_ = false;
};

}  // namespace common
