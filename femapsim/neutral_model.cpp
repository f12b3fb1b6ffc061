#include "femapsim/neutral_model.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <unordered_map>
#include <vector>

#include "femapsim/coordinates.h"
#include "femapsim/femap_layout.h"
#include "femapsim/model_file.h"
#include "femapsim/neutral_layout.h"

namespace femapsim {
namespace {

using namespace neutral;
namespace et = element_type;

constexpr std::string_view kNull = "<NULL>";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Element types whose elements lie along a line and carry an orientation, offsets and
// releases; planar types carry a material orientation and a plate offset instead.
bool isLineType(int type) { return (type >= et::kRod && type <= et::kGap) && type != et::kDofSpring; }
bool isPlanarType(int type) { return type >= et::kShear && type <= 24; }

// One line of the file with its number and its values.
struct Record {
  int line = 0;
  std::string_view text;
  std::vector<std::string_view> fields;
};

class Reader {
 public:
  Reader(std::string_view text, std::string_view fileName, std::vector<int>* passedBlocks)
      : text_(text), fileName_(fileName), passedBlocks_(passedBlocks) {}

  Model run() {
    while (true) {
      std::string_view line;
      int number = 0;
      if (!nextLine(line, number, true)) break;
      if (trimmed(line) != "-1") fail(number, "expected \"-1\", the start of a data block, found \"" + std::string(trimmed(line)) + "\"");
      Record id = record("a data block ID");
      int block = integer(id, 0, "the data block ID");
      blockStart_ = id.line;
      readBlock(block);
    }
    finish();
    return std::move(model_);
  }

 private:
  // ------------------------------------------------------------ lines, records, values

  [[noreturn]] void fail(int line, std::string reason) const {
    throw ModelFileError(std::string(fileName_), line, std::move(reason));
  }

  bool nextLine(std::string_view& line, int& number, bool skipBlank) {
    while (position_ < text_.size()) {
      std::size_t end = text_.find('\n', position_);
      if (end == std::string_view::npos) end = text_.size();
      line = text_.substr(position_, end - position_);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      position_ = end + 1;
      number = ++lineNumber_;
      if (skipBlank && trimmed(line).empty()) continue;
      return true;
    }
    return false;
  }

  // The next line of the current block; the block may not end here.
  Record record(std::string_view what) {
    Record r;
    std::string_view line;
    if (!nextLine(line, r.line, true)) fail(lineNumber_, "the file ends inside block " + std::to_string(block_) + ", where " + std::string(what) + " was expected");
    r.text = line;
    if (trimmed(line) == "-1") fail(r.line, "block " + std::to_string(block_) + " ends where " + std::string(what) + " was expected");
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && isBlank(line[i])) ++i;
      std::size_t start = i;
      while (i < line.size() && line[i] != ',' && !isBlank(line[i])) ++i;
      std::string_view field = line.substr(start, i - start);
      while (i < line.size() && isBlank(line[i])) ++i;
      bool comma = i < line.size() && line[i] == ',';
      if (comma) ++i;
      if (field.empty()) {
        if (comma) fail(r.line, "an empty value in " + std::string(what));
        continue;
      }
      r.fields.push_back(field);
    }
    return r;
  }

  // A record of at least `count` values.
  Record values(std::size_t count, std::string_view what) {
    Record r = record(what);
    if (r.fields.size() < count) {
      fail(r.line, std::string(what) + ": " + std::to_string(count) + " values expected, found " + std::to_string(r.fields.size()));
    }
    return r;
  }

  std::string textLine(std::string_view what) {
    Record r = record(what);
    std::string_view text = trimmed(r.text);
    return text == kNull ? std::string() : std::string(text);
  }

  int integer(const Record& r, std::size_t index, std::string_view what) const {
    if (index >= r.fields.size()) fail(r.line, std::string(what) + " is missing");
    std::string_view field = r.fields[index];
    int value = 0;
    const char* first = field.data();
    if (!field.empty() && field.front() == '+') ++first;
    auto [end, error] = std::from_chars(first, field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) {
      fail(r.line, std::string(what) + " must be a whole number, found \"" + std::string(field) + "\"");
    }
    return value;
  }

  double real(const Record& r, std::size_t index, std::string_view what) const {
    if (index >= r.fields.size()) fail(r.line, std::string(what) + " is missing");
    std::string field(r.fields[index]);
    for (char& c : field) {
      if (c == 'D' || c == 'd') c = 'E';  // Fortran-style exponents
    }
    const char* first = field.data();
    if (!field.empty() && field.front() == '+') ++first;
    double value = 0;
    auto [end, error] = std::from_chars(first, field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) {
      fail(r.line, std::string(what) + " must be a number, found \"" + std::string(r.fields[index]) + "\"");
    }
    return value;
  }

  std::vector<double> reals(const Record& r, std::size_t from, std::size_t count, std::string_view what) const {
    std::vector<double> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = real(r, from + i, what);
    return out;
  }

  std::vector<int> integers(const Record& r, std::size_t from, std::size_t count, std::string_view what) const {
    std::vector<int> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = integer(r, from + i, what);
    return out;
  }

  // A count record, then the values `perRecord` to a record.
  std::vector<double> countedReals(std::size_t perRecord, std::string_view what, int limit = 100000) {
    int count = integer(values(1, what), 0, what);
    if (count < 0 || count > limit) fail(lineNumber_, std::string(what) + ": " + std::to_string(count) + " values is no count");
    std::vector<double> out;
    out.reserve(static_cast<std::size_t>(count));
    while (out.size() < static_cast<std::size_t>(count)) {
      std::size_t take = std::min(perRecord, static_cast<std::size_t>(count) - out.size());
      Record r = values(take, what);
      for (std::size_t i = 0; i < take; ++i) out.push_back(real(r, i, what));
    }
    return out;
  }

  bool atBlockEnd() {
    std::size_t saved = position_;
    int savedLine = lineNumber_;
    std::string_view line;
    int number;
    bool end = nextLine(line, number, true) && trimmed(line) == "-1";
    position_ = saved;
    lineNumber_ = savedLine;
    return end;
  }

  void expectBlockEnd() {
    std::string_view line;
    int number = lineNumber_;
    if (!nextLine(line, number, true)) fail(lineNumber_, "the file ends inside block " + std::to_string(block_) + ", which has no closing \"-1\"");
    if (trimmed(line) != "-1") fail(number, "block " + std::to_string(block_) + " should end here with \"-1\", found \"" + std::string(trimmed(line)) + "\"");
  }

  // ------------------------------------------------------------ entities

  static std::uint64_t key(Kind kind, int setId, int id) {
    return (static_cast<std::uint64_t>(static_cast<unsigned>(kind)) << 58) ^
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(setId)) << 32) ^ static_cast<std::uint32_t>(id);
  }

  void add(Kind kind, Entity entity, int line) {
    if (entity.id <= 0) fail(line, std::string(info(kind).word) + " ID " + std::to_string(entity.id) + " is not above 0");
    int setId = info(kind).inSet ? entity.integer("setID") : 0;
    auto [it, inserted] = lines_.emplace(key(kind, setId, entity.id), line);
    if (!inserted) {
      fail(line, "duplicate " + std::string(info(kind).word) + " " + std::to_string(entity.id) +
                     (setId ? " in set " + std::to_string(setId) : std::string()) + " (first on line " + std::to_string(it->second) + ")");
    }
    model_.table(kind).append(EntityTable::key(setId, entity.id), std::move(entity));
  }

  static void setIf(Entity& entity, std::string_view key, double value) {
    if (value != 0) entity.set(key, value);
  }
  static void setListIf(Entity& entity, std::string_view key, std::vector<double> values) {
    bool any = false;
    for (double v : values) any = any || v != 0;
    if (!any) return;
    while (!values.empty() && values.back() == 0) values.pop_back();
    entity.set(key, std::move(values));
  }

  // ------------------------------------------------------------ blocks

  void readBlock(int block) {
    block_ = block;
    switch (block) {
      case kHeaderBlock: readHeader(); break;
      case kNodeBlock: while (!atBlockEnd()) readNode(); break;
      case kElementBlock: while (!atBlockEnd()) readElement(); break;
      case kPropertyBlock: while (!atBlockEnd()) readProperty(); break;
      case kCoordinateBlock: while (!atBlockEnd()) readCoordinateSystem(); break;
      case kFunctionBlock: while (!atBlockEnd()) readFunction(); break;
      case kMaterialBlock: while (!atBlockEnd()) readMaterial(); break;
      case kConstraintBlock: readConstraintSet(); break;
      case kLoadBlock: readLoadSet(); break;
      case kMemberBlock: while (!atBlockEnd()) readMemberLine(); break;
      default:
        passOver();
        if (passedBlocks_) passedBlocks_->push_back(block);
        return;
    }
    expectBlockEnd();
  }

  void passOver() {
    std::string_view line;
    int number;
    while (nextLine(line, number, true)) {
      if (trimmed(line) == "-1") return;
    }
    fail(lineNumber_, "the file ends inside block " + std::to_string(block_) + " (opened on line " + std::to_string(blockStart_ - 1) + "), which has no closing \"-1\"");
  }

  void readHeader() {
    std::string title = textLine("the model's title");
    Record version = values(1, "the version");
    version_ = real(version, 0, "the version");
    if (version_ <= 0) fail(version.line, "the version must be above 0");
    if (!title.empty()) model_.header.set("title", title);
  }

  void readNode() {
    // From 4.4 a node type follows; files of that version are written with and without it.
    Record r = values(14, "a node");
    Entity node;
    node.id = integer(r, 0, "the node ID");
    setIf(node, "defCSys", integer(r, 1, "the definition system"));
    setIf(node, "outCSys", integer(r, 2, "the output system"));
    setIf(node, "layer", integer(r, 3, "the layer"));
    setIf(node, "color", integer(r, 4, "the colour"));
    std::vector<int> permanent = integers(r, 5, 6, "a permanent constraint");
    setListIf(node, "permBC", std::vector<double>(permanent.begin(), permanent.end()));
    node.set("x", real(r, 11, "x"));
    node.set("y", real(r, 12, "y"));
    node.set("z", real(r, 13, "z"));
    add(Kind::Node, std::move(node), r.line);
  }

  void readElement() {
    std::size_t headCount = version_ >= kReferenceTempVersion ? 13 : version_ >= kFormulationVersion ? 12
                            : version_ >= kGeometryVersion                                          ? 9
                                                                                                     : 8;
    Record head = values(headCount, "an element");
    Entity element;
    element.id = integer(head, 0, "the element ID");
    int type = integer(head, 3, "the element type");
    int orientId = integer(head, 6, "the orientation ID");
    bool materialOrientation = integer(head, 7, "the material orientation flag") != 0;
    setIf(element, "color", integer(head, 1, "the colour"));
    element.set("type", type);
    element.set("topology", integer(head, 4, "the topology"));
    setIf(element, "propID", integer(head, 2, "the property ID"));
    setIf(element, "layer", integer(head, 5, "the layer"));
    if (headCount >= 9) setIf(element, "geomID", integer(head, 8, "the geometry ID"));
    if (headCount >= 10) setIf(element, "formulation", integer(head, 9, "the formulation"));

    std::vector<int> nodes = integers(values(10, "nodes 1 to 10"), 0, 10, "a node");
    std::vector<int> more = integers(values(10, "nodes 11 to 20"), 0, 10, "a node");
    nodes.insert(nodes.end(), more.begin(), more.end());
    setListIf(element, "node", std::vector<double>(nodes.begin(), nodes.end()));
    std::vector<double> orient = reals(values(3, "the orientation vector"), 0, 3, "the orientation vector");
    std::vector<double> offset = reals(values(3, "the offset at end A"), 0, 3, "an offset");
    std::vector<double> offsetB = reals(values(3, "the offset at end B"), 0, 3, "an offset");
    offset.insert(offset.end(), offsetB.begin(), offsetB.end());
    bool withLists = version_ >= kNodeTypeVersion;
    Record flags = values(withLists ? 16 : 12, "the releases");
    std::vector<int> release = integers(flags, 0, 12, "a release");
    std::vector<int> lists = withLists ? integers(flags, 12, 4, "a list flag") : std::vector<int>(4, 0);

    if (isLineType(type)) {
      setListIf(element, "orient", orient);
      setIf(element, "orientID", orientId);
      setListIf(element, "offset", offset);
      setListIf(element, "release", std::vector<double>(release.begin(), release.end()));
    } else if (isPlanarType(type)) {
      if (materialOrientation) {
        element.set("MaterialOrient", 1);
        element.set("MaterialCSys", orientId);
      } else {
        setIf(element, "MaterialAngle", orient[0]);
        setIf(element, "orientID", orientId);
      }
      setIf(element, "PlateOffset", offset[0]);
    } else if (type == et::kDofSpring) {
      std::vector<double> components(2, 0.0);
      for (int end = 0; end < 2; ++end) {
        for (int dof = 0; dof < 6; ++dof) {
          if (release[static_cast<std::size_t>(6 * end + dof)]) components[static_cast<std::size_t>(end)] = dof + 1;
        }
      }
      setListIf(element, "springDOF", components);
    } else if (type == et::kRigid) {
      setIf(element, "refDOF", digitsOf(std::vector<int>(release.begin(), release.begin() + 6)));
    } else {
      setIf(element, "orientID", orientId);
    }

    if (version_ >= kNodeListVersion) {
      for (int list = 0; list < 4; ++list) {
        if (lists[static_cast<std::size_t>(list)] == 0) continue;
        readNodeList(element, list == 0 && type == et::kRigid);
      }
    }
    add(Kind::Elem, std::move(element), head.line);
  }

  // Nastran's component digits ("123456") of six DOF flags.
  static int digitsOf(const std::vector<int>& flags) {
    int digits = 0;
    for (std::size_t i = 0; i < flags.size() && i < 6; ++i) {
      if (flags[i]) digits = digits * 10 + static_cast<int>(i) + 1;
    }
    return digits;
  }

  // A list of (node, face, weight, six DOF flags) records, ended by a record whose node is -1.
  void readNodeList(Entity& element, bool keep) {
    std::vector<double> nodes, dofs, weights;
    while (true) {
      Record r = values(1, "a node of an element's list");
      int node = integer(r, 0, "a listed node");
      if (node == -1) break;
      if (r.fields.size() < 9) fail(r.line, "a node of an element's list: 9 values expected, found " + std::to_string(r.fields.size()));
      nodes.push_back(node);
      weights.push_back(real(r, 2, "a weight"));
      dofs.push_back(digitsOf(integers(r, 3, 6, "a DOF flag")));
    }
    if (!keep) return;
    element.set("nodeList", nodes);
    element.set("nodeDOF", dofs);
    if (element.integer("formulation") == formulation::kRbe3) element.set("nodeWeight", weights);
  }

  void readProperty() {
    Record head = values(6, "a property");
    Entity property;
    property.id = integer(head, 0, "the property ID");
    setIf(property, "Color", integer(head, 1, "the colour"));
    int type = integer(head, 3, "the property type");
    property.set("type", type);
    setIf(property, "matlID", integer(head, 2, "the material ID"));
    setIf(property, "layer", integer(head, 4, "the layer"));
    setIf(property, "refCS", integer(head, 5, "the reference system"));
    std::string title = textLine("the property's title");
    if (!title.empty()) property.set("title", title);
    std::vector<int> flags = integers(values(4, "the property flags"), 0, 4, "a flag");
    setListIf(property, "flag", std::vector<double>(flags.begin(), flags.end()));
    std::vector<double> lamina = countedReals(kLaminaPerRecord, "the material list");
    std::vector<double> pval = countedReals(kValuesPerRecord, "the property values");
    pval.resize(std::min<std::size_t>(pval.size(), 40));
    setListIf(property, "pval", pval);
    bool laminate = type == et::kLaminate || type == et::kLaminateParabolic;
    if (isPlanarType(type) && !laminate) {
      const char* materials[3] = {"bendMatlID", "shearMatlID", "couplingMatlID"};
      for (std::size_t i = 0; i < 3 && i < lamina.size(); ++i) {
        if (lamina[i] >= 0) property.set(materials[i], lamina[i]);  // -1: none given
      }
    }
    if (version_ >= kFormulationVersion) readOutline("the section outline");
    if (version_ >= kOutline2Version) readOutline("the second section outline");
    add(Kind::Prop, std::move(property), head.line);
  }

  void readOutline(std::string_view what) {
    int count = integer(values(1, what), 0, what);
    if (count < 0) fail(lineNumber_, std::string(what) + ": a count below 0");
    for (int i = 0; i < count; ++i) values(3, what);
  }

  void readCoordinateSystem() {
    Record head = values(5, "a coordinate system");
    RawSystem raw;
    raw.line = head.line;
    Entity system;
    system.id = integer(head, 0, "the coordinate system ID");
    raw.reference = integer(head, 1, "the reference system");
    int type = integer(head, 2, "the coordinate system type");
    if (type < 0 || type > 2) fail(head.line, "coordinate system type " + std::to_string(type) + " is not 0, 1 or 2");
    system.set("type", type);
    setIf(system, "color", integer(head, 3, "the colour"));
    setIf(system, "layer", integer(head, 4, "the layer"));
    std::string title = textLine("the coordinate system's title");
    if (!title.empty()) system.set("title", title);
    std::vector<double> origin = reals(values(3, "the origin"), 0, 3, "the origin");
    std::vector<double> angles = reals(values(3, "the rotation angles"), 0, 3, "a rotation angle");
    for (int i = 0; i < 3; ++i) {
      raw.origin[static_cast<std::size_t>(i)] = origin[static_cast<std::size_t>(i)];
      raw.angles[static_cast<std::size_t>(i)] = angles[static_cast<std::size_t>(i)];
    }
    raw.id = system.id;
    rawSystems_.push_back(raw);
    add(Kind::CSys, std::move(system), head.line);
  }

  void readFunction() {
    Record head = values(2, "a function");
    Entity function;
    function.id = integer(head, 0, "the function ID");
    function.set("type", integer(head, 1, "the function type"));
    std::string title = textLine("the function's title");
    if (!title.empty()) function.set("title", title);
    std::vector<double> x, y;
    readPoints(x, y);
    function.set("x", x);
    function.set("y", y);
    add(Kind::Func, std::move(function), head.line);
  }

  // (index, x, y) records ended by an index of -1.
  void readPoints(std::vector<double>& x, std::vector<double>& y) {
    while (true) {
      Record r = values(3, "a function point");
      if (integer(r, 0, "a point index") == -1) return;
      x.push_back(real(r, 1, "x"));
      y.push_back(real(r, 2, "y"));
    }
  }

  void readMaterial() {
    Record head = values(7, "a material");
    Entity material;
    material.id = integer(head, 0, "the material ID");
    if (integer(head, 1, "the material format") != kMaterialFormat) {
      fail(head.line, "material format " + std::string(head.fields[1]) + " is not " + std::to_string(kMaterialFormat));
    }
    setIf(material, "color", integer(head, 2, "the colour"));
    material.set("type", integer(head, 3, "the material type"));
    setIf(material, "layer", integer(head, 5, "the layer"));
    int functions = integer(head, 6, "the function count");
    std::string title = textLine("the material's title");
    if (!title.empty()) material.set("title", title);
    countedReals(10, "the material flags", 1000);
    countedReals(10, "the material integers", 1000);
    std::vector<double> mv = countedReals(10, "the material values", 1000);
    mv.resize(std::max<std::size_t>(mv.size(), 60));
    countedReals(10, "the material functions", 1000);
    countedReals(10, "the material tables", 1000);
    if (functions < 0) fail(head.line, "a function count below 0");
    for (int f = 0; f < functions; ++f) {
      values(2, "a material function");
      textLine("a material function's title");
      std::vector<double> x, y;
      readPoints(x, y);
    }
    const char* names[] = {"Ex", "Ey", "Ez", "Gx", "Gy", "Gz", "Nuxy", "Nuyz", "Nuxz"};
    for (int i = 0; i < 9; ++i) setIf(material, names[i], mv[static_cast<std::size_t>(mval::kE + i)]);
    const char* alpha[] = {"Alphaxx", "Alphayy", "Alphazz", "Alphaxy", "Alphayz", "Alphaxz"};
    const char* conductivity[] = {"Kxx", "Kyy", "Kzz", "Kxy", "Kyz", "Kxz"};
    for (int i = 0; i < 6; ++i) {
      setIf(material, alpha[i], mv[static_cast<std::size_t>(mval::kAlpha + i)]);
      setIf(material, conductivity[i], mv[static_cast<std::size_t>(mval::kConductivity + i)]);
    }
    setListIf(material, "GMatrix3D", std::vector<double>(mv.begin() + mval::kGMatrix3D, mv.begin() + mval::kGMatrix3D + 21));
    setListIf(material, "GMatrix2D", std::vector<double>(mv.begin() + mval::kGMatrix2D, mv.begin() + mval::kGMatrix2D + 6));
    const std::pair<const char*, int> scalars[] = {
        {"Cp", mval::kCp},
        {"Density", mval::kDensity},
        {"Damping", mval::kDamping},
        {"RefTemp", mval::kRefTemp},
        {"TensionLimit1", mval::kTensionLimit1},
        {"TensionLimit2", mval::kTensionLimit2},
        {"CompressionLimit1", mval::kCompressionLimit1},
        {"CompressionLimit2", mval::kCompressionLimit2},
        {"ShearLimit", mval::kShearLimit},
        {"TsaiWu", mval::kTsaiWu},
    };
    for (const auto& [name, index] : scalars) setIf(material, name, mv[static_cast<std::size_t>(index)]);
    add(Kind::Matl, std::move(material), head.line);
  }

  void readConstraintSet() {
    Record head = values(1, "a constraint set");
    Entity set;
    set.id = integer(head, 0, "the constraint set ID");
    std::string title = textLine("the constraint set's title");
    if (!title.empty()) set.set("title", title);
    int setId = set.id;
    add(Kind::BcSet, std::move(set), head.line);
    // Constraints on nodes, then on points, curves and surfaces (geometry, passed over).
    for (int list = 0; list < 4; ++list) {
      while (true) {
        Record r = values(1, "a constraint");
        int id = integer(r, 0, "a constrained entity");
        if (id == -1) break;
        if (r.fields.size() < 10) fail(r.line, "a constraint: 10 values expected, found " + std::to_string(r.fields.size()));
        if (list > 0) continue;
        Entity constraint;
        constraint.id = id;
        constraint.set("setID", setId);
        setIf(constraint, "color", integer(r, 1, "the colour"));
        setIf(constraint, "layer", integer(r, 2, "the layer"));
        std::vector<int> dof = integers(r, 3, 6, "a DOF flag");
        constraint.set("dof", std::vector<double>(dof.begin(), dof.end()));
        setIf(constraint, "expanded", integer(r, 9, "the expansion flag"));
        add(Kind::BcNode, std::move(constraint), r.line);
      }
    }
    std::vector<std::pair<Entity, int>> equations;
    while (true) {
      Record r = values(1, "a constraint equation");
      int id = integer(r, 0, "the equation ID");
      if (id == -1) break;
      if (r.fields.size() < 3) fail(r.line, "a constraint equation: 3 values expected, found " + std::to_string(r.fields.size()));
      Entity equation;
      equation.id = id;
      equation.set("setID", setId);
      setIf(equation, "color", integer(r, 1, "the colour"));
      setIf(equation, "layer", integer(r, 2, "the layer"));
      equations.emplace_back(std::move(equation), r.line);
    }
    for (auto& [equation, line] : equations) {
      Record count = values(1, "an equation's term count");
      int terms = integer(count, 0, "the term count");
      if (terms < 1 || terms > 100000) fail(count.line, "an equation with " + std::to_string(terms) + " terms");
      std::vector<double> nodes, dofs, coefficients;
      for (int t = 0; t < terms; ++t) {
        Record r = values(3, "an equation term");
        nodes.push_back(integer(r, 0, "a term's node"));
        dofs.push_back(integer(r, 1, "a term's DOF"));
        coefficients.push_back(real(r, 2, "a term's coefficient"));
      }
      equation.set("node", nodes);
      equation.set("dof", dofs);
      equation.set("coeff", coefficients);
      add(Kind::BcEqn, std::move(equation), line);
    }
  }

  void readLoadSet() {
    Record head = values(1, "a load set");
    Entity set;
    set.id = integer(head, 0, "the load set ID");
    int setId = set.id;
    std::string title = textLine("the load set's title");
    if (!title.empty()) set.set("title", title);
    bool referenceTemp = version_ >= kReferenceTempVersion;
    Record body = values(referenceTemp ? 7 : 5, "the body load switches");
    setIf(set, "BodyCSys", integer(body, 0, "the body load system"));
    setIf(set, "BodyDefTemp", real(body, 1, "the default temperature"));
    setIf(set, "BodyDefTempOn", integer(body, 2, "the temperature switch"));
    setIf(set, "BodyAccelOn", integer(body, 3, "the acceleration switch"));
    setIf(set, "BodyVelocityOn", integer(body, 4, "the rotation switch"));
    if (referenceTemp) setIf(set, "BodyRefTemp", real(body, 6, "the reference temperature"));
    std::vector<double> accel = reals(values(3, "the translational acceleration"), 0, 3, "an acceleration");
    std::vector<double> rotational = reals(values(3, "the rotational acceleration"), 0, 3, "an acceleration");
    accel.insert(accel.end(), rotational.begin(), rotational.end());
    setListIf(set, "BodyAccel", accel);
    setListIf(set, "BodyOrigin", reals(values(3, "the body load origin"), 0, 3, "the origin"));
    setListIf(set, "BodyVelocity", reals(values(3, "the rotational velocity"), 0, 3, "a velocity"));
    Record thermal = values(4, "the radiation values");
    setIf(set, "StefanBoltzmann", real(thermal, 0, "the Stefan–Boltzmann constant"));
    setIf(set, "TempOffset", real(thermal, 1, "the absolute temperature offset"));
    setIf(set, "FreeConvExponent", real(thermal, 2, "the free convection exponent"));
    setIf(set, "RadiationAmbientElem", integer(thermal, 3, "the ambient element"));
    Record fluid = values(4, "the convection fluid");
    setIf(set, "FCFluidCoductivity", real(fluid, 0, "the fluid conductivity"));
    setIf(set, "FCFluidHeatCapacity", real(fluid, 1, "the fluid heat capacity"));
    setIf(set, "FCFluidViscosity", real(fluid, 2, "the fluid viscosity"));
    setIf(set, "FCFluidDensity", real(fluid, 3, "the fluid density"));
    // Analysis values FEMAP keeps with the load set: passed over.
    const std::size_t analysisRecords[] = {4, 3, 3, 4, 3, 6, version_ >= kFormulationVersion ? 9u : 6u, 9, 8, 7, 7,
                                           version_ >= kSpectrumVersion ? 9u : version_ >= kFormulationVersion ? 8u : 5u};
    for (std::size_t count : analysisRecords) values(count, "the load set's analysis values");
    add(Kind::LoadSet, std::move(set), head.line);

    int next = 1;
    while (true) {  // structural loads, 7 records each
      Record r = values(7, "a load");
      int target = integer(r, 0, "the loaded entity");
      if (target == -1) break;
      Entity load;
      load.id = next++;
      load.set("setID", setId);
      int type = integer(r, 1, "the load type");
      load.set("meshID", target);
      load.set("type", type);
      setIf(load, "CSys", integer(r, 4, "the load's system"));
      setIf(load, "subtype", integer(r, 5, "the load's subtype"));
      std::vector<int> dofFace = integers(values(3, "the load's DOFs or face"), 0, 3, "a DOF or face");
      std::vector<double> value = reals(values(5, "the load's values"), 0, 5, "a load value");
      value.resize(4);
      load.set("value", value);
      values(5, "the load's functions");
      values(5, "the load's switches");
      values(3, "the load's direction functions");
      setListIf(load, "direction", reals(values(3, "the load's direction"), 0, 3, "a direction"));
      if (load_type::isPressure(type) || type == load_type::kDistributed) {
        setIf(load, "FaceNumber", dofFace[0]);
      } else if (load_type::isEnforcedMotion(type)) {
        setIf(load, "XOn", dofFace[0]);
        setIf(load, "YOn", dofFace[1]);
        setIf(load, "ZOn", dofFace[2]);
      }
      add(Kind::LoadMesh, std::move(load), r.line);
    }
    next = 1;
    while (true) {  // geometric loads, 19 records each
      Record r = values(7, "a geometric load");
      int target = integer(r, 0, "the loaded geometry");
      if (target == -1) break;
      Entity load;
      load.id = next++;
      load.set("setID", setId);
      load.set("geomID", target);
      load.set("type", integer(r, 1, "the load type"));
      setIf(load, "subtype", integer(r, 5, "the load's subtype"));
      std::vector<int> dofFace = integers(values(3, "the load's DOFs or face"), 0, 3, "a DOF or face");
      setIf(load, "geomType", dofFace[0]);
      std::vector<double> value = reals(values(5, "the load's values"), 0, 5, "a load value");
      value.resize(4);
      load.set("value", value);
      for (std::size_t count : {5u, 5u, 3u, 3u, 2u, 3u, 3u, 2u}) values(count, "the geometric load's values");
      textLine("the load's variable");
      textLine("the load's equation");
      for (int i = 0; i < 4; ++i) values(3, "the load's variation points");
      values(4, "the load's variation values");
      values(2, "the load's mid-side switches");
      add(Kind::LoadGeom, std::move(load), r.line);
    }
    readTemperatures(Kind::NodeTemp, setId);
    readTemperatures(Kind::ElemTemp, setId);
  }

  void readTemperatures(Kind kind, int setId) {
    int next = 1;
    while (true) {
      Record r = values(1, "a temperature");
      int target = integer(r, 0, "the heated entity");
      if (target == -1) break;
      if (r.fields.size() < 7) fail(r.line, "a temperature: 7 values expected, found " + std::to_string(r.fields.size()));
      Entity load;
      load.id = next++;
      load.set("setID", setId);
      load.set("meshID", target);
      load.set("temp", real(r, 3, "the temperature"));
      add(kind, std::move(load), r.line);
    }
  }

  // A line of the model file grammar: members for an entity the blocks above gave, or a whole
  // entity they have no place for.
  void readMemberLine() {
    std::string_view line;
    int number;
    nextLine(line, number, true);
    ParsedLine parsed = parseModelLine(line, fileName_, number);
    if (!parsed.kind) {
      for (Member& member : parsed.entity.members) model_.header.set(member.key, std::move(member.value));
      return;
    }
    Kind kind = *parsed.kind;
    int setId = info(kind).inSet ? parsed.entity.integer("setID") : 0;
    if (lines_.count(key(kind, setId, parsed.entity.id))) {
      pendingMembers_.push_back({kind, setId, number, std::move(parsed.entity)});
      return;
    }
    add(kind, std::move(parsed.entity), number);
  }

  // ------------------------------------------------------------ the whole model

  struct RawSystem {
    int id = 0, line = 0, reference = 0;
    std::array<double, 3> origin{}, angles{};
  };
  struct PendingMembers {
    Kind kind;
    int setId, line;
    Entity entity;
  };

  // A coordinate system from its origin and its rotation angles about x, y and z (degrees, in
  // that order) in its reference system, kept as the three points of a CORD2 card.
  void placeSystems() {
    EntityTable& systems = model_.table(Kind::CSys);
    std::unordered_map<int, const RawSystem*> byId;
    for (const RawSystem& raw : rawSystems_) byId[raw.id] = &raw;
    std::unordered_map<int, int> state;  // 1 placing, 2 placed
    std::function<void(const RawSystem&)> place = [&](const RawSystem& raw) {
      int& s = state[raw.id];
      if (s == 2) return;
      if (s == 1) fail(raw.line, "coordinate system " + std::to_string(raw.id) + " is defined in itself through its reference systems");
      s = 1;
      if (raw.reference != 0) {
        auto reference = byId.find(raw.reference);
        if (reference == byId.end()) {
          fail(raw.line, "coordinate system " + std::to_string(raw.id) + " refers to missing coordinate system " + std::to_string(raw.reference));
        }
        place(*reference->second);
      }
      constexpr double degree = std::numbers::pi / 180;
      double a = raw.angles[0] * degree, b = raw.angles[1] * degree, c = raw.angles[2] * degree;
      // Columns of Rz(c)·Ry(b)·Rx(a): the system's x and z axes in its reference's axes.
      std::array<double, 3> xAxis{std::cos(c) * std::cos(b), std::sin(c) * std::cos(b), -std::sin(b)};
      std::array<double, 3> zAxis{std::cos(c) * std::sin(b) * std::cos(a) + std::sin(c) * std::sin(a),
                                  std::sin(c) * std::sin(b) * std::cos(a) - std::cos(c) * std::sin(a),
                                  std::cos(b) * std::cos(a)};
      Entity* system = systems.find(raw.id);
      std::array<double, 3> origin = raw.origin;
      int reference = raw.reference;
      const Entity* referenceSystem = reference ? systems.find(reference) : nullptr;
      if (referenceSystem && referenceSystem->integer("type") != 0) {
        // A curvilinear reference: the system is placed in global coordinates instead.
        try {
          CoordinateSystems frames(model_);
          const Frame& frame = frames.frame(reference);
          origin = frames.toGlobal(reference, origin);
          xAxis = rotate(frame, xAxis);
          zAxis = rotate(frame, zAxis);
        } catch (const CoordinateError& error) {
          fail(raw.line, "coordinate system " + std::to_string(raw.id) + ": " + error.what());
        }
        reference = 0;
      }
      system->set("defCSys", reference);
      system->set("origin", std::vector<double>(origin.begin(), origin.end()));
      system->set("pointZ", std::vector<double>{origin[0] + zAxis[0], origin[1] + zAxis[1], origin[2] + zAxis[2]});
      system->set("pointXZ", std::vector<double>{origin[0] + xAxis[0], origin[1] + xAxis[1], origin[2] + xAxis[2]});
      if (reference == 0) system->erase("defCSys");
      s = 2;
    };
    for (const RawSystem& raw : rawSystems_) place(raw);
  }

  static std::array<double, 3> rotate(const Frame& frame, const std::array<double, 3>& v) {
    std::array<double, 3> out{};
    for (int axis = 0; axis < 3; ++axis) {
      for (int c = 0; c < 3; ++c) out[static_cast<std::size_t>(c)] += v[static_cast<std::size_t>(axis)] * frame.axes[static_cast<std::size_t>(axis)][static_cast<std::size_t>(c)];
    }
    return out;
  }

  void finish() {
    for (int k = 0; k < kKindCount; ++k) model_.table(static_cast<Kind>(k)).finishAppending();
    placeSystems();
    for (PendingMembers& pending : pendingMembers_) {
      Entity* entity = model_.table(pending.kind).find(pending.entity.id, pending.setId);
      for (Member& member : pending.entity.members) entity->set(member.key, std::move(member.value));
    }
    checkModelReferences(model_, fileName_, [this](Kind kind, int setId, int id) {
      auto found = lines_.find(key(kind, setId, id));
      return found == lines_.end() ? 0 : found->second;
    });
  }

  std::string_view text_;
  std::string_view fileName_;
  std::vector<int>* passedBlocks_;
  std::size_t position_ = 0;
  int lineNumber_ = 0;
  int block_ = 0;
  int blockStart_ = 0;
  double version_ = kWrittenVersion;
  Model model_;
  std::unordered_map<std::uint64_t, int> lines_;
  std::vector<RawSystem> rawSystems_;
  std::vector<PendingMembers> pendingMembers_;
};

}  // namespace

Model readNeutralModel(std::string_view text, std::string_view fileName, std::vector<int>* passedBlocks) {
  return Reader(text, fileName, passedBlocks).run();
}

}  // namespace femapsim
