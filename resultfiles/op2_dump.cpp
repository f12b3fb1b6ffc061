#include "resultfiles/op2_dump.h"

#include <charconv>

#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"

namespace resultfiles {
namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// Lists entries, each real as its shortest single-precision text.
class Lister {
 public:
  Lister() = default;

  std::string real(float value) const {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
  }

  std::string reals(std::initializer_list<float> values) const {
    std::string text;
    for (float value : values) text += (text.empty() ? "" : " ") + real(value);
    return text;
  }

  template <std::size_t N>
  std::string reals(const std::array<float, N>& values) const {
    std::string text;
    for (float value : values) text += (text.empty() ? "" : " ") + real(value);
    return text;
  }

  static std::string element(int id) { return "  element " + std::to_string(id); }

  void dumpFibre(std::string& out, const std::string& indent, const char* name, const PlateFibre& f) const {
    out += indent + name + ": distance " + real(f.distance) + ", x " + real(f.normalX) + ", y " + real(f.normalY) +
           ", xy " + real(f.shearXY) + ", angle " + real(f.angle) + ", major " + real(f.major) + ", minor " +
           real(f.minor) + ", equivalent " + real(f.equivalent) + "\n";
  }

  void dumpPlates(std::string& out, const PlateStressList& plates) const {
    for (std::size_t i = 0; i < plates.size(); ++i) {
      const PlateStress& plate = plates[i];
      out += element(plate.element) + "\n";
      dumpFibre(out, "    ", "bottom", plate.bottom);
      dumpFibre(out, "    ", "top", plate.top);
      for (const PlateCorner& corner : plates.cornersOf(i)) {
        out += "    grid " + std::to_string(corner.grid) + "\n";
        dumpFibre(out, "      ", "bottom", corner.bottom);
        dumpFibre(out, "      ", "top", corner.top);
      }
    }
  }

  void dumpSolids(std::string& out, const ElementList<SolidStress>& solids) const {
    for (const SolidStress& solid : solids) {
      out += element(solid.element) + " (" + std::to_string(solid.gridCount) + " grids)\n";
      for (const SolidPoint& p : solid.points)
        out += "    " + (p.grid == 0 ? std::string("centre") : "grid " + std::to_string(p.grid)) + ": x " +
               real(p.normalX) + ", y " + real(p.normalY) + ", z " + real(p.normalZ) + ", xy " + real(p.shearXY) +
               ", yz " + real(p.shearYZ) + ", zx " + real(p.shearZX) + ", principal " + reals(p.principal) +
               ", pressure " + real(p.pressure) + ", equivalent " + real(p.equivalent) + "\n";
    }
  }

  std::string forceValues(const PlateForceValues& v) const {
    return "membrane " + reals({v.membraneX, v.membraneY, v.membraneXY}) + ", moments " +
           reals({v.momentX, v.momentY, v.momentXY}) + ", shear " + reals({v.shearX, v.shearY});
  }

  // Every entry of a subcase's results, list by list.
  void dumpEntries(std::string& out, const SubcaseResults& r) const {
    for (const auto* rows : {&r.displacements, &r.spcForces})
      for (const GridValues& row : *rows) out += "  grid " + std::to_string(row.grid) + ": " + reals(row.values) + "\n";
    for (const auto* rods : {&r.rods, &r.conrods, &r.tubes})
      for (const RodStress& rod : *rods)
        out += element(rod.element) + ": axial " + real(rod.axial) + ", margin " + real(rod.axialMargin) +
               ", torsion " + real(rod.torsion) + ", margin " + real(rod.torsionMargin) + "\n";
    for (const BarStress& bar : r.bars)
      out += element(bar.element) + ": end A " + reals(bar.endA) + ", axial " + real(bar.axial) + ", max " +
             real(bar.maxA) + ", min " + real(bar.minA) + "; end B " + reals(bar.endB) + ", max " + real(bar.maxB) +
             ", min " + real(bar.minB) + "; margins " + reals({bar.tensionMargin, bar.compressionMargin}) + "\n";
    for (const BeamStress& beam : r.beams) {
      out += element(beam.element) + "\n";
      for (const BeamStation& s : beam.stations)
        out += "    grid " + std::to_string(s.grid) + " at " + real(s.distance) + ": " + reals(s.points) + ", max " +
               real(s.max) + ", min " + real(s.min) + ", margins " + reals({s.tensionMargin, s.compressionMargin}) +
               "\n";
    }
    for (const auto* plates : {&r.quads, &r.trias, &r.quad8s, &r.tria6s, &r.quadRs, &r.triaRs})
      dumpPlates(out, *plates);
    for (const auto* solids : {&r.tetras, &r.pentas, &r.hexas}) dumpSolids(out, *solids);
    for (const ShearPanelStress& panel : r.shearPanels)
      out += element(panel.element) + ": max shear " + real(panel.maxShear) + ", average " + real(panel.averageShear) +
             ", margin " + real(panel.margin) + "\n";
    for (const auto* springs : {&r.springs1, &r.springs2})
      for (const SpringStress& spring : *springs) out += element(spring.element) + ": " + real(spring.stress) + "\n";
    for (const BushStress& bush : r.bushes) out += element(bush.element) + ": " + reals(bush.values) + "\n";
    for (const auto* plies : {&r.quadPlies, &r.triaPlies})
      for (const PlyStress& p : *plies)
        out += element(p.element) + " ply " + std::to_string(p.ply) + ": " +
               reals({p.normal1, p.normal2, p.shear12, p.shear1Z, p.shear2Z}) + ", angle " + real(p.angle) +
               ", major " + real(p.major) + ", minor " + real(p.minor) + ", equivalent " + real(p.equivalent) + "\n";
    for (const auto* failures : {&r.quadPlyFailures, &r.triaPlyFailures})
      for (const PlyFailure& p : *failures)
        out += element(p.element) + " ply " + std::to_string(p.ply) + ": " + p.theory + " failure index " +
               real(p.failureIndex) + "\n";
    for (const auto* rods : {&r.rodForces, &r.conrodForces, &r.tubeForces})
      for (const RodForce& rod : *rods)
        out += element(rod.element) + ": axial force " + real(rod.axial) + ", torque " + real(rod.torque) + "\n";
    for (const BarForce& bar : r.barForces)
      out += element(bar.element) + ": moments A " + reals({bar.moment1A, bar.moment2A}) + ", B " +
             reals({bar.moment1B, bar.moment2B}) + ", shear " + reals({bar.shear1, bar.shear2}) + ", axial " +
             real(bar.axial) + ", torque " + real(bar.torque) + "\n";
    for (const BeamForce& beam : r.beamForces) {
      out += element(beam.element) + "\n";
      for (const BeamForceStation& s : beam.stations)
        out += "    grid " + std::to_string(s.grid) + " at " + real(s.distance) + ": moments " +
               reals({s.moment1, s.moment2}) + ", shear " + reals({s.shear1, s.shear2}) + ", axial " + real(s.axial) +
               ", torque " + reals({s.torque, s.warpingTorque}) + "\n";
    }
    for (const auto* plates : {&r.quadForces, &r.triaForces})
      for (std::size_t i = 0; i < plates->size(); ++i) {
        out += element((*plates)[i].element) + ": " + forceValues((*plates)[i].values) + "\n";
        for (const PlateForceCorner& corner : plates->cornersOf(i))
          out += "    grid " + std::to_string(corner.grid) + ": " + forceValues(corner.values) + "\n";
      }
  }

 private:
};

// The entries of one subtable, decoded through a file of that subtable alone.
void dumpSubtable(std::string& out, const Op2File& file, const Op2Table& table, const Op2Subtable& subtable,
                  const std::string& fileName) {
  Op2File single{.form = file.form, .date = file.date, .label = file.label, .tables = {}};
  single.tables.push_back(Op2Table{.name = table.name, .subtables = {subtable}});
  std::vector<SubcaseResults> results = readStaticResults(single, fileName);
  if (results.empty()) {
    std::size_t words =
        subtable.inPlace.words != 0 ? subtable.inPlace.words : subtable.data.size() / file.form.wordBytes;
    out += "  " + std::to_string(words) + " data words (a layout not decoded here)\n";
    return;
  }
  Lister().dumpEntries(out, results.front());
}

}  // namespace

std::string dumpOp2(std::string_view bytes, const std::string& fileName) {
  // Results tables (OUG..., OES..., OEF..., OQG..., OPG...) are read IDENT by IDENT; others are named.
  auto resultsTable = [](std::string_view name) {
    for (std::string_view prefix : {"OUG", "BOUG", "OES", "OEF", "OQG", "OPG", "OSTR"})
      if (name.substr(0, prefix.size()) == prefix) return true;
    return false;
  };
  Op2File file = readOp2(bytes, fileName, resultsTable, Op2DataRecords::InPlace);
  std::string out = "OUTPUT2 file of " + std::to_string(file.form.wordBytes) + "-byte words";
  if (file.form.fileHeader) {
    out += ", label " + quoted(file.label);
    if (!file.form.version.empty()) out += ", version " + quoted(file.form.version);
    out += " (" + describeWriter(file) + "), dated " + std::to_string(file.date.year) + "-" +
           std::to_string(file.date.month) + "-" + std::to_string(file.date.day) + "\n";
  } else {
    out += ", without file header (PARAM,POST,-2)\n";
  }
  for (const Op2Table& table : file.tables) {
    out += "\ntable " + table.name + " at byte " + std::to_string(table.offset) + ", trailer";
    for (std::int64_t word : table.trailer) out += " " + std::to_string(word);
    if (table.matrix) {
      out += ", " + std::to_string(table.records) + " columns (a matrix)\n";
      continue;
    }
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
      dumpSubtable(out, file, table, subtable, fileName);
    }
  }
  return out;
}

}  // namespace resultfiles
