#pragma once
// A fully-stressed-design loop playing the optimisation tool: for every iteration it writes
// "InputValues.txt", runs Modprep, the solver command of "VOVarir.bat" and Respull in the work
// folder, reads "OutputValues.txt" and resizes every member: A <- max(Amin, A * |stress| / limit),
// until the largest relative change of an area is below the tolerance.
//
// The design variables are the inputs named "...AtProp<N>" (a rod's area); each is paired with
// the output named "...AtElem<N>" (the stress of element N, which uses property N). The
// weight is the output named "TotalMass".

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fsd {

struct Options {
  std::filesystem::path workFolder;
  std::filesystem::path binFolder;  // Modprep, Respull and the solver front end
  double stressLimit = 25000;
  double minimumArea = 0.1;
  double tolerance = 1e-6;
  int maxIterations = 100;
};

struct Iteration {
  int number = 0;
  std::vector<double> areas;  // the areas analysed in this iteration
  double weight = 0;
  double largestStressRatio = 0;
  double largestChange = 0;  // of the areas resized after this analysis
  double modprepSeconds = 0, solverSeconds = 0, respullSeconds = 0;
};

struct Result {
  bool converged = false;
  std::vector<std::string> areaNames;
  std::vector<double> finalAreas;
  std::vector<Iteration> history;
};

class LoopError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Runs the loop; `onIteration` sees every iteration as it ends. Throws LoopError when a
// program fails or a file lacks what the loop needs.
Result runFullyStressedDesign(const Options& options, const std::function<void(const Iteration&)>& onIteration);

}  // namespace fsd
