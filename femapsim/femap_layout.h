#pragma once
// FEMAP's codes and value positions as the simulated FEMAP keeps them, in one place for the
// Nastran deck reader and writer, the neutral file reader and the mass properties: element
// and property type codes, the positions in a property's value array (pval) for each type,
// material types and load types. femapsim/README.md lists them with the Nastran fields they
// hold.

#include <initializer_list>

namespace femapsim {

// Element and property type codes (an element and its property have the same type).
namespace element_type {
inline constexpr int kRod = 1;
inline constexpr int kBar = 2;
inline constexpr int kTube = 3;
inline constexpr int kLink = 4;
inline constexpr int kBeam = 5;
inline constexpr int kSpring = 6;     // spring/damper; a CBUSH
inline constexpr int kDofSpring = 7;  // CELAS1, CELAS2
inline constexpr int kCurvedBeam = 8;
inline constexpr int kGap = 9;
inline constexpr int kShear = 11;
inline constexpr int kShearParabolic = 12;
inline constexpr int kMembrane = 13;
inline constexpr int kMembraneParabolic = 14;
inline constexpr int kBending = 15;
inline constexpr int kBendingParabolic = 16;
inline constexpr int kPlate = 17;
inline constexpr int kPlateParabolic = 18;
inline constexpr int kPlaneStrain = 19;
inline constexpr int kPlaneStrainParabolic = 20;
inline constexpr int kLaminate = 21;
inline constexpr int kLaminateParabolic = 22;
inline constexpr int kSolid = 25;
inline constexpr int kSolidParabolic = 26;
inline constexpr int kMass = 27;
inline constexpr int kMassMatrix = 28;
inline constexpr int kRigid = 29;
inline constexpr int kStiffnessMatrix = 30;
}  // namespace element_type

// Element shapes (member `topology`).
enum Topology : int {
  kLine2 = 0,
  kTria3 = 2,
  kTria6 = 3,
  kQuad4 = 4,
  kQuad8 = 5,
  kTetra4 = 6,
  kWedge6 = 7,
  kBrick8 = 8,
  kPoint = 9,
  kTetra10 = 10,
  kWedge15 = 11,
  kBrick20 = 12,
  kRigidList = 13,  // a node and a list of nodes
};

// Element formulation (member `formulation`) where one FEMAP type stands for several cards.
namespace formulation {
inline constexpr int kStandard = 0;
inline constexpr int kDrilling = 1;   // plates: CQUADR, CTRIAR
inline constexpr int kRbe2 = 0;       // rigid elements
inline constexpr int kRbe3 = 1;
inline constexpr int kRbar = 2;
}  // namespace formulation

// A property made for one element's own values (CONROD, CELAS2, CONM2) names it in this
// member; the deck writer writes such a property inside its element's card.
inline constexpr const char* kInlineOf = "inlineOf";

// Positions in a property's value array.
namespace pval {
// Rod, bar, beam (end A); tube.
inline constexpr int kArea = 0;
inline constexpr int kI1 = 1;
inline constexpr int kI2 = 2;
inline constexpr int kI12 = 3;
inline constexpr int kJ = 4;
inline constexpr int kK1 = 5;           // bar, beam: shear area factors
inline constexpr int kK2 = 6;
inline constexpr int kTorsionStress = 5;  // rod: C
inline constexpr int kNsm = 7;          // mass per length (lines) or per area (plates)
inline constexpr int kInitialTension = 8;  // rod
inline constexpr int kStressPoints = 8;  // bar, beam end A: C1, C2, D1, D2, E1, E2, F1, F2 (8 values)
inline constexpr int kS1 = 16;           // beam: shear relief coefficients
inline constexpr int kS2 = 17;
inline constexpr int kNsiA = 18;         // beam: non-structural mass moment of inertia
inline constexpr int kCwA = 19;          // beam: warping coefficient
inline constexpr int kEndB = 20;         // beam: end B's area … stress points at kEndB + the end A position
inline constexpr int kNsiB = 38;
inline constexpr int kCwB = 39;
// Plates, shear panels.
inline constexpr int kThickness = 0;     // corner 1 (the thickness); 1–3 the other corners
inline constexpr int kBendingRatio = 4;  // 12I/T³
inline constexpr int kShearRatio = 5;    // TS/T
inline constexpr int kFibreTop = 8;      // Z2
inline constexpr int kFibreBottom = 9;   // Z1
inline constexpr int kShearF1 = 1;       // PSHEAR effectiveness factors
inline constexpr int kShearF2 = 2;
// Laminates.
inline constexpr int kLaminateZ0 = 0;
inline constexpr int kLaminateNsm = 1;
inline constexpr int kLaminateSb = 2;
inline constexpr int kLaminateTref = 3;
inline constexpr int kLaminateGe = 4;
// Spring/damper as a CBUSH: K1–K6, B1–B6, GE1–GE6, then SA, ST, EA, ET.
inline constexpr int kBushStiffness = 0;
inline constexpr int kBushDamping = 6;
inline constexpr int kBushStructuralDamping = 12;
inline constexpr int kBushRecovery = 18;
// DOF spring (PELAS).
inline constexpr int kSpringStiffness = 0;
inline constexpr int kSpringDamping = 1;
inline constexpr int kSpringStress = 2;
// Mass (CONM2): I11, I21, I22, I31, I32, I33 at 1–6, the mass, the offset X1–X3.
inline constexpr int kMassInertia = 1;
inline constexpr int kMass = 7;
inline constexpr int kMassOffset = 8;
}  // namespace pval

// Positions in a property's flag array.
namespace pflag {
inline constexpr int kFailureTheory = 0;  // laminates: 0 none, 1 HILL, 2 HOFF, 3 TSAI, 4 STRN
inline constexpr int kLaminateOption = 1;  // 0 none, 1 SYM, 2 MEM, 3 BEND, 4 SMEAR, 5 SMCORE
inline constexpr int kZ0Given = 2;        // laminates: Z0 was given (else −half the thickness)
}  // namespace pflag

// Material types.
namespace material_type {
inline constexpr int kIsotropic = 0;         // MAT1
inline constexpr int kOrthotropic2D = 1;     // MAT8
inline constexpr int kOrthotropic3D = 2;
inline constexpr int kAnisotropic2D = 3;     // MAT2
inline constexpr int kAnisotropic3D = 4;     // MAT9
}  // namespace material_type

// Load types of mesh loads (member `type`).
namespace load_type {
inline constexpr int kForce = 1;
inline constexpr int kMoment = 2;
inline constexpr int kDisplacement = 3;
inline constexpr int kRotation = 4;
inline constexpr int kPressure = 13;
inline constexpr int kDistributed = 41;  // along a bar or beam (PLOAD1)

// The groups of FEMAP's load types.
constexpr bool inGroup(int type, std::initializer_list<int> group) {
  for (int member : group) {
    if (member == type) return true;
  }
  return false;
}
constexpr bool isForce(int type) { return inGroup(type, {1, 81, 121, 122, 123, 161, 162, 163}); }
constexpr bool isMoment(int type) { return inGroup(type, {2, 82, 124, 125, 126, 164, 165, 166}); }
constexpr bool isPressure(int type) { return inGroup(type, {13, 14, 42, 92, 93, 101, 138, 144, 145, 178, 184, 185}); }
// Enforced displacement, rotation, velocity or acceleration: loads on chosen DOFs of a node.
constexpr bool isEnforcedMotion(int type) { return type >= 3 && type <= 8; }
}  // namespace load_type

}  // namespace femapsim
