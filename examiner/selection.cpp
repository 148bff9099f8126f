#include "selection.h"

#include <algorithm>

#include "cp1251.h"

namespace examiner {

std::vector<std::uint16_t> selectFrames(int mode, int part, const std::vector<std::pair<std::uint16_t, int>>& frames,
                                        int variant, Random& rnd) {
  std::vector<std::uint16_t> order;
  // Modes 1 to 4 draw among the frames the test holds, by rank in code
  // order, so that a gap in the numbering loses no frame.
  std::vector<std::uint16_t> codes;
  for (const auto& f : frames) codes.push_back(f.first);
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  const int n = static_cast<int>(codes.size());
  auto codeOf = [&](int rank) { return codes[static_cast<std::size_t>(rank - 1)]; };
  if (mode == 1) return codes;
  if (mode == 2) part = n;
  if (mode == 2 || mode == 3 || mode == 4) {
    part = std::clamp(part, 0, n);  // more than the test holds: all of it
    std::vector<bool> taken(static_cast<std::size_t>(n) + 1, false);
    std::vector<int> ranks;
    for (int p = 0; p < part; ++p) {
      int r = rnd.uniform(1, n);
      if (taken[static_cast<std::size_t>(r)]) {
        r = 1;  // the lowest frame not yet taken, scanning from 1
        while (taken[static_cast<std::size_t>(r)]) ++r;
      }
      taken[static_cast<std::size_t>(r)] = true;
      ranks.push_back(r);
    }
    if (mode == 4) std::sort(ranks.begin(), ranks.end());
    for (int r : ranks) order.push_back(codeOf(r));
    return order;
  }
  if (mode == 5) {
    for (const auto& [code, var] : frames)
      if (var == variant) order.push_back(code);
  }
  return order;
}

Permutation drawPermutation(int count, Random& rnd, bool identity) {
  Permutation p;
  p.count = std::clamp(count, 0, 9);
  std::array<bool, 10> used{};
  for (int k = 1; k <= p.count; ++k) {
    int v = identity ? k : rnd.uniform(1, p.count);
    if (used[static_cast<std::size_t>(v)]) {
      v = 1;
      while (used[static_cast<std::size_t>(v)]) ++v;
    }
    used[static_cast<std::size_t>(v)] = true;
    p.shown[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v);
    p.inverse[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(k);
  }
  return p;
}

std::vector<std::uint8_t> assignVariants(int method, int v, int ws, Random& rnd) {
  std::vector<std::uint8_t> out;
  v = std::max(1, v);
  ws = std::clamp(ws, 0, 15);
  std::vector<bool> used(static_cast<std::size_t>(v) + 1, false);
  int inCycle = 0, up = 0, down = v + 1;
  for (int w = 1; w <= ws; ++w) {
    int var = 1;
    if (method == 1) {
      var = rnd.uniform(1, v);
      if (used[static_cast<std::size_t>(var)]) {
        var = 1;
        while (used[static_cast<std::size_t>(var)]) ++var;
      }
      used[static_cast<std::size_t>(var)] = true;
      if (++inCycle == v) {  // every variant given once: a new cycle
        std::fill(used.begin(), used.end(), false);
        inCycle = 0;
      }
    } else if (method == 4) {
      up = up % v + 1;
      var = up;
    } else if (method == 5) {
      down = down - 1 < 1 ? v : down - 1;
      var = down;
    }
    out.push_back(static_cast<std::uint8_t>(var));
  }
  return out;
}

int chooseVariant(const VariantRequest& r, store::Table& t, tables::SelVar& rec, Random& rnd, store::ErrorInfo* error) {
  switch (r.method) {
    case 2: return std::clamp(r.chosenByExaminee, 1, std::max(1, r.variants));
    case 3: return std::max(1, r.givenToAll);
    case 1:
    case 4:
    case 5: break;
    default: return 1;
  }
  auto fail = [&](const store::ErrorInfo& e) {
    if (error) *error = e;
    return 0;
  };
  store::Transaction tx{&t};
  if (tx.begin() != store::Ok) return fail(tx.error());
  bool have = t.set() == store::Ok && t.next() == store::Ok;
  if (!have && t.errorCode() != store::NoRecord) return fail(t.error());
  if (!have || rec.NAMETEST.view() != cp1251::clip(r.testName) || rec.START != r.method) {
    rec.NAMETEST = r.testName;
    rec.START = static_cast<std::uint8_t>(r.method);
    rec.VAR.fill(0);
    auto vars = assignVariants(r.method, r.variants, r.workstations, rnd);
    for (std::size_t i = 0; i < vars.size() && i < rec.VAR.size(); ++i) rec.VAR[i] = vars[i];
    int rc = have ? t.put() : t.add();
    if (rc != store::Ok) return fail(t.error());
  }
  if (tx.commit() != store::Ok) return fail(tx.error());
  int station = std::clamp(r.stationNumber, 1, 15);
  int v = rec.VAR[static_cast<std::size_t>(station - 1)];
  return v == 0 ? 1 : v;  // a station beyond the room's count gets variant 1
}

std::vector<std::uint16_t> framesToReview(const std::array<std::uint8_t, 512>& allot) {
  std::vector<std::uint16_t> out;
  for (std::size_t c = 1; c <= allot.size(); ++c)
    if (allot[c - 1] == 0) out.push_back(static_cast<std::uint16_t>(c));
  return out;
}

}  // namespace examiner
