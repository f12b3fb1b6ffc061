#include "front_end.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <ostream>
#include <sstream>

#include "ccx_job.h"
#include "ccx_output.h"
#include "failure.h"
#include "model_builder.h"
#include "nastran/deck.h"
#include "numbers.h"
#include "results.h"
#include "support/process.h"
#include "work_folder.h"

namespace nastranccx {
namespace {

constexpr const char* kProgramName = "nastran-ccx";
// Every failure: a caller that takes 0 and 1 for success (as a study's solver step does) must
// never mistake one for a solved deck.
constexpr int kFailureStatus = 2;

bool hasDeckExtension(const std::string& argument) {
  std::string extension = toUpper(std::filesystem::path(argument).extension().string());
  return extension == ".DAT" || extension == ".NAS" || extension == ".BDF";
}

std::filesystem::path findCcx() {
  const char* configured = std::getenv("NASTRAN_CCX_CCX");
  std::string name = configured && *configured ? configured : "ccx";
  // A path as given; a name beside nastran-ccx first (where the Windows build puts ccx.exe), then
  // in the search path.
  if (support::namesFolder(name)) {
    if (auto program = support::executableAt(name)) return *program;
  } else if (auto program = support::executableAt(support::ownFolder() / name)) {
    return *program;
  } else if (auto found = support::findInPath(name)) {
    return *found;
  }
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

// The date the OUTPUT2 header carries: NASTRAN_CCX_DATE (YYYY-MM-DD) when set, so that a run
// can be repeated byte for byte, else today's.
resultfiles::Op2Date resultsDate() {
  if (const char* fixed = std::getenv("NASTRAN_CCX_DATE"); fixed && *fixed) {
    std::string text = fixed;
    int parts[3] = {0, 0, 0};  // year, month, day
    bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-';
    for (int i = 0; shaped && i < 3; ++i) {
      auto value = tryParseInteger(text.substr(i == 0 ? 0 : 2 + 3 * i, i == 0 ? 4 : 2));
      shaped = value.has_value();
      parts[i] = value.value_or(0);
    }
    if (!shaped || parts[0] < 2000 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31)
      throw Failure("NASTRAN_CCX_DATE is '" + text + "', which is no date of the form YYYY-MM-DD from 2000 on");
    return {parts[1], parts[2], parts[0]};
  }
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  return {local.tm_mon + 1, local.tm_mday, local.tm_year + 1900};
}

void removeStaleResults(const RunPaths& paths) {
  std::error_code error;
  std::filesystem::remove(paths.results, error);
  if (error) throw Failure(paths.results.string() + ": cannot remove the results of an earlier run: " + error.message());
}

void solve(const RunPaths& paths, std::ostream& errors) {
  removeStaleResults(paths);
  std::vector<std::string> ignored;
  Model model = buildModel(nastran::readDeckFile(paths.deck, paths.deckName), &ignored);
  if (!ignored.empty()) {
    std::string names;
    for (const std::string& name : ignored) names += (names.empty() ? "" : ", ") + name;
    errors << kProgramName << ": " << paths.deckName << ": ignored, as they do not change a linear static answer: "
           << names << std::endl;
  }
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
  std::string what = paths.deckName;
  support::Interruption neverInterrupted;  // ended from outside, nastran-ccx takes ccx with it
  support::ProcessOutcome outcome =
      support::platformLauncher(neverInterrupted)->run({{ccx.string(), jobBase}, work.path(), std::nullopt, {}, log});
  if (outcome.kind == support::ProcessOutcome::Kind::notStarted)
    throw Failure("cannot start " + ccx.string() + ": " + outcome.error);
  if (outcome.kind == support::ProcessOutcome::Kind::signalled)
    throw Failure(what + ": CalculiX was ended by signal " + std::to_string(outcome.status));
  checkCcxLog(readWholeFile(log, what), what);
  if (std::filesystem::exists(work.path() / (jobBase + ".sta"))) {
    std::string status = readWholeFile(work.path() / (jobBase + ".sta"), what);
    if (status.find("*ERROR") != std::string::npos) checkCcxLog(status, what);
  }
  std::string datName = jobBase + ".dat";
  std::string datWhat = what + " (CalculiX " + datName + ")";
  std::vector<CcxDatResults> steps = readCcxDat(readWholeFile(work.path() / datName, what), datName);
  if (steps.size() != job.steps.size())
    throw Failure(datWhat + ": " + std::to_string(steps.size()) + " steps printed for " +
                  std::to_string(job.steps.size()) + " subcases");
  std::vector<resultfiles::SubcaseResults> subcases;
  for (std::size_t i = 0; i < steps.size(); ++i)
    subcases.push_back(makeSubcaseResults(model, job, job.steps[i], steps[i], datWhat));
  writeFileAtomically(paths.results, formatResultsFile(subcases, paths.format, resultsDate()));
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
  paths.format = nas ? ResultsFormat::Neutral : ResultsFormat::Output2;
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
  return kFailureStatus;
}

}  // namespace nastranccx
