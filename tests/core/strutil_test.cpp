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

TEST(TrimTest, RemovesOnlyOuterSpaces) {
  struct Case { std::string_view in, out; } const cases[] = {
      {"", ""}, {"   ", ""}, {"a", "a"}, {"  a b  ", "a b"}, {" a", "a"}, {"a ", "a"},
      {"\ta\t", "\ta\t"},  // only the space character counts
      {" \r\n ", "\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Trim(c.in), c.out) << "[" << c.in << "]";
}

TEST(UnquoteTest, RemovesAPairOfAnyQuoteCharacters) {
  struct Case { std::string_view in, out; } const cases[] = {
      {"'x\"", "x"}, {"\"x'", "x"}, {"'abc'", "abc"}, {"''", ""}, {"\"\"", ""},
      {"'", "'"}, {"\"", "\""},  // one quote character stays
      {"", ""}, {"'abc", "'abc"}, {"abc'", "abc'"}, {"x'y'", "x'y'"},
      {"''a''", "'a'"},      // only one pair goes
      {" 'a' ", " 'a' "},    // spaces are not trimmed here
  };
  for (const Case& c : cases) EXPECT_EQ(Unquote(c.in), c.out) << "[" << c.in << "]";
}

TEST(SplitFirstTest, ReturnsHeadAndLeavesTail) {
  struct Case { std::string_view in, sep, head, tail; } const cases[] = {
      {"a=b=c", "=", "a", "b=c"}, {"=5", "=", "", "5"}, {"a=", "=", "a", ""}, {"", "=", "", ""},
      {"abc", "=", "abc", ""},     // no separator: all of it, nothing left
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
  struct Case { std::string_view in, sep; TStringList parts; } const cases[] = {
      {"a,b", ",", {"a", "b"}}, {"", ",", {""}}, {",,", ",", {"", "", ""}}, {"abc", ",", {"abc"}},
      {"a, b, c", ", ", {"a", "b", "c"}}, {"a\n\nb\n", "\n", {"a", "", "b", ""}}, {"abc", "", {"abc"}},
      {"aaa", "aa", {"", "a"}},          // separators do not overlap
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.in, c.sep), c.parts) << "[" << c.in << "]";
}

// The starts, patterns and bytes that the comparison with a plain search below does not reach.
TEST(FindTextTest, EdgeCases) {
  struct Case { std::string_view s; int32_t start; std::string_view pattern; int32_t expected; } const cases[] = {
      {"hello", 0, "l", 3},            // start 0 counts as 1
      {"hello", kMin32, "h", 1}, {"hello", kMax32, "o", 0}, {"hello", 1, "", 0}, {"", 0, "", 0},
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
// the standard library's search over many small texts of a small alphabet finds such faults.
TEST(FindTextTest, AgreesWithPlainSearch) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> letter(0, 2);
  std::uniform_int_distribution<int> length(0, 12);
  for (int round = 0; round < 20000; ++round) {
    std::string s, pattern;
    for (int i = length(rng); i > 0; --i) s.push_back(static_cast<char>('a' + letter(rng)));
    for (int i = 1 + length(rng) / 3; i > 0; --i) pattern.push_back(static_cast<char>('a' + letter(rng)));
    const int32_t start = 1 + round % 14;
    const size_t at = s.find(pattern, static_cast<size_t>(start - 1));
    ASSERT_EQ(FindText(s, start, pattern), at == std::string::npos ? 0 : static_cast<int32_t>(at + 1))
        << "[" << s << "] from " << start << " for [" << pattern << "]";
  }
}

TEST(CountTextTest, CountsNonOverlappingFromTheLeft) {
  struct Case { std::string_view s, pattern; int32_t expected; } const cases[] = {
      {"aaaaa", "aa", 2}, {"abcabc", "abc", 2}, {"abab", "aba", 1}, {"abc", "x", 0}, {"", "a", 0},
      {"abc", "", 0}, {"ab", "abc", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CountText(c.s, c.pattern), c.expected) << "[" << c.s << "] / [" << c.pattern << "]";
  }
}

TEST(ReplaceAllTest, ReplacesUpToTheLimit) {
  struct Case { std::string_view old, replacement, in; int32_t limit; std::string_view out;
    int32_t count; } const cases[] = {
      {"aa", "b", "aaaaa", -1, "bba", 2}, {"a", "b", "aaa", 2, "bba", 2},
      {"a", "b", "aaa", 0, "aaa", 0}, {"a", "b", "aaa", 10, "bbb", 3},
      {"a", "b", "aaa", -5, "bbb", 3},            // any negative limit means all
      {"x", "y", "abc", -1, "abc", 0}, {"abc", "z", "ab", -1, "ab", 0},
      {"", "y", "abc", -1, "abc", 0},             // empty old replaces nothing
      {"a", "", "banana", -1, "bnn", 3},          // empty replacement deletes
      {"a", "aa", "aa", -1, "aaaa", 2},           // replacements are not searched again
      {"ab", "ba", "aabb", -1, "abab", 1},
      {"x", "<>", "xax", -1, "<>a<>", 2},         // at both ends
  };
  for (const Case& c : cases) {
    std::string s(c.in);
    EXPECT_EQ(ReplaceAll(c.old, c.replacement, s, c.limit), c.count)
        << "[" << c.in << "] " << c.old << " -> " << c.replacement << " limit " << c.limit;
    EXPECT_EQ(s, c.out) << "[" << c.in << "] " << c.old << " -> " << c.replacement;
  }
}

// The letters at the edges of each range, and the code page 1251 IO pair outside them.
TEST(CaseTest, OnlyTheirOwnLettersChange) {
  EXPECT_EQ(LowerCase1251("@AZ[`az{\xA8\xB8\xBF\xC0\xDF\xE0\xFF"), "@az[`az{\xA8\xB8\xBF\xE0\xFF\xE0\xFF");
  EXPECT_EQ(UpperCaseAscii("`az{@AZ\xC0\xE0\xFF"), "`AZ{@AZ\xC0\xE0\xFF");
}

TEST(ParseBoolTest, FirstCharacterDecides) {
  struct Case { std::string_view in; bool expected; } const cases[] = {
      {"t", true}, {"T", true}, {"yes", true}, {"Y", true}, {"1", true}, {"10", true}, {"", false},
      {"f", false}, {"0", false}, {" t", false}, {"2", false}, {"\xD2", false}, {"\xF2", false}, {"on", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBool(c.in), c.expected) << "[" << c.in << "]";
}

// Texts that IntToText also writes (canonical), and texts it never would.
TEST(IntTextTest, FormatsAndParsesWithSaturation) {
  struct Case { std::string_view text; int32_t n; bool canonical; } const cases[] = {
      {"0", 0, true}, {"-1", -1, true}, {"10", 10, true}, {"2147483647", kMax32, true},
      {"-2147483648", kMin32, true}, {"-2147483647", -kMax32, true}, {"", 0, false}, {"-", 0, false},
      {"abc", 0, false}, {"+12", 12, false},
      {"007", 7, false}, {"12abc", 12, false},
      {" 12", 0, false},                 // no leading spaces: the space stops the conversion
      {"--5", 0, false}, {"2147483648", kMax32, false}, {"-2147483649", kMin32, false},
      {"99999999999999999999999999", kMax32, false}, {"-99999999999999999999999999", kMin32, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToInt(c.text), c.n) << "[" << c.text << "]";
    if (c.canonical) { EXPECT_EQ(IntToText(c.n), c.text); }
  }
  EXPECT_EQ(IntToText(std::numeric_limits<int64_t>::max()), "9223372036854775807");
  EXPECT_EQ(IntToText(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

}  // namespace
}  // namespace folivar
