// The settings store: per-user string values in sections named after the book. The Windows build
// keeps them in the registry below HKEY_CURRENT_USER\Software\Folivar (platform/win32/settings.cpp),
// the native build in text files below $XDG_CONFIG_HOME/folivar (platform/posix/settings.cpp).
// Nothing is cached; every call goes to the store. Errors are never reported: a read gives the
// empty string, a write is dropped. Main thread only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/codepage.h"

namespace folivar {

// The longest value that reads back: the registry read uses a 16384-byte buffer that also holds
// the terminating zero. A longer value can be written but reads back empty, in both stores.
constexpr size_t kMaxSettingSize = 16383;

// Section and value names as the store keeps them: every character outside the letters a-z and
// A-Z, the digits, "\~!@#$%^&*()_+|/." and the code page 1251 letters (0xC0-0xFF, 0xA8, 0xB8)
// becomes a space, runs of spaces become one space, and a name with nothing else left becomes
// "Default". A backslash separates sections.
//
// Names of a Unicode book are UTF-8 and cleaned by character instead of by byte, with the letters
// and digits of every script allowed: a character from U+0080 up stays unless it is a control,
// space, punctuation mark or symbol of the blocks that hold them (UnicodeLetterOrDigit), a
// private-use character, a noncharacter or U+FFFD, the mark of damaged UTF-8. The result is UTF-8.
std::string CleanSettingName(std::string_view name,
                             TTextEncoding encoding = TTextEncoding::kCp1251);

// "Books\<title>\<edition>", each part cleaned and then the whole.
std::string BookSection(std::string_view title, std::string_view edition,
                        TTextEncoding encoding = TTextEncoding::kCp1251);

// The names (and values) of a call are in the encoding given: code page 1251 bytes, or the UTF-8
// of a Unicode book's section, which the registry store writes with its wide calls.
// The value, or the empty string when the section or the value does not exist or cannot be read.
std::string ReadSetting(std::string_view section, std::string_view name,
                        TTextEncoding encoding = TTextEncoding::kCp1251);
// Creates the section when needed; failures are ignored.
void WriteSetting(std::string_view section, std::string_view name, std::string_view value,
                  TTextEncoding encoding = TTextEncoding::kCp1251);

// The store of the platform layer. Section and name are already cleaned.
std::string ReadStoredSetting(const std::string& section, const std::string& name,
                              TTextEncoding encoding);
void WriteStoredSetting(const std::string& section, const std::string& name,
                        const std::string& value, TTextEncoding encoding);

}  // namespace folivar
