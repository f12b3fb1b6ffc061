#include "resultfiles/op2_dump.h"

#include <charconv>

#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"

namespace resultfiles {
namespace {

std::string real(float value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

void dumpFibre(std::string& out, const char* name, const PlateFibre& f) {
  out += std::string("    ") + name + ": distance " + real(f.distance) + ", x " + real(f.normalX) + ", y " +
         real(f.normalY) + ", xy " + real(f.shearXY) + ", angle " + real(f.angle) + ", major " + real(f.major) +
         ", minor " + real(f.minor) + ", von Mises " + real(f.vonMises) + "\n";
}

void dumpSolids(std::string& out, const std::vector<SolidStress>& solids) {
  for (const SolidStress& solid : solids) {
    out += "  element " + std::to_string(solid.element) + "\n";
    for (const SolidPoint& p : solid.points) {
      out += "    " + (p.grid == 0 ? std::string("centre") : "grid " + std::to_string(p.grid)) + ": x " +
             real(p.normalX) + ", y " + real(p.normalY) + ", z " + real(p.normalZ) + ", xy " + real(p.shearXY) +
             ", yz " + real(p.shearYZ) + ", zx " + real(p.shearZX) + ", principal " + real(p.principal[0]) + " " +
             real(p.principal[1]) + " " + real(p.principal[2]) + ", pressure " + real(p.pressure) + ", von Mises " +
             real(p.vonMises) + "\n";
    }
  }
}

// The entries of one subtable, decoded through a file of that subtable alone.
void dumpEntries(std::string& out, const std::string& tableName, const Op2Subtable& subtable,
                 const std::string& fileName) {
  Op2File single;
  single.tables.push_back(Op2Table{tableName, {}, {}, {subtable}, 0, 0});
  std::vector<SubcaseResults> results = readStaticResults(single, fileName);
  if (results.empty()) {
    out += "  " + std::to_string(subtable.data.size()) + " data words (a layout not decoded here)\n";
    return;
  }
  const SubcaseResults& r = results.front();
  for (const GridDisplacement& row : r.displacements) {
    out += "  grid " + std::to_string(row.grid) + ":";
    for (float value : row.values) out += " " + real(value);
    out += "\n";
  }
  for (const RodStress& rod : r.rods)
    out += "  element " + std::to_string(rod.element) + ": axial " + real(rod.axial) + ", margin " +
           real(rod.axialMargin) + ", torsion " + real(rod.torsion) + ", margin " + real(rod.torsionMargin) + "\n";
  for (const auto* plates : {&r.quads, &r.trias})
    for (const PlateStress& plate : *plates) {
      out += "  element " + std::to_string(plate.element) + "\n";
      dumpFibre(out, "bottom", plate.bottom);
      dumpFibre(out, "top", plate.top);
    }
  dumpSolids(out, r.tetras);
  dumpSolids(out, r.hexas);
}

}  // namespace

std::string dumpOp2(std::string_view bytes, const std::string& fileName) {
  // Results tables (OUG..., OES..., OEF..., OQG..., OPG...) are read IDENT by IDENT; others are named.
  auto resultsTable = [](std::string_view name) {
    for (std::string_view prefix : {"OUG", "OES", "OEF", "OQG", "OPG", "OSTR"})
      if (name.substr(0, prefix.size()) == prefix) return true;
    return false;
  };
  Op2File file = readOp2(bytes, fileName, resultsTable);
  std::string out = "OUTPUT2 file, label " + quoted(file.label) + ", dated " + std::to_string(file.date.year) + "-" +
                    std::to_string(file.date.month) + "-" + std::to_string(file.date.day) + "\n";
  for (const Op2Table& table : file.tables) {
    out += "\ntable " + table.name + " at byte " + std::to_string(table.offset) + ", trailer";
    for (Word word : table.trailer) out += " " + std::to_string(asInt(word));
    if (!resultsTable(table.name)) {
      out += ", " + std::to_string(table.records) + " records (not a results table)\n";
      continue;
    }
    out += ", " + std::to_string(table.subtables.size()) + " subtables\n";
    for (const Op2Subtable& subtable : table.subtables) {
      const Op2Ident& ident = subtable.ident;
      out += "IDENT at byte " + std::to_string(subtable.offset) + ": approach code " +
             std::to_string(ident.approachCode()) + ", device code " + std::to_string(ident.deviceCode()) +
             ", table code " + std::to_string(ident.tableCode()) + ", sort code " + std::to_string(ident.sortCode()) +
             ", element type " + std::to_string(ident.elementType()) + ", subcase " + std::to_string(ident.subcase()) +
             ", load set " + std::to_string(ident.loadSet()) + ", format code " + std::to_string(ident.formatCode()) +
             ", words per entry " + std::to_string(ident.numWide()) + ", stress code " +
             std::to_string(ident.stressCode()) + ", thermal " + std::to_string(ident.thermal()) + "\n";
      out += "  title " + quoted(ident.title) + ", subtitle " + quoted(ident.subtitle) + ", label " +
             quoted(ident.label) + "\n";
      dumpEntries(out, table.name, subtable, fileName);
    }
  }
  return out;
}

}  // namespace resultfiles
