#pragma once
// Reaching an automation server by its ProgID ("femap.model"): attach to the running
// instance, or create a new one. On Windows this is COM; elsewhere the in-process ProgID
// registry, where the simulated FEMAP is registered by the programs that use it. On Windows a
// ProgID registered in the process's own registry is served from there (the programs
// register none; tests that run the simulated FEMAP in-process do).

#include <string_view>

#include "femap/object.h"
#include "support/progid_registry.h"

namespace femap {

inline constexpr std::string_view kFemapProgId = "femap.model";

// The registry of the in-process world (not used by the Windows transport).
using ProgIdRegistry = support::ProgIdRegistry<Object>;

// The running instance; throws femap::Error when none runs or the ProgID is unknown.
Object attach(std::string_view progId);
// A new instance; throws femap::Error when it cannot be created.
Object create(std::string_view progId);

// Attach, else create. `attached` tells which one happened.
struct Connection {
  Object object;
  bool attached = false;
};
Connection connect(std::string_view progId);

// The same through the in-process registry alone.
namespace in_process {
Object attach(std::string_view progId);
Object create(std::string_view progId);
}  // namespace in_process

}  // namespace femap
