#include "tools/femapsim-server/registration.h"

#include <string>

#include "femap/connect.h"
#include "support/err.h"
#include "support/wide_text.h"

namespace femapsim::server {

// {D5E1F616-707E-4CC8-84A5-BA52FB3E99A6}
const CLSID kApplicationClass = {0xd5e1f616, 0x707e, 0x4cc8, {0x84, 0xa5, 0xba, 0x52, 0xfb, 0x3e, 0x99, 0xa6}};

namespace {

constexpr wchar_t kDescription[] = L"Simulated FEMAP (femapsim-server)";

std::wstring classText() {
  wchar_t text[64];
  StringFromGUID2(kApplicationClass, text, 64);
  return text;
}

std::wstring progIdKey() { return support::toWide(femap::kFemapProgId); }
std::wstring classKey() { return L"CLSID\\" + classText(); }

[[noreturn]] void fail(const std::wstring& key, LSTATUS status) {
  throw support::RuntimeError("cannot write the registry key " + support::fromWide(key) + " (error " +
                              std::to_string(status) + ")");
}

// An open registry key, closed when the object goes.
class Key {
 public:
  Key(HKEY root, const std::wstring& path) {
    const LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr);
    if (status != ERROR_SUCCESS) fail(path, status);
    path_ = path;
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { RegCloseKey(key_); }

  void setDefault(const std::wstring& value) {
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    if (status != ERROR_SUCCESS) fail(path_, status);
  }

 private:
  HKEY key_ = nullptr;
  std::wstring path_;
};

// The default value of a key, or the empty text when there is none.
std::wstring readDefault(HKEY root, const std::wstring& path) {
  wchar_t buffer[2048];
  DWORD bytes = sizeof buffer;
  if (RegGetValueW(root, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS) return {};
  return buffer;
}

void writeClasses(HKEY root, const std::wstring& classes, const std::wstring& command) {
  Key(root, classes + progIdKey()).setDefault(kDescription);
  Key(root, classes + progIdKey() + L"\\CLSID").setDefault(classText());
  Key(root, classes + classKey()).setDefault(kDescription);
  Key(root, classes + classKey() + L"\\ProgID").setDefault(progIdKey());
  Key(root, classes + classKey() + L"\\LocalServer32").setDefault(command);
}

bool visibleToCom(const std::wstring& command) {
  return readDefault(HKEY_CLASSES_ROOT, progIdKey() + L"\\CLSID") == classText() &&
         readDefault(HKEY_CLASSES_ROOT, classKey() + L"\\LocalServer32") == command;
}

void removeClasses(HKEY root, const std::wstring& classes) {
  // Only a ProgID that names our class is ours to remove.
  if (readDefault(root, classes + progIdKey() + L"\\CLSID") == classText()) {
    RegDeleteTreeW(root, (classes + progIdKey()).c_str());
  }
  RegDeleteTreeW(root, (classes + classKey()).c_str());
}

constexpr wchar_t kClasses[] = L"Software\\Classes\\";

}  // namespace

void registerServer(const std::wstring& command) {
  writeClasses(HKEY_CURRENT_USER, kClasses, command);
  if (visibleToCom(command)) return;
  writeClasses(HKEY_LOCAL_MACHINE, kClasses, command);
  if (!visibleToCom(command)) {
    throw support::RuntimeError("the registration is written but COM does not see it under HKEY_CLASSES_ROOT");
  }
}

void unregisterServer() {
  removeClasses(HKEY_CURRENT_USER, kClasses);
  removeClasses(HKEY_LOCAL_MACHINE, kClasses);
}

}  // namespace femapsim::server
