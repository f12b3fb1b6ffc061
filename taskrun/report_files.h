#pragma once
// The report's files in the study folder, each rendered from the one StudyReport:
//   history.csv    one row per evaluation of the data log (rewritten after every evaluation)
//   report.html    the page to watch: status, plots, every evaluation (after every evaluation)
//   summary.json   the outcome, the best feasible design or the least infeasible one (at the end)
//   progress.svg   objective and worst constraint per evaluation (at the end)
//   variables.svg  the variables per iteration (at the end)
// Every file is written whole to a temporary name and renamed over the old one.

#include <array>
#include <filesystem>
#include <string>

#include "taskrun/report.h"

namespace taskrun {

inline constexpr std::array<const char*, 5> kReportFiles{"history.csv", "report.html", "summary.json", "progress.svg",
                                                        "variables.svg"};

// The rows of a file rendered so far: evaluations never change once reported, so a file
// rewritten after every evaluation renders only the new ones.
struct RenderedRows {
  std::string text;
  std::size_t count = 0;
};

std::string historyCsv(const StudyReport& report, RenderedRows& rows);
std::string summaryJson(const StudyReport& report);
std::string progressSvg(const StudyReport& report);
std::string variablesSvg(const StudyReport& report);
// `tableRows` and `chartRows` cache the evaluation table's rows and the plots' data.
std::string reportHtml(const StudyReport& report, RenderedRows& tableRows, RenderedRows& chartRows);

// Writes the files of one study folder, keeping the rendered rows between writes.
class ReportFiles {
 public:
  explicit ReportFiles(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // After every evaluation: history.csv and report.html.
  void writeProgress(const StudyReport& report);
  // When the run ends, however it ends: those and the plots, and summary.json when the plan
  // itself ended (not when interrupted).
  void writeAll(const StudyReport& report);

 private:
  std::filesystem::path folder_;
  RenderedRows csvRows_, tableRows_, chartRows_;
};

}  // namespace taskrun
