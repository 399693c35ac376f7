#include "core/strutil.h"

#include <array>
#include <cstddef>
#include <limits>
#include <utility>

namespace folivar {

namespace {

constexpr size_t kNotFound = std::numeric_limits<size_t>::max();
constexpr size_t kInt32Max = static_cast<size_t>(std::numeric_limits<int32_t>::max());

bool IsQuote(char c) { return c == '"' || c == '\''; }

// Horspool search for one pattern, with the skip table built once so that CountText and
// ReplaceAll can search the same pattern many times. The pattern must outlive the searcher.
class Horspool {
 public:
  explicit Horspool(std::string_view pattern) : pattern_(pattern) {
    skip_.fill(pattern.size());
    // Every character but the last tells how far the window may move when it is the last one
    // under the window; the last character itself keeps the full length unless it repeats.
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
      skip_[static_cast<unsigned char>(pattern[i])] = pattern.size() - 1 - i;
    }
  }

  // 0-based index of the first occurrence at or after from, or kNotFound. An empty pattern is
  // never found.
  size_t Find(std::string_view s, size_t from) const {
    const size_t m = pattern_.size();
    if (m == 0 || from > s.size() || s.size() - from < m) return kNotFound;
    const size_t last = s.size() - m;  // last window start that still fits
    size_t i = from;
    for (;;) {
      size_t k = m;
      while (k > 0 && s[i + k - 1] == pattern_[k - 1]) --k;
      if (k == 0) return i;
      const size_t step = skip_[static_cast<unsigned char>(s[i + m - 1])];
      if (last - i < step) return kNotFound;
      i += step;
    }
  }

 private:
  std::string_view pattern_;
  std::array<size_t, 256> skip_{};
};

}  // namespace

std::string Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

std::string Unquote(std::string_view s) {
  if (s.size() > 1 && IsQuote(s.front()) && IsQuote(s.back())) {
    return std::string(s.substr(1, s.size() - 2));
  }
  return std::string(s);
}

std::string SplitFirst(std::string& s, std::string_view separator) {
  // An empty separator counts as absent, so that a caller splitting in a loop always ends.
  const size_t at = separator.empty() ? std::string::npos : s.find(separator);
  if (at == std::string::npos) {
    std::string all = std::move(s);
    s.clear();
    return all;
  }
  std::string head = s.substr(0, at);
  s.erase(0, at + separator.size());
  return head;
}

TStringList Split(std::string_view s, std::string_view separator) {
  TStringList parts;
  if (separator.empty()) {
    parts.emplace_back(s);
    return parts;
  }
  size_t from = 0;
  for (;;) {
    const size_t at = s.find(separator, from);
    if (at == std::string_view::npos) break;
    parts.emplace_back(s.substr(from, at - from));
    from = at + separator.size();
  }
  parts.emplace_back(s.substr(from));
  return parts;
}

int32_t FindText(std::string_view s, int32_t start, std::string_view pattern) {
  if (s.empty() || pattern.empty()) return 0;
  const size_t from = start <= 1 ? 0 : static_cast<size_t>(start) - 1;
  const size_t at = Horspool(pattern).Find(s, from);
  // A position past the int32 range cannot be told to the caller; report it as not found.
  if (at == kNotFound || at >= kInt32Max) return 0;
  return static_cast<int32_t>(at + 1);
}

int32_t CountText(std::string_view s, std::string_view pattern) {
  if (pattern.empty()) return 0;
  const Horspool search(pattern);
  int32_t count = 0;
  size_t at = search.Find(s, 0);
  while (at != kNotFound && count < std::numeric_limits<int32_t>::max()) {
    ++count;
    at = search.Find(s, at + pattern.size());
  }
  return count;
}

int32_t ReplaceAll(std::string_view old, std::string_view replacement, std::string& s,
                   int32_t limit) {
  if (old.empty() || limit == 0) return 0;
  // Any negative limit means no limit; the count itself cannot pass the int32 range.
  const int32_t most = limit < 0 ? std::numeric_limits<int32_t>::max() : limit;
  const Horspool search(old);
  std::string result;
  int32_t count = 0;
  size_t done = 0;  // s[0, done) has been moved to result
  size_t at = search.Find(s, 0);
  while (at != kNotFound && count < most) {
    result.append(s, done, at - done);
    result.append(replacement);
    done = at + old.size();
    ++count;
    at = search.Find(s, done);
  }
  if (count == 0) return 0;
  result.append(s, done, std::string::npos);
  s = std::move(result);
  return count;
}

std::string LowerCase1251(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF)) {
      c = static_cast<char>(u + 0x20);
    }
  }
  return out;
}

std::string UpperCaseAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool ParseBool(std::string_view s) {
  if (s.empty()) return false;
  const char first = LowerCase1251(s.substr(0, 1))[0];
  return first == 't' || first == 'y' || first == '1';
}

std::string IntToText(int64_t n) {
  // Built from the unsigned magnitude so that the most negative value needs no special case.
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  char digits[24];
  size_t pos = sizeof digits;
  do {
    digits[--pos] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (n < 0) digits[--pos] = '-';
  return std::string(digits + pos, sizeof digits - pos);
}

int32_t TextToInt(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    negative = s[i] == '-';
    ++i;
  }
  // The magnitude stops growing once it is past the int32 range, so it never overflows.
  constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (magnitude < kCap) magnitude = magnitude * 10 + (s[i] - '0');
  }
  if (negative) {
    return magnitude >= kCap ? std::numeric_limits<int32_t>::min()
                             : static_cast<int32_t>(-magnitude);
  }
  return magnitude >= kCap - 1 ? std::numeric_limits<int32_t>::max()
                               : static_cast<int32_t>(magnitude);
}

std::string_view BuildDate() { return "06/02/2004, 11:16:36 PM"; }

}  // namespace folivar
