#pragma once
// An ordered collection of texts in which an entry may carry a key. Keys are compared without
// regard to letter case and are unique; entries keep the order in which they were added.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pane {

class TextCollection {
 public:
  // Appends `item`, under `key` when it is not empty; throws support::RuntimeError when the key
  // is already taken.
  void add(std::string item, std::string_view key = {});
  std::size_t count() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  // The entry at `index` (from 0); throws support::RuntimeError outside the collection.
  const std::string& item(std::size_t index) const;
  bool contains(std::string_view key) const;
  // The entry stored under `key`; throws support::RuntimeError when there is none.
  const std::string& item(std::string_view key) const;
  void clear();

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::string> items_;
  std::unordered_map<std::string, std::size_t> indexOfKey_;  // keys in lower case
};

}  // namespace pane
