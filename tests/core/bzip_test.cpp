#include "core/bzip.h"

#include <gtest/gtest.h>

#include "core/codepage.h"

namespace folivar {
namespace {

std::vector<uint8_t> Unpack(const std::string& packed, TBunzipGrowth growth, TBunzipStatus expect) {
  std::vector<uint8_t> out = {1, 2, 3};
  EXPECT_EQ(Bunzip(packed.data(), packed.size(), growth, out), expect);
  return out;
}

TEST(Bunzip, RoundTripGrowsFromASmallBuffer) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += static_cast<char>('a' + i % 7);
  const std::string packed = Bzip(text);
  // Starts at 256 bytes and grows 256 at a time: many growth steps.
  const auto out = Unpack(packed, {256, 256, 1 << 20}, TBunzipStatus::Ok);
  EXPECT_EQ(std::string(out.begin(), out.end()), text);
}

TEST(Bunzip, EmptyContentPacksAndUnpacks) {
  const auto out = Unpack(Bzip(""), {10, 256, 1024}, TBunzipStatus::Ok);
  EXPECT_TRUE(out.empty());
}

TEST(Bunzip, BrokenStreamsFail) {
  const std::string packed = Bzip(std::string(5000, 'q') + "tail of the text");
  EXPECT_TRUE(Unpack(packed.substr(0, packed.size() - 6), {1024, 256, 1 << 20},
                     TBunzipStatus::Truncated).empty());
  EXPECT_TRUE(Unpack("", {1024, 256, 1 << 20}, TBunzipStatus::Truncated).empty());
  EXPECT_TRUE(Unpack("not bzip2 at all", {1024, 256, 1 << 20}, TBunzipStatus::Damaged).empty());
  std::string flipped = packed;
  flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x10);
  std::vector<uint8_t> out;
  EXPECT_NE(Bunzip(flipped.data(), flipped.size(), {1024, 256, 1 << 20}, out), TBunzipStatus::Ok);
}

TEST(Bunzip, OutputAboveTheLimitIsRefused) {
  const std::string packed = Bzip(std::string(100000, 'z'));
  Unpack(packed, {1024, 4096, 99999}, TBunzipStatus::TooLarge);
  Unpack(packed, {1024, 4096, 100000}, TBunzipStatus::Ok);
}

TEST(Bunzip, TrailingBytesAfterTheStreamAreIgnored) {
  const auto out = Unpack(Bzip("abc") + std::string(300, '\0'), {16, 256, 1024}, TBunzipStatus::Ok);
  EXPECT_EQ(std::string(out.begin(), out.end()), "abc");
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

}  // namespace
}  // namespace folivar
