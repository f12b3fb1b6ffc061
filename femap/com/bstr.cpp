#include "femap/com/bstr.h"

#include <new>

#include "support/wide_text.h"

namespace femap::com {

Bstr::Bstr(std::string_view utf8) {
  const std::wstring wide = support::toWide(utf8);
  text_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!text_) throw std::bad_alloc();
}

std::string Bstr::toUtf8(BSTR text) {
  if (!text) return {};
  return support::fromWide(std::wstring_view(text, SysStringLen(text)));
}

}  // namespace femap::com
