// "FunctionsInputvalues.txt" through the parser Modprep reads it with.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "exchange/functions_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const exchange::FunctionsFile file =
      exchange::parseFunctionsFile(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const exchange::FunctionBlock& block : file.blocks) {
    // Never more point lines than the block's count, and none after a header that failed.
    if (block.lines.size() > static_cast<std::size_t>(block.count)) __builtin_trap();
    if (!block.headerError.empty() && !block.lines.empty()) __builtin_trap();
  }
  return 0;
}
