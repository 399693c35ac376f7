#include <gtest/gtest.h>

#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "core/codepage.h"
#include "core/errors.h"
#include "display/anchorz.h"
#include "images/imageclass.h"
#include "reader/msgs.h"

namespace folivar {
namespace {

TBookWriter Sample() {
  TBookWriter w;
  w.header.title = "Loaded";
  w.SetMessages({"ok", "WasPresses_enter"}, {"Fine", "Enter"});
  const std::vector<uint32_t> pixel = {0x00ABCDEF};
  w.AddPicture(1, PackedPictureRecord(1, 1, PackRawPixels(pixel.data(), 1, 1)));
  w.AddPicture(2, PackedPictureRecord(1, 1, EncodeXbm(pixel.data(), 1, 1)));
  w.AddAnchor("one", 1);
  w.AddAnchor("one", 2);
  w.AddAnchor("", 0);
  EXPECT_EQ(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})), 5);
  // An equal style is the same entry in the reader's table, so the writer stores it once.
  EXPECT_EQ(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})), 5);
  EXPECT_EQ(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .flags = 1, .size = 12})), 6);
  EXPECT_EQ(w.AddStyle(EncodeStyleRecord({.kind = 4})), 2);  // the built-in glyph picture style
  for (int i = 0; i < 3; ++i) w.AddPage(EncodePageRecord(static_cast<int16_t>(10 + i), {}));
  TLineRecord line;
  line.height = 5;
  w.SetSubstitutePage(EncodePageRecord(-1, {line}));
  return w;
}

TEST(LoadBook, FillsTheBookAndTheTablesInOrder) {
  // A first book, left at its third page: its pictures, styles and place must all go before the
  // second is read.
  TBook book;
  LoadBook(book, std::make_unique<TStrFile>(Sample().Build()));
  book.GoToPage(2);
  SetAnchors({{"old", 9}});
  // At the callback the header and texts are in, nothing of the first book is left, and no
  // picture is read yet.
  std::string atCallback;
  LoadBook(book, std::make_unique<TStrFile>(Sample().Build()), [&] {
    atCallback = book.header.title + " " + MessageText("Ok") + " " + std::to_string(ImageCount()) + " " +
                 std::to_string(StyleCount());
  });
  EXPECT_EQ(atCallback, "Loaded Fine 0 5");
  EXPECT_TRUE(ImageCount() == 2 && ImageAt(0).picture.Packed() && ImageAt(1).ascent == 2);
  // Anchors by name: the first of two equal names; none beyond the table.
  EXPECT_EQ(AnchorCount(), 3);
  EXPECT_EQ(AnchorPage(*FindAnchor("one")), 1);
  EXPECT_EQ(*FindAnchor(""), 2);
  EXPECT_FALSE(FindAnchor("One") || IsAnchor(3));
  EXPECT_EQ(AnchorPage(3), -1);
  // Five built-in styles, then two of the book's three; three pages not yet decoded, and the
  // substitute page decoded.
  EXPECT_EQ(std::vector<int64_t>({StyleCount(), GetStyle(6).font.flags, book.PageCount(),
                                  book.pages[0]->unloaded, book.substitute.unloaded,
                                  static_cast<int64_t>(book.substitute.lines.size())}),
            std::vector<int64_t>({7, 1, 3, 1, 0, 1}));
  EXPECT_EQ(book.CurrentPage().background, 10);  // the first page
  EXPECT_EQ(MessageText("enter", "WasPresses"), "Enter");
  EXPECT_EQ(BookEncoding(), TTextEncoding::kCp1251);
  TBookWriter unicode = Sample();
  unicode.SetProperty("encoding", "unicode");
  LoadBook(book, std::make_unique<TStrFile>(unicode.Build()));
  EXPECT_EQ(BookEncoding(), TTextEncoding::kUnicode);
}

// A damaged book fails with what is wrong and leaves no table of the book before it filled.
TEST(LoadBook, ADamagedBookFailsAndLeavesNothingBehind) {
  const std::string image = Sample().Build();
  TStrFile walk(image);
  const int32_t styleAt = WalkBookImage(walk).styleBlockOffset;
  TBookWriter unreadable = Sample();
  unreadable.SetSubstitutePage("\x01");
  // Found by drawing fuzzed books: a picture whose ascent put its top 2^31 pixels above the
  // baseline overflowed the drawing's arithmetic. The first picture entry follows the header
  // (1603 bytes), the property table (int32 length L < 65536, L bytes) and the picture count.
  std::string ascent = image;
  const size_t tableLength = static_cast<uint8_t>(image[kHeaderSize]) |
                             static_cast<size_t>(static_cast<uint8_t>(image[kHeaderSize + 1])) << 8;
  ascent.replace(kHeaderSize + 4 + tableLength + 4, 4, "\x04\x00\x00\x80", 4);  // -2147483644
  const struct { std::string image; const char* expect; } cases[] = {
      {image.substr(0, static_cast<size_t>(styleAt) + 6), "style block"},  // cut inside it
      {unreadable.Build(), "of a page"}, {ascent, "the ascent of a picture"},
      {image.substr(0, kHeaderSize + 6), "propert"}};  // cut before the encoding is known
  for (const auto& c : cases) {
    TBook book;
    TBookWriter unicode = Sample();
    unicode.SetProperty("encoding", "unicode");
    LoadBook(book, std::make_unique<TStrFile>(unicode.Build()));
    try {
      LoadBook(book, std::make_unique<TStrFile>(c.image));
      ADD_FAILURE() << c.expect << ": loaded";
    } catch (const TBookDamaged& e) {
      EXPECT_NE(std::string(e.what()).find(c.expect), std::string::npos) << e.what();
    }
    EXPECT_EQ(std::vector<int32_t>({ImageCount(), AnchorCount(), StyleCount(), book.PageCount()}),
              std::vector<int32_t>({0, 0, 5, 0}));
    EXPECT_EQ(MessageText("ok"), "");
    EXPECT_EQ(BookEncoding(), TTextEncoding::kCp1251);
    EXPECT_EQ(book.source, nullptr);
  }
}

}  // namespace
}  // namespace folivar
