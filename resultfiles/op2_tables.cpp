#include "resultfiles/op2_tables.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <map>
#include <optional>

#include "resultfiles/format_error.h"

namespace resultfiles {
namespace {

constexpr int kDeviceCode = 1;          // results as for printing: DISPLACEMENT = ALL, STRESS = ALL
constexpr int kStaticApproach = 1;
constexpr int kDisplacementTable = 1;
constexpr int kStressTable = 5;
constexpr int kRealFormat = 1;
constexpr int kStressVonMisesFibreDistance = 1;  // stress code: von Mises, fibre distances
constexpr int kGridPointType = 1;
constexpr int kDisplacementWords = 8;
constexpr int kRodWords = 5;
constexpr int kPlateWords = 17;
constexpr int kSolidHeadWords = 4;
constexpr int kSolidPointWords = 21;
constexpr std::array<Word, 7> kTrailer = {102, 0, 0, 0, 512, 0, 0};
constexpr const char* kDisplacementName = "OUGV1";
constexpr const char* kStressName = "OES1X1";

Word idWord(int id) { return intWord(id * 10 + kDeviceCode); }

Op2Ident identFor(const SubcaseResults& subcase, int tableCode, int elementType, int numWide) {
  Op2Ident ident;
  ident.setWord(1, kStaticApproach * 10 + kDeviceCode);
  ident.setWord(2, tableCode);
  ident.setWord(3, elementType);
  ident.setWord(4, subcase.subcase);
  ident.setWord(5, subcase.loadSet);
  ident.setWord(9, kRealFormat);
  ident.setWord(10, numWide);
  if (tableCode == kStressTable) ident.setWord(11, kStressVonMisesFibreDistance);
  ident.title = subcase.title;
  ident.subtitle = subcase.subtitle;
  ident.label = subcase.label;
  return ident;
}

void putFibre(std::vector<Word>& data, const PlateFibre& fibre) {
  for (float value : {fibre.distance, fibre.normalX, fibre.normalY, fibre.shearXY, fibre.angle, fibre.major,
                      fibre.minor, fibre.vonMises})
    data.push_back(realWord(value));
}

void putSolidPoint(std::vector<Word>& data, const SolidPoint& point) {
  data.push_back(intWord(point.grid));
  auto reals = [&](std::initializer_list<float> values) {
    for (float value : values) data.push_back(realWord(value));
  };
  const auto& d = point.directions;
  reals({point.normalX, point.shearXY, point.principal[0], d[0][0], d[0][1], d[0][2], point.pressure, point.vonMises});
  reals({point.normalY, point.shearYZ, point.principal[1], d[1][0], d[1][1], d[1][2]});
  reals({point.normalZ, point.shearZX, point.principal[2], d[2][0], d[2][1], d[2][2]});
}

Op2Subtable plateSubtable(const SubcaseResults& subcase, Op2ElementType type, const std::vector<PlateStress>& plates) {
  Op2Subtable subtable{identFor(subcase, kStressTable, static_cast<int>(type), kPlateWords), {}, 0, {}};
  subtable.data.reserve(plates.size() * kPlateWords);
  for (const PlateStress& plate : plates) {
    subtable.data.push_back(idWord(plate.element));
    putFibre(subtable.data, plate.bottom);
    putFibre(subtable.data, plate.top);
  }
  return subtable;
}

Op2Subtable solidSubtable(const SubcaseResults& subcase, Op2ElementType type, int corners,
                          const std::vector<SolidStress>& solids) {
  int numWide = kSolidHeadWords + kSolidPointWords * (corners + 1);
  Op2Subtable subtable{identFor(subcase, kStressTable, static_cast<int>(type), numWide), {}, 0, {}};
  subtable.data.reserve(solids.size() * static_cast<std::size_t>(numWide));
  for (const SolidStress& solid : solids) {
    // Bugs, not file faults: the writer is given a centre and every corner.
    if (solid.points.size() != static_cast<std::size_t>(corners + 1)) continue;
    subtable.data.push_back(idWord(solid.element));
    subtable.data.push_back(intWord(0));  // stress coordinate system: basic
    subtable.data.push_back(intWord(static_cast<std::int32_t>('G' | 'R' << 8 | 'I' << 16 | 'D' << 24)));
    subtable.data.push_back(intWord(corners));
    for (const SolidPoint& point : solid.points) putSolidPoint(subtable.data, point);
  }
  return subtable;
}

// Hands out the entries of a data record one at a time as the bytes of their words: in
// place where an entry lies within one block, gathered into a buffer where it straddles two.
class EntryCursor {
 public:
  EntryCursor(const std::vector<std::string_view>& blocks, std::size_t entryBytes)
      : blocks_(blocks), entryBytes_(entryBytes) {}

  // The caller asks for no more entries than the blocks hold.
  const char* next() {
    if (offset_ == blocks_[block_].size()) nextBlock();
    std::string_view block = blocks_[block_];
    if (block.size() - offset_ >= entryBytes_) {
      const char* entry = block.data() + offset_;
      offset_ += entryBytes_;
      return entry;
    }
    gathered_.resize(entryBytes_);
    for (std::size_t filled = 0; filled < entryBytes_;) {
      if (offset_ == blocks_[block_].size()) nextBlock();
      std::size_t part = std::min(entryBytes_ - filled, blocks_[block_].size() - offset_);
      std::memcpy(gathered_.data() + filled, blocks_[block_].data() + offset_, part);
      filled += part;
      offset_ += part;
    }
    return gathered_.data();
  }

 private:
  void nextBlock() {
    ++block_;
    offset_ = 0;
    assert(block_ < blocks_.size());
  }

  const std::vector<std::string_view>& blocks_;
  std::size_t entryBytes_;
  std::size_t block_ = 0;
  std::size_t offset_ = 0;
  std::string gathered_;
};

// Decodes the entries of one subtable, straight from the bytes of its data record, one entry
// at a time; `fail` names the subtable's offset.
class SubtableReader {
 public:
  SubtableReader(const Op2Subtable& subtable, const std::string& fileName, const std::string& tableName)
      : subtable_(subtable), fileName_(fileName), tableName_(tableName) {
    if (!subtable.inPlace.blocks.empty() || subtable.data.empty()) {
      blocks_ = subtable.inPlace.blocks;
      words_ = subtable.inPlace.words;
      return;
    }
    // Words held in memory: their own bytes are the file's on a little-endian machine.
    std::string_view bytes;
    if constexpr (std::endian::native == std::endian::little) {
      bytes = {reinterpret_cast<const char*>(subtable.data.data()), subtable.data.size() * sizeof(Word)};
    } else {
      for (Word word : subtable.data)
        for (int shift = 0; shift < 32; shift += 8) encoded_.push_back(static_cast<char>((word >> shift) & 0xff));
      bytes = encoded_;
    }
    blocks_.push_back(bytes);
    words_ = subtable.data.size();
  }

  // How many entries of `numWide` words the data record holds; it must be a whole number.
  // The entries are then taken in order with nextEntry().
  std::size_t entries(int numWide) {
    if (numWide <= 0 || words_ % static_cast<std::size_t>(numWide) != 0)
      fail("its data record of " + std::to_string(words_) + " words is not a whole number of entries of " +
           std::to_string(numWide) + " words");
    numWide_ = static_cast<std::size_t>(numWide);
    cursor_.emplace(blocks_, numWide_ * sizeof(Word));
    return words_ / numWide_;
  }
  void nextEntry() {
    entry_ = cursor_->next();
    firstWord_ = entriesTaken_++ * numWide_;
  }

  // Words of the current entry, counted from 0.
  float real(std::size_t word) const { return asReal(littleEndianWord(entry_ + sizeof(Word) * word)); }
  std::int32_t integer(std::size_t word) const { return asInt(littleEndianWord(entry_ + sizeof(Word) * word)); }
  int id(std::size_t word, const char* what) const {
    std::int32_t value = integer(word);
    if (value < 10) fail(std::string(what) + " " + std::to_string(value / 10) + " at word " + std::to_string(wordNumber(word)) +
                         " of the data record is no valid ID");
    return value / 10;
  }
  // Where a word of the current entry is in the data record, counted from 1.
  std::size_t wordNumber(std::size_t word) const { return firstWord_ + word + 1; }

  [[noreturn]] void fail(const std::string& reason) const {
    throw FormatError(fileName_, FormatError::Place::Byte, subtable_.offset,
                      "table " + tableName_ + ", subcase " + std::to_string(subtable_.ident.subcase()) + ": " + reason);
  }

 private:
  const Op2Subtable& subtable_;
  const std::string& fileName_;
  const std::string& tableName_;
  std::vector<std::string_view> blocks_;
  std::string encoded_;  // the words in the file's byte order, where the machine's differs
  std::size_t words_ = 0;
  std::size_t numWide_ = 0;
  std::optional<EntryCursor> cursor_;
  const char* entry_ = nullptr;
  std::size_t entriesTaken_ = 0;
  std::size_t firstWord_ = 0;
};

void readFibre(const SubtableReader& in, std::size_t first, PlateFibre& fibre) {
  fibre.distance = in.real(first);
  fibre.normalX = in.real(first + 1);
  fibre.normalY = in.real(first + 2);
  fibre.shearXY = in.real(first + 3);
  fibre.angle = in.real(first + 4);
  fibre.major = in.real(first + 5);
  fibre.minor = in.real(first + 6);
  fibre.vonMises = in.real(first + 7);
}

SolidPoint readSolidPoint(const SubtableReader& in, std::size_t first, bool centre) {
  SolidPoint point;
  point.grid = in.integer(first);
  if (centre ? point.grid != 0 : point.grid <= 0)
    in.fail("a solid's point has grid " + std::to_string(point.grid) + " at word " + std::to_string(in.wordNumber(first)) +
            (centre ? " where the centre (0) was expected" : ", which is no valid grid ID"));
  std::size_t w = first + 1;
  auto row = [&](float& normal, float& shear, int axis) {
    normal = in.real(w++);
    shear = in.real(w++);
    point.principal[axis] = in.real(w++);
    for (int k = 0; k < 3; ++k) point.directions[axis][k] = in.real(w++);
  };
  row(point.normalX, point.shearXY, 0);
  point.pressure = in.real(w++);
  point.vonMises = in.real(w++);
  row(point.normalY, point.shearYZ, 1);
  row(point.normalZ, point.shearZX, 2);
  return point;
}

void readSolids(SubtableReader& in, int numWide, int corners, std::vector<SolidStress>& out) {
  if (numWide != kSolidHeadWords + kSolidPointWords * (corners + 1))
    in.fail(std::to_string(numWide) + " words per entry, which is not the layout of this element (" +
            std::to_string(kSolidHeadWords + kSolidPointWords * (corners + 1)) + ")");
  std::size_t count = in.entries(numWide);
  out.reserve(out.size() + count);
  for (std::size_t e = 0; e < count; ++e) {
    in.nextEntry();
    SolidStress solid;
    solid.points.reserve(static_cast<std::size_t>(corners) + 1);
    solid.element = in.id(0, "element");
    if (in.integer(3) != corners)
      in.fail("element " + std::to_string(solid.element) + " gives " + std::to_string(in.integer(3)) +
              " corner grids where " + std::to_string(corners) + " were expected");
    for (int p = 0; p <= corners; ++p)
      solid.points.push_back(readSolidPoint(in, kSolidHeadWords + static_cast<std::size_t>(p) * kSolidPointWords, p == 0));
    out.push_back(std::move(solid));
  }
}

}  // namespace

PlateFibre plateFibre(double distance, double normalX, double normalY, double shearXY) {
  PlaneStressSummary summary = summarisePlaneStress(normalX, normalY, shearXY);
  return {static_cast<float>(distance),      static_cast<float>(normalX),     static_cast<float>(normalY),
          static_cast<float>(shearXY),       static_cast<float>(summary.angle), static_cast<float>(summary.major),
          static_cast<float>(summary.minor), static_cast<float>(summary.vonMises)};
}

SolidPoint solidPoint(int grid, const Tensor& stress) {
  SolidStressSummary summary = summariseSolidStress(stress);
  SolidPoint point;
  point.grid = grid;
  point.normalX = static_cast<float>(stress[0]);
  point.normalY = static_cast<float>(stress[1]);
  point.normalZ = static_cast<float>(stress[2]);
  point.shearXY = static_cast<float>(stress[3]);
  point.shearYZ = static_cast<float>(stress[4]);
  point.shearZX = static_cast<float>(stress[5]);
  for (int i = 0; i < 3; ++i) {
    point.principal[i] = static_cast<float>(summary.principal[i]);
    for (int k = 0; k < 3; ++k) point.directions[i][k] = static_cast<float>(summary.directions[i][k]);
  }
  point.pressure = static_cast<float>(summary.pressure);
  point.vonMises = static_cast<float>(summary.vonMises);
  return point;
}

bool isStaticResultsTable(std::string_view name) { return name == kDisplacementName || name == kStressName; }

Op2File makeOp2File(const std::vector<SubcaseResults>& subcases, const Op2Date& date, const std::string& label) {
  Op2File file;
  file.date = date;
  file.label = label;
  Op2Table displacements{kDisplacementName, kTrailer, {}, {}, 0};
  Op2Table stresses{kStressName, kTrailer, {}, {}, 0};
  for (const SubcaseResults& subcase : subcases) {
    Op2Subtable grids{identFor(subcase, kDisplacementTable, 0, kDisplacementWords), {}, 0, {}};
    grids.data.reserve(subcase.displacements.size() * kDisplacementWords);
    for (const GridDisplacement& row : subcase.displacements) {
      grids.data.push_back(idWord(row.grid));
      grids.data.push_back(intWord(kGridPointType));
      for (float value : row.values) grids.data.push_back(realWord(value));
    }
    displacements.subtables.push_back(std::move(grids));

    if (!subcase.rods.empty()) {
      Op2Subtable rods{identFor(subcase, kStressTable, static_cast<int>(Op2ElementType::Rod), kRodWords), {}, 0, {}};
      for (const RodStress& rod : subcase.rods) {
        rods.data.push_back(idWord(rod.element));
        for (float value : {rod.axial, rod.axialMargin, rod.torsion, rod.torsionMargin}) rods.data.push_back(realWord(value));
      }
      stresses.subtables.push_back(std::move(rods));
    }
    if (!subcase.quads.empty()) stresses.subtables.push_back(plateSubtable(subcase, Op2ElementType::Quad4, subcase.quads));
    if (!subcase.tetras.empty()) stresses.subtables.push_back(solidSubtable(subcase, Op2ElementType::Tetra, 4, subcase.tetras));
    if (!subcase.hexas.empty()) stresses.subtables.push_back(solidSubtable(subcase, Op2ElementType::Hexa, 8, subcase.hexas));
    if (!subcase.trias.empty()) stresses.subtables.push_back(plateSubtable(subcase, Op2ElementType::Tria3, subcase.trias));
  }
  file.tables.push_back(std::move(displacements));
  if (!stresses.subtables.empty()) file.tables.push_back(std::move(stresses));
  return file;
}

std::vector<SubcaseResults> readStaticResults(const Op2File& file, const std::string& fileName) {
  std::vector<SubcaseResults> result;
  std::map<int, std::size_t> bySubcase;
  auto subcaseFor = [&](const Op2Ident& ident) -> SubcaseResults& {
    auto [entry, inserted] = bySubcase.emplace(ident.subcase(), result.size());
    if (inserted) {
      SubcaseResults subcase;
      subcase.subcase = ident.subcase();
      subcase.loadSet = ident.loadSet();
      subcase.title = ident.title;
      subcase.subtitle = ident.subtitle;
      subcase.label = ident.label;
      result.push_back(std::move(subcase));
    }
    return result[entry->second];
  };
  for (const Op2Table& table : file.tables) {
    if (!isStaticResultsTable(table.name)) continue;
    bool displacementTable = table.name == kDisplacementName;
    for (const Op2Subtable& subtable : table.subtables) {
      const Op2Ident& ident = subtable.ident;
      if (ident.approachCode() != kStaticApproach || ident.sortCode() != 0 || ident.formatCode() != kRealFormat ||
          ident.thermal() != 0)
        continue;
      SubtableReader in(subtable, fileName, table.name);
      int numWide = ident.numWide();
      if (displacementTable) {
        if (ident.tableCode() != kDisplacementTable) continue;
        if (numWide != kDisplacementWords) in.fail(std::to_string(numWide) + " words per grid where 8 were expected");
        SubcaseResults& subcase = subcaseFor(ident);
        std::size_t count = in.entries(numWide);
        subcase.displacements.reserve(subcase.displacements.size() + count);
        for (std::size_t e = 0; e < count; ++e) {
          in.nextEntry();
          int grid = in.id(0, "grid");
          GridDisplacement& row = subcase.displacements.emplace_back();
          row.grid = grid;
          for (std::size_t k = 0; k < 6; ++k) row.values[k] = in.real(2 + k);
        }
        continue;
      }
      if (ident.tableCode() != kStressTable) continue;
      switch (ident.elementType()) {
        case static_cast<int>(Op2ElementType::Rod): {
          if (numWide != kRodWords) in.fail(std::to_string(numWide) + " words per CROD where 5 were expected");
          SubcaseResults& subcase = subcaseFor(ident);
          std::size_t count = in.entries(numWide);
          subcase.rods.reserve(subcase.rods.size() + count);
          for (std::size_t e = 0; e < count; ++e) {
            in.nextEntry();
            subcase.rods.push_back({in.id(0, "element"), in.real(1), in.real(2), in.real(3), in.real(4)});
          }
          break;
        }
        case static_cast<int>(Op2ElementType::Quad4):
        case static_cast<int>(Op2ElementType::Tria3): {
          // Only centre values: corner output of CQUAD4 is another element type (144).
          if (numWide != kPlateWords) in.fail(std::to_string(numWide) + " words per plate where 17 were expected");
          SubcaseResults& subcase = subcaseFor(ident);
          auto& plates = ident.elementType() == static_cast<int>(Op2ElementType::Quad4) ? subcase.quads : subcase.trias;
          std::size_t count = in.entries(numWide);
          plates.reserve(plates.size() + count);
          for (std::size_t e = 0; e < count; ++e) {
            in.nextEntry();
            int element = in.id(0, "element");
            PlateStress& plate = plates.emplace_back();
            plate.element = element;
            readFibre(in, 1, plate.bottom);
            readFibre(in, 9, plate.top);
          }
          break;
        }
        case static_cast<int>(Op2ElementType::Tetra):
          readSolids(in, numWide, 4, subcaseFor(ident).tetras);
          break;
        case static_cast<int>(Op2ElementType::Hexa):
          readSolids(in, numWide, 8, subcaseFor(ident).hexas);
          break;
        default:
          break;
      }
    }
  }
  return result;
}

std::vector<SubcaseResults> readStaticResults(std::string_view bytes, const std::string& fileName) {
  return readStaticResults(readOp2(bytes, fileName, isStaticResultsTable, Op2DataRecords::InPlace), fileName);
}

}  // namespace resultfiles
