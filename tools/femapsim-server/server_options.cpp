#include "tools/femapsim-server/server_options.h"

#include "support/err.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace femapsim::server {
namespace {

std::vector<std::string> modelList(const std::string& text) {
  std::vector<std::string> models;
  for (const std::string& path : support::split(text, ";")) {
    if (!path.empty()) models.push_back(path);
  }
  return models;
}

int seconds(const std::string& name, const std::string& text) {
  const auto value = support::parseNumber(text);
  if (!value || *value < 0 || *value > 86400 || *value != static_cast<int>(*value)) {
    throw support::RuntimeError(name + " wants whole seconds from 0 to 86400, not \"" + text + "\"");
  }
  return static_cast<int>(*value);
}

bool isSwitch(const std::string& argument, const char* name) {
  return argument.size() > 1 && (argument[0] == '/' || argument[0] == '-') &&
         support::equalsIgnoreCase(std::string_view(argument).substr(1), name);
}

}  // namespace

const char* const kUsage =
    "usage: femapsim-server /regserver [OPTIONS] | /unregserver | [-Embedding] [OPTIONS]\n"
    "options: --open A.mod;B.mod  --messages PATH  --idle SECONDS  --lifetime SECONDS\n";

ServerOptions parseOptions(const std::vector<std::string>& arguments, const Environment& environment) {
  ServerOptions options;
  if (auto open = environment("FEMAPSIM_OPEN")) options.openModels = modelList(*open);
  if (auto messages = environment("FEMAPSIM_MESSAGES")) options.messageFile = *messages;
  if (auto idle = environment("FEMAPSIM_SERVER_IDLE")) options.idleSeconds = seconds("FEMAPSIM_SERVER_IDLE", *idle);
  if (auto lifetime = environment("FEMAPSIM_SERVER_LIFETIME")) {
    options.lifetimeSeconds = seconds("FEMAPSIM_SERVER_LIFETIME", *lifetime);
  }

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw support::RuntimeError(argument + " needs a value");
      options.serveArguments.push_back(argument);
      options.serveArguments.push_back(arguments[i + 1]);
      return arguments[++i];
    };
    if (isSwitch(argument, "regserver")) {
      options.action = ServerOptions::Action::Register;
    } else if (isSwitch(argument, "unregserver")) {
      options.action = ServerOptions::Action::Unregister;
    } else if (isSwitch(argument, "Embedding")) {
      options.embedding = true;
    } else if (argument == "--open") {
      options.openModels = modelList(value());
    } else if (argument == "--messages") {
      options.messageFile = value();
    } else if (argument == "--idle") {
      options.idleSeconds = seconds(argument, value());
    } else if (argument == "--lifetime") {
      options.lifetimeSeconds = seconds(argument, value());
    } else {
      throw support::RuntimeError("unknown argument \"" + argument + "\"");
    }
  }
  return options;
}

}  // namespace femapsim::server
