// pane-window-check: looks at the real pane window of a running CorvaneFemapInterface.exe from
// another process, as the engineer's screen shows it, for the screenshot test
// (run_pane_window.sh).
//
//   pane-window-check attach              waits until a running "femap.model" can be attached
//   pane-window-check check CONTROL_FILE  waits for the pane window, lists its child windows
//                                         (class and caption) and checks the pane's controls
//                                         and that both grids show the rows of CONTROL_FILE
//   pane-window-check event CODE          FEMAP sends its event CODE to the registered panes
//   pane-window-check cleared             waits until both grids show one blank row only
//   pane-window-check closed              waits until the pane window has gone
//   pane-window-check close               closes the pane window as the engineer would
//   pane-window-check quit                asks the running "femap.model" to end
//
// Exit status 0 when all is as expected, 1 otherwise; every check that fails says why.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "femap/com/com_init.h"
#include "femap/connect.h"
#include "support/wide_text.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kPaneCaption[] = L"Corvane-Femap Interface";
constexpr wchar_t kFormClass[] = L"CorvaneForm";

int failures = 0;

void fail(const std::string& what) {
  std::printf("FAILED: %s\n", what.c_str());
  ++failures;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(100ms);
  }
  return true;
}

// Whether `window` belongs to a CorvaneFemapInterface.exe process. The window layer's own
// tests, which may run at the same time, show forms of the same class and caption.
bool ofThePaneProgram(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return false;
  wchar_t image[MAX_PATH] = {};
  DWORD length = MAX_PATH;
  const bool named = QueryFullProcessImageNameW(process, 0, image, &length) != FALSE;
  CloseHandle(process);
  if (!named) return false;
  const std::wstring path(image, length);
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  return _wcsicmp(name.c_str(), L"CorvaneFemapInterface.exe") == 0;
}

// The pane's window, shown or not, or nullptr.
HWND anyPaneWindow() {
  for (HWND window = FindWindowExW(nullptr, nullptr, kFormClass, kPaneCaption); window;
       window = FindWindowExW(nullptr, window, kFormClass, kPaneCaption)) {
    if (ofThePaneProgram(window)) return window;
  }
  return nullptr;
}

HWND paneWindow() {
  HWND window = anyPaneWindow();
  return window && IsWindowVisible(window) ? window : nullptr;
}

std::string classOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return support::fromWide(name);
}

// The text the window itself reports (GetWindowText from another process would read only the
// caption the window was created with, not an edit control's text).
std::string captionOf(HWND window) {
  wchar_t text[512] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  return support::fromWide(text);
}

// Memory inside the process that owns a list view, where the list view can write an item's
// text for us; freed with the object.
class RemoteText {
 public:
  explicit RemoteText(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) memory_ = VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteText() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteText(const RemoteText&) = delete;
  RemoteText& operator=(const RemoteText&) = delete;

  bool usable() const { return memory_ != nullptr; }

  std::string cell(HWND list, int item, int column) {
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + sizeof(LVITEMW));
    LVITEMW request{};
    request.iSubItem = column;
    request.pszText = remoteText;
    request.cchTextMax = kTextChars;
    if (!WriteProcessMemory(process_, memory_, &request, sizeof request, nullptr)) return "?";
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(memory_));
    wchar_t text[kTextChars] = {};
    if (!ReadProcessMemory(process_, remoteText, text, sizeof text - sizeof(wchar_t), nullptr)) return "?";
    return support::fromWide(text);
  }

 private:
  static constexpr int kTextChars = 512;
  static constexpr SIZE_T kSize = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
};

struct Child {
  HWND window;
  std::string className;
  std::string caption;
  int depth;
  bool visible;
};

void collect(HWND parent, int depth, std::vector<Child>& children) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back({child, classOf(child), captionOf(child), depth, IsWindowVisible(child) != FALSE});
    collect(child, depth + 1, children);
  }
}

// The rows of a saved selection: inputs, an empty line, outputs; cells separated by tabs.
std::vector<std::vector<std::vector<std::string>>> savedRows(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::vector<std::vector<std::string>>> sections(1);
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      sections.emplace_back();
      continue;
    }
    std::vector<std::string> cells;
    std::stringstream pieces(line);
    for (std::string cell; std::getline(pieces, cell, '\t');) cells.push_back(cell);
    sections.back().push_back(cells);
  }
  sections.resize(2);
  return sections;
}

int check(const std::string& controlFile) {
  HWND pane = nullptr;
  if (!waitFor([&] { return (pane = paneWindow()) != nullptr; }, 30s)) {
    fail("no visible window \"Corvane-Femap Interface\" within 30 s");
    return 1;
  }
  std::vector<Child> children;
  collect(pane, 1, children);
  std::printf("%s \"%s\"\n", classOf(pane).c_str(), captionOf(pane).c_str());
  for (const Child& child : children) {
    std::printf("%*s%s \"%s\"%s\n", child.depth * 2, "", child.className.c_str(), child.caption.c_str(),
                child.visible ? "" : " (hidden)");
  }

  auto count = [&](const std::string& className, const std::string& caption, bool visible) {
    int found = 0;
    for (const Child& child : children) {
      if (child.className == className && (caption == "*" || child.caption == caption) &&
          child.visible == visible) {
        ++found;
      }
    }
    return found;
  };
  auto expect = [&](const std::string& className, const std::string& caption, int expected,
                    bool visible = true) {
    const int found = count(className, caption, visible);
    if (found != expected) {
      fail(std::to_string(found) + " " + (visible ? "visible " : "hidden ") + className + " \"" +
           caption + "\", expected " + std::to_string(expected));
    }
  };
  expect("Button", "Input", 1);
  expect("Button", "Output", 1);
  expect("Button", "Execution", 1);
  expect("Button", "Select...", 2);
  expect("Button", "Refresh Values", 2);
  expect("Button", "Remove Selected", 2);
  expect("Button", "Apply", 1);
  expect("Button", "Clear All", 1);
  expect("ComboBox", "*", 3);
  expect("ComboBox", "*", 1, false);  // the PIDO-tool list
  expect("Edit", "nastran plate.dat notify=no", 1);
  expect("Static", "Command Line", 1);
  expect("Static", "CAE Solver", 1);
  expect("Static", "PIDO Tool", 1, false);
  expect("SysListView32", "*", 2);
  expect("CorvanePictureBox", "*", 2);

  // The grids, in tab order: inputs first.
  std::vector<HWND> grids;
  for (const Child& child : children) {
    if (child.className == "SysListView32") grids.push_back(child.window);
  }
  const auto saved = savedRows(controlFile);
  for (std::size_t grid = 0; grid < grids.size() && grid < 2; ++grid) {
    const char* name = grid == 0 ? "InputsList" : "OutputsList";
    HWND list = grids[grid];
    const auto& rows = saved[grid];
    const auto items = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    std::printf("%s: %d rows\n", name, items);
    if (items != static_cast<int>(rows.size())) {
      fail(std::string(name) + " shows " + std::to_string(items) + " rows, the saved selection " +
           std::to_string(rows.size()));
    }
    RemoteText remote(list);
    if (!remote.usable()) {
      fail(std::string("cannot read the rows of ") + name);
      continue;
    }
    for (int item = 0; item < items && item < static_cast<int>(rows.size()); ++item) {
      for (int column = 0; column < static_cast<int>(rows[item].size()); ++column) {
        const std::string shown = remote.cell(list, item, column);
        if (column < 2) std::printf("  %s%s", shown.c_str(), column == 1 ? "\n" : "\t");
        if (shown != rows[item][column]) {
          fail(std::string(name) + " row " + std::to_string(item + 1) + " column " +
               std::to_string(column) + " shows \"" + shown + "\", saved \"" + rows[item][column] + "\"");
        }
      }
    }
  }
  return failures ? 1 : 0;
}

std::vector<HWND> gridsOf(HWND pane) {
  std::vector<Child> children;
  collect(pane, 1, children);
  std::vector<HWND> grids;
  for (const Child& child : children) {
    if (child.className == "SysListView32") grids.push_back(child.window);
  }
  return grids;
}

// Both grids emptied: each keeps one blank data row.
int cleared() {
  HWND pane = paneWindow();
  if (!pane) {
    fail("no pane window");
    return 1;
  }
  const std::vector<HWND> grids = gridsOf(pane);
  const bool blank = waitFor(
      [&] {
        for (HWND list : grids) {
          if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 1) return false;
          RemoteText remote(list);
          if (!remote.usable() || !remote.cell(list, 0, 0).empty()) return false;
        }
        return grids.size() == 2;
      },
      10s);
  if (!blank) fail("the grids were not emptied within 10 s");
  std::printf("grids emptied: %s\n", blank ? "yes" : "no");
  return blank ? 0 : 1;
}

int closed() {
  if (!waitFor([] { return anyPaneWindow() == nullptr; }, 15s)) {
    fail("the pane window is still there after 15 s");
    return 1;
  }
  return 0;
}

int close() {
  HWND pane = paneWindow();
  if (!pane) {
    fail("no pane window to close");
    return 1;
  }
  PostMessageW(pane, WM_CLOSE, 0, 0);
  if (!waitFor([] { return anyPaneWindow() == nullptr; }, 15s)) {
    fail("the pane window did not close within 15 s");
    return 1;
  }
  return 0;
}

// Attaches within `limit`, or returns an empty object.
femap::Object attachWithin(std::chrono::milliseconds limit) {
  femap::Object running;
  waitFor(
      [&] {
        try {
          running = femap::attach(femap::kFemapProgId);
          return true;
        } catch (const femap::Error&) {
          return false;
        }
      },
      limit);
  return running;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "check" && argc == 3) return check(argv[2]);
  if (command == "close" && argc == 2) return close();
  if (command == "cleared" && argc == 2) return cleared();
  if (command == "closed" && argc == 2) return closed();
  if (command == "event" && argc == 3) {
    const femap::com::ComInit com;
    femap::Object running = attachWithin(5s);
    if (!running) {
      fail("no running femap.model");
      return 1;
    }
    try {
      running.call("SimSendEvent", std::atoi(argv[2]));
    } catch (const femap::Error& failure) {
      fail(std::string("SimSendEvent: ") + failure.what());
      return 1;
    }
    return 0;
  }
  if ((command == "attach" || command == "quit") && argc == 2) {
    const femap::com::ComInit com;
    femap::Object running = attachWithin(command == "attach" ? 20s : 2s);
    if (!running) {
      if (command == "attach") fail("no running femap.model within 20 s");
      return command == "attach" ? 1 : 0;
    }
    if (command == "quit") {
      try {
        running.call("SimQuit");
      } catch (const femap::Error&) {
        // Gone already.
      }
    }
    return 0;
  }
  std::fprintf(stderr,
               "usage: pane-window-check attach | check CONTROL_FILE | event CODE | cleared | closed"
               " | close | quit\n");
  return 2;
}
