#pragma once
// The results of linear static subcases as the OUTPUT2 tables carry them: grid displacements
// (OUGV1: six components per grid, sort 1, real) and element stresses (OES1X1: CROD axial
// and torsional stress with margins; CQUAD4 and CTRIA3 centre values at the bottom and top
// fibre; CTETRA and CHEXA stress state with von Mises at the centre and at every corner
// grid). Reals are single precision, as in the files.

#include <array>
#include <string>
#include <vector>

#include "resultfiles/op2_file.h"
#include "resultfiles/stress_math.h"

namespace resultfiles {

// Nastran's element type codes of the stress entries supported here.
enum class Op2ElementType { Rod = 1, Quad4 = 33, Tetra = 39, Hexa = 67, Tria3 = 74 };

struct GridDisplacement {
  int grid = 0;
  std::array<float, 6> values{};  // T1, T2, T3, R1, R2, R3
};

struct RodStress {
  int element = 0;
  float axial = 0;
  float axialMargin = 0;    // 0 when no allowable stress is known
  float torsion = 0;
  float torsionMargin = 0;
};

struct PlateFibre {
  float distance = 0;  // from the reference plane: negative for the bottom fibre
  float normalX = 0;
  float normalY = 0;
  float shearXY = 0;
  float angle = 0;     // degrees, of the major principal stress
  float major = 0;
  float minor = 0;
  float vonMises = 0;
};
// A fibre's entry from its stresses in the element coordinate system.
PlateFibre plateFibre(double distance, double normalX, double normalY, double shearXY);

struct PlateStress {
  int element = 0;
  PlateFibre bottom;  // fibre Z1
  PlateFibre top;     // fibre Z2
};

struct SolidPoint {
  int grid = 0;  // 0 for the centre
  float normalX = 0, normalY = 0, normalZ = 0;
  float shearXY = 0, shearYZ = 0, shearZX = 0;
  std::array<float, 3> principal{};                  // A, B, C: largest first
  std::array<std::array<float, 3>, 3> directions{};  // direction cosines of A, B, C
  float pressure = 0;
  float vonMises = 0;
};
// A point's entry from its stress state (xx, yy, zz, xy, yz, zx).
SolidPoint solidPoint(int grid, const Tensor& stress);

struct SolidStress {
  int element = 0;
  std::vector<SolidPoint> points;  // the centre, then one per corner grid
};

// What one static subcase leaves, entities in ascending ID order.
struct SubcaseResults {
  int subcase = 1;
  int loadSet = 0;
  std::string title;
  std::string subtitle;
  std::string label;
  std::vector<GridDisplacement> displacements;
  std::vector<RodStress> rods;
  std::vector<PlateStress> quads;
  std::vector<PlateStress> trias;
  std::vector<SolidStress> tetras;
  std::vector<SolidStress> hexas;
};

// The tables OUGV1 (one subtable per subcase) and OES1X1 (one subtable per subcase and
// element type that has elements).
Op2File makeOp2File(const std::vector<SubcaseResults>& subcases, const Op2Date& date, const std::string& label);

// The static results of a file's OUGV1 and OES1X1 tables, in the order of their subcases.
// Subtables of other kinds (other approach, table or format codes, other element types) are
// passed over; a supported subtable whose data does not fit its layout throws FormatError
// with its byte offset.
std::vector<SubcaseResults> readStaticResults(const Op2File& file, const std::string& fileName);

// The same read from a whole file's bytes: the framing of the whole file is checked first
// (readOp2), then the entries are decoded where they lie in `bytes`, without a copy.
std::vector<SubcaseResults> readStaticResults(std::string_view bytes, const std::string& fileName);

// The tables readStaticResults uses.
bool isStaticResultsTable(std::string_view name);

}  // namespace resultfiles
