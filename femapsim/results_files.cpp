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
      outvec.set("entity", std::vector<double>(vector.entities.begin(), vector.entities.end()));
      outvec.set("value", vector.values.all());
      vectorTable.append(EntityTable::key(set.id, vector.id), std::move(outvec));
    }
  }
  vectorTable.finishAppending();
  return model;
}

}  // namespace

LoadedResults loadResults(const std::filesystem::path& path, ResultsFormat format) {
  std::string content;
  try {
    content = support::readWholeFile(path);
  } catch (const std::system_error& failure) {
    throw ModelFileError(path.string(), 0, failure.code().message());
  }
  if (std::string_view(content).substr(0, kOwnGrammar.size()) == kOwnGrammar)
    return {parseModel(content, path.string(), FileContent::Results), ""};
  if (format == ResultsFormat::Detect)
    format = resultfiles::looksLikeOutput2(content) ? ResultsFormat::Output2 : ResultsFormat::Neutral;
  if (format == ResultsFormat::Neutral) return {modelOf(resultfiles::readNeutral(content, path.string()).sets), ""};
  resultfiles::Op2Results results = resultfiles::readOp2Results(content, path.string());
  LoadedResults loaded{modelOf(resultfiles::outputSetsFor(results.subcases)), ""};
  if (results.subcases.empty()) loaded.whyNoOutputSet = resultfiles::whyNoStaticResults(results);
  return loaded;
}

Model loadResultsFile(const std::filesystem::path& path, ResultsFormat format) {
  return loadResults(path, format).model;
}

}  // namespace femapsim
