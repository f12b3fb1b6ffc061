#include "ccx_job.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "composite_shells.h"
#include "failure.h"
#include "numbers.h"
#include "pressure_loads.h"
#include "shell_elements.h"
#include "solid_elements.h"

namespace nastranccx {
namespace {

constexpr int kLargestIdentityNumber = 1'000'000;

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 operator+(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 operator*(double s, const Vec3& a) { return {s * a[0], s * a[1], s * a[2]}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }

std::string real(double value) { return formatRealLimited(value); }

// Writes the CalculiX input for one model; collects the checks on the way.
class CcxJobBuilder {
 public:
  explicit CcxJobBuilder(const Model& model) : model_(model), modelSize_(measureModelSize(model)) {}

  CcxJob build() {
    job_.nodes = IdMap(keys(model_.grids));
    job_.elements = IdMap(keys(model_.elements));
    findRotationalGrids();
    out_ << "** CalculiX input written by nastran-ccx from " << model_.fileName << "\n";
    writeNodes();
    writeElements();
    writeMaterials();
    writeSections();
    writeInitialTemperatures();
    out_ << "*STEP\n*STATIC\n";
    writeBoundaries();
    writeNodalLoads();
    writePressures();
    writeCloads();
    writeTemperatures();
    out_ << "*NODE PRINT, NSET=NALL\nU, RF\n*EL PRINT, ELSET=EALL\nS\n*END STEP\n";
    job_.forceScale = forceScale();
    job_.inputText = out_.str();
    return std::move(job_);
  }

 private:
  template <typename Entity>
  static std::vector<int> keys(const std::map<int, Entity>& entities) {
    std::vector<int> ids;
    for (const auto& entry : entities) ids.push_back(entry.first);
    return ids;
  }

  [[noreturn]] void failAt(nastran::Location at, const std::string& reason) const {
    throw Failure(nastran::problemMessage(model_.files.at(at.file), at.line, "", reason));
  }
  static std::string label(const Element& element) {
    return std::string(cardName(element.type)) + " " + std::to_string(element.id);
  }
  const Vec3& position(int grid) const { return model_.grids.at(grid).position; }
  const Property& propertyOf(const Element& element) const { return model_.properties.at(element.propertyId); }
  const Material& materialOf(const Element& element) const {
    return model_.materials.at(propertyOf(element).materialId);
  }
  double modelSize() const { return modelSize_; }

  // The diagonal of the box around all grids.
  static double measureModelSize(const Model& model) {
    Vec3 low{}, high{};
    bool first = true;
    for (const auto& [id, grid] : model.grids) {
      for (int axis = 0; axis < 3; ++axis) {
        low[axis] = first ? grid.position[axis] : std::min(low[axis], grid.position[axis]);
        high[axis] = first ? grid.position[axis] : std::max(high[axis], grid.position[axis]);
      }
      first = false;
    }
    return norm(high - low);
  }

  // A moment over the model's size is a force; so is a stiffness over an area
  // of the model's size, scaled far below anything a load would produce.
  double forceScale() const {
    double size = modelSize();
    double scale = 0;
    for (const auto& [id, material] : model_.materials) scale = std::max(scale, 1e-12 * material.youngsModulus * size * size);
    if (size > 0)
      for (const NodalLoad& load : model_.nodalLoads)
        if (load.isMoment && selectedLoad(load.setId)) scale = std::max(scale, norm(load.value) / size);
    return scale;
  }

  void findRotationalGrids() {
    for (const auto& [id, element] : model_.elements)
      if (element.type == ElementType::Bar || (isShell(element.type) && !propertyOf(element).membraneOnly))
        rotationalGrids_.insert(element.grids.begin(), element.grids.end());
  }

  void writeNodes() {
    out_ << "*NODE, NSET=NALL\n";
    for (const auto& [id, grid] : model_.grids)
      out_ << job_.nodes.toCcx(id) << ", " << real(grid.position[0]) << ", " << real(grid.position[1]) << ", "
           << real(grid.position[2]) << "\n";
    writeMidsideNodes();
  }

  // Nodes at the middle of the edges of first-order shells that CalculiX must give plies
  // (composite_shells.h), numbered after the grids and left out of NALL: they carry no load
  // and no constraint, and are no grid of the deck.
  void writeMidsideNodes() {
    int next = job_.nodes.ids().empty() ? 1 : job_.nodes.toCcx(job_.nodes.ids().back()) + 1;
    bool header = false;
    for (const auto& [id, element] : model_.elements) {
      if (!needsMidsideNodes(element, propertyOf(element))) continue;
      std::size_t corners = element.grids.size();
      for (std::size_t i = 0; i < corners; ++i) {
        int a = element.grids[i], b = element.grids[(i + 1) % corners];
        auto [entry, added] = midsideNodes_.emplace(std::minmax(a, b), next);
        if (!added) continue;
        ++next;
        if (!header) out_ << "*NODE\n";
        header = true;
        Vec3 middle = 0.5 * (position(a) + position(b));
        out_ << entry->second << ", " << real(middle[0]) << ", " << real(middle[1]) << ", " << real(middle[2]) << "\n";
      }
    }
  }

  // Nastran and CalculiX agree on the node order of every element but solids,
  // where CalculiX insists on a positive volume: mirrored solids are turned over.
  std::vector<int> ccxNodeOrder(const Element& element) const {
    if (isSolid(element.type)) return solidCcxNodeOrder(model_, element, modelSize());
    std::vector<int> grids = element.grids;
    auto requireLength = [&](int a, int b) {
      if (norm(position(b) - position(a)) <= 1e-12 * modelSize())
        failAt(element.at, label(element) + ": its grids " + std::to_string(a) + " and " + std::to_string(b) +
                                 " coincide (zero length)");
    };
    switch (element.type) {
      case ElementType::Rod:
      case ElementType::Bar:
        requireLength(grids[0], grids[1]);
        break;
      default: {
        Vec3 area = shellAreaVector(element);
        if (norm(area) <= 1e-12 * modelSize() * modelSize())
          failAt(element.at, label(element) + ": the element has no area");
        break;
      }
    }
    return grids;
  }

  const char* ccxType(const Element& element) const {
    if (element.type == ElementType::Rod) return "T3D2";
    if (element.type == ElementType::Bar) return "B31";
    if (isSolid(element.type)) return solidCcxType(element.type);
    if (propertyOf(element).composite()) return compositeCcxType(element.type);
    return shellCcxType(element.type, propertyOf(element).membraneOnly);
  }

  // One element set per property and CalculiX type; bars get one each because
  // each carries its own orientation.
  std::string elementSetName(const Element& element) const {
    if (element.type == ElementType::Bar) return "CBAR" + std::to_string(element.id);
    if (propertyOf(element).composite()) {
      // Laminates: one set per property, type and material axes, which its plies' orientations follow.
      auto [entry, added] = orientationGroups_.emplace(orientationKey(model_, element), orientationGroups_.size() + 1);
      return std::string("PCOMP") + std::to_string(element.propertyId) + "_" + ccxType(element) + "_" +
             std::to_string(entry->second);
    }
    return std::string(cardName(propertyOf(element).type)) + std::to_string(element.propertyId) + "_" +
           ccxType(element);
  }

  void writeElements() {
    std::map<std::string, std::vector<const Element*>> sets;
    for (const auto& [id, element] : model_.elements) {
      sets[elementSetName(element)].push_back(&element);
      job_.ccxTypes[id] = ccxType(element);
    }
    for (const auto& [name, members] : sets) {
      out_ << "*ELEMENT, TYPE=" << ccxType(*members.front()) << ", ELSET=" << name << "\n";
      for (const Element* element : members) {
        out_ << job_.elements.toCcx(element->id);
        std::vector<int>& grids = job_.ccxGrids[element->id];
        grids = ccxNodeOrder(*element);
        // CalculiX reads at most 16 entries a line: longer elements continue on the next.
        std::vector<int> numbers;
        for (int grid : grids) numbers.push_back(job_.nodes.toCcx(grid));
        if (needsMidsideNodes(*element, propertyOf(*element)))
          for (std::size_t i = 0; i < grids.size(); ++i)
            numbers.push_back(midsideNodes_.at(std::minmax(grids[i], grids[(i + 1) % grids.size()])));
        for (std::size_t i = 0; i < numbers.size(); ++i) out_ << (i == 15 ? ",\n" : ", ") << numbers[i];
        out_ << "\n";
        if (propertyOf(*element).composite()) job_.layers[element->id] = propertyOf(*element).plies.size();
      }
      setNames_.push_back(name);
      setMembers_[name] = members.front();
    }
    if (setNames_.empty()) throw Failure(model_.fileName + ": the deck has no elements");
    out_ << "*ELSET, ELSET=EALL\n";
    for (std::size_t i = 0; i < setNames_.size(); ++i)
      out_ << setNames_[i] << (i + 1 == setNames_.size() || i % 8 == 7 ? "\n" : ", ");
  }

  void writeMaterials() {
    std::set<int> used;
    for (const auto& [id, property] : model_.properties) {
      used.insert(property.materialId);
      for (const Property::Ply& ply : property.plies) used.insert(ply.materialId);
    }
    for (int id : used) {
      const Material& material = model_.materials.at(id);
      out_ << "*MATERIAL, NAME=" << materialName(id) << "\n";
      if (material.lamina) {
        // A lamina in its axes: E3 = E2 and NU13 = NU23 = 0, so that the plies' in-plane response
        // is the plane stress of E1, E2, NU12, G12 however CalculiX's expanded shell strains them
        // through the thickness; G13 and G23 from G1Z and G2Z, else G12.
        const Material::Lamina& lamina = *material.lamina;
        out_ << "*ELASTIC, TYPE=ENGINEERING CONSTANTS\n"
             << real(material.youngsModulus) << ", " << real(lamina.e2) << ", " << real(lamina.e2) << ", "
             << real(material.poissonRatio) << ", 0, 0, " << real(lamina.g12) << ", "
             << real(lamina.g1z.value_or(lamina.g12)) << "\n"
             << real(lamina.g2z.value_or(lamina.g12)) << "\n";
      } else {
        out_ << "*ELASTIC\n" << real(material.youngsModulus) << ", " << real(material.poissonRatio) << "\n";
      }
      if (material.density) out_ << "*DENSITY\n" << real(*material.density) << "\n";
      if (material.expansion && material.lamina)
        out_ << "*EXPANSION, TYPE=ORTHO, ZERO=" << real(material.referenceTemperature) << "\n" << real(*material.expansion)
             << ", " << real(material.lamina->expansion2) << ", " << real(material.lamina->expansion2) << "\n";
      else if (material.expansion)
        out_ << "*EXPANSION, ZERO=" << real(material.referenceTemperature) << "\n" << real(*material.expansion) << "\n";
    }
  }

  void writeSections() {
    for (const std::string& name : setNames_) {
      const Element& element = *setMembers_.at(name);
      const Property& property = propertyOf(element);
      std::string head = "ELSET=" + name + ", MATERIAL=" + materialName(property.materialId);
      if (property.composite()) {
        writeCompositeSection(element, property, name);
        continue;
      }
      switch (property.type) {
        case PropertyType::Rod:
          out_ << "*SOLID SECTION, " << head << "\n" << real(property.area) << "\n";
          break;
        case PropertyType::Solid:
          out_ << "*SOLID SECTION, " << head << "\n";
          break;
        case PropertyType::Shell:
          out_ << (property.membraneOnly ? "*MEMBRANE SECTION, " : "*SHELL SECTION, ") << head << "\n"
               << real(property.thickness) << "\n";
          break;
        case PropertyType::Bar:
          writeBarSection(element, property, head);
          break;
      }
    }
  }

  std::string materialName(int id) const {
    return (model_.materials.at(id).lamina ? "MAT8_" : "MAT1_") + std::to_string(id);
  }

  // A laminate: each ply's orientation is the set's material axes turned by the ply's angle.
  void writeCompositeSection(const Element& element, const Property& property, const std::string& name) {
    std::array<Vec3, 3> material = materialAxes(model_, element);
    for (std::size_t i = 0; i < property.plies.size(); ++i) {
      std::array<Vec3, 3> axes = plyAxes(material, property.plies[i].angle);
      out_ << "*ORIENTATION, NAME=" << name << "_P" << i + 1 << "\n"
           << real(axes[0][0]) << ", " << real(axes[0][1]) << ", " << real(axes[0][2]) << ", " << real(axes[1][0]) << ", "
           << real(axes[1][1]) << ", " << real(axes[1][2]) << "\n";
    }
    out_ << "*SHELL SECTION, ELSET=" << name << ", COMPOSITE\n";
    for (std::size_t i = 0; i < property.plies.size(); ++i)
      out_ << real(property.plies[i].thickness) << ", , " << materialName(property.plies[i].materialId) << ", " << name
           << "_P" << i + 1 << "\n";
  }

  // A bar becomes a rectangle of the bar's area whose plane-1 inertia I1 is the
  // bar's; its plane-2 and torsional stiffness follow from the rectangle.
  void writeBarSection(const Element& element, const Property& property, const std::string& head) {
    Vec3 axis = position(element.grids[1]) - position(element.grids[0]);
    axis = (1.0 / norm(axis)) * axis;
    Vec3 orientation = element.orientationGrid ? position(*element.orientationGrid) - position(element.grids[0])
                                               : element.orientation;
    Vec3 planeOne = orientation - dot(orientation, axis) * axis;
    if (norm(planeOne) <= 1e-9 * norm(orientation))
      failAt(element.at, label(element) + ": the orientation vector is parallel to the bar");
    planeOne = (1.0 / norm(planeOne)) * planeOne;
    double depth = std::sqrt(12 * property.inertia1 / property.area);  // along plane 1
    double width = property.area / depth;
    out_ << "*BEAM SECTION, " << head << ", SECTION=RECT\n"
         << real(depth) << ", " << real(width) << "\n"
         << real(planeOne[0]) << ", " << real(planeOne[1]) << ", " << real(planeOne[2]) << "\n";
  }

  std::map<int, double> selectedTemperatures() const {
    std::map<int, double> temperatures;
    if (!model_.selection.temperatureSet) return temperatures;
    for (const GridTemperature& temperature : model_.temperatures) {
      if (temperature.setId != *model_.selection.temperatureSet) continue;
      if (!temperatures.emplace(temperature.grid, temperature.temperature).second)
        failAt(temperature.at, "TEMP " + std::to_string(temperature.setId) + ": grid " +
                                     std::to_string(temperature.grid) + " has a temperature already");
    }
    return temperatures;
  }

  // A grid starts at its materials' reference temperature, so that only the
  // difference to TREF strains it.
  void writeInitialTemperatures() {
    temperatures_ = selectedTemperatures();
    if (temperatures_.empty()) return;
    std::map<int, std::pair<double, int>> reference;  // grid -> (TREF, material)
    for (const auto& [id, element] : model_.elements) {
      const Material& material = materialOf(element);
      for (int grid : element.grids) {
        auto [entry, inserted] = reference.emplace(grid, std::make_pair(material.referenceTemperature, material.id));
        if (!inserted && entry->second.first != material.referenceTemperature)
          failAt(material.at, "MAT1 " + std::to_string(material.id) + ": grid " + std::to_string(grid) +
                                    " joins materials with different reference temperatures (MAT1 " +
                                    std::to_string(entry->second.second) + " has TREF " +
                                    formatReal(entry->second.first) + ")");
      }
    }
    out_ << "*INITIAL CONDITIONS, TYPE=TEMPERATURE\n";
    for (const auto& [id, grid] : model_.grids) {
      auto entry = reference.find(id);
      out_ << job_.nodes.toCcx(id) << ", " << real(entry == reference.end() ? 0.0 : entry->second.first) << "\n";
    }
  }

  void writeTemperatures() {
    if (temperatures_.empty()) return;
    out_ << "*TEMPERATURE\n";
    for (const auto& [grid, temperature] : temperatures_)
      out_ << job_.nodes.toCcx(grid) << ", " << real(temperature) << "\n";
  }

  // Grids that belong to no bar or shell have no rotational DOFs in CalculiX:
  // constraints on DOFs 4-6 there are dropped, as they constrain nothing.
  void writeBoundaries() {
    std::map<int, std::set<int>> fixed;
    for (const auto& [id, grid] : model_.grids) fixed[id].insert(grid.permanentConstraints.begin(), grid.permanentConstraints.end());
    if (model_.selection.constraintSet)
      for (const ConstraintSet& set : model_.constraints)
        if (set.setId == *model_.selection.constraintSet)
          for (int grid : set.grids) fixed[grid].insert(set.dofs.begin(), set.dofs.end());
    bool header = false;
    for (const auto& [grid, dofs] : fixed) {
      GridBalance& balance = job_.balance[grid];
      for (int dof : dofs) {
        if (dof > 3 && !rotationalGrids_.count(grid)) continue;
        if (dof <= 3) balance.fixed[dof - 1] = true;
        if (!header) out_ << "*BOUNDARY\n";
        header = true;
        out_ << job_.nodes.toCcx(grid) << ", " << dof << ", " << dof << "\n";
      }
    }
  }

  bool selectedLoad(int setId) const { return model_.selection.loadSet && *model_.selection.loadSet == setId; }

  void writeNodalLoads() {
    for (const NodalLoad& load : model_.nodalLoads) {
      if (!selectedLoad(load.setId)) continue;
      bool zero = load.value == Vec3{0, 0, 0};
      if (load.isMoment && !zero && !rotationalGrids_.count(load.grid))
        failAt(load.at, "MOMENT " + std::to_string(load.setId) + ": grid " + std::to_string(load.grid) +
                              " belongs to no bar or shell, so it has no rotational DOFs to take a moment");
      for (int axis = 0; axis < 3; ++axis) {
        loadComponents_[{load.grid, axis + 1 + (load.isMoment ? 3 : 0)}] += load.value[axis];
        if (!load.isMoment) job_.balance[load.grid].pointForce[axis] += load.value[axis];
      }
    }
  }

  Vec3 shellAreaVector(const Element& element) const {
    const std::vector<int>& g = element.grids;
    if (shellCorners(element.type) == 3)
      return 0.5 * cross(position(g[1]) - position(g[0]), position(g[2]) - position(g[0]));
    return 0.5 * cross(position(g[2]) - position(g[0]), position(g[3]) - position(g[1]));
  }

  // Pressures become the consistent nodal forces they put on the grids (pressure_loads.h),
  // given to CalculiX with the point loads.
  void writePressures() {
    for (const PressureLoad& load : model_.pressures) {
      if (!selectedLoad(load.setId)) continue;
      for (const GridForce& share : pressureNodalForces(model_, load)) {
        GridBalance& balance = job_.balance[share.grid];
        balance.pressureForce = balance.pressureForce + share.force;
        for (int axis = 0; axis < 3; ++axis) loadComponents_[{share.grid, axis + 1}] += share.force[axis];
      }
    }
  }

  void writeCloads() {
    bool header = false;
    for (const auto& [key, value] : loadComponents_) {
      if (value == 0) continue;
      if (!header) out_ << "*CLOAD\n";
      header = true;
      out_ << job_.nodes.toCcx(key.first) << ", " << key.second << ", " << real(value) << "\n";
    }
  }

  const Model& model_;
  const double modelSize_;
  CcxJob job_;
  std::ostringstream out_;
  std::set<int> rotationalGrids_;
  std::vector<std::string> setNames_;
  std::map<std::string, const Element*> setMembers_;
  std::map<int, double> temperatures_;
  std::map<std::pair<int, int>, double> loadComponents_;
  std::map<std::pair<int, int>, int> midsideNodes_;     // generated: edge (low grid, high grid) -> CalculiX node
  mutable std::map<std::string, std::size_t> orientationGroups_;  // laminates' material axes -> set number  // (grid, DOF) -> sum of point and pressure loads
};

}  // namespace

IdMap::IdMap(std::vector<int> ascendingIds) : ids_(std::move(ascendingIds)) {
  identity_ = ids_.empty() || ids_.back() <= kLargestIdentityNumber;
}

int IdMap::toCcx(int id) const {
  if (identity_) return id;
  auto found = std::lower_bound(ids_.begin(), ids_.end(), id);
  return static_cast<int>(found - ids_.begin()) + 1;
}

std::optional<int> IdMap::toNastran(int ccxNumber) const {
  if (identity_) {
    if (std::binary_search(ids_.begin(), ids_.end(), ccxNumber)) return ccxNumber;
    return std::nullopt;
  }
  if (ccxNumber < 1 || ccxNumber > static_cast<int>(ids_.size())) return std::nullopt;
  return ids_[ccxNumber - 1];
}

CcxJob buildCcxJob(const Model& model) { return CcxJobBuilder(model).build(); }

const std::set<std::size_t>& stressRowsPerElement(const std::string& ccxType) {
  // Line and shell elements are expanded into solids; their rows are the
  // integration points of the expanded element.
  static const std::map<std::string, std::set<std::size_t>> kRows = {
      {"T3D2", {8}},  {"B31", {8}},    {"S4", {8}},    {"S3", {2, 9}}, {"S8R", {8}},   {"S6", {9}},
      {"M3D4", {8}},  {"M3D3", {2}},   {"M3D8R", {8}}, {"M3D6", {9}},  {"C3D4", {1}},  {"C3D10", {4}},
      {"C3D6", {2}},  {"C3D15", {9}},  {"C3D8", {8}},  {"C3D8I", {8}}, {"C3D20R", {8}},
  };
  static const std::set<std::size_t> kNone;
  auto found = kRows.find(ccxType);
  return found == kRows.end() ? kNone : found->second;
}

}  // namespace nastranccx
