// The same pages shown through GDI here and through FreeType in the native build differ only
// where glyphs are rasterised: the item map, the position and advances of every string written
// and every pixel away from the text are identical. The native renderings are made at build time
// by the native folivar-render from the same books: the demo book (code page 1251) and the sample
// book in French, German, Polish, Greek and Russian (a Unicode book). Each is compared at scale 1
// and at the screen's other common scales, where both draw with fonts of the height scaled.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
// cells by a pixel or two at scale 1, proportionally more at larger scales).
bool NearText(const TRendering& r, double scale, uint32_t x, uint32_t y) {
  const auto kSlack = static_cast<int32_t>(std::ceil(3 * scale));
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
  const char* scale;  // as given to folivar-render --scale; "1" for the renderings without it
};

// The native rendering's file: PREFIX-PAGE.bin, at another scale PREFIX-PAGE-at-SCALE.bin.
std::string RenderingName(const TPage& p) {
  std::string name = std::string(p.renderings) + "-" + std::to_string(p.page);
  if (std::string(p.scale) != "1") name += std::string("-at-") + p.scale;
  return name + ".bin";
}

// The test's name: the rendering's name with letters, digits and underscores (native_1_at_1_25).
std::string CaseName(const ::testing::TestParamInfo<TPage>& info) {
  std::string name = RenderingName(info.param);
  name.resize(name.size() - 4);
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

class Rendering : public ::testing::TestWithParam<TPage> {};

TEST_P(Rendering, GdiAndFreeTypeAgreeOutsideTheGlyphs) {
  const int page = GetParam().page;
  const double scale = std::stod(GetParam().scale);
  const TRendering native = DecodeRendering(ReadFile(RenderDir() + "/" + RenderingName(GetParam())));
  TBook book;
  LoadBook(book, OpenBookImage(RenderDir() + "/" + GetParam().book));
  const TRendering gdi =
      RenderPage(book, page, [](tview& target) { return CreateTextDevice(target); }, scale);

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
      if (NearText(native, scale, x, y)) {
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
    ::testing::Values(TPage{"book.bin", "native", 0, "1"}, TPage{"book.bin", "native", 1, "1"},
                      TPage{"book.bin", "native", 3, "1"}, TPage{"samples.bin", "samples", 0, "1"},
                      TPage{"samples.bin", "samples", 1, "1"}, TPage{"samples.bin", "samples", 2, "1"},
                      TPage{"samples.bin", "samples", 3, "1"}, TPage{"samples.bin", "samples", 4, "1"},
                      TPage{"samples.bin", "samples", 5, "1"}),
    CaseName);

// The demo book's three pages and the Russian letter with French passages at the other scales.
INSTANTIATE_TEST_SUITE_P(
    Scaled, Rendering,
    ::testing::ValuesIn([] {
      std::vector<TPage> pages;
      for (const char* scale : {"1.25", "1.5", "2"}) {
        for (int page : {0, 1, 3}) pages.push_back(TPage{"book.bin", "native", page, scale});
        pages.push_back(TPage{"samples.bin", "samples", 5, scale});
      }
      return pages;
    }()),
    CaseName);

}  // namespace
}  // namespace folivar
