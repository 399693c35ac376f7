#include "images/xif3.h"

#include <gtest/gtest.h>

#include <random>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "core/bzip.h"
#include "core/errors.h"
#include "images/imageclass.h"
#include "images/rgbpack.h"

namespace folivar {
namespace {

std::string U16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

// Pixels top row first, as a picture reads them with GetPixel.
std::vector<uint32_t> PixelsOf(const TXif& picture) {
  std::vector<uint32_t> pixels;
  for (uint32_t y = 0; y < picture.Height(); ++y)
    for (uint32_t x = 0; x < picture.Width(); ++x) pixels.push_back(picture.GetPixel(x, y));
  return pixels;
}

// Loads the record from a stream where more follows it; the reader must stop just behind it.
void LoadRecord(TXif& picture, const std::string& record) {
  TStrFile file(record + "next");
  picture.Load(file);
  EXPECT_EQ(file.Position(), static_cast<int32_t>(record.size()));
}

std::vector<uint32_t> RandomPixels(size_t n, uint32_t colours, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> palette(colours);
  for (uint32_t& c : palette) c = random() & 0x00FFFFFF;
  std::vector<uint32_t> pixels(n);
  for (uint32_t& p : pixels) p = palette[random() % colours];
  return pixels;
}

TEST(Xbm, BackgroundAndTheMaskFromTheBottomLeft) {
  // "XBM", W 3, H 2, background, M 1, mask 00, P 0, N 0: all background.
  TXif picture;
  LoadRecord(picture, PackedPictureRecord(3, 2, "XBM\x03\x02" + U32(0xC6C2B6) + U32(1) + std::string(1, '\0') + U32(0) + U32(0)));
  picture.Unpack();
  EXPECT_EQ(picture.Damage(), "");
  EXPECT_EQ(PixelsOf(picture), std::vector<uint32_t>(6, 0x00C6C2B6));
  // A 2 x 2 picture; mask bits 0 and 3 (bottom-left and top-right) take the one colour 0.
  EXPECT_EQ(DecodeXbm("XBM\x02\x02" + U32(0xFFFFFF) + U32(1) + "\x09" + U32(0) + U32(2) + U32(0), picture), "");
  EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0xFFFFFF, 0x0, 0x0, 0xFFFFFF}));
}

// What the format settles for streams that do not add up: colours for the first masked pixels
// only, the background for an index beyond the palette, no more indices than pixels. Streams
// that do not fit their bytes leave the picture empty (Unpack.ADamagedPictureOfAnyFormatIsEmpty).
TEST(Xbm, StreamsThatDoNotAddUp) {
  const std::string header = "XBM\x04\x01" + U32(0x00111111) + U32(1) + "\x0F";  // 4 x 1, all masked
  const struct {
    const char* name;
    std::string stream;
    std::vector<uint32_t> pixels;
  } cases[] = {
      {"more set bits than colours", header + U32(0) + U32(2) + U32(0xAAAAAA), {0xAAAAAA, 0xAAAAAA, 0x111111, 0x111111}},
      // a palette of 2 colours of 24 bits, indices 0, 5 (beyond), 1, 1 of 3 bits
      {"index beyond the palette",
       header + U32(6) + std::string("\x01\0\0\x02\0\0", 6) + U16(2) + U16(24) + U32(2) + "\x68\x02" + U16(4) + U16(3),
       {0x000001, 0x111111, 0x000002, 0x000002}},
      {"huge colour count", header + U32(0) + U32(0x7FFFFFFF) + U32(0xAAAAAA), {0xAAAAAA, 0xAAAAAA, 0xAAAAAA, 0xAAAAAA}},
  };
  for (const auto& c : cases) {
    TXif picture;
    EXPECT_EQ(DecodeXbm(c.stream, picture), "") << c.name;
    EXPECT_EQ(PixelsOf(picture), c.pixels) << c.name;
  }
}

// Pictures packed by the writer, raw or "XBM", come back pixel for pixel.
TEST(Packed, WriterRoundTrips) {
  struct Case {
    uint32_t width, height, colours;
    bool xbm;
  } cases[] = {{1, 1, 1, true},      {9, 18, 2, true},     {7, 3, 5, true},   {255, 255, 3, true},
               {255, 1, 200, true},  {1, 1, 1000, false}, {17, 9, 1000, false}, {1, 40, 1000, false}};
  for (const Case& c : cases) {
    const auto pixels = RandomPixels(size_t{c.width} * c.height, c.colours, c.width * 31 + c.colours);
    TXif picture;
    LoadRecord(picture, PackedPictureRecord(c.width, c.height, c.xbm ? EncodeXbm(pixels.data(), c.width, c.height)
                                                                   : PackRawPixels(pixels.data(), c.width, c.height)));
    picture.Unpack();
    EXPECT_EQ(picture.Damage(), "");
    EXPECT_EQ(PixelsOf(picture), pixels) << c.width << "x" << c.height << " in " << c.colours;
  }
  // Two colours over a background: the single-colour variant, no palette.
  const std::vector<uint32_t> glyph = {0xC6C2B6, 0, 0, 0xC6C2B6};
  EXPECT_EQ(EncodeXbm(glyph.data(), 2, 2, 0xC6C2B6).size(), 13u + 1 + 4 + 4 + 4);
  EXPECT_THROW(EncodeXbm(glyph.data(), 256, 1), std::invalid_argument);
}

// A packed picture has its size from its record but no pixel memory until it is first unpacked.
TEST(Unpack, PixelsAreMadeOnFirstUseAndDecodedOnce) {
  const std::vector<uint32_t> pixels = {1, 2, 3, 4, 5, 6};
  TXif picture;
  LoadRecord(picture, PackedPictureRecord(3, 2, PackRawPixels(pixels.data(), 3, 2)));
  EXPECT_EQ(std::vector<uint32_t>({picture.Packed(), picture.Width(), picture.Height()}), std::vector<uint32_t>({1, 3, 2}));
  EXPECT_EQ(picture.Bits(), nullptr);
  picture.Unpack();
  ASSERT_NE(picture.Bits(), nullptr);
  picture.SetPixel(0, 0, 99);
  picture.Unpack();
  EXPECT_EQ(picture.GetPixel(0, 0), 99u);
  EXPECT_FALSE(picture.Packed());
}

// Damaged content in a record that fits its bytes, of any format, leaves that picture empty
// (0 x 0, drawn as nothing) with the damage named; the reader goes on behind the record, and a
// second Unpack does not try again.
TEST(Unpack, ADamagedPictureOfAnyFormatIsEmpty) {
  const auto pixels = RandomPixels(12, 4, 9);
  const std::string small = PackRawPixels(pixels.data(), 2, 2);
  const std::string xwl = "XWL" + U16(2) + U16(2) + std::string("\x08\0", 2) + U32(400) +  // 400 symbols
                          std::string(20, '\0') + "\x08\x08\x08" + std::string(16, '\0');  // and no data
  const std::string xbm = "XBM\x04\x01" + U32(0x111111), masked = xbm + U32(1) + "\x0F" + U32(3) + "abc" + U16(1);
  struct Case {
    const char* name;
    std::string record;
  } cases[] = {
      {"raw pixels that are not bzip2", PackedPictureRecord(2, 2, "BZh9 this is not bzip2")},
      {"raw pixels of 4 x 3 read as 4 x 2", PackedPictureRecord(4, 2, PackRawPixels(pixels.data(), 4, 3))},
      {"raw pixels of 4 x 3 read as 4 x 4", PackedPictureRecord(4, 4, PackRawPixels(pixels.data(), 4, 3))},
      {"XBM mask past the end", PackedPictureRecord(4, 1, xbm + U32(1000) + "\x0F")},
      {"XBM negative mask length", PackedPictureRecord(4, 1, xbm + U32(0xFFFFFFF0) + "\x0F")},
      // a palette of 1 value of 0 or 32 bits in 3 bytes, 1 index of 1 bit in 1 byte
      {"XBM values of 0 bits", PackedPictureRecord(4, 1, masked + U16(0) + U32(1) + "a" + U16(1) + U16(1))},
      {"XBM values of 32 bits", PackedPictureRecord(4, 1, masked + U16(32) + U32(1) + "a" + U16(1) + U16(1))},
      {"XBM mask shorter than the picture", PackedPictureRecord(4, 1, xbm + U32(0) + U32(0) + U32(4) + U32(0xAAAAAA))},
      {"wavelet stream shorter than its symbols", WaveletPictureRecord(xwl)},
      {"wider than a book may hold", PackedPictureRecord(20000, 1, small)},
      {"more pixels than a book may hold", PackedPictureRecord(16384, 16384, small)}, };
  for (const Case& c : cases) {
    TXif picture;
    LoadRecord(picture, c.record);
    picture.Unpack();
    const std::string damage = picture.Damage();
    EXPECT_NE(damage, "") << c.name;
    picture.Unpack();
    EXPECT_EQ(picture.Damage(), damage) << c.name;
    EXPECT_EQ(std::vector<uint32_t>({picture.Width(), picture.Height(), picture.Packed()}), std::vector<uint32_t>(3, 0)) << c.name;
  }
}

TEST(Load, RecordsThatDoNotFitAreRefused) {
  const std::string small = PackRawPixels(std::vector<uint32_t>(4).data(), 2, 2);
  // The length beyond the data; no height; a length above 2 GiB; a wavelet stream beyond the data.
  for (const std::string& record : {U32(1000) + U32(2) + U32(2) + small, U32(0) + U32(2), U32(0x90000000) + U32(2) + U32(2) + small,
                                    U32(50) + "XWL" + std::string(10, '\0')}) {
    TStrFile file(record);
    TXif picture;
    EXPECT_THROW(picture.Load(file), TBookDamaged) << record.size();
  }
}

TEST(Load, AWidthThatBeginsWithXwlIsAWaveletRecord) {
  // A 1 x 1 grey wavelet stream: header, no symbols, two step-table entries.
  TXif picture;
  LoadRecord(picture, WaveletPictureRecord("XWL" + U16(1) + U16(1) + std::string("\x08\0", 2) + std::string(24, '\0') +
                                           "\x08\x08\x08" + std::string(16, '\0')));
  EXPECT_EQ(std::vector<uint32_t>({picture.Packed(), picture.Width(), picture.GetPixel(0, 0)}), std::vector<uint32_t>({0, 1, 0}));
}

TEST(Pixels, FrameRectAndMirror) {
  TXif picture(4, 3), column(1, 2);
  picture.Fill(0);
  picture.FrameRect(1, 1, 1, 1, 7);  // one pixel
  EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0}));
  picture.Fill(0);
  picture.FrameRect(0, 0, 3, 2, 1);
  picture.FrameRect(2, 2, 1, 1, 5);  // empty ranges: nothing
  EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1}));
  picture.SetPixel(0, 1, 2);
  picture.Mirror();
  EXPECT_EQ(PixelsOf(picture), (std::vector<uint32_t>{1, 1, 1, 1, 1, 0, 0, 2, 1, 1, 1, 1}));
  column.SetPixel(0, 0, 5);
  column.SetPixel(0, 1, 6);
  column.Mirror();
  EXPECT_EQ(PixelsOf(column), (std::vector<uint32_t>{5, 6}));
}

// The count, ascent and Packed state after loading and the freeing on a second load are checked
// through the loading sequence (loadbook_test), a number outside the list with the page items
// (paraclasses_test); here the entry's own fields.
TEST(PictureList, EntriesInBookOrderWithTheirFields) {
  FreeImages();
  // Entries: ascent 15, reserved 0, a raw 1 x 1 picture; ascent 3, reserved 7, an XBM 2 x 1.
  TStrFile file(U32(15) + '\0' + PackedPictureRecord(1, 1, PackRawPixels(std::vector<uint32_t>{0x123456}.data(), 1, 1)) +
                U32(3) + '\x07' + PackedPictureRecord(2, 1, EncodeXbm(std::vector<uint32_t>{1, 2}.data(), 2, 1)));
  TCheckedReader reader(file);
  ReadImageEntry(reader);
  ReadImageEntry(reader);
  ImageAt(0).picture.Unpack();
  EXPECT_EQ(std::vector<int32_t>({ImageCount(), ImageAt(0).ascent, ImageAt(1).reserved, ImageAt(1).Width()}),
            std::vector<int32_t>({2, 15, 7, 2}));
  EXPECT_EQ(ImageAt(0).picture.GetPixel(0, 0), 0x123456u);
  FreeImages();
}

}  // namespace
}  // namespace folivar
