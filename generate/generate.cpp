#include "generate/generate.h"

#include "pane/corvane_femap_interface.h"

namespace generate {

void writeProjectFiles(pane::CorvaneFemapInterface& /*pane*/, const std::string& /*tool*/) {}

}  // namespace generate
