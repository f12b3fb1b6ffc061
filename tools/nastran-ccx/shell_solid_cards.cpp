#include "shell_solid_cards.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "numbers.h"

namespace nastranccx {
namespace {

std::string label(std::string_view card, int id) { return std::string(card) + " " + std::to_string(id); }

ElementType plateType(nastran::PlateShape shape) {
  switch (shape) {
    case nastran::PlateShape::Quad4: return ElementType::Quad4;
    case nastran::PlateShape::Tria3: return ElementType::Tria3;
    case nastran::PlateShape::Quad8: return ElementType::Quad8;
    case nastran::PlateShape::Tria6: return ElementType::Tria6;
    case nastran::PlateShape::QuadR: return ElementType::QuadR;
    case nastran::PlateShape::TriaR: return ElementType::TriaR;
  }
  return ElementType::Quad4;
}

}  // namespace

Element plateElement(const nastran::Deck& deck, const nastran::Plate& card) {
  std::string subject = label(nastran::cardName(card.shape), card.eid);
  bool secondOrder = card.shape == nastran::PlateShape::Quad8 || card.shape == nastran::PlateShape::Tria6;
  std::size_t corners = static_cast<std::size_t>(card.corners());
  std::size_t grids = secondOrder ? 2 * corners : corners;
  // Where ZOFFS and the corner thicknesses stand on each card.
  std::size_t zoffsField = card.shape == nastran::PlateShape::Quad8   ? 16
                           : card.shape == nastran::PlateShape::Tria6 ? 10
                           : corners == 4                             ? 8
                                                                      : 7;
  const std::size_t thicknessField = 11;
  std::size_t angleField = card.shape == nastran::PlateShape::Quad8   ? 15
                          : card.shape == nastran::PlateShape::Tria6 ? 9
                          : corners == 4                             ? 7
                                                                     : 6;
  if (card.mcid && *card.mcid != 0)
    throw deck.errorAt(card.origin, angleField, subject,
                       "MCID " + std::to_string(*card.mcid) +
                           ": only the basic coordinate system (0) may orient the material; give THETA instead");
  if (card.zoffs && *card.zoffs != 0)
    throw deck.errorAt(card.origin, zoffsField, subject, "an offset of the reference plane (ZOFFS) is not supported");
  for (std::size_t i = 0; i < card.t.size(); ++i) {
    if (!card.t[i]) continue;
    if (secondOrder)
      throw deck.errorAt(card.origin, thicknessField + i, subject,
                         "corner thicknesses (T1...) of a second-order shell are not supported; give the thickness "
                         "on PSHELL");
    if (*card.t[i] <= 0)
      throw deck.errorAt(card.origin, thicknessField + i, subject,
                         "T" + std::to_string(i + 1) + " must be positive, not " + formatReal(*card.t[i]));
  }
  for (std::size_t i = corners; i < grids; ++i)
    if (card.g[i] == 0)
      throw deck.errorAt(card.origin, 3 + i, subject,
                         "mid-side grid G" + std::to_string(i + 1) + " is blank: every mid-side grid must be given");
  Element element{card.eid, plateType(card.shape), card.pid, {}, {}, {}, card.origin.at};
  element.grids.assign(card.g.begin(), card.g.begin() + static_cast<std::ptrdiff_t>(grids));
  // The material axes matter to orthotropic plies only; an isotropic material ignores them.
  element.materialAngle = card.theta;
  element.materialAxisFromBasic = card.mcid.has_value();
  if (!secondOrder) {
    std::copy(card.t.begin(), card.t.end(), element.cornerThickness.begin());
    element.relativeThickness = card.tflag == 1;
  }
  return element;
}

Element solidElement(const nastran::Deck& deck, const nastran::Solid& card) {
  std::string subject = label(nastran::cardName(card.shape), card.eid);
  int count = card.gridCount();
  bool secondOrder = count > card.corners();
  if (secondOrder)
    for (int i = card.corners(); i < card.maxGrids(); ++i)
      if (card.g[static_cast<std::size_t>(i)] == 0)
        throw deck.errorAt(card.origin, 3 + static_cast<std::size_t>(i), subject,
                           "mid-side grid G" + std::to_string(i + 1) +
                               " is blank: give every mid-side grid or none (CalculiX has no element with some)");
  ElementType type = ElementType::Tetra4;
  switch (card.shape) {
    case nastran::SolidShape::Tetra: type = secondOrder ? ElementType::Tetra10 : ElementType::Tetra4; break;
    case nastran::SolidShape::Penta: type = secondOrder ? ElementType::Penta15 : ElementType::Penta6; break;
    case nastran::SolidShape::Hexa: type = secondOrder ? ElementType::Hexa20 : ElementType::Hexa8; break;
  }
  Element element{card.eid, type, card.pid, {}, {}, {}, card.origin.at};
  element.grids.assign(card.g.begin(), card.g.begin() + (secondOrder ? card.maxGrids() : card.corners()));
  return element;
}

Property shellProperty(const nastran::Deck& deck, const nastran::Pshell& card) {
  std::string subject = label("PSHELL", card.pid);
  if (!card.mid1)
    throw deck.errorAt(card.origin, 2, subject,
                       "MID1 is blank: a shell with bending stiffness only has no CalculiX counterpart");
  if (!card.t) throw deck.errorAt(card.origin, 3, subject, "field 3 (T) is blank");
  if (*card.t <= 0)
    throw deck.errorAt(card.origin, 3, subject, "field 3 (T) must be positive, not " + formatReal(*card.t));
  bool membraneOnly = !card.mid2;
  if (card.mid2 && *card.mid2 == -1)
    throw deck.errorAt(card.origin, 4, subject, "MID2 -1 (plane strain) is not supported");
  if (card.mid2 && *card.mid2 != *card.mid1)
    throw deck.errorAt(card.origin, 4, subject,
                       "a bending material (MID2 " + std::to_string(*card.mid2) +
                           ") other than the membrane material (MID1) is not supported");
  if (!membraneOnly && card.bendingRatio != 1.0)
    throw deck.errorAt(card.origin, 5, subject, "a bending stiffness ratio 12I/T**3 other than 1.0 is not supported");
  // MID3 and TS/T (transverse shear) are left to the shell element; NSM, Z1, Z2 do not change stiffness.
  if (card.mid4) throw deck.errorAt(card.origin, 11, subject, "a membrane-bending coupling material (MID4) is not supported");
  Property property{card.pid, PropertyType::Shell, *card.mid1, 0, 0, 0, *card.t, card.origin.at};
  property.membraneOnly = membraneOnly;
  return property;
}

Property compositeProperty(const nastran::Deck& deck, const nastran::Pcomp& card) {
  std::string subject = label(card.global ? "PCOMPG" : "PCOMP", card.pid);
  if (card.plies.empty()) throw deck.errorAt(card.origin, 9, subject, "the laminate has no plies");
  if (!card.lam.empty() && card.lam != "SYM")
    throw deck.errorAt(card.origin, 8, subject,
                       "LAM " + card.lam + " is not supported (only blank, every ply given, or SYM)");
  Property property{card.pid, PropertyType::Shell, card.plies.front().mid, 0, 0, 0, 0, card.origin.at};
  std::vector<nastran::Ply> plies = card.plies;
  if (card.lam == "SYM") plies.insert(plies.end(), card.plies.rbegin(), card.plies.rend());
  for (std::size_t i = 0; i < plies.size(); ++i) {
    const nastran::Ply& ply = plies[i];
    if (ply.t <= 0)
      throw deck.errorAt(card.origin, 10 + 4 * (i % card.plies.size()), subject,
                         "ply " + std::to_string(i + 1) + ": its thickness must be positive, not " + formatReal(ply.t));
    int id = card.global && i < card.plies.size() ? ply.globalId : static_cast<int>(i + 1);
    property.plies.push_back({id, ply.mid, ply.t, ply.theta});
    property.thickness += ply.t;
  }
  // Z0 places the laminate's bottom; CalculiX's composite section lies on its mid-plane.
  if (card.z0 && std::abs(*card.z0 + property.thickness / 2) > 1e-9 * property.thickness)
    throw deck.errorAt(card.origin, 2, subject,
                       "Z0 " + formatReal(*card.z0) + " offsets the laminate from the grids' plane (only -T/2, " +
                           formatReal(-property.thickness / 2) + ", or blank is supported)");
  // NSM adds mass only; SB, FT and the ply's SOUT choose failure output, GE damping, TREF is
  // the plies' materials'.
  return property;
}

void readLaminae(const nastran::Deck& deck, Model& model) {
  for (const nastran::Mat8& card : deck.bulk.mat8s) {
    std::string subject = label("MAT8", card.mid);
    if (card.e1 <= 0) throw deck.errorAt(card.origin, 2, subject, "E1 must be positive");
    if (card.e2 <= 0) throw deck.errorAt(card.origin, 3, subject, "E2 must be positive");
    if (card.g12 <= 0) throw deck.errorAt(card.origin, 5, subject, "G12 must be positive");
    if (card.nu12 * card.nu12 * card.e2 / card.e1 >= 1)
      throw deck.errorAt(card.origin, 4, subject, "NU12 " + formatReal(card.nu12) + " makes the lamina unstable");
    Material material;
    material.id = card.mid;
    material.youngsModulus = card.e1;
    material.poissonRatio = card.nu12;
    if (card.rho != 0) material.density = card.rho;
    if (card.a1 != 0 || card.a2 != 0) material.expansion = card.a1;
    material.referenceTemperature = card.tref;
    material.at = card.origin.at;
    material.lamina = Material::Lamina{card.e2, card.g12, card.g1z, card.g2z, card.a2};
    model.materials.emplace(material.id, material);
  }
}

void readAnisotropicMaterials(const nastran::Deck& deck, Model& model) {
  for (const nastran::Mat9& card : deck.bulk.mat9s) {
    std::string subject = label("MAT9", card.mid);
    Material material;
    material.id = card.mid;
    material.anisotropic = card.g;
    // G11, G22, G33 stand at 0, 6 and 11 of the rows.
    material.youngsModulus = std::max({card.g[0], card.g[6], card.g[11]});
    if (card.g[0] <= 0 || card.g[6] <= 0 || card.g[11] <= 0)
      throw deck.errorAt(card.origin, 2, subject, "G11, G22 and G33 must be positive");
    // A thermal expansion alike in every direction is the isotropic one; any other is refused.
    if (card.a[1] != card.a[0] || card.a[2] != card.a[0] || card.a[3] != 0 || card.a[4] != 0 || card.a[5] != 0)
      throw deck.errorAt(card.origin, 24, subject,
                         "a thermal expansion other than one coefficient in every direction (A1 = A2 = A3, A4-A6 zero) "
                         "is not supported");
    if (card.a[0] != 0) material.expansion = card.a[0];
    if (card.rho != 0) material.density = card.rho;
    material.referenceTemperature = card.tref;
    material.at = card.origin.at;
    model.materials.emplace(material.id, material);
  }
}

void checkPropertyMaterials(const nastran::Deck& deck, const Model& model) {
  for (const auto& [id, property] : model.properties) {
    for (const Property::Ply& ply : property.plies)
      if (model.materials.at(ply.materialId).anisotropic)
        throw deck.errorAt(property.at, label("PCOMP", id),
                           "material " + std::to_string(ply.materialId) + " is a MAT9, which only PSOLID may use");
    if (property.composite()) continue;
    const Material& material = model.materials.at(property.materialId);
    if (material.lamina)
      throw deck.errorAt(property.at, label(cardName(property.type), id),
                         "material " + std::to_string(material.id) +
                             " is a MAT8 lamina, which only PCOMP and PCOMPG plies may use");
    if (material.anisotropic && property.type != PropertyType::Solid)
      throw deck.errorAt(property.at, label(cardName(property.type), id),
                         "material " + std::to_string(material.id) + " is a MAT9, which only PSOLID may use");
  }
  for (const nastran::Psolid& card : deck.bulk.psolids)
    if (card.cordm != 0 && model.materials.at(card.mid).anisotropic)
      throw deck.errorAt(card.origin, 4, label("PSOLID", card.pid),
                         "CORDM " + std::to_string(card.cordm) +
                             ": a MAT9 is taken in the basic system only (CORDM 0 or blank)");
}

bool wantsCornerStresses(const nastran::Subcase& subcase) {
  const nastran::OutputRequest* stress = subcase.findOutput("STRESS");
  if (!stress) return false;
  for (const std::string& describer : stress->describers)
    if (describer == "CORNER" || describer == "BILIN" || describer == "SGAGE" || describer == "CUBIC") return true;
  return false;
}

std::string unsolvedCardReason(std::string_view card) {
  if (card == "MAT2")
    return "not solved by nastran-ccx: anisotropic shell materials are not converted (MAT1, MAT8 for PCOMP plies "
           "and MAT9 for solids are)";
  return "not solved by nastran-ccx (unknown card to its CalculiX conversion)";
}

void readPressureLoads(const nastran::Deck& deck, const nastran::CoordinateSystems& systems, Model& model) {
  const nastran::Bulk& bulk = deck.bulk;
  for (const nastran::Pload& card : bulk.ploads) {
    PressureLoad load;
    load.setId = card.sid;
    load.card = PressureCard::Pload;
    load.faceGrids.assign(card.g.begin(), card.g.begin() + (card.g[3] == 0 ? 3 : 4));
    load.cornerPressures.fill(card.p);
    load.at = card.origin.at;
    model.pressures.push_back(load);
  }
  // THRU ranges may name elements that do not exist: those in between that do are loaded.
  auto addRange = [&](PressureLoad load, int first, int last) {
    for (auto it = model.elements.lower_bound(first); it != model.elements.end() && it->first <= last; ++it) {
      load.element = it->first;
      model.pressures.push_back(load);
    }
  };
  for (const nastran::Pload2& card : bulk.pload2s) {
    PressureLoad load;
    load.setId = card.sid;
    load.card = PressureCard::Pload2;
    load.cornerPressures.fill(card.p);
    load.at = card.origin.at;
    if (card.thru) {
      addRange(load, card.eids.front(), card.eids.back());
    } else {
      for (int eid : card.eids) addRange(load, eid, eid);
    }
  }
  for (const nastran::Pload4& card : bulk.pload4s) {
    std::string subject = label("PLOAD4", card.sid);
    const nastran::ResolvedSystem* system = systems.find(card.cid);
    if (!system)
      throw deck.errorAt(card.origin, 9, subject, "CID " + std::to_string(card.cid) + ": no such coordinate system");
    if (card.sorl != "SURF" || card.ldir != "NORM")
      throw deck.errorAt(card.origin, 13, subject, "SORL/LDIR (edge or in-plane loads) are not supported");
    PressureLoad load;
    load.setId = card.sid;
    load.card = PressureCard::Pload4;
    load.cornerPressures = {card.p1, card.p2.value_or(card.p1), card.p3.value_or(card.p1), card.p4.value_or(card.p1)};
    load.g1 = card.g1;
    load.g34 = card.g34;
    load.at = card.origin.at;
    // N1-N3 in CID: a rectangular system's axes are the same everywhere; a cylindrical or
    // spherical system's are taken at each element's centroid (the mean of its grids).
    bool curvilinear = system->kind != nastran::CoordinateKind::Rectangular && card.n != Vec3{0, 0, 0};
    auto directionAlong = [&](const nastran::Frame& axes) {
      Vec3 direction{};
      for (int axis = 0; axis < 3; ++axis)
        for (int basic = 0; basic < 3; ++basic) direction[basic] += card.n[axis] * axes[axis][basic];
      return direction;
    };
    if (!curvilinear) {
      load.direction = directionAlong(system->axes);
      addRange(load, card.eid, card.thru.value_or(card.eid));
      continue;
    }
    int last = card.thru.value_or(card.eid);
    for (auto it = model.elements.lower_bound(card.eid); it != model.elements.end() && it->first <= last; ++it) {
      Vec3 centroid{};
      for (int grid : it->second.grids)
        for (int axis = 0; axis < 3; ++axis)
          centroid[axis] += model.grids.at(grid).position[axis] / static_cast<double>(it->second.grids.size());
      load.element = it->first;
      load.direction = directionAlong(systems.directionsAt(card.cid, centroid));
      model.pressures.push_back(load);
    }
  }
}

}  // namespace nastranccx
