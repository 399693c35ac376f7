#include "book/loading.h"

#include <gtest/gtest.h>

#include <random>

#include "book/bookwriter.h"
#include "core/bzip.h"
#include "core/errors.h"
#include "core/system.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

int32_t IntAt(const std::string& image, size_t at) {
  return static_cast<int32_t>(uint32_t{static_cast<uint8_t>(image[at])} |
                              uint32_t{static_cast<uint8_t>(image[at + 1])} << 8 |
                              uint32_t{static_cast<uint8_t>(image[at + 2])} << 16 |
                              uint32_t{static_cast<uint8_t>(image[at + 3])} << 24);
}

void PutIntAt(std::string& image, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
}

std::string PageWithText(std::string_view text) {
  TLineRecord line;
  line.width = 7 * static_cast<int32_t>(text.size());
  line.height = 16;
  line.ascent = 12;
  line.descent = 4;
  line.alignment = 1;
  for (char c : text) line.items.push_back({static_cast<uint8_t>(c), 5});
  return EncodePageRecord(-1, {line});
}

// A book with one of everything the container holds.
TBookWriter SampleBook() {
  TBookWriter w;
  w.header.title = "\xCA\xED\xE8\xE3\xE0";  // "Книга" in code page 1251
  w.header.author = "An Author";
  w.header.publisher = "publisher.example";
  w.header.edition = "2004";
  w.header.pageWidth = 400;
  w.header.viewWidth = 800;
  w.header.viewHeight = 600;
  w.header.leftMargin = 11;
  w.header.topMargin = 12;
  w.header.rightMargin = 13;
  w.header.bottomMargin = 14;
  w.header.coverImage = 1;
  w.header.backgroundImage = 0;
  w.header.digitImageBase = 2;
  w.header.glyphBlend = 128;
  w.header.glyphColour = 0x00C6C2B6;
  w.header.printEnabled = 1;
  w.header.firstSpreadPage = 3;
  w.header.spineLine = 1;
  w.header.spineColour = 0x00112233;
  w.header.noAbout = 1;
  w.SetProperty("pageturn_animation", "1");
  w.SetProperty("anix", "20");
  w.SetMessages({"ok", "closebook"}, {"OK", "\xC7\xE0\xEA\xF0\xFB\xF2\xFC?"});
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

TEST(Header, FieldsLieAtTheirOffsets) {
  TBookHeader h = SampleBook().header;
  const auto b = EncodeHeader(h);
  const std::string s(b.begin(), b.end());
  ASSERT_EQ(s.size(), 1603u);
  EXPECT_EQ(s[0], 5);  // title length byte
  EXPECT_EQ(s.substr(1, 5), h.title);
  EXPECT_EQ(s[256], 9);
  EXPECT_EQ(IntAt(s, 1024), 400);
  EXPECT_EQ(IntAt(s, 1032), 600);
  EXPECT_EQ(IntAt(s, 1048), 14);
  EXPECT_EQ(IntAt(s, 1052), 1);
  EXPECT_EQ(IntAt(s, 1060), 2);
  EXPECT_EQ(IntAt(s, 1064), -1);  // reserved
  EXPECT_EQ(static_cast<uint8_t>(s[1072]), 128);
  EXPECT_EQ(static_cast<uint8_t>(s[1073]), 0xB6);  // blue first
  EXPECT_EQ(static_cast<uint8_t>(s[1075]), 0xC6);
  EXPECT_EQ(s[1589], 1);
  EXPECT_EQ(IntAt(s, 1590), 3);
  EXPECT_EQ(s[1594], 1);
  EXPECT_EQ(IntAt(s, 1595), 0x00112233);
  EXPECT_EQ(IntAt(s, 1599), 1);
}

TEST(Header, DecodeKeepsReservedBytesAndReadsFullLengthTitles) {
  std::array<uint8_t, kHeaderSize> b{};
  b[0] = 255;
  for (int i = 1; i <= 255; ++i) b[i] = 'x';
  b[1100] = 0x5A;  // reserved area
  const TBookHeader h = DecodeHeader(b);
  EXPECT_EQ(h.title, std::string(255, 'x'));
  EXPECT_EQ(EncodeHeader(h), b);
}

TEST(Walk, ReadsBackExactlyWhatWasWritten) {
  const TBookWriter w = SampleBook();
  std::string image = w.Build();
  EXPECT_EQ(image.size() % 4096, 0u);

  TPtrFile source(image.data(), static_cast<int32_t>(image.size()));
  const TBookImage book = WalkBookImage(source);
  EXPECT_EQ(EncodeHeader(book.header), EncodeHeader(w.header));
  EXPECT_EQ(book.header.title, w.header.title);
  EXPECT_EQ(GetValue(book.properties, "pageturn_animation"), "1");
  EXPECT_EQ(GetValue(book.properties, "anix"), "20");
  EXPECT_EQ(book.messageKeys, (TStringList{"ok", "closebook"}));
  EXPECT_EQ(book.messageTexts[1], "\xC7\xE0\xEA\xF0\xFB\xF2\xFC?");

  ASSERT_EQ(book.pictures.size(), 2u);
  EXPECT_FALSE(book.pictures[0].wavelet);
  EXPECT_EQ(book.pictures[0].ascent, 15);
  EXPECT_EQ(book.pictures[0].width, 9u);
  EXPECT_EQ(book.pictures[0].height, 18u);
  EXPECT_TRUE(book.pictures[1].wavelet);
  EXPECT_EQ(book.pictures[1].offset, book.pictures[0].offset + book.pictures[0].size);

  ASSERT_EQ(book.anchors.size(), 2u);
  EXPECT_EQ(book.anchors[0].name, "start");
  EXPECT_EQ(book.anchors[1].name, "");  // no name bytes; the page follows at once
  EXPECT_EQ(book.anchors[1].page, 1);

  ASSERT_EQ(book.pageOffsets.size(), 3u);  // two pages and the substitute page
  TMemFile scratch;
  ReadPageBlock(source, book.pageOffsets[1], scratch);
  EXPECT_EQ(std::string(scratch.Bytes().begin(), scratch.Bytes().end()), PageWithText("second page"));
  EXPECT_EQ(scratch.Position(), 0);
  ReadPageBlock(source, book.pageOffsets[2], scratch);
  EXPECT_EQ(std::string(scratch.Bytes().begin(), scratch.Bytes().end()), PageWithText("missing"));

  EXPECT_EQ(IntAt(std::string(book.styleBlock.begin(), book.styleBlock.end()), 0), 6);
}

TEST(Walk, TheSameFromDiskAndPaddingHasNoEffect) {
  std::string image = SampleBook().Build();
  TStrFile memory(image);
  const TBookImage expected = WalkBookImage(memory);
  // Garbage in the padding after the style block changes nothing.
  for (size_t i = image.size() - 64; i < image.size(); ++i) image[i] = '\x5A';
  auto disk = OpenBookImage(test::WriteTempFile("padded.bin", image));
  const TBookImage book = WalkBookImage(*disk);
  EXPECT_EQ(book.pageOffsets, expected.pageOffsets);
  EXPECT_EQ(book.styleBlock, expected.styleBlock);
  EXPECT_EQ(book.styleBlockOffset, expected.styleBlockOffset);
}

TEST(Walk, ABookWithOnlyItsSubstitutePage) {
  TBookWriter w;
  const std::string image = w.Build();
  TStrFile source(image);
  const TBookImage book = WalkBookImage(source);
  EXPECT_EQ(book.pageOffsets.size(), 1u);
  EXPECT_TRUE(book.pictures.empty());
  EXPECT_TRUE(book.anchors.empty());
  EXPECT_EQ(IntAt(std::string(book.styleBlock.begin(), book.styleBlock.end()), 0), 5);
}

TEST(Properties, AShortTableHasNoColumnsAndReadsEmpty) {
  TBookWriter w;
  std::string image = w.Build();
  // Replace the property table by a 3-byte string: 03 00 00 00 'a' 'b' 'c', then rebuild the
  // rest of the image behind it.
  const int32_t tableLength = IntAt(image, kHeaderSize);
  std::string shortened = image.substr(0, kHeaderSize) + std::string("\x03\0\0\0abc", 7) +
                          image.substr(kHeaderSize + 4 + tableLength);
  TStrFile header(shortened);
  TCheckedReader r(header);
  r.Seek(kHeaderSize, "test");
  const ttable table = ReadProperties(r);
  EXPECT_TRUE(table.storage.empty());
  EXPECT_EQ(GetValue(table, "locale"), "");
}

TEST(Locale, DamagedOrUnevenTextsGiveEmptyLists) {
  TStringList keys{"x"}, texts{"y"};
  UnpackLocale("BZh9 not really", keys, texts);
  EXPECT_TRUE(keys.empty() && texts.empty());

  std::string lists;
  WriteStrings(lists, {"a", "b"});
  WriteStrings(lists, {"only one"});
  UnpackLocale(Bzip(lists), keys, texts);
  EXPECT_TRUE(keys.empty() && texts.empty());

  UnpackLocale("", keys, texts);
  EXPECT_TRUE(keys.empty());
}

TEST(PackedBlock, LargeRatiosGrowTheBufferUntilTheStreamEnds) {
  // 1 MiB of one byte packs to a few dozen bytes: the buffer starts at 10 x C and must grow.
  TMemFile source;
  const std::string block = PackBlock(std::string(1 << 20, 'k'));
  source.Write(block.data(), static_cast<int32_t>(block.size()));
  source.Seek(0);
  TMemFile scratch;
  scratch.Write("old", 3);
  ReadPackedBlock(source, scratch, "a test block");
  EXPECT_EQ(scratch.Size(), 1 << 20);
  EXPECT_EQ(scratch.Position(), 0);
  EXPECT_EQ(source.Position(), static_cast<int32_t>(block.size()));
}

// Offsets of a few fields of the sample image, to damage them one by one.
struct TLandmarks {
  size_t tableLength, pictureCount, anchorLength, pageCount, firstPageOffset, substituteOffset;
};

TLandmarks Landmarks(const std::string& image) {
  TStrFile f(image);
  const TBookImage book = WalkBookImage(f);
  TLandmarks m{};
  m.tableLength = kHeaderSize;
  m.pictureCount = kHeaderSize + 4 + static_cast<size_t>(IntAt(image, kHeaderSize));
  m.anchorLength = static_cast<size_t>(book.pictures.back().offset + book.pictures.back().size);
  m.pageCount = m.anchorLength + 4 + static_cast<size_t>(IntAt(image, m.anchorLength));
  m.firstPageOffset = m.pageCount + 4;
  m.substituteOffset = m.pageCount + 4 * book.pageOffsets.size();
  return m;
}

TEST(Damage, EachBrokenFieldFailsWithWhatAndWhere) {
  const std::string good = SampleBook().Build();
  const TLandmarks m = Landmarks(good);
  struct Case {
    const char* name;
    size_t at;
    int32_t value;
    const char* expect;  // part of the message
  } cases[] = {
      {"property table longer than the book", m.tableLength, 0x7FFFFFF0, "the property table"},
      {"negative picture count", m.pictureCount, -1, "the picture count"},
      {"picture count beyond the data", m.pictureCount, 10000000, "the picture count"},
      {"anchor block longer than the book", m.anchorLength, 0x7FFFFFF0, "the anchor block"},
      {"no pages at all", m.pageCount, 0, "the page count"},
      {"page index beyond the data", m.pageCount, 50000000, "the page count"},
      {"page offset beyond the end", m.firstPageOffset, static_cast<int32_t>(good.size()), "page offset"},
      {"negative page offset", m.firstPageOffset, -4, "page offset"},
      {"substitute page beyond the end", m.substituteOffset, 0x7FFFFF00, "page offset"},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    PutIntAt(bad, c.at, c.value);
    TStrFile f(bad);
    try {
      WalkBookImage(f);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const TBookDamaged& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.expect), std::string::npos) << c.name << ": " << message;
      EXPECT_NE(message.find("at byte"), std::string::npos) << c.name << ": " << message;
    }
  }
}

TEST(Damage, PageBlocksThatCannotBeReadAreReportedWhenRead) {
  std::string image = SampleBook().Build();
  TStrFile f(image);
  const TBookImage book = WalkBookImage(f);
  std::string bad = image;
  // Break the bzip2 magic of the first page's stream: byte, length, packed length, then "BZh".
  bad[static_cast<size_t>(book.pageOffsets[0]) + 9] = 'Q';
  TStrFile source(bad);
  TMemFile scratch;
  EXPECT_THROW(ReadPageBlock(source, book.pageOffsets[0], scratch), TBookDamaged);
  // A page block whose packed length runs past the block's own length.
  bad = image;
  PutIntAt(bad, static_cast<size_t>(book.pageOffsets[0]) + 5, 1000);
  TStrFile longer(bad);
  EXPECT_THROW(ReadPageBlock(longer, book.pageOffsets[0], scratch), TBookDamaged);
}

// Every cut of the image before its style block ends and every flipped byte either fails as a
// damaged book or still reads; nothing else may happen.
TEST(Damage, TruncatedAndFlippedImagesNeverCrash) {
  const std::string image = SampleBook().Build();
  TStrFile f(image);
  const int32_t end = WalkBookImage(f).styleBlockOffset;
  for (int32_t cut = 0; cut < end + 40; cut += 3) {
    TStrFile cutFile(image.substr(0, static_cast<size_t>(cut)));
    EXPECT_THROW(WalkBookImage(cutFile), TBookDamaged) << "cut at " << cut;
  }
  std::mt19937 random(1603);
  for (int i = 0; i < 3000; ++i) {
    std::string bad = image;
    const size_t at = random() % static_cast<size_t>(end + 64);
    bad[at] = static_cast<char>(bad[at] ^ (1 << (random() % 8)));
    TStrFile badFile(bad);
    try {
      const TBookImage book = WalkBookImage(badFile);
      TMemFile scratch;
      for (int32_t offset : book.pageOffsets) {
        try {
          ReadPageBlock(badFile, offset, scratch);
        } catch (const TBookDamaged&) {
        }
      }
    } catch (const TBookDamaged&) {
    }
  }
}

TEST(OpenBookImage, AMissingFileIsAnErrorNotAnEmptyBook) {
  const std::string path = test::TempDir() + "/no-book-here.bin";
  EXPECT_THROW(OpenBookImage(path), TIOError);
  EXPECT_FALSE(FileExists(path));  // and nothing was created
}

}  // namespace
}  // namespace folivar
