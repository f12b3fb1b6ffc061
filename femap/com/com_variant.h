#pragma once
// An owning VARIANT, and the conversions between VARIANT and femap::Variant. Instead of
// handing VARIANTs around, the transport holds each one in a ComVariant, which clears it (and
// so frees its text, array or object reference) when it goes.
//
// To COM: empty, VT_BOOL, VT_I2, VT_I4, VT_R8, VT_BSTR, VT_DISPATCH, and arrays as
// one-dimensional SAFEARRAYs: of doubles when every element is a double, of 32-bit integers
// when every element is an integer, else of VARIANTs. From COM: every scalar type that
// converts to one of those, references followed, SAFEARRAYs of one dimension of any of them.

#include "femap/com/com_headers.h"

#include <memory>
#include <utility>

#include "femap/variant.h"

namespace femap::com {

class Session;

class ComVariant {
 public:
  ComVariant() { VariantInit(&value_); }
  ~ComVariant() { VariantClear(&value_); }
  ComVariant(ComVariant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  ComVariant& operator=(ComVariant&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  ComVariant(const ComVariant&) = delete;
  ComVariant& operator=(const ComVariant&) = delete;

  VARIANT& get() { return value_; }
  const VARIANT& get() const { return value_; }
  // For a call that fills a VARIANT: clears what is held first.
  VARIANT* out() {
    VariantClear(&value_);
    return &value_;
  }
  // Hands the value to the caller, who then owns what it holds.
  VARIANT detach() {
    VARIANT value = value_;
    VariantInit(&value_);
    return value;
  }

 private:
  VARIANT value_;
};

// femap::Variant → VARIANT (a by-reference Variant gives the value it refers to). An object
// of a COM server goes as its own IDispatch; any other object is served to the callee.
ComVariant toCom(const Variant& value);

// VARIANT → femap::Variant. Objects of a COM server share `session` (a new one when null); an
// object this process serves comes back as itself. Throws femap::Error("Type mismatch") for
// what has no femap::Variant form.
Variant fromCom(const VARIANT& value, const std::shared_ptr<Session>& session);

// Stores `value` where the by-reference VARIANT `reference` points (a callee's out-argument),
// converted to the referenced type. Throws femap::Error when it cannot be converted.
void assignThrough(VARIANT& reference, const Variant& value);

}  // namespace femap::com
