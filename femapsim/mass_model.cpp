#include "femapsim/mass_model.h"

#include <cmath>
#include <optional>
#include <string>

#include "femapsim/coordinates.h"
#include "femapsim/femap_layout.h"
#include "femapsim/sections.h"

namespace femapsim {
namespace {

namespace et = element_type;

bool carriesNoMass(int type) {
  return type == et::kSpring || type == et::kDofSpring || type == et::kGap || type == et::kRigid ||
         type == et::kMassMatrix || type == et::kStiffnessMatrix;
}

Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 scale(double s, const Vec3& a) { return {s * a[0], s * a[1], s * a[2]}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec3 unit(const Vec3& a) {
  double length = std::sqrt(dot(a, a));
  return length > 0 ? scale(1 / length, a) : a;
}

Vec3 positionOf(const Entity& node) { return {node.number("x"), node.number("y"), node.number("z")}; }

class Builder {
 public:
  explicit Builder(const Model& model) : model_(model), systems_(model) {}

  std::optional<MassElement> build(const Entity& element) {
    int type = element.integer("type");
    if (carriesNoMass(type)) return std::nullopt;
    MassElement mass;
    mass.topology = element.integer("topology");
    if (!readNodes(element, mass)) return std::nullopt;
    const Entity* property = model_.table(Kind::Prop).find(element.integer("propID"));
    if (mass.topology == kPoint) {
      if (type != et::kMass || !property) return std::nullopt;
      pointMass(*property, mass);
      return mass;
    }
    double density = property ? densityOf(property->integer("matlID")) : 0;
    mass.density = density;
    if (!property) return mass;
    switch (mass.topology) {
      case kLine2: line(element, *property, mass); break;
      case kTria3:
      case kTria6:
      case kQuad4:
      case kQuad8: plate(element, *property, mass); break;
      default: break;  // solids: the density alone
    }
    return mass;
  }

 private:
  // Corners must exist; a mid-side node left out (0) lies in the middle of its edge.
  bool readNodes(const Entity& element, MassElement& mass) {
    std::size_t count = nodeCountOf(mass.topology), corners = cornerCountOf(mass.topology);
    if (count == 0) return false;
    mass.nodes.resize(count);
    std::vector<bool> given(count, true);
    for (std::size_t i = 0; i < count; ++i) {
      int id = static_cast<int>(element.element("node", i));
      const Entity* node = id > 0 ? model_.table(Kind::Node).find(id) : nullptr;
      if (!node) {
        if (i < corners) return false;
        given[i] = false;
        continue;
      }
      mass.nodes[i] = positionOf(*node);
    }
    std::span<const std::array<int, 2>> edges = midsideEdgesOf(mass.topology);
    for (std::size_t e = 0; e < edges.size(); ++e) {
      if (given[corners + e]) continue;
      mass.nodes[corners + e] = scale(0.5, add(mass.nodes[edges[e][0]], mass.nodes[edges[e][1]]));
    }
    return true;
  }

  double densityOf(int materialId) const {
    const Entity* material = model_.table(Kind::Matl).find(materialId);
    return material ? material->number("Density") : 0;
  }

  int displacementSystem(int nodeId) const {
    const Entity* node = model_.table(Kind::Node).find(nodeId);
    int system = node ? node->integer("outCSys") : 0;
    return systems_.exists(system) ? system : 0;
  }

  // The element's axes for offsets given in the element system: x from end A to end B, y in the
  // plane of x and the orientation vector.
  std::array<Vec3, 3> elementAxes(const Entity& element, const Vec3& a, const Vec3& b) const {
    Vec3 x = unit(sub(b, a));
    Vec3 v{};
    if (int orientNode = element.integer("orientID"); orientNode > 0) {
      if (const Entity* node = model_.table(Kind::Node).find(orientNode)) v = sub(positionOf(*node), a);
    } else {
      Vec3 given{element.element("orient", 0), element.element("orient", 1), element.element("orient", 2)};
      std::string offsetType = element.text("offsetType");
      bool basic = !offsetType.empty() && offsetType[0] == 'B';
      v = basic ? given : systems_.vectorToGlobal(displacementSystem(static_cast<int>(element.element("node", 0))), a, given);
    }
    Vec3 y = unit(sub(v, scale(dot(v, x), x)));
    return {x, y, cross(x, y)};
  }

  void applyOffsets(const Entity& element, MassElement& mass) {
    std::vector<double> offset = element.list("offset");
    offset.resize(6, 0.0);
    bool any = false;
    for (double value : offset) any = any || value != 0;
    if (!any) return;
    std::string offsetType = element.text("offsetType");
    if (offsetType.size() < 3) offsetType = "GGG";
    Vec3 a = mass.nodes[0], b = mass.nodes[1];
    std::array<Vec3, 3> axes = elementAxes(element, a, b);
    for (int end = 0; end < 2; ++end) {
      Vec3 components{offset[3 * end], offset[3 * end + 1], offset[3 * end + 2]};
      Vec3& at = mass.nodes[static_cast<std::size_t>(end)];
      Vec3 global;
      if (offsetType[static_cast<std::size_t>(end) + 1] == 'O') {
        global = add(add(scale(components[0], axes[0]), scale(components[1], axes[1])), scale(components[2], axes[2]));
      } else {
        int node = static_cast<int>(element.element("node", static_cast<std::size_t>(end)));
        global = systems_.vectorToGlobal(displacementSystem(node), at, components);
      }
      at = add(at, global);
    }
  }

  void line(const Entity& element, const Entity& property, MassElement& mass) {
    applyOffsets(element, mass);
    int type = property.integer("type");
    int shape = property.integer("shape");
    double density = mass.density;
    std::vector<double> pv = property.list("pval");
    pv.resize(40, 0.0);
    if (shape > 0) {
      std::vector<double> dims = property.list("shapeDim");
      std::vector<double> stations = property.list("stationX");
      std::vector<double> nsm = property.list("stationValues");
      std::size_t count = static_cast<std::size_t>(shapeDimensions(shape));
      if (type == et::kBeam && stations.size() >= 2 && dims.size() >= count * stations.size()) {
        nsm.resize(stations.size(), pv[pval::kNsm]);
        for (std::size_t s = 0; s + 1 < stations.size(); ++s) {
          std::span<const double> d0(dims.data() + s * count, count), d1(dims.data() + (s + 1) * count, count);
          std::vector<double> middle(count);
          for (std::size_t i = 0; i < count; ++i) middle[i] = (d0[i] + d1[i]) / 2;
          LineStretch stretch{stations[s], stations[s + 1],
                              {density * shapeArea(shape, d0), density * shapeArea(shape, middle), density * shapeArea(shape, d1)},
                              {nsm[s], (nsm[s] + nsm[s + 1]) / 2, nsm[s + 1]}};
          mass.stretches.push_back(stretch);
        }
        return;
      }
      if (dims.size() >= count) {
        mass.section = shapeArea(shape, std::span<const double>(dims.data(), count));
        mass.nonStructural = pv[pval::kNsm];
        return;
      }
    }
    std::vector<double> stationX = property.list("stationX");
    bool tapered = type == et::kBeam && (!stationX.empty() || pv[pval::kEndB + pval::kArea] != 0 ||
                                         pv[pval::kEndB + pval::kNsm] != 0);
    if (!tapered) {
      mass.section = pv[pval::kArea];
      mass.nonStructural = pv[pval::kNsm];
      return;
    }
    // A tapered beam: end A, the stations between, end B; area and mass per length linear between.
    std::vector<double> values = property.list("stationValues");
    struct Station {
      double x, area, nsm;
    };
    std::vector<Station> stations{{0, pv[pval::kArea], pv[pval::kNsm]}};
    for (std::size_t s = 0; s < stationX.size() && 14 * s + 5 < values.size(); ++s) {
      stations.push_back({stationX[s], values[14 * s], values[14 * s + 5]});
    }
    stations.push_back({1, pv[pval::kEndB + pval::kArea], pv[pval::kEndB + pval::kNsm]});
    for (std::size_t s = 0; s + 1 < stations.size(); ++s) {
      const Station& from = stations[s];
      const Station& to = stations[s + 1];
      mass.stretches.push_back({from.x, to.x,
                                {density * from.area, density * (from.area + to.area) / 2, density * to.area},
                                {from.nsm, (from.nsm + to.nsm) / 2, to.nsm}});
    }
  }

  void plate(const Entity& element, const Entity& property, MassElement& mass) {
    int type = property.integer("type");
    if (type == et::kLaminate || type == et::kLaminateParabolic) {
      mass.nonStructural = property.element("pval", pval::kLaminateNsm);
      const Entity* layup = model_.table(Kind::Layup).find(property.integer("layupID"));
      if (!layup) return;
      std::vector<double> materials = layup->list("matlID");
      std::vector<double> thickness = layup->list("thickness");
      std::vector<double> plies(materials.size());
      for (std::size_t i = 0; i < materials.size() && i < thickness.size(); ++i) {
        plies[i] = densityOf(static_cast<int>(materials[i])) * thickness[i];
      }
      double sum = 0;
      for (double ply : plies) sum += ply;
      int option = static_cast<int>(property.element("flag", pflag::kLaminateOption));
      if (option == 1) sum *= 2;                                        // SYM: the plies given are one half
      if (option == 5 && !plies.empty()) sum = 2 * sum - plies.back();  // SMCORE: faces twice, the core once
      mass.massPerArea = sum;
      return;
    }
    mass.section = property.element("pval", pval::kThickness);
    std::vector<double> corners = element.list("thickness");
    double sum = 0;
    int given = 0;
    for (double t : corners) {
      if (t != 0) {
        sum += t;
        ++given;
      }
    }
    if (given > 0) mass.section = sum / given;
    mass.nonStructural = property.element("pval", pval::kNsm);
  }

  // A point mass: its mass and offset and its inertia about its centre, in the property's
  // coordinate system (−1: the offset is the centre's position in the global system).
  void pointMass(const Entity& property, MassElement& mass) {
    auto p = [&](int i) { return property.element("pval", static_cast<std::size_t>(i)); };
    Vec3 node = mass.nodes[0];
    int system = property.integer("refCS");
    Vec3 offset{p(pval::kMassOffset), p(pval::kMassOffset + 1), p(pval::kMassOffset + 2)};
    std::array<Vec3, 3> directions{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    if (system == -1) {
      mass.nodes[0] = offset;
    } else {
      if (system > 0 && systems_.exists(system)) directions = systems_.directionsAt(system, node);
      mass.nodes[0] = add(node, add(add(scale(offset[0], directions[0]), scale(offset[1], directions[1])),
                                    scale(offset[2], directions[2])));
    }
    mass.pointMass = p(pval::kMass);
    double i11 = p(pval::kMassInertia), i21 = p(pval::kMassInertia + 1), i22 = p(pval::kMassInertia + 2),
           i31 = p(pval::kMassInertia + 3), i32 = p(pval::kMassInertia + 4), i33 = p(pval::kMassInertia + 5);
    // Second moments ∫q_k q_l dm in the system's axes, from the moments and products of inertia.
    double local[3][3] = {{(i22 + i33 - i11) / 2, i21, i31}, {i21, (i11 + i33 - i22) / 2, i32}, {i31, i32, (i11 + i22 - i33) / 2}};
    double global[3][3] = {};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 3; ++k) {
          for (int l = 0; l < 3; ++l) global[i][j] += directions[static_cast<std::size_t>(k)][i] * local[k][l] * directions[static_cast<std::size_t>(l)][j];
        }
      }
    }
    mass.pointSecond = {global[0][0], global[1][1], global[2][2], global[0][1], global[1][2], global[2][0]};
  }

  const Model& model_;
  CoordinateSystems systems_;
};

}  // namespace

std::vector<MassElement> massElementsOf(const Model& model, const std::set<int>* elementIds) {
  Builder builder(model);
  std::vector<MassElement> elements;
  const EntityTable& table = model.table(Kind::Elem);
  auto addElement = [&](const Entity& element) {
    if (std::optional<MassElement> mass = builder.build(element)) elements.push_back(std::move(*mass));
  };
  if (elementIds) {
    for (int id : *elementIds) {
      if (const Entity* element = table.find(id)) addElement(*element);
    }
  } else {
    elements.reserve(table.size());
    for (const auto& [key, element] : table.entities()) addElement(element);
  }
  return elements;
}

}  // namespace femapsim
