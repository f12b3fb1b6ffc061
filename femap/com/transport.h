#pragma once
// What the COM transport tells about itself, for tests and benchmarks. Connecting goes
// through femap/connect.h as in every other world.

#include <cstdint>

namespace femap::com {

// Member names looked up on servers (IDispatch::GetIDsOfNames calls) by this process so far.
std::uint64_t nameLookupCount();

}  // namespace femap::com
