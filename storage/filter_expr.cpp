#include "filter_expr.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "cp1251.h"

namespace store::filter {
namespace {

enum class Tok { End, Number, String, Ident, Field, LParen, RParen, Op, Minus };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifier (upper case), operator, string value, number text
  std::size_t at = 0;
};

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

bool identStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0xC0 || c == 0xA8 || c == 0xB8; }
bool identChar(unsigned char c) { return identStart(c) || std::isdigit(c); }

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Token next() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    Token t;
    t.at = pos_;
    if (pos_ >= s_.size()) return t;
    unsigned char c = static_cast<unsigned char>(s_[pos_]);
    if (std::isdigit(c) || (c == '.' && pos_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
      std::size_t b = pos_;
      while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.')) ++pos_;
      t.kind = Tok::Number;
      t.text = std::string(s_.substr(b, pos_ - b));
      if (t.text.find('.') != t.text.rfind('.')) fail("неверное число", t.at);
      return t;
    }
    if (c == '\'' || c == '"') {
      char q = static_cast<char>(c);
      ++pos_;
      std::string v;
      for (;;) {
        if (pos_ >= s_.size()) fail("незакрытая строка", t.at);
        if (s_[pos_] == q) {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == q) {
            v += q;
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        v += s_[pos_++];
      }
      t.kind = Tok::String;
      t.text = v;
      return t;
    }
    if (identStart(c)) {
      std::size_t b = pos_;
      while (pos_ < s_.size() && identChar(static_cast<unsigned char>(s_[pos_]))) ++pos_;
      std::string first = cp1251::upper(s_.substr(b, pos_ - b));
      if (pos_ < s_.size() && s_[pos_] == ':') {
        ++pos_;
        std::size_t b2 = pos_;
        while (pos_ < s_.size() && identChar(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        if (b2 == pos_) fail("после ':' нет имени поля", b2);
        t.kind = Tok::Field;
        t.text = first + ":" + cp1251::upper(s_.substr(b2, pos_ - b2));
        return t;
      }
      t.kind = Tok::Ident;
      t.text = first;
      return t;
    }
    ++pos_;
    switch (c) {
      case '(': t.kind = Tok::LParen; return t;
      case ')': t.kind = Tok::RParen; return t;
      case '-': t.kind = Tok::Minus; return t;
      case '=': t.kind = Tok::Op; t.text = "="; return t;
      case '<':
        t.kind = Tok::Op;
        if (pos_ < s_.size() && (s_[pos_] == '>' || s_[pos_] == '=')) t.text = std::string("<") + s_[pos_++];
        else t.text = "<";
        return t;
      case '>':
        t.kind = Tok::Op;
        if (pos_ < s_.size() && s_[pos_] == '=') { t.text = ">="; ++pos_; }
        else t.text = ">";
        return t;
      default:
        fail(std::string("недопустимый символ '") + static_cast<char>(c) + "'", t.at);
    }
    return t;
  }

  [[noreturn]] static void fail(const std::string& what, std::size_t at) {
    throw Failure(what + " (позиция " + std::to_string(at + 1) + ")");
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

// Conditions joined by AND or OR are written flat, in groups of this many;
// the groups are paired up, so that a long chain nests only logarithmically
// (the SQL parser has a small fixed stack).
constexpr std::size_t kFlatGroup = 16;

class Parser {
 public:
  Parser(std::string_view s, const TableDef& def) : lex_(s), def_(def) { advance(); }

  Translation run() {
    Translation t;
    t.sql = orExpr();
    if (cur_.kind != Tok::End) Lexer::fail("лишний текст в конце выражения", cur_.at);
    if (params_.size() > kMaxValues) Lexer::fail("более " + std::to_string(kMaxValues) + " значений в выражении", 0);
    t.params = std::move(params_);
    t.ok = true;
    return t;
  }

 private:
  void advance() { cur_ = lex_.next(); }
  bool isWord(const char* w) const { return cur_.kind == Tok::Ident && cur_.text == w; }

  // Nesting (brackets, NOT, minus, UPPER) is limited, so that neither this
  // parser's stack nor the SQL parser's can overflow.
  struct Nested {
    Parser& p;
    Nested(Parser& parser, std::size_t at) : p(parser) {
      if (++p.depth_ > kMaxDepth) Lexer::fail("слишком глубокая вложенность (более " + std::to_string(kMaxDepth) + ")", at);
    }
    ~Nested() { --p.depth_; }
  };

  // Terms of one chain, written flat in groups and the groups paired up.
  static void join(std::string& out, const std::vector<std::string>& terms, std::size_t lo, std::size_t hi, const char* op) {
    if (hi - lo <= kFlatGroup) {
      for (std::size_t i = lo; i < hi; ++i) {
        if (i > lo) out += op;
        out += terms[i];
      }
      return;
    }
    std::size_t mid = lo + (hi - lo) / 2;
    out += '(';
    join(out, terms, lo, mid, op);
    out += ")";
    out += op;
    out += '(';
    join(out, terms, mid, hi, op);
    out += ')';
  }
  std::string chain(std::vector<std::string> terms, const char* op) {
    if (terms.size() == 1) return std::move(terms[0]);
    std::size_t size = 2;
    for (const auto& t : terms) size += t.size() + 8;
    std::string out;
    out.reserve(size);
    out += '(';
    join(out, terms, 0, terms.size(), op);
    out += ')';
    return out;
  }

  std::string orExpr() {
    std::vector<std::string> terms{andExpr()};
    while (isWord("OR")) {
      advance();
      terms.push_back(andExpr());
    }
    return chain(std::move(terms), " OR ");
  }
  std::string andExpr() {
    std::vector<std::string> terms{notExpr()};
    while (isWord("AND")) {
      advance();
      terms.push_back(notExpr());
    }
    return chain(std::move(terms), " AND ");
  }
  std::string notExpr() {
    if (isWord("NOT")) {
      Nested n(*this, cur_.at);
      advance();
      return "(NOT " + notExpr() + ")";
    }
    return comparison();
  }
  std::string comparison() {
    std::string l = operand();
    if (cur_.kind == Tok::Op) {
      std::string op = cur_.text;
      advance();
      std::string r = operand();
      return "(" + l + " " + op + " " + r + ")";
    }
    return l;
  }
  std::string operand() {
    Token t = cur_;
    switch (t.kind) {
      case Tok::LParen: {
        Nested n(*this, t.at);
        advance();
        std::string e = orExpr();
        if (cur_.kind != Tok::RParen) Lexer::fail("ожидалась ')'", cur_.at);
        advance();
        return "(" + e + ")";
      }
      case Tok::Minus: {
        Nested n(*this, t.at);
        advance();
        // The blank keeps two minuses from reading as an SQL comment.
        return "(- " + operand() + ")";
      }
      case Tok::Number: {
        advance();
        Param p;
        errno = 0;
        char* end = nullptr;
        if (t.text.find('.') != std::string::npos) {
          p.kind = Param::Real;
          // Read with "." whatever the locale. A number too small to tell
          // from 0 is 0; one too large is refused.
          auto r = std::from_chars(t.text.data(), t.text.data() + t.text.size(), p.r);
          if (r.ec == std::errc::result_out_of_range) {
            const auto e = t.text.find_first_of("eE");
            const bool shrinking = e != std::string::npos && t.text.find('-', e) != std::string::npos;
            const std::string whole = t.text.substr(0, t.text.find_first_of(".eE"));
            if (!shrinking && whole.find_first_not_of('0') != std::string::npos) Lexer::fail("слишком большое число", t.at);
            p.r = 0;
            r.ptr = t.text.data() + t.text.size();
          }
          if (std::isinf(p.r)) Lexer::fail("слишком большое число", t.at);
          end = const_cast<char*>(r.ptr);
        } else {
          p.kind = Param::Int;
          p.i = std::strtoll(t.text.c_str(), &end, 10);
          if (errno == ERANGE) Lexer::fail("слишком большое число", t.at);
        }
        if (end == t.text.c_str()) Lexer::fail("неверное число", t.at);
        params_.push_back(p);
        return "?";
      }
      case Tok::String: {
        advance();
        Param p;
        p.kind = Param::Text;
        p.s = std::string(cp1251::clip(t.text));
        params_.push_back(p);
        return "?";
      }
      case Tok::Field: {
        advance();
        return column(t);
      }
      case Tok::Ident: {
        if (t.text == "AND" || t.text == "OR" || t.text == "NOT") Lexer::fail("ожидался операнд перед " + t.text, t.at);
        advance();
        if (t.text == "UPPER" || t.text == "LOWER") {
          Nested n(*this, t.at);
          if (cur_.kind != Tok::LParen) Lexer::fail("после " + t.text + " ожидалась '('", cur_.at);
          advance();
          std::string e = orExpr();
          if (cur_.kind != Tok::RParen) Lexer::fail("ожидалась ')'", cur_.at);
          advance();
          return std::string(t.text == "UPPER" ? "cp1251_upper(" : "cp1251_lower(") + e + ")";
        }
        Param p;
        p.kind = Param::Variable;
        p.s = t.text;
        params_.push_back(p);
        return "?";
      }
      case Tok::End:
        Lexer::fail("выражение оборвано", t.at);
      default:
        Lexer::fail("ожидался операнд", t.at);
    }
  }

  std::string column(const Token& t) {
    auto colon = t.text.find(':');
    std::string prefix = t.text.substr(0, colon);
    if (prefix != cp1251::upper(def_.prefix))
      Lexer::fail("поле " + t.text + " не из таблицы " + def_.name, t.at);
    int f = def_.fieldIndex(t.text);
    if (f < 0) Lexer::fail("нет поля " + t.text + " в таблице " + def_.name, t.at);
    const FieldDef& fd = def_.fields[static_cast<std::size_t>(f)];
    if (fd.array || fd.type == FieldType::Blob)
      Lexer::fail("поле " + t.text + " нельзя сравнивать", t.at);
    return "\"" + fd.name + "\"";
  }

  Lexer lex_;
  const TableDef& def_;
  Token cur_;
  std::vector<Param> params_;
  int depth_ = 0;
};

}  // namespace

Translation translate(std::string_view text, const TableDef& def) {
  Translation t;
  if (text.size() > kMaxLength) {
    t.error = "выражение длиннее " + std::to_string(kMaxLength) + " символов";
    return t;
  }
  try {
    Parser p(text, def);
    return p.run();
  } catch (const Failure& e) {
    t.error = e.what();
  } catch (const std::exception& e) {
    t.error = std::string("выражение не разобрано: ") + e.what();
  }
  return t;
}

}  // namespace store::filter
