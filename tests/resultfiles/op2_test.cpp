// OUTPUT2 files: what the writer puts down reads back the same, tables the reader does not
// use are passed over by their framing, and a damaged file is refused with its byte offset.
#include <gtest/gtest.h>

#include <cstring>

#include "resultfiles/format_error.h"
#include "resultfiles/op2_dump.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "resultfiles/sample_results.h"

namespace {

using namespace resultfiles;

std::string sampleBytes() {
  return writeOp2(makeOp2File({resultfiles_testing::sampleSubcase()}, {3, 4, 2026}, "NX8.5"));
}

std::vector<SubcaseResults> readBack(const std::string& bytes) {
  return readStaticResults(readOp2(bytes, "sample.op2", isStaticResultsTable), "sample.op2");
}

// The results as the bytes the writer makes of them (equal results, equal bytes), or the
// message of the refusal; read where they lie in `bytes`, or through copied tables.
std::string outcome(const std::string& bytes, Op2DataRecords dataRecords) {
  try {
    std::vector<SubcaseResults> read = dataRecords == Op2DataRecords::InPlace ? readStaticResults(bytes, "sample.op2")
                                                                               : readBack(bytes);
    return writeOp2(makeOp2File(read, {1, 1, 2026}, "NX8.5"));
  } catch (const FormatError& error) {
    return error.what();
  }
}

std::string word(std::int32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

bool sameFibre(const PlateFibre& a, const PlateFibre& b) {
  return a.distance == b.distance && a.normalX == b.normalX && a.normalY == b.normalY && a.shearXY == b.shearXY &&
         a.angle == b.angle && a.major == b.major && a.minor == b.minor && a.vonMises == b.vonMises;
}

TEST(Op2File, ResultsReadBackAsWritten) {
  SubcaseResults written = resultfiles_testing::sampleSubcase();
  std::vector<SubcaseResults> read = readBack(sampleBytes());
  ASSERT_EQ(read.size(), 1u);
  const SubcaseResults& r = read.front();
  EXPECT_EQ(r.subcase, 3);
  EXPECT_EQ(r.loadSet, 7);
  EXPECT_EQ(r.title, "Plate with a stiffener");
  EXPECT_EQ(r.subtitle, "Edge load");
  ASSERT_EQ(r.displacements.size(), 3u);
  EXPECT_EQ(r.displacements[2].grid, 5);
  EXPECT_EQ(r.displacements[2].values, written.displacements[2].values);
  ASSERT_EQ(r.rods.size(), 2u);
  EXPECT_EQ(r.rods[1].element, 9);
  EXPECT_EQ(r.rods[1].axial, -3.25f);
  EXPECT_EQ(r.rods[1].torsion, 1.0f);
  ASSERT_EQ(r.quads.size(), 1u);
  ASSERT_EQ(r.trias.size(), 2u);
  EXPECT_TRUE(sameFibre(r.quads[0].bottom, written.quads[0].bottom));
  EXPECT_TRUE(sameFibre(r.trias[1].top, written.trias[1].top));
  ASSERT_EQ(r.hexas.size(), 1u);
  ASSERT_EQ(r.hexas[0].points.size(), 9u);
  EXPECT_EQ(r.hexas[0].points[8].grid, 28);
  EXPECT_EQ(r.hexas[0].points[8].normalX, 38.0f);
  EXPECT_EQ(r.hexas[0].points[0].vonMises, written.hexas[0].points[0].vonMises);
  ASSERT_EQ(r.tetras.size(), 1u);
  EXPECT_EQ(r.tetras[0].points.size(), 5u);
}

TEST(Op2File, FramingIsFortranRecordsOfLittleEndianWords) {
  std::string bytes = sampleBytes();
  // [4] 3 [4], [12] month day year-2000 [12], [4] 7 [4], [28] tape code [28] ...
  EXPECT_EQ(bytes.substr(0, 12), word(4) + word(3) + word(4));
  EXPECT_EQ(bytes.substr(12, 20), word(12) + word(3) + word(4) + word(26) + word(12));
  EXPECT_EQ(bytes.substr(44, 36), word(28) + "NASTRAN FORT TAPE ID CODE - " + word(28));
  EXPECT_EQ(bytes.substr(92, 16), word(8) + "NX8.5   " + word(8));
  // ... and the table's end mark [-n 1 0] [0] followed by the file's end mark [0].
  EXPECT_EQ(bytes.substr(bytes.size() - 24), word(4) + word(0) + word(4) + word(4) + word(0) + word(4));
  Op2File file = readOp2(bytes, "sample.op2", [](std::string_view) { return true; });
  ASSERT_EQ(file.tables.size(), 2u);
  EXPECT_EQ(file.tables[0].name, "OUGV1");
  EXPECT_EQ(file.tables[1].name, "OES1X1");
  const Op2Ident& rods = file.tables[1].subtables[0].ident;
  EXPECT_EQ(rods.approachCode(), 1);
  EXPECT_EQ(rods.tableCode(), 5);
  EXPECT_EQ(rods.elementType(), 1);
  EXPECT_EQ(rods.numWide(), 5);
  EXPECT_EQ(file.date.year, 2026);
}

TEST(Op2File, OtherTablesAndLongRecordsAreReadByTheirFraming) {
  SubcaseResults big;
  for (int grid = 1; grid <= 10000; ++grid) big.displacements.push_back({grid, {0.5f, 0, 0, 0, 0, 0}});
  Op2File file = makeOp2File({big}, {1, 1, 2026}, "NX8.5");
  // A table the results reader does not use, placed first: it is skipped.
  Op2Table geometry = file.tables.front();
  geometry.name = "GEOM1S";
  file.tables.insert(file.tables.begin(), geometry);
  std::vector<SubcaseResults> read = readBack(writeOp2(file));
  ASSERT_EQ(read.size(), 1u);
  ASSERT_EQ(read[0].displacements.size(), 10000u);  // 80,000 words: two blocks
  EXPECT_EQ(read[0].displacements.back().grid, 10000);
}

TEST(Op2File, EntriesStraddlingBlocksAreReadInPlaceAsThroughCopies) {
  // 17-word plates and 193-word hexas do not divide the 65,536-word blocks: some entries
  // begin in one block and end in the next.
  SubcaseResults big = resultfiles_testing::sampleSubcase();
  SolidStress hexa = big.hexas.front();
  big.quads.clear();
  big.hexas.clear();
  for (int element = 1; element <= 5000; ++element)
    big.quads.push_back({element, plateFibre(-0.5, element, 0, 0), plateFibre(0.5, 0, element, 0)});
  for (int element = 1; element <= 400; ++element) {
    hexa.element = element;
    hexa.points[8].normalZ = static_cast<float>(element);
    big.hexas.push_back(hexa);
  }
  std::string bytes = writeOp2(makeOp2File({big}, {1, 1, 2026}, "NX8.5"));
  EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace), bytes);
  EXPECT_EQ(outcome(bytes, Op2DataRecords::Copied), bytes);
  std::vector<SubcaseResults> read = readStaticResults(bytes, "sample.op2");
  ASSERT_EQ(read.size(), 1u);
  const PlateStress& straddling = read[0].quads[3855];  // words 65,536-65,552 of the record
  EXPECT_EQ(straddling.element, 3856);
  EXPECT_EQ(straddling.bottom.normalX, 3856.0f);
  EXPECT_EQ(straddling.top.normalY, 3856.0f);
  EXPECT_EQ(read[0].hexas[339].points[8].normalZ, 340.0f);  // words 65,428-65,620
}

TEST(Op2File, AnEntryFaultNamesItsWordInTheWholeRecord) {
  SubcaseResults big;
  for (int grid = 1; grid <= 10000; ++grid) big.displacements.push_back({grid, {0.5f, 0, 0, 0, 0, 0}});
  big.displacements[8999].grid = 0;  // in the second block
  std::string bytes = writeOp2(makeOp2File({big}, {1, 1, 2026}, "NX8.5"));
  EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace), outcome(bytes, Op2DataRecords::Copied));
  EXPECT_NE(outcome(bytes, Op2DataRecords::InPlace).find("table OUGV1, subcase 1: grid 0 at word 71993 of the data "
                                                         "record is no valid ID"),
            std::string::npos)
      << outcome(bytes, Op2DataRecords::InPlace);
}

TEST(Op2File, SubtablesOfOtherKindsArePassedOver) {
  Op2File file = makeOp2File({resultfiles_testing::sampleSubcase()}, {1, 1, 2026}, "NX8.5");
  Op2Subtable bars = file.tables[1].subtables[0];
  bars.ident.setWord(3, 34);  // CBAR
  bars.ident.setWord(10, 16);
  bars.data.assign(32, 0);
  file.tables[1].subtables.push_back(bars);
  Op2Subtable heat = file.tables[0].subtables[0];
  heat.ident.setWord(23, 1);  // thermal: temperatures, not displacements
  file.tables[0].subtables.push_back(heat);
  std::vector<SubcaseResults> read = readBack(writeOp2(file));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].displacements.size(), 3u);
  EXPECT_EQ(read[0].rods.size(), 2u);
}

TEST(Op2File, EveryTruncationIsRefusedWithItsOffset) {
  std::string bytes = sampleBytes();
  for (std::size_t length = 0; length < bytes.size(); length += 3) {
    std::string cut = bytes.substr(0, length);
    try {
      readBack(cut);
      ADD_FAILURE() << "a file cut to " << length << " bytes was read";
    } catch (const FormatError& error) {
      EXPECT_NE(std::string(error.what()).find("sample.op2: at byte "), std::string::npos) << error.what();
      EXPECT_EQ(outcome(cut, Op2DataRecords::InPlace), error.what());
    }
  }
}

TEST(Op2File, DamagedAndForeignFilesSayWhatIsWrong) {
  auto message = [](const std::string& bytes) {
    try {
      readBack(bytes);
    } catch (const FormatError& error) {
      EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace), error.what());
      return std::string(error.what());
    }
    return std::string("read");
  };
  std::string bytes = sampleBytes();
  std::string closing = bytes;
  closing[28] = 9;  // the date record's closing length
  EXPECT_EQ(message(closing), "sample.op2: at byte 28: the date record: the record's closing length 9 does not match "
                              "its opening length 12 (damaged file)");
  EXPECT_EQ(message("FEMAP neutral\n"), "sample.op2: at byte 0: not an OUTPUT2 file: it does not begin with a "
                                        "Fortran record of one word");
  EXPECT_EQ(message(word(0x04000000) + word(3)),
            "sample.op2: at byte 0: a big-endian OUTPUT2 file; only little-endian files are read");
  EXPECT_NE(message(bytes + "x").find("1 bytes follow the end-of-file mark"), std::string::npos);

  Op2File file = makeOp2File({resultfiles_testing::sampleSubcase()}, {1, 1, 2026}, "NX8.5");
  file.tables[1].subtables[0].ident.setWord(10, 6);  // rods said to be 6 words wide
  std::string wrongLayout = writeOp2(file);
  EXPECT_NE(message(wrongLayout).find("table OES1X1, subcase 3: 6 words per CROD where 5 were expected"),
            std::string::npos);
}

TEST(Op2Dump, ListsTablesIdentFieldsAndEntries) {
  std::string dump = dumpOp2(sampleBytes(), "sample.op2");
  EXPECT_NE(dump.find("OUTPUT2 file, label \"NX8.5\", dated 2026-3-4"), std::string::npos);
  EXPECT_NE(dump.find("table OES1X1 at byte"), std::string::npos);
  EXPECT_NE(dump.find("approach code 1, device code 1, table code 5, sort code 0, element type 67, subcase 3, "
                      "load set 7, format code 1, words per entry 193"),
            std::string::npos);
  EXPECT_NE(dump.find("  element 9: axial -3.25, margin 0, torsion 1, margin 0\n"), std::string::npos);
  EXPECT_NE(dump.find("  grid 5: 1.2e-05 -2.5 0.1 0 0 0\n"), std::string::npos);
}

}  // namespace
