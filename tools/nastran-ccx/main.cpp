#include <iostream>
#include <string>
#include <vector>

#include "front_end.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return nastranccx::runFrontEnd(arguments, std::cerr);
}
