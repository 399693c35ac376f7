#include "images/embed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bzip.h"

namespace folivar {
namespace {

struct TExpected {
  const char* name;
  uint32_t width;
  uint32_t height;
  bool rgbOrder;
};

constexpr TExpected kTable[kBuiltInCount] = {
    {"corner-left", 47, 47, false},      {"corner-right", 47, 47, false},
    {"close-button", 54, 54, false},     {"minimise-button", 54, 54, false},
    {"about-button", 104, 53, false},    {"print-button", 23, 23, false},
    {"spare-button", 23, 23, false},     {"back-button", 23, 23, false},
    {"message-background", 390, 158, true},
};

TStoredPicture Crafted(const std::string& packed, uint32_t w, uint32_t h, bool rgb) {
  return {"crafted", w, h, rgb, reinterpret_cast<const uint8_t*>(packed.data()), packed.size()};
}

TEST(StoredPictures, TableHasTheNinePicturesInOrder) {
  for (size_t i = 0; i < kBuiltInCount; ++i) {
    SCOPED_TRACE(kTable[i].name);
    EXPECT_STREQ(kStoredPictures[i].name, kTable[i].name);
    EXPECT_EQ(kStoredPictures[i].width, kTable[i].width);
    EXPECT_EQ(kStoredPictures[i].height, kTable[i].height);
    EXPECT_EQ(kStoredPictures[i].rgbOrder, kTable[i].rgbOrder);
  }
}

TEST(StoredPictures, EveryStreamUnpacksToExactlyItsPixels) {
  for (const TStoredPicture& stored : kStoredPictures) {
    SCOPED_TRACE(stored.name);
    ASSERT_GE(stored.size, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored.data), 4), "BZh9");
    const size_t expected = size_t{stored.width} * stored.height * 3;
    std::vector<uint8_t> raw;
    ASSERT_EQ(Bunzip(stored.data, stored.size, {1024, 4096, expected * 2}, raw), TBunzipStatus::Ok);
    EXPECT_EQ(raw.size(), expected);
  }
}

TEST(DecodeStoredPicture, BlueGreenRedBytes) {
  // Two rows of two pixels, top row first.
  const std::string packed = Bzip(std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12));
  tview view(2, 2);
  DecodeStoredPicture(Crafted(packed, 2, 2, false), view);
  EXPECT_EQ(view.At(0, 0), 0x00030201u);
  EXPECT_EQ(view.At(1, 0), 0x00060504u);
  EXPECT_EQ(view.At(0, 1), 0x00090807u);
  EXPECT_EQ(view.At(1, 1), 0x000c0b0au);
}

TEST(DecodeStoredPicture, RedGreenBlueBytes) {
  const std::string packed = Bzip(std::string("\x01\x02\x03\x04\x05\x06", 6));
  tview view(1, 2, true);
  DecodeStoredPicture(Crafted(packed, 1, 2, true), view);
  EXPECT_EQ(view.At(0, 0), 0x00010203u);
  EXPECT_EQ(view.At(0, 1), 0x00040506u);
}

TEST(DecodeStoredPicture, RefusesAStreamOfTheWrongLength) {
  const std::string shorter = Bzip(std::string(11, '\x7f'));
  const std::string longer = Bzip(std::string(13, '\x7f'));
  tview view(2, 2);
  view.Fill(0x00123456);
  EXPECT_THROW(DecodeStoredPicture(Crafted(shorter, 2, 2, false), view), std::runtime_error);
  EXPECT_THROW(DecodeStoredPicture(Crafted(longer, 2, 2, false), view), std::runtime_error);
  const std::string broken = "BZh9 is not a stream";
  EXPECT_THROW(DecodeStoredPicture(Crafted(broken, 2, 2, false), view), std::runtime_error);
  EXPECT_EQ(view.At(1, 1), 0x00123456u);
}

TEST(DecodeStoredPicture, RefusesAViewOfAnotherSize) {
  const std::string packed = Bzip(std::string(12, '\x01'));
  tview narrow(1, 2);
  EXPECT_THROW(DecodeStoredPicture(Crafted(packed, 2, 2, false), narrow), std::runtime_error);
  tview empty;
  EXPECT_THROW(DecodeStoredPicture(Crafted(packed, 2, 2, false), empty), std::runtime_error);
}

TEST(BuiltInImages, LoadOnceAndKeepThem) {
  LoadBuiltInImages();
  EXPECT_EQ(BuiltInImagesDecodeCount(), 1u);
  const tview* spare = &BuiltInImage(TBuiltIn::SpareButton);
  LoadBuiltInImages();
  EXPECT_EQ(BuiltInImagesDecodeCount(), 1u);
  EXPECT_EQ(&BuiltInImage(TBuiltIn::SpareButton), spare);

  // The spare button exists although no hot spot shows it.
  EXPECT_EQ(spare->Width(), 23u);
  EXPECT_EQ(spare->Height(), 23u);
  for (size_t i = 0; i < kBuiltInCount; ++i) {
    const tview& picture = BuiltInImage(static_cast<TBuiltIn>(i));
    EXPECT_EQ(picture.Width(), kTable[i].width) << kTable[i].name;
    EXPECT_EQ(picture.Height(), kTable[i].height) << kTable[i].name;
  }
  EXPECT_EQ(&MessageBackgroundImage(), &BuiltInImage(TBuiltIn::MessageBackground));
}

TEST(BuiltInImages, PixelsAreInTheirColourPlaces) {
  LoadBuiltInImages();
  for (size_t i = 0; i < kBuiltInCount; ++i) {
    const tview& picture = BuiltInImage(static_cast<TBuiltIn>(i));
    for (uint32_t y = 0; y < picture.Height(); ++y)
      for (uint32_t x = 0; x < picture.Width(); ++x)
        ASSERT_EQ(picture.At(x, y) >> 24, 0u) << kTable[i].name << " at " << x << ", " << y;
  }
  // The page corners are lit only where the page curls: their far corner is transparent (0) in
  // the highlight layer, the corner of the page itself is not.
  EXPECT_EQ(BuiltInImage(TBuiltIn::CornerRight).At(0, 0), 0u);
  EXPECT_NE(BuiltInImage(TBuiltIn::CornerRight).At(46, 46), 0u);
  EXPECT_EQ(BuiltInImage(TBuiltIn::CornerLeft).At(46, 0), 0u);
  EXPECT_NE(BuiltInImage(TBuiltIn::CornerLeft).At(0, 46), 0u);
  // The message window is white where its text goes, and the grey it reads at (12, 12) for its
  // buttons is the grey of the rule beneath them.
  const tview& box = BuiltInImage(TBuiltIn::MessageBackground);
  EXPECT_EQ(box.At(200, 100), 0x00FFFFFFu);
  EXPECT_NE(box.At(12, 12), 0x00FFFFFFu);
  EXPECT_EQ(box.At(12, 12), box.At(200, 145));
}

}  // namespace
}  // namespace folivar
