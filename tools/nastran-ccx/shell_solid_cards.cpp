#include "shell_solid_cards.h"

#include <algorithm>
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
  // THETA/MCID orients the material, which is isotropic: nothing to do.
  if (card.zoffs && *card.zoffs != 0)
    throw deck.errorAt(card.origin, zoffsField, subject, "an offset of the reference plane (ZOFFS) is not supported");
  for (const std::optional<double>& thickness : card.t)
    if (thickness)
      throw deck.errorAt(card.origin, thicknessField, subject,
                         "corner thicknesses (T1...) are not supported; give the thickness on PSHELL");
  for (std::size_t i = corners; i < grids; ++i)
    if (card.g[i] == 0)
      throw deck.errorAt(card.origin, 3 + i, subject,
                         "mid-side grid G" + std::to_string(i + 1) + " is blank: every mid-side grid must be given");
  Element element{card.eid, plateType(card.shape), card.pid, {}, {}, {}, card.origin.at};
  element.grids.assign(card.g.begin(), card.g.begin() + static_cast<std::ptrdiff_t>(grids));
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

void readPressureLoads(const nastran::Deck& deck, Model& model) {
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
    if (card.cid != 0)
      throw deck.errorAt(card.origin, 9, subject,
                         "CID " + std::to_string(card.cid) + ": only the basic coordinate system (0) is supported");
    if (card.sorl != "SURF" || card.ldir != "NORM")
      throw deck.errorAt(card.origin, 13, subject, "SORL/LDIR (edge or in-plane loads) are not supported");
    PressureLoad load;
    load.setId = card.sid;
    load.card = PressureCard::Pload4;
    load.cornerPressures = {card.p1, card.p2.value_or(card.p1), card.p3.value_or(card.p1), card.p4.value_or(card.p1)};
    load.g1 = card.g1;
    load.g34 = card.g34;
    load.direction = card.n;
    load.at = card.origin.at;
    addRange(load, card.eid, card.thru.value_or(card.eid));
  }
}

}  // namespace nastranccx
