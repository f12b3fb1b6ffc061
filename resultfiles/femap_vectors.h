#pragma once
// Output sets and vectors as FEMAP holds results: one set per subcase (and per further table
// of a subcase that a file gives twice), one vector per quantity, with the IDs and titles
// FEMAP gives Nastran's results when it reads them. The catalogue of IDs and titles, kind by
// kind, is in femap_vectors.cpp and listed in femapsim/README.md.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "resultfiles/op2_tables.h"

namespace resultfiles {

inline constexpr int kNodalOutput = 7;
inline constexpr int kElementalOutput = 8;

// FEMAP's output types.
inline constexpr int kAnyOutput = 0;
inline constexpr int kDisplacementOutput = 1;
inline constexpr int kForceOutput = 3;
inline constexpr int kStressOutput = 4;

// The double whose shortest text is that of `value` (1.2e-05f gives 1.2e-05).
double widen(float value);

// The entity IDs of a vector, ascending; vectors of one kind share them.
class VectorIds {
 public:
  VectorIds() : ids_(std::make_shared<const std::vector<int>>()) {}
  explicit VectorIds(std::vector<int> ids) : ids_(std::make_shared<const std::vector<int>>(std::move(ids))) {}
  explicit VectorIds(std::shared_ptr<const std::vector<int>> ids) : ids_(std::move(ids)) {}

  const std::vector<int>& list() const { return *ids_; }
  std::size_t size() const { return ids_->size(); }
  int operator[](std::size_t i) const { return (*ids_)[i]; }
  auto begin() const { return ids_->begin(); }
  auto end() const { return ids_->end(); }

 private:
  std::shared_ptr<const std::vector<int>> ids_;
};

// The values of a vector. Single-precision reals of an OUTPUT2 file are kept as the file
// gives them and each is taken, when asked for, as the shortest decimal that reads back to
// the same single-precision value, so that a value the solver printed with 7 digits comes
// back as printed; a total is the length of its three components, computed when asked for.
class VectorValues {
 public:
  VectorValues() = default;
  explicit VectorValues(std::vector<double> values);
  static VectorValues singles(std::vector<float> values);
  // `count` single-precision values from `first` on in a block that several vectors share.
  static VectorValues singles(std::shared_ptr<const float[]> block, std::size_t first, std::size_t count);
  static VectorValues length(const VectorValues& x, const VectorValues& y, const VectorValues& z);

  std::size_t size() const;
  double operator[](std::size_t i) const;
  std::vector<double> all() const;

 private:
  std::shared_ptr<const std::vector<double>> doubles_;
  std::shared_ptr<const float> singles_;  // into the block that holds them
  std::size_t singleCount_ = 0;
  std::shared_ptr<const std::array<VectorValues, 3>> components_;
};

struct OutputVector {
  int id = 0;
  std::string title;
  int entityType = kNodalOutput;  // 7 nodes, 8 elements
  int outputType = kAnyOutput;    // 1 displacement, 3 force, 4 stress
  VectorIds entities;
  VectorValues values;
  // As FEMAP describes a vector (neutral block 1051): the vectors it is made of (a total's
  // X, Y and Z vectors; a centre vector's corner vectors; a line element's end A and end B
  // vectors), how they stand (1: X, Y, Z components; 2: values at the two ends of line
  // elements), whether the vector may be combined linearly with others (totals, principal
  // values and the like may not), and whether it holds centroidal or nodal values.
  std::array<int, 20> components{};
  int componentDirection = 0;
  bool combinable = true;
  bool centroidTotal = true;
};

struct OutputSet {
  int id = 1;
  std::string title;
  int subcase = 0;                    // the Nastran subcase, 0 when unknown
  std::vector<OutputVector> vectors;  // ascending IDs
};

// The output set FEMAP makes of one subcase's results: the vectors of every kind it has,
// in ascending ID order (the catalogue in femapsim/README.md).
OutputSet outputSetFor(const SubcaseResults& subcase, int setId);

// The sets of a file's subcases, numbered from `firstSetId` in order.
std::vector<OutputSet> outputSetsFor(const std::vector<SubcaseResults>& subcases, int firstSetId = 1);

// The set's title for a subcase read from an OUTPUT2 file: "NX NASTRAN Case 3", and for a
// subcase given twice "NX NASTRAN Case 3 (1 of 2)".
std::string outputSetTitle(int subcase, int occurrence = 1, int occurrences = 1);

}  // namespace resultfiles
