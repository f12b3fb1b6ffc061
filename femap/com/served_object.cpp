#include "femap/com/served_object.h"

#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "femap/com/bstr.h"
#include "femap/com/com_variant.h"
#include "support/strings.h"
#include "support/wide_text.h"

namespace femap::com {
namespace {

// IDispatch has a method of the same name.
using How = femap::Invoke;
using Clock = std::chrono::steady_clock;

std::atomic<Clock::rep>& lastCall() {
  static std::atomic<Clock::rep> ticks{Clock::now().time_since_epoch().count()};
  return ticks;
}

// DISPIDs by object kind: a name keeps its DISPID on every object of the kind.
class MemberIds {
 public:
  static MemberIds& instance() {
    static MemberIds ids;
    return ids;
  }

  DISPID idOf(std::string_view kind, std::string_view name) {
    std::lock_guard lock(mutex_);
    Names& names = kinds_[std::string(kind)];
    auto [it, added] = names.ids.try_emplace(support::toLower(name), 0);
    if (added) {
      names.spellings.emplace_back(name);
      it->second = static_cast<DISPID>(names.spellings.size());  // from 1: 0 is DISPID_VALUE
    }
    return it->second;
  }

  std::optional<std::string> nameOf(std::string_view kind, DISPID id) const {
    std::lock_guard lock(mutex_);
    auto it = kinds_.find(kind);
    if (it == kinds_.end() || id < 1 || static_cast<std::size_t>(id) > it->second.spellings.size()) {
      return std::nullopt;
    }
    return it->second.spellings[static_cast<std::size_t>(id) - 1];
  }

 private:
  struct Names {
    std::unordered_map<std::string, DISPID> ids;
    std::vector<std::string> spellings;  // as first asked for, by DISPID - 1
  };
  mutable std::mutex mutex_;
  std::map<std::string, Names, std::less<>> kinds_;
};

// The live served objects of this process, so that one coming back from a client is known.
class ServedRegistry {
 public:
  static ServedRegistry& instance() {
    static ServedRegistry registry;
    return registry;
  }
  void add(IDispatch* dispatch) {
    std::lock_guard lock(mutex_);
    live_.insert(dispatch);
  }
  void remove(IDispatch* dispatch) {
    std::lock_guard lock(mutex_);
    live_.erase(dispatch);
  }
  bool contains(IDispatch* dispatch) const {
    std::lock_guard lock(mutex_);
    return live_.count(dispatch) != 0;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_set<IDispatch*> live_;
};

// A type information that only knows its name: the object's kind.
class KindTypeInfo final : public ITypeInfo {
 public:
  explicit KindTypeInfo(std::string kind) : kind_(std::move(kind)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
      *object = static_cast<ITypeInfo*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID member, BSTR* name, BSTR* text, DWORD* helpContext,
                                             BSTR* helpFile) override {
    if (member != MEMBERID_NIL) return TYPE_E_ELEMENTNOTFOUND;
    try {
      if (name) *name = Bstr(kind_).detach();
    } catch (const std::exception&) {
      return E_OUTOFMEMORY;
    }
    if (text) *text = nullptr;
    if (helpContext) *helpContext = 0;
    if (helpFile) *helpFile = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attributes) override { return none(attributes); }
  HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** comp) override { return none(comp); }
  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT, FUNCDESC** description) override { return none(description); }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC** description) override { return none(description); }
  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID, BSTR*, UINT, UINT* count) override {
    if (count) *count = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR*, UINT, MEMBERID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo** info) override { return none(info); }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID* address) override { return none(address); }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID* object) override { return none(object); }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR* mops) override { return none(mops); }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** library, UINT*) override { return none(library); }
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR*) override {}
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC*) override {}
  void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) override {}

 private:
  ~KindTypeInfo() = default;
  template <class Out>
  static HRESULT none(Out** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

  std::atomic<ULONG> references_{1};
  std::string kind_;
};

// One type information per kind for the process's life: every object of a kind hands out the
// same one, so that a client that keeps it recognises the kind without asking its name again.
class KindTypeInfos {
 public:
  static KindTypeInfos& instance() {
    static KindTypeInfos infos;
    return infos;
  }
  // A new reference to the kind's type information, or nullptr when out of memory.
  ITypeInfo* of(const std::string& kind) {
    std::lock_guard lock(mutex_);
    ComPtr<ITypeInfo>& info = infos_[kind];
    if (!info) info = ComPtr<ITypeInfo>::adopt(new (std::nothrow) KindTypeInfo(kind));
    if (!info) return nullptr;
    return ComPtr<ITypeInfo>::share(info.get()).detach();
  }

 private:
  std::mutex mutex_;
  std::map<std::string, ComPtr<ITypeInfo>> infos_;
};

class ServedObject final : public IDispatch {
 public:
  explicit ServedObject(Object object) : object_(std::move(object)), kind_(object_.kind()) {
    ServedRegistry::instance().add(this);
  }
  const Object& object() const { return object_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    noteServedCall();
    *info = KindTypeInfos::instance().of(kind_);
    return *info ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (count == 0) return S_OK;
    if (!names || !ids) return E_POINTER;
    noteServedCall();
    try {
      // Plain OLE strings, not BSTRs: they end with a zero and carry no length.
      ids[0] = MemberIds::instance().idOf(kind_, names[0] ? support::fromWide(names[0]) : std::string());
    } catch (const std::exception&) {
      return E_OUTOFMEMORY;
    }
    // Named arguments are not supported: their names are unknown.
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    noteServedCall();
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!parameters) return E_POINTER;
    const std::optional<std::string> member = MemberIds::instance().nameOf(kind_, id);
    if (!member) return DISP_E_MEMBERNOTFOUND;

    How how = How::Get;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      how = How::Put;
    } else if (flags & DISPATCH_METHOD) {
      how = How::Method;
    } else if (!(flags & DISPATCH_PROPERTYGET)) {
      return DISP_E_MEMBERNOTFOUND;
    }
    const bool namedValue = parameters->cNamedArgs == 1 && parameters->rgdispidNamedArgs &&
                            parameters->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
    if (parameters->cNamedArgs > 0 && !(how == How::Put && namedValue)) return DISP_E_NONAMEDARGS;
    if (how == How::Put && parameters->cArgs == 0) return DISP_E_PARAMNOTOPTIONAL;

    try {
      return call(*member, how, *parameters, result, exception, argumentError);
    } catch (const std::exception& failure) {
      return raise(exception, failure.what());
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  ~ServedObject() { ServedRegistry::instance().remove(this); }

  // rgvarg holds the arguments last to first (the named put value, being last, is rgvarg[0]).
  HRESULT call(const std::string& member, How how, DISPPARAMS& parameters, VARIANT* result,
               EXCEPINFO* exception, UINT* argumentError) {
    const std::size_t count = parameters.cArgs;
    std::vector<Variant> args(count);
    std::vector<Variant> referenced(count);  // by-reference arguments' values, filled by the callee
    for (std::size_t i = 0; i < count; ++i) {
      const VARIANT& source = parameters.rgvarg[count - 1 - i];
      try {
        if (source.vt & VT_BYREF) {
          referenced[i] = fromCom(source, nullptr);
          args[i] = Variant::byRef(referenced[i]);
        } else {
          args[i] = fromCom(source, nullptr);
        }
      } catch (const Error&) {
        if (argumentError) *argumentError = static_cast<UINT>(count - 1 - i);
        return DISP_E_TYPEMISMATCH;
      }
    }

    Variant value;
    try {
      value = object_.invoke(member, how, args);
    } catch (const std::exception& failure) {
      return raise(exception, failure.what());
    }

    for (std::size_t i = 0; i < count; ++i) {
      VARIANT& target = parameters.rgvarg[count - 1 - i];
      if (!(target.vt & VT_BYREF)) continue;
      try {
        assignThrough(target, referenced[i]);
      } catch (const Error&) {
        if (argumentError) *argumentError = static_cast<UINT>(count - 1 - i);
        return DISP_E_TYPEMISMATCH;
      }
    }
    if (result && how != How::Put) {
      VariantClear(result);
      *result = toCom(value).detach();
    }
    return S_OK;
  }

  HRESULT raise(EXCEPINFO* exception, std::string_view description) const {
    if (exception) {
      *exception = EXCEPINFO{};
      exception->scode = E_FAIL;
      try {
        exception->bstrSource = Bstr(kind_).detach();
        exception->bstrDescription = Bstr(description).detach();
      } catch (const std::exception&) {
        return E_OUTOFMEMORY;
      }
    }
    return DISP_E_EXCEPTION;
  }

  std::atomic<ULONG> references_{1};
  Object object_;
  std::string kind_;
};

}  // namespace

ComPtr<IDispatch> serve(Object object) {
  return ComPtr<IDispatch>::adopt(new ServedObject(std::move(object)));
}

Object servedObject(IDispatch* dispatch) {
  if (!dispatch || !ServedRegistry::instance().contains(dispatch)) return {};
  return static_cast<ServedObject*>(dispatch)->object();
}

std::chrono::steady_clock::time_point lastServedCall() {
  return Clock::time_point(Clock::duration(lastCall().load()));
}

void noteServedCall() { lastCall().store(Clock::now().time_since_epoch().count()); }

}  // namespace femap::com
