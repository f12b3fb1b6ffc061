#pragma once
// Late-bound automation objects. An Object is a shared handle to something that implements
// Dispatch: a FEMAP object reached through COM on Windows, or an object of the simulated
// FEMAP elsewhere. Members are found by name at run time, without regard to letter case.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "femap/error.h"
#include "femap/variant.h"

namespace femap {

enum class Invoke { Method, Get, Put };

// What a late-bound object implements. For Put the value to store is the last argument,
// after the index arguments (as in `entity.pval(3) = value`).
class Dispatch {
 public:
  virtual ~Dispatch() = default;
  // The object kind ("Application", "Node", "Set", ...), used in error texts and caches.
  virtual std::string_view kind() const = 0;
  virtual Variant invoke(std::string_view member, Invoke how, std::span<Variant> args) = 0;
};

class Object {
 public:
  Object() = default;
  explicit Object(std::shared_ptr<Dispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  explicit operator bool() const { return dispatch_ != nullptr; }
  bool operator==(const Object& other) const { return dispatch_ == other.dispatch_; }
  std::string_view kind() const;
  const std::shared_ptr<Dispatch>& dispatch() const { return dispatch_; }
  // Drops the reference (the platform's "Set x = Nothing").
  void reset() { dispatch_.reset(); }

  // A method call or a property read with arguments. Out-arguments go as Variant::byRef.
  template <class... Args>
  Variant call(std::string_view member, Args&&... args) const {
    Variant arguments[] = {Variant(std::forward<Args>(args))..., Variant()};
    return invoke(member, Invoke::Method, std::span<Variant>(arguments, sizeof...(Args)));
  }
  Variant get(std::string_view member) const;
  Variant get(std::string_view member, Variant index) const;
  void put(std::string_view member, Variant value) const;
  void put(std::string_view member, Variant index, Variant value) const;

  Variant invoke(std::string_view member, Invoke how, std::span<Variant> args) const;

 private:
  std::shared_ptr<Dispatch> dispatch_;
};

}  // namespace femap
