#include "resultfiles/femap_vectors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <span>

namespace resultfiles {
namespace {

// ---- The catalogue ---------------------------------------------------------------------------
//
// Vector IDs and titles as FEMAP gives Nastran's results. Element vectors with corner values
// have a vector per corner: corner c of vector v is kCornerVectors + (c - 1) * kCornerStep + v.
// Composite plies: ply p's quantity q is kPlyVectors + p * kPlyStep + q.

constexpr int kTotalTranslation = 1;        // 2-4 T1-T3
constexpr int kTotalRotation = 5;           // 6-8 R1-R3
constexpr int kTotalConstraintForce = 51;   // 52-54 T1-T3
constexpr int kTotalConstraintMoment = 55;  // 56-58 R1-R3
constexpr int kBarForces = 3000;            // 3000-3011
constexpr int kRodAxialStress = 3022, kRodAxialMargin = 3023, kRodTorsionalStress = 3024, kRodTorsionalMargin = 3025;
constexpr int kRodAxialForce = 3036, kRodTorque = 3038;
constexpr int kBeamForces = 3040;  // 3040-3051
constexpr int kBarEndABendStress = 3075, kBarEndAAxialStress = 3079, kBarEndBBendStress = 3083;
constexpr int kBarEndAMaxStress = 3109, kBarEndAMinStress = 3110, kBarEndBMaxStress = 3111, kBarEndBMinStress = 3112;
constexpr int kBarTensionMargin = 3113, kBarCompressionMargin = 3114;
constexpr int kBeamEndAStress = 3139, kBeamEndAMaxStress = 3143, kBeamEndAMinStress = 3144;
constexpr int kBeamEndBMaxStress = 3145, kBeamEndBMinStress = 3146, kBeamEndBStress = 3151;
constexpr int kBeamTensionMargin = 3155, kBeamCompressionMargin = 3156;
constexpr int kSpringStress = 3400;
constexpr int kBushStresses = 3410;  // 3410-3415
constexpr int kShearPanelMaxStress = 6020, kShearPanelAverageStress = 6021, kShearPanelMargin = 6022;
constexpr int kPlateForces = 7001;    // 7001-7008
constexpr int kPlateTopFibre = 7000;  // + the fibre quantity's number
constexpr int kPlateBottomFibre = 9000;
constexpr int kSolidStresses = 60000;  // + the solid quantity's number
constexpr int kCornerVectors = 100000, kCornerStep = 10000;
constexpr int kPlyVectors = 1000000, kPlyStep = 100;

constexpr int kXYZComponents = 1;  // a vector's component direction; 0 (the default) names none
constexpr int kLineEnds = 2;

struct FibreQuantity {
  int number;
  const char* name;
  float PlateFibre::*field;
  bool combinable;
};
constexpr FibreQuantity kFibreQuantities[] = {
    {20, "X Normal Stress", &PlateFibre::normalX, true}, {21, "Y Normal Stress", &PlateFibre::normalY, true},
    {23, "XY Shear Stress", &PlateFibre::shearXY, true}, {26, "MajorPrn Stress", &PlateFibre::major, false},
    {27, "MinorPrn Stress", &PlateFibre::minor, false},  {28, "PrnStr Angle", &PlateFibre::angle, false},
};
constexpr FibreQuantity kFibreVonMises = {33, "VonMises Stress", &PlateFibre::equivalent, false};
constexpr FibreQuantity kFibreMaxShear = {32, "MaxShear Stress", &PlateFibre::equivalent, false};

struct SolidQuantity {
  int number;
  const char* title;
  float (*value)(const SolidPoint&);
  bool combinable;
};
const SolidQuantity kSolidQuantities[] = {
    {20, "Solid X Normal Stress", [](const SolidPoint& p) { return p.normalX; }, true},
    {21, "Solid Y Normal Stress", [](const SolidPoint& p) { return p.normalY; }, true},
    {22, "Solid Z Normal Stress", [](const SolidPoint& p) { return p.normalZ; }, true},
    {23, "Solid XY Shear Stress", [](const SolidPoint& p) { return p.shearXY; }, true},
    {24, "Solid YZ Shear Stress", [](const SolidPoint& p) { return p.shearYZ; }, true},
    {25, "Solid ZX Shear Stress", [](const SolidPoint& p) { return p.shearZX; }, true},
    {26, "Solid MaxPrn Stress", [](const SolidPoint& p) { return p.principal[0]; }, false},
    {27, "Solid MidPrn Stress", [](const SolidPoint& p) { return p.principal[1]; }, false},
    {28, "Solid MinPrn Stress", [](const SolidPoint& p) { return p.principal[2]; }, false},
};
const SolidQuantity kSolidVonMises = {31, "Solid Von Mises Stress", [](const SolidPoint& p) { return p.equivalent; },
                                      false};
const SolidQuantity kSolidOctahedralShear = {30, "Solid Octahedral Shear Stress",
                                             [](const SolidPoint& p) { return p.equivalent; }, false};

struct PlyQuantity {
  int number;
  const char* name;
  float PlyStress::*field;
  bool combinable;
};
constexpr PlyQuantity kPlyQuantities[] = {
    {1, "Direction 1 Stress", &PlyStress::normal1, true},    {2, "Direction 2 Stress", &PlyStress::normal2, true},
    {3, "Shear 12 Stress", &PlyStress::shear12, true},       {4, "Shear 1Z Stress", &PlyStress::shear1Z, true},
    {5, "Shear 2Z Stress", &PlyStress::shear2Z, true},       {6, "Principal Angle", &PlyStress::angle, false},
    {7, "Major Principal Stress", &PlyStress::major, false}, {8, "Minor Principal Stress", &PlyStress::minor, false},
};
constexpr PlyQuantity kPlyMaxShear = {9, "MaxShear Stress", &PlyStress::equivalent, false};
constexpr PlyQuantity kPlyVonMises = {10, "VonMises Stress", &PlyStress::equivalent, false};
constexpr int kPlyFailureIndex = 11;

int cornerVectorId(int centreId, std::size_t corner) {
  return kCornerVectors + static_cast<int>(corner - 1) * kCornerStep + centreId;
}

// ---- Building a set -------------------------------------------------------------------------

// An entry of a list and what its list's last stress holds.
template <typename Entry>
struct Item {
  const Entry* entry;
  StressMeasure measure;
  std::span<const PlateCorner> corners{};  // a plate's, where its list holds corners
};

template <typename Entry>
std::span<const PlateCorner> cornersOf(const ElementList<Entry>&, std::size_t) {
  return {};
}
std::span<const PlateCorner> cornersOf(const PlateStressList& list, std::size_t i) { return list.cornersOf(i); }

// The entries of lists whose elements share the same vectors, in ascending element order.
template <typename List>
std::vector<Item<typename List::value_type>> merged(std::initializer_list<const List*> lists) {
  using Entry = typename List::value_type;
  std::vector<Item<Entry>> items;
  std::size_t nonEmpty = 0, total = 0;
  for (const auto* list : lists) {
    total += list->size();
    nonEmpty += list->empty() ? 0 : 1;
  }
  items.reserve(total);
  for (const auto* list : lists)
    for (std::size_t i = 0; i < list->size(); ++i) items.push_back({&(*list)[i], list->measure, cornersOf(*list, i)});
  if (nonEmpty > 1)
    std::stable_sort(items.begin(), items.end(),
                     [](const Item<Entry>& a, const Item<Entry>& b) { return a.entry->element < b.entry->element; });
  return items;
}

class SetBuilder {
 public:
  explicit SetBuilder(OutputSet& set) : set_(set) {}

  // The values get(item) of the items.
  template <typename Items, typename Get>
  static VectorValues column(const Items& items, Get get) {
    std::vector<float> values(items.size());
    std::transform(items.begin(), items.end(), values.begin(),
                   [&](const auto& item) { return static_cast<float>(get(item)); });
    return VectorValues::singles(std::move(values));
  }

  // N columns of values taken from the items in one pass over them: fill(item, values) gives
  // an item's N values.
  template <std::size_t N, typename Items, typename Fill>
  static std::array<VectorValues, N> columns(const Items& items, Fill fill) {
    // One block holds the N columns one after the other.
    // Every value is written below, so the block is not filled first.
    std::size_t count = items.size();
    std::shared_ptr<float[]> block = std::make_shared_for_overwrite<float[]>(N * count);
    std::array<float*, N> at;  // held apart from the block, so that writing a value does not reload them
    for (std::size_t k = 0; k < N; ++k) at[k] = block.get() + k * count;
    std::array<float, N> values{};
    for (const auto& item : items) {
      fill(item, values);
      for (std::size_t k = 0; k < N; ++k) *at[k]++ = values[k];
    }
    std::array<VectorValues, N> result;
    for (std::size_t k = 0; k < N; ++k) result[k] = VectorValues::singles(block, k * count, count);
    return result;
  }

  template <typename Items, typename Id>
  static VectorIds ids(const Items& items, Id id) {
    std::vector<int> list(items.size());
    std::transform(items.begin(), items.end(), list.begin(), id);
    return VectorIds(std::move(list));
  }

  OutputVector& add(int id, std::string title, int entityType, int outputType, bool combinable, VectorIds entities,
                    VectorValues values) {
    OutputVector& vector = set_.vectors.emplace_back();
    vector.id = id;
    vector.title = std::move(title);
    vector.entityType = entityType;
    vector.outputType = outputType;
    vector.combinable = combinable;
    vector.entities = std::move(entities);
    vector.values = std::move(values);
    return vector;
  }

  // A vector of element values at the two ends of line elements: end A's and end B's
  // vectors name each other.
  void addEnds(int idA, int idB, const std::string& titleA, const std::string& titleB, int outputType, bool combinable,
               const VectorIds& entities, VectorValues a, VectorValues b) {
    add(idA, titleA, kElementalOutput, outputType, combinable, entities, std::move(a));
    add(idB, titleB, kElementalOutput, outputType, combinable, entities, std::move(b));
    for (std::size_t i = set_.vectors.size() - 2; i < set_.vectors.size(); ++i) {
      set_.vectors[i].components[0] = idA;
      set_.vectors[i].components[1] = idB;
      set_.vectors[i].componentDirection = kLineEnds;
    }
  }

  // Six grid vectors and their two totals.
  void addGridVectors(const std::vector<GridValues>& rows, int firstTotal, int secondTotal,
                      const std::array<const char*, 8>& titles, int outputType) {
    if (rows.empty()) return;
    VectorIds grids = ids(rows, [](const GridValues& row) { return row.grid; });
    std::array<VectorValues, 6> all =
        columns<6>(rows, [](const GridValues& row, auto& values) { values = row.values; });
    for (int half = 0; half < 2; ++half) {
      int total = half == 0 ? firstTotal : secondTotal;
      std::array<VectorValues, 3> axes = {all[3 * half], all[3 * half + 1], all[3 * half + 2]};
      OutputVector& totalVector = add(total, titles[4 * half], kNodalOutput, outputType, false, grids,
                                      VectorValues::length(axes[0], axes[1], axes[2]));
      for (int axis = 0; axis < 3; ++axis) totalVector.components[axis] = total + 1 + axis;
      totalVector.componentDirection = kXYZComponents;
      for (int axis = 0; axis < 3; ++axis)
        add(total + 1 + axis, titles[4 * half + 1 + axis], kNodalOutput, outputType, true, grids, axes[axis]);
    }
  }

  void addRods(const SubcaseResults& s) {
    auto rods = merged({&s.rods, &s.conrods, &s.tubes});
    if (rods.empty()) return;
    VectorIds elements = ids(rods, [](const Item<RodStress>& i) { return i.entry->element; });
    auto add4 = [&](int id, const char* title, bool combinable, float RodStress::*field) {
      add(id, title, kElementalOutput, kStressOutput, combinable, elements,
          column(rods, [&](const Item<RodStress>& i) { return i.entry->*field; }));
    };
    add4(kRodAxialStress, "Rod Axial Stress", true, &RodStress::axial);
    add4(kRodAxialMargin, "Rod Axial Safety Margin", false, &RodStress::axialMargin);
    add4(kRodTorsionalStress, "Rod Torsional Stress", true, &RodStress::torsion);
    add4(kRodTorsionalMargin, "Rod Torsional Safety Margin", false, &RodStress::torsionMargin);
  }

  void addRodForces(const SubcaseResults& s) {
    auto rods = merged({&s.rodForces, &s.conrodForces, &s.tubeForces});
    if (rods.empty()) return;
    VectorIds elements = ids(rods, [](const Item<RodForce>& i) { return i.entry->element; });
    add(kRodAxialForce, "Rod Axial Force", kElementalOutput, kForceOutput, true, elements,
        column(rods, [](const Item<RodForce>& i) { return i.entry->axial; }));
    add(kRodTorque, "Rod Torque", kElementalOutput, kForceOutput, true, elements,
        column(rods, [](const Item<RodForce>& i) { return i.entry->torque; }));
  }

  void addBars(const SubcaseResults& s) {
    if (s.bars.empty()) return;
    const auto& bars = s.bars.entries;
    VectorIds elements = ids(bars, [](const BarStress& b) { return b.element; });
    for (std::size_t p = 0; p < 4; ++p) {
      std::string point = " Pt" + std::to_string(p + 1) + " Bend Stress";
      addEnds(kBarEndABendStress + static_cast<int>(p), kBarEndBBendStress + static_cast<int>(p), "Bar EndA" + point,
              "Bar EndB" + point, kStressOutput, true, elements,
              column(bars, [p](const BarStress& b) { return b.endA[p]; }),
              column(bars, [p](const BarStress& b) { return b.endB[p]; }));
    }
    add(kBarEndAAxialStress, "Bar EndA Axial Stress", kElementalOutput, kStressOutput, true, elements,
        column(bars, [](const BarStress& b) { return b.axial; }));
    addEnds(kBarEndAMaxStress, kBarEndBMaxStress, "Bar EndA Max Comb Stress", "Bar EndB Max Comb Stress", kStressOutput,
            false, elements, column(bars, [](const BarStress& b) { return b.maxA; }),
            column(bars, [](const BarStress& b) { return b.maxB; }));
    addEnds(kBarEndAMinStress, kBarEndBMinStress, "Bar EndA Min Comb Stress", "Bar EndB Min Comb Stress", kStressOutput,
            false, elements, column(bars, [](const BarStress& b) { return b.minA; }),
            column(bars, [](const BarStress& b) { return b.minB; }));
    add(kBarTensionMargin, "Bar Tension M.S.", kElementalOutput, kStressOutput, false, elements,
        column(bars, [](const BarStress& b) { return b.tensionMargin; }));
    add(kBarCompressionMargin, "Bar Compression M.S.", kElementalOutput, kStressOutput, false, elements,
        column(bars, [](const BarStress& b) { return b.compressionMargin; }));
  }

  // Moments, shear forces, axial force and torque at the ends of bars and beams: IDs
  // `first` to `first` + 11, end A's and end B's of each quantity side by side.
  template <typename Entries, typename EndA, typename EndB>
  void addLineForces(int first, const char* element, const Entries& entries, const VectorIds& elements, EndA endA,
                     EndB endB) {
    struct Quantity {
      int a, b;
      const char* name;
      int index;
    };
    const Quantity quantities[] = {{0, 2, "Plane1 Moment", 0},   {1, 3, "Plane2 Moment", 1},
                                   {4, 6, "Pl1 Shear Force", 2}, {5, 7, "Pl2 Shear Force", 3},
                                   {8, 9, "Axial Force", 4},     {10, 11, "Torque", 5}};
    for (const Quantity& q : quantities)
      addEnds(first + q.a, first + q.b, std::string(element) + " EndA " + q.name,
              std::string(element) + " EndB " + q.name, kForceOutput, true, elements,
              column(entries, [&](const auto& e) { return endA(e)[q.index]; }),
              column(entries, [&](const auto& e) { return endB(e)[q.index]; }));
  }

  void addBarForces(const SubcaseResults& s) {
    if (s.barForces.empty()) return;
    const auto& bars = s.barForces.entries;
    auto endA = [](const BarForce& b) {
      return std::array<float, 6>{b.moment1A, b.moment2A, b.shear1, b.shear2, b.axial, b.torque};
    };
    auto endB = [](const BarForce& b) {
      return std::array<float, 6>{b.moment1B, b.moment2B, b.shear1, b.shear2, b.axial, b.torque};
    };
    addLineForces(kBarForces, "Bar", bars, ids(bars, [](const BarForce& b) { return b.element; }), endA, endB);
  }

  void addBeamForces(const SubcaseResults& s) {
    if (s.beamForces.empty()) return;
    const auto& beams = s.beamForces.entries;
    auto at = [](const BeamForceStation& t) {
      return std::array<float, 6>{t.moment1, t.moment2, t.shear1, t.shear2, t.axial, t.torque};
    };
    addLineForces(
        kBeamForces, "Beam", beams, ids(beams, [](const BeamForce& b) { return b.element; }),
        [&](const BeamForce& b) { return at(b.stations.front()); },
        [&](const BeamForce& b) { return at(b.stations.back()); });
  }

  void addBeams(const SubcaseResults& s) {
    if (s.beams.empty()) return;
    const auto& beams = s.beams.entries;
    VectorIds elements = ids(beams, [](const BeamStress& b) { return b.element; });
    for (std::size_t p = 0; p < 4; ++p) {
      std::string point = " Pt" + std::to_string(p + 1) + " Comb Stress";
      addEnds(kBeamEndAStress + static_cast<int>(p), kBeamEndBStress + static_cast<int>(p), "Beam EndA" + point,
              "Beam EndB" + point, kStressOutput, true, elements,
              column(beams, [p](const BeamStress& b) { return b.stations.front().points[p]; }),
              column(beams, [p](const BeamStress& b) { return b.stations.back().points[p]; }));
    }
    addEnds(kBeamEndAMaxStress, kBeamEndBMaxStress, "Beam EndA Max Comb Stress", "Beam EndB Max Comb Stress",
            kStressOutput, false, elements, column(beams, [](const BeamStress& b) { return b.stations.front().max; }),
            column(beams, [](const BeamStress& b) { return b.stations.back().max; }));
    addEnds(kBeamEndAMinStress, kBeamEndBMinStress, "Beam EndA Min Comb Stress", "Beam EndB Min Comb Stress",
            kStressOutput, false, elements, column(beams, [](const BeamStress& b) { return b.stations.front().min; }),
            column(beams, [](const BeamStress& b) { return b.stations.back().min; }));
    // The governing margins: the smallest of the element's stations.
    auto smallest = [](const BeamStress& b, float BeamStation::*margin) {
      float least = b.stations.front().*margin;
      for (const BeamStation& station : b.stations) least = std::min(least, station.*margin);
      return least;
    };
    add(kBeamTensionMargin, "Beam Tension M.S.", kElementalOutput, kStressOutput, false, elements,
        column(beams, [&](const BeamStress& b) { return smallest(b, &BeamStation::tensionMargin); }));
    add(kBeamCompressionMargin, "Beam Compression M.S.", kElementalOutput, kStressOutput, false, elements,
        column(beams, [&](const BeamStress& b) { return smallest(b, &BeamStation::compressionMargin); }));
  }

  void addPlates(const SubcaseResults& s) {
    auto plates = merged({&s.quads, &s.trias, &s.quad8s, &s.tria6s, &s.quadRs, &s.triaRs});
    if (plates.empty()) return;
    VectorIds elements = ids(plates, [](const Item<PlateStress>& i) { return i.entry->element; });
    addPointVectors<PlateStress, 2 * std::size(kFibreQuantities)>(
        plates, elements, 0, fibreQuantities(),
        [](const Item<PlateStress>& item, auto& values) { fibreValues(*item.entry, values); });
    // Corner c: the plates with at least c corners.
    for (std::size_t c = 1;; ++c) {
      auto at = select(plates, elements, [c](const Item<PlateStress>& item) { return item.corners.size() >= c; });
      if (at.items().empty()) break;
      addPointVectors<PlateStress, 2 * std::size(kFibreQuantities)>(
          at.items(), at.elements, c, fibreQuantities(),
          [c](const Item<PlateStress>& item, auto& values) { fibreValues(item.corners[c - 1], values); });
    }
    for (StressMeasure measure : {StressMeasure::VonMises, StressMeasure::MaxShear}) {
      const FibreQuantity& quantity = measure == StressMeasure::VonMises ? kFibreVonMises : kFibreMaxShear;
      auto those =
          select(plates, elements, [measure](const Item<PlateStress>& item) { return item.measure == measure; });
      addPointVectors<PlateStress, 2>(those.items(), those.elements, 0, equivalentQuantities(quantity),
                                      [](const Item<PlateStress>& item, auto& values) {
                                        values = {item.entry->top.equivalent, item.entry->bottom.equivalent};
                                      });
      for (std::size_t c = 1;; ++c) {
        auto at = select(those.items(), those.elements,
                         [c](const Item<PlateStress>& item) { return item.corners.size() >= c; });
        if (at.items().empty()) break;
        addPointVectors<PlateStress, 2>(at.items(), at.elements, c, equivalentQuantities(quantity),
                                        [c](const Item<PlateStress>& item, auto& values) {
                                          const PlateCorner& corner = item.corners[c - 1];
                                          values = {corner.top.equivalent, corner.bottom.equivalent};
                                        });
      }
    }
  }

  template <typename Entry>
  static std::vector<Item<Entry>> measured(const std::vector<Item<Entry>>& items, StressMeasure measure) {
    std::vector<Item<Entry>> those;
    for (const auto& item : items)
      if (item.measure == measure) those.push_back(item);
    return those;
  }

  // The items that `keep` keeps, with their element IDs: where it keeps them all, the same
  // items and IDs without a copy.
  template <typename Entry>
  struct Selection {
    const std::vector<Item<Entry>>* all;
    std::vector<Item<Entry>> some;
    VectorIds elements;
    const std::vector<Item<Entry>>& items() const { return all != nullptr ? *all : some; }
  };
  template <typename Entry, typename Keep>
  static Selection<Entry> select(const std::vector<Item<Entry>>& items, const VectorIds& elements, Keep keep) {
    if (std::all_of(items.begin(), items.end(), keep)) return {&items, {}, elements};
    Selection<Entry> selection{nullptr, {}, {}};
    for (const auto& item : items)
      if (keep(item)) selection.some.push_back(item);
    selection.elements = ids(selection.some, [](const Item<Entry>& i) { return i.entry->element; });
    return selection;
  }

  // The vector of one quantity: its ID at the centre, its title, whether it combines linearly.
  struct Quantity {
    int id;
    std::string title;
    bool combinable;
  };

  // The fibre quantities, top fibre then bottom, in the order fibreValues gives them.
  static std::vector<Quantity> fibreQuantities() {
    std::vector<Quantity> quantities;
    for (bool top : {true, false})
      for (const FibreQuantity& quantity : kFibreQuantities)
        quantities.push_back({(top ? kPlateTopFibre : kPlateBottomFibre) + quantity.number,
                              std::string(top ? "Plate Top " : "Plate Bot ") + quantity.name, quantity.combinable});
    return quantities;
  }
  static std::vector<Quantity> equivalentQuantities(const FibreQuantity& quantity) {
    return {{kPlateTopFibre + quantity.number, std::string("Plate Top ") + quantity.name, quantity.combinable},
            {kPlateBottomFibre + quantity.number, std::string("Plate Bot ") + quantity.name, quantity.combinable}};
  }
  template <typename Point, std::size_t N>
  static void fibreValues(const Point& point, std::array<float, N>& values) {
    std::size_t k = 0;
    for (const PlateFibre* fibre : {&point.top, &point.bottom})
      for (const FibreQuantity& quantity : kFibreQuantities) values[k++] = fibre->*quantity.field;
  }

  // The vectors of quantities at one point of the elements: the centre (0), whose vectors
  // name their corner vectors, or corner c.
  template <typename Entry, std::size_t N, typename Fill>
  void addPointVectors(const std::vector<Item<Entry>>& items, const VectorIds& elements, std::size_t corner,
                       const std::vector<Quantity>& quantities, Fill fill) {
    if (items.empty()) return;
    std::array<VectorValues, N> values = columns<N>(items, fill);
    for (std::size_t k = 0; k < N; ++k) {
      const Quantity& quantity = quantities[k];
      if (corner == 0) {
        add(quantity.id, quantity.title, kElementalOutput, kStressOutput, quantity.combinable, elements, values[k]);
        continue;
      }
      int id = cornerVectorId(quantity.id, corner);
      add(id, quantity.title + " C" + std::to_string(corner), kElementalOutput, kStressOutput, quantity.combinable,
          elements, values[k])
          .centroidTotal = false;
      for (OutputVector& centre : set_.vectors)
        if (centre.id == quantity.id) centre.components[corner - 1] = id;
    }
  }

  void addPlateForces(const SubcaseResults& s) {
    auto plates = merged({&s.quadForces, &s.triaForces});
    if (plates.empty()) return;
    VectorIds elements = ids(plates, [](const Item<PlateForce>& i) { return i.entry->element; });
    struct Quantity {
      const char* title;
      float PlateForceValues::*field;
    };
    const Quantity quantities[] = {
        {"Plate MX Moment", &PlateForceValues::momentX},
        {"Plate MY Moment", &PlateForceValues::momentY},
        {"Plate MXY Moment", &PlateForceValues::momentXY},
        {"Plate QX Shear Force", &PlateForceValues::shearX},
        {"Plate QY Shear Force", &PlateForceValues::shearY},
        {"Plate NX Membrane Force", &PlateForceValues::membraneX},
        {"Plate NY Membrane Force", &PlateForceValues::membraneY},
        {"Plate NXY Membrane Force", &PlateForceValues::membraneXY},
    };
    int id = kPlateForces;
    for (const Quantity& q : quantities)
      add(id++, q.title, kElementalOutput, kForceOutput, true, elements,
          column(plates, [&](const Item<PlateForce>& i) { return i.entry->values.*(q.field); }));
  }

  void addSolids(const SubcaseResults& s) {
    auto solids = merged({&s.tetras, &s.pentas, &s.hexas});
    if (solids.empty()) return;
    std::vector<Quantity> quantities;
    for (const SolidQuantity& quantity : kSolidQuantities)
      quantities.push_back({kSolidStresses + quantity.number, quantity.title, quantity.combinable});
    // The centre (point 0) and corner c (point c) of the solids that have it.
    VectorIds elements = ids(solids, [](const Item<SolidStress>& i) { return i.entry->element; });
    for (std::size_t p = 0;; ++p) {
      auto at = select(solids, elements, [p](const Item<SolidStress>& item) { return item.entry->points.size() > p; });
      if (at.items().empty()) break;
      addPointVectors<SolidStress, std::size(kSolidQuantities)>(
          at.items(), at.elements, p, quantities, [p](const Item<SolidStress>& item, auto& values) {
            for (std::size_t k = 0; k < values.size(); ++k)
              values[k] = kSolidQuantities[k].value(item.entry->points[p]);
          });
    }
    for (StressMeasure measure : {StressMeasure::VonMises, StressMeasure::MaxShear}) {
      const SolidQuantity& quantity = measure == StressMeasure::VonMises ? kSolidVonMises : kSolidOctahedralShear;
      auto those =
          select(solids, elements, [measure](const Item<SolidStress>& item) { return item.measure == measure; });
      for (std::size_t p = 0;; ++p) {
        auto at = select(those.items(), those.elements,
                         [p](const Item<SolidStress>& item) { return item.entry->points.size() > p; });
        if (at.items().empty()) break;
        addPointVectors<SolidStress, 1>(
            at.items(), at.elements, p, {{kSolidStresses + quantity.number, quantity.title, quantity.combinable}},
            [p](const Item<SolidStress>& item, auto& values) { values[0] = item.entry->points[p].equivalent; });
      }
    }
  }

  void addShearPanels(const SubcaseResults& s) {
    if (s.shearPanels.empty()) return;
    const auto& panels = s.shearPanels.entries;
    VectorIds elements = ids(panels, [](const ShearPanelStress& p) { return p.element; });
    add(kShearPanelMaxStress, "Shear Panel Max Shear Stress", kElementalOutput, kStressOutput, false, elements,
        column(panels, [](const ShearPanelStress& p) { return p.maxShear; }));
    add(kShearPanelAverageStress, "Shear Panel Avg Shear Stress", kElementalOutput, kStressOutput, true, elements,
        column(panels, [](const ShearPanelStress& p) { return p.averageShear; }));
    add(kShearPanelMargin, "Shear Panel Safety Margin", kElementalOutput, kStressOutput, false, elements,
        column(panels, [](const ShearPanelStress& p) { return p.margin; }));
  }

  void addSprings(const SubcaseResults& s) {
    auto springs = merged({&s.springs1, &s.springs2});
    if (springs.empty()) return;
    add(kSpringStress, "Spring Stress", kElementalOutput, kStressOutput, true,
        ids(springs, [](const Item<SpringStress>& i) { return i.entry->element; }),
        column(springs, [](const Item<SpringStress>& i) { return i.entry->stress; }));
  }

  void addBushes(const SubcaseResults& s) {
    if (s.bushes.empty()) return;
    const auto& bushes = s.bushes.entries;
    VectorIds elements = ids(bushes, [](const BushStress& b) { return b.element; });
    const char* titles[] = {"Bush TX Stress", "Bush TY Stress", "Bush TZ Stress",
                            "Bush RX Stress", "Bush RY Stress", "Bush RZ Stress"};
    for (std::size_t k = 0; k < 6; ++k)
      add(kBushStresses + static_cast<int>(k), titles[k], kElementalOutput, kStressOutput, true, elements,
          column(bushes, [k](const BushStress& b) { return b.values[k]; }));
  }

  void addPlies(const SubcaseResults& s) {
    auto plies = merged({&s.quadPlies, &s.triaPlies});
    std::map<int, std::vector<Item<PlyStress>>> byPly;
    for (const auto& item : plies) byPly[item.entry->ply].push_back(item);
    for (auto& entry : byPly) {
      int ply = entry.first;  // a named copy: lambdas do not capture structured bindings in clang 14
      std::vector<Item<PlyStress>>& items = entry.second;
      std::stable_sort(items.begin(), items.end(),
                       [](const auto& a, const auto& b) { return a.entry->element < b.entry->element; });
      auto addPly = [&](const std::vector<Item<PlyStress>>& plies, const PlyQuantity& quantity) {
        if (plies.empty()) return;
        auto field = quantity.field;
        add(kPlyVectors + ply * kPlyStep + quantity.number, "Ply " + std::to_string(ply) + " " + quantity.name,
            kElementalOutput, kStressOutput, quantity.combinable,
            ids(plies, [](const Item<PlyStress>& i) { return i.entry->element; }),
            column(plies, [&](const Item<PlyStress>& i) { return i.entry->*field; }));
      };
      for (const PlyQuantity& quantity : kPlyQuantities) addPly(items, quantity);
      addPly(measured(items, StressMeasure::MaxShear), kPlyMaxShear);
      addPly(measured(items, StressMeasure::VonMises), kPlyVonMises);
    }
    auto failures = merged({&s.quadPlyFailures, &s.triaPlyFailures});
    std::map<int, std::vector<Item<PlyFailure>>> failuresByPly;
    for (const auto& item : failures) failuresByPly[item.entry->ply].push_back(item);
    for (auto& [ply, items] : failuresByPly) {
      std::stable_sort(items.begin(), items.end(),
                       [](const auto& a, const auto& b) { return a.entry->element < b.entry->element; });
      add(kPlyVectors + ply * kPlyStep + kPlyFailureIndex, "Ply " + std::to_string(ply) + " Failure Index",
          kElementalOutput, kStressOutput, false,
          ids(items, [](const Item<PlyFailure>& i) { return i.entry->element; }),
          column(items, [](const Item<PlyFailure>& i) { return i.entry->failureIndex; }));
    }
  }

 private:
  OutputSet& set_;
};

}  // namespace

double widen(float value) {
  if (!std::isfinite(value)) return static_cast<double>(value);
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  double result = 0;
  std::from_chars(text, end, result);
  return result;
}

VectorValues::VectorValues(std::vector<double> values)
    : doubles_(std::make_shared<const std::vector<double>>(std::move(values))) {}

VectorValues VectorValues::singles(std::vector<float> values) {
  auto held = std::make_shared<const std::vector<float>>(std::move(values));
  VectorValues result;
  result.singleCount_ = held->size();
  const float* first = held->data();
  result.singles_ = std::shared_ptr<const float>(std::move(held), first);
  return result;
}

VectorValues VectorValues::singles(std::shared_ptr<const float[]> block, std::size_t first, std::size_t count) {
  VectorValues result;
  const float* values = block.get() + first;
  result.singles_ = std::shared_ptr<const float>(std::move(block), values);
  result.singleCount_ = count;
  return result;
}

VectorValues VectorValues::length(const VectorValues& x, const VectorValues& y, const VectorValues& z) {
  VectorValues result;
  result.components_ = std::make_shared<const std::array<VectorValues, 3>>(std::array<VectorValues, 3>{x, y, z});
  return result;
}

std::size_t VectorValues::size() const {
  if (doubles_) return doubles_->size();
  if (singles_) return singleCount_;
  if (components_) return (*components_)[0].size();
  return 0;
}

double VectorValues::operator[](std::size_t i) const {
  if (doubles_) return (*doubles_)[i];
  if (singles_) return widen(singles_.get()[i]);
  double a = (*components_)[0][i], b = (*components_)[1][i], c = (*components_)[2][i];
  return std::sqrt(a * a + b * b + c * c);
}

std::vector<double> VectorValues::all() const {
  std::vector<double> values;
  values.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) values.push_back((*this)[i]);
  return values;
}

std::string outputSetTitle(int subcase, int occurrence, int occurrences) {
  std::string title = "NX NASTRAN Case " + std::to_string(subcase);
  if (occurrences > 1) title += " (" + std::to_string(occurrence) + " of " + std::to_string(occurrences) + ")";
  return title;
}

OutputSet outputSetFor(const SubcaseResults& subcase, int setId) {
  OutputSet set;
  set.id = setId;
  set.title = outputSetTitle(subcase.subcase, subcase.occurrence, subcase.occurrences);
  set.subcase = subcase.subcase;
  SetBuilder builder(set);
  builder.addGridVectors(subcase.displacements, kTotalTranslation, kTotalRotation,
                         {"Total Translation", "T1 Translation", "T2 Translation", "T3 Translation", "Total Rotation",
                          "R1 Rotation", "R2 Rotation", "R3 Rotation"},
                         kDisplacementOutput);
  builder.addGridVectors(
      subcase.spcForces, kTotalConstraintForce, kTotalConstraintMoment,
      {"Total Constraint Force", "T1 Constraint Force", "T2 Constraint Force", "T3 Constraint Force",
       "Total Constraint Moment", "R1 Constraint Moment", "R2 Constraint Moment", "R3 Constraint Moment"},
      kForceOutput);
  builder.addRods(subcase);
  builder.addRodForces(subcase);
  builder.addBars(subcase);
  builder.addBarForces(subcase);
  builder.addBeams(subcase);
  builder.addBeamForces(subcase);
  builder.addSprings(subcase);
  builder.addBushes(subcase);
  builder.addShearPanels(subcase);
  builder.addPlateForces(subcase);
  builder.addPlates(subcase);
  builder.addSolids(subcase);
  builder.addPlies(subcase);
  std::stable_sort(set.vectors.begin(), set.vectors.end(),
                   [](const OutputVector& a, const OutputVector& b) { return a.id < b.id; });
  return set;
}

std::vector<OutputSet> outputSetsFor(const std::vector<SubcaseResults>& subcases, int firstSetId) {
  std::vector<OutputSet> sets;
  sets.reserve(subcases.size());
  for (const SubcaseResults& subcase : subcases) sets.push_back(outputSetFor(subcase, firstSetId++));
  return sets;
}

}  // namespace resultfiles
