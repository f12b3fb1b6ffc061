#include "support/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "tests/support/scoped_temp_dir.h"

namespace support {
namespace {

class TextFileTest : public ::testing::Test {
 protected:
  // Names of the files in the folder, so a left-over temporary file shows up.
  std::vector<std::string> folderContent() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ScopedTempDir folder_;
};

TEST_F(TextFileTest, LinesEndWithCrLfAndTextIsWrittenAsItStands) {
  const auto target = folder_ / "Modprep.txt";
  TextFileWriter writer(target);
  writer.writeLine("Reference Model (FEMAP) = plate.mod");
  writer.write("no line end");
  writer.writeLine("");
  writer.commit();
  EXPECT_TRUE(writer.committed());
  EXPECT_EQ(readWholeFile(target), "Reference Model (FEMAP) = plate.mod\r\nno line end\r\n");
  EXPECT_EQ(folderContent(), std::vector<std::string>{"Modprep.txt"});
}

TEST_F(TextFileTest, CommitReplacesTheOldContent) {
  const auto target = folder_ / "InputValues.txt";
  writeFileAtomically(target, "old content that is longer\r\n");
  writeFileAtomically(target, "new\r\n");
  EXPECT_EQ(readWholeFile(target), "new\r\n");
  EXPECT_EQ(folderContent(), std::vector<std::string>{"InputValues.txt"});
}

TEST_F(TextFileTest, UncommittedWriterLeavesOldFileAndNoTemporaryBehind) {
  const auto target = folder_ / "Respull.txt";
  writeFileAtomically(target, "old\r\n");
  {
    TextFileWriter writer(target);
    writer.writeLine("half-written");
    EXPECT_EQ(folderContent().size(), 2u);  // the target and the temporary file
  }
  EXPECT_EQ(readWholeFile(target), "old\r\n");
  EXPECT_EQ(folderContent(), std::vector<std::string>{"Respull.txt"});
}

TEST_F(TextFileTest, LargeContentIsWrittenWhole) {
  const auto target = folder_ / "OutputValues.txt";
  std::string expected;
  TextFileWriter writer(target);
  for (int i = 0; i < 100000; ++i) {
    const std::string line = "Output" + std::to_string(i) + "  " + std::to_string(i * 0.5);
    writer.writeLine(line);
    expected += line + "\r\n";
  }
  writer.write(std::string(3 << 20, 'x'));  // larger than any buffer
  expected.append(3 << 20, 'x');
  writer.commit();
  EXPECT_EQ(readWholeFile(target), expected);
}

TEST_F(TextFileTest, WriterIntoMissingFolderThrowsNamingThePath) {
  const auto target = folder_ / "missing" / "plateControl.txt";
  try {
    TextFileWriter writer(target);
    FAIL() << "expected std::system_error";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
  }
}

TEST_F(TextFileTest, FailedRenameKeepsTargetAndRemovesTemporary) {
  const auto target = folder_ / "plate.desc";
  std::filesystem::create_directories(target / "occupied");  // a folder cannot be replaced
  TextFileWriter writer(target);
  writer.writeLine("content");
  try {
    writer.commit();
    FAIL() << "expected std::system_error";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find(target.string()), std::string::npos) << error.what();
  }
  EXPECT_FALSE(writer.committed());
  EXPECT_TRUE(std::filesystem::is_directory(target / "occupied"));
  EXPECT_EQ(folderContent(), std::vector<std::string>{"plate.desc"});
}

TEST_F(TextFileTest, ReadingAMissingFileThrowsNamingIt) {
  const auto path = folder_ / "absent.txt";
  try {
    readWholeFile(path);
    FAIL() << "expected std::system_error";
  } catch (const std::system_error& error) {
    EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
  }
  EXPECT_THROW(readWholeFile(folder_.path()), std::system_error);
}

TEST_F(TextFileTest, OnlyTemporaryFilesOfProcessesNoLongerRunningAreRemoved) {
  const auto target = folder_ / "OutputValues.txt";
  // No process has this number; this process is running.
  const std::string running = std::to_string(
#ifdef _WIN32
      GetCurrentProcessId()
#else
      getpid()
#endif
  );
  for (const std::string& name : std::vector<std::string>{
           "OutputValues.txt.tmp-999999999-1", "OutputValues.txt.tmp-" + running + "-2",
           "OutputValues.txt.tmp-x-3", "OutputValues.txt.tmp-999999999-",
           "Other.txt.tmp-999999999-1", "OutputValues.txt"}) {
    writeFileAtomically(folder_ / name, "x");
  }
  const std::vector<std::filesystem::path> removed = removeAbandonedTemporaries({target});
  EXPECT_EQ(removed, std::vector<std::filesystem::path>{folder_ / "OutputValues.txt.tmp-999999999-1"});
  EXPECT_EQ(folderContent(),
            (std::vector<std::string>{"Other.txt.tmp-999999999-1", "OutputValues.txt",
                                      "OutputValues.txt.tmp-" + running + "-2",
                                      "OutputValues.txt.tmp-999999999-", "OutputValues.txt.tmp-x-3"}));
  EXPECT_TRUE(removeAbandonedTemporaries({folder_ / "missing" / "a.txt"}).empty());
}

}  // namespace
}  // namespace support
