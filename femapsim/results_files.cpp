#include "femapsim/results_files.h"

#include "femapsim/model_file.h"
#include "resultfiles/femap_vectors.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "support/text_file.h"

namespace femapsim {
namespace {

constexpr std::string_view kOwnGrammar = "FEMAPSIM";

std::vector<double> asNumbers(const std::vector<int>& values) { return std::vector<double>(values.begin(), values.end()); }

Model modelOf(const std::vector<resultfiles::OutputSet>& sets) {
  Model model;
  EntityTable& setTable = model.table(Kind::OutSet);
  EntityTable& vectorTable = model.table(Kind::OutVec);
  for (const resultfiles::OutputSet& set : sets) {
    Entity outset;
    outset.id = set.id;
    outset.set("title", set.title);
    setTable.put(std::move(outset));
    for (const resultfiles::OutputVector& vector : set.vectors) {
      Entity outvec;
      outvec.id = vector.id;
      outvec.set("setID", static_cast<double>(set.id));
      outvec.set("title", vector.title);
      outvec.set("entity", asNumbers(vector.entities));
      outvec.set("value", vector.values);
      vectorTable.append(EntityTable::key(set.id, vector.id), std::move(outvec));
    }
  }
  vectorTable.finishAppending();
  return model;
}

}  // namespace

Model loadResultsFile(const std::filesystem::path& path, ResultsFormat format) {
  std::string content;
  try {
    content = support::readWholeFile(path);
  } catch (const std::system_error& failure) {
    throw ModelFileError(path.string(), 0, failure.code().message());
  }
  if (std::string_view(content).substr(0, kOwnGrammar.size()) == kOwnGrammar)
    return parseModel(content, path.string(), FileContent::Results);
  if (format == ResultsFormat::Detect)
    format = content.size() >= 4 && content.compare(0, 4, std::string("\x04\0\0\0", 4)) == 0 ? ResultsFormat::Output2
                                                                                             : ResultsFormat::Neutral;
  std::vector<resultfiles::OutputSet> sets;
  if (format == ResultsFormat::Output2) {
    int setId = 1;
    for (const resultfiles::SubcaseResults& subcase : resultfiles::readStaticResults(content, path.string()))
      sets.push_back(resultfiles::outputSetFor(subcase, setId++));
  } else {
    sets = resultfiles::readNeutral(content, path.string()).sets;
  }
  return modelOf(sets);
}

}  // namespace femapsim
