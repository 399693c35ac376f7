#include "core/strutil.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>

namespace folivar {
namespace {

using namespace std::string_view_literals;

constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();

// Straightforward reference search: 1-based position at or after start, 0 when absent.
int32_t NaiveFind(std::string_view s, int32_t start, std::string_view pattern) {
  if (s.empty() || pattern.empty()) return 0;
  const size_t from = start <= 1 ? 0 : static_cast<size_t>(start) - 1;
  if (from > s.size()) return 0;
  const size_t at = s.find(pattern, from);
  return at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
}

TEST(TrimTest, RemovesOnlyOuterSpaces) {
  struct Case {
    std::string_view in, out;
  } const cases[] = {
      {"", ""},
      {"   ", ""},
      {"a", "a"},
      {"  a b  ", "a b"},
      {" a", "a"},
      {"a ", "a"},
      {"\ta\t", "\ta\t"},      // only the space character counts
      {" \r\n ", "\r\n"},
      {"  x  y", "x  y"},
  };
  for (const Case& c : cases) EXPECT_EQ(Trim(c.in), c.out) << "[" << c.in << "]";
}

TEST(UnquoteTest, RemovesAPairOfAnyQuoteCharacters) {
  struct Case {
    std::string_view in, out;
  } const cases[] = {
      {"'x\"", "x"},          // single at the front, double at the back
      {"\"x'", "x"},
      {"'abc'", "abc"},
      {"\"abc\"", "abc"},
      {"''", ""},
      {"\"\"", ""},
      {"'", "'"},             // one quote character stays
      {"\"", "\""},
      {"", ""},
      {"a", "a"},
      {"'abc", "'abc"},
      {"abc'", "abc'"},
      {"x'y'", "x'y'"},
      {"''a''", "'a'"},       // only one pair goes
      {" 'a' ", " 'a' "},     // spaces are not trimmed here
  };
  for (const Case& c : cases) EXPECT_EQ(Unquote(c.in), c.out) << "[" << c.in << "]";
}

TEST(SplitFirstTest, ReturnsHeadAndLeavesTail) {
  struct Case {
    std::string_view in, sep, head, tail;
  } const cases[] = {
      {"a=b=c", "=", "a", "b=c"},
      {"=5", "=", "", "5"},
      {"a=", "=", "a", ""},
      {"abc", "=", "abc", ""},     // no separator: all of it, nothing left
      {"", "=", "", ""},
      {"a\r\nb", "\r\n", "a", "b"},
      {"a\rb\r\nc", "\r\n", "a\rb", "c"},
      {"abc", "", "abc", ""},      // an empty separator never matches
  };
  for (const Case& c : cases) {
    std::string s(c.in);
    EXPECT_EQ(SplitFirst(s, c.sep), c.head) << "[" << c.in << "]";
    EXPECT_EQ(s, c.tail) << "[" << c.in << "]";
  }
}

TEST(SplitTest, KSeparatorsGiveKPlusOneParts) {
  struct Case {
    std::string_view in, sep;
    TStringList parts;
  } const cases[] = {
      {"a,b", ",", {"a", "b"}},
      {"", ",", {""}},
      {",", ",", {"", ""}},
      {",,", ",", {"", "", ""}},
      {"abc", ",", {"abc"}},
      {"a, b, c", ", ", {"a", "b", "c"}},
      {"aaa", "aa", {"", "a"}},          // separators do not overlap
      {"a\n\nb\n", "\n", {"a", "", "b", ""}},
      {"abc", "", {"abc"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.in, c.sep), c.parts) << "[" << c.in << "]";
}

TEST(FindTextTest, EdgeCases) {
  struct Case {
    std::string_view s;
    int32_t start;
    std::string_view pattern;
    int32_t expected;
  } const cases[] = {
      {"hello", 1, "l", 3},
      {"hello", 0, "l", 3},            // start 0 counts as 1
      {"hello", -7, "l", 3},
      {"hello", kMin32, "h", 1},
      {"hello", 4, "l", 4},            // start exactly on a match
      {"hello", 5, "l", 0},
      {"hello", 5, "o", 5},            // last character, last possible start
      {"hello", 6, "o", 0},            // start just beyond the end
      {"hello", 100, "o", 0},
      {"hello", kMax32, "o", 0},
      {"hello", 1, "", 0},
      {"", 1, "a", 0},
      {"", 0, "", 0},
      {"ab", 1, "abc", 0},             // pattern longer than the text
      {"abc", 2, "abc", 0},            // longer than what is left after start
      {"abc", 1, "abc", 1},
      {"abcabd", 1, "abd", 4},         // match at the very end
      {"xxxxab", 1, "ab", 5},
      {"aaab", 1, "aab", 2},           // repeated characters
      {"aaaa", 1, "aa", 1},
      {"aaaa", 2, "aa", 2},
      {"aaaa", 4, "aa", 0},
      {"abababc", 1, "ababc", 3},
      {"zyzzyz", 1, "zyz", 1},
      {"zyxzyz", 1, "zyz", 4},
      {"abcdabcx", 1, "bcx", 6},
      {"Hello", 1, "h", 0},            // case-sensitive
      {"\xC0\xFF\x00\xFF"sv, 1, "\xFF\x00"sv, 2},  // any byte value, NUL included
      {"a\xFF" "b", 1, "\xFF" "b", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.s, c.start, c.pattern), c.expected)
        << "[" << c.s << "] from " << c.start << " for [" << c.pattern << "]";
  }
}

// The skip table is easy to get subtly wrong (a shift one too far skips a match); comparing with
// a plain search over many small texts of a small alphabet finds such faults.
TEST(FindTextTest, AgreesWithPlainSearch) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> letter(0, 2);
  std::uniform_int_distribution<int> length(0, 12);
  for (int round = 0; round < 20000; ++round) {
    std::string s, pattern;
    for (int i = length(rng); i > 0; --i) s.push_back(static_cast<char>('a' + letter(rng)));
    for (int i = length(rng) / 3; i > 0; --i) {
      pattern.push_back(static_cast<char>('a' + letter(rng)));
    }
    const int32_t start = static_cast<int32_t>(round % 16) - 2;
    ASSERT_EQ(FindText(s, start, pattern), NaiveFind(s, start, pattern))
        << "[" << s << "] from " << start << " for [" << pattern << "]";
  }
}

TEST(CountTextTest, CountsNonOverlappingFromTheLeft) {
  struct Case {
    std::string_view s, pattern;
    int32_t expected;
  } const cases[] = {
      {"aaaa", "aa", 2},
      {"aaa", "aa", 1},
      {"aaaaa", "aa", 2},
      {"abcabc", "abc", 2},
      {"a.b.c", ".", 2},
      {"abab", "aba", 1},
      {"abc", "x", 0},
      {"", "a", 0},
      {"abc", "", 0},
      {"ab", "abc", 0},
      {"\r\n\r\n", "\r\n", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountText(c.s, c.pattern), c.expected) << "[" << c.s << "] / [" << c.pattern << "]";
  }
}

TEST(ReplaceAllTest, ReplacesUpToTheLimit) {
  struct Case {
    std::string_view old, replacement, in;
    int32_t limit;
    std::string_view out;
    int32_t count;
  } const cases[] = {
      {"aa", "b", "aaaa", -1, "bb", 2},
      {"aa", "b", "aaaaa", -1, "bba", 2},
      {"a", "b", "aaa", 2, "bba", 2},
      {"a", "b", "aaa", 1, "baa", 1},
      {"a", "b", "aaa", 0, "aaa", 0},
      {"a", "b", "aaa", 10, "bbb", 3},
      {"a", "b", "aaa", -5, "bbb", 3},            // any negative limit means all
      {"x", "y", "abc", -1, "abc", 0},
      {"", "y", "abc", -1, "abc", 0},             // empty old replaces nothing
      {"", "y", "", -1, "", 0},
      {"a", "", "banana", -1, "bnn", 3},          // empty replacement deletes
      {"a", "aa", "aa", -1, "aaaa", 2},           // replacements are not searched again
      {"ab", "ba", "aabb", -1, "abab", 1},
      {"\r\n", "\n", "a\r\nb\r\n", -1, "a\nb\n", 2},
      {"x", "<>", "xax", -1, "<>a<>", 2},         // at both ends
      {"abc", "z", "ab", -1, "ab", 0},
      {"abc", "z", "abc", -1, "z", 1},
  };
  for (const Case& c : cases) {
    std::string s(c.in);
    EXPECT_EQ(ReplaceAll(c.old, c.replacement, s, c.limit), c.count)
        << "[" << c.in << "] " << c.old << " -> " << c.replacement << " limit " << c.limit;
    EXPECT_EQ(s, c.out) << "[" << c.in << "] " << c.old << " -> " << c.replacement;
  }
}

TEST(ReplaceAllTest, DefaultLimitReplacesAll) {
  std::string s = "a-b-c-d";
  EXPECT_EQ(ReplaceAll("-", "+", s), 3);
  EXPECT_EQ(s, "a+b+c+d");
}

TEST(CaseTest, LowerCase1251MapsEveryByteValue) {
  for (int b = 0; b < 256; ++b) {
    int expected = b;
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF)) expected = b + 0x20;
    const std::string in(1, static_cast<char>(b));
    const std::string out = LowerCase1251(in);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), expected) << "byte " << b;
  }
  // The capital IO (0xA8) and its small form (0xB8) are not among the mapped letters.
  EXPECT_EQ(LowerCase1251("\xA8\xB8"), "\xA8\xB8");
  EXPECT_EQ(LowerCase1251("\xC0\xDF" "AbZ"), "\xE0\xFF" "abz");
  EXPECT_EQ(LowerCase1251(""), "");
}

TEST(CaseTest, UpperCaseAsciiMapsOnlyAsciiLetters) {
  for (int b = 0; b < 256; ++b) {
    const int expected = (b >= 'a' && b <= 'z') ? b - 0x20 : b;
    const std::string out = UpperCaseAscii(std::string(1, static_cast<char>(b)));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), expected) << "byte " << b;
  }
  EXPECT_EQ(UpperCaseAscii("ab\xE0" "1z"), "AB\xE0" "1Z");
}

TEST(ParseBoolTest, FirstCharacterDecides) {
  struct Case {
    std::string_view in;
    bool expected;
  } const cases[] = {
      {"t", true},   {"T", true},    {"true", true},  {"TRUE", true},  {"y", true},
      {"Y", true},   {"yes", true},  {"1", true},     {"10", true},    {"tx", true},
      {"", false},   {"f", false},   {"false", false}, {"n", false},   {"0", false},
      {" t", false}, {"2", false},   {"\xD2", false},  {"\xF2", false}, {"on", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBool(c.in), c.expected) << "[" << c.in << "]";
}

TEST(IntToTextTest, FormatsSignedDecimal) {
  struct Case {
    int64_t n;
    std::string_view text;
  } const cases[] = {
      {0, "0"},
      {7, "7"},
      {-1, "-1"},
      {10, "10"},
      {kMax32, "2147483647"},
      {kMin32, "-2147483648"},
      {1234567890123, "1234567890123"},
      {std::numeric_limits<int64_t>::max(), "9223372036854775807"},
      {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
  };
  for (const Case& c : cases) EXPECT_EQ(IntToText(c.n), c.text);
}

TEST(TextToIntTest, PartialResultsAndSaturation) {
  struct Case {
    std::string_view text;
    int32_t n;
  } const cases[] = {
      {"", 0},
      {"-", 0},
      {"+", 0},
      {"abc", 0},
      {"12", 12},
      {"+12", 12},
      {"-12", -12},
      {"007", 7},
      {"12abc", 12},
      {"1 2", 1},
      {" 12", 0},                 // no leading spaces: the space stops the conversion
      {"--5", 0},
      {"-0", 0},
      {"2147483647", kMax32},
      {"2147483648", kMax32},
      {"-2147483647", -kMax32},
      {"-2147483648", kMin32},
      {"-2147483649", kMin32},
      {"99999999999999999999999999", kMax32},
      {"-99999999999999999999999999", kMin32},
      {"21474836470x", kMax32},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInt(c.text), c.n) << "[" << c.text << "]";
}

TEST(TextToIntTest, RoundTripsIntToText) {
  const int32_t values[] = {0, 1, -1, 42, -42, 1000000, kMax32, kMin32, kMax32 - 1, kMin32 + 1};
  for (int32_t v : values) EXPECT_EQ(TextToInt(IntToText(v)), v);
}

TEST(MinMaxTest, SignedComparison) {
  EXPECT_EQ(Min(-1, 1), -1);
  EXPECT_EQ(Max(-1, 1), 1);
  EXPECT_EQ(Min(kMin32, kMax32), kMin32);
  EXPECT_EQ(Max(kMin32, kMax32), kMax32);
  EXPECT_EQ(Min(3, 3), 3);
}

TEST(BuildDateTest, FixedStamp) { EXPECT_EQ(BuildDate(), "06/02/2004, 11:16:36 PM"); }

}  // namespace
}  // namespace folivar
