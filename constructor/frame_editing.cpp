#include "frame_editing.h"

#include <algorithm>

#include "cp1251.h"
#include "tables_central.h"

namespace constructor {
namespace {

Outcome failed(const store::ErrorInfo& e, const std::string& what) {
  return {e.code ? e.code : store::StoreSpecific, what + " (" + e.text() + ")."};
}

// A one-record settings table: its record read (blank when it has none),
// changed by `change` and written back.
template <class R, class Change>
Outcome rewriteSettings(const store::TableDef& def, const std::string& file, const char* what, Change change) {
  R rec;
  store::Table t(def, rec, file);
  if (t.createIfMissing() != store::Ok || t.open(store::Shared) != store::Ok)
    return failed(t.error(), std::string("Не удалось открыть ") + what);
  store::Transaction tx{&t};
  if (tx.begin() != store::Ok) return failed(tx.error(), std::string("Не удалось записать ") + what);
  const int rc = t.set() == store::Ok ? t.next() : store::NoRecord;
  if (rc != store::Ok && rc != store::NoRecord) return failed(t.error(), std::string("Не удалось прочитать ") + what);
  if (rc == store::NoRecord) rec = R{};
  change(rec);
  if ((rc == store::Ok ? t.put() : t.add()) != store::Ok) return failed(t.error(), std::string("Не удалось записать ") + what);
  if (tx.commit() != store::Ok) return failed(tx.error(), std::string("Не удалось записать ") + what);
  return {};
}

}  // namespace

int kindOfTab(int tab, bool keywords) {
  static const int kinds[kEditorTabs] = {1, 3, 2, 4, 5, 7};
  if (tab < 0 || tab >= kEditorTabs) return 1;
  if (tab == 4 && !keywords) return 6;
  return kinds[tab];
}

int tabOfKind(int kind) {
  switch (kind) {
    case 3: return 1;
    case 2: return 2;
    case 4: return 3;
    case 5:
    case 6: return 4;
    case 7: return 5;
    default: return 0;
  }
}

int nextLayout(int layout) {
  if (layout <= 0) return 0;
  return layout >= 5 ? 1 : layout + 1;
}

Box pictureBox(int layout, int w, int h) {
  switch (layout) {
    case 1: return {17, 15, 295, 187};
    case 3:
      if (w <= 0 || h <= 0) return {};
      return {17, 15, w * 201 / h, 201};
    case 4: return {17, 15, std::max(w, 0), std::max(h, 0)};
    case 5: return {17 + (295 - w) / 2, 15 + (187 - h) / 2, std::max(w, 0), std::max(h, 0)};
    default: return {};
  }
}

std::string frameDefaultsFile(const setup::Installation& inst) { return inst.work(tables::files::VopParam); }

Outcome readFrameDefaults(const std::string& file, tables::VopParam& out) {
  out = tables::VopParam{};
  store::Table t(tables::vopParamDef(), out, file);
  if (t.createIfMissing() != store::Ok || t.open(store::Shared) != store::Ok)
    return failed(t.error(), "Не удалось открыть параметры нового кадра");
  const int rc = t.set() == store::Ok ? t.next() : store::NoRecord;
  if (rc == store::NoRecord) out = tables::VopParam{};
  else if (rc != store::Ok) return failed(t.error(), "Не удалось прочитать параметры нового кадра");
  return {};
}

Outcome writeFrameDefaults(const std::string& file, const tables::Vop& v) {
  return rewriteSettings<tables::VopParam>(tables::vopParamDef(), file, "параметры нового кадра", [&](tables::VopParam& d) {
    d.VARTEST = v.VARTEST;
    d.LEVEL = v.LEVEL;
    d.TIMEVOP = v.TIMEVOP;
    d.KOLPOP = v.KOLPOP;
    d.BALLVOP = v.BALLVOP;
    d.CODERAZ = v.CODERAZ;
    d.RAZDEL = v.RAZDEL.view();
    d.TYPEKADR = v.TYPEKADR;
    d.TYPEEDIT = v.TYPEEDIT.view();
  });
}

Outcome writeTestFont(const std::string& file, const FrameFont& q, const FrameFont& a) {
  return rewriteSettings<tables::TuneTest>(tables::tuneTestDef(), file, "настройки тестирования", [&](tables::TuneTest& t) {
    const FrameFont* f[2] = {&q, &a};
    for (std::size_t i = 0; i < 2; ++i) {
      t.FONTNAME[i] = cp1251::fromUtf8(f[i]->family);
      t.FONTSIZE[i] = f[i]->pointSize;
      t.FONTSTYLE[i] = f[i]->style;
      t.FONTCOLOR[i] = static_cast<std::int32_t>(f[i]->colour);
    }
    // Without it the Examiner keeps its own font.
    t.YESFONT = 1;
  });
}

Outcome listSections(testfile::TestFile& tf, std::vector<SectionEntry>& out) {
  out.clear();
  int rc = tf.razdelT.set(tf.razdelT.key("KEYCODERAZ"));
  while (rc == store::Ok && (rc = tf.razdelT.next()) == store::Ok)
    out.push_back({tf.razdel.CODERAZ, cp1251::toUtf8(std::string(tf.razdel.NAME.view()))});
  if (rc != store::NoRecord && rc != store::Ok) return failed(tf.razdelT.error(), "Не удалось прочитать разделы теста");
  return {};
}

void assignSection(tables::Vop& v, const std::vector<SectionEntry>& sections, int number) {
  auto it = std::find_if(sections.begin(), sections.end(), [&](const SectionEntry& s) { return s.number == number; });
  if (number <= 0 || it == sections.end()) {
    v.CODERAZ = 0;
    v.RAZDEL.clear();
    return;
  }
  v.CODERAZ = static_cast<std::uint8_t>(number);
  v.RAZDEL = cp1251::fromUtf8(it->name);
}

void settleSection(tables::Vop& v, const std::vector<SectionEntry>& sections, bool bySections, const std::string& remembered) {
  auto byNumber = [&](int n) {
    return std::find_if(sections.begin(), sections.end(), [&](const SectionEntry& s) { return s.number == n; });
  };
  if (bySections && v.CODERAZ != 0 && byNumber(v.CODERAZ) == sections.end()) {
    v.CODERAZ = 0;
    v.RAZDEL.clear();
  }
  if (v.RAZDEL.blank() && !remembered.empty()) {
    auto it = std::find_if(sections.begin(), sections.end(), [&](const SectionEntry& s) { return s.name == remembered; });
    if (it != sections.end()) assignSection(v, sections, it->number);
  }
}

FrameParameters parametersOf(const tables::Vop& v) {
  FrameParameters p;
  p.section = v.CODERAZ;
  p.sectionName = cp1251::toUtf8(std::string(v.RAZDEL.view()));
  p.variant = v.VARTEST;
  p.points = v.BALLVOP;
  p.level = v.LEVEL;
  p.time = v.TIMEVOP;
  p.attempts = v.KOLPOP;
  return p;
}

std::vector<std::string> applyParameters(tables::Vop& v, const FrameParameters& p, const std::vector<SectionEntry>& sections) {
  std::vector<std::string> problems;
  auto within = [&](int value, int lo, int hi, const char* what) {
    if (value < lo || value > hi)
      problems.push_back(std::string(what) + ": допустимо от " + std::to_string(lo) + " до " + std::to_string(hi) + ".");
  };
  within(p.variant, 0, 255, "Вариант теста");
  within(p.points, 0, 65535, "Балл");
  within(p.level, 0, 5, "Уровень");
  within(p.time, 0, 65535, "Время");
  within(p.attempts, 1, 255, "Попыток");
  // The frame's own section stays even when the test has no record of it.
  if (p.section != 0 && p.section != v.CODERAZ && std::none_of(sections.begin(), sections.end(), [&](const SectionEntry& s) { return s.number == p.section; }))
    problems.push_back("Раздела " + std::to_string(p.section) + " в тесте нет.");
  if (!problems.empty()) return problems;
  if (p.section != v.CODERAZ) assignSection(v, sections, p.section);
  v.VARTEST = static_cast<std::uint8_t>(p.variant);
  v.BALLVOP = static_cast<std::uint16_t>(p.points);
  v.LEVEL = static_cast<std::uint8_t>(p.level);
  v.TIMEVOP = static_cast<std::uint16_t>(p.time);
  v.KOLPOP = static_cast<std::uint8_t>(p.attempts);
  return problems;
}

}  // namespace constructor
