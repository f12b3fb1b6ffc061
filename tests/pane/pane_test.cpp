// The main pane on the simulated FEMAP, for what the scenarios cannot see: failures inside
// handlers, the picker's output-vector catalogue, and cells that the grids cannot restore.
#include <gtest/gtest.h>

#include <algorithm>

#include "femap/error.h"
#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "pane/corvane_femap_interface.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"
#include "ui/headless_windows.h"

namespace pane {
namespace {

using testing_support::ScopedTempDir;
using testing_support::sourceDir;

// Project files that fail halfway, while "Apply" holds FEMAP's lock and shows the hourglass.
class FailingProjectFiles : public PaneSubsystems {
 public:
  void writeProjectFiles(CorvaneFemapInterface& pane, const std::string& tool) override {
    EXPECT_EQ(tool, "Corvane");
    EXPECT_EQ(femapsim::runningApplication()->lockCount(), 1);
    EXPECT_EQ(pane.form().ClearAll.mousePointer(), ui::MousePointer::Hourglass);
    throw femap::Error("The disk is full");
  }
};

class PaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.set("TEMP", dir_.path().string());
    femapsim::registerFemapSim();
    femap_ = femapsim::startRunningApplication();
    std::filesystem::copy_file(sourceDir() / "examples/plate/plate.mod", dir_ / "plate.mod");
  }
  void TearDown() override {
    pane_.reset();
    femapsim::stopRunningApplication();
  }

  void start(const std::filesystem::path& model) {
    pane_ = std::make_unique<CorvaneFemapInterface>(windows_, *subsystems_);
    ASSERT_TRUE(pane_->start(model.string() + "$pane.log$ERROR"));
  }
  std::string log() const { return dir_.read("qubel/pane.log"); }
  const femapsim::Message& lastMessage() const { return femap_->messages().back(); }

  ScopedTempDir dir_;
  testing_support::ScopedEnvironment environment_;
  std::shared_ptr<femapsim::Application> femap_;
  ui::HeadlessWindows windows_;
  std::unique_ptr<PaneSubsystems> subsystems_ = std::make_unique<PaneSubsystems>();
  std::unique_ptr<CorvaneFemapInterface> pane_;
};

TEST_F(PaneTest, AFailingHandlerReleasesTheLockAndPointerReportsTheFailureAndThePaneGoesOn) {
  subsystems_ = std::make_unique<FailingProjectFiles>();
  start(dir_ / "plate.mod");
  pane_->form().GenerateButton.click();

  EXPECT_EQ(femap_->lockCount(), 0);
  for (const auto& control : pane_->form().controls()) {
    EXPECT_EQ(control->mousePointer(), ui::MousePointer::Default) << control->name();
  }
  EXPECT_EQ(lastMessage().colour, 3);
  EXPECT_EQ(lastMessage().text, "Error in GenerateButton_Click: The disk is full");
  EXPECT_NE(log().find("DEBUG: Acquired Femap lock\r\n"
                       "ERROR: Error in GenerateButton_Click: The disk is full\r\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "plateControl.txt"));

  ASSERT_TRUE(pane_->isOpen());
  pane_->form().ClearAll.click();
  EXPECT_NE(log().find("Position at At end of ClearAll_Click"), std::string::npos);
}

TEST_F(PaneTest, AFailingEventReactionIsReportedAndTheEventStillEnds) {
  start(dir_ / "plate.mod");
  femap_->closeModel();
  femap_->sendEvent(2);  // "a model is available", but FEMAP has none to catalogue

  EXPECT_EQ(lastMessage().colour, 3);
  EXPECT_EQ(lastMessage().text, "Error in PaneEventProc: No model is open");
  EXPECT_TRUE(pane_->isOpen());
  EXPECT_TRUE(pane_->form().GenerateButton.enabled());
  EXPECT_FALSE(pane_->err().pending());  // the output-vector count's failure is cleared silently
}

TEST_F(PaneTest, ClosingEventsCloseThePaneAndThePickerAndOnlyShutDownUnregisters) {
  start(dir_ / "plate.mod");
  windows_.open(pane_->frmPropertyList());  // as after the picker was first shown
  femap_->closeModel();
  femap_->sendEvent(3);
  EXPECT_FALSE(pane_->isOpen());
  EXPECT_EQ(pane_->frmPropertyList().hWnd(), 0u);
  EXPECT_EQ(femap_->panes().size(), 1u);

  ASSERT_EQ(femap_->openModel(dir_ / "plate.mod"), -1);
  start(dir_ / "plate.mod");
  windows_.open(pane_->frmPropertyList());
  const support::WindowHandle window = pane_->form().hWnd();
  femap_->sendEvent(4);
  EXPECT_FALSE(pane_->isOpen());
  EXPECT_EQ(pane_->frmPropertyList().hWnd(), 0u);
  const auto& panes = femap_->panes();
  EXPECT_EQ(std::count(panes.begin(), panes.end(), window), 0);
  EXPECT_EQ(panes.size(), 1u);  // the pane that event 3 closed is still registered
}

TEST_F(PaneTest, TheCatalogueFollowsTheNumberOfOutputVectorsOnly) {
  start(dir_.write(
      "vectors.mod",
      "FEMAPSIM 1\nmodel activeOutputSet=1\nnode 1 x=0 y=0 z=0\noutset 1 title=\"Case 1\"\n"
      "outvec 1 setID=1 title=\"Total Translation\" entity=1 value=0\n"
      "outvec 2 setID=1 title=\"T1 Translation\" entity=1 value=0\n"
      "outvec 3022 setID=1 title=\"Rod Axial Stress\" entity=1 value=0\n"));
  const OutputVectorCatalogue& catalogue = pane_->frmPropertyList().catalogue();
  EXPECT_EQ(pane_->numOutputs, 3);
  EXPECT_EQ(catalogue.nodeOutputVectors,
            (std::vector<std::string>{"1 - Total Translation", "2 - T1 Translation"}));
  EXPECT_EQ(catalogue.allElemOutputVectors, (std::vector<std::string>{"3022 - Rod Axial Stress"}));

  // A renamed vector leaves the count as it was: an event does not rebuild the catalogue.
  femap_->putMember("outvec", 1, "title", std::nullopt, "Renamed");
  femap_->sendEvent(7);
  EXPECT_EQ(catalogue.nodeOutputVectors.front(), "1 - Total Translation");

  const auto results = dir_.write("case2.res",
                                  "FEMAPSIM 1\noutset 1 title=\"Case 2\"\n"
                                  "outvec 1 setID=1 title=\"Displacement\" entity=1 value=2\n"
                                  "outvec 60001 setID=1 title=\"Solid Stress\" entity=1 value=3\n");
  ASSERT_EQ(femap_->readResults(results), -1);
  femap_->sendEvent(7);
  EXPECT_EQ(pane_->numOutputs, 2);
  EXPECT_EQ(catalogue.nodeOutputVectors, (std::vector<std::string>{"1 - Displacement"}));
  EXPECT_EQ(catalogue.solidOutputVectors, (std::vector<std::string>{"60001 - Solid Stress"}));
  EXPECT_TRUE(catalogue.lineOutputVectors.empty());
}

TEST_F(PaneTest, OutputVectorsAreFiledByTheirIdRanges) {
  std::string model =
      "FEMAPSIM 1\nmodel activeOutputSet=1\nnode 1 x=0 y=0 z=0\noutset 1 title=\"Case\"\n";
  for (int id : {300000, 1, 2999, 3000, 6000, 60000, 80000, 90000, 100000}) {
    model += "outvec " + std::to_string(id) + " setID=1 title=\"V" + std::to_string(id) +
             "\" entity=1 value=0\n";
  }
  start(dir_.write("ranges.mod", model));
  const OutputVectorCatalogue& catalogue = pane_->frmPropertyList().catalogue();
  using Texts = std::vector<std::string>;
  EXPECT_EQ(catalogue.nodeOutputVectors, (Texts{"1 - V1", "2999 - V2999"}));
  EXPECT_EQ(catalogue.lineOutputVectors, (Texts{"3000 - V3000"}));
  EXPECT_EQ(catalogue.plateOutputVectors, (Texts{"6000 - V6000"}));
  EXPECT_EQ(catalogue.solidOutputVectors, (Texts{"60000 - V60000"}));
  EXPECT_EQ(catalogue.commonElemOutputVectors, (Texts{"80000 - V80000"}));
  EXPECT_EQ(catalogue.allElemOutputVectors,
            (Texts{"3000 - V3000", "6000 - V6000", "60000 - V60000", "80000 - V80000"}));
  EXPECT_EQ(catalogue.patranOutputVectors, (Texts{"90000 - V90000"}));
  EXPECT_EQ(catalogue.cornerOutputVectors, (Texts{"100000 - V100000"}));
  EXPECT_EQ(catalogue.highIdOutputVectors, (Texts{"300000 - V300000"}));
}

TEST_F(PaneTest, ACellHoldingATabIsSavedAsItStandsAndSplitsTheRowOnLoading) {
  start(dir_ / "plate.mod");
  ui::Grid& inputs = pane_->form().InputsList;
  int column = 0;
  for (const char* cell : {"TitleAtProp1", "Plate\t1 mm", "Prop", "1", "title", ""}) {
    inputs.setCell(1, column++, cell);
  }
  pane_->form().GenerateButton.click();
  EXPECT_EQ(dir_.read("plateControl.txt"), "TitleAtProp1\tPlate\t1 mm\tProp\t1\ttitle\t\r\n\r\n");

  pane_->Load_Click();
  ASSERT_EQ(inputs.rowCount(), 2);
  EXPECT_EQ(inputs.cell(1, 1), "Plate");
  EXPECT_EQ(inputs.cell(1, 2), "1 mm");
  EXPECT_EQ(inputs.cell(1, 5), "title");
}

TEST_F(PaneTest, ARemovalBeyondTheLastRowIsReportedNotFatal) {
  start(dir_ / "plate.mod");
  ui::Grid& inputs = pane_->form().InputsList;
  for (const char* name : {"A", "B", "C"}) inputs.addItem(name);
  inputs.removeItem(1);
  int first = 2;
  int count = 3;  // B and C go; then row 2 is gone
  pane_->DeleteSelection(inputs, first, count);
  ASSERT_EQ(inputs.rowCount(), 2);
  EXPECT_EQ(inputs.cell(1, 0), "A");
  EXPECT_NE(
      log().find("DEBUG: Unable to deleteentry: Name=\r\n"
                 "ERROR: --------------------At end of DeleteSelection--------------------\r\n"),
      std::string::npos);
  EXPECT_NE(log().find("ERROR: InputsList has no row 2\r\n"), std::string::npos);
}

}  // namespace
}  // namespace pane
