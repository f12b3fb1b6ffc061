// The simulated FEMAP's results readers on genuine files: OUTPUT2 through
// feFileReadNastranResults and neutral results through feFileReadNeutral become output sets
// with FEMAP's vector IDs; a damaged or foreign file is refused whole and adds nothing.
#include <gtest/gtest.h>

#include "femap/object.h"
#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "resultfiles/femap_vectors.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_format.h"
#include "resultfiles/op2_tables.h"
#include "testing/temp_dir.h"

namespace femapsim {
namespace {

using femap::Object;
using testing_support::ScopedTempDir;

resultfiles::SubcaseResults plateResults() {
  resultfiles::SubcaseResults subcase;
  for (int grid = 1; grid <= 9; ++grid)
    subcase.displacements.push_back({grid, {static_cast<float>(0.0021 * grid), 0, 0, 0, 0, 0}});
  for (int element = 1; element <= 4; ++element)
    subcase.quads.push_back({element, resultfiles::plateFibre(-0.5, 10.0 * element, 0, 0),
                             resultfiles::plateFibre(0.5, -20.0 * element, 0, 0)});
  subcase.rods.push_back({5, 12.5f, 0, 0, 0});
  return subcase;
}

class ResultsFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod", dir_ / "plate.mod");
    ASSERT_EQ(application_->openModel(dir_ / "plate.mod"), femap::kOk);
  }
  std::size_t outputSets() { return application_->model().table(Kind::OutSet).size(); }
  std::string setTitle(int id) {
    Object set = app_.call("feOutputSet").asObject();
    EXPECT_EQ(set.call("Get", id).asInt(), femap::kOk) << "set " << id;
    return set.get("title").asString();
  }
  double value(int vector, int entity) {
    Object output = app_.call("feOutput").asObject();
    EXPECT_EQ(output.call("Get", vector).asInt(), femap::kOk) << "vector " << vector;
    return output.get("Value", entity).asDouble();
  }

  ScopedTempDir dir_;
  std::shared_ptr<Application> application_ = std::make_shared<Application>();
  Object app_{application_};
};

TEST_F(ResultsFilesTest, Output2AndNeutralResultsBecomeOutputSetsWithFemapsVectors) {
  std::string op2 = resultfiles::writeOp2(resultfiles::makeOp2File({plateResults()}, {1, 2, 2026}, "NX8.5"));
  auto op2Path = dir_.write("plate.op2", op2);
  ASSERT_EQ(app_.call("feFileReadNastranResults", 8, op2Path.string()).asInt(), femap::kOk);
  EXPECT_EQ(outputSets(), 2u);
  EXPECT_EQ(app_.get("Info_ActiveID", 28).asInt(), 2);
  EXPECT_EQ(value(2, 3), 0.0063);  // T1, single precision read back as written
  EXPECT_EQ(value(7033, 4), 80);   // plate top von Mises
  EXPECT_EQ(value(9020, 2), 20);   // plate bottom x normal stress
  EXPECT_EQ(value(3022, 5), 12.5);

  resultfiles::NeutralFile neutral;
  neutral.sets.push_back(resultfiles::outputSetFor(plateResults(), 1));
  auto neutralPath = dir_.write("plate.fno", resultfiles::writeNeutral(neutral));
  ASSERT_EQ(app_.call("feFileReadNeutral", 0, neutralPath.string(), false, false, true, true, 0).asInt(), femap::kOk);
  EXPECT_EQ(outputSets(), 3u);
  EXPECT_EQ(app_.get("Info_ActiveID", 28).asInt(), 3);
  EXPECT_EQ(value(2, 3), 0.0063);
  EXPECT_EQ(value(7033, 4), 80);
}

TEST_F(ResultsFilesTest, EveryFormOfOutput2IsReadAsItsFirstBytesTell) {
  // 8-byte words, MSC's version records, no file header: the same values each time.
  const resultfiles::Op2WriteOptions forms[] = {
      {.form = {.wordBytes = 8}},
      {.form = {.version = "20211"}, .label = "XXXXXXXX"},
      {.form = {.fileHeader = false}},
  };
  std::size_t sets = 1;
  for (const resultfiles::Op2WriteOptions& form : forms) {
    auto path = dir_.write("form.op2", resultfiles::writeOp2(resultfiles::makeOp2File({plateResults()}, form)));
    ASSERT_EQ(application_->readResults(path), femap::kOk) << application_->lastFailure();
    EXPECT_EQ(outputSets(), ++sets);
    // Results are held in single precision as FEMAP holds them, whatever the word size.
    EXPECT_EQ(value(2, 3), 0.0063);
    EXPECT_EQ(value(7033, 4), 80);
  }
}

TEST_F(ResultsFilesTest, ASubcaseGivenTwiceBecomesTwoSetsTheLaterOneLastAndCurrent) {
  resultfiles::SubcaseResults first = plateResults(), last = plateResults();
  last.rods.entries[0].axial = 25;
  auto path = dir_.write("design.op2", resultfiles::writeOp2(resultfiles::makeOp2File({first, last}, {})));
  ASSERT_EQ(app_.call("feFileReadNastranResults", 8, path.string()).asInt(), femap::kOk);
  EXPECT_EQ(outputSets(), 3u);
  EXPECT_EQ(setTitle(2), "NX NASTRAN Case 1 (1 of 2)");
  EXPECT_EQ(setTitle(3), "NX NASTRAN Case 1 (2 of 2)");
  EXPECT_EQ(app_.get("Info_ActiveID", 28).asInt(), 3);
  EXPECT_EQ(value(3022, 5), 25);
}

TEST_F(ResultsFilesTest, AFileOfModesSaysWhatItHoldsAndAddsNothing) {
  resultfiles::Op2File file = resultfiles::makeOp2File({plateResults()}, {});
  for (resultfiles::Op2Table& table : file.tables)
    for (resultfiles::Op2Subtable& subtable : table.subtables)
      subtable.ident.setWord(resultfiles::op2::kApproachAndDevice, 21);
  auto path = dir_.write("modes.op2", resultfiles::writeOp2(file));
  EXPECT_NE(app_.call("feFileReadNastranResults", 8, path.string()).asInt(), femap::kOk);
  EXPECT_EQ(application_->lastFailure(), path.string() +
                                             ": No output set: the file holds normal modes (approach code 2), "
                                             "and only linear static results are read");
  EXPECT_EQ(outputSets(), 1u);
}

TEST_F(ResultsFilesTest, DamagedOrForeignFilesAreRefusedWholeAndSayWhere) {
  std::string op2 = resultfiles::writeOp2(resultfiles::makeOp2File({plateResults()}, {1, 2, 2026}, "NX8.5"));
  auto truncated = dir_.write("cut.op2", op2.substr(0, op2.size() - 100));
  EXPECT_NE(app_.call("feFileReadNastranResults", 8, truncated.string()).asInt(), femap::kOk);
  EXPECT_NE(application_->lastFailure().find("cut.op2: at byte "), std::string::npos) << application_->lastFailure();
  EXPECT_EQ(outputSets(), 1u);

  // An OUTPUT2 file given to the neutral reader, and a neutral file to the Nastran reader.
  auto asNeutral = dir_.write("plate.fno", op2);
  EXPECT_NE(app_.call("feFileReadNeutral", 0, asNeutral.string(), false, false, true, true, 0).asInt(), femap::kOk);
  EXPECT_NE(application_->lastFailure().find("plate.fno"), std::string::npos);
  EXPECT_NE(application_->lastFailure().find("not a FEMAP neutral file: an OUTPUT2 file"), std::string::npos);
  // A formatted OUTPUT2 file, detected by its first bytes, says what it is.
  auto formatted =
      dir_.write("formatted.op2", "       3\n       1       2      26\n       7\nNASTRAN FORT TAPE ID CODE - \n");
  EXPECT_NE(application_->readResults(formatted), femap::kOk);
  EXPECT_NE(application_->lastFailure().find("a formatted (text) OUTPUT2 file"), std::string::npos)
      << application_->lastFailure();
  auto asOutput2 = dir_.write("neutral.op2", "   -1\r\n   100\r\n<NULL>\r\n11.4,\r\n   -1\r\n");
  EXPECT_NE(app_.call("feFileReadNastranResults", 8, asOutput2.string()).asInt(), femap::kOk);
  EXPECT_NE(application_->lastFailure().find("not an OUTPUT2 file"), std::string::npos);
  EXPECT_EQ(outputSets(), 1u);
}

}  // namespace
}  // namespace femapsim
