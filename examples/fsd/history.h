#pragma once
// The loop's history as a CSV table and as an SVG convergence plot.

#include <filesystem>

#include "fsd/fsd_loop.h"

namespace fsd {

void writeHistoryCsv(const Result& result, const std::filesystem::path& file);
// Two panels: the weight per iteration, and the largest relative change of an area on a
// logarithmic scale.
void writeConvergenceSvg(const Result& result, const std::filesystem::path& file);

}  // namespace fsd
