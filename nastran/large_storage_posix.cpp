// Large pages asked for with madvise, and the pages made in one call, where the system knows how
// (Linux: MADV_HUGEPAGE, MADV_POPULATE_WRITE); elsewhere nothing is asked.
#include <sys/mman.h>

#include <cstdint>

#include "nastran/large_storage.h"

namespace nastran {

void adviseLargeStorage(const void* data, std::size_t bytes) {
  // Whole pages within the storage only: the pages around it may hold other data.
  const std::uintptr_t page = 4096;
  std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
  if (end <= begin) return;
  void* start = reinterpret_cast<void*>(begin);
  // Advice: where the system refuses either, nothing changes.
#ifdef MADV_HUGEPAGE
  ::madvise(start, end - begin, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
  // The pages made at once rather than one fault at a time as they are first written: the storage
  // is reserved for the cards the deck holds, all about to be written to it.
  ::madvise(start, end - begin, MADV_POPULATE_WRITE);
#endif
  (void)start;
}

}  // namespace nastran
