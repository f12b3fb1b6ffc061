#pragma once
// The model store of the simulated FEMAP: entities of every kind, kept by ID (and by set for
// the kinds whose IDs are unique within a set), each with its members by name.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <variant>
#include <vector>

#include "femapsim/schema.h"

namespace femapsim {

// A member's value: a number, a text or a list of numbers. Whole numbers are kept as doubles
// (exact up to 2^53); the member's declared type decides how it is handed out.
using Value = std::variant<double, std::string, std::vector<double>>;

struct Member {
  std::string key;  // as first spelled
  Value value;
};

struct Entity {
  int id = 0;
  std::vector<Member> members;

  // Member by name, without regard to letter case; nullptr when absent.
  const Member* find(std::string_view key) const;
  Member* find(std::string_view key);
  // Sets a member, keeping the spelling of an existing key.
  void set(std::string_view key, Value value);
  void set(std::string_view key, double value) { set(key, Value(value)); }
  void set(std::string_view key, int value) { set(key, Value(static_cast<double>(value))); }
  bool erase(std::string_view key);

  // Typed reads with defaults for absent members or values of another shape.
  double number(std::string_view key, double fallback = 0) const;
  int integer(std::string_view key, int fallback = 0) const;
  std::string text(std::string_view key) const;
  std::vector<double> list(std::string_view key) const;
  // Element `index` of a list member (a scalar counts as a list of one); 0 when absent.
  double element(std::string_view key, std::size_t index) const;
};

// Entities of one kind. Kinds kept in sets are keyed by (set ID, ID), the others by ID, so
// that iteration is in ascending ID order within each set. The entities are kept in one
// vector sorted by key: models are mostly read whole and walked in order, and a vector costs
// no allocation per entity. Pointers to entities are valid until the table next changes.
class EntityTable {
 public:
  using Key = std::int64_t;
  using Entry = std::pair<Key, Entity>;
  using Entries = std::vector<Entry>;

  static Key key(int setId, int id) {
    return (static_cast<Key>(setId) << 32) | static_cast<std::uint32_t>(id);
  }

  explicit EntityTable(Kind kind = Kind::Node) : kind_(kind) {}
  Kind kind() const { return kind_; }
  bool inSet() const { return info(kind_).inSet; }

  Entity* find(int id, int setId = 0);
  const Entity* find(int id, int setId = 0) const;
  // Inserts or replaces; the set is taken from the entity's setID member for kinds in sets.
  Entity& put(Entity entity);
  bool erase(int id, int setId = 0);
  // Removes every entity of one set.
  void eraseSet(int setId);
  // Takes every entity of `other`; an entity of the same key replaces the one held.
  void merge(EntityTable&& other);
  void clear() { entities_.clear(); }
  void reserve(std::size_t count) { entities_.reserve(count); }

  // Bulk loading: entities are appended in any order, then sorted once by finishAppending,
  // which answers the key of a duplicate if there is one.
  void append(Key key, Entity entity) { entities_.emplace_back(key, std::move(entity)); }
  std::optional<Key> finishAppending();

  std::size_t size() const { return entities_.size(); }
  bool empty() const { return entities_.empty(); }
  const Entries& entities() const { return entities_; }

  // The entity after `id` in ascending order (within `setId` for kinds in sets); nullptr at
  // the end. Use id = 0 (or less) for the first one.
  const Entity* next(int id, int setId = 0) const;
  // The highest ID in the table (within `setId` for kinds in sets), 0 when empty.
  int lastId(int setId = 0) const;

 private:
  int setOf(const Entity& entity) const;
  Entries::const_iterator lowerBound(Key key) const;
  Kind kind_;
  Entries entities_;
};

struct Model {
  Model();
  std::string path;  // the file the model was opened from or saved to; empty when never saved
  Entity header;     // the members of the model line (title, active IDs)
  std::array<EntityTable, kKindCount> tables;

  EntityTable& table(Kind kind) { return tables[static_cast<int>(kind)]; }
  const EntityTable& table(Kind kind) const { return tables[static_cast<int>(kind)]; }
  std::size_t entityCount() const;
  // Takes every entity of `other` (replacing entities of the same kind and ID), its title when
  // this model has none, and its active IDs where this model has none.
  void merge(Model&& other);
};

}  // namespace femapsim
