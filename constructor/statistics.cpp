#include "statistics.h"

#include <algorithm>

#include "answer_checking.h"
#include "cp1251.h"
#include "datetime.h"

namespace constructor {

long creditedPoints(const tables::Vop& v, const tables::Tema& tema) {
  long p = common::maxPoints(v, tema.DIFFBALL != 0);
  if (tema.MODELEVEL && tema.ADDLEVEL) p *= std::max<int>(1, v.LEVEL);
  return p;
}

namespace {

int fail(const store::Table& t, store::ErrorInfo* error) {
  if (error) *error = t.error();
  return t.errorCode() ? t.errorCode() : store::StoreSpecific;
}

std::uint16_t capped(long v) { return static_cast<std::uint16_t>(std::clamp<long>(v, 0, 65535)); }

}  // namespace

int recount(testfile::TestFile& tf, store::ErrorInfo* error) {
  // The scenario decides how points are credited.
  if (tf.temaT.set() != store::Ok || tf.temaT.next() != store::Ok) return fail(tf.temaT, error);
  const tables::Tema tema = tf.tema;
  long frames = 0, objects = 0, maxBall = 0;
  std::array<long, 7> perSection{}, sectionBall{};
  std::array<long, 5> perLevel{}, levelBall{};
  int topSection = 0, topLevel = 0;
  int rc = tf.vopT.set();
  if (rc != store::Ok) return fail(tf.vopT, error);
  while ((rc = tf.vopT.next()) == store::Ok) {
    const tables::Vop& v = tf.vop;
    ++frames;
    if (v.YESIMAGE != 0 || !v.OBJECTTYPE.blank()) ++objects;
    const long p = creditedPoints(v, tema);
    maxBall += p;
    if (v.LEVEL >= 1 && v.LEVEL <= 5) {
      ++perLevel[v.LEVEL - 1];
      levelBall[v.LEVEL - 1] += p;
      topLevel = std::max<int>(topLevel, v.LEVEL);
    }
    // Sections above 7 have no place in the title; they are left out.
    if (v.CODERAZ >= 1 && v.CODERAZ <= 7) {
      ++perSection[v.CODERAZ - 1];
      sectionBall[v.CODERAZ - 1] += p;
      topSection = std::max<int>(topSection, v.CODERAZ);
    }
  }
  if (rc != store::NoRecord) return fail(tf.vopT, error);

  // The title as stored now: the run counter may have been raised meanwhile.
  tf.titulT.watch();
  if (tf.titulT.set() != store::Ok || tf.titulT.next() != store::Ok) return fail(tf.titulT, error);
  tables::Titul& t = tf.titul;
  t.KOLVOP = std::to_string(frames);
  t.KOLOBJ = capped(objects);
  t.MAXBALL = capped(maxBall);
  for (int i = 0; i < 7; ++i) {
    t.RASPRAZ[static_cast<std::size_t>(i)] = capped(perSection[static_cast<std::size_t>(i)]);
    t.MAXBALLRAZ[static_cast<std::size_t>(i)] = capped(sectionBall[static_cast<std::size_t>(i)]);
  }
  for (int i = 0; i < 5; ++i) {
    t.RASPLEV[static_cast<std::size_t>(i)] = capped(perLevel[static_cast<std::size_t>(i)]);
    t.MAXBALLLEV[static_cast<std::size_t>(i)] = capped(levelBall[static_cast<std::size_t>(i)]);
  }
  t.KOLRAZD = static_cast<std::uint8_t>(topSection);
  t.KOLLEV = static_cast<std::uint8_t>(topLevel);
  if (tf.titulT.put() != store::Ok) return fail(tf.titulT, error);

  // Each section's frame count.
  std::vector<store::Position> sections;
  if (tf.razdelT.set() != store::Ok) return fail(tf.razdelT, error);
  while ((rc = tf.razdelT.next()) == store::Ok) sections.push_back(tf.razdelT.position());
  if (rc != store::NoRecord) return fail(tf.razdelT, error);
  for (store::Position pos : sections) {
    if (tf.razdelT.getAt(pos) != store::Ok) return fail(tf.razdelT, error);
    const int c = tf.razdel.CODERAZ;
    const std::uint16_t n = c >= 1 && c <= 7 ? capped(perSection[static_cast<std::size_t>(c - 1)]) : 0;
    if (tf.razdel.KOLZAD == n) continue;
    tf.razdel.KOLZAD = n;
    if (tf.razdelT.put() != store::Ok) return fail(tf.razdelT, error);
  }
  return store::Ok;
}

Outcome refreshStatistics(testfile::TestFile& tf) {
  store::Transaction tx{&tf.temaT, &tf.titulT, &tf.razdelT, &tf.vopT};
  auto failed = [](const store::ErrorInfo& e) {
    return Outcome{e.code ? e.code : store::StoreSpecific, "Не удалось обновить статистику теста (" + e.text() + ")."};
  };
  if (tx.begin() != store::Ok) return failed(tx.error());
  store::ErrorInfo e;
  if (recount(tf, &e) != store::Ok) return failed(e);
  if (tf.titul.CREATED == 0 || tf.titul.CREATET == 0) {
    // A title that never got its creation date gets today's.
    if (tf.titul.CREATED == 0) tf.titul.CREATED = datetime::today();
    if (tf.titul.CREATET == 0) tf.titul.CREATET = datetime::now();
    if (tf.titulT.put() != store::Ok) return failed(tf.titulT.error());
  }
  if (tx.commit() != store::Ok) return failed(tx.error());
  if (tf.titulT.set() != store::Ok || tf.titulT.next() != store::Ok) return failed(tf.titulT.error());
  return {};
}

std::vector<StatisticsRow> statisticsRows(const tables::Tema& tema, const tables::Titul& titul,
                                          const std::vector<tables::Razdel>& sections) {
  std::vector<StatisticsRow> rows;
  if (tema.YESRAZ) {
    rows.push_back({"РАЗДЕЛЫ ТЕСТА:", std::to_string(sections.size())});
    for (const auto& r : sections) {
      std::string_view name = cp1251::clip(r.NAME.view());
      rows.push_back({cp1251::toUtf8(name.substr(0, std::min<std::size_t>(20, name.size()))), std::to_string(r.KOLZAD)});
    }
  } else {
    rows.push_back({"РАЗДЕЛЫ ТЕСТА:", "нет"});
  }
  if (tema.MODELEVEL) {
    // The levels that have frames (the title's KOLLEV keeps the highest level in use).
    int used = 0;
    for (auto n : titul.RASPLEV) used += n ? 1 : 0;
    rows.push_back({"УРОВНИ СЛОЖНОСТИ:", std::to_string(used)});
    for (int l = 1; l <= 5; ++l)
      if (titul.RASPLEV[static_cast<std::size_t>(l - 1)])
        rows.push_back({std::to_string(l) + " - уровень", std::to_string(titul.RASPLEV[static_cast<std::size_t>(l - 1)])});
  } else {
    rows.push_back({"УРОВНИ СЛОЖНОСТИ:", "нет"});
  }
  rows.push_back({"Мультимедия", titul.KOLOBJ ? std::to_string(titul.KOLOBJ) : std::string("нет")});
  rows.push_back({"МАКС. БАЛЛ ЗА ТЕСТ", std::to_string(titul.MAXBALL)});
  return rows;
}

}  // namespace constructor
