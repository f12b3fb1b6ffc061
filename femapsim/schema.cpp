#include "femapsim/schema.h"

#include <array>

#include "support/strings.h"

namespace femapsim {
namespace {

using V = ValueType;

constexpr MemberInfo kCSys[] = {
    {"title", V::Text, 0}, {"type", V::Int, 0}, {"defCSys", V::Int, 0},
    {"origin", V::Real, 3}, {"pointZ", V::Real, 3}, {"pointXZ", V::Real, 3},
    {"defNode", V::Int, 3}, {"color", V::Int, 0}, {"layer", V::Int, 0},
};
constexpr MemberInfo kNode[] = {
    {"x", V::Real, 0}, {"y", V::Real, 0}, {"z", V::Real, 0}, {"defCSys", V::Int, 0},
    {"outCSys", V::Int, 0}, {"color", V::Int, 0}, {"layer", V::Int, 0},
    {"localXYZ", V::Real, 3}, {"permBC", V::Int, 6},
};
constexpr MemberInfo kElem[] = {
    {"type", V::Int, 0}, {"topology", V::Int, 0}, {"propID", V::Int, 0},
    {"node", V::Int, 20}, {"orient", V::Real, 3}, {"MaterialAngle", V::Real, 0},
    {"PlateOffset", V::Real, 0}, {"geomID", V::Int, 0}, {"orientID", V::Int, 0},
    {"color", V::Int, 0}, {"layer", V::Int, 0},
    {"offset", V::Real, 6}, {"release", V::Int, 12}, {"offsetType", V::Text, 0},
    {"formulation", V::Int, 0}, {"MaterialCSys", V::Int, 0}, {"MaterialOrient", V::Int, 0},
    {"thickness", V::Real, 4}, {"nodeList", V::Int, kOpenList}, {"nodeDOF", V::Int, kOpenList},
    {"nodeWeight", V::Real, kOpenList}, {"refDOF", V::Int, 0}, {"alpha", V::Real, 0},
    {"springDOF", V::Int, 2}, {"orientCSys", V::Int, 0},
};
constexpr MemberInfo kProp[] = {
    {"title", V::Text, 0}, {"type", V::Int, 0}, {"matlID", V::Int, 0},
    {"pval", V::Real, 40}, {"Color", V::Int, 0}, {"layer", V::Int, 0}, {"refCS", V::Int, 0},
    {"flag", V::Int, 4}, {"layupID", V::Int, 0}, {"bendMatlID", V::Int, 0},
    {"shearMatlID", V::Int, 0}, {"couplingMatlID", V::Int, 0}, {"shape", V::Int, 0},
    {"shapeDim", V::Real, kOpenList}, {"stationX", V::Real, kOpenList},
    {"stationValues", V::Real, kOpenList}, {"stationOutput", V::Int, kOpenList},
    {"beamExtra", V::Real, 8},
};
constexpr MemberInfo kLayup[] = {
    {"title", V::Text, 0}, {"matlID", V::Int, kOpenList}, {"thickness", V::Real, kOpenList},
    {"angle", V::Real, kOpenList}, {"plyOutput", V::Int, kOpenList},
    {"globalPly", V::Int, kOpenList},
};
constexpr MemberInfo kMatl[] = {
    {"title", V::Text, 0}, {"type", V::Int, 0}, {"color", V::Int, 0}, {"layer", V::Int, 0},
    {"Ex", V::Real, 0}, {"Ey", V::Real, 0}, {"Ez", V::Real, 0}, {"Gx", V::Real, 0},
    {"Gy", V::Real, 0}, {"Gz", V::Real, 0}, {"Nuxy", V::Real, 0}, {"Nuyz", V::Real, 0},
    {"Nuxz", V::Real, 0}, {"Alphaxx", V::Real, 0}, {"Alphayy", V::Real, 0},
    {"Alphazz", V::Real, 0}, {"Alphaxy", V::Real, 0}, {"Alphayz", V::Real, 0},
    {"Alphaxz", V::Real, 0}, {"Kxx", V::Real, 0}, {"Kyy", V::Real, 0}, {"Kzz", V::Real, 0},
    {"Kxy", V::Real, 0}, {"Kyz", V::Real, 0}, {"Kxz", V::Real, 0}, {"Cp", V::Real, 0},
    {"Density", V::Real, 0}, {"Damping", V::Real, 0}, {"RefTemp", V::Real, 0},
    {"TensionLimit1", V::Real, 0}, {"TensionLimit2", V::Real, 0},
    {"CompressionLimit1", V::Real, 0}, {"CompressionLimit2", V::Real, 0},
    {"ShearLimit", V::Real, 0}, {"TsaiWu", V::Real, 0},
    {"GMatrix2D", V::Real, 6}, {"GMatrix3D", V::Real, 21},
};
constexpr MemberInfo kFunc[] = {
    {"title", V::Text, 0}, {"type", V::Int, 0}, {"x", V::Real, kOpenList},
    {"y", V::Real, kOpenList},
};
constexpr MemberInfo kLoadSet[] = {
    {"title", V::Text, 0}, {"BodyAccel", V::Real, 6}, {"BodyVelocity", V::Real, 3},
    {"BodyOrigin", V::Real, 3}, {"BodyDefTemp", V::Real, 0}, {"BodyRefTemp", V::Real, 0},
    {"StefanBoltzmann", V::Real, 0}, {"RadiationAmbientElem", V::Real, 0},
    {"TempOffset", V::Real, 0}, {"FreeConvExponent", V::Real, 0},
    {"FCFluidCoductivity", V::Real, 0}, {"FCFluidHeatCapacity", V::Real, 0},
    {"FCFluidViscosity", V::Real, 0}, {"FCFluidDensity", V::Real, 0},
    {"BodyAccelOn", V::Int, 0}, {"BodyDefTempOn", V::Int, 0}, {"BodyCSys", V::Int, 0},
    {"LoadCombineSet", V::Int, kOpenList}, {"LoadCombineScale", V::Real, kOpenList},
    {"LoadCombineFactor", V::Real, 0},
};
constexpr MemberInfo kLoadDef[] = {
    {"setID", V::Int, 0}, {"title", V::Text, 0}, {"loadType", V::Int, 0},
    {"dataType", V::Int, 0},
};
constexpr MemberInfo kLoadMesh[] = {
    {"setID", V::Int, 0}, {"LoadDefinitionID", V::Int, 0}, {"meshID", V::Int, 0},
    {"type", V::Int, 0}, {"subtype", V::Int, 0}, {"value", V::Real, 4},
    {"FaceNumber", V::Int, 0}, {"CSys", V::Int, 0}, {"direction", V::Real, 3},
    {"XOn", V::Int, 0}, {"YOn", V::Int, 0}, {"ZOn", V::Int, 0},
};
constexpr MemberInfo kLoadGeom[] = {
    {"setID", V::Int, 0}, {"LoadDefinitionID", V::Int, 0}, {"geomID", V::Int, 0},
    {"geomType", V::Int, 0}, {"type", V::Int, 0}, {"subtype", V::Int, 0},
    {"value", V::Real, 4},
};
constexpr MemberInfo kTemperature[] = {
    {"setID", V::Int, 0}, {"LoadDefinitionID", V::Int, 0}, {"meshID", V::Int, 0},
    {"temp", V::Real, 0}, {"phase", V::Real, 0},
};
constexpr MemberInfo kTitled[] = {{"title", V::Text, 0}};
constexpr MemberInfo kBcSet[] = {
    {"title", V::Text, 0}, {"SPCAddSet", V::Int, kOpenList}, {"MPCAddSet", V::Int, kOpenList},
};
constexpr MemberInfo kBcNode[] = {
    {"setID", V::Int, 0}, {"dof", V::Int, 6}, {"color", V::Int, 0}, {"layer", V::Int, 0},
    {"expanded", V::Int, 0}, {"enforced", V::Real, 6},
};
constexpr MemberInfo kBcEqn[] = {
    {"setID", V::Int, 0}, {"node", V::Int, kOpenList}, {"dof", V::Int, kOpenList},
    {"coeff", V::Real, kOpenList}, {"color", V::Int, 0}, {"layer", V::Int, 0},
};
constexpr MemberInfo kOutVec[] = {
    {"setID", V::Int, 0}, {"title", V::Text, 0}, {"entity", V::Int, kOpenList},
    {"value", V::Real, kOpenList},
};
constexpr MemberInfo kAnalysis[] = {
    {"title", V::Text, 0}, {"Solver", V::Int, 0}, {"AnalysisType", V::Int, 0},
    {"SkipStandard", V::Int, 0}, {"NasExecOn", V::Int, 0}, {"NasExecSkipStandard", V::Int, 0},
    {"NasBulkOn", V::Int, 0}, {"NasBulkGroupID", V::Int, 0}, {"NasBulkLargeField", V::Int, 0},
    {"NasSol", V::Text, 0}, {"NasExecText", V::Text, 0}, {"NasCaseText", V::Text, 0},
};
constexpr MemberInfo kAnalysisCase[] = {
    {"setID", V::Int, 0}, {"title", V::Text, 0}, {"label", V::Text, 0},
    {"LoadSetID", V::Int, 0}, {"BCSetID", V::Int, 0}, {"MPCSetID", V::Int, 0},
    {"TempSetID", V::Int, 0}, {"TempInitSetID", V::Int, 0}, {"caseText", V::Text, 0},
};
constexpr MemberInfo kDeckCard[] = {{"text", V::Text, 0}};
constexpr MemberInfo kModel[] = {
    {"title", V::Text, 0}, {"activeLoadSet", V::Int, 0}, {"activeBCSet", V::Int, 0},
    {"activeOutputSet", V::Int, 0}, {"activeAnalysisSet", V::Int, 0},
};

struct KindEntry {
  KindInfo info;
  std::span<const MemberInfo> members;
};

constexpr std::array<KindEntry, kKindCount> kKinds = {{
    {{Kind::CSys, "csys", "CSys", 0, false, 0}, kCSys},
    {{Kind::Node, "node", "Node", 7, false, 0}, kNode},
    {{Kind::Elem, "elem", "Elem", 8, false, 0}, kElem},
    {{Kind::Prop, "prop", "Prop", 11, false, 0}, kProp},
    {{Kind::Layup, "layup", "Layup", 0, false, 0}, kLayup},
    {{Kind::Matl, "matl", "Matl", 10, false, 0}, kMatl},
    {{Kind::Func, "func", "Function", 27, false, 0}, kFunc},
    {{Kind::LoadSet, "loadset", "LoadSet", 12, false, 0}, kLoadSet},
    {{Kind::LoadDef, "loaddef", "LoadDefinition", 46, true, 12}, kLoadDef},
    {{Kind::LoadMesh, "loadmesh", "LoadMesh", 0, true, 12}, kLoadMesh},
    {{Kind::LoadGeom, "loadgeom", "LoadGeom", 0, true, 12}, kLoadGeom},
    {{Kind::ElemTemp, "elemtemp", "LoadETemp", 0, true, 12}, kTemperature},
    {{Kind::NodeTemp, "nodetemp", "LoadNTemp", 0, true, 12}, kTemperature},
    {{Kind::BcSet, "bcset", "BCSet", 13, false, 0}, kBcSet},
    {{Kind::BcNode, "bcnode", "BCNode", 0, true, 13}, kBcNode},
    {{Kind::BcEqn, "bceqn", "BCEqn", 0, true, 13}, kBcEqn},
    {{Kind::OutSet, "outset", "OutputSet", 28, false, 0}, kTitled},
    {{Kind::OutVec, "outvec", "Output", 29, true, 28}, kOutVec},
    {{Kind::Analysis, "analysis", "AnalysisSet", 60, false, 0}, kAnalysis},
    {{Kind::AnalysisCase, "analysiscase", "AnalysisCase", 0, true, 60}, kAnalysisCase},
    {{Kind::View, "view", "View", 0, false, 0}, kTitled},
    {{Kind::DeckCard, "deckcard", "DeckCard", 0, false, 0}, kDeckCard},
}};

}  // namespace

const KindInfo& info(Kind kind) { return kKinds[static_cast<int>(kind)].info; }

std::span<const MemberInfo> membersOf(Kind kind) { return kKinds[static_cast<int>(kind)].members; }

std::span<const MemberInfo> modelMembers() { return kModel; }

const MemberInfo* findMember(Kind kind, std::string_view name) {
  for (const MemberInfo& member : membersOf(kind)) {
    if (support::equalsIgnoreCase(member.name, name)) return &member;
  }
  return nullptr;
}

std::optional<Kind> kindFromWord(std::string_view word) {
  for (const KindEntry& entry : kKinds) {
    if (entry.info.word == word) return entry.info.kind;
  }
  return std::nullopt;
}

std::optional<Kind> kindFromObjectKind(std::string_view objectKind) {
  for (const KindEntry& entry : kKinds) {
    if (support::equalsIgnoreCase(entry.info.objectKind, objectKind)) return entry.info.kind;
  }
  return std::nullopt;
}

std::optional<Kind> kindFromEntityType(int entityType) {
  if (entityType == 0) return std::nullopt;
  for (const KindEntry& entry : kKinds) {
    if (entry.info.entityType == entityType) return entry.info.kind;
  }
  return std::nullopt;
}

}  // namespace femapsim
