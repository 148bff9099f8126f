#include "answer_checking.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <optional>

#include "cp1251.h"

namespace common {

bool Response::answered(int kind) const {
  if (kind >= 5) return !cp1251::clip(text).empty();
  for (int i = 1; i <= 9; ++i)
    if (r[static_cast<std::size_t>(i)]) return true;
  return false;
}

bool Response::operator==(const Response& o) const { return r == o.r && cp1251::clip(text) == cp1251::clip(o.text); }

Permutation identityPermutation(int count) {
  Permutation p;
  p.count = std::clamp(count, 0, 9);
  for (int k = 1; k <= p.count; ++k) {
    p.shown[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
    p.inverse[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
  }
  return p;
}

void clickAnswer(const tables::Vop& v, const Permutation& p, Response& resp, int k) {
  const int n = std::min<int>(v.KOLOT, 9);
  switch (v.TYPEKADR) {
    case 1: {
      if (k < 1 || k > n) return;
      auto& b = resp.r[p.shown[static_cast<std::size_t>(k)]];
      b = b ? 0 : 1;
      break;
    }
    case 2: {
      if (k < 1 || k > n) return;
      auto& b = resp.r[p.shown[static_cast<std::size_t>(k)]];
      b = static_cast<std::uint8_t>(b >= n ? 1 : b + 1);
      break;
    }
    case 3:
      if (k < 1 || k > n) return;
      resp.r[1] = p.shown[static_cast<std::size_t>(k)];
      break;
    case 4: {
      // Row k (not permuted) is given the next display number; the response
      // keeps the stored variant that number shows, so the check compares
      // like with like.
      if (k < 1 || k > 9) return;
      int d = shownNumber(p, resp, k);
      d = d >= n ? 1 : d + 1;
      resp.r[static_cast<std::size_t>(k)] = p.shown[static_cast<std::size_t>(d)];
      break;
    }
    default: break;
  }
}

int shownNumber(const Permutation& p, const Response& resp, int k) {
  if (k < 1 || k > 9) return 0;
  int v = resp.r[static_cast<std::size_t>(k)];
  return v ? p.inverse[static_cast<std::size_t>(v)] : 0;
}

void typeAnswer(Response& resp, const std::string& t) { resp.text = t.substr(0, std::min<std::size_t>(t.size(), 128)); }

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

// Whatever locale the program runs in (a Russian one reads "," as the
// decimal point), numbers here are read with ".".
bool parseNumber(const std::string& s, double& out) {
  std::string t = trim(s);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && end == t.data() + t.size();
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
    // Numbers: only the first K comma-separated items count, K being the
    // number of slots, so that listing many numbers cannot guess the answer.
    std::vector<std::optional<double>> numbers;
    for (const auto& item : synonyms(text)) {
      if (numbers.size() >= slots.size()) break;
      double d;
      numbers.push_back(parseNumber(item, d) ? std::optional<double>(d) : std::nullopt);
    }
    auto inSlot = [](const Slot& s, const std::optional<double>& x) {
      double lo, hi;
      if (!x || !parseNumber(s.keyword, lo)) return false;
      if (!parseNumber(s.second, hi)) hi = lo;
      return lo <= *x && *x <= hi;
    };
    if (v.PORNUMOT == 1) {
      for (std::size_t j = 0; j < slots.size() && j < numbers.size(); ++j)
        if (inSlot(slots[j], numbers[j])) ++found;
      return found;
    }
    // Any order: each slot must be met by a number of its own (the largest
    // matching of slots to numbers; at most five of each).
    std::vector<int> owner(numbers.size(), -1);
    std::function<bool(std::size_t, std::vector<bool>&)> place = [&](std::size_t j, std::vector<bool>& seen) {
      for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (seen[i] || !inSlot(slots[j], numbers[i])) continue;
        seen[i] = true;
        if (owner[i] < 0 || place(static_cast<std::size_t>(owner[i]), seen)) {
          owner[i] = static_cast<int>(j);
          return true;
        }
      }
      return false;
    };
    for (std::size_t j = 0; j < slots.size(); ++j) {
      std::vector<bool> seen(numbers.size(), false);
      if (place(j, seen)) ++found;
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
      // Only r[1] carries the answer: a right choice earns the weight of the
      // right variant, a wrong one nothing.
      if (weighted && c.correct && v.TRUEOT[0] >= 1 && v.TRUEOT[0] <= 9) c.points = mark(v.TRUEOT[0]);
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

long maxPoints(const tables::Vop& v, bool weighted) {
  if (!weighted || v.TYPEKADR < 1 || v.TYPEKADR > 4) return v.BALLVOP;
  Response key;
  for (int i = 1; i <= 9; ++i) key.r[static_cast<std::size_t>(i)] = v.TRUEOT[static_cast<std::size_t>(i - 1)];
  return check(v, key, true).points;
}

std::vector<int> chosenVariants(const tables::Vop& v, const Response& r) {
  std::vector<int> out;
  auto add = [&](int x) {
    if (x >= 1 && x <= 9 && std::find(out.begin(), out.end(), x) == out.end()) out.push_back(x);
  };
  switch (v.TYPEKADR) {
    case 1:
    case 2:
      for (int i = 1; i <= 9; ++i)
        if (r.r[static_cast<std::size_t>(i)]) add(i);
      break;
    case 3: add(r.r[1]); break;
    case 4:
      // Left item k holds the stored number of the variant matched to it.
      for (int k = 1; k <= 9; ++k) add(r.r[static_cast<std::size_t>(k)]);
      std::sort(out.begin(), out.end());
      break;
    default: break;
  }
  return out;
}

std::string keyTextShown(const tables::Vop& v, const Permutation& p) {
  static const char* letters[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и"};
  const int n = std::min<int>(v.KOLOT, 9);
  auto key = [&](int stored) { return stored >= 1 && stored <= 9 ? v.TRUEOT[static_cast<std::size_t>(stored - 1)] : 0; };
  auto storedAt = [&](int k) { return p.count >= k ? p.shown[static_cast<std::size_t>(k)] : k; };
  auto shownAt = [&](int stored) { return stored >= 1 && stored <= 9 && p.count >= stored ? p.inverse[static_cast<std::size_t>(stored)] : stored; };
  std::string s;
  switch (v.TYPEKADR) {
    case 1:
      for (int k = 1; k <= n; ++k)
        if (key(storedAt(k)) == 1) s += (s.empty() ? "" : ", ") + std::string(letters[k - 1]);
      return s + ".";
    case 2:
      for (int k = 1; k <= n; ++k) s += (k > 1 ? ", " : "") + std::string(letters[k - 1]) + "-" + std::to_string(key(storedAt(k)));
      return s;
    case 3: {
      const int k = shownAt(v.TRUEOT[0]);
      return k >= 1 && k <= 9 ? std::string(letters[k - 1]) + "." : std::string();
    }
    case 4:
      for (int i = 1; i <= 9; ++i)
        if (int stored = v.TRUEOT[static_cast<std::size_t>(i - 1)])
          s += (s.empty() ? "" : ", ") + std::string(letters[i - 1]) + std::to_string(shownAt(stored));
      return s;
    default: return keyText(v);
  }
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

}  // namespace common
