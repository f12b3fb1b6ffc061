#include "femapsim/dispatch.h"

namespace femapsim {

const femap::Variant& argument(Args args, std::size_t index, std::string_view kind,
                               std::string_view member) {
  if (index >= args.size()) {
    throw femap::Error(std::string(kind) + "." + std::string(member) + ": argument " +
                       std::to_string(index + 1) + " not optional");
  }
  return args[index];
}

femap::Error unknownMember(std::string_view kind, std::string_view member) {
  return femap::Error(std::string(kind) + " has no member \"" + std::string(member) + "\"");
}

}  // namespace femapsim
