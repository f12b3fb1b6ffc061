// nastran-ccx on a generated block of CTETRA10 (six to a cube of the block, with every mid-side
// grid), clamped at its base and pressed on its top by PLOAD4: its own work (reading the deck,
// building the model, writing CalculiX's input, reading CalculiX's listing, making the results,
// writing the OUTPUT2 file) timed step by step against CalculiX's solve of the same input.
// The steps are the program's own, called in turn as its front end calls them; wall-clock
// times. Any failure (a deck refused, CalculiX failing, a results check failing) stops the
// benchmark with its message and no figures.
//
//   nastran_ccx_bench [TETRAS]   (default 20,000; the full size is 200,000, about 280,000 grids)
//
// CalculiX is `ccx` in PATH, or NASTRAN_CCX_CCX.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ccx_job.h"
#include "ccx_output.h"
#include "model_builder.h"
#include "nastran/deck.h"
#include "results.h"
#include "support/text_file.h"
#include "work_folder.h"

namespace {

double secondsOf(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The deck: an nx x ny x nz block of unit cubes on a lattice of half steps, each cube six
// tetrahedra round its main diagonal.
std::string generatedDeck(int nx, int ny, int nz) {
  auto id = [&](int i, int j, int k) { return 1 + i + (2 * nx + 1) * (j + (2 * ny + 1) * k); };
  std::string deck = "SOL 101\nCEND\nTITLE = nastran-ccx benchmark\nSUBCASE 1\n  LOAD = 1\n  SPC = 1\nBEGIN BULK\n";
  deck.reserve(static_cast<std::size_t>(nx * ny * nz) * 900);
  char line[200];
  for (int k = 0; k <= 2 * nz; ++k)
    for (int j = 0; j <= 2 * ny; ++j)
      for (int i = 0; i <= 2 * nx; ++i) {
        std::snprintf(line, sizeof line, "GRID,%d,,%.6g,%.6g,%.6g\n", id(i, j, k), i * 0.5, j * 0.5, k * 0.5);
        deck += line;
      }
  static const int kAxes[6][2] = {{0, 1}, {0, 2}, {1, 0}, {1, 2}, {2, 0}, {2, 1}};
  static const int kEdges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
  int eid = 0;
  std::string loads;
  for (int k = 0; k < nz; ++k)
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i)
        for (const auto& axes : kAxes) {
          int corner[4][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {2, 2, 2}};
          corner[1][axes[0]] = 2;
          corner[2][axes[0]] = 2;
          corner[2][axes[1]] = 2;
          int grids[10];
          for (int c = 0; c < 4; ++c) grids[c] = id(2 * i + corner[c][0], 2 * j + corner[c][1], 2 * k + corner[c][2]);
          for (int e = 0; e < 6; ++e) {
            const int* a = corner[kEdges[e][0]];
            const int* b = corner[kEdges[e][1]];
            grids[4 + e] = id(2 * i + (a[0] + b[0]) / 2, 2 * j + (a[1] + b[1]) / 2, 2 * k + (a[2] + b[2]) / 2);
          }
          std::snprintf(line, sizeof line, "CTETRA,%d,1,%d,%d,%d,%d,%d,%d\n+,%d,%d,%d,%d\n", ++eid, grids[0], grids[1],
                        grids[2], grids[3], grids[4], grids[5], grids[6], grids[7], grids[8], grids[9]);
          deck += line;
          // The tetrahedra with a face on the top: those whose path rose first along Z have
          // corners 1, 2 and 3 there, corner 0 off it.
          if (k == nz - 1 && axes[0] == 2) {
            std::snprintf(line, sizeof line, "PLOAD4,1,%d,10.,,,,%d,%d\n", eid, grids[1], grids[0]);
            loads += line;
          }
        }
  deck += loads + "PSOLID,1,1\nMAT1,1,2.E+5,,.3\n";
  for (int j = 0; j <= 2 * ny; ++j)
    for (int i = 0; i <= 2 * nx; ++i) {
      std::snprintf(line, sizeof line, "SPC1,1,123,%d\n", id(i, j, 0));
      deck += line;
    }
  return deck + "ENDDATA\n";
}

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    long tetras = argc > 1 ? std::atol(argv[1]) : 20000;
    if (tetras < 6) throw std::runtime_error("the block needs at least 6 tetrahedra");
    // Cubes of the block: nx = ny, nz about the same.
    int n = std::max(1, static_cast<int>(std::cbrt(static_cast<double>(tetras) / 6)));
    int nz = std::max(1, static_cast<int>(std::lround(static_cast<double>(tetras) / (6.0 * n * n))));
    nastranccx::WorkFolder work;
    std::filesystem::path deckPath = work.path() / "block.dat";
    support::writeFileAtomically(deckPath, generatedDeck(n, n, nz));

    double readDeck = 0, writeInput = 0, solve = 0, readListing = 0, results = 0, writeResults = 0;
    nastranccx::Model model;
    nastranccx::CcxJob job;
    readDeck = secondsOf([&] { model = nastranccx::buildModel(nastran::readDeckFile(deckPath, "block.dat")); });
    writeInput = secondsOf([&] {
      job = nastranccx::buildCcxJob(model);
      support::writeFileAtomically(work.path() / "block.inp", job.inputText);
    });
    const char* configured = std::getenv("NASTRAN_CCX_CCX");
    std::string ccx = configured && *configured ? configured : "ccx";
    std::string command = "cd '" + work.path().string() + "' && '" + ccx + "' block > ccx.log 2>&1";
    solve = secondsOf([&] {
      if (std::system(command.c_str()) != 0) throw std::runtime_error("CalculiX failed: see its log");
    });
    nastranccx::checkCcxLog(readAll(work.path() / "ccx.log"), "block.dat");
    std::vector<nastranccx::CcxDatResults> listing;
    readListing = secondsOf([&] { listing = nastranccx::readCcxDat(readAll(work.path() / "block.dat"), "block.dat"); });
    if (listing.size() != job.steps.size()) throw std::runtime_error("CalculiX's listing lacks the step's results");
    std::vector<resultfiles::SubcaseResults> subcases;
    results = secondsOf([&] {
      subcases.push_back(nastranccx::makeSubcaseResults(model, job, job.steps.front(), listing.front(), "block.dat"));
    });
    writeResults = secondsOf([&] {
      nastranccx::writeFileAtomically(work.path() / "block.op2",
                                      nastranccx::formatResultsFile(subcases, nastranccx::ResultsFormat::Output2,
                                                                    {1, 2, 2026}));
    });
    double own = readDeck + writeInput + readListing + results + writeResults;
    std::printf("nastran-ccx, %zu CTETRA10, %zu grids (block %d x %d x %d cubes)\n", model.elements.size(),
                model.grids.size(), n, n, nz);
    std::printf("  read the deck, build the model   %8.2f s\n", readDeck);
    std::printf("  write CalculiX's input           %8.2f s\n", writeInput);
    std::printf("  read CalculiX's listing          %8.2f s\n", readListing);
    std::printf("  make the results (with checks)   %8.2f s\n", results);
    std::printf("  write the OUTPUT2 file           %8.2f s\n", writeResults);
    std::printf("  nastran-ccx's own time           %8.2f s\n", own);
    std::printf("  CalculiX's solve                 %8.2f s\n", solve);
    std::printf("  own time / solve                 %8.1f %%\n", 100 * own / solve);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "nastran_ccx_bench: %s\n", error.what());
    return 1;
  }
}
