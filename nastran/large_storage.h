#pragma once
// Storage for the typed cards of a large deck. A deck of a million cards fills hundreds of MB of
// fresh memory, written once; handed out in small (4 KB) pages one fault at a time, the system's
// work of providing the pages can cost more than reading the cards (on a virtual machine above
// all), so such storage asks for large pages where the system has them (Linux: transparent huge
// pages) and has all its pages made in one call. The storage is reserved for the cards the deck
// was counted to hold, so those pages are about to be written anyway. Only advice: nothing else
// changes, and where the system has no such thing (Windows) nothing happens.

#include <cstddef>
#include <vector>

namespace nastran {

// From this size on, storage is worth the advice.
inline constexpr std::size_t kLargeStorageBytes = std::size_t{1} << 20;

void adviseLargeStorage(const void* data, std::size_t bytes);

// The whole capacity of `items`, where it is large (call it after reserve, before filling).
template <class T>
void adviseLargeStorage(const std::vector<T>& items) {
  std::size_t bytes = items.capacity() * sizeof(T);
  if (bytes >= kLargeStorageBytes) adviseLargeStorage(items.data(), bytes);
}

}  // namespace nastran
