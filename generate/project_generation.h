#pragma once
// The writers of "Apply": the exchange files that Modprep and Respull read, the functions
// file, the batch file that runs the solver, and either the description file of the PIDO tool
// Corvane or the project, process and parameter files of the PIDO tool Tavro.
//
// The writers read the pane's state (the grids, the solver, the command line, the model file's
// extension, the FEMAP model object) and log through the pane's log and position markers. They
// write every file into a StagedFiles set and close it there; the set puts the files in place
// together once the whole generation has run (writeProjectFiles in generate.h), so a failure
// anywhere replaces no file.

#include <string>
#include <string_view>

#include "generate/staged_files.h"
#include "support/text_buffer.h"

namespace pane {
class CorvaneFemapInterface;
}

namespace generate {

class ProjectGeneration {
 public:
  ProjectGeneration(pane::CorvaneFemapInterface& pane, StagedFiles& files)
      : pane_(pane), files_(files) {}

  // ---- tool "Corvane" ----
  // The description file with, in the same pass, "Modprep.txt", "InputValues.txt",
  // "Respull.txt", "OutputValues.txt" (no templates), the batch file and the functions file.
  void WriteDescFile();
  void WriteDescHead();
  // The outputs' end, the three programs, the task and its storage; closes the description file.
  void WriteDescTail(const std::string& base);
  void WriteDescOptimization();
  // "VOVarir.bat": the command line as its only line.
  void WriteBatchFile(const std::string& modelDirectory);
  // "FunctionsInputvalues.txt": the points of every function input. Resumes after every
  // failing step; a function that cannot be fetched is reported and left out.
  void WriteFunctionInputs();

  // ---- tool "Tavro" ----
  // The project, process and parameter files, then the exchange files with their templates.
  void WriteTavroProject();
  void writeProjectFile(const std::string& modelDirectory, const std::string& base);
  void writeProcessFile(const std::string& modelDirectory, const std::string& base);
  void writeParameterFile(const std::string& modelDirectory, const std::string& base);
  // "Modprep.txt", "InputValues.txt" and its template, then "Respull.txt",
  // "OutputValues.txt" and its template, one line per grid row, every row included.
  void WriteExchangeFiles(const std::string& modelDirectory, const std::string& base);

 private:
  support::TextBuffer& create(const std::string& path) { return files_.create(path); }

  pane::CorvaneFemapInterface& pane_;
  StagedFiles& files_;
  support::TextBuffer* descFile_ = nullptr;  // the open description file
};

}  // namespace generate
