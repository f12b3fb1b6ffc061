// The typed fields of every card the library reads: given values, Nastran's defaults for blank
// fields, blanks kept where they mean something, the alternate forms, and each refusal's message.
#include <gtest/gtest.h>

#include "deck_text.h"

namespace nastran::testing {
namespace {

TEST(GridCards, FieldsDefaultsAndGrdset) {
  Deck deck = readBulk("GRID,1,2,1.,2.,3.,4,345,6\nGRID,2\n");
  const Grid& full = deck.bulk.grids[0];
  EXPECT_EQ(full.cp, 2);
  EXPECT_EQ(full.x, (Vec3{1, 2, 3}));
  EXPECT_EQ(full.cd, 4);
  EXPECT_EQ(full.ps, Components::parse("345"));
  EXPECT_EQ(full.seid, 6);
  const Grid& bare = deck.bulk.grids[1];
  EXPECT_EQ(bare, (Grid{.id = 2}));

  // GRDSET gives blank fields of every GRID their value, wherever it stands; it is not kept.
  Deck withDefaults = readBulk("GRID,1,,0.,0.,0.\nGRID,2,0,0.,0.,0.,0,1\nGRDSET,,3,,,,5,26\n");
  EXPECT_EQ(withDefaults.bulk.grids[0].cp, 3);
  EXPECT_EQ(withDefaults.bulk.grids[0].cd, 5);
  EXPECT_EQ(withDefaults.bulk.grids[0].ps.digits(), "26");
  EXPECT_EQ(withDefaults.bulk.grids[1].cp, 0);
  EXPECT_EQ(withDefaults.bulk.grids[1].cd, 0);
  EXPECT_EQ(withDefaults.bulk.grids[1].ps.digits(), "1");
  EXPECT_TRUE(withDefaults.bulk.passed.empty());

  Deck points = readBulk("SPOINT,5,7,THRU,9,20\n");
  EXPECT_EQ(points.bulk.spoints, (std::vector<Spoint>{{5, 5}, {7, 9}, {20, 20}}));
}

TEST(GridCards, Refusals) {
  EXPECT_EQ(bulkError("GRID,0\n"), "deck.dat:4: GRID 0: field 1 (ID) must be a positive ID, not 0");
  EXPECT_EQ(bulkError("GRID,1,,1.,2.,3.,,17\n"), "deck.dat:4: GRID 1: field 7 (PS) '17' must be made of the digits 1 to 6");
  EXPECT_EQ(bulkError("GRID,1,,1.,2.,3.,,112\n"), "deck.dat:4: GRID 1: field 7 (PS) '112' repeats the digit 1");
  EXPECT_EQ(bulkError("GRID,1,1.5\n"), "deck.dat:4: GRID 1: field 2 (CP) '1.5' is not an integer");
  EXPECT_EQ(bulkError("GRID,1,,a\n"), "deck.dat:4: GRID 1: field 3 (X1) 'a' is not a number");
  EXPECT_EQ(bulkError("GRID,1,,1.,2.,3.\n+,5\n"), "deck.dat:5: GRID 1: field 9 ('5') is beyond the last field of GRID (8)");
}

TEST(CoordinateCards, Cord1HoldsTwoSystemsAndCord2ThreePoints) {
  Deck deck = readBulk("CORD1C,3,1,2,3,4,5,6,7\nCORD2S,8,3,1.,2.,3.,4.,5.,6.\n+,7.,8.,9.\n");
  ASSERT_EQ(deck.bulk.cord1s.size(), 2u);
  EXPECT_EQ(deck.bulk.cord1s[0], (Cord1{CoordinateKind::Cylindrical, 3, {1, 2, 3}}));
  EXPECT_EQ(deck.bulk.cord1s[1], (Cord1{CoordinateKind::Cylindrical, 4, {5, 6, 7}}));
  ASSERT_EQ(deck.bulk.cord2s.size(), 1u);
  EXPECT_EQ(deck.bulk.cord2s[0], (Cord2{CoordinateKind::Spherical, 8, 3, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}}));
  EXPECT_EQ(bulkError("CORD1R,3,1,2,2\n"), "deck.dat:4: CORD1R 3: grid 2 appears twice");
}

TEST(LineElements, RodsBarsBeamsBushesSprings) {
  Deck deck = readBulk(
      "CROD,1,,3,4\nCONROD,2,3,4,7,2.,.5,.1,.01\n"
      "CBAR,3,8,3,4,5\nCBAR,4,8,3,4,0.,1.,0.,GOO\n+,456,,1.,2.,3.,4.,5.,6.\n"
      "CBEAM,5,9,3,4,0.,0.,1.,1.5\n+,,,,,,,,\n+,11,12\nCBEAM,6,9,3,4,5,,,BGG\n"
      "CBUSH,7,10,3,4,5,,,2\n+,.25,3,1.,2.,3.\nCBUSH,8,,3\n"
      "CELAS1,9,,3,1,4,2\nCELAS2,10,1.E5,3,6,,,.01,2.\n");
  const Bulk& bulk = deck.bulk;
  EXPECT_EQ(bulk.crods.at(0), (Crod{1, 1, {3, 4}}));  // PID blank: the EID
  EXPECT_EQ(bulk.conrods.at(0), (Conrod{2, {3, 4}, 7, 2, .5, .1, .01}));

  const Cbar& toGrid = bulk.cbars.at(0);
  EXPECT_EQ(toGrid.orientation.grid, 5);
  EXPECT_FALSE(toGrid.orientation.vector);
  EXPECT_EQ(toGrid.offt, "GGG");
  const Cbar& byVector = bulk.cbars.at(1);
  EXPECT_EQ(byVector.orientation.vector, (Vec3{0, 1, 0}));
  EXPECT_EQ(byVector.offt, "GOO");
  EXPECT_EQ(byVector.pa.digits(), "456");
  EXPECT_TRUE(byVector.pb.empty());
  EXPECT_EQ(byVector.wa, (Vec3{1, 2, 3}));
  EXPECT_EQ(byVector.wb, (Vec3{4, 5, 6}));

  const Cbeam& twisted = bulk.cbeams.at(0);
  EXPECT_EQ(twisted.bit, 1.5);  // field 8 as a real is BIT
  EXPECT_EQ(twisted.sa, 11);
  EXPECT_EQ(twisted.sb, 12);
  EXPECT_FALSE(bulk.cbeams.at(1).bit);
  EXPECT_EQ(bulk.cbeams.at(1).offt, "BGG");
  EXPECT_EQ(bulk.cbeams.at(1).orientation.grid, 5);

  const Cbush& bush = bulk.cbushes.at(0);
  EXPECT_EQ(bush.orientation.grid, 5);
  EXPECT_EQ(bush.cid, 2);
  EXPECT_EQ(bush.s, .25);
  EXPECT_EQ(bush.ocid, 3);
  EXPECT_EQ(bush.si[1], 2.0);
  const Cbush& grounded = bulk.cbushes.at(1);
  EXPECT_EQ(grounded.pid, 8);
  EXPECT_EQ(grounded.gb, 0);
  EXPECT_FALSE(grounded.cid);
  EXPECT_EQ(grounded.s, .5);
  EXPECT_EQ(grounded.ocid, -1);
  EXPECT_FALSE(grounded.si[0]);

  EXPECT_EQ(bulk.celas1s.at(0), (Celas1{9, 9, 3, 1, 4, 2}));
  EXPECT_EQ(bulk.celas2s.at(0), (Celas2{10, 1e5, 3, 6, 0, 0, .01, 2}));
}

TEST(LineElements, BarorAndBeamorFillBlankFields) {
  Deck deck = readBulk("CBAR,1,,3,4\nCBAR,2,5,3,4,1.,0.,0.,GGO\nBAROR,,7,,,0.,0.,1.,OOG\nBEAMOR,,8,,,6\nCBEAM,3,,3,4\n");
  const Cbar& blank = deck.bulk.cbars[0];
  EXPECT_EQ(blank.pid, 7);
  EXPECT_EQ(blank.orientation.vector, (Vec3{0, 0, 1}));
  EXPECT_EQ(blank.offt, "OOG");
  const Cbar& given = deck.bulk.cbars[1];
  EXPECT_EQ(given.pid, 5);
  EXPECT_EQ(given.orientation.vector, (Vec3{1, 0, 0}));
  EXPECT_EQ(given.offt, "GGO");
  EXPECT_EQ(deck.bulk.cbeams[0].pid, 8);
  EXPECT_EQ(deck.bulk.cbeams[0].orientation.grid, 6);
  EXPECT_TRUE(deck.bulk.passed.empty());
}

TEST(LineElements, Refusals) {
  EXPECT_EQ(bulkError("CROD,1,1,1,2.5\n"), "deck.dat:4: CROD 1: field 4 (G2) '2.5' is not an integer");
  EXPECT_EQ(bulkError("CROD,1,1,3,3\n"), "deck.dat:4: CROD 1: grid 3 appears twice");
  EXPECT_EQ(bulkError("CBAR,1,1,3,4,5,0.,1.\n"),
            "deck.dat:4: CBAR 1: field 6 (X2) must be blank: field 5 is an integer, the grid G0");
  EXPECT_EQ(bulkError("CBAR,1,1,3,4,0.,0.,1.,GXG\n"),
            "deck.dat:4: CBAR 1: field 8 (OFFT) 'GXG' must be three of the letters G, B and O, such as GGG");
  EXPECT_EQ(bulkError("CELAS1,1,,3,7\n"), "deck.dat:4: CELAS1 1: field 4 (C1) must be a component from 0 to 6, not 7");
}

TEST(Plates, EveryShapeWithItsOwnFieldLayout) {
  Deck deck = readBulk(
      "CQUAD4,1,2,1,2,3,4,30.,.1\n+,,1,.5,.6,.7,.8\nCTRIA3,2,,1,2,3,5\nCQUADR,3,2,1,2,3,4\nCTRIAR,4,2,1,2,3\n"
      "CQUAD8,5,2,1,2,3,4,5,6\n+,7,,.1,.2,.3,.4,45.,.05\n+,1\nCTRIA6,6,2,1,2,3,4,,6\n+,3,-.1,.1,.2,.3,1\n");
  const std::vector<Plate>& plates = deck.bulk.plates;
  ASSERT_EQ(plates.size(), 6u);
  const Plate& quad = plates[0];
  EXPECT_EQ(quad.shape, PlateShape::Quad4);
  EXPECT_EQ(quad.g, (std::array<int, 8>{1, 2, 3, 4}));
  EXPECT_EQ(quad.theta, 30);
  EXPECT_FALSE(quad.mcid);
  EXPECT_EQ(quad.zoffs, .1);
  EXPECT_EQ(quad.tflag, 1);
  EXPECT_EQ(quad.t, (std::array<std::optional<double>, 4>{.5, .6, .7, .8}));
  const Plate& tria = plates[1];
  EXPECT_EQ(tria.pid, 2);  // blank PID: the EID
  EXPECT_EQ(tria.mcid, 5);  // an integer in THETA/MCID is MCID
  EXPECT_FALSE(tria.zoffs);
  EXPECT_FALSE(tria.t[0]);
  EXPECT_EQ(plates[2].shape, PlateShape::QuadR);
  EXPECT_EQ(plates[3].shape, PlateShape::TriaR);
  const Plate& quad8 = plates[4];
  EXPECT_EQ(quad8.g, (std::array<int, 8>{1, 2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(quad8.t[3], .4);
  EXPECT_EQ(quad8.theta, 45);
  EXPECT_EQ(quad8.zoffs, .05);
  EXPECT_EQ(quad8.tflag, 1);
  const Plate& tria6 = plates[5];
  EXPECT_EQ(tria6.g, (std::array<int, 8>{1, 2, 3, 4, 0, 6}));
  EXPECT_EQ(tria6.mcid, 3);
  EXPECT_EQ(tria6.zoffs, -.1);
  EXPECT_EQ(tria6.t[2], .3);
  EXPECT_EQ(tria6.tflag, 1);
  EXPECT_EQ(bulkError("CQUAD4,1,2,1,2,3,4,,,\n+,x\n"), "deck.dat:5: CQUAD4 1: field 9 ('x') must be blank");
}

TEST(OtherElements, ShearSolidsMassesAndRigidElements) {
  Deck deck = readBulk(
      "CSHEAR,1,,1,2,3,4\nCTETRA,2,3,1,2,3,4\nCTETRA,3,3,1,2,3,4,5,6\n+,7,8,9,10\nCPENTA,4,3,1,2,3,4,5,6\n"
      "CHEXA,5,3,1,2,3,4,5,6\n+,7,8,9,10,11,12,13,14\n+,15,16,17,18,19,20\n"
      "CONM2,6,1,2,10.,.1,.2,.3\n+,1.,.1,2.,.2,.3,3.\nCONM2,7,1,,5.\n"
      "RBE2,8,1,123456,2,3,4,5,6\n+,7,8,1.E-5\n"
      "RBE3,9,,1,123456,1.,123,2,3\n+,4,.5,12,5,UM,6,456\n+,,7,4,ALPHA,1.E-6\n"
      "RBAR,10,1,2,123456,,,123,6.5-6\n");
  const Bulk& bulk = deck.bulk;
  EXPECT_EQ(bulk.cshears.at(0), (Cshear{1, 1, {1, 2, 3, 4}}));
  ASSERT_EQ(bulk.solids.size(), 4u);
  EXPECT_EQ(bulk.solids[0].gridCount(), 4);
  EXPECT_EQ(bulk.solids[1].gridCount(), 10);
  EXPECT_EQ(bulk.solids[1].g[9], 10);
  EXPECT_EQ(bulk.solids[2].shape, SolidShape::Penta);
  EXPECT_EQ(bulk.solids[2].gridCount(), 6);
  EXPECT_EQ(bulk.solids[3].gridCount(), 20);
  EXPECT_EQ(bulk.solids[3].g[19], 20);

  EXPECT_EQ(bulk.conm2s.at(0), (Conm2{6, 1, 2, 10, {.1, .2, .3}, {1, .1, 2, .2, .3, 3}}));
  EXPECT_EQ(bulk.conm2s.at(1), (Conm2{7, 1, 0, 5}));

  const Rbe2& rbe2 = bulk.rbe2s.at(0);
  EXPECT_EQ(rbe2.cm, Components::all());
  EXPECT_EQ(rbe2.gm, (std::vector<int>{2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(rbe2.alpha, 1e-5);
  EXPECT_FALSE(rbe2.tref);

  const Rbe3& rbe3 = bulk.rbe3s.at(0);
  EXPECT_EQ(rbe3.refgrid, 1);
  ASSERT_EQ(rbe3.groups.size(), 2u);
  EXPECT_EQ(rbe3.groups[0].weight, 1);
  EXPECT_EQ(rbe3.groups[0].c.digits(), "123");
  EXPECT_EQ(rbe3.groups[0].grids, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(rbe3.groups[1].weight, .5);
  EXPECT_EQ(rbe3.groups[1].grids, (std::vector<int>{5}));
  EXPECT_EQ(rbe3.um, (std::vector<Rbe3::Dependent>{{6, *Components::parse("456")}, {7, *Components::parse("4")}}));
  EXPECT_EQ(rbe3.alpha, 1e-6);

  EXPECT_EQ(bulk.rbars.at(0).cna, Components::all());
  EXPECT_TRUE(bulk.rbars.at(0).cnb.empty());
  EXPECT_EQ(bulk.rbars.at(0).alpha, 6.5e-6);

  EXPECT_EQ(bulkError("CTETRA,1,3,1,2,3\n"), "deck.dat:4: CTETRA 1: field 6 (G4) is blank");
  EXPECT_EQ(bulkError("RBE3,9,,1,123456,1,123,2\n"),
            "deck.dat:4: RBE3 9: field 5 (WT) '1' must be a real: a weight starts each group");
}

TEST(Properties, RodBarShellShearSolidSpring) {
  Deck deck = readBulk(
      "PROD,1,2,3.\nPBAR,2,2,1.,2.,3.,4.,5.\n+,.1,.2,.3,.4,.5,.6,.7,.8\n+,.9,,.01\n"
      "PSHELL,3,2,.1\nPSHELL,4,2,.2,5,1.2,-1,.9,.01\n+,-.05,.1,6\n"
      "PSHEAR,5,2,.3\nPSOLID,6,2,1,2,GRID,FULL\nPELAS,7,1.E3,,,8,2.E3,.02,1.\n"
      "PBUSH,9,K,1.,2.,,4.\n+,,B,.1\n+,,RCV,,2.\n");
  const Bulk& bulk = deck.bulk;
  EXPECT_EQ(bulk.prods.at(0), (Prod{1, 2, 3}));
  const Pbar& bar = bulk.pbars.at(0);
  EXPECT_EQ(bar.i2, 3);
  EXPECT_EQ(bar.nsm, 5);
  EXPECT_EQ(bar.stressPoints[7], .8);
  EXPECT_EQ(bar.k1, .9);
  EXPECT_FALSE(bar.k2);  // blank K2: no shear flexibility
  EXPECT_EQ(bar.i12, .01);

  const Pshell& membrane = bulk.pshells.at(0);
  EXPECT_EQ(membrane.mid1, 2);
  EXPECT_FALSE(membrane.mid2);  // blank MID2: no bending
  EXPECT_EQ(membrane.bendingRatio, 1.0);
  EXPECT_EQ(membrane.shearRatio, .833333);
  EXPECT_FALSE(membrane.z1);
  const Pshell& full = bulk.pshells.at(1);
  EXPECT_EQ(full.mid2, 5);
  EXPECT_EQ(full.bendingRatio, 1.2);
  EXPECT_EQ(full.mid3, -1);
  EXPECT_EQ(full.shearRatio, .9);
  EXPECT_EQ(full.z1, -.05);
  EXPECT_EQ(full.z2, .1);
  EXPECT_EQ(full.mid4, 6);

  EXPECT_EQ(bulk.pshears.at(0), (Pshear{5, 2, .3}));
  const Psolid& solid = bulk.psolids.at(0);
  EXPECT_EQ(solid.cordm, 1);
  EXPECT_EQ(solid.in, "2");
  EXPECT_EQ(solid.stress, "GRID");
  EXPECT_EQ(solid.isop, "FULL");
  EXPECT_EQ(solid.fctn, "SMECH");
  EXPECT_EQ(bulk.pelas, (std::vector<Pelas>{{7, 1e3, 0, 0}, {8, 2e3, .02, 1}}));

  const Pbush& bush = bulk.pbushes.at(0);
  EXPECT_EQ(bush.k, (std::array<double, 6>{1, 2, 0, 4, 0, 0}));
  EXPECT_EQ(bush.b, (std::array<double, 6>{.1}));
  EXPECT_FALSE(bush.ge);
  EXPECT_EQ(bush.rcv, (std::array<double, 4>{1, 2, 1, 1}));
  EXPECT_EQ(bulkError("PBUSH,9,X,1.\n"),
            "deck.dat:4: PBUSH 9: field 2 ('X') must be one of the keywords K, B, GE, RCV and M");
}

TEST(Properties, SectionsByDimensions) {
  Deck deck = readBulk("PBARL,1,2,,I\n+,10.,8.,.5,.4,.6,.7,.1\nPBARL,2,2,MSCBML0,TUBE\n+,2.,1.\n"
                       "PBEAML,3,2,,T\n+,12.,14.8,2.5,26.,,NO,.4,6.\n+,7.,1.2,2.6,,YES,1.,5.6,2.3\n");
  const Pbarl& i = deck.bulk.pbarls.at(0);
  EXPECT_EQ(i.type, "I");
  EXPECT_EQ(i.group, "MSCBML0");
  EXPECT_EQ(i.dims, (std::vector<double>{10, 8, .5, .4, .6, .7}));
  EXPECT_EQ(i.nsm, .1);
  EXPECT_EQ(deck.bulk.pbarls.at(1).dims, (std::vector<double>{2, 1}));
  EXPECT_EQ(deck.bulk.pbarls.at(1).nsm, 0);

  const Pbeaml& t = deck.bulk.pbeamls.at(0);
  ASSERT_EQ(t.stations.size(), 3u);
  EXPECT_EQ(t.stations[0].dims, (std::vector<std::optional<double>>{12, 14.8, 2.5, 26}));
  EXPECT_FALSE(t.stations[0].nsm);
  EXPECT_EQ(t.stations[1].so, "NO");
  EXPECT_EQ(t.stations[1].x, .4);
  EXPECT_EQ(t.stations[1].dims, (std::vector<std::optional<double>>{6, 7, 1.2, 2.6}));
  EXPECT_EQ(t.stations[2].x, 1);
  EXPECT_EQ(t.stations[2].dims, (std::vector<std::optional<double>>{5.6, 2.3, std::nullopt, std::nullopt}));

  EXPECT_EQ(bulkError("PBARL,1,2,,WING\n"), "deck.dat:4: PBARL 1: field 4 (TYPE) 'WING' is not a cross-section type");
  EXPECT_EQ(bulkError("PBARL,1,2,,BOX\n+,1.,2.,,.1\n"), "deck.dat:5: PBARL 1: field 11 (DIM3) is blank");
}

TEST(Properties, BeamStations) {
  // End A with its stress points, a station at the middle without them, end B with them.
  Deck deck = readBulk(
      "PBEAM,1,2,9.5,18.,98.,,.8\n+,0.,2.,0.,-2.\n+,NO,.5,6.5,5.4,35.5,,.56\n"
      "+,YES,1.,3.5,.7,7.3,,.3\n+,1.,,1.,,,,,\n+,.9,.8\n"
      "PBEAM,2,2,1.,2.,3.\n");
  const Pbeam& tapered = deck.bulk.pbeams.at(0);
  ASSERT_EQ(tapered.stations.size(), 3u);
  const PbeamStation& a = tapered.stations[0];
  EXPECT_EQ(a.a, 9.5);
  EXPECT_EQ(a.j, .8);
  EXPECT_FALSE(a.i12);
  EXPECT_EQ(a.stressPoints, (std::array<double, 8>{0, 2, 0, -2}));
  EXPECT_EQ(tapered.stations[1].so, "NO");
  EXPECT_EQ(tapered.stations[1].x, .5);
  EXPECT_FALSE(tapered.stations[1].stressPoints);
  EXPECT_EQ(tapered.stations[2].x, 1);
  EXPECT_EQ(tapered.stations[2].stressPoints, (std::array<double, 8>{1, 0, 1}));
  EXPECT_EQ(tapered.k1, .9);
  EXPECT_EQ(tapered.k2, .8);
  const Pbeam& uniform = deck.bulk.pbeams.at(1);
  EXPECT_EQ(uniform.stations.size(), 1u);
  EXPECT_EQ(uniform.k1, 1);
  EXPECT_FALSE(uniform.nsiB);
  EXPECT_EQ(bulkError("PBEAM,1,2,1.,2.,3.\n+,NO,1.5\n"), "deck.dat:5: PBEAM 1: field 10 (X/XB) must lie in (0, 1], not 1.5");
}

TEST(Properties, LaminatesTakeBlankPliesFromBelow) {
  Deck deck = readBulk("PCOMP,1,-.5,.1,,HILL,20.,,SYM\n+,3,.2,45.,YES,,,-45.\n+,4,.3\n"
                       "PCOMPG,2\n+,101,3,.1,0.,YES\n+,102,,,90.\n");
  const Pcomp& plies = deck.bulk.pcomps.at(0);
  EXPECT_FALSE(plies.global);
  EXPECT_EQ(plies.z0, -.5);
  EXPECT_EQ(plies.ft, "HILL");
  EXPECT_EQ(plies.tref, 20);
  EXPECT_EQ(plies.lam, "SYM");
  ASSERT_EQ(plies.plies.size(), 3u);
  EXPECT_EQ(plies.plies[0], (Ply{0, 3, .2, 45, "YES"}));
  EXPECT_EQ(plies.plies[1], (Ply{0, 3, .2, -45, "NO"}));
  EXPECT_EQ(plies.plies[2], (Ply{0, 4, .3, 0, "NO"}));
  const Pcomp& global = deck.bulk.pcomps.at(1);
  EXPECT_TRUE(global.global);
  EXPECT_FALSE(global.z0);
  EXPECT_EQ(global.plies, (std::vector<Ply>{{101, 3, .1, 0, "YES"}, {102, 3, .1, 90, "NO"}}));
  EXPECT_EQ(bulkError("PCOMP,1\n+,,.2\n"), "deck.dat:5: PCOMP 1: field 9 (MID) is blank in the first ply");
}

TEST(Materials, GivenValuesAndTheOnesNastranDerives) {
  Deck deck = readBulk("MAT1,1,2.E11,,.3,7850.,1.2-5,20.\nMAT1,2,,8.E10,.25\nMAT1,3,2.E11,8.E10\nMAT1,4,2.E11\n"
                       "MAT2,5,1.,2.,3.,4.,5.,6.,7.\n+,.1,.2,.3,20.,.01\n"
                       "MAT8,6,1.5E11,9.E9,.3,5.E9,,,1600.\n+,,,,1.E9,,5.E7\n"
                       "MAT9,7,1.,2.,3.,4.,5.,6.,7.\n+,8.,9.,10.,11.,12.,13.,14.,15.\n"
                       "+,16.,17.,18.,19.,20.,21.,8000.,.1\n+,.2,.3,.4,.5,.6,20.,.05\n");
  const Mat1& steel = deck.bulk.mat1s.at(0);
  EXPECT_EQ(steel.e, 2e11);
  EXPECT_FALSE(steel.g);  // blank stays blank, so a changed E still gives a consistent G
  EXPECT_DOUBLE_EQ(steel.shearModulus(), 2e11 / 2.6);
  EXPECT_EQ(steel.rho, 7850);
  EXPECT_EQ(steel.a, 1.2e-5);
  EXPECT_EQ(steel.tref, 20);
  EXPECT_DOUBLE_EQ(deck.bulk.mat1s[1].youngsModulus(), 2 * 1.25 * 8e10);
  EXPECT_DOUBLE_EQ(deck.bulk.mat1s[2].poissonRatio(), 0.25);
  EXPECT_EQ(deck.bulk.mat1s[3].shearModulus(), 0);
  EXPECT_EQ(deck.bulk.mat1s[3].poissonRatio(), 0);

  const Mat2& anisotropic = deck.bulk.mat2s.at(0);
  EXPECT_EQ(anisotropic.g, (std::array<double, 6>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(anisotropic.rho, 7);
  EXPECT_EQ(anisotropic.a, (Vec3{.1, .2, .3}));
  EXPECT_EQ(anisotropic.ge, .01);

  const Mat8& ply = deck.bulk.mat8s.at(0);
  EXPECT_EQ(ply.g12, 5e9);
  EXPECT_FALSE(ply.g1z);
  EXPECT_EQ(ply.rho, 1600);
  EXPECT_EQ(ply.xt, 1e9);
  EXPECT_FALSE(ply.xc);  // blank: XT
  EXPECT_EQ(ply.yt, 5e7);

  const Mat9& general = deck.bulk.mat9s.at(0);
  EXPECT_EQ(general.g[20], 21);
  EXPECT_EQ(general.rho, 8000);
  EXPECT_EQ(general.a, (std::array<double, 6>{.1, .2, .3, .4, .5, .6}));
  EXPECT_EQ(general.tref, 20);
  EXPECT_EQ(general.ge, .05);

  EXPECT_EQ(bulkError("MAT1,1,,,.3\n"), "deck.dat:4: MAT1 1: E and G are both blank");
}

TEST(Loads, NodalElementAndBodyLoads) {
  Deck deck = readBulk(
      "FORCE,1,2,,10.,1.,0.,0.\nMOMENT,1,2,3,5.,0.,0.,1.\nFORCE1,1,2,7.,3,4\nMOMENT1,1,2,8.,3,4\n"
      "PLOAD,1,-2.,1,2,3\nPLOAD1,1,5,FZ,FR,0.,-10.,1.,-20.\nPLOAD2,1,3.,5,6,7\nPLOAD2,1,4.,10,THRU,20\n"
      "PLOAD4,1,5,2.\nPLOAD4,1,6,1.,2.,3.,4.,THRU,9\n+,2,0.,0.,1.,LINE,X\nPLOAD4,1,30,5.,,,,1,3\n"
      "GRAV,2,,9.81,0.,0.,-1.\nLOAD,3,1.5,2.,1,-1.,2\nTEMP,4,1,20.,2,30.\nTEMPD,4,10.,5,15.\n");
  const Bulk& bulk = deck.bulk;
  EXPECT_EQ(bulk.nodalLoads.at(0), (NodalLoad{false, 1, 2, 0, 10, {1, 0, 0}}));
  EXPECT_EQ(bulk.nodalLoads.at(1), (NodalLoad{true, 1, 2, 3, 5, {0, 0, 1}}));
  EXPECT_EQ(bulk.nodalLoad1s.at(0), (NodalLoad1{false, 1, 2, 7, 3, 4}));
  EXPECT_TRUE(bulk.nodalLoad1s.at(1).moment);
  EXPECT_EQ(bulk.ploads.at(0), (Pload{1, -2, {1, 2, 3, 0}}));
  const Pload1& beamLoad = bulk.pload1s.at(0);
  EXPECT_EQ(beamLoad.type, "FZ");
  EXPECT_EQ(beamLoad.scale, "FR");
  EXPECT_EQ(beamLoad.p2, -20);
  EXPECT_EQ(bulk.pload2s.at(0).eids, (std::vector<int>{5, 6, 7}));
  EXPECT_TRUE(bulk.pload2s.at(1).thru);
  EXPECT_EQ(bulk.pload2s.at(1).eids, (std::vector<int>{10, 20}));

  const Pload4& uniform = bulk.pload4s.at(0);
  EXPECT_EQ(uniform.p1, 2);
  EXPECT_FALSE(uniform.p2);  // blank: P1
  EXPECT_FALSE(uniform.thru);
  EXPECT_EQ(uniform.n, (Vec3{0, 0, 0}));
  EXPECT_EQ(uniform.sorl, "SURF");
  EXPECT_EQ(uniform.ldir, "NORM");
  const Pload4& range = bulk.pload4s.at(1);
  EXPECT_EQ(range.p4, 4);
  EXPECT_EQ(range.thru, 9);
  EXPECT_EQ(range.cid, 2);
  EXPECT_EQ(range.n, (Vec3{0, 0, 1}));
  EXPECT_EQ(range.sorl, "LINE");
  EXPECT_EQ(range.ldir, "X");
  const Pload4& face = bulk.pload4s.at(2);
  EXPECT_EQ(face.g1, 1);
  EXPECT_EQ(face.g34, 3);

  EXPECT_EQ(bulk.gravs.at(0), (Grav{2, 0, 9.81, {0, 0, -1}}));
  EXPECT_EQ(bulk.loads.at(0).scale, 1.5);
  EXPECT_EQ(bulk.loads.at(0).terms, (std::vector<LoadCombination::Term>{{2, 1}, {-1, 2}}));
  EXPECT_EQ(bulk.temps, (std::vector<Temp>{{4, 1, 20}, {4, 2, 30}}));
  EXPECT_EQ(bulk.tempds, (std::vector<Tempd>{{4, 10}, {5, 15}}));

  EXPECT_EQ(bulkError("PLOAD1,1,5,FQ,FR,0.,1.\n"),
            "deck.dat:4: PLOAD1 1: field 3 (TYPE) 'FQ' must be one of FX, FY, FZ, FXE, FYE, FZE, MX, MY, MZ, MXE, MYE, MZE");
  EXPECT_EQ(bulkError("PLOAD4,1,9,1.,,,,THRU,5\n"), "deck.dat:4: PLOAD4 1: THRU range ends before it starts");
}

TEST(Constraints, SingleAndMultiPointConstraintsAndParameters) {
  Deck deck = readBulk("SPC,1,2,123,.5,3,456\nSPC1,1,23,4,5\nSPC1,2,1,10,THRU,20\nSPCADD,3,1,2\n"
                       "SPCD,4,5,3,.01\nMPC,5,1,1,1.,2,3,-1.\n+,,3,2,.5,4,1,.25\nMPCADD,6,5\n"
                       "PARAM,POST,-1\nPARAM,WTMASS,.00259\n");
  const Bulk& bulk = deck.bulk;
  EXPECT_EQ(bulk.spcs, (std::vector<Spc>{{false, 1, 2, *Components::parse("123"), .5},
                                         {false, 1, 3, *Components::parse("456"), 0}}));
  EXPECT_EQ(bulk.spc1s.at(0).grids, (std::vector<int>{4, 5}));
  EXPECT_TRUE(bulk.spc1s.at(1).thru);
  EXPECT_EQ(bulk.spc1s.at(1).grids, (std::vector<int>{10, 20}));
  EXPECT_EQ(bulk.spcadds.at(0).sets, (std::vector<int>{1, 2}));
  EXPECT_EQ(bulk.spcds.at(0), (Spc{true, 4, 5, *Components::parse("3"), .01}));
  EXPECT_EQ(bulk.mpcs.at(0).terms,
            (std::vector<Mpc::Term>{{1, 1, 1}, {2, 3, -1}, {3, 2, .5}, {4, 1, .25}}));
  EXPECT_TRUE(bulk.mpcadds.at(0).mpc);
  EXPECT_EQ(bulk.params.at(0).name, "POST");
  EXPECT_EQ(bulk.params.at(0).values, (std::vector<std::string>{"-1"}));
  EXPECT_EQ(bulkError("SPC1,1,,4\n"), "deck.dat:4: SPC1 1: field 2 (C) is blank");
  EXPECT_EQ(bulkError("MPC,5,1,12,1.\n"), "deck.dat:4: MPC 5: field 3 (C) must be a component from 0 to 6, not 12");
}

TEST(PassedCards, EveryOtherCardIsKeptAsItStandsAndCountedByName) {
  Deck deck = readBulk("EIGRL,10,,,6\nGRID,1\nRFORCE,2,1,,100.,0.,0.,1.\n+,2\nRFORCE,3,1\n");
  ASSERT_EQ(deck.bulk.passed.size(), 3u);
  const PassedCard& eigrl = deck.bulk.passed[0];
  EXPECT_EQ(eigrl.name, "EIGRL");
  EXPECT_EQ(eigrl.fields, (std::vector<std::string>{"10", "", "", "6"}));
  EXPECT_EQ(eigrl.lines, (std::vector<std::string>{"EIGRL,10,,,6"}));
  EXPECT_EQ(deck.bulk.passed[1].lines, (std::vector<std::string>{"RFORCE,2,1,,100.,0.,0.,1.", "+,2"}));
  EXPECT_EQ(deck.unreadSummary(), "3 cards passed through unread: EIGRL (1), RFORCE (2)");
  EXPECT_EQ(readBulk("GRID,1\n").unreadSummary(), "");
}

}  // namespace
}  // namespace nastran::testing
