// Load and save of generated models of 10,000 and 100,000 entities: the growth from the small
// to the large model (linear is 10) and the load time against a plain line-by-line read of
// the same file.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "femapsim/model_file.h"
#include "timing.h"

namespace {

// A plate-like mesh: nodes on a grid, quadrilaterals between them, a property per 100
// elements, one material.
std::string generatedModel(int entities) {
  int side = 1;
  while ((side + 1) * (side + 1) + side * side < entities) ++side;
  std::string text = "FEMAPSIM 1\nmodel title=\"generated\"\nmatl 1 title=\"Steel\" Ex=210000 Nuxy=0.3 Density=7.85e-09\n";
  int properties = side * side / 100 + 1;
  for (int p = 1; p <= properties; ++p) {
    text += "prop " + std::to_string(p) + " type=17 title=\"Plate " + std::to_string(p) + "\" matlID=1 pval=" +
            std::to_string(1.0 + p * 0.001) + "\n";
  }
  auto node = [&](int i, int j) { return i * (side + 1) + j + 1; };
  for (int i = 0; i <= side; ++i) {
    for (int j = 0; j <= side; ++j) {
      text += "node " + std::to_string(node(i, j)) + " x=" + std::to_string(j * 10.125) + " y=" +
              std::to_string(i * 10.375) + " z=0\n";
    }
  }
  int element = 1;
  for (int i = 0; i < side; ++i) {
    for (int j = 0; j < side; ++j, ++element) {
      text += "elem " + std::to_string(element) + " type=17 topology=4 propID=" + std::to_string(element / 100 + 1) +
              " node=" + std::to_string(node(i, j)) + "," + std::to_string(node(i, j + 1)) + "," +
              std::to_string(node(i + 1, j + 1)) + "," + std::to_string(node(i + 1, j)) + "\n";
    }
  }
  return text;
}

struct Timings {
  std::size_t entities;
  double load, save, plain, tokenized;
};

Timings measure(int entities, const std::filesystem::path& folder) {
  auto path = folder / ("generated-" + std::to_string(entities) + ".mod");
  std::ofstream(path, std::ios::binary) << generatedModel(entities);
  femapsim::Model model;
  Timings timings{};
  timings.load = bench::bestSeconds(5, [&] { model = femapsim::loadModelFile(path); });
  timings.entities = model.entityCount();
  timings.save = bench::bestSeconds(5, [&] { femapsim::saveModelFile(model, folder / "saved.mod"); });
  timings.plain = bench::bestSeconds(5, [&] {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(file, line)) ++lines;
    if (lines == 0) std::puts("empty");
  });
  // The same read, each line also split into its blank-separated fields.
  timings.tokenized = bench::bestSeconds(5, [&] {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    std::size_t fields = 0;
    while (std::getline(file, line)) {
      bool inField = false;
      for (char c : line) {
        bool blank = c == ' ';
        if (!blank && !inField) ++fields;
        inField = !blank;
      }
    }
    if (fields == 0) std::puts("empty");
  });
  return timings;
}

}  // namespace

int main() {
  auto folder = std::filesystem::temp_directory_path() / "femapsim-bench";
  std::filesystem::create_directories(folder);
  Timings small = measure(10000, folder);
  Timings large = measure(100000, folder);
  std::filesystem::remove_all(folder);
  for (const Timings& t : {small, large}) {
    std::printf("%7zu entities: load %.1f ms, save %.1f ms, plain line read %.1f ms (with fields %.1f ms), load/plain %.2f\n",
                t.entities, t.load * 1e3, t.save * 1e3, t.plain * 1e3, t.tokenized * 1e3, t.load / t.plain);
  }
  std::printf("growth 100k/10k: load %.1f, save %.1f (linear: about 10; target at most 12)\n",
              large.load / small.load, large.save / small.save);
  std::printf("load against a plain line read at 100k: %.2f (target at most 4); against a read that splits fields: %.2f\n",
              large.load / large.plain, large.load / large.tokenized);
  return 0;
}
