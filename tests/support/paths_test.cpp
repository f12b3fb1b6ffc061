#include "support/paths.h"

#include <gtest/gtest.h>

#include "support/err.h"

namespace support {
namespace {

TEST(ModelPathTest, DirectoryKeepsItsTrailingSeparator) {
  EXPECT_EQ(modelDirectory("C:\\work\\plate.mod"), "C:\\work\\");
  EXPECT_EQ(modelDirectory("/home/ann/plate.mod"), "/home/ann/");
  EXPECT_EQ(modelDirectory("C:\\work/sub\\plate.mod"), "C:\\work/sub\\");
  EXPECT_EQ(modelDirectory("plate.mod"), "");
}

TEST(ModelPathTest, BaseNameEndsAtTheLastDot) {
  EXPECT_EQ(modelBaseName("C:\\work\\plate.mod"), "plate");
  EXPECT_EQ(modelBaseName("C:\\work\\plate"), "plate");
  EXPECT_EQ(modelBaseName("plate.old.mod"), "plate.old");
  EXPECT_EQ(modelBaseName("/home/ann/plate.mod"), "plate");
}

TEST(ModelPathTest, DotInAFolderNameGivesNoBaseName) {
  try {
    modelBaseName("C:\\my.dir\\plate");
    FAIL() << "expected a RuntimeError";
  } catch (const RuntimeError& error) {
    EXPECT_STREQ(error.what(), "Invalid procedure call or argument");
  }
  EXPECT_THROW(modelBaseName("/my.dir/plate"), RuntimeError);
}

TEST(FileExtensionTest, LastDotPieceOfTheTrimmedName) {
  EXPECT_EQ(getFileExtension("C:\\a\\plate.mod"), "mod");
  EXPECT_EQ(getFileExtension("C:\\a\\plate"), "plate");
  EXPECT_EQ(getFileExtension("plate.old.mod"), "mod");
  EXPECT_EQ(getFileExtension("C:\\a\\plate.mod "), "mod");
  EXPECT_EQ(getFileExtension("C:\\a.b\\plate. mod"), "mod");
  EXPECT_EQ(getFileExtension("/a/plate.MOD"), "MOD");
  EXPECT_EQ(getFileExtension("plate."), "");
}

TEST(FileExtensionTest, EmptyNameIsASubscriptError) {
  try {
    getFileExtension("");
    FAIL() << "expected a RuntimeError";
  } catch (const RuntimeError& error) {
    EXPECT_STREQ(error.what(), "Subscript out of range");
  }
  EXPECT_THROW(getFileExtension("C:\\a\\  "), RuntimeError);
}

TEST(JoinPathTest, AddsOneNativeSeparatorOnlyWhenNeeded) {
#ifdef _WIN32
  EXPECT_EQ(joinPath("C:\\work", "Modprep.txt"), "C:\\work\\Modprep.txt");
#else
  EXPECT_EQ(joinPath("/work", "Modprep.txt"), "/work/Modprep.txt");
#endif
  EXPECT_EQ(joinPath("C:\\work\\", "Modprep.txt"), "C:\\work\\Modprep.txt");
  EXPECT_EQ(joinPath("/work/", "Modprep.txt"), "/work/Modprep.txt");
  EXPECT_EQ(joinPath("", "Modprep.txt"), "Modprep.txt");
}

}  // namespace
}  // namespace support
