#include "book/loading.h"

#include <gtest/gtest.h>

#include <cstring>

#include "book/bookwriter.h"
#include "core/bzip.h"
#include "core/errors.h"
#include "core/system.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

// Little-endian int32 fields of an image (the tests run on little-endian machines only).
int32_t IntAt(const std::string& image, size_t at) {
  int32_t v = 0;
  std::memcpy(&v, image.data() + at, 4);
  return v;
}
void PutIntAt(std::string& image, size_t at, int32_t v) { std::memcpy(image.data() + at, &v, 4); }

std::string PageWithText(std::string_view text) {
  TLineRecord line{.height = 16};
  for (char c : text) line.items.push_back({static_cast<uint8_t>(c), 5});
  return EncodePageRecord(-1, {line});
}

// A book with one of everything the container holds.
TBookWriter SampleBook() {
  TBookWriter w;
  w.header.title = "\xCA\xED\xE8\xE3\xE0";  // "Книга" in code page 1251
  w.header.firstSpreadPage = 3;
  w.SetProperty("anix", "20");
  w.AddPicture(15, PackedPictureRecord(9, 18, Bzip(std::string(9 * 18 * 4, '\0'))));
  w.AddPicture(10, WaveletPictureRecord("XWL" + std::string(40, '\x01')));
  w.AddAnchor("start", 0);
  w.AddAnchor("", 1);
  w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12}));
  w.AddPage(PageWithText("first page"));
  w.AddPage(PageWithText("second page"));
  w.SetSubstitutePage(PageWithText("missing"));
  return w;
}

// Every field at its byte offset, written here as the stored bytes (little-endian), each with a
// value of its own so that two fields read from one place cannot pass.
TEST(Header, FieldsLieAtTheirByteOffsets) {
  std::array<uint8_t, kHeaderSize> b{};
  const struct { size_t at; std::string bytes; } stored[] = {
      {0, "\xFF" + std::string(255, 'x')},  // title: 255 bytes, the longest a field holds
      {256, "\x01" "A"}, {512, "\x03" "pub"}, {768, "\x04" "2004"},  // author, publisher, edition
      {1024, "\x84\x01"}, {1028, "\x08\x03"}, {1032, "\x3F\x02"},   // page width, view 776 x 575
      {1036, "\x0B"}, {1040, "\x0C"}, {1044, "\x0D"}, {1048, "\x0E"},  // margins 11, 12, 13, 14
      {1052, "\x07"}, {1056, "\xFE\xFF\xFF\xFF"}, {1060, "\x10\x27"},  // cover, background, digits
      {1064, "\xFF\xFF\xFF\xFF"}, {1072, "\x80\xB6\xC2\xC6"},  // reserved -1; blend, colour B, G, R
      {1589, "\x01\xFD\xFF\xFF\xFF\x02\x33\x22\x11"}, {1599, "\x01"},  // print .. spine colour, noAbout
  };
  for (const auto& field : stored) std::copy(field.bytes.begin(), field.bytes.end(), b.begin() + field.at);
  const TBookHeader h = DecodeHeader(b);
  EXPECT_EQ(h.title, std::string(255, 'x'));
  EXPECT_EQ(h.author + "|" + h.publisher + "|" + h.edition, "A|pub|2004");
  EXPECT_EQ(std::vector<int64_t>({h.pageWidth, h.viewWidth, h.viewHeight, h.leftMargin, h.topMargin,
                                  h.rightMargin, h.bottomMargin, h.coverImage, h.backgroundImage,
                                  h.digitImageBase, h.glyphBlend, h.glyphColour, h.printEnabled,
                                  h.firstSpreadPage, h.spineLine, h.spineColour, h.noAbout}),
            std::vector<int64_t>({388, 776, 575, 11, 12, 13, 14, 7, -2, 10000, 128, 0xC6C2B6, 1, -3,
                                  2, 0x112233, 1}));
  // The writer puts every field where the reader finds it, and keeps the reserved bytes of a
  // header it read.
  TBookHeader fresh = h;
  fresh.raw = TBookHeader::DefaultRaw();
  EXPECT_EQ(EncodeHeader(fresh), b);
  b[1100] = 0x5A;
  EXPECT_EQ(EncodeHeader(DecodeHeader(b)), b);
}

TEST(Walk, ReadsBackFromDiskWhatWasWritten) {
  const TBookWriter w = SampleBook();
  std::string image = w.Build();
  EXPECT_EQ(image.size() % 4096, 0u);
  TStrFile memory(image);
  const TBookImage expected = WalkBookImage(memory);
  // Garbage in the padding after the style block changes nothing, and a disk file reads alike.
  for (size_t i = image.size() - 64; i < image.size(); ++i) image[i] = '\x5A';
  auto source = OpenBookImage(test::WriteTempFile("padded.bin", image));
  // A missing file is an error, never an empty book, and nothing is created.
  EXPECT_THROW(OpenBookImage(test::TempDir() + "/no-book-here.bin"), TIOError);
  EXPECT_FALSE(FileExists(test::TempDir() + "/no-book-here.bin"));
  const TBookImage book = WalkBookImage(*source);
  EXPECT_TRUE(book.styleBlockOffset == expected.styleBlockOffset && book.styleBlock == expected.styleBlock);

  EXPECT_EQ(EncodeHeader(book.header), EncodeHeader(w.header));
  EXPECT_EQ(GetValue(book.properties, "anix"), "20");
  ASSERT_EQ(book.pictures.size(), 2u);
  // Packed 9 x 18 with ascent 15, then the wavelet picture right behind it.
  EXPECT_EQ(std::vector<int64_t>({book.pictures[0].wavelet, book.pictures[0].ascent, book.pictures[0].width,
                                  book.pictures[0].height, book.pictures[1].wavelet}),
            std::vector<int64_t>({0, 15, 9, 18, 1}));
  EXPECT_EQ(book.pictures[1].offset, book.pictures[0].offset + book.pictures[0].size);
  ASSERT_EQ(book.anchors.size(), 2u);
  // The second has no name bytes; its page follows at once.
  EXPECT_EQ(book.anchors[0].name + "|" + book.anchors[1].name + "|" + std::to_string(book.anchors[1].page),
            "start||1");

  ASSERT_EQ(book.pageOffsets.size(), 3u);  // two pages and the substitute page
  TMemFile scratch;
  for (const auto& [index, text] : {std::pair{1, "second page"}, std::pair{2, "missing"}}) {
    ReadPageBlock(*source, book.pageOffsets[static_cast<size_t>(index)], scratch);  // replaces what was there
    EXPECT_EQ(std::string(scratch.Bytes().begin(), scratch.Bytes().end()), PageWithText(text));
    EXPECT_EQ(scratch.Position(), 0);
  }
  EXPECT_EQ(IntAt(std::string(book.styleBlock.begin(), book.styleBlock.end()), 0), 6);
}

TEST(PackedBlock, LargeRatiosGrowTheBufferUntilTheStreamEnds) {
  // 1 MiB of one byte packs to a few dozen bytes: the buffer starts at 10 x C and must grow.
  const std::string block = PackBlock(std::string(1 << 20, 'k'));
  TStrFile source(block);
  TMemFile scratch;
  scratch.Write("old", 3);
  ReadPackedBlock(source, scratch, "a test block");
  EXPECT_EQ(scratch.Size(), 1 << 20);
  EXPECT_EQ(scratch.Position(), 0);
  EXPECT_EQ(source.Position(), static_cast<int32_t>(block.size()));
}

TEST(Damage, EachBrokenFieldFailsWithWhatAndWhere) {
  const std::string good = SampleBook().Build();
  TStrFile f(good);
  const TBookImage book = WalkBookImage(f);
  const size_t pictureCount = kHeaderSize + 4 + static_cast<size_t>(IntAt(good, kHeaderSize));
  const auto anchorLength = static_cast<size_t>(book.pictures.back().offset + book.pictures.back().size);
  const size_t pageCount = anchorLength + 4 + static_cast<size_t>(IntAt(good, anchorLength));
  const size_t substitute = pageCount + 4 * book.pageOffsets.size();
  const struct {
    size_t at;
    int32_t value;
    const char* expect;  // part of the message
  } cases[] = {
      {1024, 0, "the page width"},          {1028, 16385, "the view width"},
      {1032, -575, "the view height"},      {1048, INT32_MIN, "the bottom margin"},
      {kHeaderSize, 0x7FFFFFF0, "the property table"},
      {pictureCount, -1, "the picture count"}, {pictureCount, 10000000, "the picture count"},
      {pictureCount + 4, 16385, "the ascent of a picture"},
      {anchorLength, 0x7FFFFFF0, "the anchor block"},
      {pageCount, 0, "the page count"},     {pageCount, 50000000, "the page count"},
      {pageCount + 4, static_cast<int32_t>(good.size()), "page offset"},
      {pageCount + 4, -4, "page offset"},   {substitute, 0x7FFFFF00, "page offset"},
  };
  for (const auto& c : cases) {
    std::string bad = good;
    PutIntAt(bad, c.at, c.value);
    TStrFile file(bad);
    try {
      WalkBookImage(file);
      ADD_FAILURE() << c.expect << " " << c.value << ": accepted";
    } catch (const TBookDamaged& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.expect), std::string::npos) << message;
      EXPECT_NE(message.find("at byte"), std::string::npos) << message;
    }
  }
  // A page block whose packed length runs past the block's own length.
  std::string longer = good;
  PutIntAt(longer, static_cast<size_t>(book.pageOffsets[0]) + 5, 1000);
  TStrFile file(longer);
  TMemFile scratch;
  EXPECT_THROW(ReadPageBlock(file, book.pageOffsets[0], scratch), TBookDamaged);
}

}  // namespace
}  // namespace folivar
