// The settings store on Windows: REG_SZ values below HKEY_CURRENT_USER\Software\Folivar, one key
// per section. For code page 1251 names the ANSI calls are used on purpose, so that names and
// values pass through the system code page as the bytes the reader gives them, and a book's
// section stays the key it always was. The UTF-8 names of a Unicode book go through the wide
// calls, so that every script reaches the registry whatever the system code page.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "core/codepage.h"
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

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

// The read buffer: the longest value plus its terminating zero.
constexpr DWORD kBufferSize = 0x4000;
static_assert(kBufferSize == kMaxSettingSize + 1);

}  // namespace

std::string ReadStoredSetting(const std::string& section, const std::string& name,
                              TTextEncoding encoding) {
  const bool wide = encoding == TTextEncoding::kUnicode;
  TRegKey key;
  const LSTATUS opened =
      wide ? RegOpenKeyExW(HKEY_CURRENT_USER, Wide(KeyPath(section)).c_str(), 0, KEY_QUERY_VALUE,
                           key.Receive())
           : RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_QUERY_VALUE,
                           key.Receive());
  if (opened != ERROR_SUCCESS) return {};
  // The wide read holds as many UTF-16 units as the ANSI read holds bytes.
  const size_t unit = wide ? sizeof(wchar_t) : 1;
  std::vector<char> buffer(kBufferSize * unit);
  DWORD size = static_cast<DWORD>(buffer.size());
  BYTE* data = reinterpret_cast<BYTE*>(buffer.data());
  // A value larger than the buffer fails with ERROR_MORE_DATA and reads as empty.
  const LSTATUS read =
      wide ? RegQueryValueExW(key.Get(), Wide(name).c_str(), nullptr, nullptr, data, &size)
           : RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, data, &size);
  if (read != ERROR_SUCCESS) return {};
  // The data ends with its terminating zero; a value of no bytes at all (not one this program
  // writes) has none to drop.
  if (size < unit || size > buffer.size()) return {};
  if (!wide) return std::string(buffer.data(), size - 1);
  std::u16string text(size / unit - 1, u'\0');
  std::memcpy(text.data(), buffer.data(), text.size() * unit);
  std::string value = Utf16ToUtf8(text);
  // As the native store, which counts the UTF-8 bytes.
  if (value.size() > kMaxSettingSize) return {};
  return value;
}

void WriteStoredSetting(const std::string& section, const std::string& name,
                        const std::string& value, TTextEncoding encoding) {
  // The size field of the call cannot describe more (in UTF-16, twice the bytes at most).
  const size_t unit = encoding == TTextEncoding::kUnicode ? sizeof(wchar_t) : 1;
  if (value.size() >= MAXDWORD / unit) return;
  TRegKey key;
  if (encoding == TTextEncoding::kUnicode) {
    if (RegCreateKeyW(HKEY_CURRENT_USER, Wide(KeyPath(section)).c_str(), key.Receive()) !=
        ERROR_SUCCESS) {
      return;
    }
    const std::wstring text = Wide(value);
    RegSetValueExW(key.Get(), Wide(name).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    return;
  }
  if (RegCreateKeyA(HKEY_CURRENT_USER, KeyPath(section).c_str(), key.Receive()) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

}  // namespace folivar
