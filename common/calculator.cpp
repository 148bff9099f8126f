#include "calculator.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace common {

// The display always uses "." whatever the program's locale (a Russian one
// would read and write ",").
double Calculator::value() const {
  double v = 0;
  std::from_chars(text_.data(), text_.data() + text_.size(), v);
  return v;
}

void Calculator::setValue(double v) {
  if (!std::isfinite(v)) {
    text_ = "Ошибка";
    error_ = true;
    fresh_ = true;
    return;
  }
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
  text_.assign(buf, r.ptr);
  if (text_ == "-0") text_ = "0";
  fresh_ = true;
}

void Calculator::apply() {
  double x = value();
  switch (op_) {
    case '+': setValue(acc_ + x); break;
    case '-': setValue(acc_ - x); break;
    case '*': setValue(acc_ * x); break;
    case '/': setValue(x == 0 ? NAN : acc_ / x); break;
    default: break;
  }
  op_ = 0;
}

void Calculator::press(const std::string& k) {
  if (error_ && k != "C") return;  // after an error only "C" helps
  if (k.size() == 1 && k[0] >= '0' && k[0] <= '9') {
    if (fresh_ || text_ == "0") text_.clear();
    if (text_.size() < 16) text_ += k;
    fresh_ = false;
  } else if (k == ".") {
    if (fresh_) text_ = "0";
    if (text_.find('.') == std::string::npos) text_ += ".";
    fresh_ = false;
  } else if (k == "+" || k == "-" || k == "*" || k == "/") {
    if (!fresh_ || op_ == 0) {
      if (op_) apply();
      acc_ = value();
    }
    op_ = k[0];
    fresh_ = true;
  } else if (k == "=") {
    if (op_) apply();
  } else if (k == "C") {
    text_ = "0";
    acc_ = 0;
    op_ = 0;
    fresh_ = true;
    error_ = false;
  } else if (k == "<-") {
    if (!fresh_ && text_.size() > 1) text_.pop_back();
    else text_ = "0";
    if (text_ == "-") text_ = "0";
  } else if (k == "+/-") {
    setValue(-value());
  } else if (k == "x^2") {
    setValue(value() * value());
  } else if (k == "sqrt") {
    setValue(value() < 0 ? NAN : std::sqrt(value()));
  } else if (k == "1/x") {
    if (value() != 0) setValue(1 / value());  // only when x is not 0
  } else if (k == "Exp") {
    setValue(value() * 10);
  } else if (k == "lg") {
    setValue(value() <= 0 ? NAN : std::log10(value()));
  } else if (k == "ln") {
    setValue(value() <= 0 ? NAN : std::log(value()));
  } else if (k == "pi") {
    text_ = "3.141592654";
    fresh_ = true;
  } else if (k == "MS") {
    m_ = value();
    fresh_ = true;
  } else if (k == "MR") {
    setValue(m_);
  } else if (k == "M+") {
    m_ += value();
    fresh_ = true;
  } else if (k == "M-") {
    m_ -= value();
    fresh_ = true;
  } else if (k == "MC") {
    m_ = 0;
  }
}

}  // namespace common
