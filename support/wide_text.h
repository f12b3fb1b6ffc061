#pragma once
// Text at the Windows boundary: the system keeps text as UTF-8 in std::string, Windows
// calls take UTF-16. Invalid UTF-8 becomes U+FFFD rather than failing. Windows only.
#ifdef _WIN32

#include <string>
#include <string_view>

namespace support {

std::wstring toWide(std::string_view text);
std::string fromWide(std::wstring_view text);

}  // namespace support

#endif  // _WIN32
