#pragma once
// Registering the server as "femap.model": ProgID → CLSID → LocalServer32 command line, under
// HKEY_CURRENT_USER\Software\Classes, so no administrator rights are needed. Where the
// system's merged view of classes does not show per-user classes, the same keys go to
// HKEY_LOCAL_MACHINE\Software\Classes too (a machine registration that is not ours is left
// alone).

#include <string>

#include "femap/com/com_headers.h"

namespace femapsim::server {

// The class of the simulated FEMAP's application object.
extern const CLSID kApplicationClass;

// `command` is the full LocalServer32 value (program path and serving options).
// Throws support::RuntimeError when the registry cannot be written.
void registerServer(const std::wstring& command);
void unregisterServer();

}  // namespace femapsim::server
