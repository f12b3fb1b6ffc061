#include "femapsim/nastran_model.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <span>

#include "femapsim/coordinates.h"
#include "femapsim/femap_layout.h"
#include "femapsim/model_file.h"
#include "femapsim/sections.h"
#include "nastran/coordinate_systems.h"
#include "nastran/cross_reference.h"
#include "nastran/deck_writer.h"

namespace femapsim {
namespace {

namespace et = element_type;
using nastran::Components;

// A node that stands for a scalar point (SPOINT) carries this member.
constexpr std::string_view kScalarPoint = "scalarPoint";
// The most scalar points a deck may define (a THRU range may span any IDs).
constexpr long long kMostScalarPoints = 1000000;

// ---- Values of members ----

template <class Container>
Value listOf(const Container& values) {
  std::vector<double> list;
  list.reserve(values.size());
  for (const auto& value : values) list.push_back(static_cast<double>(value));
  return Value(std::move(list));
}

int digitsOf(const Components& components) {
  std::string digits = components.digits();
  return digits.empty() ? 0 : std::stoi(digits);
}

Components componentsOf(double digits) {
  long long value = std::llround(digits);
  if (value <= 0) return {};
  return Components::parse(std::to_string(value)).value_or(Components{});
}

std::string joinLines(const std::vector<nastran::Statement>& statements) {
  std::string text;
  for (const nastran::Statement& statement : statements) {
    if (!text.empty()) text += '\n';
    text += statement.text;
  }
  return text;
}

std::vector<nastran::Statement> splitLines(std::string_view text) {
  std::vector<nastran::Statement> statements;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty()) statements.push_back({std::string(line)});
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return statements;
}

// The statements of a subcase beyond its selections (its own TITLE, SETs, output requests,
// METHOD, TEMPERATURE(MATERIAL) and every other statement), as the case control writer writes them.
std::string caseTextOf(const nastran::Subcase& subcase) {
  nastran::CaseControl control;
  control.global.title = subcase.title;
  control.global.method = subcase.method;
  control.global.temperatureMaterial = subcase.temperatureMaterial;
  control.global.sets = subcase.sets;
  control.global.outputs = subcase.outputs;
  control.global.others = subcase.others;
  std::string text;
  nastran::writeCaseControl(text, control);
  text.resize(text.size() - std::string_view("BEGIN BULK\n").size());
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Reads back what caseTextOf wrote.
nastran::Subcase subcaseOfText(std::string_view text) {
  std::vector<std::string> files{"case control"};
  nastran::CaseControlReader reader(files);
  std::uint32_t line = 0;
  for (const nastran::Statement& statement : splitLines(text)) reader.add(statement.text, {0, ++line});
  return reader.finish().global;
}

// ---- Reading ----

class DeckReader {
 public:
  DeckReader(const nastran::Deck& deck, const Model& into) : deck_(deck), systems_(deck) {
    nextProperty_ = std::max(into.table(Kind::Prop).lastId(), lastPropertyId()) + 1;
    nextDeckCard_ = into.table(Kind::DeckCard).lastId() + 1;
  }

  Model read() {
    systems();
    grids();
    elements();
    properties();
    materials();
    loads();
    constraints();
    analysis();
    combinedSets();
    keptCards();
    return std::move(model_);
  }

 private:
  int lastPropertyId() const {
    int last = 0;
    const nastran::Bulk& b = deck_.bulk;
    auto most = [&](const auto& cards) {
      for (const auto& card : cards) last = std::max(last, card.pid);
    };
    most(b.prods), most(b.pbars), most(b.pbarls), most(b.pbeams), most(b.pbeamls), most(b.pbushes);
    most(b.pelas), most(b.pshells), most(b.pcomps), most(b.pshears), most(b.psolids);
    return last;
  }

  EntityTable& table(Kind kind) { return model_.table(kind); }

  void systems() {
    for (const nastran::Cord2& card : deck_.bulk.cord2s) {
      Entity system{card.cid, {}};
      system.set("title", std::string(nastran::cardName(card)) + " " + std::to_string(card.cid));
      system.set("type", coordinateType(card.kind));
      system.set("defCSys", card.rid);
      system.set("origin", listOf(card.a));
      system.set("pointZ", listOf(card.b));
      system.set("pointXZ", listOf(card.c));
      table(Kind::CSys).put(std::move(system));
    }
    for (const nastran::Cord1& card : deck_.bulk.cord1s) {
      Entity system{card.cid, {}};
      system.set("title", std::string(nastran::cardName(card)) + " " + std::to_string(card.cid));
      system.set("type", coordinateType(card.kind));
      system.set("defNode", listOf(card.g));
      table(Kind::CSys).put(std::move(system));
    }
  }

  static int coordinateType(nastran::CoordinateKind kind) {
    return kind == nastran::CoordinateKind::Cylindrical ? 1 : kind == nastran::CoordinateKind::Spherical ? 2 : 0;
  }

  void grids() {
    EntityTable& nodes = table(Kind::Node);
    nodes.reserve(deck_.bulk.grids.size());
    for (std::size_t i = 0; i < deck_.bulk.grids.size(); ++i) {
      const nastran::Grid& grid = deck_.bulk.grids[i];
      const nastran::Vec3& at = systems_.gridPosition(i);
      Entity node{grid.id, {}};
      node.members.reserve(grid.cp != 0 ? 7 : 3);
      node.set("x", at[0]);
      node.set("y", at[1]);
      node.set("z", at[2]);
      if (grid.cp != 0) {
        node.set("defCSys", grid.cp);
        node.set("localXYZ", listOf(grid.x));
      }
      if (grid.cd != 0) node.set("outCSys", grid.cd);
      if (!grid.ps.empty()) {
        std::vector<double> permanent(6, 0.0);
        for (int dof = 1; dof <= 6; ++dof) permanent[static_cast<std::size_t>(dof - 1)] = grid.ps.has(dof) ? 1 : 0;
        node.set("permBC", Value(std::move(permanent)));
      }
      if (grid.seid != 0) node.set("seid", grid.seid);
      nodes.append(EntityTable::key(0, grid.id), std::move(node));
    }
    // Scalar points are nodes of their own kind, so that springs and constraints name them.
    long long scalarPoints = 0;
    for (const nastran::Spoint& points : deck_.bulk.spoints) {
      scalarPoints += static_cast<long long>(points.last) - points.first + 1;
      if (scalarPoints > kMostScalarPoints) {
        throw deck_.errorAt(points.origin, 0, "SPOINT " + std::to_string(points.first),
                            "more than " + std::to_string(kMostScalarPoints) +
                                " scalar points; the simulated FEMAP makes a node of each");
      }
      for (int id = points.first; id <= points.last; ++id) {
        Entity node{id, {}};
        node.set(kScalarPoint, 1);
        nodes.append(EntityTable::key(0, id), std::move(node));
      }
    }
    nodes.finishAppending();
  }

  // ---- Elements ----

  Entity& element(int eid, int type, int topology, int pid) {
    Entity entity{eid, {}};
    entity.set("type", type);
    entity.set("topology", topology);
    entity.set("propID", pid);
    elements_.push_back(std::move(entity));
    return elements_.back();
  }

  template <std::size_t N>
  static void setNodes(Entity& entity, const std::array<int, N>& grids, std::size_t count) {
    entity.set("node", listOf(std::vector<int>(grids.begin(), grids.begin() + static_cast<long>(count))));
  }

  static void setOrientation(Entity& entity, const nastran::Orientation& orientation) {
    if (orientation.vector) entity.set("orient", listOf(*orientation.vector));
    if (orientation.grid != 0) entity.set("orientID", orientation.grid);
  }

  static void setLineEnds(Entity& entity, const std::string& offt, const Components& pa, const Components& pb,
                          const nastran::Vec3& wa, const nastran::Vec3& wb) {
    if (offt != "GGG") entity.set("offsetType", offt);
    if (!pa.empty() || !pb.empty()) {
      std::vector<double> release(12, 0.0);
      for (int dof = 1; dof <= 6; ++dof) {
        release[static_cast<std::size_t>(dof - 1)] = pa.has(dof) ? 1 : 0;
        release[static_cast<std::size_t>(dof + 5)] = pb.has(dof) ? 1 : 0;
      }
      entity.set("release", Value(std::move(release)));
    }
    if (wa != nastran::Vec3{} || wb != nastran::Vec3{}) {
      entity.set("offset", Value(std::vector<double>{wa[0], wa[1], wa[2], wb[0], wb[1], wb[2]}));
    }
  }

  // A property of its own for an element that carries its values on its card.
  Entity& inlineProperty(int eid, int type, std::string_view card) {
    Entity property{nextProperty_++, {}};
    property.set("title", std::string(card) + " " + std::to_string(eid));
    property.set("type", type);
    property.set(kInlineOf, eid);
    inlineProperties_.push_back(std::move(property));
    return inlineProperties_.back();
  }

  void elements() {
    const nastran::Bulk& b = deck_.bulk;
    for (const auto& card : b.crods) setNodes(element(card.eid, et::kRod, kLine2, card.pid), card.g, 2);
    for (const auto& card : b.conrods) {
      Entity& property = inlineProperty(card.eid, et::kRod, "CONROD");
      property.set("matlID", card.mid);
      property.set("pval", rodValues(card.a, card.j, card.c, card.nsm));
      setNodes(element(card.eid, et::kRod, kLine2, property.id), card.g, 2);
    }
    for (const auto& card : b.cbars) {
      Entity& entity = element(card.eid, et::kBar, kLine2, card.pid);
      entity.set("node", listOf(std::array<int, 2>{card.ga, card.gb}));
      setOrientation(entity, card.orientation);
      setLineEnds(entity, card.offt, card.pa, card.pb, card.wa, card.wb);
    }
    for (const auto& card : b.cbeams) {
      Entity& entity = element(card.eid, et::kBeam, kLine2, card.pid);
      entity.set("node", listOf(std::array<int, 2>{card.ga, card.gb}));
      setOrientation(entity, card.orientation);
      setLineEnds(entity, card.offt, card.pa, card.pb, card.wa, card.wb);
      if (card.bit) entity.set("bit", *card.bit);
      if (card.sa != 0 || card.sb != 0) entity.set("warpingPoints", listOf(std::array<int, 2>{card.sa, card.sb}));
    }
    for (const auto& card : b.cbushes) {
      Entity& entity = element(card.eid, et::kSpring, kLine2, card.pid);
      entity.set("node", listOf(std::array<int, 2>{card.ga, card.gb}));
      setOrientation(entity, card.orientation);
      if (card.cid) entity.set("orientCSys", *card.cid);
      if (card.s != 0.5) entity.set("springLocation", card.s);
      if (card.ocid != -1) entity.set("offsetCSys", card.ocid);
      if (card.si[0] || card.si[1] || card.si[2]) {
        entity.set("offsetLocation", listOf(std::array<double, 3>{card.si[0].value_or(0), card.si[1].value_or(0),
                                                                     card.si[2].value_or(0)}));
      }
    }
    for (const auto& card : b.celas1s) {
      Entity& entity = element(card.eid, et::kDofSpring, kLine2, card.pid);
      entity.set("node", listOf(std::array<int, 2>{card.g1, card.g2}));
      entity.set("springDOF", listOf(std::array<int, 2>{card.c1, card.c2}));
    }
    for (const auto& card : b.celas2s) {
      Entity& property = inlineProperty(card.eid, et::kDofSpring, "CELAS2");
      std::vector<double> values(40, 0.0);
      values[pval::kSpringStiffness] = card.k;
      values[pval::kSpringDamping] = card.ge;
      values[pval::kSpringStress] = card.s;
      property.set("pval", Value(std::move(values)));
      Entity& entity = element(card.eid, et::kDofSpring, kLine2, property.id);
      entity.set("node", listOf(std::array<int, 2>{card.g1, card.g2}));
      entity.set("springDOF", listOf(std::array<int, 2>{card.c1, card.c2}));
    }
    for (const auto& card : b.plates) plate(card);
    for (const auto& card : b.cshears) setNodes(element(card.eid, et::kShear, kQuad4, card.pid), card.g, 4);
    for (const auto& card : b.solids) solid(card);
    for (const auto& card : b.conm2s) {
      Entity& property = inlineProperty(card.eid, et::kMass, "CONM2");
      std::vector<double> values(40, 0.0);
      for (std::size_t i = 0; i < 6; ++i) values[pval::kMassInertia + i] = card.i[i];
      values[pval::kMass] = card.m;
      for (std::size_t i = 0; i < 3; ++i) values[pval::kMassOffset + i] = card.x[i];
      property.set("pval", Value(std::move(values)));
      if (card.cid != 0) property.set("refCS", card.cid);
      element(card.eid, et::kMass, kPoint, property.id).set("node", listOf(std::array<int, 1>{card.g}));
    }
    for (const auto& card : b.rbe2s) {
      Entity& entity = rigid(card.eid, formulation::kRbe2, card.gn, card.alpha, card.tref);
      entity.set("nodeList", listOf(card.gm));
      entity.set("nodeDOF", listOf(std::vector<int>(card.gm.size(), digitsOf(card.cm))));
    }
    for (const auto& card : b.rbe3s) rbe3(card);
    for (const auto& card : b.rbars) {
      Entity& entity = rigid(card.eid, formulation::kRbar, card.ga, card.alpha, std::nullopt);
      entity.set("refDOF", digitsOf(card.cna));
      entity.set("nodeList", listOf(std::array<int, 1>{card.gb}));
      entity.set("nodeDOF", listOf(std::array<int, 1>{digitsOf(card.cnb)}));
      entity.set("dependentDOF", listOf(std::array<int, 2>{digitsOf(card.cma), digitsOf(card.cmb)}));
    }
    EntityTable& elements = table(Kind::Elem);
    elements.reserve(elements_.size());
    for (Entity& entity : elements_) elements.append(EntityTable::key(0, entity.id), std::move(entity));
    elements.finishAppending();
    elements_.clear();
  }

  static Value rodValues(double a, double j, double c, double nsm) {
    std::vector<double> values(40, 0.0);
    values[pval::kArea] = a;
    values[pval::kJ] = j;
    values[pval::kTorsionStress] = c;
    values[pval::kNsm] = nsm;
    return Value(std::move(values));
  }

  bool laminate(int pid) const {
    return std::any_of(deck_.bulk.pcomps.begin(), deck_.bulk.pcomps.end(),
                       [&](const nastran::Pcomp& p) { return p.pid == pid; });
  }

  void plate(const nastran::Plate& card) {
    using nastran::PlateShape;
    bool parabolic = card.shape == PlateShape::Quad8 || card.shape == PlateShape::Tria6;
    int topology = card.shape == PlateShape::Quad4 || card.shape == PlateShape::QuadR ? kQuad4
                   : card.shape == PlateShape::Quad8                                  ? kQuad8
                   : card.shape == PlateShape::Tria6                                  ? kTria6
                                                                                      : kTria3;
    int type = laminate(card.pid) ? (parabolic ? et::kLaminateParabolic : et::kLaminate)
                                  : (parabolic ? et::kPlateParabolic : et::kPlate);
    if (parabolic) parabolicProperties_.insert(card.pid);
    Entity& entity = element(card.eid, type, topology, card.pid);
    int corners = card.corners();
    std::size_t count = static_cast<std::size_t>(parabolic ? 2 * corners : corners);
    setNodes(entity, card.g, count);
    if (card.shape == PlateShape::QuadR || card.shape == PlateShape::TriaR) entity.set("formulation", formulation::kDrilling);
    if (card.mcid) {
      entity.set("MaterialOrient", 1);
      entity.set("MaterialCSys", *card.mcid);
    } else if (card.theta != 0) {
      entity.set("MaterialAngle", card.theta);
    }
    if (card.zoffs) entity.set("PlateOffset", *card.zoffs);
    if (card.tflag != 0) entity.set("thicknessFlag", card.tflag);
    if (std::any_of(card.t.begin(), card.t.end(), [](const auto& t) { return t.has_value(); })) {
      std::vector<double> thickness(4, 0.0);
      for (std::size_t i = 0; i < 4; ++i) thickness[i] = card.t[i].value_or(0);
      entity.set("thickness", Value(std::move(thickness)));
    }
  }

  void solid(const nastran::Solid& card) {
    using nastran::SolidShape;
    int count = card.gridCount();
    bool parabolic = count > card.corners();
    int topology = card.shape == SolidShape::Tetra   ? (parabolic ? kTetra10 : kTetra4)
                   : card.shape == SolidShape::Penta ? (parabolic ? kWedge15 : kWedge6)
                                                     : (parabolic ? kBrick20 : kBrick8);
    if (parabolic) parabolicProperties_.insert(card.pid);
    setNodes(element(card.eid, parabolic ? et::kSolidParabolic : et::kSolid, topology, card.pid), card.g,
             static_cast<std::size_t>(count));
  }

  Entity& rigid(int eid, int kind, int independent, std::optional<double> alpha, std::optional<double> tref) {
    Entity& entity = element(eid, et::kRigid, kRigidList, 0);
    entity.set("formulation", kind);
    entity.set("node", listOf(std::array<int, 1>{independent}));
    if (alpha) entity.set("alpha", *alpha);
    if (tref) entity.set("tref", *tref);
    return entity;
  }

  void rbe3(const nastran::Rbe3& card) {
    Entity& entity = rigid(card.eid, formulation::kRbe3, card.refgrid, card.alpha, card.tref);
    entity.set("refDOF", digitsOf(card.refc));
    std::vector<double> nodes, dofs, weights;
    for (const auto& group : card.groups) {
      for (int grid : group.grids) {
        nodes.push_back(grid);
        dofs.push_back(digitsOf(group.c));
        weights.push_back(group.weight);
      }
    }
    entity.set("nodeList", Value(std::move(nodes)));
    entity.set("nodeDOF", Value(std::move(dofs)));
    entity.set("nodeWeight", Value(std::move(weights)));
    if (!card.um.empty()) {
      std::vector<double> grids, components;
      for (const auto& um : card.um) {
        grids.push_back(um.grid);
        components.push_back(digitsOf(um.c));
      }
      entity.set("dependentNodes", Value(std::move(grids)));
      entity.set("dependentDOF", Value(std::move(components)));
    }
  }

  // ---- Properties ----

  Entity& property(int pid, int type, int mid) {
    Entity entity{pid, {}};
    entity.set("type", type);
    entity.set("matlID", mid);
    properties_.push_back(std::move(entity));
    return properties_.back();
  }

  void properties() {
    const nastran::Bulk& b = deck_.bulk;
    for (const auto& card : b.prods) {
      property(card.pid, et::kRod, card.mid).set("pval", rodValues(card.a, card.j, card.c, card.nsm));
    }
    for (const auto& card : b.pbars) {
      std::vector<double> values(40, 0.0);
      values[pval::kArea] = card.a;
      values[pval::kI1] = card.i1;
      values[pval::kI2] = card.i2;
      values[pval::kI12] = card.i12;
      values[pval::kJ] = card.j;
      values[pval::kK1] = card.k1.value_or(0);
      values[pval::kK2] = card.k2.value_or(0);
      values[pval::kNsm] = card.nsm;
      std::copy(card.stressPoints.begin(), card.stressPoints.end(), values.begin() + pval::kStressPoints);
      property(card.pid, et::kBar, card.mid).set("pval", Value(std::move(values)));
    }
    for (const auto& card : b.pbarls) {
      Entity& entity = property(card.pid, et::kBar, card.mid);
      std::vector<double> values(40, 0.0);
      values[pval::kNsm] = card.nsm;
      entity.set("pval", Value(std::move(values)));
      entity.set("shape", shapeCode(card.type));
      entity.set("shapeDim", listOf(card.dims));
      if (card.group != "MSCBML0") entity.set("group", card.group);
    }
    for (const auto& card : b.pbeams) pbeam(card);
    for (const auto& card : b.pbeamls) pbeaml(card);
    for (const auto& card : b.pbushes) {
      Entity& entity = property(card.pid, et::kSpring, 0);
      entity.erase("matlID");
      std::vector<double> values(40, 0.0);
      auto put = [&](const auto& line, int at) {
        if (line) std::copy(line->begin(), line->end(), values.begin() + at);
      };
      put(card.k, pval::kBushStiffness);
      put(card.b, pval::kBushDamping);
      put(card.ge, pval::kBushStructuralDamping);
      std::fill(values.begin() + pval::kBushRecovery, values.begin() + pval::kBushRecovery + 4, 1.0);
      put(card.rcv, pval::kBushRecovery);
      entity.set("pval", Value(std::move(values)));
      if (card.m) entity.set("mass", *card.m);
    }
    for (const auto& card : b.pelas) {
      Entity& entity = property(card.pid, et::kDofSpring, 0);
      entity.erase("matlID");
      std::vector<double> values(40, 0.0);
      values[pval::kSpringStiffness] = card.k;
      values[pval::kSpringDamping] = card.ge;
      values[pval::kSpringStress] = card.s;
      entity.set("pval", Value(std::move(values)));
    }
    for (const auto& card : b.pshells) pshell(card);
    for (const auto& card : b.pcomps) pcomp(card);
    for (const auto& card : b.pshears) {
      std::vector<double> values(40, 0.0);
      values[pval::kThickness] = card.t;
      values[pval::kShearF1] = card.f1;
      values[pval::kShearF2] = card.f2;
      values[pval::kNsm] = card.nsm;
      property(card.pid, et::kShear, card.mid).set("pval", Value(std::move(values)));
    }
    for (const auto& card : b.psolids) {
      Entity& entity = property(card.pid, parabolicProperties_.count(card.pid) ? et::kSolidParabolic : et::kSolid, card.mid);
      if (card.cordm != 0) entity.set("refCS", card.cordm);
      if (!card.in.empty()) entity.set("integration", card.in);
      if (!card.stress.empty()) entity.set("stressOutput", card.stress);
      if (!card.isop.empty()) entity.set("isop", card.isop);
      if (card.fctn != "SMECH") entity.set("fctn", card.fctn);
    }
    for (Entity& entity : inlineProperties_) properties_.push_back(std::move(entity));
    EntityTable& table = model_.table(Kind::Prop);
    for (Entity& entity : properties_) table.put(std::move(entity));
    properties_.clear();
  }

  static void stationValues(const nastran::PbeamStation& station, const nastran::PbeamStation& endA,
                            std::vector<double>& out, std::size_t at) {
    out[at + 0] = station.a.value_or(endA.a.value_or(0));
    out[at + 1] = station.i1.value_or(endA.i1.value_or(0));
    out[at + 2] = station.i2.value_or(endA.i2.value_or(0));
    out[at + 3] = station.i12.value_or(endA.i12.value_or(0));
    out[at + 4] = station.j.value_or(endA.j.value_or(0));
  }

  void pbeam(const nastran::Pbeam& card) {
    Entity& entity = property(card.pid, et::kBeam, card.mid);
    std::vector<double> values(40, 0.0);
    const nastran::PbeamStation& a = card.stations.front();
    auto end = [&](const nastran::PbeamStation& station, std::size_t at) {
      stationValues(station, a, values, at);
      values[at + pval::kNsm] = station.nsm.value_or(a.nsm.value_or(0));
      std::array<double, 8> points = station.stressPoints.value_or(a.stressPoints.value_or(std::array<double, 8>{}));
      std::copy(points.begin(), points.end(), values.begin() + static_cast<long>(at) + pval::kStressPoints);
    };
    end(a, 0);
    bool endB = card.stations.size() > 1 && card.stations.back().x == 1.0;
    end(endB ? card.stations.back() : a, pval::kEndB);
    values[pval::kK1] = card.k1;
    values[pval::kK2] = card.k2;
    values[pval::kEndB + pval::kK1] = card.k1;
    values[pval::kEndB + pval::kK2] = card.k2;
    values[pval::kS1] = card.s1;
    values[pval::kS2] = card.s2;
    values[pval::kNsiA] = card.nsiA;
    values[pval::kNsiB] = card.nsiB.value_or(card.nsiA);
    values[pval::kCwA] = card.cwA;
    values[pval::kCwB] = card.cwB.value_or(card.cwA);
    entity.set("pval", Value(std::move(values)));
    entity.set("beamExtra", Value(std::vector<double>{card.m1A, card.m2A, card.m1B.value_or(card.m1A),
                                                      card.m2B.value_or(card.m2A), card.n1A, card.n2A,
                                                      card.n1B.value_or(card.n1A), card.n2B.value_or(card.n2A)}));
    // Intermediate stations: blank values interpolated between the ends, as Nastran does.
    std::size_t last = endB ? card.stations.size() - 1 : card.stations.size();
    if (last <= 1) return;
    std::vector<double> xs, stationData, output;
    const std::vector<double>& ends = std::get<std::vector<double>>(entity.find("pval")->value);
    for (std::size_t s = 1; s < last; ++s) {
      const nastran::PbeamStation& station = card.stations[s];
      double x = station.x;
      xs.push_back(x);
      std::array<double, 14> row{};
      auto between = [&](std::optional<double> given, std::size_t at) {
        return given.value_or(ends[at] + x * (ends[pval::kEndB + at] - ends[at]));
      };
      row[0] = between(station.a, pval::kArea);
      row[1] = between(station.i1, pval::kI1);
      row[2] = between(station.i2, pval::kI2);
      row[3] = between(station.i12, pval::kI12);
      row[4] = between(station.j, pval::kJ);
      row[5] = between(station.nsm, pval::kNsm);
      std::array<double, 8> points = station.stressPoints.value_or(std::array<double, 8>{});
      std::copy(points.begin(), points.end(), row.begin() + 6);
      stationData.insert(stationData.end(), row.begin(), row.end());
      output.push_back(station.so == "YESA" ? 1 : station.so == "NO" ? 2 : 0);
    }
    if (endB) {
      const std::string& so = card.stations.back().so;
      output.push_back(so == "YESA" ? 1 : so == "NO" ? 2 : 0);
    }
    entity.set("stationX", Value(std::move(xs)));
    entity.set("stationValues", Value(std::move(stationData)));
    entity.set("stationOutput", Value(std::move(output)));
  }

  void pbeaml(const nastran::Pbeaml& card) {
    Entity& entity = property(card.pid, et::kBeam, card.mid);
    entity.set("shape", shapeCode(card.type));
    if (card.group != "MSCBML0") entity.set("group", card.group);
    const nastran::PbeamlStation& a = card.stations.front();
    bool endB = card.stations.size() > 1 && card.stations.back().x == 1.0;
    std::vector<nastran::PbeamlStation> stations = card.stations;
    if (!endB) {
      nastran::PbeamlStation b;
      b.x = 1.0;
      b.so = "NO";
      stations.push_back(b);
    }
    // Blank dimensions: end A's at end B, interpolated between.
    const nastran::PbeamlStation& b = stations.back();
    std::size_t count = a.dims.size();
    auto dimAt = [&](const nastran::PbeamlStation& station, std::size_t i) {
      return i < station.dims.size() && station.dims[i] ? *station.dims[i] : std::optional<double>();
    };
    std::vector<double> endA(count), endBDims(count);
    for (std::size_t i = 0; i < count; ++i) {
      endA[i] = dimAt(a, i).value_or(0);
      endBDims[i] = dimAt(b, i).value_or(endA[i]);
    }
    double nsmA = a.nsm.value_or(0), nsmB = b.nsm.value_or(nsmA);
    std::vector<double> dims, xs, nsm, output;
    for (const nastran::PbeamlStation& station : stations) {
      double x = station.x;
      for (std::size_t i = 0; i < count; ++i) dims.push_back(dimAt(station, i).value_or(endA[i] + x * (endBDims[i] - endA[i])));
      xs.push_back(x);
      nsm.push_back(station.nsm.value_or(nsmA + x * (nsmB - nsmA)));
      output.push_back(station.so == "YESA" ? 1 : station.so == "NO" ? 2 : 0);
    }
    std::vector<double> values(40, 0.0);
    values[pval::kNsm] = nsmA;
    entity.set("pval", Value(std::move(values)));
    entity.set("shapeDim", Value(std::move(dims)));
    entity.set("stationX", Value(std::move(xs)));
    entity.set("stationValues", Value(std::move(nsm)));
    entity.set("stationOutput", Value(std::move(output)));
  }

  void pshell(const nastran::Pshell& card) {
    int type = parabolicProperties_.count(card.pid) ? et::kPlateParabolic : et::kPlate;
    Entity& entity = property(card.pid, type, card.mid1.value_or(0));
    std::vector<double> values(40, 0.0);
    values[pval::kThickness] = card.t.value_or(0);  // the other corners' stay 0: uniform
    values[pval::kBendingRatio] = card.bendingRatio;
    values[pval::kShearRatio] = card.shearRatio;
    values[pval::kNsm] = card.nsm;
    if (card.z2) values[pval::kFibreTop] = *card.z2;
    if (card.z1) values[pval::kFibreBottom] = *card.z1;
    entity.set("pval", Value(std::move(values)));
    // A blank MID2/MID3/MID4 is no material (0); the model's absent member means the membrane one.
    entity.set("bendMatlID", card.mid2.value_or(0));
    entity.set("shearMatlID", card.mid3.value_or(0));
    entity.set("couplingMatlID", card.mid4.value_or(0));
    if (!card.t) entity.set("thicknessBlank", 1);
    if (card.z1) entity.set("fibreGiven", card.z2 ? 3 : 1);
    else if (card.z2) entity.set("fibreGiven", 2);
  }

  void pcomp(const nastran::Pcomp& card) {
    int type = parabolicProperties_.count(card.pid) ? et::kLaminateParabolic : et::kLaminate;
    Entity& entity = property(card.pid, type, card.plies.empty() ? 0 : card.plies.front().mid);
    std::vector<double> values(40, 0.0);
    values[pval::kLaminateZ0] = card.z0.value_or(0);
    values[pval::kLaminateNsm] = card.nsm;
    values[pval::kLaminateSb] = card.sb;
    values[pval::kLaminateTref] = card.tref;
    values[pval::kLaminateGe] = card.ge;
    entity.set("pval", Value(std::move(values)));
    static constexpr std::string_view kTheories[] = {"", "HILL", "HOFF", "TSAI", "STRN"};
    static constexpr std::string_view kOptions[] = {"", "SYM", "MEM", "BEND", "SMEAR", "SMCORE"};
    auto indexOf = [](std::span<const std::string_view> words, const std::string& word) {
      for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == word) return static_cast<double>(i);
      }
      return 0.0;
    };
    entity.set("flag", Value(std::vector<double>{indexOf(kTheories, card.ft), indexOf(kOptions, card.lam),
                                                 card.z0 ? 1.0 : 0.0, card.global ? 1.0 : 0.0}));
    entity.set("layupID", card.pid);
    Entity layup{card.pid, {}};
    layup.set("title", std::string(card.global ? "PCOMPG " : "PCOMP ") + std::to_string(card.pid));
    std::vector<double> materials, thickness, angles, output, global;
    for (const nastran::Ply& ply : card.plies) {
      materials.push_back(ply.mid);
      thickness.push_back(ply.t);
      angles.push_back(ply.theta);
      output.push_back(ply.sout == "YES" ? 1 : 0);
      global.push_back(ply.globalId);
    }
    layup.set("matlID", Value(std::move(materials)));
    layup.set("thickness", Value(std::move(thickness)));
    layup.set("angle", Value(std::move(angles)));
    layup.set("plyOutput", Value(std::move(output)));
    if (card.global) layup.set("globalPly", Value(std::move(global)));
    table(Kind::Layup).put(std::move(layup));
  }

  // ---- Materials ----

  Entity& material(int mid, int type) {
    Entity entity{mid, {}};
    entity.set("title", "Material " + std::to_string(mid));
    entity.set("type", type);
    return table(Kind::Matl).put(std::move(entity));
  }

  static void setIfGiven(Entity& entity, std::string_view key, const std::optional<double>& value) {
    if (value) entity.set(key, *value);
  }

  // What MAT1 and MAT2 share: damping, stress limits and the material's coordinate system.
  template <class Card>
  static void setDampingLimitsAndSystem(Entity& entity, const Card& card) {
    entity.set("Damping", card.ge);
    setIfGiven(entity, "TensionLimit1", card.st);
    setIfGiven(entity, "CompressionLimit1", card.sc);
    setIfGiven(entity, "ShearLimit", card.ss);
    if (card.mcsid) entity.set("MaterialCSys", *card.mcsid);
  }

  void materials() {
    for (const auto& card : deck_.bulk.mat1s) {
      Entity& entity = material(card.mid, material_type::kIsotropic);
      setIfGiven(entity, "Ex", card.e);
      setIfGiven(entity, "Gx", card.g);
      setIfGiven(entity, "Nuxy", card.nu);
      entity.set("Density", card.rho);
      entity.set("Alphaxx", card.a);
      entity.set("RefTemp", card.tref);
      setDampingLimitsAndSystem(entity, card);
    }
    for (const auto& card : deck_.bulk.mat2s) {
      Entity& entity = material(card.mid, material_type::kAnisotropic2D);
      entity.set("GMatrix2D", listOf(card.g));
      entity.set("Density", card.rho);
      entity.set("Alphaxx", card.a[0]);
      entity.set("Alphayy", card.a[1]);
      entity.set("Alphaxy", card.a[2]);
      entity.set("RefTemp", card.tref);
      setDampingLimitsAndSystem(entity, card);
    }
    for (const auto& card : deck_.bulk.mat8s) {
      Entity& entity = material(card.mid, material_type::kOrthotropic2D);
      entity.set("Ex", card.e1);
      entity.set("Ey", card.e2);
      entity.set("Nuxy", card.nu12);
      entity.set("Gx", card.g12);
      setIfGiven(entity, "Gy", card.g1z);
      setIfGiven(entity, "Gz", card.g2z);
      entity.set("Density", card.rho);
      entity.set("Alphaxx", card.a1);
      entity.set("Alphayy", card.a2);
      entity.set("RefTemp", card.tref);
      entity.set("TensionLimit1", card.xt);
      setIfGiven(entity, "CompressionLimit1", card.xc);
      entity.set("TensionLimit2", card.yt);
      setIfGiven(entity, "CompressionLimit2", card.yc);
      entity.set("ShearLimit", card.s);
      entity.set("Damping", card.ge);
      entity.set("TsaiWu", card.f12);
      if (card.strn != 0) entity.set("strainLimits", card.strn);
    }
    for (const auto& card : deck_.bulk.mat9s) {
      Entity& entity = material(card.mid, material_type::kAnisotropic3D);
      entity.set("GMatrix3D", listOf(card.g));
      entity.set("Density", card.rho);
      static constexpr std::string_view kAlphas[] = {"Alphaxx", "Alphayy", "Alphazz", "Alphaxy", "Alphayz", "Alphaxz"};
      for (std::size_t i = 0; i < 6; ++i) entity.set(kAlphas[i], card.a[i]);
      entity.set("RefTemp", card.tref);
      entity.set("Damping", card.ge);
    }
  }

  // ---- Loads ----

  Entity& loadSet(int sid) {
    EntityTable& sets = table(Kind::LoadSet);
    if (Entity* set = sets.find(sid)) return *set;
    Entity set{sid, {}};
    set.set("title", "Load set " + std::to_string(sid));
    return sets.put(std::move(set));
  }

  Entity& meshLoad(int sid, int target, int type) {
    loadSet(sid);
    Entity load{++loadCount_[sid], {}};
    load.set("setID", sid);
    load.set("meshID", target);
    load.set("type", type);
    return table(Kind::LoadMesh).put(std::move(load));
  }

  void loads() {
    const nastran::Bulk& b = deck_.bulk;
    for (const auto& card : b.nodalLoads) {
      Entity& load = meshLoad(card.sid, card.g, card.moment ? load_type::kMoment : load_type::kForce);
      load.set("value", Value(std::vector<double>{card.scale * card.n[0], card.scale * card.n[1], card.scale * card.n[2], 0}));
      if (card.cid != 0) load.set("CSys", card.cid);
    }
    for (const auto& card : b.nodalLoad1s) {
      // Along the line from G1 to G2, in global components.
      const nastran::IdIndex& index = systems_.gridIndex();
      nastran::Vec3 from = systems_.gridPosition(index.find(card.g1).value_or(0));
      nastran::Vec3 to = systems_.gridPosition(index.find(card.g2).value_or(0));
      nastran::Vec3 d{to[0] - from[0], to[1] - from[1], to[2] - from[2]};
      double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      Entity& load = meshLoad(card.sid, card.g, card.moment ? load_type::kMoment : load_type::kForce);
      double s = length > 0 ? card.scale / length : 0;
      load.set("value", Value(std::vector<double>{s * d[0], s * d[1], s * d[2], 0}));
      load.set("alongNodes", listOf(std::array<int, 2>{card.g1, card.g2}));
      load.set("scale", card.scale);
    }
    for (const auto& card : b.ploads) {
      Entity& load = meshLoad(card.sid, 0, load_type::kPressure);
      load.set("value", Value(std::vector<double>{card.p, 0, 0, 0}));
      load.set("onNodes", listOf(card.g));
    }
    for (const auto& card : b.pload1s) {
      Entity& load = meshLoad(card.sid, card.eid, load_type::kDistributed);
      load.set("value", Value(std::vector<double>{card.p1, card.p2.value_or(0), card.x1, card.x2.value_or(0)}));
      load.set("loadDirection", card.type);
      load.set("scale", card.scale);
      if (card.x2) load.set("rangeGiven", 1);
    }
    for (const auto& card : b.pload2s) {
      std::vector<int> elements = card.eids;
      if (card.thru) elements = elementsBetween(card.eids.front(), card.eids.back());
      for (int eid : elements) {
        meshLoad(card.sid, eid, load_type::kPressure).set("value", Value(std::vector<double>{card.p, 0, 0, 0}));
      }
    }
    for (const auto& card : b.pload4s) pload4(card);
    for (const auto& card : b.gravs) {
      Entity& set = loadSet(card.sid);
      set.set("BodyAccel", Value(std::vector<double>{card.a * card.n[0], card.a * card.n[1], card.a * card.n[2], 0, 0, 0}));
      set.set("BodyAccelOn", 1);
      if (card.cid != 0) set.set("BodyCSys", card.cid);
      if (card.mb != 0) set.set("gravityMB", card.mb);
    }
    for (const auto& card : b.loads) {
      Entity& set = loadSet(card.sid);
      std::vector<double> sets, scales;
      for (const auto& term : card.terms) {
        sets.push_back(term.set);
        scales.push_back(term.scale);
      }
      set.set("LoadCombineSet", Value(std::move(sets)));
      set.set("LoadCombineScale", Value(std::move(scales)));
      set.set("LoadCombineFactor", card.scale);
    }
    for (const auto& card : b.temps) {
      loadSet(card.sid);
      Entity temperature{++temperatureCount_[card.sid], {}};
      temperature.set("setID", card.sid);
      temperature.set("meshID", card.g);
      temperature.set("temp", card.t);
      table(Kind::NodeTemp).put(std::move(temperature));
    }
    for (const auto& card : b.tempds) {
      Entity& set = loadSet(card.sid);
      set.set("BodyDefTemp", card.t);
      set.set("BodyDefTempOn", 1);
    }
    for (const auto& card : b.spcds) {
      Entity& load = meshLoad(card.sid, card.g, load_type::kDisplacement);
      load.set("value", Value(std::vector<double>{card.d, 0, 0, 0}));
      load.set("dof", digitsOf(card.c));
      load.set("XOn", card.c.has(1) || card.c.has(4) ? 1 : 0);
      load.set("YOn", card.c.has(2) || card.c.has(5) ? 1 : 0);
      load.set("ZOn", card.c.has(3) || card.c.has(6) ? 1 : 0);
    }
  }

  void pload4(const nastran::Pload4& card) {
    std::vector<int> elements{card.eid};
    if (card.thru) elements = elementsBetween(card.eid, *card.thru);
    for (int eid : elements) {
      Entity& load = meshLoad(card.sid, eid, load_type::kPressure);
      // A uniform pressure is value[0] alone, as FEMAP keeps it; corner values where they differ.
      std::array<double, 4> p{card.p1, card.p2.value_or(card.p1), card.p3.value_or(card.p1), card.p4.value_or(card.p1)};
      bool uniform = p[1] == p[0] && p[2] == p[0] && p[3] == p[0];
      load.set("value", uniform ? Value(std::vector<double>{p[0], 0, 0, 0}) : listOf(p));
      if (!uniform && p[1] == 0 && p[2] == 0 && p[3] == 0) load.set("cornersGiven", 1);
      if (card.g1 != 0 || card.g34 != 0) load.set("faceNodes", listOf(std::array<int, 2>{card.g1, card.g34}));
      if (card.cid != 0) load.set("CSys", card.cid);
      if (card.n != nastran::Vec3{}) load.set("direction", listOf(card.n));
      if (card.sorl != "SURF") load.set("sorl", card.sorl);
      if (card.ldir != "NORM") load.set("ldir", card.ldir);
    }
  }

  // The elements of a THRU range that exist, in ascending order.
  std::vector<int> elementsBetween(int first, int last) const {
    std::vector<int> elements;
    for (auto it = elementIds_.lower_bound(first); it != elementIds_.end() && *it <= last; ++it) elements.push_back(*it);
    return elements;
  }

  // ---- Constraints ----

  Entity& constraintSet(int sid) {
    EntityTable& sets = table(Kind::BcSet);
    if (Entity* set = sets.find(sid)) return *set;
    Entity set{sid, {}};
    set.set("title", "Constraint set " + std::to_string(sid));
    return sets.put(std::move(set));
  }

  void constrain(int sid, int grid, const Components& components, std::optional<double> enforced) {
    constraintSet(sid);
    EntityTable& constraints = table(Kind::BcNode);
    Entity* held = constraints.find(grid, sid);
    if (!held) {
      Entity constraint{grid, {}};
      constraint.set("setID", sid);
      constraint.set("dof", Value(std::vector<double>(6, 0.0)));
      held = &constraints.put(std::move(constraint));
    }
    std::vector<double> dof = held->list("dof");
    std::vector<double> values = held->list("enforced");
    values.resize(6, 0.0);
    for (int c = 1; c <= 6; ++c) {
      if (!components.has(c)) continue;
      dof[static_cast<std::size_t>(c - 1)] = 1;
      if (enforced) values[static_cast<std::size_t>(c - 1)] = *enforced;
    }
    held->set("dof", Value(std::move(dof)));
    if (enforced && *enforced != 0) held->set("enforced", Value(std::move(values)));
  }

  void constraints() {
    const nastran::Bulk& b = deck_.bulk;
    for (const auto& card : b.spcs) constrain(card.sid, card.g, card.c, card.d);
    for (const auto& card : b.spc1s) {
      if (card.thru) {
        // The grids and scalar points in the range (those between need not exist).
        const EntityTable& nodes = table(Kind::Node);
        for (const Entity* node = nodes.next(card.grids.front() - 1); node && node->id <= card.grids.back();
             node = nodes.next(node->id)) {
          constrain(card.sid, node->id, card.c, std::nullopt);
        }
      } else {
        for (int grid : card.grids) constrain(card.sid, grid, card.c, std::nullopt);
      }
    }
    for (const auto& card : b.mpcs) {
      constraintSet(card.sid);
      Entity equation{++equationCount_[card.sid], {}};
      equation.set("setID", card.sid);
      std::vector<double> nodes, dofs, coefficients;
      for (const auto& term : card.terms) {
        nodes.push_back(term.g);
        dofs.push_back(term.c);
        coefficients.push_back(term.a);
      }
      equation.set("node", Value(std::move(nodes)));
      equation.set("dof", Value(std::move(dofs)));
      equation.set("coeff", Value(std::move(coefficients)));
      table(Kind::BcEqn).put(std::move(equation));
    }
    for (const auto& card : b.spcadds) constraintSet(card.sid).set("SPCAddSet", listOf(card.sets));
    for (const auto& card : b.mpcadds) constraintSet(card.sid).set("MPCAddSet", listOf(card.sets));
  }

  // ---- Analysis set and kept cards ----

  void analysis() {
    const nastran::CaseControl& control = deck_.caseControl;
    if (control.global.title) model_.header.set("title", *control.global.title);
    Entity set{1, {}};
    set.set("title", control.global.title.value_or("Nastran deck"));
    const auto& solution = deck_.executive.solution;
    if (solution) {
      set.set("NasSol", solution->number ? std::to_string(*solution->number) : solution->name);
      if (solution->number == 101) set.set("AnalysisType", 1);
    }
    set.set("NasExecText", joinLines(deck_.executive.statements));
    if (deck_.executive.solutionPosition != 0) set.set("NasSolPosition", static_cast<int>(deck_.executive.solutionPosition));
    // Above the first SUBCASE: what the cases do not hold (their selections are each case's own).
    nastran::Subcase global = control.global;
    global.title.reset();
    std::string globalText = caseTextOf(global);
    if (!globalText.empty()) set.set("NasCaseText", globalText);
    if (!control.plotPackets.empty()) set.set("NasPlotText", joinLines(control.plotPackets));
    table(Kind::Analysis).put(std::move(set));
    model_.header.set("activeAnalysisSet", 1);

    std::vector<nastran::Subcase> effective = control.effectiveSubcases();
    // Sets that case control or a combination selects and that only cards passed through define
    // exist as empty sets, so that every selection names a set.
    for (const nastran::Subcase& subcase : effective) {
      for (const auto& selected : {subcase.load, subcase.temperatureLoad, subcase.temperatureInitial}) {
        if (selected.value_or(0) > 0) loadSet(*selected);
      }
      for (const auto& selected : {subcase.spc, subcase.mpc}) {
        if (selected.value_or(0) > 0) constraintSet(*selected);
      }
    }
    for (std::size_t i = 0; i < effective.size(); ++i) {
      const nastran::Subcase& subcase = effective[i];
      Entity entry{subcase.id, {}};
      entry.set("setID", 1);
      entry.set("title", subcase.subtitle.value_or(""));
      entry.set("label", subcase.label.value_or(""));
      entry.set("LoadSetID", subcase.load.value_or(0));
      entry.set("BCSetID", subcase.spc.value_or(0));
      entry.set("MPCSetID", subcase.mpc.value_or(0));
      entry.set("TempSetID", subcase.temperatureLoad.value_or(0));
      entry.set("TempInitSetID", subcase.temperatureInitial.value_or(0));
      // The case's own statements (an effective subcase repeats the global ones: take its own).
      nastran::Subcase own = i < control.subcases.size() ? control.subcases[i] : nastran::Subcase{};
      entry.set("caseText", caseTextOf(own));
      table(Kind::AnalysisCase).put(std::move(entry));
    }
    if (!effective.empty()) {
      if (int load = effective.front().load.value_or(0)) model_.header.set("activeLoadSet", load);
      if (int spc = effective.front().spc.value_or(0)) model_.header.set("activeBCSet", spc);
    }
  }

  // Sets that combinations name.
  void combinedSets() {
    for (const auto& card : deck_.bulk.loads) {
      for (const auto& term : card.terms) loadSet(term.set);
    }
    for (const auto& card : deck_.bulk.spcadds) {
      for (int set : card.sets) constraintSet(set);
    }
    for (const auto& card : deck_.bulk.mpcadds) {
      for (int set : card.sets) constraintSet(set);
    }
  }

  void keptCards() {
    auto keep = [&](std::string text) {
      Entity card{nextDeckCard_++, {}};
      card.set("text", std::move(text));
      table(Kind::DeckCard).put(std::move(card));
    };
    for (const nastran::Param& param : deck_.bulk.params) {
      std::string text = "PARAM," + param.name;
      for (const std::string& value : param.values) text += "," + value;
      keep(std::move(text));
    }
    for (const nastran::PassedCard& card : deck_.bulk.passed) {
      std::string text;
      for (const std::string& line : card.lines) {
        if (!text.empty()) text += '\n';
        text += line;
      }
      keep(std::move(text));
    }
  }

  const nastran::Deck& deck_;
  nastran::CoordinateSystems systems_;
  Model model_;
  std::vector<Entity> elements_;
  std::vector<Entity> properties_;
  std::vector<Entity> inlineProperties_;
  std::set<int> parabolicProperties_;
  std::set<int> elementIds_;
  std::map<int, int> loadCount_, temperatureCount_, equationCount_;
  int nextProperty_ = 1;
  int nextDeckCard_ = 1;

 public:
  void collectElementIds() {
    const nastran::Bulk& b = deck_.bulk;
    auto add = [&](const auto& cards) {
      for (const auto& card : cards) elementIds_.insert(card.eid);
    };
    add(b.plates), add(b.solids), add(b.cshears);
  }
};

}  // namespace

Model modelFromDeck(const nastran::Deck& deck, const Model& into) {
  DeckReader reader(deck, into);
  if (!deck.bulk.pload2s.empty() || !deck.bulk.pload4s.empty()) reader.collectElementIds();
  Model model = reader.read();
  // The deck may refer to a property, material or coordinate system that only a card passed
  // through unread defines: the model would then name an entity it lacks, so the deck is
  // refused as a model (the model checks' own words say what is missing).
  std::string deckFile = deck.files.empty() ? std::string() : deck.files.front();
  try {
    checkModelReferences(model, deckFile, [](Kind, int, int) { return 0; });
  } catch (const ModelFileError& error) {
    throw nastran::DeckError(deckFile, 0, "model",
                             error.reason() + ", which only a card passed through unread defines");
  }
  return model;
}

NastranRead readNastranModel(const std::filesystem::path& path, const Model& into) {
  nastran::Deck deck = nastran::readDeckFile(path);
  nastran::requireConsistent(deck);
  NastranRead read{modelFromDeck(deck, into), deck.unreadSummary()};
  return read;
}

}  // namespace femapsim

namespace femapsim {
namespace {

// ---- Writing ----

class DeckBuilder {
 public:
  explicit DeckBuilder(const Model& model) : model_(model), systems_(model) {}

  nastran::Deck build() {
    systems();
    grids();
    properties();
    elements();
    materials();
    loads();
    constraints();
    caseControl();
    keptCards();
    return std::move(deck_);
  }

 private:
  const EntityTable& table(Kind kind) const { return model_.table(kind); }
  nastran::Bulk& bulk() { return deck_.bulk; }

  static double at(const Entity& entity, std::string_view key, std::size_t index) { return entity.element(key, index); }
  static nastran::Vec3 vec(const Entity& entity, std::string_view key, std::size_t first = 0) {
    return {at(entity, key, first), at(entity, key, first + 1), at(entity, key, first + 2)};
  }
  static std::optional<double> given(const Entity& entity, std::string_view key) {
    if (!entity.find(key)) return std::nullopt;
    return entity.number(key);
  }
  static std::vector<int> integers(const Entity& entity, std::string_view key) {
    std::vector<int> values;
    for (double value : entity.list(key)) values.push_back(static_cast<int>(std::llround(value)));
    return values;
  }
  static nastran::CoordinateKind coordinateKind(int type) {
    return type == 1 ? nastran::CoordinateKind::Cylindrical
                     : type == 2 ? nastran::CoordinateKind::Spherical : nastran::CoordinateKind::Rectangular;
  }

  void systems() {
    for (const auto& [key, system] : table(Kind::CSys).entities()) {
      nastran::CoordinateKind kind = coordinateKind(system.integer("type"));
      std::vector<int> nodes = integers(system, "defNode");
      if (nodes.size() == 3 && nodes[0] > 0) {
        bulk().cord1s.push_back({.kind = kind, .cid = system.id, .g = {nodes[0], nodes[1], nodes[2]}});
      } else {
        bulk().cord2s.push_back({.kind = kind, .cid = system.id, .rid = system.integer("defCSys"),
                                 .a = vec(system, "origin"), .b = vec(system, "pointZ"), .c = vec(system, "pointXZ")});
      }
    }
  }

  void grids() {
    bulk().grids.reserve(table(Kind::Node).size());
    for (const auto& [key, node] : table(Kind::Node).entities()) {
      if (node.find(kScalarPoint)) {
        std::vector<nastran::Spoint>& points = bulk().spoints;
        if (!points.empty() && points.back().last == node.id - 1) {
          points.back().last = node.id;
        } else {
          points.push_back({.first = node.id, .last = node.id});
        }
        continue;
      }
      nastran::Grid grid{.id = node.id, .x = {node.number("x"), node.number("y"), node.number("z")}};
      grid.cp = node.integer("defCSys");
      if (grid.cp != 0 && systems_.exists(grid.cp)) {
        // The coordinates as the deck gave them while the node stands where they put it.
        nastran::Vec3 local = vec(node, "localXYZ");
        nastran::Vec3 from = systems_.toGlobal(grid.cp, local);
        double size = std::max({1.0, std::abs(grid.x[0]), std::abs(grid.x[1]), std::abs(grid.x[2])});
        bool unmoved = node.find("localXYZ") && std::abs(from[0] - grid.x[0]) <= 1e-12 * size &&
                       std::abs(from[1] - grid.x[1]) <= 1e-12 * size && std::abs(from[2] - grid.x[2]) <= 1e-12 * size;
        grid.x = unmoved ? local : systems_.toLocal(grid.cp, grid.x);
      } else {
        grid.cp = 0;
      }
      grid.cd = node.integer("outCSys");
      for (int dof = 1; dof <= 6; ++dof) {
        if (at(node, "permBC", static_cast<std::size_t>(dof - 1)) != 0) grid.ps.add(dof);
      }
      grid.seid = node.integer("seid");
      bulk().grids.push_back(grid);
    }
  }

  // ---- Elements ----

  const Entity* propertyOf(const Entity& element) const { return table(Kind::Prop).find(element.integer("propID")); }
  static bool inlineFor(const Entity* property, const Entity& element) {
    return property && property->find(kInlineOf) && property->integer(kInlineOf) == element.id;
  }

  static void lineEnds(const Entity& element, std::string& offt, Components& pa, Components& pb, nastran::Vec3& wa,
                       nastran::Vec3& wb) {
    std::string type = element.text("offsetType");
    if (!type.empty()) offt = type;
    for (int dof = 1; dof <= 6; ++dof) {
      if (at(element, "release", static_cast<std::size_t>(dof - 1)) != 0) pa.add(dof);
      if (at(element, "release", static_cast<std::size_t>(dof + 5)) != 0) pb.add(dof);
    }
    wa = vec(element, "offset", 0);
    wb = vec(element, "offset", 3);
  }

  nastran::Orientation orientation(const Entity& element) const {
    nastran::Orientation orientation;
    if (int node = element.integer("orientID"); node > 0) {
      orientation.grid = node;
    } else if (element.find("orient")) {
      orientation.vector = vec(element, "orient");
    }
    return orientation;
  }

  // An orientation for a bar or beam that the model gives none: one not parallel to it.
  nastran::Orientation orientationOrDefault(const Entity& element) const {
    nastran::Orientation given = orientation(element);
    if (given.given() && given.vector != nastran::Vec3{}) return given;
    const Entity* a = table(Kind::Node).find(static_cast<int>(at(element, "node", 0)));
    const Entity* b = table(Kind::Node).find(static_cast<int>(at(element, "node", 1)));
    if (!a || !b) return {.vector = nastran::Vec3{0, 0, 1}};
    double dx = b->number("x") - a->number("x"), dy = b->number("y") - a->number("y"), dz = b->number("z") - a->number("z");
    bool alongZ = std::abs(dz) > std::hypot(dx, dy);
    return {.vector = alongZ ? nastran::Vec3{1, 0, 0} : nastran::Vec3{0, 0, 1}};
  }

  template <std::size_t N>
  static std::array<int, N> nodes(const Entity& element, std::size_t count = N) {
    std::array<int, N> grids{};
    for (std::size_t i = 0; i < count && i < N; ++i) grids[i] = static_cast<int>(at(element, "node", i));
    return grids;
  }

  void elements() {
    for (const auto& [key, element] : table(Kind::Elem).entities()) {
      if (!writeElement(element)) {
        bulk().passed.push_back(comment("element " + std::to_string(element.id) + " of type " +
                                        std::to_string(element.integer("type")) + " and topology " +
                                        std::to_string(element.integer("topology")) + " is not written"));
      }
    }
  }

  static nastran::PassedCard comment(const std::string& text) { return {.name = "$", .lines = {"$ " + text}}; }

  bool writeElement(const Entity& element) {
    int type = element.integer("type"), topology = element.integer("topology");
    int pid = element.integer("propID");
    const Entity* property = propertyOf(element);
    auto p = [&](std::size_t i) { return property ? at(*property, "pval", i) : 0.0; };
    switch (type) {
      case et::kRod:
        if (topology != kLine2) return false;
        if (inlineFor(property, element)) {
          bulk().conrods.push_back({.eid = element.id, .g = nodes<2>(element), .mid = property->integer("matlID"),
                                    .a = p(pval::kArea), .j = p(pval::kJ), .c = p(pval::kTorsionStress), .nsm = p(pval::kNsm)});
        } else {
          bulk().crods.push_back({.eid = element.id, .pid = pid, .g = nodes<2>(element)});
        }
        return true;
      case et::kBar:
      case et::kTube: {
        if (topology != kLine2) return false;
        nastran::Cbar card{.eid = element.id, .pid = pid, .ga = nodes<2>(element)[0], .gb = nodes<2>(element)[1]};
        card.orientation = orientationOrDefault(element);
        lineEnds(element, card.offt, card.pa, card.pb, card.wa, card.wb);
        bulk().cbars.push_back(card);
        return true;
      }
      case et::kBeam: {
        if (topology != kLine2) return false;
        nastran::Cbeam card{.eid = element.id, .pid = pid, .ga = nodes<2>(element)[0], .gb = nodes<2>(element)[1]};
        card.orientation = orientationOrDefault(element);
        lineEnds(element, card.offt, card.pa, card.pb, card.wa, card.wb);
        if (element.find("bit")) card.bit = element.number("bit");
        card.sa = static_cast<int>(at(element, "warpingPoints", 0));
        card.sb = static_cast<int>(at(element, "warpingPoints", 1));
        bulk().cbeams.push_back(card);
        return true;
      }
      case et::kSpring: {
        nastran::Cbush card{.eid = element.id, .pid = pid, .ga = nodes<2>(element)[0], .gb = nodes<2>(element)[1]};
        card.orientation = orientation(element);
        if (element.find("orientCSys")) card.cid = element.integer("orientCSys");
        card.s = element.number("springLocation", 0.5);
        card.ocid = element.integer("offsetCSys", -1);
        if (element.find("offsetLocation")) {
          for (std::size_t i = 0; i < 3; ++i) card.si[i] = at(element, "offsetLocation", i);
        }
        bulk().cbushes.push_back(card);
        return true;
      }
      case et::kDofSpring: {
        std::array<int, 2> g = nodes<2>(element);
        int c1 = static_cast<int>(at(element, "springDOF", 0)), c2 = static_cast<int>(at(element, "springDOF", 1));
        if (inlineFor(property, element)) {
          bulk().celas2s.push_back({.eid = element.id, .k = p(pval::kSpringStiffness), .g1 = g[0], .c1 = c1, .g2 = g[1],
                                    .c2 = c2, .ge = p(pval::kSpringDamping), .s = p(pval::kSpringStress)});
        } else {
          bulk().celas1s.push_back({.eid = element.id, .pid = pid, .g1 = g[0], .c1 = c1, .g2 = g[1], .c2 = c2});
        }
        return true;
      }
      case et::kShear:
      case et::kShearParabolic:
        bulk().cshears.push_back({.eid = element.id, .pid = pid, .g = nodes<4>(element)});
        return true;
      case et::kPlate:
      case et::kPlateParabolic:
      case et::kLaminate:
      case et::kLaminateParabolic:
      case et::kMembrane:
      case et::kBending:
        return plate(element, topology, pid);
      case et::kSolid:
      case et::kSolidParabolic:
        return solid(element, topology, pid);
      case et::kMass: {
        if (!property) return false;
        nastran::Conm2 card{.eid = element.id, .g = nodes<1>(element)[0], .cid = property->integer("refCS"),
                            .m = p(pval::kMass)};
        for (std::size_t i = 0; i < 3; ++i) card.x[i] = p(pval::kMassOffset + i);
        for (std::size_t i = 0; i < 6; ++i) card.i[i] = p(pval::kMassInertia + i);
        bulk().conm2s.push_back(card);
        return true;
      }
      case et::kRigid: return rigid(element);
      default: return false;
    }
  }

  bool plate(const Entity& element, int topology, int pid) {
    using nastran::PlateShape;
    bool drilling = element.integer("formulation") == formulation::kDrilling;
    PlateShape shape;
    std::size_t count;
    switch (topology) {
      case kQuad4: shape = drilling ? PlateShape::QuadR : PlateShape::Quad4, count = 4; break;
      case kTria3: shape = drilling ? PlateShape::TriaR : PlateShape::Tria3, count = 3; break;
      case kQuad8: shape = PlateShape::Quad8, count = 8; break;
      case kTria6: shape = PlateShape::Tria6, count = 6; break;
      default: return false;
    }
    nastran::Plate card{.shape = shape, .eid = element.id, .pid = pid, .g = nodes<8>(element, count)};
    if (element.integer("MaterialOrient") == 1) {
      card.mcid = element.integer("MaterialCSys");
    } else {
      card.theta = element.number("MaterialAngle");
    }
    card.zoffs = given(element, "PlateOffset");
    card.tflag = element.integer("thicknessFlag");
    if (element.find("thickness")) {
      for (std::size_t i = 0; i < 4; ++i) {
        double t = at(element, "thickness", i);
        if (t != 0) card.t[i] = t;
      }
    }
    bulk().plates.push_back(card);
    return true;
  }

  bool solid(const Entity& element, int topology, int pid) {
    using nastran::SolidShape;
    SolidShape shape;
    std::size_t count;
    switch (topology) {
      case kTetra4: shape = SolidShape::Tetra, count = 4; break;
      case kTetra10: shape = SolidShape::Tetra, count = 10; break;
      case kWedge6: shape = SolidShape::Penta, count = 6; break;
      case kWedge15: shape = SolidShape::Penta, count = 15; break;
      case kBrick8: shape = SolidShape::Hexa, count = 8; break;
      case kBrick20: shape = SolidShape::Hexa, count = 20; break;
      default: return false;
    }
    bulk().solids.push_back({.shape = shape, .eid = element.id, .pid = pid, .g = nodes<20>(element, count)});
    return true;
  }

  static std::optional<double> optionalOf(const Entity& element, std::string_view key) { return given(element, key); }

  bool rigid(const Entity& element) {
    int independent = nodes<1>(element)[0];
    std::vector<int> list = integers(element, "nodeList"), dofs = integers(element, "nodeDOF");
    std::vector<double> weights = element.list("nodeWeight");
    dofs.resize(list.size(), 123456);
    switch (element.integer("formulation")) {
      case formulation::kRbe2: {
        nastran::Rbe2 card{.eid = element.id, .gn = independent, .gm = list};
        card.cm = componentsOf(dofs.empty() ? 123456 : dofs.front());
        card.alpha = optionalOf(element, "alpha");
        card.tref = optionalOf(element, "tref");
        bulk().rbe2s.push_back(card);
        return true;
      }
      case formulation::kRbe3: {
        nastran::Rbe3 card{.eid = element.id, .refgrid = independent, .refc = componentsOf(element.number("refDOF"))};
        weights.resize(list.size(), 1.0);
        for (std::size_t i = 0; i < list.size(); ++i) {
          Components c = componentsOf(dofs[i]);
          if (card.groups.empty() || card.groups.back().weight != weights[i] || card.groups.back().c != c) {
            card.groups.push_back({.weight = weights[i], .c = c});
          }
          card.groups.back().grids.push_back(list[i]);
        }
        std::vector<int> um = integers(element, "dependentNodes"), umc = integers(element, "dependentDOF");
        for (std::size_t i = 0; i < um.size() && i < umc.size(); ++i) card.um.push_back({um[i], componentsOf(umc[i])});
        card.alpha = optionalOf(element, "alpha");
        card.tref = optionalOf(element, "tref");
        bulk().rbe3s.push_back(card);
        return true;
      }
      case formulation::kRbar: {
        nastran::Rbar card{.eid = element.id, .ga = independent, .gb = list.empty() ? 0 : list.front()};
        card.cna = componentsOf(element.number("refDOF"));
        card.cnb = componentsOf(dofs.empty() ? 0 : dofs.front());
        card.cma = componentsOf(at(element, "dependentDOF", 0));
        card.cmb = componentsOf(at(element, "dependentDOF", 1));
        card.alpha = optionalOf(element, "alpha");
        bulk().rbars.push_back(card);
        return true;
      }
      default: return false;
    }
  }

  // ---- Properties ----

  void properties() {
    for (const auto& [key, property] : table(Kind::Prop).entities()) {
      if (property.find(kInlineOf)) continue;  // written on its element's card
      if (!this->property(property)) {
        bulk().passed.push_back(comment("property " + std::to_string(property.id) + " of type " +
                                        std::to_string(property.integer("type")) + " is not written"));
      }
    }
  }

  bool property(const Entity& property) {
    int pid = property.id, mid = property.integer("matlID");
    auto p = [&](std::size_t i) { return at(property, "pval", i); };
    auto nonZero = [](double value) { return value != 0 ? std::optional<double>(value) : std::nullopt; };
    int shape = property.integer("shape");
    std::string group = property.find("group") ? property.text("group") : "MSCBML0";
    switch (property.integer("type")) {
      case et::kRod:
        bulk().prods.push_back({.pid = pid, .mid = mid, .a = p(pval::kArea), .j = p(pval::kJ),
                                .c = p(pval::kTorsionStress), .nsm = p(pval::kNsm)});
        return true;
      case et::kBar:
      case et::kTube:
        if (shape > 0) {
          bulk().pbarls.push_back({.pid = pid, .mid = mid, .group = group, .type = std::string(shapeName(shape)),
                                   .dims = property.list("shapeDim"), .nsm = p(pval::kNsm)});
        } else {
          nastran::Pbar card{.pid = pid, .mid = mid, .a = p(pval::kArea), .i1 = p(pval::kI1), .i2 = p(pval::kI2),
                             .j = p(pval::kJ), .nsm = p(pval::kNsm)};
          for (std::size_t i = 0; i < 8; ++i) card.stressPoints[i] = p(pval::kStressPoints + i);
          card.k1 = nonZero(p(pval::kK1));
          card.k2 = nonZero(p(pval::kK2));
          card.i12 = p(pval::kI12);
          bulk().pbars.push_back(card);
        }
        return true;
      case et::kBeam: shape > 0 ? pbeaml(property, group) : pbeam(property); return true;
      case et::kSpring: {
        nastran::Pbush card{.pid = pid};
        auto line = [&](std::size_t first, auto& target, double blank) {
          using Line = typename std::remove_reference_t<decltype(target)>::value_type;
          Line values{};
          bool any = false;
          for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = p(first + i);
            any = any || values[i] != blank;
          }
          if (any) target = values;
        };
        line(pval::kBushStiffness, card.k, 0.0);
        line(pval::kBushDamping, card.b, 0.0);
        line(pval::kBushStructuralDamping, card.ge, 0.0);
        line(pval::kBushRecovery, card.rcv, 1.0);
        if (!card.k && !card.b && !card.ge && !card.rcv) card.k = std::array<double, 6>{};
        card.m = given(property, "mass");
        bulk().pbushes.push_back(card);
        return true;
      }
      case et::kDofSpring:
        bulk().pelas.push_back({.pid = pid, .k = p(pval::kSpringStiffness), .ge = p(pval::kSpringDamping),
                                .s = p(pval::kSpringStress)});
        return true;
      case et::kPlate:
      case et::kPlateParabolic:
      case et::kMembrane:
      case et::kBending: {
        nastran::Pshell card{.pid = pid, .mid1 = mid};
        if (mid == 0) card.mid1.reset();
        if (!property.find("thicknessBlank") || p(pval::kThickness) != 0) card.t = p(pval::kThickness);
        auto material = [&](std::string_view key) -> std::optional<int> {
          if (!property.find(key)) return mid != 0 ? std::optional<int>(mid) : std::nullopt;  // the membrane's
          int id = property.integer(key);
          return id != 0 ? std::optional<int>(id) : std::nullopt;
        };
        card.mid2 = material("bendMatlID");
        card.mid3 = material("shearMatlID");
        card.mid4 = property.find("couplingMatlID") ? material("couplingMatlID") : std::nullopt;
        card.bendingRatio = property.find("pval") && p(pval::kBendingRatio) != 0 ? p(pval::kBendingRatio) : 1.0;
        card.shearRatio = p(pval::kShearRatio) != 0 ? p(pval::kShearRatio) : 0.833333;
        card.nsm = p(pval::kNsm);
        int fibres = property.integer("fibreGiven");
        if (fibres & 1 || p(pval::kFibreBottom) != 0) card.z1 = p(pval::kFibreBottom);
        if (fibres & 2 || p(pval::kFibreTop) != 0) card.z2 = p(pval::kFibreTop);
        bulk().pshells.push_back(card);
        return true;
      }
      case et::kLaminate:
      case et::kLaminateParabolic: return pcomp(property);
      case et::kShear:
      case et::kShearParabolic:
        bulk().pshears.push_back({.pid = pid, .mid = mid, .t = p(pval::kThickness), .nsm = p(pval::kNsm),
                                  .f1 = p(pval::kShearF1), .f2 = p(pval::kShearF2)});
        return true;
      case et::kSolid:
      case et::kSolidParabolic: {
        nastran::Psolid card{.pid = pid, .mid = mid, .cordm = property.integer("refCS")};
        card.in = property.text("integration");
        card.stress = property.text("stressOutput");
        card.isop = property.text("isop");
        if (property.find("fctn")) card.fctn = property.text("fctn");
        bulk().psolids.push_back(card);
        return true;
      }
      default: return false;
    }
  }

  static std::string outputWord(double code) { return code == 1 ? "YESA" : code == 2 ? "NO" : "YES"; }

  void pbeam(const Entity& property) {
    auto p = [&](std::size_t i) { return at(property, "pval", i); };
    nastran::Pbeam card{.pid = property.id, .mid = property.integer("matlID")};
    auto station = [&](std::size_t base, double x, std::string so) {
      nastran::PbeamStation s{.so = std::move(so), .x = x, .a = p(base + pval::kArea), .i1 = p(base + pval::kI1),
                              .i2 = p(base + pval::kI2), .i12 = p(base + pval::kI12), .j = p(base + pval::kJ),
                              .nsm = p(base + pval::kNsm)};
      std::array<double, 8> points{};
      for (std::size_t i = 0; i < 8; ++i) points[i] = p(base + pval::kStressPoints + i);
      if (points != std::array<double, 8>{}) s.stressPoints = points;
      return s;
    };
    card.stations.push_back(station(0, 0, ""));
    std::vector<double> xs = property.list("stationX"), values = property.list("stationValues"),
                        output = property.list("stationOutput");
    for (std::size_t s = 0; s < xs.size() && 14 * s + 13 < values.size(); ++s) {
      nastran::PbeamStation between{.so = outputWord(s < output.size() ? output[s] : 0), .x = xs[s], .a = values[14 * s],
                                    .i1 = values[14 * s + 1], .i2 = values[14 * s + 2], .i12 = values[14 * s + 3],
                                    .j = values[14 * s + 4], .nsm = values[14 * s + 5]};
      std::array<double, 8> points{};
      std::copy(values.begin() + static_cast<long>(14 * s + 6), values.begin() + static_cast<long>(14 * s + 14), points.begin());
      if (points != std::array<double, 8>{}) between.stressPoints = points;
      card.stations.push_back(between);
    }
    card.stations.push_back(station(pval::kEndB, 1.0, outputWord(xs.size() < output.size() ? output[xs.size()] : 0)));
    card.k1 = p(pval::kK1);
    card.k2 = p(pval::kK2);
    card.s1 = p(pval::kS1);
    card.s2 = p(pval::kS2);
    card.nsiA = p(pval::kNsiA);
    card.nsiB = p(pval::kNsiB);
    card.cwA = p(pval::kCwA);
    card.cwB = p(pval::kCwB);
    card.m1A = at(property, "beamExtra", 0);
    card.m2A = at(property, "beamExtra", 1);
    card.m1B = at(property, "beamExtra", 2);
    card.m2B = at(property, "beamExtra", 3);
    card.n1A = at(property, "beamExtra", 4);
    card.n2A = at(property, "beamExtra", 5);
    card.n1B = at(property, "beamExtra", 6);
    card.n2B = at(property, "beamExtra", 7);
    bulk().pbeams.push_back(card);
  }

  void pbeaml(const Entity& property, const std::string& group) {
    int shape = property.integer("shape");
    nastran::Pbeaml card{.pid = property.id, .mid = property.integer("matlID"), .group = group,
                         .type = std::string(shapeName(shape))};
    std::size_t count = static_cast<std::size_t>(shapeDimensions(shape));
    std::vector<double> dims = property.list("shapeDim"), xs = property.list("stationX"),
                        nsm = property.list("stationValues"), output = property.list("stationOutput");
    if (xs.empty()) xs = {0.0};
    for (std::size_t s = 0; s < xs.size() && count * (s + 1) <= dims.size(); ++s) {
      nastran::PbeamlStation station{.so = s == 0 ? "" : outputWord(s < output.size() ? output[s] : 0), .x = xs[s]};
      for (std::size_t i = 0; i < count; ++i) station.dims.push_back(dims[count * s + i]);
      station.nsm = s < nsm.size() ? nsm[s] : at(property, "pval", pval::kNsm);
      card.stations.push_back(station);
    }
    bulk().pbeamls.push_back(card);
  }

  bool pcomp(const Entity& property) {
    const Entity* layup = table(Kind::Layup).find(property.integer("layupID"));
    auto p = [&](std::size_t i) { return at(property, "pval", i); };
    static constexpr std::string_view kTheories[] = {"", "HILL", "HOFF", "TSAI", "STRN"};
    static constexpr std::string_view kOptions[] = {"", "SYM", "MEM", "BEND", "SMEAR", "SMCORE"};
    auto word = [](std::span<const std::string_view> words, double code) {
      auto i = static_cast<std::size_t>(std::max(0L, std::lround(code)));
      return std::string(i < words.size() ? words[i] : "");
    };
    nastran::Pcomp card{.global = at(property, "flag", 3) != 0, .pid = property.id};
    if (at(property, "flag", pflag::kZ0Given) != 0) card.z0 = p(pval::kLaminateZ0);
    card.nsm = p(pval::kLaminateNsm);
    card.sb = p(pval::kLaminateSb);
    card.tref = p(pval::kLaminateTref);
    card.ge = p(pval::kLaminateGe);
    card.ft = word(kTheories, at(property, "flag", pflag::kFailureTheory));
    card.lam = word(kOptions, at(property, "flag", pflag::kLaminateOption));
    if (layup) {
      std::vector<double> mids = layup->list("matlID");
      for (std::size_t i = 0; i < mids.size(); ++i) {
        card.plies.push_back({.globalId = static_cast<int>(at(*layup, "globalPly", i)),
                              .mid = static_cast<int>(mids[i]), .t = at(*layup, "thickness", i),
                              .theta = at(*layup, "angle", i), .sout = at(*layup, "plyOutput", i) != 0 ? "YES" : "NO"});
      }
    }
    bulk().pcomps.push_back(card);
    return true;
  }

  // ---- Materials ----

  void materials() {
    for (const auto& entry : table(Kind::Matl).entities()) {
      const Entity& material = entry.second;  // a lambda below takes it: no structured binding
      int mid = material.id;
      auto n = [&](std::string_view k) { return material.number(k); };
      std::optional<int> mcsid;
      if (material.find("MaterialCSys")) mcsid = material.integer("MaterialCSys");
      switch (material.integer("type")) {
        case material_type::kOrthotropic2D:
          bulk().mat8s.push_back({.mid = mid, .e1 = n("Ex"), .e2 = n("Ey"), .nu12 = n("Nuxy"), .g12 = n("Gx"),
                                  .g1z = given(material, "Gy"), .g2z = given(material, "Gz"), .rho = n("Density"),
                                  .a1 = n("Alphaxx"), .a2 = n("Alphayy"), .tref = n("RefTemp"), .xt = n("TensionLimit1"),
                                  .xc = given(material, "CompressionLimit1"), .yt = n("TensionLimit2"),
                                  .yc = given(material, "CompressionLimit2"), .s = n("ShearLimit"), .ge = n("Damping"),
                                  .f12 = n("TsaiWu"), .strn = n("strainLimits")});
          break;
        case material_type::kAnisotropic2D: {
          nastran::Mat2 card{.mid = mid, .rho = n("Density"), .a = {n("Alphaxx"), n("Alphayy"), n("Alphaxy")},
                             .tref = n("RefTemp"), .ge = n("Damping"), .st = given(material, "TensionLimit1"),
                             .sc = given(material, "CompressionLimit1"), .ss = given(material, "ShearLimit"), .mcsid = mcsid};
          for (std::size_t i = 0; i < 6; ++i) card.g[i] = at(material, "GMatrix2D", i);
          bulk().mat2s.push_back(card);
          break;
        }
        case material_type::kAnisotropic3D: {
          nastran::Mat9 card{.mid = mid, .rho = n("Density"),
                             .a = {n("Alphaxx"), n("Alphayy"), n("Alphazz"), n("Alphaxy"), n("Alphayz"), n("Alphaxz")},
                             .tref = n("RefTemp"), .ge = n("Damping")};
          for (std::size_t i = 0; i < 21; ++i) card.g[i] = at(material, "GMatrix3D", i);
          bulk().mat9s.push_back(card);
          break;
        }
        default:
          bulk().mat1s.push_back({.mid = mid, .e = given(material, "Ex"), .g = nonZeroGiven(material, "Gx"),
                                  .nu = given(material, "Nuxy"), .rho = n("Density"), .a = n("Alphaxx"),
                                  .tref = n("RefTemp"), .ge = n("Damping"), .st = given(material, "TensionLimit1"),
                                  .sc = given(material, "CompressionLimit1"), .ss = given(material, "ShearLimit"),
                                  .mcsid = mcsid});
          break;
      }
    }
  }

  // G given as 0 beside E and NU is a material whose G comes from them (a simulated model writes 0
  // for what it leaves unsaid).
  static std::optional<double> nonZeroGiven(const Entity& material, std::string_view key) {
    std::optional<double> value = given(material, key);
    if (value && *value == 0 && material.find("Ex") && material.find("Nuxy")) return std::nullopt;
    return value;
  }

  // ---- Loads and constraints ----

  void loads() {
    for (const auto& [key, set] : table(Kind::LoadSet).entities()) loadSet(set);
  }

  void loadSet(const Entity& set) {
    int sid = set.id;
    const EntityTable& mesh = table(Kind::LoadMesh);
    for (const Entity* load = mesh.next(0, sid); load; load = mesh.next(load->id, sid)) meshLoad(sid, *load);
    const EntityTable& temperatures = table(Kind::NodeTemp);
    for (const Entity* t = temperatures.next(0, sid); t; t = temperatures.next(t->id, sid)) {
      bulk().temps.push_back({.sid = sid, .g = t->integer("meshID"), .t = t->number("temp")});
    }
    if (set.integer("BodyAccelOn") != 0) {
      nastran::Vec3 a = vec(set, "BodyAccel");
      double size = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
      nastran::Grav card{.sid = sid, .cid = set.integer("BodyCSys"), .a = size > 0 ? 1.0 : 0.0, .n = a,
                         .mb = set.integer("gravityMB")};
      bulk().gravs.push_back(card);
    }
    if (set.integer("BodyDefTempOn") != 0) bulk().tempds.push_back({.sid = sid, .t = set.number("BodyDefTemp")});
    std::vector<int> combined = integers(set, "LoadCombineSet");
    if (!combined.empty()) {
      nastran::LoadCombination card{.sid = sid, .scale = set.number("LoadCombineFactor", 1.0)};
      for (std::size_t i = 0; i < combined.size(); ++i) card.terms.push_back({at(set, "LoadCombineScale", i), combined[i]});
      bulk().loads.push_back(card);
    }
  }

  void meshLoad(int sid, const Entity& load) {
    int type = load.integer("type");
    int target = load.integer("meshID");
    nastran::Vec3 value = vec(load, "value");
    if (load_type::isForce(type) || load_type::isMoment(type)) {
      std::vector<int> along = integers(load, "alongNodes");
      if (along.size() == 2) {
        bulk().nodalLoad1s.push_back({.moment = load_type::isMoment(type), .sid = sid, .g = target,
                                      .scale = std::sqrt(value[0] * value[0] + value[1] * value[1] + value[2] * value[2]),
                                      .g1 = along[0], .g2 = along[1]});
      } else {
        bulk().nodalLoads.push_back({.moment = load_type::isMoment(type), .sid = sid, .g = target,
                                     .cid = load.integer("CSys"), .scale = 1.0, .n = value});
      }
    } else if (load_type::isPressure(type)) {
      std::vector<int> onNodes = integers(load, "onNodes");
      if (!onNodes.empty()) {
        nastran::Pload card{.sid = sid, .p = value[0]};
        for (std::size_t i = 0; i < 4 && i < onNodes.size(); ++i) card.g[i] = onNodes[i];
        bulk().ploads.push_back(card);
        return;
      }
      nastran::Pload4 card{.sid = sid, .eid = target, .p1 = value[0]};
      double p2 = at(load, "value", 1), p3 = at(load, "value", 2), p4 = at(load, "value", 3);
      if (p2 != 0 || p3 != 0 || p4 != 0 || load.integer("cornersGiven") != 0) {
        card.p2 = p2;
        card.p3 = p3;
        card.p4 = p4;
      }
      card.g1 = static_cast<int>(at(load, "faceNodes", 0));
      card.g34 = static_cast<int>(at(load, "faceNodes", 1));
      card.cid = load.integer("CSys");
      if (load.find("direction")) card.n = vec(load, "direction");
      if (load.find("sorl")) card.sorl = load.text("sorl");
      if (load.find("ldir")) card.ldir = load.text("ldir");
      bulk().pload4s.push_back(card);
    } else if (type == load_type::kDistributed) {
      nastran::Pload1 card{.sid = sid, .eid = target, .type = load.text("loadDirection"), .scale = load.text("scale"),
                           .x1 = at(load, "value", 2), .p1 = value[0]};
      if (card.type.empty()) card.type = "FZ";
      if (card.scale.empty()) card.scale = "LE";
      if (load.integer("rangeGiven") != 0 || at(load, "value", 3) != 0) {
        card.x2 = at(load, "value", 3);
        card.p2 = value[1];
      }
      bulk().pload1s.push_back(card);
    } else if (load_type::isEnforcedMotion(type)) {
      Components c;
      if (load.find("dof")) {
        c = componentsOf(load.number("dof"));
      } else {
        if (load.integer("XOn")) c.add(type == load_type::kRotation ? 4 : 1);
        if (load.integer("YOn")) c.add(type == load_type::kRotation ? 5 : 2);
        if (load.integer("ZOn")) c.add(type == load_type::kRotation ? 6 : 3);
      }
      bulk().spcds.push_back({.spcd = true, .sid = sid, .g = target, .c = c, .d = value[0]});
    } else {
      bulk().passed.push_back(comment("mesh load " + std::to_string(load.id) + " of type " + std::to_string(type) +
                                      " is not written"));
    }
  }

  void constraints() {
    const EntityTable& nodes = table(Kind::BcNode);
    const EntityTable& equations = table(Kind::BcEqn);
    for (const auto& [key, set] : table(Kind::BcSet).entities()) {
      int sid = set.id;
      std::map<std::uint8_t, std::vector<int>> byComponents;
      for (const Entity* bc = nodes.next(0, sid); bc; bc = nodes.next(bc->id, sid)) {
        Components fixed;
        for (int c = 1; c <= 6; ++c) {
          if (at(*bc, "dof", static_cast<std::size_t>(c - 1)) == 0) continue;
          double d = at(*bc, "enforced", static_cast<std::size_t>(c - 1));
          if (d != 0) {
            bulk().spcs.push_back({.sid = sid, .g = bc->id, .c = Components::fromBits(static_cast<std::uint8_t>(1 << c)), .d = d});
          } else {
            fixed.add(c);
          }
        }
        if (!fixed.empty()) byComponents[fixed.bits()].push_back(bc->id);
      }
      for (const auto& [bits, grids] : byComponents) {
        bulk().spc1s.push_back({.sid = sid, .c = Components::fromBits(bits), .grids = grids});
      }
      for (const Entity* eq = equations.next(0, sid); eq; eq = equations.next(eq->id, sid)) {
        nastran::Mpc card{.sid = sid};
        std::vector<int> grids = integers(*eq, "node"), dofs = integers(*eq, "dof");
        for (std::size_t i = 0; i < grids.size(); ++i) {
          card.terms.push_back({grids[i], i < dofs.size() ? dofs[i] : 0, at(*eq, "coeff", i)});
        }
        bulk().mpcs.push_back(card);
      }
      if (std::vector<int> sets = integers(set, "SPCAddSet"); !sets.empty()) bulk().spcadds.push_back({.sid = sid, .sets = sets});
      if (std::vector<int> sets = integers(set, "MPCAddSet"); !sets.empty()) {
        bulk().mpcadds.push_back({.mpc = true, .sid = sid, .sets = sets});
      }
    }
  }

  // ---- Executive and case control ----

  bool holdsLoads(int sid) const {
    auto any = [&](Kind kind) { return table(kind).next(0, sid) != nullptr; };
    const Entity* set = table(Kind::LoadSet).find(sid);
    return any(Kind::LoadMesh) || (set && (set->integer("BodyAccelOn") != 0 || set->find("LoadCombineSet")));
  }

  void caseControl() {
    // The active analysis set, or when it names none (a program may leave a set active that it
    // then deleted) the first set that has cases.
    int activeSet = model_.header.integer("activeAnalysisSet");
    const Entity* analysis = table(Kind::Analysis).find(activeSet);
    if (!analysis) {
      for (const auto& [key, set] : table(Kind::Analysis).entities()) {
        if (table(Kind::AnalysisCase).next(0, set.id)) {
          analysis = &set;
          activeSet = set.id;
          break;
        }
      }
    }
    if (!analysis || !table(Kind::AnalysisCase).next(0, activeSet)) analysis = nullptr;
    nastran::ExecutiveControl& executive = deck_.executive;
    nastran::CaseControl& control = deck_.caseControl;
    if (std::string title = model_.header.text("title"); !title.empty()) control.global.title = title;
    if (!analysis) {
      // One subcase from the active load and constraint sets.
      executive.solution = nastran::Solution{101, "SESTATIC"};
      int loadSet = chosenSet("activeLoadSet", Kind::LoadSet), bcSet = chosenSet("activeBCSet", Kind::BcSet);
      control.global.others.push_back({"ECHO = NONE"});
      nastran::Subcase subcase{.id = 1};
      if (const Entity* set = table(Kind::LoadSet).find(loadSet)) subcase.subtitle = set->text("title");
      if (loadSet > 0 && holdsLoads(loadSet)) subcase.load = loadSet;
      if (loadSet > 0 && table(Kind::NodeTemp).next(0, loadSet)) subcase.temperatureLoad = loadSet;
      if (bcSet > 0 && (table(Kind::BcNode).next(0, bcSet) || table(Kind::BcSet).find(bcSet)->find("SPCAddSet"))) subcase.spc = bcSet;
      if (bcSet > 0 && table(Kind::BcEqn).next(0, bcSet)) subcase.mpc = bcSet;
      subcase.outputs.push_back({.name = "DISPLACEMENT", .target = "ALL"});
      subcase.outputs.push_back({.name = "STRESS", .target = "ALL"});
      control.subcases.push_back(std::move(subcase));
      return;
    }
    std::string sol = analysis->text("NasSol");
    if (!sol.empty()) {
      nastran::Solution solution;
      if (std::all_of(sol.begin(), sol.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        solution.number = std::stoi(sol);
        solution.name = std::string(nastran::solutionName(*solution.number));
      } else {
        solution.name = sol;
        solution.number = nastran::solutionNumber(sol);
      }
      executive.solution = solution;
    }
    executive.statements = splitLines(analysis->text("NasExecText"));
    executive.solutionPosition = std::min<std::size_t>(static_cast<std::size_t>(analysis->integer("NasSolPosition")),
                                                       executive.statements.size());
    std::optional<std::string> title = control.global.title;
    control.global = subcaseOfText(analysis->text("NasCaseText"));
    control.global.title = title;
    control.plotPackets = splitLines(analysis->text("NasPlotText"));
    const EntityTable& cases = table(Kind::AnalysisCase);
    for (const Entity* entry = cases.next(0, activeSet); entry; entry = cases.next(entry->id, activeSet)) {
      nastran::Subcase subcase = subcaseOfText(entry->text("caseText"));
      subcase.id = entry->id;
      auto selection = [&](std::string_view key) {
        int id = entry->integer(key);
        return id > 0 ? std::optional<int>(id) : std::nullopt;
      };
      if (std::string text = entry->text("title"); !text.empty()) subcase.subtitle = text;
      if (std::string text = entry->text("label"); !text.empty()) subcase.label = text;
      subcase.load = selection("LoadSetID");
      subcase.spc = selection("BCSetID");
      subcase.mpc = selection("MPCSetID");
      subcase.temperatureLoad = selection("TempSetID");
      subcase.temperatureInitial = selection("TempInitSetID");
      control.subcases.push_back(std::move(subcase));
    }
  }

  int chosenSet(std::string_view activeKey, Kind setKind) const {
    int active = model_.header.integer(activeKey);
    if (active > 0 && table(setKind).find(active)) return active;
    const Entity* first = table(setKind).next(0);
    return first ? first->id : 0;
  }

  void keptCards() {
    for (const auto& [key, card] : table(Kind::DeckCard).entities()) {
      std::string text = card.text("text");
      nastran::PassedCard passed;
      for (const nastran::Statement& line : splitLines(text)) passed.lines.push_back(line.text);
      if (passed.lines.empty()) continue;
      std::string_view first = passed.lines.front();
      passed.name = std::string(first.substr(0, first.find_first_of(", \t*")));
      bulk().passed.push_back(std::move(passed));
    }
  }

  const Model& model_;
  CoordinateSystems systems_;
  nastran::Deck deck_;
};

}  // namespace

nastran::Deck deckFromModel(const Model& model) { return DeckBuilder(model).build(); }

std::string formatNastranModelDeck(const Model& model) {
  return "$ Nastran deck written by the simulated FEMAP\n" + nastran::formatDeck(deckFromModel(model));
}

}  // namespace femapsim
