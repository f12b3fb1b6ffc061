// "Apply" on the simulated FEMAP, for what the scenarios cannot show: a model folder that
// cannot be written (the mouse pointer, FEMAP's lock, the files left), and the run-time
// programs' readers reading what "Apply" wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "generate/generate.h"
#include "exchange/functions_file.h"
#include "exchange/modprep_file.h"
#include "exchange/respull_file.h"
#include "exchange/value_files.h"
#include "pane/corvane_femap_interface.h"
#include "support/strings.h"
#include "support/text_file.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"
#include "ui/headless_windows.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace generate {
namespace {

namespace fs = std::filesystem;
using testing_support::ScopedTempDir;
constexpr char separator = static_cast<char>(fs::path::preferred_separator);
using testing_support::sourceDir;

// The generation subsystem with the PIDO tool that the test chooses.
class Generation : public pane::PaneSubsystems {
 public:
  std::string tool = "Corvane";
  void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string&) override {
    generate::writeProjectFiles(pane, tool);
  }
};

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class ApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.set("TEMP", dir_.path().string());
    femapsim::registerFemapSim();
    femap_ = femapsim::startRunningApplication();
    // The plate example with a selection of every kind.
    const fs::path models = sourceDir() / "tests/e2e/generate/models/plate";
    fs::create_directories(modelFolder());
    fs::copy_file(models / "plate.mod", modelFolder() / "plate.mod");
    fs::copy_file(models / "plateControl.txt", modelFolder() / "plateControl.txt");
  }
  void TearDown() override {
    pane_.reset();
    femapsim::stopRunningApplication();
  }

  fs::path modelFolder() const { return dir_ / "model"; }
  void start() {
    pane_ = std::make_unique<pane::CorvaneFemapInterface>(windows_, generation_);
    ASSERT_TRUE(pane_->start((modelFolder() / "plate.mod").string() + "$pane.log$ERROR"));
  }
  std::string read(const std::string& name) const {
    return support::readWholeFile(modelFolder() / name);
  }
  void expectTheFailureReportedAndEverythingGivenBack(const std::string& description) {
    EXPECT_EQ(femap_->lockCount(), 0);
    for (const auto& control : pane_->form().controls()) {
      EXPECT_EQ(control->mousePointer(), ui::MousePointer::Default) << control->name();
    }
    const femapsim::Message& message = femap_->messages().back();
    EXPECT_EQ(message.colour, 3);
    EXPECT_EQ(message.text, "Error in GenerateButton_Click: " + description);
    EXPECT_NE(dir_.read("qubel/pane.log")
                  .find("ERROR: Error in GenerateButton_Click: " + description + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(pane_->isOpen());
  }

  ScopedTempDir dir_;
  testing_support::ScopedEnvironment environment_;
  std::shared_ptr<femapsim::Application> femap_;
  ui::HeadlessWindows windows_;
  Generation generation_;
  std::unique_ptr<pane::CorvaneFemapInterface> pane_;
};

TEST_F(ApplyTest, AModelFolderThatIsGoneReportsTheFailureReleasesLockAndPointerAndWritesNothing) {
  start();
  fs::remove_all(modelFolder());
  pane_->form().GenerateButton.click();
  expectTheFailureReportedAndEverythingGivenBack("Cannot create the file " +
                                                 (modelFolder() / "Modprep.txt").string() +
                                                 ": No such file or directory");
  EXPECT_FALSE(fs::exists(modelFolder()));
}

#ifndef _WIN32
TEST_F(ApplyTest, AReadOnlyModelFolderReportsTheFailureReleasesLockAndPointerAndWritesNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
  start();
  fs::permissions(modelFolder(), fs::perms::owner_read | fs::perms::owner_exec);
  pane_->form().GenerateButton.click();
  fs::permissions(modelFolder(), fs::perms::owner_all);
  expectTheFailureReportedAndEverythingGivenBack(
      "Cannot create the file " + (modelFolder() / "Modprep.txt").string() + ": Permission denied");
  EXPECT_EQ(namesIn(modelFolder()), (std::vector<std::string>{"plate.mod", "plateControl.txt"}));
}
#endif

TEST_F(ApplyTest, AFolderWhereTheFunctionsFileBelongsKeepsEveryFileAsItWas) {
  fs::create_directory(modelFolder() / "FunctionsInputvalues.txt");
  support::writeFileAtomically(modelFolder() / "Modprep.txt", "old\r\n");
  start();
  pane_->form().GenerateButton.click();
  expectTheFailureReportedAndEverythingGivenBack(
      // the functions file's path doubles the separator after the folder
      "Cannot replace the file " + modelFolder().string() + std::string(2, separator) +
      "FunctionsInputvalues.txt: Is a directory");
  EXPECT_EQ(namesIn(modelFolder()),
            (std::vector<std::string>{"FunctionsInputvalues.txt", "Modprep.txt", "plate.mod",
                                      "plateControl.txt"}));
  EXPECT_EQ(read("Modprep.txt"), "old\r\n");
}

// The readers of Modprep and Respull take every record back to the grid row it came from.
void expectRecordsOfTheGrids(pane::CorvaneFemapInterface& pane, const fs::path& folder,
                             bool functionRowsInModprep, const std::string& deckTag,
                             const std::string& deckFile, const std::string& resultsTag,
                             const std::string& resultsFile) {
  const pane::PaneForm& form = pane.form();
  const ui::Grid& inputs = form.InputsList;
  const ui::Grid& outputs = form.OutputsList;

  const exchange::ModprepFile modprep =
      exchange::parseModprepFile(support::readWholeFile(folder / "Modprep.txt"));
  EXPECT_EQ(modprep.reference.tag, "(FEMAP)");
  EXPECT_EQ(modprep.reference.file, "plate.mod");
  EXPECT_EQ(modprep.deck.tag, deckTag);
  EXPECT_EQ(modprep.deck.file, deckFile);
  EXPECT_EQ(modprep.values.file, "InputValues.txt");
  std::vector<int> inputRows;
  for (int row = 1; row < inputs.rowCount(); ++row) {
    if (functionRowsInModprep || inputs.cell(row, 2) != "Function") inputRows.push_back(row);
  }
  ASSERT_EQ(modprep.records.size(), inputRows.size());
  for (std::size_t k = 0; k < inputRows.size(); ++k) {
    const int row = inputRows[k];
    const exchange::VariableRecord& record = modprep.records[k];
    EXPECT_EQ(record.entityType, inputs.cell(row, 2));
    if (inputs.cell(row, 2) == "Function") continue;  // its name holds a blank
    EXPECT_EQ(record.name, inputs.cell(row, 0));
    EXPECT_EQ(std::to_string(record.entityId), inputs.cell(row, 3));
    EXPECT_EQ(record.member, inputs.cell(row, 4));
    EXPECT_EQ(record.index, inputs.cell(row, 5).empty() ? -1 : std::stoi(inputs.cell(row, 5)));
  }

  const exchange::InputValues values =
      exchange::InputValues::parse(support::readWholeFile(folder / "InputValues.txt"));
  ASSERT_EQ(values.variableCount(), inputRows.size());
  for (std::size_t k = 0; k < inputRows.size(); ++k) {
    const int row = inputRows[k];
    if (inputs.cell(row, 2) == "Function") continue;
    EXPECT_EQ(values.variableName(k), inputs.cell(row, 0));
    EXPECT_EQ(values.valueText(k), inputs.cell(row, 1));
  }

  const exchange::RespullFile respull =
      exchange::parseRespullFile(support::readWholeFile(folder / "Respull.txt"));
  EXPECT_EQ(exchange::outputFileName(respull), "OutputValues.txt");
  EXPECT_FALSE(respull.deleteResults);
  EXPECT_EQ(respull.reference.tag, "(FEMAP)");
  EXPECT_EQ(respull.reference.file, "plate.mod");
  EXPECT_EQ(respull.results.tag, resultsTag);
  EXPECT_EQ(respull.results.file, resultsFile);
  ASSERT_EQ(respull.records.size(), static_cast<std::size_t>(outputs.rowCount() - 1));
  for (int row = 1; row < outputs.rowCount(); ++row) {
    const exchange::OutputRecord& record = respull.records[static_cast<std::size_t>(row - 1)];
    EXPECT_EQ(record.kind, outputs.cell(row, 4));
    EXPECT_EQ(record.name, outputs.cell(row, 0));
    EXPECT_EQ(record.entity, support::trim(outputs.cell(row, 2)));
    EXPECT_EQ(record.vector, outputs.cell(row, 3).empty() ? 0 : std::stoll(outputs.cell(row, 3)));
  }
}

TEST_F(ApplyTest, ModprepAndRespullReadWhatApplyWroteForCorvane) {
  start();
  ASSERT_EQ(pane_->form().InputsList.rowCount(), 17);
  pane_->form().GenerateButton.click();
  expectRecordsOfTheGrids(*pane_, modelFolder(), false, "(NastranNX)", "plate.dat", "(NastranNX)",
                          "plate.op2");

  // The points of the functions that the model holds, in the order of the grid.
  const exchange::FunctionsFile functions =
      exchange::parseFunctionsFile(read("FunctionsInputvalues.txt"));
  struct Expected {
    std::int32_t id;
    std::string title;
    std::vector<exchange::FunctionPoint> points;
  };
  const std::vector<Expected> expected = {
      {1, "Temperature curve", {{0, 20}, {1, 30}, {2, 45}}},
      {2, "Scale factor", {{0, -1.5}, {10, 0.00001}}},
      {3, "Flat curve", {}},
  };
  ASSERT_EQ(functions.blocks.size(), expected.size());
  EXPECT_FALSE(functions.endsInsideBlock);
  for (std::size_t k = 0; k < expected.size(); ++k) {
    const exchange::FunctionBlock& block = functions.blocks[k];
    EXPECT_EQ(block.headerError, "");
    EXPECT_EQ(block.id, expected[k].id);
    EXPECT_EQ(block.title, expected[k].title);
    ASSERT_EQ(block.lines.size(), expected[k].points.size());
    for (std::size_t j = 0; j < block.lines.size(); ++j) {
      ASSERT_TRUE(block.lines[j].point);
      EXPECT_EQ(block.lines[j].point->x, expected[k].points[j].x);
      EXPECT_EQ(block.lines[j].point->y, expected[k].points[j].y);
    }
  }
}

TEST_F(ApplyTest, ModprepAndRespullReadWhatApplyWroteForTavro) {
  generation_.tool = "Tavro";
  start();
  pane_->form().Solver.choose("NENastran");
  pane_->form().GenerateButton.click();
  expectRecordsOfTheGrids(*pane_, modelFolder(), true, "(NastranNE)", "plate.nas", "(NastranNE)",
                          "plate.fno");
  EXPECT_FALSE(fs::exists(modelFolder() / "FunctionsInputvalues.txt"));
}

}  // namespace
}  // namespace generate
