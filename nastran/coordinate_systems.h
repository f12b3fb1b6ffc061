#pragma once
// The coordinate systems of a deck resolved to the basic system, and every grid's position in it.
//
// A CORD2 system is given by three points A (origin), B (on the z axis) and C (in the xz plane)
// in its reference system RID; a CORD1 system by three grids, whose positions may themselves be
// given in other systems. Coordinates in a system are x, y, z (rectangular), r, theta, z
// (cylindrical) or r, theta, phi (spherical), angles in degrees. The directions of a system's
// components at a point (a grid's CD frame) are its axes for a rectangular system and depend on
// the point for the others: r, theta, z at the point's angle theta; r, theta, phi on the sphere.

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

#include "nastran/cards.h"
#include "nastran/id_index.h"

namespace nastran {

struct Deck;

// Three unit vectors, each in basic components: a system's x, y, z axes, or the directions of
// the components 1, 2, 3 at a point.
using Frame = std::array<Vec3, 3>;

struct ResolvedSystem {
  int cid = 0;
  CoordinateKind kind = CoordinateKind::Rectangular;
  Vec3 origin{};  // in basic
  Frame axes{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
};

class CoordinateSystems {
 public:
  // Resolves every CORD1x and CORD2x and the basic position of every grid. Throws DeckError for
  // a reference to a system or grid that does not exist, a system defined through itself
  // (directly or through the grids of CORD1 systems), a system ID used twice, and three points
  // that give no system (two of them the same, or all on one line).
  explicit CoordinateSystems(const Deck& deck);

  // nullptr for an ID no card defines; the basic system for 0.
  const ResolvedSystem* find(int cid) const;
  // The basic position of the point with these coordinates in system `cid` (which must exist).
  Vec3 toBasic(int cid, const Vec3& coordinates) const;
  // The coordinates in system `cid` of a basic position.
  Vec3 fromBasic(int cid, const Vec3& basic) const;
  // The directions of the components of system `cid` at a basic position.
  Frame directionsAt(int cid, const Vec3& basic) const;

  // By the grid's index in deck.bulk.grids.
  const Vec3& gridPosition(std::size_t grid) const { return gridPositions_[grid]; }
  const std::vector<Vec3>& gridPositions() const { return gridPositions_; }
  // The directions of a grid's displacement components (its CD system at its position).
  Frame displacementDirections(std::size_t grid) const;
  const IdIndex& gridIndex() const { return gridIndex_; }

 private:
  struct Definition {
    int cid = 0;
    CoordinateKind kind = CoordinateKind::Rectangular;
    const Cord1* cord1 = nullptr;
    const Cord2* cord2 = nullptr;
    const Origin& origin() const { return cord1 ? cord1->origin : cord2->origin; }
    std::string_view cardName() const { return cord1 ? nastran::cardName(*cord1) : nastran::cardName(*cord2); }
  };

  void resolve(std::size_t definition);
  std::vector<std::pair<std::size_t, std::string>> dependencies(std::size_t definition) const;
  void compute(std::size_t definition);
  std::string label(std::size_t definition) const;

  const Deck& deck_;
  std::vector<Definition> definitions_;
  IdIndex index_;  // cid -> definition
  std::vector<ResolvedSystem> resolved_;
  std::vector<std::uint8_t> state_;  // 0 unseen, 1 being resolved, 2 resolved
  IdIndex gridIndex_;
  std::vector<Vec3> gridPositions_;
  std::vector<std::uint8_t> gridDone_;
  ResolvedSystem basic_;
};

}  // namespace nastran
