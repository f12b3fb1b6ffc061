#include <iostream>
#include <string>
#include <vector>

#include "femapsim/tool_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return femapsim::runToolCommand(arguments, std::cout, std::cerr);
}
