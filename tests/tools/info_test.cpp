// folivar-info: the JSON it prints for a book made by the writer, and its error contract.
#include <gtest/gtest.h>

#include "book/bookwriter.h"
#include "core/bzip.h"
#include "core/codepage.h"
#include "tests/support/testsupport.h"
#include "tools/common/png.h"
#include "tools/folivar-info/describe.h"

namespace folivar {
namespace {

using TRun = test::TCommandRun;

// Runs folivar-info with the arguments; stderr goes to stdout.
TRun RunInfo(const std::string& arguments) {
  return test::RunCommand(std::string(FOLIVAR_INFO_EXE) + " " + arguments);
}

TBookWriter Book() {
  TBookWriter w;
  w.header.title = "\xD1\xEA\xE0\xE7\xEA\xE8 \"1\"";  // Сказки "1"
  w.header.author = "A\\B";
  w.header.publisher = "p";
  w.header.edition = "2004";
  w.header.glyphColour = 0x00C6C2B6;
  w.header.printEnabled = 1;
  w.header.noAbout = 1;
  w.SetProperty("hyphenate", "1");
  w.SetProperty("test", "line\nbreak");
  w.SetMessages({"ok"}, {"\xC4\xE0"});  // Да
  w.AddPicture(15, PackedPictureRecord(1, 1, Bzip(std::string(4, '\0'))));
  w.AddAnchor("intro", 0);
  w.AddPage(EncodePageRecord(-1, {}));
  w.AddPage(EncodePageRecord(-1, {}));
  return w;
}

TEST(Info, PrintsExactlyWhatWasWritten) {
  const std::string path = test::WriteTempFile("info.bin", Book().Build());
  const TRun run = RunInfo(path);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "{\"title\":\"Сказки \\\"1\\\"\",\"author\":\"A\\\\B\",\"publisher\":\"p\","
            "\"edition\":\"2004\",\"encoding\":\"cp1251\",\"pageWidth\":388,\"viewWidth\":776,\"viewHeight\":575,"
            "\"leftMargin\":30,\"topMargin\":30,\"rightMargin\":30,\"bottomMargin\":45,"
            "\"coverImage\":-1,\"backgroundImage\":-1,\"digitImageBase\":-1,\"glyphBlend\":0,"
            "\"glyphColour\":13025974,\"printEnabled\":1,\"firstSpreadPage\":1,\"spineLine\":0,"
            "\"spineColour\":0,\"noAbout\":1,\"pages\":2,\"pictures\":1,\"damagedPictures\":[],"
            "\"anchors\":[{\"name\":\"intro\",\"page\":0}],\"styles\":5,"
            "\"properties\":{\"hyphenate\":\"1\",\"test\":\"line\\nbreak\"},"
            "\"messages\":{\"ok\":\"Да\"}}\n");
}

// A Unicode book's texts come out as they are, damaged UTF-8 (the code page 1251 message of Book()
// among them) as U+FFFD, and its item codes as stored.
TEST(Info, UnicodeBook) {
  TBookWriter w = Book();
  w.header.title = "Tête-à-tête \xC3";
  w.SetProperty("encoding", "unicode");
  w.AddAnchor("été", 1);
  w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Ga\xC3", .link = "#été"}));
  w.AddPage(EncodePageRecord(-1, {{.items = {{0xE9, 5}, {0xD800, 5}}}}));
  const std::string path = test::WriteTempFile("unicode.bin", w.Build());
  const std::string out = RunInfo(path).out + RunInfo(path + " --styles").out + RunInfo(path + " --page 2").out;
  for (const char* part : {"{\"title\":\"Tête-à-tête \uFFFD\",", "\"edition\":\"2004\",\"encoding\":\"unicode\",",
                           "{\"name\":\"été\",\"page\":1}]", "\"messages\":{\"ok\":\"\uFFFD\uFFFD\"}}",
                           "\"face\":\"Ga\uFFFD\",", "\"link\":\"#été\"}]", "\"items\":[[233,5],[55296,5]]"}) {
    EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
  }
}

TEST(Info, DamagedAndMissingBooksFailWithOneLine) {
  const std::string image = Book().Build();
  const std::string cut = test::WriteTempFile("cut.bin", image.substr(0, 1700));
  std::string flippedImage = image;
  flippedImage[kHeaderSize + 2] = '\x7F';  // the property table's length
  const std::string flipped = test::WriteTempFile("flipped.bin", flippedImage);
  const std::string missing = test::TempDir() + "/missing.bin";
  for (const std::string& path : {cut, flipped, missing}) {
    const TRun run = RunInfo(path);
    EXPECT_EQ(run.status, 1) << path;
    EXPECT_EQ(run.out.rfind("folivar-info: " + path + ": ", 0), 0u) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
  }
  EXPECT_NE(RunInfo(cut).out.find("the book is damaged: "), std::string::npos);
  const std::string good = test::WriteTempFile("good.bin", image);
  for (const std::string& usage : {std::string(), good + " --page x", good + " --page -1", std::string("a b")}) {
    EXPECT_EQ(RunInfo(usage).status, 2) << usage;
  }
}

// Pages, styles and pictures; a damaged picture, wavelet or packed, does not refuse the book: it
// is listed with its damage, and refused alone.
TEST(Info, PagesStylesAndPictures) {
  TBookWriter w = Book();
  const TLineRecord line{.width = 14, .height = 16, .ascent = 12, .descent = 4, .alignment = 2, .items = {{72, 5}, {105, 5}}};
  w.AddPage(EncodePageRecord(3, {line}));
  w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .flags = 1, .size = 12, .colour = 255, .link = "#intro"}));
  // A grey 2 x 2 wavelet stream that announces 400 symbols and holds none; raw pixels that are not bzip2.
  w.AddPicture(3, WaveletPictureRecord("XWL" + std::string("\x02\0\x02\0\x08\0\x90\x01\0\0", 10) + std::string(20, '\0') +
                                       "\x08\x08\x08" + std::string(16, '\0')));
  w.AddPicture(3, PackedPictureRecord(2, 2, "BZh9 this is not bzip2"));
  const std::string path = test::WriteTempFile("pages.bin", w.Build());
  EXPECT_EQ(RunInfo(path + " --page 2").out, "{\"background\":3,\"lines\":[{\"width\":14,\"height\":16,\"ascent\":12,"
            "\"descent\":4,\"leftIndent\":0,\"rightIndent\":0,\"alignment\":2,"
            "\"items\":[[72,5],[105,5]]}]}\n");
  EXPECT_EQ(RunInfo(path + " --page substitute").out, "{\"background\":-1,\"lines\":[]}\n");
  EXPECT_EQ(RunInfo(path + " --page 3").status, 1);
  const std::string styles = RunInfo(path + " --styles").out;
  EXPECT_EQ(styles.rfind("[{\"kind\":0,\"face\":\"\",", 0), 0u) << styles;
  EXPECT_NE(styles.find("{\"kind\":1,\"face\":\"Arial\",\"flags\":1,\"size\":12,\"colour\":255,"
                        "\"nameSum\":489,\"link\":\"#intro\"}]"), std::string::npos) << styles;
  const TRun run = RunInfo(path);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\"pictures\":3,\"damagedPictures\":[{\"picture\":1,\"damage\":\"the XWL "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("},{\"picture\":2,\"damage\":\"the raw pixels "), std::string::npos) << run.out;

  const std::string png = test::TempDir() + "/picture.png";
  EXPECT_EQ(RunInfo(path + " --picture 0 -o " + png).status, 0);
  uint32_t width = 0, height = 0;
  EXPECT_EQ(ReadPng(png, width, height), std::vector<uint32_t>{0});
  for (const char* refused : {" --picture 1 -o ", " --picture 2 -o ", " --picture 3 -o "}) {
    EXPECT_EQ(RunInfo(path + refused + png).status, 1) << refused;
  }
}

// --text: a line for each stored line, a form feed line between pages, the same text from either
// encoding, a page reference as its page, pictures as nothing, and a word broken at a line's end
// whole on its first line ('#' stands for a page reference, '@' for a picture, '~' for the mark
// after a hyphen that the compiler added).
TEST(Info, TextInReadingOrder) {
  const std::vector<std::u16string> cyrillic = {u"\u0416\u0438\u0437\u043D\u044C \u2014 \u0451\u0436"};
  using TPages = std::vector<std::vector<std::u16string>>;
  const struct { const char* name; bool unicode; TPages pages; const char* text; } cases[] = {
      {"pages", false, {{}, {u"One line", u"two"}, {u"Next@\x1Fpage #."}},
       "\f\nOne line\ntwo\n\f\nNext page 2.\n"},
      {"cp1251", false, {{}, cyrillic}, "\f\nЖизнь — ёж\n"},
      {"unicode", true, {{}, cyrillic}, "\f\nЖизнь — ёж\n"},
      {"broken", false, {{}, {u"A hy-~", u"phen-~", u"ated word, Jean-", u"Paul, 1-~", u"2 and a para-~"}, {u"graph."}},
       "\f\nA hyphenated\n\nword, Jean-\nPaul, 1-\n2 and a paragraph.\n\f\n\n"},
  };
  for (const auto& c : cases) {
    TBookWriter w;
    if (c.unicode) w.SetProperty("encoding", "unicode");
    w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Times New Roman", .size = 12}));
    w.AddPicture(10, PackedPictureRecord(1, 1, Bzip(std::string(4, '\0'))));
    w.AddAnchor("there", 2);
    for (const auto& page : c.pages) {
      std::vector<TLineRecord> lines;
      for (const std::u16string& text : page) {
        lines.emplace_back();
        for (char16_t ch : text) {
          const std::string cp1251 = Utf8ToCp1251(Utf16ToUtf8(std::u16string(1, ch)));
          const uint16_t code = c.unicode ? ch : static_cast<uint8_t>(cp1251[0]);
          using TItem = std::pair<uint16_t, uint16_t>;
          lines.back().items.push_back(ch == u'#' ? TItem{0, 4} : ch == u'@' ? TItem{0, 1} : ch == u'~' ? TItem{150, 5} : TItem{code, 5});
        }
      }
      w.AddPage(EncodePageRecord(-1, lines));
    }
    const TRun run = RunInfo(test::WriteTempFile(std::string(c.name) + ".bin", w.Build()) + " --text");
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_EQ(run.out, c.text) << c.name;
  }
}

}  // namespace
}  // namespace folivar
