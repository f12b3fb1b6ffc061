// nastran-ccx with a stand-in ccx that replays a stored CalculiX listing of the plate example:
// the .op2 it leaves must be, byte for byte, the stored one. The same test runs in the Linux
// build and, as nastran-ccx.exe with ccx.exe, under wine, so both worlds write the same file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/temp_dir.h"

namespace {

using testing_support::ScopedTempDir;

#ifdef _WIN32
// The command prompt drops the outer quotes of a command line that begins with one.
std::string quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }
constexpr const char* kExe = ".exe";
constexpr char kPathSeparator = ';';
void setVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
#else
std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }
constexpr const char* kExe = "";
constexpr char kPathSeparator = ':';
void setVariable(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
#endif

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class ReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Absolute while the current folder is still the build's.
    nastranCcx_ = std::filesystem::absolute(NASTRAN_CCX_PATH).make_preferred();
    std::filesystem::path replay = testing_support::sourceDir() / "tests/nastran_ccx/replay";
    std::filesystem::copy_file(replay / "plate.dat", dir_ / "plate.dat");
    std::filesystem::copy_file(replay / "plate-ccx.dat", dir_ / "listing.dat");
    expected_ = readBytes(replay / "plate.op2");
    std::filesystem::create_directory(dir_ / "bin");
    std::filesystem::copy_file(std::filesystem::absolute(CCX_REPLAY_PATH), dir_ / "bin" / (std::string("ccx") + kExe));
    setVariable("CCX_REPLAY_LISTING", (dir_ / "listing.dat").string());
    setVariable("NASTRAN_CCX_DATE", "2026-01-02");
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    savedFolder_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(savedFolder_);
    setVariable("PATH", savedPath_);
    setVariable("NASTRAN_CCX_CCX", "");
  }
  int runNastranCcx() { return std::system((quoted(nastranCcx_) + " plate.dat").c_str()); }

  ScopedTempDir dir_;
  std::filesystem::path nastranCcx_;
  std::string expected_;
  std::string savedPath_;
  std::filesystem::path savedFolder_;
};

TEST_F(ReplayTest, CcxFoundThroughPathGivesTheStoredOp2) {
  setVariable("PATH", (dir_ / "bin").string() + kPathSeparator + savedPath_);
  setVariable("NASTRAN_CCX_CCX", "");
  ASSERT_EQ(runNastranCcx(), 0);
  EXPECT_TRUE(readBytes(dir_ / "plate.op2") == expected_) << "plate.op2 differs from tests/nastran_ccx/replay/plate.op2";
}

TEST_F(ReplayTest, CcxNamedByTheVariableGivesTheStoredOp2) {
  setVariable("NASTRAN_CCX_CCX", (dir_ / "bin" / (std::string("ccx") + kExe)).string());
  ASSERT_EQ(runNastranCcx(), 0);
  EXPECT_TRUE(readBytes(dir_ / "plate.op2") == expected_) << "plate.op2 differs from tests/nastran_ccx/replay/plate.op2";
}

}  // namespace
