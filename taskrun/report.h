#pragma once
// What the engineer sees and keeps: a progress line per finished evaluation, a closing summary,
// and in the study folder history.csv (one row per evaluation), summary.json and two SVG plots
// (progress.svg: the objective and the worst constraint per evaluation; variables.svg: the
// variables per iteration).

#include <filesystem>
#include <string>
#include <vector>

#include "taskrun/evaluator.h"
#include "taskrun/plans.h"
#include "taskrun/study.h"

namespace taskrun {

struct StudyCounts {
  int ran = 0, reused = 0, failed = 0;
};

std::string progressLine(const Answer& answer, const Measures& measures);
std::string closingSummary(const Task& task, const Study& study, const PlanOutcome& outcome, const StudyCounts& counts);

void writeHistoryCsv(const std::filesystem::path& file, const Task& task, const Measures& measures,
                     const std::vector<Answer>& history);
void writeSummaryJson(const std::filesystem::path& file, const Task& task, const Study& study, const PlanOutcome& outcome,
                      const StudyCounts& counts);
void writeProgressSvg(const std::filesystem::path& file, const Measures& measures, const std::vector<Answer>& history);
void writeVariablesSvg(const std::filesystem::path& file, const Task& task, const Study& study,
                       const std::vector<std::vector<double>>& iterations);

}  // namespace taskrun
