// The naming rules and tables of the output selection, the mass-property words, and what the
// scenarios cannot see: the titles of FEMAP's dialogs.
#include "outputs/outputs.h"

#include <gtest/gtest.h>

#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "pane/corvane_femap_interface.h"
#include "support/err.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"
#include "ui/headless_windows.h"

namespace outputs {
namespace {

TEST(OutputNameTest, EntityRowsTakeTenCharactersOfTheCleanedTitle) {
  EXPECT_EQ(entityOutputName("Total Translation", "1", "Node", 25), "TotalTrans1AtNode25");
  EXPECT_EQ(entityOutputName("T1-Disp", "2", "Node", 1000000), "T1Disp2AtNode1000000");
  EXPECT_EQ(entityOutputName("Plate Top/Bot VonMises", "7033", "Elem", 4), "PlateTopBo7033AtElem4");
  EXPECT_EQ(entityOutputName("ABCDEFGHIJ", "9", "Elem", 1), "ABCDEFGHIJ9AtElem1");
}

TEST(OutputNameTest, ExtremeRowsTakeFourteenCharactersAndEndWithTheVectorId) {
  EXPECT_EQ(extremeOutputName("Total Translation", "MaxAt", "Node", "1"),
            "TotalTranslatiMaxAtNode1");
  EXPECT_EQ(extremeOutputName("Total Translation", "MinAt", "Node", "1"),
            "TotalTranslatiMinAtNode1");
  EXPECT_EQ(extremeOutputName("Rod Axial Stress", "MaxAt", "Elem", "3022"),
            "RodAxialStressMaxAtElem3022");
  EXPECT_EQ(extremeOutputName("T1", "MinAt", "Elem", "2"), "T1MinAtElem2");
}

TEST(OutputNameTest, TheCutCountsCharactersNotBytes) {
  // "Spannung σ/τ" cleaned is "Spannungστ": 10 characters in 12 bytes, all kept.
  EXPECT_EQ(entityOutputName("Spannung σ/τ", "5", "Elem", 1), "Spannungστ5AtElem1");
  EXPECT_EQ(entityOutputName("Spannung σ/τ mittel", "5", "Elem", 1), "Spannungστ5AtElem1");
}

TEST(PickerOutputKindTest, ElementTypesWithAListAndTheRest) {
  for (int type : {1, 2, 5}) EXPECT_EQ(pickerOutputKind(type), "LineElement") << type;
  for (int type : {11, 12}) EXPECT_EQ(pickerOutputKind(type), "ShearPanel") << type;
  for (int type : {17, 18}) EXPECT_EQ(pickerOutputKind(type), "PlateElement") << type;
  for (int type : {21, 22}) EXPECT_EQ(pickerOutputKind(type), "LaminateElement") << type;
  for (int type : {25, 26}) EXPECT_EQ(pickerOutputKind(type), "SolidElement") << type;
  for (int type : {0, 3, 9, 19, 30}) EXPECT_EQ(pickerOutputKind(type), "") << type;
}

TEST(MassQuantityTest, EachWordSelectsItsQuantity) {
  exchange::MassProperties mass;
  mass.scalars = {1, 2, 3, 4, 5, 6};
  mass.arrays = {std::vector<double>{7, 8, 9},
                 {10, 11, 12},
                 {13, 14, 15},
                 {16, 17, 18, 19, 20, 21},
                 {22, 23, 24, 25, 26, 27}};
  EXPECT_EQ(massQuantity(mass, "Length", ""), 1);
  EXPECT_EQ(massQuantity(mass, "Area", ""), 2);
  EXPECT_EQ(massQuantity(mass, "Vol", ""), 3);
  EXPECT_EQ(massQuantity(mass, "MassStructural", ""), 4);
  EXPECT_EQ(massQuantity(mass, "MassNonStructural", ""), 5);
  EXPECT_EQ(massQuantity(mass, "MassTotal", ""), 6);
  EXPECT_EQ(massQuantity(mass, "StructuralCG", "2"), 9);
  EXPECT_EQ(massQuantity(mass, "NonStructuralCG", "0"), 10);
  EXPECT_EQ(massQuantity(mass, "TotalCG", "1"), 14);
  EXPECT_EQ(massQuantity(mass, "Inertia", "4"), 20);
  EXPECT_EQ(massQuantity(mass, "InertiaCG", "5"), 27);
  // The picker's label is not the row's word, and words are compared exactly.
  EXPECT_EQ(massQuantity(mass, "Volume", ""), std::nullopt);
  EXPECT_EQ(massQuantity(mass, "totalcg", "1"), std::nullopt);
}

TEST(MassQuantityTest, AComponentOutsideItsArrayOrNotANumberIsRefused) {
  exchange::MassProperties mass;
  mass.arrays = {std::vector<double>{7, 8, 9}, {}, {}, {}, {}};
  EXPECT_THROW(massQuantity(mass, "StructuralCG", "3"), support::RuntimeError);
  EXPECT_THROW(massQuantity(mass, "StructuralCG", "-1"), support::RuntimeError);
  EXPECT_THROW(massQuantity(mass, "StructuralCG", ""), support::RuntimeError);
  EXPECT_THROW(massQuantity(mass, "StructuralCG", "x"), support::RuntimeError);
}

// ---------------------------------------------------------------- on the pane

class OutputSubsystems : public pane::PaneSubsystems {
 public:
  void OutputsButton_Click(pane::CorvaneFemapInterface& pane) override {
    outputs::OutputsButton_Click(pane);
  }
};

TEST(OutputsOnPaneTest, FemapDialogsCarryTheTitlesOfTheirKindAndOnlyThoseKindsOpenOne) {
  testing_support::ScopedTempDir dir;
  testing_support::ScopedEnvironment environment;
  environment.set("TEMP", dir.path().string());
  femapsim::registerFemapSim();
  auto femap = femapsim::startRunningApplication();
  std::filesystem::copy_file(testing_support::sourceDir() / "examples/plate/plate.mod",
                             dir / "plate.mod");
  ui::HeadlessWindows windows;
  OutputSubsystems subsystems;
  {
    pane::CorvaneFemapInterface pane(windows, subsystems);
    ASSERT_TRUE(pane.start((dir / "plate.mod").string() + "$$"));
    for (const char* kind :
         {"Nodes", "Nodes Min/Max", "Elements", "Elements Min/Max", "Mass Properties"}) {
      pane.form().OutputSelection.choose(kind);
      pane.form().OutputsButton.click();
    }
    EXPECT_EQ(femap->dialogTitles(),
              (std::vector<std::string>{"Select Nodes to Analyze", "Select Elements to Analyze"}));
    EXPECT_EQ(femap->lockCount(), 0);
  }
  femapsim::stopRunningApplication();
}

}  // namespace
}  // namespace outputs
