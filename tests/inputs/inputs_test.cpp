// The naming rules and tables of the input selection, and what the scenarios cannot see: the
// titles of FEMAP's dialogs and a failure in the middle of an update.
#include "inputs/inputs.h"

#include <gtest/gtest.h>

#include "femap/error.h"
#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "pane/corvane_femap_interface.h"
#include "pane/text_collection.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"
#include "ui/headless_windows.h"

namespace inputs {
namespace {

TEST(InputVariableNameTest, DisplayNameWithoutBlanksDashesAndSlashesThenAtWordAndId) {
  EXPECT_EQ(inputVariableName("Thickness", "Prop", 3), "ThicknessAtProp3");
  EXPECT_EQ(inputVariableName("NS Mass/Len", "Prop", 12), "NSMassLenAtProp12");
  EXPECT_EQ(inputVariableName("ShearAr, K1", "Prop", 5), "ShearArK1AtProp5");
  EXPECT_EQ(inputVariableName("x", "Node", 25), "xAtNode25");
  EXPECT_EQ(inputVariableName("Top-Fiber/2 a", "Elem", 7), "TopFiber2aAtElem7");
}

TEST(InputVariableNameTest, TheCutKeepsFifteenCharactersCountingCommasAndSparesTheId) {
  EXPECT_EQ(inputVariableName("ABCDEFGHIJKLMNOPQRST", "Node", 1), "ABCDEFGHIJKLMNOAtNode1");
  EXPECT_EQ(inputVariableName("CompressionLimit1", "Matl", 1000000),
            "CompressionLimiAtMatl1000000");
  // The comma stands 15th when the cut is made and goes afterwards: 14 letters remain.
  EXPECT_EQ(inputVariableName("ABCDEFGHIJKLMN,OPQ", "Elem", 2), "ABCDEFGHIJKLMNAtElem2");
  // Blanks, dashes and slashes go before the cut, so they do not count.
  EXPECT_EQ(inputVariableName("A B-C/D EFGHIJKLMNOPQ", "Prop", 1), "ABCDEFGHIJKLMNOAtProp1");
}

TEST(InputVariableNameTest, NamesDifferingOnlyInDroppedCharactersCoincide) {
  const std::string name = inputVariableName("ShearAr K1", "Prop", 5);
  EXPECT_EQ(inputVariableName("ShearAr, K1", "Prop", 5), name);
  EXPECT_EQ(inputVariableName("Shear-Ar/K1", "Prop", 5), name);
}

TEST(LoadVariableNameTest, TitleIdAndPrefixWithoutBlanksBracketsDotsAndSlashes) {
  EXPECT_EQ(loadVariableName("Edge Load [1]", "4", "Fx"), "EdgeLoad1_4_Fx");
  EXPECT_EQ(loadVariableName("Pull", "7", "Fz"), "Pull_7_Fz");
  EXPECT_EQ(loadVariableName("Sky radiation", "8", "View Factor"), "Skyradiation_8_ViewFactor");
  // "-" and "," stay, and the name is never shortened.
  EXPECT_EQ(loadVariableName("Top-edge, v1.2 [kN/m] of the long upper flange", "12", "Mx"),
            "Top-edge,v12kNmofthelongupperflange_12_Mx");
}

TEST(LoadPrefixesTest, EachGroupOfLoadTypesGivesItsPrefixes) {
  struct Expected {
    std::int32_t loadType;
    std::string_view detection;
    std::array<std::string_view, 4> prefix;
  };
  const Expected expected[] = {
      {1, "Found force", {"Fx", "Fy", "Fz", ""}},
      {163, "Found force", {"Fx", "Fy", "Fz", ""}},
      {124, "Found moment", {"Mx", "My", "Mz", ""}},
      {180, "Found flux", {"Flux", "", "", ""}},
      {47, "Found generation", {"Generation", "", "", ""}},
      {45, "Found convection", {"Coefficient", "Temperature", "", ""}},
      {182, "Found radiation", {"Emissivity", "Absorptivity", "Temperature", "View Factor"}},
      {101, "Found pressure", {"Pressure", "", "", ""}},
      {167, "Found displacement", {"Tx", "Ty", "Tz", ""}},
      {84, "Found rotational displacement", {"Rx", "Ry", "Rz", ""}},
      {129, "Found velocity", {"Vx", "Vy", "Vz", ""}},
      {6, "Found rotational velocity", {"VRx", "VRy", "VRz", ""}},
      {171, "Found acceleration", {"Ax", "Ay", "Az", ""}},
      {8, "Found roataional acceleration", {"ARx", "ARy", "ARz", ""}},
  };
  for (const Expected& e : expected) {
    const LoadPrefixes found = prefixesOf(e.loadType);
    EXPECT_EQ(found.detection, e.detection) << e.loadType;
    EXPECT_EQ(found.prefix, e.prefix) << e.loadType;
  }
}

TEST(LoadPrefixesTest, ALoadTypeInNoGroupHasNoPrefixes) {
  for (const std::int32_t loadType : {0, 9, 12, 43, 99, 139, 186, -1}) {
    const LoadPrefixes found = prefixesOf(loadType);
    EXPECT_TRUE(found.detection.empty()) << loadType;
    EXPECT_EQ(found.prefix, (std::array<std::string_view, 4>{})) << loadType;
  }
}

TEST(PickerPropertyTypeTest, PropertyTypesWithAListAndTheRest) {
  EXPECT_EQ(pickerPropertyType(1), "Rod");
  EXPECT_EQ(pickerPropertyType(2), "Bar");
  EXPECT_EQ(pickerPropertyType(5), "Beam");
  EXPECT_EQ(pickerPropertyType(11), "Shear");
  EXPECT_EQ(pickerPropertyType(12), "Shear");
  EXPECT_EQ(pickerPropertyType(17), "Plate");
  EXPECT_EQ(pickerPropertyType(18), "Plate");
  EXPECT_EQ(pickerPropertyType(25), "");
  EXPECT_EQ(pickerPropertyType(0), "");
}

// ---------------------------------------------------------------- on the pane

class InputSubsystems : public pane::PaneSubsystems {
 public:
  void InputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    inputs::InputsButton_Click(pane);
  }
  void RefreshInputs_Click(pane::CorvaneFemapInterface& pane) override {
    inputs::RefreshInputs_Click(pane);
  }
};

class InputsOnPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.set("TEMP", dir_.path().string());
    femapsim::registerFemapSim();
    femap_ = femapsim::startRunningApplication();
    std::filesystem::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod",
                               dir_ / "plate.mod");
    pane_ = std::make_unique<pane::CorvaneFemapInterface>(windows_, subsystems_);
    ASSERT_TRUE(pane_->start((dir_ / "plate.mod").string() + "$pane.log$ERROR"));
  }
  void TearDown() override {
    pane_.reset();
    femapsim::stopRunningApplication();
  }
  void pickInPicker(std::vector<std::string> labels) {
    windows_.queueAnswer("frmPropertyList", [labels](ui::Form& dialog) {
      auto& picker = static_cast<pane::PropertyPicker&>(dialog);
      for (int entry = 0; entry < picker.lstProperties.count(); ++entry) {
        for (const std::string& label : labels) {
          if (picker.lstProperties.item(entry) == label)
            picker.lstProperties.setSelected(entry, true);
        }
      }
      picker.cmdAdd.click();
    });
  }
  femapsim::DialogAnswer pick(std::vector<int> ids) {
    femapsim::DialogAnswer answer;
    answer.cancel = false;
    answer.ids = std::move(ids);
    return answer;
  }

  testing_support::ScopedTempDir dir_;
  testing_support::ScopedEnvironment environment_;
  std::shared_ptr<femapsim::Application> femap_;
  ui::HeadlessWindows windows_;
  InputSubsystems subsystems_;
  std::unique_ptr<pane::CorvaneFemapInterface> pane_;
};

TEST_F(InputsOnPaneTest, FemapDialogsCarryTheTitlesOfTheirKind) {
  pane::PaneForm& form = pane_->form();
  form.InputSelection.choose("Nodes");
  form.InputsButton.click();
  form.InputSelection.choose("Properties");
  form.InputsButton.click();
  form.InputSelection.choose("Functions");
  form.InputsButton.click();
  form.InputSelection.choose("LoadDefinition");
  form.InputsButton.click();
  EXPECT_EQ(femap_->dialogTitles(),
            (std::vector<std::string>{"Select Nodes to Control", "Select Properties to Control",
                                      "Select Function for Corvane Parameter",
                                      "Select Load Definition "}));
  EXPECT_EQ(femap_->lockCount(), 0);
}

// A set of picked entities whose walk fails after its first entities, as when FEMAP goes away.
class FailingSet : public femap::Dispatch {
 public:
  explicit FailingSet(std::vector<int> ids) : ids_(std::move(ids)) {}
  std::string_view kind() const override { return "Set"; }
  femap::Variant invoke(std::string_view member, femap::Invoke,
                        std::span<femap::Variant>) override {
    if (member == "Reset") {
      next_ = 0;
      return femap::Variant(-1);
    }
    if (member == "Next") {
      if (next_ >= ids_.size()) throw femap::Error("The remote procedure call failed");
      return femap::Variant(ids_[next_++]);
    }
    throw femap::Error("Set." + std::string(member) + " is not part of this stand-in");
  }

 private:
  std::vector<int> ids_;
  std::size_t next_ = 0;
};

TEST_F(InputsOnPaneTest, AnUpdateThatFailsHalfwayLeavesTheListAsItWasAndFemapUnlocked) {
  pane::PaneForm& form = pane_->form();
  form.InputSelection.choose("Nodes");
  femap_->queueSelection(pick({1}));
  pickInPicker({"x"});
  form.InputsButton.click();
  ASSERT_EQ(form.InputsList.rowCount(), 2);

  // Nodes 1 to 3 are read (node 1 with a new value, replacing its row), then the walk fails:
  // none of the new rows reaches the list, and node 1's row keeps its old value.
  femap_->putMember("node", 1, "x", std::nullopt, "9");
  pane::TextCollection names, members, indexes;
  names.add("x");
  members.add("x", "x");
  const femap::Set set(femap::Object(std::make_shared<FailingSet>(std::vector<int>{1, 2, 3})));
  EXPECT_THROW(UpdateInputList(*pane_, "Node", set, names, members, indexes, -1), femap::Error);

  EXPECT_EQ(femap_->lockCount(), 0);
  for (const auto& control : form.controls()) {
    EXPECT_EQ(control->mousePointer(), ui::MousePointer::Default) << control->name();
  }
  ASSERT_EQ(form.InputsList.rowCount(), 2);
  EXPECT_EQ(form.InputsList.cell(1, 0), "xAtNode1");
  EXPECT_EQ(form.InputsList.cell(1, 1), "0");
}

TEST_F(InputsOnPaneTest, TheFunctionObjectIsKeptForThePanesLife) {
  pane::PaneForm& form = pane_->form();
  form.InputSelection.choose("Functions");
  femapsim::DialogAnswer first = pick({1});
  femap_->queueFunction(first);
  form.InputsButton.click();
  const femap::Object kept = pane_->subsystemState<InputsState>().feFunction;
  ASSERT_TRUE(kept);
  femap_->queueFunction(pick({2}));
  form.InputsButton.click();
  EXPECT_EQ(pane_->subsystemState<InputsState>().feFunction, kept);
  EXPECT_EQ(pane_->subsystemState<InputsState>().returnCode, -1);
  EXPECT_EQ(form.InputsList.rowCount(), 3);
}

}  // namespace
}  // namespace inputs
