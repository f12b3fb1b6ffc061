#pragma once
// The report's files in the study folder, each rendered from the one StudyReport:
//   history.csv    one row per evaluation of the data log (a row added after every evaluation)
//   report.html    the page to watch: status, plots, every evaluation (after every evaluation,
//                  written by a thread of its own so that the evaluations never wait for it)
//   summary.json   the outcome, the best feasible design or the least infeasible one (at the end)
//   progress.svg   objective and worst constraint per evaluation (at the end)
//   variables.svg  the variables per iteration (at the end)
// Every file is written whole to a temporary name and renamed over the old one; while the study
// runs, history.csv has each new row added to its end in one write, so that it costs the same at
// the thousandth evaluation as at the first (a kill between two rows leaves whole rows).

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "taskrun/report.h"
#include "taskrun/report_writer.h"

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
// `dataRows` caches the page's data rows (one an evaluation); the page is appended to `page`.
void renderReportHtml(const StudyReport& report, RenderedRows& dataRows, std::string& page);
std::string reportHtml(const StudyReport& report);

// Writes the files of one study folder, keeping the rendered rows between writes.
class ReportFiles {
 public:
  explicit ReportFiles(std::filesystem::path folder) : folder_(std::move(folder)), page_(folder_ / "report.html") {}

  // After every evaluation: history.csv (its new rows) and report.html (handed to a thread of
  // its own to write).
  void writeProgress(const StudyReport& report);
  // When the run ends, however it ends: those and the plots, and summary.json when the plan
  // itself ended (not when interrupted); every file is written when it returns.
  void writeAll(const StudyReport& report);

 private:
  std::filesystem::path folder_;
  RenderedRows csvRows_, dataRows_;
  std::string pageText_;    // report.html, rendered into the same storage every time
  std::ofstream history_;   // history.csv, open for its new rows while the study runs
  std::size_t historyWritten_ = 0;  // of csvRows_.text

  BackgroundFileWriter page_;
  void writeHistory(const StudyReport& report, bool whole);
  void writePage(const StudyReport& report);
};

}  // namespace taskrun
