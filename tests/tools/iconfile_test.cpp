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

struct TReadImage {
  uint32_t entryWidth, entryHeight, colours, reserved, planesOrHotX, bitsOrHotY, bytes, offset;
  uint32_t headerSize, width, height, planes, bits, compression, sizeImage;
  std::vector<uint32_t> pixels;  // top row first
  std::vector<bool> mask;        // top row first, true = transparent
};

struct TReadFile {
  uint32_t reserved, type;
  std::vector<TReadImage> images;
};

TReadFile Parse(const std::string& file) {
  const TBytes b{file};
  TReadFile f;
  f.reserved = b.U16(0);
  f.type = b.U16(2);
  const uint32_t count = b.U16(4);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * size_t{i};
    TReadImage m{};
    m.entryWidth = b.U8(e);
    m.entryHeight = b.U8(e + 1);
    m.colours = b.U8(e + 2);
    m.reserved = b.U8(e + 3);
    m.planesOrHotX = b.U16(e + 4);
    m.bitsOrHotY = b.U16(e + 6);
    m.bytes = b.U32(e + 8);
    m.offset = b.U32(e + 12);
    const size_t o = m.offset;
    m.headerSize = b.U32(o);
    m.width = b.U32(o + 4);
    m.height = b.U32(o + 8);
    m.planes = b.U16(o + 12);
    m.bits = b.U16(o + 14);
    m.compression = b.U32(o + 16);
    m.sizeImage = b.U32(o + 20);
    const uint32_t w = m.width, h = m.height / 2;
    const size_t colours = o + m.headerSize;
    const size_t maskAt = colours + size_t{w} * h * 4;
    const size_t stride = (w + 31) / 32 * 4;
    for (uint32_t y = 0; y < h; ++y) {
      const uint32_t fileRow = h - 1 - y;
      for (uint32_t x = 0; x < w; ++x) {
        m.pixels.push_back(b.U32(colours + (size_t{fileRow} * w + x) * 4));
        m.mask.push_back((b.U8(maskAt + fileRow * stride + x / 8) >> (7 - x % 8) & 1) != 0);
      }
    }
    // The last byte of the mask is there too.
    b.U8(maskAt + stride * h - 1);
    f.images.push_back(std::move(m));
  }
  return f;
}

// What every well-formed entry of the writer holds, whatever its pixels.
void ExpectWellFormed(const std::string& file, const TReadFile& f, uint32_t type) {
  EXPECT_EQ(f.reserved, 0u);
  EXPECT_EQ(f.type, type);
  size_t next = 6 + 16 * f.images.size();
  for (const TReadImage& m : f.images) {
    const uint32_t w = m.width, h = m.height / 2;
    EXPECT_EQ(m.entryWidth, w == 256 ? 0 : w);
    EXPECT_EQ(m.entryHeight, h == 256 ? 0 : h);
    EXPECT_EQ(m.height % 2, 0u);
    EXPECT_EQ(m.colours, 0u);
    EXPECT_EQ(m.reserved, 0u);
    if (type == 1) {
      EXPECT_EQ(m.planesOrHotX, 1u);
      EXPECT_EQ(m.bitsOrHotY, 32u);
    }
    EXPECT_EQ(m.headerSize, 40u);
    EXPECT_EQ(m.planes, 1u);
    EXPECT_EQ(m.bits, 32u);
    EXPECT_EQ(m.compression, 0u);
    const uint32_t maskBytes = (w + 31) / 32 * 4 * h;
    EXPECT_EQ(m.sizeImage, w * h * 4 + maskBytes);
    EXPECT_EQ(m.bytes, 40 + m.sizeImage);
    // The images follow the directory one after another, and the file ends with the last.
    EXPECT_EQ(m.offset, next);
    next = m.offset + size_t{m.bytes};
    // The mask says where the picture is fully transparent, and there the colour is 0.
    for (size_t i = 0; i < m.pixels.size(); ++i) {
      ASSERT_EQ(m.mask[i], m.pixels[i] >> 24 == 0) << "pixel " << i % w << ", " << i / w;
      if (m.mask[i]) {
        ASSERT_EQ(m.pixels[i], 0u);
      }
    }
  }
  EXPECT_EQ(next, file.size());
}

uint32_t Alpha(uint32_t p) { return p >> 24; }

TEST(IconFile, ReadsBackTheIconAtEverySize) {
  const std::vector<TIconImage> icon = DrawReaderIcon();
  const std::string file = IconFile(TIconKind::Icon, icon);
  const TReadFile f = Parse(file);
  ExpectWellFormed(file, f, 1);
  ASSERT_EQ(f.images.size(), 3u);
  const uint32_t sizes[] = {16, 32, 48};
  for (size_t i = 0; i < 3; ++i) {
    const TReadImage& m = f.images[i];
    EXPECT_EQ(m.width, sizes[i]);
    EXPECT_EQ(m.height, sizes[i] * 2);
    ASSERT_EQ(icon[i].pixels.size(), m.pixels.size());
    for (size_t p = 0; p < m.pixels.size(); ++p)
      ASSERT_EQ(m.pixels[p], Alpha(icon[i].pixels[p]) == 0 ? 0u : icon[i].pixels[p]) << p;
  }
}

TEST(IconFile, ReadsBackTheCursorWithItsHotSpot) {
  const TIconImage hand = DrawHandCursor();
  const std::string file = IconFile(TIconKind::Cursor, {hand});
  const TReadFile f = Parse(file);
  ExpectWellFormed(file, f, 2);
  ASSERT_EQ(f.images.size(), 1u);
  const TReadImage& m = f.images[0];
  EXPECT_EQ(m.width, 32u);
  EXPECT_EQ(m.height, 64u);
  EXPECT_EQ(m.planesOrHotX, hand.hotX);
  EXPECT_EQ(m.bitsOrHotY, hand.hotY);
}

TEST(IconFile, MaskRowsArePaddedAndTheLeftmostPixelIsTheHighestBit) {
  // 5 x 2: one row transparent except its first pixel, the other opaque except its last.
  TIconImage image{5, 2, 0, 0, {0xFF102030, 0, 0, 0x00ABCDEF, 0, 0x80FFFFFF, 0xFF000000, 1u << 24, 0xFFFFFFFF, 0x00FFFFFF}};
  const std::string file = IconFile(TIconKind::Icon, {image});
  const TReadFile f = Parse(file);
  ExpectWellFormed(file, f, 1);
  const size_t maskAt = 6 + 16 + 40 + 5 * 2 * 4;
  ASSERT_EQ(file.size(), maskAt + 2 * 4);
  // The file's first mask row is the picture's bottom row.
  EXPECT_EQ(static_cast<unsigned char>(file[maskAt]), 0x08u);      // 0 0 0 0 1
  EXPECT_EQ(static_cast<unsigned char>(file[maskAt + 4]), 0x78u);  // 0 1 1 1 1
  for (size_t i : {1, 2, 3, 5, 6, 7}) EXPECT_EQ(file[maskAt + i], 0) << i;
  // Colour rows bottom first, B, G, R, A; a transparent pixel loses its colour.
  const size_t colours = 6 + 16 + 40;
  EXPECT_EQ(static_cast<unsigned char>(file[colours]), 0xFFu);  // 0x80FFFFFF, not premultiplied
  EXPECT_EQ(static_cast<unsigned char>(file[colours + 3]), 0x80u);
  for (size_t i = 4 * 4; i < 5 * 4; ++i) EXPECT_EQ(file[colours + i], 0) << i;
  EXPECT_EQ(static_cast<unsigned char>(file[colours + 5 * 4]), 0x30u);
  EXPECT_EQ(static_cast<unsigned char>(file[colours + 5 * 4 + 1]), 0x20u);
  EXPECT_EQ(static_cast<unsigned char>(file[colours + 5 * 4 + 2]), 0x10u);
  EXPECT_EQ(static_cast<unsigned char>(file[colours + 5 * 4 + 3]), 0xFFu);
  EXPECT_EQ(f.images[0].pixels[3], 0u);
  EXPECT_EQ(f.images[0].pixels[7], 1u << 24);  // alpha 1 of 255 is drawn, and kept
}

TEST(IconFile, ManyImagesTheLargestSizeAndACornerHotSpot) {
  const TIconImage big{256, 256, 255, 255, std::vector<uint32_t>(256 * 256, 0xFF336699)};
  const TIconImage small{1, 1, 0, 0, {0}};
  const std::string file = IconFile(TIconKind::Cursor, {small, big, small});
  const TReadFile f = Parse(file);
  ExpectWellFormed(file, f, 2);
  ASSERT_EQ(f.images.size(), 3u);
  EXPECT_EQ(f.images[1].entryWidth, 0u);  // 256
  EXPECT_EQ(f.images[1].planesOrHotX, 255u);
  EXPECT_EQ(f.images[1].bitsOrHotY, 255u);
  EXPECT_TRUE(f.images[0].mask[0]);
}

TEST(IconFile, RefusesWhatItCannotWrite) {
  const TIconImage ok{2, 2, 1, 1, std::vector<uint32_t>(4, 0xFF000000)};
  EXPECT_THROW(IconFile(TIconKind::Icon, {}), std::invalid_argument);
  TIconImage wide = ok;
  wide.width = 257;
  wide.pixels.resize(257 * 2);
  EXPECT_THROW(IconFile(TIconKind::Icon, {wide}), std::invalid_argument);
  TIconImage empty = ok;
  empty.width = 0;
  empty.pixels.clear();
  EXPECT_THROW(IconFile(TIconKind::Icon, {empty}), std::invalid_argument);
  TIconImage short_ = ok;
  short_.pixels.pop_back();
  EXPECT_THROW(IconFile(TIconKind::Icon, {short_}), std::invalid_argument);
  TIconImage hotOutside = ok;
  hotOutside.hotX = 2;
  EXPECT_THROW(IconFile(TIconKind::Cursor, {hotOutside}), std::invalid_argument);
  // An icon has no hot spot to check.
  EXPECT_NO_THROW(IconFile(TIconKind::Icon, {hotOutside}));
}

// ---- the reader's icon and cursor ----

TEST(ReaderIcon, EachSizeHasRealAlphaAndAnOpaqueMiddle) {
  const std::vector<TIconImage> icon = DrawReaderIcon();
  ASSERT_EQ(icon.size(), 3u);
  for (const TIconImage& image : icon) {
    SCOPED_TRACE(image.width);
    ASSERT_EQ(image.width, image.height);
    ASSERT_EQ(image.pixels.size(), size_t{image.width} * image.height);
    size_t clear = 0, partial = 0, opaque = 0;
    for (uint32_t p : image.pixels) {
      const uint32_t a = Alpha(p);
      (a == 0 ? clear : a == 255 ? opaque : partial) += 1;
    }
    EXPECT_GT(clear, 0u);    // the rounded corners leave the desktop showing
    EXPECT_GT(partial, 4u);  // and their edges are smooth
    EXPECT_GT(opaque, size_t{image.width} * image.height / 2);
    const uint32_t n = image.width;
    EXPECT_EQ(Alpha(image.pixels[size_t{n / 2} * n + n / 2]), 255u);
    // The pale leaf lies across the middle of the deep green cover.
    auto Luma = [](uint32_t p) { return ((p >> 16) & 0xFF) * 3 + ((p >> 8) & 0xFF) * 6 + (p & 0xFF); };
    EXPECT_GT(Luma(image.pixels[size_t{n / 2} * n + n / 2 - n / 8]), 1800u);
    EXPECT_LT(Luma(image.pixels[size_t{n * 22 / 100} * n + n * 22 / 100]), 1000u);
  }
  EXPECT_EQ(icon[0].width, 16u);
  EXPECT_EQ(icon[1].width, 32u);
  EXPECT_EQ(icon[2].width, 48u);
}

TEST(ReaderIcon, TheSmallSizesAreDrawnForTheirSizeNotShrunk) {
  // A box filter of the 48 pixel icon down to 16 pixels would differ from the one drawn for 16
  // only by rounding if it had merely been shrunk.
  const std::vector<TIconImage> icon = DrawReaderIcon();
  const TIconImage& big = icon[2];
  const TIconImage& small = icon[0];
  int differing = 0;
  for (uint32_t y = 0; y < 16; ++y) {
    for (uint32_t x = 0; x < 16; ++x) {
      uint32_t a = 0;
      for (uint32_t dy = 0; dy < 3; ++dy)
        for (uint32_t dx = 0; dx < 3; ++dx) a += Alpha(big.pixels[size_t{y * 3 + dy} * 48 + x * 3 + dx]);
      const int shrunk = int(a / 9), drawn = int(Alpha(small.pixels[size_t{y} * 16 + x]));
      differing += std::abs(shrunk - drawn) > 24 ? 1 : 0;
    }
  }
  EXPECT_GT(differing, 8);
}

TEST(HandCursor, BlackOutlineWhiteFillAndTheHotSpotAtTheFingertip) {
  const TIconImage hand = DrawHandCursor();
  ASSERT_EQ(hand.width, 32u);
  ASSERT_EQ(hand.height, 32u);
  auto At = [&hand](uint32_t x, uint32_t y) { return hand.pixels[size_t{y} * 32 + x]; };
  // Black, white and the greys between them where the fill meets its outline; plenty of both,
  // and the outline, seen from outside, never white.
  size_t black = 0, white = 0;
  for (uint32_t p : hand.pixels) {
    const uint32_t rgb = p & 0xFFFFFF;
    EXPECT_EQ(rgb & 0xFF, (rgb >> 8) & 0xFF);
    EXPECT_EQ(rgb & 0xFF, (rgb >> 16) & 0xFF);
    if (Alpha(p) < 255) {
      EXPECT_LT(rgb & 0xFF, 0x80u);
    }
    if (Alpha(p) >= 128 && (rgb & 0xFF) < 0x40) ++black;
    if (Alpha(p) == 255 && rgb == 0xFFFFFF) ++white;
  }
  EXPECT_GT(black, 80u);
  EXPECT_GT(white, 150u);
  // The hot spot is drawn, dark, in the topmost drawn row, and nothing is drawn above it or far
  // beside it in that row: the tip of the raised finger.
  const uint32_t hx = hand.hotX, hy = hand.hotY;
  EXPECT_GE(Alpha(At(hx, hy)), 160u);
  EXPECT_LT(At(hx, hy) & 0xFF, 0x40u);
  for (uint32_t y = 0; y < hy; ++y)
    for (uint32_t x = 0; x < 32; ++x) EXPECT_EQ(Alpha(At(x, y)), 0u);
  for (uint32_t x = 0; x < 32; ++x)
    if (Alpha(At(x, hy)) > 0) {
      EXPECT_LE(std::abs(int(x) - int(hx)), 2) << x;
    }
  // Below the tip, the finger: white between two black edges.
  EXPECT_EQ(At(hx, hy + 4), 0xFFFFFFFFu);
  EXPECT_EQ(At(hx - 2, hy + 4), 0xFF000000u);
  EXPECT_EQ(At(hx + 2, hy + 4), 0xFF000000u);
  EXPECT_EQ(Alpha(At(hx - 4, hy + 4)), 0u);
  EXPECT_EQ(Alpha(At(hx + 4, hy + 4)), 0u);
}

#ifdef FOLIVAR_ARTWORK_EXE
TEST(ArtworkTool, WritesTheIconAndTheCursor) {
  const std::string dir = test::TempDir();
  const std::string ico = dir + "/folivar.ico", cur = dir + "/hand.cur";
  const test::TCommandRun run =
      test::RunCommand(std::string(FOLIVAR_ARTWORK_EXE) + " --icon " + ico + " --cursor " + cur);
  ASSERT_EQ(run.status, 0) << run.out;
  // Compared whole, not printed: they are binary.
  EXPECT_TRUE(test::ReadWholeFile(ico) == IconFile(TIconKind::Icon, DrawReaderIcon()));
  EXPECT_TRUE(test::ReadWholeFile(cur) == IconFile(TIconKind::Cursor, {DrawHandCursor()}));
  EXPECT_EQ(test::RunCommand(std::string(FOLIVAR_ARTWORK_EXE) + " 2>&1").status, 2);
  EXPECT_EQ(test::RunCommand(std::string(FOLIVAR_ARTWORK_EXE) + " --icon 2>&1").status, 2);
  EXPECT_EQ(test::RunCommand(std::string(FOLIVAR_ARTWORK_EXE) + " --icon " + dir + "/no/such/dir/x.ico 2>&1").status, 1);
}
#endif

}  // namespace
}  // namespace folivar::art
