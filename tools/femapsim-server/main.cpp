// femapsim-server: the simulated FEMAP as the COM local server "femap.model".
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/wide_text.h"
#include "tools/femapsim-server/local_server.h"
#include "tools/femapsim-server/registration.h"
#include "tools/femapsim-server/server_options.h"

namespace {

using femapsim::server::ServerOptions;

std::vector<std::string> commandLineArguments() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  for (int i = 1; arguments && i < count; ++i) result.push_back(support::fromWide(arguments[i]));
  LocalFree(arguments);
  return result;
}

std::optional<std::string> environment(const char* name) {
  const std::wstring wideName = support::toWide(name);
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(wideName.c_str(), value.data(), size));
  return support::fromWide(value);
}

std::wstring programPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

std::wstring quoted(const std::wstring& argument) {
  return argument.find_first_of(L" \t\"") == std::wstring::npos ? argument : L"\"" + argument + L"\"";
}

// What COM runs to start the server: the program and the serving options given to /regserver.
std::wstring serverCommand(const ServerOptions& options) {
  std::wstring command = L"\"" + programPath() + L"\"";
  for (const std::string& argument : options.serveArguments) command += L" " + quoted(support::toWide(argument));
  return command;
}

}  // namespace

int main() {
  try {
    const ServerOptions options = femapsim::server::parseOptions(commandLineArguments(), environment);
    switch (options.action) {
      case ServerOptions::Action::Register:
        femapsim::server::registerServer(serverCommand(options));
        return 0;
      case ServerOptions::Action::Unregister:
        femapsim::server::unregisterServer();
        return 0;
      case ServerOptions::Action::Serve:
        return femapsim::server::runServer(options);
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "femapsim-server: %s\n%s", failure.what(), femapsim::server::kUsage);
  }
  return 2;
}
