#include "resultfiles/op2_tables.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <span>
#include <tuple>

#include "resultfiles/format_error.h"

namespace resultfiles {
namespace {

using namespace op2;

constexpr std::array<std::int64_t, kTrailerWords> kTrailer = {102, 0, 0, 0, 512, 0, 0};
constexpr int kVonMisesStressCode = kVonMisesBit;
constexpr int kMaxShearStressCode = 0;

// The kinds of results table read, each with the table code its subtables carry.
enum class Family { Displacement, SpcForce, Stress, CompositeStress, FailureIndex, ElementForce };

struct FamilyTables {
  Family family;
  std::span<const std::string_view> names;  // in the order of preference
  int tableCode;
};
const FamilyTables kFamilies[] = {
    {Family::Displacement, kDisplacementTables, kDisplacementTable},
    {Family::SpcForce, kSpcForceTables, kSpcForceTable},
    {Family::Stress, kStressTables, kElementStressTable},
    {Family::CompositeStress, kCompositeStressTables, kElementStressTable},
    {Family::FailureIndex, kFailureIndexTables, kFailureIndexTable},
    {Family::ElementForce, kElementForceTables, kElementForceTable},
};

struct TableRole {
  const FamilyTables* family;
  int priority;  // 0 is preferred
};
std::optional<TableRole> roleOf(std::string_view name) {
  for (const FamilyTables& family : kFamilies)
    for (std::size_t i = 0; i < family.names.size(); ++i)
      if (family.names[i] == name) return TableRole{&family, static_cast<int>(i)};
  return std::nullopt;
}

bool isElementFamily(Family family) { return family != Family::Displacement && family != Family::SpcForce; }

// Sorts entries into ascending order where a file gave them otherwise, and refuses an
// entry that stands twice.
template <typename Entry, typename Key>
void orderAndCheck(std::vector<Entry>& entries, const EntryReader& in, Key key, const char* what) {
  auto less = [&](const Entry& a, const Entry& b) { return key(a) < key(b); };
  if (!std::is_sorted(entries.begin(), entries.end(), less)) std::stable_sort(entries.begin(), entries.end(), less);
  auto twice = std::adjacent_find(entries.begin(), entries.end(),
                                  [&](const Entry& a, const Entry& b) { return key(a) == key(b); });
  if (twice != entries.end())
    in.fail(std::string(what) + " " + std::to_string(std::get<0>(key(*twice))) + " has two entries");
}

template <typename Entry>
auto elementKey(const Entry& entry) {
  return std::make_tuple(entry.element, 0);
}
auto plyKey(const PlyStress& ply) { return std::make_tuple(ply.element, ply.ply); }
auto failureKey(const PlyFailure& ply) { return std::make_tuple(ply.element, ply.ply); }

// How one element type's subtable is read into a subcase and written from one.
struct ElementKind {
  Family family;
  Op2ElementType type;
  std::size_t numWide;
  void (*read)(EntryReader& in, std::size_t count, SubcaseResults& subcase, StressMeasure measure);
  bool (*holds)(const SubcaseResults& subcase);  // whether the subcase has entries to write as this type
  void (*write)(const SubcaseResults& subcase, Op2Words& out);
  StressMeasure (*measure)(const SubcaseResults& subcase);
};

// An element type whose entries have one layout of fixed width.
template <auto List, typename Layout,
          auto Key = &elementKey<typename std::remove_reference_t<decltype(SubcaseResults{}.*List)>::value_type>>
constexpr ElementKind fixedKind(Family family, Op2ElementType type) {
  return {family,
          type,
          Layout::kWords,
          [](EntryReader& in, std::size_t count, SubcaseResults& subcase, StressMeasure measure) {
            auto& list = subcase.*List;
            list.measure = measure;
            if (!Layout::readAll(in, count, list.entries)) orderAndCheck(list.entries, in, Key, "element");
          },
          [](const SubcaseResults& subcase) { return !(subcase.*List).empty(); },
          [](const SubcaseResults& subcase, Op2Words& out) {
            for (const auto& entry : subcase.*List) Layout::write(out, entry);
          },
          [](const SubcaseResults& subcase) { return (subcase.*List).measure; }};
}

// Puts a plate list's centres, with their corners, into ascending element order where a file
// gave them otherwise, and refuses a plate that stands twice.
template <typename Centre, typename Corner>
void orderPlates(PlateList<Centre, Corner>& list, const EntryReader& in) {
  auto key = [](const Centre& centre) { return elementKey(centre); };
  if (list.cornersEach > 0) {
    std::vector<std::size_t> order(list.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return list[a].element < list[b].element; });
    std::vector<Centre> centres;
    std::vector<Corner> corners;
    centres.reserve(list.size());
    corners.reserve(list.corners.size());
    for (std::size_t i : order) {
      centres.push_back(list[i]);
      std::span<const Corner> its = list.cornersOf(i);
      corners.insert(corners.end(), its.begin(), its.end());
    }
    list.entries = std::move(centres);
    list.corners = std::move(corners);
  }
  orderAndCheck(list.entries, in, key, "element");
}

// A plate element type: its entries' centres, and `Corners` corners each (0: the centre
// alone). Where one list is written as either of two types (CQUAD4 33 and 144), the list's
// corners decide which: 4 make type 144, any other count goes to type 33, which refuses it.
constexpr std::size_t kQuadCorners = 4;
template <auto List, typename Layout, Op2ElementType Type, std::size_t Corners, bool CornersDecide>
constexpr ElementKind plateKind(Family family) {
  return {family,
          Type,
          Layout::words(Corners),
          [](EntryReader& in, std::size_t count, SubcaseResults& subcase, StressMeasure measure) {
            auto& list = subcase.*List;
            list.measure = measure;
            if (list.empty()) list.cornersEach = Corners;
            if (list.cornersEach != Corners)
              in.fail(std::string("the subcase gives ") + elementName(Type) + " entries both with corners and without");
            if (!Layout::readAll(in, count, list.entries, list.corners, Corners)) orderPlates(list, in);
          },
          [](const SubcaseResults& subcase) {
            const auto& list = subcase.*List;
            if (list.empty() || !CornersDecide) return !list.empty();
            return Corners == 0 ? list.cornersEach != kQuadCorners : list.cornersEach == Corners;
          },
          [](const SubcaseResults& subcase, Op2Words& out) {
            const auto& list = subcase.*List;
            if (list.cornersEach != Corners)
              throw std::invalid_argument(std::string(elementName(Type)) + " entries of type " +
                                          std::to_string(static_cast<int>(Type)) + " give " + std::to_string(Corners) +
                                          " corners each; the list's give " + std::to_string(list.cornersEach));
            if (list.corners.size() != list.size() * Corners)
              throw std::invalid_argument(std::string("the list of ") + elementName(Type) + " entries holds " +
                                          std::to_string(list.corners.size()) + " corners for " +
                                          std::to_string(list.size()) + " plates of " + std::to_string(Corners) +
                                          " corners");
            for (std::size_t i = 0; i < list.size(); ++i) Layout::write(out, list[i], list.cornersOf(i));
          },
          [](const SubcaseResults& subcase) { return (subcase.*List).measure; }};
}

// A solid element type: the centre and `Corners` corner points of each entry.
template <auto List, std::size_t Corners>
constexpr ElementKind solidKind(Op2ElementType type) {
  return {Family::Stress,
          type,
          SolidStressLayout::words(Corners),
          [](EntryReader& in, std::size_t count, SubcaseResults& subcase, StressMeasure measure) {
            auto& list = subcase.*List;
            list.measure = measure;
            if (!SolidStressLayout::readAll(in, count, list.entries, Corners))
              orderAndCheck(
                  list.entries, in, [](const auto& entry) { return elementKey(entry); }, "element");
          },
          [](const SubcaseResults& subcase) { return !(subcase.*List).empty(); },
          [](const SubcaseResults& subcase, Op2Words& out) {
            for (const auto& entry : subcase.*List) SolidStressLayout::write(out, entry, Corners);
          },
          [](const SubcaseResults& subcase) { return (subcase.*List).measure; }};
}

// Failure indices name their element on its first ply only.
template <auto List>
constexpr ElementKind failureKind(Op2ElementType type) {
  return {Family::FailureIndex,
          type,
          PlyFailureLayout::kWords,
          [](EntryReader& in, std::size_t count, SubcaseResults& subcase, StressMeasure) {
            auto& list = subcase.*List;
            if (!PlyFailureLayout::readAll(in, count, list.entries))
              orderAndCheck(list.entries, in, failureKey, "element");
          },
          [](const SubcaseResults& subcase) { return !(subcase.*List).empty(); },
          [](const SubcaseResults& subcase, Op2Words& out) {
            int previous = 0;
            for (const PlyFailure& ply : subcase.*List) {
              PlyFailureLayout::write(out, ply, ply.element != previous);
              previous = ply.element;
            }
          },
          [](const SubcaseResults& subcase) { return (subcase.*List).measure; }};
}

using T = Op2ElementType;
using S = SubcaseResults;

// Every element type read and written, in ascending type code within each table.
const ElementKind kElementKinds[] = {
    fixedKind<&S::rods, RodStressLayout>(Family::Stress, T::Rod),
    fixedKind<&S::beams, BeamStressLayout>(Family::Stress, T::Beam),
    fixedKind<&S::tubes, RodStressLayout>(Family::Stress, T::Tube),
    fixedKind<&S::shearPanels, ShearPanelLayout>(Family::Stress, T::ShearPanel),
    fixedKind<&S::conrods, RodStressLayout>(Family::Stress, T::Conrod),
    fixedKind<&S::springs1, SpringLayout>(Family::Stress, T::Spring1),
    fixedKind<&S::springs2, SpringLayout>(Family::Stress, T::Spring2),
    plateKind<&S::quads, PlateStressLayout, T::Quad4, 0, true>(Family::Stress),
    fixedKind<&S::bars, BarStressLayout>(Family::Stress, T::Bar),
    solidKind<&S::tetras, 4>(T::Tetra),
    plateKind<&S::quad8s, PlateStressLayout, T::Quad8, 4, false>(Family::Stress),
    solidKind<&S::hexas, 8>(T::Hexa),
    solidKind<&S::pentas, 6>(T::Penta),
    plateKind<&S::triaRs, PlateStressLayout, T::TriaR, 3, false>(Family::Stress),
    plateKind<&S::trias, PlateStressLayout, T::Tria3, 0, false>(Family::Stress),
    plateKind<&S::tria6s, PlateStressLayout, T::Tria6, 3, false>(Family::Stress),
    plateKind<&S::quadRs, PlateStressLayout, T::QuadR, 4, false>(Family::Stress),
    fixedKind<&S::bushes, BushLayout>(Family::Stress, T::Bush),
    plateKind<&S::quads, PlateStressLayout, T::Quad4Corner, 4, true>(Family::Stress),

    fixedKind<&S::quadPlies, PlyStressLayout, plyKey>(Family::CompositeStress, T::Quad4Composite),
    fixedKind<&S::triaPlies, PlyStressLayout, plyKey>(Family::CompositeStress, T::Tria3Composite),

    failureKind<&S::quadPlyFailures>(T::Quad4Composite),
    failureKind<&S::triaPlyFailures>(T::Tria3Composite),

    fixedKind<&S::rodForces, RodForceLayout>(Family::ElementForce, T::Rod),
    fixedKind<&S::beamForces, BeamForceLayout>(Family::ElementForce, T::Beam),
    fixedKind<&S::tubeForces, RodForceLayout>(Family::ElementForce, T::Tube),
    fixedKind<&S::conrodForces, RodForceLayout>(Family::ElementForce, T::Conrod),
    plateKind<&S::quadForces, PlateForceLayout, T::Quad4, 0, true>(Family::ElementForce),
    fixedKind<&S::barForces, BarForceLayout>(Family::ElementForce, T::Bar),
    plateKind<&S::triaForces, PlateForceLayout, T::Tria3, 0, false>(Family::ElementForce),
    plateKind<&S::quadForces, PlateForceLayout, T::Quad4Corner, 4, true>(Family::ElementForce),
};

const ElementKind* kindOf(Family family, int type) {
  for (const ElementKind& kind : kElementKinds)
    if (kind.family == family && static_cast<int>(kind.type) == type) return &kind;
  return nullptr;
}

// The element IDs of lists whose elements meet in one output vector, where more than one of
// them holds elements (each list on its own holds an element once).
template <typename... Lists>
std::vector<int> sharedIds(const Lists&... lists) {
  std::vector<int> ids;
  if ((0 + ... + (lists.empty() ? 0 : 1)) < 2) return ids;
  auto add = [&](const auto& list) {
    for (const auto& entry : list) ids.push_back(entry.element);
  };
  (add(lists), ...);
  return ids;
}

void checkElementsStandOnce(const SubcaseResults& s, const std::string& fileName, const std::string& writer) {
  std::vector<int> groups[] = {sharedIds(s.rods, s.conrods, s.tubes),
                               sharedIds(s.quads, s.trias, s.quad8s, s.tria6s, s.quadRs, s.triaRs),
                               sharedIds(s.tetras, s.pentas, s.hexas), sharedIds(s.springs1, s.springs2)};
  const SubcaseResults& subcase = s;
  for (std::vector<int>& ids : groups) {
    std::sort(ids.begin(), ids.end());
    auto twice = std::adjacent_find(ids.begin(), ids.end());
    if (twice != ids.end())
      throw FormatError(fileName, FormatError::Place::Whole, 0,
                        "subcase " + std::to_string(subcase.subcase) + ": element " + std::to_string(*twice) +
                            " has entries of two element types (damaged file" +
                            (writer.empty() ? "" : "; written by " + writer) + ")");
  }
}

void readGrids(EntryReader& in, std::size_t count, std::vector<GridValues>& rows) {
  if (GridLayout::readAll(in, count, rows)) return;
  orderAndCheck(
      rows, in, [](const GridValues& row) { return std::make_tuple(row.grid, 0); }, "grid");
}

Op2Ident identFor(const SubcaseResults& subcase, int tableCode, int elementType, std::size_t numWide,
                  std::optional<StressMeasure> measure) {
  Op2Ident ident;
  ident.setWord(kApproachAndDevice, kStatics * 10 + kPrintDevice);
  ident.setWord(kTableAndSort, tableCode);
  ident.setWord(kElementTypeWord, elementType);
  ident.setWord(kSubcaseWord, subcase.subcase);
  ident.setWord(kLoadSetWord, subcase.loadSet);
  ident.setWord(kFormatCodeWord, kRealFormat);
  ident.setWord(kNumWideWord, static_cast<std::int64_t>(numWide));
  if (measure)
    ident.setWord(kStressCodeWord, *measure == StressMeasure::VonMises ? kVonMisesStressCode : kMaxShearStressCode);
  ident.title = subcase.title;
  ident.subtitle = subcase.subtitle;
  ident.label = subcase.label;
  return ident;
}

Op2Subtable gridSubtable(const SubcaseResults& subcase, int tableCode, const std::vector<GridValues>& rows,
                         std::size_t wordBytes) {
  Op2Words words(wordBytes);
  words.reserve(rows.size() * GridLayout::kWords);
  for (const GridValues& row : rows) GridLayout::write(words, row);
  return {.ident = identFor(subcase, tableCode, 0, GridLayout::kWords, std::nullopt), .data = words.take()};
}

// The subtables of one subcase: which subtable of the file gives each of its results.
struct Source {
  int priority = 0;
  const Op2Table* table = nullptr;
  const Op2Subtable* subtable = nullptr;
  const FamilyTables* family = nullptr;
  const ElementKind* kind = nullptr;  // null for grid tables
};

}  // namespace

bool isStaticResultsTable(std::string_view name) { return roleOf(name).has_value(); }

Op2Results readOp2Results(const Op2File& file, const std::string& fileName) {
  Op2Results results;
  results.writer = describeWriter(file);
  using Target = std::pair<int, int>;                        // subcase, occurrence
  std::map<std::tuple<std::string, int, int>, int> counted;  // table, subcase, element type -> subtables so far
  std::map<std::tuple<int, int, Family, int>, Source> sources;
  std::map<Target, std::size_t> firstSeen;
  std::map<int, std::size_t> subcaseFirstSeen;
  std::size_t order = 0;
  for (const Op2Table& table : file.tables) {
    std::optional<TableRole> role = roleOf(table.name);
    if (!role || table.matrix) continue;
    results.anyResultsTable = true;
    Family family = role->family->family;
    for (const Op2Subtable& subtable : table.subtables) {
      const Op2Ident& ident = subtable.ident;
      if (ident.approachCode() != kStatics) {
        if (std::find(results.otherApproachCodes.begin(), results.otherApproachCodes.end(), ident.approachCode()) ==
            results.otherApproachCodes.end())
          results.otherApproachCodes.push_back(ident.approachCode());
        continue;
      }
      if (ident.sortCode() != kSort1Real || ident.formatCode() != kRealFormat || ident.thermal() != 0 ||
          ident.tableCode() != role->family->tableCode)
        continue;
      if ((family == Family::Stress || family == Family::CompositeStress) && (ident.stressCode() & kStrainBit))
        continue;
      const ElementKind* kind = nullptr;
      int type = 0;
      if (isElementFamily(family)) {
        type = ident.elementType();
        kind = kindOf(family, type);
        if (!kind) continue;
      }
      int occurrence = ++counted[{table.name, ident.subcase(), type}];
      Source source{role->priority, &table, &subtable, role->family, kind};
      auto [found, inserted] = sources.emplace(std::make_tuple(ident.subcase(), occurrence, family, type), source);
      if (!inserted && source.priority < found->second.priority) found->second = source;
      firstSeen.emplace(Target{ident.subcase(), occurrence}, order);
      subcaseFirstSeen.emplace(ident.subcase(), order);
      ++order;
    }
  }

  // The subcases: each subcase's first table, in the order of the file, then the later ones.
  std::vector<Target> targets;
  for (const auto& [target, seen] : firstSeen) targets.push_back(target);
  std::sort(targets.begin(), targets.end(), [&](const Target& a, const Target& b) {
    return std::make_pair(a.second, subcaseFirstSeen[a.first]) < std::make_pair(b.second, subcaseFirstSeen[b.first]);
  });
  std::map<int, int> occurrences;
  for (const Target& target : targets) occurrences[target.first] = std::max(occurrences[target.first], target.second);
  std::map<Target, std::size_t> index;
  for (const Target& target : targets) {
    index[target] = results.subcases.size();
    SubcaseResults subcase;
    subcase.subcase = target.first;
    subcase.occurrence = target.second;
    subcase.occurrences = occurrences[target.first];
    results.subcases.push_back(std::move(subcase));
  }
  std::vector<bool> named(results.subcases.size(), false);  // title and load set taken from the first subtable

  // The entries, subtable by subtable in the order of the file.
  std::vector<std::pair<const Op2Subtable*, std::tuple<int, int, Family, int>>> inFileOrder;
  for (const auto& [key, source] : sources) inFileOrder.emplace_back(source.subtable, key);
  std::stable_sort(inFileOrder.begin(), inFileOrder.end(),
                   [](const auto& a, const auto& b) { return a.first->offset < b.first->offset; });
  for (const auto& [subtablePointer, key] : inFileOrder) {
    const Source& source = sources.at(key);
    const Op2Ident& ident = source.subtable->ident;
    std::size_t at = index.at({std::get<0>(key), std::get<1>(key)});
    SubcaseResults& subcase = results.subcases[at];
    if (!named[at]) {
      named[at] = true;
      subcase.loadSet = ident.loadSet();
      subcase.title = ident.title;
      subcase.subtitle = ident.subtitle;
      subcase.label = ident.label;
    }
    EntryReader in(*source.subtable, file.form.wordBytes, fileName, source.table->name, results.writer);
    std::size_t numWide = source.kind ? source.kind->numWide : GridLayout::kWords;
    if (ident.numWide() != static_cast<std::int64_t>(numWide))
      in.fail(std::to_string(ident.numWide()) + " words per " +
              (source.kind ? std::string(elementName(source.kind->type)) + " entry" : std::string("grid")) + " where " +
              std::to_string(numWide) + " were expected");
    std::size_t count = in.entries(numWide);
    if (!source.kind) {
      readGrids(in, count, source.family->family == Family::Displacement ? subcase.displacements : subcase.spcForces);
      continue;
    }
    StressMeasure measure = ident.stressCode() & kVonMisesBit ? StressMeasure::VonMises : StressMeasure::MaxShear;
    source.kind->read(in, count, subcase, measure);
  }
  for (const SubcaseResults& subcase : results.subcases) checkElementsStandOnce(subcase, fileName, results.writer);
  return results;
}

Op2Results readOp2Results(std::string_view bytes, const std::string& fileName) {
  return readOp2Results(readOp2(bytes, fileName, isStaticResultsTable, Op2DataRecords::InPlace), fileName);
}

std::vector<SubcaseResults> readStaticResults(const Op2File& file, const std::string& fileName) {
  return readOp2Results(file, fileName).subcases;
}

std::vector<SubcaseResults> readStaticResults(std::string_view bytes, const std::string& fileName) {
  return readOp2Results(bytes, fileName).subcases;
}

std::string whyNoStaticResults(const Op2Results& results) {
  if (!results.otherApproachCodes.empty()) {
    std::string held;
    for (std::size_t i = 0; i < results.otherApproachCodes.size(); ++i) {
      int code = results.otherApproachCodes[i];
      if (i > 0) held += i + 1 == results.otherApproachCodes.size() ? " and " : ", ";
      held += std::string(approachDescription(code)) + " (approach code " + std::to_string(code) + ")";
    }
    return "the file holds " + held + ", and only linear static results are read";
  }
  if (!results.anyResultsTable) {
    std::string names;
    for (const FamilyTables& family : kFamilies)
      for (std::string_view name : family.names) names += (names.empty() ? "" : ", ") + std::string(name);
    return "the file holds no results table that is read (" + names + ")";
  }
  return "the file's results tables hold no linear static results of the kinds read";
}

Op2File makeOp2File(const std::vector<SubcaseResults>& subcases, const Op2WriteOptions& options) {
  Op2File file{.form = options.form, .date = options.date, .label = options.label, .tables = {}};
  std::size_t wordBytes = options.form.wordBytes;
  Op2Table displacements{.name = options.displacementTable, .trailer = kTrailer};
  for (const SubcaseResults& subcase : subcases)
    displacements.subtables.push_back(gridSubtable(subcase, kDisplacementTable, subcase.displacements, wordBytes));
  file.tables.push_back(std::move(displacements));

  Op2Table spcForces{.name = options.spcForceTable, .trailer = kTrailer};
  for (const SubcaseResults& subcase : subcases)
    if (!subcase.spcForces.empty())
      spcForces.subtables.push_back(gridSubtable(subcase, kSpcForceTable, subcase.spcForces, wordBytes));
  if (!spcForces.subtables.empty()) file.tables.push_back(std::move(spcForces));

  const std::pair<Family, const std::string*> elementTables[] = {
      {Family::Stress, &options.stressTable},
      {Family::CompositeStress, &options.compositeStressTable},
      {Family::FailureIndex, &options.failureIndexTable},
      {Family::ElementForce, &options.elementForceTable},
  };
  for (const auto& [family, name] : elementTables) {
    Op2Table table{.name = *name, .trailer = kTrailer};
    int tableCode = 0;
    for (const FamilyTables& tables : kFamilies)
      if (tables.family == family) tableCode = tables.tableCode;
    bool stresses = family == Family::Stress || family == Family::CompositeStress;
    for (const SubcaseResults& subcase : subcases) {
      for (const ElementKind& kind : kElementKinds) {
        if (kind.family != family || !kind.holds(subcase)) continue;
        Op2Words words(wordBytes);
        kind.write(subcase, words);
        std::optional<StressMeasure> measure;
        if (stresses) measure = kind.measure(subcase);
        table.subtables.push_back(
            {.ident = identFor(subcase, tableCode, static_cast<int>(kind.type), kind.numWide, measure),
             .data = words.take()});
      }
    }
    if (!table.subtables.empty()) file.tables.push_back(std::move(table));
  }
  return file;
}

Op2File makeOp2File(const std::vector<SubcaseResults>& subcases, const Op2Date& date, const std::string& label) {
  Op2WriteOptions options;
  options.date = date;
  options.label = label;
  return makeOp2File(subcases, options);
}

}  // namespace resultfiles
