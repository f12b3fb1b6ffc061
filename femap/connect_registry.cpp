// Connecting by ProgID through the in-process registry: the only way on every system but
// Windows; on Windows for the ProgIDs that a test registered in its own process.
#include "femap/connect.h"

#include <exception>
#include <functional>
#include <string>

namespace femap {
namespace {

[[noreturn]] void cannotCreate() { throw Error("ActiveX component can't create object"); }

// Runs one of a ProgID's factories; every failure becomes femap::Error.
Object instantiate(std::string_view progId, std::function<Object()> ProgIdRegistry::Factory::*which) {
  const auto* factory = ProgIdRegistry::instance().find(progId);
  if (!factory) cannotCreate();
  Object object;
  if (factory->*which) {
    try {
      object = (factory->*which)();
    } catch (const Error&) {
      throw;
    } catch (const std::exception& failure) {
      throw Error(failure.what());
    }
  }
  if (!object) cannotCreate();
  return object;
}

}  // namespace

namespace in_process {

Object attach(std::string_view progId) { return instantiate(progId, &ProgIdRegistry::Factory::attach); }

Object create(std::string_view progId) { return instantiate(progId, &ProgIdRegistry::Factory::create); }

}  // namespace in_process

#ifndef _WIN32
Object attach(std::string_view progId) { return in_process::attach(progId); }

Object create(std::string_view progId) { return in_process::create(progId); }

Connection connect(std::string_view progId) {
  try {
    return {attach(progId), true};
  } catch (const Error&) {
    return {create(progId), false};
  }
}
#endif

}  // namespace femap
