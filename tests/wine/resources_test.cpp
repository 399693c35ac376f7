// The reader's resources as a program of this build carries them (folivar_reader_resources) and
// Windows loads them: its icon at every size with its alpha, its hand cursor with the hot spot of
// its file (on the fingertip's outline), and its book byte for byte, found by name the way the
// reader finds them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "book/loading.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

HMODULE Self() { return GetModuleHandleA(nullptr); }

// What Windows made of an icon or cursor: its kind and hot spot, its size and its colour pixels
// (B, G, R, A; top row first).
struct TLoaded {
  ICONINFO info{};
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  explicit TLoaded(HICON icon) {
    if (!GetIconInfo(icon, &info) || !info.hbmColor) return;
    BITMAP b{};
    GetObjectA(info.hbmColor, sizeof b, &b);
    width = b.bmWidth;
    height = b.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader = {sizeof format.bmiHeader, width, -height, 1, 32, BI_RGB};
    pixels.resize(size_t(width) * size_t(height));
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, UINT(height), pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
  }
  ~TLoaded() {
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  TLoaded(const TLoaded&) = delete;
  TLoaded& operator=(const TLoaded&) = delete;
};

TEST(ReaderResources, TheIconAtEachSizeWithItsAlpha) {
  for (int size : {16, 32, 48}) {
    SCOPED_TRACE(size);
    HICON sized = static_cast<HICON>(LoadImageA(Self(), "MAINICON", IMAGE_ICON, size, size, 0));
    ASSERT_NE(sized, nullptr);
    {
      const TLoaded p(sized);
      EXPECT_EQ(std::make_pair(p.width, p.height), std::make_pair(size, size));
      ASSERT_EQ(p.pixels.size(), size_t(size) * size_t(size));
      // Real alpha: the middle is opaque, some of the edge clear and some partly covered.
      EXPECT_EQ(p.pixels[size_t(size / 2) * size_t(size) + size_t(size / 2)] >> 24, 255u);
      EXPECT_TRUE(std::any_of(p.pixels.begin(), p.pixels.end(), [](uint32_t c) { return c >> 24 == 0; }));
      EXPECT_TRUE(std::any_of(p.pixels.begin(), p.pixels.end(), [](uint32_t c) { return c >> 24 && c >> 24 < 255; }));
    }
    DestroyIcon(sized);
  }
}

TEST(ReaderResources, TheHandCursorWithTheHotSpotOfItsFile) {
  // The hot spot as the cursor file gives it in its only entry.
  const std::string file = test::ReadWholeFile(FOLIVAR_RESOURCE_CURSOR);
  ASSERT_GE(file.size(), 22u);
  auto U16 = [&file](size_t at) { return unsigned(uint8_t(file[at])) | unsigned(uint8_t(file[at + 1])) << 8; };
  ASSERT_EQ(U16(2), 2u);  // a cursor
  const TLoaded p(LoadCursorA(Self(), "HANDPOINT"));
  EXPECT_FALSE(p.info.fIcon);
  EXPECT_EQ(p.info.xHotspot, U16(10));
  EXPECT_EQ(p.info.yHotspot, U16(12));
  ASSERT_EQ(std::make_pair(p.width, p.height), std::make_pair(32, 32));
  // The hot spot lies on the black outline of the fingertip, nothing is drawn above it, and the
  // finger is white inside below it.
  const auto at = [&](unsigned x, unsigned y) { return p.pixels[size_t(y) * 32 + x]; };
  const unsigned hotX = p.info.xHotspot, hotY = p.info.yHotspot;
  ASSERT_LT(hotY + 4, 32u);
  EXPECT_GE(at(hotX, hotY) >> 24, 128u);
  EXPECT_LT(at(hotX, hotY) & 0xFF, 0x40u);
  for (size_t i = 0; i < size_t(hotY) * 32; ++i) EXPECT_EQ(p.pixels[i] >> 24, 0u) << i;
  EXPECT_EQ(at(hotX, hotY + 4) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ReaderResources, TheBookByteForByte) {
  const std::string book = test::ReadWholeFile(FOLIVAR_RESOURCE_BOOK);
  ASSERT_FALSE(book.empty());
  HRSRC found = FindResourceA(Self(), "FOLIVAR", MAKEINTRESOURCEA(10));  // RT_RCDATA
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(SizeofResource(Self(), found), book.size());
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(Self(), found)), book.data(), book.size()), 0);
  // And the program's book is that resource, not a file beside it.
  const std::unique_ptr<TFile> image = OpenBookImage();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Size(), static_cast<int32_t>(book.size()));
}

}  // namespace
}  // namespace folivar
