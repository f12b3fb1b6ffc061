// The results tables: every table name real files use, one table preferred where a file
// gives the same results twice, a subcase given twice (design cycles) kept as two, the
// stress code, and what a file holds that is not read.
#include <gtest/gtest.h>

#include <array>

#include "resultfiles/format_error.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_format.h"
#include "resultfiles/op2_tables.h"
#include "resultfiles/sample_results.h"

namespace {

using namespace resultfiles;

Op2Results readBytes(const std::string& bytes) { return readOp2Results(bytes, "tables.op2"); }

std::string refusal(const std::string& bytes) {
  try {
    readBytes(bytes);
  } catch (const FormatError& error) {
    return error.what();
  }
  return "read";
}

TEST(Op2Tables, EveryTableNameOfEachKindIsRead) {
  SubcaseResults subcase = resultfiles_testing::everyKind();
  struct Names {
    const char* displacements;
    const char* spcForces;
    const char* stresses;
    const char* forces;
  };
  for (Names names : {Names{"OUGV1", "OQG1", "OES1X1", "OEF1X"}, Names{"OUG1", "OQGV1", "OES1X", "OEF1"},
                      Names{"BOUGV1", "OQG1", "OES1", "OEF1X"}}) {
    SCOPED_TRACE(names.displacements);
    Op2WriteOptions options{.displacementTable = names.displacements,
                            .spcForceTable = names.spcForces,
                            .stressTable = names.stresses,
                            .elementForceTable = names.forces};
    Op2Results read = readBytes(writeOp2(makeOp2File({subcase}, options)));
    ASSERT_EQ(read.subcases.size(), 1u);
    const SubcaseResults& r = read.subcases.front();
    EXPECT_EQ(r.displacements.size(), 3u);
    EXPECT_EQ(r.spcForces.size(), 2u);
    EXPECT_EQ(r.bars.size(), 2u);
    EXPECT_EQ(r.quadPlies.size(), 2u);
    EXPECT_EQ(r.beamForces.size(), 1u);
  }
}

TEST(Op2Tables, ResultsAFileGivesTwiceAreTakenFromThePreferredTable) {
  // NX writes displacements in OUGV1 and, in the basic system, in BOUGV1: the grids are
  // taken once, from OUGV1, whichever comes first.
  SubcaseResults global = resultfiles_testing::sampleSubcase();
  SubcaseResults basic = global;
  basic.displacements[1].values[0] = 99;
  Op2File file = makeOp2File({basic}, Op2WriteOptions{.displacementTable = "BOUGV1", .stressTable = "OES1"});
  Op2File preferred = makeOp2File({global}, Op2WriteOptions{});
  file.tables.insert(file.tables.end(), preferred.tables.begin(), preferred.tables.end());
  Op2Results read = readBytes(writeOp2(file));
  ASSERT_EQ(read.subcases.size(), 1u);
  EXPECT_EQ(read.subcases[0].occurrences, 1);
  ASSERT_EQ(read.subcases[0].displacements.size(), 3u);
  EXPECT_EQ(read.subcases[0].displacements[1].values[0], 3.0);
  EXPECT_EQ(read.subcases[0].rods.size(), 2u);
}

TEST(Op2Tables, ASubcaseGivenTwiceBecomesTwoInTheOrderOfTheFile) {
  // SOL 200: the tables of the first design cycle, then those of the last.
  SubcaseResults first = resultfiles_testing::sampleSubcase();
  SubcaseResults second = first;
  second.subcase = 4;
  SubcaseResults firstFinal = first, secondFinal = second;
  firstFinal.rods.entries[0].axial = 20;
  secondFinal.displacements[1].values[0] = 3.5;
  Op2File file = makeOp2File({first, second}, Op2WriteOptions{});
  Op2File final = makeOp2File({firstFinal, secondFinal}, Op2WriteOptions{});
  file.tables.insert(file.tables.end(), final.tables.begin(), final.tables.end());
  Op2Results read = readBytes(writeOp2(file));
  ASSERT_EQ(read.subcases.size(), 4u);
  std::vector<std::pair<int, int>> order;
  for (const SubcaseResults& s : read.subcases) order.emplace_back(s.subcase, s.occurrence);
  EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{3, 1}, {4, 1}, {3, 2}, {4, 2}}));
  EXPECT_EQ(read.subcases[0].occurrences, 2);
  EXPECT_EQ(read.subcases[0].rods[0].axial, 12.5);
  EXPECT_EQ(read.subcases[2].rods[0].axial, 20.0);
  EXPECT_EQ(read.subcases[3].displacements[1].values[0], 3.5);
  EXPECT_EQ(read.subcases[2].displacements.size(), 3u);  // never one list with a grid twice

  // SOL 144: two solutions of a trim case as two subtables of the same tables.
  Op2Results trim = readBytes(writeOp2(makeOp2File({first, firstFinal}, Op2WriteOptions{})));
  ASSERT_EQ(trim.subcases.size(), 2u);
  EXPECT_EQ(trim.subcases[1].occurrence, 2);
  EXPECT_EQ(trim.subcases[1].rods[0].axial, 20.0);
}

TEST(Op2Tables, TheStressCodeSaysWhatTheLastStressHolds) {
  SubcaseResults subcase = resultfiles_testing::sampleSubcase();
  subcase.quads.measure = StressMeasure::MaxShear;
  subcase.quads.entries[0].top = plateFibre(0.5, -100, -20, -5, StressMeasure::MaxShear);
  Op2File file = makeOp2File({subcase}, Op2WriteOptions{});
  const Op2Table& stresses = file.tables[1];
  EXPECT_EQ(stresses.subtables[1].ident.elementType(), 33);
  EXPECT_EQ(stresses.subtables[1].ident.stressCode(), 0);  // maximum shear
  EXPECT_EQ(stresses.subtables[0].ident.stressCode(), 1);  // von Mises
  Op2Results read = readBytes(writeOp2(file));
  EXPECT_EQ(read.subcases[0].quads.measure, StressMeasure::MaxShear);
  EXPECT_EQ(read.subcases[0].trias.measure, StressMeasure::VonMises);
  // Maximum shear in the plane: half the principal stresses' difference.
  PlaneStressSummary summary = summarisePlaneStress(-100, -20, -5);
  EXPECT_FLOAT_EQ(read.subcases[0].quads[0].top.equivalent, 0.5 * (summary.major - summary.minor));
}

TEST(Op2Tables, StrainsThermalAndComplexSubtablesAndOtherElementTypesArePassedOver) {
  Op2File file = makeOp2File({resultfiles_testing::sampleSubcase()}, Op2WriteOptions{});
  Op2Table& stresses = file.tables[1];
  Op2Subtable gap = stresses.subtables[0];
  gap.ident.setWord(op2::kElementTypeWord, 38);  // CGAP: not read
  Op2Subtable strains = stresses.subtables[0];
  strains.ident.setWord(op2::kStressCodeWord, op2::kStrainBit | op2::kVonMisesBit);
  strains.ident.setWord(op2::kSubcaseWord, 8);
  Op2Subtable complex = strains;
  complex.ident.setWord(op2::kStressCodeWord, 1);
  complex.ident.setWord(op2::kFormatCodeWord, 2);
  stresses.subtables.insert(stresses.subtables.end(), {gap, strains, complex});
  Op2Subtable heat = file.tables[0].subtables[0];
  heat.ident.setWord(op2::kThermalWord, 1);
  heat.ident.setWord(op2::kSubcaseWord, 9);
  file.tables[0].subtables.push_back(heat);
  Op2Results read = readBytes(writeOp2(file));
  ASSERT_EQ(read.subcases.size(), 1u);
  EXPECT_EQ(read.subcases[0].rods.size(), 2u);
  EXPECT_TRUE(read.otherApproachCodes.empty());
}

TEST(Op2Tables, AFileOfOtherAnalysesSaysWhatItHolds) {
  Op2File file = makeOp2File({resultfiles_testing::sampleSubcase()}, Op2WriteOptions{});
  for (Op2Table& table : file.tables)
    for (Op2Subtable& subtable : table.subtables) subtable.ident.setWord(op2::kApproachAndDevice, 21);  // modes
  Op2Subtable buckling = file.tables[1].subtables[0];
  buckling.ident.setWord(op2::kApproachAndDevice, 81);
  file.tables[1].subtables.push_back(buckling);
  Op2Results modes = readBytes(writeOp2(file));
  EXPECT_TRUE(modes.subcases.empty());
  EXPECT_EQ(whyNoStaticResults(modes),
            "the file holds normal modes (approach code 2) and buckling modes (approach code "
            "8), and only linear static results are read");
  file.tables.pop_back();
  EXPECT_EQ(whyNoStaticResults(readBytes(writeOp2(file))),
            "the file holds normal modes (approach code 2), and only linear static results are read");
  for (Op2Subtable& subtable : file.tables[0].subtables) subtable.ident.setWord(op2::kApproachAndDevice, 61);
  EXPECT_EQ(whyNoStaticResults(readBytes(writeOp2(file))),
            "the file holds transient response results (approach code 6), and only linear static results are read");
  file.tables[0].name = "GEOM1";
  EXPECT_EQ(
      whyNoStaticResults(readBytes(writeOp2(file))),
      "the file holds no results table that is read (OUGV1, OUG1, BOUGV1, OQG1, OQGV1, OES1X1, OES1X, OES1, OES1C, "
      "OEFIT, OEF1X, OEF1)");
}

TEST(Op2Tables, EntriesComeInElementOrderAndEachOnce) {
  SubcaseResults subcase = resultfiles_testing::sampleSubcase();
  std::swap(subcase.rods.entries[0], subcase.rods.entries[1]);
  Op2Results read = readBytes(writeOp2(makeOp2File({subcase}, Op2WriteOptions{})));
  EXPECT_EQ(read.subcases[0].rods[0].element, 4);  // sorted
  subcase.rods.entries[0].element = 4;
  EXPECT_NE(refusal(writeOp2(makeOp2File({subcase}, Op2WriteOptions{})))
                .find("table OES1X1, subcase 3: element 4 has two entries (damaged file; written by NX Nastran 8.5)"),
            std::string::npos);
  // One element given as a CQUAD4 and a CTRIA3 would stand twice in the plate vectors.
  SubcaseResults twoTypes = resultfiles_testing::sampleSubcase();
  twoTypes.trias.entries[0].element = 1;
  EXPECT_EQ(
      refusal(writeOp2(makeOp2File({twoTypes}, Op2WriteOptions{}))),
      "tables.op2: subcase 3: element 1 has entries of two element types (damaged file; written by NX Nastran 8.5)");
}

TEST(Op2Tables, PlatesOutOfOrderComeBackSortedWithTheirOwnCorners) {
  SubcaseResults subcase = resultfiles_testing::sampleSubcase();
  subcase.quads.clear();
  for (int element : {50, 20, 90}) {
    std::vector<PlateCorner> corners;
    for (int c = 1; c <= 4; ++c)
      corners.push_back({element * 10 + c, plateFibre(-0.5, element * 100.0 + c, 0, 0), plateFibre(0.5, 0, 0, 0)});
    subcase.quads.push_back({element, plateFibre(-0.5, element, 0, 0), plateFibre(0.5, 0, 0, 0)}, corners);
  }
  Op2Results file = readBytes(writeOp2(makeOp2File({subcase}, Op2WriteOptions{})));
  const SubcaseResults& read = file.subcases.at(0);
  ASSERT_EQ(read.quads.size(), 3u);
  ASSERT_EQ(read.quads.cornersEach, 4u);
  for (std::size_t i = 0; i < 3; ++i) {
    int element = std::array{20, 50, 90}[i];
    EXPECT_EQ(read.quads[i].element, element);
    EXPECT_EQ(read.quads[i].bottom.normalX, element);
    for (std::size_t c = 0; c < 4; ++c) {
      EXPECT_EQ(read.quads.cornersOf(i)[c].grid, element * 10 + static_cast<int>(c) + 1);
      EXPECT_EQ(read.quads.cornersOf(i)[c].bottom.normalX, element * 100.0 + static_cast<double>(c) + 1);
    }
  }
}

TEST(Op2Tables, ASolidGivesItsCornerCountOrItsGridCount) {
  SubcaseResults subcase = resultfiles_testing::sampleSubcase();
  subcase.tetras.entries[0].gridCount = 7;
  EXPECT_NE(refusal(writeOp2(makeOp2File({subcase}, Op2WriteOptions{})))
                .find("table OES1X1, subcase 3: element 11 gives 7 grids where 4 or 10 were expected"),
            std::string::npos);
}

}  // namespace
