// make_seeds DIR: writes the seed corpus of the fuzzers with the book writer: small books and
// property tables, binary and text.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "book/paraclasses.h"
#include "book/pictureencode.h"
#include "book/xwlencode.h"
#include "core/bzip.h"

namespace {

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The image without the padding after its style block (whose last bytes may be zero too).
std::string Unpadded(const std::string& image) {
  folivar::TStrFile file(image);
  const auto at = static_cast<size_t>(folivar::WalkBookImage(file).styleBlockOffset);
  uint32_t length = 0;
  for (size_t i = 0; i < 4; ++i) length |= uint32_t{static_cast<uint8_t>(image[at + i])} << (8 * i);
  return image.substr(0, at + 4 + length);
}

// The moves the book fuzzers read after a book: the move bytes, then how many there are.
std::string WithMoves(const std::vector<uint8_t>& moves) {
  std::string bytes(moves.begin(), moves.end());
  bytes += static_cast<char>(moves.size());
  return bytes;
}

// A small spread book with what page drawing meets: a tiled background, a cover, digit pictures
// for the page numbers, a glyph picture, text in several faces and flags, a link, a page
// reference, every alignment, indents and a justified line.
folivar::TBookWriter DrawingBook() {
  using namespace folivar;
  TBookWriter w;
  w.header.title = "Drawing";
  w.header.pageWidth = 120;
  w.header.viewWidth = 240;
  w.header.viewHeight = 160;
  w.header.leftMargin = w.header.topMargin = w.header.rightMargin = 10;
  w.header.bottomMargin = 20;
  w.header.glyphBlend = 100;
  w.header.glyphColour = 0xFFFFFF;
  w.header.spineLine = 1;
  w.header.spineColour = 0x808080;
  const std::vector<uint32_t> paper(16, 0xF0E8D8);
  w.header.backgroundImage = w.AddPicture(0, PackedPictureRecord(4, 4, PackRawPixels(paper.data(), 4, 4)));
  const std::vector<uint32_t> cover(48, 0x336699);
  w.header.coverImage = w.AddPicture(0, PackedPictureRecord(8, 6, EncodeXbm(cover.data(), 8, 6)));
  for (int d = 0; d < 10; ++d) {
    std::vector<uint32_t> digit(12, 0xFFFFFF);
    digit[static_cast<size_t>(d) % 12] = 0;
    const int32_t n = w.AddPicture(4, PackedPictureRecord(3, 4, EncodeXbm(digit.data(), 3, 4, 0xFFFFFF)));
    if (d == 0) w.header.digitImageBase = n;
  }
  w.AddAnchor("second", 2);
  const auto body = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Times New Roman", .size = 10})));
  const auto bold = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .flags = 0x0F, .size = 14, .colour = 0x0000FF})));
  const auto link = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Courier New", .size = 9, .link = "#second"})));
  const auto glyph = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 4, .link = "#second"})));
  std::vector<TLineRecord> lines;
  for (uint8_t align = 0; align < 4; ++align) {
    TLineRecord line;
    line.height = 16;
    line.ascent = 12;
    line.descent = 4;
    line.alignment = align;
    line.leftIndent = align;
    line.rightIndent = 2;
    for (char c : std::string("Ab cd \xC0\xFF")) line.items.push_back({static_cast<uint8_t>(c), align % 2 ? bold : body});
    line.items.push_back({kSpace, body});
    line.items.push_back({'x', link});
    line.items.push_back({0, 4});  // the page reference to anchor 0
    line.items.push_back({static_cast<uint16_t>(w.header.digitImageBase + 3), glyph});
    line.items.push_back({static_cast<uint16_t>(w.header.coverImage), 1});
    lines.push_back(line);
  }
  for (int i = 0; i < 5; ++i) w.AddPage(EncodePageRecord(i == 3 ? 0 : -1, lines));
  return w;
}

// A Unicode book: UTF-8 texts with damaged sequences (cut short, overlong, a surrogate) in the
// title, the messages, an anchor and a face, and item codes of several scripts with the three
// special codes, lone surrogates and the last code unit among them.
folivar::TBookWriter UnicodeBook(folivar::TBookWriter w) {
  using namespace folivar;
  w.SetProperty("encoding", "unicode");
  w.header.title = "T\xC3\xAAte \xC3 \xC0\xAF \xED\xA0\x80 \xCE\xA9";
  w.header.author = "\xD0\x81\xD0";
  w.SetMessages({"ok", "theend", "d\xE9j\xE0", "printingdocumenttitle"},
                {"\xC3\xA9\xC3", "\xF0\x9F\x93\x96 \xF4\x90\x80\x80", "x", "\xE2\x82"});
  w.AddAnchor("\xC3\xA9t\xC3\xA9\xC3", 1);
  const auto face = static_cast<uint16_t>(
      w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Ar\xC3ial", .size = 11, .link = "#\xC3\xA9"})));
  TLineRecord line;
  line.height = 16;
  line.ascent = 12;
  line.descent = 4;
  line.alignment = 3;
  const uint16_t codes[] = {0x54,   0xEA,   0x3A9,  0x401,  0x142,  kSpace, 31,    150,
                            0xD800, 0xDC00, 0xDFFF, 0xFFFD, 0xFFFF, 0x4E66, 0x2014};
  for (const uint16_t code : codes) line.items.push_back({code, face});
  w.AddPage(EncodePageRecord(-1, {line, line}));
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace folivar;
  if (argc != 2) return 2;
  const std::filesystem::path dir = argv[1];

  TBookWriter empty;
  Write(dir / "container" / "empty-book", empty.Build());

  TBookWriter book;
  book.header.title = "Seed";
  book.SetProperty("anime", "frames=1");
  book.SetMessages({"ok", "cancel"}, {"OK", "Cancel"});
  book.AddPicture(15, PackedPictureRecord(2, 2, Bzip(std::string(16, '\x7F'))));
  book.AddPicture(3, WaveletPictureRecord("XWL" + std::string(33, '\0')));
  book.AddAnchor("a", 0);
  book.AddAnchor("", 1);
  const int32_t style = book.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 10}));
  TLineRecord line;
  line.height = 12;
  line.items = {{'H', static_cast<uint16_t>(style)}, {'i', static_cast<uint16_t>(style)}};
  book.AddPage(EncodePageRecord(-1, {line}));
  book.AddPage(EncodePageRecord(0, {line, line}));
  std::string image = book.Build();
  Write(dir / "container" / "small-book", image);
  // Without the padding, so that mutations reach the style block (and no moves).
  const std::string unpadded = Unpadded(image);
  Write(dir / "container" / "small-book-unpadded", unpadded + WithMoves({}));
  // Every kind of move once (forwards, backwards, Home, End, the scroll bar, a link, Back, About,
  // a remembered page), then their count.
  Write(dir / "container" / "small-book-moves", unpadded + WithMoves({0, 1, 2, 3, 4, 0xFC, 5, 6, 7, 0x0F, 3, 1}));
  // Spreads that would begin before page 0 (-1): page 0 must stay a left page.
  TBookWriter early = book;
  early.header.firstSpreadPage = -1;
  early.AddPage(EncodePageRecord(-1, {line}));
  Write(dir / "container" / "early-spreads", Unpadded(early.Build()) + WithMoves({3, 2, 5, 4, 1, 0, 1}));

  Write(dir / "container" / "unicode-book", Unpadded(UnicodeBook(book).Build()) + WithMoves({0, 1, 3, 2, 4, 6, 0}));
  Write(dir / "drawpage" / "unicode-text", Unpadded(UnicodeBook(DrawingBook()).Build()) + WithMoves({0, 0, 3, 1, 2, 5}));

  Write(dir / "drawpage" / "pictures-and-text", Unpadded(DrawingBook().Build()) + WithMoves({0, 0, 3, 1, 2, 5, 4}));
  TBookWriter large = DrawingBook();
  large.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 0x7FFFFFFF}));
  large.header.firstSpreadPage = 0;
  Write(dir / "drawpage" / "huge-font", Unpadded(large.Build()) + WithMoves({}));

  // Picture records of both layouts: raw pixels, both XBM variants, a small wavelet stream.
  const std::vector<uint32_t> pixels = {0xC6C2B6, 0, 0x112233, 0xC6C2B6, 0, 0};
  Write(dir / "xif" / "raw", PackedPictureRecord(3, 2, PackRawPixels(pixels.data(), 3, 2)));
  Write(dir / "xif" / "xbm-palette", PackedPictureRecord(3, 2, EncodeXbm(pixels.data(), 3, 2)));
  const std::vector<uint32_t> glyph = {0xC6C2B6, 0, 0, 0xC6C2B6};
  Write(dir / "xif" / "xbm-single", PackedPictureRecord(2, 2, EncodeXbm(glyph.data(), 2, 2)));
  std::string xwl = "XWL";
  xwl += std::string("\x02\0\x02\0\x08\x01", 6);
  xwl += std::string("\x04\0\0\0", 4) + std::string(8, '\0');
  xwl += std::string("\x02\0\0\0", 4) + std::string(8, '\0');
  xwl += "\x08\x08\x08";
  const double steps[3] = {1.0, 0.5, 0.25};
  xwl.append(reinterpret_cast<const char*>(steps), sizeof steps);
  xwl += std::string("\x22", 1) + "\x40\x20";
  Write(dir / "xif" / "xwl", WaveletPictureRecord(xwl));

  ttable table;
  InitTable(table, {"value"});
  SetValue(table, "locale", "x");
  SetValue(table, "pageturn_animation", "1");
  std::string bytes;
  WriteTable(bytes, table);
  Write(dir / "ttable" / "binary", bytes);
  Write(dir / "ttable" / "text", "a = 1\r\n#x\r\nb=\r\nc = 'q'\n=5\n; comment\n\"n\" = \"v\"\n");
  // Page-turn descriptions: two frames of a curl, and one of a single segment.
  Write(dir / "pageturn" / "curl",
        "framecount=2\r\nduration=500\r\nframe.0=4\r\n0.0=440,100\r\n0.1=730,100\r\n"
        "0.2=771,93\r\n0.3=700,60\r\nframe.1=2\r\n1.0=440,100\r\n1.1=100,100\r\n");
  Write(dir / "pageturn" / "flat", "framecount=1\r\nframe.0=2\r\n0.0=440,100\r\n0.1=100,100\r\n");

  // Wavelet streams from the encoder: grey and colour, odd sizes, a few qualities and levels.
  const struct {
    uint32_t width, height;
    TXwlOptions options;
  } wavelets[] = {{1, 1, {.colour = false}}, {7, 5, {}}, {16, 16, {.colour = false, .quality = 40}},
                  {33, 21, {.quality = 90, .levels = 3}}};
  for (const auto& wave : wavelets) {
    std::vector<uint32_t> picture(size_t{wave.width} * wave.height);
    for (size_t i = 0; i < picture.size(); ++i) {
      picture[i] = static_cast<uint32_t>(i * 0x030507u + (i % 7) * 0x402010u) & 0xFFFFFF;
    }
    Write(dir / "xwl" / (std::to_string(wave.width) + "x" + std::to_string(wave.height)),
          EncodeXwl(picture.data(), wave.width, wave.height, wave.options));
  }
  return 0;
}
