#include "line_cards.h"

#include <cmath>
#include <map>

#include "numbers.h"

namespace nastranccx {
namespace {

std::string label(std::string_view card, int id) { return std::string(card) + " " + std::to_string(id); }

class LineCardReader {
 public:
  LineCardReader(const nastran::Deck& deck, Model& model) : deck_(deck), bulk_(deck.bulk), model_(model) {}

  void read() {
    readConrods();
    readBeams();
    readPbarls();
    readPbeams();
    readPbeamls();
    readLineLoads();
    readPointCards();
  }

 private:
  [[noreturn]] void fail(const nastran::Origin& origin, std::size_t field, const std::string& subject,
                         const std::string& reason) const {
    throw deck_.errorAt(origin, field, subject, reason);
  }

  void readConrods() {
    for (const nastran::Conrod& card : bulk_.conrods) {
      std::string subject = label("CONROD", card.eid);
      if (card.a <= 0) fail(card.origin, 5, subject, "field 5 (A) must be positive, not " + formatReal(card.a));
      // The element carries its own property, kept under the negative element ID.
      Property property{-card.eid, PropertyType::Rod, card.mid, card.a, 0, 0, 0, card.origin.at};
      property.cardName = "CONROD";
      property.nonstructuralMass = card.nsm;
      model_.properties.emplace(property.id, property);
      model_.elements.emplace(card.eid, Element{card.eid, ElementType::Rod, -card.eid, {card.g[0], card.g[1]}, {}, {},
                                                card.origin.at});
    }
  }

  void readBeams() {
    for (const nastran::Cbeam& card : bulk_.cbeams) {
      std::string subject = label("CBEAM", card.eid);
      Element element{card.eid, ElementType::Beam, card.pid, {card.ga, card.gb}, {}, {}, card.origin.at};
      if (card.orientation.grid != 0) {
        element.orientationGrid = card.orientation.grid;
      } else {
        element.orientation = card.orientation.vector.value_or(Vec3{0, 0, 0});
        if (element.orientation == Vec3{0, 0, 0})
          fail(card.origin, 5, subject, "the orientation vector X1, X2, X3 is zero or blank");
      }
      if (card.bit && *card.bit != 0) fail(card.origin, 8, subject, "a built-in twist (BIT) is not supported");
      std::string problem = readBarEnds(model_, element, card.bit ? std::string("GGG") : card.offt, card.pa, card.pb,
                                        card.wa, card.wb);
      if (!problem.empty()) fail(card.origin, 9, subject, problem);
      if (card.sa != 0 || card.sb != 0) fail(card.origin, 17, subject, "warping scalar points (SA, SB) are not supported");
      model_.elements.emplace(card.eid, std::move(element));
    }
  }

  void addSection(int pid, int mid, const BeamSection& section, const char* card, const nastran::Origin& origin,
                  double nonstructuralMass) {
    Property property{pid, PropertyType::Bar, mid, section.area, section.i1, section.i2, 0, origin.at};
    property.section = section;
    property.nonstructuralMass = nonstructuralMass;
    property.cardName = card;
    model_.properties.emplace(pid, property);
  }

  BeamSection shape(const std::string& type, const std::vector<double>& dims, const nastran::Origin& origin,
                    const std::string& subject, bool beam = false) const {
    ShapeResult result = standardSection(type, dims);
    if (!result.section) fail(origin, 4, subject, result.reason);
    if (beam && result.centroidOffAxis)
      fail(origin, 4, subject,
           type + ": the neutral axis off the shear centre, which a beam keeps, is not solved (as a PBARL it is)");
    return *result.section;
  }

  void readPbarls() {
    for (const nastran::Pbarl& card : bulk_.pbarls)
      addSection(card.pid, card.mid, shape(card.type, card.dims, card.origin, label("PBARL", card.pid)), "PBARL",
                 card.origin, card.nsm);
  }

  void readPbeams() {
    for (const nastran::Pbeam& card : bulk_.pbeams) {
      std::string subject = label("PBEAM", card.pid);
      const nastran::PbeamStation& a = card.stations.front();
      for (std::size_t i = 1; i < card.stations.size(); ++i) {
        const nastran::PbeamStation& other = card.stations[i];
        auto same = [](const std::optional<double>& value, const std::optional<double>& atA) {
          return !value || value == atA.value_or(0);
        };
        if (!same(other.a, a.a) || !same(other.i1, a.i1) || !same(other.i2, a.i2) || !same(other.i12, a.i12) ||
            !same(other.j, a.j))
          fail(card.origin, 0, subject, "a tapered beam (a station whose section differs from end A's) is not supported");
      }
      BeamSection section;
      section.area = a.a.value_or(0);
      section.i1 = a.i1.value_or(0);
      section.i2 = a.i2.value_or(0);
      section.i12 = a.i12.value_or(0);
      section.torsion = a.j.value_or(0);
      if (a.stressPoints)
        for (int i = 0; i < 4; ++i) section.points[i] = {(*a.stressPoints)[2 * i], (*a.stressPoints)[2 * i + 1]};
      checkSection(section, card.origin, subject);
      addSection(card.pid, card.mid, section, "PBEAM", card.origin, a.nsm.value_or(0));
    }
  }

  void readPbeamls() {
    for (const nastran::Pbeaml& card : bulk_.pbeamls) {
      std::string subject = label("PBEAML", card.pid);
      const nastran::PbeamlStation& a = card.stations.front();
      std::vector<double> dims;
      for (const std::optional<double>& dim : a.dims) dims.push_back(dim.value_or(0));
      for (std::size_t i = 1; i < card.stations.size(); ++i)
        for (std::size_t d = 0; d < card.stations[i].dims.size() && d < dims.size(); ++d)
          if (card.stations[i].dims[d] && *card.stations[i].dims[d] != dims[d])
            fail(card.origin, 0, subject, "a tapered beam (a station whose dimensions differ from end A's) is not supported");
      addSection(card.pid, card.mid, shape(card.type, dims, card.origin, subject, true), "PBEAML", card.origin,
                 a.nsm.value_or(0));
    }
  }

  void checkSection(const BeamSection& section, const nastran::Origin& origin, const std::string& subject) const {
    if (section.area <= 0) fail(origin, 4, subject, "the area A must be positive");
    if (section.i1 <= 0 || section.i2 <= 0 || section.i1 * section.i2 <= section.i12 * section.i12)
      fail(origin, 5, subject, "I1 and I2 must be positive and I1*I2 above I12**2");
  }

  double lengthOf(const Element& element) const {
    const Vec3& a = model_.grids.at(element.grids[0]).position;
    const Vec3& b = model_.grids.at(element.grids[1]).position;
    return std::sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]) + (b[2] - a[2]) * (b[2] - a[2]));
  }

  void readLineLoads() {
    for (const nastran::Pload1& card : bulk_.pload1s) {
      std::string subject = label("PLOAD1", card.sid);
      auto element = model_.elements.find(card.eid);
      if (element == model_.elements.end() ||
          (element->second.type != ElementType::Bar && element->second.type != ElementType::Beam))
        fail(card.origin, 3, subject, "element " + std::to_string(card.eid) + " is no CBAR or CBEAM");
      LineLoad load;
      load.setId = card.sid;
      load.element = card.eid;
      load.at = card.origin.at;
      const std::string& type = card.type;
      if (type.size() < 2 || type[0] != 'F' || type[1] < 'X' || type[1] > 'Z' || (type.size() == 3 && type[2] != 'E') ||
          type.size() > 3)
        fail(card.origin, 4, subject, "load type " + type + " is not supported (FX, FY, FZ, FXE, FYE, FZE are)");
      load.axis = type[1] - 'X';
      load.elementAxes = type.size() == 3;
      if (card.scale != "LE" && card.scale != "FR")
        fail(card.origin, 5, subject, "scale " + card.scale + " is not supported (LE and FR are; projected loads are not)");
      double length = lengthOf(element->second);
      double factor = card.scale == "FR" ? length : 1.0;
      load.from = card.x1 * factor;
      load.valueA = card.p1;
      if (card.x2 && *card.x2 != card.x1) {
        load.to = *card.x2 * factor;
        load.valueB = card.p2.value_or(card.p1);
        if (*load.to < load.from) fail(card.origin, 8, subject, "X2 lies before X1");
      }
      double end = load.to.value_or(load.from);
      if (load.from < 0 || end > length * (1 + 1e-9))
        fail(card.origin, 6, subject, "the load lies outside the element (length " + formatReal(length) + ")");
      model_.lineLoads.push_back(load);
    }
  }

  void readSprings() {
    std::map<int, const nastran::Pelas*> pelas;
    for (const nastran::Pelas& card : bulk_.pelas) pelas[card.pid] = &card;
    auto add = [&](Spring spring, const nastran::Origin& origin, const std::string& subject) {
      for (int end = 0; end < 2; ++end) {
        if (spring.grids[end] == 0) continue;
        if (spring.components[end] < 1 || spring.components[end] > 3)
          fail(origin, end == 0 ? 4 : 6, subject, "only translational components (1-3) are supported");
        if (model_.grids.at(spring.grids[end]).frame)
          fail(origin, end == 0 ? 3 : 5, subject, "a grid with an output system (CD) is not supported here");
      }
      if (spring.grids[0] == 0) {  // grounded at G1: the spring acts at G2
        std::swap(spring.grids[0], spring.grids[1]);
        std::swap(spring.components[0], spring.components[1]);
      }
      if (spring.grids[0] == 0) fail(origin, 3, subject, "both grids are blank");
      // GE (damping) does not enter a static solution.
      model_.springs.push_back(spring);
    };
    for (const nastran::Celas1& card : bulk_.celas1s) {
      std::string subject = label("CELAS1", card.eid);
      auto property = pelas.find(card.pid);
      if (property == pelas.end()) fail(card.origin, 2, subject, "PELAS " + std::to_string(card.pid) + " does not exist");
      add({card.eid, false, {card.g1, card.g2}, {card.c1, card.c2}, property->second->k, property->second->s, card.origin.at},
          card.origin, subject);
    }
    // CBUSH between coincident grids (or to ground) with its stiffness along the basic axes
    // (CID 0), or the same stiffness every way: three springs, one a translation. GE, B and M do
    // not enter a static solution.
    std::map<int, const nastran::Pbush*> pbush;
    for (const nastran::Pbush& card : bulk_.pbushes) pbush[card.pid] = &card;
    for (const nastran::Cbush& card : bulk_.cbushes) {
      std::string subject = label("CBUSH", card.eid);
      auto property = pbush.find(card.pid);
      if (property == pbush.end() || !property->second->k)
        fail(card.origin, 2, subject, "no PBUSH " + std::to_string(card.pid) + " with stiffness K");
      const std::array<double, 6>& k = *property->second->k;
      if (k[3] != 0 || k[4] != 0 || k[5] != 0)
        fail(card.origin, 2, subject, "rotational stiffness (PBUSH K4-K6) is not supported");
      bool sameEveryWay = k[0] == k[1] && k[1] == k[2];
      if (card.cid ? *card.cid != 0 : !sameEveryWay)
        fail(card.origin, 9, subject, "only CID 0 (or blank CID with K1 = K2 = K3) is supported");
      if (card.gb != 0) {
        const Vec3& a = model_.grids.at(card.ga).position;
        const Vec3& b = model_.grids.at(card.gb).position;
        if (a != b) fail(card.origin, 4, subject, "only coincident grids GA, GB (or GB blank) are supported");
      }
      double stressFactor = property->second->rcv ? (*property->second->rcv)[1] : 1.0;  // ST, 1 when not given
      for (int axis = 1; axis <= 3; ++axis) {
        if (k[axis - 1] == 0) continue;
        Spring spring{card.eid, true, {card.ga, card.gb}, {axis, axis}, k[axis - 1], stressFactor, card.origin.at};
        spring.bushComponent = axis;
        add(spring, card.origin, subject);
      }
    }
    for (const nastran::Celas2& card : bulk_.celas2s)
      add({card.eid, true, {card.g1, card.g2}, {card.c1, card.c2}, card.k, card.s, card.origin.at}, card.origin,
          label("CELAS2", card.eid));
  }

  void readPointCards() {
    readSprings();
    for (const nastran::Conm2& card : bulk_.conm2s) {
      std::string subject = label("CONM2", card.eid);
      if (card.cid > 0) fail(card.origin, 4, subject, "a coordinate system CID other than 0 or -1 is not supported");
      Vec3 offset = card.x;
      if (card.cid == -1) {
        const Vec3& at = model_.grids.at(card.g).position;
        for (int axis = 0; axis < 3; ++axis) offset[axis] -= at[axis];
      }
      // The inertia I11-I33 only enters dynamics: a static gravity load does not turn it.
      model_.masses.push_back({card.eid, card.g, card.m, offset, card.origin.at});
    }
    for (const nastran::Rbe2& card : bulk_.rbe2s) {
      std::string subject = label("RBE2", card.eid);
      // ALPHA and TREF only matter with temperatures, which such models do not take.
      RigidLink link{card.eid, card.gn, card.gm, {}, card.origin.at};
      for (int dof = 1; dof <= 6; ++dof)
        if (card.cm.has(dof)) link.dofs.push_back(dof);
      if (link.dofs.empty()) fail(card.origin, 3, subject, "no components CM");
      model_.rigidLinks.push_back(link);
    }
    for (const nastran::Rbe3& card : bulk_.rbe3s) {
      std::string subject = label("RBE3", card.eid);
      if (!card.um.empty()) fail(card.origin, 0, subject, "UM (other dependent DOFs) is not supported");
      Interpolation interpolation{card.eid, card.refgrid, {}, {}, card.origin.at};
      for (int dof = 1; dof <= 6; ++dof)
        if (card.refc.has(dof)) interpolation.dofs.push_back(dof);
      std::map<int, double> weights;
      for (const nastran::Rbe3::Weighted& group : card.groups) {
        if (group.c.digits() != "123")
          fail(card.origin, 0, subject, "components " + group.c.digits() + " of the independent grids: only 123 is supported");
        if (group.weight <= 0) fail(card.origin, 0, subject, "weights must be positive");
        for (int grid : group.grids) weights[grid] += group.weight;
      }
      for (const auto& [grid, weight] : weights) interpolation.points.emplace_back(grid, weight);
      if (interpolation.dofs.empty() || interpolation.points.empty()) fail(card.origin, 0, subject, "no REFC or no independent grids");
      model_.interpolations.push_back(interpolation);
    }
    for (const nastran::Rbar& card : bulk_.rbars) {
      std::string subject = label("RBAR", card.eid);
      auto dofs = [](const nastran::Components& c) {
        std::vector<int> list;
        for (int dof = 1; dof <= 6; ++dof)
          if (c.has(dof)) list.push_back(dof);
        return list;
      };
      // One end independent in all six DOFs, the other's CM dependent: an RBE2 of one grid.
      if (card.cna.digits() == "123456" && card.cnb.empty() && card.cma.empty() && !card.cmb.empty())
        model_.rigidLinks.push_back({card.eid, card.ga, {card.gb}, dofs(card.cmb), card.origin.at});
      else if (card.cnb.digits() == "123456" && card.cna.empty() && card.cmb.empty() && !card.cma.empty())
        model_.rigidLinks.push_back({card.eid, card.gb, {card.ga}, dofs(card.cma), card.origin.at});
      else
        fail(card.origin, 5, subject, "only an end independent in 123456 and the other's CM dependent is supported");
    }
    for (const nastran::Mpc& card : bulk_.mpcs) {
      MpcEquation equation{card.sid, {}, card.origin.at};
      for (const nastran::Mpc::Term& term : card.terms) {
        if (term.c < 1) fail(card.origin, 3, label("MPC", card.sid), "scalar points (component 0) are not supported");
        equation.terms.emplace_back(term.g, term.c, term.a);
      }
      if (equation.terms.empty() || std::get<2>(equation.terms.front()) == 0)
        fail(card.origin, 4, label("MPC", card.sid), "the first (dependent) coefficient must not be 0");
      model_.mpcEquations.push_back(equation);
    }
    for (const nastran::SetUnion& card : bulk_.mpcadds)
      if (card.mpc) model_.mpcUnions[card.sid] = card.sets;
    for (const nastran::Grav& card : bulk_.gravs) {
      std::string subject = label("GRAV", card.sid);
      if (card.cid != 0) fail(card.origin, 3, subject, "a coordinate system CID other than 0 is not supported");
      Vec3 acceleration{};
      for (int axis = 0; axis < 3; ++axis) acceleration[axis] = card.a * card.n[axis];
      model_.gravities.push_back({card.sid, acceleration, card.origin.at});
    }
  }

  const nastran::Deck& deck_;
  const nastran::Bulk& bulk_;
  Model& model_;
};

}  // namespace

std::string readBarEnds(const Model& model, Element& element, const std::string& offt, const nastran::Components& pa,
                        const nastran::Components& pb, const Vec3& wa, const Vec3& wb) {
  if (offt.size() != 3 || offt[0] == 'O' || offt[1] == 'O' || offt[2] == 'O')
    return "OFFT " + offt + " is not supported (G and B are, not O)";
  const Grid& a = model.grids.at(element.grids[0]);
  if (!element.orientationGrid && offt[0] == 'G') element.orientation = toBasicComponents(a, element.orientation);
  const Vec3* given[2] = {&wa, &wb};
  const nastran::Components* pins[2] = {&pa, &pb};
  for (int end = 0; end < 2; ++end) {
    const Grid& grid = model.grids.at(element.grids[end]);
    element.offsets[end] = offt[1 + end] == 'G' ? toBasicComponents(grid, *given[end]) : *given[end];
    for (int dof = 1; dof <= 6; ++dof)
      if (pins[end]->has(dof)) element.pins[end].push_back(dof);
  }
  return "";
}

BeamSection pbarSection(const nastran::Pbar& card) {
  BeamSection section;
  section.area = card.a;
  section.i1 = card.i1;
  section.i2 = card.i2;
  section.i12 = card.i12;
  section.torsion = card.j;
  for (int i = 0; i < 4; ++i) section.points[i] = {card.stressPoints[2 * i], card.stressPoints[2 * i + 1]};
  return section;
}

void readLineCards(const nastran::Deck& deck, Model& model) { LineCardReader(deck, model).read(); }

}  // namespace nastranccx
