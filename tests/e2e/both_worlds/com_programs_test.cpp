// The Windows programs as real processes over real COM: Modprep.exe and Respull.exe reach
// femapsim-server as "femap.model", attached to a running one (its message window writing to
// a file) and created (COM starts the server), and leave the bytes that the Linux programs
// leave (expected/, see both_worlds.h). Regprobe.exe answers for ProgIDs of this machine, and a
// Modprep.exe run of a hundred records looks every member name up once per object kind.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "both_worlds.h"
#include "com_testing.h"
#include "support/wide_text.h"
#include "testing/scoped_environment.h"

namespace both_worlds {
namespace {

using namespace std::chrono_literals;
using testing_support::ScopedTempDir;

std::wstring quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

fs::path program(const std::string& name) { return com_testing::serverProgram().parent_path() / name; }

// Runs a program of bin/ with `arguments` as the raw text after its name, in `folder`; its exit
// status, or nothing when it did not end within a minute.
std::optional<unsigned long> run(const std::string& name, const std::string& arguments,
                                 const fs::path& folder = {}) {
  return com_testing::runProcess(quoted(program(name)) + L" " + support::toWide(arguments), 60s, folder);
}

class ComPrograms : public ::testing::Test {
 protected:
  void SetUp() override { com_testing::endRunningServers(); }
  void TearDown() override { com_testing::endRunningServers(); }
};

TEST_F(ComPrograms, AnIterationOnAFemapThatComStartsLeavesTheBytesOfLinux) {
  ScopedTempDir folder;
  ScopedTempDir elsewhere;
  prepare(folder.path());
  const std::string folderText = folder.path().string();
  EXPECT_EQ(run("Modprep.exe", folderText, folder.path()), static_cast<unsigned long>(kModprepStatus));
  // Respull starts its own FEMAP as well, as on Linux.
  com_testing::endRunningServers();
  EXPECT_EQ(run("Respull.exe", folderText, folder.path()), static_cast<unsigned long>(kRespullStatus));
  expectRunAsStored(folder.path(), folderText, elsewhere / kMessagesFile, "created");
}

// Runs a program of bin/ against a FEMAP that the engineer started with the model open and
// its message window writing to `messages`. As on Linux, where every program meets a FEMAP of
// its own, each program gets a FEMAP started for it, which ends afterwards.
std::optional<unsigned long> runAttached(const std::string& name, const fs::path& folder,
                                         const fs::path& messages) {
  com_testing::Process server(quoted(com_testing::serverProgram()) + L" --open " +
                              quoted(folder / "plate.mod") + L" --messages " + quoted(messages) +
                              L" --idle 60 --lifetime 300");
  if (!com_testing::attachWithin(15s)) {
    ADD_FAILURE() << "the server did not come up";
    return {};
  }
  const auto status = run(name, folder.string(), folder);
  EXPECT_TRUE(com_testing::quitAndWait(server, 60s)) << "the server did not end";
  return status;
}

TEST_F(ComPrograms, AnIterationOnARunningFemapLeavesTheBytesOfLinuxAndItsMessages) {
  ScopedTempDir folder;
  ScopedTempDir elsewhere;
  prepare(folder.path());
  const fs::path messages = elsewhere / kMessagesFile;
  EXPECT_EQ(runAttached("Modprep.exe", folder.path(), messages),
            static_cast<unsigned long>(kModprepStatus));
  EXPECT_EQ(runAttached("Respull.exe", folder.path(), messages),
            static_cast<unsigned long>(kRespullStatus));
  expectRunAsStored(folder.path(), folder.path().string(), messages, "attached");
}

// ---------------------------------------------------------------- Regprobe.exe

std::string probe(const std::string& progId) {
  ScopedTempDir folder;
  const fs::path answer = folder / "answer.txt";
  std::ofstream(answer, std::ios::binary) << "an older answer\r\nof two lines\r\n";
  EXPECT_EQ(run("Regprobe.exe", answer.string() + "$$" + progId + "$$ignored"), 0ul) << progId;
  return support::readWholeFile(answer);
}

const std::string kExists = "0 : The Prog ID exist.\r\n";
const std::string kMissing = "1 : The Prog ID does not exist.\r\n";

TEST_F(ComPrograms, RegprobeCreatesObjectsByProgId) {
  EXPECT_EQ(probe("Scripting.FileSystemObject"), kExists);
  EXPECT_EQ(probe("Corvane.NoSuchClass"), kMissing);
  EXPECT_EQ(probe("femap.model"), kExists);  // COM starts femapsim-server for it
}

// A ProgID registered for this user whose local server is not there.
class MissingServerRegistration {
 public:
  MissingServerRegistration() {
    const std::wstring classKey = L"Software\\Classes\\CLSID\\" + std::wstring(kClassId);
    set(L"Software\\Classes\\" + std::wstring(kProgId) + L"\\CLSID", kClassId);
    set(classKey + L"\\ProgID", kProgId);
    set(classKey + L"\\LocalServer32", L"C:\\no\\such\\folder\\server.exe");
  }
  ~MissingServerRegistration() {
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + std::wstring(kProgId)).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\CLSID\\" + std::wstring(kClassId)).c_str());
  }
  MissingServerRegistration(const MissingServerRegistration&) = delete;
  MissingServerRegistration& operator=(const MissingServerRegistration&) = delete;

  static constexpr const wchar_t* kProgId = L"Corvane.MissingServer";

 private:
  static constexpr const wchar_t* kClassId = L"{5B0E2C61-3F7A-4C1D-9E55-2A7D0C4B8F13}";
  static void set(const std::wstring& key, const std::wstring& value) {
    const LSTATUS status =
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ASSERT_EQ(status, ERROR_SUCCESS) << support::fromWide(key);
  }
};

TEST_F(ComPrograms, RegprobeAnswersNoForAProgIdWhoseServerCannotStart) {
  MissingServerRegistration registration;
  EXPECT_EQ(probe(support::fromWide(MissingServerRegistration::kProgId)), kMissing);
}

// ---------------------------------------------------------------- name look-ups

// Counters a program wrote at its end (CORVANE_COM_COUNTERS): totals and look-ups by member.
struct Counters {
  std::map<std::string, unsigned long long> totals;
  std::map<std::string, unsigned long long> lookups;
};

Counters readCounters(const fs::path& file) {
  Counters counters;
  std::istringstream lines(support::readWholeFile(file));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string word;
    fields >> word;
    if (word == "lookup") {
      std::string member;
      unsigned long long count = 0;
      fields >> member >> count;
      counters.lookups[member] = count;
    } else {
      fields >> counters.totals[word];
    }
  }
  return counters;
}

TEST_F(ComPrograms, AModprepRunOfAHundredRecordsLooksEveryMemberUpOncePerObjectKind) {
  ScopedTempDir folder;
  ScopedTempDir elsewhere;
  fs::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod", folder / "plate.mod");
  std::string records =
      "Reference Model (FEMAP) = plate.mod\r\nInput Deck (NastranNX) = plate.dat\r\n"
      "NameValue = InputValues.txt\r\n";
  std::string values;
  const char* const nodeMembers[] = {"x", "y", "z"};
  constexpr int kRecords = 100;
  for (int record = 0; record < kRecords; ++record) {
    const std::string name = "V" + std::to_string(record);
    if (record % 10 == 8) {
      records += "Prop  " + name + "  " + std::to_string(record % 3 + 1) + "  pval  0\r\n";
    } else if (record % 10 == 9) {
      records += "Matl  " + name + "  1  Density  \r\n";
    } else {
      records += "Node  " + name + "  " + std::to_string(record % 9 + 1) + "  " +
                 nodeMembers[(record / 9) % 3] + "  \r\n";
    }
    values += name + "  " + std::to_string(record % 7 + 1) + ".5\r\n";
  }
  std::ofstream(folder / "Modprep.txt", std::ios::binary) << records;
  std::ofstream(folder / "InputValues.txt", std::ios::binary) << values;
  // "Apply" writes the functions file even without function variables; Modprep needs it.
  std::ofstream(folder / "FunctionsInputvalues.txt", std::ios::binary);

  const fs::path countersFile = elsewhere / "counters.txt";
  testing_support::ScopedEnvironment environment;
  environment.set("CORVANE_COM_COUNTERS", countersFile.string());
  ASSERT_EQ(run("Modprep.exe", folder.path().string(), folder.path()), 0ul);

  const Counters counters = readCounters(countersFile);
  ASSERT_FALSE(counters.lookups.empty());
  unsigned long long lookups = 0;
  for (const auto& [member, count] : counters.lookups) {
    EXPECT_EQ(count, 1u) << member << " was looked up " << count << " times";
    lookups += count;
  }
  EXPECT_EQ(counters.totals.at("nameLookups"), lookups);
  EXPECT_GE(counters.totals.at("invokes"), static_cast<unsigned long long>(kRecords));
  RecordProperty("invokesPerRecord", std::to_string(counters.totals.at("invokes") / kRecords));
  std::cout << "Modprep.exe, " << kRecords << " records: " << counters.totals.at("invokes")
            << " calls, " << lookups << " name look-ups over " << counters.lookups.size()
            << " members of " << counters.totals.at("kindLookups") << " objects\n";
}

}  // namespace
}  // namespace both_worlds
