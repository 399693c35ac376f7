// The pictures of the book compiler: PNG, JPEG, GIF and SVG read by what the file holds (the
// inputs made here with the tools' PNG writer and ImageMagick), failures as errors rather than an
// exit, pictures scaled to the text area, the cover to the page, and the digits and cover that a
// book without artwork gets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "images/imageclass.h"
#include "tests/support/testsupport.h"
#include "tools/common/png.h"
#include "tools/make/compiler.h"
#include "tools/make/picturefile.h"
#include "tools/make/picturestore.h"

namespace folivar::make {
namespace {

namespace fs = std::filesystem;

fs::path Dir(const std::string& name) {
  const fs::path dir = fs::path(test::TempDir()) / "pictures" / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A picture of two colours, `top` above `bottom`, written as a PNG.
void Halves(const fs::path& path, uint32_t width, uint32_t height, uint32_t top, uint32_t bottom) {
  std::vector<uint32_t> pixels(size_t{width} * height, bottom);
  std::fill(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(size_t{width} * (height / 2)), top);
  WritePng(path.string(), width, height, pixels);
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift <= 16; shift += 8)
    if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) return false;
  return true;
}

// Each file is named as some other format: the reader goes by the content. A GIF's transparent
// colour and an SVG's empty part are white; the GIF is interlaced, so its rows must come back in order.
TEST(PictureFile, EachFormatIsReadByItsContent) {
  const struct {
    const char* name;
    uint32_t top, bottom;
    const char* convert;  // ImageMagick options and output prefix; "" keeps the PNG
    uint32_t width, height, expectTop, expectBottom;
    int tolerance;
  } cases[] = {
      {"png", 0xFF0000, 0x0000FF, "", 40, 20, 0xFF0000, 0x0000FF, 0},
      {"jpeg", 0xFF0000, 0x0000FF, "-quality 95 jpg:", 40, 20, 0xFF0000, 0x0000FF, 12},
      {"jpeg-grey", 0x202020, 0xE0E0E0, "-colorspace Gray jpg:", 40, 20, 0x202020, 0xE0E0E0, 12},
      {"jpeg-cmyk", 0xFF0000, 0x00A000, "-colorspace CMYK -quality 95 jpg:", 40, 20, 0xFF0000, 0x00A000, 24},
      {"gif", 0xFF0000, 0x0000FF, "-transparent '#0000FF' -interlace GIF gif:", 40, 20, 0xFF0000, 0xFFFFFF,
       0},
  };
  for (const auto& c : cases) {
    const fs::path dir = Dir(c.name), made = dir / "picture.svg";
    Halves(dir / "source.png", c.width, c.height, c.top, c.bottom);
    if (*c.convert) {
      const auto run =
          test::RunCommand("convert " + (dir / "source.png").string() + " " + c.convert + made.string());
      ASSERT_EQ(run.status, 0) << c.name << ": " << run.out;
    } else {
      fs::copy_file(dir / "source.png", made);
    }
    const TPixels p = ReadPictureFile(made.string(), 100);
    ASSERT_EQ(std::vector<uint32_t>({p.width, p.height}), std::vector<uint32_t>({c.width, c.height}))
        << c.name;
    for (uint32_t y : {0u, c.height / 2 - 1, c.height / 2, c.height - 1}) {
      const uint32_t at = p.pixels[size_t{y} * p.width + p.width / 2];
      EXPECT_TRUE(Near(at, y < c.height / 2 ? c.expectTop : c.expectBottom, c.tolerance))
          << c.name << " row " << y << ": " << std::hex << at;
    }
  }
  // An SVG with a size of its own is drawn at it; one with only a viewBox at the fallback width.
  const fs::path dir = Dir("svg");
  const struct {
    const char* size;
    uint32_t width, height;
  } svgs[] = {{"width=\"40\" height=\"20\"", 40, 20}, {"viewBox=\"0 0 80 40\"", 100, 50}};
  for (const auto& s : svgs) {
    Write(dir / "a.png", std::string("<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" ") +
                             s.size + "><rect width=\"100%\" height=\"50%\" fill=\"#FF0000\"/></svg>\n");
    const TPixels p = ReadPictureFile((dir / "a.png").string(), 100);
    ASSERT_EQ(std::vector<uint32_t>({p.width, p.height}), std::vector<uint32_t>({s.width, s.height}))
        << s.size;
    EXPECT_EQ(p.pixels[p.width / 2], 0xFF0000u) << s.size;
    EXPECT_EQ(p.pixels.back(), 0xFFFFFFu) << s.size;
  }
}

// A broken file is an error with a reason, never an exit of the process (libjpeg's own handler
// would exit).
TEST(PictureFile, AFileThatIsNoneOrDoesNotDecodeIsAnError) {
  const fs::path dir = Dir("bad");
  // Noise, so that most of the file is the picture's data rather than its tables.
  ASSERT_EQ(
      test::RunCommand("convert -size 128x128 xc:gray +noise Random " + (dir / "ok.jpg").string()).status, 0);
  std::ifstream in(dir / "ok.jpg", std::ios::binary);
  const std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const struct {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"text", "just some text\n", "not a PNG, JPEG, GIF or SVG"},
      {"png", "\x89PNG\r\n\x1A\nnot really", "PNG"},
      {"jpeg", "\xFF\xD8\xFF\xE0 not really", "JPEG: "},
      {"jpeg-cut", jpeg.substr(0, jpeg.size() / 2), "JPEG: "},
      {"gif", std::string("GIF89a\x02\x00\x02\x00\x00\x00\x00,cut", 17), "GIF: "},
      {"gif-huge", std::string("GIF89a\xFF\xFF\xFF\xFF\x00\x00\x00", 13), "GIF: 65535 x 65535 pixels is more"},
      {"svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\"><rect", "SVG: "},
  };
  for (const auto& c : cases) {
    Write(dir / c.name, c.bytes);
    try {
      ReadPictureFile((dir / c.name).string(), 100);
      ADD_FAILURE() << c.name << " was read";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.name << ": " << e.what();
    }
  }
}

struct TPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

TPicture Stored(int32_t number) {
  TXif& xif = ImageAt(static_cast<uint32_t>(number)).picture;
  xif.Unpack();
  TPicture p{xif.Width(), xif.Height(), {}};
  for (uint32_t y = 0; y < p.height; ++y)
    for (uint32_t x = 0; x < p.width; ++x) p.pixels.push_back(xif.GetPixel(x, y) & 0xFFFFFF);
  return p;
}

// A source of three pages: the text area is 260 x 350, the page 300 x 400.
fs::path Source(const std::string& name, const std::string& pictures) {
  const fs::path dir = Dir(name);
  Write(dir / "book.toml",
        "title = \"A Rather Long Title Over Several Lines\"\nauthor = \"Some Author\"\n"
        "chapters = [\"one.md\"]\n[page]\nwidth = 300\nheight = 400\nspreads = false\n"
        "margins = { left = 20, top = 20, right = 20, bottom = 30 }\n" +
            pictures);
  Write(dir / "one.md", "# One\n\n![wide](wide.gif)\n\n---\n\nTwo.\n\n---\n\nThree.\n");
  Halves(dir / "wide.png", 2000, 1000, 0x00A000, 0xFFFF00);
  EXPECT_EQ(
      test::RunCommand("convert " + (dir / "wide.png").string() + " " + (dir / "wide.gif").string()).status,
      0);
  return dir;
}

std::unique_ptr<TBook> Load(const fs::path& dir) {
  auto book = std::make_unique<TBook>();
  LoadBook(*book,
           OpenBookImage(test::WriteTempFile(dir.filename().string() + ".bin", CompileBook(dir.string()))));
  return book;
}

// Each use has its room: the text area (or a narrower measure) for a picture in the text, the page
// for the cover, none for the background and digits.
TEST(PictureStore, EachUseIsScaledToItsRoom) {
  const fs::path dir = Dir("store");
  Halves(dir / "wide.png", 600, 300, 0x00A000, 0xFFFF00);
  TBookWriter writer;
  TMeasure measure(writer);
  TPictureStore store(measure, dir.string(), {260, 350, 300, 400});
  const struct {
    TPictureStore::Use use;
    int32_t width, expectWidth, expectHeight;
  } cases[] = {{TPictureStore::kInline, 0, 260, 130},
               {TPictureStore::kBlock, 100, 100, 50},
               {TPictureStore::kCover, 0, 300, 400},
               {TPictureStore::kWhole, 0, 600, 300}};
  for (const auto& c : cases) {
    const TStoredPicture p = store.Load("wide.png", {}, c.use, "one.md", 1, c.width);
    EXPECT_EQ(std::vector<int32_t>({p.width, p.height}),
              std::vector<int32_t>({c.expectWidth, c.expectHeight}))
        << int(c.use);
  }
}

// A book without artwork: digits drawn from the text face, as high as each other and each one
// different, and a cover of the page's size with the title set in its upper third; a picture
// wider than the text area comes down to its width with its proportions.
TEST(MakePictures, ABookWithoutArtworkGetsDigitsAndACover) {
  const std::unique_ptr<TBook> book = Load(Source("plain", ""));
  const TBookHeader& h = book->header;
  ASSERT_GE(h.digitImageBase, 0);
  std::set<std::vector<uint32_t>> shapes;
  for (int d = 0; d < 10; ++d) {
    const TPicture digit = Stored(h.digitImageBase + d);
    EXPECT_EQ(digit.height, Stored(h.digitImageBase).height);
    EXPECT_TRUE(digit.height >= 6 && digit.height <= 15) << digit.height;
    shapes.insert(digit.pixels);
  }
  EXPECT_EQ(shapes.size(), 10u);
  ASSERT_GE(h.coverImage, 0);
  const TPicture cover = Stored(h.coverImage);
  ASSERT_EQ(std::vector<uint32_t>({cover.width, cover.height}), std::vector<uint32_t>({300, 400}));
  size_t upper = 0, lower = 0, rows = 0;
  for (size_t i = 0; i < cover.pixels.size(); ++i)
    (i / 300 < 400 / 3 ? upper : lower) += cover.pixels[i] != cover.pixels[0] ? 1 : 0;
  for (uint32_t y = 0; y < 400 / 3; ++y)
    rows += std::count(cover.pixels.begin() + y * 300, cover.pixels.begin() + y * 300 + 300, 0x103050u) > 0;
  EXPECT_GT(upper, 1500u);  // the title, in heading1's colour over two lines at least
  EXPECT_GT(rows, 40u);
  EXPECT_GT(lower, 100u);  // the author
  TPage& page = *book->pages[1];
  page.DecodePage(&book->substitute, *book->source);
  int32_t number = -1;
  for (const auto& line : page.lines)
    for (const TViewItem& item : line->items)
      if (item.Kind() == kKindImage) number = item.Code();
  ASSERT_GE(number, 0);
  const TPicture wide = Stored(number);
  EXPECT_EQ(wide.width, 260u);
  EXPECT_NEAR(wide.height, 130u, 1u);
  EXPECT_TRUE(Near(wide.pixels[10 * 260 + 130], 0x00A000, 2) && Near(wide.pixels.back(), 0xFFFF00, 2));
}

// The cover is scaled to cover the page and cropped around its centre.
TEST(MakePictures, TheCoverCoversThePage) {
  const fs::path dir = Source("covered", "[pictures]\ncover = \"cover.png\"\n");
  std::vector<uint32_t> art(100 * 50, 0xFF0000);
  for (uint32_t y = 20; y < 30; ++y)
    for (uint32_t x = 45; x < 55; ++x) art[y * 100 + x] = 0x0000FF;
  WritePng((dir / "cover.png").string(), 100, 50, art);
  const std::unique_ptr<TBook> book = Load(dir);
  const TPicture cover = Stored(book->header.coverImage);
  ASSERT_EQ(std::vector<uint32_t>({cover.width, cover.height}), std::vector<uint32_t>({300, 400}));
  EXPECT_TRUE(Near(cover.pixels[200 * 300 + 150], 0x0000FF, 4));
  EXPECT_TRUE(Near(cover.pixels[200 * 300 + 10], 0xFF0000, 4));  // the sides cut away, the red kept
}

// The reader draws the page numbers from the digits at the foot of the page; `digits = "none"`
// leaves them out.
TEST(MakePictures, ThePageNumbersAreDrawn) {
  for (const char* digits : {"", "[pictures]\ndigits = \"none\"\n"}) {
    const fs::path dir = Source(*digits ? "unnumbered" : "numbered", digits);
    const std::string book = test::WriteTempFile(dir.filename().string() + ".bin", CompileBook(dir.string()));
    const std::string png = (dir / "page.png").string();
    ASSERT_EQ(test::RunCommand(std::string(FOLIVAR_RENDER_EXE) + " " + book + " --page 2 -o " + png).status,
              0);
    uint32_t width = 0, height = 0;
    const std::vector<uint32_t> pixels = ReadPng(png, width, height);
    size_t inked = 0;
    for (uint32_t y = height - 30; y < height - 1; ++y)
      for (uint32_t x = 1; x + 1 < width; ++x) inked += pixels[size_t{y} * width + x] != 0xFFFFFF;
    EXPECT_EQ(inked > 10, !*digits) << inked;
  }
}

}  // namespace
}  // namespace folivar::make
