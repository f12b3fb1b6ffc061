// OUTPUT2 files: what the writer puts down reads back the same in every form real files
// take (4- and 8-byte words, with and without the file header, with and without MSC's
// version records), tables the reader does not use are passed over by their framing, and a
// damaged file is refused with its byte offset and what is wrong.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "resultfiles/format_error.h"
#include "resultfiles/op2_dump.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "resultfiles/sample_results.h"

namespace {

using namespace resultfiles;

Op2WriteOptions nx() { return {.date = {3, 4, 2026}, .label = "NX8.5"}; }

std::string sampleBytes(const Op2WriteOptions& options = nx()) {
  return writeOp2(makeOp2File({resultfiles_testing::sampleSubcase()}, options));
}

std::vector<SubcaseResults> readBack(const std::string& bytes) {
  return readStaticResults(readOp2(bytes, "sample.op2", isStaticResultsTable), "sample.op2");
}

// The results as the bytes the writer makes of them in the same form (equal results, equal
// bytes), or the message of the refusal; read where they lie in `bytes`, or through copied
// tables.
std::string outcome(const std::string& bytes, Op2DataRecords dataRecords, const Op2WriteOptions& options = nx()) {
  try {
    std::vector<SubcaseResults> read =
        dataRecords == Op2DataRecords::InPlace ? readStaticResults(bytes, "sample.op2") : readBack(bytes);
    return writeOp2(makeOp2File(read, options));
  } catch (const FormatError& error) {
    return error.what();
  }
}

std::string word(std::int32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}
std::string longWord(std::int64_t value) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);
  return bytes;
}

std::string message(const std::string& bytes) {
  try {
    readBack(bytes);
  } catch (const FormatError& error) {
    EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace), error.what());
    return error.what();
  }
  return "read";
}

// Every form a file takes.
struct Form {
  const char* name;
  Op2WriteOptions options;
};
std::vector<Form> forms() {
  return {
      {"NX, 4-byte words", nx()},
      {"NX, 8-byte words", {.form = {.wordBytes = 8}, .date = {3, 4, 2026}, .label = "NX2019.2"}},
      {"MSC 2021 with version records", {.form = {.version = "20211"}, .date = {3, 4, 2026}, .label = "XXXXXXXX"}},
      {"MSC 2021, 8-byte words",
       {.form = {.wordBytes = 8, .version = "20211"}, .date = {3, 4, 2026}, .label = "XXXXXXXX"}},
      {"PARAM,POST,-2 without file header", {.form = {.fileHeader = false}}},
      {"8-byte words without file header", {.form = {.wordBytes = 8, .fileHeader = false}}},
      {"OptiStruct", {.date = {3, 4, 2026}, .label = "OS2019.1"}},
  };
}

TEST(Op2File, EveryKindReadsBackAsWrittenInEveryForm) {
  SubcaseResults written = resultfiles_testing::everyKind();
  for (const Form& form : forms()) {
    SCOPED_TRACE(form.name);
    std::string bytes = writeOp2(makeOp2File({written}, form.options));
    EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace, form.options), bytes);
    EXPECT_EQ(outcome(bytes, Op2DataRecords::Copied, form.options), bytes);
    Op2File file = readOp2(bytes, "sample.op2", isStaticResultsTable);
    EXPECT_EQ(file.form.wordBytes, form.options.form.wordBytes);
    EXPECT_EQ(file.form.fileHeader, form.options.form.fileHeader);
    EXPECT_EQ(file.form.version, form.options.form.version);
    std::vector<SubcaseResults> read = readStaticResults(file, "sample.op2");
    ASSERT_EQ(read.size(), 1u);
    const SubcaseResults& r = read.front();
    EXPECT_EQ(r.title, "Plate with a stiffener");
    EXPECT_EQ(r.spcForces[1].values, written.spcForces[1].values);
    EXPECT_EQ(r.beams[0].stations.size(), 3u);
    EXPECT_EQ(r.beams[0].stations[2].grid, 102);
    EXPECT_EQ(r.quads.cornersOf(0)[3].grid, 4);
    EXPECT_EQ(r.quads.cornersOf(0)[3].top.normalX, -104.0);
    EXPECT_EQ(r.tria6s.cornersOf(0).size(), 3u);
    EXPECT_EQ(r.tetras[0].gridCount, 10);
    EXPECT_EQ(r.hexas[0].points.size(), 9u);
    EXPECT_EQ(r.pentas[0].points[6].shearZX, 36.0);
    EXPECT_EQ(r.quadPlies[1].ply, 2);
    EXPECT_EQ(r.quadPlyFailures[1].theory, "HILL");
    EXPECT_EQ(r.quadPlyFailures[1].failureIndex, 0.5);
    EXPECT_EQ(r.barForces[0].moment2B, -150.0);
    EXPECT_EQ(r.beamForces[0].stations[1].warpingTorque, 0.5);
    EXPECT_EQ(r.quadForces.cornersOf(0)[2].values.membraneX, 4.0);
  }
}

TEST(Op2File, TheDoublesOfEightByteWordsAreHeldInSinglePrecisionAsFemapHoldsResults) {
  SubcaseResults subcase;
  subcase.displacements = {{1, {0.25f, 0, 0, 0, 0, 0}}};
  std::string wide = writeOp2(makeOp2File({subcase}, {.form = {.wordBytes = 8}}));
  // A 64-bit Nastran's double: one third where the writer put 0.25.
  std::size_t at = wide.find(longWord(std::bit_cast<std::int64_t>(0.25)));
  ASSERT_NE(at, std::string::npos);
  wide.replace(at, 8, longWord(std::bit_cast<std::int64_t>(1.0 / 3)));
  std::vector<SubcaseResults> read = readStaticResults(wide, "wide.op2");
  EXPECT_EQ(read[0].displacements[0].values[0], 1.0f / 3);
}

TEST(Op2File, FramingIsFortranRecordsOfLittleEndianWords) {
  std::string bytes = sampleBytes();
  // [4] 3 [4], [12] month day year-2000 [12], [4] 7 [4], [28] tape code [28] ...
  EXPECT_EQ(bytes.substr(0, 12), word(4) + word(3) + word(4));
  EXPECT_EQ(bytes.substr(12, 20), word(12) + word(3) + word(4) + word(26) + word(12));
  EXPECT_EQ(bytes.substr(44, 36), word(28) + "NASTRAN FORT TAPE ID CODE - " + word(28));
  EXPECT_EQ(bytes.substr(92, 16), word(8) + "NX8.5   " + word(8));
  // ... the header's end [-1] [0] and the first table's name ...
  EXPECT_EQ(bytes.substr(108, 24), word(4) + word(-1) + word(4) + word(4) + word(0) + word(4));
  EXPECT_EQ(bytes.substr(132, 28), word(4) + word(2) + word(4) + word(8) + "OUGV1   " + word(8));
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
  EXPECT_EQ(rods.stressCode(), 1);
  EXPECT_EQ(file.date.year, 2026);
  EXPECT_EQ(describeWriter(file), "NX Nastran 8.5");
}

TEST(Op2File, MscVersionRecordsFollowTheLabelAndEveryTableName) {
  std::string bytes = sampleBytes({.form = {.version = "20211"}, .date = {3, 4, 2026}, .label = "XXXXXXXX"});
  EXPECT_EQ(bytes.substr(92, 16), word(8) + "XXXXXXXX" + word(8));
  // A second block after the label: [4] 6 [4] [24] version, "0   ", 0, blanks [24].
  std::string labelVersion = word(4) + word(6) + word(4) + word(24) + "20211   0   " + word(0) + "        " + word(24);
  EXPECT_EQ(bytes.substr(108, labelVersion.size()), labelVersion);
  std::string nameVersion = word(4) + word(2) + word(4) + word(8) + "OUGV1   " + word(8) + word(4) + word(6) + word(4) +
                            word(24) + "20211   0   " + word(0) + "OUGV1   " + word(24);
  EXPECT_EQ(bytes.substr(108 + labelVersion.size() + 24, nameVersion.size()), nameVersion);
  Op2File file = readOp2(bytes, "msc.op2", isStaticResultsTable);
  EXPECT_EQ(file.form.version, "20211");
  EXPECT_EQ(describeWriter(file), "MSC Nastran 2021.1");
  EXPECT_EQ(readBack(bytes).front().rods.size(), 2u);
}

TEST(Op2File, EightByteWordsAndFilesWithoutHeader) {
  std::string wide = sampleBytes({.form = {.wordBytes = 8}, .date = {3, 4, 2026}, .label = "NX2019.2"});
  // [4] 3 as 8 bytes [4], [24] the date [24] ..., texts as 4 characters and 4 blanks a word.
  EXPECT_EQ(wide.substr(0, 16), word(8) + longWord(3) + word(8));
  EXPECT_EQ(wide.substr(16, 32), word(24) + longWord(3) + longWord(4) + longWord(26) + word(24));
  EXPECT_EQ(wide.substr(64, 28), word(56) + "NAST    RAN     FORT    ");
  EXPECT_EQ(describeWriter(readOp2(wide, "wide.op2", isStaticResultsTable)), "NX Nastran 2019.2");
  // MSC puts the 8 characters of a name in the first half of its two words: read alike.
  std::string interlaced = wide;
  std::size_t name = interlaced.find("OUGV    1       ");
  ASSERT_NE(name, std::string::npos);
  interlaced.replace(name, 16, "OUGV1           ");
  EXPECT_EQ(readOp2(interlaced, "packed.op2", isStaticResultsTable).tables[0].name, "OUGV1");

  std::string bare = sampleBytes({.form = {.fileHeader = false}});
  EXPECT_EQ(bare.substr(0, 28), word(4) + word(2) + word(4) + word(8) + "OUGV1   " + word(8));
  Op2File file = readOp2(bare, "bare.op2", isStaticResultsTable);
  EXPECT_FALSE(file.form.fileHeader);
  EXPECT_EQ(describeWriter(file), "");
  EXPECT_EQ(readBack(bare).front().hexas.size(), 1u);
}

TEST(Op2File, MatrixFramedAndOtherTablesAreSkippedByTheirFraming) {
  SubcaseResults big;
  for (int grid = 1; grid <= 10000; ++grid) big.displacements.push_back({grid, {0.5, 0, 0, 0, 0, 0}});
  Op2File file = makeOp2File({big}, nx());
  // A table the results reader does not use, placed first, and a stiffness matrix (marks
  // -k 1 1 before each column) named as a results table would be: both skipped.
  Op2Table geometry = file.tables.front();
  geometry.name = "GEOM1S";
  Op2Table matrix{.name = "OES1X", .trailer = {101, 3, 3, 6, 1, 0, 0}, .matrix = true};
  for (int column = 1; column <= 3; ++column) {
    Op2Words words;
    words.integer(column);
    words.real(1e6 * column);
    matrix.columns.push_back(words.take());
  }
  matrix.columns.push_back("");  // a null column
  file.tables.insert(file.tables.begin(), {geometry, matrix});
  std::string bytes = writeOp2(file);
  std::vector<SubcaseResults> read = readBack(bytes);
  ASSERT_EQ(read.size(), 1u);
  ASSERT_EQ(read[0].displacements.size(), 10000u);  // 80,000 words: two blocks
  EXPECT_EQ(read[0].displacements.back().grid, 10000);
  Op2File listed = readOp2(bytes, "sample.op2", isStaticResultsTable);
  EXPECT_TRUE(listed.tables[1].matrix);
  EXPECT_EQ(listed.tables[1].records, 4u);
  EXPECT_NE(dumpOp2(bytes, "sample.op2")
                .find("table OES1X at byte " + std::to_string(listed.tables[1].offset) +
                      ", trailer 101 3 3 6 1 0 0, 4 columns (a matrix)"),
            std::string::npos);
}

TEST(Op2File, EntriesStraddlingBlocksAreReadInPlaceAsThroughCopies) {
  // 17-word plates and 193-word hexas do not divide the 65,536-word blocks: some entries
  // begin in one block and end in the next.
  SubcaseResults big = resultfiles_testing::sampleSubcase();
  SolidStress hexa = big.hexas.front();
  big.quads.clear();
  big.trias.clear();
  big.tetras.clear();
  big.hexas.clear();
  for (int element = 1; element <= 5000; ++element)
    big.quads.push_back({element, plateFibre(-0.5, element, 0, 0), plateFibre(0.5, 0, element, 0)});
  for (int element = 1; element <= 400; ++element) {
    hexa.element = element;
    hexa.points[8].normalZ = element;
    big.hexas.push_back(hexa);
  }
  for (std::size_t wordBytes : {4, 8}) {
    Op2WriteOptions options = nx();
    options.form.wordBytes = wordBytes;
    std::string bytes = writeOp2(makeOp2File({big}, options));
    EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace, options), bytes);
    EXPECT_EQ(outcome(bytes, Op2DataRecords::Copied, options), bytes);
    std::vector<SubcaseResults> read = readStaticResults(bytes, "sample.op2");
    ASSERT_EQ(read.size(), 1u);
    const PlateStress& straddling = read[0].quads[3855];  // words 65,536-65,552 of the record
    EXPECT_EQ(straddling.element, 3856);
    EXPECT_EQ(straddling.bottom.normalX, 3856.0);
    EXPECT_EQ(straddling.top.normalY, 3856.0);
    EXPECT_EQ(read[0].hexas[339].points[8].normalZ, 340.0);  // words 65,428-65,620
  }
}

TEST(Op2File, AnEntryFaultNamesItsWordInTheWholeRecordAndTheWriter) {
  SubcaseResults big;
  for (int grid = 1; grid <= 10000; ++grid) big.displacements.push_back({grid, {0.5, 0, 0, 0, 0, 0}});
  big.displacements[8999].grid = 0;  // in the second block
  std::string bytes = writeOp2(makeOp2File({big}, nx()));
  EXPECT_EQ(outcome(bytes, Op2DataRecords::InPlace), outcome(bytes, Op2DataRecords::Copied));
  EXPECT_NE(outcome(bytes, Op2DataRecords::InPlace)
                .find("table OUGV1, subcase 1: grid 0 at word 71993 of the data record is no valid ID (damaged file; "
                      "written by NX Nastran 8.5)"),
            std::string::npos)
      << outcome(bytes, Op2DataRecords::InPlace);
}

TEST(Op2File, EveryTruncationIsRefusedWithItsOffset) {
  for (const Form& form : forms()) {
    SCOPED_TRACE(form.name);
    std::string bytes = sampleBytes(form.options);
    for (std::size_t length = 0; length < bytes.size(); length += 3) {
      std::string cut = bytes.substr(0, length);
      try {
        readBack(cut);
        ADD_FAILURE() << "a file cut to " << length << " bytes was read";
      } catch (const FormatError& error) {
        std::string text = error.what();
        EXPECT_EQ(text.rfind("sample.op2: at byte ", 0), 0u) << text;
        EXPECT_TRUE(text.find("truncated file") != std::string::npos ||
                    text.find("not an OUTPUT2 file") != std::string::npos)
            << text;
        EXPECT_EQ(outcome(cut, Op2DataRecords::InPlace), text);
      }
    }
  }
}

TEST(Op2File, DamagedAndForeignFilesSayWhatIsWrong) {
  std::string bytes = sampleBytes();
  std::string closing = bytes;
  closing[28] = 9;  // the date record's closing length
  EXPECT_EQ(message(closing),
            "sample.op2: at byte 28: the date record: the record's closing length 9 does not match "
            "its opening length 12 (damaged file)");
  EXPECT_EQ(message("FEMAP neutral\n"),
            "sample.op2: at byte 0: not an OUTPUT2 file: it does not begin with a "
            "Fortran record of one 4- or 8-byte word");
  EXPECT_EQ(message(word(0x04000000) + word(3)),
            "sample.op2: at byte 0: a big-endian OUTPUT2 file; only little-endian files are read");
  EXPECT_EQ(message("$ formatted\n       3\nNASTRAN FORT TAPE ID CODE - \n"),
            "sample.op2: at byte 0: a formatted (text) OUTPUT2 file; only unformatted (binary) OUTPUT2 files are read");
  EXPECT_EQ(message(word(4) + word(5) + word(4)),
            "sample.op2: at byte 0: not an OUTPUT2 file: its first record holds 5 where the file header (3) or a table "
            "name (2) begins");
  EXPECT_EQ(message(bytes + "x"),
            "sample.op2: at byte " + std::to_string(bytes.size()) +
                ": 1 bytes follow the end-of-file mark (damaged file; written by NX Nastran 8.5)");
  std::string version = bytes;
  version.replace(108, 12, word(4) + word(6) + word(4));  // a version record is announced but not there
  EXPECT_EQ(message(version),
            "sample.op2: at byte 120: the version record after the label: a block of 4 bytes where 6 "
            "words of 4 bytes were announced (damaged file; written by NX Nastran 8.5)");

  Op2File file = makeOp2File({resultfiles_testing::sampleSubcase()}, nx());
  file.tables[1].subtables[0].ident.setWord(10, 6);  // rods said to be 6 words wide
  EXPECT_NE(message(writeOp2(file))
                .find("table OES1X1, subcase 3: 6 words per CROD entry where 5 were expected "
                      "(damaged file; written by NX Nastran 8.5)"),
            std::string::npos);
}

TEST(Op2Dump, ListsTablesIdentFieldsAndEntries) {
  std::string dump = dumpOp2(sampleBytes(), "sample.op2");
  EXPECT_NE(dump.find("OUTPUT2 file of 4-byte words, label \"NX8.5\" (NX Nastran 8.5), dated 2026-3-4"),
            std::string::npos);
  EXPECT_NE(dump.find("table OES1X1 at byte"), std::string::npos);
  EXPECT_NE(dump.find("approach code 1, device code 1, table code 5, sort code 0, element type 67, subcase 3, "
                      "load set 7, format code 1, words per entry 193"),
            std::string::npos);
  EXPECT_NE(dump.find("  element 9: axial -3.25, margin 0, torsion 1, margin 0\n"), std::string::npos);
  EXPECT_NE(dump.find("  grid 5: 1.2e-05 -2.5 0.1 0 0 0\n"), std::string::npos);
  std::string every = dumpOp2(writeOp2(makeOp2File({resultfiles_testing::everyKind()}, nx())), "every.op2");
  EXPECT_NE(every.find("  element 95 ply 2: HILL failure index 0.5\n"), std::string::npos);
  EXPECT_NE(every.find("    grid 102 at 1: -1 -2 -3 -4, max -1, min -4, margins 1.5 0.125\n"), std::string::npos);
  EXPECT_NE(dumpOp2(sampleBytes({.form = {.fileHeader = false}}), "bare.op2")
                .find("OUTPUT2 file of 4-byte words, without file header (PARAM,POST,-2)"),
            std::string::npos);
}

}  // namespace
