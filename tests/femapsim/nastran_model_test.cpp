// Nastran decks read as models (feFileReadNastran) and models written as decks
// (feFileWriteNastran): every card and field form read, written back and read again; masses
// against hand values; bad decks refused whole.

#include "femapsim/nastran_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>

#include "femap/return_codes.h"
#include "femapsim/application.h"
#include "femapsim/femap_layout.h"
#include "femapsim/mass_model.h"
#include "femapsim/mass_properties.h"
#include "femapsim/model_file.h"
#include "femapsim/neutral_model.h"
#include "nastran/cross_reference.h"
#include "support/text_file.h"
#include "testing/neutral_model_writer.h"
#include "testing/temp_dir.h"

namespace femapsim {
namespace {

using testing_support::ScopedTempDir;

std::string sourceDir() {
  const char* dir = std::getenv("CORVANE_SOURCE_DIR");
  return dir ? dir : CORVANE_SOURCE_DIR_DEFAULT;
}

Model modelOfText(const std::string& text, const std::string& name = "deck.dat") {
  nastran::MemoryFiles files;
  nastran::Deck deck = nastran::readDeckText(text, name, files);
  nastran::requireConsistent(deck);
  return modelFromDeck(deck, Model());
}

// Read, written back, read again: the same model; and the model survives its own file format.
Model expectRoundTrip(const std::string& text) {
  Model first = modelOfText(text);
  std::string written = formatNastranModelDeck(first);
  Model second = modelOfText(written, "written.dat");
  EXPECT_EQ(formatModel(first), formatModel(second)) << written;
  Model reloaded = parseModel(formatModel(first), "model.mod");
  EXPECT_EQ(formatModel(first), formatModel(reloaded));
  return first;
}

MassProperties massOf(const Model& model) { return measureMassProperties(massElementsOf(model)); }

TEST(NastranModel, EveryCardReadWrittenBackAndReadAgainIsTheSameModel) {
  std::string deck = support::readWholeFile(sourceDir() + "/tests/fuzz/seeds/nastran_deck/every_card.dat");
  Model model = expectRoundTrip(deck);

  // IDs kept, FEMAP's codes and value positions.
  const Entity* node2 = model.table(Kind::Node).find(2);
  ASSERT_NE(node2, nullptr);
  EXPECT_EQ(node2->integer("defCSys"), 1);
  EXPECT_EQ(node2->integer("outCSys"), 3);
  EXPECT_DOUBLE_EQ(node2->number("x"), 2.0);  // CORD2R 1: origin (1,2,3), x along basic x
  EXPECT_DOUBLE_EQ(node2->number("y"), 2.0);
  EXPECT_DOUBLE_EQ(node2->number("z"), 3.0);
  EXPECT_EQ(model.table(Kind::Node).find(105)->integer("scalarPoint"), 1);

  const Entity* shell = model.table(Kind::Prop).find(26);
  EXPECT_EQ(shell->integer("type"), element_type::kPlateParabolic);  // a CQUAD8 uses it
  EXPECT_DOUBLE_EQ(shell->element("pval", pval::kThickness), 0.1);
  EXPECT_DOUBLE_EQ(shell->element("pval", pval::kNsm), 0.01);
  const Entity* section = model.table(Kind::Prop).find(29);
  EXPECT_EQ(section->integer("shape"), 4);  // I
  EXPECT_DOUBLE_EQ(section->element("shapeDim", 2), 0.5);
  EXPECT_EQ(model.table(Kind::Elem).find(11)->integer("type"), element_type::kRod);  // CONROD
  const Entity* conrod = model.table(Kind::Prop).find(model.table(Kind::Elem).find(11)->integer("propID"));
  EXPECT_EQ(conrod->integer(kInlineOf), 11);
  EXPECT_DOUBLE_EQ(conrod->element("pval", pval::kArea), 2.0);
  EXPECT_EQ(model.table(Kind::Elem).find(24)->integer("formulation"), formulation::kDrilling);
  EXPECT_EQ(model.table(Kind::Elem).find(30)->integer("topology"), kTetra10);
  EXPECT_EQ(model.table(Kind::Elem).find(37)->integer("formulation"), formulation::kRbe3);

  // One load set per load SID, the LOAD combination as FEMAP keeps it.
  const Entity* combined = model.table(Kind::LoadSet).find(3);
  ASSERT_NE(combined, nullptr);
  EXPECT_EQ(combined->list("LoadCombineSet"), (std::vector<double>{1, 2}));
  EXPECT_EQ(combined->list("LoadCombineScale"), (std::vector<double>{2, -1}));
  EXPECT_DOUBLE_EQ(combined->number("LoadCombineFactor"), 1.5);
  EXPECT_EQ(model.table(Kind::LoadSet).find(2)->list("BodyAccel"), (std::vector<double>{0, 0, -9.81, 0, 0, 0}));
  // One constraint set per SPC/MPC SID.
  EXPECT_EQ(model.table(Kind::BcNode).find(2, 1)->list("dof"), (std::vector<double>{1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(model.table(Kind::BcSet).find(6)->list("SPCAddSet"), (std::vector<double>{1, 2}));
  EXPECT_EQ(model.table(Kind::BcEqn).find(1, 5)->list("node"), (std::vector<double>{1, 2, 3, 4, 5}));
  // The subcases as one analysis set with a case each; global selections filled in.
  const Entity* case1 = model.table(Kind::AnalysisCase).find(1, 1);
  const Entity* case2 = model.table(Kind::AnalysisCase).find(2, 1);
  ASSERT_NE(case1, nullptr);
  ASSERT_NE(case2, nullptr);
  EXPECT_EQ(case1->text("title"), "first");
  EXPECT_EQ(case1->integer("LoadSetID"), 3);
  EXPECT_EQ(case1->integer("BCSetID"), 1);
  EXPECT_EQ(case1->integer("TempInitSetID"), 4);
  EXPECT_EQ(case2->integer("MPCSetID"), 5);
  EXPECT_EQ(case2->integer("TempSetID"), 4);
  // The cards not modelled, as they stood.
  bool eigrl = false;
  for (const auto& [key, card] : model.table(Kind::DeckCard).entities()) eigrl = eigrl || card.text("text") == "EIGRL,50,,,6";
  EXPECT_TRUE(eigrl);
}

TEST(NastranModel, WrittenDeckCarriesSubcasesOutputRequestsAndPassedCards) {
  std::string deck = support::readWholeFile(sourceDir() + "/tests/fuzz/seeds/nastran_deck/every_card.dat");
  std::string written = formatNastranModelDeck(modelOfText(deck));
  nastran::MemoryFiles files;
  nastran::Deck again = nastran::readDeckText(written, "written.dat", files);
  ASSERT_EQ(again.caseControl.subcases.size(), 2u);
  const nastran::Subcase& first = again.caseControl.subcases[0];
  EXPECT_EQ(first.method, 50);
  ASSERT_NE(first.findSet(7), nullptr);
  ASSERT_NE(first.findOutput("STRESS"), nullptr);
  EXPECT_EQ(first.findOutput("STRESS")->target, "7");
  EXPECT_EQ(again.executive.solution->number, 101);
  EXPECT_EQ(again.unreadSummary(), "2 cards passed through unread: EIGRL (1), RFORCE (1)");
  EXPECT_EQ(again.executive.statements.size(), 2u);  // ID, TIME
  EXPECT_EQ(again.bulk.params.size(), 2u);
  EXPECT_EQ(again.caseControl.plotPackets.size(), 2u);
}

// One structure written in every field form and continuation form reads as one model.
TEST(NastranModel, EveryFieldAndContinuationFormGivesTheSameModel) {
  const std::string head = "SOL 101\nCEND\nSUBCASE 1\n  LOAD = 1\n  SPC = 2\nBEGIN BULK\n";
  const std::string free =
      "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,5.,0.\nGRID,4,,0.,5.,0.\n"
      "CQUAD4,1,1,1,2,3,4,,\n,,,.1,.1,.1,.1\n"
      "PSHELL,1,1,.25,1\nMAT1,1,2.1+5,,.3,7.85-9\n"
      "FORCE,1,3,,1.D3,0.,0.,-1.\nSPC1,2,123456,1,\n4\nENDDATA\n";
  const std::string small =
      "GRID    1               0.      0.      0.\n"
      "GRID    2               10.     0.      0.\n"
      "GRID\t3\t\t10.\t5.\t0.\n"
      "GRID    4               0.      5.      0.\n"
      "CQUAD4  1       1       1       2       3       4                       +Q1\n"
      "+Q1                     .1      .1      .1      .1\n"
      "PSHELL  1       1       .25     1\n"
      "MAT1    1       210000.         .3      7.85E-9\n"
      "FORCE   1       3               1000.   0.      0.      -1.\n"
      "$ the constraint\n"
      "SPC1    2       123456  1       4\n"
      "ENDDATA\n";
  const std::string large =
      "GRID*   1                               0.              0.\n*       0.\n"
      "GRID*   2                               10.             0.\n*       0.\n"
      "GRID*   3                               10.             5.\n*       0.\n"
      "GRID*   4                               0.              5.\n*       0.\n"
      "CQUAD4* 1               1               1               2               *A\n"
      "*A      3               4                                               *B\n"
      "*B                                      .1              .1\n"
      "*       .1              .1\n"
      "PSHELL  1       1       .25     1\n"
      "MAT1*   1               2.1E+5                          .3\n*       7.85-9\n"
      "FORCE   1       3               +1.0E+03 0.     0.      -1.\n"
      "SPC1    2       123456  1       4\n"
      "ENDDATA\n";
  std::string reference = formatModel(expectRoundTrip(head + free));
  EXPECT_EQ(formatModel(modelOfText(head + small)), reference);
  EXPECT_EQ(formatModel(modelOfText(head + large)), reference);
}

TEST(NastranModel, FullPrecisionSurvivesTheDeck) {
  Model model = modelOfText("SOL 101\nCEND\nBEGIN BULK\nGRID,1,,0.,0.,0.\nENDDATA\n");
  model.table(Kind::Node).find(1)->set("x", 1.0 / 3.0);
  model.table(Kind::Node).find(1)->set("y", 123456.789012345);
  std::string written = formatNastranModelDeck(model);
  EXPECT_NE(written.find("GRID*"), std::string::npos) << written;
  Model again = modelOfText(written);
  // 1/3 needs 17 digits, more than a large field holds: the nearest 16 characters give.
  EXPECT_NEAR(again.table(Kind::Node).find(1)->number("x"), 1.0 / 3.0, 1e-15);
  EXPECT_EQ(again.table(Kind::Node).find(1)->number("y"), 123456.789012345);
}

// ---- Masses against hand values ----

std::string grid(int id, double x, double y, double z) {
  return "GRID," + std::to_string(id) + ",," + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z) + "\n";
}

constexpr const char* kDeckHead = "SOL 101\nCEND\nBEGIN BULK\nMAT1,1,2.E11,,.3,2.\nMAT1,2,2.E11,,.3,4.\n";

TEST(NastranModel, BarSectionsWeighAsTheirShapes) {
  // Four bars of length 10 along x, density 2.
  std::string deck = std::string(kDeckHead) + grid(1, 0, 0, 0) + grid(2, 10, 0, 0) +
                     "CBAR,1,1,1,2,0.,0.,1.\nCBAR,2,2,1,2,0.,0.,1.\nCBAR,3,3,1,2,0.,0.,1.\nCBAR,4,4,1,2,0.,0.,1.\n"
                     "PBARL,1,1,,BAR\n,2.,3.\n"
                     "PBARL,2,1,,ROD\n,1.\n"
                     "PBARL,3,1,,TUBE\n,2.,1.\n"
                     "PBARL,4,1,,I\n,10.,6.,4.,1.,1.5,2.\n"
                     "ENDDATA\n";
  Model model = expectRoundTrip(deck);
  double pi = std::numbers::pi;
  double area = 2 * 3 + pi * 1 + pi * (4 - 1) + (6 * 1.5 + 4 * 2 + (10 - 1.5 - 2) * 1);
  EXPECT_NEAR(massOf(model).structuralMass, 2 * 10 * area, 1e-9);
}

TEST(NastranModel, PointMassWithOffsetAndLaminateWeighAsWorkedOut) {
  // CONM2 of 5 at (0,0,10) with offset (1,2,3): at (1,2,13). PCOMP on a 2 x 3 plate: plies
  // 0.1 of density 2 and 0.2 of density 4 = 1.0 per area, NSM 0.5 per area.
  std::string deck = std::string(kDeckHead) + grid(1, 0, 0, 0) + grid(2, 2, 0, 0) + grid(3, 2, 3, 0) + grid(4, 0, 3, 0) +
                     grid(5, 0, 0, 10) + "CONM2,1,5,,5.,1.,2.,3.\nCQUAD4,2,7,1,2,3,4\nPCOMP,7,,.5\n,1,.1,0.,YES,2,.2,90.\n"
                     "ENDDATA\n";
  MassProperties mass = massOf(expectRoundTrip(deck));
  EXPECT_NEAR(mass.structuralMass, 5 + 6 * 1.0, 1e-12);
  EXPECT_NEAR(mass.nonStructuralMass, 6 * 0.5, 1e-12);
  // The CG of 5 at (1,2,13), 6 at (1,1.5,0) and 3 (NSM) at (1,1.5,0).
  EXPECT_NEAR(mass.totalCG[0], 1.0, 1e-12);
  EXPECT_NEAR(mass.totalCG[1], (5 * 2 + 9 * 1.5) / 14, 1e-12);
  EXPECT_NEAR(mass.totalCG[2], 5 * 13.0 / 14, 1e-12);
}

// A free-field card of any length, eight fields a line.
std::string continued(const std::string& card) {
  std::string out;
  int commas = 0;
  for (char c : card) {
    if (c == ',' && ++commas > 8 && (commas - 1) % 8 == 0) out += "\n+";
    out += c;
  }
  return out + "\n";
}

TEST(NastranModel, QuadraticSolidsWeighAsTheirVolume) {
  // A unit CTETRA10 (volume 1/6) and a 1 x 2 x 3 CHEXA20 (volume 6), density 2, mid-side nodes
  // in Nastran's edge order.
  std::string deck = kDeckHead;
  double corners[][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  int tetraEdges[][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
  std::string tetra = "CTETRA,1,1";
  for (int i = 0; i < 4; ++i) {
    deck += grid(1 + i, corners[i][0], corners[i][1], corners[i][2]);
    tetra += "," + std::to_string(1 + i);
  }
  for (int e = 0; e < 6; ++e) {
    const double* a = corners[tetraEdges[e][0]];
    const double* b = corners[tetraEdges[e][1]];
    deck += grid(11 + e, (a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2);
    tetra += "," + std::to_string(11 + e);
  }
  double box[][3] = {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 3}, {1, 0, 3}, {1, 2, 3}, {0, 2, 3}};
  int hexaEdges[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 5}, {2, 6}, {3, 7}, {4, 5}, {5, 6}, {6, 7}, {7, 4}};
  std::string hexa = "CHEXA,2,2";
  for (int i = 0; i < 8; ++i) {
    deck += grid(101 + i, box[i][0], box[i][1], box[i][2]);
    hexa += "," + std::to_string(101 + i);
  }
  for (int e = 0; e < 12; ++e) {
    const double* a = box[hexaEdges[e][0]];
    const double* b = box[hexaEdges[e][1]];
    deck += grid(111 + e, (a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2);
    hexa += "," + std::to_string(111 + e);
  }
  deck += continued(tetra) + continued(hexa) + "PSOLID,1,1\nPSOLID,2,1\nENDDATA\n";
  Model model = expectRoundTrip(deck);
  EXPECT_EQ(model.table(Kind::Elem).find(2)->integer("topology"), kBrick20);
  MassProperties mass = massOf(model);
  EXPECT_NEAR(mass.volume, 1.0 / 6 + 6, 1e-12);
  EXPECT_NEAR(mass.structuralMass, 2 * (1.0 / 6 + 6), 1e-12);
}

// THRU ranges take what exists between their ends, however far apart the ends are.
TEST(NastranModel, ThruRangesTakeTheEntitiesThatExist) {
  Model model = expectRoundTrip(
      "SOL 101\nCEND\nBEGIN BULK\n" + grid(1, 0, 0, 0) + grid(2, 1, 0, 0) + grid(3, 1, 1, 0) + grid(5, 0, 1, 0) +
      "CQUAD4,7,1,1,2,3,5\nCTRIA3,9,1,1,2,3\nPSHELL,1,1,.1\nMAT1,1,1.,,.3\nSPOINT,100,THRU,102\n"
      "PLOAD4,1,1,2.,,,,THRU,2000000000\nSPC1,1,1,1,THRU,2000000000\nENDDATA\n");
  EXPECT_EQ(model.table(Kind::LoadMesh).size(), 2u);
  EXPECT_EQ(model.table(Kind::BcNode).size(), 7u);  // four grids and three scalar points
  EXPECT_NE(model.table(Kind::Node).find(101), nullptr);
  nastran::MemoryFiles files;
  nastran::Deck tooMany =
      nastran::readDeckText("SOL 101\nCEND\nBEGIN BULK\nSPOINT,1,THRU,2000000000\nENDDATA\n", "deck.dat", files);
  try {
    modelFromDeck(tooMany, Model());
    FAIL() << "two billion scalar points read";
  } catch (const nastran::DeckError& error) {
    EXPECT_EQ(std::string(error.what()).substr(0, 25), "deck.dat:4: SPOINT 1: mor");
  }
}

// ---- Through the automation interface ----

constexpr const char* kPlate =
    "SOL 101\nCEND\nTITLE = Plate\nSUBCASE 1\n  LOAD = 1\n  SPC = 2\n  DISPLACEMENT = ALL\nBEGIN BULK\n"
    "GRID,1,,0.,0.,0.\nGRID,2,,10.,0.,0.\nGRID,3,,10.,5.,0.\nGRID,4,,0.,5.,0.\n"
    "CQUAD4,1,1,1,2,3,4\nPSHELL,1,1,.25,1\nMAT1,1,2.1+5,,.3,7.85-9\n"
    "FORCE,1,3,,1000.,0.,0.,-1.\nSPC1,2,123456,1,4\nEIGRL,9,,,6\nENDDATA\n";

TEST(NastranModel, ReadIntoTheOpenModelKeepsItsEntitiesAndSaysWhatPassedThrough) {
  ScopedTempDir dir;
  auto application = std::make_shared<Application>();
  application->newModel();
  application->model().table(Kind::Node).put(Entity{500, {}});
  ASSERT_EQ(application->readModel(dir.write("plate.dat", kPlate), ModelFormat::Nastran), femap::kOk)
      << application->lastFailure();
  EXPECT_NE(application->model().table(Kind::Node).find(500), nullptr);
  EXPECT_NE(application->model().table(Kind::Elem).find(1), nullptr);
  EXPECT_EQ(application->model().header.text("title"), "Plate");
  ASSERT_FALSE(application->messages().empty());
  EXPECT_NE(application->messages().back().text.find("1 card passed through unread: EIGRL (1)"), std::string::npos)
      << application->messages().back().text;
}

// Bad input: refused whole with file, line and reason; nothing added.
TEST(NastranModel, BadDecksAreRefusedWholeWithFileLineAndReason) {
  struct Case {
    std::string bulk;
    std::string message;
  } cases[] = {
      {"GRID,1,,0.,0.,0.\nPROD,1,1,two\nMAT1,1,1.,,.3\n", "bad.dat:5: PROD 1: field 3 (A) 'two' is not a number"},
      {"GRID,1,,0.,0.,0.\nCROD,1,1,1,2\nPROD,1,1,1.\nMAT1,1,1.,,.3\n", "bad.dat:5: CROD 1"},
      {"GRID,1,,0.,0.,0.\nGRID,1,,1.,0.,0.\n", "bad.dat:5: GRID 1"},
      {"GRID,1,1,0.,0.,0.\nCORD2R,1,2,0.,0.,0.,0.,0.,1.\n,1.,0.,0.\nCORD2R,2,1,0.,0.,0.,0.,0.,1.\n,1.,0.,0.\n", "loop"},
      {"+,1,2\n", "bad.dat:4: continuation line without a card before it"},
      {"INCLUDE 'missing.inc'\n", "bad.dat:4: INCLUDE 'missing.inc'"},
      // A property that only a card passed through unread defines: the model would lack it.
      {"GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nCROD,1,1,1,2\nPROX,1,1,1.\n",
       "refers to missing prop 1 (propID), which only a card passed through unread defines"},
  };
  for (const Case& c : cases) {
    ScopedTempDir dir;
    auto application = std::make_shared<Application>();
    application->newModel();
    std::string before = formatModel(application->model());
    std::string deck = "SOL 101\nCEND\nBEGIN BULK\n" + c.bulk + "ENDDATA\n";
    int rc = application->readModel(dir.write("bad.dat", deck), ModelFormat::Nastran);
    EXPECT_NE(rc, femap::kOk) << c.bulk;
    EXPECT_EQ(formatModel(application->model()), before) << c.bulk;
    EXPECT_NE(application->lastFailure().find(c.message.starts_with("bad.dat") ? (dir / c.message).string() : c.message),
              std::string::npos)
        << application->lastFailure();
  }
  ScopedTempDir dir;
  auto application = std::make_shared<Application>();
  EXPECT_NE(application->readModel(dir.write("nobulk.dat", "SOL 101\nCEND\nGRID,1\n"), ModelFormat::Nastran), femap::kOk);
  EXPECT_NE(application->lastFailure().find("BEGIN BULK"), std::string::npos) << application->lastFailure();
}

// A neutral model file written by FEMAP's block layouts from a deck's model, read and written as
// a deck: the same structure as the deck it was made from.
TEST(NastranModel, NeutralModelOfADeckWritesTheSameStructureAsTheDeck) {
  std::string deck = support::readWholeFile(sourceDir() + "/tests/fuzz/seeds/nastran_deck/every_card.dat");
  Model fromDeck = modelOfText(deck);
  Model fromNeutral = readNeutralModel(testing_support::writeNeutralModel(fromDeck), "model.neu");
  Model again = modelOfText(formatNastranModelDeck(fromNeutral), "neutral.dat");
  for (Kind kind : {Kind::Node, Kind::Elem, Kind::Prop, Kind::Matl, Kind::CSys, Kind::BcNode, Kind::BcEqn,
                    Kind::LoadMesh, Kind::NodeTemp}) {
    ASSERT_EQ(again.table(kind).size(), fromDeck.table(kind).size()) << info(kind).word;
  }
  for (const auto& [key, node] : fromDeck.table(Kind::Node).entities()) {
    const Entity* other = again.table(Kind::Node).find(node.id);
    ASSERT_NE(other, nullptr);
    for (const char* axis : {"x", "y", "z"}) EXPECT_NEAR(other->number(axis), node.number(axis), 1e-9) << node.id;
  }
  for (const auto& [key, element] : fromDeck.table(Kind::Elem).entities()) {
    const Entity* other = again.table(Kind::Elem).find(element.id);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->integer("type"), element.integer("type")) << element.id;
    EXPECT_EQ(other->list("node"), element.list("node")) << element.id;
  }
  MassProperties a = massOf(fromDeck), b = massOf(again);
  EXPECT_NEAR(b.totalMass, a.totalMass, 1e-9 * std::abs(a.totalMass));
}

}  // namespace
}  // namespace femapsim
