// The Linux programs on the simulated FEMAP in their own process write the stored files of
// one iteration, as the Windows programs must over COM (com_programs_test.cpp).
#include "both_worlds.h"
#include "e2e/runtime/program_run.h"

namespace both_worlds {
namespace {

using runtime_e2e::ProgramRun;
using testing_support::shellQuoted;
using runtime_e2e::runProgram;

void runIteration(const std::string& mode) {
  testing_support::ScopedTempDir folder;
  testing_support::ScopedTempDir elsewhere;
  prepare(folder.path());
  const fs::path messages = elsewhere / kMessagesFile;
  std::map<std::string, std::string> environment;
  if (mode == "attached") {
    environment = {{"FEMAPSIM_ATTACH", "1"},
                   {"FEMAPSIM_OPEN", (folder / "plate.mod").string()},
                   {"FEMAPSIM_MESSAGES", messages.string()}};
  }
  const std::string folderText = folder.path().string();
  const ProgramRun modprep = runProgram(MODPREP_PATH, folder.path(), shellQuoted(folderText), environment);
  ASSERT_EQ(modprep.status, kModprepStatus) << modprep.output;
  const ProgramRun respull = runProgram(RESPULL_PATH, folder.path(), shellQuoted(folderText), environment);
  ASSERT_EQ(respull.status, kRespullStatus) << respull.output;
  expectRunAsStored(folder.path(), folderText, messages, mode);
}

TEST(LinuxPrograms, AnIterationOnAFemapTheyCreateWritesTheStoredFiles) { runIteration("created"); }

TEST(LinuxPrograms, AnIterationOnARunningFemapWritesTheStoredFilesAndMessages) {
  runIteration("attached");
}

}  // namespace
}  // namespace both_worlds
