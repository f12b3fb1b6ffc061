#pragma once
// The bulk-data cards the library reads, one struct per card with its fields by their Nastran
// names, Nastran's defaults applied where Nastran defines them. Where a blank field means
// something no value can say (PSHELL's MID2, MAT1's E, G and NU, a plate's corner thicknesses,
// PBEAM's stations), the field is a std::optional and blank is nullopt.
//
// Cards that carry several entries (CORD1x with two systems, PELAS with two springs, SPC, SPCD
// and TEMP with several grids, TEMPD with several sets) give one struct per entry; the writer
// writes each on a card of its own, which says the same.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/deck_error.h"

namespace nastran {

using Vec3 = std::array<double, 3>;

// Degrees of freedom written as digits, "123456" (0 stands for the one component of a scalar
// point). Held as a set, so "321" and "123" are the same components.
class Components {
 public:
  Components() = default;
  // The digits 0-6, each at most once; nullopt for any other text. "" gives no components.
  static std::optional<Components> parse(std::string_view digits);
  static Components all() { return fromBits(0b1111110); }

  bool empty() const { return bits_ == 0; }
  bool has(int digit) const { return digit >= 0 && digit <= 6 && (bits_ >> digit & 1) != 0; }
  void add(int digit) { bits_ = static_cast<std::uint8_t>(bits_ | 1 << digit); }
  std::string digits() const;  // ascending: "1236"
  std::uint8_t bits() const { return bits_; }
  static Components fromBits(std::uint8_t bits) {
    Components components;
    components.bits_ = bits;
    return components;
  }
  friend bool operator==(const Components&, const Components&) = default;

 private:
  std::uint8_t bits_ = 0;
};

// Where a card stands: its file and first line, and (through Bulk::fieldLine) the line of each of
// its fields. Where a card stands is not what it says: any two Origins compare equal, so that
// cards compare equal when their fields do.
struct Origin {
  Location at{};
  std::uint32_t continuation = 0;  // 1 + where the card's continuation lines are listed, 0 for none
  friend bool operator==(const Origin&, const Origin&) { return true; }
};

// ---- Grids and coordinate systems ----

struct Grid {
  int id = 0;
  int cp = 0;  // the system X is given in
  Vec3 x{};
  int cd = 0;  // the system of displacements, constraints and loads at the grid
  Components ps{};  // permanent single-point constraints
  int seid = 0;
  Origin origin{};
  friend bool operator==(const Grid&, const Grid&) = default;
};

// SPOINT: scalar points `first` to `last` (one point when they are equal).
struct Spoint {
  int first = 0;
  int last = 0;
  Origin origin{};
  friend bool operator==(const Spoint&, const Spoint&) = default;
};

enum class CoordinateKind : char { Rectangular = 'R', Cylindrical = 'C', Spherical = 'S' };

// CORD1R/C/S: a system through three grids (origin, a point on the z axis, a point in the xz
// plane). One CORD1 card may define two.
struct Cord1 {
  CoordinateKind kind = CoordinateKind::Rectangular;
  int cid = 0;
  std::array<int, 3> g{};
  Origin origin{};
  friend bool operator==(const Cord1&, const Cord1&) = default;
};

// CORD2R/C/S: a system through three points A, B, C given in system RID.
struct Cord2 {
  CoordinateKind kind = CoordinateKind::Rectangular;
  int cid = 0;
  int rid = 0;
  Vec3 a{}, b{}, c{};
  Origin origin{};
  friend bool operator==(const Cord2&, const Cord2&) = default;
};

// The card names of the shapes and kinds that share a struct.
std::string_view cardName(const Cord1& system);  // CORD1R, CORD1C, CORD1S
std::string_view cardName(const Cord2& system);  // CORD2R, CORD2C, CORD2S

// ---- Elements ----

// How a bar, beam or spring is oriented: the vector X1-X3, or the grid G0 (X points from GA to
// it). Neither is given when the fields are blank.
struct Orientation {
  std::optional<Vec3> vector{};
  int grid = 0;
  bool given() const { return vector.has_value() || grid != 0; }
  friend bool operator==(const Orientation&, const Orientation&) = default;
};

struct Crod {
  int eid = 0;
  int pid = 0;  // blank: EID
  std::array<int, 2> g{};
  Origin origin{};
  friend bool operator==(const Crod&, const Crod&) = default;
};

struct Conrod {
  int eid = 0;
  std::array<int, 2> g{};
  int mid = 0;
  double a = 0, j = 0, c = 0, nsm = 0;
  Origin origin{};
  friend bool operator==(const Conrod&, const Conrod&) = default;
};

struct Cbar {
  int eid = 0;
  int pid = 0;  // blank: EID (or BAROR's)
  int ga = 0, gb = 0;
  Orientation orientation{};  // blank: BAROR's
  std::string offt = "GGG";
  Components pa{}, pb{};  // pin flags
  Vec3 wa{}, wb{};    // offsets at A and B
  Origin origin{};
  friend bool operator==(const Cbar&, const Cbar&) = default;
};

struct Cbeam {
  int eid = 0;
  int pid = 0;  // blank: EID (or BEAMOR's)
  int ga = 0, gb = 0;
  Orientation orientation{};
  std::string offt = "GGG";  // field 9 as a word
  std::optional<double> bit{};  // field 9 as a real (built-in twist); then OFFT does not apply
  Components pa{}, pb{};
  Vec3 wa{}, wb{};
  int sa = 0, sb = 0;  // warping scalar points
  Origin origin{};
  friend bool operator==(const Cbeam&, const Cbeam&) = default;
};

struct Cbush {
  int eid = 0;
  int pid = 0;  // blank: EID
  int ga = 0;
  int gb = 0;  // 0: grounded
  Orientation orientation{};
  std::optional<int> cid{};  // blank: the element system comes from the orientation
  double s = 0.5;
  int ocid = -1;
  std::array<std::optional<double>, 3> si{};  // S1-S3: the spring's location in OCID
  Origin origin{};
  friend bool operator==(const Cbush&, const Cbush&) = default;
};

// CELAS1: a spring between component C1 of G1 and C2 of G2 (G2 0: grounded), with a PELAS.
struct Celas1 {
  int eid = 0;
  int pid = 0;  // blank: EID
  int g1 = 0, c1 = 0, g2 = 0, c2 = 0;
  Origin origin{};
  friend bool operator==(const Celas1&, const Celas1&) = default;
};

// CELAS2: the same with its stiffness on the card.
struct Celas2 {
  int eid = 0;
  double k = 0;
  int g1 = 0, c1 = 0, g2 = 0, c2 = 0;
  double ge = 0, s = 0;
  Origin origin{};
  friend bool operator==(const Celas2&, const Celas2&) = default;
};

enum class PlateShape : std::uint8_t { Quad4, Tria3, Quad8, Tria6, QuadR, TriaR };

std::string_view cardName(PlateShape shape);  // CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR

// CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR.
struct Plate {
  PlateShape shape = PlateShape::Quad4;
  int eid = 0;
  int pid = 0;  // blank: EID
  std::array<int, 8> g{};  // corners, then mid-side grids (0 where left out)
  std::optional<int> mcid{};  // the material axes by a coordinate system, else by THETA
  double theta = 0;
  std::optional<double> zoffs{};
  int tflag = 0;
  std::array<std::optional<double>, 4> t{};  // corner thicknesses; blank: the property's
  Origin origin{};
  int corners() const;
  friend bool operator==(const Plate&, const Plate&) = default;
};

struct Cshear {
  int eid = 0;
  int pid = 0;  // blank: EID
  std::array<int, 4> g{};
  Origin origin{};
  friend bool operator==(const Cshear&, const Cshear&) = default;
};

enum class SolidShape : std::uint8_t { Tetra, Penta, Hexa };

std::string_view cardName(SolidShape shape);  // CTETRA, CPENTA, CHEXA

// CTETRA (4 or 10 grids), CPENTA (6 or 15), CHEXA (8 or 20).
struct Solid {
  SolidShape shape = SolidShape::Tetra;
  int eid = 0;
  int pid = 0;
  std::array<int, 20> g{};  // corners, then mid-side grids (0 where left out)
  Origin origin{};
  int corners() const;
  int maxGrids() const;
  // The corners, or all grids when any mid-side grid is given.
  int gridCount() const;
  friend bool operator==(const Solid&, const Solid&) = default;
};

struct Conm2 {
  int eid = 0;
  int g = 0;
  int cid = 0;  // -1: X is the centre of gravity in the basic system
  double m = 0;
  Vec3 x{};
  std::array<double, 6> i{};  // I11, I21, I22, I31, I32, I33
  Origin origin{};
  friend bool operator==(const Conm2&, const Conm2&) = default;
};

struct Rbe2 {
  int eid = 0;
  int gn = 0;
  Components cm{};
  std::vector<int> gm{};
  std::optional<double> alpha{};
  std::optional<double> tref{};
  Origin origin{};
  friend bool operator==(const Rbe2&, const Rbe2&) = default;
};

struct Rbe3 {
  struct Weighted {
    double weight = 0;
    Components c{};
    std::vector<int> grids{};
    friend bool operator==(const Weighted&, const Weighted&) = default;
  };
  struct Dependent {  // a UM entry
    int grid = 0;
    Components c{};
    friend bool operator==(const Dependent&, const Dependent&) = default;
  };
  int eid = 0;
  int refgrid = 0;
  Components refc{};
  std::vector<Weighted> groups{};
  std::vector<Dependent> um{};
  std::optional<double> alpha{};
  std::optional<double> tref{};
  Origin origin{};
  friend bool operator==(const Rbe3&, const Rbe3&) = default;
};

struct Rbar {
  int eid = 0;
  int ga = 0, gb = 0;
  Components cna{}, cnb{}, cma{}, cmb{};
  std::optional<double> alpha{};
  Origin origin{};
  friend bool operator==(const Rbar&, const Rbar&) = default;
};

// ---- Properties ----

struct Prod {
  int pid = 0, mid = 0;
  double a = 0, j = 0, c = 0, nsm = 0;
  Origin origin{};
  friend bool operator==(const Prod&, const Prod&) = default;
};

struct Pbar {
  int pid = 0, mid = 0;
  double a = 0, i1 = 0, i2 = 0, j = 0, nsm = 0;
  std::array<double, 8> stressPoints{};  // C1, C2, D1, D2, E1, E2, F1, F2
  std::optional<double> k1{}, k2{};  // blank: no shear flexibility
  double i12 = 0;
  Origin origin{};
  friend bool operator==(const Pbar&, const Pbar&) = default;
};

// The number of dimensions of a PBARL/PBEAML section type; 0 for a type Nastran does not define.
int sectionDimensionCount(std::string_view type);

struct Pbarl {
  int pid = 0, mid = 0;
  std::string group = "MSCBML0";
  std::string type{};
  std::vector<double> dims{};  // as many as the type has
  double nsm = 0;
  Origin origin{};
  friend bool operator==(const Pbarl&, const Pbarl&) = default;
};

// One cross-section of a PBEAM: end A, an intermediate station or end B. Blank values of a
// station other than A are taken from end A (end B) or interpolated (between the ends).
struct PbeamStation {
  std::string so{};  // "YES", "YESA" or "NO"; "" for end A
  double x = 0;    // X/XB
  std::optional<double> a{}, i1{}, i2{}, i12{}, j{}, nsm{};
  std::optional<std::array<double, 8>> stressPoints{};  // C1..F2, when given
  friend bool operator==(const PbeamStation&, const PbeamStation&) = default;
};

struct Pbeam {
  int pid = 0, mid = 0;
  std::vector<PbeamStation> stations{};  // end A first; end B (X/XB 1.0) last when given
  double k1 = 1, k2 = 1, s1 = 0, s2 = 0;
  double nsiA = 0;
  std::optional<double> nsiB{};  // blank: NSI(A)
  double cwA = 0;
  std::optional<double> cwB{};  // blank: CW(A)
  double m1A = 0, m2A = 0;
  std::optional<double> m1B{}, m2B{};  // blank: M1(A), M2(A)
  double n1A = 0, n2A = 0;
  std::optional<double> n1B{}, n2B{};  // blank: N1(A), N2(A)
  Origin origin{};
  friend bool operator==(const Pbeam&, const Pbeam&) = default;
};

struct PbeamlStation {
  std::string so{};  // "" for end A
  double x = 0;    // X/XB
  std::vector<std::optional<double>> dims{};  // blank: end A's (at B) or interpolated
  std::optional<double> nsm{};
  friend bool operator==(const PbeamlStation&, const PbeamlStation&) = default;
};

struct Pbeaml {
  int pid = 0, mid = 0;
  std::string group = "MSCBML0";
  std::string type{};
  std::vector<PbeamlStation> stations{};  // end A first (all its dimensions given)
  Origin origin{};
  friend bool operator==(const Pbeaml&, const Pbeaml&) = default;
};

// PBUSH: each line starts with a keyword; a line not given is nullopt.
struct Pbush {
  int pid = 0;
  std::optional<std::array<double, 6>> k{}, b{}, ge{};  // blank values are 0
  std::optional<std::array<double, 4>> rcv{};     // SA, ST, EA, ET; blank values are 1
  std::optional<double> m{};
  Origin origin{};
  friend bool operator==(const Pbush&, const Pbush&) = default;
};

struct Pelas {
  int pid = 0;
  double k = 0, ge = 0, s = 0;
  Origin origin{};
  friend bool operator==(const Pelas&, const Pelas&) = default;
};

struct Pshell {
  int pid = 0;
  std::optional<int> mid1{};
  std::optional<double> t{};
  std::optional<int> mid2{};  // blank: no bending stiffness; -1: plane strain
  double bendingRatio = 1.0;  // 12I/T**3
  std::optional<int> mid3{};
  double shearRatio = 0.833333;  // TS/T
  double nsm = 0;
  std::optional<double> z1{}, z2{};  // blank: -T/2, T/2
  std::optional<int> mid4{};
  Origin origin{};
  friend bool operator==(const Pshell&, const Pshell&) = default;
};

struct Ply {
  int globalId = 0;  // PCOMPG only
  int mid = 0;       // blank on the card: the ply below's
  double t = 0;      // blank on the card: the ply below's
  double theta = 0;
  std::string sout = "NO";
  friend bool operator==(const Ply&, const Ply&) = default;
};

// PCOMP, and PCOMPG (global ply IDs).
struct Pcomp {
  bool global = false;
  int pid = 0;
  std::optional<double> z0{};  // blank: minus half the laminate's thickness
  double nsm = 0;
  double sb = 0;
  std::string ft{};  // failure theory; "" none
  double tref = 0, ge = 0;
  std::string lam{};  // "" (every ply given), "SYM", ...
  std::vector<Ply> plies{};  // from the bottom
  Origin origin{};
  friend bool operator==(const Pcomp&, const Pcomp&) = default;
};

struct Pshear {
  int pid = 0, mid = 0;
  double t = 0, nsm = 0, f1 = 0, f2 = 0;
  Origin origin{};
  friend bool operator==(const Pshear&, const Pshear&) = default;
};

struct Psolid {
  int pid = 0, mid = 0;
  int cordm = 0;
  std::string in{}, stress{}, isop{};  // "" when blank
  std::string fctn = "SMECH";
  Origin origin{};
  friend bool operator==(const Psolid&, const Psolid&) = default;
};

// ---- Materials ----

// Two of E, G and NU give the third; see youngsModulus() and the like for the values Nastran uses.
struct Mat1 {
  int mid = 0;
  std::optional<double> e{}, g{}, nu{};
  double rho = 0, a = 0, tref = 0, ge = 0;
  std::optional<double> st{}, sc{}, ss{};
  std::optional<int> mcsid{};
  Origin origin{};
  double youngsModulus() const;
  double shearModulus() const;
  double poissonRatio() const;
  friend bool operator==(const Mat1&, const Mat1&) = default;
};

struct Mat2 {
  int mid = 0;
  std::array<double, 6> g{};  // G11, G12, G13, G22, G23, G33
  double rho = 0;
  Vec3 a{};
  double tref = 0, ge = 0;
  std::optional<double> st{}, sc{}, ss{};
  std::optional<int> mcsid{};
  Origin origin{};
  friend bool operator==(const Mat2&, const Mat2&) = default;
};

struct Mat8 {
  int mid = 0;
  double e1 = 0, e2 = 0, nu12 = 0, g12 = 0;
  std::optional<double> g1z{}, g2z{};  // blank: no transverse shear flexibility
  double rho = 0, a1 = 0, a2 = 0, tref = 0;
  double xt = 0;
  std::optional<double> xc{};  // blank: XT
  double yt = 0;
  std::optional<double> yc{};  // blank: YT
  double s = 0, ge = 0, f12 = 0, strn = 0;
  Origin origin{};
  friend bool operator==(const Mat8&, const Mat8&) = default;
};

struct Mat9 {
  int mid = 0;
  std::array<double, 21> g{};  // G11 ... G16, G22 ... G26, ..., G66, row by row
  double rho = 0;
  std::array<double, 6> a{};
  double tref = 0, ge = 0;
  Origin origin{};
  friend bool operator==(const Mat9&, const Mat9&) = default;
};

// ---- Loads ----

// FORCE or MOMENT: scale times N, in system CID.
struct NodalLoad {
  bool moment = false;
  int sid = 0, g = 0, cid = 0;
  double scale = 0;
  Vec3 n{};
  Origin origin{};
  friend bool operator==(const NodalLoad&, const NodalLoad&) = default;
};

// FORCE1 or MOMENT1: scale along the line from G1 to G2.
struct NodalLoad1 {
  bool moment = false;
  int sid = 0, g = 0;
  double scale = 0;
  int g1 = 0, g2 = 0;
  Origin origin{};
  friend bool operator==(const NodalLoad1&, const NodalLoad1&) = default;
};

// PLOAD: a pressure on the triangle or quadrilateral through three or four grids.
struct Pload {
  int sid = 0;
  double p = 0;
  std::array<int, 4> g{};  // G4 0: a triangle
  Origin origin{};
  friend bool operator==(const Pload&, const Pload&) = default;
};

struct Pload1 {
  int sid = 0, eid = 0;
  std::string type{};   // FX, FY, FZ, FXE, ..., MZE
  std::string scale{};  // LE, FR, LEPR, FRPR
  double x1 = 0, p1 = 0;
  std::optional<double> x2{}, p2{};  // blank X2: a load at X1 alone
  Origin origin{};
  friend bool operator==(const Pload1&, const Pload1&) = default;
};

struct Pload2 {
  int sid = 0;
  double p = 0;
  std::vector<int> eids{};  // with `thru`: the first and last of the range
  bool thru = false;
  Origin origin{};
  friend bool operator==(const Pload2&, const Pload2&) = default;
};

// PLOAD4 on the elements EID (to THRU's last element), with P1-P4 at the corners.
struct Pload4 {
  int sid = 0, eid = 0;
  double p1 = 0;
  std::optional<double> p2{}, p3{}, p4{};  // blank: P1
  std::optional<int> thru{};           // the last element of a THRU range
  int g1 = 0, g34 = 0;               // the loaded face of a solid
  int cid = 0;
  Vec3 n{};  // zero: normal to the face
  std::string sorl = "SURF", ldir = "NORM";
  Origin origin{};
  friend bool operator==(const Pload4&, const Pload4&) = default;
};

struct Grav {
  int sid = 0, cid = 0;
  double a = 0;
  Vec3 n{};
  int mb = 0;
  Origin origin{};
  friend bool operator==(const Grav&, const Grav&) = default;
};

// LOAD: S times the sum of Si times load set Li.
struct LoadCombination {
  struct Term {
    double scale = 0;
    int set = 0;
    friend bool operator==(const Term&, const Term&) = default;
  };
  int sid = 0;
  double scale = 0;
  std::vector<Term> terms{};
  Origin origin{};
  friend bool operator==(const LoadCombination&, const LoadCombination&) = default;
};

struct Temp {
  int sid = 0, g = 0;
  double t = 0;
  Origin origin{};
  friend bool operator==(const Temp&, const Temp&) = default;
};

struct Tempd {
  int sid = 0;
  double t = 0;
  Origin origin{};
  friend bool operator==(const Tempd&, const Tempd&) = default;
};

// ---- Constraints ----

// SPC (enforced value D) and SPCD (a load set that enforces D).
struct Spc {
  bool spcd = false;
  int sid = 0, g = 0;
  Components c{};
  double d = 0;
  Origin origin{};
  friend bool operator==(const Spc&, const Spc&) = default;
};

struct Spc1 {
  int sid = 0;
  Components c{};
  std::vector<int> grids{};  // with `thru`: the first and last of the range (grids between need not exist)
  bool thru = false;
  Origin origin{};
  friend bool operator==(const Spc1&, const Spc1&) = default;
};

// SPCADD or MPCADD: the union of sets.
struct SetUnion {
  bool mpc = false;  // MPCADD
  int sid = 0;
  std::vector<int> sets{};
  Origin origin{};
  friend bool operator==(const SetUnion&, const SetUnion&) = default;
};

struct Mpc {
  struct Term {
    int g = 0;
    int c = 0;  // one component, 0-6
    double a = 0;
    friend bool operator==(const Term&, const Term&) = default;
  };
  int sid = 0;
  std::vector<Term> terms{};  // the first is the dependent one
  Origin origin{};
  friend bool operator==(const Mpc&, const Mpc&) = default;
};

struct Param {
  std::string name{};
  std::vector<std::string> values{};  // the fields after the name, as written (upper case)
  Origin origin{};
  friend bool operator==(const Param&, const Param&) = default;
};

// A card the library does not read: kept as it stands, so that a deck written back carries it.
struct PassedCard {
  std::string name{};
  std::vector<std::string> fields{};  // field 1 first; "" for a blank field
  std::vector<std::string> lines{};   // its lines as they stood, comments cut off
  Origin origin{};
  friend bool operator==(const PassedCard& a, const PassedCard& b) {
    return a.name == b.name && a.fields == b.fields;
  }
};

}  // namespace nastran
