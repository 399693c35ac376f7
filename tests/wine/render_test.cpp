// The same pages shown through GDI here and through FreeType in the native build differ only
// where glyphs are rasterised: the item map, the position and advances of every string written
// and every pixel away from the text are identical. The native renderings are made at build time
// by the native folivar-render from the same books: the demo book (code page 1251) and the sample
// book in French, German, Polish, Greek and Russian (a Unicode book).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "book/bookclass.h"
#include "book/loading.h"
#include "core/codepage.h"
#include "tools/folivar-render/rendering.h"

namespace folivar {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Whether (x, y) lies in or next to the cells of a written string (glyphs may overhang their
// cells by a pixel or two).
bool NearText(const TRendering& r, uint32_t x, uint32_t y) {
  constexpr int32_t kSlack = 3;
  for (const TWrittenText& t : r.texts) {
    int32_t width = 0;
    for (int32_t a : t.advances) width += a;
    if (static_cast<int32_t>(x) >= t.x - kSlack && static_cast<int32_t>(x) < t.x + width + kSlack &&
        static_cast<int32_t>(y) >= t.y - kSlack && static_cast<int32_t>(y) < t.y + t.height + kSlack)
      return true;
  }
  return false;
}

// Wine shows the Unix file system as drive Z:.
std::string RenderDir() { return std::string("Z:") + FOLIVAR_RENDER_DIR; }

struct TPage {
  const char* book;       // the book image in the render folder
  const char* renderings; // the native renderings' prefix
  int page;
};

class Rendering : public ::testing::TestWithParam<TPage> {};

TEST_P(Rendering, GdiAndFreeTypeAgreeOutsideTheGlyphs) {
  const int page = GetParam().page;
  const TRendering native = DecodeRendering(ReadFile(
      RenderDir() + "/" + GetParam().renderings + "-" + std::to_string(page) + ".bin"));
  TBook book;
  LoadBook(book, OpenBookImage(RenderDir() + "/" + GetParam().book));
  const TRendering gdi =
      RenderPage(book, page, [](tview& target) { return CreateTextDevice(target); });

  ASSERT_EQ(gdi.width, native.width);
  ASSERT_EQ(gdi.height, native.height);
  EXPECT_TRUE(gdi.items == native.items) << "the item maps differ";

  ASSERT_EQ(gdi.texts.size(), native.texts.size());
  const bool cover = page == 0;  // the cover alone: no text
  ASSERT_EQ(gdi.texts.empty(), cover);
  for (size_t i = 0; i < gdi.texts.size(); ++i) {
    SCOPED_TRACE("string " + std::to_string(i) + " \"" + Utf16ToUtf8(native.texts[i].text) + "\"");
    EXPECT_EQ(gdi.texts[i].text, native.texts[i].text);
    EXPECT_EQ(gdi.texts[i].x, native.texts[i].x);
    EXPECT_EQ(gdi.texts[i].y, native.texts[i].y);
    EXPECT_EQ(gdi.texts[i].height, native.texts[i].height);
    EXPECT_EQ(gdi.texts[i].advances, native.texts[i].advances);
  }

  size_t differing = 0, textPixels = 0, inkedText = 0;
  for (uint32_t y = 0; y < gdi.height; ++y) {
    for (uint32_t x = 0; x < gdi.width; ++x) {
      const size_t at = size_t{y} * gdi.width + x;
      if (NearText(native, x, y)) {
        ++textPixels;
        if (gdi.pixels[at] != native.pixels[at]) ++inkedText;
        continue;
      }
      if (gdi.pixels[at] != native.pixels[at] && ++differing <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << gdi.pixels[at]
                      << " through GDI and " << native.pixels[at] << " natively";
      }
    }
  }
  EXPECT_EQ(differing, 0u);
  // The text itself was drawn by both: the areas are not blank on either side.
  EXPECT_EQ(textPixels > 0, !cover);
  RecordProperty("textPixelsThatDiffer", static_cast<int>(inkedText));
}

// The demo book: the contents (text, page references, a web link), a spread with a glyph picture,
// a picture and links, and the cover. The sample book: its cover, a letter in French, a dialogue
// in German, a poem in Polish, a fable in Greek, and a Russian letter with French passages.
INSTANTIATE_TEST_SUITE_P(
    Books, Rendering,
    ::testing::Values(TPage{"book.bin", "native", 0}, TPage{"book.bin", "native", 1},
                      TPage{"book.bin", "native", 3}, TPage{"samples.bin", "samples", 0},
                      TPage{"samples.bin", "samples", 1}, TPage{"samples.bin", "samples", 2},
                      TPage{"samples.bin", "samples", 3}, TPage{"samples.bin", "samples", 4},
                      TPage{"samples.bin", "samples", 5}));

}  // namespace
}  // namespace folivar
