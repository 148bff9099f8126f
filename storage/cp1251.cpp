#include "cp1251.h"

#include <array>

namespace cp1251 {
namespace {

// Unicode code points of bytes 0x80..0xBF (0xC0..0xFF are U+0410..U+044F).
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t toUnicode(unsigned char c) {
  if (c < 0x80) return c;
  if (c >= 0xC0) return 0x0410 + (c - 0xC0);
  return kHigh[c - 0x80];
}

int fromUnicode(char32_t u) {
  if (u < 0x80) return static_cast<int>(u);
  if (u >= 0x0410 && u <= 0x044F) return 0xC0 + static_cast<int>(u - 0x0410);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == u) return static_cast<int>(0x80 + i);
  return -1;
}

struct Tables {
  std::array<unsigned char, 256> up{}, low{};
  std::array<std::uint16_t, 256> weight{};  // case-insensitive sort weight
  Tables() {
    for (int i = 0; i < 256; ++i) up[i] = low[i] = static_cast<unsigned char>(i);
    auto pair = [this](int u, int l) {
      up[l] = static_cast<unsigned char>(u);
      low[u] = static_cast<unsigned char>(l);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
    pair(0xA8, 0xB8);  // Ё ё
    pair(0x80, 0x90);  // Ђ ђ
    pair(0x81, 0x83);  // Ѓ ѓ
    pair(0x8A, 0x9A);  // Љ љ
    pair(0x8C, 0x9C);  // Њ њ
    pair(0x8D, 0x9D);  // Ќ ќ
    pair(0x8E, 0x9E);  // Ћ ћ
    pair(0x8F, 0x9F);  // Џ џ
    pair(0xA1, 0xA2);  // Ў ў
    pair(0xA3, 0xBC);  // Ј ј
    pair(0xA5, 0xB4);  // Ґ ґ
    pair(0xAA, 0xBA);  // Є є
    pair(0xAF, 0xBF);  // Ї ї
    pair(0xB2, 0xB3);  // І і
    pair(0xBD, 0xBE);  // Ѕ ѕ
    for (int i = 0; i < 256; ++i) weight[i] = static_cast<std::uint16_t>(up[i] << 8);
    // Ё sorts right after Е, before Ж.
    weight[0xA8] = weight[0xB8] = static_cast<std::uint16_t>((0xC5 << 8) | 0x80);
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

void appendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

}  // namespace

std::string toUtf8(std::string_view cp) {
  std::string out;
  out.reserve(cp.size() * 2);
  for (unsigned char c : cp) appendUtf8(out, toUnicode(c));
  return out;
}

std::string fromUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t u;
    std::size_t len;
    if (c < 0x80) { u = c; len = 1; }
    else if ((c & 0xE0) == 0xC0) { u = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { u = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { u = c & 0x07; len = 4; }
    else { out += '?'; ++i; continue; }  // stray continuation byte
    if (i + len > s.size()) { out += '?'; break; }
    bool ok = true;
    for (std::size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { ok = false; break; }
      u = (u << 6) | (cc & 0x3F);
    }
    if (!ok) { out += '?'; ++i; continue; }
    i += len;
    int b = fromUnicode(u);
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

unsigned char upper(unsigned char c) { return tables().up[c]; }
unsigned char lower(unsigned char c) { return tables().low[c]; }

std::string upper(std::string_view cp) {
  std::string r(cp);
  for (auto& ch : r) ch = static_cast<char>(upper(static_cast<unsigned char>(ch)));
  return r;
}

std::string lower(std::string_view cp) {
  std::string r(cp);
  for (auto& ch : r) ch = static_cast<char>(lower(static_cast<unsigned char>(ch)));
  return r;
}

std::string_view clip(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
  return s.substr(0, n);
}

std::string pad(std::string_view s, std::size_t width) {
  std::string r(s.substr(0, std::min(s.size(), width)));
  r.resize(width, ' ');
  return r;
}

int compare(std::string_view a, std::string_view b) {
  a = clip(a);
  b = clip(b);
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareNoCase(std::string_view a, std::string_view b) {
  a = clip(a);
  b = clip(b);
  const auto& w = tables().weight;
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto wa = w[static_cast<unsigned char>(a[i])];
    auto wb = w[static_cast<unsigned char>(b[i])];
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool equalNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

}  // namespace cp1251
