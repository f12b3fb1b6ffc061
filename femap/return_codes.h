#pragma once
// FEMAP's return codes. Anything that is not one of these is a failure.

namespace femap {

inline constexpr int kOk = -1;        // success
inline constexpr int kCancel = 2;     // the engineer cancelled a dialog
inline constexpr int kNotExist = 4;   // nothing of that kind in the model
inline constexpr int kFail = 0;       // a failure without a more specific code

// Entity type codes used by the system.
inline constexpr int kNodeType = 7;
inline constexpr int kElementType = 8;
inline constexpr int kMaterialType = 10;
inline constexpr int kPropertyType = 11;
inline constexpr int kLoadSetType = 12;
inline constexpr int kConstraintSetType = 13;
inline constexpr int kOutputSetType = 28;
inline constexpr int kOutputVectorType = 29;
inline constexpr int kLoadDefinitionType = 46;
inline constexpr int kAnalysisSetType = 60;

// Message-window colours the system uses.
inline constexpr int kMessageInfo = 1;
inline constexpr int kMessageError = 3;

}  // namespace femap
