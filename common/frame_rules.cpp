#include "frame_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "answer_checking.h"
#include "cp1251.h"

namespace common {

namespace {

const char* const kLetters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (b < e && space(s[b])) ++b;
  while (e > b && space(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string num(long n) { return std::to_string(n); }

// A bound as the teacher typed it ("2,5", " 3.75", "+4"): the number and its
// text with "." as decimal point, which the Examiner's checking parses.
bool readBound(std::string_view typed, std::string& text, double& value) {
  text = trim(typed);
  std::replace(text.begin(), text.end(), ',', '.');
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return false;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) return false;
  text = std::string(digits);
  return true;
}

// Closes up the non-blank variants VAROT11.. in their order; the per-variant
// fields (box heights always, the key and the weights when they are kept per
// variant) move with their texts.
VariantMoves closeUpVariants(tables::Vop& v, bool keyPerVariant, bool markPerVariant) {
  VariantMoves m;
  std::vector<int> order;
  for (int i = 1; i <= 9; ++i)
    if (!v.varot1(i).blank()) order.push_back(i);
  const std::size_t filled = order.size();
  for (int i = 1; i <= 9; ++i)
    if (v.varot1(i).blank()) order.push_back(i);
  const tables::Vop old = v;
  for (std::size_t k = 0; k < 9; ++k) {
    const auto from = static_cast<std::size_t>(order[k] - 1);
    v.varot1(static_cast<int>(k + 1)) = old.varot1(order[k]);
    v.HEIGTTEXTOT[k] = old.HEIGTTEXTOT[from];
    if (keyPerVariant) v.TRUEOT[k] = k < filled ? old.TRUEOT[from] : 0;
    if (markPerVariant) v.MARK[k] = k < filled ? old.MARK[from] : 0;
    if (k < filled) m.to[static_cast<std::size_t>(order[k])] = static_cast<int>(k + 1);
  }
  v.KOLOT = static_cast<std::uint8_t>(filled);
  return m;
}

void blankSecondTexts(tables::Vop& v, int from, int to) {
  for (int i = from; i <= to; ++i) v.VAROT2[static_cast<std::size_t>(i - 1)].clear();
}

// What a typed-answer frame does not use.
void blankChoiceFields(tables::Vop& v) {
  v.TRUEOT.fill(0);
  v.MARK.fill(0);
}

// What a choice or matching frame does not use.
void blankTypedFields(tables::Vop& v) {
  v.TRUEOTSTR.clear();
  v.TYPEETOT = 1;
  v.PORNUMOT = 0;
  v.HOWVVODDOP = 0;
  v.CRDNX.fill(0);
  v.CRDNY.fill(0);
}

void choiceKinds(tables::Vop& v, VariantMoves& moves, std::vector<std::string>& problems) {
  const int kind = v.TYPEKADR;
  const int oldKey = v.TRUEOT[0];
  moves = closeUpVariants(v, kind == 1 || kind == 2, true);
  blankSecondTexts(v, 1, 9);
  blankTypedFields(v);
  const int n = v.KOLOT;
  if (n == 0) {
    problems.push_back("Не введено ни одного варианта ответа.");
    return;
  }
  if (kind == 1) {
    bool any = false;
    for (int i = 0; i < n; ++i) {
      auto& t = v.TRUEOT[static_cast<std::size_t>(i)];
      t = t ? 1 : 0;  // a ticked box, whatever it held
      any = any || t;
    }
    if (!any) problems.push_back("Не отмечен ни один верный ответ.");
  } else if (kind == 2) {
    // Places kept in the order given: 1, 2, 4 after a variant was removed
    // become 1, 2, 3. Unranked or shared places are the teacher's to settle.
    std::vector<std::pair<int, int>> places;
    bool unranked = false;
    for (int i = 0; i < n; ++i) {
      const int p = v.TRUEOT[static_cast<std::size_t>(i)];
      if (p == 0) unranked = true;
      places.emplace_back(p, i);
    }
    std::sort(places.begin(), places.end());
    bool shared = std::adjacent_find(places.begin(), places.end(), [](auto& a, auto& b) { return a.first == b.first; }) !=
                  places.end();
    if (unranked || shared) {
      problems.push_back("Ранжирование: каждому варианту нужен свой номер места от 1 до " + num(n) + ".");
    } else {
      for (int k = 0; k < n; ++k) v.TRUEOT[static_cast<std::size_t>(places[static_cast<std::size_t>(k)].second)] =
          static_cast<std::uint8_t>(k + 1);
    }
  } else {  // 3
    v.TRUEOT.fill(0);
    const int now = oldKey >= 1 && oldKey <= 9 ? moves.to[static_cast<std::size_t>(oldKey)] : 0;
    v.TRUEOT[0] = static_cast<std::uint8_t>(now);
    if (now == 0) problems.push_back("Не указан верный вариант ответа.");
  }
}

void matchingKind(tables::Vop& v, VariantMoves& moves, std::vector<std::string>& problems) {
  moves = closeUpVariants(v, false, false);
  blankTypedFields(v);
  // Rows close up with their key and weight; the key is renumbered to the
  // variants' new places.
  const tables::Vop old = v;
  std::size_t k = 0;
  std::vector<int> unmatched;
  for (std::size_t i = 0; i < 9; ++i) {
    if (old.VAROT2[i].blank()) continue;
    v.VAROT2[k] = old.VAROT2[i];
    const int key = old.TRUEOT[i];
    v.TRUEOT[k] = static_cast<std::uint8_t>(key >= 1 && key <= 9 ? moves.to[static_cast<std::size_t>(key)] : 0);
    v.MARK[k] = old.MARK[i];
    if (v.TRUEOT[k] == 0) unmatched.push_back(static_cast<int>(k + 1));
    ++k;
  }
  for (std::size_t i = k; i < 9; ++i) {
    v.VAROT2[i].clear();
    v.TRUEOT[i] = 0;
    v.MARK[i] = 0;
  }
  if (v.KOLOT == 0) problems.push_back("Не введено ни одного варианта ответа.");
  if (k == 0) problems.push_back("Не введено ни одного элемента для сопоставления.");
  else if (v.KOLOT > 0)
    for (int row : unmatched) problems.push_back("Элементу " + std::string(kLetters[row - 1]) + " не сопоставлен вариант ответа.");
}

void completionKinds(tables::Vop& v, std::vector<std::string>& problems) {
  for (int i = 1; i <= 4; ++i) v.varot1(i).clear();
  blankSecondTexts(v, 1, 4);
  blankChoiceFields(v);
  v.TRUEOTSTR.clear();
  v.TYPEETOT = v.TYPEETOT == 2 ? 2 : 1;
  v.PORNUMOT = v.PORNUMOT ? 1 : 0;
  const bool numbers = v.TYPEETOT == 2;
  int slots = 0;
  // Slots keep their places: the input fields placed in the question text
  // (CRDNX/CRDNY) belong to them.
  for (int j = 1; j <= 5; ++j) {
    auto& first = v.varot1(4 + j);
    auto& second = v.VAROT2[static_cast<std::size_t>(3 + j)];
    const std::string label = "Ответ " + num(j);
    if (first.blank()) {
      if (!second.blank())
        problems.push_back(label + (numbers ? ": верхняя граница без нижней." : ": синонимы без самого ответа."));
      continue;
    }
    ++slots;
    if (!numbers) {
      first = trim(first.view());
      if (first.view().size() > kTypedAnswer)
        problems.push_back(label + " длиннее " + num(kTypedAnswer) + " знаков: экзаменуемый не сможет его ввести.");
      continue;
    }
    std::string lowText, highText;
    double low = 0, high = 0;
    if (!readBound(first.view(), lowText, low)) {
      problems.push_back(label + ": «" + cp1251::toUtf8(trim(first.view())) + "» не число.");
      continue;
    }
    first = lowText;
    if (second.blank()) continue;  // one number, not a range
    if (!readBound(second.view(), highText, high)) {
      problems.push_back(label + ": «" + cp1251::toUtf8(trim(second.view())) + "» не число.");
      continue;
    }
    second = highText;
    if (low > high) problems.push_back(label + ": нижняя граница больше верхней.");
  }
  v.KOLOT = static_cast<std::uint8_t>(slots);
  if (slots == 0) problems.push_back("Не введено ни одного правильного ответа.");
}

void exactKind(tables::Vop& v, std::vector<std::string>& problems) {
  for (int i = 1; i <= 9; ++i) v.varot1(i).clear();
  blankSecondTexts(v, 1, 9);
  blankChoiceFields(v);
  v.KOLOT = 0;
  v.TYPEETOT = 1;
  v.PORNUMOT = 0;
  // Leading blanks would have to be typed exactly: they are not kept.
  {
    std::string ref(v.TRUEOTSTR.view());
    const auto first = ref.find_first_not_of(' ');
    if (first != std::string::npos && first > 0) v.TRUEOTSTR = ref.substr(first);
  }
  if (v.TRUEOTSTR.blank()) problems.push_back("Не введён эталонный ответ.");
  else if (v.TRUEOTSTR.view().size() > kTypedAnswer)
    problems.push_back("Эталонный ответ длиннее " + num(kTypedAnswer) + " знаков (" + num(static_cast<long>(v.TRUEOTSTR.view().size())) +
                       "): экзаменуемый не сможет его ввести.");
}

bool hasObject(const tables::Vop& v) {
  return v.TYPEEDIT == "Objk" || !v.OBJECTTYPE.blank() || !v.OLEBLOB.empty() || !v.OBJECTDOC.blank();
}

}  // namespace

bool VariantMoves::moved() const {
  for (int i = 1; i <= 9; ++i)
    if (to[static_cast<std::size_t>(i)] != 0 && to[static_cast<std::size_t>(i)] != i) return true;
  return false;
}

std::uint16_t framePoints(const tables::Vop& v, const tables::Tema& tema) {
  switch (tema.TYPEOZENKA) {
    case 2: return tema.BALLVOP;
    case 3: {
      const auto lo = std::min(tema.BALLRANGE[0], tema.BALLRANGE[1]);
      const auto hi = std::max(tema.BALLRANGE[0], tema.BALLRANGE[1]);
      return std::clamp(v.BALLVOP, lo, hi);
    }
    default: return 1;
  }
}

std::vector<std::string> normaliseFrame(tables::Vop& v, const tables::Tema& tema) {
  VariantMoves moves;
  return normaliseFrame(v, tema, moves);
}

std::vector<std::string> normaliseFrame(tables::Vop& v, const tables::Tema& tema, VariantMoves& moves) {
  std::vector<std::string> problems;
  for (int i = 1; i <= 9; ++i) moves.to[static_cast<std::size_t>(i)] = i;
  if (trim(v.VOPROS.text).empty() && !hasObject(v)) problems.push_back("Не введён текст вопроса.");
  const int kind = v.TYPEKADR;
  switch (kind) {
    case 1:
    case 2:
    case 3: choiceKinds(v, moves, problems); break;
    case 4: matchingKind(v, moves, problems); break;
    case 5:
    case 7: completionKinds(v, problems); break;
    case 6: exactKind(v, problems); break;
    default: problems.push_back("Неизвестный тип задания: " + num(kind) + "."); return problems;
  }
  // The generator's lines belong to the generator kinds only.
  if (kind != 6 && kind != 7)
    for (auto& line : v.ALGORITM) line.clear();
  v.BALLVOP = framePoints(v, tema);
  return problems;
}

void followVariants(tables::Training& help, const VariantMoves& moves) {
  const auto old = help.COMMOT;
  for (auto& c : help.COMMOT) c.clear();
  for (int i = 1; i <= 9; ++i) {
    const int to = moves.to[static_cast<std::size_t>(i)];
    if (to >= 1 && to <= 9) help.COMMOT[static_cast<std::size_t>(to - 1)] = old[static_cast<std::size_t>(i - 1)];
  }
}

std::vector<std::string> unfitCharacters(std::string_view s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    bool broken = c >= 0x80 && (len == 1 || i + len > s.size());
    for (std::size_t k = 1; !broken && k < len; ++k) broken = (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80;
    if (broken) len = 1;
    const std::string ch = broken ? std::string("\xEF\xBF\xBD") : std::string(s.substr(i, len));
    // The code page's own "?" fits; anything else that comes out as "?" does not.
    if ((broken || (ch != "?" && cp1251::fromUtf8(ch) == "?")) && std::find(out.begin(), out.end(), ch) == out.end())
      out.push_back(ch);
    i += len;
  }
  return out;
}

std::string unfitMessage(std::string_view label, std::string_view utf8) {
  const auto unfit = unfitCharacters(utf8);
  if (unfit.empty()) return {};
  std::string named;
  for (const auto& ch : unfit) named += (named.empty() ? "«" : ", «") + ch + "»";
  return std::string(label) + (unfit.size() == 1 ? ": знак " + named + " не входит" : ": знаки " + named + " не входят") +
         " в кодовую страницу 1251.";
}

std::string referenceAnswer(const tables::Vop& v) {
  auto key = [&](int i) { return static_cast<int>(v.TRUEOT[static_cast<std::size_t>(i - 1)]); };
  int filled = 0;  // variants up to the first blank one
  while (filled < 9 && !v.varot1(filled + 1).blank()) ++filled;
  std::vector<std::string> items;
  switch (v.TYPEKADR) {
    case 1:
      for (int i = 1; i <= filled; ++i)
        if (key(i)) items.push_back(num(i));
      break;
    case 2:
      for (int i = 1; i <= filled; ++i) items.push_back(num(key(i)));
      break;
    case 3:
      if (key(1)) items.push_back(num(key(1)));
      break;
    case 4:
      for (int i = 1; i <= 9; ++i)
        if (!v.VAROT2[static_cast<std::size_t>(i - 1)].blank()) items.push_back(kLetters[i - 1] + num(key(i)));
      break;
    case 5:
    case 7: {
      std::string line;
      for (int j = 1; j <= 5; ++j) {
        const auto first = cp1251::toUtf8(trim(v.varot1(4 + j).view()));
        if (first.empty()) continue;
        const auto second = trim(v.VAROT2[static_cast<std::size_t>(3 + j)].view());
        std::string item;
        if (v.TYPEETOT == 2) {
          const auto upper = cp1251::toUtf8(second);
          item = upper.empty() || upper == first ? first : "от " + first + " до " + upper;
        } else {
          item = first;
          std::string syn;
          for (const auto& s : common::synonyms(second)) syn += (syn.empty() ? "" : ", ") + cp1251::toUtf8(s);
          if (!syn.empty()) item += " (синонимы: " + syn + ")";
        }
        line += (line.empty() ? "" : "; ") + item;
      }
      return line;
    }
    case 6: return v.TRUEOTSTR.utf8();
    default: return {};
  }
  if (items.empty()) return {};
  std::string line;
  for (const auto& it : items) line += (line.empty() ? "" : ",") + it;
  return line + ".";
}

}  // namespace common
