#include "book/paraclasses.h"

#include <gtest/gtest.h>

#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "core/bzip.h"
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
    TStrFile record(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12}));
    TCheckedReader reader(record);
    TStyle style;
    style.ReadRecord(reader);
    text_ = static_cast<uint16_t>(style.AddStyle());  // 12 pt: 6 + code % 3 wide
  }
  void TearDown() override {
    SetCurrentSurface(nullptr);
    ResetStyles();
  }

  // An image with one page (index 0) whose record is given, and the substitute page.
  std::string Image(const std::string& record) {
    TBookWriter w;
    w.AddPage(record);
    TLineRecord line;
    line.height = 20;
    line.items = {{'?', text_}};
    w.SetSubstitutePage(EncodePageRecord(3, {line}));
    return w.Build();
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

  TViewItem zero(kZeroWidth, text_);
  EXPECT_EQ(zero.Width(), 0);
  EXPECT_EQ(zero.MeasuredWidth(), -1);  // never cached

  TViewItem fixed(kFixedSpace, text_);
  EXPECT_EQ(fixed.Width(), TViewItem(kSpace, text_).Width());

  TViewItem reference(0, kPageReferenceStyle);
  EXPECT_EQ(reference.Width(), 4 * (6 + '0' % 3));  // "0000" in the current font
  TViewItem mark(13, 0);
  EXPECT_EQ(mark.Width(), 0);
  EXPECT_EQ(mark.Height(), 0);
  EXPECT_EQ(TViewItem('x', text_).Height(), 16);
  EXPECT_EQ(TViewItem('x', text_).Ascent(), 12);
  // A picture item whose number names no picture is an empty picture.
  TViewItem picture(500, 1);
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);
  EXPECT_EQ(picture.Ascent(), 0);
}

TEST_F(Pages, LineWidthsAndAlignmentMarks) {
  TLine line;
  for (char c : std::string("ab ")) line.items.push_back(TViewItem(c, text_));
  line.UpdateWidth();
  EXPECT_EQ(line.width, 7 + 8);  // the trailing space does not count
  TLine space;
  space.items.push_back(TViewItem(kSpace, text_));
  space.UpdateWidth();
  EXPECT_EQ(space.width, 0);
  TLine empty;
  empty.width = 9;
  empty.UpdateWidth();
  EXPECT_EQ(empty.width, 0);

  TLine built(kAlignCentre);
  built.AddItem(TViewItem(13, 0));
  EXPECT_TRUE(built.items.empty());
  EXPECT_EQ(built.alignment, kAlignCentre);
  built.AddItem(TViewItem(2, 0));
  EXPECT_EQ(built.alignment, kAlignRight);
  EXPECT_EQ(built.items.size(), 1u);
  built.AddItem(TViewItem(4, 0));
  EXPECT_EQ(built.alignment, kJustify);
  built.AddItem(TViewItem('a', text_));
  EXPECT_EQ(built.width, 7);
}

TEST_F(Pages, DecodeReleaseAndDecodeAgain) {
  TLineRecord line;
  line.width = 100;
  line.height = 16;
  line.ascent = 12;
  line.descent = 4;
  line.leftIndent = 3;
  line.rightIndent = 5;
  line.alignment = kAlignRight;
  line.items = {{'H', text_}, {'i', text_}};
  TLineRecord empty;
  empty.height = 10;
  const std::string image = Image(EncodePageRecord(7, {line, empty}));
  TStrFile source(image);
  const TBookImage walk = WalkBookImage(source);

  TPage page;
  page.offset = walk.pageOffsets[0];
  page.unloaded = 1;
  page.DecodePage(nullptr, source);
  EXPECT_EQ(page.unloaded, 0);
  EXPECT_EQ(page.background, 7);
  ASSERT_EQ(page.lines.size(), 2u);
  const TLine& first = *page.lines[0];
  EXPECT_EQ(first.width, 100);
  EXPECT_EQ(first.ascent, 12);
  EXPECT_EQ(first.descent, 4);
  EXPECT_EQ(first.leftIndent, 3);
  EXPECT_EQ(first.rightIndent, 5);
  EXPECT_EQ(first.alignment, kAlignRight);
  ASSERT_EQ(first.items.size(), 2u);
  EXPECT_EQ(first.items[1].Code(), 'i');
  EXPECT_TRUE(page.lines[1]->items.empty());

  page.Release();
  EXPECT_EQ(page.unloaded, 1);
  EXPECT_TRUE(page.lines.empty());
  page.DecodePage(nullptr, source);
  EXPECT_EQ(page.lines.size(), 2u);

  TPage notFromTheImage;
  notFromTheImage.lines.push_back(std::make_unique<TLine>());
  notFromTheImage.Release();
  EXPECT_EQ(notFromTheImage.lines.size(), 1u);
}

TEST_F(Pages, AnUnreadableBlockBecomesTheSubstitutePage) {
  TPage substitute;
  substitute.background = 3;
  substitute.lines.push_back(std::make_unique<TLine>(kAlignCentre));
  substitute.lines[0]->items.push_back(TViewItem('?', text_));
  substitute.lines[0]->height = 20;

  // A record whose line count promises more than it holds, a record that is too short, and a
  // block that is no bzip2 stream.
  std::string tooMany = EncodePageRecord(-1, {});
  tooMany[2] = 50;
  const std::string records[] = {tooMany, std::string("\x01", 1)};
  for (const std::string& record : records) {
    const std::string image = Image(record);
    TStrFile source(image);
    TPage page;
    page.offset = WalkBookImage(source).pageOffsets[0];
    page.unloaded = 1;
    page.DecodePage(&substitute, source);
    EXPECT_EQ(page.unloaded, 0);
    EXPECT_EQ(page.background, 3);
    ASSERT_EQ(page.lines.size(), 1u);
    EXPECT_EQ(page.lines[0]->alignment, kAlignCentre);
    EXPECT_EQ(page.lines[0]->height, 20);
    EXPECT_EQ(page.lines[0]->items[0].Code(), '?');
  }
  std::string image = Image(EncodePageRecord(-1, {}));
  TStrFile walkSource(image);
  const int32_t offset = WalkBookImage(walkSource).pageOffsets[0];
  image[static_cast<size_t>(offset) + 9] = 'X';  // the stream's magic
  TStrFile source(image);
  TPage page;
  page.offset = offset;
  page.DecodePage(&substitute, source);
  EXPECT_EQ(page.background, 3);
}

}  // namespace
}  // namespace folivar
