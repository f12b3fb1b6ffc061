// The mass properties of the whole mesh, measured by FEMAP, and the quantity each
// mass-property word of an output row selects.
#include <algorithm>

#include "femap/return_codes.h"
#include "outputs/outputs.h"
#include "support/err.h"
#include "support/number_text.h"

namespace outputs {

exchange::MassProperties measureMeshMass(const femap::Application& femap,
                                         const femap::Set& elements) {
  exchange::MassProperties mass;
  const int code = femap.feMeasureMeshMassProp(elements.ID(), mass.scalars, mass.arrays);
  if (code != femap::kOk) {
    throw support::RuntimeError("FEMAP could not measure the mass properties of the mesh (code " +
                                support::formatInteger(code) + ")");
  }
  return mass;
}

std::optional<double> massQuantity(const exchange::MassProperties& mass, std::string_view word,
                                   std::string_view component) {
  const auto& arrays = exchange::kMassArrayWords;
  if (std::find(arrays.begin(), arrays.end(), word) == arrays.end()) {
    return exchange::massQuantity(mass, word, 0);
  }
  const std::optional<std::int64_t> index = support::parseInteger(component);
  if (!index) {
    throw support::RuntimeError("the component \"" + std::string(component) +
                                "\" is not a number");
  }
  return exchange::massQuantity(mass, word, *index);
}

}  // namespace outputs
