#include "testing/neutral_model_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "femapsim/coordinates.h"
#include "femapsim/femap_layout.h"
#include "femapsim/model_file.h"
#include "femapsim/neutral_layout.h"

namespace testing_support {
namespace {

using namespace femapsim;
using namespace femapsim::neutral;
namespace et = femapsim::element_type;

bool isLineType(int type) { return type >= et::kRod && type <= et::kGap && type != et::kDofSpring; }
bool isPlanarType(int type) { return type >= et::kShear && type <= 24; }

class Writer {
 public:
  explicit Writer(const Model& model) : model_(model), systems_(model) {}

  std::string run() {
    block(kHeaderBlock);
    text(model_.header.text("title"));
    line({formatModelNumber(kWrittenVersion)});
    end();
    memberLine(std::nullopt, model_.header, {"title"});
    if (!model_.table(Kind::CSys).empty()) {
      block(kCoordinateBlock);
      for (const auto& [key, system] : model_.table(Kind::CSys).entities()) writeSystem(system);
      end();
    }
    if (!model_.table(Kind::Node).empty()) {
      block(kNodeBlock);
      for (const auto& [key, node] : model_.table(Kind::Node).entities()) writeNode(node);
      end();
    }
    if (!model_.table(Kind::Elem).empty()) {
      block(kElementBlock);
      for (const auto& [key, element] : model_.table(Kind::Elem).entities()) writeElement(element);
      end();
    }
    if (!model_.table(Kind::Prop).empty()) {
      block(kPropertyBlock);
      for (const auto& [key, property] : model_.table(Kind::Prop).entities()) writeProperty(property);
      end();
    }
    if (!model_.table(Kind::Matl).empty()) {
      block(kMaterialBlock);
      for (const auto& [key, material] : model_.table(Kind::Matl).entities()) writeMaterial(material);
      end();
    }
    if (!model_.table(Kind::Func).empty()) {
      block(kFunctionBlock);
      for (const auto& [key, function] : model_.table(Kind::Func).entities()) writeFunction(function);
      end();
    }
    for (const auto& [key, set] : model_.table(Kind::BcSet).entities()) writeConstraintSet(set);
    for (const auto& [key, set] : model_.table(Kind::LoadSet).entities()) writeLoadSet(set);
    for (Kind kind : {Kind::Layup, Kind::LoadDef, Kind::Analysis, Kind::AnalysisCase, Kind::View, Kind::DeckCard}) {
      for (const auto& [key, entity] : model_.table(kind).entities()) memberLine(kind, entity, {});
    }
    if (!members_.empty()) {
      block(kMemberBlock);
      out_ += members_;
      end();
    }
    return std::move(out_);
  }

 private:
  // ------------------------------------------------------------ records

  static std::string number(double value) { return formatModelNumber(value); }

  void line(const std::vector<std::string>& values) {
    for (const std::string& value : values) {
      out_ += value;
      out_ += ',';
    }
    out_ += "\r\n";
  }
  void numbers(const std::vector<double>& values) {
    std::vector<std::string> texts;
    for (double value : values) texts.push_back(number(value));
    line(texts);
  }
  // A text line; one that a line cannot hold as it stands is written blank-separated here and
  // exactly in the member block.
  bool text(const std::string& value) {
    std::string shown = value;
    for (char& c : shown) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    out_ += shown.empty() ? std::string("<NULL>") : shown;
    out_ += "\r\n";
    return shown == value && value != "<NULL>";
  }
  void block(int id) {
    out_ += "   -1\r\n";
    out_ += "   " + std::to_string(id) + "\r\n";
  }
  void end() { out_ += "   -1\r\n"; }

  static std::vector<double> padded(const Entity& entity, std::string_view key, std::size_t count) {
    std::vector<double> values = entity.list(key);
    values.resize(count, 0.0);
    return values;
  }

  // A value the reader sets again from a FEMAP record (it sets none that is 0).
  static bool restored(const Value& value) {
    if (const double* number = std::get_if<double>(&value)) return *number != 0;
    if (const auto* list = std::get_if<std::vector<double>>(&value)) {
      return std::any_of(list->begin(), list->end(), [](double v) { return v != 0; });
    }
    return !std::get<std::string>(value).empty();
  }

  // The members of an entity that its FEMAP records have no field for (or that are there but
  // 0, which the reader does not set), as a member line.
  void memberLine(std::optional<Kind> kind, const Entity& entity, std::set<std::string> carried, int id = 0) {
    Entity rest;
    rest.id = id ? id : entity.id;
    bool any = false;
    for (const Member& member : entity.members) {
      bool isCarried = false;
      for (const std::string& name : carried) isCarried = isCarried || support_equals(name, member.key);
      if (isCarried && restored(member.value)) continue;
      if (kind && info(*kind).inSet && support_equals(member.key, "setID")) continue;
      rest.members.push_back(member);
      any = true;
    }
    if (!any && kind) return;
    if (kind && info(*kind).inSet) rest.members.insert(rest.members.begin(), Member{"setID", entity.number("setID")});
    if (!kind) {
      if (!any) return;
      members_ += "model" + formatModelMembers(rest);
    } else {
      members_ += formatModelLine(*kind, rest);
    }
    members_ += "\r\n";
  }

  static bool support_equals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    }
    return true;
  }

  // ------------------------------------------------------------ entities

  void writeSystem(const Entity& system) {
    const Frame& frame = systems_.frame(system.id);
    const auto& x = frame.axes[0];
    const auto& y = frame.axes[1];
    const auto& z = frame.axes[2];
    constexpr double degree = std::numbers::pi / 180;
    double beta = std::asin(std::clamp(-x[2], -1.0, 1.0));
    double alpha = std::atan2(y[2], z[2]);
    double gamma = std::atan2(x[1], x[0]);
    numbers({static_cast<double>(system.id), 0, system.number("type"), system.number("color"), system.number("layer")});
    bool exactTitle = text(system.text("title"));
    numbers({frame.origin[0], frame.origin[1], frame.origin[2]});
    numbers({alpha / degree, beta / degree, gamma / degree});
    std::set<std::string> carried{"type", "color", "layer"};
    if (exactTitle) carried.insert("title");
    memberLine(Kind::CSys, system, carried);
  }

  void writeNode(const Entity& node) {
    std::vector<double> values{static_cast<double>(node.id), node.number("defCSys"), node.number("outCSys"),
                               node.number("layer"), node.number("color")};
    std::vector<double> permanent = padded(node, "permBC", 6);
    values.insert(values.end(), permanent.begin(), permanent.end());
    values.insert(values.end(), {node.number("x"), node.number("y"), node.number("z"), 0});
    numbers(values);
    memberLine(Kind::Node, node, {"x", "y", "z", "defCSys", "outCSys", "layer", "color", "permBC"});
  }

  void writeElement(const Entity& element) {
    int type = element.integer("type");
    std::set<std::string> carried{"type", "topology", "propID", "node", "color", "layer", "geomID", "formulation"};
    bool materialOrientation = isPlanarType(type) && element.integer("MaterialOrient") == 1;
    int orientId = materialOrientation ? element.integer("MaterialCSys") : element.integer("orientID");
    std::vector<double> orient(3, 0.0), offset(6, 0.0), release(12, 0.0);
    std::vector<double> list(4, 0.0);
    if (isLineType(type)) {
      orient = padded(element, "orient", 3);
      offset = padded(element, "offset", 6);
      release = padded(element, "release", 12);
      carried.insert({"orient", "orientID", "offset", "release"});
    } else if (isPlanarType(type)) {
      if (materialOrientation) {
        carried.insert({"MaterialOrient", "MaterialCSys"});
      } else {
        orient[0] = element.number("MaterialAngle");
        carried.insert({"MaterialAngle", "orientID"});
      }
      offset[0] = element.number("PlateOffset");
      carried.insert("PlateOffset");
    } else if (type == et::kDofSpring) {
      std::vector<double> components = padded(element, "springDOF", 2);
      if (components[0] >= 0 && components[0] <= 6 && components[1] >= 0 && components[1] <= 6) {
        for (int end = 0; end < 2; ++end) {
          int dof = static_cast<int>(components[static_cast<std::size_t>(end)]);
          if (dof > 0) release[static_cast<std::size_t>(6 * end + dof - 1)] = 1;
        }
        carried.insert("springDOF");
      }
      carried.insert("orientID");
    } else if (type == et::kRigid) {
      std::string digits = std::to_string(element.integer("refDOF"));
      for (char c : digits) {
        if (c >= '1' && c <= '6') release[static_cast<std::size_t>(c - '1')] = 1;
      }
      carried.insert({"refDOF", "orientID"});
    } else {
      carried.insert("orientID");
    }
    std::vector<double> listed = element.list("nodeList");
    bool rigidList = type == et::kRigid && !listed.empty();
    if (rigidList) {
      list[0] = 1;
      carried.insert({"nodeList", "nodeDOF"});
      if (element.integer("formulation") == formulation::kRbe3) carried.insert("nodeWeight");
    }
    numbers({static_cast<double>(element.id), element.number("color"), element.number("propID"), static_cast<double>(type),
             element.number("topology"), element.number("layer"), static_cast<double>(orientId),
             materialOrientation ? 1.0 : 0.0, element.number("geomID"), element.number("formulation"), 0, 0, 0});
    std::vector<double> nodes = padded(element, "node", 20);
    numbers(std::vector<double>(nodes.begin(), nodes.begin() + 10));
    numbers(std::vector<double>(nodes.begin() + 10, nodes.end()));
    numbers(orient);
    numbers(std::vector<double>(offset.begin(), offset.begin() + 3));
    numbers(std::vector<double>(offset.begin() + 3, offset.end()));
    std::vector<double> flags = release;
    flags.insert(flags.end(), list.begin(), list.end());
    numbers(flags);
    if (rigidList) {
      std::vector<double> dofs = element.list("nodeDOF");
      std::vector<double> weights = element.list("nodeWeight");
      for (std::size_t i = 0; i < listed.size(); ++i) {
        std::vector<double> record{listed[i], 0, i < weights.size() ? weights[i] : 1.0, 0, 0, 0, 0, 0, 0};
        std::string digits = std::to_string(i < dofs.size() ? static_cast<long long>(dofs[i]) : 0);
        for (char c : digits) {
          if (c >= '1' && c <= '6') record[static_cast<std::size_t>(3 + c - '1')] = 1;
        }
        numbers(record);
      }
      numbers({-1, 0, 0, 0, 0, 0, 0, 0, 0});
    }
    memberLine(Kind::Elem, element, carried);
  }

  void writeProperty(const Entity& property) {
    int type = property.integer("type");
    numbers({static_cast<double>(property.id), property.number("Color"), property.number("matlID"), static_cast<double>(type),
             property.number("layer"), property.number("refCS")});
    std::set<std::string> carried{"type", "matlID", "refCS", "Color", "layer", "flag", "pval"};
    if (text(property.text("title"))) carried.insert("title");
    numbers(padded(property, "flag", 4));
    std::vector<double> lamina;
    bool laminate = type == et::kLaminate || type == et::kLaminateParabolic;
    if (isPlanarType(type) && !laminate) {
      for (const char* name : {"bendMatlID", "shearMatlID", "couplingMatlID"}) {
        lamina.push_back(property.find(name) ? property.number(name) : -1);
        carried.insert(name);
      }
    }
    counted(lamina, kLaminaPerRecord);
    counted(padded(property, "pval", 40), kValuesPerRecord);
    numbers({0});  // outline
    numbers({0});  // second outline
    memberLine(Kind::Prop, property, carried);
  }

  void counted(const std::vector<double>& values, std::size_t perRecord) {
    numbers({static_cast<double>(values.size())});
    for (std::size_t i = 0; i < values.size(); i += perRecord) {
      numbers(std::vector<double>(values.begin() + static_cast<std::ptrdiff_t>(i),
                                  values.begin() + static_cast<std::ptrdiff_t>(std::min(values.size(), i + perRecord))));
    }
  }

  void writeMaterial(const Entity& material) {
    numbers({static_cast<double>(material.id), static_cast<double>(kMaterialFormat), material.number("color"),
             material.number("type"), 0, material.number("layer"), 0});
    std::set<std::string> carried{"type", "color", "layer"};
    if (text(material.text("title"))) carried.insert("title");
    counted(std::vector<double>(kMaterialBooleans, 0.0), 10);
    counted(std::vector<double>(kMaterialIntegers, 0.0), 10);
    std::vector<double> mv(kMaterialValues, 0.0);
    auto place = [&](const char* name, int index) {
      mv[static_cast<std::size_t>(index)] = material.number(name);
      carried.insert(name);
    };
    const char* names[] = {"Ex", "Ey", "Ez", "Gx", "Gy", "Gz", "Nuxy", "Nuyz", "Nuxz"};
    for (int i = 0; i < 9; ++i) place(names[i], mval::kE + i);
    const char* alpha[] = {"Alphaxx", "Alphayy", "Alphazz", "Alphaxy", "Alphayz", "Alphaxz"};
    const char* conductivity[] = {"Kxx", "Kyy", "Kzz", "Kxy", "Kyz", "Kxz"};
    for (int i = 0; i < 6; ++i) {
      place(alpha[i], mval::kAlpha + i);
      place(conductivity[i], mval::kConductivity + i);
    }
    std::vector<double> g3 = padded(material, "GMatrix3D", 21), g2 = padded(material, "GMatrix2D", 6);
    std::copy(g3.begin(), g3.end(), mv.begin() + mval::kGMatrix3D);
    std::copy(g2.begin(), g2.end(), mv.begin() + mval::kGMatrix2D);
    carried.insert({"GMatrix3D", "GMatrix2D"});
    place("Cp", mval::kCp);
    place("Density", mval::kDensity);
    place("Damping", mval::kDamping);
    place("RefTemp", mval::kRefTemp);
    place("TensionLimit1", mval::kTensionLimit1);
    place("TensionLimit2", mval::kTensionLimit2);
    place("CompressionLimit1", mval::kCompressionLimit1);
    place("CompressionLimit2", mval::kCompressionLimit2);
    place("ShearLimit", mval::kShearLimit);
    place("TsaiWu", mval::kTsaiWu);
    counted(mv, 10);
    counted(std::vector<double>(kMaterialFunctions, 0.0), 10);
    counted(std::vector<double>(kMaterialTables, 0.0), 10);
    memberLine(Kind::Matl, material, carried);
  }

  void writeFunction(const Entity& function) {
    numbers({static_cast<double>(function.id), function.number("type")});
    std::set<std::string> carried{"type", "x", "y"};
    if (text(function.text("title"))) carried.insert("title");
    std::vector<double> x = function.list("x"), y = function.list("y");
    for (std::size_t i = 0; i < x.size(); ++i) numbers({static_cast<double>(i), x[i], i < y.size() ? y[i] : 0});
    numbers({-1, 0, 0});
    memberLine(Kind::Func, function, carried);
  }

  void writeConstraintSet(const Entity& set) {
    block(kConstraintBlock);
    numbers({static_cast<double>(set.id)});
    std::set<std::string> carried;
    if (text(set.text("title"))) carried.insert("title");
    const EntityTable& constraints = model_.table(Kind::BcNode);
    for (const Entity* c = constraints.next(0, set.id); c; c = constraints.next(c->id, set.id)) {
      std::vector<double> record{static_cast<double>(c->id), c->number("color"), c->number("layer")};
      std::vector<double> dof = padded(*c, "dof", 6);
      record.insert(record.end(), dof.begin(), dof.end());
      record.push_back(c->number("expanded"));
      numbers(record);
      memberLine(Kind::BcNode, *c, {"dof", "color", "layer", "expanded"});
    }
    for (int list = 0; list < 4; ++list) numbers({-1, -1, -1, 0, 0, 0, 0, 0, 0, 0});  // nodes, then geometry
    const EntityTable& equations = model_.table(Kind::BcEqn);
    for (const Entity* e = equations.next(0, set.id); e; e = equations.next(e->id, set.id)) {
      numbers({static_cast<double>(e->id), e->number("color"), e->number("layer")});
    }
    numbers({-1, -1, -1});
    for (const Entity* e = equations.next(0, set.id); e; e = equations.next(e->id, set.id)) {
      std::vector<double> nodes = e->list("node"), dofs = e->list("dof"), coefficients = e->list("coeff");
      numbers({static_cast<double>(nodes.size())});
      for (std::size_t i = 0; i < nodes.size(); ++i) numbers({nodes[i], dofs[i], coefficients[i]});
      memberLine(Kind::BcEqn, *e, {"node", "dof", "coeff", "color", "layer"});
    }
    end();
    memberLine(Kind::BcSet, set, carried);
  }

  void writeLoadSet(const Entity& set) {
    block(kLoadBlock);
    numbers({static_cast<double>(set.id)});
    std::set<std::string> carried{"BodyCSys", "BodyDefTemp", "BodyDefTempOn", "BodyAccelOn", "BodyVelocityOn",
                                  "BodyRefTemp", "BodyAccel", "BodyOrigin", "BodyVelocity", "StefanBoltzmann",
                                  "TempOffset", "FreeConvExponent", "RadiationAmbientElem", "FCFluidCoductivity",
                                  "FCFluidHeatCapacity", "FCFluidViscosity", "FCFluidDensity"};
    if (text(set.text("title"))) carried.insert("title");
    numbers({set.number("BodyCSys"), set.number("BodyDefTemp"), set.number("BodyDefTempOn"), set.number("BodyAccelOn"),
             set.number("BodyVelocityOn"), 0, set.number("BodyRefTemp")});
    std::vector<double> accel = padded(set, "BodyAccel", 6);
    numbers({accel[0], accel[1], accel[2]});
    numbers({accel[3], accel[4], accel[5]});
    numbers(padded(set, "BodyOrigin", 3));
    numbers(padded(set, "BodyVelocity", 3));
    numbers({set.number("StefanBoltzmann"), set.number("TempOffset"), set.number("FreeConvExponent"),
             set.number("RadiationAmbientElem")});
    numbers({set.number("FCFluidCoductivity"), set.number("FCFluidHeatCapacity"), set.number("FCFluidViscosity"),
             set.number("FCFluidDensity")});
    for (std::size_t count : {4u, 3u, 3u, 4u, 3u, 6u, 9u, 9u, 8u, 7u, 7u, 9u}) numbers(std::vector<double>(count, 0.0));

    int position = 0;
    const EntityTable& loads = model_.table(Kind::LoadMesh);
    for (const Entity* load = loads.next(0, set.id); load; load = loads.next(load->id, set.id)) {
      int type = load->integer("type");
      std::vector<double> dofFace(3, 0.0);
      std::set<std::string> loadCarried{"meshID", "type", "subtype", "CSys", "value", "direction"};
      if (load_type::isPressure(type) || type == load_type::kDistributed) {
        dofFace[0] = load->number("FaceNumber");
        loadCarried.insert("FaceNumber");
      } else if (load_type::isEnforcedMotion(type)) {
        dofFace = {load->number("XOn"), load->number("YOn"), load->number("ZOn")};
        loadCarried.insert({"XOn", "YOn", "ZOn"});
      }
      numbers({load->number("meshID"), static_cast<double>(type), 0, 0, load->number("CSys"), load->number("subtype"), 0});
      numbers(dofFace);
      std::vector<double> value = padded(*load, "value", 4);
      value.push_back(0);
      numbers(value);
      numbers({0, 0, 0, 0, 0});
      numbers({0, 0, 0, 0, 0});
      numbers({0, 0, 0});
      numbers(padded(*load, "direction", 3));
      memberLine(Kind::LoadMesh, *load, loadCarried, ++position);
    }
    numbers({-1, -1, -1, -1, -1, -1, 0});
    position = 0;
    const EntityTable& geometric = model_.table(Kind::LoadGeom);
    for (const Entity* load = geometric.next(0, set.id); load; load = geometric.next(load->id, set.id)) {
      numbers({load->number("geomID"), load->number("type"), 0, 0, 0, load->number("subtype"), 0});
      numbers({load->number("geomType"), 0, 0});
      std::vector<double> value = padded(*load, "value", 4);
      value.push_back(0);
      numbers(value);
      for (std::size_t count : {5u, 5u, 3u, 3u, 2u, 3u, 3u, 2u}) numbers(std::vector<double>(count, 0.0));
      text("");
      text("");
      for (int i = 0; i < 4; ++i) numbers({0, 0, 0});
      numbers({0, 0, 0, 0});
      numbers({0, 0});
      memberLine(Kind::LoadGeom, *load, {"geomID", "type", "subtype", "geomType", "value"}, ++position);
    }
    numbers({-1, -1, -1, -1, -1, -1, 0});
    for (Kind kind : {Kind::NodeTemp, Kind::ElemTemp}) {
      position = 0;
      const EntityTable& temperatures = model_.table(kind);
      for (const Entity* load = temperatures.next(0, set.id); load; load = temperatures.next(load->id, set.id)) {
        numbers({load->number("meshID"), 0, 0, load->number("temp"), 0, 0, 0});
        memberLine(kind, *load, {"meshID", "temp"}, ++position);
      }
      numbers({-1, -1, -1, 0, 0, -1, 0});
    }
    end();
    memberLine(Kind::LoadSet, set, carried);
  }

  const Model& model_;
  CoordinateSystems systems_;
  std::string out_;
  std::string members_;
};

}  // namespace

std::string writeNeutralModel(const femapsim::Model& model) { return Writer(model).run(); }

}  // namespace testing_support
