#include "gift.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "text.h"

namespace converter {
namespace {

// One question of the file: its lines without comments, each with its line
// number in the file.
struct Chunk {
  std::string text;
  std::vector<int> lines;
  int lineAt(std::size_t pos) const {
    const auto k = static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(std::min(pos, text.size())), '\n'));
    return lines.empty() ? 0 : lines[std::min(k, lines.size() - 1)];
  }
};

std::string at(int line) { return "строка " + std::to_string(line); }

// The first `what` at or after `from` that no backslash escapes.
std::size_t findRaw(std::string_view s, std::string_view what, std::size_t from = 0) {
  for (std::size_t i = from; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
      continue;
    }
    if (s.compare(i, what.size(), what) == 0) return i;
  }
  return std::string_view::npos;
}

std::string unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char n = s[i + 1];
      if (n == 'n') {
        out += '\n';
        ++i;
        continue;
      }
      if (std::string_view("~=#{}:\\").find(n) != std::string_view::npos) {
        out += n;
        ++i;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

enum class TextFormat { Auto, Html, Plain };

// How a question's texts are read, and the pictures its HTML names.
struct Reading {
  TextFormat format = TextFormat::Auto;
  std::vector<std::string> images;
  std::string text(std::string_view raw, bool collectImages = false) {
    const std::string s = unescape(trim(raw));
    const bool html = format == TextFormat::Html || (format == TextFormat::Auto && looksLikeHtml(s));
    if (!html) return tidyLines(s);
    std::vector<std::string> found;
    std::string t = htmlToText(s, &found);
    if (collectImages) images.insert(images.end(), found.begin(), found.end());
    return t;
  }
};

struct RawAnswer {
  char marker = '=';
  std::string body;  // after the marker
  std::size_t pos = 0;  // of the marker, in the chunk
};

// Splits the inside of an answer block at its unescaped "=" and "~".
bool splitAnswers(const Chunk& c, std::string_view block, std::size_t base, std::vector<RawAnswer>& out, std::vector<std::string>& errors) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (block[i] == '\\') {
      ++i;
      continue;
    }
    if (block[i] == '=' || block[i] == '~') starts.push_back(i);
  }
  const std::size_t first = starts.empty() ? block.size() : starts.front();
  if (!trim(block.substr(0, first)).empty()) {
    errors.push_back(at(c.lineAt(base)) + ": ответ должен начинаться с «=» (верный) или «~» (неверный); знаки «=», «~», «#», «{», «}», «:» в тексте "
                     "пишутся через «\\».");
    return false;
  }
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t s = starts[k], e = k + 1 < starts.size() ? starts[k + 1] : block.size();
    out.push_back({block[s], std::string(block.substr(s + 1, e - s - 1)), base + s});
  }
  return true;
}

// "%50%" at the start of an answer: its weight in per cent.
bool takeWeight(const Chunk& c, RawAnswer& a, std::optional<double>& weight, std::vector<std::string>& errors) {
  std::string body = a.body;
  const auto lead = body.find_first_not_of(" \t\n");
  if (lead == std::string::npos || body[lead] != '%') return true;
  const auto close = body.find('%', lead + 1);
  const auto d = close == std::string::npos ? std::nullopt : Decimal::parse(body.substr(lead + 1, close - lead - 1));
  if (!d) {
    errors.push_back(at(c.lineAt(a.pos)) + ": вес ответа должен быть числом процентов между знаками «%», например «~%50%».");
    return false;
  }
  weight = d->value();
  a.body = body.substr(close + 1);
  return true;
}

// Splits "text#feedback" at its first unescaped "#".
std::pair<std::string, std::string> withFeedback(std::string_view body) {
  const auto hash = findRaw(body, "#");
  if (hash == std::string_view::npos) return {std::string(body), {}};
  return {std::string(body.substr(0, hash)), std::string(body.substr(hash + 1))};
}

// "2.5..3.5", "3:0.5" or "3": the number an answer holds.
bool numberSpec(std::string_view spec, NumberAnswer& n) {
  const std::string s = trim(unescape(spec));
  if (const auto dots = s.find(".."); dots != std::string::npos) {
    auto lo = Decimal::parse(s.substr(0, dots)), hi = Decimal::parse(s.substr(dots + 2));
    if (!lo || !hi || *hi < *lo) return false;
    n.low = lo->str();
    n.high = *lo == *hi ? std::string() : hi->str();
    return true;
  }
  const auto colon = s.find(':');
  auto value = Decimal::parse(s.substr(0, colon));
  if (!value) return false;
  if (colon == std::string::npos) {
    n.low = value->str();
    return true;
  }
  auto tolerance = Decimal::parse(s.substr(colon + 1));
  if (!tolerance || tolerance->mantissa < 0) return false;
  if (tolerance->mantissa == 0) {
    n.low = value->str();
    return true;
  }
  const auto low = value->minus(*tolerance), high = value->plus(*tolerance);
  if (!low || !high) {
    n.outOfRange = true;
    return true;
  }
  n.low = low->str();
  n.high = high->str();
  return true;
}

void numerical(const Chunk& c, std::string_view block, std::size_t base, Question& q, Reading& r, std::vector<std::string>& errors) {
  q.type = QuestionType::Numerical;
  const std::string body(block.substr(1));
  const auto lead = body.find_first_not_of(" \t\n");
  const std::string badNumber = ": число ответа пишется как «3.14», «3.14:0.01» (с допуском) или «3..4» (интервал).";
  if (lead != std::string::npos && (body[lead] == '=' || body[lead] == '~')) {
    std::vector<RawAnswer> raw;
    if (!splitAnswers(c, body, base + 1, raw, errors)) return;
    for (auto& a : raw) {
      std::optional<double> w;
      if (!takeWeight(c, a, w, errors)) return;
      if (a.marker == '~') {
        q.notes.push_back("Неверные числовые ответы не переносятся.");
        continue;
      }
      auto [spec, feedback] = withFeedback(a.body);
      NumberAnswer n;
      n.fraction = w.value_or(100);
      n.feedback = r.text(feedback);
      if (!numberSpec(spec, n)) {
        errors.push_back(at(c.lineAt(a.pos)) + badNumber);
        return;
      }
      q.numbers.push_back(n);
    }
    return;
  }
  auto [spec, feedback] = withFeedback(body);
  NumberAnswer n;
  n.feedback = r.text(feedback);
  if (!numberSpec(spec, n)) {
    errors.push_back(at(c.lineAt(base)) + badNumber);
    return;
  }
  q.numbers.push_back(n);
}

void answerBlock(const Chunk& c, std::string_view block, std::size_t base, Question& q, Reading& r, std::vector<std::string>& errors) {
  // General feedback closes the block after "####".
  if (const auto general = findRaw(block, "####"); general != std::string_view::npos) {
    q.generalFeedback = r.text(block.substr(general + 4));
    block = block.substr(0, general);
  }
  const std::string inner = trim(block);
  if (inner.empty()) {
    q.type = QuestionType::Skipped;
    q.skipReason = "Эссе: ответ проверяет преподаватель.";
    return;
  }
  const std::size_t lead = base + block.find_first_not_of(" \t\n");
  if (inner.front() == '#') return numerical(c, block.substr(block.find('#')), base + block.find('#'), q, r, errors);

  // True or false, with the feedback on a wrong and on a right answer.
  {
    const auto hash = findRaw(inner, "#");
    std::string word = trim(inner.substr(0, hash));
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    if (word == "T" || word == "TRUE" || word == "F" || word == "FALSE") {
      q.type = QuestionType::TrueFalse;
      q.truth = word[0] == 'T';
      if (hash != std::string::npos) {
        auto [wrong, right] = withFeedback(std::string_view(inner).substr(hash + 1));
        q.feedbackWrong = r.text(wrong);
        q.feedbackRight = r.text(right);
      }
      return;
    }
  }

  std::vector<RawAnswer> raw;
  if (!splitAnswers(c, block, base, raw, errors)) return;
  if (raw.empty()) {
    errors.push_back(at(c.lineAt(lead)) + ": в блоке ответов нет ни одного ответа.");
    return;
  }
  const bool anyWrong = std::any_of(raw.begin(), raw.end(), [](const RawAnswer& a) { return a.marker == '~'; });
  const std::size_t arrows = static_cast<std::size_t>(
      std::count_if(raw.begin(), raw.end(), [](const RawAnswer& a) { return findRaw(a.body, "->") != std::string::npos; }));
  if (!anyWrong && arrows > 0) {
    for (const auto& a : raw)
      if (findRaw(a.body, "->") == std::string::npos) {
        errors.push_back(at(c.lineAt(a.pos)) + ": в вопросе на соответствие каждый ответ пишется как «=элемент -> пара».");
        return;
      }
    q.type = QuestionType::Matching;
    for (const auto& a : raw) {
      const auto arrow = findRaw(a.body, "->");
      q.pairs.push_back({r.text(std::string_view(a.body).substr(0, arrow)), r.text(std::string_view(a.body).substr(arrow + 2))});
    }
    return;
  }
  q.type = anyWrong ? QuestionType::Choice : QuestionType::ShortAnswer;
  bool anyRightMarker = false;
  for (auto& a : raw) {
    std::optional<double> w;
    if (!takeWeight(c, a, w, errors)) return;
    auto [text, feedback] = withFeedback(a.body);
    Answer ans;
    ans.text = r.text(text);
    ans.feedback = r.text(feedback);
    ans.fraction = w.value_or(a.marker == '=' ? 100 : 0);
    if (a.marker == '=') anyRightMarker = true;
    if (ans.text.empty()) {
      errors.push_back(at(c.lineAt(a.pos)) + ": пустой ответ.");
      return;
    }
    q.answers.push_back(ans);
  }
  // "=" marks the one answer to choose; weights alone make boxes to tick,
  // however many of them are positive.
  if (q.type == QuestionType::Choice) q.single = anyRightMarker;
}

void question(Chunk& c, const std::string& category, Bank& bank, const Fetch& fetch) {
  Question q;
  q.category = category;
  q.where = at(c.lines.front());
  std::string_view s = c.text;
  std::size_t pos = s.find_first_not_of(" \t\n");
  if (s.compare(pos, 2, "::") == 0) {
    const auto end = findRaw(s, "::", pos + 2);
    if (end == std::string_view::npos) {
      bank.errors.push_back(at(c.lineAt(pos)) + ": название вопроса, начатое «::», не закрыто «::».");
      return;
    }
    q.name = oneLine(unescape(s.substr(pos + 2, end - pos - 2)));
    pos = end + 2;
  }
  Reading r;
  pos = s.find_first_not_of(" \t\n", pos);
  if (pos == std::string_view::npos) {
    bank.errors.push_back(at(c.lines.back()) + ": после названия нет текста вопроса.");
    return;
  }
  for (const auto& [tag, f] : {std::pair{"[html]", TextFormat::Html}, {"[moodle]", TextFormat::Auto}, {"[plain]", TextFormat::Plain},
                               {"[markdown]", TextFormat::Plain}})
    if (s.compare(pos, std::strlen(tag), tag) == 0) {
      r.format = f;
      pos += std::strlen(tag);
      break;
    }
  const auto open = findRaw(s, "{", pos);
  if (open == std::string_view::npos) {
    q.text = r.text(s.substr(pos), true);
    q.type = QuestionType::Skipped;
    q.skipReason = "Описание без ответа.";
    bank.questions.push_back(q);
    return;
  }
  const auto close = findRaw(s, "}", open + 1);
  if (close == std::string_view::npos) {
    bank.errors.push_back(at(c.lineAt(open)) + ": блок ответов, открытый «{», не закрыт «}».");
    return;
  }
  if (const auto inner = findRaw(s.substr(0, close), "{", open + 1); inner != std::string_view::npos) {
    bank.errors.push_back(at(c.lineAt(inner)) + ": «{» внутри блока ответов; в тексте пишется «\\{».");
    return;
  }
  const std::string_view after = s.substr(close + 1);
  if (findRaw(after, "{") != std::string_view::npos) {
    q.type = QuestionType::Skipped;
    q.skipReason = "Вопрос с несколькими вложенными ответами.";
    q.text = r.text(trim(s.substr(pos, open - pos)) + " _____ " + trim(after), true);
    bank.questions.push_back(q);
    return;
  }
  // Text after the block: the answer fills a gap in the sentence.
  const std::string before(s.substr(pos, open - pos));
  const std::string rest = trim(after);
  q.text = r.text(rest.empty() ? before : trim(before) + " _____ " + rest, true);
  const std::size_t errorsBefore = bank.errors.size();
  answerBlock(c, s.substr(open + 1, close - open - 1), open + 1, q, r, bank.errors);
  if (bank.errors.size() != errorsBefore) return;
  takePicture(q, r.images, fetch);
  bank.questions.push_back(q);
}

std::string escape(std::string_view s) {
  std::string out;
  for (char ch : s) {
    if (ch == '\r') continue;
    if (ch == '\n') {
      out += "\\n";
      continue;
    }
    if (std::string_view("~=#{}:\\").find(ch) != std::string_view::npos) out += '\\';
    out += ch;
  }
  return out;
}

}  // namespace

Bank readGift(std::string_view input, const Fetch& fetch) {
  Bank bank;
  std::string text(input);
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (!validUtf8(text)) text = fromWindows1251(text);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());

  std::vector<Chunk> chunks(1);
  int lineNo = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    ++lineNo;
    start = end + 1;
    const std::string t = trim(line);
    if (t.rfind("//", 0) == 0) continue;
    if (t.empty()) {
      if (!chunks.back().lines.empty()) chunks.emplace_back();
      continue;
    }
    Chunk& c = chunks.back();
    c.text += (c.lines.empty() ? "" : "\n") + line;
    c.lines.push_back(lineNo);
  }
  std::string category;
  for (Chunk& c : chunks) {
    // "$CATEGORY:" lines name the category of the questions that follow.
    while (!c.lines.empty() && trim(c.text).rfind("$CATEGORY:", 0) == 0) {
      const auto nl = c.text.find('\n');
      category = trim(trim(c.text.substr(0, nl)).substr(10));
      c.text = nl == std::string::npos ? std::string() : c.text.substr(nl + 1);
      c.lines.erase(c.lines.begin());
    }
    if (c.lines.empty()) continue;
    question(c, category, bank, fetch);
  }
  if (!bank.ok()) bank.questions.clear();
  return bank;
}

Written writeGift(const std::vector<Question>& questions) {
  Written w;
  std::string& out = w.text;
  out += "// Выгружено из системы тестирования «Ормида».\n\n";
  std::string category;
  for (const Question& q : questions) {
    const std::string who = q.name.empty() ? q.where : q.name;
    if (q.type == QuestionType::Skipped) {
      w.notes.push_back(who + ": " + q.skipReason);
      continue;
    }
    if (q.type == QuestionType::Ordering) {
      w.notes.push_back(who + ": в GIFT нет заданий на упорядочение, кадр не выгружен.");
      continue;
    }
    if (!q.picture.empty()) w.notes.push_back(who + ": рисунок не выгружен: в GIFT рисунки не входят.");
    // Only letters have a case to lose.
    if (q.type == QuestionType::ShortAnswer && q.caseMatters &&
        std::any_of(q.answers.begin(), q.answers.end(), [](const Answer& a) { return hasLetter(a.text); }))
      w.notes.push_back(who + ": в GIFT нельзя указать, что регистр букв важен.");

    // Any "<" or "&" makes the texts HTML, so that they reach the reader as written.
    bool html = false;
    auto check = [&](const std::string& t) { html = html || t.find_first_of("<&") != std::string::npos; };
    check(q.text);
    check(q.generalFeedback);
    check(q.feedbackRight);
    check(q.feedbackWrong);
    for (const auto& a : q.answers) check(a.text), check(a.feedback);
    for (const auto& p : q.pairs) check(p.row), check(p.answer);
    for (const auto& n : q.numbers) check(n.feedback);
    auto t = [&](const std::string& s) { return escape(html ? textToHtml(s) : s); };
    auto feedback = [&](const std::string& s) { return s.empty() ? std::string() : "#" + t(s); };
    auto weight = [&](double f) { return "%" + numberText(f) + "%"; };

    if (q.category != category) {
      category = q.category;
      out += "$CATEGORY: $course$/top" + (category.empty() ? std::string() : "/" + oneLine(category)) + "\n\n";
    }
    if (!q.name.empty()) out += "::" + escape(oneLine(q.name)) + ":: ";
    if (html) out += "[html]";
    out += t(q.text) + " {";
    switch (q.type) {
      case QuestionType::TrueFalse:
        out += q.truth ? "TRUE" : "FALSE";
        if (!q.feedbackWrong.empty() || !q.feedbackRight.empty()) out += "#" + t(q.feedbackWrong) + feedback(q.feedbackRight);
        break;
      case QuestionType::Choice:
        for (const auto& a : q.answers) {
          out += "\n\t";
          if (q.single && a.fraction >= 100) out += "=";
          else out += "~" + (a.fraction != 0 || !q.single ? weight(a.fraction) : std::string());
          out += t(a.text) + feedback(a.feedback);
        }
        out += "\n";
        break;
      case QuestionType::Matching:
        for (const auto& p : q.pairs) {
          if (p.row.empty()) {
            w.notes.push_back(who + ": в GIFT нет лишних вариантов для соответствия: «" + p.answer + "» не выгружен.");
            continue;
          }
          out += "\n\t=" + t(p.row) + " -> " + t(p.answer);
        }
        out += "\n";
        break;
      case QuestionType::ShortAnswer:
        for (const auto& a : q.answers) out += "\n\t=" + (a.fraction < 100 ? weight(a.fraction) : std::string()) + t(a.text) + feedback(a.feedback);
        out += "\n";
        break;
      case QuestionType::Numerical: {
        auto spec = [](const NumberAnswer& n) { return n.high.empty() ? n.low : n.low + ".." + n.high; };
        if (q.numbers.size() == 1 && q.numbers[0].fraction >= 100) {
          out += "#" + spec(q.numbers[0]) + feedback(q.numbers[0].feedback);
        } else {
          out += "#";
          for (const auto& n : q.numbers) out += "\n\t=" + weight(n.fraction) + spec(n) + feedback(n.feedback);
          out += "\n";
        }
        break;
      }
      default: break;
    }
    if (!q.generalFeedback.empty()) out += "####" + t(q.generalFeedback) + (out.back() == '\n' ? "\n" : "");
    out += "}\n\n";
    ++w.written;
  }
  return w;
}

}  // namespace converter
