#include "resultfiles/op2_entries.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstring>

#include "resultfiles/format_error.h"

namespace resultfiles {
namespace {

using namespace op2;

// The text in the second word of an entry with corner points.
constexpr const char* kCentreLabel = "CEN/";
// The text in the third word of a solid's entry.
constexpr const char* kGridLabel = "GRID";

// A fibre's and a plate's force values are as many floats as their words, in the same order.
static_assert(sizeof(PlateFibre) == PlateStressLayout::kFibreWords * sizeof(float));
static_assert(sizeof(PlateForceValues) == PlateForceLayout::kValues * sizeof(float));
void readFibre(const EntryReader& in, std::size_t first, PlateFibre& fibre) { in.reals(first, fibre); }

void writeFibre(Op2Words& out, const PlateFibre& f) {
  for (float value : {f.distance, f.normalX, f.normalY, f.shearXY, f.angle, f.major, f.minor, f.equivalent})
    out.real(value);
}

void readForceValues(const EntryReader& in, std::size_t first, PlateForceValues& values) { in.reals(first, values); }

void writeForceValues(Op2Words& out, const PlateForceValues& v) {
  for (float value : {v.membraneX, v.membraneY, v.membraneXY, v.momentX, v.momentY, v.momentXY, v.shearX, v.shearY})
    out.real(value);
}

// The grids of a solid with mid-side grids, by its corner count.
std::size_t quadraticGrids(std::size_t corners) {
  switch (corners) {
    case 4: return 10;  // CTETRA
    case 5: return 13;  // CPYRAM
    case 6: return 15;  // CPENTA
    case 8: return 20;  // CHEXA
    default: return corners;
  }
}

int cornerGrid(const EntryReader& in, std::size_t word, const char* what) {
  std::int64_t grid = in.integer(word);
  if (grid <= 0 || grid > INT_MAX)
    in.fail(std::string(what) + " has grid " + std::to_string(grid) + " at word " +
            std::to_string(in.wordNumber(word)) + ", which is no valid grid ID");
  return static_cast<int>(grid);
}

// Reads `count` entries after the reader's current one into `into`.
// Whether their IDs ascend strictly, as Nastran writes them.
int idOf(const GridValues& row) { return row.grid; }
template <typename Entry>
int idOf(const Entry& entry) {
  return entry.element;
}

template <typename Entry, typename Read>
bool readEach(EntryReader& in, std::size_t count, std::vector<Entry>& into, Read read) {
  into.reserve(into.size() + count);
  bool ascending = true;
  for (std::size_t e = 0; e < count; ++e) {
    in.next();
    read(in, into.emplace_back());
    ascending = ascending && (into.size() < 2 || idOf(into[into.size() - 2]) < idOf(into.back()));
  }
  return ascending;
}

}  // namespace

const char* elementName(Op2ElementType type) {
  switch (type) {
    case Op2ElementType::Rod: return "CROD";
    case Op2ElementType::Beam: return "CBEAM";
    case Op2ElementType::Tube: return "CTUBE";
    case Op2ElementType::ShearPanel: return "CSHEAR";
    case Op2ElementType::Conrod: return "CONROD";
    case Op2ElementType::Spring1: return "CELAS1";
    case Op2ElementType::Spring2: return "CELAS2";
    case Op2ElementType::Quad4: return "CQUAD4";
    case Op2ElementType::Bar: return "CBAR";
    case Op2ElementType::Tetra: return "CTETRA";
    case Op2ElementType::Quad8: return "CQUAD8";
    case Op2ElementType::Hexa: return "CHEXA";
    case Op2ElementType::Penta: return "CPENTA";
    case Op2ElementType::TriaR: return "CTRIAR";
    case Op2ElementType::Tria3: return "CTRIA3";
    case Op2ElementType::Tria6: return "CTRIA6";
    case Op2ElementType::QuadR: return "CQUADR";
    case Op2ElementType::Quad4Composite: return "CQUAD4 (composite)";
    case Op2ElementType::Tria3Composite: return "CTRIA3 (composite)";
    case Op2ElementType::Bush: return "CBUSH";
    case Op2ElementType::Quad4Corner: return "CQUAD4 (corner output)";
  }
  return "element";
}

PlateFibre plateFibre(double distance, double normalX, double normalY, double shearXY, StressMeasure measure) {
  PlaneStressSummary summary = summarisePlaneStress(normalX, normalY, shearXY);
  double equivalent = measure == StressMeasure::VonMises ? summary.vonMises : 0.5 * (summary.major - summary.minor);
  auto single = [](double value) { return static_cast<float>(value); };
  return {single(distance),      single(normalX),       single(normalY),       single(shearXY),
          single(summary.angle), single(summary.major), single(summary.minor), single(equivalent)};
}

SolidPoint solidPoint(int grid, const Tensor& stress, StressMeasure measure) {
  SolidStressSummary summary = summariseSolidStress(stress);
  SolidPoint point;
  point.grid = grid;
  point.normalX = static_cast<float>(stress[0]);
  point.normalY = static_cast<float>(stress[1]);
  point.normalZ = static_cast<float>(stress[2]);
  point.shearXY = static_cast<float>(stress[3]);
  point.shearYZ = static_cast<float>(stress[4]);
  point.shearZX = static_cast<float>(stress[5]);
  for (std::size_t i = 0; i < 3; ++i) {
    point.principal[i] = static_cast<float>(summary.principal[i]);
    for (std::size_t k = 0; k < 3; ++k) point.directions[i][k] = static_cast<float>(summary.directions[i][k]);
  }
  point.pressure = static_cast<float>(summary.pressure);
  // Octahedral shear is sqrt(2)/3 of von Mises.
  point.equivalent =
      static_cast<float>(measure == StressMeasure::VonMises ? summary.vonMises : summary.vonMises * std::sqrt(2.0) / 3);
  return point;
}

// ---- EntryReader ----------------------------------------------------------------------------

EntryReader::EntryReader(const Op2Subtable& subtable, std::size_t wordBytes, const std::string& fileName,
                         const std::string& tableName, const std::string& writer)
    : subtable_(subtable), wordBytes_(wordBytes), fileName_(fileName), tableName_(tableName), writer_(writer) {
  if (!subtable.inPlace.blocks.empty() || subtable.data.empty()) {
    blocks_ = subtable.inPlace.blocks;
    words_ = subtable.inPlace.words;
  } else {
    blocks_.push_back(subtable.data);
    words_ = subtable.data.size() / wordBytes_;
  }
  if (!blocks_.empty()) {
    cursor_ = blocks_.front().data();
    end_ = cursor_ + blocks_.front().size();
  }
}

std::size_t EntryReader::entries(std::size_t numWide) {
  if (numWide == 0 || words_ % numWide != 0)
    fail("its data record of " + std::to_string(words_) + " words is not a whole number of entries of " +
         std::to_string(numWide) + " words");
  numWide_ = numWide;
  entryBytes_ = numWide * wordBytes_;
  return words_ / numWide;
}

void EntryReader::nextAcrossBlocks() {
  auto nextBlock = [&] {
    ++block_;
    assert(block_ < blocks_.size());
    cursor_ = blocks_[block_].data();
    end_ = cursor_ + blocks_[block_].size();
  };
  if (cursor_ == end_) {
    nextBlock();
    if (static_cast<std::size_t>(end_ - cursor_) >= entryBytes_) {
      view_ = Op2WordView(cursor_, wordBytes_);
      cursor_ += entryBytes_;
      return;
    }
  }
  // The entry straddles two blocks or more: gathered into a buffer.
  gathered_.resize(entryBytes_);
  for (std::size_t filled = 0; filled < entryBytes_;) {
    if (cursor_ == end_) nextBlock();
    std::size_t part = std::min(entryBytes_ - filled, static_cast<std::size_t>(end_ - cursor_));
    std::memcpy(gathered_.data() + filled, cursor_, part);
    filled += part;
    cursor_ += part;
  }
  view_ = Op2WordView(gathered_.data(), wordBytes_);
}

void EntryReader::badId(std::size_t word, const char* what) const {
  fail(std::string(what) + " " + std::to_string(integer(word) / 10) + " at word " + std::to_string(wordNumber(word)) +
       " of the data record is no valid ID");
}

int EntryReader::positive(std::size_t word, const char* what) const {
  std::int64_t value = integer(word);
  if (value < 1 || value > INT_MAX)
    fail(std::string(what) + " " + std::to_string(value) + " at word " + std::to_string(wordNumber(word)) +
         " of the data record is no valid ID");
  return static_cast<int>(value);
}

void EntryReader::fail(const std::string& reason) const {
  throw FormatError(fileName_, FormatError::Place::Byte, subtable_.offset,
                    "table " + tableName_ + ", subcase " + std::to_string(subtable_.ident.subcase()) + ": " + reason +
                        " (damaged file" + (writer_.empty() ? "" : "; written by " + writer_) + ")");
}

// ---- Layouts --------------------------------------------------------------------------------

void GridLayout::read(const EntryReader& in, GridValues& row) {
  row.grid = in.id(kId, "grid");
  in.reals(kFirstValue, row.values);
}

void GridLayout::write(Op2Words& out, const GridValues& row) {
  out.integer(std::int64_t{row.grid} * 10 + kPrintDevice);
  out.integer(kGridPoint);
  for (float value : row.values) out.real(value);
}

void RodStressLayout::read(const EntryReader& in, RodStress& entry) {
  entry = {in.id(kId, "element"), in.real(kAxial), in.real(kAxialMargin), in.real(kTorsion), in.real(kTorsionMargin)};
}

void RodStressLayout::write(Op2Words& out, const RodStress& rod) {
  out.integer(std::int64_t{rod.element} * 10 + kPrintDevice);
  for (float value : {rod.axial, rod.axialMargin, rod.torsion, rod.torsionMargin}) out.real(value);
}

void RodForceLayout::read(const EntryReader& in, RodForce& entry) {
  entry = {in.id(kId, "element"), in.real(kAxial), in.real(kTorque)};
}

void RodForceLayout::write(Op2Words& out, const RodForce& rod) {
  out.integer(std::int64_t{rod.element} * 10 + kPrintDevice);
  out.real(rod.axial);
  out.real(rod.torque);
}

void BarStressLayout::read(const EntryReader& in, BarStress& bar) {
  bar.element = in.id(kId, "element");
  for (std::size_t p = 0; p < 4; ++p) {
    bar.endA[p] = in.real(kEndA + p);
    bar.endB[p] = in.real(kEndB + p);
  }
  bar.axial = in.real(kAxial);
  bar.maxA = in.real(kMaxA);
  bar.minA = in.real(kMinA);
  bar.tensionMargin = in.real(kTensionMargin);
  bar.maxB = in.real(kMaxB);
  bar.minB = in.real(kMinB);
  bar.compressionMargin = in.real(kCompressionMargin);
}

void BarStressLayout::write(Op2Words& out, const BarStress& bar) {
  out.integer(std::int64_t{bar.element} * 10 + kPrintDevice);
  for (float value : bar.endA) out.real(value);
  for (float value : {bar.axial, bar.maxA, bar.minA, bar.tensionMargin}) out.real(value);
  for (float value : bar.endB) out.real(value);
  for (float value : {bar.maxB, bar.minB, bar.compressionMargin}) out.real(value);
}

void BarForceLayout::read(const EntryReader& in, BarForce& entry) {
  entry = {in.id(kId, "element"), in.real(kMoment1A), in.real(kMoment2A), in.real(kMoment1B), in.real(kMoment2B),
           in.real(kShear1),      in.real(kShear2),   in.real(kAxial),    in.real(kTorque)};
}

void BarForceLayout::write(Op2Words& out, const BarForce& bar) {
  out.integer(std::int64_t{bar.element} * 10 + kPrintDevice);
  for (float value :
       {bar.moment1A, bar.moment2A, bar.moment1B, bar.moment2B, bar.shear1, bar.shear2, bar.axial, bar.torque})
    out.real(value);
}

void BeamStressLayout::read(const EntryReader& in, BeamStress& beam) {
  beam.stations.clear();
  beam.element = in.id(kId, "element");
  for (std::size_t s = 0; s < kStations; ++s) {
    std::size_t w = kFirstStation + s * kStationWords;
    BeamStation station;
    station.distance = in.real(w + kDistance);
    if (s > 0 && station.distance <= 0) continue;  // an unused station
    station.grid = static_cast<int>(in.integer(w + kGrid));
    for (std::size_t p = 0; p < 4; ++p) station.points[p] = in.real(w + kPoints + p);
    station.max = in.real(w + kMax);
    station.min = in.real(w + kMin);
    station.tensionMargin = in.real(w + kTensionMargin);
    station.compressionMargin = in.real(w + kCompressionMargin);
    beam.stations.push_back(station);
  }
}

void BeamStressLayout::write(Op2Words& out, const BeamStress& beam) {
  assert(!beam.stations.empty() && beam.stations.size() <= kStations);
  out.integer(std::int64_t{beam.element} * 10 + kPrintDevice);
  for (std::size_t s = 0; s < kStations; ++s) {
    BeamStation station = s < beam.stations.size() ? beam.stations[s] : BeamStation{};
    out.integer(station.grid);
    out.real(station.distance);
    for (float value : station.points) out.real(value);
    for (float value : {station.max, station.min, station.tensionMargin, station.compressionMargin}) out.real(value);
  }
}

void BeamForceLayout::read(const EntryReader& in, BeamForce& beam) {
  beam.stations.clear();
  beam.element = in.id(kId, "element");
  for (std::size_t s = 0; s < kStations; ++s) {
    std::size_t w = kFirstStation + s * kStationWords;
    BeamForceStation station;
    station.distance = in.real(w + kDistance);
    if (s > 0 && station.distance <= 0) continue;  // an unused station
    station.grid = static_cast<int>(in.integer(w + kGrid));
    station.moment1 = in.real(w + kMoment1);
    station.moment2 = in.real(w + kMoment2);
    station.shear1 = in.real(w + kShear1);
    station.shear2 = in.real(w + kShear2);
    station.axial = in.real(w + kAxial);
    station.torque = in.real(w + kTorque);
    station.warpingTorque = in.real(w + kWarpingTorque);
    beam.stations.push_back(station);
  }
}

void BeamForceLayout::write(Op2Words& out, const BeamForce& beam) {
  assert(!beam.stations.empty() && beam.stations.size() <= kStations);
  out.integer(std::int64_t{beam.element} * 10 + kPrintDevice);
  for (std::size_t s = 0; s < kStations; ++s) {
    BeamForceStation station = s < beam.stations.size() ? beam.stations[s] : BeamForceStation{};
    out.integer(station.grid);
    for (float value : {station.distance, station.moment1, station.moment2, station.shear1, station.shear2,
                        station.axial, station.torque, station.warpingTorque})
      out.real(value);
  }
}

void PlateStressLayout::read(const EntryReader& in, PlateStress& centre, PlateCorner* corners,
                             std::size_t cornerCount) {
  centre.element = in.id(kId, "element");
  if (cornerCount == 0) {
    readFibre(in, kBottomFibre, centre.bottom);
    readFibre(in, kTopFibre, centre.top);
    return;
  }
  readFibre(in, kFirstPoint + kPointBottom, centre.bottom);
  readFibre(in, kFirstPoint + kPointTop, centre.top);
  for (std::size_t c = 1; c <= cornerCount; ++c) {
    std::size_t point = kFirstPoint + c * kPointWords;
    PlateCorner& corner = corners[c - 1];
    corner.grid = cornerGrid(in, point + kPointGrid, "a plate's corner");
    readFibre(in, point + kPointBottom, corner.bottom);
    readFibre(in, point + kPointTop, corner.top);
  }
}

void PlateStressLayout::write(Op2Words& out, const PlateStress& centre, std::span<const PlateCorner> corners) {
  out.integer(std::int64_t{centre.element} * 10 + kPrintDevice);
  if (!corners.empty()) {
    out.text(kCentreLabel, 1);
    out.integer(static_cast<std::int64_t>(corners.size()));
  }
  writeFibre(out, centre.bottom);
  writeFibre(out, centre.top);
  for (const PlateCorner& corner : corners) {
    out.integer(corner.grid);
    writeFibre(out, corner.bottom);
    writeFibre(out, corner.top);
  }
}

void PlateForceLayout::read(const EntryReader& in, PlateForce& centre, PlateForceCorner* corners,
                            std::size_t cornerCount) {
  centre.element = in.id(kId, "element");
  if (cornerCount == 0) return readForceValues(in, kCentreValues, centre.values);
  readForceValues(in, kFirstPoint + 1, centre.values);
  for (std::size_t c = 1; c <= cornerCount; ++c) {
    std::size_t point = kFirstPoint + c * kPointWords;
    corners[c - 1].grid = cornerGrid(in, point, "a plate's corner");
    readForceValues(in, point + 1, corners[c - 1].values);
  }
}

void PlateForceLayout::write(Op2Words& out, const PlateForce& centre, std::span<const PlateForceCorner> corners) {
  out.integer(std::int64_t{centre.element} * 10 + kPrintDevice);
  if (!corners.empty()) {
    out.text(kCentreLabel, 1);
    out.integer(static_cast<std::int64_t>(corners.size()));
  }
  writeForceValues(out, centre.values);
  for (const PlateForceCorner& corner : corners) {
    out.integer(corner.grid);
    writeForceValues(out, corner.values);
  }
}

void SolidStressLayout::read(const EntryReader& in, SolidStress& solid, std::size_t corners) {
  solid.points.clear();
  solid.element = in.id(kId, "element");
  std::int64_t grids = in.integer(kGridCount);
  if (grids != static_cast<std::int64_t>(corners) && grids != static_cast<std::int64_t>(quadraticGrids(corners)))
    in.fail("element " + std::to_string(solid.element) + " gives " + std::to_string(grids) + " grids where " +
            std::to_string(corners) + " or " + std::to_string(quadraticGrids(corners)) + " were expected");
  solid.gridCount = static_cast<int>(grids);
  solid.points.reserve(corners + 1);
  for (std::size_t p = 0; p <= corners; ++p) {
    std::size_t first = kFirstPoint + p * kPointWords;
    SolidPoint point;
    if (p == 0) {
      if (in.integer(first + kPointGrid) != 0)
        in.fail("a solid's point has grid " + std::to_string(in.integer(first + kPointGrid)) + " at word " +
                std::to_string(in.wordNumber(first + kPointGrid)) + " where the centre (0) was expected");
    } else {
      point.grid = cornerGrid(in, first + kPointGrid, "a solid's point");
    }
    auto row = [&](std::size_t w, float& normal, float& shear, int axis) {
      normal = in.real(w);
      shear = in.real(w + 1);
      point.principal[axis] = in.real(w + 2);
      for (std::size_t k = 0; k < 3; ++k) point.directions[axis][k] = in.real(w + 3 + k);
    };
    row(first + kRowX, point.normalX, point.shearXY, 0);
    row(first + kRowY, point.normalY, point.shearYZ, 1);
    row(first + kRowZ, point.normalZ, point.shearZX, 2);
    point.pressure = in.real(first + kPressure);
    point.equivalent = in.real(first + kEquivalent);
    solid.points.push_back(point);
  }
}

void SolidStressLayout::write(Op2Words& out, const SolidStress& solid, std::size_t corners) {
  assert(solid.points.size() == corners + 1);
  out.integer(std::int64_t{solid.element} * 10 + kPrintDevice);
  out.integer(0);  // stress coordinate system: basic
  out.text(kGridLabel, 1);
  out.integer(solid.gridCount == 0 ? static_cast<std::int64_t>(corners) : solid.gridCount);
  for (const SolidPoint& point : solid.points) {
    const auto& d = point.directions;
    out.integer(point.grid);
    for (float value : {point.normalX, point.shearXY, point.principal[0], d[0][0], d[0][1], d[0][2], point.pressure,
                        point.equivalent})
      out.real(value);
    for (float value : {point.normalY, point.shearYZ, point.principal[1], d[1][0], d[1][1], d[1][2]}) out.real(value);
    for (float value : {point.normalZ, point.shearZX, point.principal[2], d[2][0], d[2][1], d[2][2]}) out.real(value);
  }
}

void ShearPanelLayout::read(const EntryReader& in, ShearPanelStress& entry) {
  entry = {in.id(kId, "element"), in.real(kMaxShear), in.real(kAverageShear), in.real(kMargin)};
}

void ShearPanelLayout::write(Op2Words& out, const ShearPanelStress& panel) {
  out.integer(std::int64_t{panel.element} * 10 + kPrintDevice);
  for (float value : {panel.maxShear, panel.averageShear, panel.margin}) out.real(value);
}

void SpringLayout::read(const EntryReader& in, SpringStress& entry) {
  entry = {in.id(kId, "element"), in.real(kStress)};
}

void SpringLayout::write(Op2Words& out, const SpringStress& spring) {
  out.integer(std::int64_t{spring.element} * 10 + kPrintDevice);
  out.real(spring.stress);
}

void BushLayout::read(const EntryReader& in, BushStress& bush) {
  bush.element = in.id(kId, "element");
  for (std::size_t k = 0; k < bush.values.size(); ++k) bush.values[k] = in.real(kFirstValue + k);
}

void BushLayout::write(Op2Words& out, const BushStress& bush) {
  out.integer(std::int64_t{bush.element} * 10 + kPrintDevice);
  for (float value : bush.values) out.real(value);
}

void PlyStressLayout::read(const EntryReader& in, PlyStress& ply) {
  ply.element = in.id(kId, "element");
  ply.ply = in.positive(kPly, "ply");
  ply.normal1 = in.real(kNormal1);
  ply.normal2 = in.real(kNormal2);
  ply.shear12 = in.real(kShear12);
  ply.shear1Z = in.real(kShear1Z);
  ply.shear2Z = in.real(kShear2Z);
  ply.angle = in.real(kAngle);
  ply.major = in.real(kMajor);
  ply.minor = in.real(kMinor);
  ply.equivalent = in.real(kEquivalent);
}

void PlyStressLayout::write(Op2Words& out, const PlyStress& ply) {
  out.integer(std::int64_t{ply.element} * 10 + kPrintDevice);
  out.integer(ply.ply);
  for (float value : {ply.normal1, ply.normal2, ply.shear12, ply.shear1Z, ply.shear2Z, ply.angle, ply.major, ply.minor,
                      ply.equivalent})
    out.real(value);
}

void PlyFailureLayout::read(const EntryReader& in, PlyFailure& ply, int previousElement) {
  if (in.integer(kElement) == kSameElement) {
    if (previousElement == 0)
      in.fail("a ply's failure index at word " + std::to_string(in.wordNumber(kElement)) + " names no element");
    ply.element = previousElement;
  } else {
    ply.element = in.positive(kElement, "element");
  }
  ply.theory = in.text(kTheory, kTheoryWords);
  ply.ply = in.positive(kPly, "ply");
  ply.failureIndex = in.real(kFailureIndex);
}

void PlyFailureLayout::write(Op2Words& out, const PlyFailure& ply, bool firstOfElement) {
  out.integer(firstOfElement ? std::int64_t{ply.element} : kSameElement);
  out.text(ply.theory, kTheoryWords);
  out.integer(ply.ply);
  out.real(ply.failureIndex);
  out.integer(0);              // failure mode: none (maximum strain theory only)
  out.integer(-1);             // interlaminar failure index: none
  out.real(ply.failureIndex);  // the largest of the two
  out.text("", 1);             // failure flag
}

bool GridLayout::readAll(EntryReader& in, std::size_t count, std::vector<GridValues>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool RodStressLayout::readAll(EntryReader& in, std::size_t count, std::vector<RodStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool RodForceLayout::readAll(EntryReader& in, std::size_t count, std::vector<RodForce>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool BarStressLayout::readAll(EntryReader& in, std::size_t count, std::vector<BarStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool BarForceLayout::readAll(EntryReader& in, std::size_t count, std::vector<BarForce>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool BeamStressLayout::readAll(EntryReader& in, std::size_t count, std::vector<BeamStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool BeamForceLayout::readAll(EntryReader& in, std::size_t count, std::vector<BeamForce>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool PlateStressLayout::readAll(EntryReader& in, std::size_t count, std::vector<PlateStress>& centres,
                                std::vector<PlateCorner>& corners, std::size_t cornerCount) {
  corners.resize(corners.size() + count * cornerCount);
  PlateCorner* at = corners.data() + corners.size() - count * cornerCount;
  return readEach(in, count, centres, [&](const EntryReader& reader, PlateStress& centre) {
    read(reader, centre, at, cornerCount);
    at += cornerCount;
  });
}

bool PlateForceLayout::readAll(EntryReader& in, std::size_t count, std::vector<PlateForce>& centres,
                               std::vector<PlateForceCorner>& corners, std::size_t cornerCount) {
  corners.resize(corners.size() + count * cornerCount);
  PlateForceCorner* at = corners.data() + corners.size() - count * cornerCount;
  return readEach(in, count, centres, [&](const EntryReader& reader, PlateForce& centre) {
    read(reader, centre, at, cornerCount);
    at += cornerCount;
  });
}

bool SolidStressLayout::readAll(EntryReader& in, std::size_t count, std::vector<SolidStress>& into,
                                std::size_t corners) {
  return readEach(in, count, into, [corners](const EntryReader& reader, auto& entry) { read(reader, entry, corners); });
}

bool ShearPanelLayout::readAll(EntryReader& in, std::size_t count, std::vector<ShearPanelStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool SpringLayout::readAll(EntryReader& in, std::size_t count, std::vector<SpringStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool BushLayout::readAll(EntryReader& in, std::size_t count, std::vector<BushStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool PlyStressLayout::readAll(EntryReader& in, std::size_t count, std::vector<PlyStress>& into) {
  return readEach(in, count, into, [](const EntryReader& reader, auto& entry) { read(reader, entry); });
}

bool PlyFailureLayout::readAll(EntryReader& in, std::size_t count, std::vector<PlyFailure>& into) {
  int previous = into.empty() ? 0 : into.back().element;
  return readEach(in, count, into, [&previous](const EntryReader& reader, PlyFailure& entry) {
    read(reader, entry, previous);
    previous = entry.element;
  });
}

}  // namespace resultfiles
