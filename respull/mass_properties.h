#pragma once
// The mass properties of the whole mesh as FEMAP measures them, and the value each
// mass-property word of "Respull.txt" selects.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace respull {

struct MassValues {
  double length = 0;
  double area = 0;
  double volume = 0;
  double structuralMass = 0;
  double nonStructuralMass = 0;
  double totalMass = 0;
  std::vector<double> structuralCG;
  std::vector<double> nonStructuralCG;
  std::vector<double> totalCG;
  std::vector<double> inertia;
  std::vector<double> inertiaCG;
};

// The value `word` selects ("Length", "MassTotal", "TotalCG", ...; compared exactly), with
// `component` indexing the arrays; nullopt for a word not in the table. A component outside
// its array throws support::RuntimeError("Subscript out of range").
std::optional<double> massProperty(const MassValues& mass, std::string_view word,
                                   std::int16_t component);

}  // namespace respull
