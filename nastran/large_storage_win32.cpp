// Windows hands out large pages only to programs with a privilege few users hold: no advice.
#include "nastran/large_storage.h"

namespace nastran {

void adviseLargeStorage(const void*, std::size_t) {}

}  // namespace nastran
