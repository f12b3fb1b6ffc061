#include "model_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "line_cards.h"
#include "nastran/coordinate_systems.h"
#include "nastran/cross_reference.h"
#include "nastran/numbers.h"
#include "numbers.h"
#include "settings.h"
#include "shear_panels.h"
#include "shell_solid_cards.h"

namespace nastranccx {

const char* cardName(ElementType type) {
  switch (type) {
    case ElementType::Rod: return "CROD";
    case ElementType::Bar: return "CBAR";
    case ElementType::Beam: return "CBEAM";
    case ElementType::Quad4: return "CQUAD4";
    case ElementType::Tria3: return "CTRIA3";
    case ElementType::Tetra4:
    case ElementType::Tetra10: return "CTETRA";
    case ElementType::Hexa8:
    case ElementType::Hexa20: return "CHEXA";
    case ElementType::Penta6:
    case ElementType::Penta15: return "CPENTA";
    case ElementType::Quad8: return "CQUAD8";
    case ElementType::Tria6: return "CTRIA6";
    case ElementType::QuadR: return "CQUADR";
    case ElementType::TriaR: return "CTRIAR";
    case ElementType::Shear: return "CSHEAR";
  }
  return "?";
}

const char* cardName(PropertyType type) {
  switch (type) {
    case PropertyType::Rod: return "PROD";
    case PropertyType::Bar: return "PBAR";
    case PropertyType::Shell: return "PSHELL";
    case PropertyType::Solid: return "PSOLID";
    case PropertyType::Shear: return "PSHEAR";
  }
  return "?";
}

PropertyType propertyTypeFor(ElementType type) {
  switch (type) {
    case ElementType::Rod: return PropertyType::Rod;
    case ElementType::Bar:
    case ElementType::Beam: return PropertyType::Bar;
    case ElementType::Quad4:
    case ElementType::Tria3:
    case ElementType::Quad8:
    case ElementType::Tria6:
    case ElementType::QuadR:
    case ElementType::TriaR: return PropertyType::Shell;
    case ElementType::Tetra4:
    case ElementType::Tetra10:
    case ElementType::Penta6:
    case ElementType::Penta15:
    case ElementType::Hexa8:
    case ElementType::Hexa20: return PropertyType::Solid;
    case ElementType::Shear: return PropertyType::Shear;
  }
  return PropertyType::Rod;
}

namespace {

// The cards the conversion to CalculiX knows; every other card of a deck is refused by name.
constexpr std::array<std::string_view, 66> kSolvedCards = {
    "GRID",   "CROD",   "CBAR",   "CQUAD4", "CTRIA3",  "CQUAD8", "CTRIA6", "CQUADR", "CTRIAR", "CTETRA",
    "CPENTA", "CHEXA",  "PROD",   "PBAR",   "PSHELL",  "PCOMP",  "PCOMPG", "PSOLID", "MAT1",   "MAT8",
    "FORCE",  "MOMENT", "FORCE1", "MOMENT1", "PLOAD",  "PLOAD2", "PLOAD4", "TEMP",   "TEMPD",  "SPC",
    "SPC1",   "SPCADD", "SPCD",   "LOAD",   "PARAM",   "MDLPRM", "CORD1R", "CORD1C", "CORD1S", "CORD2R",
    "CORD2C", "CORD2S", "MAT9",   "CONROD", "CBEAM",  "PBARL",   "PBEAM",  "PBEAML", "PLOAD1", "CONM2",
    "RBE2",   "GRAV",   "CELAS1", "CELAS2", "PELAS",   "RBE3",   "CBUSH",  "PBUSH",  "RBAR",   "MPC",
    "MPCADD", "CSHEAR", "PSHEAR",
};

bool isSolved(std::string_view card) {
  return std::find(kSolvedCards.begin(), kSolvedCards.end(), card) != kSolvedCards.end();
}

std::string label(std::string_view card, int id) { return std::string(card) + " " + std::to_string(id); }

// The DOF numbers 1-6 of a set of components.
std::vector<int> dofsOf(const nastran::Components& components) {
  std::vector<int> dofs;
  for (int dof = 1; dof <= 6; ++dof)
    if (components.has(dof)) dofs.push_back(dof);
  return dofs;
}

class ModelBuilder {
 public:
  ModelBuilder(const nastran::Deck& deck, std::vector<std::string>* ignoredSettings)
      : deck_(deck), bulk_(deck.bulk), ignoredSettings_(ignoredSettings) {
    model_.fileName = deck.files.front();
    model_.files = deck.files;
  }

  Model build() {
    readExecutive();
    readCaseControl();
    refuseUnsolvedCards();
    // An SPC selection without SPC cards leaves only the grids' own constraints: a model that
    // needs more fails as singular after the solution.
    nastran::requireConsistent(deck_, nastran::CheckOptions{.spcSelectionMayBeEmpty = true});
    std::vector<std::string> ignored = checkSettings(deck_);
    if (ignoredSettings_) *ignoredSettings_ = std::move(ignored);
    readMassScale();
    readGrids();
    readElements();
    readProperties();
    readMaterials();
    checkPropertyMaterials(deck_, model_);
    readLoads();
    readLineCards(deck_, model_);
    readConstraints();
    return std::move(model_);
  }

 private:
  [[noreturn]] void fail(const nastran::Origin& origin, std::size_t field, const std::string& subject,
                         const std::string& reason) const {
    throw deck_.errorAt(origin, field, subject, reason);
  }
  [[noreturn]] void failAt(nastran::Location at, const std::string& reason) const { throw deck_.errorAt(at, "", reason); }

  void basicSystemOnly(const nastran::Origin& origin, std::size_t field, const std::string& subject, const char* what,
                       int system) const {
    if (system != 0)
      fail(origin, field, subject,
           std::string(what) + " " + std::to_string(system) + ": only the basic coordinate system (0) is supported");
  }

  void readExecutive() {
    const std::optional<nastran::Solution>& solution = deck_.executive.solution;
    if (!solution)
      throw nastran::DeckError(model_.fileName, 0, "", "no SOL statement in the executive control (SOL 101 expected)");
    if (solution->number != 101) {
      std::string given = solution->number ? std::to_string(*solution->number) : solution->name;
      failAt(solution->at, "SOL " + given + ": only SOL 101 (linear statics) is supported");
    }
  }

  void readCaseControl() {
    std::optional<std::pair<int, nastran::Location>> initial;
    for (const nastran::Subcase& subcase : deck_.caseControl.effectiveSubcases()) {
      if (subcase.temperatureInitial) {
        nastran::Location at = subcase.locationOf("TEMPERATURE(INITIAL)");
        if (initial && initial->first != *subcase.temperatureInitial)
          failAt(at, "TEMPERATURE(INITIAL) = " + std::to_string(*subcase.temperatureInitial) +
                         ": the initial temperatures are those of the whole model; another subcase selects set " +
                         std::to_string(initial->first));
        initial = {*subcase.temperatureInitial, at};
      }
      SubcaseSelection selection;
      selection.id = subcase.id == 0 ? 1 : subcase.id;
      selection.loadSet = subcase.load;
      selection.constraintSet = subcase.spc;
      selection.mpcSet = subcase.mpc;
      // TEMPERATURE(BOTH) selects the load set too; TEMPERATURE(MATERIAL) alone only chooses
      // temperature-dependent properties, which no solved material has.
      selection.temperatureSet = subcase.temperatureLoad;
      selection.title = subcase.title.value_or("");
      selection.subtitle = subcase.subtitle.value_or("");
      selection.label = subcase.label.value_or("");
      selection.quad4Corners = wantsCornerStresses(subcase);
      selection.at = subcase.at;
      model_.subcases.push_back(std::move(selection));
    }
    if (initial) model_.initialTemperatureSet = initial->first;
  }

  // The first card in the deck that the conversion does not know.
  void refuseUnsolvedCards() {
    std::optional<std::pair<std::string, nastran::Location>> first;
    auto consider = [&](std::string_view card, const nastran::Origin& origin) {
      if (isSolved(card)) return;
      if (!first || std::pair(origin.at.file, origin.at.line) < std::pair(first->second.file, first->second.line))
        first = {std::string(card), origin.at};
    };
    auto all = [&](const auto& cards, auto nameOf) {
      for (const auto& card : cards) consider(nameOf(card), card.origin);
    };
    auto named = [](std::string_view name) { return [name](const auto&) { return name; }; };
    all(bulk_.spoints, named("SPOINT"));
    all(bulk_.conrods, named("CONROD"));
    all(bulk_.cbeams, named("CBEAM"));
    all(bulk_.cbushes, named("CBUSH"));
    all(bulk_.celas1s, named("CELAS1"));
    all(bulk_.celas2s, named("CELAS2"));
    all(bulk_.plates, [](const nastran::Plate& p) { return nastran::cardName(p.shape); });
    all(bulk_.cshears, named("CSHEAR"));
    all(bulk_.solids, [](const nastran::Solid& s) { return nastran::cardName(s.shape); });
    all(bulk_.conm2s, named("CONM2"));
    all(bulk_.rbe2s, named("RBE2"));
    all(bulk_.rbe3s, named("RBE3"));
    all(bulk_.rbars, named("RBAR"));
    all(bulk_.pbarls, named("PBARL"));
    all(bulk_.pbeams, named("PBEAM"));
    all(bulk_.pbeamls, named("PBEAML"));
    all(bulk_.pbushes, named("PBUSH"));
    all(bulk_.pelas, named("PELAS"));
    all(bulk_.pcomps, [](const nastran::Pcomp& p) { return std::string_view(p.global ? "PCOMPG" : "PCOMP"); });
    all(bulk_.pshears, named("PSHEAR"));
    all(bulk_.mat2s, named("MAT2"));
    all(bulk_.mat8s, named("MAT8"));
    all(bulk_.mat9s, named("MAT9"));
    all(bulk_.ploads, named("PLOAD"));
    all(bulk_.pload1s, named("PLOAD1"));
    all(bulk_.pload2s, named("PLOAD2"));
    all(bulk_.gravs, named("GRAV"));
    all(bulk_.mpcs, named("MPC"));
    all(bulk_.mpcadds, named("MPCADD"));
    for (const nastran::PassedCard& card : bulk_.passed)
      if (card.name != "MDLPRM") consider(card.name, card.origin);
    if (first)
      throw deck_.errorAt(first->second, first->first, unsolvedCardReason(first->first));
  }

  void readMassScale() {
    for (const nastran::Param& param : bulk_.params) {
      if (param.name != "WTMASS") continue;
      std::optional<double> value = param.values.empty() ? std::nullopt : nastran::parseReal(param.values.front());
      if (!value || *value <= 0)
        throw deck_.errorAt(param.origin.at, "PARAM WTMASS", "the value must be a positive real");
      model_.massScale = *value;
    }
  }

  void readGrids() {
    nastran::CoordinateSystems systems(deck_);
    for (std::size_t index = 0; index < bulk_.grids.size(); ++index) {
      const nastran::Grid& card = bulk_.grids[index];
      if (card.seid != 0) fail(card.origin, 8, label("GRID", card.id), "superelements are not supported");
      Grid grid{card.id, systems.gridPosition(index), dofsOf(card.ps), std::nullopt, card.origin.at};
      if (card.cd != 0) grid.frame = systems.displacementDirections(index);
      model_.grids[card.id] = grid;
    }
    systems_.emplace(std::move(systems));
  }

  void addElement(Element element) { model_.elements.emplace(element.id, std::move(element)); }

  void readElements() {
    for (const nastran::Crod& card : bulk_.crods)
      addElement({card.eid, ElementType::Rod, card.pid, {card.g[0], card.g[1]}, {}, {}, card.origin.at});
    for (const nastran::Cbar& card : bulk_.cbars) {
      std::string subject = label("CBAR", card.eid);
      Element element{card.eid, ElementType::Bar, card.pid, {card.ga, card.gb}, {}, {}, card.origin.at};
      if (card.orientation.grid != 0) {
        element.orientationGrid = card.orientation.grid;
      } else {
        element.orientation = card.orientation.vector.value_or(Vec3{0, 0, 0});
        if (element.orientation == Vec3{0, 0, 0}) fail(card.origin, 5, subject, "the orientation vector X1, X2, X3 is zero or blank");
      }
      std::string problem = readBarEnds(model_, element, card.offt, card.pa, card.pb, card.wa, card.wb);
      if (!problem.empty()) fail(card.origin, 8, subject, problem);
      addElement(std::move(element));
    }
    for (const nastran::Plate& card : bulk_.plates) addElement(plateElement(deck_, card));
    for (const nastran::Solid& card : bulk_.solids) addElement(solidElement(deck_, card));
    for (const nastran::Cshear& card : bulk_.cshears) addElement(shearPanelElement(deck_, card));
  }

  void positive(const nastran::Origin& origin, std::size_t field, const std::string& subject, const char* what,
                double value) const {
    if (value <= 0)
      fail(origin, field, subject,
           "field " + std::to_string(field) + " (" + what + ") must be positive, not " + formatReal(value));
  }

  void addProperty(Property property) { model_.properties.emplace(property.id, property); }

  void readProperties() {
    for (const nastran::Prod& card : bulk_.prods) {
      positive(card.origin, 3, label("PROD", card.pid), "A", card.a);
      // J and C (torsion) have no counterpart in a truss; NSM only adds mass.
      Property property{card.pid, PropertyType::Rod, card.mid, card.a, 0, 0, 0, card.origin.at};
      property.nonstructuralMass = card.nsm;
      addProperty(property);
    }
    for (const nastran::Pbar& card : bulk_.pbars) {
      std::string subject = label("PBAR", card.pid);
      positive(card.origin, 3, subject, "A", card.a);
      positive(card.origin, 4, subject, "I1", card.i1);
      positive(card.origin, 5, subject, "I2", card.i2);
      if (card.i1 * card.i2 <= card.i12 * card.i12) fail(card.origin, 19, subject, "I1*I2 must exceed I12**2");
      // NSM adds mass only; K1/K2 (shear flexibility) are left out: the bar is Euler-Bernoulli's.
      Property property{card.pid, PropertyType::Bar, card.mid, card.a, card.i1, card.i2, 0, card.origin.at};
      property.section = pbarSection(card);
      property.nonstructuralMass = card.nsm;
      addProperty(property);
    }
    for (const nastran::Pshell& card : bulk_.pshells) addProperty(shellProperty(deck_, card));
    for (const nastran::Pcomp& card : bulk_.pcomps) addProperty(compositeProperty(deck_, card));
    for (const nastran::Pshear& card : bulk_.pshears) addProperty(shearPanelProperty(deck_, card));
    // CORDM, IN, STRESS, ISOP and FCTN choose integration and output details only.
    for (const nastran::Psolid& card : bulk_.psolids)
      addProperty({card.pid, PropertyType::Solid, card.mid, 0, 0, 0, 0, card.origin.at});
  }

  void readMaterials() {
    for (const nastran::Mat1& card : bulk_.mat1s) {
      std::string subject = label("MAT1", card.mid);
      std::optional<double> youngs = card.e, shear = card.g, poisson = card.nu;
      if (!youngs && shear && poisson) youngs = 2 * (1 + *poisson) * *shear;
      if (!youngs) fail(card.origin, 2, subject, "E is blank (and cannot be derived from G and NU)");
      if (!poisson && shear) {
        if (*shear <= 0) fail(card.origin, 3, subject, "G must be positive");
        poisson = *youngs / (2 * *shear) - 1;
      }
      Material material;
      material.id = card.mid;
      material.youngsModulus = *youngs;
      material.poissonRatio = poisson.value_or(0.0);
      if (material.youngsModulus <= 0) fail(card.origin, 2, subject, "E must be positive");
      if (material.poissonRatio <= -1 || material.poissonRatio >= 0.5)
        fail(card.origin, 4, subject, "Poisson's ratio " + formatReal(material.poissonRatio) + " is outside (-1, 0.5)");
      if (card.rho != 0) material.density = card.rho;
      if (card.a != 0) material.expansion = card.a;
      material.referenceTemperature = card.tref;
      // GE, ST, SC, SS (damping and allowables) do not enter a static solution.
      if (card.mcsid && *card.mcsid != 0)
        fail(card.origin, 12, subject, "material coordinate systems (MCSID) are not supported");
      material.at = card.origin.at;
      model_.materials.emplace(material.id, material);
    }
    readLaminae(deck_, model_);
    readAnisotropicMaterials(deck_, model_);
  }

  void readLoads() {
    for (const nastran::NodalLoad& card : bulk_.nodalLoads) {
      NodalLoad load{card.sid, card.g, card.moment, {}, card.origin.at};
      // N1-N3 in system CID, whose directions a cylindrical or spherical system takes at the grid.
      nastran::Frame axes = systems_->directionsAt(card.cid, model_.grids.at(card.g).position);
      for (int axis = 0; axis < 3; ++axis)
        for (int basic = 0; basic < 3; ++basic) load.value[basic] += card.scale * card.n[axis] * axes[axis][basic];
      model_.nodalLoads.push_back(load);
    }
    for (const nastran::NodalLoad1& card : bulk_.nodalLoad1s) {
      Vec3 from = model_.grids.at(card.g1).position, to = model_.grids.at(card.g2).position;
      Vec3 along{to[0] - from[0], to[1] - from[1], to[2] - from[2]};
      double length = std::sqrt(along[0] * along[0] + along[1] * along[1] + along[2] * along[2]);
      std::string subject = label(card.moment ? "MOMENT1" : "FORCE1", card.sid);
      if (length == 0)
        fail(card.origin, 5, subject, "grids " + std::to_string(card.g1) + " and " + std::to_string(card.g2) +
                                          " coincide, so they give no direction");
      NodalLoad load{card.sid, card.g, card.moment, {}, card.origin.at};
      for (int axis = 0; axis < 3; ++axis) load.value[axis] = card.scale * along[axis] / length;
      model_.nodalLoads.push_back(load);
    }
    for (const nastran::LoadCombination& card : bulk_.loads) {
      LoadCombination combination{card.sid, card.scale, {}, card.origin.at};
      for (const auto& term : card.terms) combination.terms.emplace_back(term.scale, term.set);
      model_.loadCombinations.push_back(std::move(combination));
    }
    for (const nastran::Tempd& card : bulk_.tempds)
      if (!model_.defaultTemperatures.emplace(card.sid, card.t).second)
        fail(card.origin, 2, label("TEMPD", card.sid), "set " + std::to_string(card.sid) + " has a TEMPD already");
    readPressureLoads(deck_, *systems_, model_);
    for (const nastran::Temp& card : bulk_.temps)
      model_.temperatures.push_back({card.sid, card.g, card.t, card.origin.at});
  }

  std::vector<int> constrainedDofs(const nastran::Origin& origin, const char* card, int sid,
                                   const nastran::Components& components) const {
    if (components.has(0))
      fail(origin, 2, label(card, sid), "C '" + components.digits() + "' must be made of the digits 1 to 6");
    return dofsOf(components);
  }

  void readConstraints() {
    for (const nastran::Spc1& card : bulk_.spc1s) {
      ConstraintSet set{card.sid, constrainedDofs(card.origin, "SPC1", card.sid, card.c), {}, 0, card.origin.at};
      if (card.thru) {
        for (auto it = model_.grids.lower_bound(card.grids[0]); it != model_.grids.end() && it->first <= card.grids[1]; ++it)
          set.grids.push_back(it->first);
      } else {
        set.grids = card.grids;
      }
      model_.constraints.push_back(std::move(set));
    }
    for (const nastran::Spc& card : bulk_.spcs)
      model_.constraints.push_back(
          {card.sid, constrainedDofs(card.origin, "SPC", card.sid, card.c), {card.g}, card.d, card.origin.at});
    for (const nastran::Spc& card : bulk_.spcds)
      model_.enforced.push_back({card.sid, card.g, constrainedDofs(card.origin, "SPCD", card.sid, card.c), card.d,
                                 card.origin.at});
    for (const nastran::SetUnion& card : bulk_.spcadds) {
      std::vector<int>& sets = model_.constraintUnions[card.sid];
      sets.insert(sets.end(), card.sets.begin(), card.sets.end());
    }
  }

  const nastran::Deck& deck_;
  const nastran::Bulk& bulk_;
  std::vector<std::string>* ignoredSettings_;
  std::optional<nastran::CoordinateSystems> systems_;
  Model model_;
};

}  // namespace

Model buildModel(const nastran::Deck& deck, std::vector<std::string>* ignoredSettings) {
  return ModelBuilder(deck, ignoredSettings).build();
}

Vec3 toGridComponents(const Grid& grid, const Vec3& basic) {
  if (!grid.frame) return basic;
  Vec3 components{};
  for (int axis = 0; axis < 3; ++axis)
    for (int k = 0; k < 3; ++k) components[axis] += (*grid.frame)[axis][k] * basic[k];
  return components;
}

Vec3 toBasicComponents(const Grid& grid, const Vec3& components) {
  if (!grid.frame) return components;
  Vec3 basic{};
  for (int axis = 0; axis < 3; ++axis)
    for (int k = 0; k < 3; ++k) basic[k] += (*grid.frame)[axis][k] * components[axis];
  return basic;
}

}  // namespace nastranccx
