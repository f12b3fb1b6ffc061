// The Modprep program as a real process on a generated model, at 100 and 1,000 records (one
// node coordinate each). On Windows Modprep.exe reaches femapsim-server through COM: the server
// runs with the model's folder ready (attached, as beside an engineer's FEMAP), and the COM
// transport's counters give the calls per record. Elsewhere Modprep runs on the simulated FEMAP
// in its own process: the same input, for comparison.
//
//   modprep_program_bench            prints one line per size: time, time per record, calls
#ifdef _WIN32
#include <windows.h>

#include "femap/com/com_init.h"
#include "femap/connect.h"
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "timing.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A line of `nodes` nodes joined by rods, and `records` records that each set one coordinate
// of one node.
void prepare(const fs::path& folder, int records) {
  fs::create_directories(folder);
  const int nodes = records;
  std::ostringstream model;
  model << "FEMAPSIM 1\nmodel title=\"generated\" activeLoadSet=1 activeBCSet=1\n";
  for (int node = 1; node <= nodes; ++node) model << "node " << node << " x=" << node << " y=0 z=0\n";
  model << "matl 1 title=\"Steel\" Ex=210000 Nuxy=0.3 Density=7.85e-09\n"
        << "prop 1 type=1 title=\"Rod\" matlID=1 pval=1\n";
  for (int element = 1; element < nodes; ++element) {
    model << "elem " << element << " type=1 topology=0 propID=1 node=" << element << ","
          << element + 1 << "\n";
  }
  model << "loadset 1 title=\"Loads\"\nbcset 1 title=\"Supports\"\nbcnode 1 setID=1 dof=1,1,1,1,1,1\n";
  writeFile(folder / "model.mod", model.str());

  std::string exchange =
      "Reference Model (FEMAP) = model.mod\r\nInput Deck (NastranNX) = model.dat\r\n"
      "NameValue = InputValues.txt\r\n";
  std::string values;
  const char* const members[] = {"x", "y", "z"};
  for (int record = 0; record < records; ++record) {
    const std::string name = "V" + std::to_string(record);
    exchange += "Node  " + name + "  " + std::to_string(record % nodes + 1) + "  " +
                members[record % 3] + "  \r\n";
    values += name + "  " + std::to_string(record % 17) + ".25\r\n";
  }
  writeFile(folder / "Modprep.txt", exchange);
  writeFile(folder / "InputValues.txt", values);
  writeFile(folder / "FunctionsInputvalues.txt", "");  // "Apply" writes it even without functions
}

#ifdef _WIN32
std::wstring quoted(const fs::path& path) { return L"\"" + fs::absolute(path).wstring() + L"\""; }

// Runs a command line and waits at most `limit` for it; its exit status, or -1.
int runProcess(const std::wstring& commandLine, const fs::path& folder, DWORD limit) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  const std::wstring directory = folder.empty() ? std::wstring() : fs::absolute(folder).wstring();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &started)) {
    return -1;
  }
  CloseHandle(started.hThread);
  DWORD status = static_cast<DWORD>(-1);
  if (WaitForSingleObject(started.hProcess, limit) == WAIT_OBJECT_0) {
    GetExitCodeProcess(started.hProcess, &status);
  } else {
    TerminateProcess(started.hProcess, 99);
  }
  CloseHandle(started.hProcess);
  return static_cast<int>(status);
}

// The running femapsim-server of the bench, asked to end when the bench is done.
class Server {
 public:
  Server() {
    std::wstring line = quoted(FEMAPSIM_SERVER) + L" --idle 120 --lifetime 900";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &started_)) {
      CloseHandle(started_.hThread);
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // in the running-object table by then
  }
  ~Server() {
    if (!started_.hProcess) return;
    try {
      femap::attach(femap::kFemapProgId).call("SimQuit");
    } catch (const femap::Error&) {
      // Gone already.
    }
    if (WaitForSingleObject(started_.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(started_.hProcess, 99);
    CloseHandle(started_.hProcess);
  }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

 private:
  PROCESS_INFORMATION started_{};
};

int runModprep(const fs::path& folder) {
  return runProcess(quoted(MODPREP_PROGRAM) + L" " + fs::absolute(folder).wstring(), folder, 600000);
}
#else
int runModprep(const fs::path& folder) {
  const std::string command = "cd '" + folder.string() + "' && '" + std::string(MODPREP_PROGRAM) +
                              "' '" + folder.string() + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 ? 0 : 1;
}
#endif

#ifdef _WIN32
std::map<std::string, unsigned long long> countersOf(const fs::path& file) {
  std::map<std::string, unsigned long long> counters;
  std::ifstream in(file);
  for (std::string word; in >> word;) {
    if (word == "lookup") {
      std::string member;
      in >> member;
    }
    unsigned long long count = 0;
    in >> count;
    if (word != "lookup") counters[word] = count;
  }
  return counters;
}
#endif

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / "corvane-modprep-bench";
  fs::remove_all(root);
#ifdef _WIN32
  const char* world = "Modprep.exe over COM (femapsim-server attached)";
  const femap::com::ComInit com;
  const Server server;
#else
  const char* world = "Modprep on the in-process simulated FEMAP";
#endif
  std::printf("%s\n", world);
  for (int records : {100, 1000}) {
    const fs::path folder = root / std::to_string(records);
    int status = 0;
    const double seconds = bench::bestSeconds(3, [&] {
      fs::remove_all(folder);
      prepare(folder, records);
      status = runModprep(folder);
    });
    std::printf("%5d records: %8.1f ms, %7.3f ms per record", records, seconds * 1e3,
                seconds * 1e3 / records);
#ifdef _WIN32
    const fs::path counters = root / ("counters-" + std::to_string(records) + ".txt");
    _putenv_s("CORVANE_COM_COUNTERS", counters.string().c_str());
    fs::remove_all(folder);
    prepare(folder, records);
    runModprep(folder);
    _putenv_s("CORVANE_COM_COUNTERS", "");
    const auto counted = countersOf(counters);
    const auto at = [&](const char* name) {
      const auto it = counted.find(name);
      return it == counted.end() ? 0ull : it->second;
    };
    std::printf(", %llu calls (%.2f per record), %llu name look-ups, %llu objects", at("invokes"),
                static_cast<double>(at("invokes")) / records, at("nameLookups"), at("kindLookups"));
#endif
    std::printf("%s\n", status == 0 ? "" : "  (Modprep FAILED)");
  }
  fs::remove_all(root);
  return 0;
}
