// Page drawing on a surface with the recording test device: line placement and alignment,
// justification, runs of characters, pictures, page references and the item map.
#include "display/drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/paraclasses.h"
#include "book/pictureencode.h"
#include "core/codepage.h"
#include "display/anchorz.h"
#include "images/imageclass.h"
#include "reader/pagedisplay.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

constexpr uint32_t kBlack = 0;
constexpr uint32_t kWhite = 0xFFFFFF;

std::string SolidPicture(uint32_t w, uint32_t h, uint32_t colour) {
  std::vector<uint32_t> pixels(size_t{w} * h, colour);
  return PackedPictureRecord(w, h, PackRawPixels(pixels.data(), w, h));
}

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    // The styles and pictures come from a book, as in the reader.
    TBookWriter w;
    text_ = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
    bold_ = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .flags = 1, .size = 12, .colour = 0x0000FF})));
    linkPicture_ = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 2, .link = "#a"})));
    glyphLink_ = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 4, .link = "http://x"})));
    narrow_ = static_cast<uint16_t>(w.AddPicture(10, SolidPicture(19, 10, kWhite)));
    wide_ = static_cast<uint16_t>(w.AddPicture(10, SolidPicture(20, 10, kWhite)));
    w.AddAnchor("a", 7);
    w.AddPage(EncodePageRecord(-1, {}));
    image_ = w.Build();
    LoadBook(book_, std::make_unique<TPtrFile>(image_.data(), static_cast<int32_t>(image_.size())));

    surface_ = test::MakeTestSurface(200, 100, device_);
    surface_->Bitmap().Fill(kBlack);
    surface_->SetItemMap(std::make_unique<T2D>(200, 100));
    surface_->ItemMap()->Clear();
    SetCurrentSurface(surface_.get());
  }
  void TearDown() override {
    SetCurrentSurface(nullptr);
    FreeImages();
    ClearAnchors();
    ResetStyles();
  }

  // A line of text in one style; 12 points gives 16 pixels (ascent 12) and 6 + code % 3 wide.
  TLine Line(const std::string& text, uint8_t alignment, uint16_t style = 0) {
    TLine line(alignment);
    line.height = 16;
    line.ascent = 12;
    line.descent = 4;
    for (char c : text) line.items.emplace_back(static_cast<uint8_t>(c), style ? style : text_);
    return line;
  }
  // Draws one line at the top of the surface and gives the calls that wrote text for it.
  std::vector<test::TDeviceCall> Draw(TLine& line, int32_t left, int32_t width) {
    device_->calls.clear();
    int32_t y = 0;
    DrawLine(left, line, y, width);
    return device_->Writes();
  }
  int32_t Width(const std::string& text) {
    int32_t w = 0;
    for (char c : text) w += 6 + static_cast<uint8_t>(c) % 3;
    return w;
  }

  TBook book_;
  std::string image_;
  std::unique_ptr<TSurface> surface_;
  test::TTestTextDevice* device_ = nullptr;
  uint16_t text_ = 0, bold_ = 0, linkPicture_ = 0, glyphLink_ = 0, narrow_ = 0, wide_ = 0;
};

TEST_F(Drawing, LinesStopAtTheBottomMargin) {
  TPage page;
  page.lines.push_back(std::make_unique<TLine>(Line("ab", kAlignLeft)));
  page.lines.push_back(std::make_unique<TLine>(Line("cd", kAlignLeft)));
  // The surface is 100 high; lines are 16.
  struct Case {
    int32_t top, bottom;
    std::vector<std::u16string> written;
  };
  const Case cases[] = {
      {10, 60, {u"ab"}},        // the second line would end at 42, two below 100 - 60
      {24, 60, {u"ab"}},        // the first ends exactly at 40
      {25, 60, {}},            // one pixel more: not even the first
      {8, 60, {u"ab", u"cd"}},   // the second ends exactly at 40
      {84, 0, {u"ab"}},         // exactly at the surface's bottom
      {85, 0, {}},
  };
  for (const Case& c : cases) {
    device_->calls.clear();
    DrawPage(5, c.top, &page, 150, c.bottom);
    std::vector<std::u16string> written;
    for (const test::TDeviceCall& w : device_->Writes()) written.push_back(w.text);
    EXPECT_EQ(written, c.written) << "top " << c.top << ", bottom " << c.bottom;
  }
  // The cell's top is the line's top: baseline 22 less the ascent 12.
  DrawPage(5, 10, &page, 150, 60);
  EXPECT_EQ(device_->Writes().back().x, 5);
  EXPECT_EQ(device_->Writes().back().y, 10);
  EXPECT_EQ(page.lines[0]->top, 10);

  device_->calls.clear();
  DrawPage(5, 10, nullptr, 150, 0);
  TPage empty;
  DrawPage(5, 10, &empty, 150, 0);
  EXPECT_TRUE(device_->Writes().empty());
}

TEST_F(Drawing, JustificationWidensSpacesPassAfterPass) {
  TLine line = Line("a b", kJustify);
  int32_t y = 0;
  // Natural width 7 + 8 + 8 = 23; three spare pixels go to the one space.
  DrawLine(0, line, y, 26);
  EXPECT_EQ(y, 16);
  EXPECT_EQ(device_->Writes().at(0).advances, (std::vector<int32_t>{7, 11, 8}));
  // Drawn again, the widened width is the natural width: nothing more is added.
  Draw(line, 0, 26);
  EXPECT_EQ(line.items[1].MeasuredWidth(), 11);

  TLine capped = Line("a b", kJustify);
  capped.items[1].SetMeasuredWidth(126);
  Justify(capped, 3);
  EXPECT_EQ(capped.items[1].MeasuredWidth(), 127);

  TLine spaces = Line("a  b", kJustify);  // 7 + 8 + 8 + 8 = 31
  Justify(spaces, 5);
  EXPECT_EQ(spaces.items[1].MeasuredWidth(), 11);
  EXPECT_EQ(spaces.items[2].MeasuredWidth(), 10);

  TLine none = Line("ab", kJustify);  // as a left-aligned line
  const auto w = Draw(none, 3, 100).at(0);
  EXPECT_EQ(w.x, 3);
  EXPECT_EQ(w.advances, (std::vector<int32_t>{7, 8}));
}

// At a scale the line is laid out and justified in book pixels as at scale 1; the drawing device
// gets the run at the device positions: a justified line ends on the scaled right margin.
TEST_F(Drawing, AtAScaleJustifiedLinesEndOnTheScaledMargin) {
  for (double scale : {1.25, 1.5, 2.0}) {
    SCOPED_TRACE(scale);
    std::vector<test::TTestTextDevice*> devices;
    TSurface scaled(200, 100, scale, [&devices](tview& target) {
      auto d = std::make_unique<test::TTestTextDevice>(&target);
      devices.push_back(d.get());
      return d;
    });
    SetCurrentSurface(&scaled);
    TLine line = Line("ab cab ba c", kJustify);
    int32_t y = 3;
    DrawLine(7, line, y, 101);
    EXPECT_EQ(y, 3 + 16);
    const test::TDeviceCall run = devices[0]->Writes().at(0);
    int32_t end = run.x;
    for (int32_t a : run.advances) end += a;
    EXPECT_EQ(run.x, std::lround(7 * scale));
    EXPECT_EQ(end, std::lround((7 + 101) * scale));
    // The spaces took the same pixels as at scale 1.
    int32_t bookWidth = 0;
    for (TViewItem& item : line.items) bookWidth += item.Width();
    EXPECT_EQ(bookWidth, 101);
  }
}

TEST_F(Drawing, AlignmentsPlaceTheLine) {
  // 13 x "c" (6) + "a" (7) + "b" (8) + "b" (8) = 101; centred in 200: (200 - 101) / 2 = 49.
  const std::string text = std::string(13, 'c') + "abb";
  ASSERT_EQ(Width(text), 101);
  TLine centred = Line(text, kAlignCentre);
  EXPECT_EQ(Draw(centred, 10, 200).at(0).x, 10 + 49);
  // A trailing space is not part of the natural width: the "b" ends at the right edge.
  TLine right = Line("ab ", kAlignRight);
  right.leftIndent = 4;
  const test::TDeviceCall w = Draw(right, 10, 100).at(0);
  EXPECT_EQ(w.x + w.advances[0] + w.advances[1], 10 + 4 + 100);
  EXPECT_EQ(right.width, 15);
  TLine odd = Line("ab", 9);  // an unknown alignment is drawn as left
  EXPECT_EQ(Draw(odd, 10, 100).at(0).x, 10);
}

TEST_F(Drawing, RunsOfOneStyleAreOneCall) {
  TLine line = Line("abc", kAlignLeft);
  line.items.emplace_back('d', bold_);
  const auto writes = Draw(line, 0, 200);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].text, u"abc");
  EXPECT_EQ(writes[1].text, u"d");
  EXPECT_EQ(writes[1].x, Width("abc"));
  EXPECT_EQ(writes[1].font.weight, 700);
  EXPECT_EQ(writes[1].colour, 0x0000FFu);  // COLORREF red

  // A picture inside the run: still one call, the picture carried by the advance before it.
  TLine split = Line("ab", kAlignLeft);
  split.items.insert(split.items.begin() + 1, TViewItem(wide_, 1));
  const auto one = Draw(split, 0, 200);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].advances, (std::vector<int32_t>{7 + 20, 8}));

  // 300 characters "c" of 6 pixels on a wide surface: 256 in one call, the rest in the next.
  surface_ = test::MakeTestSurface(2000, 30, device_);
  SetCurrentSurface(surface_.get());
  TLine longLine = Line(std::string(300, 'c'), kAlignLeft);
  const auto two = Draw(longLine, 0, 2000);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].text.size(), 256u);
  EXPECT_EQ(two[1].text.size(), 44u);
  EXPECT_EQ(two[1].x, 256 * 6);
}

TEST_F(Drawing, ItemsPastTheRightEdgeAreSkipped) {
  TLine line = Line("abc", kAlignLeft);
  line.items.emplace_back(narrow_, linkPicture_);
  int32_t x = 195;
  for (TViewItem& item : line.items) DrawItem(item, x, 20);
  FlushRun();
  // "a" (7) starts inside and is drawn; from x = 202 on nothing moves x or is marked.
  EXPECT_EQ(x, 202);
  ASSERT_EQ(device_->Writes().size(), 1u);
  EXPECT_EQ(device_->Writes()[0].text, u"a");
  for (int32_t px = 0; px < 200; ++px) EXPECT_EQ(surface_->ItemMap()->ItemAt(px, 15), nullptr);
}

TEST_F(Drawing, PageReferencesShowTheAnchorsPage) {
  // The reference is written in whatever font is selected: select the text style first.
  surface_->SelectStyle(text_);
  TViewItem reference(0, kPageReferenceStyle);  // anchor "a" on page 7
  int32_t x = 10;
  DrawItem(reference, x, 40);
  ASSERT_EQ(device_->Writes().size(), 1u);
  EXPECT_EQ(device_->Writes()[0].text, u"7");
  EXPECT_EQ(device_->Writes()[0].kind, test::TDeviceCall::kText);
  // The number's cell hangs from the selected font's ascent (12) above the baseline.
  EXPECT_EQ(device_->Writes()[0].x, 10);
  EXPECT_EQ(device_->Writes()[0].y, 40 - 12);
  EXPECT_EQ(x, 10 + Width("0000"));
  // Marked from the cell's top-left to its bottom-right corner, both included.
  EXPECT_EQ(surface_->ItemMap()->ItemAt(10, 28), &reference);
  EXPECT_EQ(surface_->ItemMap()->ItemAt(10 + Width("0000"), 28 + 16), &reference);
  EXPECT_EQ(surface_->ItemMap()->ItemAt(10, 27), nullptr);
  EXPECT_EQ(surface_->ItemMap()->ItemAt(11 + Width("0000"), 40), nullptr);

  // No anchor 5: nothing written, nothing marked, the space is kept.
  TViewItem stray(5, kPageReferenceStyle);
  x = 100;
  DrawItem(stray, x, 40);
  EXPECT_EQ(device_->Writes().size(), 1u);
  EXPECT_EQ(x, 100 + Width("0000"));
  EXPECT_EQ(surface_->ItemMap()->ItemAt(100, 40), nullptr);
}

TEST_F(Drawing, SmallLinkPicturesAreBlended) {
  // White pictures on black; blended with weight 0, white is the key colour and stays out.
  surface_->pictureBlend = 0;
  surface_->keyColour = kWhite;
  TViewItem narrow(narrow_, linkPicture_);
  TViewItem wide(wide_, linkPicture_);
  TViewItem plainNarrow(narrow_, 1);
  int32_t x = 0;
  DrawItem(narrow, x, 10);  // top = 10 - 10 = 0
  EXPECT_EQ(x, 19);
  EXPECT_EQ(surface_->PixelAt(5, 5), kBlack);
  DrawItem(wide, x, 10);
  EXPECT_EQ(x, 39);
  EXPECT_EQ(surface_->PixelAt(25, 5), kWhite);
  DrawItem(plainNarrow, x, 10);  // not a link: opaque
  EXPECT_EQ(surface_->PixelAt(45, 5), kWhite);
  // Link pictures are marked over their whole rectangle, corners included.
  EXPECT_EQ(surface_->ItemMap()->ItemAt(0, 0), &narrow);
  EXPECT_EQ(surface_->ItemMap()->ItemAt(19, 10), &wide);  // wide was marked after narrow
  EXPECT_EQ(surface_->ItemMap()->ItemAt(39, 10), &wide);
  EXPECT_EQ(surface_->ItemMap()->ItemAt(45, 5), nullptr);
}

TEST_F(Drawing, GlyphPicturesWithFullBlendAreOnlyMarked) {
  surface_->pictureBlend = 255;
  surface_->keyColour = 0x123456;
  TViewItem glyph(wide_, glyphLink_);
  int32_t x = 50;
  DrawItem(glyph, x, 30);
  EXPECT_EQ(x, 70);
  EXPECT_EQ(surface_->PixelAt(55, 25), kBlack);
  EXPECT_EQ(surface_->ItemMap()->ItemAt(55, 25), &glyph);
  // With weight 0 it is drawn.
  surface_->pictureBlend = 0;
  DrawItem(glyph, x, 30);
  EXPECT_EQ(surface_->PixelAt(75, 25), kWhite);
}

TEST_F(Drawing, FixedAndZeroWidthSpaces) {
  TLine line = Line("a", kAlignLeft);
  line.items.emplace_back(kFixedSpace, text_);
  line.items.emplace_back(kZeroWidth, text_);
  line.items.emplace_back('b', text_);
  const auto writes = Draw(line, 0, 200);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].text, u"ab");
  EXPECT_EQ(writes[0].advances[0], 7 + Width(" "));
}

// The reader's page surface as the page display prepares it for drawing: a single page of
// 100 x 80 (margins 10, bottom 20) with blue as the book's glyph colour; page 0 has a link where
// page 2 has plain text, and page 2 has its number in digit pictures whose left column is blue.
TEST(PageSurface, TheItemMapIsClearedAndTheKeyColourIsTheBooks) {
  constexpr uint32_t kBlue = 0x0000FF;
  TBookWriter w;
  w.header.pageWidth = w.header.viewWidth = 100;
  w.header.viewHeight = 80;
  w.header.leftMargin = w.header.topMargin = w.header.rightMargin = 10;
  w.header.bottomMargin = 20;
  w.header.digitImageBase = 0;
  w.header.glyphBlend = 0;
  w.header.glyphColour = kBlue;
  for (uint32_t d = 0; d < 10; ++d) {
    std::vector<uint32_t> digit(4 * 6, 0x100 + d);
    for (size_t row = 0; row < 6; ++row) digit[row * 4] = kBlue;
    w.AddPicture(6, PackedPictureRecord(4, 6, PackRawPixels(digit.data(), 4, 6)));
  }
  const auto plain = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
  const auto link = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12, .link = "#a"})));
  for (uint16_t style : {link, plain, plain}) {
    w.AddPage(EncodePageRecord(-1, {{.height = 16, .ascent = 12, .descent = 4, .alignment = 1,
                                     .items = {{'x', style}}}}));
  }
  w.AddAnchor("a", 2);
  std::string image = w.Build();
  TBook book;
  LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
  {
    TPageDisplay display(book, [](tview& target) { return std::make_unique<test::TTestTextDevice>(&target); });
    display.Show();
    EXPECT_NE(display.Surface().ItemMap()->ItemAt(12, 12), nullptr);
    book.GoToPage(2);
    ASSERT_EQ(display.FitWidth(), 0);  // the same surface and item map
    display.Show();
    EXPECT_EQ(display.Surface().ItemMap()->ItemAt(12, 12), nullptr);
    // The "2" centred on the baseline 80 - 20 / 2: its blue column shows the white background.
    EXPECT_EQ(display.Surface().PixelAt(48, 65), 0xFFFFFFu);
    EXPECT_EQ(display.Surface().PixelAt(49, 65), 0x102u);
  }
  FreeImages();
  ClearAnchors();
  ResetStyles();
}

// A Unicode book's items are UTF-16 code units, drawn with the platform's own device: a line of
// them at (2, 0) shows what the device writes for the same string there, and Cyrillic shows
// exactly as from a code page 1251 book. Damaged codes (surrogates, a noncharacter) are the
// font's missing glyph, as a control character is.
TEST(UnicodeDrawing, CodeUnitsShowAsTheDeviceWritesThem) {
  uint16_t style = 0;
  const auto draw = [&](const std::vector<uint16_t>& codes, bool unicode, std::u16string_view text) {
    TBookWriter w;
    if (unicode) w.SetProperty("encoding", "unicode");
    style = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
    w.AddPage(EncodePageRecord(-1, {}));
    std::string image = w.Build();
    TBook book;
    LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
    TSurface surface(120, 24);
    surface.Bitmap().Fill(kWhite);
    SetCurrentSurface(&surface);
    TLine line(kAlignLeft);
    for (uint16_t code : codes) line.items.emplace_back(code, style);
    line.ascent = codes.empty() ? 0 : line.items.front().Ascent();
    int32_t y = 0;
    DrawLine(2, line, y, 116);
    surface.SelectStyle(style);
    surface.WriteText(text, 2, 0);  // over nothing: the line left the surface white
    SetCurrentSurface(nullptr);
    const TXif& b = surface.Bitmap();
    return std::vector<uint32_t>(b.Bits(), b.Bits() + size_t{b.Width()} * b.Height());
  };
  const struct {
    std::vector<uint16_t> codes;
    std::u16string_view text;
  } cases[] = {
      // One letter at a time: GDI places the glyphs of a string it measures itself a little
      // differently from a run with whole-pixel advances (the Wine render comparison checks
      // the runs of whole pages in these scripts).
      {{0xE9}, u"\u00E9"}, {{0x142}, u"\u0142"}, {{0xDF}, u"\u00DF"}, {{0x3B1}, u"\u03B1"},
      {{0x3C9}, u"\u03C9"},
      {{'a', 31, 'b', 150, 'c'}, u"a bc"},  // a fixed space; a zero-width mark draws nothing
      {{0xD800, 0xDBFF, 0xDFFF, 0xFFFF}, u"\t\t\t\t"},
  };
  for (const auto& c : cases) {
    const std::vector<uint32_t> drawn = draw(c.codes, true, {});
    EXPECT_EQ(drawn, draw({}, true, c.text)) << Utf16ToUtf8(c.text);
    EXPECT_NE(drawn, std::vector<uint32_t>(drawn.size(), kWhite));
  }
  EXPECT_EQ(draw({0x41F, 0x440, 0x438, 0x432, 0x435, 0x442, 0x401}, true, {}),
            draw({0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, 0xA8}, false, {}));
  ResetStyles();
  SetBookEncoding(TTextEncoding::kCp1251);
}

}  // namespace
}  // namespace folivar
