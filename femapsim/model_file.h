#pragma once
// The simulated FEMAP's model files and results files (text): one entity a line, a kind word,
// an ID, then key=value members. A file with any fault is refused whole with the file, the
// line and the reason; nothing is half-loaded.

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "femapsim/model.h"

namespace femapsim {

class ModelFileError : public std::runtime_error {
 public:
  ModelFileError(std::string file, int line, std::string reason);
  const std::string& file() const { return file_; }
  int line() const { return line_; }  // 0 when the fault is not on one line
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  int line_;
  std::string reason_;
};

enum class FileContent { Model, Results };

// Parses a whole model (or results) file text; `fileName` names it in errors. The model's path
// is left empty.
Model parseModel(std::string_view text, std::string_view fileName,
                 FileContent content = FileContent::Model);
// One line of the grammar: an entity with its kind, or the model line (no kind). Throws
// ModelFileError naming `lineNumber`.
struct ParsedLine {
  std::optional<Kind> kind;
  Entity entity;
};
ParsedLine parseModelLine(std::string_view line, std::string_view fileName, int lineNumber);

// Checks what a model file's entities refer to (every entity a member names exists, lists
// that go together are as long as each other, no coordinate system is defined in itself);
// throws ModelFileError with the line `lineOf` gives for the entity at fault (0: none).
using EntityLineOf = std::function<int(Kind kind, int setId, int id)>;
void checkModelReferences(const Model& model, std::string_view fileName, const EntityLineOf& lineOf,
                          FileContent content = FileContent::Model);

// Reads and parses a file; the model's path is set to `path` for model files.
Model loadModelFile(const std::filesystem::path& path, FileContent content = FileContent::Model);

// The normalised text of a model: header, model line, then every kind in a fixed order with
// its entities in ascending (set, ID) order and their members in stored order.
std::string formatModel(const Model& model);
// Writes the model to `path` whole (temporary file, then rename).
void saveModelFile(const Model& model, const std::filesystem::path& path);

// One entity's line (kind word, ID, members), without its line end.
std::string formatModelLine(Kind kind, const Entity& entity);
// The members of a line: " key=value" for each.
std::string formatModelMembers(const Entity& entity);

// A number as the model files write it: the shortest text that reads back to the same value.
std::string formatModelNumber(double value);

}  // namespace femapsim
