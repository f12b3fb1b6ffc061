#pragma once
// What the COM transport tells about itself, for tests and benchmarks. Connecting goes
// through femap/connect.h as in every other world.

#include <cstdint>
#include <map>
#include <string>

namespace femap::com {

// Member names looked up on servers (IDispatch::GetIDsOfNames calls) by this process so far.
std::uint64_t nameLookupCount();

// The calls this process made to servers so far.
struct TransportCounters {
  std::uint64_t invokes = 0;      // IDispatch::Invoke
  std::uint64_t nameLookups = 0;  // IDispatch::GetIDsOfNames
  std::uint64_t kindLookups = 0;  // IDispatch::GetTypeInfo, once per object called
  // Name look-ups per object kind and member (lower case), as "Kind.member".
  std::map<std::string, std::uint64_t> lookupsByMember;
};
TransportCounters transportCounters();

// When the environment variable CORVANE_COM_COUNTERS names a file, the counters are written
// to it when this guard ends (a program keeps one in main()): lines "invokes N",
// "nameLookups N", "kindLookups N", then "lookup Kind.member N" for each member.
class CountersAtExit {
 public:
  CountersAtExit() = default;
  ~CountersAtExit();
  CountersAtExit(const CountersAtExit&) = delete;
  CountersAtExit& operator=(const CountersAtExit&) = delete;
};

}  // namespace femap::com
