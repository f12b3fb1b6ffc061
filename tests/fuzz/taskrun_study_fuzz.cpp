// taskrun's study file (TOML) and a list plan's designs (CSV) for a small task: any text is
// read into a study or refused with a StudyError, never a crash. The input is the study file,
// then, after a NUL byte, the list's CSV text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "taskrun/study.h"

namespace {

const taskrun::Task& smallTask() {
  static const taskrun::Task task = [] {
    taskrun::Task made;
    made.file = "/fuzz/task.desc";
    made.inputs = {{"A", 1, 1}, {"B", 2, 2}, {"C", 3, 3}};
    made.outputs = {{"Mass", 4}, {"Stress", 5}};
    made.variables = {"A", "B"};
    made.inputBounds["A"] = {0.1, 10.0};
    made.outputConstraints = {{"Stress", {-1.0, 1.0}, 6}};
    made.indexNames();
    return made;
  }();
  return task;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string_view toml = input.substr(0, split);
  taskrun::Study study;
  try {
    // A list plan's own file is not looked for: the fuzzer names none that exists.
    study = taskrun::parseStudy(smallTask(), toml, "fuzz.toml");
  } catch (const taskrun::StudyError&) {
  }
  if (split != std::string_view::npos) {
    try {
      taskrun::readDesignList(smallTask(), input.substr(split + 1), "fuzz.csv", study);
      if (study.list.designs.size() != study.list.lines.size()) __builtin_trap();
      for (const auto& design : study.list.designs) {
        if (design.size() != study.variables.size()) __builtin_trap();
      }
    } catch (const taskrun::StudyError&) {
    }
  }
  return 0;
}
