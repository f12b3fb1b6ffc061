#include "tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

// Takes `key=value` apart, where value may be a quoted string with \" and \\.
std::map<std::string, std::string> readPairs(const std::string& line, std::size_t start) {
  std::map<std::string, std::string> pairs;
  std::size_t i = start;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    std::size_t equals = line.find('=', i);
    if (equals == std::string::npos) {
      ADD_FAILURE() << "no '=' in: " << line.substr(i);
      break;
    }
    std::string key = line.substr(i, equals - i);
    std::string value;
    i = equals + 1;
    if (i < line.size() && line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        value += line[i];
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ') value += line[i++];
    }
    pairs[key] = value;
  }
  return pairs;
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
  std::string text = readFile(name);
  std::vector<std::string> lines = split(text, '\n');
  EXPECT_FALSE(lines.empty()) << name << " is empty";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = lines[i];
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << name << ": line " << i + 1 << " does not end in CR LF";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (i == 0) {
      EXPECT_EQ(line, "FEMAPSIM 1");
      continue;
    }
    std::istringstream words(line);
    std::string kind;
    int id = 0;
    words >> kind >> id;
    std::streamoff rest = words.tellg();
    std::map<std::string, std::string> pairs = readPairs(line, rest < 0 ? line.size() : static_cast<std::size_t>(rest));
    if (kind == "outset") {
      EXPECT_EQ(id, 1);
      results.setTitle = pairs["title"];
    } else if (kind == "outvec") {
      EXPECT_EQ(pairs["setID"], "1");
      ResultVector vector;
      vector.title = pairs["title"];
      for (const std::string& entity : split(pairs["entity"], ',')) vector.entities.push_back(std::stoi(entity));
      for (const std::string& value : split(pairs["value"], ',')) vector.values.push_back(std::stod(value));
      EXPECT_EQ(vector.entities.size(), vector.values.size()) << vector.title;
      EXPECT_TRUE(std::is_sorted(vector.entities.begin(), vector.entities.end())) << vector.title;
      EXPECT_TRUE(results.vectors.emplace(id, vector).second) << "vector " << id << " twice";
    } else {
      ADD_FAILURE() << name << ": unexpected line " << line;
    }
  }
  return results;
}

std::filesystem::path NastranCcxTest::writeFakeCcx(const std::string& body) const {
  std::filesystem::path script = writeFile("fake-ccx", "#!/bin/sh\n" + body + "\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}

}  // namespace nastranccx::testing
