#pragma once
// The command line of femapsim-server:
//
//   femapsim-server /regserver [OPTIONS]   register "femap.model" for the current user; COM then
//                                          starts the server with OPTIONS and -Embedding
//   femapsim-server /unregserver           remove that registration
//   femapsim-server [-Embedding] [OPTIONS] serve (-Embedding: COM started it for a client)
//
//   --open A.mod;B.mod   models open in the FEMAP that runs from the start (not with -Embedding),
//                        the last one current
//   --messages PATH      every message-window line is appended to PATH (colour, tab, text, CR LF)
//   --idle SECONDS       end after that long without a call from a client (0: never)
//   --lifetime SECONDS   end after that long whatever happens (0: never)
//
// The environment gives the same as FEMAPSIM_OPEN, FEMAPSIM_MESSAGES, FEMAPSIM_SERVER_IDLE and
// FEMAPSIM_SERVER_LIFETIME; the command line wins.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace femapsim::server {

struct ServerOptions {
  enum class Action { Serve, Register, Unregister };
  Action action = Action::Serve;
  bool embedding = false;
  std::vector<std::string> openModels;
  std::string messageFile;
  int idleSeconds = 300;
  int lifetimeSeconds = 3600;
  // The serving options given with /regserver, for the registered command line.
  std::vector<std::string> serveArguments;
};

using Environment = std::function<std::optional<std::string>(const char* name)>;

// Throws support::RuntimeError for an unknown option or a bad value.
ServerOptions parseOptions(const std::vector<std::string>& arguments, const Environment& environment);

extern const char* const kUsage;

}  // namespace femapsim::server
