#include "femap/variant.h"

#include <cmath>
#include <limits>

#include "femap/object.h"
#include "support/number_text.h"
#include "support/strings.h"

namespace femap {
namespace {

[[noreturn]] void typeMismatch() { throw Error("Type mismatch"); }
[[noreturn]] void overflow() { throw Error("Overflow"); }

std::int32_t checkedInt32(long long value) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    overflow();
  }
  return static_cast<std::int32_t>(value);
}

// Whole-number conversions round half to even, as the platform's integer conversions do.
long long roundToWhole(double value, double lowest, double highest) {
  if (!std::isfinite(value)) overflow();
  double rounded = std::nearbyint(value);  // default rounding mode: half to even
  if (rounded < lowest || rounded > highest) overflow();
  return static_cast<long long>(rounded);
}

}  // namespace

Variant::Variant(long value) : value_(checkedInt32(value)) {}
Variant::Variant(long long value) : value_(checkedInt32(value)) {}
Variant::Variant(Object value) {
  if (value) value_ = value.dispatch();
}
Variant::Variant(VariantArray values)
    : value_(std::make_shared<VariantArray>(std::move(values))) {}

Variant Variant::byRef(Variant& target) {
  Variant slot;
  slot.value_ = &target;
  return slot;
}

void Variant::assign(Variant value) {
  auto* target = std::get_if<Variant*>(&value_);
  if (!target) throw Error("Argument is not passed by reference");
  **target = std::move(value);
}

const Variant& Variant::target() const {
  if (auto* target = std::get_if<Variant*>(&value_)) return (*target)->target();
  return *this;
}

Variant::Type Variant::type() const {
  const Storage& v = target().value_;
  switch (v.index()) {
    case 0: return Type::Empty;
    case 1: return Type::Bool;
    case 2: return Type::Int16;
    case 3: return Type::Int32;
    case 4: return Type::Double;
    case 5: return Type::String;
    case 6: return std::get<std::shared_ptr<Dispatch>>(v) ? Type::Object : Type::Empty;
    case 7: return Type::Array;
  }
  return Type::Empty;
}

bool Variant::isNumeric() const {
  Type t = type();
  return t == Type::Bool || t == Type::Int16 || t == Type::Int32 || t == Type::Double ||
         t == Type::Empty;
}

double Variant::asDouble() const {
  const Variant& v = target();
  switch (v.type()) {
    case Type::Empty: return 0;
    case Type::Bool: return std::get<bool>(v.value_) ? -1 : 0;
    case Type::Int16: return std::get<std::int16_t>(v.value_);
    case Type::Int32: return std::get<std::int32_t>(v.value_);
    case Type::Double: return std::get<double>(v.value_);
    case Type::String: {
      const auto& text = std::get<std::string>(v.value_);
      if (auto number = support::parseNumber(text)) return *number;
      if (support::equalsIgnoreCase(support::trim(text), "True")) return -1;
      if (support::equalsIgnoreCase(support::trim(text), "False")) return 0;
      typeMismatch();
    }
    default: typeMismatch();
  }
}

std::int32_t Variant::asInt() const {
  const Variant& v = target();
  switch (v.type()) {
    case Type::Int16: return std::get<std::int16_t>(v.value_);
    case Type::Int32: return std::get<std::int32_t>(v.value_);
    default:
      return static_cast<std::int32_t>(roundToWhole(v.asDouble(),
                                                    std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max()));
  }
}

std::int16_t Variant::asInt16() const {
  return static_cast<std::int16_t>(roundToWhole(asDouble(), std::numeric_limits<std::int16_t>::min(),
                                                std::numeric_limits<std::int16_t>::max()));
}

bool Variant::asBool() const { return asDouble() != 0; }

std::string Variant::asString() const {
  const Variant& v = target();
  switch (v.type()) {
    case Type::Empty: return {};
    case Type::Bool: return std::get<bool>(v.value_) ? "True" : "False";
    case Type::Int16: return support::formatInteger(std::get<std::int16_t>(v.value_));
    case Type::Int32: return support::formatInteger(std::get<std::int32_t>(v.value_));
    case Type::Double: return support::formatNumber(std::get<double>(v.value_));
    case Type::String: return std::get<std::string>(v.value_);
    default: typeMismatch();
  }
}

Object Variant::asObject() const {
  const Variant& v = target();
  if (v.type() != Type::Object) throw Error("Object required");
  return Object(std::get<std::shared_ptr<Dispatch>>(v.value_));
}

const VariantArray& Variant::asArray() const {
  const Variant& v = target();
  if (v.type() != Type::Array) typeMismatch();
  return *std::get<std::shared_ptr<VariantArray>>(v.value_);
}

Variant Variant::fromDoubles(const std::vector<double>& values) {
  VariantArray array;
  array.reserve(values.size());
  for (double value : values) array.emplace_back(value);
  return Variant(std::move(array));
}

std::vector<double> Variant::asDoubles() const {
  std::vector<double> values;
  if (type() == Type::Empty) return values;
  const VariantArray& array = asArray();
  values.reserve(array.size());
  for (const Variant& element : array) values.push_back(element.asDouble());
  return values;
}

}  // namespace femap
