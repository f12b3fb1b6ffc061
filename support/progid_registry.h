#pragma once
// The ProgID registry of the in-process world: a ProgID names a factory that can attach to a
// running instance and create a new one, as COM's running-object table and class factories
// do on Windows. Factories signal failure by returning an empty object or by throwing.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "support/strings.h"

namespace support {

template <class Object>
class ProgIdRegistry {
 public:
  struct Factory {
    std::function<Object()> attach;  // the running instance, or an empty object
    std::function<Object()> create;  // a new instance
  };

  static ProgIdRegistry& instance() {
    static ProgIdRegistry registry;
    return registry;
  }

  // ProgIDs are matched without regard to letter case, as the system registry does.
  void add(std::string_view progId, Factory factory) {
    std::lock_guard lock(mutex_);
    factories_[toLower(progId)] = std::move(factory);
  }
  void remove(std::string_view progId) {
    std::lock_guard lock(mutex_);
    factories_.erase(toLower(progId));
  }
  bool contains(std::string_view progId) const {
    std::lock_guard lock(mutex_);
    return factories_.count(toLower(progId)) != 0;
  }
  // The factory of a ProgID, or nullptr when the ProgID is not registered.
  const Factory* find(std::string_view progId) const {
    std::lock_guard lock(mutex_);
    auto it = factories_.find(toLower(progId));
    return it == factories_.end() ? nullptr : &it->second;
  }

 private:
  ProgIdRegistry() = default;
  mutable std::mutex mutex_;
  std::map<std::string, Factory> factories_;
};

}  // namespace support
