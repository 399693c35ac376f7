// The reader's resources as a program of this build carries them (folivar_reader_resources):
// its icon at every size, its hand cursor with the hot spot of its file, and its book byte for
// byte, found by name the way the reader finds them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "book/loading.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

const std::string kBook = FOLIVAR_RESOURCE_BOOK;
const std::string kCursorFile = FOLIVAR_RESOURCE_CURSOR;

HMODULE Self() { return GetModuleHandleA(nullptr); }

// The pixels of a bitmap as 32-bit B, G, R, A, top row first.
std::vector<uint32_t> Pixels(HBITMAP bitmap, int& width, int& height) {
  BITMAP b{};
  if (GetObjectA(bitmap, sizeof b, &b) != sizeof b) return {};
  width = b.bmWidth;
  height = b.bmHeight;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  HDC dc = GetDC(nullptr);
  const int rows = GetDIBits(dc, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  if (rows != height) return {};
  return pixels;
}

struct TIconPixels {
  ICONINFO info{};
  int width = 0, height = 0;
  std::vector<uint32_t> colour;
  ~TIconPixels() {
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
};

void Read(HICON icon, TIconPixels& out) {
  ASSERT_TRUE(GetIconInfo(icon, &out.info));
  ASSERT_NE(out.info.hbmColor, nullptr) << "a colour icon, not a monochrome one";
  out.colour = Pixels(out.info.hbmColor, out.width, out.height);
  ASSERT_FALSE(out.colour.empty());
}

uint32_t Alpha(uint32_t p) { return p >> 24; }

TEST(ReaderResources, TheIconAtEachSizeWithItsAlpha) {
  HICON icon = LoadIconA(Self(), "MAINICON");
  ASSERT_NE(icon, nullptr);
  TIconPixels standard;
  Read(icon, standard);
  EXPECT_TRUE(standard.info.fIcon);
  EXPECT_EQ(standard.width, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(standard.height, GetSystemMetrics(SM_CYICON));
  // The icon group holds the three sizes, and each is the one loaded at that size.
  HRSRC group = FindResourceA(Self(), "MAINICON", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const uint8_t*>(LockResource(LoadResource(Self(), group)));
  ASSERT_NE(directory, nullptr);
  EXPECT_EQ(directory[2] | directory[3] << 8, 1);  // icons
  EXPECT_EQ(directory[4] | directory[5] << 8, 3);  // three of them
  for (int size : {16, 32, 48}) {
    SCOPED_TRACE(size);
    HICON sized = static_cast<HICON>(LoadImageA(Self(), "MAINICON", IMAGE_ICON, size, size, 0));
    ASSERT_NE(sized, nullptr);
    TIconPixels p;
    Read(sized, p);
    EXPECT_EQ(p.width, size);
    EXPECT_EQ(p.height, size);
    // Real alpha: the middle is opaque, and some of the edge is not.
    EXPECT_EQ(Alpha(p.colour[size_t(size / 2) * size_t(size) + size_t(size / 2)]), 255u);
    size_t clear = 0, partial = 0;
    for (uint32_t px : p.colour) {
      clear += Alpha(px) == 0 ? 1 : 0;
      partial += Alpha(px) > 0 && Alpha(px) < 255 ? 1 : 0;
    }
    EXPECT_GT(clear, 0u);
    EXPECT_GT(partial, 0u);
    DestroyIcon(sized);
  }
}

TEST(ReaderResources, TheHandCursorWithTheHotSpotOfItsFile) {
  // The hot spot as the cursor file gives it in its only entry.
  const std::string file = test::ReadWholeFile(kCursorFile);
  ASSERT_GE(file.size(), 22u);
  auto U16 = [&file](size_t at) { return unsigned(uint8_t(file[at])) | unsigned(uint8_t(file[at + 1])) << 8; };
  ASSERT_EQ(U16(2), 2u);  // a cursor
  const unsigned hotX = U16(10), hotY = U16(12);

  HCURSOR cursor = LoadCursorA(Self(), "HANDPOINT");
  ASSERT_NE(cursor, nullptr);
  TIconPixels p;
  Read(cursor, p);
  EXPECT_FALSE(p.info.fIcon);
  EXPECT_EQ(p.info.xHotspot, hotX);
  EXPECT_EQ(p.info.yHotspot, hotY);
  ASSERT_EQ(p.width, 32);
  ASSERT_EQ(p.height, 32);
  ASSERT_LT(hotX, 32u);
  ASSERT_LT(hotY, 32u);
  // The hot spot lies on the black outline of the fingertip, with nothing drawn above it.
  const uint32_t tip = p.colour[size_t(hotY) * 32 + hotX];
  EXPECT_GE(Alpha(tip), 128u);
  EXPECT_LT(tip & 0xFF, 0x40u);
  for (unsigned y = 0; y < hotY; ++y)
    for (unsigned x = 0; x < 32; ++x) EXPECT_EQ(Alpha(p.colour[size_t(y) * 32 + x]), 0u);
  // White inside the finger below it.
  EXPECT_EQ(p.colour[size_t(hotY + 4) * 32 + hotX] & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ReaderResources, TheBookByteForByte) {
  const std::string book = test::ReadWholeFile(kBook);
  ASSERT_FALSE(book.empty());
  HRSRC found = FindResourceA(Self(), "FOLIVAR", MAKEINTRESOURCEA(10));  // RT_RCDATA
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(SizeofResource(Self(), found), book.size());
  const void* bytes = LockResource(LoadResource(Self(), found));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::memcmp(bytes, book.data(), book.size()), 0);
  // And the program's book is that resource, not a file beside it.
  const std::unique_ptr<TFile> image = OpenBookImage();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Size(), static_cast<int32_t>(book.size()));
}

}  // namespace
}  // namespace folivar
