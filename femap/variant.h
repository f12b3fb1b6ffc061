#pragma once
// A value crossing the automation interface, as late binding carries it: empty, boolean,
// 16- and 32-bit integers, double, text, an object, an array of values, or a by-reference
// slot through which the callee hands back an out-argument.
//
// Conversions follow the rules the callers were written against (the platform's implicit
// conversions): numbers convert between each other with rounding half to even, text converts
// to a number when it reads as one, booleans are -1 and 0, numbers become text in the
// general form of support::formatNumber. A conversion that cannot be made throws
// femap::Error ("Type mismatch", "Overflow").

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace femap {

class Object;
class Dispatch;
class Variant;
using VariantArray = std::vector<Variant>;

class Variant {
 public:
  enum class Type { Empty, Bool, Int16, Int32, Double, String, Object, Array };

  Variant() = default;
  Variant(bool value) : value_(value) {}
  Variant(std::int16_t value) : value_(value) {}
  Variant(int value) : value_(static_cast<std::int32_t>(value)) {}
  Variant(long value);       // stored as Int32; throws Overflow beyond 32 bits
  Variant(long long value);  // stored as Int32; throws Overflow beyond 32 bits
  Variant(double value) : value_(value) {}
  Variant(const char* value) : value_(std::string(value)) {}
  Variant(std::string value) : value_(std::move(value)) {}
  Variant(std::string_view value) : value_(std::string(value)) {}
  Variant(Object value);
  Variant(VariantArray values);

  // A slot through which a callee writes an out-argument into `target`.
  static Variant byRef(Variant& target);
  bool isByRef() const { return std::holds_alternative<Variant*>(value_); }
  // The callee's side of an out-argument: writes `value` into the caller's variable.
  // Throws femap::Error when this argument was not passed by reference.
  void assign(Variant value);

  Type type() const;
  bool isEmpty() const { return type() == Type::Empty; }
  bool isNumeric() const;

  bool asBool() const;
  std::int16_t asInt16() const;
  std::int32_t asInt() const;
  double asDouble() const;
  std::string asString() const;
  Object asObject() const;
  const VariantArray& asArray() const;

  // Array helpers: an array of doubles or of texts in one step.
  static Variant fromDoubles(const std::vector<double>& values);
  std::vector<double> asDoubles() const;

 private:
  const Variant& target() const;  // follows a by-reference slot
  using Storage = std::variant<std::monostate, bool, std::int16_t, std::int32_t, double,
                               std::string, std::shared_ptr<Dispatch>,
                               std::shared_ptr<VariantArray>, Variant*>;
  Storage value_;
};

}  // namespace femap
