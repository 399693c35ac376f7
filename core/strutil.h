// String helpers shared by the whole program. Strings are 8-bit (code page 1251 for book texts);
// positions in strings count from 1, as the callers of FindText expect.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folivar {

using TStringList = std::vector<std::string>;

// Removes leading and trailing spaces (the space character only).
std::string Trim(std::string_view s);

// When s is longer than one character and both its first and last characters are a quote
// character (' or ", not necessarily the same one), removes both.
std::string Unquote(std::string_view s);

// Returns the part of s before the first separator and leaves in s the part after it. Without a
// separator it returns all of s and leaves s empty.
std::string SplitFirst(std::string& s, std::string_view separator);

// The parts between separators: k separators give k + 1 parts, empty parts included.
TStringList Split(std::string_view s, std::string_view separator);

// 1-based position of the first occurrence of pattern at or after position start (0 counts as
// 1); 0 when there is none or either string is empty. Horspool search.
int32_t FindText(std::string_view s, int32_t start, std::string_view pattern);

// Number of non-overlapping occurrences of pattern, scanning left to right.
int32_t CountText(std::string_view s, std::string_view pattern);

// Replaces non-overlapping occurrences of old by replacement from left to right, at most limit of
// them (-1 = all), and returns how many were replaced.
int32_t ReplaceAll(std::string_view old, std::string_view replacement, std::string& s,
                   int32_t limit = -1);

// A-Z become a-z and the code page 1251 capitals 0xC0-0xDF become 0xE0-0xFF.
std::string LowerCase1251(std::string_view s);
// a-z become A-Z; nothing else changes.
std::string UpperCaseAscii(std::string_view s);

// True when the text begins with t, y or 1 in either case.
bool ParseBool(std::string_view s);

std::string IntToText(int64_t n);
// Optional sign and decimal digits; conversion stops at the first other character and gives what
// was read so far (0 for no digits). Values beyond 32 bits saturate.
int32_t TextToInt(std::string_view s);

inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t Max(int32_t a, int32_t b) { return a > b ? a : b; }

// The fixed build stamp shown by the reader's "Build date" box.
std::string_view BuildDate();

}  // namespace folivar
