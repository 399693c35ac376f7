#include "tools/demobook/demobook.h"

#include <string_view>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "book/pictureencode.h"
#include "book/xwlencode.h"
#include "tools/demobook/demopictures.h"
#include "tools/make/pagecurl.h"

namespace folivar {

namespace {

// Lays words into left-aligned or justified lines with a rough fixed advance; the reader measures
// every line again before drawing it, so the stored widths need not be exact.
class TPageBuilder {
 public:
  TPageBuilder(int32_t textWidth, int32_t pageHeight) : textWidth_(textWidth), room_(pageHeight) {}

  void Paragraph(std::string_view text, uint16_t style, int32_t advance, int32_t ascent,
                 int32_t descent, uint8_t alignment) {
    TLineRecord line = NewLine(ascent, descent, alignment);
    int32_t width = 0;
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find(' ', at);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view word = text.substr(at, end - at);
      const int32_t wordWidth = advance * static_cast<int32_t>(word.size());
      if (width > 0 && width + advance + wordWidth > textWidth_) {
        Finish(line, width);
        line = NewLine(ascent, descent, alignment);
        width = 0;
      }
      if (width > 0) {
        line.items.push_back({32, style});
        width += advance;
      }
      for (char c : word) line.items.push_back({static_cast<uint8_t>(c), style});
      width += wordWidth;
      at = end + 1;
    }
    // The last line of a justified paragraph is not widened.
    if (line.alignment == 0) line.alignment = 1;
    Finish(line, width);
    Space(descent);
  }

  // A left-aligned line: the text, a space and the page of anchor number `anchor`.
  void Reference(std::string_view text, uint16_t style, uint16_t anchor, int32_t advance,
                 int32_t ascent, int32_t descent) {
    TLineRecord line = NewLine(ascent, descent, 1);
    for (char c : text) line.items.push_back({static_cast<uint8_t>(c), style});
    line.items.push_back({32, style});
    line.items.push_back({anchor, static_cast<uint16_t>(kPageReferenceStyle)});
    Finish(line, advance * static_cast<int32_t>(text.size() + 5));
  }

  // A heading line that begins with a glyph picture.
  void Glyph(uint16_t picture, uint16_t glyphStyle, std::string_view text, uint16_t style,
             int32_t advance, int32_t ascent, int32_t descent) {
    TLineRecord line = NewLine(ascent, descent, 1);
    line.items.push_back({picture, glyphStyle});
    line.items.push_back({32, style});
    for (char c : text) line.items.push_back({static_cast<uint8_t>(c), style});
    Finish(line, 18 + advance * static_cast<int32_t>(text.size() + 1));
    Space(descent);
  }

  // A line holding one picture of the given height, standing on the baseline.
  void Picture(uint16_t picture, int32_t height, uint8_t alignment) {
    TLineRecord line = NewLine(height, 6, alignment);
    line.items.push_back({picture, 1});
    Finish(line, 0);
  }

  void Space(int32_t height) {
    TLineRecord gap;
    gap.height = height;
    gap.descent = height;
    gap.alignment = 1;
    lines_.push_back(gap);
    room_ -= height;
  }

  std::string Record() const { return EncodePageRecord(-1, lines_); }

 private:
  static TLineRecord NewLine(int32_t ascent, int32_t descent, uint8_t alignment) {
    TLineRecord line;
    line.ascent = ascent;
    line.descent = descent;
    line.height = ascent + descent;
    line.alignment = alignment;
    return line;
  }

  void Finish(TLineRecord& line, int32_t width) {
    line.width = width;
    room_ -= line.height;
    lines_.push_back(std::move(line));
  }

  int32_t textWidth_;
  int32_t room_;
  std::vector<TLineRecord> lines_;
};

}  // namespace

TBookWriter MakeDemoBook() {
  TBookWriter book;
  TBookHeader& h = book.header;
  h.title = "Folivar";
  h.author = "The Folivar team";
  h.publisher = "folivar.example";
  h.edition = "2026";
  h.printEnabled = 1;
  h.spineLine = 1;
  h.spineColour = 0x00B6C2C6;
  // Glyph pictures are drawn with white left out.
  h.glyphBlend = 0;
  h.glyphColour = 0x00FFFFFF;

  const TDemoPicture cover = DemoCover(static_cast<uint32_t>(h.pageWidth), static_cast<uint32_t>(h.viewHeight));
  h.coverImage = book.AddPicture(0, WaveletPictureRecord(EncodeXwl(cover.pixels.data(), cover.width, cover.height)));
  for (int d = 0; d < 10; ++d) {
    const TDemoPicture digit = DemoDigit(d);
    const int32_t n = book.AddPicture(static_cast<int32_t>(digit.height),
                                      PackedPictureRecord(digit.width, digit.height,
                                                          EncodeXbm(digit.pixels.data(), digit.width, digit.height, 0xFFFFFF)));
    if (d == 0) h.digitImageBase = n;
  }
  const TDemoPicture leaf = DemoLeaf(18, 0xFFFFFF);
  const auto leafPicture = static_cast<uint16_t>(book.AddPicture(
      15, PackedPictureRecord(leaf.width, leaf.height, EncodeXbm(leaf.pixels.data(), leaf.width, leaf.height, 0xFFFFFF))));
  const TDemoPicture landscape = DemoLandscape(320, 140);
  const auto landscapePicture = static_cast<uint16_t>(book.AddPicture(
      140, WaveletPictureRecord(EncodeXwl(landscape.pixels.data(), landscape.width, landscape.height))));

  const int32_t body = book.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Times New Roman", .size = 12}));
  const int32_t heading = book.AddStyle(
      EncodeStyleRecord({.kind = 1, .faceName = "Arial", .flags = 1, .size = 16, .colour = 0x00503010}));
  const int32_t link = book.AddStyle(EncodeStyleRecord(
      {.kind = 1, .faceName = "Times New Roman", .flags = 4, .size = 12, .colour = 0x00C00000, .link = "#contents"}));
  const int32_t web = book.AddStyle(EncodeStyleRecord(
      {.kind = 1, .faceName = "Arial", .flags = 4, .size = 10, .colour = 0x00A04000, .link = "https://folivar.example/"}));
  const int32_t glyph = book.AddStyle(EncodeStyleRecord({.kind = 4}));

  const int32_t textWidth = h.pageWidth - h.leftMargin - h.rightMargin;
  const int32_t textHeight = h.viewHeight - h.topMargin - h.bottomMargin;
  auto B = [](int32_t style) { return static_cast<uint16_t>(style); };

  // Page 0 shows the cover alone.
  book.AddPage(EncodePageRecord(-1, {}));

  const std::string_view chapters[][2] = {
      {"Folivar", "A book that carries its own reader. Turn the pages with the corners of the "
                  "window, the arrow keys or the wheel of the mouse."},
      {"Reading", "Click the bottom right corner to turn forward and the bottom left corner to "
                  "turn back. Hold the corner to keep turning. Backspace returns from a link."},
      {"Printing", "The print button sends the pages you choose to the printer, one page or a "
                   "spread of two on each sheet, in the shape of the book."},
  };
  const char* const anchors[] = {"folivar", "reading", "printing"};

  // The contents: each chapter with its page, through page references to the anchors.
  TPageBuilder contents(textWidth, textHeight);
  contents.Paragraph("Contents", B(heading), 11, 15, 5, 1);
  contents.Space(10);
  for (int c = 0; c < 3; ++c) {
    contents.Reference(chapters[c][0], B(body), static_cast<uint16_t>(c + 1), 7, 12, 4);
  }
  contents.Space(10);
  contents.Paragraph("This demo book shows how pages, styles, pictures and anchors come "
                     "together. The book compiler will soon make real books from plain text.",
                     B(body), 7, 12, 4, 0);
  contents.Paragraph("Visit folivar.example", B(web), 6, 11, 3, 1);
  book.AddPage(contents.Record());

  for (int c = 0; c < 3; ++c) {
    TPageBuilder page(textWidth, textHeight);
    page.Glyph(leafPicture, B(glyph), chapters[c][0], B(heading), 11, 15, 5);
    page.Space(10);
    for (int i = 0; i < 3; ++i) page.Paragraph(chapters[c][1], B(body), 7, 12, 4, 0);
    if (c == 1) page.Picture(landscapePicture, 140, kAlignCentre);
    page.Paragraph("Back to the contents", B(link), 7, 12, 4, 1);
    book.AddPage(page.Record());
  }
  book.AddAnchor("contents", 1);
  for (int c = 0; c < 3; ++c) book.AddAnchor(anchors[c], c + 2);

  TPageBuilder missing(textWidth, textHeight);
  missing.Paragraph("This page could not be read.", B(body), 7, 12, 4, 2);
  book.SetSubstitutePage(missing.Record());

  book.SetProperty("pageturn_animation", "1");
  book.SetProperty("anime", MakePageCurlText());
  // Every text the reader shows, in English. Keys are looked up in lower case; the caption lists
  // name the buttons that Enter, Escape, Y and N choose.
  book.SetMessages({"ok", "information", "publisher", "about", "theend", "printingdocumenttitle",
                    "printingcompleted", "congratulations", "congratulations2", "continue",
                    "WasPresses_enter", "WasPresses_esc", "WasPresses_y", "WasPresses_n"},
                   {"OK", "Book information", "Publisher", "About", "This is the end of the book.",
                    "Folivar", "The pages have gone to the printer.",
                    "Welcome to Folivar. Turn the pages with the corners of the window, the arrow "
                    "keys or the mouse wheel.",
                    "Welcome", "Continue", "OK:CONTINUE:YES:", "CANCEL:NO:", "YES:", "NO:"});
  return book;
}

}  // namespace folivar
