#include "resultfiles/femap_vectors.h"

#include <charconv>
#include <cmath>
#include <functional>

namespace resultfiles {
namespace {

constexpr int kDisplacementOutput = 1;
constexpr int kStressOutput = 4;

template <typename Row>
void addVector(OutputSet& set, int id, const char* title, int entityType, int outputType, const std::vector<Row>& rows,
               const std::function<int(const Row&)>& entity, const std::function<double(const Row&)>& value) {
  if (rows.empty()) return;
  OutputVector vector{id, title, entityType, outputType, {}, {}};
  vector.entities.reserve(rows.size());
  vector.values.reserve(rows.size());
  for (const Row& row : rows) {
    vector.entities.push_back(entity(row));
    vector.values.push_back(value(row));
  }
  set.vectors.push_back(std::move(vector));
}

struct FibreVector {
  int offset;
  const char* name;
  float PlateFibre::*field;
};
constexpr FibreVector kFibreVectors[] = {
    {20, "X Normal Stress", &PlateFibre::normalX}, {21, "Y Normal Stress", &PlateFibre::normalY},
    {23, "XY Shear Stress", &PlateFibre::shearXY}, {26, "MajorPrn Stress", &PlateFibre::major},
    {27, "MinorPrn Stress", &PlateFibre::minor},   {28, "PrnStr Angle", &PlateFibre::angle},
    {33, "VonMises Stress", &PlateFibre::vonMises},
};

constexpr int kPlateTopBase = 7000;
constexpr int kPlateBottomBase = 9000;

void addPlateVectors(OutputSet& set, const std::vector<PlateStress>& plates) {
  for (bool top : {true, false}) {
    for (const FibreVector& fibre : kFibreVectors) {
      std::string title = std::string(top ? "Plate Top " : "Plate Bot ") + fibre.name;
      addVector<PlateStress>(
          set, (top ? kPlateTopBase : kPlateBottomBase) + fibre.offset, title.c_str(), kElementalOutput, kStressOutput,
          plates, [](const PlateStress& plate) { return plate.element; },
          [&](const PlateStress& plate) { return widen((top ? plate.top : plate.bottom).*fibre.field); });
    }
  }
}

void addSolidVectors(OutputSet& set, const std::vector<SolidStress>& solids) {
  struct SolidVector {
    int id;
    const char* title;
    std::function<float(const SolidPoint&)> value;
  };
  const SolidVector vectors[] = {
      {60020, "Solid X Normal Stress", [](const SolidPoint& p) { return p.normalX; }},
      {60021, "Solid Y Normal Stress", [](const SolidPoint& p) { return p.normalY; }},
      {60022, "Solid Z Normal Stress", [](const SolidPoint& p) { return p.normalZ; }},
      {60023, "Solid XY Shear Stress", [](const SolidPoint& p) { return p.shearXY; }},
      {60024, "Solid YZ Shear Stress", [](const SolidPoint& p) { return p.shearYZ; }},
      {60025, "Solid ZX Shear Stress", [](const SolidPoint& p) { return p.shearZX; }},
      {60026, "Solid MaxPrn Stress", [](const SolidPoint& p) { return p.principal[0]; }},
      {60027, "Solid MidPrn Stress", [](const SolidPoint& p) { return p.principal[1]; }},
      {60028, "Solid MinPrn Stress", [](const SolidPoint& p) { return p.principal[2]; }},
      {60031, "Solid Von Mises Stress", [](const SolidPoint& p) { return p.vonMises; }},
  };
  for (const SolidVector& vector : vectors)
    addVector<SolidStress>(
        set, vector.id, vector.title, kElementalOutput, kStressOutput, solids,
        [](const SolidStress& solid) { return solid.element; },
        [&](const SolidStress& solid) { return solid.points.empty() ? 0.0 : widen(vector.value(solid.points.front())); });
}

// Two lists in ascending entity order merged into one.
template <typename Row>
std::vector<Row> merged(const std::vector<Row>& a, const std::vector<Row>& b) {
  std::vector<Row> all;
  all.reserve(a.size() + b.size());
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (j == b.size() || (i < a.size() && a[i].element < b[j].element)) all.push_back(a[i++]);
    else all.push_back(b[j++]);
  }
  return all;
}

}  // namespace

double widen(float value) {
  if (!std::isfinite(value)) return static_cast<double>(value);
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  double result = 0;
  std::from_chars(text, end, result);
  return result;
}

std::string outputSetTitle(int subcase) { return "NX NASTRAN Case " + std::to_string(subcase); }

OutputSet outputSetFor(const SubcaseResults& subcase, int setId) {
  OutputSet set;
  set.id = setId;
  set.title = outputSetTitle(subcase.subcase);
  set.subcase = subcase.subcase;
  const auto& grids = subcase.displacements;
  auto grid = [](const GridDisplacement& row) { return row.grid; };
  auto length = [](const GridDisplacement& row, int first) {
    double a = widen(row.values[first]), b = widen(row.values[first + 1]), c = widen(row.values[first + 2]);
    return std::sqrt(a * a + b * b + c * c);
  };
  addVector<GridDisplacement>(set, 1, "Total Translation", kNodalOutput, kDisplacementOutput, grids, grid,
                              [&](const GridDisplacement& row) { return length(row, 0); });
  const char* translations[] = {"T1 Translation", "T2 Translation", "T3 Translation"};
  for (int axis = 0; axis < 3; ++axis)
    addVector<GridDisplacement>(set, 2 + axis, translations[axis], kNodalOutput, kDisplacementOutput, grids, grid,
                                [axis](const GridDisplacement& row) { return widen(row.values[axis]); });
  addVector<GridDisplacement>(set, 5, "Total Rotation", kNodalOutput, kDisplacementOutput, grids, grid,
                              [&](const GridDisplacement& row) { return length(row, 3); });
  const char* rotations[] = {"R1 Rotation", "R2 Rotation", "R3 Rotation"};
  for (int axis = 0; axis < 3; ++axis)
    addVector<GridDisplacement>(set, 6 + axis, rotations[axis], kNodalOutput, kDisplacementOutput, grids, grid,
                                [axis](const GridDisplacement& row) { return widen(row.values[3 + axis]); });

  auto rodElement = [](const RodStress& rod) { return rod.element; };
  addVector<RodStress>(set, 3022, "Rod Axial Stress", kElementalOutput, kStressOutput, subcase.rods, rodElement,
                       [](const RodStress& rod) { return widen(rod.axial); });
  addVector<RodStress>(set, 3023, "Rod Axial Safety Margin", kElementalOutput, kStressOutput, subcase.rods, rodElement,
                       [](const RodStress& rod) { return widen(rod.axialMargin); });
  addVector<RodStress>(set, 3024, "Rod Torsional Stress", kElementalOutput, kStressOutput, subcase.rods, rodElement,
                       [](const RodStress& rod) { return widen(rod.torsion); });
  addVector<RodStress>(set, 3025, "Rod Torsional Safety Margin", kElementalOutput, kStressOutput, subcase.rods,
                       rodElement, [](const RodStress& rod) { return widen(rod.torsionMargin); });
  addPlateVectors(set, merged(subcase.quads, subcase.trias));
  addSolidVectors(set, merged(subcase.tetras, subcase.hexas));
  return set;
}

}  // namespace resultfiles
