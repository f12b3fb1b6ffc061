#include "modprep/analysis_set.h"

#include "femap/return_codes.h"

namespace modprep {

void buildAnalysisSet(runtime::Run& run) {
  support::Err& err = run.err;
  const femap::Application& femap = run.femap();
  femap::Object analysisSet;
  auto fresh = [&] {
    analysisSet = femap::Object();
    if (auto created = err.run([&] { return femap.feAnalysisSet(); })) analysisSet = *created;
  };
  fresh();

  const auto active = err.run([&] { return femap.Info_ActiveID(femap::kAnalysisSetType); });
  if (active && *active > 0) {
    err.run([&] { analysisSet.call("Get", *active); });
    const auto solver = err.run([&] { return analysisSet.get("Solver").asInt(); });
    if (!solver || *solver != kNastranSolver) {
      fresh();
    } else {
      err.run([&] { analysisSet.put("NasBulkLargeField", 0); });
    }
  }

  err.run([&] { analysisSet.put("Solver", kNastranSolver); });
  err.run([&] { analysisSet.put("AnalysisType", femap.object().get("Pref_AnalysisType")); });
  err.run([&] { analysisSet.put("SkipStandard", true); });
  err.run([&] { analysisSet.put("NasExecOn", true); });
  err.run([&] { analysisSet.put("NasExecSkipStandard", true); });
  err.run([&] { analysisSet.put("NasBulkOn", true); });
  err.run([&] { analysisSet.put("NasBulkGroupID", kDeckAnalysisSetId); });

  err.run([&] { analysisSet.call("Put", kDeckAnalysisSetId); });
  err.run(
      [&] { femap.object().put("Info_ActiveID", femap::kAnalysisSetType, kDeckAnalysisSetId); });
  err.run([&] { analysisSet.call("Delete", kDeckAnalysisSetId); });
}

}  // namespace modprep
