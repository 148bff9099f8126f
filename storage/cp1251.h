#pragma once
// Code page 1251 text: the encoding of every string inside records.
// UTF-8 appears only at the window boundary and in file names.
#include <cstdint>
#include <string>
#include <string_view>

namespace cp1251 {

// UTF-8 -> CP1251. Characters that code page 1251 cannot hold become '?'.
std::string fromUtf8(std::string_view utf8);
// CP1251 -> UTF-8.
std::string toUtf8(std::string_view cp);

// Case folding of Latin and Cyrillic letters (Ё/ё and the other letters of
// the code page's Cyrillic block included).
unsigned char upper(unsigned char c);
unsigned char lower(unsigned char c);
std::string upper(std::string_view cp);
std::string lower(std::string_view cp);

// Trailing blanks removed: the comparable value of a fixed-width field.
std::string_view clip(std::string_view s);
// Clipped to `width` or padded with blanks to it.
std::string pad(std::string_view s, std::size_t width);

// Compare after removing trailing blanks; -1, 0, 1.
int compare(std::string_view a, std::string_view b);
// Case-insensitive compare (trailing blanks ignored). Orders letters
// alphabetically: Ё between Е and Ж.
int compareNoCase(std::string_view a, std::string_view b);
bool equalNoCase(std::string_view a, std::string_view b);

}  // namespace cp1251
