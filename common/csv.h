#pragma once
// Tables written for a spreadsheet: UTF-8 with a byte-order mark (so that
// a spreadsheet takes the Cyrillic right when it opens the file directly),
// ";" between fields, CR LF between lines; a field holding ";", a quote or
// a line break is quoted, its quotes doubled.
#include <string>
#include <string_view>
#include <vector>

namespace common {

inline std::string csvField(std::string_view v) {
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
