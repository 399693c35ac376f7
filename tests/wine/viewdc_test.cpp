// Views with a device context under real GDI: blits to and from device contexts, scaling, and
// GDI and the pixel operations sharing one DIB section. The device contexts drawn on are those
// of other views, so that every pixel can be read back exactly.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/Views.h"
#include "platform/win32/viewdc.h"

namespace folivar {
namespace {

// A different colour in every pixel, fourth byte 0 as in every picture of the program.
void Pattern(tview& v) {
  for (uint32_t y = 0; y < v.Height(); ++y) {
    for (uint32_t x = 0; x < v.Width(); ++x) {
      const uint32_t red = (x * 37 + 11) & 0xFF;
      const uint32_t green = (y * 53 + 7) & 0xFF;
      const uint32_t blue = ((x ^ y) * 19) & 0xFF;
      v.At(x, y) = red << 16 | green << 8 | blue;
    }
  }
}

std::vector<uint32_t> Pixels(const tview& v) {
  return std::vector<uint32_t>(v.Bits(), v.Bits() + size_t{v.Width()} * v.Height());
}

// A target to draw on: a view with a device context, filled with one colour.
void MakeTarget(tview& target, uint32_t width, uint32_t height) {
  target.Allocate(width, height, true);
  ASSERT_TRUE(target.HasDC());
  ASSERT_NE(ViewDC(target), nullptr);
  target.Fill(0x00777777u);
}

TEST(ViewDCTest, StoresAndHandles) {
  tview withDC(8, 5, true);
  EXPECT_EQ(GetObjectType(GetCurrentObject(ViewDC(withDC), OBJ_BITMAP)),
            static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_NE(withDC.Bits(), nullptr);
  // No device context for a memory view, an empty one, or one larger than GDI's bitmaps can
  // hold: that one stays empty instead of getting a short section.
  tview memory(8, 5, false), empty(0, 5, true), huge(40000, 40000, true);
  for (tview* v : {&memory, &empty, &huge}) EXPECT_EQ(ViewDC(*v), nullptr);
  EXPECT_EQ(huge.Bits(), nullptr);
}

TEST(ViewDCTest, ReleaseGivesTheHandlesBack) {
  // More views than the default GDI handle quota of a process (10000): each release must free its
  // section and its device context.
  tview v;
  for (int i = 0; i < 11000; ++i) {
    v.Allocate(16, 16, true);
    ASSERT_NE(ViewDC(v), nullptr) << "view " << i;
  }
  v.Release();
  EXPECT_EQ(ViewDC(v), nullptr);
}

// GDI and the view see the same pixel at the same place of the section, both ways.
TEST(ViewDCTest, GdiAndTheViewShareTheSection) {
  tview v(6, 4, true);
  v.Fill(0x00FFFFFFu);
  v.At(3, 2) = 0x00102030u;
  EXPECT_EQ(GetPixel(ViewDC(v), 3, 2), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(GetPixel(ViewDC(v), 3, 1), RGB(0xFF, 0xFF, 0xFF));
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  ASSERT_NE(brush, nullptr);
  const RECT rect{1, 1, 3, 2};  // columns 1 and 2 of row 1
  FillRect(ViewDC(v), &rect, brush);
  GdiFlush();
  DeleteObject(brush);
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 6; ++x) {
      const uint32_t want = y == 1 && (x == 1 || x == 2) ? 0x000A141Eu
                            : x == 3 && y == 2            ? 0x00102030u
                                                          : 0x00FFFFFFu;
      EXPECT_EQ(v.At(x, y) & 0x00FFFFFFu, want) << "(" << x << ", " << y << ")";
    }
  }
}

// A memory view and a view with a device context draw alike onto a device context, and what is
// drawn there is grabbed back into either kind.
TEST(ViewDCTest, DrawToDCAndGrabFromDC) {
  tview memory(13, 9, false), withDC(13, 9, true);
  ASSERT_TRUE(withDC.HasDC());
  Pattern(memory);
  Pattern(withDC);
  tview fromMemory, fromDC;
  MakeTarget(fromMemory, 40, 30);
  MakeTarget(fromDC, 40, 30);
  DrawToDC(memory, ViewDC(fromMemory), 5, 7);
  DrawToDC(withDC, ViewDC(fromDC), 5, 7);
  GdiFlush();
  EXPECT_EQ(Pixels(fromMemory), Pixels(fromDC));
  for (uint32_t y = 0; y < 30; ++y) {
    for (uint32_t x = 0; x < 40; ++x) {
      const bool inside = x >= 5 && x < 18 && y >= 7 && y < 16;
      EXPECT_EQ(fromMemory.At(x, y) & 0x00FFFFFFu, inside ? memory.At(x - 5, y - 7) : 0x00777777u)
          << "(" << x << ", " << y << ")";
    }
  }
  for (tview* back : {&memory, &withDC}) {
    back->Fill(0);
    GrabFromDC(*back, ViewDC(fromDC), 5, 7);
    GdiFlush();
    for (uint32_t y = 0; y < 9; ++y)
      for (uint32_t x = 0; x < 13; ++x)
        EXPECT_EQ(back->At(x, y) & 0x00FFFFFFu, fromDC.At(x + 5, y + 7) & 0x00FFFFFFu) << x << "," << y;
    EXPECT_NE(back->At(0, 0), 0u);
  }
}

TEST(ViewDCTest, StretchToDCScalesTwice) {
  tview picture(4, 3, true);
  ASSERT_TRUE(picture.HasDC());
  Pattern(picture);
  tview target;
  MakeTarget(target, 12, 9);
  StretchToDC(picture, ViewDC(target), 2, 1, 8, 6);
  GdiFlush();
  for (uint32_t y = 0; y < 9; ++y) {
    for (uint32_t x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 10 && y >= 1 && y < 7;
      const uint32_t want = inside ? picture.At((x - 2) / 2, (y - 1) / 2) : 0x00777777u;
      EXPECT_EQ(target.At(x, y) & 0x00FFFFFFu, want) << "(" << x << ", " << y << ")";
    }
  }
  // A memory-only view has no device context to stretch from: nothing is drawn.
  tview memory(4, 3, false);
  Pattern(memory);
  target.Fill(0x00777777u);
  StretchToDC(memory, ViewDC(target), 0, 0, 12, 9);
  GdiFlush();
  EXPECT_EQ(Pixels(target), std::vector<uint32_t>(12 * 9, 0x00777777u));
}

}  // namespace
}  // namespace folivar
