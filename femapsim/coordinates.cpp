#include "femapsim/coordinates.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace femapsim {
namespace {

Vec3 minus(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double length(const Vec3& a) { return std::sqrt(dot(a, a)); }

constexpr double kDegree = std::numbers::pi / 180;

Vec3 point(const Entity& system, std::string_view member) {
  return {system.element(member, 0), system.element(member, 1), system.element(member, 2)};
}

std::string name(int id) { return "coordinate system " + std::to_string(id); }

}  // namespace

CoordinateSystems::CoordinateSystems(const Model& model, NodePosition nodePosition)
    : model_(model), nodePosition_(std::move(nodePosition)) {
  if (!nodePosition_) {
    nodePosition_ = [this](int id) -> std::optional<Vec3> {
      const Entity* node = model_.table(Kind::Node).find(id);
      if (!node) return std::nullopt;
      return Vec3{node->number("x"), node->number("y"), node->number("z")};
    };
  }
}

bool CoordinateSystems::exists(int id) const { return id == 0 || model_.table(Kind::CSys).find(id) != nullptr; }

const Frame& CoordinateSystems::frame(int id) const {
  static const Frame kGlobal;
  if (id == 0) return kGlobal;
  auto found = frames_.find(id);
  if (found != frames_.end()) return found->second;
  return resolve(id);
}

const Frame& CoordinateSystems::resolve(int id) const {
  const Entity* system = model_.table(Kind::CSys).find(id);
  if (!system) throw CoordinateError(name(id) + " does not exist");
  if (resolving_[id]) throw CoordinateError(name(id) + " is defined through itself");
  // Marked while its definition is resolved, so that a definition through itself is found.
  struct Mark {
    bool& flag;
    explicit Mark(bool& f) : flag(f) { flag = true; }
    ~Mark() { flag = false; }
  } mark(resolving_[id]);
  Vec3 a, b, c;
  std::vector<double> nodes = system->list("defNode");
  if (!nodes.empty() && (nodes.size() < 3 || nodes[0] != 0 || nodes[1] != 0 || nodes[2] != 0)) {
    Vec3 points[3];
    for (std::size_t i = 0; i < 3; ++i) {
      int node = i < nodes.size() ? static_cast<int>(nodes[i]) : 0;
      std::optional<Vec3> position = nodePosition_(node);
      if (!position) throw CoordinateError(name(id) + " is defined by node " + std::to_string(node) + ", which does not exist");
      points[i] = *position;
    }
    a = points[0];
    b = points[1];
    c = points[2];
  } else {
    int reference = system->integer("defCSys");
    a = toGlobal(reference, point(*system, "origin"));
    b = toGlobal(reference, point(*system, "pointZ"));
    c = toGlobal(reference, point(*system, "pointXZ"));
  }
  Vec3 z = minus(b, a), y = cross(z, minus(c, a));
  double zLength = length(z), yLength = length(y);
  if (zLength == 0 || yLength == 0 || !std::isfinite(zLength) || !std::isfinite(yLength) ||
      yLength <= 1e-12 * zLength * length(minus(c, a))) {
    throw CoordinateError(name(id) + ": its three points do not span a system (the z axis point on the origin, or the xz plane point on the z axis)");
  }
  Frame frame;
  frame.type = system->integer("type");
  frame.origin = a;
  for (double& v : z) v /= zLength;
  for (double& v : y) v /= yLength;
  frame.axes = {cross(y, z), y, z};
  return frames_.emplace(id, frame).first->second;
}

Vec3 CoordinateSystems::toGlobal(int id, const Vec3& local) const {
  const Frame& f = frame(id);
  Vec3 rectangular = local;
  if (f.type == 1) {
    rectangular = {local[0] * std::cos(local[1] * kDegree), local[0] * std::sin(local[1] * kDegree), local[2]};
  } else if (f.type == 2) {
    double theta = local[1] * kDegree, phi = local[2] * kDegree;
    rectangular = {local[0] * std::sin(theta) * std::cos(phi), local[0] * std::sin(theta) * std::sin(phi),
                   local[0] * std::cos(theta)};
  }
  if (id == 0) return rectangular;
  Vec3 global = f.origin;
  for (int axis = 0; axis < 3; ++axis) {
    for (int c = 0; c < 3; ++c) global[c] += rectangular[axis] * f.axes[axis][c];
  }
  return global;
}

Vec3 CoordinateSystems::toLocal(int id, const Vec3& global) const {
  const Frame& f = frame(id);
  Vec3 relative = minus(global, f.origin);
  Vec3 rectangular = id == 0 ? global : Vec3{dot(relative, f.axes[0]), dot(relative, f.axes[1]), dot(relative, f.axes[2])};
  if (f.type == 1) {
    return {std::hypot(rectangular[0], rectangular[1]), std::atan2(rectangular[1], rectangular[0]) / kDegree,
            rectangular[2]};
  }
  if (f.type == 2) {
    double r = length(rectangular);
    double theta = r == 0 ? 0 : std::acos(std::clamp(rectangular[2] / r, -1.0, 1.0));
    return {r, theta / kDegree, std::atan2(rectangular[1], rectangular[0]) / kDegree};
  }
  return rectangular;
}

std::array<Vec3, 3> CoordinateSystems::directionsAt(int id, const Vec3& global) const {
  const Frame& f = frame(id);
  if (f.type == 0) return f.axes;
  Vec3 local = toLocal(id, global);
  auto combine = [&](const Vec3& components) {
    Vec3 v{};
    for (int axis = 0; axis < 3; ++axis) {
      for (int c = 0; c < 3; ++c) v[c] += components[axis] * f.axes[axis][c];
    }
    return v;
  };
  if (f.type == 1) {
    double theta = local[1] * kDegree;
    return {combine({std::cos(theta), std::sin(theta), 0}), combine({-std::sin(theta), std::cos(theta), 0}), f.axes[2]};
  }
  double theta = local[1] * kDegree, phi = local[2] * kDegree;
  return {combine({std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)}),
          combine({std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi), -std::sin(theta)}),
          combine({-std::sin(phi), std::cos(phi), 0})};
}

Vec3 CoordinateSystems::vectorToGlobal(int id, const Vec3& at, const Vec3& components) const {
  if (id == 0) return components;
  std::array<Vec3, 3> directions = directionsAt(id, at);
  Vec3 v{};
  for (int axis = 0; axis < 3; ++axis) {
    for (int c = 0; c < 3; ++c) v[c] += components[axis] * directions[axis][c];
  }
  return v;
}

Vec3 CoordinateSystems::vectorToLocal(int id, const Vec3& at, const Vec3& global) const {
  if (id == 0) return global;
  std::array<Vec3, 3> directions = directionsAt(id, at);
  return {dot(global, directions[0]), dot(global, directions[1]), dot(global, directions[2])};
}

}  // namespace femapsim
