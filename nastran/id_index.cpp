#include "nastran/id_index.h"

#include <algorithm>

namespace nastran {

IdIndex::IdIndex(const std::vector<int>& ids) {
  int largest = 0;
  for (int id : ids) largest = std::max(largest, id);
  // A flat table costs 4 bytes an ID up to the largest: take it while that stays within a few
  // times what the entries themselves take.
  isDense_ = static_cast<std::uint64_t>(largest) <= 8 * static_cast<std::uint64_t>(ids.size()) + 4096;
  if (isDense_) dense_.assign(static_cast<std::size_t>(largest) + 1, 0);
  else sparse_.reserve(ids.size());
  for (std::uint32_t entry = 0; entry < ids.size(); ++entry) {
    int id = ids[entry];
    if (id < 1) continue;
    if (isDense_) {
      std::uint32_t& slot = dense_[static_cast<std::size_t>(id)];
      if (slot != 0) duplicates_.emplace_back(entry, slot - 1);
      else slot = entry + 1;
    } else {
      auto [existing, added] = sparse_.try_emplace(id, entry);
      if (!added) duplicates_.emplace_back(entry, existing->second);
    }
  }
}

std::optional<std::uint32_t> IdIndex::find(int id) const {
  if (id < 1) return std::nullopt;
  if (isDense_) {
    if (static_cast<std::size_t>(id) >= dense_.size() || dense_[static_cast<std::size_t>(id)] == 0) return std::nullopt;
    return dense_[static_cast<std::size_t>(id)] - 1;
  }
  auto found = sparse_.find(id);
  if (found == sparse_.end()) return std::nullopt;
  return found->second;
}

}  // namespace nastran
