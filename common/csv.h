#pragma once
// Tables written for a spreadsheet: UTF-8 with a byte-order mark (so that
// a spreadsheet takes the Cyrillic right when it opens the file directly),
// ";" between fields, CR LF between lines; a field holding ";", a quote or
// a line break is quoted, its quotes doubled. A text that a spreadsheet
// would take for a formula (it begins with =, +, -, @, a tab or a carriage
// return) gets a leading apostrophe, so that a name typed by an examinee is
// never evaluated; a plain number such as "-3" or "-0,25" stays a number.
#include <string>
#include <string_view>
#include <vector>

namespace common {

inline bool csvPlainNumber(std::string_view v) {
  std::size_t i = (!v.empty() && (v[0] == '-' || v[0] == '+')) ? 1 : 0;
  bool digits = false, point = false;
  for (; i < v.size(); ++i) {
    if (v[i] >= '0' && v[i] <= '9') digits = true;
    else if ((v[i] == '.' || v[i] == ',') && !point) point = true;
    else return false;
  }
  return digits;
}

inline std::string csvField(std::string_view v) {
  std::string guarded;
  if (!v.empty() && std::string_view("=+-@\t\r").find(v[0]) != std::string_view::npos && !csvPlainNumber(v)) {
    guarded = "'" + std::string(v);
    v = guarded;
  }
  if (v.find_first_of(";\"\r\n") == std::string_view::npos) return std::string(v);
  std::string out = "\"";
  for (char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

class CsvWriter {
 public:
  CsvWriter() : text_("\xEF\xBB\xBF") {}
  void row(const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) text_ += (i ? ";" : "") + csvField(fields[i]);
    text_ += "\r\n";
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace common
