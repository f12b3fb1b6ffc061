#pragma once
// Function inputs: the X-Y points of each function block of "FunctionsInputvalues.txt"
// replace the points of the function with that ID.
//
// A block that cannot be read whole (an ID, count or point that is not a number, a file that
// ends inside the block) is reported and not applied: a function never gets points that
// were not in the file. The function object is obtained on first use and kept for the run.

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/functions_file.h"
#include "femap/object.h"
#include "runtime/run.h"

namespace modprep {

class FunctionUpdater {
 public:
  explicit FunctionUpdater(runtime::Run& run);

  // A missing file fails the run: "Apply" always writes it, empty when there are no function
  // variables.
  void readFunctionsFromInputFile();

  // Replaces the points of function `id` with the first `count` entries of `x` and `y`.
  void updateFunction(std::int32_t id, const std::string& title, std::int32_t count,
                      const std::vector<double>& x, const std::vector<double>& y);

 private:
  void obtainFunctionObject();
  // Reports one block as read and puts its points into the function when it was read whole.
  void applyBlock(const exchange::FunctionBlock& block);

  runtime::Run& run_;
  femap::Object function_;
};

}  // namespace modprep
