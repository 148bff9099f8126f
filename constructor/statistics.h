#pragma once
// The title statistics of a test, recomputed from its frames inside the
// transaction of every change, so that they never drift.
#include <string>
#include <vector>

#include "test_file.h"
#include "test_register.h"

namespace constructor {

// The points the Examiner credits a frame's own key: its weights under
// TEM:DIFFBALL, else VOP:BALLVOP; times its level (0 counted as 1) when
// the test multiplies by levels.
long creditedPoints(const tables::Vop& v, const tables::Tema& tema);

// Reads the title record afresh (keeping TIT:KOLRUN as another station
// left it), sets frames, pictures and objects, sections and levels and
// their points from the frames, writes it, and writes RAZ:KOLZAD of every
// section. Call it inside a transaction over the test's tables.
int recount(testfile::TestFile& tf, store::ErrorInfo* error = nullptr);

// "Обновить" on the scenario's page "Справка": the same recount in a
// transaction of its own; the title record is read back into tf.titul.
Outcome refreshStatistics(testfile::TestFile& tf);

// The list "Характеристика заданий": sections, levels, multimedia and the
// test's greatest points, from the title and the sections (UTF-8).
struct StatisticsRow {
  std::string label, value;
};
std::vector<StatisticsRow> statisticsRows(const tables::Tema& tema, const tables::Titul& titul,
                                          const std::vector<tables::Razdel>& sections);

}  // namespace constructor
