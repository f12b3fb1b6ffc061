#pragma once
// The file formats the run-time programs hand to FEMAP, by the format tag that stands in the
// exchange files ("(FEMAP)", "(NastranNX)", ...): which reader or writer FEMAP offers for
// it and with which arguments. Tags are compared exactly.
//
// Each call answers FEMAP's return code, or nullopt when the tag is not in its table (then
// nothing is called). A failing automation call throws femap::Error.

#include <optional>
#include <string>
#include <string_view>

#include "femap/wrappers.h"

namespace runtime {

// Loads the reference model (the model file or another model format).
std::optional<int> readReferenceModel(const femap::Application& femap, std::string_view tag,
                                      const std::string& path);

// Writes the solver input deck of the current model.
std::optional<int> writeInputDeck(const femap::Application& femap, std::string_view tag,
                                  const std::string& path);

// Reads a solver's results into the current model.
std::optional<int> readResultsFile(const femap::Application& femap, std::string_view tag,
                                   const std::string& path);

}  // namespace runtime
