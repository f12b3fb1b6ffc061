// The files of one "Apply" are replaced together or not at all.
#include "generate/staged_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <system_error>
#include <vector>

#include "testing/temp_dir.h"

namespace generate {
namespace {

namespace fs = std::filesystem;
using testing_support::ScopedTempDir;

// The names in the folder, sorted.
std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class StagedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("a.txt", "old a\r\n");
    dir_.write("c.txt", "old c\r\n");
  }
  // Stages new a.txt, b.txt (new) and c.txt.
  void stageThree(StagedFiles& files) {
    files.create(dir_ / "a.txt").line("new a");
    files.create(dir_ / "b.txt").line("new b");
    files.create(dir_ / "c.txt").line("new c");
  }
  void expectOldFilesOnly() {
    EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(dir_.read("a.txt"), "old a\r\n");
    EXPECT_EQ(dir_.read("c.txt"), "old c\r\n");
  }
  ScopedTempDir dir_;
};

TEST_F(StagedFilesTest, NoTargetChangesBeforeCommitAllAndEveryOneAfter) {
  StagedFiles files;
  stageThree(files);
  EXPECT_EQ(dir_.read("a.txt"), "old a\r\n");
  EXPECT_FALSE(fs::exists(dir_ / "b.txt"));
  files.commitAll();
  EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(dir_.read("a.txt"), "new a\r\n");
  EXPECT_EQ(dir_.read("b.txt"), "new b\r\n");
  EXPECT_EQ(dir_.read("c.txt"), "new c\r\n");
}

TEST_F(StagedFilesTest, WithoutCommitAllNoTargetChangesAndNoTemporaryFileStays) {
  {
    StagedFiles files;
    stageThree(files);
  }
  expectOldFilesOnly();
}

TEST_F(StagedFilesTest, AFolderWhereAFileBelongsReplacesNoFile) {
  fs::create_directory(dir_ / "b.txt");
  StagedFiles files;
  stageThree(files);
  try {
    files.commitAll();
    FAIL() << "a folder was replaced";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(std::string(failure.what()),
              "Cannot replace the file " + (dir_ / "b.txt").string() + ": " +
                  std::make_error_code(std::errc::is_a_directory).message());
  }
  EXPECT_TRUE(fs::is_directory(dir_ / "b.txt"));
  fs::remove(dir_ / "b.txt");
  expectOldFilesOnly();
}

TEST_F(StagedFilesTest, AFailureWhilePuttingFilesInPlaceMovesEveryOldFileBack) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows removes no file that is open, so a staged file cannot vanish";
#endif
  StagedFiles files;
  stageThree(files);
  // The temporary file of c.txt vanishes: a.txt and b.txt are in place by the time it fails.
  for (const std::string& name : namesIn(dir_.path())) {
    if (name.starts_with("c.txt.")) fs::remove(dir_ / name);
  }
  EXPECT_THROW(files.commitAll(), std::system_error);
  expectOldFilesOnly();
}

TEST_F(StagedFilesTest, AFileThatCouldNotBeCreatedRefusesTheSetAlsoWhenTheCallerWentOn) {
  StagedFiles files;
  files.create(dir_ / "a.txt").line("new a");
  EXPECT_THROW(files.create(dir_ / "missing" / "b.txt"), std::system_error);  // resumed
  files.create(dir_ / "c.txt").line("new c");
  try {
    files.commitAll();
    FAIL() << "a set without one of its files was committed";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(std::string(failure.what()),
              "Cannot create the file " + (dir_ / "missing" / "b.txt").string() + ": " +
                  std::make_error_code(std::errc::no_such_file_or_directory).message());
  }
  expectOldFilesOnly();
}

TEST_F(StagedFilesTest, ALaterFileOfTheSameTargetReplacesTheEarlierOne) {
  StagedFiles files;
  files.create(dir_ / "a.txt").line("first");
  files.create(dir_ / "a.txt").line("second");
  EXPECT_EQ(files.size(), 1u);
  files.commitAll();
  EXPECT_EQ(namesIn(dir_.path()), (std::vector<std::string>{"a.txt", "c.txt"}));
  EXPECT_EQ(dir_.read("a.txt"), "second\r\n");
}

}  // namespace
}  // namespace generate
