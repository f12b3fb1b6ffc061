#pragma once
// The layout of FEMAP neutral model files, shared by the reader (femapsim/neutral_model.h)
// and the writer the tests use: block IDs, the versions at which records change, the number
// of values in fixed arrays and the positions of material values.
//
// A block opens with a line "   -1" and a line with its ID and closes with "   -1". Records
// are lines of values separated by commas and blanks (a trailing comma is usual); a text is a
// whole line, "<NULL>" when empty; lists of records end with a record whose first value is -1.

namespace femapsim::neutral {

inline constexpr int kHeaderBlock = 100;         // title; version
inline constexpr int kPropertyBlock = 402;
inline constexpr int kNodeBlock = 403;
inline constexpr int kElementBlock = 404;
inline constexpr int kCoordinateBlock = 405;
inline constexpr int kFunctionBlock = 420;
inline constexpr int kConstraintBlock = 506;     // one constraint set with its constraints and equations
inline constexpr int kLoadBlock = 507;           // one load set with its body loads and loads
inline constexpr int kMaterialBlock = 601;
// Results blocks, which a model read passes over.
inline constexpr int kOutputSetBlock = 450;
inline constexpr int kOldVectorBlock = 451;
inline constexpr int kVectorBlock = 1051;
// The simulator's own block: entity lines of the model file grammar (kind, ID, members) for
// what FEMAP's blocks have no field for (analysis sets and cases, layups, passed-through deck
// cards, load definitions, combinations, and members such as a section's shape). FEMAP passes
// over blocks it does not know.
inline constexpr int kMemberBlock = 9000;

// Versions (block 100) from which records change.
inline constexpr double kNodeTypeVersion = 4.4;       // 403: node type; 404 record 7: four list flags
inline constexpr double kNodeListVersion = 4.5;       // 404: the node lists follow the element
inline constexpr double kGeometryVersion = 5.0;       // 404: geometry ID
inline constexpr double kFormulationVersion = 6.0;    // 404: formulation, contact segments; 402: outline;
                                                      // 507: more dynamics values
inline constexpr double kSpectrumVersion = 7.0;       // 507: spectrum interpolation
inline constexpr double kReferenceTempVersion = 8.0;  // 404: second formulation; 507: reference temperature
inline constexpr double kOutline2Version = 8.1;       // 402: second outline
inline constexpr double kWrittenVersion = 8.1;        // what the simulator writes

// Fixed arrays.
inline constexpr int kElementNodes = 20;
inline constexpr int kLaminaPerRecord = 8;           // 402: material IDs a record
inline constexpr int kValuesPerRecord = 5;           // 402: property values a record
inline constexpr int kMaterialBooleans = 10;
inline constexpr int kMaterialIntegers = 25;
inline constexpr int kMaterialValues = 200;
inline constexpr int kMaterialFunctions = 50;
inline constexpr int kMaterialTables = 70;
inline constexpr int kMaterialFormat = -601;

// Positions of material values (mval).
namespace mval {
inline constexpr int kE = 0;            // Ex, Ey, Ez
inline constexpr int kG = 3;            // Gx, Gy, Gz
inline constexpr int kNu = 6;           // Nuxy, Nuyz, Nuxz
inline constexpr int kGMatrix3D = 9;    // 21 values
inline constexpr int kGMatrix2D = 30;   // 6 values
inline constexpr int kAlpha = 36;       // xx, yy, zz, xy, yz, xz
inline constexpr int kConductivity = 42;  // Kxx … Kxz
inline constexpr int kCp = 48;
inline constexpr int kDensity = 49;
inline constexpr int kDamping = 50;
inline constexpr int kRefTemp = 51;
inline constexpr int kTensionLimit1 = 52;
inline constexpr int kTensionLimit2 = 53;
inline constexpr int kCompressionLimit1 = 54;
inline constexpr int kCompressionLimit2 = 55;
inline constexpr int kShearLimit = 56;
inline constexpr int kTsaiWu = 57;
}  // namespace mval

}  // namespace femapsim::neutral
