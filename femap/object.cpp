#include "femap/object.h"

namespace femap {
namespace {

[[noreturn]] void notSet() { throw Error("Object variable or With block variable not set"); }

}  // namespace

std::string_view Object::kind() const { return dispatch_ ? dispatch_->kind() : std::string_view(); }

Variant Object::invoke(std::string_view member, Invoke how, std::span<Variant> args) const {
  if (!dispatch_) notSet();
  return dispatch_->invoke(member, how, args);
}

Variant Object::get(std::string_view member) const { return invoke(member, Invoke::Get, {}); }

Variant Object::get(std::string_view member, Variant index) const {
  return invoke(member, Invoke::Get, std::span<Variant>(&index, 1));
}

void Object::put(std::string_view member, Variant value) const {
  invoke(member, Invoke::Put, std::span<Variant>(&value, 1));
}

void Object::put(std::string_view member, Variant index, Variant value) const {
  Variant arguments[] = {std::move(index), std::move(value)};
  invoke(member, Invoke::Put, arguments);
}

}  // namespace femap
