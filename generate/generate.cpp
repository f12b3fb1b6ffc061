#include "generate/generate.h"

#include "generate/project_generation.h"
#include "generate/staged_files.h"
#include "pane/corvane_femap_interface.h"

namespace generate {

namespace {

constexpr std::string_view kBatchFile = "VOVarir.bat";

}  // namespace

void writeProjectFiles(pane::CorvaneFemapInterface& pane, const std::string& tool) {
  StagedFiles files;
  ProjectGeneration generation(pane, files);
  if (tool == "Corvane") {
    generation.WriteDescFile();
  } else if (tool == "Tavro") {
    generation.WriteTavroProject();
  }
  files.commitAll();
}

void ProjectGeneration::WriteBatchFile(const std::string& modelDirectory) {
  pane_.logPositionAndClearErrorIfAny("Before writing batch file object");
  support::TextBuffer& file = create(modelDirectory + std::string(kBatchFile));
  const std::string commandLine = pane_.form().CommandLine.text();
  file.line(commandLine);
  pane_.logDebug("Found command line argument as " + commandLine);
  pane_.logPositionAndClearErrorIfAny("After writing batch file object");
}

}  // namespace generate
