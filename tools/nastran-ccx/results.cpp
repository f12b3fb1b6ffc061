#include "results.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "failure.h"
#include "numbers.h"

namespace nastranccx {
namespace {

// A free DOF balances when internal and applied force agree to this fraction
// of the largest force in the model; pressures on warped shells are allowed a
// little more, because CalculiX spreads them over the shell's faces.
constexpr double kBalanceTolerance = 1e-4;
constexpr double kWarpedPressureTolerance = 0.05;

double vonMises(const StressTensor& s) {
  double normal = (s[0] - s[1]) * (s[0] - s[1]) + (s[1] - s[2]) * (s[1] - s[2]) + (s[2] - s[0]) * (s[2] - s[0]);
  double shear = s[3] * s[3] + s[4] * s[4] + s[5] * s[5];
  return std::sqrt(0.5 * normal + 3 * shear);
}

// The normal stress along the unit vector n: n'Sn.
double stressAlong(const StressTensor& s, const Vec3& n) {
  return n[0] * n[0] * s[0] + n[1] * n[1] * s[1] + n[2] * n[2] * s[2] +
         2 * (n[0] * n[1] * s[3] + n[0] * n[2] * s[4] + n[1] * n[2] * s[5]);
}

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') result += '\\';
    result += c;
  }
  return result + "\"";
}

class OutputSetMaker {
 public:
  OutputSetMaker(const Model& model, const CcxJob& job, const CcxDatResults& results, const std::string& datName)
      : model_(model), job_(job), results_(results), datName_(datName) {}

  OutputSet make() {
    if (!results_.hasDisplacements) fail("no displacement block");
    if (!results_.hasForces) fail("no force block");
    if (!results_.hasStresses) fail("no stress block");
    std::map<int, Vec3> displacements = byGrid(results_.displacements, "displacement");
    std::map<int, Vec3> forces = byGrid(results_.forces, "force");
    std::map<int, std::vector<StressTensor>> stresses = byElement();
    checkBalance(forces);

    OutputSet set;
    set.title = "NX NASTRAN Case " + std::to_string(model_.selection.subcaseId);
    addTranslations(set, displacements);
    addElementVector(set, kRodAxialStressId, "Rod Axial Stress", stresses, {ElementType::Rod},
                     [&](const Element& element, const StressTensor& stress) {
                       return stressAlong(stress, rodDirection(element));
                     });
    addElementVector(set, kPlateVonMisesId, "Plate VonMises Stress", stresses,
                     {ElementType::Quad4, ElementType::Tria3},
                     [](const Element&, const StressTensor& stress) { return vonMises(stress); });
    addElementVector(set, kSolidVonMisesId, "Solid Von Mises Stress", stresses,
                     {ElementType::Tetra4, ElementType::Hexa8},
                     [](const Element&, const StressTensor& stress) { return vonMises(stress); });
    return set;
  }

 private:
  [[noreturn]] void fail(const std::string& reason) const { throw Failure(datName_ + ": " + reason); }

  std::map<int, Vec3> byGrid(const std::map<int, Vec3>& rows, const char* what) const {
    std::map<int, Vec3> result;
    for (const auto& [node, row] : rows) {
      auto grid = job_.nodes.toNastran(node);
      if (!grid) fail(std::string(what) + " row for node " + std::to_string(node) + ", which is no grid of the deck");
      result.emplace(*grid, row);
    }
    for (const auto& [id, grid] : model_.grids)
      if (!result.count(id)) fail("no " + std::string(what) + " row for grid " + std::to_string(id));
    return result;
  }

  std::map<int, std::vector<StressTensor>> byElement() const {
    std::map<int, std::vector<StressTensor>> result;
    std::map<std::string, std::size_t> rowsByType;
    for (const auto& [number, points] : results_.stresses) {
      auto element = job_.elements.toNastran(number);
      if (!element) fail("stress rows for element " + std::to_string(number) + ", which is no element of the deck");
      result.emplace(*element, points);
    }
    for (const auto& [id, element] : model_.elements) {
      const std::string& type = job_.ccxTypes.at(id);
      auto found = result.find(id);
      std::size_t rows = found == result.end() ? 0 : found->second.size();
      std::string label = std::string(cardName(element.type)) + " " + std::to_string(id);
      if (!stressRowsPerElement(type).count(rows))
        fail(label + " has " + std::to_string(rows) + " stress rows, which is not what a " + type + " element prints");
      auto [sameType, inserted] = rowsByType.emplace(type, rows);
      if (!inserted && sameType->second != rows)
        fail(label + " has " + std::to_string(rows) + " stress rows, other " + type + " elements have " +
             std::to_string(sameType->second));
    }
    return result;
  }

  // Internal force (printed as RF) must equal the applied load at every free
  // DOF. A singular system solves to numbers that break this badly.
  void checkBalance(const std::map<int, Vec3>& forces) const {
    double largest = job_.forceScale;
    for (const auto& [grid, force] : forces)
      for (double component : force) largest = std::max(largest, std::abs(component));
    for (const auto& [grid, balance] : job_.balance)
      for (int axis = 0; axis < 3; ++axis)
        largest = std::max({largest, std::abs(balance.pointForce[axis] + balance.pressureForce[axis])});
    if (largest == 0) return;

    static const GridBalance kUnloaded;
    for (const auto& [grid, force] : forces) {
      auto found = job_.balance.find(grid);
      const GridBalance& balance = found == job_.balance.end() ? kUnloaded : found->second;
      for (int axis = 0; axis < 3; ++axis) {
        if (balance.fixed[axis]) continue;
        double applied = balance.pointForce[axis] + balance.pressureForce[axis];
        double allowed = kBalanceTolerance * largest + kWarpedPressureTolerance * balance.pressureShare;
        if (std::abs(force[axis] - applied) > allowed)
          throw Failure(model_.fileName + ": the model is singular or a mechanism (is it supported against every "
                        "rigid-body motion?): at grid " + std::to_string(grid) + ", direction " +
                        std::to_string(axis + 1) + ", the solution carries a force of " + formatReal(force[axis]) +
                        " where " + formatReal(applied) + " is applied");
      }
    }
  }

  Vec3 rodDirection(const Element& element) const {
    const Vec3& a = model_.grids.at(element.grids[0]).position;
    const Vec3& b = model_.grids.at(element.grids[1]).position;
    Vec3 d{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    return {d[0] / length, d[1] / length, d[2] / length};
  }

  void addTranslations(OutputSet& set, const std::map<int, Vec3>& displacements) const {
    OutputVector total{kTotalTranslationId, "Total Translation", {}, {}};
    OutputVector components[3] = {{kTotalTranslationId + 1, "T1 Translation", {}, {}},
                                  {kTotalTranslationId + 2, "T2 Translation", {}, {}},
                                  {kTotalTranslationId + 3, "T3 Translation", {}, {}}};
    for (auto [grid, u] : displacements) {
      // A constrained DOF does not move; CalculiX prints round-off there.
      if (auto balance = job_.balance.find(grid); balance != job_.balance.end())
        for (int axis = 0; axis < 3; ++axis)
          if (balance->second.fixed[axis]) u[axis] = 0;
      total.entities.push_back(grid);
      total.values.push_back(std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
      for (int axis = 0; axis < 3; ++axis) {
        components[axis].entities.push_back(grid);
        components[axis].values.push_back(u[axis]);
      }
    }
    set.vectors.push_back(std::move(total));
    for (OutputVector& component : components) set.vectors.push_back(std::move(component));
  }

  // The mean over the element's integration points of a value at each point.
  template <typename PointValue>
  void addElementVector(OutputSet& set, int id, const char* title,
                        const std::map<int, std::vector<StressTensor>>& stresses,
                        std::initializer_list<ElementType> types, PointValue pointValue) const {
    OutputVector vector{id, title, {}, {}};
    for (const auto& [elementId, element] : model_.elements) {
      if (std::find(types.begin(), types.end(), element.type) == types.end()) continue;
      const std::vector<StressTensor>& points = stresses.at(elementId);
      double sum = 0;
      for (const StressTensor& stress : points) sum += pointValue(element, stress);
      vector.entities.push_back(elementId);
      vector.values.push_back(sum / static_cast<double>(points.size()));
    }
    if (!vector.entities.empty()) set.vectors.push_back(std::move(vector));
  }

  const Model& model_;
  const CcxJob& job_;
  const CcxDatResults& results_;
  std::string datName_;
};

// A file that is removed when it goes away, unless it was committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (committed_) return;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::filesystem::path& path() const { return path_; }
  void commit() { committed_ = true; }

 private:
  std::filesystem::path path_;
  bool committed_ = false;
};

}  // namespace

OutputSet makeOutputSet(const Model& model, const CcxJob& job, const CcxDatResults& results,
                        const std::string& datName) {
  return OutputSetMaker(model, job, results, datName).make();
}

std::string formatResultsFile(const OutputSet& set) {
  std::string text = "FEMAPSIM 1\r\n";
  text += "outset " + std::to_string(set.id) + " title=" + quoted(set.title) + "\r\n";
  for (const OutputVector& vector : set.vectors) {
    text += "outvec " + std::to_string(vector.id) + " setID=" + std::to_string(set.id) + " title=" +
            quoted(vector.title) + " entity=";
    for (std::size_t i = 0; i < vector.entities.size(); ++i)
      text += (i ? "," : "") + std::to_string(vector.entities[i]);
    text += " value=";
    for (std::size_t i = 0; i < vector.values.size(); ++i) text += (i ? "," : "") + formatReal(vector.values[i]);
    text += "\r\n";
  }
  return text;
}

void writeFileAtomically(const std::filesystem::path& target, const std::string& content) {
  TemporaryFile temporary(target.string() + ".tmp" + std::to_string(::getpid()));
  {
    std::ofstream stream(temporary.path(), std::ios::binary | std::ios::trunc);
    if (!stream) throw Failure(temporary.path().string() + ": cannot create the file");
    stream.write(content.data(), static_cast<std::streamsize>(content.size()));
    stream.close();
    if (!stream) throw Failure(temporary.path().string() + ": cannot write the file (is the disk full?)");
  }
  std::error_code error;
  std::filesystem::rename(temporary.path(), target, error);
  if (error) throw Failure(target.string() + ": cannot replace the file: " + error.message());
  temporary.commit();
}

}  // namespace nastranccx
