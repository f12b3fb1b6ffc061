#pragma once
// FEMAP neutral files (text) as far as results go: the header block (100), output sets (450)
// and output vectors (1051, as current FEMAP versions write them; the older 451 is read
// too). Blocks open with a "   -1" line and the block ID and close with "   -1"; every other
// block is passed over.

#include <string>
#include <string_view>
#include <vector>

#include "resultfiles/femap_vectors.h"

namespace resultfiles {

struct NeutralFile {
  std::string title;  // of the database; "<NULL>" in the file when empty
  std::string version = "11.4";
  std::vector<OutputSet> sets;  // each with its vectors
};

// The file's text, CR LF line ends: 100, then 450 with every set, then 1051 with every
// vector (one entity and value per record).
std::string writeNeutral(const NeutralFile& file);

// Reads a whole file; throws FormatError with the line for a truncated, damaged or foreign
// file. Lines may end in CR LF or LF; fields are separated by commas and blanks.
NeutralFile readNeutral(std::string_view text, const std::string& fileName);

}  // namespace resultfiles
