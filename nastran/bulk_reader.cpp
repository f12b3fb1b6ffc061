#include "nastran/bulk_reader.h"

#include <algorithm>

#include "nastran/bulk_format.h"
#include "nastran/card_layouts.h"
#include "nastran/large_storage.h"

namespace nastran {
namespace {

// The reader's side of a card layout: each field read into its member.
class FieldsIn {
 public:
  static constexpr bool kReading = true;
  explicit FieldsIn(const CardReader& reader) : r_(reader) {}

  void id(std::size_t n, const char* what, int& value) { value = r_.identifier(n, what); }
  void integer(std::size_t n, const char* what, int& value) { value = r_.integer(n, what); }
  void integer(std::size_t n, const char* what, int& value, int fallback) { value = r_.integerOr(n, what, fallback); }
  void integer(std::size_t n, const char* what, std::optional<int>& value) {
    int number = 0;
    if (r_.readInteger(n, what, number)) value = number;
    else value.reset();
  }
  void real(std::size_t n, const char* what, double& value) { value = r_.real(n, what); }
  void real(std::size_t n, const char* what, double& value, double fallback) { value = r_.realOr(n, what, fallback); }
  void real(std::size_t n, const char* what, std::optional<double>& value) {
    double number = 0;
    if (r_.readReal(n, what, number)) value = number;
    else value.reset();
  }
  void components(std::size_t n, const char* what, Components& value) { value = r_.components(n, what); }
  void component(std::size_t n, const char* what, int& value) { value = r_.component(n, what); }
  void word(std::size_t n, const char* what, std::string& value, std::string_view fallback) {
    value = r_.word(n, what, fallback);
  }
  void text(std::size_t n, const char* what, std::string& value) {
    if (r_.text(n).size() > format::kLargeFieldWidth)
      r_.failField(n, what, "'" + std::string(r_.text(n)) + "' is longer than a field (16 characters)");
    value = r_.upperText(n);
  }

  // X1, X2, X3 at n, n+1, n+2, or G0 at n (an integer there, with the two after it blank).
  void orientation(std::size_t n, Orientation& value) {
    value = Orientation();
    if (r_.isBlank(n) && r_.isBlank(n + 1) && r_.isBlank(n + 2)) return;
    if (r_.kind(n) == FieldKind::Integer) {
      value.grid = r_.identifier(n, "G0");
      for (std::size_t field = n + 1; field <= n + 2; ++field)
        if (!r_.isBlank(field))
          r_.failField(field, field == n + 1 ? "X2" : "X3",
                       "must be blank: field " + std::to_string(n) + " is an integer, the grid G0");
      return;
    }
    value.vector = Vec3{r_.realOr(n, "X1", 0.0), r_.realOr(n + 1, "X2", 0.0), r_.realOr(n + 2, "X3", 0.0)};
  }
  // THETA (a real) or MCID (an integer).
  void materialAxes(std::size_t n, std::optional<int>& mcid, double& theta) {
    mcid.reset();
    theta = 0;
    if (r_.kind(n) == FieldKind::Integer) {
      mcid = r_.integer(n, "MCID");
      if (*mcid < 0) r_.failField(n, "MCID", "must not be negative, not " + std::string(r_.text(n)));
    } else {
      theta = r_.realOr(n, "THETA", 0.0);
    }
  }
  // A word, or a number standing for the same field's other meaning.
  void wordOrReal(std::size_t n, const char* what, std::string& word, std::string_view fallback, const char* realWhat,
                  std::optional<double>& real) {
    real.reset();
    word = std::string(fallback);
    FieldKind kind = r_.kind(n);
    if (kind == FieldKind::Integer || kind == FieldKind::Real) real = r_.real(n, realWhat);
    else word = r_.word(n, what, fallback);
  }
  void unused(std::size_t n) {
    if (!r_.isBlank(n))
      r_.fail(n, "field " + std::to_string(n) + " ('" + std::string(r_.text(n)) + "') must be blank");
  }
  void last(std::size_t n) { r_.requireBlankAfter(n); }

 private:
  const CardReader& r_;
};

bool isStressOutputOption(std::string_view text) { return text == "YES" || text == "YESA" || text == "NO"; }
bool isStressOutputOption(const CardReader& reader, std::size_t field) {
  return isStressOutputOption(reader.upperText(field));
}

std::optional<CoordinateKind> coordinateKind(char letter) {
  switch (letter) {
    case 'R': return CoordinateKind::Rectangular;
    case 'C': return CoordinateKind::Cylindrical;
    case 'S': return CoordinateKind::Spherical;
  }
  return std::nullopt;
}

void requireOfft(const CardReader& reader, std::size_t field, const std::string& offt) {
  bool valid = offt.size() == 3;
  for (char c : offt) valid = valid && (c == 'G' || c == 'B' || c == 'O');
  if (!valid) reader.failField(field, "OFFT", "'" + offt + "' must be three of the letters G, B and O, such as GGG");
}

}  // namespace

BulkReader::BulkReader(Bulk& bulk, const std::vector<std::string>& files) : bulk_(bulk), files_(files) {
  readers_ = {
      {"GRID", &BulkReader::readGrid},       {"GRDSET", &BulkReader::readGrdset},   {"SPOINT", &BulkReader::readSpoint},
      {"CORD1R", &BulkReader::readCord1},    {"CORD1C", &BulkReader::readCord1},    {"CORD1S", &BulkReader::readCord1},
      {"CORD2R", &BulkReader::readCord2},    {"CORD2C", &BulkReader::readCord2},    {"CORD2S", &BulkReader::readCord2},
      {"CROD", &BulkReader::readCrod},       {"CONROD", &BulkReader::readConrod},   {"CBAR", &BulkReader::readCbar},
      {"CBEAM", &BulkReader::readCbeam},     {"BAROR", &BulkReader::readBarDefaults}, {"BEAMOR", &BulkReader::readBarDefaults},
      {"CBUSH", &BulkReader::readCbush},     {"CELAS1", &BulkReader::readCelas1},   {"CELAS2", &BulkReader::readCelas2},
      {"CQUAD4", &BulkReader::readPlate},    {"CTRIA3", &BulkReader::readPlate},    {"CQUAD8", &BulkReader::readPlate},
      {"CTRIA6", &BulkReader::readPlate},    {"CQUADR", &BulkReader::readPlate},    {"CTRIAR", &BulkReader::readPlate},
      {"CSHEAR", &BulkReader::readCshear},   {"CTETRA", &BulkReader::readSolid},    {"CPENTA", &BulkReader::readSolid},
      {"CHEXA", &BulkReader::readSolid},     {"CONM2", &BulkReader::readConm2},     {"RBE2", &BulkReader::readRbe2},
      {"RBE3", &BulkReader::readRbe3},       {"RBAR", &BulkReader::readRbar},       {"PROD", &BulkReader::readProd},
      {"PBAR", &BulkReader::readPbar},       {"PBARL", &BulkReader::readPbarl},     {"PBEAM", &BulkReader::readPbeam},
      {"PBEAML", &BulkReader::readPbeaml},   {"PBUSH", &BulkReader::readPbush},     {"PELAS", &BulkReader::readPelas},
      {"PSHELL", &BulkReader::readPshell},   {"PCOMP", &BulkReader::readPcomp},     {"PCOMPG", &BulkReader::readPcomp},
      {"PSHEAR", &BulkReader::readPshear},   {"PSOLID", &BulkReader::readPsolid},   {"MAT1", &BulkReader::readMat1},
      {"MAT2", &BulkReader::readMat2},       {"MAT8", &BulkReader::readMat8},       {"MAT9", &BulkReader::readMat9},
      {"FORCE", &BulkReader::readNodalLoad}, {"MOMENT", &BulkReader::readNodalLoad}, {"FORCE1", &BulkReader::readNodalLoad1},
      {"MOMENT1", &BulkReader::readNodalLoad1}, {"PLOAD", &BulkReader::readPload}, {"PLOAD1", &BulkReader::readPload1},
      {"PLOAD2", &BulkReader::readPload2},   {"PLOAD4", &BulkReader::readPload4},   {"GRAV", &BulkReader::readGrav},
      {"LOAD", &BulkReader::readLoad},       {"TEMP", &BulkReader::readTemp},       {"TEMPD", &BulkReader::readTempd},
      {"SPC", &BulkReader::readSpc},         {"SPCD", &BulkReader::readSpc},        {"SPC1", &BulkReader::readSpc1},
      {"SPCADD", &BulkReader::readSetUnion}, {"MPCADD", &BulkReader::readSetUnion}, {"MPC", &BulkReader::readMpc},
      {"PARAM", &BulkReader::readParam},
  };
}

void BulkReader::reserve(const CardCounts& counts) {
  std::size_t plates = 0, solids = 0, nodalLoads = 0;
  for (const auto& [name, count] : counts.byName) {
    if (name == "GRID") {
      bulk_.grids.reserve(bulk_.grids.size() + count);
      gridBlanks_.reserve(gridBlanks_.size() + count);
    } else if (name == "CROD") bulk_.crods.reserve(bulk_.crods.size() + count);
    else if (name == "CBAR") bulk_.cbars.reserve(bulk_.cbars.size() + count);
    else if (name == "CBEAM") bulk_.cbeams.reserve(bulk_.cbeams.size() + count);
    else if (name == "CBUSH") bulk_.cbushes.reserve(bulk_.cbushes.size() + count);
    else if (name == "CELAS1") bulk_.celas1s.reserve(bulk_.celas1s.size() + count);
    else if (name == "CELAS2") bulk_.celas2s.reserve(bulk_.celas2s.size() + count);
    else if (name == "CSHEAR") bulk_.cshears.reserve(bulk_.cshears.size() + count);
    else if (name == "CONM2") bulk_.conm2s.reserve(bulk_.conm2s.size() + count);
    else if (name == "PLOAD4") bulk_.pload4s.reserve(bulk_.pload4s.size() + count);
    else if (name == "SPC1") bulk_.spc1s.reserve(bulk_.spc1s.size() + count);
    else if (name == "CQUAD4" || name == "CTRIA3" || name == "CQUAD8" || name == "CTRIA6" || name == "CQUADR" ||
             name == "CTRIAR")
      plates += count;
    else if (name == "CTETRA" || name == "CPENTA" || name == "CHEXA") solids += count;
    else if (name == "FORCE" || name == "MOMENT") nodalLoads += count;
  }
  bulk_.plates.reserve(bulk_.plates.size() + plates);
  bulk_.solids.reserve(bulk_.solids.size() + solids);
  bulk_.nodalLoads.reserve(bulk_.nodalLoads.size() + nodalLoads);
  // A card with continuations lists its count and two numbers for each continuation line.
  bulk_.continuationLines.reserve(bulk_.continuationLines.size() + 3 * counts.continuationLines);
  adviseLargeStorage(bulk_.grids);
  adviseLargeStorage(bulk_.plates);
  adviseLargeStorage(bulk_.solids);
  adviseLargeStorage(bulk_.continuationLines);
}

void BulkReader::card(const RawCard& card) {
  if (card.name != lastName_) {
    auto found = readers_.find(card.name);
    lastName_ = card.name;
    lastRead_ = found == readers_.end() ? nullptr : found->second;
  }
  if (!lastRead_) {
    pass(card);
    return;
  }
  current_ = &card;
  CardReader reader(card, files_);
  (this->*lastRead_)(reader);
}

Origin BulkReader::originOf(const RawCard& card) {
  Origin origin{card.at, 0};
  if (card.fields.empty() || card.fields.back().line == card.at.line) return origin;  // one line
  std::uint32_t line = card.at.line;
  std::size_t countAt = 0;
  for (std::size_t i = 0; i < card.fields.size(); ++i) {
    if (card.fields[i].line == line) continue;
    line = card.fields[i].line;
    if (origin.continuation == 0) {
      bulk_.continuationLines.push_back(0);
      countAt = bulk_.continuationLines.size() - 1;
      origin.continuation = static_cast<std::uint32_t>(bulk_.continuationLines.size());
    }
    ++bulk_.continuationLines[countAt];
    bulk_.continuationLines.push_back(static_cast<std::uint32_t>(i + 1));
    bulk_.continuationLines.push_back(line);
  }
  return origin;
}

template <class Card>
Card& BulkReader::readLayout(const CardReader& reader, std::vector<Card>& cards, Card prototype) {
  // Read in place: a failure throws, and the deck is not used then.
  Card& card = cards.emplace_back(std::move(prototype));
  FieldsIn io(reader);
  layout::fields(io, card);
  card.origin = originOf(*current_);
  return card;
}

void BulkReader::distinctGrids(const CardReader& reader, const int* grids, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    if (grids[i] == 0) continue;
    for (std::size_t j = 0; j < i; ++j)
      if (grids[j] == grids[i]) reader.fail(0, "grid " + std::to_string(grids[i]) + " appears twice");
  }
}

void BulkReader::readGrid(const CardReader& reader) {
  readLayout(reader, bulk_.grids);
  std::uint8_t blanks = (reader.isBlank(2) ? kBlankCp : 0) | (reader.isBlank(6) ? kBlankCd : 0) |
                        (reader.isBlank(7) ? kBlankPs : 0) | (reader.isBlank(8) ? kBlankSeid : 0);
  gridBlanks_.push_back(blanks);
}

void BulkReader::readGrdset(const CardReader& reader) {
  if (gridDefaults_) reader.fail(0, "a second GRDSET: the deck may hold only one");
  Grid defaults;
  defaults.cp = reader.integerOr(2, "CP", 0);
  defaults.cd = reader.integerOr(6, "CD", 0);
  defaults.ps = reader.components(7, "PS");
  defaults.seid = reader.integerOr(8, "SEID", 0);
  for (std::size_t field : {1, 3, 4, 5})
    if (!reader.isBlank(field)) reader.fail(field, "field " + std::to_string(field) + " must be blank");
  reader.requireBlankAfter(8);
  gridDefaults_ = defaults;
}

void BulkReader::readSpoint(const CardReader& reader) {
  Origin origin = originOf(reader.raw());
  for (std::size_t field = 1; field <= reader.count(); ++field) {
    if (reader.isBlank(field)) continue;
    Spoint point{reader.identifier(field, "ID"), 0, origin};
    point.last = point.first;
    if (reader.is(field + 1, "THRU")) {
      point.last = reader.identifier(field + 2, "ID2");
      if (point.last < point.first) reader.fail(field + 2, "THRU range ends before it starts");
      field += 2;
    }
    bulk_.spoints.push_back(point);
  }
  if (reader.count() == 0) reader.fail(0, "no point listed");
}

void BulkReader::readCord1(const CardReader& reader) {
  CoordinateKind kind = *coordinateKind(reader.raw().name.back());
  Origin origin = originOf(reader.raw());
  FieldsIn io(reader);
  for (std::size_t base : {std::size_t{0}, std::size_t{4}}) {
    if (base == 4 && reader.count() <= 4) break;
    Cord1 system;
    system.kind = kind;
    layout::fields(io, system, base);
    system.origin = origin;
    distinctGrids(reader, system.g.data(), 3);
    bulk_.cord1s.push_back(system);
  }
  reader.requireBlankAfter(8);
}

void BulkReader::readCord2(const CardReader& reader) {
  Cord2 system;
  system.kind = *coordinateKind(reader.raw().name.back());
  readLayout(reader, bulk_.cord2s, system);
}

void BulkReader::readCrod(const CardReader& reader) {
  const Crod& rod = readLayout(reader, bulk_.crods);
  distinctGrids(reader, rod.g.data(), 2);
}

void BulkReader::readConrod(const CardReader& reader) {
  const Conrod& rod = readLayout(reader, bulk_.conrods);
  distinctGrids(reader, rod.g.data(), 2);
}

void BulkReader::readCbar(const CardReader& reader) {
  const Cbar& bar = readLayout(reader, bulk_.cbars);
  if (!reader.isBlank(8)) requireOfft(reader, 8, bar.offt);
  int ends[2] = {bar.ga, bar.gb};
  distinctGrids(reader, ends, 2);
  barBlanks_.push_back((reader.isBlank(2) ? kBlankPid : 0) | (!bar.orientation.given() ? kBlankOrientation : 0) |
                       (reader.isBlank(8) ? kBlankOfft : 0));
}

void BulkReader::readCbeam(const CardReader& reader) {
  const Cbeam& beam = readLayout(reader, bulk_.cbeams);
  if (!reader.isBlank(8) && !beam.bit) requireOfft(reader, 8, beam.offt);
  int ends[2] = {beam.ga, beam.gb};
  distinctGrids(reader, ends, 2);
  beamBlanks_.push_back((reader.isBlank(2) ? kBlankPid : 0) | (!beam.orientation.given() ? kBlankOrientation : 0) |
                        (reader.isBlank(8) ? kBlankOfft : 0));
}

void BulkReader::readBarDefaults(const CardReader& reader) {
  bool beam = reader.raw().name == "BEAMOR";
  BarDefaults& defaults = beam ? beamDefaults_ : barDefaults_;
  if (defaults.given) reader.fail(0, "a second " + reader.raw().name + ": the deck may hold only one");
  defaults.given = true;
  defaults.origin = originOf(reader.raw());
  FieldsIn io(reader);
  if (!reader.isBlank(1)) reader.fail(1, "field 1 must be blank");
  defaults.pid = reader.integerOr(2, "PID", 0);
  for (std::size_t field : {3, 4})
    if (!reader.isBlank(field)) reader.fail(field, "field " + std::to_string(field) + " must be blank");
  io.orientation(5, defaults.orientation);
  if (beam) io.wordOrReal(8, "OFFT", defaults.offt, "", "BIT", defaults.bit);
  else defaults.offt = reader.word(8, "OFFT");
  if (!defaults.offt.empty()) requireOfft(reader, 8, defaults.offt);
  reader.requireBlankAfter(8);
}

void BulkReader::readCbush(const CardReader& reader) {
  const Cbush& bush = readLayout(reader, bulk_.cbushes);
  int ends[2] = {bush.ga, bush.gb};
  distinctGrids(reader, ends, 2);
}

void BulkReader::readCelas1(const CardReader& reader) { readLayout(reader, bulk_.celas1s); }
void BulkReader::readCelas2(const CardReader& reader) { readLayout(reader, bulk_.celas2s); }

void BulkReader::readPlate(const CardReader& reader) {
  // CQUAD4, CTRIA3, CQUAD8, CTRIA6, CQUADR, CTRIAR.
  const std::string& name = reader.raw().name;
  Plate plate;
  bool quad = name[1] == 'Q';
  plate.shape = name.back() == 'R' ? (quad ? PlateShape::QuadR : PlateShape::TriaR)
                : name.back() == '8' ? PlateShape::Quad8
                : name.back() == '6' ? PlateShape::Tria6
                                     : (quad ? PlateShape::Quad4 : PlateShape::Tria3);
  const Plate& read = readLayout(reader, bulk_.plates, plate);
  distinctGrids(reader, read.g.data(), read.g.size());
}

void BulkReader::readCshear(const CardReader& reader) {
  const Cshear& panel = readLayout(reader, bulk_.cshears);
  distinctGrids(reader, panel.g.data(), panel.g.size());
}

void BulkReader::readSolid(const CardReader& reader) {
  const std::string& name = reader.raw().name;
  Solid solid;
  solid.shape = name == "CTETRA" ? SolidShape::Tetra : name == "CPENTA" ? SolidShape::Penta : SolidShape::Hexa;
  const Solid& read = readLayout(reader, bulk_.solids, solid);
  distinctGrids(reader, read.g.data(), static_cast<std::size_t>(read.maxGrids()));
}

void BulkReader::readConm2(const CardReader& reader) { readLayout(reader, bulk_.conm2s); }

void BulkReader::readRbe2(const CardReader& reader) {
  Rbe2 rbe;
  rbe.eid = reader.identifier(1, "EID");
  rbe.gn = reader.identifier(2, "GN");
  rbe.cm = reader.requiredComponents(3, "CM");
  std::size_t field = 4;
  for (; field <= reader.count(); ++field) {
    if (reader.isBlank(field)) continue;
    if (reader.kind(field) != FieldKind::Integer) break;
    rbe.gm.push_back(reader.identifier(field, "GM"));
  }
  if (rbe.gm.empty()) reader.fail(0, "no dependent grid (GM) listed");
  if (field <= reader.count()) rbe.alpha = reader.real(field, "ALPHA");
  if (field + 1 <= reader.count()) rbe.tref = reader.optionalReal(field + 1, "TREF");
  reader.requireBlankAfter(field + 1);
  distinctGrids(reader, rbe.gm.data(), rbe.gm.size());
  rbe.origin = originOf(reader.raw());
  bulk_.rbe2s.push_back(std::move(rbe));
}

void BulkReader::readRbe3(const CardReader& reader) {
  Rbe3 rbe;
  rbe.eid = reader.identifier(1, "EID");
  if (!reader.isBlank(2)) reader.fail(2, "field 2 must be blank");
  rbe.refgrid = reader.identifier(3, "REFGRID");
  rbe.refc = reader.requiredComponents(4, "REFC");
  enum class Part { Weights, Dependent, Alpha, Tref, Done } part = Part::Weights;
  std::size_t field = 5;
  auto nextField = [&] {
    while (field <= reader.count() && reader.isBlank(field)) ++field;
    return field <= reader.count();
  };
  while (nextField()) {
    std::string text = reader.upperText(field);
    if (text == "UM" || text == "ALPHA" || text == "TREF") {
      Part next = text == "UM" ? Part::Dependent : text == "ALPHA" ? Part::Alpha : Part::Tref;
      if (next <= part && part != Part::Weights) reader.fail(field, "'" + text + "' is out of place");
      part = next;
      ++field;
      continue;
    }
    switch (part) {
      case Part::Weights: {
        Rbe3::Weighted group;
        group.weight = reader.real(field, "WT");
        if (reader.kind(field) == FieldKind::Integer)
          reader.failField(field, "WT", "'" + std::string(text) + "' must be a real: a weight starts each group");
        ++field;
        if (!nextField()) reader.fail(0, "the weight " + std::string(text) + " has no components");
        group.c = reader.requiredComponents(field, "C");
        ++field;
        while (nextField() && reader.kind(field) == FieldKind::Integer) group.grids.push_back(reader.identifier(field++, "G"));
        if (group.grids.empty()) reader.fail(0, "the group of weight " + std::string(text) + " lists no grid");
        rbe.groups.push_back(std::move(group));
        break;
      }
      case Part::Dependent: {
        Rbe3::Dependent dependent;
        dependent.grid = reader.identifier(field++, "GM");
        if (!nextField()) reader.fail(0, "UM grid " + std::to_string(dependent.grid) + " has no components");
        dependent.c = reader.requiredComponents(field++, "CM");
        rbe.um.push_back(dependent);
        break;
      }
      case Part::Alpha:
        rbe.alpha = reader.real(field++, "ALPHA");
        part = Part::Done;
        break;
      case Part::Tref:
        rbe.tref = reader.real(field++, "TREF");
        part = Part::Done;
        break;
      case Part::Done:
        reader.fail(field, "field " + std::to_string(field) + " ('" + std::string(text) + "') is out of place");
    }
  }
  if (rbe.groups.empty()) reader.fail(0, "no weighted grid listed");
  rbe.origin = originOf(reader.raw());
  bulk_.rbe3s.push_back(std::move(rbe));
}

void BulkReader::readRbar(const CardReader& reader) {
  const Rbar& bar = readLayout(reader, bulk_.rbars);
  int ends[2] = {bar.ga, bar.gb};
  distinctGrids(reader, ends, 2);
}

void BulkReader::readProd(const CardReader& reader) { readLayout(reader, bulk_.prods); }
void BulkReader::readPbar(const CardReader& reader) { readLayout(reader, bulk_.pbars); }

namespace {

// GROUP and TYPE of PBARL and PBEAML, and the number of dimensions the type has.
int readSection(const CardReader& reader, std::string& group, std::string& type) {
  group = reader.word(3, "GROUP", "MSCBML0");
  type = reader.word(4, "TYPE");
  if (type.empty()) reader.failField(4, "TYPE", "is blank");
  int count = sectionDimensionCount(type);
  if (count == 0) reader.failField(4, "TYPE", "'" + type + "' is not a cross-section type");
  if (group != "MSCBML0")
    reader.failField(3, "GROUP", "'" + group + "' is not read: only the sections of group MSCBML0 are known");
  for (std::size_t field = 5; field <= 8; ++field)
    if (!reader.isBlank(field)) reader.fail(field, "field " + std::to_string(field) + " must be blank");
  return count;
}

const char* dimensionName(int index) {
  static const char* const kNames[10] = {"DIM1", "DIM2", "DIM3", "DIM4", "DIM5",
                                         "DIM6", "DIM7", "DIM8", "DIM9", "DIM10"};
  return kNames[index];
}

}  // namespace

void BulkReader::readPbarl(const CardReader& reader) {
  Pbarl bar;
  bar.pid = reader.identifier(1, "PID");
  bar.mid = reader.identifier(2, "MID");
  int count = readSection(reader, bar.group, bar.type);
  for (int i = 0; i < count; ++i) bar.dims.push_back(reader.real(9 + static_cast<std::size_t>(i), dimensionName(i)));
  bar.nsm = reader.realOr(9 + static_cast<std::size_t>(count), "NSM", 0.0);
  reader.requireBlankAfter(9 + static_cast<std::size_t>(count));
  bar.origin = originOf(reader.raw());
  bulk_.pbarls.push_back(std::move(bar));
}

namespace {

std::optional<std::array<double, 8>> readStressPoints(const CardReader& reader, std::size_t first) {
  static const char* const kPoints[8] = {"C1", "C2", "D1", "D2", "E1", "E2", "F1", "F2"};
  bool given = false;
  for (std::size_t i = 0; i < 8; ++i) given = given || !reader.isBlank(first + i);
  if (!given) return std::nullopt;
  std::array<double, 8> points{};
  for (std::size_t i = 0; i < 8; ++i) points[i] = reader.realOr(first + i, kPoints[i], 0.0);
  return points;
}

void readSectionValues(const CardReader& reader, std::size_t first, PbeamStation& station) {
  station.a = reader.optionalReal(first, "A");
  station.i1 = reader.optionalReal(first + 1, "I1");
  station.i2 = reader.optionalReal(first + 2, "I2");
  station.i12 = reader.optionalReal(first + 3, "I12");
  station.j = reader.optionalReal(first + 4, "J");
  station.nsm = reader.optionalReal(first + 5, "NSM");
}

}  // namespace

void BulkReader::readPbeam(const CardReader& reader) {
  Pbeam beam;
  beam.pid = reader.identifier(1, "PID");
  beam.mid = reader.identifier(2, "MID");
  PbeamStation endA;
  readSectionValues(reader, 3, endA);
  if (!endA.a) reader.failField(3, "A(A)", "is blank");
  std::size_t field = 9;
  if (!isStressOutputOption(reader, 9)) {
    endA.stressPoints = readStressPoints(reader, 9);
    field = 17;
  }
  beam.stations.push_back(endA);
  while (isStressOutputOption(reader, field)) {
    PbeamStation station;
    station.so = reader.upperText(field);
    station.x = reader.real(field + 1, "X/XB");
    if (station.x <= 0 || station.x > 1)
      reader.failField(field + 1, "X/XB", "must lie in (0, 1], not " + std::string(reader.text(field + 1)));
    if (station.x <= beam.stations.back().x)
      reader.failField(field + 1, "X/XB", "must be greater than the station before it");
    readSectionValues(reader, field + 2, station);
    field += 8;
    if (station.so == "YES") {
      station.stressPoints = readStressPoints(reader, field);
      field += 8;
    }
    beam.stations.push_back(station);
  }
  beam.k1 = reader.realOr(field, "K1", 1.0);
  beam.k2 = reader.realOr(field + 1, "K2", 1.0);
  beam.s1 = reader.realOr(field + 2, "S1", 0.0);
  beam.s2 = reader.realOr(field + 3, "S2", 0.0);
  beam.nsiA = reader.realOr(field + 4, "NSI(A)", 0.0);
  beam.nsiB = reader.optionalReal(field + 5, "NSI(B)");
  beam.cwA = reader.realOr(field + 6, "CW(A)", 0.0);
  beam.cwB = reader.optionalReal(field + 7, "CW(B)");
  beam.m1A = reader.realOr(field + 8, "M1(A)", 0.0);
  beam.m2A = reader.realOr(field + 9, "M2(A)", 0.0);
  beam.m1B = reader.optionalReal(field + 10, "M1(B)");
  beam.m2B = reader.optionalReal(field + 11, "M2(B)");
  beam.n1A = reader.realOr(field + 12, "N1(A)", 0.0);
  beam.n2A = reader.realOr(field + 13, "N2(A)", 0.0);
  beam.n1B = reader.optionalReal(field + 14, "N1(B)");
  beam.n2B = reader.optionalReal(field + 15, "N2(B)");
  reader.requireBlankAfter(field + 15);
  beam.origin = originOf(reader.raw());
  bulk_.pbeams.push_back(std::move(beam));
}

void BulkReader::readPbeaml(const CardReader& reader) {
  Pbeaml beam;
  beam.pid = reader.identifier(1, "PID");
  beam.mid = reader.identifier(2, "MID");
  std::size_t count = static_cast<std::size_t>(readSection(reader, beam.group, beam.type));
  PbeamlStation endA;
  for (std::size_t i = 0; i < count; ++i) endA.dims.push_back(reader.real(9 + i, dimensionName(static_cast<int>(i))));
  endA.nsm = reader.optionalReal(9 + count, "NSM");
  beam.stations.push_back(endA);
  // Each further station: SO, X/XB, the dimensions, NSM.
  std::size_t field = 10 + count;
  while (field <= reader.count()) {
    PbeamlStation station;
    station.so = reader.word(field, "SO");
    if (!station.so.empty() && !isStressOutputOption(station.so))
      reader.failField(field, "SO", "'" + station.so + "' must be YES or NO");
    station.x = reader.realOr(field + 1, "X/XB", 1.0);
    if (station.x <= 0 || station.x > 1)
      reader.failField(field + 1, "X/XB", "must lie in (0, 1], not " + std::string(reader.text(field + 1)));
    if (station.x <= beam.stations.back().x)
      reader.failField(field + 1, "X/XB", "must be greater than the station before it");
    for (std::size_t i = 0; i < count; ++i)
      station.dims.push_back(reader.optionalReal(field + 2 + i, dimensionName(static_cast<int>(i))));
    station.nsm = reader.optionalReal(field + 2 + count, "NSM");
    beam.stations.push_back(std::move(station));
    field += 3 + count;
  }
  beam.origin = originOf(reader.raw());
  bulk_.pbeamls.push_back(std::move(beam));
}

void BulkReader::readPbush(const CardReader& reader) {
  Pbush bush;
  bush.pid = reader.identifier(1, "PID");
  auto values = [&](std::size_t first, std::size_t count, const char* what, double fallback) {
    std::array<double, 6> read{};
    for (std::size_t i = 0; i < count; ++i) read[i] = reader.realOr(first + i, what, fallback);
    for (std::size_t i = count; i < 6; ++i)
      if (!reader.isBlank(first + i)) reader.fail(first + i, "field " + std::to_string(first + i) + " must be blank");
    return read;
  };
  // Each line: a keyword in its first data field, up to six values after it.
  for (std::size_t field = 2; field <= reader.count(); field += 8) {
    if (field > 2 && !reader.isBlank(field - 1))
      reader.fail(field - 1, "field " + std::to_string(field - 1) + " must be blank");
    std::string keyword = reader.upperText(field);
    bool lineBlank = true;
    for (std::size_t i = 0; i <= 6; ++i) lineBlank = lineBlank && reader.isBlank(field + i);
    if (lineBlank) continue;
    auto once = [&](auto& value) {
      if (value) reader.fail(field, "a second " + std::string(keyword) + " line");
    };
    if (keyword == "K") {
      once(bush.k);
      bush.k = values(field + 1, 6, "K", 0.0);
    } else if (keyword == "B") {
      once(bush.b);
      bush.b = values(field + 1, 6, "B", 0.0);
    } else if (keyword == "GE") {
      once(bush.ge);
      bush.ge = values(field + 1, 6, "GE", 0.0);
    } else if (keyword == "RCV") {
      once(bush.rcv);
      std::array<double, 6> read = values(field + 1, 4, "RCV", 1.0);
      bush.rcv = std::array<double, 4>{read[0], read[1], read[2], read[3]};
    } else if (keyword == "M") {
      once(bush.m);
      bush.m = values(field + 1, 1, "M", 0.0)[0];
    } else {
      reader.fail(field, "field " + std::to_string(field) + " ('" + std::string(keyword) +
                             "') must be one of the keywords K, B, GE, RCV and M");
    }
  }
  bush.origin = originOf(reader.raw());
  bulk_.pbushes.push_back(bush);
}

void BulkReader::readPelas(const CardReader& reader) {
  Origin origin = originOf(reader.raw());
  FieldsIn io(reader);
  for (std::size_t base : {std::size_t{0}, std::size_t{4}}) {
    if (base == 4 && reader.count() <= 4) break;
    Pelas spring;
    layout::fields(io, spring, base);
    spring.origin = origin;
    bulk_.pelas.push_back(spring);
  }
  reader.requireBlankAfter(8);
}

void BulkReader::readPshell(const CardReader& reader) { readLayout(reader, bulk_.pshells); }

void BulkReader::readPcomp(const CardReader& reader) {
  Pcomp laminate;
  laminate.global = reader.raw().name == "PCOMPG";
  laminate.pid = reader.identifier(1, "PID");
  laminate.z0 = reader.optionalReal(2, "Z0");
  laminate.nsm = reader.realOr(3, "NSM", 0.0);
  laminate.sb = reader.realOr(4, "SB", 0.0);
  laminate.ft = reader.word(5, "FT");
  laminate.tref = reader.realOr(6, "TREF", 0.0);
  laminate.ge = reader.realOr(7, "GE", 0.0);
  laminate.lam = reader.word(8, "LAM");
  // PCOMP: four fields a ply, two plies a line; PCOMPG: one ply a line, GPLYID first.
  std::size_t step = laminate.global ? 8 : 4;
  std::size_t first = laminate.global ? 1 : 0;
  for (std::size_t field = 9; field <= reader.count(); field += step) {
    bool blank = true;
    for (std::size_t i = 0; i < step; ++i) blank = blank && reader.isBlank(field + i);
    if (blank) continue;
    Ply ply;
    if (laminate.global) {
      ply.globalId = reader.identifier(field, "GPLYID");
      for (std::size_t i = 5; i < 8; ++i)
        if (!reader.isBlank(field + i)) reader.fail(field + i, "field " + std::to_string(field + i) + " must be blank");
    }
    std::optional<int> mid = reader.optionalInteger(field + first, "MID");
    std::optional<double> t = reader.optionalReal(field + first + 1, "T");
    if (laminate.plies.empty() && !mid) reader.failField(field + first, "MID", "is blank in the first ply");
    if (laminate.plies.empty() && !t) reader.failField(field + first + 1, "T", "is blank in the first ply");
    ply.mid = mid ? *mid : laminate.plies.back().mid;
    ply.t = t ? *t : laminate.plies.back().t;
    if (ply.mid <= 0) reader.failField(field + first, "MID", "must be a positive ID, not " + std::string(reader.text(field + first)));
    ply.theta = reader.realOr(field + first + 2, "THETA", 0.0);
    ply.sout = reader.word(field + first + 3, "SOUT", "NO");
    laminate.plies.push_back(std::move(ply));
  }
  if (laminate.plies.empty()) reader.fail(0, "no ply given");
  laminate.origin = originOf(reader.raw());
  bulk_.pcomps.push_back(std::move(laminate));
}

void BulkReader::readPshear(const CardReader& reader) { readLayout(reader, bulk_.pshears); }
void BulkReader::readPsolid(const CardReader& reader) { readLayout(reader, bulk_.psolids); }

void BulkReader::readMat1(const CardReader& reader) {
  const Mat1& material = readLayout(reader, bulk_.mat1s);
  if (!material.e && !material.g) reader.fail(0, "E and G are both blank");
}

void BulkReader::readMat2(const CardReader& reader) { readLayout(reader, bulk_.mat2s); }
void BulkReader::readMat8(const CardReader& reader) { readLayout(reader, bulk_.mat8s); }
void BulkReader::readMat9(const CardReader& reader) { readLayout(reader, bulk_.mat9s); }

void BulkReader::readNodalLoad(const CardReader& reader) {
  NodalLoad load;
  load.moment = reader.raw().name == "MOMENT";
  readLayout(reader, bulk_.nodalLoads, load);
}

void BulkReader::readNodalLoad1(const CardReader& reader) {
  NodalLoad1 load;
  load.moment = reader.raw().name == "MOMENT1";
  const NodalLoad1& read = readLayout(reader, bulk_.nodalLoad1s, load);
  if (read.g1 == read.g2) reader.fail(4, "G1 and G2 are the same grid: they give no direction");
}

void BulkReader::readPload(const CardReader& reader) {
  const Pload& load = readLayout(reader, bulk_.ploads);
  distinctGrids(reader, load.g.data(), 4);
}

void BulkReader::readPload1(const CardReader& reader) {
  static const char* const kTypes[] = {"FX", "FY", "FZ", "FXE", "FYE", "FZE", "MX", "MY", "MZ", "MXE", "MYE", "MZE"};
  static const char* const kScales[] = {"LE", "FR", "LEPR", "FRPR"};
  const Pload1& load = readLayout(reader, bulk_.pload1s);
  if (std::find(std::begin(kTypes), std::end(kTypes), load.type) == std::end(kTypes))
    reader.failField(3, "TYPE", "'" + load.type + "' must be one of FX, FY, FZ, FXE, FYE, FZE, MX, MY, MZ, MXE, MYE, MZE");
  if (std::find(std::begin(kScales), std::end(kScales), load.scale) == std::end(kScales))
    reader.failField(4, "SCALE", "'" + load.scale + "' must be one of LE, FR, LEPR, FRPR");
}

void BulkReader::readPload2(const CardReader& reader) {
  Pload2 load;
  load.sid = reader.identifier(1, "SID");
  load.p = reader.real(2, "P");
  if (reader.is(4, "THRU")) {
    load.thru = true;
    load.eids = {reader.identifier(3, "EID1"), reader.identifier(5, "EID2")};
    if (load.eids[1] < load.eids[0]) reader.fail(5, "THRU range ends before it starts");
    reader.requireBlankAfter(5);
  } else {
    for (std::size_t field = 3; field <= reader.count(); ++field)
      if (!reader.isBlank(field)) load.eids.push_back(reader.identifier(field, "EID"));
    if (load.eids.empty()) reader.fail(0, "no element listed");
  }
  load.origin = originOf(reader.raw());
  bulk_.pload2s.push_back(std::move(load));
}

void BulkReader::readPload4(const CardReader& reader) {
  Pload4 load;
  load.sid = reader.identifier(1, "SID");
  load.eid = reader.identifier(2, "EID");
  load.p1 = reader.real(3, "P1");
  load.p2 = reader.optionalReal(4, "P2");
  load.p3 = reader.optionalReal(5, "P3");
  load.p4 = reader.optionalReal(6, "P4");
  if (reader.is(7, "THRU")) {
    load.thru = reader.identifier(8, "EID2");
    if (*load.thru < load.eid) reader.fail(8, "THRU range ends before it starts");
  } else {
    load.g1 = reader.integerOr(7, "G1", 0);
    load.g34 = reader.integerOr(8, "G3", 0);
  }
  load.cid = reader.integerOr(9, "CID", 0);
  load.n = {reader.realOr(10, "N1", 0.0), reader.realOr(11, "N2", 0.0), reader.realOr(12, "N3", 0.0)};
  load.sorl = reader.word(13, "SORL", "SURF");
  load.ldir = reader.word(14, "LDIR", "NORM");
  reader.requireBlankAfter(14);
  load.origin = originOf(reader.raw());
  bulk_.pload4s.push_back(std::move(load));
}

void BulkReader::readGrav(const CardReader& reader) { readLayout(reader, bulk_.gravs); }

void BulkReader::readLoad(const CardReader& reader) {
  LoadCombination load;
  load.sid = reader.identifier(1, "SID");
  load.scale = reader.real(2, "S");
  for (std::size_t field = 3; field <= reader.count(); field += 2) {
    if (reader.isBlank(field) && reader.isBlank(field + 1)) continue;
    load.terms.push_back({reader.real(field, "S"), reader.identifier(field + 1, "L")});
  }
  if (load.terms.empty()) reader.fail(0, "no load set listed");
  load.origin = originOf(reader.raw());
  bulk_.loads.push_back(std::move(load));
}

void BulkReader::readTemp(const CardReader& reader) {
  int sid = reader.identifier(1, "SID");
  Origin origin = originOf(reader.raw());
  for (std::size_t field = 2; field <= 6; field += 2) {
    if (field > 2 && reader.isBlank(field) && reader.isBlank(field + 1)) continue;
    bulk_.temps.push_back({sid, reader.identifier(field, "G"), reader.real(field + 1, "T"), origin});
  }
  reader.requireBlankAfter(7);
}

void BulkReader::readTempd(const CardReader& reader) {
  Origin origin = originOf(reader.raw());
  for (std::size_t field = 1; field <= 7; field += 2) {
    if (field > 1 && reader.isBlank(field) && reader.isBlank(field + 1)) continue;
    bulk_.tempds.push_back({reader.identifier(field, "SID"), reader.real(field + 1, "T"), origin});
  }
  reader.requireBlankAfter(8);
}

void BulkReader::readSpc(const CardReader& reader) {
  std::vector<Spc>& target = reader.raw().name == "SPCD" ? bulk_.spcds : bulk_.spcs;
  int sid = reader.identifier(1, "SID");
  Origin origin = originOf(reader.raw());
  FieldsIn io(reader);
  for (std::size_t base : {std::size_t{0}, std::size_t{3}}) {
    if (base == 3 && reader.isBlank(5) && reader.isBlank(6) && reader.isBlank(7)) continue;
    Spc spc;
    spc.spcd = reader.raw().name == "SPCD";
    spc.sid = sid;
    layout::fields(io, spc, base);
    spc.origin = origin;
    target.push_back(spc);
  }
  reader.requireBlankAfter(7);
}

void BulkReader::readSpc1(const CardReader& reader) {
  Spc1 spc;
  spc.sid = reader.identifier(1, "SID");
  spc.c = reader.requiredComponents(2, "C");
  if (reader.is(4, "THRU")) {
    spc.thru = true;
    spc.grids = {reader.identifier(3, "G1"), reader.identifier(5, "G2")};
    if (spc.grids[1] < spc.grids[0]) reader.fail(5, "THRU range ends before it starts");
    reader.requireBlankAfter(5);
  } else {
    for (std::size_t field = 3; field <= reader.count(); ++field)
      if (!reader.isBlank(field)) spc.grids.push_back(reader.identifier(field, "G"));
    if (spc.grids.empty()) reader.fail(0, "no grid listed");
  }
  spc.origin = originOf(reader.raw());
  bulk_.spc1s.push_back(std::move(spc));
}

void BulkReader::readSetUnion(const CardReader& reader) {
  SetUnion sets;
  sets.mpc = reader.raw().name == "MPCADD";
  sets.sid = reader.identifier(1, "SID");
  for (std::size_t field = 2; field <= reader.count(); ++field)
    if (!reader.isBlank(field)) sets.sets.push_back(reader.identifier(field, "S"));
  if (sets.sets.empty()) reader.fail(0, "no set listed");
  sets.origin = originOf(reader.raw());
  (sets.mpc ? bulk_.mpcadds : bulk_.spcadds).push_back(std::move(sets));
}

void BulkReader::readMpc(const CardReader& reader) {
  Mpc mpc;
  mpc.sid = reader.identifier(1, "SID");
  // Two terms a line: G C A in fields 2-4 and 5-7 of the first line, 10-12 and 13-15 of the
  // next, and so on; the fields between stay blank.
  for (std::size_t line = 0; 8 * line + 1 <= reader.count(); ++line) {
    std::size_t base = 8 * line;
    if (line > 0 && !reader.isBlank(base + 1)) reader.fail(base + 1, "field " + std::to_string(base + 1) + " must be blank");
    if (!reader.isBlank(base + 8)) reader.fail(base + 8, "field " + std::to_string(base + 8) + " must be blank");
    for (std::size_t first : {base + 2, base + 5}) {
      if (reader.isBlank(first) && reader.isBlank(first + 1) && reader.isBlank(first + 2)) continue;
      mpc.terms.push_back({reader.identifier(first, "G"), reader.component(first + 1, "C"), reader.real(first + 2, "A")});
    }
  }
  if (mpc.terms.empty()) reader.fail(0, "no term given");
  mpc.origin = originOf(reader.raw());
  bulk_.mpcs.push_back(std::move(mpc));
}

void BulkReader::readParam(const CardReader& reader) {
  Param param;
  param.name = reader.word(1, "N");
  if (param.name.empty()) reader.failField(1, "N", "is blank");
  for (std::size_t field = 2; field <= reader.count(); ++field) {
    if (reader.text(field).size() > format::kLargeFieldWidth)
      reader.fail(field, "field " + std::to_string(field) + " ('" + std::string(reader.text(field)) +
                             "') is longer than a field (16 characters)");
    param.values.push_back(reader.upperText(field));
  }
  param.origin = originOf(reader.raw());
  bulk_.params.push_back(std::move(param));
}

void BulkReader::pass(const RawCard& card) {
  PassedCard passed;
  passed.name = card.name;
  passed.fields.reserve(card.count());
  for (std::size_t field = 1; field <= card.count(); ++field) passed.fields.emplace_back(card.field(field));
  for (std::string_view line : card.lines) passed.lines.emplace_back(line);
  passed.origin = originOf(card);
  bulk_.passed.push_back(std::move(passed));
}

void BulkReader::finish() {
  if (gridDefaults_) {
    for (std::size_t i = 0; i < bulk_.grids.size(); ++i) {
      Grid& grid = bulk_.grids[i];
      std::uint8_t blanks = gridBlanks_[i];
      if (blanks & kBlankCp) grid.cp = gridDefaults_->cp;
      if (blanks & kBlankCd) grid.cd = gridDefaults_->cd;
      if (blanks & kBlankPs) grid.ps = gridDefaults_->ps;
      if (blanks & kBlankSeid) grid.seid = gridDefaults_->seid;
    }
  }
  auto applyBarDefaults = [](auto& bars, const std::vector<std::uint8_t>& blanks, const BarDefaults& defaults) {
    if (!defaults.given) return;
    for (std::size_t i = 0; i < bars.size(); ++i) {
      auto& bar = bars[i];
      if ((blanks[i] & kBlankPid) && defaults.pid != 0) bar.pid = defaults.pid;
      if (blanks[i] & kBlankOrientation) bar.orientation = defaults.orientation;
      if ((blanks[i] & kBlankOfft) && !defaults.offt.empty()) bar.offt = defaults.offt;
      if constexpr (requires { bar.bit; }) {
        if ((blanks[i] & kBlankOfft) && defaults.bit) bar.bit = defaults.bit;
      }
    }
  };
  applyBarDefaults(bulk_.cbars, barBlanks_, barDefaults_);
  applyBarDefaults(bulk_.cbeams, beamBlanks_, beamDefaults_);
  gridBlanks_.clear();
  barBlanks_.clear();
  beamBlanks_.clear();
}

}  // namespace nastran
