#pragma once
// Member tables for the simulated FEMAP's automation objects: each object kind maps member
// names (matched without regard to letter case, resolved once per kind) to handlers.

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "femap/object.h"
#include "support/strings.h"

namespace femapsim {

using Args = std::span<femap::Variant>;

// Argument `index` of a call; throws femap::Error when the caller left it out.
const femap::Variant& argument(Args args, std::size_t index, std::string_view kind,
                               std::string_view member);
// The error for a member an object kind does not have.
femap::Error unknownMember(std::string_view kind, std::string_view member);

// Hashing and comparing member names without regard to letter case, without building a
// lower-case copy of every name looked up.
struct CaseInsensitiveHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const {
    std::size_t hash = 14695981039346656037ull;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c | 0x20)) * 1099511628211ull;
    return hash;
  }
};
struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return support::equalsIgnoreCase(a, b); }
};

template <class Self>
class MemberTable {
 public:
  using Handler = std::function<femap::Variant(Self&, femap::Invoke, Args)>;

  MemberTable(std::initializer_list<std::pair<std::string_view, Handler>> members) {
    for (const auto& [name, handler] : members) handlers_.emplace(std::string(name), handler);
  }
  // The handler of `name`, or nullptr.
  const Handler* find(std::string_view name) const {
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<std::string, Handler, CaseInsensitiveHash, CaseInsensitiveEqual> handlers_;
};

}  // namespace femapsim
