// The mass properties of the whole mesh, measured by FEMAP, and the quantity each
// mass-property word of an output row selects.
#include "femap/return_codes.h"
#include "outputs/outputs.h"
#include "support/err.h"
#include "support/number_text.h"

namespace outputs {

namespace {

constexpr std::string_view kScalarWords[] = {
    "Length", "Area", "Vol", "MassStructural", "MassNonStructural", "MassTotal"};
constexpr std::string_view kArrayWords[] = {"StructuralCG", "NonStructuralCG", "TotalCG", "Inertia",
                                            "InertiaCG"};

}  // namespace

MeshMass measureMeshMass(const femap::Application& femap, const femap::Set& elements) {
  femap::Variant scalars[6];
  femap::Variant arrays[5];
  using femap::Variant;
  const int code =
      femap.object()
          .call("feMeasureMeshMassProp", elements.ID(), 0, false, false, Variant::byRef(scalars[0]),
                Variant::byRef(scalars[1]), Variant::byRef(scalars[2]), Variant::byRef(scalars[3]),
                Variant::byRef(scalars[4]), Variant::byRef(scalars[5]), Variant::byRef(arrays[0]),
                Variant::byRef(arrays[1]), Variant::byRef(arrays[2]), Variant::byRef(arrays[3]),
                Variant::byRef(arrays[4]))
          .asInt();
  if (code != femap::kOk) {
    throw support::RuntimeError("FEMAP could not measure the mass properties of the mesh (code " +
                                support::formatInteger(code) + ")");
  }
  MeshMass mass;
  for (std::size_t k = 0; k < mass.scalars.size(); ++k) mass.scalars[k] = scalars[k].asDouble();
  for (std::size_t k = 0; k < mass.arrays.size(); ++k) mass.arrays[k] = arrays[k].asDoubles();
  return mass;
}

std::optional<double> massQuantity(const MeshMass& mass, std::string_view word,
                                   std::string_view component) {
  for (std::size_t k = 0; k < std::size(kScalarWords); ++k) {
    if (word == kScalarWords[k]) return mass.scalars[k];
  }
  for (std::size_t k = 0; k < std::size(kArrayWords); ++k) {
    if (word != kArrayWords[k]) continue;
    const std::optional<std::int64_t> index = support::parseInteger(component);
    if (!index) {
      throw support::RuntimeError("the component \"" + std::string(component) +
                                  "\" is not a number");
    }
    const std::vector<double>& values = mass.arrays[k];
    if (*index < 0 || *index >= static_cast<std::int64_t>(values.size())) {
      throw support::RuntimeError("Subscript out of range: " + std::string(word) +
                                  " has no component " + std::string(component));
    }
    return values[static_cast<std::size_t>(*index)];
  }
  return std::nullopt;
}

}  // namespace outputs
