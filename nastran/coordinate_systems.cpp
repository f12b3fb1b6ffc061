#include "nastran/coordinate_systems.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <tuple>

#include "nastran/deck.h"

namespace nastran {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 scaled(const Vec3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Vec3& a) { return std::sqrt(dot(a, a)); }
Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
// a*x + b*y + c*z
Vec3 combine(const Frame& axes, double a, double b, double c) {
  Vec3 result{};
  for (std::size_t i = 0; i < 3; ++i) result[i] = a * axes[0][i] + b * axes[1][i] + c * axes[2][i];
  return result;
}

// The rectangular coordinates of a point given in a system of this kind.
Vec3 rectangular(CoordinateKind kind, const Vec3& c) {
  switch (kind) {
    case CoordinateKind::Rectangular: return c;
    case CoordinateKind::Cylindrical:
      return {c[0] * std::cos(c[1] * kDegree), c[0] * std::sin(c[1] * kDegree), c[2]};
    case CoordinateKind::Spherical:
      return {c[0] * std::sin(c[1] * kDegree) * std::cos(c[2] * kDegree),
              c[0] * std::sin(c[1] * kDegree) * std::sin(c[2] * kDegree), c[0] * std::cos(c[1] * kDegree)};
  }
  return c;
}

}  // namespace

CoordinateSystems::CoordinateSystems(const Deck& deck) : deck_(deck) {
  for (const Cord2& system : deck.bulk.cord2s) definitions_.push_back({system.cid, system.kind, nullptr, &system});
  for (const Cord1& system : deck.bulk.cord1s) definitions_.push_back({system.cid, system.kind, &system, nullptr});
  std::vector<int> ids;
  ids.reserve(definitions_.size());
  for (const Definition& definition : definitions_) ids.push_back(definition.cid);
  index_ = IdIndex(ids);
  if (!index_.duplicates().empty()) {
    auto [later, first] = index_.duplicates().front();
    const Location& at = definitions_[first].origin().at;
    std::string where = at.file == definitions_[later].origin().at.file ? "line " + std::to_string(at.line)
                                                                         : deck.files[at.file] + ":" + std::to_string(at.line);
    throw deck.errorAt(definitions_[later].origin(), 0, label(later),
                       "ID " + std::to_string(definitions_[later].cid) + " is already used by the " +
                           std::string(definitions_[first].cardName()) +
                           " at " + where);
  }

  ids.clear();
  ids.reserve(deck.bulk.grids.size());
  for (const Grid& grid : deck.bulk.grids) ids.push_back(grid.id);
  gridIndex_ = IdIndex(ids);
  gridPositions_.resize(deck.bulk.grids.size());
  gridDone_.assign(deck.bulk.grids.size(), 0);

  resolved_.resize(definitions_.size());
  state_.assign(definitions_.size(), 0);
  for (std::size_t definition = 0; definition < definitions_.size(); ++definition) resolve(definition);

  for (std::size_t i = 0; i < deck.bulk.grids.size(); ++i) {
    const Grid& grid = deck.bulk.grids[i];
    for (auto [system, field, name] : {std::tuple{grid.cp, 2, "CP"}, std::tuple{grid.cd, 6, "CD"}})
      if (system > 0 && !index_.contains(system))
        throw deck.errorAt(grid.origin, static_cast<std::size_t>(field), "GRID " + std::to_string(grid.id),
                           "coordinate system " + std::to_string(system) + " (" + name + ") does not exist");
    if (!gridDone_[i]) gridPositions_[i] = grid.cp > 0 ? toBasic(grid.cp, grid.x) : grid.x;
  }
}

std::string CoordinateSystems::label(std::size_t definition) const {
  const Definition& d = definitions_[definition];
  return std::string(d.cardName()) + " " + std::to_string(d.cid);
}

// The systems a definition needs first, each with the words that say why.
std::vector<std::pair<std::size_t, std::string>> CoordinateSystems::dependencies(std::size_t definition) const {
  std::vector<std::pair<std::size_t, std::string>> needed;
  const Definition& d = definitions_[definition];
  auto system = [&](int cid, const Origin& origin, std::size_t field, const std::string& subject, const char* what,
                    std::string why) {
    if (cid == 0) return;
    auto found = index_.find(cid);
    if (!found)
      throw deck_.errorAt(origin, field, subject,
                          "coordinate system " + std::to_string(cid) + " (" + what + ") does not exist");
    needed.emplace_back(*found, std::move(why));
  };
  if (d.cord2) {
    system(d.cord2->rid, d.cord2->origin, 2, label(definition), "RID", "RID " + std::to_string(d.cord2->rid));
    return needed;
  }
  static const char* const kNames[3] = {"G1", "G2", "G3"};
  for (std::size_t i = 0; i < 3; ++i) {
    int id = d.cord1->g[i];
    auto grid = gridIndex_.find(id);
    if (!grid)
      throw deck_.errorAt(d.cord1->origin, 0, label(definition),
                          "grid " + std::to_string(id) + " (" + kNames[i] + ") does not exist");
    const Grid& g = deck_.bulk.grids[*grid];
    system(g.cp, g.origin, 2, "GRID " + std::to_string(g.id), "CP",
           "grid " + std::to_string(g.id) + " given in system " + std::to_string(g.cp));
  }
  return needed;
}

void CoordinateSystems::resolve(std::size_t definition) {
  if (state_[definition] == 2) return;
  std::vector<std::size_t> stack{definition};
  std::vector<std::string> links;  // links[k]: why stack[k] needs stack[k + 1]
  state_[definition] = 1;
  while (!stack.empty()) {
    std::size_t top = stack.back();
    bool deeper = false;
    for (auto& [needed, why] : dependencies(top)) {
      if (state_[needed] == 2) continue;
      if (state_[needed] == 1) {
        std::size_t start = 0;
        while (stack[start] != needed) ++start;
        std::string chain;
        for (std::size_t k = start; k < stack.size(); ++k)
          chain += label(stack[k]) + " (" + (k + 1 < stack.size() ? links[k] : why) + ") -> ";
        chain += label(needed);
        throw deck_.errorAt(definitions_[needed].origin(), 0, label(needed),
                            "coordinate systems defined through one another in a loop: " + chain);
      }
      state_[needed] = 1;
      links.push_back(why);
      stack.push_back(needed);
      deeper = true;
      break;
    }
    if (deeper) continue;
    compute(top);
    state_[top] = 2;
    stack.pop_back();
    if (!links.empty()) links.pop_back();
  }
}

void CoordinateSystems::compute(std::size_t definition) {
  const Definition& d = definitions_[definition];
  Vec3 a{}, b{}, c{};
  if (d.cord2) {
    a = toBasic(d.cord2->rid, d.cord2->a);
    b = toBasic(d.cord2->rid, d.cord2->b);
    c = toBasic(d.cord2->rid, d.cord2->c);
  } else {
    Vec3* points[3] = {&a, &b, &c};
    for (std::size_t i = 0; i < 3; ++i) {
      std::uint32_t index = *gridIndex_.find(d.cord1->g[i]);
      const Grid& grid = deck_.bulk.grids[index];
      if (!gridDone_[index]) {
        gridPositions_[index] = grid.cp > 0 ? toBasic(grid.cp, grid.x) : grid.x;
        gridDone_[index] = 1;
      }
      *points[i] = gridPositions_[index];
    }
  }
  const char* names = d.cord2 ? "points A and B" : "grids G1 and G2";
  Vec3 z = b - a;
  double scale = std::max({norm(a), norm(b), norm(c)});
  if (norm(z) <= 1e-12 * scale || norm(z) == 0)
    throw deck_.errorAt(d.origin(), 0, label(definition), std::string(names) + " are the same point: they give no z axis");
  z = scaled(z, 1 / norm(z));
  Vec3 y = cross(z, c - a);
  if (norm(y) <= 1e-12 * scale || norm(y) == 0)
    throw deck_.errorAt(d.origin(), 0, label(definition),
                        std::string(d.cord2 ? "points A, B and C" : "grids G1, G2 and G3") +
                            " lie on one line: they give no xz plane");
  y = scaled(y, 1 / norm(y));
  ResolvedSystem& system = resolved_[definition];
  system.cid = d.cid;
  system.kind = d.kind;
  system.origin = a;
  system.axes = {cross(y, z), y, z};
}

const ResolvedSystem* CoordinateSystems::find(int cid) const {
  if (cid == 0) return &basic_;
  auto found = index_.find(cid);
  if (!found || state_[*found] != 2) return nullptr;
  return &resolved_[*found];
}

Vec3 CoordinateSystems::toBasic(int cid, const Vec3& coordinates) const {
  const ResolvedSystem* system = find(cid);
  if (!system) return coordinates;
  Vec3 local = rectangular(system->kind, coordinates);
  Vec3 offset = combine(system->axes, local[0], local[1], local[2]);
  return {system->origin[0] + offset[0], system->origin[1] + offset[1], system->origin[2] + offset[2]};
}

Vec3 CoordinateSystems::fromBasic(int cid, const Vec3& basic) const {
  const ResolvedSystem* system = find(cid);
  if (!system) return basic;
  Vec3 relative = basic - system->origin;
  Vec3 local{dot(relative, system->axes[0]), dot(relative, system->axes[1]), dot(relative, system->axes[2])};
  switch (system->kind) {
    case CoordinateKind::Rectangular: return local;
    case CoordinateKind::Cylindrical:
      return {std::hypot(local[0], local[1]), std::atan2(local[1], local[0]) / kDegree, local[2]};
    case CoordinateKind::Spherical: {
      double r = norm(local);
      double theta = r == 0 ? 0 : std::acos(std::clamp(local[2] / r, -1.0, 1.0)) / kDegree;
      return {r, theta, std::atan2(local[1], local[0]) / kDegree};
    }
  }
  return local;
}

Frame CoordinateSystems::directionsAt(int cid, const Vec3& basic) const {
  const ResolvedSystem* system = find(cid);
  if (!system) return basic_.axes;
  const Frame& axes = system->axes;
  if (system->kind == CoordinateKind::Rectangular) return axes;
  Vec3 relative = basic - system->origin;
  Vec3 local{dot(relative, axes[0]), dot(relative, axes[1]), dot(relative, axes[2])};
  double phi = std::atan2(local[1], local[0]);  // the cylinder's theta, the sphere's phi
  double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
  if (system->kind == CoordinateKind::Cylindrical)
    return {combine(axes, cosPhi, sinPhi, 0), combine(axes, -sinPhi, cosPhi, 0), axes[2]};
  double r = norm(local);
  double theta = r == 0 ? 0 : std::acos(std::clamp(local[2] / r, -1.0, 1.0));
  double cosTheta = std::cos(theta), sinTheta = std::sin(theta);
  return {combine(axes, sinTheta * cosPhi, sinTheta * sinPhi, cosTheta),
          combine(axes, cosTheta * cosPhi, cosTheta * sinPhi, -sinTheta), combine(axes, -sinPhi, cosPhi, 0)};
}

Frame CoordinateSystems::displacementDirections(std::size_t grid) const {
  return directionsAt(deck_.bulk.grids[grid].cd, gridPositions_[grid]);
}

}  // namespace nastran
