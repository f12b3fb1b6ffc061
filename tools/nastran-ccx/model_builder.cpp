#include "model_builder.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <unordered_map>

#include "failure.h"
#include "numbers.h"

namespace nastranccx {

const char* cardName(ElementType type) {
  switch (type) {
    case ElementType::Rod: return "CROD";
    case ElementType::Bar: return "CBAR";
    case ElementType::Quad4: return "CQUAD4";
    case ElementType::Tria3: return "CTRIA3";
    case ElementType::Tetra4: return "CTETRA";
    case ElementType::Hexa8: return "CHEXA";
  }
  return "?";
}

const char* cardName(PropertyType type) {
  switch (type) {
    case PropertyType::Rod: return "PROD";
    case PropertyType::Bar: return "PBAR";
    case PropertyType::Shell: return "PSHELL";
    case PropertyType::Solid: return "PSOLID";
  }
  return "?";
}

PropertyType propertyTypeFor(ElementType type) {
  switch (type) {
    case ElementType::Rod: return PropertyType::Rod;
    case ElementType::Bar: return PropertyType::Bar;
    case ElementType::Quad4:
    case ElementType::Tria3: return PropertyType::Shell;
    case ElementType::Tetra4:
    case ElementType::Hexa8: return PropertyType::Solid;
  }
  return PropertyType::Rod;
}

namespace {

// Reads the fields of one card, numbered as Nastran numbers them (field 1 is the
// first after the name), and words every complaint with file, line and card.
class CardFields {
 public:
  CardFields(const Card& card, const std::string& fileName) : card_(card), fileName_(fileName) {}

  const Card& card() const { return card_; }
  std::size_t count() const { return card_.fields.size(); }
  const std::string& text(std::size_t field) const {
    static const std::string kBlank;
    return field >= 1 && field <= card_.fields.size() ? card_.fields[field - 1] : kBlank;
  }
  bool isBlank(std::size_t field) const { return text(field).empty(); }

  [[noreturn]] void fail(const std::string& reason) const {
    std::string label = card_.name;
    if (!isBlank(1)) label += " " + text(1);
    throw Failure(fileName_ + ":" + std::to_string(card_.line) + ": " + label + ": " + reason);
  }

  std::optional<int> optionalInteger(std::size_t field, const char* what) const {
    if (isBlank(field)) return std::nullopt;
    auto value = tryParseInteger(text(field));
    if (!value) fail(describe(field, what) + " '" + text(field) + "' is not an integer");
    return value;
  }
  int integer(std::size_t field, const char* what) const {
    auto value = optionalInteger(field, what);
    if (!value) fail(describe(field, what) + " is blank");
    return *value;
  }
  int identifier(std::size_t field, const char* what) const {
    int value = integer(field, what);
    if (value <= 0) fail(describe(field, what) + " must be a positive ID, not " + text(field));
    return value;
  }

  std::optional<double> optionalReal(std::size_t field, const char* what) const {
    if (isBlank(field)) return std::nullopt;
    auto value = tryParseReal(text(field));
    if (!value) fail(describe(field, what) + " '" + text(field) + "' is not a number");
    if (!std::isfinite(*value)) fail(describe(field, what) + " '" + text(field) + "' is not a finite number");
    return value;
  }
  double real(std::size_t field, const char* what) const {
    auto value = optionalReal(field, what);
    if (!value) fail(describe(field, what) + " is blank");
    return *value;
  }
  double realOr(std::size_t field, const char* what, double fallback) const {
    return optionalReal(field, what).value_or(fallback);
  }
  double positiveReal(std::size_t field, const char* what) const {
    double value = real(field, what);
    if (value <= 0) fail(describe(field, what) + " must be positive, not " + text(field));
    return value;
  }

  // Fields from `first` on carry data this conversion cannot honour.
  void requireBlankFrom(std::size_t first) const {
    for (std::size_t field = first; field <= count(); ++field)
      if (!isBlank(field)) fail("field " + std::to_string(field) + " ('" + text(field) + "') is not supported");
  }
  // A field that may be given only as blank or zero.
  void requireZero(std::size_t field, const char* what) const {
    if (isBlank(field)) return;
    auto value = tryParseReal(text(field));
    if (!value || *value != 0) fail(describe(field, what) + " '" + text(field) + "' is not supported (only blank or 0)");
  }

  std::vector<int> dofs(std::size_t field, const char* what) const {
    std::vector<int> dofs;
    const std::string& digits = text(field);
    if (digits.empty()) fail(describe(field, what) + " is blank");
    for (char c : digits) {
      int dof = c - '0';
      if (dof < 1 || dof > 6)
        fail(describe(field, what) + " '" + digits + "' must be made of the digits 1 to 6");
      if (std::find(dofs.begin(), dofs.end(), dof) != dofs.end())
        fail(describe(field, what) + " '" + digits + "' repeats the digit " + std::string(1, c));
      dofs.push_back(dof);
    }
    return dofs;
  }

 private:
  static std::string describe(std::size_t field, const char* what) {
    return "field " + std::to_string(field) + " (" + what + ")";
  }

  const Card& card_;
  const std::string& fileName_;
};

void checkBasicSystem(const CardFields& fields, std::size_t field, const char* what) {
  if (auto system = fields.optionalInteger(field, what); system && *system != 0)
    fields.fail(std::string(what) + " " + std::to_string(*system) +
                ": only the basic coordinate system (0) is supported");
}

class ModelBuilder {
 public:
  explicit ModelBuilder(const Deck& deck) : deck_(deck) { model_.fileName = deck.fileName; }

  Model build() {
    readExecutive();
    readCaseControl();
    for (const Card& card : deck_.bulk) readCard(card);
    checkReferences();
    return std::move(model_);
  }

 private:
  using Reader = void (ModelBuilder::*)(const CardFields&);

  [[noreturn]] void failAt(int line, const std::string& reason) const {
    throw Failure(deck_.fileName + ":" + std::to_string(line) + ": " + reason);
  }

  void readExecutive() {
    for (const StatementLine& statement : deck_.executive) {
      if (statement.text.rfind("SOL ", 0) != 0) continue;
      std::string solution(trim(statement.text.substr(4)));
      if (solution != "101" && solution != "SESTATIC")
        failAt(statement.line, "SOL " + solution + ": only SOL 101 (linear statics) is supported");
      return;
    }
    throw Failure(deck_.fileName + ": no SOL statement in the executive control (SOL 101 expected)");
  }

  void readCaseControl() {
    int subcases = 0;
    for (const StatementLine& statement : deck_.caseControl) {
      const std::string& text = statement.text;
      if (text.rfind("SUBCASE", 0) == 0) {
        auto id = tryParseInteger(trim(text.substr(7)));
        if (!id || *id <= 0) failAt(statement.line, "'" + text + "' needs a positive subcase number");
        if (++subcases > 1) failAt(statement.line, text + ": only one subcase is supported");
        model_.selection.subcaseId = *id;
        continue;
      }
      std::size_t equals = text.find('=');
      if (equals == std::string::npos) continue;
      std::string key;
      for (char c : text.substr(0, equals))
        if (c != ' ') key += c;
      if (key == "TITLE" || key == "SUBTITLE" || key == "LABEL") continue;
      std::string value(trim(text.substr(equals + 1)));
      auto setId = [&] {
        auto id = tryParseInteger(value);
        if (!id || *id <= 0) failAt(statement.line, key + " = " + value + ": a positive set ID is expected");
        return *id;
      };
      if (key == "LOAD") {
        model_.selection.loadSet = setId();
      } else if (key == "SPC") {
        model_.selection.constraintSet = setId();
      } else if (key.rfind("TEMP", 0) == 0) {
        std::size_t open = key.find('(');
        std::string kind = open == std::string::npos ? "BOTH" : key.substr(open + 1, key.find(')') - open - 1);
        if (kind == "LOAD" || kind == "BOTH") model_.selection.temperatureSet = setId();
        else if (kind != "MATERIAL" && kind != "MAT")
          failAt(statement.line, key + ": only TEMPERATURE(LOAD) is supported");
      }
    }
  }

  void readCard(const Card& card) {
    static const std::unordered_map<std::string, Reader> kReaders = {
        {"GRID", &ModelBuilder::readGrid},     {"CROD", &ModelBuilder::readRod},
        {"CBAR", &ModelBuilder::readBar},      {"CQUAD4", &ModelBuilder::readQuad4},
        {"CTRIA3", &ModelBuilder::readTria3},  {"CTETRA", &ModelBuilder::readTetra},
        {"CHEXA", &ModelBuilder::readHexa},    {"PROD", &ModelBuilder::readRodProperty},
        {"PBAR", &ModelBuilder::readBarProperty}, {"PSHELL", &ModelBuilder::readShellProperty},
        {"PSOLID", &ModelBuilder::readSolidProperty}, {"MAT1", &ModelBuilder::readMaterial},
        {"FORCE", &ModelBuilder::readForce},   {"MOMENT", &ModelBuilder::readMoment},
        {"PLOAD4", &ModelBuilder::readPressure}, {"TEMP", &ModelBuilder::readTemperature},
        {"SPC1", &ModelBuilder::readConstraint}, {"PARAM", &ModelBuilder::readParameter},
    };
    auto reader = kReaders.find(card.name);
    if (reader == kReaders.end()) failAt(card.line, card.name + ": unknown card");
    CardFields fields(card, deck_.fileName);
    (this->*reader->second)(fields);
  }

  void readParameter(const CardFields&) {}  // solver parameters do not change a linear static answer here

  void readGrid(const CardFields& fields) {
    Grid grid;
    grid.id = fields.identifier(1, "ID");
    checkBasicSystem(fields, 2, "CP");
    for (int axis = 0; axis < 3; ++axis) grid.position[axis] = fields.realOr(3 + axis, "X", 0.0);
    checkBasicSystem(fields, 6, "CD");
    if (!fields.isBlank(7) && fields.text(7) != "0") grid.permanentConstraints = fields.dofs(7, "PS");
    if (auto superElement = fields.optionalInteger(8, "SEID"); superElement && *superElement != 0)
      fields.fail("superelements are not supported");
    fields.requireBlankFrom(9);
    grid.line = fields.card().line;
    insertUnique(model_.grids, grid.id, std::move(grid), fields);
  }

  Element elementHeader(const CardFields& fields, ElementType type, std::size_t gridCount) {
    Element element;
    element.id = fields.identifier(1, "EID");
    element.type = type;
    element.propertyId = fields.isBlank(2) ? element.id : fields.identifier(2, "PID");
    for (std::size_t i = 0; i < gridCount; ++i) {
      std::string what = "G" + std::to_string(i + 1);
      element.grids.push_back(fields.identifier(3 + i, what.c_str()));
    }
    std::set<int> distinct(element.grids.begin(), element.grids.end());
    if (distinct.size() != element.grids.size()) fields.fail("the same grid appears twice");
    element.line = fields.card().line;
    return element;
  }

  void addElement(Element element, const CardFields& fields) {
    insertUnique(model_.elements, element.id, std::move(element), fields);
  }

  void readRod(const CardFields& fields) {
    Element element = elementHeader(fields, ElementType::Rod, 2);
    fields.requireBlankFrom(5);
    addElement(std::move(element), fields);
  }

  void readBar(const CardFields& fields) {
    Element element = elementHeader(fields, ElementType::Bar, 2);
    bool pointsToGrid = fields.isBlank(6) && fields.isBlank(7) && tryParseInteger(fields.text(5)).has_value();
    if (pointsToGrid) {
      element.orientationGrid = fields.identifier(5, "G0");
    } else {
      for (int axis = 0; axis < 3; ++axis) element.orientation[axis] = fields.realOr(5 + axis, "X", 0.0);
      if (element.orientation == Vec3{0, 0, 0}) fields.fail("the orientation vector X1, X2, X3 is zero or blank");
    }
    // Field 8 (OFFT) only says how offsets are measured; there are none.
    if (!fields.isBlank(9) || !fields.isBlank(10)) fields.fail("pin flags (PA, PB) are not supported");
    for (std::size_t field = 11; field <= 16; ++field) fields.requireZero(field, "offset");
    fields.requireBlankFrom(17);
    addElement(std::move(element), fields);
  }

  void readShellTail(const CardFields& fields, std::size_t offsetField, std::size_t firstThicknessField,
                     std::size_t corners) {
    // THETA/MCID orients the material, which is isotropic: nothing to do.
    fields.requireZero(offsetField, "ZOFFS");
    for (std::size_t field = firstThicknessField; field < firstThicknessField + corners; ++field)
      if (!fields.isBlank(field)) fields.fail("corner thicknesses (T1...) are not supported; give the thickness on PSHELL");
    fields.requireBlankFrom(firstThicknessField + corners);
  }

  void readQuad4(const CardFields& fields) {
    Element element = elementHeader(fields, ElementType::Quad4, 4);
    readShellTail(fields, 8, 11, 4);
    addElement(std::move(element), fields);
  }

  void readTria3(const CardFields& fields) {
    Element element = elementHeader(fields, ElementType::Tria3, 3);
    readShellTail(fields, 7, 11, 3);
    addElement(std::move(element), fields);
  }

  void readTetra(const CardFields& fields) {
    Element element = elementHeader(fields, ElementType::Tetra4, 4);
    if (fields.count() > 6) fields.fail("only 4-node tetrahedra are supported (G5 and later must be blank)");
    addElement(std::move(element), fields);
  }

  void readHexa(const CardFields& fields) {
    Element element = elementHeader(fields, ElementType::Hexa8, 8);
    if (fields.count() > 10) fields.fail("only 8-node hexahedra are supported (G9 and later must be blank)");
    addElement(std::move(element), fields);
  }

  Property propertyHeader(const CardFields& fields, PropertyType type, bool materialRequired = true) {
    Property property;
    property.id = fields.identifier(1, "PID");
    property.type = type;
    if (materialRequired) property.materialId = fields.identifier(2, "MID");
    property.line = fields.card().line;
    return property;
  }

  void addProperty(Property property, const CardFields& fields) {
    insertUnique(model_.properties, property.id, std::move(property), fields);
  }

  void readRodProperty(const CardFields& fields) {
    Property property = propertyHeader(fields, PropertyType::Rod);
    property.area = fields.positiveReal(3, "A");
    // J and C (torsion) have no counterpart in a truss; NSM only adds mass.
    fields.requireBlankFrom(7);
    addProperty(std::move(property), fields);
  }

  void readBarProperty(const CardFields& fields) {
    Property property = propertyHeader(fields, PropertyType::Bar);
    property.area = fields.positiveReal(3, "A");
    property.inertia1 = fields.positiveReal(4, "I1");
    property.inertia2 = fields.realOr(5, "I2", 0.0);
    // J, NSM, stress recovery points and K1/K2 are not needed by the section we build.
    fields.requireZero(19, "I12");
    fields.requireBlankFrom(20);
    addProperty(std::move(property), fields);
  }

  void readShellProperty(const CardFields& fields) {
    if (fields.isBlank(2)) fields.fail("MID1 is blank: shells without membrane stiffness are not supported");
    Property property = propertyHeader(fields, PropertyType::Shell);
    property.thickness = fields.positiveReal(3, "T");
    if (auto bending = fields.optionalInteger(4, "MID2"); bending && *bending != property.materialId)
      fields.fail("a bending material (MID2 " + std::to_string(*bending) +
                  ") other than the membrane material (MID1) is not supported");
    if (auto ratio = fields.optionalReal(5, "12I/T**3"); ratio && *ratio != 1.0)
      fields.fail("a bending stiffness ratio 12I/T**3 other than 1.0 is not supported");
    // MID3 and TS/T (transverse shear) are left to the shell element; NSM, Z1, Z2 do not change stiffness.
    if (!fields.isBlank(11)) fields.fail("a membrane-bending coupling material (MID4) is not supported");
    fields.requireBlankFrom(12);
    addProperty(std::move(property), fields);
  }

  void readSolidProperty(const CardFields& fields) {
    // CORDM, IN, STRESS, ISOP and FCTN choose integration and output details only.
    addProperty(propertyHeader(fields, PropertyType::Solid), fields);
  }

  void readMaterial(const CardFields& fields) {
    Material material;
    material.id = fields.identifier(1, "MID");
    auto youngs = fields.optionalReal(2, "E");
    auto shear = fields.optionalReal(3, "G");
    auto poisson = fields.optionalReal(4, "NU");
    if (!youngs && shear && poisson) youngs = 2 * (1 + *poisson) * *shear;
    if (!youngs) fields.fail("E is blank (and cannot be derived from G and NU)");
    if (!poisson && shear) {
      if (*shear <= 0) fields.fail("G must be positive");
      poisson = *youngs / (2 * *shear) - 1;
    }
    material.youngsModulus = *youngs;
    material.poissonRatio = poisson.value_or(0.0);
    if (material.youngsModulus <= 0) fields.fail("E must be positive");
    if (material.poissonRatio <= -1 || material.poissonRatio >= 0.5)
      fields.fail("Poisson's ratio " + formatReal(material.poissonRatio) + " is outside (-1, 0.5)");
    material.density = fields.optionalReal(5, "RHO");
    material.expansion = fields.optionalReal(6, "A");
    material.referenceTemperature = fields.realOr(7, "TREF", 0.0);
    // GE, ST, SC, SS (damping and allowables) do not enter a static solution.
    if (auto system = fields.optionalInteger(12, "MCSID"); system && *system != 0)
      fields.fail("material coordinate systems (MCSID) are not supported");
    fields.requireBlankFrom(13);
    material.line = fields.card().line;
    insertUnique(model_.materials, material.id, std::move(material), fields);
  }

  void readNodalLoad(const CardFields& fields, bool isMoment) {
    NodalLoad load;
    load.setId = fields.identifier(1, "SID");
    load.grid = fields.identifier(2, "G");
    checkBasicSystem(fields, 3, "CID");
    double scale = fields.real(4, isMoment ? "M" : "F");
    for (int axis = 0; axis < 3; ++axis) load.value[axis] = scale * fields.realOr(5 + axis, "N", 0.0);
    fields.requireBlankFrom(8);
    load.isMoment = isMoment;
    load.line = fields.card().line;
    model_.nodalLoads.push_back(load);
  }
  void readForce(const CardFields& fields) { readNodalLoad(fields, false); }
  void readMoment(const CardFields& fields) { readNodalLoad(fields, true); }

  void readPressure(const CardFields& fields) {
    int setId = fields.identifier(1, "SID");
    int first = fields.identifier(2, "EID");
    double pressure = fields.real(3, "P1");
    for (std::size_t field = 4; field <= 6; ++field)
      if (auto corner = fields.optionalReal(field, "P"); corner && *corner != pressure)
        fields.fail("a varying pressure (P2-P4 differ from P1) is not supported");
    int last = first;
    if (toUpper(fields.text(7)) == "THRU") {
      last = fields.identifier(8, "EID2");
      if (last < first) fields.fail("THRU range ends before it starts");
    }
    // For shells G1 and G3 do not apply; an explicit direction would replace the normal.
    checkBasicSystem(fields, 9, "CID");
    for (std::size_t field = 10; field <= 12; ++field) fields.requireZero(field, "N");
    if (!fields.isBlank(13) || !fields.isBlank(14))
      fields.fail("SORL/LDIR (edge or in-plane loads) are not supported");
    fields.requireBlankFrom(15);
    if (first == last) model_.pressures.push_back({setId, first, pressure, fields.card().line});
    else pressureRanges_.push_back({PressureLoad{setId, first, pressure, fields.card().line}, last});
  }

  void readTemperature(const CardFields& fields) {
    int setId = fields.identifier(1, "SID");
    for (std::size_t field = 2; field <= 6; field += 2) {
      if (field > 2 && fields.isBlank(field) && fields.isBlank(field + 1)) continue;
      int grid = fields.identifier(field, "G");
      double temperature = fields.real(field + 1, "T");
      model_.temperatures.push_back({setId, grid, temperature, fields.card().line});
    }
    fields.requireBlankFrom(8);
  }

  void readConstraint(const CardFields& fields) {
    ConstraintSet set;
    set.setId = fields.identifier(1, "SID");
    set.dofs = fields.dofs(2, "C");
    set.line = fields.card().line;
    if (toUpper(fields.text(4)) == "THRU") {
      int first = fields.identifier(3, "G1");
      int last = fields.identifier(5, "G2");
      if (last < first) fields.fail("THRU range ends before it starts");
      fields.requireBlankFrom(6);
      thruConstraints_.push_back({model_.constraints.size(), first, last});
    } else {
      for (std::size_t field = 3; field <= fields.count(); ++field)
        if (!fields.isBlank(field)) set.grids.push_back(fields.identifier(field, "G"));
      if (set.grids.empty()) fields.fail("no grid listed");
    }
    model_.constraints.push_back(std::move(set));
  }

  template <typename Entity>
  void insertUnique(std::map<int, Entity>& entities, int id, Entity entity, const CardFields& fields) {
    auto [existing, inserted] = entities.emplace(id, std::move(entity));
    if (!inserted)
      fields.fail("ID " + std::to_string(id) + " is already used by the card at line " +
                  std::to_string(existing->second.line));
  }

  void checkReferences() {
    // THRU ranges may name grids and elements that come later in the deck: fill them in now.
    for (const ThruRange& range : thruConstraints_) {
      ConstraintSet& set = model_.constraints[range.index];
      for (auto it = model_.grids.lower_bound(range.first); it != model_.grids.end() && it->first <= range.last; ++it)
        set.grids.push_back(it->first);
    }
    for (const PressureRange& range : pressureRanges_) {
      for (auto it = model_.elements.lower_bound(range.load.element);
           it != model_.elements.end() && it->first <= range.lastElement; ++it) {
        PressureLoad load = range.load;
        load.element = it->first;
        model_.pressures.push_back(load);
      }
    }
    auto requireGrid = [&](int grid, int line, const std::string& card) {
      if (!model_.grids.count(grid)) failAt(line, card + ": grid " + std::to_string(grid) + " does not exist");
    };
    for (const auto& [id, element] : model_.elements) {
      std::string card = std::string(cardName(element.type)) + " " + std::to_string(id);
      for (int grid : element.grids) requireGrid(grid, element.line, card);
      if (element.orientationGrid) {
        requireGrid(*element.orientationGrid, element.line, card);
        if (*element.orientationGrid == element.grids[0] || *element.orientationGrid == element.grids[1])
          failAt(element.line, card + ": the orientation grid G0 must differ from GA and GB");
      }
      auto property = model_.properties.find(element.propertyId);
      if (property == model_.properties.end())
        failAt(element.line, card + ": property " + std::to_string(element.propertyId) + " does not exist");
      PropertyType expected = propertyTypeFor(element.type);
      if (property->second.type != expected)
        failAt(element.line, card + ": property " + std::to_string(element.propertyId) + " is a " +
                                 cardName(property->second.type) + ", a " + cardName(expected) + " is needed");
    }
    for (const auto& [id, property] : model_.properties)
      if (!model_.materials.count(property.materialId))
        failAt(property.line, std::string(cardName(property.type)) + " " + std::to_string(id) + ": material " +
                                  std::to_string(property.materialId) + " does not exist");
    for (const NodalLoad& load : model_.nodalLoads)
      requireGrid(load.grid, load.line, std::string(load.isMoment ? "MOMENT " : "FORCE ") + std::to_string(load.setId));
    for (const PressureLoad& load : model_.pressures)
      if (!model_.elements.count(load.element))
        failAt(load.line, "PLOAD4 " + std::to_string(load.setId) + ": element " + std::to_string(load.element) +
                              " does not exist");
    for (const GridTemperature& temperature : model_.temperatures)
      requireGrid(temperature.grid, temperature.line, "TEMP " + std::to_string(temperature.setId));
    for (const ConstraintSet& set : model_.constraints)
      for (int grid : set.grids) requireGrid(grid, set.line, "SPC1 " + std::to_string(set.setId));
  }

  struct ThruRange {
    std::size_t index;
    int first;
    int last;
  };

  struct PressureRange {
    PressureLoad load;  // its element is the first of the range
    int lastElement;
  };

  const Deck& deck_;
  Model model_;
  std::vector<ThruRange> thruConstraints_;
  std::vector<PressureRange> pressureRanges_;
};

}  // namespace

Model buildModel(const Deck& deck) { return ModelBuilder(deck).build(); }

}  // namespace nastranccx
