#include "femap/com/com_error.h"

#include <cstdio>
#include <utility>

#include "femap/com/bstr.h"
#include "support/wide_text.h"

namespace femap::com {
namespace {

std::string hex(HRESULT code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

std::string memberName(std::string_view kind, std::string_view member) {
  return std::string(kind) + "." + std::string(member);
}

bool serverGone(HRESULT code) {
  return code == RPC_E_DISCONNECTED || code == RPC_E_SERVER_DIED || code == RPC_E_SERVER_DIED_DNE ||
         code == CO_E_OBJNOTCONNECTED || code == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
         code == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);
}

}  // namespace

std::string systemMessage(HRESULT code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || !buffer) return {};
  std::string text = support::fromWide(std::wstring_view(buffer, length));
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

femap::Error comError(HRESULT code, std::string_view context) {
  std::string text(context);
  const std::string message = systemMessage(code);
  text += message.empty() ? ": automation error" : ": " + message;
  return femap::Error(text + " (" + hex(code) + ")");
}

ExcepInfo::~ExcepInfo() {
  SysFreeString(info_.bstrSource);
  SysFreeString(info_.bstrDescription);
  SysFreeString(info_.bstrHelpFile);
}

std::string ExcepInfo::description() {
  if (info_.pfnDeferredFillIn) {
    auto fillIn = std::exchange(info_.pfnDeferredFillIn, nullptr);
    fillIn(&info_);
  }
  return Bstr::toUtf8(info_.bstrDescription);
}

HRESULT ExcepInfo::code() const {
  if (info_.scode != 0) return info_.scode;
  return info_.wCode != 0 ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info_.wCode) : DISP_E_EXCEPTION;
}

femap::Error invokeError(HRESULT code, ExcepInfo& exception, UINT argumentError, std::string_view kind,
                         std::string_view member) {
  const std::string where = " (" + memberName(kind, member) + ")";
  switch (code) {
    case DISP_E_EXCEPTION: {
      std::string description = exception.description();
      if (!description.empty()) return femap::Error(description);
      return comError(exception.code(), memberName(kind, member));
    }
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      return femap::Error("Object doesn't support this property or method" + where);
    case DISP_E_TYPEMISMATCH:
      return femap::Error("Type mismatch in argument " + std::to_string(argumentError + 1) + where);
    case DISP_E_BADPARAMCOUNT:
      return femap::Error("Wrong number of arguments or invalid property assignment" + where);
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_PARAMNOTFOUND:
      return femap::Error("Argument not optional" + where);
    case DISP_E_OVERFLOW:
      return femap::Error("Overflow" + where);
    case DISP_E_NONAMEDARGS:
      return femap::Error("Named arguments not supported" + where);
    default:
      if (serverGone(code)) return femap::Error("The remote server machine does not exist or is unavailable" + where);
      return comError(code, "Automation error in " + memberName(kind, member));
  }
}

femap::Error nameError(HRESULT code, std::string_view kind, std::string_view member) {
  if (code == DISP_E_UNKNOWNNAME || code == DISP_E_MEMBERNOTFOUND) {
    return femap::Error("Object doesn't support this property or method (" + memberName(kind, member) + ")");
  }
  if (serverGone(code)) {
    return femap::Error("The remote server machine does not exist or is unavailable (" + memberName(kind, member) + ")");
  }
  return comError(code, "Automation error looking up " + memberName(kind, member));
}

}  // namespace femap::com
