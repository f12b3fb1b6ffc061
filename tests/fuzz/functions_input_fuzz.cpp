// "FunctionsInputvalues.txt" as Modprep reads it: blocks of ID, title, count and points.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "modprep/function_inputs.h"
#include "support/err.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  modprep::FunctionInputReader reader(std::string(reinterpret_cast<const char*>(data), size));
  while (reader.findBlock()) {
    try {
      std::string idLine = reader.readLine();
      std::string title = reader.readLine();
      modprep::functionInteger(idLine);
      std::int32_t count = modprep::functionInteger(reader.readLine());
      std::vector<double> x;
      for (std::int32_t j = 0; j < count && !reader.atEnd(); ++j) {
        try {
          x.push_back(modprep::functionPoint(reader.readLine()).x);
        } catch (const support::RuntimeError&) {
        }
      }
    } catch (const support::RuntimeError&) {
    }
  }
  return 0;
}
