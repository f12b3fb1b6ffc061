// Reading and writing large Nastran decks: a plate of 1,000,000 grids and 1,000,000 CQUAD4 and
// a solid of CTETRA10 with about a million grids, each written to a file with the library's own
// writer (small fixed fields, as most decks are). For each deck: a plain line-by-line read of the
// same bytes, the library's read into typed cards (held to 3 times the plain read), the cross-
// reference check, and the deck written back; then the simulated FEMAP's whole `femapsim import`
// of the deck (read, checked, made a model, saved as a model file) and the deck it writes back
// from that model (feFileWriteNastran); the peak memory of each step. The plate is read at
// a tenth of its size too: ten times the deck must take at most twelve times as long.
//
//   build/bench/nastran_bench [FOLDER]     (the decks go to FOLDER, by default the temporary folder)
//
// Exit status 1, without figures, when a step fails; 1 after the figures when a target is missed.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "femapsim/model_file.h"
#include "femapsim/nastran_model.h"
#include "femapsim/tool_commands.h"
#include "nastran/cross_reference.h"
#include "nastran/deck.h"
#include "nastran/deck_writer.h"
#include "support/text_file.h"
#include "timing.h"

#if defined(__linux__)
#include <malloc.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr double kReadTarget = 3.0;     // the deck read within 3 times the plain read
constexpr double kGrowthTarget = 12.0;  // ten times the deck within 12 times the time

// The resident set's peak since the last reset, in MB (0 where the system does not say).
double peakMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

// Starts the peak over (Linux: "5" to clear_refs); the figure is then the step's own peak.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

nastran::Deck frame(int subcaseLoad) {
  nastran::Deck deck;
  deck.files = {"bench.dat"};
  deck.executive.solution = nastran::Solution{101, "SESTATIC", {}};
  deck.caseControl.global.load = subcaseLoad;
  deck.caseControl.global.spc = 1;
  deck.caseControl.global.outputs.push_back({"DISPLACEMENT", {}, "ALL", {}});
  return deck;
}

// A torus of side x side grids and as many CQUAD4: the mesh closes on itself both ways.
nastran::Deck plateDeck(int side) {
  nastran::Deck deck = frame(1);
  nastran::Bulk& bulk = deck.bulk;
  bulk.grids.reserve(static_cast<std::size_t>(side) * side);
  bulk.plates.reserve(static_cast<std::size_t>(side) * side);
  auto id = [side](int i, int j) { return 1 + (i % side) + side * (j % side); };
  const double step = 2 * std::numbers::pi / side;
  for (int j = 0; j < side; ++j) {
    for (int i = 0; i < side; ++i) {
      double ring = 100 + 30 * std::cos(j * step);
      bulk.grids.push_back(nastran::Grid{.id = id(i, j),
                                         .x = {ring * std::cos(i * step), ring * std::sin(i * step), 30 * std::sin(j * step)}});
    }
  }
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i)
      bulk.plates.push_back(nastran::Plate{.shape = nastran::PlateShape::Quad4,
                                           .eid = id(i, j),
                                           .pid = 1,
                                           .g = {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)}});
  bulk.pshells.push_back({.pid = 1, .mid1 = 1, .t = 0.8, .mid2 = 1});
  bulk.mat1s.push_back({.mid = 1, .e = 7.1e10, .nu = 0.33, .rho = 2700});
  bulk.pload4s.push_back({.sid = 1, .eid = 1, .p1 = 1e5, .thru = side * side});
  bulk.spc1s.push_back({.sid = 1, .c = nastran::Components::all(), .grids = {1, side}, .thru = true});
  return deck;
}

// A cube of cells x cells x cells hexahedra, each cut into six CTETRA10 (the cut along each
// hexahedron's main diagonal, which neighbours share): (2 cells + 1)^3 grids.
nastran::Deck tetraDeck(int cells) {
  nastran::Deck deck = frame(1);
  nastran::Bulk& bulk = deck.bulk;
  const int points = 2 * cells + 1;  // corners and mid-side points along an edge
  auto id = [points](int i, int j, int k) { return 1 + i + points * (j + points * k); };
  bulk.grids.reserve(static_cast<std::size_t>(points) * points * points);
  for (int k = 0; k < points; ++k)
    for (int j = 0; j < points; ++j)
      for (int i = 0; i < points; ++i)
        bulk.grids.push_back(nastran::Grid{.id = id(i, j, k), .x = {0.5 * i, 0.5 * j, 0.5 * k}});
  const int axes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  int eid = 0;
  bulk.solids.reserve(static_cast<std::size_t>(6) * cells * cells * cells);
  for (int k = 0; k < cells; ++k) {
    for (int j = 0; j < cells; ++j) {
      for (int i = 0; i < cells; ++i) {
        for (const auto& order : axes) {
          // From the cell's first corner to its opposite one, one axis at a time.
          int corner[4][3] = {{2 * i, 2 * j, 2 * k}};
          for (int c = 1; c < 4; ++c) {
            for (int a = 0; a < 3; ++a) corner[c][a] = corner[c - 1][a];
            corner[c][order[c - 1]] += 2;
          }
          auto grid = [&](int a, int b) {
            return id((corner[a][0] + corner[b][0]) / 2, (corner[a][1] + corner[b][1]) / 2, (corner[a][2] + corner[b][2]) / 2);
          };
          nastran::Solid tetra{.shape = nastran::SolidShape::Tetra, .eid = ++eid, .pid = 1};
          const int edges[10][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
          for (int n = 0; n < 10; ++n) tetra.g[static_cast<std::size_t>(n)] = grid(edges[n][0], edges[n][1]);
          bulk.solids.push_back(tetra);
        }
      }
    }
  }
  bulk.psolids.push_back({.pid = 1, .mid = 1});
  bulk.mat1s.push_back({.mid = 1, .e = 2.1e11, .nu = 0.3, .rho = 7850});
  bulk.gravs.push_back({.sid = 1, .a = 9.81, .n = {0, 0, -1}});
  bulk.spc1s.push_back({.sid = 1, .c = nastran::Components::parse("123").value(), .grids = {1, points * points}, .thru = true});
  return deck;
}

struct Figure {
  std::string step;
  double seconds = 0;
  double cpuSeconds = 0;
  double peakMegabytes = 0;
};

// What each step of one deck takes. A further step (such as the simulated FEMAP importing the
// deck) is one more entry in `steps` below.
struct DeckRun {
  std::string name;
  fs::path file;
  std::uintmax_t bytes = 0;
  std::size_t cards = 0;
  std::vector<Figure> figures;

  // Processor time: on a machine shared with other work, wall-clock time measures the others too.
  double seconds(const std::string& step) const {
    for (const Figure& figure : figures)
      if (figure.step == step) return figure.cpuSeconds;
    return 0;
  }
};

// Processor time of the process (on Windows std::clock gives wall-clock time).
double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The best of `repetitions` runs, in wall-clock and in processor time.
double timed(int repetitions, const std::function<void()>& work, double& peak, double& cpu) {
  resetPeak();
  double seconds = 1e300;
  cpu = 1e300;
  for (int i = 0; i < repetitions; ++i) {
    double cpuStart = cpuSeconds();
    seconds = std::min(seconds, bench::bestSeconds(1, work));
    cpu = std::min(cpu, cpuSeconds() - cpuStart);
  }
  peak = peakMegabytes();
  return seconds;
}

DeckRun measure(const std::string& name, nastran::Deck generated, const fs::path& folder, int repetitions) {
  DeckRun run{name, folder / (name + ".dat"), 0, 0, {}};
  nastran::writeDeckFile(run.file, generated, nastran::WriteOptions{.format = nastran::FieldFormat::Fixed});
  run.bytes = fs::file_size(run.file);
  const std::size_t expectedGrids = generated.bulk.grids.size();
  const std::size_t expectedPlates = generated.bulk.plates.size();
  const std::size_t expectedSolids = generated.bulk.solids.size();
  generated = nastran::Deck();  // out of the way of the peaks below

  nastran::Deck deck;
  femapsim::Model model;
  std::size_t lines = 0;
  struct Step {
    std::string name;
    std::function<void()> work;
  };
  std::vector<Step> steps = {
      {"plain line-by-line read",
       [&] {
         std::ifstream stream(run.file, std::ios::binary);
         std::string line;
         lines = 0;
         std::uintmax_t bytes = 0;
         while (std::getline(stream, line)) {
           ++lines;
           bytes += line.size() + 1;  // the line and its end
         }
         // Every byte of the deck, as the deck read takes them (the last line ends in a newline).
         if (lines == 0 || bytes != run.bytes)
           throw std::runtime_error(run.file.string() + ": the plain read took " + std::to_string(bytes) + " of " +
                                    std::to_string(run.bytes) + " bytes");
       }},
      {"deck read into typed cards",
       [&] {
         deck = nastran::Deck();
         deck = nastran::readDeckFile(run.file, run.file.filename().string());
         auto expect = [&](const char* what, std::size_t read, std::size_t written) {
           if (read != written)
             throw std::runtime_error(run.file.string() + ": " + std::to_string(read) + " " + what + " read, " +
                                      std::to_string(written) + " written");
         };
         expect("grids", deck.bulk.grids.size(), expectedGrids);
         expect("plates", deck.bulk.plates.size(), expectedPlates);
         expect("solids", deck.bulk.solids.size(), expectedSolids);
       }},
      {"cross-reference check",
       [&] {
         std::vector<nastran::DeckError> problems = nastran::checkReferences(deck);
         if (!problems.empty()) throw std::runtime_error(problems.front().what());
       }},
      {"deck written back",
       [&] { nastran::writeDeckFile(folder / (name + "-written.dat"), deck, {.format = nastran::FieldFormat::Fixed}); }},
      {"femapsim import",
       [&] {
         deck = nastran::Deck();  // the import reads the deck itself
         std::ostringstream out, err;
         if (femapsim::runToolCommand({"import", run.file.string(), (folder / (name + ".mod")).string()}, out, err) != 0)
           throw std::runtime_error("femapsim import " + run.file.string() + ": " + err.str());
       }},
      {"model read for the write",
       [&] {
         model = femapsim::Model();
         model = femapsim::loadModelFile(folder / (name + ".mod"));
         if (model.table(femapsim::Kind::Node).size() != expectedGrids)
           throw std::runtime_error(name + ".mod: " + std::to_string(model.table(femapsim::Kind::Node).size()) + " nodes");
       }},
      {"FEMAP's deck written back",
       [&] { support::writeFileAtomically(folder / (name + "-femap.dat"), femapsim::formatNastranModelDeck(model)); }},
  };
  for (const Step& step : steps) {
    double peak = 0, cpu = 0;
    double seconds = timed(repetitions, step.work, peak, cpu);
    run.figures.push_back({step.name, seconds, cpu, peak});
  }
  run.cards = model.table(femapsim::Kind::Node).size() + model.table(femapsim::Kind::Elem).size();
  fs::remove(folder / (name + "-written.dat"));
  fs::remove(folder / (name + "-femap.dat"));
  fs::remove(folder / (name + ".mod"));
  fs::remove(run.file);
  return run;
}

// What the first touch of fresh memory costs here, in processor seconds per 100 MB: the typed
// cards of a large deck are hundreds of MB, which a plain line read never needs.
double freshMemoryCost() {
  constexpr std::size_t kBytes = 256u << 20;
  double start = cpuSeconds();
  std::vector<char> memory(kBytes, 1);  // allocated and written once
  double seconds = cpuSeconds() - start;
  volatile char keep = memory[kBytes / 2];
  (void)keep;
  return seconds * (100.0 * (1 << 20)) / static_cast<double>(kBytes);
}

void print(const DeckRun& run) {
  std::printf("%s: %.1f MB, %zu grids and elements\n", run.name.c_str(), static_cast<double>(run.bytes) / 1e6, run.cards);
  for (const Figure& figure : run.figures)
    std::printf("  %-28s %8.3f s (processor %7.3f s) %8.1f MB/s  peak %7.0f MB\n", figure.step.c_str(), figure.seconds,
                figure.cpuSeconds, static_cast<double>(run.bytes) / 1e6 / figure.cpuSeconds, figure.peakMegabytes);
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__linux__)
  // Large blocks from the system every time, for the small deck as for the large one: otherwise
  // the best of several reads of a small deck reuses the memory of the read before it, which a
  // program reading one deck never can, and the two would not compare.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
  fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  std::vector<DeckRun> runs;
  try {
    runs.push_back(measure("plate-100k", plateDeck(316), folder, 3));
    runs.push_back(measure("plate-1M", plateDeck(1000), folder, 2));
    runs.push_back(measure("tetra10-1M", tetraDeck(50), folder, 2));
  } catch (const std::exception& error) {
    std::cerr << "nastran_bench: " << error.what() << "\n";
    return 1;
  }
  for (const DeckRun& run : runs) print(run);
  std::printf("fresh memory costs %.3f s of processor time per 100 MB on this machine\n", freshMemoryCost());

  bool missed = false;
  for (const DeckRun& run : runs) {
    double ratio = run.seconds("deck read into typed cards") / run.seconds("plain line-by-line read");
    std::printf("%s: the deck read takes %.2f times the plain read (target %.0f)\n", run.name.c_str(), ratio, kReadTarget);
    missed = missed || ratio > kReadTarget;
  }
  const DeckRun& small = runs[0];
  const DeckRun& large = runs[1];
  double scale = static_cast<double>(large.cards) / static_cast<double>(small.cards);
  double growth = large.seconds("deck read into typed cards") / small.seconds("deck read into typed cards");
  std::printf("plate: %.1f times the cards take %.1f times as long to read (target at most %.0f)\n", scale, growth,
              kGrowthTarget);
  for (const DeckRun& run : runs) {
    std::printf("%s: femapsim import %.2f times the deck read, FEMAP's deck written back %.2f times the library's\n",
                run.name.c_str(), run.seconds("femapsim import") / run.seconds("deck read into typed cards"),
                run.seconds("FEMAP's deck written back") / run.seconds("deck written back"));
  }
  std::printf("plate: femapsim import grows %.1f times for %.1f times the cards\n",
              large.seconds("femapsim import") / small.seconds("femapsim import"), scale);
  missed = missed || growth > kGrowthTarget;
  if (missed) {
    std::cerr << "nastran_bench: a target is missed\n";
    return 1;
  }
  return 0;
}
