// Large pages asked for with madvise where the system knows MADV_HUGEPAGE (Linux).
#include <sys/mman.h>

#include <cstdint>

#include "nastran/large_storage.h"

namespace nastran {

void adviseLargeStorage(const void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  // The advice goes to whole pages within the storage: the pages around it may hold other data.
  const std::uintptr_t page = 4096;
  std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
  std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(page - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // advice: a refusal changes nothing
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace nastran
