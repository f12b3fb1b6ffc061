#include "femapsim/model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "support/strings.h"

namespace femapsim {

const Member* Entity::find(std::string_view key) const {
  for (const Member& member : members) {
    if (support::equalsIgnoreCase(member.key, key)) return &member;
  }
  return nullptr;
}

Member* Entity::find(std::string_view key) {
  return const_cast<Member*>(static_cast<const Entity*>(this)->find(key));
}

void Entity::set(std::string_view key, Value value) {
  if (Member* member = find(key)) {
    member->value = std::move(value);
  } else {
    members.push_back({std::string(key), std::move(value)});
  }
}

bool Entity::erase(std::string_view key) {
  auto it = std::find_if(members.begin(), members.end(), [&](const Member& member) {
    return support::equalsIgnoreCase(member.key, key);
  });
  if (it == members.end()) return false;
  members.erase(it);
  return true;
}

double Entity::number(std::string_view key, double fallback) const {
  const Member* member = find(key);
  if (!member) return fallback;
  if (const double* value = std::get_if<double>(&member->value)) return *value;
  if (const auto* list = std::get_if<std::vector<double>>(&member->value)) {
    if (list->size() == 1) return list->front();
  }
  return fallback;
}

int Entity::integer(std::string_view key, int fallback) const {
  double value = number(key, fallback);
  if (!std::isfinite(value) || value < std::numeric_limits<int>::min() ||
      value > std::numeric_limits<int>::max()) {
    return fallback;
  }
  return static_cast<int>(std::lround(value));
}

std::string Entity::text(std::string_view key) const {
  const Member* member = find(key);
  if (!member) return {};
  if (const auto* value = std::get_if<std::string>(&member->value)) return *value;
  return {};
}

std::vector<double> Entity::list(std::string_view key) const {
  const Member* member = find(key);
  if (!member) return {};
  if (const auto* list = std::get_if<std::vector<double>>(&member->value)) return *list;
  if (const double* value = std::get_if<double>(&member->value)) return {*value};
  return {};
}

double Entity::element(std::string_view key, std::size_t index) const {
  const Member* member = find(key);
  if (!member) return 0;
  if (const auto* list = std::get_if<std::vector<double>>(&member->value)) {
    return index < list->size() ? (*list)[index] : 0;
  }
  if (const double* value = std::get_if<double>(&member->value)) return index == 0 ? *value : 0;
  return 0;
}

int EntityTable::setOf(const Entity& entity) const { return inSet() ? entity.integer("setID") : 0; }

EntityTable::Entries::const_iterator EntityTable::lowerBound(Key key) const {
  return std::lower_bound(entities_.begin(), entities_.end(), key,
                          [](const Entry& entry, Key wanted) { return entry.first < wanted; });
}

const Entity* EntityTable::find(int id, int setId) const {
  Key wanted = key(inSet() ? setId : 0, id);
  // IDs are usually numbered without gaps: then the entity stands where its ID says.
  if (!entities_.empty()) {
    Key offset = wanted - entities_.front().first;
    if (offset >= 0 && offset < static_cast<Key>(entities_.size()) &&
        entities_[static_cast<std::size_t>(offset)].first == wanted) {
      return &entities_[static_cast<std::size_t>(offset)].second;
    }
  }
  auto it = lowerBound(wanted);
  return it != entities_.end() && it->first == wanted ? &it->second : nullptr;
}

Entity* EntityTable::find(int id, int setId) {
  return const_cast<Entity*>(static_cast<const EntityTable*>(this)->find(id, setId));
}

Entity& EntityTable::put(Entity entity) {
  Key entityKey = key(setOf(entity), entity.id);
  if (entities_.empty() || entities_.back().first < entityKey) {
    return entities_.emplace_back(entityKey, std::move(entity)).second;
  }
  auto it = entities_.begin() + (lowerBound(entityKey) - entities_.cbegin());
  if (it->first == entityKey) {
    it->second = std::move(entity);
    return it->second;
  }
  return entities_.emplace(it, entityKey, std::move(entity))->second;
}

bool EntityTable::erase(int id, int setId) {
  Key wanted = key(inSet() ? setId : 0, id);
  auto it = lowerBound(wanted);
  if (it == entities_.end() || it->first != wanted) return false;
  entities_.erase(it);
  return true;
}

void EntityTable::eraseSet(int setId) {
  entities_.erase(lowerBound(key(setId, 0)), lowerBound(key(setId + 1, 0)));
}

void EntityTable::merge(EntityTable&& other) {
  if (entities_.empty()) {
    entities_ = std::move(other.entities_);
    return;
  }
  entities_.reserve(entities_.size() + other.entities_.size());
  for (Entry& entry : other.entities_) entities_.push_back(std::move(entry));
  other.entities_.clear();
  auto byKey = [](const Entry& a, const Entry& b) { return a.first < b.first; };
  std::stable_sort(entities_.begin(), entities_.end(), byKey);
  // Of entries with the same key the last (the merged one) stays.
  Entries kept;
  kept.reserve(entities_.size());
  for (std::size_t i = 0; i < entities_.size(); ++i) {
    if (i + 1 < entities_.size() && entities_[i + 1].first == entities_[i].first) continue;
    kept.push_back(std::move(entities_[i]));
  }
  entities_ = std::move(kept);
}

std::optional<EntityTable::Key> EntityTable::finishAppending() {
  if (!std::is_sorted(entities_.begin(), entities_.end(),
                      [](const Entry& a, const Entry& b) { return a.first < b.first; })) {
    std::stable_sort(entities_.begin(), entities_.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
  }
  auto duplicate = std::adjacent_find(entities_.begin(), entities_.end(),
                                      [](const Entry& a, const Entry& b) { return a.first == b.first; });
  if (duplicate != entities_.end()) return duplicate->first;
  return std::nullopt;
}

const Entity* EntityTable::next(int id, int setId) const {
  int set = inSet() ? setId : 0;
  auto it = lowerBound(id <= 0 ? key(set, 0) : key(set, id) + 1);
  if (it == entities_.end() || (it->first >> 32) != set) return nullptr;
  return &it->second;
}

int EntityTable::lastId(int setId) const {
  int set = inSet() ? setId : 0;
  auto it = lowerBound(key(set + 1, 0));
  if (it == entities_.begin()) return 0;
  --it;
  return (it->first >> 32) == set ? it->second.id : 0;
}

Model::Model() {
  for (int k = 0; k < kKindCount; ++k) tables[k] = EntityTable(static_cast<Kind>(k));
}

void Model::merge(Model&& other) {
  for (int k = 0; k < kKindCount; ++k) tables[k].merge(std::move(other.tables[k]));
  for (Member& member : other.header.members) {
    const Member* held = header.find(member.key);
    bool empty = !held || (std::holds_alternative<double>(held->value) && std::get<double>(held->value) == 0) ||
                 (std::holds_alternative<std::string>(held->value) && std::get<std::string>(held->value).empty());
    if (empty) header.set(member.key, std::move(member.value));
  }
}

std::size_t Model::entityCount() const {
  std::size_t count = 0;
  for (const EntityTable& table : tables) count += table.size();
  return count;
}

}  // namespace femapsim
