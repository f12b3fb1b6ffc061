// The exchange files of one evaluation: the values written exactly, the outputs read back, the
// copies whose reference lines name the evaluation folder's files; and the batch script.
#include <gtest/gtest.h>

#include "support/number_text.h"
#include "support/process.h"
#include "taskrun/exchange_io.h"
#include "taskrun/script.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::ScopedTempDir;
namespace fs = std::filesystem;

TEST(ExchangeFiles, InputValuesOneNameAndValueALine) {
  ScopedTempDir dir;
  writeInputValues(dir / "InputValues.txt", {{"AreaAtProp1", 7.94}, {"AreaAtProp2", 1.0 / 3}, {"XAtNode6", -0.0}});
  EXPECT_EQ(dir.read("InputValues.txt"), "AreaAtProp1  7.94\r\nAreaAtProp2  0.3333333333333333\r\nXAtNode6  0\r\n");
}

TEST(ExchangeFiles, OutputValuesLastValueOfANameHoldsAndTextIsNoNumber) {
  ScopedTempDir dir;
  dir.write("OutputValues.txt", "TotalMass  1593.2\r\n\r\n# note\r\nStress  12\nStress  -3.5E+04\r\nBad  n/a\r\nLonely\r\n");
  auto values = readOutputValues(dir / "OutputValues.txt");
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0], (std::pair<std::string, std::optional<double>>{"TotalMass", 1593.2}));
  EXPECT_EQ(values[1].second, -35000);
  EXPECT_FALSE(values[2].second);
  EXPECT_FALSE(values[3].second);
  EXPECT_THROW(readOutputValues(dir / "missing.txt"), std::system_error);
}

TEST(ExchangeFiles, CopiesNameTheEvaluationFoldersFiles) {
  ScopedTempDir dir;
  dir.write("Modprep.txt",
            "# written by hand\r\n\r\nReference Model (FEMAP) = C:\\work\\truss.mod\r\n"
            "Input Deck (NastranNX) = /tmp/decks/truss.dat\r\nNameValue = InputValues.txt\r\n"
            "Prop  AreaAtProp1  1  pval  0\r\n");
  copyExchangeFile(dir / "Modprep.txt", dir / "copy.txt");
  EXPECT_EQ(dir.read("copy.txt"),
            "# written by hand\r\n\r\nReference Model (FEMAP) = truss.mod\r\nInput Deck (NastranNX) = truss.dat\r\n"
            "NameValue = InputValues.txt\r\nProp  AreaAtProp1  1  pval  0\r\n");
  ExchangeHead head = readExchangeHead(dir / "Modprep.txt");
  EXPECT_EQ(head.referenceModel, "C:\\work\\truss.mod");
  EXPECT_EQ(head.solverFile, "/tmp/decks/truss.dat");
}

TEST(ExchangeFiles, ACopyOfWhatApplyWroteIsTheSameBytes) {
  ScopedTempDir dir;
  std::string respull = "DELETE  1\r\nReference Model (FEMAP) = truss.mod\r\nResults File (NastranNX) = truss.op2\r\n"
                        "OutputNameValue = OutputValues.txt\r\nMassProperties  TotalMass  MassTotal  \r\n";
  dir.write("Respull.txt", respull);
  copyExchangeFile(dir / "Respull.txt", dir / "copy.txt");
  EXPECT_EQ(dir.read("copy.txt"), respull);
  EXPECT_EQ(readExchangeHead(dir / "Respull.txt").referenceModel, "truss.mod");
  dir.write("short.txt", "Reference Model (FEMAP) = truss.mod\r\n");
  EXPECT_THROW(readExchangeHead(dir / "short.txt"), std::runtime_error);
}

TEST(BatchScript, DelAndCopyAreTakenApartAndOtherLinesRunTogether) {
  std::vector<ScriptLine> script{{"del plate.fno", 1},
                                 {"@ERASE /Q sub\\plate.Log other.rsf", 2},
                                 {"copy \"C:\\Program Files\\NEiNastran Engine V84\\nastran.ini\" nastran.ini", 3},
                                 {"rem a remark", 4},
                                 {"nastran nastran.ini plate.nas", 5},
                                 {"echo done > done.txt", 6},
                                 {"COPY /Y result.op2", 7}};
  std::vector<ScriptAction> actions = scriptActions(script);
  ASSERT_EQ(actions.size(), 5u);
  EXPECT_EQ(actions[0].kind, ScriptAction::Kind::remove);
  EXPECT_EQ(actions[0].paths, std::vector<std::string>{"plate.fno"});
  // Paths in this platform's form ("\\" stays on Windows, becomes "/" elsewhere).
  EXPECT_EQ(actions[1].paths, (std::vector<std::string>{support::localPathText("sub\\plate.Log"), "other.rsf"}));
  EXPECT_EQ(actions[2].kind, ScriptAction::Kind::copy);
  EXPECT_EQ(actions[2].paths,
            (std::vector<std::string>{support::localPathText("C:\\Program Files\\NEiNastran Engine V84\\nastran.ini"),
                                      "nastran.ini"}));
  EXPECT_EQ(actions[3].kind, ScriptAction::Kind::shell);
  EXPECT_EQ(actions[3].shellText, "nastran nastran.ini plate.nas\necho done > done.txt");
  EXPECT_EQ(actions[3].line, 5u);
  EXPECT_EQ(actions[4].paths, (std::vector<std::string>{"result.op2", "."}));
  EXPECT_EQ(batchWords("a  \"b c\"d \"\""), (std::vector<std::string>{"a", "b cd", ""}));
}

TEST(BatchScript, ASlashWordIsASwitchOnlyWhenItIsOneOfTheCommands) {
  std::vector<ScriptAction> actions = scriptActions({{"del /q /F /a:rh /abs/path out.txt", 1}, {"copy /Y /-y /tmp/a.txt /B", 2}});
  EXPECT_EQ(actions[0].paths, (std::vector<std::string>{"/abs/path", "out.txt"}));
  EXPECT_EQ(actions[0].text, "del /q /F /a:rh /abs/path out.txt");
  EXPECT_EQ(actions[1].paths, (std::vector<std::string>{"/tmp/a.txt", "."}));
}

TEST(BatchScript, DelAndCopyPathsStayInsideTheEvaluationFolder) {
  ScopedTempDir dir;
  fs::path folder = dir / "study/eval-000001";
  fs::create_directories(folder / "sub");
  auto problem = [&](const std::string& path, PathUse use) { return pathInFolder(folder, path, use).problem; };
  for (PathUse use : {PathUse::remove, PathUse::write, PathUse::read}) {
    EXPECT_EQ(problem("../../*.*", use), "leads outside the evaluation folder");
    EXPECT_EQ(problem("sub/../../x", use), "leads outside the evaluation folder");
    EXPECT_EQ(problem("sub\\..\\..\\x", use), "leads outside the evaluation folder");
    EXPECT_EQ(problem("c:truss.mod", use), "names a drive, outside the evaluation folder");
    EXPECT_EQ(problem("sub/../results.op2", use), "");
    EXPECT_EQ(problem("sub/new/deeper.txt", use), "");
  }
  EXPECT_EQ(pathInFolder(folder, "sub/../results.op2", PathUse::remove).path, folder / "results.op2");
  // Rooted paths and drives are never removed or written; an absolute source of this system is
  // read where it is (a solver's installation).
  for (PathUse use : {PathUse::remove, PathUse::write}) {
    EXPECT_EQ(problem("/abs/path", use), "is a rooted path, outside the evaluation folder");
    EXPECT_EQ(problem("\\abs\\path", use), "is a rooted path, outside the evaluation folder");
    EXPECT_EQ(problem("C:/work/truss.mod", use), "names a drive, outside the evaluation folder");
  }
#ifdef _WIN32
  EXPECT_EQ(problem("C:\\Program Files\\NEiNastran Engine V84\\nastran.ini", PathUse::read), "");
#else
  EXPECT_EQ(problem("/opt/solver/nastran.ini", PathUse::read), "");
  EXPECT_EQ(problem("C:/work/truss.mod", PathUse::read), "names a drive, outside the evaluation folder");
#endif
}

#ifndef _WIN32
TEST(BatchScript, DelAndCopyPathsStayInsideTheEvaluationFolderThroughLinks) {
  ScopedTempDir dir;
  fs::path folder = dir / "study/eval-000001";
  fs::create_directories(folder);
  fs::create_directories(dir / "outside");
  dir.write("outside/model.mod", "model");
  fs::create_directory_symlink(dir / "outside", folder / "away");
  fs::create_symlink(dir / "outside/model.mod", folder / "model-link");
  auto problem = [&](const std::string& path, PathUse use) { return pathInFolder(folder, path, use).problem; };
  for (PathUse use : {PathUse::remove, PathUse::write, PathUse::read}) {
    EXPECT_EQ(problem("away/model.mod", use), "leads outside the evaluation folder through a symbolic link");
    EXPECT_EQ(problem("away/*.*", use), "leads outside the evaluation folder through a symbolic link");
  }
  // Removed or replaced, a link at the end is the link itself; read or copied into, it is followed.
  EXPECT_EQ(problem("model-link", PathUse::remove), "");
  EXPECT_EQ(problem("model-link", PathUse::write), "");
  EXPECT_EQ(problem("model-link", PathUse::read), "leads outside the evaluation folder through a symbolic link");
  EXPECT_EQ(problem("away", PathUse::write), "leads outside the evaluation folder through a symbolic link");
}
#endif

}  // namespace
}  // namespace taskrun
