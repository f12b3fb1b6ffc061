#include "femapsim/model_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "testing/temp_dir.h"

namespace femapsim {
namespace {

using testing_support::ScopedTempDir;
using testing_support::sourceDir;

TEST(ModelFileTest, LoadSaveLoadGivesTheSameModel) {
  for (const char* example : {"examples/plate/plate.mod", "examples/truss/truss.mod"}) {
    Model first = loadModelFile(sourceDir() / example);
    std::string text = formatModel(first);
    Model second = parseModel(text, "again");
    EXPECT_EQ(text, formatModel(second)) << example;
    EXPECT_EQ(first.entityCount(), second.entityCount()) << example;
  }
}

TEST(ModelFileTest, KeysKeepTheirSpellingAndUnknownKeysAreKept) {
  Model model = parseModel(
      "FEMAPSIM 1\n"
      "node 1 X=1.5 y=-2 Z=1e-07 customFlag=3 note=\"a \\\"quoted\\\" \\\\ text\"\n",
      "t.mod");
  const Entity* node = model.table(Kind::Node).find(1);
  ASSERT_NE(node, nullptr);
  EXPECT_DOUBLE_EQ(node->number("x"), 1.5);
  EXPECT_EQ(node->text("NOTE"), "a \"quoted\" \\ text");
  EXPECT_EQ(formatModel(model),
            "FEMAPSIM 1\nnode 1 X=1.5 y=-2 Z=1e-07 customFlag=3 note=\"a \\\"quoted\\\" \\\\ text\"\n");
}

TEST(ModelFileTest, ListsAndFullPrecisionSurviveTheRoundTrip) {
  Model model = parseModel("FEMAPSIM 1\nprop 1 type=1 pval=0.1,1.2345678901234567,0,0,0,0,0,2e-300\n", "t");
  Model again = parseModel(formatModel(model), "t");
  EXPECT_EQ(again.table(Kind::Prop).find(1)->element("pval", 1), 1.2345678901234567);
  EXPECT_EQ(again.table(Kind::Prop).find(1)->element("pval", 7), 2e-300);
}

TEST(ModelFileTest, NegativeZeroKeepsItsSignThroughTheRoundTrip) {
  Model model = parseModel("FEMAPSIM 1\nnode 1 x=-0.00 y=-0 z=0\nprop 1 type=1 pval=-0,2\n", "t");
  const std::string text = formatModel(model);
  EXPECT_EQ(text, "FEMAPSIM 1\nnode 1 x=-0 y=-0 z=0\nprop 1 type=1 pval=-0,2\n");
  Model again = parseModel(text, "t");
  EXPECT_TRUE(std::signbit(again.table(Kind::Node).find(1)->number("y")));
  EXPECT_FALSE(std::signbit(again.table(Kind::Node).find(1)->number("z")));
  EXPECT_TRUE(std::signbit(again.table(Kind::Prop).find(1)->element("pval", 0)));
  EXPECT_EQ(formatModel(again), text);
}

struct BadFile {
  const char* text;
  int line;
  const char* reason;
};

class ModelFileFaultTest : public ::testing::TestWithParam<BadFile> {};

TEST_P(ModelFileFaultTest, IsRefusedWithLineAndReason) {
  const BadFile& bad = GetParam();
  try {
    parseModel(bad.text, "bad.mod");
    FAIL() << "accepted: " << bad.text;
  } catch (const ModelFileError& error) {
    EXPECT_EQ(error.file(), "bad.mod");
    EXPECT_EQ(error.line(), bad.line) << error.what();
    EXPECT_NE(error.reason().find(bad.reason), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ModelFileFaultTest,
    ::testing::Values(
        BadFile{"", 0, "FEMAPSIM 1"},
        BadFile{"FEMAPSIM 2\n", 1, "first line"},
        BadFile{"FEMAPSIM 1\n\n# comment\nnode 1 x=1 y\n", 4, "key=value"},
        BadFile{"FEMAPSIM 1\nnod 1 x=1\n", 2, "unknown kind \"nod\""},
        BadFile{"FEMAPSIM 1\nnode 1 x=1\nnode 1 x=2\n", 3, "duplicate node 1"},
        BadFile{"FEMAPSIM 1\nnode 1\nnode 2\nelem 7 type=1 node=1,3\n", 4, "missing node 3"},
        BadFile{"FEMAPSIM 1\nnode 1\nelem 7 type=1 node=1,2.7e91\n", 3, "2.7e+91 among its nodes, which is no node ID"},
        BadFile{"FEMAPSIM 1\nnode 1\nnode 2\nelem 7 type=1 node=1,2.5\n", 4, "2.5 among its nodes"},
        BadFile{"FEMAPSIM 1\nnode 1\nelem 7 type=1 node=1,-4\n", 3, "-4 among its nodes"},
        BadFile{"FEMAPSIM 1\nnode x\n", 2, "whole number"},
        BadFile{"FEMAPSIM 1\nnode 1 x=abc\n", 2, "neither a number"},
        BadFile{"FEMAPSIM 1\nprop 1 title=\"open\n", 2, "closing quote"},
        BadFile{"FEMAPSIM 1\nnode 1 x=1,2\n", 2, "not a list"},
        BadFile{"FEMAPSIM 1\nprop 1 title=5\n", 2, "quoted text"},
        BadFile{"FEMAPSIM 1\nnode 1 x=1 x=2\n", 2, "given twice"},
        BadFile{"FEMAPSIM 1\nloadset 1\nloadmesh 1 meshID=1\n", 3, "needs setID"},
        BadFile{"FEMAPSIM 1\nbcset 1\nbcnode 9 setID=1 dof=1,1,1,0,0,0\n", 3, "missing node 9"},
        BadFile{"FEMAPSIM 1\noutset 1\noutvec 1 setID=1 entity=1,2 value=3\n", 3, "2 entities but 1 values"},
        BadFile{"FEMAPSIM 1\nloadset 1\nloaddef 1 setID=1\nloaddef 1 setID=1\n", 4, "in set 1"}));

TEST(ModelFileTest, ResultsFilesHoldOutputSetsOnly) {
  EXPECT_NO_THROW(parseModel("FEMAPSIM 1\noutset 1\noutvec 1 setID=1 entity=1 value=2\n", "r", FileContent::Results));
  EXPECT_THROW(parseModel("FEMAPSIM 1\nnode 1\n", "r", FileContent::Results), ModelFileError);
}

TEST(ModelFileTest, SavingReplacesTheFileWhole) {
  ScopedTempDir dir;
  Model model = loadModelFile(sourceDir() / "examples/truss/truss.mod");
  saveModelFile(model, dir / "copy.mod");
  Model again = loadModelFile(dir / "copy.mod");
  EXPECT_EQ(formatModel(model), formatModel(again));
  EXPECT_EQ(again.path, (dir / "copy.mod").string());
  // A folder that does not exist: the save fails and leaves nothing behind.
  EXPECT_ANY_THROW(saveModelFile(model, dir / "missing" / "x.mod"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace femapsim
