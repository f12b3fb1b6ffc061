#pragma once
// IDs to positions, built once: a flat table when the IDs are dense enough (the usual case), a
// hash table otherwise. Look-ups cost the same for a million grids as for ten.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nastran {

class IdIndex {
 public:
  IdIndex() = default;
  // Entry i has ID ids[i]; IDs below 1 are left out.
  explicit IdIndex(const std::vector<int>& ids);

  std::optional<std::uint32_t> find(int id) const;
  bool contains(int id) const { return find(id).has_value(); }
  // Every entry whose ID an earlier entry already has, with that earlier entry.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& duplicates() const { return duplicates_; }

 private:
  std::vector<std::uint32_t> dense_;  // by ID: 1 + the entry, 0 for none
  std::unordered_map<int, std::uint32_t> sparse_;
  bool isDense_ = true;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> duplicates_;
};

}  // namespace nastran
