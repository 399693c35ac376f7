#include "book/bookstyle.h"

#include <gtest/gtest.h>

#include "book/bookwriter.h"
#include "core/errors.h"
#include "display/surfaces.h"
#include "tests/support/testdevice.h"

namespace folivar {
namespace {

TStyle Read(const std::string& record) {
  TStrFile file(record);
  TCheckedReader reader(file);
  TStyle style;
  style.ReadRecord(reader);
  EXPECT_EQ(reader.Remaining(), 0);
  return style;
}

class Styles : public ::testing::Test {
 protected:
  void SetUp() override { ResetStyles(); }
  void TearDown() override {
    ResetStyles();
    SetCurrentSurface(nullptr);
  }
};

TEST_F(Styles, BuiltIns) {
  ASSERT_EQ(StyleCount(), 5);
  // Indices -1 and 5 lie beyond the table: a style of kind none, never a read past it.
  std::vector<int> kinds;
  for (int i = -1; i <= 5; ++i) kinds.push_back(StyleKind(i));
  EXPECT_EQ(kinds, std::vector<int>({kKindNone, 0, 2, 4, 0, 0, kKindNone}));
}

TEST_F(Styles, RecordsReadEveryField) {
  const TStyle s = Read(EncodeStyleRecord(
      {.kind = 1, .faceName = "abc", .flags = 5, .size = 12, .colour = 0x00102030, .link = "#x"}));
  EXPECT_EQ(s.font.faceName + s.link, "abc#x");
  EXPECT_EQ(std::vector<int32_t>({s.font.nameSum, s.font.flags, s.font.size, s.font.colour, s.kind, s.ascent}),
            std::vector<int32_t>({294, 5, 12, 0x00102030, 1, -1}));

  // The stored name sum is taken as it is, even when it does not match the name.
  std::string record = EncodeStyleRecord({.kind = 1, .faceName = "abc"});
  record[4 + 3 + 1 + 4 + 4] = 7;  // name sum's low byte
  EXPECT_EQ(Read(record).font.nameSum, 7 | (294 & ~0xFF));

  // A negative face-name length is an empty name; a length past the data is damage.
  std::string negative = std::string("\xFF\xFF\xFF\xFF", 4) + EncodeStyleRecord({}).substr(4);
  EXPECT_EQ(Read(negative).font.faceName, "");
  EXPECT_THROW(Read(EncodeStyleRecord({.faceName = "Arial"}).substr(0, 10)), TBookDamaged);
}

TEST_F(Styles, SameStyleRules) {
  // Equal name sums, flags, sizes and colours: the same style, whatever the names.
  TStyle a = Read(EncodeStyleRecord({.kind = 1, .faceName = "ab", .size = 10}));
  TStyle b = Read(EncodeStyleRecord({.kind = 1, .faceName = "ba", .size = 10}));
  EXPECT_TRUE(SameStyle(a, b));
  EXPECT_EQ(std::vector<int32_t>({a.FindOrAddStyle(), b.FindOrAddStyle(), StyleCount()}),  // in order
            std::vector<int32_t>({5, 5, 6}));

  // Pictures with equal links are the same whatever their fonts.
  TStyle p = Read(EncodeStyleRecord({.kind = 2, .faceName = "Arial", .size = 10, .link = "#a"}));
  EXPECT_TRUE(SameStyle(p, Read(EncodeStyleRecord({.kind = 2, .faceName = "T", .size = 30, .link = "#a"}))));
  EXPECT_FALSE(SameStyle(p, Read(EncodeStyleRecord({.kind = 2, .link = "#A"}))));
  // A plain picture style is the built-in style 1.
  EXPECT_EQ(Read(EncodeStyleRecord({.kind = 2})).FindStyle(), 1);
  EXPECT_FALSE(SameStyle(a, Read(EncodeStyleRecord({.kind = 1, .faceName = "ab", .size = 10, .colour = 1}))));
}

TEST_F(Styles, FontAscentMeasuresOnceAndAddsTheStyle) {
  test::TTestTextDevice* d = nullptr;
  auto surface = test::MakeTestSurface(8, 8, d);
  SetCurrentSurface(surface.get());
  TStyle s = Read(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12}));
  EXPECT_EQ(StyleCount(), 5);
  EXPECT_EQ(s.FontAscent(), 12);  // 16 pixels high, three quarters
  EXPECT_EQ(StyleCount(), 6);
  EXPECT_EQ(GetStyle(5).descent, 4);
  const int selections = d->selections;
  EXPECT_EQ(GetStyle(5).FontAscent(), 12);
  EXPECT_EQ(d->selections, selections);
}

}  // namespace
}  // namespace folivar
