#pragma once
// Taking a model path apart. Both "\" and "/" separate folders, so Windows paths reported by
// FEMAP and native paths on other systems give the same pieces.

#include <string>
#include <string_view>

namespace support {

// The path up to and including its last separator; empty when it has none.
std::string modelDirectory(std::string_view modelPath);

// The characters after the last separator and before the last "."; everything after the last
// separator when the path has no "." at all. A path whose last "." lies before its last
// separator has no valid base name: throws RuntimeError("Invalid procedure call or argument").
std::string modelBaseName(std::string_view modelPath);

// The file name's extension: the last piece after a separator, trimmed, split at ".", last
// piece trimmed ("plate.mod" -> "mod", "plate" -> "plate", "plate.old.mod" -> "mod").
// An empty name throws RuntimeError("Subscript out of range").
std::string getFileExtension(std::string_view fileName);

// Joins a folder and a name with the native separator (none added when `folder` is empty or
// already ends in a separator).
std::string joinPath(std::string_view folder, std::string_view name);

// True when `c` separates folders ("\" or "/").
constexpr bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace support
