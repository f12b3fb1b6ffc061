#pragma once
// The server proper. It registers its class factory (one process serves every client) and
// keeps the current application in the running-object table, so that attaching finds it:
// started by hand it begins with a running FEMAP (with the --open models); started by COM
// (-Embedding) the class factory makes it. Every CreateInstance starts a new FEMAP, which
// becomes the running one, as creating does in the in-process world.
//
// A watchdog ends the server after --idle seconds without a call or --lifetime seconds in
// all, and kills it if ending takes longer than a few seconds, so no test can hang on it.

#include "tools/femapsim-server/server_options.h"

namespace femapsim::server {

// Serves until SimQuit or the watchdog ends it; returns the process's exit status.
int runServer(const ServerOptions& options);

}  // namespace femapsim::server
