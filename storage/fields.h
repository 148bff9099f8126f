#pragma once
// Member types of record buffers. A table's buffer is a plain struct whose
// members use these types (or the integer types and std::array of them);
// the table definition maps each member to a stored field.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cp1251.h"

namespace store {

// Fixed-width CP1251 string, padded with blanks; compared clipped.
template <std::size_t N>
struct FixedString {
  static constexpr std::size_t width = N;
  char data[N];

  FixedString() { std::memset(data, ' ', N); }
  FixedString(std::string_view cp) { assign(cp); }  // NOLINT: implicit by design
  FixedString(const char* cp) { assign(cp); }        // NOLINT

  void assign(std::string_view cp) {
    std::size_t n = std::min(cp.size(), N);
    std::memcpy(data, cp.data(), n);
    std::memset(data + n, ' ', N - n);
  }
  void clear() { std::memset(data, ' ', N); }
  FixedString& operator=(std::string_view cp) { assign(cp); return *this; }
  FixedString& operator=(const char* cp) { assign(cp); return *this; }

  std::string_view view() const { return cp1251::clip(std::string_view(data, N)); }
  std::string str() const { return std::string(view()); }
  std::string utf8() const { return cp1251::toUtf8(view()); }
  void setUtf8(std::string_view u) { assign(cp1251::fromUtf8(u)); }
  bool blank() const { return view().empty(); }

  friend bool operator==(const FixedString& a, const FixedString& b) { return a.view() == b.view(); }
  friend bool operator==(const FixedString& a, std::string_view b) { return a.view() == cp1251::clip(b); }
  friend bool operator==(const FixedString& a, const char* b) { return a == std::string_view(b); }
};

// Packed decimal of `Digits` digits with `Places` after the point, kept as a
// scaled integer (value 12.5 in decimal(4,2) holds 1250).
template <int Digits, int Places>
struct Decimal {
  static constexpr int digits = Digits;
  static constexpr int places = Places;
  std::int64_t scaled = 0;

  static constexpr std::int64_t scale() {
    std::int64_t s = 1;
    for (int i = 0; i < Places; ++i) s *= 10;
    return s;
  }
  double value() const { return static_cast<double>(scaled) / static_cast<double>(scale()); }
  void set(double v) {
    double r = v * static_cast<double>(scale());
    scaled = static_cast<std::int64_t>(r < 0 ? r - 0.5 : r + 0.5);
  }
  friend bool operator==(const Decimal&, const Decimal&) = default;
};

// A calendar date field (4 bytes), held as a day number.
struct Date {
  std::int32_t day = 0;
  Date() = default;
  Date(std::int32_t d) : day(d) {}  // NOLINT: implicit by design
  operator std::int32_t() const { return day; }
  friend bool operator==(const Date&, const Date&) = default;
};

// Text memo of at most `Max` bytes (CP1251). Longer text is cut on write.
template <std::size_t Max>
struct Memo {
  static constexpr std::size_t max = Max;
  std::string text;
  Memo() = default;
  Memo(std::string_view t) : text(t.substr(0, std::min(t.size(), Max))) {}  // NOLINT
  Memo& operator=(std::string_view t) { text.assign(t.substr(0, std::min(t.size(), Max))); return *this; }
  std::string utf8() const { return cp1251::toUtf8(text); }
  friend bool operator==(const Memo&, const Memo&) = default;
};

// Raw bytes of unbounded size.
struct Blob {
  std::vector<std::uint8_t> bytes;
  std::size_t size() const { return bytes.size(); }
  bool empty() const { return bytes.empty(); }
  friend bool operator==(const Blob&, const Blob&) = default;
};

}  // namespace store
