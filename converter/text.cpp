#include "text.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "cp1251.h"

namespace converter {
namespace {

bool space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

const std::set<std::string>& blockTags() {
  static const std::set<std::string> tags = {"p",  "div", "li",  "tr",         "h1",  "h2", "h3",    "h4",
                                             "h5", "h6",  "pre", "blockquote", "ul",  "ol", "table", "dl",
                                             "dt", "dd",  "hr",  "address",    "center"};
  return tags;
}

// Walks the parsed HTML and writes its text.
struct Walker {
  std::string out;
  std::vector<std::string>* images = nullptr;
  int pre = 0;

  void lineBreak() {
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (!out.empty() && out.back() != '\n') out += '\n';
  }
  void text(const char* s) {
    if (pre) {
      out += s;
      return;
    }
    for (const char* p = s; *p; ++p) {
      if (space(*p)) {
        if (!out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
      } else {
        out += *p;
      }
    }
  }
  void walk(xmlNode* n) {
    for (xmlNode* c = n; c; c = c->next) {
      if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        if (c->content) text(reinterpret_cast<const char*>(c->content));
        continue;
      }
      if (c->type != XML_ELEMENT_NODE) continue;
      const std::string name = lowerAscii(reinterpret_cast<const char*>(c->name));
      if (name == "script" || name == "style" || name == "head" || name == "title") continue;
      if (name == "br") {
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += '\n';
        continue;
      }
      if (name == "img") {
        if (images) {
          xmlChar* src = xmlGetProp(c, reinterpret_cast<const xmlChar*>("src"));
          if (src) images->push_back(reinterpret_cast<const char*>(src));
          xmlFree(src);
        }
        continue;
      }
      if (name == "object") {
        // An image given as an object (QTI items do so) counts as a picture.
        xmlChar* type = xmlGetProp(c, reinterpret_cast<const xmlChar*>("type"));
        xmlChar* data = xmlGetProp(c, reinterpret_cast<const xmlChar*>("data"));
        if (images && type && data && std::strncmp(reinterpret_cast<const char*>(type), "image/", 6) == 0)
          images->push_back(reinterpret_cast<const char*>(data));
        xmlFree(type);
        xmlFree(data);
        continue;
      }
      const bool block = blockTags().count(name) != 0;
      if (block) lineBreak();
      if (name == "li") out += "- ";
      if (name == "sup") out += "^";
      if ((name == "td" || name == "th") && !out.empty() && out.back() != '\n') out += ' ';
      if (name == "pre") ++pre;
      walk(c->children);
      if (name == "pre") --pre;
      if (block) lineBreak();
    }
  }
};

int utf8Length(unsigned char c) { return c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0; }

// The code points of a UTF-8 text (a broken sequence as 0xFFFD).
std::vector<char32_t> codePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int len = utf8Length(c);
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    out.push_back(cp);
    i += static_cast<std::size_t>(len);
  }
  return out;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr long long kMostMantissa = 100000000000000000LL;  // 1e17: room to align and add

}  // namespace

namespace {

// The markup of a text taken away, tag by tag, without building a tree.
std::string withoutTags(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (html[i] == '<') {
      const std::size_t close = html.find('>', i);
      if (close != std::string_view::npos) {
        i = close;
        continue;
      }
    }
    out += html[i];
  }
  return out;
}

}  // namespace

std::string htmlToText(std::string_view html, std::vector<std::string>* images) {
  if (html.find_first_not_of(" \t\r\n") == std::string_view::npos) return {};
  // A fragment is parsed as the body of a document of its own.
  const std::string doc = "<html><body>" + std::string(html) + "</body></html>";
  std::unique_ptr<htmlParserCtxt, void (*)(htmlParserCtxtPtr)> ctxt(htmlNewParserCtxt(), htmlFreeParserCtxt);
  if (!ctxt) return tidyLines(html);
  std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> d(
      htmlCtxtReadMemory(ctxt.get(), doc.data(), static_cast<int>(doc.size()), nullptr, "UTF-8",
                         HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_NODEFDTD),
      xmlFreeDoc);
  if (!d) return tidyLines(html);
  // Markup nested deeper than the parser goes loses the text inside it:
  // the text is then read with its markup taken away (entities still decoded).
  if (const xmlError* e = xmlCtxtGetLastError(ctxt.get());
      e && e->code == XML_ERR_INTERNAL_ERROR && e->message && std::strstr(e->message, "depth"))
    if (const std::string flat = withoutTags(html); flat != html) return htmlToText(flat, images);
  Walker w;
  w.images = images;
  w.walk(xmlDocGetRootElement(d.get()));
  return tidyLines(w.out);
}

bool looksLikeHtml(std::string_view t) {
  static const std::set<std::string> tags = {"p",  "br",  "b",   "i",  "u",  "em", "strong", "img", "div", "span",
                                             "sub", "sup", "ul", "ol", "li", "table", "tr", "td", "th", "pre",
                                             "code", "a", "h1", "h2", "h3", "h4", "h5", "h6", "font", "hr", "blockquote"};
  // Markup, not a comparison ("a<b и c>d"): a tag that closes, or one that
  // stands alone (<br>, <img ...>, <hr>).
  for (std::size_t i = t.find('<'); i != std::string_view::npos; i = t.find('<', i + 1)) {
    std::size_t j = i + 1;
    const bool closing = j < t.size() && t[j] == '/';
    if (closing) ++j;
    std::size_t k = j;
    while (k < t.size() && std::isalnum(static_cast<unsigned char>(t[k]))) ++k;
    if (k == j || k >= t.size()) continue;
    if (t[k] != '>' && t[k] != ' ' && t[k] != '/' && t[k] != '\t' && t[k] != '\n') continue;
    if (t.find('>', k) == std::string_view::npos) continue;
    const std::string name = lowerAscii(t.substr(j, k - j));
    if (!tags.count(name)) continue;
    if (closing || name == "br" || name == "img" || name == "hr") return true;
  }
  return false;
}

std::string textToHtml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\r': break;
      case '\n': out += "<br>"; break;
      default: out += c;
    }
  }
  return out;
}

std::string tidyLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line = trim(text.substr(start, end - start));
    // Non-breaking spaces are blanks to the reader.
    for (std::size_t p; (p = line.find("\xC2\xA0")) != std::string::npos;) line.replace(p, 2, " ");
    line = trim(line);
    if (!(line.empty() && (lines.empty() || lines.back().empty()))) lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
  return out;
}

std::string oneLine(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    out += (c == '\n' || c == '\t') ? ' ' : c;
  }
  return trim(out);
}

std::vector<std::uint8_t> base64Decode(std::string_view text, bool* ok) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<std::uint8_t> out;
  unsigned buffer = 0;
  int bits = 0;
  bool good = true, padded = false;
  for (char c : text) {
    if (space(c)) continue;
    if (c == '=') {
      padded = true;
      continue;
    }
    const auto at = alphabet.find(c);
    if (at == std::string::npos || padded) {
      good = false;
      break;
    }
    buffer = (buffer << 6) | static_cast<unsigned>(at);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>((buffer >> bits) & 0xFF));
    }
  }
  if (ok) *ok = good;
  if (!good) out.clear();
  return out;
}

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += alphabet[(v >> 6) & 63];
    out += alphabet[v & 63];
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = bytes[i] << 16;
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == bytes.size()) {
    const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8);
    out += alphabet[(v >> 18) & 63];
    out += alphabet[(v >> 12) & 63];
    out += alphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> dataUri(std::string_view src) {
  const std::string head = lowerAscii(src.substr(0, std::min<std::size_t>(src.size(), 64)));
  if (head.rfind("data:", 0) != 0) return std::nullopt;
  const auto comma = src.find(',');
  if (comma == std::string_view::npos || lowerAscii(src.substr(0, comma)).find(";base64") == std::string::npos) return std::nullopt;
  bool ok = false;
  auto bytes = base64Decode(src.substr(comma + 1), &ok);
  if (!ok) return std::nullopt;
  return bytes;
}

std::string urlDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string imageType(const std::vector<std::uint8_t>& b) {
  auto starts = [&](std::initializer_list<int> sig) {
    if (b.size() < sig.size()) return false;
    std::size_t i = 0;
    for (int x : sig)
      if (b[i++] != x) return false;
    return true;
  };
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return "png";
  if (starts({0xFF, 0xD8, 0xFF})) return "jpeg";
  if (starts({'G', 'I', 'F', '8'})) return "gif";
  if (starts({'B', 'M'}) && b.size() > 26) return "bmp";
  return {};
}

bool validUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const int len = utf8Length(c);
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) return false;
    for (int k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<std::size_t>(len);
  }
  return true;
}

std::string fromWindows1251(std::string_view s) { return cp1251::toUtf8(s); }

bool hasLetter(std::string_view utf8) {
  for (char32_t cp : codePoints(utf8)) {
    if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z')) return true;
    if (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7) return true;
    if ((cp >= 0x370 && cp <= 0x3FF) || (cp >= 0x400 && cp <= 0x52F)) return true;
  }
  return false;
}

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && space(s[b])) ++b;
  while (e > b && space(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string lowerUtf8(std::string_view s) {
  std::string out;
  for (char32_t cp : codePoints(s)) {
    if (cp >= 'A' && cp <= 'Z') cp += 0x20;
    else if (cp >= 0x410 && cp <= 0x42F) cp += 0x20;
    else if (cp >= 0x400 && cp <= 0x40F) cp += 0x50;
    appendUtf8(out, cp);
  }
  return out;
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  std::string t = trim(text);
  if (t.empty()) return std::nullopt;
  std::size_t i = 0;
  bool negative = false;
  if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
  Decimal d;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      if (d.mantissa >= kMostMantissa / 10) return std::nullopt;
      d.mantissa = d.mantissa * 10 + (c - '0');
      if (point) ++d.places;
      digits = true;
    } else if ((c == '.' || c == ',') && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < t.size()) {
    if (t[i] != 'e' && t[i] != 'E') return std::nullopt;
    ++i;
    bool negExp = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negExp = t[i++] == '-';
    if (i >= t.size()) return std::nullopt;
    int exp = 0;
    for (; i < t.size(); ++i) {
      if (t[i] < '0' || t[i] > '9' || exp > 30) return std::nullopt;
      exp = exp * 10 + (t[i] - '0');
    }
    if (negExp) {
      d.places += exp;
    } else {
      for (int k = 0; k < exp; ++k) {
        if (d.places > 0) --d.places;
        else if (d.mantissa >= kMostMantissa / 10) return std::nullopt;
        else d.mantissa *= 10;
      }
    }
    if (d.places > 17) return std::nullopt;
  }
  if (negative) d.mantissa = -d.mantissa;
  return d;
}

std::string Decimal::str() const {
  long long m = mantissa;
  int p = places;
  while (p > 0 && m % 10 == 0) {
    m /= 10;
    --p;
  }
  std::string digits = std::to_string(m < 0 ? -m : m);
  if (p > 0) {
    if (static_cast<int>(digits.size()) <= p) digits.insert(0, static_cast<std::size_t>(p - static_cast<int>(digits.size()) + 1), '0');
    digits.insert(digits.size() - static_cast<std::size_t>(p), ".");
  }
  return (m < 0 ? "-" : "") + digits;
}

double Decimal::value() const { return static_cast<double>(mantissa) / std::pow(10.0, places); }

namespace {
bool fits(__int128 m) { return m < kMostMantissa && m > -kMostMantissa; }

// Both at the same count of places (the larger), wide enough not to overflow.
std::pair<__int128, __int128> aligned(const Decimal& a, const Decimal& b, int& places) {
  __int128 x = a.mantissa, y = b.mantissa;
  places = std::max(a.places, b.places);
  for (int p = a.places; p < places; ++p) x *= 10;
  for (int p = b.places; p < places; ++p) y *= 10;
  return {x, y};
}

std::optional<Decimal> narrowed(__int128 m, int places) {
  // Trailing zeros after the point cost nothing.
  while (places > 0 && m % 10 == 0 && !fits(m)) {
    m /= 10;
    --places;
  }
  if (!fits(m)) return std::nullopt;
  return Decimal{static_cast<long long>(m), places};
}
}  // namespace

std::optional<Decimal> Decimal::plus(const Decimal& o) const {
  int places = 0;
  auto [a, b] = aligned(*this, o, places);
  return narrowed(a + b, places);
}

std::optional<Decimal> Decimal::minus(const Decimal& o) const {
  int places = 0;
  auto [a, b] = aligned(*this, o, places);
  return narrowed(a - b, places);
}

std::optional<Decimal> Decimal::half() const {
  if (mantissa % 2 == 0) return Decimal{mantissa / 2, places};
  return narrowed(static_cast<__int128>(mantissa) * 5, places + 1);
}

bool Decimal::operator<(const Decimal& o) const {
  int places = 0;
  auto [a, b] = aligned(*this, o, places);
  return a < b;
}

bool Decimal::operator==(const Decimal& o) const {
  int places = 0;
  auto [a, b] = aligned(*this, o, places);
  return a == b;
}

std::string numberText(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::optional<std::string> decimalText(std::string_view text) {
  auto d = Decimal::parse(text);
  if (!d) return std::nullopt;
  return d->str();
}

}  // namespace converter
