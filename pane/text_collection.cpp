#include "pane/text_collection.h"

#include "support/err.h"
#include "support/strings.h"

namespace pane {

void TextCollection::add(std::string item, std::string_view key) {
  if (!key.empty()) {
    const auto [position, added] = indexOfKey_.emplace(support::toLower(key), items_.size());
    if (!added) {
      throw support::RuntimeError("The key \"" + std::string(key) +
                                  "\" is already associated with an element of this collection");
    }
  }
  items_.push_back(std::move(item));
}

const std::string& TextCollection::item(std::size_t index) const {
  if (index >= items_.size()) {
    throw support::RuntimeError("The collection has no entry " + std::to_string(index));
  }
  return items_[index];
}

bool TextCollection::contains(std::string_view key) const {
  return indexOfKey_.count(support::toLower(key)) != 0;
}

const std::string& TextCollection::item(std::string_view key) const {
  const auto found = indexOfKey_.find(support::toLower(key));
  if (found == indexOfKey_.end()) {
    throw support::RuntimeError("The collection has no entry with the key \"" + std::string(key) +
                                "\"");
  }
  return items_[found->second];
}

void TextCollection::clear() {
  items_.clear();
  indexOfKey_.clear();
}

}  // namespace pane
