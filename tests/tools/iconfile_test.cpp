// Icon and cursor files as the artwork generator writes them, read back field by field with a
// reader of their own here: the directory, the entries, the bitmap headers, the colour rows
// and the AND mask; and the reader's icon and hand cursor themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"
#include "tools/artwork/iconfile.h"
#include "tools/artwork/icons.h"
#include "tools/artwork/raster.h"

namespace folivar::art {
namespace {

// A little-endian reader over the file that fails the test, rather than reading past the end.
struct TBytes {
  const std::string& s;
  uint32_t U8(size_t at) const {
    if (at >= s.size()) throw std::out_of_range("read past the end of the file");
    return static_cast<unsigned char>(s[at]);
  }
  uint32_t U16(size_t at) const { return U8(at) | U8(at + 1) << 8; }
  uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
};

uint32_t Alpha(uint32_t p) { return p >> 24; }

// Reads the file back and checks what every well-formed file of the writer holds, and that each
// entry holds its image: size, hot spot (cursors) or planes and bits (icons), the colours (0
// where the alpha is 0) and the mask, set exactly where the alpha is 0.
void ExpectFileOf(const std::string& file, TIconKind kind, const std::vector<TIconImage>& images) {
  const TBytes b{file};
  ASSERT_EQ(std::vector<uint32_t>({b.U16(0), b.U16(2), b.U16(4)}),
            std::vector<uint32_t>({0, static_cast<uint32_t>(kind), static_cast<uint32_t>(images.size())}));
  size_t next = 6 + 16 * images.size();
  for (size_t i = 0; i < images.size(); ++i) {
    const TIconImage& image = images[i];
    const uint32_t w = image.width, h = image.height;
    const size_t e = 6 + 16 * i, o = b.U32(e + 12);
    const uint32_t maskBytes = (w + 31) / 32 * 4 * h;
    const bool cursor = kind == TIconKind::Cursor;
    // Directory entry: width and height (256 as 0), colours 0, reserved 0, planes and bits or
    // the hot spot, bytes, offset; the images follow the directory one after another.
    EXPECT_EQ(std::vector<uint32_t>({b.U8(e), b.U8(e + 1), b.U8(e + 2), b.U8(e + 3), b.U16(e + 4), b.U16(e + 6),
                                     b.U32(e + 8), static_cast<uint32_t>(o)}),
              std::vector<uint32_t>({w % 256, h % 256, 0, 0, cursor ? image.hotX : 1u, cursor ? image.hotY : 32u,
                                     40 + w * h * 4 + maskBytes, static_cast<uint32_t>(next)}))
        << "entry " << i;
    // The bitmap header: 40 bytes, the height doubled for the mask, 1 plane, 32 bits, no
    // compression, the size of colours and mask.
    EXPECT_EQ(std::vector<uint32_t>({b.U32(o), b.U32(o + 4), b.U32(o + 8), b.U16(o + 12), b.U16(o + 14),
                                     b.U32(o + 16), b.U32(o + 20)}),
              std::vector<uint32_t>({40, w, 2 * h, 1, 32, 0, w * h * 4 + maskBytes}))
        << "image " << i;
    const size_t colours = o + 40, maskAt = colours + size_t{w} * h * 4, stride = (w + 31) / 32 * 4;
    for (uint32_t y = 0; y < h; ++y) {
      const uint32_t row = h - 1 - y;  // rows bottom first
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t p = image.pixels[size_t{y} * w + x];
        ASSERT_EQ(b.U32(colours + (size_t{row} * w + x) * 4), Alpha(p) == 0 ? 0u : p) << x << ", " << y;
        ASSERT_EQ(b.U8(maskAt + row * stride + x / 8) >> (7 - x % 8) & 1, Alpha(p) == 0 ? 1u : 0u) << x << ", " << y;
      }
    }
    next = o + 40 + w * h * 4 + maskBytes;
  }
  EXPECT_EQ(next, file.size());
}

TEST(IconFile, WritesEveryImageOfIconsAndCursors) {
  // 5 x 2: transparency, straight (not premultiplied) alpha and an alpha of 1 that is drawn; the
  // mask row of 5 pixels padded to 4 bytes.
  const TIconImage small{5, 2, 4, 1, {0xFF102030, 0, 0, 0x00ABCDEF, 0, 0x80FFFFFF, 0xFF000000, 1u << 24, 0xFFFFFFFF, 0x00FFFFFF}};
  const TIconImage big{256, 256, 255, 255, std::vector<uint32_t>(256 * 256, 0xFF336699)};
  const TIconImage dot{1, 1, 0, 0, {0}};
  const struct {
    TIconKind kind;
    std::vector<TIconImage> images;
  } cases[] = {{TIconKind::Icon, DrawReaderIcon()}, {TIconKind::Cursor, {DrawHandCursor()}},
               {TIconKind::Icon, {small}},         {TIconKind::Cursor, {small, big, dot}}};
  for (const auto& c : cases) ExpectFileOf(IconFile(c.kind, c.images), c.kind, c.images);
}

TEST(IconFile, RefusesWhatItCannotWrite) {
  const TIconImage ok{2, 2, 1, 1, std::vector<uint32_t>(4, 0xFF000000)};
  TIconImage wide = ok, empty = ok, short_ = ok, hotOutside = ok;
  wide.width = 257;
  wide.pixels.resize(257 * 2);
  empty.width = 0;
  empty.pixels.clear();
  short_.pixels.pop_back();
  hotOutside.hotX = 2;
  for (const auto& images : {std::vector<TIconImage>{}, {wide}, {empty}, {short_}}) {
    EXPECT_THROW(IconFile(TIconKind::Icon, images), std::invalid_argument);
  }
  EXPECT_THROW(IconFile(TIconKind::Cursor, {hotOutside}), std::invalid_argument);
  EXPECT_NO_THROW(IconFile(TIconKind::Icon, {hotOutside}));  // an icon has no hot spot to check
}

// The reader's icon and cursor themselves, their sizes, alpha and the cursor's hot spot on the
// dark fingertip, are checked as Windows loads them from the reader (tests/wine/resources_test.cpp).

// A layer at a scale: device size round(size * scale), shapes and paints given in book pixels,
// rasterised at device size so that an edge on a book pixel's border is sharp on the device's.
TEST(ArtworkLayer, DrawsBookCoordinatesAtDeviceSize) {
  struct TCase {
    double scale;
    int width;
    int height;
  } const cases[] = {{1, 5, 3}, {1.25, 6, 4}, {1.5, 8, 5}, {2, 10, 6}};
  for (const TCase& c : cases) {
    TLayer layer(5, 3, c.scale);
    EXPECT_EQ(std::vector<int>({layer.Width(), layer.Height()}), std::vector<int>({c.width, c.height}))
        << c.scale;
    // Book pixels 1 .. 3 across, 0 .. 2 down, in a gradient from black at x = 1 to white at x = 3.
    const TPaint paint = Linear({1, 0}, {3, 0}, {{0, Hex(0)}, {1, Hex(0xFFFFFF)}});
    layer.Fill(TPath().Polygon({{1, 0}, {3, 0}, {3, 2}, {1, 2}}), paint);
    const std::vector<uint32_t> px = layer.Over(Hex(0xFF0000));
    if (c.scale != 2) continue;
    // At 2 the square covers device columns 2 .. 5 and rows 0 .. 3 whole, nothing beyond; the
    // gradient is asked at each device pixel's centre in book pixels: (x + 0.5) / 2.
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const uint32_t p = px[size_t(y) * c.width + x];
        if (x < 2 || x > 5 || y > 3) {
          EXPECT_EQ(p, 0xFF0000u) << x << ", " << y;
        } else {
          EXPECT_EQ(p, Pack(paint((x + 0.5) / 2, (y + 0.5) / 2).c)) << x << ", " << y;
        }
      }
    }
    EXPECT_EQ(layer.Px(1), 2);
  }
}

TEST(ArtworkTool, WritesTheIconAndTheCursor) {
  const std::string dir = test::TempDir(), tool = FOLIVAR_ARTWORK_EXE;
  const std::string ico = dir + "/folivar.ico", cur = dir + "/hand.cur";
  const test::TCommandRun run = test::RunCommand(tool + " --icon " + ico + " --cursor " + cur);
  ASSERT_EQ(run.status, 0) << run.out;
  // Compared whole, not printed: they are binary.
  EXPECT_TRUE(test::ReadWholeFile(ico) == IconFile(TIconKind::Icon, DrawReaderIcon()));
  EXPECT_TRUE(test::ReadWholeFile(cur) == IconFile(TIconKind::Cursor, {DrawHandCursor()}));
  EXPECT_EQ(test::RunCommand(tool).status, 2);
  EXPECT_EQ(test::RunCommand(tool + " --icon").status, 2);
  EXPECT_EQ(test::RunCommand(tool + " --icon " + dir + "/no/such/dir/x.ico").status, 1);
}

}  // namespace
}  // namespace folivar::art
