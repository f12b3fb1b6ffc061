#pragma once
// FEMAP neutral model files of simulator models, for tests of the neutral model reader: the
// header (100), coordinate systems (405), nodes (403), elements (404), properties (402),
// materials (601), functions (420), one block 506 per constraint set and one block 507 per
// load set, in the record layouts of version 8.1 (femapsim/neutral_layout.h); then the
// simulator's member block (9000) with what those blocks have no field for. CR LF line ends.

#include <string>

#include "femapsim/model.h"

namespace testing_support {

std::string writeNeutralModel(const femapsim::Model& model);

}  // namespace testing_support
