#pragma once
// The kinds of entity the simulated FEMAP keeps, and the members each kind declares. Every
// declared member exists on every entity of its kind (0 or empty until set); entities may
// carry further members read from a model file, which are kept and written back.

#include <optional>
#include <span>
#include <string_view>

namespace femapsim {

// In the order a model file lists them.
enum class Kind {
  CSys, Node, Elem, Prop, Layup, Matl, Func, LoadSet, LoadDef, LoadMesh, LoadGeom, ElemTemp,
  NodeTemp, BcSet, BcNode, BcEqn, OutSet, OutVec, Analysis, AnalysisCase, View, DeckCard,
};
inline constexpr int kKindCount = static_cast<int>(Kind::DeckCard) + 1;

enum class ValueType { Int, Real, Text };

struct MemberInfo {
  std::string_view name;
  ValueType type;
  int size;  // 0: scalar; n > 0: array of n values; kOpenList: a list of any length
};
inline constexpr int kOpenList = -1;

struct KindInfo {
  Kind kind;
  std::string_view word;        // the word that starts its lines in a model file
  std::string_view objectKind;  // the automation object kind ("fe" + objectKind creates one)
  int entityType;               // FEMAP entity type code, 0 when the system never uses one
  bool inSet;                   // IDs are unique within the set named by the member setID
  int setType;                  // for kinds in sets: the entity type code of their sets
};

const KindInfo& info(Kind kind);
std::span<const MemberInfo> membersOf(Kind kind);
// Declared member by name, without regard to letter case; nullptr when not declared.
const MemberInfo* findMember(Kind kind, std::string_view name);
std::optional<Kind> kindFromWord(std::string_view word);           // exact file word
std::optional<Kind> kindFromObjectKind(std::string_view objectKind);  // without regard to case
std::optional<Kind> kindFromEntityType(int entityType);

// Members of the model line (title, active IDs).
std::span<const MemberInfo> modelMembers();

}  // namespace femapsim
