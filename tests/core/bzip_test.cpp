#include "core/bzip.h"

#include <gtest/gtest.h>

#include "core/codepage.h"

namespace folivar {
namespace {

TEST(Bunzip, StreamsGrowthAndLimits) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += static_cast<char>('a' + i % 7);
  const std::string packed = Bzip(std::string(5000, 'q') + "tail of the text");
  std::string flipped = packed;
  flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x10);
  const std::string big = std::string(100000, 'z');
  struct Case { const char* what; std::string in; TBunzipGrowth growth;
    TBunzipStatus status; std::string out; } const cases[] = {
      // Starts at 256 bytes and grows 256 at a time: many growth steps.
      {"growing from a small buffer", Bzip(text), {256, 256, 1 << 20}, TBunzipStatus::Ok, text},
      {"empty content", Bzip(""), {10, 256, 1024}, TBunzipStatus::Ok, ""},
      {"trailing bytes ignored", Bzip("abc") + std::string(300, '\0'), {16, 256, 1024}, TBunzipStatus::Ok, "abc"},
      {"output at the limit", Bzip(big), {1024, 4096, 100000}, TBunzipStatus::Ok, big},
      {"output above the limit", Bzip(big), {1024, 4096, 99999}, TBunzipStatus::TooLarge, ""},
      {"cut short", packed.substr(0, packed.size() - 6), {1024, 256, 1 << 20}, TBunzipStatus::Truncated, ""},
      {"no bytes", "", {1024, 256, 1 << 20}, TBunzipStatus::Truncated, ""},
      {"not bzip2", "not bzip2 at all", {1024, 256, 1 << 20}, TBunzipStatus::Damaged, ""},
      {"a flipped bit", flipped, {1024, 256, 1 << 20}, TBunzipStatus::Damaged, ""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out = {1, 2, 3};  // replaced, or emptied on failure
    EXPECT_EQ(Bunzip(c.in.data(), c.in.size(), c.growth, out), c.status) << c.what;
    EXPECT_EQ(std::string(out.begin(), out.end()), c.out) << c.what;
  }
}

TEST(Codepage, Cp1251AndUtf8) {
  EXPECT_EQ(Cp1251ToUtf8("abc"), "abc");
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8\xB9\x88"), "Ёё№€");
  EXPECT_EQ(Utf8ToCp1251("Привет, Ёё№€"), "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xB8\xB9\x88");
  EXPECT_EQ(Utf8ToCp1251("日本"), "??");
  EXPECT_EQ(Utf8ToCp1251("\xFF" "a"), "?a");
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Codepage, DamagedUtf8BecomesReplacementCharacters) {
  const struct {
    const char* in;
    std::u16string out;
  } cases[] = {
      {"caf\xC3\xA9 \xCE\xB1", u"café α"},
      {"\xF0\x9F\x93\x96", u"\U0001F4D6"},          // beyond the BMP: a surrogate pair
      {"a\xC3", u"a\uFFFD"},                            // cut at the end
      {"\xE2\x82z", u"\uFFFDz"},                        // cut before a plain byte
      {"\xC0\xAF|\xE0\x80\xAF", u"\uFFFD\uFFFD|\uFFFD"},  // overlong forms
      {"\xED\xA0\x80", u"\uFFFD"},                      // a surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},                  // beyond U+10FFFF
      {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // no such lead byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
    EXPECT_EQ(BookTextToUtf8(c.in, TTextEncoding::kUnicode), Utf16ToUtf8(c.out)) << c.in;
  }
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // a lone surrogate
  EXPECT_EQ(BookTextToUtf16("\xC9", TTextEncoding::kCp1251), u"Й");
  EXPECT_EQ(BookTextToUtf8("\xC9", TTextEncoding::kCp1251), "Й");
}

TEST(Codepage, ItemCodes) {
  EXPECT_EQ(EncodingOf("unicode"), TTextEncoding::kUnicode);
  EXPECT_EQ(EncodingOf(""), TTextEncoding::kCp1251);
  EXPECT_EQ(EncodingOf("Unicode"), TTextEncoding::kCp1251);
  EXPECT_EQ(ItemCodeUnit(0x03B1, TTextEncoding::kUnicode), u'α');
  EXPECT_EQ(ItemCodeUnit(0x12C9, TTextEncoding::kCp1251), u'Й');  // the low byte only
  EXPECT_EQ(ItemCodeUnit(0x00E9, TTextEncoding::kUnicode), u'é');
  EXPECT_EQ(ItemCodeUnit(0x00E9, TTextEncoding::kCp1251), u'й');
}

}  // namespace
}  // namespace folivar
