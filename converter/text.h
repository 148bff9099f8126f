#pragma once
// Texts between the formats and the frames: HTML to plain text and back,
// base64, the kind of an image, UTF-8 checks, and decimal numbers kept as
// written (a tolerance turned into bounds without binary rounding).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace converter {

// HTML (a fragment, as question texts hold it) as plain text: paragraphs,
// list items, table rows and <br> become line breaks, runs of blanks one
// blank, entities their characters; the sources of its images are added to
// `images` in order.
std::string htmlToText(std::string_view html, std::vector<std::string>* images = nullptr);
// Whether a text of a format that allows both holds HTML markup.
bool looksLikeHtml(std::string_view text);
// Plain text as HTML: "<", ">", "&", quotes escaped, line breaks as <br>.
std::string textToHtml(std::string_view text);
// Lines trimmed, blank lines in a row made one, the whole trimmed.
std::string tidyLines(std::string_view text);
// Line breaks and tabs as blanks, for one-line fields.
std::string oneLine(std::string_view text);

std::vector<std::uint8_t> base64Decode(std::string_view text, bool* ok = nullptr);
std::string base64Encode(const std::vector<std::uint8_t>& bytes);
// The bytes of a "data:image/...;base64," address; nothing for another one.
std::optional<std::vector<std::uint8_t>> dataUri(std::string_view src);
// Decodes "%xx" escapes of an address.
std::string urlDecode(std::string_view s);

// "png", "jpeg", "gif" or "bmp" by the image's first bytes; "" otherwise.
std::string imageType(const std::vector<std::uint8_t>& bytes);

bool validUtf8(std::string_view s);
// Code page 1251 bytes as UTF-8 (for files written on Russian Windows).
std::string fromWindows1251(std::string_view s);
// Whether the text holds a letter (of any alphabet).
bool hasLetter(std::string_view utf8);
std::string trim(std::string_view s);
// Letters of the Latin and Cyrillic alphabets in lower case.
std::string lowerUtf8(std::string_view s);

// A decimal number as written: mantissa and the count of decimal places.
struct Decimal {
  long long mantissa = 0;
  int places = 0;
  static std::optional<Decimal> parse(std::string_view text);  // "2,5", "-3.14", "1e-3"
  std::string str() const;                                      // shortest: "2.5", "-3", "0.001"
  double value() const;
  // Nothing when the result needs more than 17 digits.
  std::optional<Decimal> plus(const Decimal& o) const;
  std::optional<Decimal> minus(const Decimal& o) const;
  std::optional<Decimal> half() const;
  bool operator<(const Decimal& o) const;
  bool operator==(const Decimal& o) const;
};
// A fraction or weight as text, at most `decimals` places, no trailing zeros.
std::string numberText(double v, int decimals = 5);
// A number's text made canonical ("2,50" -> "2.5"); nullopt when it is not one.
std::optional<std::string> decimalText(std::string_view text);

}  // namespace converter
