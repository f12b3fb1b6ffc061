#include "femap/com/com_variant.h"

#include <cstdint>
#include <limits>
#include <new>
#include <string>

#include "femap/com/bstr.h"
#include "femap/com/com_dispatch.h"
#include "femap/com/served_object.h"
#include "femap/object.h"

namespace femap::com {
namespace {

[[noreturn]] void typeMismatch() { throw Error("Type mismatch"); }

void check(HRESULT result) {
  if (FAILED(result)) typeMismatch();
}

// A SAFEARRAY under construction: destroyed with its elements unless handed over.
class SafeArray {
 public:
  SafeArray(VARTYPE elementType, std::size_t count)
      : array_(SafeArrayCreateVector(elementType, 0, static_cast<ULONG>(count))) {
    if (!array_) throw std::bad_alloc();
  }
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  ~SafeArray() {
    if (array_) SafeArrayDestroy(array_);
  }
  SAFEARRAY* get() const { return array_; }
  SAFEARRAY* detach() { return std::exchange(array_, nullptr); }

 private:
  SAFEARRAY* array_;
};

// The OLE declarations lack const on sources they only read.
VARIANT* readOnly(const VARIANT& value) { return const_cast<VARIANT*>(&value); }

// Where a scalar of any type but DECIMAL sits in a VARIANT (what SafeArray*Element copy).
void* scalarSlot(VARIANT& value) { return &value.llVal; }

bool allOf(const VariantArray& values, std::initializer_list<Variant::Type> types) {
  for (const Variant& value : values) {
    bool matches = false;
    for (Variant::Type type : types) matches = matches || value.type() == type;
    if (!matches) return false;
  }
  return true;
}

VARTYPE elementTypeFor(const VariantArray& values) {
  if (values.empty()) return VT_VARIANT;
  if (allOf(values, {Variant::Type::Double})) return VT_R8;
  if (allOf(values, {Variant::Type::Int32, Variant::Type::Int16})) return VT_I4;
  return VT_VARIANT;
}

SAFEARRAY* arrayToCom(const VariantArray& values, VARTYPE elementType) {
  if (elementType == VT_DECIMAL || elementType == VT_RECORD || elementType == VT_EMPTY) typeMismatch();
  SafeArray array(elementType, values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    ComVariant element = toCom(values[i]);
    if (elementType != VT_VARIANT) {
      check(VariantChangeType(&element.get(), &element.get(), 0, elementType));
    }
    LONG index = static_cast<LONG>(i);
    void* source = elementType == VT_VARIANT ? static_cast<void*>(&element.get()) : scalarSlot(element.get());
    // For objects and texts the array keeps a copy of its own.
    check(SafeArrayPutElement(array.get(), &index, source));
  }
  return array.detach();
}

Variant wholeNumber(long long value) {
  if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<int>(value));
  }
  return Variant(static_cast<double>(value));
}

Variant objectFromCom(IDispatch* dispatch, const std::shared_ptr<Session>& session) {
  if (!dispatch) return Variant();
  if (Object served = servedObject(dispatch)) return Variant(std::move(served));
  auto object = std::make_shared<ComDispatch>(ComPtr<IDispatch>::share(dispatch), session ? session : Session::create());
  return Variant(Object(std::move(object)));
}

Variant arrayFromCom(SAFEARRAY* array, const std::shared_ptr<Session>& session) {
  if (!array) return Variant(VariantArray{});
  if (SafeArrayGetDim(array) != 1) throw Error("Type mismatch: an array of more than one dimension");
  VARTYPE elementType = VT_EMPTY;
  LONG lower = 0, upper = -1;
  check(SafeArrayGetVartype(array, &elementType));
  check(SafeArrayGetLBound(array, 1, &lower));
  check(SafeArrayGetUBound(array, 1, &upper));
  if (elementType == VT_DECIMAL || elementType == VT_RECORD) typeMismatch();
  VariantArray values;
  if (upper >= lower) values.reserve(static_cast<std::size_t>(upper - lower) + 1);
  for (LONG index = lower; index <= upper; ++index) {
    ComVariant element;
    if (elementType == VT_VARIANT) {
      check(SafeArrayGetElement(array, &index, element.out()));
    } else {
      check(SafeArrayGetElement(array, &index, scalarSlot(element.get())));
      element.get().vt = elementType;
    }
    values.push_back(fromCom(element.get(), session));
  }
  return Variant(std::move(values));
}

ComPtr<IDispatch> dispatchFor(const Object& object) {
  if (auto* remote = dynamic_cast<ComDispatch*>(object.dispatch().get())) {
    return ComPtr<IDispatch>::share(remote->dispatch());
  }
  return serve(object);
}

}  // namespace

ComVariant toCom(const Variant& value) {
  ComVariant result;
  VARIANT& out = result.get();
  switch (value.type()) {
    case Variant::Type::Empty:
      break;
    case Variant::Type::Bool:
      out.boolVal = value.asBool() ? VARIANT_TRUE : VARIANT_FALSE;
      out.vt = VT_BOOL;
      break;
    case Variant::Type::Int16:
      out.iVal = value.asInt16();
      out.vt = VT_I2;
      break;
    case Variant::Type::Int32:
      out.lVal = value.asInt();
      out.vt = VT_I4;
      break;
    case Variant::Type::Double:
      out.dblVal = value.asDouble();
      out.vt = VT_R8;
      break;
    case Variant::Type::String:
      out.bstrVal = Bstr(value.asString()).detach();
      out.vt = VT_BSTR;
      break;
    case Variant::Type::Object:
      out.pdispVal = dispatchFor(value.asObject()).detach();
      out.vt = VT_DISPATCH;
      break;
    case Variant::Type::Array: {
      const VariantArray& values = value.asArray();
      const VARTYPE elementType = elementTypeFor(values);
      out.parray = arrayToCom(values, elementType);
      out.vt = VT_ARRAY | elementType;
      break;
    }
  }
  return result;
}

Variant fromCom(const VARIANT& value, const std::shared_ptr<Session>& session) {
  if (value.vt & VT_BYREF) {
    ComVariant copy;
    check(VariantCopyInd(copy.out(), readOnly(value)));
    return fromCom(copy.get(), session);
  }
  if (value.vt & VT_ARRAY) return arrayFromCom(value.parray, session);
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL: return Variant();
    case VT_BOOL: return Variant(value.boolVal != VARIANT_FALSE);
    case VT_I2: return Variant(static_cast<std::int16_t>(value.iVal));
    case VT_I4: return Variant(static_cast<int>(value.lVal));
    case VT_INT: return Variant(static_cast<int>(value.intVal));
    case VT_I1: return Variant(static_cast<int>(value.cVal));
    case VT_UI1: return Variant(static_cast<int>(value.bVal));
    case VT_UI2: return Variant(static_cast<int>(value.uiVal));
    case VT_UI4: return wholeNumber(value.ulVal);
    case VT_UINT: return wholeNumber(value.uintVal);
    case VT_I8: return wholeNumber(value.llVal);
    case VT_UI8:
      return value.ullVal <= static_cast<ULONGLONG>(std::numeric_limits<std::int32_t>::max())
                 ? Variant(static_cast<int>(value.ullVal))
                 : Variant(static_cast<double>(value.ullVal));
    case VT_R4: return Variant(static_cast<double>(value.fltVal));
    case VT_R8: return Variant(value.dblVal);
    case VT_CY:
    case VT_DECIMAL:
    case VT_DATE: {
      ComVariant number;
      check(VariantChangeType(number.out(), readOnly(value), 0, VT_R8));
      return Variant(number.get().dblVal);
    }
    case VT_BSTR: return Variant(Bstr::toUtf8(value.bstrVal));
    case VT_DISPATCH: return objectFromCom(value.pdispVal, session);
    case VT_UNKNOWN: {
      if (!value.punkVal) return Variant();
      ComPtr<IDispatch> dispatch;
      if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.out())))) {
        throw Error("Object doesn't support automation");
      }
      return objectFromCom(dispatch.get(), session);
    }
    case VT_ERROR: return value.scode == DISP_E_PARAMNOTFOUND ? Variant() : Variant(static_cast<int>(value.scode));
    default: typeMismatch();
  }
}

void assignThrough(VARIANT& reference, const Variant& value) {
  if (!(reference.vt & VT_BYREF)) throw Error("Argument is not passed by reference");
  const VARTYPE target = reference.vt & ~VT_BYREF;
  if (target == VT_VARIANT) {
    ComVariant converted = toCom(value);
    VariantClear(reference.pvarVal);
    *reference.pvarVal = converted.detach();
    return;
  }
  if (target & VT_ARRAY) {
    if (value.type() != Variant::Type::Array && !value.isEmpty()) typeMismatch();
    SAFEARRAY* array = arrayToCom(value.isEmpty() ? VariantArray{} : value.asArray(), target & ~VT_ARRAY);
    if (*reference.pparray) SafeArrayDestroy(*reference.pparray);
    *reference.pparray = array;
    return;
  }
  ComVariant converted = toCom(value);
  check(VariantChangeType(&converted.get(), &converted.get(), 0, target));
  VARIANT& v = converted.get();
  switch (target) {
    case VT_BOOL: *reference.pboolVal = v.boolVal; break;
    case VT_I1: *reference.pcVal = v.cVal; break;
    case VT_UI1: *reference.pbVal = v.bVal; break;
    case VT_I2: *reference.piVal = v.iVal; break;
    case VT_UI2: *reference.puiVal = v.uiVal; break;
    case VT_I4: *reference.plVal = v.lVal; break;
    case VT_UI4: *reference.pulVal = v.ulVal; break;
    case VT_INT: *reference.pintVal = v.intVal; break;
    case VT_UINT: *reference.puintVal = v.uintVal; break;
    case VT_R4: *reference.pfltVal = v.fltVal; break;
    case VT_R8: *reference.pdblVal = v.dblVal; break;
    case VT_BSTR: {
      VARIANT owned = converted.detach();
      SysFreeString(*reference.pbstrVal);
      *reference.pbstrVal = owned.bstrVal;
      break;
    }
    case VT_DISPATCH: {
      VARIANT owned = converted.detach();
      if (*reference.ppdispVal) (*reference.ppdispVal)->Release();
      *reference.ppdispVal = owned.pdispVal;
      break;
    }
    default: typeMismatch();
  }
}

}  // namespace femap::com
