#pragma once
// FEMAP neutral model files, as feFileReadNeutral reads them with its model switches: the
// header (100), coordinate systems (405), nodes (403), elements (404), properties (402),
// materials (601), functions (420), constraint sets with their constraints and equations (506),
// load sets with their body loads and loads (507), and the simulator's own block of members
// (9000); results blocks and every other block are passed over. The version in block 100 says
// which record layouts the blocks use (femapsim/neutral_layout.h). A file with any fault is
// refused whole with the file, the line and the reason.

#include <string_view>
#include <vector>

#include "femapsim/model.h"

namespace femapsim {

// The model a neutral file holds, IDs as the file gives them. Loads, temperatures and
// geometric loads are numbered from 1 within their set in the order the file lists them.
// Throws ModelFileError. The IDs of the blocks passed over go to `passedBlocks` when given.
Model readNeutralModel(std::string_view text, std::string_view fileName, std::vector<int>* passedBlocks = nullptr);

}  // namespace femapsim
