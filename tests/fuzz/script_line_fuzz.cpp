// A pane-script scenario line through the tokenizer the scenario driver uses.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "panescript/script_line.h"
#include "support/err.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  try {
    std::size_t characters = 0;
    for (const std::string& token : panescript::tokenize(line)) characters += token.size();
    if (characters > line.size()) __builtin_trap();  // escapes only ever shorten the text
  } catch (const support::RuntimeError&) {
    // a quote that is not closed
  }
  return 0;
}
