#pragma once
// One design iteration on the plate example, the same in both worlds: Modprep then Respull in
// a working folder holding the exchange files of given/, against a FEMAP that the programs
// attach to (with a message window writing to a file) or create. What the run leaves (the
// saved model, the deck, the output values, both run logs, FEMAP's messages) is compared byte
// for byte with the files stored in expected/<mode>/, which the Linux programs wrote; the
// working folder's own path, which differs between runs and worlds, reads "{DIR}" there.
//
// CORVANE_UPDATE_EXPECTED=1 stores what the run left instead of comparing (the Linux test is
// the one that writes them).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/strings.h"
#include "support/text_file.h"
#include "testing/temp_dir.h"
#include "testing/update_expected.h"

namespace both_worlds {

namespace fs = std::filesystem;

inline const std::vector<std::string> kGivenFiles = {
    "Modprep.txt", "InputValues.txt", "FunctionsInputvalues.txt", "Respull.txt", "plate.op2"};

// What the iteration leaves in the working folder, by file name.
inline const std::vector<std::string> kWrittenFiles = {
    "plate.mod", "plate.dat", "OutputValues.txt", "inputExeLogs.log", "outputExeLogs.log"};
inline const std::string kMessagesFile = "messages.txt";

// Modprep finds no new value for one of its records (Node4_Y): it reports that in FEMAP's
// message window and ends with status 1; Respull finds every value.
inline constexpr int kModprepStatus = 1;
inline constexpr int kRespullStatus = 0;

inline fs::path folderOfThisTest() { return testing_support::sourceDir() / "tests/e2e/both_worlds"; }

// The plate example and the given exchange files in `folder`.
inline void prepare(const fs::path& folder) {
  fs::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod", folder / "plate.mod");
  for (const std::string& name : kGivenFiles) {
    fs::copy_file(folderOfThisTest() / "given" / name, folder / name);
  }
}

// `text` with the working folder's path as "{DIR}", followed by "/" in both worlds.
inline std::string normalised(std::string text, const std::string& folder) {
  text = support::replaceAll(text, folder, "{DIR}");
  return support::replaceAll(text, "{DIR}\\", "{DIR}/");
}

// Compares one file the run left (absent: empty) with its stored expected bytes.
inline void expectAsStored(const fs::path& written, const std::string& folderText,
                           const std::string& mode, const std::string& name) {
  const std::string actual =
      fs::exists(written) ? normalised(support::readWholeFile(written), folderText) : std::string();
  const fs::path stored = folderOfThisTest() / "expected" / mode / name;
  if (testing_support::updatingExpected()) {
    fs::create_directories(stored.parent_path());
    std::ofstream(stored, std::ios::binary | std::ios::trunc) << actual;
    return;
  }
  ASSERT_TRUE(fs::exists(stored)) << stored.string();
  EXPECT_EQ(actual, support::readWholeFile(stored)) << mode << "/" << name << " differs";
}

inline void expectRunAsStored(const fs::path& folder, const std::string& folderText,
                              const fs::path& messages, const std::string& mode) {
  for (const std::string& name : kWrittenFiles) {
    expectAsStored(folder / name, folderText, mode, name);
  }
  expectAsStored(messages, folderText, mode, kMessagesFile);
}

}  // namespace both_worlds
