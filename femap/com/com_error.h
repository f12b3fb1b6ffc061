#pragma once
// COM failures as femap::Error: an HRESULT with the system's text for it, and the failure of
// a late-bound call with the server's own description when it gave one.

#include "femap/com/com_headers.h"

#include <string>
#include <string_view>

#include "femap/error.h"

namespace femap::com {

// The system's text for an HRESULT, without trailing line breaks (empty when it has none).
std::string systemMessage(HRESULT code);

// "<context>: <system text> (0x8007000E)".
femap::Error comError(HRESULT code, std::string_view context);

// An EXCEPINFO filled by IDispatch::Invoke; frees its strings when it goes.
class ExcepInfo {
 public:
  ExcepInfo() = default;
  ExcepInfo(const ExcepInfo&) = delete;
  ExcepInfo& operator=(const ExcepInfo&) = delete;
  ~ExcepInfo();

  EXCEPINFO* get() { return &info_; }
  // The server's description, after letting it fill the structure in if it deferred that.
  std::string description();
  // The failure code the server reported.
  HRESULT code() const;

 private:
  EXCEPINFO info_{};
};

// The failure of IDispatch::Invoke for `member` of an object of `kind`. A server exception
// keeps the server's description as it stands; other failures say which member failed.
femap::Error invokeError(HRESULT code, ExcepInfo& exception, UINT argumentError,
                         std::string_view kind, std::string_view member);

// The failure to find `member` (IDispatch::GetIDsOfNames).
femap::Error nameError(HRESULT code, std::string_view kind, std::string_view member);

}  // namespace femap::com
