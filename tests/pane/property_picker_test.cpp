// The property picker: the member and index each label reads, the lists and captions it
// offers, and what OK, Cancel, Select All and Deselect All record.
#include "pane/property_picker.h"

#include <gtest/gtest.h>

#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "support/err.h"
#include "testing/scoped_environment.h"
#include "testing/temp_dir.h"

namespace pane {
namespace {

std::string describe(const PickedField& picked) {
  return picked.field + (picked.index ? "[" + std::to_string(*picked.index) + "]" : "");
}

// Runs OK of a picker filled for one list, ticking `labels`, and describes every pick as
// "label -> field[index]" from the three collections.
class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    femapsim::registerFemapSim();
    femap_ = femapsim::startRunningApplication();
  }
  void TearDown() override { femapsim::stopRunningApplication(); }

  std::vector<std::string> entries() const {
    std::vector<std::string> texts;
    for (int entry = 0; entry < picker_.lstProperties.count(); ++entry) {
      texts.push_back(picker_.lstProperties.item(entry));
    }
    return texts;
  }
  void tick(const std::vector<std::string>& labels) {
    for (const std::string& label : labels) {
      bool found = false;
      for (int entry = 0; entry < picker_.lstProperties.count(); ++entry) {
        if (picker_.lstProperties.item(entry) == label) {
          picker_.lstProperties.setSelected(entry, true);
          found = true;
        }
      }
      ASSERT_TRUE(found) << label;
    }
  }
  std::vector<std::string> okWith(const std::string& entityType, const std::string& propType,
                                  const std::vector<std::string>& labels) {
    picker_.GetPropertyList(entityType, propType);
    tick(labels);
    picker_.cmdAdd.click();
    std::vector<std::string> picks;
    for (const std::string& label : picker_.collection) {
      std::string pick = label + " -> " + picker_.femapColl.item(std::string_view(label));
      if (picker_.arrayIndex.contains(label)) {
        pick += "[" + picker_.arrayIndex.item(std::string_view(label)) + "]";
      }
      picks.push_back(pick);
    }
    return picks;
  }

  std::shared_ptr<femapsim::Application> femap_;
  PropertyPicker picker_;
};

using Texts = std::vector<std::string>;

TEST(PickedFieldTest, ArrayLabelsGiveTheirArrayAndTheIndexFromZero) {
  const PropIndexMap none;
  EXPECT_EQ(describe(pickedField("Elem", "orientA", 0, none)), "orient[0]");
  EXPECT_EQ(describe(pickedField("Elem", "orientC", 2, none)), "orient[2]");
  EXPECT_EQ(describe(pickedField("Elem", "node1", 3, none)), "node[0]");
  EXPECT_EQ(describe(pickedField("Elem", "node2", 4, none)), "node[1]");
  EXPECT_EQ(describe(pickedField("Elem", "node5", 7, none)), "node[4]");
  EXPECT_EQ(describe(pickedField("LoadSet", "BodyAccelF", 5, none)), "BodyAccel[5]");
  EXPECT_EQ(describe(pickedField("LoadSet", "BodyVelocityA", 6, none)), "BodyVelocity[0]");
  EXPECT_EQ(describe(pickedField("LoadSet", "BodyVelocityC", 8, none)), "BodyVelocity[2]");
  EXPECT_EQ(describe(pickedField("LoadSet", "BodyOriginB", 10, none)), "BodyOrigin[1]");
  EXPECT_EQ(describe(pickedField("BCNode", "Degrees of freedom 5", 5, none)), "dof[5]");
}

TEST(PickedFieldTest, OtherLabelsReadTheMemberOfTheirNameIndexedOnlyForMassProperties) {
  const PropIndexMap none;
  EXPECT_EQ(describe(pickedField("Node", "x", 0, none)), "x");
  EXPECT_EQ(describe(pickedField("Elem", "geomID", 10, none)), "geomID");
  EXPECT_EQ(describe(pickedField("Elem", "topology", 12, none)), "topology");
  EXPECT_EQ(describe(pickedField("LoadSet", "BodyDefTemp", 12, none)), "BodyDefTemp");
  EXPECT_EQ(describe(pickedField("Matl", "CompressionLimit1", 27, none)), "CompressionLimit1");
  EXPECT_EQ(describe(pickedField("BCNode", "color", 6, none)), "color");
  EXPECT_EQ(describe(pickedField("MeshMass", "Length", 0, none)), "Length[0]");
  EXPECT_EQ(describe(pickedField("MeshMass", "TotalCG", 8, none)), "TotalCG[8]");
  EXPECT_EQ(describe(pickedField("MeshMass", "InertiaCG", 10, none)), "InertiaCG[10]");
}

TEST(PickedFieldTest, TheElementsOrientationIdIsItsOwnScalarNotAnOrientationComponent) {
  EXPECT_EQ(describe(pickedField("Elem", "orientID", 11, PropIndexMap())), "orientID");
}

TEST(PickedFieldTest, PropertyValuesReadThePropertyArrayByTheListsIndex) {
  PropIndexMap indexes;
  indexes.add("NS Mass/Len", 7);
  indexes.add("Thickness", 0);
  EXPECT_EQ(describe(pickedField("Prop", "NS Mass/Len", 4, indexes)), "pval[7]");
  EXPECT_EQ(describe(pickedField("Prop", "thickness", 0, indexes)), "pval[0]");
  for (const char* general : {"Color", "layer", "type", "matlID", "refCS"}) {
    EXPECT_EQ(describe(pickedField("Prop", general, 9, indexes)), general);
  }
  // A label outside the map is a fault of the caller's list, not a silent index 0.
  EXPECT_THROW(pickedField("Prop", "Top Fiber", 5, indexes), support::RuntimeError);
}

TEST_F(PickerTest, EveryPropertyListGivesEachLabelItsValueIndex) {
  EXPECT_EQ(okWith("Prop", "Bar",
                   {"End A Area", "I1", "I2", "I12", "J", "ShearAr, K1", "ShearAr, K2",
                    "NS Mass/Len", "Color"}),
            (Texts{"End A Area -> pval[0]", "I1 -> pval[1]", "I2 -> pval[2]", "I12 -> pval[3]",
                   "J -> pval[4]", "ShearAr, K1 -> pval[5]", "ShearAr, K2 -> pval[6]",
                   "NS Mass/Len -> pval[7]", "Color -> Color"}));
  EXPECT_EQ(okWith("Prop", "Plate",
                   {"Thickness", "Thick Corn2", "Thick Corn3", "Thick Corn4", "NS Mass/Len",
                    "Top Fiber", "Bot Fiber", "refCS"}),
            (Texts{"Thickness -> pval[0]", "Thick Corn2 -> pval[1]", "Thick Corn3 -> pval[2]",
                   "Thick Corn4 -> pval[3]", "NS Mass/Len -> pval[7]", "Top Fiber -> pval[8]",
                   "Bot Fiber -> pval[9]", "refCS -> refCS"}));
  EXPECT_EQ(okWith("Prop", "Rod", {"Area", "J", "Ctors", "NS Mass/Len", "Initial Tension"}),
            (Texts{"Area -> pval[0]", "J -> pval[4]", "Ctors -> pval[5]", "NS Mass/Len -> pval[7]",
                   "Initial Tension -> pval[8]"}));
  EXPECT_EQ(okWith("Prop", "Shear", {"type", "matlID"}),
            (Texts{"type -> type", "matlID -> matlID"}));
  EXPECT_TRUE(picker_.propIndexMap().empty());
}

TEST_F(PickerTest, PicksAreRecordedInListOrderWhateverOrderTheyWereTicked) {
  EXPECT_EQ(okWith("Elem", "", {"orientID", "node2", "orientB"}),
            (Texts{"orientB -> orient[1]", "node2 -> node[1]", "orientID -> orientID"}));
  EXPECT_EQ(picker_.arrayIndex.count(), 2u);  // orientID is not indexed
  EXPECT_EQ(okWith("LoadSet", "", {"BodyDefTemp", "BodyOriginB"}),
            (Texts{"BodyOriginB -> BodyOrigin[1]", "BodyDefTemp -> BodyDefTemp"}));
  EXPECT_EQ(okWith("MeshMass", "", {"TotalCG", "Length"}),
            (Texts{"Length -> Length[0]", "TotalCG -> TotalCG[8]"}));
  EXPECT_EQ(okWith("BCGeom", "", {"Degrees of freedom 3", "expanded"}),
            (Texts{"Degrees of freedom 3 -> dof[3]", "expanded -> expanded"}));
}

TEST_F(PickerTest, EachEntityTypeHasItsCaptionAndList) {
  struct Case {
    const char* entityType;
    const char* propType;
    const char* caption;
    std::size_t entries;
  };
  for (const Case& c :
       {Case{"Node", "Plate", "Node Properties", 5}, Case{"Elem", "", "Element Properties", 13},
        Case{"Prop", "Bar", "Bar Properties", 13}, Case{"Prop", "Beam", "Beam Properties", 13},
        Case{"Prop", "Plate", "Plate Properties", 12}, Case{"Prop", "Rod", "Rod Properties", 10},
        Case{"Prop", "Shear", "Undefined Property", 5}, Case{"Prop", "", "Undefined Property", 5},
        Case{"Matl", "", "Material Properties", 31}, Case{"LoadSet", "", "LoadSet Properties", 22},
        Case{"MeshMass", "", "Total Mesh Properties", 11},
        Case{"BCNode", "", "Constraint Properties", 9},
        Case{"BCGeom", "", "Constraint Properties", 9}}) {
    picker_.GetPropertyList(c.entityType, c.propType);
    EXPECT_EQ(picker_.Label2.text(), c.caption) << c.entityType << " " << c.propType;
    EXPECT_EQ(entries().size(), c.entries) << c.entityType << " " << c.propType;
  }
  picker_.GetPropertyList("Prop", "Rod");
  EXPECT_EQ(entries(), (Texts{"Area", "J", "Ctors", "NS Mass/Len", "Initial Tension", "Color",
                              "layer", "type", "matlID", "refCS"}));
}

TEST_F(PickerTest, AnUnknownEntityTypeOffersNothingAndKeepsTheCaption) {
  // Before any fill the dialog shows what its first load filled: the constraint list.
  EXPECT_EQ(picker_.Label2.text(), "Constraint Properties");
  EXPECT_EQ(entries().size(), 9u);
  picker_.GetPropertyList("Matl", "");
  picker_.GetPropertyList("Material", "");
  EXPECT_EQ(picker_.Label2.text(), "Material Properties");
  EXPECT_TRUE(entries().empty());
  picker_.cmdAdd.click();
  EXPECT_TRUE(picker_.collection.empty());
  EXPECT_TRUE(picker_.arrayIndex.empty());
}

TEST_F(PickerTest, OutputKindsOfferTheirRangesOfTheCatalogue) {
  std::string model = "FEMAPSIM 1\nmodel activeOutputSet=1\nnode 1 x=0 y=0 z=0\noutset 1\n";
  for (int id : {1, 2999, 3000, 6000, 60000, 80000, 90000, 100000, 300000}) {
    model += "outvec " + std::to_string(id) + " setID=1 title=\"V" + std::to_string(id) +
             "\" entity=1 value=0\n";
  }
  testing_support::ScopedTempDir dir;
  ASSERT_EQ(femap_->openModel(dir.write("ranges.mod", model)), -1);
  picker_.UpdateCollection();

  auto offered = [&](const char* kind) {
    picker_.GetPropertyList("Output", kind);
    std::string ids = picker_.Label2.text() + ":";
    for (const std::string& entry : entries()) ids += " " + entry.substr(0, entry.find(' '));
    return ids;
  };
  EXPECT_EQ(offered("Node"), "Node Output Properties: 1 2999");
  EXPECT_EQ(offered("LineElement"), "Line Element Output Properties: 3000 80000");
  EXPECT_EQ(offered("PlateElement"), "Plate Element Output Properties: 6000 80000");
  EXPECT_EQ(offered("SolidElement"), "Solid Element Output Properties: 60000 80000");
  EXPECT_EQ(offered("LaminateElement"), "Laminate Element Output Properties: 6000 80000");
  EXPECT_EQ(offered("ShearPanel"), "Shear Panel Output Properties: 6000 80000");
  EXPECT_EQ(offered("AllElements"), "All Element Output Properties: 3000 6000 60000 80000");
  EXPECT_EQ(offered("PATRAN"), "PATRAN Element Output Properties: 90000");
  EXPECT_EQ(offered("Corner"), "Plate Corner Output Properties: 100000");
  EXPECT_EQ(offered(""), "Undefined Output Property: 3000 6000 60000 80000");
  EXPECT_EQ(offered("node"), "Undefined Output Property: 3000 6000 60000 80000");

  // An output pick records the vector's ID and the blank after it, without key.
  picker_.GetPropertyList("Output", "LineElement");
  tick({"80000 - V80000", "3000 - V3000"});
  picker_.cmdAdd.click();
  EXPECT_EQ(Texts(picker_.arrayIndex.begin(), picker_.arrayIndex.end()),
            (Texts{"3000 ", "80000 "}));
  EXPECT_TRUE(picker_.collection.empty());
  EXPECT_TRUE(picker_.femapColl.empty());
}

TEST_F(PickerTest, CancelSelectAllAndDeselectAll) {
  picker_.GetPropertyList("Node", "");
  picker_.cmdSelect.click();
  picker_.cmdCancel.click();
  EXPECT_FALSE(picker_.visible());
  EXPECT_TRUE(picker_.collection.empty());
  EXPECT_TRUE(picker_.femapColl.empty());

  picker_.GetPropertyList("Node", "");
  picker_.cmdSelect.click();
  picker_.cmdAdd.click();
  EXPECT_EQ(Texts(picker_.collection.begin(), picker_.collection.end()),
            (Texts{"x", "y", "z", "defCSys", "outCSys"}));
  EXPECT_TRUE(picker_.arrayIndex.empty());

  picker_.GetPropertyList("Node", "");
  picker_.cmdSelect.click();
  picker_.cmdDeSelect.click();
  picker_.cmdAdd.click();
  EXPECT_TRUE(picker_.collection.empty());
}

TEST_F(PickerTest, MembersAreFoundByLabelWithoutRegardToCase) {
  okWith("Prop", "Plate", {"NS Mass/Len"});
  EXPECT_EQ(picker_.femapColl.item(std::string_view("ns mass/len")), "pval");
  EXPECT_EQ(picker_.arrayIndex.item(std::string_view("NS MASS/LEN")), "7");
  EXPECT_EQ(picker_.propIndexMap().item("thick corn4"), 3);
}

}  // namespace
}  // namespace pane
