#pragma once

#include <map>
#include <set>

#include "model.h"

namespace nastranccx {

// What one subcase applies, its set selections resolved: LOAD combinations into a factor per
// load set, SPCADD into the SPC sets it joins. Every per-subcase load goes through
// `loadFactor`: a load of a set the subcase does not select has factor 0.
struct SubcaseSets {
  const SubcaseSelection* selection = nullptr;
  std::map<int, double> loadFactors;  // load set -> factor
  std::set<int> constraintSets;

  double loadFactor(int setId) const {
    auto found = loadFactors.find(setId);
    return found == loadFactors.end() ? 0.0 : found->second;
  }
  bool constrains(int setId) const { return constraintSets.count(setId) != 0; }
};

SubcaseSets resolveSubcase(const Model& model, const SubcaseSelection& selection);

// The temperatures of temperature set `setId` by grid: TEMP where a card gives one, TEMPD for
// every other grid of the model when the set has one. Throws Failure for a grid given two
// temperatures in the set.
std::map<int, double> temperaturesOf(const Model& model, int setId);

}  // namespace nastranccx
