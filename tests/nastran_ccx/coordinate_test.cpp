// Grids placed in cylindrical and spherical systems (CP) with their constraints, loads and
// results in those systems (CD), against hand calculations; and singular models, which fail
// naming the free grids and directions.
#include <cmath>
#include <numbers>

#include "decks.h"
#include "resultfiles/op2_tables.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

using resultfiles::SubcaseResults;

class CoordinateTest : public NastranCcxTest {
 protected:
  SubcaseResults solveOne(const std::string& name, const std::string& bulk) {
    writeFile(name, staticDeck(bulk));
    ToolRun run = this->run({name});
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    if (run.exitCode != 0) return {};
    std::string op2 = std::filesystem::path(name).replace_extension(".op2").string();
    std::vector<SubcaseResults> subcases = resultfiles::readStaticResults(readFile(op2), op2);
    EXPECT_EQ(subcases.size(), 1u);
    return subcases.empty() ? SubcaseResults{} : subcases.front();
  }

  // Runs a deck that must fail: exit 2, one line, no results file. Returns the line.
  std::string expectFailure(const std::string& name, const std::string& bulk) {
    writeFile(name, staticDeck(bulk));
    ToolRun run = this->run({name});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(exists(std::filesystem::path(name).replace_extension(".op2").string()));
    EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1) << run.standardError;
    return run.standardError;
  }
};

const resultfiles::GridValues& rowOf(const std::vector<resultfiles::GridValues>& rows, int grid) {
  static const resultfiles::GridValues kMissing{};
  for (const resultfiles::GridValues& row : rows)
    if (row.grid == grid) return row;
  ADD_FAILURE() << "no row for grid " << grid;
  return kMissing;
}

// A wheel: a ring of 12 rods of radius 100 and 12 spokes to hub grids held at the origin of a
// cylindrical system that lies off the basic origin and has theta = 0 along basic Y. Every ring
// grid is pushed out by 1000 along its own radius (FORCE in the cylindrical system) and held
// against turning at grid 1 only. A radial growth u strains spokes and ring alike by u / R, and
// the grid balances F = E A u / R (1 + 2 sin 15 deg): the spoke pulls E A u / R, the two ring
// rods 2 E A u / R sin 15 deg. (A ring without spokes would be a mechanism, alternating in
// and out, which no load here would show.) Each spoke has a hub grid of its own, and the grids
// start at theta = 7: CalculiX refuses this truss with a rod along basic Y or a shared hub
// ("normal in direction 1 has zero size").
TEST_F(CoordinateTest, WheelInACylindricalSystemGrowsRadially) {
  REQUIRE_CCX();
  std::string bulk = "CORD2C,5,,10.,20.,0.,10.,20.,1.\n,10.,21.,0.\n"
                     "PROD,1,1,2.\nMAT1,1,1.E+7,,.3\nSPC1,1,3,1,THRU,12\nSPC1,1,2,1\n";
  for (int k = 0; k < 12; ++k) {
    std::string grid = std::to_string(k + 1);
    bulk += "GRID," + grid + ",5,100.," + std::to_string(30 * k + 7) + ".,0.,5\n";
    bulk += "CROD," + grid + ",1," + grid + "," + std::to_string((k + 1) % 12 + 1) + "\n";
    bulk += "GRID," + std::to_string(k + 101) + ",5,0.,0.,0.,,123456\n";
    bulk += "CROD," + std::to_string(k + 101) + ",1," + std::to_string(k + 101) + "," + grid + "\n";
    bulk += "FORCE,1," + grid + ",5,1000.,1.,0.,0.\n";
  }
  SubcaseResults results = solveOne("wheel.dat", bulk);
  const double growth = 1000 * 100 / (1e7 * 2 * (1 + 2 * std::sin(std::numbers::pi / 12)));
  ASSERT_EQ(results.displacements.size(), 24u);
  for (const auto& row : results.displacements) {
    if (row.grid > 100) continue;
    EXPECT_NEAR(row.values[0], growth, 1e-5 * growth) << "grid " << row.grid;
    EXPECT_NEAR(row.values[1], 0.0, 1e-9) << "grid " << row.grid;
    EXPECT_EQ(row.values[2], 0.0f) << "grid " << row.grid;
  }
  ASSERT_EQ(results.rods.size(), 24u);
  for (const auto& rod : results.rods) EXPECT_NEAR(rod.axial, 1e7 * growth / 100, 1e-3) << "rod " << rod.element;
  // Nothing turns the wheel: grid 1's theta constraint takes (almost) nothing.
  EXPECT_NEAR(rowOf(results.spcForces, 1).values[1], 0.0, 1e-3);
}

// A thick-walled cylinder (a = 10, b = 20) under internal pressure 1000 in plane strain: a 5
// degree sector of ten CHEXA across the wall, its grids placed and held in a cylindrical system
// (theta by symmetry, z by plane strain), the pressure as the inner face's corner shares along
// the face's normal. Lame: u(r) = (1 + nu) p a^2 / (E (b^2 - a^2)) ((1 - 2 nu) r + b^2 / r), read
// as T1 in the cylindrical system.
TEST_F(CoordinateTest, ThickCylinderMovesAsLameSaysInItsCylindricalSystem) {
  REQUIRE_CCX();
  const double a = 10, b = 20, pressure = 1000, modulus = 1e7, nu = 0.3, sector = 5;
  const int across = 10;
  auto grid = [&](int i, int j, int k) { return 1 + i + (across + 1) * (j + 2 * k); };
  std::string bulk = "CORD2C,9,,0.,0.,0.,0.,0.,1.\n,1.,0.,0.\nPSOLID,1,1\nMAT1,1,1.E+7,,.3\n";
  for (int i = 0; i <= across; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k)
        bulk += "GRID," + std::to_string(grid(i, j, k)) + ",9," + std::to_string(a + (b - a) * i / across) + "," +
                std::to_string(sector * j) + "," + std::to_string(k) + ".,9\n";
  for (int i = 0; i < across; ++i) {
    int g[8] = {grid(i, 0, 0), grid(i + 1, 0, 0), grid(i + 1, 1, 0), grid(i, 1, 0),
                grid(i, 0, 1), grid(i + 1, 0, 1), grid(i + 1, 1, 1), grid(i, 1, 1)};
    bulk += "CHEXA," + std::to_string(i + 1) + ",1";
    for (int corner = 0; corner < 6; ++corner) bulk += "," + std::to_string(g[corner]);
    bulk += "\n," + std::to_string(g[6]) + "," + std::to_string(g[7]) + "\n";
  }
  bulk += "SPC1,1,23,1,THRU," + std::to_string(grid(across, 1, 1)) + "\n";
  const double half = sector / 2 * std::numbers::pi / 180;
  const double share = pressure * 2 * a * std::sin(half) / 4;  // a quarter of the flat inner face
  for (int j = 0; j < 2; ++j)
    for (int k = 0; k < 2; ++k)
      bulk += "FORCE,1," + std::to_string(grid(0, j, k)) + ",9," + std::to_string(share) + "," +
              std::to_string(std::cos(half)) + "," + std::to_string(j == 0 ? std::sin(half) : -std::sin(half)) +
              ",0.\n";
  SubcaseResults results = solveOne("cylinder.dat", bulk);
  auto lame = [&](double r) {
    return (1 + nu) * pressure * a * a / (modulus * (b * b - a * a)) * ((1 - 2 * nu) * r + b * b / r);
  };
  ASSERT_EQ(results.displacements.size(), static_cast<std::size_t>(4 * (across + 1)));
  for (int i = 0; i <= across; ++i) {
    const auto& row = rowOf(results.displacements, grid(i, 1, 1));
    double r = a + (b - a) * i / across;
    EXPECT_NEAR(row.values[0], lame(r), 0.01 * lame(r)) << "r = " << r;
    EXPECT_EQ(row.values[1], 0.0f);
    EXPECT_EQ(row.values[2], 0.0f);
  }
}

// A rod from the basic origin to the point r = 100, theta = 60, phi = 30 of a spherical system,
// held there in theta and phi (its CD directions) and pulled along its radius by 1000 plus 10
// along theta: it stretches F L / (E A) = 0.005 and the theta constraint takes the 10.
TEST_F(CoordinateTest, GridInASphericalSystemMovesAndReactsInItsDirections) {
  REQUIRE_CCX();
  const double theta = std::numbers::pi / 3, phi = std::numbers::pi / 6;
  auto text = [](double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7f", value);
    return std::string(buffer);
  };
  std::string radial = text(std::sin(theta) * std::cos(phi)) + "," + text(std::sin(theta) * std::sin(phi)) + "," +
                       text(std::cos(theta));
  std::string along = text(std::cos(theta) * std::cos(phi)) + "," + text(std::cos(theta) * std::sin(phi)) + "," +
                      text(-std::sin(theta));
  std::string bulk = "CORD2S,3,,0.,0.,0.,0.,0.,1.\n,1.,0.,0.\n"
                     "GRID,1,,0.,0.,0.\nGRID,2,3,100.,60.,30.,3\nCROD,1,1,1,2\nPROD,1,1,2.\nMAT1,1,1.E+7,,.3\n"
                     "SPC1,1,123,1\nSPC1,1,23,2\n"
                     "FORCE,1,2,0,1000.," + radial + "\nFORCE,1,2,0,10.," + along + "\n";
  SubcaseResults results = solveOne("sphere.dat", bulk);
  const auto& moved = rowOf(results.displacements, 2);
  EXPECT_NEAR(moved.values[0], 0.005, 1e-8);
  EXPECT_EQ(moved.values[1], 0.0f);
  EXPECT_EQ(moved.values[2], 0.0f);
  ASSERT_EQ(results.rods.size(), 1u);
  EXPECT_NEAR(results.rods.front().axial, 500.0, 1e-3);
  const auto& held = rowOf(results.spcForces, 2);
  EXPECT_NEAR(held.values[0], 0.0, 1e-6);
  EXPECT_NEAR(held.values[1], -10.0, 1e-4);
  EXPECT_NEAR(held.values[2], 0.0, 1e-4);
}

std::string tenBarWith(const std::string& replaced, const std::string& replacement) {
  std::string bulk = kTenBarBulk;
  bulk.replace(bulk.find(replaced), replaced.size(), replacement);
  return bulk;
}

// The ten-bar truss with grid 1 free across its plane: a load of 0.5 there, far below the
// balance check's tolerance against the 100,000 loads, moved it 2e5 and passed.
TEST_F(CoordinateTest, GentlyLoadedMechanismFailsNamingTheFreeDirection) {
  REQUIRE_CCX();
  std::string message = expectFailure(
      "mechanism.dat", tenBarWith("SPC1,1,3,1,2,3,4", "SPC1,1,3,2,3,4\nFORCE,1,1,0,.5,0.,0.,1."));
  EXPECT_NE(message.find("mechanism.dat: subcase 1: the stiffness is singular: grid 1 T3 free"), std::string::npos)
      << message;
}

// Two rods in line: nothing holds their middle grid across the line.
TEST_F(CoordinateTest, ZeroStiffnessDirectionFails) {
  REQUIRE_CCX();
  std::string bulk = "GRID,1,,0.,0.,0.\nGRID,2,,100.,0.,0.\nGRID,3,,200.,0.,0.\nCROD,1,1,1,2\nCROD,2,1,2,3\n"
                     "PROD,1,1,2.\nMAT1,1,1.E+7,,.3\nSPC1,1,123,1,3\nSPC1,1,3,2\nFORCE,1,2,0,1000.,1.,.001,0.\n";
  std::string message = expectFailure("line.dat", bulk);
  EXPECT_NE(message.find("grid 2 T2 free"), std::string::npos) << message;
}

// A bay of the truss without its diagonals shears freely: a global mechanism.
TEST_F(CoordinateTest, MechanismOfTheWholeTrussFails) {
  REQUIRE_CCX();
  std::string message = expectFailure(
      "bay.dat", tenBarWith("CROD,9,9,3,2\nCROD,10,10,4,1\n", ""));
  EXPECT_NE(message.find("singular"), std::string::npos) << message;
}

// Two cubes of CHEXA joined at one corner grid: the upper one turns freely about it. A push
// of 0.01 on it beside 100,000 on the lower cube balances to round-off, but moves it by
// millions where the cubes strain by about 1e-2.
TEST_F(CoordinateTest, MechanismOfSolidsJoinedAtAGridFails) {
  REQUIRE_CCX();
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nGRID,3,,1.,1.,0.\nGRID,4,,0.,1.,0.\n"
      "GRID,5,,0.,0.,1.\nGRID,6,,1.,0.,1.\nGRID,7,,1.,1.,1.\nGRID,8,,0.,1.,1.\n"
      "GRID,9,,2.,1.,1.\nGRID,10,,2.,2.,1.\nGRID,11,,1.,2.,1.\nGRID,12,,1.,1.,2.\n"
      "GRID,13,,2.,1.,2.\nGRID,14,,2.,2.,2.\nGRID,15,,1.,2.,2.\n"
      "CHEXA,1,1,1,2,3,4,5,6\n,7,8\nCHEXA,2,1,7,9,10,11,12,13\n,14,15\n"
      "PSOLID,1,1\nMAT1,1,1.E+7,,.3\n"
      "FORCE,1,6,0,100000.,0.,0.,1.\nFORCE,1,14,0,.01,1.,0.,0.\nSPC1,1,123,1,2,3,4\n";
  std::string message = expectFailure("hinge.dat", bulk);
  EXPECT_NE(message.find("hinge.dat: subcase 1: the stiffness is singular (a mechanism): grid "), std::string::npos)
      << message;
}

// A plane truss needs no constraints across its plane: those directions are held, as
// Nastran's AUTOSPC holds them, and the answer is the constrained truss's.
TEST_F(CoordinateTest, UnloadedDirectionsThatNothingStiffensAreHeld) {
  REQUIRE_CCX();
  SubcaseResults held = solveOne("held.dat", kTenBarBulk);
  SubcaseResults free = solveOne("free.dat", tenBarWith("SPC1,1,3,1,2,3,4\n", ""));
  ASSERT_EQ(free.displacements.size(), 6u);
  for (std::size_t row = 0; row < 6; ++row)
    for (int axis = 0; axis < 3; ++axis)
      EXPECT_NEAR(free.displacements[row].values[axis], held.displacements[row].values[axis], 1e-5)
          << "grid " << held.displacements[row].grid;
  EXPECT_NEAR(rowOf(free.displacements, 2).values[1], -39.4, 0.05);
}

}  // namespace
}  // namespace nastranccx::testing
