#include "book/paraclasses.h"

#include <gtest/gtest.h>

#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "display/surfaces.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

class Pages : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetStyles();
    surface_ = test::MakeTestSurface(8, 8, device_);
    SetCurrentSurface(surface_.get());
    text_ = AddTextStyle(12);  // 16 pixels high: 6 + code % 3 wide
  }
  void TearDown() override {
    SetCurrentSurface(nullptr);
    ResetStyles();
  }

  static uint16_t AddTextStyle(int32_t size) {
    TStrFile record(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = size}));
    TCheckedReader reader(record);
    TStyle style;
    style.ReadRecord(reader);
    return static_cast<uint16_t>(style.AddStyle());
  }

  // A page decoded from an image whose only page has this record; the substitute page (one
  // centred line of height 20 with a '?', background 3) stands in when the record cannot be read
  // or the page's bzip2 stream is broken.
  TPage Decode(const std::string& record, bool breakStream = false) {
    TBookWriter w;
    w.AddPage(record);
    w.SetSubstitutePage(EncodePageRecord(3, {{.height = 20, .alignment = kAlignCentre,
                                              .items = {{'?', text_}}}}));
    std::string image = w.Build();
    TStrFile walkSource(image);
    const TBookImage walk = WalkBookImage(walkSource);
    // The page block: its byte, its length, the packed length, then the stream's magic "BZh".
    if (breakStream) image[static_cast<size_t>(walk.pageOffsets[0]) + 9] = 'X';
    TStrFile source(image);
    TPage substitute, page;
    substitute.offset = walk.pageOffsets[1];
    substitute.DecodePage(nullptr, source);
    page.offset = walk.pageOffsets[0];
    page.DecodePage(&substitute, source);
    return page;
  }

  test::TTestTextDevice* device_ = nullptr;
  std::unique_ptr<TSurface> surface_;
  uint16_t text_ = 0;
};

TEST_F(Pages, ItemWidthsAreMeasuredOnceAndForgottenOnChange) {
  TViewItem a('a', text_);  // 97 % 3 = 1
  EXPECT_EQ(a.Width(), 7);
  const int measured = device_->measurements;
  EXPECT_EQ(a.Width(), 7);
  EXPECT_EQ(device_->measurements, measured);
  a.SetCode('c');  // 99 % 3 = 0
  EXPECT_EQ(a.MeasuredWidth(), -1);
  EXPECT_EQ(a.Width(), 6);
  // Wider than the one-byte cache holds (300 pt: 400 pixels, 150 + 1 wide): right every time.
  TViewItem wide('a', AddTextStyle(300));
  EXPECT_EQ(wide.Width(), 151);
  EXPECT_EQ(wide.Width(), 151);

  // Width, height and ascent: a zero-width mark (never cached), a fixed space (a space's width),
  // a page reference ("0000" in the font on the surface), a control mark, and a picture number
  // that names no picture (empty).
  const struct { TViewItem item; std::vector<int32_t> measures; } cases[] = {
      {TViewItem(kZeroWidth, text_), {0, 16, 12, -1}}, {TViewItem(kFixedSpace, text_), {8, 16, 12, 8}},
      {TViewItem(0, kPageReferenceStyle), {24, 16, 12, 24}}, {TViewItem(13, 0), {0, 0, 0, 0}},
      {TViewItem(500, 1), {0, 0, 0, -1}}};
  for (auto c : cases) {
    EXPECT_EQ(std::vector<int32_t>({c.item.Width(), c.item.Height(), c.item.Ascent(), c.item.MeasuredWidth()}),
              c.measures) << c.item.Code();
  }
}

// Style-0 codes 1 to 4 set the alignment (and are kept), 13 is not stored; the trailing space
// of a line is not part of its width.
TEST_F(Pages, LineWidthsAndAlignmentMarks) {
  TLine line(kAlignCentre);
  line.AddItem(TViewItem(13, 0));
  EXPECT_EQ(line.alignment, kAlignCentre);
  line.AddItem(TViewItem(2, 0));
  EXPECT_EQ(line.alignment, kAlignRight);
  for (uint16_t c : {uint16_t{4}, uint16_t{'a'}, uint16_t{'b'}, kSpace})
    line.AddItem(TViewItem(c, c < 5 ? uint16_t{0} : text_));
  EXPECT_EQ(line.alignment, kJustify);
  EXPECT_EQ(line.items.size(), 5u);
  EXPECT_EQ(line.width, 7 + 8 + 8);
  line.UpdateWidth();
  EXPECT_EQ(line.width, 7 + 8);
  line.items.clear();
  line.UpdateWidth();
  EXPECT_EQ(line.width, 0);
  // 175,000 items 6145 pixels wide (12288 pt): kept at 2^30 instead of overflowing.
  const TViewItem wide('a', AddTextStyle(12288));
  for (int i = 0; i < 175000; ++i) line.AddItem(wide);
  EXPECT_EQ(line.width, 1 << 30);
  line.UpdateWidth();
  EXPECT_EQ(line.width, 1 << 30);
}

TEST_F(Pages, DecodeAndRelease) {
  TLineRecord line{.width = 100, .height = 16, .ascent = 12, .descent = 4, .leftIndent = 3,
                   .rightIndent = 5, .alignment = kAlignRight, .items = {{'H', text_}, {'i', text_}}};
  TPage page = Decode(EncodePageRecord(7, {line, TLineRecord{.height = 10}}));
  EXPECT_EQ(page.unloaded, 0);
  EXPECT_EQ(page.background, 7);
  ASSERT_EQ(page.lines.size(), 2u);
  const TLine& first = *page.lines[0];
  EXPECT_EQ(std::vector<int32_t>({first.width, first.height, first.ascent, first.descent,
                                  first.leftIndent, first.rightIndent, first.alignment}),
            std::vector<int32_t>({100, 16, 12, 4, 3, 5, kAlignRight}));
  EXPECT_EQ(first.items.at(1).Code(), 'i');
  EXPECT_TRUE(page.lines[1]->items.empty());
  page.Release();
  EXPECT_EQ(page.unloaded, 1);
  EXPECT_TRUE(page.lines.empty());
  TPage notFromTheImage;  // offset 0: nothing to decode it from again, so it is kept
  notFromTheImage.lines.push_back(std::make_unique<TLine>());
  notFromTheImage.Release();
  EXPECT_EQ(notFromTheImage.lines.size(), 1u);
}

TEST_F(Pages, AnUnreadableRecordBecomesTheSubstitutePage) {
  // A line count that promises more than the record holds, a record too short for its
  // background, a line 2^31 - 1 pixels high or lines that together move 2^30 pixels up (drawing
  // would overflow on them), and a good record in a broken stream.
  std::string tooMany = EncodePageRecord(-1, {});
  tooMany[2] = 50;
  const std::string records[] = {
      tooMany, std::string("\x01", 1), EncodePageRecord(-1, {TLineRecord{.height = 0x7FFFFFFF}}),
      EncodePageRecord(-1, std::vector(40000, TLineRecord{.ascent = -16384, .descent = -16384}))};
  for (int i = 0; i < 5; ++i) {
    const TPage page = i < 4 ? Decode(records[i]) : Decode(EncodePageRecord(7, {}), true);
    ASSERT_EQ(page.lines.size(), 1u) << i;
    const TLine& line = *page.lines[0];
    EXPECT_EQ(std::vector<int32_t>({page.unloaded, page.background, line.alignment, line.height,
                                    line.items.at(0).Code()}),
              std::vector<int32_t>({0, 3, kAlignCentre, 20, '?'})) << i;
  }
}

}  // namespace
}  // namespace folivar
