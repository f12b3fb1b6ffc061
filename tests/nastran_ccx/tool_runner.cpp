#include "tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "decks.h"
#include "resultfiles/femap_vectors.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"

extern char** environ;

namespace nastranccx::testing {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) parts.push_back(part);
  return parts;
}

bool isExecutable(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

double ResultVector::at(int entity) const {
  for (std::size_t i = 0; i < entities.size(); ++i)
    if (entities[i] == entity) return values.at(i);
  ADD_FAILURE() << "vector \"" << title << "\" has no value for entity " << entity;
  return 0;
}

std::optional<std::filesystem::path> findCcx() {
  const char* configured = std::getenv("NASTRAN_CCX_CCX");
  std::string name = configured && *configured ? configured : "ccx";
  if (name.find('/') != std::string::npos) {
    if (isExecutable(name)) return std::filesystem::path(name);
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  for (const std::string& folder : split(path ? path : "", ':'))
    if (!folder.empty() && isExecutable(std::filesystem::path(folder) / name)) return std::filesystem::path(folder) / name;
  return std::nullopt;
}

NastranCcxTest::NastranCcxTest() {
  std::string pattern = (std::filesystem::temp_directory_path() / "nastran-ccx-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  folder_ = pattern;
}

NastranCcxTest::~NastranCcxTest() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::filesystem::path NastranCcxTest::writeFile(const std::string& name, const std::string& text) const {
  std::filesystem::path path = folder_ / name;
  std::ofstream stream(path, std::ios::binary);
  stream << text;
  EXPECT_TRUE(stream.good()) << "cannot write " << path;
  return path;
}

std::string NastranCcxTest::readFile(const std::string& name) const {
  std::ifstream stream(folder_ / name, std::ios::binary);
  std::ostringstream content;
  content << stream.rdbuf();
  return content.str();
}

ToolRun NastranCcxTest::run(const std::vector<std::string>& arguments,
                            const std::map<std::string, std::string>& environment) const {
  std::vector<std::string> argumentTexts{NASTRAN_CCX_PATH};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : argumentTexts) argv.push_back(text.data());
  argv.push_back(nullptr);

  std::vector<std::string> environmentTexts;
  for (char** entry = environ; *entry; ++entry) {
    std::string text = *entry;
    if (!environment.count(text.substr(0, text.find('=')))) environmentTexts.push_back(text);
  }
  for (const auto& [key, value] : environment)
    if (!value.empty()) environmentTexts.push_back(key + "=" + value);
  // Two runs of the same deck give the same bytes, whatever the day.
  if (!environment.count("NASTRAN_CCX_DATE")) environmentTexts.push_back("NASTRAN_CCX_DATE=2026-01-02");
  std::vector<char*> envp;
  for (std::string& text : environmentTexts) envp.push_back(text.data());
  envp.push_back(nullptr);

  std::string errorPath = (folder_ / "stderr.txt").string();
  std::string directory = folder_.string();
  pid_t child = ::fork();
  if (child == 0) {
    int errorFd = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errorFd < 0 || ::dup2(errorFd, 2) < 0 || ::chdir(directory.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ToolRun run;
  int status = 0;
  if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.standardError = readFile("stderr.txt");
  std::filesystem::remove(folder_ / "stderr.txt");
  return run;
}

ResultsFile NastranCcxTest::readResults(const std::string& name) const {
  ResultsFile results;
  std::string content = readFile(name);
  std::vector<resultfiles::OutputSet> sets;
  try {
    if (std::filesystem::path(name).extension() == ".fno") {
      sets = resultfiles::readNeutral(content, name).sets;
    } else {
      int setId = 1;
      for (const resultfiles::SubcaseResults& subcase : resultfiles::readStaticResults(content, name))
        sets.push_back(resultfiles::outputSetFor(subcase, setId++));
    }
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
    return results;
  }
  EXPECT_EQ(sets.size(), 1u) << name;
  if (sets.empty()) return results;
  results.setTitle = sets.front().title;
  for (const resultfiles::OutputVector& vector : sets.front().vectors) {
    EXPECT_TRUE(std::is_sorted(vector.entities.begin(), vector.entities.end())) << vector.title;
    results.vectors.emplace(vector.id, ResultVector{vector.title, vector.entities.list(), vector.values.all()});
  }
  return results;
}

std::filesystem::path NastranCcxTest::writeFakeCcx(const std::string& body) const {
  std::filesystem::path script = writeFile("fake-ccx", "#!/bin/sh\n" + body + "\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}

std::vector<resultfiles::SubcaseResults> NastranCcxTest::readSubcases(const std::string& name) const {
  resultfiles::Op2File file = resultfiles::readOp2(readFile(name), name, resultfiles::isStaticResultsTable);
  return resultfiles::readStaticResults(file, name);
}

resultfiles::SubcaseResults NastranCcxTest::solveDeck(const std::string& name, const std::string& bulk) const {
  writeFile(name + ".dat", staticDeck(bulk));
  ToolRun run = this->run({name + ".dat"});
  EXPECT_EQ(run.exitCode, 0) << run.standardError;
  if (run.exitCode != 0) return {};
  std::vector<resultfiles::SubcaseResults> subcases = readSubcases(name + ".op2");
  EXPECT_EQ(subcases.size(), 1u);
  return subcases.empty() ? resultfiles::SubcaseResults{} : subcases.front();
}

}  // namespace nastranccx::testing
