// folivar-render on the demo book: a spread, the cover, a single page of a book without spreads
// and the frames of a page turn, written as PNG files (open them in build/native/tests/render/
// to look at them), and its error contract.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "book/bookwriter.h"
#include "tests/support/testsupport.h"
#include "tools/common/png.h"
#include "tools/folivar-render/rendering.h"

namespace folivar {
namespace {

const std::string kOut = FOLIVAR_RENDER_OUT;

test::TCommandRun Render(const std::string& book, const std::string& arguments) {
  return test::RunCommand(std::string(FOLIVAR_RENDER_EXE) + " " + book + " " + arguments);
}

struct TPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(uint32_t x, uint32_t y) const { return pixels[size_t{y} * width + x]; }
  // Pixels in the rectangle that are not white.
  size_t Inked(uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2) const {
    size_t n = 0;
    for (uint32_t y = y1; y < y2; ++y)
      for (uint32_t x = x1; x < x2; ++x) n += At(x, y) != 0xFFFFFF ? 1 : 0;
    return n;
  }
};

TPicture Read(const std::string& path) {
  TPicture p;
  p.pixels = ReadPng(path, p.width, p.height);
  return p;
}

class RenderTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { std::filesystem::create_directories(kOut); }
};

TEST_F(RenderTool, ASpreadTheCoverAndASinglePage) {
  // The spread of pages 3 and 4: two columns of text, a picture, the spine and the numbers.
  ASSERT_EQ(Render(FOLIVAR_DEMO_BOOK, "--page 4 -o " + kOut + "/spread.png").status, 0);
  const TPicture spread = Read(kOut + "/spread.png");
  ASSERT_EQ(std::vector<uint32_t>({spread.width, spread.height}), std::vector<uint32_t>({776, 575}));
  EXPECT_EQ(spread.At(0, 300), 0u);  // the frame
  EXPECT_EQ(spread.At(387, 300), 0xB6C2C6u);  // the spine
  EXPECT_EQ(spread.Inked(30, 450, 358, 520), 0u);     // white below the text
  EXPECT_GT(spread.Inked(180, 540, 210, 560), 10u);   // the page number 3
  // Text on both pages of a spread is checked on the guide (guide_test). The cover alone, a
  // single page: half the spread, the cover everywhere.
  ASSERT_EQ(Render(FOLIVAR_DEMO_BOOK, "--page 0 -o " + kOut + "/cover.png").status, 0);
  const TPicture cover = Read(kOut + "/cover.png");
  ASSERT_EQ(cover.width, 388u);
  EXPECT_EQ(cover.Inked(1, 1, 387, 574), 386u * 573u);

  // A book whose view is one page wide has no spreads.
  TBookWriter w;
  w.header.viewWidth = w.header.pageWidth;
  const auto style = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
  TLineRecord line{.height = 16, .ascent = 12, .descent = 4, .alignment = 2};
  for (char c : std::string("A single page")) line.items.push_back({static_cast<uint8_t>(c), style});
  w.AddPage(EncodePageRecord(-1, {}));
  w.AddPage(EncodePageRecord(-1, {line}));
  const std::string single = test::WriteTempFile("single.bin", w.Build());
  ASSERT_EQ(Render(single, "--page 1 -o " + kOut + "/single.png").status, 0);
  const TPicture page = Read(kOut + "/single.png");
  EXPECT_EQ(page.width, 388u);
  EXPECT_GT(page.Inked(150, 30, 240, 46), 50u);  // centred
  EXPECT_EQ(page.Inked(1, 30, 140, 46), 0u);
}

// Renders at 1.25, 1.5 and 2 of the text spread (pages 1 and 2), the picture spread (3 and 4)
// and the cover, kept in build/native/tests/render/scale-S-page-I.png. The picture is
// round(size * S); every string is written from the device position of its book position to the
// device position of its book end (a justified line ends on the scaled margin).
TEST_F(RenderTool, AtAScaleEveryStringSitsWhereItsBookPositionDoes) {
  for (const char* page : {"0", "2", "4"}) {
    const std::string flat = kOut + "/scale-1-page-" + page;
    ASSERT_EQ(Render(FOLIVAR_DEMO_BOOK, std::string("--page ") + page + " -o " + flat + ".png --dump " + flat + ".bin").status, 0);
    const TRendering book = DecodeRendering(test::ReadWholeFile(flat + ".bin"));
    for (const char* s : {"1.25", "1.5", "2"}) {
      SCOPED_TRACE(std::string(page) + " at " + s);
      const double scale = std::stod(s);
      const auto dev = [scale](int64_t v) { return std::lround(static_cast<double>(v) * scale); };
      const std::string out = kOut + "/scale-" + s + "-page-" + page;
      ASSERT_EQ(Render(FOLIVAR_DEMO_BOOK, std::string("--page ") + page + " -o " + out + ".png --dump " + out +
                                              ".bin --scale " + s).status, 0);
      const TRendering r = DecodeRendering(test::ReadWholeFile(out + ".bin"));
      EXPECT_EQ(r.width, dev(book.width));
      EXPECT_EQ(r.height, dev(book.height));
      ASSERT_EQ(r.texts.size(), book.texts.size());
      for (size_t i = 0; i < r.texts.size(); ++i) {
        const TWrittenText &a = book.texts[i], &b = r.texts[i];
        int64_t endA = a.x, endB = b.x;
        for (int32_t v : a.advances) endA += v;
        for (int32_t v : b.advances) endB += v;
        EXPECT_EQ(b.x, dev(a.x)) << i;
        EXPECT_LE(std::abs(endB - dev(endA)), 1) << i;
      }
    }
  }
}

// Text at 2 is written from the font at twice the height, not stretched: in a stretched picture
// every aligned 2 x 2 block is one colour, so each grey edge pixel of a stem comes in pairs.
TEST_F(RenderTool, AtTwoTextIsDrawnAtTwiceTheHeight) {
  ASSERT_EQ(Render(FOLIVAR_DEMO_BOOK, "--page 2 -o " + kOut + "/scale-text-1.png").status, 0);
  ASSERT_EQ(Render(FOLIVAR_DEMO_BOOK, "--page 2 -o " + kOut + "/scale-text-2.png --scale 2").status, 0);
  const TPicture flat = Read(kOut + "/scale-text-1.png"), sharp = Read(kOut + "/scale-text-2.png");
  TPicture stretched{sharp.width, sharp.height, {}};
  for (uint32_t y = 0; y < sharp.height; ++y)
    for (uint32_t x = 0; x < sharp.width; ++x) stretched.pixels.push_back(flat.At(x / 2, y / 2));
  // The share of grey pixels (neither paper nor ink) in the text column whose 2 x 2 block is one colour.
  const auto uniformGrey = [](const TPicture& p) {
    size_t grey = 0, uniform = 0;
    for (uint32_t y = 60; y + 1 < 900; y += 2) {
      for (uint32_t x = 60; x + 1 < 700; x += 2) {
        const uint32_t c = p.At(x, y);
        const uint32_t level = c & 0xFF;
        if (level < 40 || level > 215) continue;
        ++grey;
        uniform += c == p.At(x + 1, y) && c == p.At(x, y + 1) && c == p.At(x + 1, y + 1) ? 1 : 0;
      }
    }
    return grey == 0 ? 1.0 : static_cast<double>(uniform) / static_cast<double>(grey);
  };
  EXPECT_EQ(uniformGrey(stretched), 1.0);
  EXPECT_LT(uniformGrey(sharp), 0.5) << uniformGrey(sharp);  // some 0.17
}

TEST_F(RenderTool, TheFramesOfAPageTurnAndErrors) {
  const std::string dir = kOut + "/turn";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);  // and nothing left from a run before
  const test::TCommandRun run = Render(FOLIVAR_DEMO_BOOK, "--turn 1 --frames " + dir);
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "32 frames\n");
  const TPicture first = Read(dir + "/frame-00.png"), middle = Read(dir + "/frame-16.png");
  EXPECT_EQ(first.width, 776u);
  EXPECT_NE(first.pixels, middle.pixels);
  EXPECT_NE(middle.pixels, Read(dir + "/frame-31.png").pixels);
  EXPECT_FALSE(std::filesystem::exists(dir + "/frame-32.png"));

  // From the last spread nothing turns. Errors: the one-line contract the tools share is checked
  // with folivar-info (info_test).
  EXPECT_EQ(Render(FOLIVAR_DEMO_BOOK, "--turn 4 --frames " + dir).status, 1);
  const test::TCommandRun past = Render(FOLIVAR_DEMO_BOOK, "--page 99 -o " + kOut + "/x.png");
  EXPECT_EQ(past.status, 1);
  EXPECT_NE(past.out.find("there is no page 99"), std::string::npos) << past.out;
  for (const std::string& usage : {std::string("--page"), "--page x -o " + kOut + "/x.png",
                                   "--page 4 -o " + kOut + "/x.png --scale 4.5", "--page 4 -o " + kOut + "/x.png --scale",
                                   "--page 4 -o " + kOut + "/x.png --scale 0.4", "--turn 1 --frames " + dir + " --scale 2"}) {
    EXPECT_EQ(Render(FOLIVAR_DEMO_BOOK, usage).status, 2) << usage;
  }
}

}  // namespace
}  // namespace folivar
