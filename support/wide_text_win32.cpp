#ifdef _WIN32

#include "support/wide_text.h"

#include <windows.h>

#include <climits>

#include "support/err.h"

namespace support {
namespace {

int checkedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw RuntimeError("Text too long to convert");
  return static_cast<int>(size);
}

}  // namespace

std::wstring toWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = checkedLength(text.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), wideLength);
  return wide;
}

std::string fromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = checkedLength(text.size());
  const int narrowLength =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(narrowLength), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), narrowLength, nullptr, nullptr);
  return narrow;
}

}  // namespace support

#endif  // _WIN32
