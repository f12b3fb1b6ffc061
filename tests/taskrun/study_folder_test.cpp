// The study folder's lock and marker on their own: a second holder of the lock is refused with
// the first one's process number, the lock goes with its holder; a folder of others is refused
// untouched, an earlier study needs --resume or --overwrite.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "taskrun/study_folder.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::ScopedTempDir;

std::string ownProcess() {
#ifdef _WIN32
  return std::to_string(::GetCurrentProcessId());
#else
  return std::to_string(::getpid());
#endif
}

TEST(StudyFolderLock, ASecondHolderIsRefusedWithTheFirstOnesNumberAndTheLockGoesWithItsHolder) {
  ScopedTempDir dir;
  auto first = std::make_unique<FolderLock>(dir / "taskrun.lock", dir.path());
  try {
    FolderLock second(dir / "taskrun.lock", dir.path());
    FAIL() << "locked twice";
  } catch (const StudyFolderError& error) {
    EXPECT_EQ(std::string(error.what()), "study folder " + dir.path().string() + " is in use by taskrun process " + ownProcess());
  }
  first.reset();
  EXPECT_NO_THROW(FolderLock third(dir / "taskrun.lock", dir.path()));
}

TEST(StudyFolderLock, TheFolderIsTakenOnlyAsTheRunMeansTo) {
  ScopedTempDir dir;
  StudyFolderRequest request{dir / "models/study", dir / "models", "doe.toml", "Task1.db", StudyStart::fresh, {}};
  std::filesystem::create_directories(dir / "models");
  {
    StudyFolder folder(request);
    EXPECT_FALSE(folder.continuesEarlierStudy());
    folder.recordEvaluationFolders({"eval-000001"});
    // The run holds the folder: the same request of another run is refused.
    EXPECT_THROW(StudyFolder again(request), StudyFolderError);
  }
  EXPECT_EQ(dir.read("models/study/taskrun.study").rfind("taskrun study folder\r\nstudy file: doe.toml\r\ndata log: Task1.db\r\n", 0), 0u);
  dir.write("models/study/eval-000001/InputValues.txt", "X  1\r\n");
  EXPECT_THROW(StudyFolder fresh(request), StudyFolderError);  // an earlier study: neither --resume nor --overwrite
  request.start = StudyStart::resume;
  EXPECT_TRUE(StudyFolder(request).continuesEarlierStudy());
  request.start = StudyStart::overwrite;
  EXPECT_FALSE(StudyFolder(request).continuesEarlierStudy());
  EXPECT_FALSE(std::filesystem::exists(dir / "models/study/eval-000001"));

  // Never the description file's own folder, nor a folder of others.
  request.folder = dir / "models";
  EXPECT_THROW(StudyFolder own(request), StudyFolderError);
  dir.write("others/data.txt", "theirs");
  request.folder = dir / "others";
  EXPECT_THROW(StudyFolder others(request), StudyFolderError);
  EXPECT_FALSE(std::filesystem::exists(dir / "others/taskrun.lock"));
}

}  // namespace
}  // namespace taskrun
