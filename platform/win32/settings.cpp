// The settings store on Windows: REG_SZ values below HKEY_CURRENT_USER\Software\Folivar, one key
// per section. The ANSI calls are used on purpose, so that names and values pass through the
// system code page as the bytes the reader gives them.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "reader/regstuff.h"

namespace folivar {

namespace {

// An open registry key, closed once.
class TRegKey {
 public:
  TRegKey() = default;
  ~TRegKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string KeyPath(const std::string& section) { return "Software\\Folivar\\" + section; }

// The read buffer: the longest value plus its terminating zero.
constexpr DWORD kBufferSize = 0x4000;
static_assert(kBufferSize == kMaxSettingSize + 1);

}  // namespace

std::string ReadStoredSetting(const std::string& section, const std::string& name) {
  TRegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_QUERY_VALUE,
                    key.Receive()) != ERROR_SUCCESS) {
    return {};
  }
  std::vector<char> buffer(kBufferSize);
  DWORD size = kBufferSize;
  // A value larger than the buffer fails with ERROR_MORE_DATA and reads as empty.
  if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    return {};
  }
  // The data ends with its terminating zero; a value of no bytes at all (not one this program
  // writes) has none to drop.
  if (size == 0 || size > kBufferSize) return {};
  return std::string(buffer.data(), size - 1);
}

void WriteStoredSetting(const std::string& section, const std::string& name,
                        const std::string& value) {
  // The size field of the call cannot describe more.
  if (value.size() >= MAXDWORD) return;
  TRegKey key;
  if (RegCreateKeyA(HKEY_CURRENT_USER, KeyPath(section).c_str(), key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

}  // namespace folivar
