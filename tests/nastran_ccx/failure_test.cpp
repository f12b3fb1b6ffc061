// Every failure ends with exit status 2, one line on standard error naming the
// file and the reason, and no results file, not even one from an earlier run.
#include "decks.h"
#include "tool_runner.h"

namespace nastranccx::testing {
namespace {

class FailureTest : public NastranCcxTest {
 protected:
  // Runs the deck with a stale results file in place and checks the failure
  // contract; returns the message.
  std::string expectFailure(const std::string& deckName, const std::string& deck,
                            const std::map<std::string, std::string>& environment = {}) {
    writeFile(deckName, deck);
    std::string results = std::filesystem::path(deckName).replace_extension(".op2").string();
    writeFile(results, "FEMAPSIM 1\r\noutset 1 title=\"stale\"\r\n");
    ToolRun run = this->run({deckName}, environment);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(exists(results)) << "a results file is left after a failure";
    EXPECT_EQ(run.standardError.rfind("nastran-ccx: ", 0), 0u) << run.standardError;
    EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1) << run.standardError;
    for (const auto& entry : std::filesystem::directory_iterator(folder()))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    return run.standardError;
  }
};

// A bad deck and what its message must say.
struct BadDeck {
  const char* name;
  std::string bulk;
  std::vector<std::string> message;
};

class BadDeckTest : public FailureTest, public ::testing::WithParamInterface<BadDeck> {};

std::string rodWith(const std::string& replaced, const std::string& replacement) {
  std::string bulk = kRodBulk;
  bulk.replace(bulk.find(replaced), replaced.size(), replacement);
  return bulk;
}

// The deck header takes 12 lines, so the first bulk card is on line 13.
INSTANTIATE_TEST_SUITE_P(
    RejectedBeforeSolving, BadDeckTest,
    ::testing::Values(
        BadDeck{"UnknownCard", std::string(kRodBulk) + "CONM1,1,2\n",
                {"bad.dat:21:", "CONM1", "unknown card"}},
        BadDeck{"MissingGrid", rodWith("CROD,1,1,1,2", "CROD,1,1,1,9"), {"bad.dat:15:", "CROD 1", "grid 9 does not exist"}},
        BadDeck{"MissingProperty", rodWith("CROD,1,1,1,2", "CROD,1,4,1,2"), {"bad.dat:15:", "property 4 does not exist"}},
        BadDeck{"MissingMaterial", rodWith("PROD,1,1,2.", "PROD,1,3,2."), {"bad.dat:16:", "PROD 1", "material 3 does not exist"}},
        BadDeck{"WrongPropertyKind", rodWith("PROD,1,1,2.", "PSHELL,1,1,2.,1"), {"CROD 1", "PSHELL", "PROD is needed"}},
        BadDeck{"FieldThatIsNoNumber", rodWith("PROD,1,1,2.", "PROD,1,1,two"), {"bad.dat:16:", "PROD 1", "field 3 (A)", "'two'"}},
        BadDeck{"IntegerFieldWithAReal", rodWith("CROD,1,1,1,2", "CROD,1,1,1,2.5"), {"CROD 1", "G2", "not an integer"}},
        BadDeck{"DuplicateGrid", std::string(kRodBulk) + "GRID,2,,5.,0.,0.\n", {"bad.dat:21:", "GRID 2", "line 14"}},
        BadDeck{"CoordinateSystem", rodWith("GRID,2,,100.", "GRID,2,3,100."), {"GRID 2", "coordinate system"}},
        BadDeck{"MomentWithoutRotations", std::string(kRodBulk) + "MOMENT,1,2,0,5.,0.,0.,1.\n", {"MOMENT 1", "grid 2", "rotational"}},
        BadDeck{"TooManyFieldsOnOneLine", rodWith("SPC1,1,23,2", "SPC1,1,23,2,2,2,2,2,2,2,2,2"), {"bad.dat:20:", "SPC1", "continuation"}},
        BadDeck{"BadDofDigits", rodWith("SPC1,1,23,2", "SPC1,1,27,2"), {"SPC1 1", "digits 1 to 6"}},
        BadDeck{"PressureOnARod", std::string(kRodBulk) + "PLOAD4,1,1,5.\n", {"PLOAD4 1", "element 1", "shells and the faces of solids"}},
        BadDeck{"ContinuationWithoutCard", "+,1,2\n" + std::string(kRodBulk), {"bad.dat:13:", "continuation"}}),
    [](const ::testing::TestParamInfo<BadDeck>& info) { return info.param.name; });

TEST_P(BadDeckTest, FailsNamingLineCardAndReason) {
  std::string message = expectFailure("bad.dat", staticDeck(GetParam().bulk));
  for (const std::string& part : GetParam().message) EXPECT_NE(message.find(part), std::string::npos) << message;
}

TEST_F(FailureTest, DeckWithoutEnddataIsTakenForTruncated) {
  std::string deck = staticDeck(kRodBulk);
  deck.erase(deck.find("ENDDATA"));
  EXPECT_NE(expectFailure("cut.dat", deck).find("ENDDATA"), std::string::npos);
}

TEST_F(FailureTest, OtherSolutionSequencesAreRefused) {
  std::string deck = staticDeck(kRodBulk);
  deck.replace(deck.find("SOL 101"), 7, "SOL 103");
  EXPECT_NE(expectFailure("modes.dat", deck).find("SOL 103"), std::string::npos);
}

TEST_F(FailureTest, SubcasesWithDifferentInitialTemperaturesAreRefused) {
  std::string deck = staticDeck(std::string(kRodBulk) + "TEMPD,7,20.\nTEMPD,8,30.\n",
                                "  LOAD = 1\n  SPC = 1\n  TEMPERATURE(INITIAL) = 7\n");
  deck.insert(deck.find("BEGIN BULK"), "SUBCASE 2\n  LOAD = 1\n  SPC = 1\n  TEMPERATURE(INITIAL) = 8\n");
  std::string message = expectFailure("cases.dat", deck);
  EXPECT_NE(message.find("cases.dat:16: TEMPERATURE(INITIAL) = 8: the initial temperatures are those of the whole"),
            std::string::npos)
      << message;
}

TEST_F(FailureTest, MissingDeckAndMissingArgumentsFail) {
  ToolRun missing = run({"nothere.dat"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.standardError.find("nothere.dat: cannot open"), std::string::npos) << missing.standardError;
  ToolRun bare = run({});
  EXPECT_EQ(bare.exitCode, 2);
  EXPECT_NE(bare.standardError.find("usage"), std::string::npos) << bare.standardError;
}

TEST_F(FailureTest, SingularRodWithoutSupportsFails) {
  REQUIRE_CCX();
  std::string message = expectFailure("free.dat", staticDeck(rodWith("SPC1,1,123456,1\nSPC1,1,23,2\n", "")));
  EXPECT_NE(message.find("singular"), std::string::npos) << message;
}

TEST_F(FailureTest, SingularPlateUnderPressureFails) {
  REQUIRE_CCX();
  std::string bulk =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,10.,0.\nGRID,4,,0.,10.,0.\n"
      "CQUAD4,1,1,1,2,3,4\nPSHELL,1,1,.5,1\nMAT1,1,1.E+7,,.3\nPLOAD4,1,1,2.\n";
  std::string message = expectFailure("free.dat", staticDeck(bulk));
  EXPECT_NE(message.find("singular"), std::string::npos) << message;
}

TEST_F(FailureTest, MissingSolverFails) {
  std::string message = expectFailure("rod.dat", staticDeck(kRodBulk), {{"NASTRAN_CCX_CCX", "/no/such/ccx"}});
  EXPECT_NE(message.find("/no/such/ccx"), std::string::npos) << message;
}

TEST_F(FailureTest, SolverErrorFailsDespiteExitStatusZero) {
  std::filesystem::path fake = writeFakeCcx(
      "echo ' *ERROR in e_c3d: nonpositive jacobian'\necho '       determinant in element 1'\n"
      "echo\necho ' Job finished'\nexit 0");
  std::string message = expectFailure("rod.dat", staticDeck(kRodBulk), {{"NASTRAN_CCX_CCX", fake.string()}});
  EXPECT_NE(message.find("*ERROR in e_c3d: nonpositive jacobian determinant in element 1"), std::string::npos)
      << message;
}

TEST_F(FailureTest, SolverThatStopsEarlyFails) {
  std::filesystem::path silent = writeFakeCcx("exit 0");
  std::string message = expectFailure("rod.dat", staticDeck(kRodBulk), {{"NASTRAN_CCX_CCX", silent.string()}});
  EXPECT_NE(message.find("Job finished"), std::string::npos) << message;

  std::filesystem::path killed = writeFakeCcx("kill -9 $$");
  message = expectFailure("rod.dat", staticDeck(kRodBulk), {{"NASTRAN_CCX_CCX", killed.string()}});
  EXPECT_NE(message.find("signal 9"), std::string::npos) << message;
}

// Runs the real solver, then spoils its .dat listing with a sed script.
class SpoiledListingTest : public FailureTest {
 protected:
  std::string expectSpoiledFailure(const std::string& sedScript) {
    auto ccx = findCcx();
    std::filesystem::path fake = writeFakeCcx("'" + ccx->string() + "' \"$@\" || exit $?\nsed -i '" + sedScript +
                                              "' \"$1.dat\"");
    return expectFailure("rod.dat", staticDeck(kRodBulk), {{"NASTRAN_CCX_CCX", fake.string()}});
  }
};

TEST_F(SpoiledListingTest, MissingDisplacementRowFails) {
  REQUIRE_CCX();
  std::string message = expectSpoiledFailure("0,/^ *2  /{/^ *2  /d}");
  EXPECT_NE(message.find("no displacement row for grid 2"), std::string::npos) << message;
}

TEST_F(SpoiledListingTest, MissingStressRowFails) {
  REQUIRE_CCX();
  std::string message = expectSpoiledFailure("/^ *1   8 /d");
  EXPECT_NE(message.find("CROD 1 has 7 stress rows"), std::string::npos) << message;
}

TEST_F(SpoiledListingTest, NotANumberInTheListingFails) {
  REQUIRE_CCX();
  std::string message = expectSpoiledFailure("0,/^ *2  /s/^ *2  .*$/ 2 NaN 0. 0./");
  EXPECT_NE(message.find("NaN"), std::string::npos) << message;
  EXPECT_NE(message.find("singular"), std::string::npos) << message;
}

TEST_F(SpoiledListingTest, MissingStressBlockFails) {
  REQUIRE_CCX();
  std::string message = expectSpoiledFailure("/stresses/,$d");
  EXPECT_NE(message.find("no stress block"), std::string::npos) << message;
}

}  // namespace
}  // namespace nastranccx::testing
