#include "ccx_job.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "composite_shells.h"
#include "failure.h"
#include "free_directions.h"
#include "numbers.h"
#include "pressure_loads.h"
#include "shear_panels.h"
#include "shell_elements.h"
#include "solid_elements.h"
#include "subcases.h"
#include "vec3.h"

namespace nastranccx {
namespace {

constexpr int kLargestIdentityNumber = 1'000'000;

using vec3::cross;
using vec3::dot;
using vec3::norm;
using vec3::operator+;
using vec3::operator-;
using vec3::operator*;

std::string real(double value) { return formatRealLimited(value); }

// Writes the CalculiX input for one model; collects the checks on the way.
class CcxJobBuilder {
 public:
  explicit CcxJobBuilder(const Model& model) : model_(model), modelSize_(measureModelSize(model)) {}

  CcxJob build() {
    job_.nodes = IdMap(keys(model_.grids));
    job_.elements = IdMap(keys(model_.elements));
    job_.lineElementsAsBeams = solvesLinesAsBeams(model_);
    findRotationalGrids();
    axialOnly_ = axialOnlyStiffness(model_);
    out_ << "** CalculiX input written by nastran-ccx from " << model_.fileName << "\n";
    writeNodes();
    writeEndNodes();
    writeElements();
    writeMaterials();
    writeSections();
    writeSprings();
    writeStubs();
    writeRigidLinks();
    writeEndEquations();
    writeInterpolations();
    writeMpcs();
    writeTransforms();
    writeInitialTemperatures();
    for (const SubcaseSelection& subcase : model_.subcases) writeStep(subcase);
    job_.inputText = out_.str();
    return std::move(job_);
  }

 private:
  // One subcase: every per-subcase writer reads `sets_` for what the subcase selects and
  // feeds `step_->balance` with the nodal force each load puts at each grid.
  void writeStep(const SubcaseSelection& subcase) {
    sets_ = resolveSubcase(model_, subcase);
    job_.steps.push_back(StepJob{&subcase, {}, 0, 0, 0});
    step_ = &job_.steps.back();
    for (int grid : tiedGrids_) step_->balance[grid].tied = true;
    out_ << "** SUBCASE " << subcase.id << "\n*STEP\n*STATIC\n";
    writeBoundaries();
    writeNodalLoads();
    writePressures();
    writeCloads();
    writeTemperatures();
    // Every load of the step is known from here on.
    holdFreeDirections();
    out_ << "*NODE PRINT, NSET=NALL\nU, RF\n*EL PRINT, ELSET=" << printSet_ << "\nS\n*END STEP\n";
    step_->forceScale = forceScale();
    step_->stiffnessScale = stiffnessScale();
  }

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
        if (load.isMoment) scale = std::max(scale, std::abs(sets_.loadFactor(load.setId)) * norm(load.value) / size);
    return scale;
  }

  double stiffnessScale() const {
    double largest = 0;
    for (const auto& [id, material] : model_.materials) largest = std::max(largest, material.youngsModulus);
    return largest * modelSize();
  }

  void findRotationalGrids() {
    for (const auto& [id, element] : model_.elements) elementGrids_.insert(element.grids.begin(), element.grids.end());
    for (const auto& [id, element] : model_.elements)
      if (element.type == ElementType::Bar || element.type == ElementType::Beam ||
          (isShell(element.type) && !propertyOf(element).membraneOnly))
        rotationalGrids_.insert(element.grids.begin(), element.grids.end());
    // A U1 rod gives its grids rotations without stiffness: held, as Nastran's AUTOSPC would.
    if (job_.lineElementsAsBeams)
      for (const auto& [id, element] : model_.elements)
        if (element.type == ElementType::Rod)
          for (int grid : element.grids)
            if (!rotationalGrids_.count(grid)) heldRotations_.insert(grid);
    // An RBE2's independent grid turns (through its stub where no element turns it).
    for (const RigidLink& link : model_.rigidLinks) rotationalGrids_.insert(link.independent);
    // A rigid element gives the grids it ties their rotations.
    for (const RigidLink& link : model_.rigidLinks) {
      heldRotations_.erase(link.independent);
      for (int grid : link.dependents) heldRotations_.erase(grid);
    }
  }

  // The CalculiX node at a bar's end: the grid's, or the end's own (offset or pinned).
  int endNode(const Element& element, int end) const {
    auto own = endNodeOf_.find({element.id, end});
    return own != endNodeOf_.end() ? own->second : job_.nodes.toCcx(element.grids[end]);
  }

  // Nodes of their own at the bar ends with offsets or pin flags (U1 models), numbered after
  // the grids', in NALL so that their motion prints.
  void writeEndNodes() {
    int next = job_.nodes.ids().empty() ? 1 : job_.nodes.toCcx(job_.nodes.ids().back()) + 1;
    for (const auto& [id, element] : model_.elements) {
      if (!job_.lineElementsAsBeams) break;
      if (element.type != ElementType::Bar && element.type != ElementType::Beam) continue;
      for (int end = 0; end < 2; ++end) {
        if (!element.hasEnd(end)) continue;
        Vec3 at = position(element.grids[end]) + element.offsets[end];
        endNodeOf_[{id, end}] = next;
        job_.endNodes[next] = {id, end};
        out_ << next++ << ", " << real(at[0]) << ", " << real(at[1]) << ", " << real(at[2]) << "\n";
      }
    }
    writeAnchors(next);
  }

  // CalculiX leaves out the rotations of a node no element turns, even where equations use
  // them (the grid of an offset or pinned bar end, an RBE2's independent grid). Such a grid
  // gets a stub: a U1 element to a held node of its own, a billion times softer than the
  // model's material and of a millionth of its section, which leaves the answer as it is but
  // makes CalculiX solve for the rotations.
  void writeAnchors(int next) {
    std::set<int> turned;  // grids a bar or beam turns directly
    for (const auto& [id, element] : model_.elements)
      if (element.type == ElementType::Bar || element.type == ElementType::Beam)
        for (int end = 0; end < 2; ++end)
          if (!element.hasEnd(end)) turned.insert(element.grids[end]);
    std::set<int> needed;
    for (const auto& [key, node] : endNodeOf_) needed.insert(model_.elements.at(key.first).grids[key.second]);
    for (const RigidLink& link : model_.rigidLinks) needed.insert(link.independent);
    double reach = std::max(modelSize(), 1e-3);
    std::vector<std::string> lines;
    for (int grid : needed) {
      if (turned.count(grid)) continue;
      const Vec3& at = position(grid);
      anchors_.emplace_back(grid, next);
      lines.push_back(std::to_string(next++) + ", " + real(at[0] + reach) + ", " + real(at[1]) + ", " + real(at[2]));
    }
    if (lines.empty()) return;
    out_ << "*NODE, NSET=ANCHORS\n";
    for (const std::string& line : lines) out_ << line << "\n";
  }

  void writeStubs() {
    if (anchors_.empty()) return;
    double modulus = 0;
    for (const auto& [id, material] : model_.materials) modulus = std::max(modulus, material.youngsModulus);
    double size = std::max(modelSize(), 1e-3);
    out_ << "*ELEMENT, TYPE=U1, ELSET=STUBS\n";
    for (const auto& [grid, anchor] : anchors_) out_ << nextElement_++ << ", " << job_.nodes.toCcx(grid) << ", " << anchor << "\n";
    double area = 1e-6 * size * size, inertia = area * area;
    out_ << "*MATERIAL, NAME=STUBS\n*ELASTIC\n" << real(1e-9 * modulus) << ", 0.\n"
         << "*BEAM SECTION, ELSET=STUBS, MATERIAL=STUBS, SECTION=GENERAL\n"
         << real(area) << ", " << real(inertia) << ", 0., " << real(inertia) << ", " << real(U1Section::kShearFactor)
         << "\n0., 1., 0.\n";
  }

  // An end node follows its grid rigidly (u_e = u_g + theta_g x w, theta_e = theta_g) in every
  // element direction its pin flags do not release; the equations are written along the
  // element axes.
  void writeEndEquations() {
    for (const auto& [key, node] : endNodeOf_) {
      const Element& element = model_.elements.at(key.first);
      int end = key.second;
      int grid = job_.nodes.toCcx(element.grids[end]);
      const Vec3& w = element.offsets[end];
      const BarFrame& frame = frameOf(element);
      const Vec3* axes[3] = {&frame.x, &frame.y, &frame.z};
      std::set<int> used;  // the end node's DOFs already eliminated
      for (int dof = 1; dof <= 6; ++dof) {
        const std::vector<int>& pins = element.pins[end];
        if (std::find(pins.begin(), pins.end(), dof) != pins.end()) continue;
        const Vec3& e = *axes[(dof - 1) % 3];
        int first = dof <= 3 ? 1 : 4;
        // The dependent DOF: the end node's unused one of this kind with the largest coefficient.
        int dependent = 0;
        for (int k = 0; k < 3; ++k)
          if (!used.count(first + k) && std::abs(e[k]) > 1e-9 && (dependent == 0 || std::abs(e[k]) > std::abs(e[dependent - first])))
            dependent = first + k;
        used.insert(dependent);
        std::vector<std::string> terms{std::to_string(node) + ", " + std::to_string(dependent) + ", " + real(e[dependent - first])};
        for (int k = 0; k < 3; ++k) {
          if (first + k != dependent && e[k] != 0) terms.push_back(std::to_string(node) + ", " + std::to_string(first + k) + ", " + real(e[k]));
          if (e[k] != 0) terms.push_back(std::to_string(grid) + ", " + std::to_string(first + k) + ", " + real(-e[k]));
        }
        if (dof <= 3) {
          Vec3 turn = cross(w, e);  // the coefficient of theta_g,j is -(w x e)_j
          for (int j = 0; j < 3; ++j)
            if (turn[j] != 0) terms.push_back(std::to_string(grid) + ", " + std::to_string(4 + j) + ", " + real(-turn[j]));
        }
        out_ << "*EQUATION\n" << terms.size() << "\n";
        for (std::size_t i = 0; i < terms.size(); ++i) out_ << terms[i] << (i + 1 == terms.size() || i % 4 == 3 ? "\n" : ", ");
      }
    }
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
      case ElementType::Beam:
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
    if (job_.lineElementsAsBeams &&
        (element.type == ElementType::Rod || element.type == ElementType::Bar || element.type == ElementType::Beam))
      return "U1";
    if (element.type == ElementType::Rod) return "T3D2";
    if (element.type == ElementType::Bar || element.type == ElementType::Beam) return "B31";
    if (element.type == ElementType::Shear) return "SPRING1";
    if (isSolid(element.type)) return solidCcxType(element.type);
    if (propertyOf(element).composite()) return compositeCcxType(element.type);
    return shellCcxType(element.type, propertyOf(element).membraneOnly);
  }

  // One element set per property and CalculiX type; bars get one each because
  // each carries its own orientation.
  std::string elementSetName(const Element& element) const {
    if (element.type == ElementType::Bar || element.type == ElementType::Beam ||
        (job_.lineElementsAsBeams && element.type == ElementType::Rod))
      return std::string(cardName(element.type)) + std::to_string(element.id);
    if (element.propertyId < 0) return "CONROD" + std::to_string(element.id);
    if (propertyOf(element).composite()) {
      // Laminates: one set per property, type and material axes, which its plies' orientations follow.
      auto [entry, added] = orientationGroups_.emplace(orientationKey(model_, element), orientationGroups_.size() + 1);
      return std::string("PCOMP") + std::to_string(element.propertyId) + "_" + ccxType(element) + "_" +
             std::to_string(entry->second);
    }
    // Shells with corner thicknesses take them from their nodes: a set of their own.
    return std::string(cardName(propertyOf(element).type)) + std::to_string(element.propertyId) + "_" +
           ccxType(element) + (isShell(element.type) && hasCornerThickness(element) ? "_NT" : "");
  }

  void writeElements() {
    nextElement_ = job_.elements.ids().empty() ? 1 : job_.elements.toCcx(job_.elements.ids().back()) + 1;
    if (job_.lineElementsAsBeams || !anchors_.empty())
      out_ << "*USER ELEMENT, TYPE=U1, NODES=2, INTEGRATION POINTS=2, MAXDOF=6\n";
    std::map<std::string, std::vector<const Element*>> sets;
    for (const auto& [id, element] : model_.elements) {
      job_.ccxTypes[id] = ccxType(element);
      if (element.type != ElementType::Shear) sets[elementSetName(element)].push_back(&element);
    }
    for (const auto& [name, members] : sets) {
      out_ << "*ELEMENT, TYPE=" << ccxType(*members.front()) << ", ELSET=" << name << "\n";
      for (const Element* element : members) {
        out_ << job_.elements.toCcx(element->id);
        std::vector<int>& grids = job_.ccxGrids[element->id];
        grids = ccxNodeOrder(*element);
        // CalculiX reads at most 16 entries a line: longer elements continue on the next.
        std::vector<int> numbers;
        for (std::size_t i = 0; i < grids.size(); ++i)
          numbers.push_back(job_.lineElementsAsBeams && i < 2 ? endNode(*element, static_cast<int>(i))
                                                             : job_.nodes.toCcx(grids[i]));
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
    writeNodalThicknesses();
    writeShearPanels();
    if (setNames_.empty() && shearNodes_.empty()) throw Failure(model_.fileName + ": the deck has no elements");
    writeEdgeRods();
    writeHelperElements();
    // The shear panels' springs print no stress rows, but keep the stress block when they are all.
    std::vector<std::string> printed = setNames_;
    if (!shearNodes_.empty()) printed.push_back("SHEARPANELS");
    out_ << "*ELSET, ELSET=EALL\n";
    for (std::size_t i = 0; i < printed.size(); ++i)
      out_ << printed[i] << (i + 1 == printed.size() || i % 8 == 7 ? "\n" : ", ");
  }

  // Shells with corner thicknesses: CalculiX takes one thickness per node for them, so every
  // shell at such a grid must give it the same thickness there.
  void writeNodalThicknesses() {
    std::map<int, std::pair<double, const Element*>> thicknesses;  // grid -> (thickness, the shell giving it)
    auto agree = [&](const Element& element, int grid, double thickness, bool add) {
      auto entry = thicknesses.find(grid);
      if (entry == thicknesses.end()) {
        if (add) thicknesses.emplace(grid, std::make_pair(thickness, &element));
        return;
      }
      double other = entry->second.first;
      if (std::abs(other - thickness) > 1e-6 * std::max(thickness, other))
        failAt(entry->second.second->at, label(*entry->second.second) + ": its thickness " + formatReal(other) +
                                             " at grid " + std::to_string(grid) + " differs from " + label(element) +
                                             "'s there (" + formatReal(thickness) +
                                             "); CalculiX takes one thickness per grid for shells with corner thicknesses");
    };
    for (const auto& [id, element] : model_.elements) {
      if (!isShell(element.type) || !hasCornerThickness(element)) continue;
      if (propertyOf(element).composite())
        failAt(element.at, label(element) + ": corner thicknesses (T1...) of a laminate (PCOMP) are not supported");
      if (propertyOf(element).membraneOnly)
        failAt(element.at, label(element) + ": corner thicknesses (T1...) of a membrane-only PSHELL (MID2 blank) are "
                                            "not supported (CalculiX 2.20 takes no nodal thickness for membranes)");
      for (std::size_t i = 0; i < element.grids.size(); ++i)
        agree(element, element.grids[i], cornerThickness(model_, element, i), true);
    }
    if (thicknesses.empty()) return;
    for (const auto& [id, element] : model_.elements)
      if (isShell(element.type) && !hasCornerThickness(element) && !propertyOf(element).composite())
        for (int grid : element.grids) agree(element, grid, propertyOf(element).thickness, false);
    out_ << "*NODAL THICKNESS\n";
    for (const auto& [grid, entry] : thicknesses) out_ << job_.nodes.toCcx(grid) << ", " << real(entry.first) << "\n";
  }

  // Each shear panel: a node of its own (numbered after every other, out of NALL) whose DOF 1 is
  // sqrt(G T PA) times the panel's shear strain, held by a unit spring (shear_panels.h). The
  // equation's terms are in each grid's CD components, as CalculiX's DOFs there are.
  void writeShearPanels() {
    int next = nextFreeNode();
    std::ostringstream nodes, springs, equations;
    for (const auto& [id, element] : model_.elements) {
      if (element.type != ElementType::Shear) continue;
      if (std::string problem = shearPanelShapeProblem(model_, element); !problem.empty())
        failAt(element.at, label(element) + ": " + problem);
      ShearMode mode = shearPanelMode(model_, element);
      int node = next++;
      shearNodes_.push_back(node);
      shearPanelGrids_.push_back(element.grids);
      Vec3 centre{};
      for (int grid : element.grids) centre = centre + 0.25 * position(grid);
      nodes << node << ", " << real(centre[0]) << ", " << real(centre[1]) << ", " << real(centre[2]) << "\n";
      springs << job_.elements.toCcx(id) << ", " << node << "\n";
      std::vector<std::string> terms = {std::to_string(node) + ", 1, -1."};
      double largest = 0;
      for (const Vec3& c : mode.coefficients) largest = std::max(largest, norm(c));
      for (std::size_t i = 0; i < 4; ++i) {
        const Grid& grid = model_.grids.at(element.grids[i]);
        Vec3 local = toGridComponents(grid, std::sqrt(mode.stiffness) * mode.coefficients[i]);
        for (int axis = 0; axis < 3; ++axis)
          if (std::abs(local[axis]) > 1e-12 * std::sqrt(mode.stiffness) * largest)
            terms.push_back(std::to_string(job_.nodes.toCcx(grid.id)) + ", " + std::to_string(axis + 1) + ", " +
                            real(local[axis]));
      }
      equations << "*EQUATION\n" << terms.size() << "\n";
      for (std::size_t i = 0; i < terms.size(); ++i) equations << terms[i] << (i % 4 == 3 || i + 1 == terms.size() ? "\n" : ", ");
    }
    if (shearNodes_.empty()) return;
    out_ << "*NODE\n" << nodes.str() << "*ELEMENT, TYPE=SPRING1, ELSET=SHEARPANELS\n" << springs.str() << equations.str();
  }

  // The number after every node written so far: grids, generated mid-side nodes, bar ends' own
  // nodes and their stubs' held nodes.
  int nextFreeNode() const {
    int last = job_.nodes.ids().empty() ? 0 : job_.nodes.toCcx(job_.nodes.ids().back());
    for (const auto& [edge, node] : midsideNodes_) last = std::max(last, node);
    for (const auto& [end, node] : endNodeOf_) last = std::max(last, node);
    for (const auto& [grid, node] : anchors_) last = std::max(last, node);
    return last + 1;
  }

  // Shear panels' effectiveness as rods along their edges, numbered after the elements and left
  // out of EALL: they are no element of the deck, and the panel's stress is its shear alone. One
  // set per material and area.
  void writeEdgeRods() {
    int& next = nextElement_;
    std::map<std::pair<int, std::string>, std::vector<EdgeRod>> sets;
    bool heated = model_.initialTemperatureSet.has_value();
    for (const SubcaseSelection& subcase : model_.subcases) heated = heated || subcase.temperatureSet.has_value();
    for (const auto& [id, element] : model_.elements) {
      if (element.type != ElementType::Shear) continue;
      std::vector<EdgeRod> rods = shearPanelEdgeRods(model_, element);
      // The rods stand for the panel's stiffness, not for a bar that grows with temperature.
      if (!rods.empty() && heated && materialOf(element).expansion)
        failAt(propertyOf(element).at, "PSHEAR " + std::to_string(element.propertyId) +
                                           ": extensional effectiveness (F1, F2) of a material with thermal expansion "
                                           "is not supported in a model with temperatures");
      for (const EdgeRod& rod : rods) sets[{propertyOf(element).materialId, real(rod.area)}].push_back(rod);
    }
    for (const auto& [key, rods] : sets) {
      std::string name = "SHEAREDGE" + std::to_string(edgeRodSets_.size() + 1);
      out_ << "*ELEMENT, TYPE=T3D2, ELSET=" << name << "\n";
      for (const EdgeRod& rod : rods)
        out_ << next++ << ", " << job_.nodes.toCcx(rod.a) << ", " << job_.nodes.toCcx(rod.b) << "\n";
      edgeRodSets_.push_back({name, key});
    }
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
      } else if (material.anisotropic) {
        writeAnisotropicElastic(*material.anisotropic);
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
          if (job_.lineElementsAsBeams) {
            writeU1RodSection(element, name, property);
            break;
          }
          out_ << "*SOLID SECTION, " << head << "\n" << real(property.area) << "\n";
          break;
        case PropertyType::Solid:
          out_ << "*SOLID SECTION, " << head << "\n";
          break;
        case PropertyType::Shell:
          out_ << (property.membraneOnly ? "*MEMBRANE SECTION, " : "*SHELL SECTION, ") << head
               << (hasCornerThickness(element) ? ", NODAL THICKNESS" : "") << "\n"
               << real(property.thickness) << "\n";
          break;
        case PropertyType::Bar:
          if (job_.lineElementsAsBeams) {
            writeU1BarSection(element, name, property);
            break;
          }
          writeBarSection(element, property, head);
          break;
        case PropertyType::Shear: break;  // no set: see writeShearPanels
      }
    }
    if (!shearNodes_.empty()) out_ << "*SPRING, ELSET=SHEARPANELS\n1\n1.\n";
    for (const auto& [name, key] : edgeRodSets_)
      out_ << "*SOLID SECTION, ELSET=" << name << ", MATERIAL=" << materialName(key.first) << "\n" << key.second << "\n";
  }

  const BarFrame& frameOf(const Element& element) {
    auto found = frames_.find(element.id);
    if (found != frames_.end()) return found->second;
    std::optional<BarFrame> frame = barFrameOf(model_, element);
    if (!frame) failAt(element.at, label(element) + ": the orientation vector is parallel to the bar");
    return frames_.emplace(element.id, *frame).first->second;
  }

  // A U1 rod: the rod's area, no bending or torsional stiffness.
  void writeU1RodSection(const Element& element, const std::string& name, const Property& property) {
    const Vec3 axis = position(element.grids[1]) - position(element.grids[0]);
    Vec3 normal = std::abs(axis[0]) <= std::abs(axis[1]) && std::abs(axis[0]) <= std::abs(axis[2]) ? Vec3{1, 0, 0}
                  : std::abs(axis[1]) <= std::abs(axis[2])                                          ? Vec3{0, 1, 0}
                                                                                                    : Vec3{0, 0, 1};
    Vec3 direction = cross(axis, normal);
    direction = (1 / norm(direction)) * direction;
    out_ << "*BEAM SECTION, ELSET=" << name << ", MATERIAL=MAT1_" << property.materialId << ", SECTION=GENERAL\n"
         << real(property.area) << ", 0., 0., 0., " << real(U1Section::kShearFactor) << "\n"
         << real(direction[0]) << ", " << real(direction[1]) << ", " << real(direction[2]) << "\n";
  }

  // CELAS1/CELAS2 → SPRING2 between two grids, SPRING1 to ground, numbered after the other
  // elements, each in a set of its own.
  void writeSprings() {
    for (const Spring& spring : model_.springs) {
      std::string set = spring.bushComponent != 0
                            ? "CBUSH" + std::to_string(spring.id) + "_" + std::to_string(spring.bushComponent)
                            : std::string(spring.onCard ? "CELAS2_" : "CELAS1_") + std::to_string(spring.id);
      bool grounded = spring.grids[1] == 0;
      out_ << "*ELEMENT, TYPE=" << (grounded ? "SPRING1" : "SPRING2") << ", ELSET=" << set << "\n"
           << nextElement_++ << ", " << job_.nodes.toCcx(spring.grids[0]);
      if (!grounded) out_ << ", " << job_.nodes.toCcx(spring.grids[1]);
      out_ << "\n*SPRING, ELSET=" << set << "\n" << spring.components[0];
      if (!grounded) out_ << ", " << spring.components[1];
      // A real with a decimal point, or CalculiX takes the line for DOFs.
      std::string stiffness = real(spring.stiffness);
      if (stiffness.find('.') == std::string::npos) {
        std::size_t exponent = stiffness.find_first_of("eE");
        stiffness.insert(exponent == std::string::npos ? stiffness.size() : exponent, ".");
      }
      out_ << "\n" << stiffness << "\n";
    }
  }

  // The sets of a bar's U1 elements: the bar's own (plane p), and its helpers.
  static std::string helperSet(const std::string& barSet, int plane, bool companion) {
    return barSet + (companion ? (plane == 0 ? "_C" : "_CQ") : (plane == 0 ? "" : "_Q"));
  }

  // A U1 bar: its own material, whose Poisson's ratio gives the torsional stiffness G J,
  // its two planes, and, where G J is out of reach, their companions (see U1Section).
  void writeU1BarSection(const Element& element, const std::string& name, const Property& property) {
    const Material& material = model_.materials.at(property.materialId);
    double shear = material.youngsModulus / (2 * (1 + material.poissonRatio));
    const BarFrame& frame = frameOf(element);
    const U1Section& section =
        u1Sections_.emplace(element.id, u1Section(frame, property.section, material.youngsModulus, shear)).first->second;
    std::string materialName = name + "_M";
    out_ << "*MATERIAL, NAME=" << materialName << "\n*ELASTIC\n"
         << real(material.youngsModulus) << ", " << real(section.poisson) << "\n";
    for (int plane = 0; plane < 2; ++plane)
      out_ << u1SectionText(helperSet(name, plane, false), materialName, section, section.scale, plane, frame.x);
    if (!section.companionScale) return;
    out_ << "*MATERIAL, NAME=" << materialName << "C\n*ELASTIC\n"
         << real(material.youngsModulus) << ", " << real(U1Section::kCompanionPoisson) << "\n";
    for (int plane = 0; plane < 2; ++plane)
      out_ << u1SectionText(helperSet(name, plane, true), materialName + "C", section, *section.companionScale, plane,
                            frame.x);
  }

  // Each bar's other U1 elements, numbered after the model's: its plane-q element, printed
  // with the bar's own (set LINEQ), and the companions, which print nothing.
  void writeHelperElements() {
    if (!job_.lineElementsAsBeams) return;
    int& next = nextElement_;
    std::vector<std::string> printed;
    for (const auto& [id, element] : model_.elements) {
      if (element.type != ElementType::Bar && element.type != ElementType::Beam) continue;
      const Property& property = propertyOf(element);
      const Material& material = model_.materials.at(property.materialId);
      double shear = material.youngsModulus / (2 * (1 + material.poissonRatio));
      bool companion = u1Section(frameOf(element), property.section, material.youngsModulus, shear).companionScale.has_value();
      std::string name = elementSetName(element);
      for (int helper = 0; helper < (companion ? 3 : 1); ++helper) {
        std::string set = helper == 0 ? helperSet(name, 1, false) : helperSet(name, helper - 1, true);
        if (helper == 0) {
          job_.u1PlaneQ[next] = id;
          printed.push_back(set);
        }
        out_ << "*ELEMENT, TYPE=U1, ELSET=" << set << "\n"
             << next++ << ", " << endNode(element, 0) << ", " << endNode(element, 1) << "\n";
      }
    }
    printSet_ = "PRINTED";
    printed.insert(printed.begin(), setNames_.begin(), setNames_.end());
    out_ << "*ELSET, ELSET=PRINTED\n";
    for (std::size_t i = 0; i < printed.size(); ++i)
      out_ << printed[i] << (i + 1 == printed.size() || i % 8 == 7 ? "\n" : ", ");
  }

  std::string materialName(int id) const {
    const Material& material = model_.materials.at(id);
    return (material.lamina ? "MAT8_" : material.anisotropic ? "MAT9_" : "MAT1_") + std::to_string(id);
  }

  // MAT9's G (rows of strains xx, yy, zz, xy, yz, zx) as CalculiX's D of TYPE=ANISO: its lower
  // triangle column by column in the order 11, 22, 33, 12, 13, 23, eight values a line. Both
  // take the shears as engineering strains.
  void writeAnisotropicElastic(const std::array<double, 21>& g) {
    auto nastranEntry = [&](int i, int j) {  // 0-based Nastran indices
      if (i > j) std::swap(i, j);
      int start = i * 6 - i * (i - 1) / 2;  // where row i's G(i, i) stands
      return g[static_cast<std::size_t>(start + j - i)];
    };
    static const int kNastranIndex[6] = {0, 1, 2, 3, 5, 4};  // CalculiX's 11, 22, 33, 12, 13, 23
    out_ << "*ELASTIC, TYPE=ANISO\n";
    int written = 0;
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i <= j; ++i) {
        out_ << real(nastranEntry(kNastranIndex[i], kNastranIndex[j]));
        ++written;
        out_ << (written % 8 == 0 || written == 21 ? "\n" : ", ");
      }
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
    if (element.type == ElementType::Beam)
      failAt(element.at, label(element) + ": beams are solved in models without shells only");
    if (element.hasEnd(0) || element.hasEnd(1))
      failAt(element.at, label(element) + ": offsets and pin flags are solved in models without shells only");
    if (property.section.i12 != 0 || !property.cardName.empty())
      failAt(property.at, std::string(property.cardName.empty() ? "PBAR" : property.cardName) + " " +
                              std::to_string(property.id) +
                              ": in a model with shells a bar is a rectangle of the bar's A and I1; a product of "
                              "inertia or a section by shape is solved in models without shells only");
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

  // A grid whose CD system is not basic gets a rectangular transform of its own: the CD
  // system's directions at the grid, which for a cylindrical or spherical system are exactly a
  // rectangular frame there. CalculiX then takes its constraints and loads, and prints its
  // displacements and forces, in those directions.
  void writeTransforms() {
    for (const auto& [id, grid] : model_.grids) {
      if (!grid.frame) continue;
      const Frame& frame = *grid.frame;
      out_ << "*NSET, NSET=CD" << id << "\n" << job_.nodes.toCcx(id) << "\n*TRANSFORM, NSET=CD" << id << ", TYPE=R\n"
           << real(frame[0][0]) << ", " << real(frame[0][1]) << ", " << real(frame[0][2]) << ", " << real(frame[1][0])
           << ", " << real(frame[1][1]) << ", " << real(frame[1][2]) << "\n";
    }
  }

  // The temperatures the model is free of strain at: TEMPERATURE(INITIAL) where the deck
  // selects it, else each grid's materials' reference temperature (and they must agree). As the
  // expansion coefficient is constant, CalculiX strains an element by A (T - T initial).
  void writeInitialTemperatures() {
    bool heated = model_.initialTemperatureSet.has_value();
    for (const SubcaseSelection& subcase : model_.subcases) heated = heated || subcase.temperatureSet.has_value();
    if (!heated) return;
    std::map<int, double> initial;
    if (model_.initialTemperatureSet) initial = temperaturesOf(model_, *model_.initialTemperatureSet);
    // CalculiX's U1 beam takes no thermal strain.
    if (job_.lineElementsAsBeams)
      for (const auto& [id, element] : model_.elements)
        if (element.type == ElementType::Rod || element.type == ElementType::Bar || element.type == ElementType::Beam)
          failAt(element.at, label(element) + ": temperatures on rods, bars and beams are not solved in a model with "
                                              "bars, beams, rigid elements or masses (CalculiX's U1 beam has no thermal strain)");
    std::map<int, std::pair<double, int>> reference;  // grid -> (TREF, material)
    for (const auto& [id, element] : model_.elements) {
      const Material& material = materialOf(element);
      for (int grid : element.grids) {
        if (initial.count(grid)) continue;
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
      auto given = initial.find(id);
      auto entry = reference.find(id);
      double temperature = given != initial.end() ? given->second : entry == reference.end() ? 0.0 : entry->second.first;
      out_ << job_.nodes.toCcx(id) << ", " << real(temperature) << "\n";
      initial_[id] = temperature;
    }
    writeMidsideTemperatures(initial_);
  }

  // A generated mid-side node takes the mean of its edge's grids, as the shell between them does;
  // a shear panel's own node the mean of the panel's (it carries no thermal strain).
  void writeMidsideTemperatures(const std::map<int, double>& temperatures) {
    auto at = [&](int grid) {
      auto given = temperatures.find(grid);
      return given != temperatures.end() ? given->second : initial_.at(grid);
    };
    for (const auto& [edge, node] : midsideNodes_)
      out_ << node << ", " << real(0.5 * (at(edge.first) + at(edge.second))) << "\n";
    for (std::size_t i = 0; i < shearNodes_.size(); ++i) {
      double sum = 0;
      for (int grid : shearPanelGrids_[i]) sum += at(grid);
      out_ << shearNodes_[i] << ", " << real(sum / static_cast<double>(shearPanelGrids_[i].size())) << "\n";
    }
  }

  // A grid without a temperature in the subcase's set stays at its initial temperature.
  void writeTemperatures() {
    if (initial_.empty()) return;  // no subcase heats the model
    out_ << "*TEMPERATURE, OP=NEW\n";
    if (!sets_.selection->temperatureSet) return;
    double expansion = 0;
    for (const auto& [id, material] : model_.materials) expansion = std::max(expansion, std::abs(material.expansion.value_or(0)));
    std::map<int, double> temperatures;
    for (const auto& [grid, temperature] : temperaturesOf(model_, *sets_.selection->temperatureSet)) {
      out_ << job_.nodes.toCcx(grid) << ", " << real(temperature) << "\n";
      step_->drivenDisplacement =
          std::max(step_->drivenDisplacement, expansion * std::abs(temperature - initial_[grid]) * modelSize());
      temperatures[grid] = temperature;
    }
    writeMidsideTemperatures(temperatures);
  }

  // Grids that belong to no bar or shell have no rotational DOFs in CalculiX:
  // constraints on DOFs 4-6 there are dropped, as they constrain nothing. Constrained DOFs are
  // held at SPC's D, or at the value an SPCD of the subcase's loads gives them.
  void writeBoundaries() {
    std::map<std::pair<int, int>, double> fixed;  // (grid, DOF) -> enforced value
    for (const auto& [id, grid] : model_.grids)
      for (int dof : grid.permanentConstraints) fixed[{id, dof}] = 0;
    for (const ConstraintSet& set : model_.constraints)
      if (sets_.constrains(set.setId))
        for (int grid : set.grids)
          for (int dof : set.dofs) fixed[{grid, dof}] = set.value;
    std::map<std::pair<int, int>, double> enforced;
    for (const EnforcedDisplacement& spcd : model_.enforced) {
      double factor = sets_.loadFactor(spcd.setId);
      if (factor == 0) continue;
      for (int dof : spcd.dofs) {
        if (!fixed.count({spcd.grid, dof}))
          failAt(spcd.at, "SPCD " + std::to_string(spcd.setId) + ": grid " + std::to_string(spcd.grid) + " DOF " +
                              std::to_string(dof) + " is not constrained in subcase " +
                              std::to_string(sets_.selection->id) +
                              " (an enforced displacement needs the DOF in the subcase's SPC set too)");
        enforced[{spcd.grid, dof}] += factor * spcd.value;
      }
    }
    for (const auto& [key, value] : enforced) fixed[key] = value;
    for (int grid : heldRotations_)
      for (int dof : {4, 5, 6}) fixed.emplace(std::make_pair(grid, dof), 0.0);
    for (const auto& [key, value] : fixed)
      if (auto tie = rigidDependents_.find(key); tie != rigidDependents_.end())
        failAt(tie->second, "grid " + std::to_string(key.first) + " DOF " + std::to_string(key.second) +
                                " is both constrained and tied as a dependent DOF of this rigid element");
    for (const auto& [key, value] : fixed) step_->drivenDisplacement = std::max(step_->drivenDisplacement, std::abs(value));
    out_ << "*BOUNDARY, OP=NEW\n";
    for (const auto& [grid, anchor] : anchors_) out_ << anchor << ", 1, 6\n";
    for (const auto& [key, value] : fixed) {
      auto [grid, dof] = key;
      if (dof > 3 && !rotationalGrids_.count(grid) && !heldRotations_.count(grid)) continue;
      if (dof <= 3) {
        step_->balance[grid].fixed[dof - 1] = true;
        step_->balance[grid].enforced[dof - 1] = value;
      }
      out_ << job_.nodes.toCcx(grid) << ", " << dof << ", " << dof;
      if (value != 0) out_ << ", " << real(value);
      out_ << "\n";
    }
    // The shear panels' own nodes move along DOF 1 alone.
    for (int node : shearNodes_) out_ << node << ", 2, 3\n";
  }

  // A direction in which nothing holds a grid where only rods meet: unloaded, it is held, as
  // Nastran's AUTOSPC holds such a singular DOF (its SPC force is then 0); loaded, the model is
  // a mechanism, which fails here with the grid and direction rather than after the solution.
  void holdFreeDirections() {
    std::map<int, std::array<bool, 3>> fixed;
    for (const auto& [grid, balance] : step_->balance) fixed[grid] = balance.fixed;
    bool header = false;
    std::string loaded;
    int count = 0;
    for (const FreeDirection& free : freeDirections(model_, axialOnly_, fixed)) {
      auto balance = step_->balance.find(free.grid);
      Vec3 applied = balance == step_->balance.end() ? Vec3{} : balance->second.applied;
      double along = std::abs(dot(applied, free.direction));
      bool inElement = elementGrids_.count(free.grid) != 0;
      if (along > 1e-9 * norm(applied) && along > 0) {
        if (count++ < 8)
          loaded += (loaded.empty() ? "" : ", ") + std::string("grid ") + std::to_string(free.grid) + " " +
                    (free.component ? "T" + std::to_string(free.component)
                                    : "along (" + real(free.direction[0]) + ", " + real(free.direction[1]) + ", " +
                                          real(free.direction[2]) + ")");
        continue;
      }
      if (!inElement || free.component == 0) continue;
      if (!header) out_ << "*BOUNDARY\n";
      header = true;
      out_ << job_.nodes.toCcx(free.grid) << ", " << free.component << ", " << free.component << "\n";
      step_->balance[free.grid].fixed[free.component - 1] = true;
    }
    if (count > 8) loaded += " and " + std::to_string(count - 8) + " more";
    if (!loaded.empty())
      throw Failure(model_.fileName + ": subcase " + std::to_string(sets_.selection->id) +
                    ": the stiffness is singular: " + loaded +
                    " free (no element stiffens it that way, and it is not constrained), yet loaded along it");
  }

  // Loads are given to CalculiX in each grid's CD components (the grid's transform turns them).
  void writeNodalLoads() {
    for (const NodalLoad& load : model_.nodalLoads) {
      double factor = sets_.loadFactor(load.setId);
      if (factor == 0) continue;
      bool zero = load.value == Vec3{0, 0, 0};
      if (load.isMoment && !zero && !rotationalGrids_.count(load.grid))
        failAt(load.at, "MOMENT " + std::to_string(load.setId) + ": grid " + std::to_string(load.grid) +
                              " belongs to no bar or shell, so it has no rotational DOFs to take a moment");
      Vec3 value = factor * load.value;
      if (!load.isMoment) step_->balance[load.grid].addApplied(value);
      Vec3 local = toGridComponents(model_.grids.at(load.grid), value);
      for (int axis = 0; axis < 3; ++axis) loadComponents_[{load.grid, axis + 1 + (load.isMoment ? 3 : 0)}] += local[axis];
    }
    addLineLoads(loadComponents_);
    addGravityLoads(loadComponents_);
  }

  // RBE2 as linear constraints (small motion): at each dependent grid d and DOF in CM,
  // u_d = u_n + theta_n x (x_d - x_n) for translations, theta_d = theta_n for rotations.
  void writeRigidLinks() {
    if (model_.rigidLinks.empty()) return;
    std::map<std::pair<int, int>, nastran::Location> dependent;  // (grid, DOF) -> the link that ties it
    for (const RigidLink& link : model_.rigidLinks) {
      if (!job_.lineElementsAsBeams)
        for (const auto& [id, type] : job_.ccxTypes)
          if (type.rfind("C3D", 0) != 0)
            failAt(link.at, "RBE2 " + std::to_string(link.id) +
                                ": rigid elements are solved in models of line elements or of solids only (CalculiX "
                                "cannot give the element turning the independent grid to a model with " +
                                cardName(model_.elements.at(id).type) + ")");
      const Vec3& xn = position(link.independent);
      for (int grid : link.dependents)
        if (model_.grids.at(grid).frame || model_.grids.at(link.independent).frame)
          failAt(link.at, "RBE2 " + std::to_string(link.id) + ": grids with an output system (CD) are not supported here");
      for (int grid : link.dependents) {
        Vec3 r = position(grid) - xn;
        tiedGrids_.insert({grid, link.independent});
        for (int dof : link.dofs) {
          // A solid's grid has no rotations to tie.
          if (dof > 3 && !job_.lineElementsAsBeams) continue;
          if (!dependent.emplace(std::make_pair(grid, dof), link.at).second)
            failAt(link.at, "RBE2 " + std::to_string(link.id) + ": grid " + std::to_string(grid) + " DOF " +
                                std::to_string(dof) + " is tied by another rigid element already");
          std::vector<std::pair<int, double>> terms{{dof, 1.0}};  // (DOF at the independent grid, coefficient)
          std::vector<std::pair<int, double>> independentTerms;
          if (dof <= 3) {
            int a = dof % 3, b = (dof + 1) % 3;  // theta x r along dof: theta_a r_b - theta_b r_a, axes after dof
            independentTerms = {{dof, -1.0}, {4 + a, -r[b]}, {4 + b, r[a]}};
          } else {
            independentTerms = {{dof, -1.0}};
          }
          std::vector<std::string> parts{std::to_string(job_.nodes.toCcx(grid)) + ", " + std::to_string(dof) + ", 1."};
          for (const auto& [independentDof, coefficient] : independentTerms)
            if (coefficient != 0)
              parts.push_back(std::to_string(job_.nodes.toCcx(link.independent)) + ", " + std::to_string(independentDof) +
                              ", " + real(coefficient));
          out_ << "*EQUATION\n" << parts.size() << "\n";
          for (std::size_t i = 0; i < parts.size(); ++i) out_ << parts[i] << (i + 1 == parts.size() || i % 4 == 3 ? "\n" : ", ");
        }
      }
    }
    rigidDependents_ = dependent;
  }

  // A force and moment in basic components at a grid, given in its CD components as every
  // nodal load is, and fed to the balance.
  void addBasicLoad(std::map<std::pair<int, int>, double>& components, int grid, const Vec3& force, const Vec3& moment) {
    step_->balance[grid].addApplied(force);
    const Grid& at = model_.grids.at(grid);
    Vec3 localForce = toGridComponents(at, force), localMoment = toGridComponents(at, moment);
    for (int axis = 0; axis < 3; ++axis) {
      components[{grid, axis + 1}] += localForce[axis];
      components[{grid, axis + 4}] += localMoment[axis];
    }
  }

  // RBE3 → an *EQUATION per reference DOF: the reference grid's motion as the weighted fit of
  // the independent grids' translations (interpolationMatrices).
  void writeInterpolations() {
    for (const Interpolation& interpolation : model_.interpolations) {
      std::string subject = "RBE3 " + std::to_string(interpolation.id);
      std::vector<std::pair<Vec3, double>> points;
      for (const auto& [grid, weight] : interpolation.points) {
        if (model_.grids.at(grid).frame) failAt(interpolation.at, subject + ": grids with an output system (CD) are not supported here");
        points.emplace_back(position(grid), weight);
      }
      if (model_.grids.at(interpolation.reference).frame)
        failAt(interpolation.at, subject + ": grids with an output system (CD) are not supported here");
      auto matrices = interpolationMatrices(position(interpolation.reference), points);
      if (!matrices)
        failAt(interpolation.at, subject + ": the independent grids do not fix the reference grid's rotation (fewer "
                                           "than three of them, or all in line)");
      int reference = job_.nodes.toCcx(interpolation.reference);
      tiedGrids_.insert(interpolation.reference);
      for (const auto& [grid, weight] : interpolation.points) tiedGrids_.insert(grid);
      for (int dof : interpolation.dofs) {
        if (dof > 3 && !rotationalGrids_.count(interpolation.reference))
          failAt(interpolation.at, subject + ": REFC " + std::to_string(dof) + " needs rotations at the reference grid");
        if (!rigidDependents_.emplace(std::make_pair(interpolation.reference, dof), interpolation.at).second)
          failAt(interpolation.at, subject + ": grid " + std::to_string(interpolation.reference) + " DOF " +
                                       std::to_string(dof) + " is tied by another rigid element already");
        std::vector<std::string> terms{std::to_string(reference) + ", " + std::to_string(dof) + ", 1."};
        double largest = 0;
        for (const InterpolationMatrix& m : *matrices)
          for (double value : m[dof - 1]) largest = std::max(largest, std::abs(value));
        for (std::size_t i = 0; i < matrices->size(); ++i)
          for (int k = 0; k < 3; ++k) {
            double value = (*matrices)[i][dof - 1][k];
            if (std::abs(value) <= 1e-12 * largest) continue;
            terms.push_back(std::to_string(job_.nodes.toCcx(interpolation.points[i].first)) + ", " + std::to_string(k + 1) +
                            ", " + real(-value));
          }
        out_ << "*EQUATION\n" << terms.size() << "\n";
        for (std::size_t i = 0; i < terms.size(); ++i) out_ << terms[i] << (i + 1 == terms.size() || i % 4 == 3 ? "\n" : ", ");
      }
    }
  }

  // MPC (through MPCADD) → `*EQUATION`s. CalculiX's equations hold in every step, so every
  // subcase must select the same MPC set (or none).
  void writeMpcs() {
    std::optional<int> selected;
    for (const SubcaseSelection& subcase : model_.subcases) {
      if (&subcase != &model_.subcases.front() && subcase.mpcSet != selected)
        failAt(subcase.at, "SUBCASE " + std::to_string(subcase.id) +
                               ": a different MPC set in another subcase is not supported (CalculiX's equations "
                               "hold in every step)");
      selected = subcase.mpcSet;
    }
    if (!selected) return;
    std::set<int> sets{*selected};
    if (auto joined = model_.mpcUnions.find(*selected); joined != model_.mpcUnions.end())
      sets = std::set<int>(joined->second.begin(), joined->second.end());
    for (const MpcEquation& equation : model_.mpcEquations) {
      if (!sets.count(equation.setId)) continue;
      std::string subject = "MPC " + std::to_string(equation.setId);
      for (const auto& [grid, dof, coefficient] : equation.terms) {
        if (model_.grids.at(grid).frame) failAt(equation.at, subject + ": grids with an output system (CD) are not supported here");
        if (dof > 3 && !rotationalGrids_.count(grid))
          failAt(equation.at, subject + ": grid " + std::to_string(grid) + " has no rotations (component " +
                                  std::to_string(dof) + ")");
        tiedGrids_.insert(grid);
      }
      const auto& [grid, dof, coefficient] = equation.terms.front();
      if (!rigidDependents_.emplace(std::make_pair(grid, dof), equation.at).second)
        failAt(equation.at, subject + ": grid " + std::to_string(grid) + " DOF " + std::to_string(dof) +
                                " is a dependent DOF of another equation or rigid element already");
      out_ << "*EQUATION\n" << equation.terms.size() << "\n";
      std::size_t i = 0;
      for (const auto& [g, c, a] : equation.terms)
        out_ << job_.nodes.toCcx(g) << ", " << c << ", " << real(a) << (++i == equation.terms.size() || i % 4 == 0 ? "\n" : ", ");
    }
  }

  // GRAV: each selected acceleration on every mass, lumped at the grids as Nastran's default
  // mass matrix has it: half of a rod's, bar's or beam's mass (density times area plus the
  // nonstructural mass, times length) at either end; a CONM2 whole at its grid, with the
  // moment of its offset.
  void addGravityLoads(std::map<std::pair<int, int>, double>& components) {
    for (const Gravity& gravity : model_.gravities) {
      double factor = sets_.loadFactor(gravity.setId);
      if (factor == 0) continue;
      auto add = [&](int grid, double mass, const Vec3& offset) {
        Vec3 force = (factor * mass) * gravity.acceleration;
        Vec3 moment = cross(offset, force);
        if (moment != Vec3{0, 0, 0} && !job_.lineElementsAsBeams)
          failAt(gravity.at, "GRAV " + std::to_string(gravity.setId) + ": a CONM2 offset from its grid needs rotations at the grid");
        addBasicLoad(components, grid, force, moment);
      };
      for (const auto& [id, element] : model_.elements) {
        const Property& property = propertyOf(element);
        double density = materialOf(element).density.value_or(0);
        if (element.type != ElementType::Rod && element.type != ElementType::Bar && element.type != ElementType::Beam) {
          if (density != 0 || property.nonstructuralMass != 0)
            failAt(gravity.at, "GRAV " + std::to_string(gravity.setId) + ": gravity on " + label(element) +
                                   " is not supported (rods, bars, beams and CONM2 masses take it)");
          continue;
        }
        double length = norm(position(element.grids[1]) - position(element.grids[0]));
        double mass = (density * property.area + property.nonstructuralMass) * length;
        for (int grid : element.grids) add(grid, mass / 2, Vec3{});
      }
      for (const PointMass& mass : model_.masses) add(mass.grid, mass.mass, mass.offset);
    }
  }

  // PLOAD1: the equivalent end loads of each bar's loads, as point loads at its grids.
  void addLineLoads(std::map<std::pair<int, int>, double>& components) {
    for (const LineLoad& load : model_.lineLoads) {
      double factor = sets_.loadFactor(load.setId);
      if (factor == 0) continue;
      const Element& element = model_.elements.at(load.element);
      if (!job_.lineElementsAsBeams)
        failAt(load.at, "PLOAD1 " + std::to_string(load.setId) + ": loads along bars are solved in models without shells only");
      const BarFrame& frame = frameOf(element);
      EndValues local{};
      if (load.elementAxes) {
        local = lineLoadEquivalent(frame.length, load.axis, load.from, load.to, factor * load.valueA, factor * load.valueB);
      } else {
        // A load along a basic axis: its parts along the element axes.
        const Vec3* axes[3] = {&frame.x, &frame.y, &frame.z};
        for (int axis = 0; axis < 3; ++axis) {
          double share = (*axes[axis])[load.axis];
          if (share == 0) continue;
          EndValues part = lineLoadEquivalent(frame.length, axis, load.from, load.to, factor * share * load.valueA,
                                              factor * share * load.valueB);
          for (std::size_t i = 0; i < local.size(); ++i) local[i] += part[i];
        }
      }
      EndValues& total = step_->lineLoads[element.id];
      for (std::size_t i = 0; i < local.size(); ++i) total[i] += local[i];
      EndValues basic = toBasic(frame, local);
      for (int end = 0; end < 2; ++end)
        addBasicLoad(components, element.grids[end], {basic[6 * end], basic[6 * end + 1], basic[6 * end + 2]},
                     {basic[6 * end + 3], basic[6 * end + 4], basic[6 * end + 5]});
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
      double factor = sets_.loadFactor(load.setId);
      if (factor == 0) continue;
      for (const GridForce& share : pressureNodalForces(model_, load)) {
        Vec3 force = factor * share.force;
        step_->balance[share.grid].addApplied(force);
        Vec3 local = toGridComponents(model_.grids.at(share.grid), force);
        for (int axis = 0; axis < 3; ++axis) loadComponents_[{share.grid, axis + 1}] += local[axis];
      }
    }
  }

  // The step's point and pressure loads, replacing the previous step's.
  void writeCloads() {
    out_ << "*CLOAD, OP=NEW\n";
    for (const auto& [key, value] : loadComponents_) {
      if (value == 0) continue;
      out_ << job_.nodes.toCcx(key.first) << ", " << key.second << ", " << real(value) << "\n";
    }
    loadComponents_.clear();
  }

  const Model& model_;
  const double modelSize_;
  CcxJob job_;
  std::ostringstream out_;
  std::set<int> rotationalGrids_;
  std::set<int> heldRotations_;  // grids of U1 rods only
  std::map<int, BarFrame> frames_;
  std::map<int, U1Section> u1Sections_;
  std::string printSet_ = "EALL";
  std::map<std::pair<int, int>, nastran::Location> rigidDependents_;
  std::set<int> tiedGrids_;
  int nextElement_ = 1;  // the next CalculiX element number after the model's
  std::map<std::pair<int, int>, int> endNodeOf_;  // (bar, end) -> its own CalculiX node
  std::vector<std::pair<int, int>> anchors_;       // (grid, its stub's held node)
  std::vector<std::string> setNames_;
  std::map<std::string, const Element*> setMembers_;
  std::map<int, double> initial_;
  std::set<int> elementGrids_;
  std::map<int, Matrix3> axialOnly_;
  SubcaseSets sets_;
  StepJob* step_ = nullptr;
  std::map<std::pair<int, int>, double> loadComponents_;  // (grid, DOF in CD components) -> the step's point and pressure loads
  std::vector<std::pair<std::string, std::pair<int, std::string>>> edgeRodSets_;  // name, (material, area)
  std::vector<int> shearNodes_;                    // a CalculiX node per shear panel
  std::vector<std::vector<int>> shearPanelGrids_;  // and the panel's grids
  std::map<std::pair<int, int>, int> midsideNodes_;       // generated: edge (low grid, high grid) -> CalculiX node
  mutable std::map<std::string, std::size_t> orientationGroups_;  // laminates' material axes -> set number
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
      {"T3D2", {8}},  {"B31", {8}},    {"U1", {2}},    {"S4", {8}},    {"S3", {2, 9}}, {"S8R", {8}},   {"S6", {9}},
      {"M3D4", {8}},  {"M3D3", {2}},   {"M3D8R", {8}}, {"M3D6", {9}},  {"C3D4", {1}},  {"C3D10", {4}},
      {"C3D6", {2}},  {"C3D15", {9}},  {"C3D8", {8}},  {"C3D8I", {8}}, {"C3D20R", {8}},
  };
  static const std::set<std::size_t> kNone;
  auto found = kRows.find(ccxType);
  return found == kRows.end() ? kNone : found->second;
}

}  // namespace nastranccx
