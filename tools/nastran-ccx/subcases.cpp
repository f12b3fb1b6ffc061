#include "subcases.h"

#include "failure.h"

namespace nastranccx {

SubcaseSets resolveSubcase(const Model& model, const SubcaseSelection& selection) {
  SubcaseSets sets;
  sets.selection = &selection;
  if (selection.loadSet) {
    bool combined = false;
    for (const LoadCombination& combination : model.loadCombinations) {
      if (combination.setId != *selection.loadSet) continue;
      combined = true;
      for (const auto& [factor, set] : combination.terms) sets.loadFactors[set] += combination.scale * factor;
    }
    if (!combined) sets.loadFactors[*selection.loadSet] = 1;
  }
  if (selection.constraintSet) {
    auto found = model.constraintUnions.find(*selection.constraintSet);
    if (found == model.constraintUnions.end())
      sets.constraintSets.insert(*selection.constraintSet);
    else
      sets.constraintSets.insert(found->second.begin(), found->second.end());
  }
  return sets;
}

std::map<int, double> temperaturesOf(const Model& model, int setId) {
  std::map<int, double> temperatures;
  for (const GridTemperature& temperature : model.temperatures) {
    if (temperature.setId != setId) continue;
    if (!temperatures.emplace(temperature.grid, temperature.temperature).second)
      throw Failure(nastran::problemMessage(model.files.at(temperature.at.file), temperature.at.line, "",
                                            "TEMP " + std::to_string(setId) + ": grid " +
                                                std::to_string(temperature.grid) + " has a temperature already"));
  }
  if (auto fallback = model.defaultTemperatures.find(setId); fallback != model.defaultTemperatures.end())
    for (const auto& [id, grid] : model.grids) temperatures.emplace(id, fallback->second);
  return temperatures;
}

}  // namespace nastranccx
