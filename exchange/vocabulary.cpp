#include "exchange/vocabulary.h"

#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace exchange {

bool isLoadKind(std::string_view entityType) {
  return entityType == kLoadMeshWord || entityType == kLoadGeomWord ||
         entityType == kLoadETempWord || entityType == kLoadNTempWord;
}

bool isEntityKind(std::string_view entityType) {
  static constexpr std::string_view kEntityKinds[] = {
      kNodeWord, kElementWord, kPropertyWord, kMaterialWord, "LoadSet", "BCNode",
      "BCGeom",  "CSys",       "Point",       "Curve",       "Surface"};
  for (std::string_view kind : kEntityKinds) {
    if (support::equalsIgnoreCase(kind, entityType)) return true;
  }
  return false;
}

std::optional<double> massQuantity(const MassProperties& mass, std::string_view word,
                                   std::int64_t component) {
  for (std::size_t k = 0; k < kMassScalarWords.size(); ++k) {
    if (word == kMassScalarWords[k]) return mass.scalars[k];
  }
  for (std::size_t k = 0; k < kMassArrayWords.size(); ++k) {
    if (word != kMassArrayWords[k]) continue;
    const std::vector<double>& values = mass.arrays[k];
    if (component < 0 || component >= static_cast<std::int64_t>(values.size())) {
      throw support::RuntimeError("Subscript out of range: " + std::string(word) +
                                  " has no component " + support::formatInteger(component));
    }
    return values[static_cast<std::size_t>(component)];
  }
  return std::nullopt;
}

std::string savedSelectionFileName(std::string_view base) {
  return std::string(base) + "Control.txt";
}

}  // namespace exchange
