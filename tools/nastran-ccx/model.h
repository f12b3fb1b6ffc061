#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "beam_sections.h"
#include "nastran/deck_error.h"

namespace nastranccx {

using Vec3 = std::array<double, 3>;

// The analysis model as the deck states it, in Nastran's terms and IDs. Every
// reference in it has been checked: each element's grids and property exist,
// each property's material exists, each load's grid or element exists. Each
// entity keeps where its card stands (a file of `Model::files` and a line).

// The directions of a grid's components 1-3 (and 4-6), in basic components.
using Frame = std::array<Vec3, 3>;

struct Grid {
  int id = 0;
  Vec3 position{};  // in the basic system, whatever system CP gives it in
  std::vector<int> permanentConstraints;  // DOF numbers 1-6 from the GRID card's PS field
  // CD other than basic: the directions its constraints, enforced values, loads and results are
  // given in (for a cylindrical or spherical system, that system's directions at the grid).
  std::optional<Frame> frame;
  nastran::Location at;
};

// A basic vector in a grid's components, and back.
Vec3 toGridComponents(const Grid& grid, const Vec3& basic);
Vec3 toBasicComponents(const Grid& grid, const Vec3& components);

enum class ElementType {
  Rod, Bar, Beam, Quad4, Tria3, Tetra4, Hexa8,
  Quad8, Tria6, QuadR, TriaR, Tetra10, Penta6, Penta15, Hexa20, Shear,
};
enum class PropertyType { Rod, Bar, Shell, Solid, Shear };

struct Element {
  int id = 0;
  ElementType type = ElementType::Rod;
  int propertyId = 0;
  std::vector<int> grids;
  // Bars: the orientation vector, or the grid it points to from GA.
  Vec3 orientation{};  // basic components
  std::optional<int> orientationGrid;
  nastran::Location at;
  // Bars and beams: each end's offset from its grid (basic components) and the element DOFs
  // (1-6, element axes) its pin flags release there.
  std::array<Vec3, 2> offsets{};
  std::array<std::vector<int>, 2> pins;
  bool hasEnd(int end) const { return offsets[end] != Vec3{0, 0, 0} || !pins[end].empty(); }
  // Shells: the material axes, THETA degrees from the G1 -> G2 edge, or the basic X axis
  // projected on the element when MCID is 0.
  double materialAngle = 0;
  bool materialAxisFromBasic = false;
  // CQUAD4, CTRIA3, CQUADR, CTRIAR: T1-T4 as the card gives them (blank: the property's T), as
  // thicknesses, or with TFLAG 1 as fractions of the property's T.
  std::array<std::optional<double>, 4> cornerThickness{};
  bool relativeThickness = false;
};

struct Property {
  int id = 0;
  PropertyType type = PropertyType::Rod;
  int materialId = 0;
  double area = 0;       // rods and bars
  double inertia1 = 0;   // bars: plane 1 (bending about the element z axis)
  double inertia2 = 0;   // bars: plane 2
  double thickness = 0;  // shells and shear panels
  nastran::Location at;
  BeamSection section;   // bars and beams: the whole section (area, inertia1, inertia2 repeat it)
  double nonstructuralMass = 0;  // rods, bars and beams: per length; shear panels: per area
  std::string cardName;  // the card that gave it when not the type's own (PBARL, PBEAM, ...; CONROD)
  bool membraneOnly = false;  // shells: PSHELL without a bending material (MID2 blank)
  std::array<double, 2> effectiveness{};  // shear panels: PSHEAR's F1 and F2
  // PCOMP and PCOMPG: the plies from the bottom (materialId is the first ply's, thickness the
  // laminate's).
  struct Ply {
    int id = 0;  // 1, 2, ... from the bottom; PCOMPG: the global ply ID
    int materialId = 0;
    double thickness = 0;
    double angle = 0;  // degrees from the element's material X axis
  };
  std::vector<Ply> plies;
  bool composite() const { return !plies.empty(); }
};

struct Material {
  int id = 0;
  double youngsModulus = 0;
  double poissonRatio = 0;
  std::optional<double> density;
  std::optional<double> expansion;  // thermal expansion coefficient
  double referenceTemperature = 0;
  nastran::Location at;
  // MAT8: an orthotropic lamina in its material axes (youngsModulus is E1, poissonRatio NU12).
  struct Lamina {
    double e2 = 0, g12 = 0;
    std::optional<double> g1z, g2z;
    double expansion2 = 0;  // A2 (expansion holds A1)
  };
  std::optional<Lamina> lamina;
  // MAT9: the anisotropic stiffness G11 ... G16, G22 ... G66 row by row (strains xx, yy, zz,
  // xy, yz, zx, shears as engineering strains) in the basic system; youngsModulus is the
  // largest of G11, G22, G33, a measure of its stiffness.
  std::optional<std::array<double, 21>> anisotropic;
};

struct NodalLoad {
  int setId = 0;
  int grid = 0;
  bool isMoment = false;
  Vec3 value{};  // magnitude times direction
  nastran::Location at;
};

// PLOAD (a face through three or four grids), PLOAD2 (a shell) and PLOAD4 (a shell, or the
// face of a solid named by G1 and G34). Positive pressure pushes along the shell's or the
// face's normal (G1-G2-G3 right-hand rule; into a solid), or along `direction` when given.
enum class PressureCard { Pload, Pload2, Pload4 };

struct PressureLoad {
  int setId = 0;
  PressureCard card = PressureCard::Pload4;
  int element = 0;               // 0 for PLOAD
  std::vector<int> faceGrids;    // PLOAD: the face's grids in order
  std::array<double, 4> cornerPressures{};  // at the face's corners, from G1 (all equal when uniform)
  int g1 = 0, g34 = 0;           // PLOAD4 on a solid: the face
  Vec3 direction{};              // zero: the normal
  nastran::Location at;
};

// PLOAD1 on a bar or beam: a force per length along one direction, varying linearly
// from `valueA` at `from` to `valueB` at `to` (distances from end A), or a force
// `valueA` at `from` when `to` is not given.
struct LineLoad {
  int setId = 0;
  int element = 0;
  bool elementAxes = false;  // direction: element axis `axis`, else basic axis `axis`
  int axis = 0;
  double from = 0;
  std::optional<double> to;
  double valueA = 0, valueB = 0;
  nastran::Location at;
};

// CONM2: a point mass at a grid, its centre of gravity `offset` from it (basic system).
struct PointMass {
  int id = 0;
  int grid = 0;
  double mass = 0;
  Vec3 offset{};
  nastran::Location at;
};

// CELAS1/CELAS2: a spring between component c1 of g1 and c2 of g2 (g2 0: to ground).
struct Spring {
  int id = 0;
  bool onCard = false;  // CELAS2 (stiffness on the card), else CELAS1 with a PELAS
  std::array<int, 2> grids{};
  std::array<int, 2> components{};
  double stiffness = 0;
  double stressCoefficient = 0;  // S
  nastran::Location at;
  int bushComponent = 0;  // a CBUSH's spring along basic axis 1-3 (its ID the CBUSH's), else 0
};

// RBE2: the dependent grids follow the independent one rigidly in the DOFs given.
struct RigidLink {
  int id = 0;
  int independent = 0;
  std::vector<int> dependents;
  std::vector<int> dofs;  // 1-6
  nastran::Location at;
};

// RBE3: the reference grid moves as the weighted least-squares rigid motion of the
// independent grids' translations, in the DOFs given.
struct Interpolation {
  int id = 0;
  int reference = 0;
  std::vector<int> dofs;                    // 1-6
  std::vector<std::pair<int, double>> points;  // (grid, weight)
  nastran::Location at;
};

// MPC: sum of A_i u(G_i, C_i) = 0, the first term the dependent one.
struct MpcEquation {
  int setId = 0;
  std::vector<std::tuple<int, int, double>> terms;  // (grid, DOF 1-6, coefficient)
  nastran::Location at;
};

// GRAV: an acceleration (basic system) on every mass of the model.
struct Gravity {
  int setId = 0;
  Vec3 acceleration{};
  nastran::Location at;
};

struct GridTemperature {
  int setId = 0;
  int grid = 0;
  double temperature = 0;
  nastran::Location at;
};

// SPC1 and SPC (with an enforced value, else 0); SPCD sets (selected as loads) give the
// value of a DOF that an SPC set constrains.
struct ConstraintSet {
  int setId = 0;
  std::vector<int> dofs;
  std::vector<int> grids;
  double value = 0;  // SPC's D: the enforced displacement
  nastran::Location at;
};

struct EnforcedDisplacement {
  int setId = 0;  // a load set ID
  int grid = 0;
  std::vector<int> dofs;
  double value = 0;
  nastran::Location at;
};

// What the case control selects for one subcase: each subcase is solved on its own, from the
// undeformed model, with its own loads, constraints and temperatures.
struct SubcaseSelection {
  int id = 1;
  std::optional<int> loadSet;         // LOAD: a load set or a LOAD combination
  std::optional<int> constraintSet;   // SPC: an SPC/SPC1 set or an SPCADD
  std::optional<int> mpcSet;          // MPC
  std::optional<int> temperatureSet;  // TEMPERATURE(LOAD) or (BOTH): TEMP and TEMPD
  std::string title, subtitle, label;
  nastran::Location at;
  // STRESS(CORNER) (also BILIN, SGAGE, CUBIC): CQUAD4 stresses at the corners too.
  bool quad4Corners = false;
};

// LOAD: the overall scale S times the sum of each Si times load set Li.
struct LoadCombination {
  int setId = 0;
  double scale = 1;
  std::vector<std::pair<double, int>> terms;  // (Si, Li)
  nastran::Location at;
};

struct Model {
  std::string fileName;            // the deck as the command line names it
  std::vector<std::string> files;  // the deck and the files it includes, as messages name them
  std::vector<SubcaseSelection> subcases;  // in the deck's order, IDs increasing
  // TEMPERATURE(INITIAL): the temperatures the model is free of strain at, for every subcase;
  // without it each grid starts at its materials' TREF.
  std::optional<int> initialTemperatureSet;
  // PARAM,WTMASS: the factor from the deck's mass units (RHO, CONM2) to the units of force, by
  // which a gravity load made from mass must be multiplied.
  double massScale = 1;
  std::map<int, Grid> grids;
  std::map<int, Element> elements;
  std::map<int, Property> properties;
  std::map<int, Material> materials;
  std::vector<NodalLoad> nodalLoads;
  std::vector<PressureLoad> pressures;
  std::vector<LineLoad> lineLoads;
  std::vector<PointMass> masses;
  std::vector<Spring> springs;
  std::vector<RigidLink> rigidLinks;
  std::vector<Interpolation> interpolations;
  std::vector<MpcEquation> mpcEquations;
  std::map<int, std::vector<int>> mpcUnions;  // MPCADD: set -> the sets it joins
  std::vector<Gravity> gravities;
  std::vector<GridTemperature> temperatures;
  std::map<int, double> defaultTemperatures;  // TEMPD, by set
  std::vector<LoadCombination> loadCombinations;
  std::vector<ConstraintSet> constraints;
  std::map<int, std::vector<int>> constraintUnions;  // SPCADD: set -> the sets it joins
  std::vector<EnforcedDisplacement> enforced;        // SPCD
};

const char* cardName(ElementType type);
const char* cardName(PropertyType type);
PropertyType propertyTypeFor(ElementType type);

}  // namespace nastranccx
