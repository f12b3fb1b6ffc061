#pragma once

#include <sstream>
#include <string>

namespace nastranccx::testing {

// A real as a deck field: up to 15 significant digits, always with a point or an exponent.
inline std::string number(double value) {
  std::ostringstream out;
  out.precision(15);
  out << value;
  std::string text = out.str();
  if (text.find_first_of(".e") == std::string::npos) text += ".";
  return text;
}

// A SOL 101 deck around these bulk cards, with one subcase selecting LOAD 1 and
// SPC 1 (or the given subcase lines).
inline std::string staticDeck(const std::string& bulk,
                              const std::string& subcase = "  LOAD = 1\n  SPC = 1\n") {
  return "$ written for a nastran-ccx test\n"
         "SOL 101\nCEND\nTITLE = test\nECHO = NONE\nSUBCASE 1\n  SUBTITLE = Load case 1\n" +
         subcase + "  DISPLACEMENT = ALL\n  STRESS = ALL\nBEGIN BULK\n" + bulk + "ENDDATA\n";
}

// A rod along X, L = 100, A = 2, E = 1e7, pulled by 1000 at grid 2:
// stress 500, elongation F L / (E A) = 0.005.
inline const char* kRodBulk =
    "GRID,1,,0.,0.,0.\n"
    "GRID,2,,100.,0.,0.\n"
    "CROD,1,1,1,2\n"
    "PROD,1,1,2.\n"
    "MAT1,1,1.E+7,,.3,.1\n"
    "FORCE,1,2,0,1000.,1.,0.,0.\n"
    "SPC1,1,123456,1\n"
    "SPC1,1,23,2\n";

// The classic ten-bar truss: 360-unit bays, 100,000 down at grids 2 and 4,
// grids 5 and 6 fixed, every rod of area 1.
inline const char* kTenBarBulk =
    "GRID,1,,720.,360.,0.\n"
    "GRID,2,,720.,0.,0.\n"
    "GRID,3,,360.,360.,0.\n"
    "GRID,4,,360.,0.,0.\n"
    "GRID,5,,0.,360.,0.\n"
    "GRID,6,,0.,0.,0.\n"
    "CROD,1,1,5,3\n"
    "CROD,2,2,3,1\n"
    "CROD,3,3,6,4\n"
    "CROD,4,4,4,2\n"
    "CROD,5,5,3,4\n"
    "CROD,6,6,1,2\n"
    "CROD,7,7,5,4\n"
    "CROD,8,8,6,3\n"
    "CROD,9,9,3,2\n"
    "CROD,10,10,4,1\n"
    "PROD,1,1,1.\nPROD,2,1,1.\nPROD,3,1,1.\nPROD,4,1,1.\nPROD,5,1,1.\n"
    "PROD,6,1,1.\nPROD,7,1,1.\nPROD,8,1,1.\nPROD,9,1,1.\nPROD,10,1,1.\n"
    "MAT1,1,1.E+7,,.3,.1\n"
    "FORCE,1,2,0,1.,0.,-100000.,0.\n"
    "FORCE,1,4,0,1.,0.,-100000.,0.\n"
    "SPC1,1,123456,5,6\n"
    "SPC1,1,3,1,2,3,4\n";

}  // namespace nastranccx::testing
