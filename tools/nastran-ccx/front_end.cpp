#include "front_end.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>

#include "ccx_job.h"
#include "ccx_output.h"
#include "deck_reader.h"
#include "failure.h"
#include "model_builder.h"
#include "numbers.h"
#include "process.h"
#include "results.h"

namespace nastranccx {
namespace {

constexpr const char* kProgramName = "nastran-ccx";

bool hasDeckExtension(const std::string& argument) {
  std::string extension = toUpper(std::filesystem::path(argument).extension().string());
  return extension == ".DAT" || extension == ".NAS" || extension == ".BDF";
}

std::filesystem::path findCcx() {
  const char* configured = std::getenv("NASTRAN_CCX_CCX");
  std::string name = configured && *configured ? configured : "ccx";
  if (auto program = findProgram(name)) return *program;
  if (configured && *configured)
    throw Failure("NASTRAN_CCX_CCX names '" + name + "', which is no executable program");
  throw Failure("cannot find the CalculiX solver 'ccx' in PATH (install it, or set NASTRAN_CCX_CCX to its path)");
}

// CalculiX builds its file names from the job name: keep it short and plain.
std::string jobName(const std::filesystem::path& deck) {
  std::string name = deck.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') c = '_';
  if (name.empty()) name = "job";
  return name.substr(0, 60);
}

std::string readWholeFile(const std::filesystem::path& path, const std::string& what) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw Failure(what + ": CalculiX wrote no " + path.filename().string());
  std::ostringstream content;
  content << stream.rdbuf();
  return content.str();
}

void removeStaleResults(const RunPaths& paths) {
  std::error_code error;
  std::filesystem::remove(paths.results, error);
  if (error) throw Failure(paths.results.string() + ": cannot remove the results of an earlier run: " + error.message());
}

void solve(const RunPaths& paths, std::ostream& errors) {
  removeStaleResults(paths);
  Model model = buildModel(readDeckFile(paths.deck, paths.deckName));
  CcxJob job = buildCcxJob(model);
  std::filesystem::path ccx = findCcx();

  WorkFolder work;
  if (const char* keep = std::getenv("NASTRAN_CCX_KEEP"); keep && *keep) {
    work.keep();
    errors << kProgramName << ": keeping the CalculiX files in " << work.path().string() << std::endl;
  }
  std::string jobBase = jobName(paths.deck);
  {
    std::ofstream input(work.path() / (jobBase + ".inp"), std::ios::binary);
    input << job.inputText;
    input.close();
    if (!input) throw Failure((work.path() / (jobBase + ".inp")).string() + ": cannot write the CalculiX input");
  }
  std::filesystem::path log = work.path() / "ccx.log";
  ProcessOutcome outcome = runProgram(ccx, {jobBase}, work.path(), log);
  std::string what = paths.deckName;
  if (!outcome.exited)
    throw Failure(what + ": CalculiX was ended by signal " + std::to_string(outcome.signal));
  checkCcxLog(readWholeFile(log, what), what);
  if (std::filesystem::exists(work.path() / (jobBase + ".sta"))) {
    std::string status = readWholeFile(work.path() / (jobBase + ".sta"), what);
    if (status.find("*ERROR") != std::string::npos) checkCcxLog(status, what);
  }
  std::string datName = jobBase + ".dat";
  CcxDatResults results = readCcxDat(readWholeFile(work.path() / datName, what), datName);
  OutputSet set = makeOutputSet(model, job, results, what + " (CalculiX " + datName + ")");
  writeFileAtomically(paths.results, formatResultsFile(set));
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text;
}

}  // namespace

RunPaths choosePaths(const std::vector<std::string>& arguments) {
  if (arguments.empty()) throw Failure(std::string("usage: ") + kProgramName + " DECK (a .dat, .nas or .bdf file)");
  std::string deck = arguments.back();
  for (const std::string& argument : arguments)
    if (hasDeckExtension(argument)) deck = argument;
  RunPaths paths;
  paths.deck = deck;
  paths.deckName = deck;
  bool nas = toUpper(paths.deck.extension().string()) == ".NAS";
  paths.results = paths.deck;
  paths.results.replace_extension(nas ? ".fno" : ".op2");
  return paths;
}

int runFrontEnd(const std::vector<std::string>& arguments, std::ostream& errors) {
  try {
    solve(choosePaths(arguments), errors);
    return 0;
  } catch (const Failure& failure) {
    errors << kProgramName << ": " << oneLine(failure.what()) << std::endl;
  } catch (const std::exception& unexpected) {
    errors << kProgramName << ": " << oneLine(unexpected.what()) << std::endl;
  }
  return 1;
}

}  // namespace nastranccx
