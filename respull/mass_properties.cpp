#include "respull/mass_properties.h"

#include <array>
#include <utility>

#include "support/err.h"

namespace respull {
namespace {

double componentOf(const std::vector<double>& values, std::int16_t component) {
  if (component < 0 || static_cast<std::size_t>(component) >= values.size()) {
    throw support::RuntimeError("Subscript out of range");
  }
  return values[static_cast<std::size_t>(component)];
}

}  // namespace

std::optional<double> massProperty(const MassValues& mass, std::string_view word,
                                   std::int16_t component) {
  using Scalar = double MassValues::*;
  using Array = std::vector<double> MassValues::*;
  static constexpr std::array<std::pair<std::string_view, Scalar>, 6> scalars{{
      {"Length", &MassValues::length},
      {"Area", &MassValues::area},
      {"Vol", &MassValues::volume},
      {"MassStructural", &MassValues::structuralMass},
      {"MassNonStructural", &MassValues::nonStructuralMass},
      {"MassTotal", &MassValues::totalMass},
  }};
  static constexpr std::array<std::pair<std::string_view, Array>, 5> arrays{{
      {"StructuralCG", &MassValues::structuralCG},
      {"NonStructuralCG", &MassValues::nonStructuralCG},
      {"TotalCG", &MassValues::totalCG},
      {"Inertia", &MassValues::inertia},
      {"InertiaCG", &MassValues::inertiaCG},
  }};
  for (const auto& [name, member] : scalars) {
    if (name == word) return mass.*member;
  }
  for (const auto& [name, member] : arrays) {
    if (name == word) return componentOf(mass.*member, component);
  }
  return std::nullopt;
}

}  // namespace respull
