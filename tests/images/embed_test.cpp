#include "images/embed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bzip.h"
#include "images/resample.h"

namespace folivar {
namespace {

struct TExpected {
  const char* name;
  uint32_t width;
  uint32_t height;
};

constexpr TExpected kTable[kBuiltInCount] = {
    {"corner-left", 47, 47},      {"corner-right", 47, 47}, {"close-button", 54, 54},     {"minimise-button", 54, 54},
    {"about-button", 104, 53},    {"print-button", 23, 23}, {"spare-button", 23, 23},     {"back-button", 23, 23},
    {"message-background", 390, 158}, };

TStoredPicture Crafted(const std::string& packed, uint32_t w, uint32_t h, bool rgb) {
  return {"crafted", w, h, rgb, reinterpret_cast<const uint8_t*>(packed.data()), packed.size()};
}

// The stored bytes are the pixels top row first, three bytes each: blue, green, red, or red,
// green, blue for the pictures stored that way; a view with or without a device context.
TEST(DecodeStoredPicture, ColourBytesInTheirOrder) {
  const std::string bytes("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12);
  for (const bool rgb : {false, true}) {
    const std::string packed = Bzip(bytes);
    tview view(2, 2, rgb);
    DecodeStoredPicture(Crafted(packed, 2, 2, rgb), view);
    EXPECT_EQ(std::vector<uint32_t>({view.At(0, 0), view.At(1, 0), view.At(0, 1), view.At(1, 1)}),
              rgb ? std::vector<uint32_t>({0x010203, 0x040506, 0x070809, 0x0a0b0c})
                  : std::vector<uint32_t>({0x030201, 0x060504, 0x090807, 0x0c0b0a}));
  }
}

// A stream of the wrong length or no stream, or a view of another size: refused, the view
// untouched.
TEST(DecodeStoredPicture, RefusesWhatDoesNotFit) {
  const std::string shorter = Bzip(std::string(11, '\x7f')), longer = Bzip(std::string(13, '\x7f'));
  const std::string right = Bzip(std::string(12, '\x7f')), broken = "BZh9 is not a stream";
  tview square(2, 2), narrow(1, 2), empty;
  square.Fill(0x00123456);
  const struct {
    const std::string& packed;
    tview& view;
  } cases[] = {{shorter, square}, {longer, square}, {broken, square}, {right, narrow}, {right, empty}};
  for (const auto& c : cases) EXPECT_THROW(DecodeStoredPicture(Crafted(c.packed, 2, 2, false), c.view), std::runtime_error);
  EXPECT_EQ(square.At(1, 1), 0x00123456u);
}

TEST(BuiltInImages, LoadedOnceInTheirOrderSizesAndColours) {
  LoadBuiltInImages();
  const tview* spare = &BuiltInImage(TBuiltIn::SpareButton);
  LoadBuiltInImages();
  EXPECT_EQ(BuiltInImagesDecodeCount(), 1u);
  EXPECT_EQ(&BuiltInImage(TBuiltIn::SpareButton), spare);
  EXPECT_EQ(&MessageBackgroundImage(), &BuiltInImage(TBuiltIn::MessageBackground));
  // The nine pictures in their order and sizes (the spare button exists although no hot spot
  // shows it), every pixel 0x00RRGGBB.
  for (size_t i = 0; i < kBuiltInCount; ++i) {
    const tview& picture = BuiltInImage(static_cast<TBuiltIn>(i));
    EXPECT_EQ(std::vector<uint32_t>({picture.Width(), picture.Height()}), std::vector<uint32_t>({kTable[i].width, kTable[i].height}))
        << kTable[i].name;
    for (uint32_t y = 0; y < picture.Height(); ++y)
      for (uint32_t x = 0; x < picture.Width(); ++x) ASSERT_EQ(picture.At(x, y) >> 24, 0u) << kTable[i].name << " at " << x << ", " << y;
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

uint32_t Scaled(uint32_t side, double scale) { return static_cast<uint32_t>(std::round(side * scale)); }

// The sets drawn at 1.25, 1.5 and 2: every picture of device size round(size * scale), decoded
// when asked for, kept, the message window's panel grey where the box reads it; 1 is the set.
TEST(BuiltInImages, DrawnAtTheCommonScales) {
  LoadBuiltInImages();
  const double scales[] = {1.25, 1.5, 2};
  for (size_t s = 0; s < kDrawnSetCount; ++s) {
    ASSERT_EQ(kDrawnSets[s].scale, scales[s]);
    EXPECT_EQ(DrawnSet(scales[s]), &kDrawnSets[s]);
    for (size_t i = 0; i < kBuiltInCount; ++i) {
      const auto which = static_cast<TBuiltIn>(i);
      const tview& base = BuiltInImage(which);
      const tview& picture = BuiltInImage(which, scales[s]);
      EXPECT_EQ(std::vector<uint32_t>({picture.Width(), picture.Height()}),
                std::vector<uint32_t>({Scaled(base.Width(), scales[s]), Scaled(base.Height(), scales[s])}))
          << kTable[i].name << " at " << scales[s];
      EXPECT_STREQ(kDrawnSets[s].pictures[i].name, kTable[i].name);
      EXPECT_EQ(&BuiltInImage(which, scales[s]), &picture);
      EXPECT_EQ(&BuiltInImage(which, 1), &base);
    }
    const tview& box = BuiltInImage(TBuiltIn::MessageBackground, scales[s]);
    const uint32_t at = Scaled(12, scales[s]);
    EXPECT_EQ(box.At(at, at), BuiltInImage(TBuiltIn::MessageBackground).At(12, 12)) << scales[s];
  }
  EXPECT_EQ(DrawnSet(1.75), nullptr);
  EXPECT_EQ(DrawnSet(1), nullptr);
}

// At 2 the pictures are drawn, not enlarged: the message window's hairline frame is two device
// pixels of its colour with white beside it, where the frame enlarged from 1 is soft; and every
// picture differs from its enlargement.
TEST(BuiltInImages, DrawnAtTwoIsSharperThanEnlarged) {
  LoadBuiltInImages();
  const tview& base = BuiltInImage(TBuiltIn::MessageBackground);
  const tview& drawn = BuiltInImage(TBuiltIn::MessageBackground, 2);
  tview enlarged(drawn.Width(), drawn.Height());
  ResamplePicture(base, enlarged);
  const uint32_t frame = base.At(0, 100), white = 0xFFFFFF;
  ASSERT_EQ(base.At(1, 100), white);
  auto Soft = [&](const tview& v) {
    int count = 0;
    for (uint32_t x = 0; x < 6; ++x) count += v.At(x, 200) != frame && v.At(x, 200) != white;
    return count;
  };
  EXPECT_EQ(std::vector<uint32_t>({drawn.At(0, 200), drawn.At(1, 200), drawn.At(2, 200)}),
            std::vector<uint32_t>({frame, frame, white}));
  EXPECT_EQ(Soft(drawn), 0);
  EXPECT_GT(Soft(enlarged), 0);
  for (size_t i = 0; i < kBuiltInCount; ++i) {
    const tview& picture = BuiltInImage(static_cast<TBuiltIn>(i), 2);
    tview resampled(picture.Width(), picture.Height());
    ResamplePicture(BuiltInImage(static_cast<TBuiltIn>(i)), resampled);
    size_t differ = 0;
    for (uint32_t y = 0; y < picture.Height(); ++y)
      for (uint32_t x = 0; x < picture.Width(); ++x) differ += picture.At(x, y) != resampled.At(x, y);
    EXPECT_GT(differ, size_t{picture.Width()} * picture.Height() / 10) << kTable[i].name;
  }
}

// At a scale not drawn: the set's pictures resampled to round(size * scale), the highlight
// pictures keyed (black stays nothing, no pixel is black where the picture is), kept per scale.
TEST(BuiltInImages, ResampledAtOtherScales) {
  LoadBuiltInImages();
  const tview& corner = BuiltInImage(TBuiltIn::CornerRight, 0.75);
  EXPECT_EQ(std::vector<uint32_t>({corner.Width(), corner.Height()}), std::vector<uint32_t>({35, 35}));
  EXPECT_EQ(&BuiltInImage(TBuiltIn::CornerRight, 0.75), &corner);
  EXPECT_EQ(corner.At(0, 0), 0u);
  EXPECT_NE(corner.At(34, 34), 0u);
  const tview& box = BuiltInImage(TBuiltIn::MessageBackground, 3);
  EXPECT_EQ(std::vector<uint32_t>({box.Width(), box.Height()}), std::vector<uint32_t>({1170, 474}));
  EXPECT_EQ(box.At(600, 300), 0x00FFFFFFu);
  EXPECT_THROW(BuiltInImage(TBuiltIn::CloseButton, 0), std::invalid_argument);
}

}  // namespace
}  // namespace folivar
