#include "checking.h"

#include <cstdlib>

#include "cp1251.h"

namespace examiner {

bool Response::answered(int kind) const {
  if (kind >= 5) return !cp1251::clip(text).empty();
  for (int i = 1; i <= 9; ++i)
    if (r[static_cast<std::size_t>(i)]) return true;
  return false;
}

int matchingRows(const tables::Vop& v) {
  int n = 0;
  for (const auto& s : v.VAROT2)
    if (!s.blank()) ++n;
  return n;
}

namespace {

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

bool parseNumber(const std::string& s, double& out) {
  std::string t = trim(s);
  if (t.empty()) return false;
  char* end = nullptr;
  out = std::strtod(t.c_str(), &end);
  return end && *end == '\0';
}

struct Slot {
  std::string keyword;  // lower case
  std::string second;   // lower case: synonyms or the upper bound
};

std::vector<Slot> slotsOf(const tables::Vop& v) {
  std::vector<Slot> out;
  for (int j = 1; j <= 5; ++j) {
    std::string k(cp1251::clip(v.varot1(4 + j).view()));
    if (k.empty()) continue;
    out.push_back({cp1251::lower(trim(k)), cp1251::lower(std::string(v.VAROT2[static_cast<std::size_t>(3 + j)].view()))});
  }
  return out;
}

}  // namespace

std::vector<std::string> synonyms(std::string_view list) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    std::string item = trim(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (!item.empty()) out.push_back(item);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

int keywordsFound(const tables::Vop& v, const std::string& typed) {
  const std::string text = cp1251::lower(cp1251::clip(typed));
  const auto slots = slotsOf(v);
  int found = 0;
  if (v.TYPEETOT == 2) {
    // Numbers: every comma-separated item of the text.
    std::vector<double> numbers;
    for (const auto& item : synonyms(text)) {
      double d;
      if (parseNumber(item, d)) numbers.push_back(d);
    }
    auto inSlot = [](const Slot& s, double x) {
      double lo, hi;
      if (!parseNumber(s.keyword, lo)) return false;
      if (!parseNumber(s.second, hi)) hi = lo;
      return lo <= x && x <= hi;
    };
    for (std::size_t j = 0; j < slots.size(); ++j) {
      if (v.PORNUMOT == 1) {
        if (j < numbers.size() && inSlot(slots[j], numbers[j])) ++found;
      } else {
        for (double x : numbers)
          if (inSlot(slots[j], x)) {
            ++found;
            break;
          }
      }
    }
    return found;
  }
  if (v.PORNUMOT == 1) {
    std::size_t s = 0;
    for (const auto& slot : slots) {
      std::size_t f = text.find(slot.keyword, s);
      if (f != std::string::npos) {
        ++found;
        s = f + slot.keyword.size();
        continue;
      }
      bool any = false;
      for (const auto& syn : synonyms(slot.second)) {
        f = text.find(syn, s);
        if (f != std::string::npos) {
          ++found;
          s = f + syn.size();
          any = true;
          break;
        }
      }
      if (!any) break;
    }
    return found;
  }
  for (const auto& slot : slots) {
    bool hit;
    if (slot.keyword.size() == 1) hit = !text.empty() && text[0] == slot.keyword[0];
    else hit = text.find(slot.keyword) != std::string::npos;
    if (!hit)
      for (const auto& syn : synonyms(slot.second))
        if (text.find(syn) != std::string::npos) {
          hit = true;
          break;
        }
    if (hit) ++found;
  }
  return found;
}

Check check(const tables::Vop& v, const Response& resp, bool weighted) {
  Check c;
  const int kind = v.TYPEKADR;
  const int n = std::min<int>(v.KOLOT, 9);
  auto same = [&](int i) { return resp.r[static_cast<std::size_t>(i)] == v.TRUEOT[static_cast<std::size_t>(i - 1)]; };
  auto mark = [&](int i) { return static_cast<long>(v.MARK[static_cast<std::size_t>(i - 1)]); };
  switch (kind) {
    case 1:
    case 2: {
      bool all = n > 0;
      for (int i = 1; i <= n; ++i) {
        if (same(i)) {
          if (weighted) c.points += mark(i);
        } else {
          all = false;
        }
      }
      c.correct = all;
      break;
    }
    case 3: {
      c.correct = resp.r[1] != 0 && resp.r[1] == v.TRUEOT[0];
      // Only r[1] carries the answer: the unused places, 0 on both sides,
      // would otherwise credit a wrong choice with their weights.
      if (weighted && c.correct) c.points = mark(1);
      break;
    }
    case 4: {
      const int rows = matchingRows(v);
      bool all = rows > 0;
      for (int i = 1; i <= rows; ++i) {
        if (!same(i)) {
          all = false;
          break;
        }
        if (weighted) c.points += mark(i);
      }
      c.correct = all;
      break;
    }
    case 6:
      c.correct = !cp1251::clip(resp.text).empty() && cp1251::clip(resp.text) == cp1251::clip(v.TRUEOTSTR.view());
      break;
    case 5:
    case 7:
      c.correct = v.KOLOT > 0 && !cp1251::clip(resp.text).empty() && keywordsFound(v, resp.text) == v.KOLOT;
      break;
    default: break;
  }
  if (!weighted || kind >= 5) c.points = c.correct ? v.BALLVOP : 0;
  return c;
}

std::string keyText(const tables::Vop& v) {
  std::string s;
  const int n = std::min<int>(v.KOLOT, 9);
  switch (v.TYPEKADR) {
    case 1:
      for (int i = 1; i <= n; ++i)
        if (v.TRUEOT[static_cast<std::size_t>(i - 1)] == 1) s += (s.empty() ? "" : ", ") + std::to_string(i);
      return s + ".";
    case 2:
      for (int i = 1; i <= n; ++i) s += (i > 1 ? ", " : "") + std::to_string(v.TRUEOT[static_cast<std::size_t>(i - 1)]);
      return s;
    case 3: return std::to_string(v.TRUEOT[0]) + ".";
    case 4: {
      static const char* letters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};
      for (int i = 1; i <= 9; ++i)
        if (v.TRUEOT[static_cast<std::size_t>(i - 1)])
          s += (s.empty() ? "" : ", ") + std::string(letters[i - 1]) + std::to_string(v.TRUEOT[static_cast<std::size_t>(i - 1)]);
      return s;
    }
    case 5:
    case 7: {
      int k = 0;
      for (int j = 1; j <= 5; ++j) {
        auto w = v.varot1(4 + j).view();
        if (w.empty()) continue;
        if (k) s += ", ";
        s += std::to_string(++k) + "-" + cp1251::toUtf8(w);
      }
      return s;
    }
    case 6: return cp1251::toUtf8(v.TRUEOTSTR.view());
    default: return s;
  }
}

}  // namespace examiner
