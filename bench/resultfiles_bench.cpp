// Reading results files of 10,000 and 100,000 grids and as many plate elements: the OUTPUT2
// read (the whole file's bytes read, its framing checked, the OUGV1 and OES1X1 entries
// decoded) against a plain read of the file's bytes; FEMAP's output vectors made of what was
// read (the read and the vectors together against the same plain read); and the neutral read
// (the text read, blocks 100, 450 and 1051 into sets and vectors) against a plain line-by-line
// read of the same text and against the reading of its bytes whole into memory, which the
// neutral read starts with (a buffer above the allocator's mapping threshold, 32 MB, is mapped
// afresh each time, its pages faulted in). Each read and its plain read take turns, the best
// of several rounds counting, and the times are the process's processor time (user and system, page faults
// included), so that a machine busy with other work slows neither. The growth from the small
// to the large file (linear is 10) is printed for each read beside that of its plain read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include "resultfiles/femap_vectors.h"
#include "resultfiles/neutral_file.h"
#include "resultfiles/op2_file.h"
#include "resultfiles/op2_tables.h"
#include "support/text_file.h"

namespace {

resultfiles::SubcaseResults generatedResults(int count) {
  resultfiles::SubcaseResults subcase;
  for (int i = 1; i <= count; ++i) {
    float f = static_cast<float>(i);
    subcase.displacements.push_back({i, {f * 1e-6f, -f * 2e-6f, f * 3e-7f, 0, 0, 0}});
    subcase.quads.push_back(
        {i, resultfiles::plateFibre(-0.5, f, -f / 2, f / 7), resultfiles::plateFibre(0.5, -f, f / 3, 1)});
  }
  return subcase;
}

std::string plainBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::filesystem::file_size(path), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

std::size_t plainLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) lines += line.empty() ? 0 : 1;
  return lines;
}

// The processor time of one run of `work`.
double processorSeconds(const std::function<void()>& work) {
  std::clock_t start = std::clock();
  work();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// The best times of a plain read and of a read, taken in turns.
struct ReadTimes {
  double plain = 1e300;
  double read = 1e300;
};
ReadTimes bestInTurns(int rounds, const std::function<void()>& plain, const std::function<void()>& read) {
  ReadTimes best;
  for (int i = 0; i < rounds; ++i) {
    best.plain = std::min(best.plain, processorSeconds(plain));
    best.read = std::min(best.read, processorSeconds(read));
  }
  return best;
}

struct Times {
  ReadTimes op2, vectors, neutral;
  double neutralWhole = 0;  // the neutral file's bytes read whole
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

  // A read that does not give what was written stops the benchmark.
  auto check = [&](std::size_t got, std::size_t expected, const char* what) {
    if (got != expected)
      throw std::runtime_error(std::string(what) + " gave " + std::to_string(got) + " where " +
                               std::to_string(expected) + " were written");
  };
  Times t;
  t.op2Bytes = std::filesystem::file_size(op2);
  t.neutralBytes = std::filesystem::file_size(neutral);
  int rounds = count < 100000 ? 40 : 12;
  std::size_t plain = 0;
  t.op2 = bestInTurns(
      rounds, [&] { plain += plainBytes(op2).size(); },
      [&] {
        check(resultfiles::readStaticResults(plainBytes(op2), op2.string()).front().quads.size(), count,
              "OUTPUT2 read");
      });
  t.vectors = bestInTurns(
      rounds, [&] { plain += plainBytes(op2).size(); },
      [&] {
        auto subcases = resultfiles::readStaticResults(plainBytes(op2), op2.string());
        check(resultfiles::outputSetFor(subcases.front(), 1).vectors.size(), 22, "FEMAP's vectors");
      });
  t.neutral = bestInTurns(
      rounds / 2, [&] { plain += plainLines(neutral); },
      [&] {
        check(resultfiles::readNeutral(plainBytes(neutral), neutral.string()).sets.front().vectors.size(), 22,
              "neutral read");
      });
  t.neutralWhole = 1e300;
  for (int i = 0; i < rounds / 2; ++i)
    t.neutralWhole = std::min(t.neutralWhole, processorSeconds([&] {
                                check(plainBytes(neutral).size(), t.neutralBytes, "the neutral file's bytes read whole");
                              }));
  return t;
}

}  // namespace

int main() {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("resultfiles-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(folder);
  Times small, large;
  try {
    small = measure(10000, folder);
    large = measure(100000, folder);
  } catch (const std::exception& error) {
    std::filesystem::remove_all(folder);
    std::fprintf(stderr, "resultfiles_bench: %s\n", error.what());
    return 1;
  }
  std::filesystem::remove_all(folder);
  for (const Times* t : {&small, &large}) {
    int count = t == &small ? 10000 : 100000;
    std::printf("%d grids, %d CQUAD4:\n", count, count);
    std::printf(
        "  OUTPUT2 %.1f MB: plain read %.2f ms, results read %.2f ms (%.2fx), with FEMAP's vectors %.2f ms (%.2fx)\n",
        t->op2Bytes / 1e6, t->op2.plain * 1e3, t->op2.read * 1e3, t->op2.read / t->op2.plain, t->vectors.read * 1e3,
        t->vectors.read / t->vectors.plain);
    std::printf(
        "  neutral %.1f MB: plain line read %.1f ms, results read %.1f ms (%.2fx), of which its bytes read whole %.1f "
        "ms\n",
        t->neutralBytes / 1e6, t->neutral.plain * 1e3, t->neutral.read * 1e3, t->neutral.read / t->neutral.plain,
        t->neutralWhole * 1e3);
  }
  std::printf("growth 10,000 -> 100,000 (linear is 10):\n");
  std::printf("  OUTPUT2: results read %.1f, its plain read %.1f, with vectors %.1f\n", large.op2.read / small.op2.read,
              large.op2.plain / small.op2.plain, large.vectors.read / small.vectors.read);
  std::printf("  neutral: results read %.1f, its plain line read %.1f, its bytes read whole %.1f\n",
              large.neutral.read / small.neutral.read, large.neutral.plain / small.neutral.plain,
              large.neutralWhole / small.neutralWhole);
  return 0;
}
