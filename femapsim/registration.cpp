#include "femapsim/registration.h"

#include <cstdlib>
#include <string>

#include "femap/connect.h"
#include "support/strings.h"

namespace femapsim {
namespace {

std::shared_ptr<Application>& running() {
  static std::shared_ptr<Application> application;
  return application;
}

bool& forcedUnavailable() {
  static bool unavailable = false;
  return unavailable;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool unavailable() { return forcedUnavailable() || environment("FEMAPSIM_UNAVAILABLE") == "1"; }

std::shared_ptr<Application> newApplication() {
  auto application = std::make_shared<Application>();
  std::string messages = environment("FEMAPSIM_MESSAGES");
  if (!messages.empty()) application->setMessageFile(messages);
  return application;
}

femap::Object attachFactory() {
  if (unavailable()) return {};
  if (!running() && environment("FEMAPSIM_ATTACH") == "1") {
    auto application = newApplication();
    for (const std::string& path : support::split(environment("FEMAPSIM_OPEN"), ";")) {
      if (!path.empty()) application->openModel(path);
    }
    running() = application;
  }
  return running() ? femap::Object(running()) : femap::Object();
}

femap::Object createFactory() {
  if (unavailable()) return {};
  running() = newApplication();
  return femap::Object(running());
}

}  // namespace

void registerFemapSim() {
  femap::ProgIdRegistry::instance().add(femap::kFemapProgId, {attachFactory, createFactory});
}

std::shared_ptr<Application> runningApplication() { return running(); }

std::shared_ptr<Application> startRunningApplication() {
  running() = newApplication();
  return running();
}

void stopRunningApplication() { running().reset(); }

void setFemapUnavailable(bool unavailable) { forcedUnavailable() = unavailable; }

}  // namespace femapsim
