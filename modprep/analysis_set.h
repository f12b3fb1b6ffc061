#pragma once
// The analysis set the deck is written with: Nastran (solver 31) with the preferred analysis
// type, standard executive and bulk sections skipped in favour of FEMAP's own, stored as set
// 9000000, made active and deleted again before the deck is written.

#include "runtime/run.h"

namespace modprep {

inline constexpr int kNastranSolver = 31;
inline constexpr int kDeckAnalysisSetId = 9000000;

// Every step runs under the resume policy; failures wait for the next checkpoint.
void buildAnalysisSet(runtime::Run& run);

}  // namespace modprep
