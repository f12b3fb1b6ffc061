#pragma once
// The entries of the static results tables, one struct per kind, and for each element type
// its layout in the data record: the words of one entry, with named offsets, read and
// written in one place. Reals are held in single precision, as FEMAP holds results: the
// reals of 4-byte words exactly, the doubles of 8-byte words rounded to the nearest single
// (FEMAP's output vectors take each as the solver printed it). Every entry's first word is
// its element (or grid) ID times 10 plus the device code.

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "resultfiles/op2_file.h"
#include "resultfiles/stress_math.h"

namespace resultfiles {

// Nastran's element type codes (IDENT word 3) of the entries read and written here.
enum class Op2ElementType {
  Rod = 1,
  Beam = 2,
  Tube = 3,
  ShearPanel = 4,
  Conrod = 10,
  Spring1 = 11,
  Spring2 = 12,
  Quad4 = 33,  // centre only
  Bar = 34,
  Tetra = 39,
  Quad8 = 64,
  Hexa = 67,
  Penta = 68,
  TriaR = 70,
  Tria3 = 74,
  Tria6 = 75,
  QuadR = 82,
  Quad4Composite = 95,
  Tria3Composite = 97,
  Bush = 102,
  Quad4Corner = 144,  // centre and the four corners
};

// The Bulk Data name of an element type ("CQUAD4"), for messages.
const char* elementName(Op2ElementType type);

// What the last value of a plate fibre, a solid point or a ply holds, as the stress code
// (IDENT word 11) says: von Mises, or maximum shear (octahedral shear for solids).
enum class StressMeasure { VonMises, MaxShear };

// A grid's six components: displacements T1-T3, R1-R3, or the forces and moments of SPC
// forces, in the grid's output coordinate system.
struct GridValues {
  int grid = 0;
  std::array<float, 6> values{};
};
using GridDisplacement = GridValues;

// CROD, CONROD, CTUBE.
struct RodStress {
  int element = 0;
  float axial = 0;
  float axialMargin = 0;  // 0 when no allowable stress is known
  float torsion = 0;
  float torsionMargin = 0;
};

struct RodForce {
  int element = 0;
  float axial = 0;
  float torque = 0;
};

// CBAR: bending stresses at the four recovery points of each end, the axial stress, the
// extremes of the combined stress at each end, and the margins.
struct BarStress {
  int element = 0;
  std::array<float, 4> endA{};  // points C, D, E, F of end A
  std::array<float, 4> endB{};
  float axial = 0;
  float maxA = 0, minA = 0;
  float maxB = 0, minB = 0;
  float tensionMargin = 0;
  float compressionMargin = 0;
};

struct BarForce {
  int element = 0;
  float moment1A = 0, moment2A = 0;  // bending moments in planes 1 and 2 at end A
  float moment1B = 0, moment2B = 0;
  float shear1 = 0, shear2 = 0;
  float axial = 0;
  float torque = 0;
};

// CBEAM: one entry a station, end A first; the table gives 11 stations, those after end A
// with distance 0 unused.
struct BeamStation {
  int grid = 0;
  float distance = 0;             // along the beam, 0 at end A and 1 at end B
  std::array<float, 4> points{};  // long. stresses at C, D, E, F
  float max = 0, min = 0;
  float tensionMargin = 0, compressionMargin = 0;
};
struct BeamStress {
  int element = 0;
  std::vector<BeamStation> stations;
};

struct BeamForceStation {
  int grid = 0;
  float distance = 0;
  float moment1 = 0, moment2 = 0;
  float shear1 = 0, shear2 = 0;
  float axial = 0;
  float torque = 0;
  float warpingTorque = 0;
};
struct BeamForce {
  int element = 0;
  std::vector<BeamForceStation> stations;
};

// A fibre's 8 words, in their order.
struct PlateFibre {
  float distance = 0;  // from the reference plane: negative for the bottom fibre
  float normalX = 0;
  float normalY = 0;
  float shearXY = 0;
  float angle = 0;  // degrees, of the major principal stress
  float major = 0;
  float minor = 0;
  float equivalent = 0;  // von Mises, or maximum shear (StressMeasure)
};
// A fibre's entry from its stresses in the element coordinate system.
PlateFibre plateFibre(double distance, double normalX, double normalY, double shearXY,
                      StressMeasure measure = StressMeasure::VonMises);

struct PlateCorner {
  int grid = 0;
  PlateFibre bottom;
  PlateFibre top;
};

// CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR: the centre's fibres. Where the element type
// carries corners (CQUAD4 144, CQUAD8, CTRIA6, CQUADR, CTRIAR) its list holds them beside the
// centres (PlateList), so that an entry is a few plain values.
struct PlateStress {
  int element = 0;
  PlateFibre bottom;  // fibre Z1
  PlateFibre top;     // fibre Z2
};

// Membrane forces, bending moments and transverse shear forces per unit length: 8 words, in
// their order.
struct PlateForceValues {
  float membraneX = 0, membraneY = 0, membraneXY = 0;
  float momentX = 0, momentY = 0, momentXY = 0;
  float shearX = 0, shearY = 0;
};
struct PlateForceCorner {
  int grid = 0;
  PlateForceValues values;
};
struct PlateForce {
  int element = 0;
  PlateForceValues values;  // at the centre; the corners beside, as for stresses
};

struct SolidPoint {
  int grid = 0;  // 0 for the centre
  float normalX = 0, normalY = 0, normalZ = 0;
  float shearXY = 0, shearYZ = 0, shearZX = 0;
  std::array<float, 3> principal{};                  // A, B, C: largest first
  std::array<std::array<float, 3>, 3> directions{};  // direction cosines of A, B, C
  float pressure = 0;
  float equivalent = 0;  // von Mises, or octahedral shear (StressMeasure)
};
// A point's entry from its stress state (xx, yy, zz, xy, yz, zx).
SolidPoint solidPoint(int grid, const Tensor& stress, StressMeasure measure = StressMeasure::VonMises);

// CTETRA, CPENTA, CHEXA of any node count: the centre, then each corner grid.
struct SolidStress {
  int element = 0;
  std::vector<SolidPoint> points;
  int gridCount = 0;  // the element's grids (10 for a CTETRA with mid-side grids); 0: its corners
};

struct ShearPanelStress {
  int element = 0;
  float maxShear = 0;
  float averageShear = 0;
  float margin = 0;
};

// CELAS1, CELAS2.
struct SpringStress {
  int element = 0;
  float stress = 0;
};

// CBUSH: translational and rotational stresses.
struct BushStress {
  int element = 0;
  std::array<float, 6> values{};  // TX, TY, TZ, RX, RY, RZ
};

// One ply of a composite CQUAD4 or CTRIA3 (OES1C), in the ply's material directions.
struct PlyStress {
  int element = 0;
  int ply = 0;  // from 1
  float normal1 = 0, normal2 = 0, shear12 = 0;
  float shear1Z = 0, shear2Z = 0;  // interlaminar shear
  float angle = 0;
  float major = 0, minor = 0;
  float equivalent = 0;  // maximum shear, or von Mises (StressMeasure)
};

// One ply's failure index (OEFIT).
struct PlyFailure {
  int element = 0;
  int ply = 0;
  std::string theory;  // "HILL", "HOFF", "TSAI", "STRN", ...
  float failureIndex = 0;
};

// Reads the entries of one subtable where they lie, one at a time, and names the subtable's
// offset and the word of the whole data record in every fault.
class EntryReader {
 public:
  EntryReader(const Op2Subtable& subtable, std::size_t wordBytes, const std::string& fileName,
              const std::string& tableName, const std::string& writer);

  // How many entries of `numWide` words the data record holds; it must be a whole number.
  // The entries are then taken in order with next().
  std::size_t entries(std::size_t numWide);
  void next() {
    ++taken_;
    if (static_cast<std::size_t>(end_ - cursor_) < entryBytes_) return nextAcrossBlocks();
    view_ = Op2WordView(cursor_, wordBytes_);
    cursor_ += entryBytes_;
  }

  // Words of the current entry, counted from 0.
  std::int64_t integer(std::size_t word) const { return view_.integer(word); }
  float real(std::size_t word) const { return static_cast<float>(view_.real(word)); }
  // Real words from `first` on into a struct of as many floats in the same order.
  template <typename Floats>
  void reals(std::size_t first, Floats& into) const {
    static_assert(std::is_trivially_copyable_v<Floats> && sizeof(Floats) % sizeof(float) == 0);
    if (view_.nativeSingles()) {
      std::memcpy(static_cast<void*>(&into), view_.at(first), sizeof into);
      return;
    }
    std::array<float, sizeof(Floats) / sizeof(float)> values;
    for (std::size_t k = 0; k < values.size(); ++k) values[k] = real(first + k);
    std::memcpy(static_cast<void*>(&into), values.data(), sizeof into);
  }
  std::string text(std::size_t word, std::size_t words) const { return view_.text(word, words); }
  int id(std::size_t word, const char* what) const {  // an ID times 10 plus the device code
    std::int64_t value = integer(word);
    if (value < 10 || value / 10 > kLargestId) badId(word, what);
    return static_cast<int>(value / 10);
  }
  int positive(std::size_t word, const char* what) const;  // a plain ID, at least 1
  // In the data record, from 1.
  std::size_t wordNumber(std::size_t word) const { return (taken_ - 1) * numWide_ + word + 1; }

  [[noreturn]] void fail(const std::string& reason) const;

 private:
  static constexpr std::int64_t kLargestId = 2147483647;
  void nextAcrossBlocks();
  [[noreturn]] void badId(std::size_t word, const char* what) const;

  const Op2Subtable& subtable_;
  std::size_t wordBytes_;
  const std::string& fileName_;
  const std::string& tableName_;
  const std::string& writer_;
  std::vector<std::string_view> blocks_;
  std::size_t words_ = 0;
  std::size_t entryBytes_ = 0;
  std::size_t numWide_ = 0;
  std::size_t block_ = 0;         // the block the cursor is in
  const char* cursor_ = nullptr;  // the next entry's first byte
  const char* end_ = nullptr;     // the end of the cursor's block
  std::size_t taken_ = 0;
  std::string gathered_;  // an entry that straddles two blocks
  Op2WordView view_{nullptr, op2::kShortWordBytes};
};

// ---- Layouts: the words of one entry --------------------------------------------------------
//
// Each layout gives its words per entry (numWide), reads the reader's current entry into an
// entry (readAll: `count` entries appended to a list, saying whether their IDs ascend
// strictly) and writes one. Offsets count from 0; the
// first word is the ID.

struct GridLayout {  // OUG displacements, OQG SPC forces
  static constexpr std::size_t kId = 0, kPointType = 1, kFirstValue = 2;
  static constexpr std::size_t kWords = 8;
  static void read(const EntryReader& in, GridValues& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<GridValues>& into);
  static void write(Op2Words& out, const GridValues& row);
};

struct RodStressLayout {  // CROD 1, CTUBE 3, CONROD 10
  static constexpr std::size_t kId = 0, kAxial = 1, kAxialMargin = 2, kTorsion = 3, kTorsionMargin = 4;
  static constexpr std::size_t kWords = 5;
  static void read(const EntryReader& in, RodStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<RodStress>& into);
  static void write(Op2Words& out, const RodStress& rod);
};

struct RodForceLayout {
  static constexpr std::size_t kId = 0, kAxial = 1, kTorque = 2;
  static constexpr std::size_t kWords = 3;
  static void read(const EntryReader& in, RodForce& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<RodForce>& into);
  static void write(Op2Words& out, const RodForce& rod);
};

struct BarStressLayout {  // CBAR 34
  static constexpr std::size_t kId = 0, kEndA = 1, kAxial = 5, kMaxA = 6, kMinA = 7, kTensionMargin = 8;
  static constexpr std::size_t kEndB = 9, kMaxB = 13, kMinB = 14, kCompressionMargin = 15;
  static constexpr std::size_t kWords = 16;
  static void read(const EntryReader& in, BarStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<BarStress>& into);
  static void write(Op2Words& out, const BarStress& bar);
};

struct BarForceLayout {
  static constexpr std::size_t kId = 0, kMoment1A = 1, kMoment2A = 2, kMoment1B = 3, kMoment2B = 4;
  static constexpr std::size_t kShear1 = 5, kShear2 = 6, kAxial = 7, kTorque = 8;
  static constexpr std::size_t kWords = 9;
  static void read(const EntryReader& in, BarForce& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<BarForce>& into);
  static void write(Op2Words& out, const BarForce& bar);
};

struct BeamStressLayout {  // CBEAM 2: the ID, then 11 stations of 10 words
  static constexpr std::size_t kId = 0, kFirstStation = 1, kStations = 11, kStationWords = 10;
  static constexpr std::size_t kGrid = 0, kDistance = 1, kPoints = 2, kMax = 6, kMin = 7;
  static constexpr std::size_t kTensionMargin = 8, kCompressionMargin = 9;
  static constexpr std::size_t kWords = kFirstStation + kStations * kStationWords;  // 111
  static void read(const EntryReader& in, BeamStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<BeamStress>& into);
  static void write(Op2Words& out, const BeamStress& beam);
};

struct BeamForceLayout {  // CBEAM 2: the ID, then 11 stations of 9 words
  static constexpr std::size_t kId = 0, kFirstStation = 1, kStations = 11, kStationWords = 9;
  static constexpr std::size_t kGrid = 0, kDistance = 1, kMoment1 = 2, kMoment2 = 3, kShear1 = 4, kShear2 = 5;
  static constexpr std::size_t kAxial = 6, kTorque = 7, kWarpingTorque = 8;
  static constexpr std::size_t kWords = kFirstStation + kStations * kStationWords;  // 100
  static void read(const EntryReader& in, BeamForce& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<BeamForce>& into);
  static void write(Op2Words& out, const BeamForce& beam);
};

struct PlateStressLayout {
  // Centre only (CQUAD4 33, CTRIA3 74): the ID and two fibres of 8 words.
  static constexpr std::size_t kId = 0, kBottomFibre = 1, kTopFibre = 9, kFibreWords = 8;
  static constexpr std::size_t kCentreWords = 17;
  // With corners (CQUAD4 144, CQUAD8 64, CQUADR 82: 4 corners; CTRIA6 75, CTRIAR 70: 3):
  // the ID, "CEN/", then the centre and each corner as a point of 17 words: its grid (the
  // centre's holds the corner count), the bottom and the top fibre.
  static constexpr std::size_t kCentreText = 1, kFirstPoint = 2, kPointWords = 17;
  static constexpr std::size_t kPointGrid = 0, kPointBottom = 1, kPointTop = 9;
  static std::size_t words(std::size_t corners) {
    return corners == 0 ? kCentreWords : kFirstPoint + (corners + 1) * kPointWords;
  }
  // An entry's centre, and its `cornerCount` corners into `corners`.
  static void read(const EntryReader& in, PlateStress& centre, PlateCorner* corners, std::size_t cornerCount);
  // `count` entries appended: their centres to `centres`, their corners in turn to `corners`.
  static bool readAll(EntryReader& in, std::size_t count, std::vector<PlateStress>& centres,
                      std::vector<PlateCorner>& corners, std::size_t cornerCount);
  static void write(Op2Words& out, const PlateStress& centre, std::span<const PlateCorner> corners);
};

struct PlateForceLayout {
  // Centre only (CQUAD4 33, CTRIA3 74): the ID and 8 values.
  static constexpr std::size_t kId = 0, kCentreValues = 1, kValues = 8;
  static constexpr std::size_t kCentreWords = 9;
  // With corners (144 and the like): the ID, "CEN/", then the centre and each corner as its
  // grid (the centre's holds the corner count) and 8 values.
  static constexpr std::size_t kCentreText = 1, kFirstPoint = 2, kPointWords = 9;
  static std::size_t words(std::size_t corners) {
    return corners == 0 ? kCentreWords : kFirstPoint + (corners + 1) * kPointWords;
  }
  static void read(const EntryReader& in, PlateForce& centre, PlateForceCorner* corners, std::size_t cornerCount);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<PlateForce>& centres,
                      std::vector<PlateForceCorner>& corners, std::size_t cornerCount);
  static void write(Op2Words& out, const PlateForce& centre, std::span<const PlateForceCorner> corners);
};

struct SolidStressLayout {
  // The ID, the stress coordinate system, "GRID", the element's grid count, then the centre
  // and each corner as a point of 21 words.
  static constexpr std::size_t kId = 0, kCoordinateSystem = 1, kPointText = 2, kGridCount = 3, kFirstPoint = 4;
  static constexpr std::size_t kPointWords = 21;
  static constexpr std::size_t kPointGrid = 0, kRowX = 1, kPressure = 7, kEquivalent = 8, kRowY = 9, kRowZ = 15;
  static std::size_t words(std::size_t corners) { return kFirstPoint + (corners + 1) * kPointWords; }
  static void read(const EntryReader& in, SolidStress& entry, std::size_t corners);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<SolidStress>& into, std::size_t corners);
  static void write(Op2Words& out, const SolidStress& solid, std::size_t corners);
};

struct ShearPanelLayout {  // CSHEAR 4
  static constexpr std::size_t kId = 0, kMaxShear = 1, kAverageShear = 2, kMargin = 3;
  static constexpr std::size_t kWords = 4;
  static void read(const EntryReader& in, ShearPanelStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<ShearPanelStress>& into);
  static void write(Op2Words& out, const ShearPanelStress& panel);
};

struct SpringLayout {  // CELAS1 11, CELAS2 12
  static constexpr std::size_t kId = 0, kStress = 1;
  static constexpr std::size_t kWords = 2;
  static void read(const EntryReader& in, SpringStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<SpringStress>& into);
  static void write(Op2Words& out, const SpringStress& spring);
};

struct BushLayout {  // CBUSH 102
  static constexpr std::size_t kId = 0, kFirstValue = 1;
  static constexpr std::size_t kWords = 7;
  static void read(const EntryReader& in, BushStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<BushStress>& into);
  static void write(Op2Words& out, const BushStress& bush);
};

struct PlyStressLayout {  // OES1C: CQUAD4 95, CTRIA3 97; one entry per ply
  static constexpr std::size_t kId = 0, kPly = 1, kNormal1 = 2, kNormal2 = 3, kShear12 = 4, kShear1Z = 5;
  static constexpr std::size_t kShear2Z = 6, kAngle = 7, kMajor = 8, kMinor = 9, kEquivalent = 10;
  static constexpr std::size_t kWords = 11;
  static void read(const EntryReader& in, PlyStress& entry);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<PlyStress>& into);
  static void write(Op2Words& out, const PlyStress& ply);
};

// OEFIT: one entry per ply; the element's first ply gives the element ID (a plain ID), the
// further plies -1.
struct PlyFailureLayout {
  static constexpr std::size_t kElement = 0, kTheory = 1, kTheoryWords = 2, kPly = 3, kFailureIndex = 4;
  static constexpr std::size_t kFailureMode = 5, kInterlaminar = 6, kMaximum = 7, kFlag = 8;
  static constexpr std::size_t kWords = 9;
  static constexpr std::int64_t kSameElement = -1;
  static void read(const EntryReader& in, PlyFailure& entry, int previousElement);
  static bool readAll(EntryReader& in, std::size_t count, std::vector<PlyFailure>& into);
  static void write(Op2Words& out, const PlyFailure& ply, bool firstOfElement);
};

}  // namespace resultfiles
