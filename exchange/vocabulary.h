#pragma once
// The words that the variable rows and the exchange files share: the entity type words of the
// input rows, the output kinds and mass-property words of the output rows, the solvers, and
// the names of the exchange files. The pane writes them, Modprep and Respull read them, and
// nothing else spells them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// ---- input rows: the entity type word ----

// Entity rows: "fe" + the word creates FEMAP's entity object of that kind.
inline constexpr std::string_view kNodeWord = "Node";
inline constexpr std::string_view kElementWord = "Elem";
inline constexpr std::string_view kPropertyWord = "Prop";
inline constexpr std::string_view kMaterialWord = "Matl";
// Function rows: the points travel in the functions file.
inline constexpr std::string_view kFunctionWord = "Function";
// Load-definition rows, one word per kind of load; the word is also the load object's kind.
inline constexpr std::string_view kLoadMeshWord = "LoadMesh";
inline constexpr std::string_view kLoadGeomWord = "LoadGeom";
inline constexpr std::string_view kLoadETempWord = "LoadETemp";
inline constexpr std::string_view kLoadNTempWord = "LoadNTemp";

// One of the four load kinds (compared exactly).
bool isLoadKind(std::string_view entityType);

// Whether "fe" + `entityType` names one of FEMAP's entity objects (without regard to letter
// case, as FEMAP finds members). A record's word is called on FEMAP by name, so any other word
// (a file or application command such as "FileClose") must never reach it.
bool isEntityKind(std::string_view entityType);

// ---- output rows: the output kind ----

inline constexpr std::string_view kOutputKind = "Output";  // a result at a node or element
inline constexpr std::string_view kMaxKind = "maxval";     // a vector's largest value
inline constexpr std::string_view kMinKind = "minval";     // a vector's smallest value
inline constexpr std::string_view kMassPropertiesKind = "MassProperties";

// ---- mass properties ----

// The mass properties of the whole mesh, in the order FEMAP measures them.
struct MassProperties {
  // Length, area, volume, structural mass, non-structural mass, total mass.
  std::array<double, 6> scalars{};
  // Structural, non-structural and total centre of gravity; inertia about the origin and about
  // the centre of gravity (xx, yy, zz, xy, yz, zx).
  std::array<std::vector<double>, 5> arrays;
};

// The words that select the quantities, in the same order.
inline constexpr std::string_view kLengthWord = "Length";
inline constexpr std::string_view kAreaWord = "Area";
inline constexpr std::string_view kVolumeWord = "Vol";
inline constexpr std::string_view kStructuralMassWord = "MassStructural";
inline constexpr std::string_view kNonStructuralMassWord = "MassNonStructural";
inline constexpr std::string_view kTotalMassWord = "MassTotal";
inline constexpr std::string_view kStructuralCGWord = "StructuralCG";
inline constexpr std::string_view kNonStructuralCGWord = "NonStructuralCG";
inline constexpr std::string_view kTotalCGWord = "TotalCG";
inline constexpr std::string_view kInertiaWord = "Inertia";
inline constexpr std::string_view kInertiaCGWord = "InertiaCG";
inline constexpr std::array<std::string_view, 6> kMassScalarWords = {
    kLengthWord,         kAreaWord,           kVolumeWord, kStructuralMassWord,
    kNonStructuralMassWord, kTotalMassWord};
inline constexpr std::array<std::string_view, 5> kMassArrayWords = {
    kStructuralCGWord, kNonStructuralCGWord, kTotalCGWord, kInertiaWord, kInertiaCGWord};

// The quantity a mass-property word selects (compared exactly), `component` indexing the
// arrays and unused for the scalars; nullopt for a word that is none of them. A component
// outside its array throws support::RuntimeError.
std::optional<double> massQuantity(const MassProperties& mass, std::string_view word,
                                   std::int64_t component);

// ---- solvers and files ----

inline constexpr std::string_view kNENastran = "NENastran";
inline constexpr std::string_view kNXNastran = "NXNastran";

inline constexpr std::string_view kModprepFile = "Modprep.txt";
inline constexpr std::string_view kInputValuesFile = "InputValues.txt";
inline constexpr std::string_view kInputTemplateFile = "InputValues.txt.template";
inline constexpr std::string_view kFunctionsFile = "FunctionsInputvalues.txt";
inline constexpr std::string_view kRespullFile = "Respull.txt";
inline constexpr std::string_view kOutputValuesFile = "OutputValues.txt";
inline constexpr std::string_view kOutputTemplateFile = "OutputValues.txt.template";

// The saved selection of the model with base name `base`: base + "Control.txt".
std::string savedSelectionFileName(std::string_view base);

}  // namespace exchange
