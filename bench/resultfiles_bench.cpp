// Reading results files of 10,000 and 100,000 grids and as many plate elements: the OUTPUT2
// read (the whole file's bytes read, its framing checked, the OUGV1 and OES1X1 entries
// decoded) against a plain read of the file's bytes, and the neutral read (the text read,
// blocks 100, 450 and 1051 into sets and vectors) against a plain line-by-line read of the
// same text; then what FEMAP's output vectors cost on top of the OUTPUT2 read. Each read
// and its plain read take turns, the best of several rounds counting, so that a busy machine
// slows both alike. The growth from the small to the large file (linear is 10) is printed
// for each read beside that of its plain read and of the reading alone from bytes already in
// memory: the caches, and fresh pages for a large buffer, make the reads of the large files
// dearer per byte than those of the small ones.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
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

// The best times of a plain read and of a read, taken in turns.
struct ReadTimes {
  double plain = 1e300;
  double read = 1e300;
};
ReadTimes bestInTurns(int rounds, const std::function<void()>& plain, const std::function<void()>& read) {
  ReadTimes best;
  for (int i = 0; i < rounds; ++i) {
    best.plain = std::min(best.plain, bench::bestSeconds(1, plain));
    best.read = std::min(best.read, bench::bestSeconds(1, read));
  }
  return best;
}

struct Times {
  ReadTimes op2, neutral;
  double op2InMemory = 0, neutralInMemory = 0;  // the reading alone, of bytes already in memory
  double op2Vectors = 0;
  std::uintmax_t op2Bytes = 0, neutralBytes = 0;
};

Times measure(int count, const std::filesystem::path& folder) {
  resultfiles::SubcaseResults subcase = generatedResults(count);
  std::filesystem::path op2 = folder / ("results" + std::to_string(count) + ".op2");
  std::filesystem::path neutral = folder / ("results" + std::to_string(count) + ".fno");
  support::writeFileAtomically(op2, resultfiles::writeOp2(resultfiles::makeOp2File({subcase}, {1, 2, 2026}, "NX8.5")));
  resultfiles::NeutralFile file;
  file.sets.push_back(resultfiles::outputSetFor(subcase, 1));
  support::writeFileAtomically(neutral, resultfiles::writeNeutral(file));

  Times t;
  t.op2Bytes = std::filesystem::file_size(op2);
  t.neutralBytes = std::filesystem::file_size(neutral);
  int rounds = count < 100000 ? 40 : 12;
  volatile std::size_t sink = 0;
  t.op2 = bestInTurns(
      rounds, [&] { sink = sink + plainBytes(op2).size(); },
      [&] { sink = sink + resultfiles::readStaticResults(plainBytes(op2), op2.string()).front().quads.size(); });
  std::string op2Bytes = plainBytes(op2);
  t.op2InMemory = bench::bestSeconds(rounds, [&] {
    sink = sink + resultfiles::readStaticResults(op2Bytes, op2.string()).front().quads.size();
  });
  t.op2Vectors = bench::bestSeconds(5, [&] {
    auto subcases = resultfiles::readStaticResults(plainBytes(op2), op2.string());
    sink = sink + resultfiles::outputSetFor(subcases.front(), 1).vectors.size();
  });
  t.neutral = bestInTurns(
      rounds / 2, [&] { sink = sink + plainLines(neutral); },
      [&] { sink = sink + resultfiles::readNeutral(plainBytes(neutral), neutral.string()).sets.size(); });
  std::string neutralText = plainBytes(neutral);
  t.neutralInMemory = bench::bestSeconds(rounds / 2, [&] {
    sink = sink + resultfiles::readNeutral(neutralText, neutral.string()).sets.size();
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
    std::printf("  OUTPUT2 %.1f MB: plain read %.2f ms, results read %.2f ms (%.2fx; from bytes in memory %.2f ms), "
                "with FEMAP's vectors %.1f ms\n",
                t->op2Bytes / 1e6, t->op2.plain * 1e3, t->op2.read * 1e3, t->op2.read / t->op2.plain,
                t->op2InMemory * 1e3, t->op2Vectors * 1e3);
    std::printf("  neutral %.1f MB: plain line read %.1f ms, results read %.1f ms (%.2fx; from text in memory %.1f ms)\n",
                t->neutralBytes / 1e6, t->neutral.plain * 1e3, t->neutral.read * 1e3, t->neutral.read / t->neutral.plain,
                t->neutralInMemory * 1e3);
  }
  std::printf("growth 10,000 -> 100,000 (linear is 10):\n");
  std::printf("  OUTPUT2: results read %.1f, its plain read %.1f, from bytes in memory %.1f, with vectors %.1f\n",
              large.op2.read / small.op2.read, large.op2.plain / small.op2.plain, large.op2InMemory / small.op2InMemory,
              large.op2Vectors / small.op2Vectors);
  std::printf("  neutral: results read %.1f, its plain line read %.1f, from text in memory %.1f\n",
              large.neutral.read / small.neutral.read, large.neutral.plain / small.neutral.plain,
              large.neutralInMemory / small.neutralInMemory);
  return 0;
}
