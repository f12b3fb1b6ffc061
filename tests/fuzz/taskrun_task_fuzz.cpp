// The description-file reader of taskrun: any text is read into a task or refused with a
// TaskFileError, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "taskrun/task.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    taskrun::Task task = taskrun::taskFromBlocks(taskrun::parseBlockFile(text, "fuzz.desc"));
    volatile const taskrun::PlanStep* step = task.ownPlanStep();
    (void)step;
  } catch (const taskrun::TaskFileError&) {
  }
  return 0;
}
