#pragma once
// The coordinate systems of a model, each resolved once into an origin and three unit axes in
// the global rectangular system, and positions and directions carried between a system and
// the global one.
//
// A system (kind csys) is rectangular (type 0), cylindrical (1: r, θ, z) or spherical (2: r,
// θ from the z axis, φ about it), angles in degrees as Nastran gives them. It is defined by
// three points in its reference system defCSys: the origin, a point on its z axis and a point
// in its xz plane (as a CORD2 card gives them), or by three nodes (defNode, as a CORD1 card
// gives them). System 0 is the global rectangular system.

#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "femapsim/model.h"

namespace femapsim {

using Vec3 = std::array<double, 3>;

struct Frame {
  int type = 0;  // 0 rectangular, 1 cylindrical, 2 spherical
  Vec3 origin{};
  std::array<Vec3, 3> axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};  // local x, y, z in global
};

// A system that cannot be resolved: a missing system or node, a definition in itself, three
// points that span no system.
class CoordinateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CoordinateSystems {
 public:
  // The global position of a node, or nothing when there is no such node. The default reads
  // the model's nodes (whose x, y, z are global).
  using NodePosition = std::function<std::optional<Vec3>(int node)>;

  explicit CoordinateSystems(const Model& model, NodePosition nodePosition = nullptr);

  bool exists(int id) const;
  // The resolved system; throws CoordinateError.
  const Frame& frame(int id) const;
  // A position given in a system's own coordinates (x, y, z / r, θ, z / r, θ, φ) in global,
  // and back.
  Vec3 toGlobal(int id, const Vec3& local) const;
  Vec3 toLocal(int id, const Vec3& global) const;
  // The unit directions of a system's three components at a global position (rectangular: its
  // axes; cylindrical: radial, tangential, axial there; spherical: r, θ, φ there).
  std::array<Vec3, 3> directionsAt(int id, const Vec3& global) const;
  // A vector given by its components along those directions, in global.
  Vec3 vectorToGlobal(int id, const Vec3& at, const Vec3& components) const;
  Vec3 vectorToLocal(int id, const Vec3& at, const Vec3& global) const;

 private:
  const Frame& resolve(int id) const;

  const Model& model_;
  NodePosition nodePosition_;
  mutable std::unordered_map<int, Frame> frames_;
  mutable std::unordered_map<int, bool> resolving_;
};

}  // namespace femapsim
