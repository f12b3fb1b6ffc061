#pragma once
// The results of linear static subcases as the OUTPUT2 tables carry them, read from a file
// and written to one: grid displacements (OUGV1, OUG1, BOUGV1) and SPC forces (OQG1, OQGV1);
// element stresses (OES1X1, OES1X, OES1) of rods, bars, beams, plates (centre, and corners
// where the element type gives them), solids of any node count, shear panels, springs and
// bushes; composite ply stresses (OES1C) and ply failure indices (OEFIT) of CQUAD4 and
// CTRIA3; element forces (OEF1X, OEF1) of rods, bars, beams and plates. The entries' layouts
// are in op2_entries.h.
//
// Writing, as a solver would (nastran-ccx does):
//
//   resultfiles::SubcaseResults subcase{.subcase = 1, .title = "Bracket"};
//   subcase.displacements.push_back({.grid = 7, .values = {0.1, 0, 0, 0, 0, 0}});
//   subcase.quads.push_back({.element = 3, .bottom = plateFibre(-0.05, sx, sy, sxy),
//                            .top = plateFibre(0.05, sx2, sy2, sxy2)});
//   subcase.barForces.push_back({.element = 9, .axial = 1250.0});
//   std::string bytes = writeOp2(makeOp2File({subcase}, {.label = "NX8.5"}));
//
// A plate with its corners (all plates of a list give as many):
//
//   subcase.quads.push_back({.element = 3, .bottom = ..., .top = ...},
//                           {{.grid = 11, .bottom = ..., .top = ...}, ...four corners});
//
// Every list that holds entries becomes a subtable of its table (lists in ascending element
// order; CQUAD4 entries with corners are written as element type 144, without as 33).

#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "resultfiles/op2_entries.h"
#include "resultfiles/op2_file.h"

namespace resultfiles {

// The entries of one element type in one subcase, in ascending element order (composite
// plies: ascending element, then ply), with what the last stress of each fibre or point
// holds. Reads and fills like a std::vector.
template <typename Entry>
struct ElementList {
  using value_type = Entry;
  StressMeasure measure = StressMeasure::VonMises;
  std::vector<Entry> entries;

  void push_back(const Entry& entry) { entries.push_back(entry); }
  void push_back(Entry&& entry) { entries.push_back(std::move(entry)); }
  template <typename... Args>
  Entry& emplace_back(Args&&... args) {
    return entries.emplace_back(std::forward<Args>(args)...);
  }
  void reserve(std::size_t count) { entries.reserve(count); }
  void clear() { entries.clear(); }
  std::size_t size() const { return entries.size(); }
  bool empty() const { return entries.empty(); }
  const Entry& operator[](std::size_t i) const { return entries[i]; }
  Entry& operator[](std::size_t i) { return entries[i]; }
  const Entry& front() const { return entries.front(); }
  const Entry& back() const { return entries.back(); }
  auto begin() const { return entries.begin(); }
  auto end() const { return entries.end(); }
  auto begin() { return entries.begin(); }
  auto end() { return entries.end(); }
};

// Plates: each plate's centre, and where the element type carries them its corners, as many
// for every plate of the list (CQUAD4 written as type 144, CQUAD8 and CQUADR: 4; CTRIA6 and
// CTRIAR: 3), held in one list beside the centres.
template <typename Centre, typename Corner>
struct PlateList : ElementList<Centre> {
  std::size_t cornersEach = 0;  // 0: centres only
  std::vector<Corner> corners;  // plate i's corners at [i * cornersEach, (i + 1) * cornersEach)

  using ElementList<Centre>::push_back;
  // A plate with its corners; the first plate of the list sets how many each gives.
  void push_back(const Centre& centre, std::span<const Corner> its) {
    if (this->empty()) cornersEach = its.size();
    if (its.size() != cornersEach)
      throw std::invalid_argument("plate " + std::to_string(centre.element) + " gives " + std::to_string(its.size()) +
                                  " corners where the list's plates give " + std::to_string(cornersEach));
    this->entries.push_back(centre);
    corners.insert(corners.end(), its.begin(), its.end());
  }
  void push_back(const Centre& centre, std::initializer_list<Corner> its) {
    push_back(centre, std::span<const Corner>(its.begin(), its.size()));
  }
  std::span<const Corner> cornersOf(std::size_t plate) const {
    return {corners.data() + plate * cornersEach, cornersEach};
  }
  void clear() {
    this->entries.clear();
    corners.clear();
  }
};
using PlateStressList = PlateList<PlateStress, PlateCorner>;
using PlateForceList = PlateList<PlateForce, PlateForceCorner>;

// What one static subcase leaves.
struct SubcaseResults {
  int subcase = 1;
  int loadSet = 0;
  std::string title;
  std::string subtitle;
  std::string label;
  // A subcase a file gives more than once (SOL 200 writes the first and the last design
  // cycle, SOL 144 two solutions of a trim case): this one is table `occurrence` of
  // `occurrences`, in the order of the file.
  int occurrence = 1;
  int occurrences = 1;

  std::vector<GridValues> displacements;  // ascending grids
  std::vector<GridValues> spcForces;

  // Element stresses.
  ElementList<RodStress> rods, conrods, tubes;
  ElementList<BarStress> bars;
  ElementList<BeamStress> beams;
  PlateStressList quads;  // CQUAD4, with corners or without
  PlateStressList trias;
  PlateStressList quad8s, tria6s, quadRs, triaRs;  // with corners
  ElementList<SolidStress> tetras, pentas, hexas;
  ElementList<ShearPanelStress> shearPanels;
  ElementList<SpringStress> springs1, springs2;
  ElementList<BushStress> bushes;
  ElementList<PlyStress> quadPlies, triaPlies;
  ElementList<PlyFailure> quadPlyFailures, triaPlyFailures;

  // Element forces.
  ElementList<RodForce> rodForces, conrodForces, tubeForces;
  ElementList<BarForce> barForces;
  ElementList<BeamForce> beamForces;
  PlateForceList quadForces, triaForces;  // CQUAD4 with corners or without
};

// What a file gave: its static subcases in the order of the file (a later table of a
// subcase after the earlier one), and what it holds that is not read.
struct Op2Results {
  std::vector<SubcaseResults> subcases;
  std::string writer;                   // describeWriter
  std::vector<int> otherApproachCodes;  // of the results subtables passed over, in file order, each once
  bool anyResultsTable = false;         // a table of the names read was found
};

// The static results of a file, read from its tables. Subtables of other kinds (other
// approach, table or format codes, strains, thermal results, other element types) are passed
// over; a subtable whose data does not fit its layout, or an element a table gives twice,
// throws FormatError with its byte offset.
Op2Results readOp2Results(const Op2File& file, const std::string& fileName);

// The same read from a whole file's bytes: the framing of the whole file is checked first
// (readOp2), then the entries are decoded where they lie in `bytes`, without a copy.
Op2Results readOp2Results(std::string_view bytes, const std::string& fileName);

// The subcases alone.
std::vector<SubcaseResults> readStaticResults(const Op2File& file, const std::string& fileName);
std::vector<SubcaseResults> readStaticResults(std::string_view bytes, const std::string& fileName);

// Why a file gave no subcase: "the file holds normal modes (approach code 2), and only
// linear static results are read", or that it holds no results table read here.
std::string whyNoStaticResults(const Op2Results& results);

// The tables the results are read from.
bool isStaticResultsTable(std::string_view name);

// How makeOp2File writes: the framing, the header's date and label, the tables' names.
struct Op2WriteOptions {
  Op2Form form;
  Op2Date date;
  std::string label = "NX8.5";
  std::string displacementTable = "OUGV1";
  std::string spcForceTable = "OQG1";
  std::string stressTable = "OES1X1";
  std::string compositeStressTable = "OES1C";
  std::string failureIndexTable = "OEFIT";
  std::string elementForceTable = "OEF1X";
};

// The tables of the subcases' results: the displacement table (one subtable per subcase),
// then the SPC force, stress, composite stress, failure index and element force tables
// where any subcase has such results (one subtable per subcase and element type).
Op2File makeOp2File(const std::vector<SubcaseResults>& subcases, const Op2WriteOptions& options);
Op2File makeOp2File(const std::vector<SubcaseResults>& subcases, const Op2Date& date, const std::string& label);

}  // namespace resultfiles
