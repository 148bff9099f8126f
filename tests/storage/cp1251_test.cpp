// Code page 1251: conversion at the window boundary, fixed-width strings and
// case folding for keys.
#include <gtest/gtest.h>

#include "cp1251.h"
#include "fields.h"

namespace {

TEST(Cp1251, RoundTripsEveryByteThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(cp1251::fromUtf8(cp1251::toUtf8(all)), all);
  EXPECT_EQ(cp1251::toUtf8("\xC0\xE1\xE2\xA8\xB8\xB9"), "АбвЁё№");
  EXPECT_EQ(cp1251::fromUtf8("Москва"), "\xCC\xEE\xF1\xEA\xE2\xE0");
  // What the code page cannot hold, and broken UTF-8, become '?'.
  EXPECT_EQ(cp1251::fromUtf8("a€b中c"), "a\x88" "b?c");
  EXPECT_EQ(cp1251::fromUtf8("x\xC3"), "x?");
  EXPECT_EQ(cp1251::fromUtf8("\x80y"), "?y");
}

TEST(Cp1251, CaseFoldingAndComparison) {
  using cp1251::fromUtf8;
  using cp1251::toUtf8;
  struct Case {
    const char* in;
    const char* up;
  } cases[] = {{"ёлка", "ЁЛКА"}, {"Щука и Ъ", "ЩУКА И Ъ"}, {"abc xyz", "ABC XYZ"}, {"їжак ґанок", "ЇЖАК ҐАНОК"}, {"№1", "№1"}};
  for (const auto& c : cases) {
    EXPECT_EQ(toUtf8(cp1251::upper(fromUtf8(c.in))), c.up);
    EXPECT_EQ(cp1251::lower(cp1251::upper(fromUtf8(c.in))), cp1251::lower(fromUtf8(c.in)));
  }
  EXPECT_TRUE(cp1251::equalNoCase(fromUtf8("Ёжиков  "), fromUtf8("ЁЖИКОВ")));
  EXPECT_LT(cp1251::compareNoCase(fromUtf8("Ежов"), fromUtf8("Ёжиков")), 0);
  EXPECT_LT(cp1251::compareNoCase(fromUtf8("ёжиков"), fromUtf8("Жуков")), 0);
  EXPECT_LT(cp1251::compareNoCase("ab", "abc"), 0);
  EXPECT_EQ(cp1251::compare("ab  ", "ab"), 0);
  EXPECT_NE(cp1251::compare("Ab", "ab"), 0);
}

TEST(FixedString, PadsClipsAndCompares) {
  store::FixedString<6> s;
  EXPECT_TRUE(s.blank());
  EXPECT_EQ(std::string(s.data, 6), "      ");
  s = "abcdefgh";  // cut to the width
  EXPECT_EQ(s.str(), "abcdef");
  s = "ab  ";
  EXPECT_EQ(std::string(s.data, 6), "ab    ");
  EXPECT_EQ(s.view(), "ab");
  EXPECT_TRUE(s == "ab");
  EXPECT_TRUE(s == store::FixedString<6>("ab "));
  s.setUtf8("Мир");
  EXPECT_EQ(s.utf8(), "Мир");
  EXPECT_EQ(s.view().size(), 3u);  // one byte a letter
  EXPECT_EQ(cp1251::pad("abc", 5), "abc  ");
  EXPECT_EQ(cp1251::pad("abcdef", 4), "abcd");
}

}  // namespace
