// Connecting by ProgID through the in-process registry (every system but Windows).
#include "femap/connect.h"

#include <exception>
#include <string>

namespace femap {
namespace {

[[noreturn]] void cannotCreate() { throw Error("ActiveX component can't create object"); }

const ProgIdRegistry::Factory& factoryOf(std::string_view progId) {
  const auto* factory = ProgIdRegistry::instance().find(progId);
  if (!factory) cannotCreate();
  return *factory;
}

}  // namespace

Object attach(std::string_view progId) {
  const auto& factory = factoryOf(progId);
  Object object;
  if (factory.attach) {
    try {
      object = factory.attach();
    } catch (const Error&) {
      throw;
    } catch (const std::exception& failure) {
      throw Error(failure.what());
    }
  }
  if (!object) cannotCreate();
  return object;
}

Object create(std::string_view progId) {
  const auto& factory = factoryOf(progId);
  Object object;
  if (factory.create) {
    try {
      object = factory.create();
    } catch (const Error&) {
      throw;
    } catch (const std::exception& failure) {
      throw Error(failure.what());
    }
  }
  if (!object) cannotCreate();
  return object;
}

Connection connect(std::string_view progId) {
  try {
    return {attach(progId), true};
  } catch (const Error&) {
    return {create(progId), false};
  }
}

}  // namespace femap
