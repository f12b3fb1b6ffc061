#include "femap/com/com_dispatch.h"

#include <atomic>
#include <cassert>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <type_traits>
#include <vector>

#include "femap/com/bstr.h"
#include "femap/com/com_error.h"
#include "femap/com/com_variant.h"
#include "femap/com/transport.h"
#include "support/strings.h"

namespace femap::com {
namespace {

// The argument list of DISPPARAMS is an array of VARIANTs; ComVariants lie the same way.
static_assert(sizeof(ComVariant) == sizeof(VARIANT) && std::is_standard_layout_v<ComVariant>);

std::atomic<std::uint64_t> nameLookups{0};
std::atomic<std::uint64_t> invokes{0};
std::atomic<std::uint64_t> kindLookups{0};

// Look-ups by kind and member: rare (once per name and kind), so a lock costs nothing.
std::mutex lookupsMutex;
std::map<std::string, std::uint64_t>& lookupsByMember() {
  static std::map<std::string, std::uint64_t> lookups;
  return lookups;
}

constexpr std::string_view kUnknownKind = "Object";

// A method call may also read a property with arguments, as late-bound callers expect.
WORD flagsFor(Invoke how) {
  switch (how) {
    case Invoke::Method: return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    case Invoke::Get: return DISPATCH_PROPERTYGET;
    case Invoke::Put: return DISPATCH_PROPERTYPUT;
  }
  return DISPATCH_METHOD;
}

}  // namespace

std::uint64_t nameLookupCount() { return nameLookups.load(); }

TransportCounters transportCounters() {
  TransportCounters counters;
  counters.invokes = invokes.load();
  counters.nameLookups = nameLookups.load();
  counters.kindLookups = kindLookups.load();
  std::lock_guard lock(lookupsMutex);
  counters.lookupsByMember = lookupsByMember();
  return counters;
}

CountersAtExit::~CountersAtExit() {
  const char* path = std::getenv("CORVANE_COM_COUNTERS");
  if (!path || !*path) return;
  const TransportCounters counters = transportCounters();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << "invokes " << counters.invokes << "\n"
       << "nameLookups " << counters.nameLookups << "\n"
       << "kindLookups " << counters.kindLookups << "\n";
  for (const auto& [member, count] : counters.lookupsByMember) {
    file << "lookup " << member << " " << count << "\n";
  }
}

std::string Session::key(std::string_view kind, std::string_view member) {
  // Servers match names without regard to case, so "MAXVAL" and "maxval" share one DISPID.
  return std::string(kind) + '\n' + support::toLower(member);
}

const DISPID* Session::find(std::string_view kind, std::string_view member) const {
  auto it = ids_.find(key(kind, member));
  return it == ids_.end() ? nullptr : &it->second;
}

void Session::remember(std::string_view kind, std::string_view member, DISPID id) {
  ids_[key(kind, member)] = id;
}

const std::string* Session::kindOf(ITypeInfo* type) const {
  for (const auto& [known, kind] : kinds_) {
    if (known.get() == type) return &kind;
  }
  return nullptr;
}

void Session::rememberKind(ComPtr<ITypeInfo> type, std::string kind) {
  kinds_.emplace_back(std::move(type), std::move(kind));
}

ComDispatch::ComDispatch(ComPtr<IDispatch> dispatch, std::shared_ptr<Session> session)
    : dispatch_(std::move(dispatch)), session_(std::move(session)) {}

std::string_view ComDispatch::kind() const {
  resolveKind();
  return kind_;
}

void ComDispatch::resolveKind() const {
  if (kindResolved_) return;
  kindResolved_ = true;
  kind_ = kUnknownKind;
  ComPtr<ITypeInfo> type;
  ++kindLookups;
  if (FAILED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.out())) || !type) return;
  if (const std::string* known = session_->kindOf(type.get())) {
    kind_ = *known;
    kindShared_ = true;
    return;
  }
  Bstr name;
  if (FAILED(type->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr))) return;
  std::string text = name.utf8();
  if (text.empty()) return;
  kind_ = text;
  kindShared_ = true;
  session_->rememberKind(std::move(type), std::move(text));
}

DISPID ComDispatch::idOf(std::string_view member) {
  resolveKind();
  Session& names = kindShared_ ? *session_ : ownNames_;
  if (const DISPID* known = names.find(kind_, member)) return *known;
  Bstr name(member);
  LPOLESTR lookup[] = {name.get()};
  DISPID id = DISPID_UNKNOWN;
  ++nameLookups;
  {
    std::lock_guard lock(lookupsMutex);
    ++lookupsByMember()[kind_ + "." + support::toLower(member)];
  }
  const HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, lookup, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(result)) throw nameError(result, kind_, member);
  names.remember(kind_, member, id);
  return id;
}

Variant ComDispatch::invoke(std::string_view member, Invoke how, std::span<Variant> args) {
  assert(how != Invoke::Put || !args.empty());
  const DISPID id = idOf(member);
  const std::size_t count = args.size();

  // Arguments go last to first. A by-reference argument points at a VARIANT of its own that
  // starts with the caller's value and brings back the callee's.
  std::vector<ComVariant> arguments(count);
  std::vector<ComVariant> referenced(count);
  for (std::size_t i = 0; i < count; ++i) {
    ComVariant& slot = arguments[count - 1 - i];
    if (args[i].isByRef()) {
      referenced[i] = toCom(args[i]);
      slot.get().vt = VT_BYREF | VT_VARIANT;
      slot.get().pvarVal = &referenced[i].get();
    } else {
      slot = toCom(args[i]);
    }
  }

  DISPID propertyPut = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{};
  parameters.rgvarg = count ? &arguments.front().get() : nullptr;
  parameters.cArgs = static_cast<UINT>(count);
  if (how == Invoke::Put) {
    // The value (the last argument, so rgvarg[0]) is the named argument of a property put.
    parameters.rgdispidNamedArgs = &propertyPut;
    parameters.cNamedArgs = 1;
  }

  ComVariant result;
  ExcepInfo exception;
  ++invokes;
  UINT argumentError = 0;
  const HRESULT outcome =
      dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flagsFor(how), &parameters,
                        how == Invoke::Put ? nullptr : result.out(), exception.get(), &argumentError);
  if (FAILED(outcome)) {
    const UINT position = argumentError < count ? static_cast<UINT>(count - 1 - argumentError) : 0;
    throw invokeError(outcome, exception, position, kind_, member);
  }

  for (std::size_t i = 0; i < count; ++i) {
    if (args[i].isByRef()) args[i].assign(fromCom(referenced[i].get(), session_));
  }
  return fromCom(result.get(), session_);
}

}  // namespace femap::com
