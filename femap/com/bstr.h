#pragma once
// An owning BSTR: the UTF-16 text of the automation boundary, freed when the object goes.
// The system's own text is UTF-8 (std::string); conversion happens here and nowhere else.

#include "femap/com/com_headers.h"

#include <string>
#include <string_view>
#include <utility>

namespace femap::com {

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  static Bstr adopt(BSTR text) {
    Bstr result;
    result.text_ = text;
    return result;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(text_, other.text_);
    return *this;
  }
  ~Bstr() { SysFreeString(text_); }

  BSTR get() const { return text_; }
  BSTR detach() { return std::exchange(text_, nullptr); }
  // For a COM call that fills a BSTR out-parameter: frees what is held first.
  BSTR* out() {
    SysFreeString(std::exchange(text_, nullptr));
    return &text_;
  }
  std::string utf8() const { return toUtf8(text_); }

  // A BSTR's text as UTF-8 (a null BSTR is the empty text).
  static std::string toUtf8(BSTR text);

 private:
  BSTR text_ = nullptr;
};

}  // namespace femap::com
