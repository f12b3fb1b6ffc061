// A stand-in for CalculiX's ccx that replays a stored listing: "ccx JOB" copies the file named
// by CCX_REPLAY_LISTING to JOB.dat in the current folder and says "Job finished", as ccx
// does at the end of a run. With it nastran-ccx runs where CalculiX is not installed (the
// Windows build under wine) and gives results that do not depend on a CalculiX version.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  const char* listing = std::getenv("CCX_REPLAY_LISTING");
  if (argc != 2 || !listing || !*listing) {
    std::cout << "*ERROR: usage: CCX_REPLAY_LISTING=FILE ccx JOB" << std::endl;
    return 1;
  }
  std::ifstream in(listing, std::ios::binary);
  std::ofstream out(std::string(argv[1]) + ".dat", std::ios::binary);
  out << in.rdbuf();
  out.close();
  if (!in || !out) {
    std::cout << "*ERROR: cannot copy " << listing << " to " << argv[1] << ".dat" << std::endl;
    return 1;
  }
  std::cout << "Job finished" << std::endl;
  return 0;
}
