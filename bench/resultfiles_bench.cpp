// Reading results files of 10,000 and 100,000 grids and as many plate elements: the OUTPUT2
// read (framing, the OUGV1 and OES1X1 tables) against a plain read of the file's bytes, and
// the neutral read (blocks 100, 450, 1051) against a plain line-by-line read of its text;
// then what FEMAP's output vectors cost on top. The growth from the small to the large file
// (linear is 10) is printed for each.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "resultfiles/femap_vectors.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "support/text_file.h"
#include "timing.h"

namespace {

resultfiles::SubcaseResults generatedResults(int count) {
  resultfiles::SubcaseResults subcase;
  for (int i = 1; i <= count; ++i) {
    float f = static_cast<float>(i);
    subcase.displacements.push_back({i, {f * 1e-6f, -f * 2e-6f, f * 3e-7f, 0, 0, 0}});
    subcase.quads.push_back({i, resultfiles::plateFibre(-0.5, f, -f / 2, f / 7), resultfiles::plateFibre(0.5, -f, f / 3, 1)});
  }
  return subcase;
}

std::string plainBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::filesystem::file_size(path), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::size_t plainLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) lines += line.empty() ? 0 : 1;
  return lines;
}

struct Times {
  double plainOp2, op2, op2Vectors, plainNeutral, neutral;
  std::uintmax_t op2Bytes, neutralBytes;
};

Times measure(int count, const std::filesystem::path& folder) {
  resultfiles::SubcaseResults subcase = generatedResults(count);
  std::filesystem::path op2 = folder / ("results" + std::to_string(count) + ".op2");
  std::filesystem::path neutral = folder / ("results" + std::to_string(count) + ".fno");
  support::writeFileAtomically(op2, resultfiles::writeOp2(resultfiles::makeOp2File({subcase}, {1, 2, 2026}, "NX8.5")));
  resultfiles::NeutralFile file;
  file.sets.push_back(resultfiles::outputSetFor(subcase, 1));
  support::writeFileAtomically(neutral, resultfiles::writeNeutral(file));

  Times t{};
  t.op2Bytes = std::filesystem::file_size(op2);
  t.neutralBytes = std::filesystem::file_size(neutral);
  volatile std::size_t sink = 0;
  t.plainOp2 = bench::bestSeconds(5, [&] { sink = sink + plainBytes(op2).size(); });
  t.op2 = bench::bestSeconds(5, [&] {
    sink = sink + resultfiles::readStaticResults(plainBytes(op2), op2.string()).front().quads.size();
  });
  t.op2Vectors = bench::bestSeconds(5, [&] {
    auto subcases = resultfiles::readStaticResults(plainBytes(op2), op2.string());
    sink = sink + resultfiles::outputSetFor(subcases.front(), 1).vectors.size();
  });
  t.plainNeutral = bench::bestSeconds(5, [&] { sink = sink + plainLines(neutral); });
  t.neutral = bench::bestSeconds(5, [&] {
    sink = sink + resultfiles::readNeutral(plainBytes(neutral), neutral.string()).sets.size();
  });
  return t;
}

}  // namespace

int main() {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("resultfiles-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder);
  Times small = measure(10000, folder);
  Times large = measure(100000, folder);
  std::filesystem::remove_all(folder);
  for (const Times* t : {&small, &large}) {
    int count = t == &small ? 10000 : 100000;
    std::printf("%d grids, %d CQUAD4:\n", count, count);
    std::printf("  OUTPUT2 %.1f MB: plain read %.1f ms, tables read %.1f ms (%.2fx), with FEMAP's vectors %.1f ms\n",
                t->op2Bytes / 1e6, t->plainOp2 * 1e3, t->op2 * 1e3, t->op2 / t->plainOp2, t->op2Vectors * 1e3);
    std::printf("  neutral %.1f MB: plain line read %.1f ms, results read %.1f ms (%.2fx)\n", t->neutralBytes / 1e6,
                t->plainNeutral * 1e3, t->neutral * 1e3, t->neutral / t->plainNeutral);
  }
  std::printf("growth 10,000 -> 100,000 (linear is 10): OUTPUT2 read %.1f, with vectors %.1f, neutral read %.1f\n",
              large.op2 / small.op2, large.op2Vectors / small.op2Vectors, large.neutral / small.neutral);
  return 0;
}
