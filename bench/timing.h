#pragma once
// Best-of-N wall-clock timing for the benchmarks.

#include <algorithm>
#include <chrono>
#include <functional>

namespace bench {

inline double bestSeconds(int repetitions, const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < repetitions; ++i) {
    auto start = std::chrono::steady_clock::now();
    work();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return best;
}

}  // namespace bench
