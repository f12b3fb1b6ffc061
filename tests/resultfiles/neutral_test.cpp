// FEMAP neutral results: the writer's file reads back to the same sets and vectors, the
// reader takes the older vector block, ranges of values and blocks it does not use, and a
// damaged file is refused with its line.
#include <gtest/gtest.h>

#include <cmath>

#include "resultfiles/format_error.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/sample_results.h"

namespace {

using namespace resultfiles;

std::string message(const std::string& text) {
  try {
    readNeutral(text, "run.fno");
  } catch (const FormatError& error) {
    return error.what();
  }
  return "read";
}

TEST(NeutralFile, SetsAndVectorsOfEveryKindReadBackAsWritten) {
  NeutralFile written;
  written.sets.push_back(outputSetFor(resultfiles_testing::everyKind(), 1));
  written.sets.push_back(outputSetFor(resultfiles_testing::sampleSubcase(), 4));
  written.sets[1].title = "";
  std::string text = writeNeutral(written);
  EXPECT_EQ(text.substr(0, 37), "   -1\r\n   100\r\n<NULL>\r\n11.4,\r\n   -1\r\n");
  NeutralFile read = readNeutral(text, "run.fno");
  ASSERT_EQ(read.sets.size(), 2u);
  EXPECT_EQ(read.version, "11.4");
  for (std::size_t s = 0; s < 2; ++s) {
    EXPECT_EQ(read.sets[s].id, written.sets[s].id);
    EXPECT_EQ(read.sets[s].title, written.sets[s].title);
    EXPECT_EQ(read.sets[s].subcase, written.sets[s].subcase);
    ASSERT_EQ(read.sets[s].vectors.size(), written.sets[s].vectors.size());
    for (std::size_t v = 0; v < written.sets[s].vectors.size(); ++v) {
      const OutputVector& a = written.sets[s].vectors[v];
      const OutputVector& b = read.sets[s].vectors[v];
      EXPECT_EQ(b.id, a.id);
      EXPECT_EQ(b.title, a.title);
      EXPECT_EQ(b.entityType, a.entityType);
      EXPECT_EQ(b.outputType, a.outputType);
      EXPECT_EQ(b.components, a.components) << a.title;
      EXPECT_EQ(b.componentDirection, a.componentDirection) << a.title;
      EXPECT_EQ(b.combinable, a.combinable) << a.title;
      EXPECT_EQ(b.centroidTotal, a.centroidTotal) << a.title;
      EXPECT_EQ(b.entities.list(), a.entities.list()) << a.title;
      EXPECT_EQ(b.values.all(), a.values.all()) << a.title;  // every double's shortest text reads back exactly
    }
  }
}

TEST(NeutralFile, OlderVectorBlockRangesAndOtherBlocksAreRead) {
  std::string text =
      "   -1\n   100\nModel\n4.41,\n   -1\n"
      "   -1\n   403\n1,0,0,1,46,0,0,0,0,0,0,0.,0.,0.,\n   -1\n"
      "   -1\n   450\n2,\nCase 2\n0,1,\n0.,\n2,\nfirst note\nsecond note\n5,\nLater case\n0,1,0,0,\n0.,\n1,\n<NULL>\n"
      "0,0,0,\n-1,-1,0,\n9,0,\n   -1\n"
      "   -1\n   451\n2,1,1,\nTotal Translation\n0.,1.,1.,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n"
      "0,0,1,7,\n1,1,1,\n3,0.25,\n1,0.5\n-1,0.\n"
      "5,7033,1,\nPlate Top VonMises Stress\n0.,1.,1.,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n"
      "0,0,4,8,\n1,0,1,\n10,19,1.,2.,3.,4.,5.,6.,7.,8.,\n9.,1.0E+01,\n-1,0.\n   -1\n";
  NeutralFile file = readNeutral(text, "run.fno");
  EXPECT_EQ(file.title, "Model");
  ASSERT_EQ(file.sets.size(), 2u);
  EXPECT_EQ(file.sets[0].title, "Case 2");
  EXPECT_EQ(file.sets[1].id, 5);
  EXPECT_EQ(file.sets[1].subcase, 9);
  ASSERT_EQ(file.sets[0].vectors.size(), 1u);
  EXPECT_EQ(file.sets[0].vectors[0].entities.list(), (std::vector<int>{1, 3}));  // in ascending order
  EXPECT_EQ(file.sets[0].vectors[0].values.all(), (std::vector<double>{0.5, 0.25}));
  const OutputVector& range = file.sets[1].vectors.at(0);
  EXPECT_EQ(range.entityType, kElementalOutput);
  EXPECT_EQ(range.entities.size(), 10u);
  EXPECT_EQ(range.entities.list().back(), 19);
  EXPECT_EQ(range.values[9], 10.0);
}

// A file of one set and one vector whose value records are `records` (from line 19 on).
std::string vectorWithRecords(const std::string& records) {
  return "   -1\n   450\n1,\nCase 1\n0,1,\n0.,\n0,\n   -1\n"
         "   -1\n   1051\n1,2,1,\nT1 Translation\n0.,0.,0.,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,\n"
         "0,0,1,7,0,\n0,0,1,0,\n" +
         records + "-1,0.\n   -1\n";
}

TEST(NeutralFile, AFileWithoutHeaderIsWrittenWithTheCurrentVersion) {
  NeutralFile file = readNeutral(vectorWithRecords("1,0.5,\n"), "run.fno");
  EXPECT_EQ(file.version, "");
  std::string text = writeNeutral(file);
  EXPECT_NE(text.find("\r\n11.4,\r\n"), std::string::npos);
  NeutralFile again = readNeutral(text, "written.fno");
  EXPECT_EQ(again.version, "11.4");
  EXPECT_EQ(writeNeutral(again), text);
  ASSERT_EQ(again.sets.size(), 1u);
  EXPECT_EQ(again.sets[0].vectors.at(0).values.all(), (std::vector<double>{0.5}));
}

TEST(NeutralFile, ATitleThatHoldsOutput2sTapeCodeIsStillANeutralFile) {
  NeutralFile file;
  file.title = "NASTRAN FORT TAPE ID CODE - notes";
  file.sets.push_back(outputSetFor(resultfiles_testing::sampleSubcase(), 1));
  std::string text = writeNeutral(file);
  EXPECT_FALSE(looksLikeOutput2(text));
  EXPECT_EQ(readNeutral(text, "run.fno").title, file.title);
  EXPECT_TRUE(looksLikeOutput2("       3\nNASTRAN FORT TAPE ID CODE - \n"));
}

TEST(NeutralFile, ValueRecordsAreReadInEveryForm) {
  // Blanks or commas between fields, Fortran's forms, more digits or larger exponents than
  // FEMAP writes: each the number C reads from the same digits.
  NeutralFile file = readNeutral(vectorWithRecords("1,0.5,\n 2 , -2.5E-3\n3\t7.25D+02,\r\n4,+1.5,\n"
                                                   "5,0.1234567890123456789,\n6,1e300,\n7,-0.,\n8,.5\n9,1.e2,\n"
                                                   "10,123456789012345,\n11,1e-22,\n12,4.4e-23,\n"),
                                 "run.fno");
  ASSERT_EQ(file.sets.size(), 1u);
  ASSERT_EQ(file.sets[0].vectors.size(), 1u);
  const OutputVector& vector = file.sets[0].vectors[0];
  EXPECT_EQ(vector.entities.list(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(vector.values.all(), (std::vector<double>{0.5, -2.5e-3, 725, 1.5, 0.1234567890123456789, 1e300, 0, 0.5, 100,
                                                      123456789012345, 1e-22, 4.4e-23}));
  EXPECT_TRUE(std::signbit(vector.values[6]));

  EXPECT_EQ(message(vectorWithRecords("1,0.5,\n2,1.5x,\n")), "run.fno:20: value: '1.5x' is no number");
  EXPECT_EQ(message(vectorWithRecords("1,1e,\n")), "run.fno:19: value: '1e' is no number");
  EXPECT_EQ(message(vectorWithRecords("1,,0.5\n")), "run.fno:19: last entity ID of a range: '' is no integer");
  EXPECT_EQ(message(vectorWithRecords("1a,0.5\n")), "run.fno:19: entity ID: '1a' is no integer");
  EXPECT_EQ(message(vectorWithRecords("1,1e999,\n")), "run.fno:19: value: '1e999' is no number");
}

TEST(NeutralFile, DamagedAndForeignFilesSayWhereAndWhat) {
  NeutralFile written;
  written.sets.push_back(outputSetFor(resultfiles_testing::sampleSubcase(), 1));
  std::string text = writeNeutral(written);
  // Cut after every line: refused (a cut between whole blocks is a file with fewer blocks).
  std::size_t refused = 0, lines = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', end + 1), ++lines) {
    std::string error = message(text.substr(0, end + 1));
    if (error == "read") continue;
    ++refused;
    EXPECT_EQ(error.rfind("run.fno:", 0), 0u) << error;
  }
  EXPECT_GE(refused, lines - 3);

  EXPECT_EQ(message("FEMAPSIM 1\n"),
            "run.fno:1: not a FEMAP neutral file: it does not begin with a block start (\"   -1\")");
  EXPECT_EQ(message(""), "run.fno: not a FEMAP neutral file: it holds no block");
  EXPECT_EQ(message("   -1\n   1051\n3,1,1,\nT\n0.,0.,0.,\n0,0,0,0,0,0,0,0,0,0,\n0,0,0,0,0,0,0,0,0,0,\n0,\n"
                    "0,0,1,7,0,\n0,0,1,0,\n1,2.,\n-1,0.\n   -1\n"),
            "run.fno:3: output vectors of output set 3, which the file does not define (block 450)");
  std::string twice = text;
  std::size_t record = twice.find("\r\n5,");  // grid 5 of vector 1
  ASSERT_NE(record, std::string::npos);
  twice.insert(record + 2, "5,1.,\r\n");
  EXPECT_NE(message(twice).find("vector 1 has two values for entity 5"), std::string::npos);
  std::string lonely = text;
  lonely.insert(lonely.find("\r\n5,") + 2, "7\r\n");  // an entity without its value
  EXPECT_NE(message(lonely).find("a value record needs an entity ID and a value"), std::string::npos);
  std::string badNumber = text;
  std::size_t grid2 = badNumber.find("\r\n2,5,\r\n");  // total translation 5 at grid 2
  ASSERT_NE(grid2, std::string::npos);
  badNumber.replace(grid2 + 4, 1, "x.");
  EXPECT_NE(message(badNumber).find("value: 'x.' is no number"), std::string::npos) << message(badNumber);
}

}  // namespace
