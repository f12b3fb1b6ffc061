// Shells, solids and pressures solved through CalculiX, each against an answer worked out
// without it: plate theory's series for a simply supported plate, Lame's thick cylinder, the
// exact linear stress of a column under a linearly varying pressure, and hand calculations.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "decks.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

using Point = std::array<double, 3>;
using Index = std::array<int, 3>;

// A card in free field, eight fields a line.
std::string card(const std::string& name, const std::vector<std::string>& fields) {
  std::string text = name;
  for (std::size_t i = 0; i < fields.size(); ++i) text += (i > 0 && i % 8 == 0 ? "\n+," : ",") + fields[i];
  return text + "\n";
}

// A structured mesh on a lattice of half steps: cell (i, j, k) spans lattice points 2i..2i+2,
// so that every edge's mid-point is a lattice point too. Grids are numbered by lattice point
// and written only when an element uses them.
class Lattice {
 public:
  Lattice(Index cells, std::function<Point(double, double, double)> place) : cells_(cells), place_(std::move(place)) {}

  int grid(const Index& at) {
    int id = 1 + at[0] + (2 * cells_[0] + 1) * (at[1] + (2 * cells_[1] + 1) * at[2]);
    used_[id] = at;
    return id;
  }
  Point position(const Index& at) const {
    auto fraction = [&](int axis) { return cells_[axis] == 0 ? 0.0 : at[axis] / (2.0 * cells_[axis]); };
    return place_(fraction(0), fraction(1), fraction(2));
  }
  Point positionOf(int id) const { return position(used_.at(id)); }
  std::vector<int> usedGrids() const {
    std::vector<int> ids;
    for (const auto& entry : used_) ids.push_back(entry.first);
    return ids;
  }
  const Index& indexOf(int id) const { return used_.at(id); }
  const Index& cells() const { return cells_; }

  // An element's grids: its corners (lattice points), then the mid-points of the given edges.
  std::vector<int> grids(const std::vector<Index>& corners, const std::vector<std::pair<int, int>>& edges) {
    std::vector<int> ids;
    for (const Index& corner : corners) ids.push_back(grid(corner));
    for (auto [a, b] : edges)
      ids.push_back(grid({(corners[a][0] + corners[b][0]) / 2, (corners[a][1] + corners[b][1]) / 2,
                          (corners[a][2] + corners[b][2]) / 2}));
    return ids;
  }

  std::string gridCards() const {
    std::string text;
    for (const auto& [id, at] : used_) {
      Point x = position(at);
      text += card("GRID", {std::to_string(id), "", number(x[0]), number(x[1]), number(x[2])});
    }
    return text;
  }

 private:
  Index cells_;
  std::function<Point(double, double, double)> place_;
  std::map<int, Index> used_;
};

const std::vector<std::pair<int, int>> kTetraEdges = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
const std::vector<std::pair<int, int>> kPentaEdges = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 4},
                                                      {2, 5}, {3, 4}, {4, 5}, {5, 3}};
const std::vector<std::pair<int, int>> kHexaEdges = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5},
                                                     {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};

enum class SolidKind { Tetra4, Tetra10, Penta6, Penta15, Hexa8, Hexa20 };

struct SolidMesh {
  std::string cards;  // elements
  std::map<int, std::vector<int>> elements;  // corners of each element
};

Index offset(const Index& base, int i, int j, int k) { return {base[0] + 2 * i, base[1] + 2 * j, base[2] + 2 * k}; }

// Every cell as one CHEXA, two CPENTA (the cell's XY square split along its diagonal) or six
// CTETRA round the cell's main diagonal (three of them mirrored, as a mesher leaves them).
SolidMesh solidMesh(Lattice& lattice, SolidKind kind, int pid) {
  SolidMesh mesh;
  int eid = 0;
  auto add = [&](const char* name, const std::vector<Index>& corners, const std::vector<std::pair<int, int>>& edges,
                 bool secondOrder) {
    std::vector<int> grids = lattice.grids(corners, secondOrder ? edges : std::vector<std::pair<int, int>>{});
    std::vector<std::string> fields = {std::to_string(++eid), std::to_string(pid)};
    for (int grid : grids) fields.push_back(std::to_string(grid));
    mesh.cards += card(name, fields);
    mesh.elements[eid].assign(grids.begin(), grids.begin() + static_cast<std::ptrdiff_t>(corners.size()));
  };
  const Index& cells = lattice.cells();
  for (int k = 0; k < cells[2]; ++k)
    for (int j = 0; j < cells[1]; ++j)
      for (int i = 0; i < cells[0]; ++i) {
        Index base{2 * i, 2 * j, 2 * k};
        auto at = [&](int a, int b, int c) { return offset(base, a, b, c); };
        switch (kind) {
          case SolidKind::Hexa8:
          case SolidKind::Hexa20:
            add("CHEXA", {at(0, 0, 0), at(1, 0, 0), at(1, 1, 0), at(0, 1, 0), at(0, 0, 1), at(1, 0, 1), at(1, 1, 1), at(0, 1, 1)},
                kHexaEdges, kind == SolidKind::Hexa20);
            break;
          case SolidKind::Penta6:
          case SolidKind::Penta15:
            add("CPENTA", {at(0, 0, 0), at(1, 0, 0), at(1, 1, 0), at(0, 0, 1), at(1, 0, 1), at(1, 1, 1)}, kPentaEdges,
                kind == SolidKind::Penta15);
            add("CPENTA", {at(0, 0, 0), at(1, 1, 0), at(0, 1, 0), at(0, 0, 1), at(1, 1, 1), at(0, 1, 1)}, kPentaEdges,
                kind == SolidKind::Penta15);
            break;
          case SolidKind::Tetra4:
          case SolidKind::Tetra10: {
            static const int kAxes[6][2] = {{0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}};
            for (const auto& axes : kAxes) {
              Index step1{0, 0, 0}, step2{0, 0, 0};
              step1[axes[0]] = 1;
              step2 = step1;
              step2[axes[1]] = 1;
              add("CTETRA", {at(0, 0, 0), at(step1[0], step1[1], step1[2]), at(step2[0], step2[1], step2[2]), at(1, 1, 1)},
                  kTetraEdges, kind == SolidKind::Tetra10);
            }
            break;
          }
        }
      }
  return mesh;
}

// The faces of the mesh's elements whose corners all lie on lattice plane `axis` = `value`,
// as PLOAD4 names them: G1, and G34 (the CTETRA's corner off the face; the corner diagonally
// opposite G1 on a quadrilateral face; none for a CPENTA's triangle).
struct LoadedFace {
  int element = 0;
  std::vector<int> corners;  // on the face
  int g1 = 0, g34 = 0;
};

std::vector<LoadedFace> facesOn(const Lattice& lattice, const SolidMesh& mesh, int axis, int value) {
  std::vector<LoadedFace> faces;
  for (const auto& [eid, corners] : mesh.elements) {
    LoadedFace face{eid, {}, 0, 0};
    std::vector<int> off;
    for (int grid : corners) (lattice.indexOf(grid)[axis] == value ? face.corners : off).push_back(grid);
    if (face.corners.size() < 3) continue;
    face.g1 = face.corners[0];
    if (corners.size() == 4) face.g34 = off[0];
    if (face.corners.size() == 4) {
      // The corner not sharing a lattice line with G1.
      const Index& first = lattice.indexOf(face.g1);
      for (int grid : face.corners) {
        const Index& other = lattice.indexOf(grid);
        int differ = 0;
        for (int k = 0; k < 3; ++k) differ += other[k] != first[k];
        if (differ == 2) face.g34 = grid;
      }
    }
    faces.push_back(face);
  }
  return faces;
}

class ShellSolidTest : public NastranCcxTest {};

// (x, y, z) of a lattice point; s = a'Sb of a stress point in the tables' order.
double project(const resultfiles::SolidPoint& s, const Point& a, const Point& b) {
  double m[3][3] = {{s.normalX, s.shearXY, s.shearZX}, {s.shearXY, s.normalY, s.shearYZ}, {s.shearZX, s.shearYZ, s.normalZ}};
  double sum = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) sum += a[i] * m[i][j] * b[j];
  return sum;
}

Point centroid(const Lattice& lattice, const std::vector<int>& grids) {
  Point sum{};
  for (int grid : grids)
    for (int k = 0; k < 3; ++k) sum[k] += lattice.positionOf(grid)[k] / static_cast<double>(grids.size());
  return sum;
}

std::string spc(const std::string& dofs, const std::vector<int>& grids) {
  std::vector<std::string> fields = {"1", dofs};
  for (int grid : grids) fields.push_back(std::to_string(grid));
  return card("SPC1", fields);
}

// The lattice's used grids whose index along `axis` is `value`.
std::vector<int> gridsOn(const Lattice& lattice, const std::vector<int>& all, int axis, int value) {
  std::vector<int> on;
  for (int grid : all)
    if (lattice.indexOf(grid)[axis] == value) on.push_back(grid);
  return on;
}

const char* kindName(SolidKind kind) {
  switch (kind) {
    case SolidKind::Tetra4: return "tetra4";
    case SolidKind::Tetra10: return "tetra10";
    case SolidKind::Penta6: return "penta6";
    case SolidKind::Penta15: return "penta15";
    case SolidKind::Hexa8: return "hexa8";
    case SolidKind::Hexa20: return "hexa20";
  }
  return "?";
}

const std::vector<resultfiles::SolidStress>& solidsOf(const resultfiles::SubcaseResults& results, SolidKind kind) {
  if (kind == SolidKind::Tetra4 || kind == SolidKind::Tetra10) return results.tetras.entries;
  if (kind == SolidKind::Penta6 || kind == SolidKind::Penta15) return results.pentas.entries;
  return results.hexas.entries;
}

// A column 1 x 1 x 2 on rollers at Z = 0, its top pressed by p = 100 + 50 X given at the
// faces' corners (PLOAD4 P1-P4 from G1 round the face, the right-hand normal into the
// element). Its exact stress is linear, sz = -p(X) and nothing else, which quadratic solids
// and the incompatible-modes brick reproduce at every point; the linear tetrahedron and
// pentahedron only in the mean over the column.
TEST_F(ShellSolidTest, ColumnUnderLinearlyVaryingPressureCarriesItExactly) {
  REQUIRE_CCX();
  auto pressure = [](double x) { return 100 + 50 * x; };
  for (SolidKind kind : {SolidKind::Hexa8, SolidKind::Hexa20, SolidKind::Tetra10, SolidKind::Penta15, SolidKind::Tetra4,
                         SolidKind::Penta6}) {
    SCOPED_TRACE(kindName(kind));
    Lattice lattice({2, 2, 2}, [](double u, double v, double w) { return Point{u, v, 2 * w}; });
    SolidMesh mesh = solidMesh(lattice, kind, 1);
    std::string loads;
    for (const LoadedFace& face : facesOn(lattice, mesh, 2, 4)) {
      // Clockwise seen from above is the right-hand rule pointing down, into the element.
      Point centre = centroid(lattice, face.corners);
      std::vector<std::pair<double, int>> around;
      for (int grid : face.corners) {
        Point x = lattice.positionOf(grid);
        around.emplace_back(-std::atan2(x[1] - centre[1], x[0] - centre[0]), grid);
      }
      std::sort(around.begin(), around.end());
      while (around.front().second != face.g1) std::rotate(around.begin(), around.begin() + 1, around.end());
      std::vector<std::string> fields = {"1", std::to_string(face.element)};
      for (std::size_t i = 0; i < 4; ++i)
        fields.push_back(i < around.size() ? number(pressure(lattice.positionOf(around[i].second)[0])) : "");
      fields.push_back(std::to_string(face.g1));
      fields.push_back(face.g34 ? std::to_string(face.g34) : "");
      loads += card("PLOAD4", fields);
    }
    std::vector<int> all = lattice.usedGrids();
    std::string bulk = lattice.gridCards() + mesh.cards + "PSOLID,1,1\nMAT1,1,1.E+7,,.3\n" + loads +
                       spc("3", gridsOn(lattice, all, 2, 0)) + spc("12", {lattice.grid({0, 0, 0})}) +
                       spc("2", {lattice.grid({4, 0, 0})});
    resultfiles::SubcaseResults results = solveDeck(std::string("column_") + kindName(kind), bulk);
    const auto& solids = solidsOf(results, kind);
    ASSERT_EQ(solids.size(), mesh.elements.size());
    bool linear = kind == SolidKind::Tetra4 || kind == SolidKind::Penta6;
    double meanStress = 0;  // the elements are of equal volume
    for (const resultfiles::SolidStress& solid : solids) {
      SCOPED_TRACE("element " + std::to_string(solid.element));
      const std::vector<int>& corners = mesh.elements.at(solid.element);
      ASSERT_EQ(solid.points.size(), corners.size() + 1);
      meanStress += solid.points[0].normalZ / static_cast<double>(solids.size());
      if (linear) continue;
      EXPECT_NEAR(solid.points[0].normalZ, -pressure(centroid(lattice, corners)[0]), 1e-3 * 125);
      EXPECT_NEAR(solid.points[0].normalX, 0.0, 1e-3 * 125);
      for (std::size_t i = 1; i < solid.points.size(); ++i) {
        EXPECT_EQ(solid.points[i].grid, corners[i - 1]);
        EXPECT_NEAR(solid.points[i].normalZ, -pressure(lattice.positionOf(corners[i - 1])[0]), 2e-3 * 125);
      }
    }
    // Over the column the stress balances the load exactly: its mean is minus the mean pressure;
    // and the supports carry the whole load, 125 up.
    EXPECT_NEAR(meanStress, -125.0, 1e-3 * 125);
    std::array<double, 3> reaction{};
    for (const resultfiles::GridValues& row : results.spcForces)
      for (int axis = 0; axis < 3; ++axis) reaction[axis] += row.values[axis];
    EXPECT_NEAR(reaction[2], 125.0, 1e-3 * 125);
    EXPECT_NEAR(reaction[0], 0.0, 1e-3 * 125);
  }
}

// A quarter of a thick-walled cylinder about the basic z axis, radii `inner` and `outer`, one
// layer of 0.2 thick, four cells across the wall and eight around; a PLOAD4 of `pressure` on
// every face at the bore.
struct QuarterCylinder {
  QuarterCylinder(SolidKind kind, double inner, double outer, double pressure)
      : lattice({4, 8, 1}, [inner, outer](double u, double v, double w) {
          double r = inner + (outer - inner) * u, theta = std::acos(-1.0) / 2 * v;
          return Point{r * std::cos(theta), r * std::sin(theta), 0.2 * w};
        }),
        mesh(solidMesh(lattice, kind, 1)) {
    for (const LoadedFace& face : facesOn(lattice, mesh, 0, 0))
      pressures += card("PLOAD4", {"1", std::to_string(face.element), number(pressure), "", "", "",
                                   std::to_string(face.g1), face.g34 ? std::to_string(face.g34) : ""});
  }
  Lattice lattice;
  SolidMesh mesh;
  std::string pressures;
};

// A thick-walled cylinder, radii 1 and 2, under an internal pressure of 100 in plane strain:
// Lame's sr = A - B/r^2, st = A + B/r^2 with A = p a^2/(b^2 - a^2), B = A b^2. A quarter by
// symmetry, one layer thick, the pressure a PLOAD4 on the faces at the bore.
TEST_F(ShellSolidTest, ThickCylinderUnderInternalPressureMatchesLame) {
  REQUIRE_CCX();
  const double inner = 1, outer = 2, p = 100;
  const double a = p * inner * inner / (outer * outer - inner * inner), b = a * outer * outer;
  for (SolidKind kind : {SolidKind::Hexa20, SolidKind::Tetra10}) {
    SCOPED_TRACE(kindName(kind));
    QuarterCylinder cylinder(kind, inner, outer, p);
    Lattice& lattice = cylinder.lattice;
    const SolidMesh& mesh = cylinder.mesh;
    const std::string& loads = cylinder.pressures;
    std::vector<int> all = lattice.usedGrids();
    std::string bulk = lattice.gridCards() + mesh.cards + "PSOLID,1,1\nMAT1,1,2.E+5,,.3\n" + loads + spc("3", all) +
                       spc("2", gridsOn(lattice, all, 1, 0)) + spc("1", gridsOn(lattice, all, 1, 16));
    resultfiles::SubcaseResults results = solveDeck(std::string("cylinder_") + kindName(kind), bulk);
    const auto& solids = solidsOf(results, kind);
    ASSERT_EQ(solids.size(), mesh.elements.size());
    for (const resultfiles::SolidStress& solid : solids) {
      Point centre = centroid(lattice, mesh.elements.at(solid.element));
      double r = std::hypot(centre[0], centre[1]);
      Point radial{centre[0] / r, centre[1] / r, 0}, hoop{-centre[1] / r, centre[0] / r, 0};
      double radialStress = a - b / (r * r), hoopStress = a + b / (r * r);
      EXPECT_NEAR(project(solid.points[0], radial, radial), radialStress, 0.02 * p) << "element " << solid.element;
      EXPECT_NEAR(project(solid.points[0], hoop, hoop), hoopStress, 0.02 * hoopStress) << "element " << solid.element;
    }
  }
}

// The same cylinder with its grids placed, held and output in a cylindrical system (CORD2C 1
// about the basic z axis, CP = CD = 1): the radial displacement Lame gives in plane strain,
// u(r) = (1 + nu) p a^2 / (E (b^2 - a^2)) ((1 - 2 nu) r + b^2 / r), none around, and the
// symmetry planes held by their hoop direction rather than a basic axis.
TEST_F(ShellSolidTest, ThickCylinderInACylindricalSystemMovesRadiallyAsLameSays) {
  REQUIRE_CCX();
  const double inner = 1, outer = 2, p = 100, e = 2e5, nu = 0.3;
  const double pi = std::acos(-1.0);
  auto lame = [&](double r) {
    return (1 + nu) * p * inner * inner / (e * (outer * outer - inner * inner)) * ((1 - 2 * nu) * r + outer * outer / r);
  };
  for (SolidKind kind : {SolidKind::Hexa20, SolidKind::Tetra10}) {
    SCOPED_TRACE(kindName(kind));
    QuarterCylinder cylinder(kind, inner, outer, p);
    Lattice& lattice = cylinder.lattice;
    const SolidMesh& mesh = cylinder.mesh;
    const std::string& loads = cylinder.pressures;
    std::vector<int> all = lattice.usedGrids();
    // Grids as (r, theta in degrees, z) in system 1, which also holds their displacements.
    std::string grids = card("CORD2C", {"1", "", "0.", "0.", "0.", "0.", "0.", "1.", "1.", "0.", "0."});
    for (int grid : all) {
      Point x = lattice.positionOf(grid);
      grids += card("GRID", {std::to_string(grid), "1", number(std::hypot(x[0], x[1])),
                             number(std::atan2(x[1], x[0]) * 180 / pi), number(x[2]), "1"});
    }
    std::string bulk = grids + mesh.cards + "PSOLID,1,1\nMAT1,1,2.E+5,,.3\n" + loads + spc("3", all) +
                       spc("2", gridsOn(lattice, all, 1, 0)) + spc("2", gridsOn(lattice, all, 1, 16));
    resultfiles::SubcaseResults results = solveDeck(std::string("cylindrical_") + kindName(kind), bulk);
    ASSERT_EQ(results.displacements.size(), all.size());
    for (const resultfiles::GridValues& row : results.displacements) {
      Point x = lattice.positionOf(row.grid);
      double r = std::hypot(x[0], x[1]);
      EXPECT_NEAR(row.values[0], lame(r), 0.02 * lame(r)) << "grid " << row.grid << " at r = " << r;
      EXPECT_NEAR(row.values[1], 0.0, 1e-3 * lame(r)) << "grid " << row.grid;
      EXPECT_NEAR(row.values[2], 0.0, 1e-12) << "grid " << row.grid;
    }
  }
}

// Navier's series for a simply supported square plate, side a, under a uniform pressure q:
// the deflection and the bending moment Mx at (x, y).
struct Navier {
  double a, q, d, nu;
  double sum(double x, double y, bool moment) const {
    const double pi = std::acos(-1.0);
    double total = 0;
    for (int m = 1; m < 200; m += 2)
      for (int n = 1; n < 200; n += 2) {
        double k = (m * m + n * n) / (a * a);
        double shape = std::sin(m * pi * x / a) * std::sin(n * pi * y / a) / (m * n * k * k);
        total += moment ? (m * m + nu * n * n) / (a * a) * shape : shape;
      }
    return moment ? 16 * q / std::pow(pi, 4) * total : 16 * q / (std::pow(pi, 6) * d) * total;
  }
};

// A simply supported square plate, side 10, 0.1 thick, under a pressure of 1 (PLOAD2 on the
// CQUAD4, PLOAD4 THRU on the CQUAD8): the centre's deflection and the bending moment against
// plate theory, within 2 %. A quarter by symmetry.
TEST_F(ShellSolidTest, SimplySupportedPlateMatchesNavierSeries) {
  REQUIRE_CCX();
  const double side = 10, t = 0.1, e = 1e7, nu = 0.3;
  Navier navier{side, 1.0, e * t * t * t / (12 * (1 - nu * nu)), nu};
  for (bool quadratic : {false, true}) {
    SCOPED_TRACE(quadratic ? "CQUAD8" : "CQUAD4");
    int cells = quadratic ? 6 : 12;
    Lattice lattice({cells, cells, 0}, [&](double u, double v, double) { return Point{side / 2 * u, side / 2 * v, 0}; });
    std::string elements;
    std::map<int, std::vector<int>> corners;
    for (int j = 0; j < cells; ++j)
      for (int i = 0; i < cells; ++i) {
        Index base{2 * i, 2 * j, 0};
        std::vector<Index> quad = {base, offset(base, 1, 0, 0), offset(base, 1, 1, 0), offset(base, 0, 1, 0)};
        std::vector<int> grids =
            lattice.grids(quad, quadratic ? std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}
                                          : std::vector<std::pair<int, int>>{});
        int eid = 1 + i + cells * j;
        std::vector<std::string> fields = {std::to_string(eid), "1"};
        for (int grid : grids) fields.push_back(std::to_string(grid));
        elements += card(quadratic ? "CQUAD8" : "CQUAD4", fields);
        corners[eid].assign(grids.begin(), grids.begin() + 4);
      }
    int last = cells * cells;
    std::string load = quadratic ? "PLOAD4,1,1,1.,,,,THRU," + std::to_string(last) + "\n"
                                 : "PLOAD2,1,1.,1,THRU," + std::to_string(last) + "\n";
    std::vector<int> all = lattice.usedGrids();
    int edge = 2 * cells;
    std::string bulk = lattice.gridCards() + elements + "PSHELL,1,1," + number(t) + ",1\nMAT1,1," + number(e) + ",," +
                       number(nu) + "\n" + load + spc("3", gridsOn(lattice, all, 0, 0)) +
                       spc("3", gridsOn(lattice, all, 1, 0)) + spc("15", gridsOn(lattice, all, 0, edge)) +
                       spc("24", gridsOn(lattice, all, 1, edge));
    resultfiles::SubcaseResults results = solveDeck(quadratic ? "plate8" : "plate4", bulk);
    int centreGrid = lattice.grid({edge, edge, 0});
    double deflection = 0;
    for (const resultfiles::GridValues& row : results.displacements)
      if (row.grid == centreGrid) deflection = row.values[2];
    double expected = navier.sum(side / 2, side / 2, false);
    EXPECT_NEAR(deflection, expected, 0.02 * expected);

    // The element at the plate's centre.
    int centreElement = last;
    Point at = centroid(lattice, corners.at(centreElement));
    if (!quadratic) {
      ASSERT_EQ(results.quadForces.size(), static_cast<std::size_t>(last));
      const resultfiles::PlateForce& force = results.quadForces[static_cast<std::size_t>(centreElement - 1)];
      double moment = navier.sum(at[0], at[1], true);
      EXPECT_NEAR(force.values.momentX, moment, 0.02 * moment);
      EXPECT_NEAR(force.values.momentY, moment, 0.02 * moment);
      EXPECT_NEAR(force.values.membraneX, 0.0, 1e-3 * moment);
      // The top fibre carries 6 M / t^2.
      EXPECT_NEAR(results.quads[static_cast<std::size_t>(centreElement - 1)].top.normalX, 6 * moment / (t * t),
                  0.02 * 6 * moment / (t * t));
    } else {
      ASSERT_EQ(results.quad8s.size(), static_cast<std::size_t>(last));
      double moment = navier.sum(side / 2, side / 2, true);
      auto cornersOf = results.quad8s.cornersOf(static_cast<std::size_t>(centreElement - 1));
      ASSERT_EQ(cornersOf.size(), 4u);
      EXPECT_EQ(cornersOf[2].grid, centreGrid);
      EXPECT_NEAR(cornersOf[2].top.normalX, 6 * moment / (t * t), 0.02 * 6 * moment / (t * t));
      EXPECT_NEAR(cornersOf[2].bottom.normalX, -6 * moment / (t * t), 0.02 * 6 * moment / (t * t));
      double centreMoment = navier.sum(at[0], at[1], true);
      EXPECT_NEAR(results.quad8s[static_cast<std::size_t>(centreElement - 1)].top.normalX, 6 * centreMoment / (t * t),
                  0.02 * 6 * centreMoment / (t * t));
    }
  }
}

// Pressures are loads of their subcase: a cube pressed on its top by PLOAD4 in one subcase, by
// PLOAD in a second, and pushed sideways by a PLOAD4 along N1-N3 of a system turned 90 degrees
// about Z (its X along basic Y) in a third; each subcase's supports carry its own load.
TEST_F(ShellSolidTest, PressuresLoadTheirOwnSubcaseAlongTheirDirection) {
  REQUIRE_CCX();
  Lattice lattice({1, 1, 1}, [](double u, double v, double w) { return Point{u, v, w}; });
  SolidMesh mesh = solidMesh(lattice, SolidKind::Hexa8, 1);
  int g1 = lattice.grid({0, 0, 2}), g2 = lattice.grid({0, 2, 2}), g3 = lattice.grid({2, 2, 2}), g4 = lattice.grid({2, 0, 2});
  std::vector<int> all = lattice.usedGrids();
  std::string bulk = lattice.gridCards() + mesh.cards + "PSOLID,1,1\nMAT1,1,1.E+7,,.3\n" +
                     spc("123", gridsOn(lattice, all, 2, 0)) + card("PLOAD4", {"1", "1", "100.", "", "", "", std::to_string(g1), std::to_string(g3)}) +
                     card("PLOAD", {"2", "50.", std::to_string(g1), std::to_string(g2), std::to_string(g3), std::to_string(g4)}) +
                     card("PLOAD4", {"3", "1", "20.", "", "", "", std::to_string(g1), std::to_string(g3), "5", "1.", "0.", "0."}) +
                     "CORD2R,5,,0.,0.,0.,0.,0.,1.\n+,0.,1.,0.\n";
  writeFile("subcases.dat", "SOL 101\nCEND\nSPC = 1\nSUBCASE 1\n  LOAD = 1\nSUBCASE 2\n  LOAD = 2\nSUBCASE 3\n  LOAD = 3\n"
                            "BEGIN BULK\n" + bulk + "ENDDATA\n");
  ToolRun run = this->run({"subcases.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  std::vector<resultfiles::SubcaseResults> subcases = readSubcases("subcases.op2");
  ASSERT_EQ(subcases.size(), 3u);
  const std::array<std::array<double, 3>, 3> expected = {{{0, 0, 100}, {0, 0, 50}, {0, -20, 0}}};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("subcase " + std::to_string(subcases[i].subcase));
    std::array<double, 3> reaction{};
    for (const resultfiles::GridValues& row : subcases[i].spcForces)
      for (int axis = 0; axis < 3; ++axis) reaction[axis] += row.values[axis];
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(reaction[axis], expected[i][axis], 1e-3 * 100);
  }
  ASSERT_EQ(subcases[1].hexas.size(), 1u);
  EXPECT_NEAR(subcases[1].hexas[0].points[0].normalZ, -50.0, 2.0);  // the base holds it from spreading
}

// A PLOAD4 along N1-N3 of a cylindrical system about Z takes that system's directions at each
// element's centroid: two unit squares in the XY plane centred at radius 10, 30 and 120 degrees
// round, pushed by 5 along (1, 1, 0) in (R, THETA, Z); each square's own supports carry
// 5 (e_R + e_THETA) / sqrt(2) there.
TEST_F(ShellSolidTest, PressureDirectionInACylindricalSystemIsTakenAtEachCentroid) {
  REQUIRE_CCX();
  const double pi = std::acos(-1.0);
  const std::array<double, 2> angles = {30, 120};
  std::string bulk = "PSHELL,1,1,.1,1\nMAT1,1,1.E+7,,.3\nCORD2C,7,,0.,0.,0.,0.,0.,1.\n+,1.,0.,0.\n" +
                     card("PLOAD4", {"1", "1", "5.", "", "", "", "THRU", "2", "7", "1.", "1.", "0."});
  std::map<int, int> elementOf;
  for (std::size_t e = 0; e < 2; ++e) {
    double c = 10 * std::cos(angles[e] * pi / 180), s = 10 * std::sin(angles[e] * pi / 180);
    const std::array<std::array<double, 2>, 4> corners = {{{-.5, -.5}, {.5, -.5}, {.5, .5}, {-.5, .5}}};
    std::vector<std::string> grids;
    for (std::size_t k = 0; k < 4; ++k) {
      int id = static_cast<int>(10 * (e + 1) + k + 1);
      elementOf[id] = static_cast<int>(e);
      grids.push_back(std::to_string(id));
      bulk += card("GRID", {grids.back(), "", number(c + corners[k][0]), number(s + corners[k][1]), "0."});
    }
    bulk += card("CQUAD4", {std::to_string(e + 1), "1", grids[0], grids[1], grids[2], grids[3]});
    bulk += spc("123456", {std::stoi(grids[0]), std::stoi(grids[1]), std::stoi(grids[3])}) + spc("3456", {std::stoi(grids[2])});
  }
  resultfiles::SubcaseResults results = solveDeck("cylindrical_direction", bulk);
  std::array<std::array<double, 3>, 2> reaction{};
  for (const resultfiles::GridValues& row : results.spcForces)
    for (int axis = 0; axis < 3; ++axis) reaction[static_cast<std::size_t>(elementOf.at(row.grid))][axis] += row.values[axis];
  for (std::size_t e = 0; e < 2; ++e) {
    double theta = angles[e] * pi / 180;
    std::array<double, 3> load = {5 / std::sqrt(2.0) * (std::cos(theta) - std::sin(theta)),
                                  5 / std::sqrt(2.0) * (std::sin(theta) + std::cos(theta)), 0};
    for (int axis = 0; axis < 3; ++axis)
      EXPECT_NEAR(reaction[e][axis], -load[axis], 1e-4 * 5) << "element " << e + 1 << " axis " << axis;
  }
}

// A strip 10 long and 1 wide whose thickness falls linearly from 0.2 to 0.1, given at the
// corners of ten CQUAD4s (T1-T4 as thicknesses, or with TFLAG 1 as fractions of the
// PSHELL's T = 0.2, in turn), NU = 0 and pulled by P = 1000 at its end: it stretches by the
// integral of P / (E t(x) w), P L / (E w (t1 - t0)) ln(t1 / t0), and the first element's centre
// carries P / (w t) at its mean thickness. Two shells that give a grid different thicknesses are
// refused: CalculiX takes one thickness per grid; so are corner thicknesses of a membrane, which
// CalculiX 2.20 does not take.
TEST_F(ShellSolidTest, TaperedStripStretchesByTheIntegralOfItsCompliance) {
  REQUIRE_CCX();
  const double length = 10, t0 = 0.2, t1 = 0.1, e = 1e7, p = 1000;
  const int n = 10;
  auto thickness = [&](double x) { return t0 + (t1 - t0) * x / length; };
  std::string grids, plates;
  for (int i = 0; i <= n; ++i) {
    double x = length * i / n;
    grids += card("GRID", {std::to_string(1 + i), "", number(x), "0.", "0."}) +
             card("GRID", {std::to_string(101 + i), "", number(x), "1.", "0."});
  }
  auto plate = [&](int i, double bump) {
    double a = thickness(length * i / n), b = thickness(length * (i + 1) / n) + bump;
    bool relative = i % 2 == 1;
    auto given = [&](double t) { return number(relative ? t / t0 : t); };
    return card("CQUAD4", {std::to_string(1 + i), "1", std::to_string(1 + i), std::to_string(2 + i),
                           std::to_string(102 + i), std::to_string(101 + i), "", "", "", relative ? "1" : "",
                           given(a), given(b), given(b), given(a)});
  };
  for (int i = 0; i < n; ++i) plates += plate(i, 0);
  const std::string supports = "MAT1,1," + number(e) +
                               ",,0.\nSPC1,1,123456,1\nSPC1,1,13456,101\nSPC1,1,3456,2,THRU,11\nSPC1,1,3456,102,THRU,111\n"
                               "FORCE,1,11,,500.,1.,0.,0.\nFORCE,1,111,,500.,1.,0.,0.\n";
  const std::string rest = "PSHELL,1,1," + number(t0) + ",1\n" + supports;
  resultfiles::SubcaseResults results = solveDeck("tapered", grids + plates + rest);
  double stretch = p * length / (e * 1.0 * (t1 - t0)) * std::log(t1 / t0);
  int checked = 0;
  for (const resultfiles::GridValues& row : results.displacements)
    if (row.grid == 1 + n || row.grid == 101 + n) {
      EXPECT_NEAR(row.values[0], stretch, 1e-3 * stretch) << "grid " << row.grid;
      ++checked;
    }
  EXPECT_EQ(checked, 2);
  ASSERT_FALSE(results.quads.empty());
  EXPECT_EQ(results.quads[0].element, 1);
  double mean = 0.5 * (thickness(0) + thickness(length / n));
  EXPECT_NEAR(results.quads[0].bottom.normalX, p / mean, 1e-3 * p / mean);

  std::string uneven = grids + plate(0, 0.01);
  for (int i = 1; i < n; ++i) uneven += plate(i, 0);
  writeFile("uneven.dat", staticDeck(uneven + rest));
  ToolRun run = this->run({"uneven.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.standardError.find("uneven.dat:"), std::string::npos) << run.standardError;
  EXPECT_NE(run.standardError.find("CQUAD4 1: its thickness 0.2 at grid 2 differs from CQUAD4 2's there"),
            std::string::npos)
      << run.standardError;
  EXPECT_FALSE(exists("uneven.op2"));

  writeFile("membrane.dat", staticDeck(grids + plates + "PSHELL,1,1," + number(t0) + "\n" + supports));
  run = this->run({"membrane.dat"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.standardError.find("CQUAD4 1: corner thicknesses (T1...) of a membrane-only PSHELL"), std::string::npos)
      << run.standardError;
}

// A MAT9 cube whose stiffness couples the normal strain along X with the shear in XY (G14), pulled
// along X by 10: under that uniaxial stress the compliance gives ex = G44 / D * 10 and
// gxy = -G14 / D * 10, D = G11 G44 - G14^2, with every other strain zero.
TEST_F(ShellSolidTest, AnisotropicSolidStrainsAsItsComplianceSays) {
  REQUIRE_CCX();
  Lattice lattice({1, 1, 1}, [](double u, double v, double w) { return Point{u, v, w}; });
  SolidMesh mesh = solidMesh(lattice, SolidKind::Hexa8, 1);
  std::vector<int> all = lattice.usedGrids();
  const double g11 = 2000, g14 = 300, g44 = 500;
  // G11 ... G16, G22 ... G26, G33 ... G36, G44 ... G46, G55, G56, G66.
  std::string bulk = lattice.gridCards() + mesh.cards + "PSOLID,1,9\n" +
                     card("MAT9", {"9", number(g11), "0.", "0.", number(g14), "0.", "0.", number(g11), "0.", "0.", "0.", "0.",
                                   number(g11), "0.", "0.", "0.", number(g44), "0.", "0.", number(g44), "0.", number(g44)}) +
                     card("PLOAD4", {"1", "1", "-10.", "", "", "", std::to_string(lattice.grid({2, 0, 0})),
                                     std::to_string(lattice.grid({2, 2, 2}))}) +
                     spc("1", gridsOn(lattice, all, 0, 0)) + spc("23", {lattice.grid({0, 0, 0})}) +
                     spc("2", {lattice.grid({0, 0, 2})});
  resultfiles::SubcaseResults results = solveDeck("aniso", bulk);
  double d = g11 * g44 - g14 * g14;
  for (const resultfiles::GridValues& row : results.displacements) {
    if (lattice.indexOf(row.grid)[0] != 2) continue;
    EXPECT_NEAR(row.values[0], g44 / d * 10, 1e-3 * g44 / d * 10) << "grid " << row.grid;
    EXPECT_NEAR(row.values[1], -g14 / d * 10, 1e-3 * g44 / d * 10) << "grid " << row.grid;
    EXPECT_NEAR(row.values[2], 0.0, 1e-3 * g44 / d * 10) << "grid " << row.grid;
  }
  ASSERT_EQ(results.hexas.size(), 1u);
  EXPECT_NEAR(results.hexas[0].points[0].normalX, 10.0, 1e-3);
  EXPECT_NEAR(results.hexas[0].points[0].shearXY, 0.0, 1e-3);
}

// A 20 x 10 sheet, 0.5 thick, pulled along X by 500 per unit area: a square quadrilateral and a
// square split into two triangles, as CQUAD8 and CTRIA6 (the load shared 1/6, 2/3, 1/6 over the
// loaded edge's grids) and as CQUADR and CTRIAR. Every centre and corner carries the pull at both
// fibres, in each element's axes (x along G1 -> G2 for a triangle: 45 degrees for the second).
TEST_F(ShellSolidTest, EveryShellShowsAUniformPullAtItsCentreAndCorners) {
  REQUIRE_CCX();
  const std::string corners =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\nGRID,5,,20.,0.,0.\nGRID,6,,20.,10.,0.\n"
      "PSHELL,1,1,.5,1\nMAT1,1,1.E+7,,.3\nSPC1,1,2,1\n";
  const std::string midSides =
      "GRID,11,,5.,0.,0.\nGRID,12,,10.,5.,0.\nGRID,13,,5.,10.,0.\nGRID,14,,0.,5.,0.\nGRID,15,,15.,0.,0.\n"
      "GRID,16,,20.,5.,0.\nGRID,17,,15.,5.,0.\nGRID,18,,15.,10.,0.\n";
  const std::string quadratic = corners + midSides + "CQUAD8,1,1,1,2,3,4,11,12\n+,13,14\nCTRIA6,2,1,2,5,6,15,16,17\n" +
                                "CTRIA6,3,1,2,6,3,17,18,12\nSPC1,1,3456,1,THRU,18\nSPC1,1,1,1,4,14\n" +
                                "FORCE,1,5,0,416.6666666666667,1.,0.,0.\nFORCE,1,6,0,416.6666666666667,1.,0.,0.\n" +
                                "FORCE,1,16,0,1666.666666666667,1.,0.,0.\n";
  const std::string linear = corners + "CQUADR,1,1,1,2,3,4\nCTRIAR,2,1,2,5,6\nCTRIAR,3,1,2,6,3\n" +
                             "SPC1,1,3456,1,THRU,6\nSPC1,1,1,1,4\nFORCE,1,5,0,1250.,1.,0.,0.\nFORCE,1,6,0,1250.,1.,0.,0.\n";
  for (bool second : {true, false}) {
    SCOPED_TRACE(second ? "CQUAD8, CTRIA6" : "CQUADR, CTRIAR");
    resultfiles::SubcaseResults results = solveDeck(second ? "sheet8" : "sheetr", second ? quadratic : linear);
    const resultfiles::PlateStressList& quads = second ? results.quad8s : results.quadRs;
    const resultfiles::PlateStressList& trias = second ? results.tria6s : results.triaRs;
    ASSERT_EQ(quads.size(), 1u);
    ASSERT_EQ(trias.size(), 2u);
    auto expectPull = [](const resultfiles::PlateFibre& fibre, double x, double y, double xy, const std::string& where) {
      EXPECT_NEAR(fibre.normalX, x, 0.5) << where;
      EXPECT_NEAR(fibre.normalY, y, 0.5) << where;
      EXPECT_NEAR(fibre.shearXY, xy, 0.5) << where;
    };
    auto expectPlate = [&](const resultfiles::PlateStressList& list, std::size_t i, std::vector<int> grids, double x,
                           double y, double xy) {
      std::string element = "element " + std::to_string(list[i].element);
      expectPull(list[i].bottom, x, y, xy, element + " centre bottom");
      expectPull(list[i].top, x, y, xy, element + " centre top");
      auto its = list.cornersOf(i);
      ASSERT_EQ(its.size(), grids.size()) << element;
      for (std::size_t k = 0; k < its.size(); ++k) {
        EXPECT_EQ(its[k].grid, grids[k]) << element;
        expectPull(its[k].bottom, x, y, xy, element + " grid " + std::to_string(its[k].grid));
        expectPull(its[k].top, x, y, xy, element + " grid " + std::to_string(its[k].grid));
      }
    };
    expectPlate(quads, 0, {1, 2, 3, 4}, 500, 0, 0);
    expectPlate(trias, 0, {2, 5, 6}, 500, 0, 0);
    expectPlate(trias, 1, {2, 6, 3}, 250, 250, -250);
  }

  // CQUAD4 gives its corners where the subcase asks for them (STRESS(CORNER)), else its centre.
  std::string quad = corners + "CQUAD4,1,1,1,2,3,4\nCTRIA3,2,1,2,5,6\nCTRIA3,3,1,2,6,3\nSPC1,1,3456,1,THRU,6\n"
                               "SPC1,1,1,1,4\nFORCE,1,5,0,1250.,1.,0.,0.\nFORCE,1,6,0,1250.,1.,0.,0.\n";
  writeFile("corner.dat", "SOL 101\nCEND\nLOAD = 1\nSPC = 1\nSUBCASE 1\n  STRESS(PLOT, CORNER) = ALL\nSUBCASE 2\n"
                          "  STRESS = ALL\nBEGIN BULK\n" + quad + "ENDDATA\n");
  ToolRun run = this->run({"corner.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  std::vector<resultfiles::SubcaseResults> subcases = readSubcases("corner.op2");
  ASSERT_EQ(subcases.size(), 2u);
  ASSERT_EQ(subcases[0].quads.size(), 1u);
  auto its = subcases[0].quads.cornersOf(0);
  ASSERT_EQ(its.size(), 4u);
  for (const resultfiles::PlateCorner& corner : its) EXPECT_NEAR(corner.top.normalX, 500.0, 0.5) << "grid " << corner.grid;
  EXPECT_EQ(subcases[1].quads.cornersOf(0).size(), 0u);
}

// A laminate heated evenly and free to grow grows without stress: the nodes CalculiX's composite
// shell adds at the middle of each edge take the temperatures of their edges' grids.
TEST_F(ShellSolidTest, EvenlyHeatedFreeLaminateGrowsWithoutStress) {
  REQUIRE_CCX();
  const std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\nGRID,5,,20.,0.,0.\nGRID,6,,20.,10.,0.\n"
      "CQUAD4,1,1,1,2,3,4\nCQUAD4,2,1,2,5,6,3\nPCOMP,1,,,,,,,SYM\n+,1,.1,0.,,1,.1,90.\nMAT1,1,1.E+7,,.3,,1.E-5,20.\n"
      "TEMP,1,1,120.,2,120.,3,120.\nTEMP,1,4,120.,5,120.,6,120.\nSPC1,1,123,1\nSPC1,1,23,5\nSPC1,1,3,4\n";
  writeFile("heated.dat", staticDeck(bulk, "  SPC = 1\n  TEMPERATURE(LOAD) = 1\n"));
  ToolRun run = this->run({"heated.dat"});
  ASSERT_EQ(run.exitCode, 0) << run.standardError;
  std::vector<resultfiles::SubcaseResults> subcases = readSubcases("heated.op2");
  ASSERT_EQ(subcases.size(), 1u);
  ASSERT_EQ(subcases[0].quadPlies.size(), 8u);
  for (const resultfiles::PlyStress& ply : subcases[0].quadPlies) {
    EXPECT_NEAR(ply.normal1, 0.0, 1.0) << "element " << ply.element << ", ply " << ply.ply;
    EXPECT_NEAR(ply.normal2, 0.0, 1.0) << "element " << ply.element << ", ply " << ply.ply;
  }
  for (const resultfiles::GridValues& row : subcases[0].displacements) {
    if (row.grid == 5) {
      EXPECT_NEAR(row.values[0], 1e-5 * 100 * 20, 1e-6);
    }
  }
}

// Classical lamination theory for a symmetric laminate under in-plane forces per unit length
// (Nx, Ny, Nxy): each ply's stresses in its own axes (1 along the fibres), plies given by
// their angle from the x axis and thickness.
std::vector<std::array<double, 3>> laminateStresses(double e1, double e2, double nu12, double g12,
                                                    const std::vector<std::pair<double, double>>& plies,
                                                    const std::array<double, 3>& forces) {
  const double pi = std::acos(-1.0);
  double nu21 = nu12 * e2 / e1, d = 1 - nu12 * nu21;
  double q[3][3] = {{e1 / d, nu12 * e2 / d, 0}, {nu12 * e2 / d, e2 / d, 0}, {0, 0, g12}};
  // Stresses in the ply's axes from strains (ex, ey, gxy) in the laminate's.
  auto plyStress = [&](double angle, const std::array<double, 3>& strain) {
    double c = std::cos(angle * pi / 180), s = std::sin(angle * pi / 180);
    double local[3] = {c * c * strain[0] + s * s * strain[1] + c * s * strain[2],
                       s * s * strain[0] + c * c * strain[1] - c * s * strain[2],
                       -2 * c * s * strain[0] + 2 * c * s * strain[1] + (c * c - s * s) * strain[2]};
    std::array<double, 3> stress{};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) stress[i] += q[i][j] * local[j];
    return stress;
  };
  auto toLaminate = [&](double angle, const std::array<double, 3>& stress) {
    double c = std::cos(angle * pi / 180), s = std::sin(angle * pi / 180);
    return std::array<double, 3>{c * c * stress[0] + s * s * stress[1] - 2 * c * s * stress[2],
                                 s * s * stress[0] + c * c * stress[1] + 2 * c * s * stress[2],
                                 c * s * stress[0] - c * s * stress[1] + (c * c - s * s) * stress[2]};
  };
  double a[3][3] = {};
  for (int j = 0; j < 3; ++j) {
    std::array<double, 3> unitStrain{};
    unitStrain[j] = 1;
    for (const auto& [angle, thickness] : plies) {
      std::array<double, 3> stress = toLaminate(angle, plyStress(angle, unitStrain));
      for (int i = 0; i < 3; ++i) a[i][j] += thickness * stress[i];
    }
  }
  // Strains from A e = N (Cramer's rule).
  auto det = [](double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  std::array<double, 3> strain{};
  for (int k = 0; k < 3; ++k) {
    double m[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) m[i][j] = j == k ? forces[i] : a[i][j];
    strain[k] = det(m) / det(a);
  }
  std::vector<std::array<double, 3>> stresses;
  for (const auto& [angle, thickness] : plies) stresses.push_back(plyStress(angle, strain));
  return stresses;
}

// A [0/90]s strip of MAT8 plies (PCOMP with LAM SYM), 80 x 10, pulled along X by 100 per unit
// width at both ends: the ply stresses of the elements in its middle against classical
// lamination theory, with the material axes along the elements' G1 -> G2 edges and turned by
// THETA = 30. (CalculiX lays plies on its eight-node shell, whose generated mid-side nodes
// carry no load: the ends' loads spread out over a few widths, hence the long strip.)
TEST_F(ShellSolidTest, CrossPlyLaminateMatchesLaminationTheory) {
  REQUIRE_CCX();
  const double e1 = 140e3, e2 = 10e3, nu12 = 0.3, g12 = 5e3, t = 0.125;
  const int columns = 16;
  for (double theta : {0.0, 30.0}) {
    SCOPED_TRACE("THETA " + number(theta));
    std::string bulk;
    auto id = [&](int i, int j) { return 1 + i + (columns + 1) * j; };
    for (int j = 0; j <= 2; ++j)
      for (int i = 0; i <= columns; ++i)
        bulk += card("GRID", {std::to_string(id(i, j)), "", number(5.0 * i), number(5.0 * j), "0."});
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < columns; ++i)
        bulk += card("CQUAD4", {std::to_string(1 + i + columns * j), "1", std::to_string(id(i, j)),
                                std::to_string(id(i + 1, j)), std::to_string(id(i + 1, j + 1)), std::to_string(id(i, j + 1)),
                                number(theta)});
    bulk += "PCOMP,1,,,,,,,SYM\n+,1," + number(t) + ",0.,,1," + number(t) + ",90.\n";
    bulk += "MAT8,1," + number(e1) + "," + number(e2) + "," + number(nu12) + "," + number(g12) + "\n";
    // Pulled at both ends, held at its middle.
    for (int j = 0; j <= 2; ++j) {
      std::string share = j == 1 ? "500." : "250.";
      bulk += card("FORCE", {"1", std::to_string(id(columns, j)), "0", share, "1.", "0.", "0."});
      bulk += card("FORCE", {"1", std::to_string(id(0, j)), "0", share, "-1.", "0.", "0."});
    }
    int middle = columns / 2;
    bulk += card("SPC1", {"1", "1", std::to_string(id(middle, 0)), std::to_string(id(middle, 1)), std::to_string(id(middle, 2))});
    bulk += card("SPC1", {"1", "2", std::to_string(id(middle, 1))});
    bulk += card("SPC1", {"1", "3", "1", "THRU", std::to_string(id(columns, 2))});
    resultfiles::SubcaseResults results = solveDeck("laminate", bulk);
    ASSERT_EQ(results.quadPlies.size(), 2u * columns * 4);
    EXPECT_TRUE(results.quads.empty());
    std::vector<std::pair<double, double>> plies = {{theta, t}, {theta + 90, t}, {theta + 90, t}, {theta, t}};
    std::vector<std::array<double, 3>> expected = laminateStresses(e1, e2, nu12, g12, plies, {100, 0, 0});
    for (const resultfiles::PlyStress& ply : results.quadPlies) {
      int column = (ply.element - 1) % columns;
      if (column < middle - 1 || column > middle) continue;  // away from the ends
      SCOPED_TRACE("element " + std::to_string(ply.element) + ", ply " + std::to_string(ply.ply));
      const std::array<double, 3>& want = expected.at(static_cast<std::size_t>(ply.ply - 1));
      double scale = std::abs(want[0]) + std::abs(want[1]) + std::abs(want[2]);
      EXPECT_NEAR(ply.normal1, want[0], 0.01 * scale);
      EXPECT_NEAR(ply.normal2, want[1], 0.01 * scale);
      EXPECT_NEAR(ply.shear12, want[2], 0.01 * scale);
    }
    ASSERT_EQ(results.quadForces.size(), 2u * columns);
    const resultfiles::PlateForce& force = results.quadForces[static_cast<std::size_t>(middle)];
    EXPECT_NEAR(force.values.membraneX, 100.0, 1.0);
    EXPECT_NEAR(force.values.membraneY, 0.0, 1.0);
    EXPECT_NEAR(force.values.momentX, 0.0, 0.01);
  }
}

// What the conversion cannot give CalculiX as Nastran means it is refused at its line, with no
// results file: a laminate's LAM option, a solid with some of its mid-side grids, a lamina
// under a PSHELL, a pressure on a rod, a shear panel that is no rectangle, an offset shell.
TEST_F(ShellSolidTest, CardsCalculiXCannotTakeAreRefusedWithTheirLine) {
  const std::string head =
      "GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nGRID,3,,1.,1.,0.\nGRID,4,,0.,1.,0.\nGRID,5,,0.,0.,1.\nGRID,6,,.5,0.,0.\n"
      "SPC1,1,123,1\nMAT1,1,1.E+7,,.3\n";  // lines 13-20 of the deck
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"CQUAD4,1,1,1,2,3,4\nPCOMP,1,,,,,,,MEM\n+,1,.1,0.\nFORCE,1,3,,1.,1.\n",
       "22: PCOMP 1: LAM MEM is not supported (only blank, every ply given, or SYM)"},
      {"CTETRA,1,1,1,2,3,5,6\nPSOLID,1,1\nFORCE,1,3,,1.,1.\n",
       "21: CTETRA 1: mid-side grid G6 is blank: give every mid-side grid or none (CalculiX has no element with some)"},
      {"CQUAD4,1,1,1,2,3,4\nPSHELL,1,8,.1,8\nMAT8,8,1.E+7,1.E+6,.3,1.E+6\nFORCE,1,3,,1.,1.\n",
       "22: PSHELL 1: material 8 is a MAT8 lamina, which only PCOMP and PCOMPG plies may use"},
      {"CROD,1,1,1,2\nPROD,1,1,1.\nPLOAD4,1,1,5.\n",
       "23: PLOAD4 1: element 1 is a CROD; PLOAD4 loads shells and the faces of solids only"},
      {"CSHEAR,1,1,1,6,3,4\nPSHEAR,1,1,.1\nFORCE,1,3,,1.,1.\n",
       "21: CSHEAR 1: its edges 1-2 and 3-4 are not equal and parallel (the panel is no rectangle); only "
       "rectangular shear panels, whose shear flow is uniform, are solved"},
      {"CQUAD4,1,1,1,2,3,4,,.5\nPSHELL,1,1,.1,1\nFORCE,1,3,,1.,1.\n",
       "21: CQUAD4 1: an offset of the reference plane (ZOFFS) is not supported"},
  };
  for (const auto& [bulk, message] : cases) {
    writeFile("refused.dat", staticDeck(head + bulk));
    ToolRun run = this->run({"refused.dat"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.standardError, "nastran-ccx: refused.dat:" + message + "\n");
    EXPECT_FALSE(exists("refused.op2"));
  }
}

// A membrane-only PSHELL (MID2 blank) pulled in its plane carries F / (b t) at both fibres;
// pressed across its plane it has no stiffness, which is a failure, not a result.
TEST_F(ShellSolidTest, MembraneShellCarriesInPlaneLoadAndNothingAcross) {
  REQUIRE_CCX();
  std::string sheet =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\nGRID,5,,20.,0.,0.\nGRID,6,,20.,10.,0.\n"
      "CQUAD4,1,1,1,2,3,4\nCTRIA3,2,1,2,5,6\nCTRIA3,3,1,2,6,3\nPSHELL,1,1,.5\nMAT1,1,1.E+7,,.3\n"
      "SPC1,1,1,1,4\nSPC1,1,2,1\n";
  resultfiles::SubcaseResults results = solveDeck(
      "membrane", sheet + "SPC1,1,3,1,2,3,4,5,6\nFORCE,1,5,0,1000.,1.,0.,0.\nFORCE,1,6,0,1000.,1.,0.,0.\n");
  ASSERT_EQ(results.quads.size(), 1u);
  ASSERT_EQ(results.trias.size(), 2u);
  for (const resultfiles::PlateFibre& fibre : {results.quads[0].top, results.quads[0].bottom}) {
    EXPECT_NEAR(fibre.normalX, 2000 / (10 * 0.5), 1e-3);
    EXPECT_NEAR(fibre.normalY, 0.0, 1e-3);
  }
  ASSERT_EQ(results.quadForces.size(), 1u);
  EXPECT_NEAR(results.quadForces[0].values.membraneX, 200.0, 1e-3);
  EXPECT_NEAR(results.quadForces[0].values.momentX, 0.0, 1e-6);
  EXPECT_NEAR(results.trias[0].top.normalX, 400.0, 1e-3);

  // Grids 2 and 3 are held in their plane only.
  writeFile("pressed.dat", staticDeck(sheet + "PLOAD2,1,1.,1\nSPC1,1,3,1,4,5,6\n"));
  ToolRun run = this->run({"pressed.dat"});
  EXPECT_NE(run.exitCode, 0) << run.standardError;
  EXPECT_NE(run.standardError.find("singular or a mechanism"), std::string::npos) << run.standardError;
  EXPECT_FALSE(exists("pressed.op2"));
}

// A bending-only PSHELL (MID1 blank) has no CalculiX counterpart: refused with its line.
TEST_F(ShellSolidTest, BendingOnlyShellIsRefusedWithItsLine) {
  writeFile("bending.dat", staticDeck("GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nGRID,3,,1.,1.,0.\n"
                                      "CTRIA3,1,1,1,2,3\nPSHELL,1,,.5,1\nMAT1,1,1.E+7,,.3\n",
                                      ""));
  ToolRun run = this->run({"bending.dat"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.standardError.find("bending.dat:15: PSHELL 1"), std::string::npos) << run.standardError;
  EXPECT_NE(run.standardError.find("MID1 is blank"), std::string::npos) << run.standardError;
}

// PLOAD on four grids of a block's top, ordered so that its right-hand normal points down,
// presses it like a PLOAD4; a PLOAD4 naming a CHEXA face by two grids that are not diagonal
// is refused with its line.
TEST_F(ShellSolidTest, PloadOnGridsPressesTheirFace) {
  REQUIRE_CCX();
  Lattice lattice({1, 1, 1}, [](double u, double v, double w) { return Point{u, v, w}; });
  SolidMesh mesh = solidMesh(lattice, SolidKind::Hexa8, 1);
  int g1 = lattice.grid({0, 0, 2}), g2 = lattice.grid({0, 2, 2}), g3 = lattice.grid({2, 2, 2}), g4 = lattice.grid({2, 0, 2});
  std::vector<int> all = lattice.usedGrids();
  std::string base = lattice.gridCards() + mesh.cards + "PSOLID,1,1\nMAT1,1,1.E+7,,.3\n" +
                     spc("3", gridsOn(lattice, all, 2, 0)) + spc("12", {lattice.grid({0, 0, 0})}) +
                     spc("2", {lattice.grid({2, 0, 0})});
  resultfiles::SubcaseResults results = solveDeck(
      "pload", base + card("PLOAD", {"1", "50.", std::to_string(g1), std::to_string(g2), std::to_string(g3), std::to_string(g4)}));
  ASSERT_EQ(results.hexas.size(), 1u);
  EXPECT_NEAR(results.hexas[0].points[0].normalZ, -50.0, 1e-3);

  writeFile("face.dat", staticDeck(base + card("PLOAD4", {"1", "1", "50.", "", "", "", std::to_string(g1), std::to_string(g2)})));
  ToolRun run = this->run({"face.dat"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_NE(run.standardError.find("PLOAD4 1: G1 and G34 are not diagonally opposite corners"), std::string::npos)
      << run.standardError;
  EXPECT_FALSE(exists("face.op2"));
}

}  // namespace
}  // namespace nastranccx::testing
