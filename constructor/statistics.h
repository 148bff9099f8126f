#pragma once
// The title statistics of a test, recomputed from its frames inside the
// transaction of every change, so that they never drift.
#include "test_file.h"

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

}  // namespace constructor
