// The user's guide as the build compiles it: what the book holds, and renders of the spreads a
// reader sees first (open them in build/native/tests/guide/ to look at them): the cover, the
// contents, a text spread, the window drawing, the landscape and the Russian chapter.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "book/bookclass.h"
#include "book/loading.h"
#include "tests/support/testsupport.h"
#include "core/ttable.h"
#include "tools/common/png.h"

namespace folivar {
namespace {

const std::string kOut = FOLIVAR_GUIDE_OUT;

class Guide : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { std::filesystem::create_directories(kOut); }

  static const TBookImage& Image() {
    static const TBookImage image = [] {
      auto source = OpenBookImage(FOLIVAR_GUIDE_BOOK);
      return WalkBookImage(*source);
    }();
    return image;
  }

  static int32_t AnchorPage(const std::string& name) {
    for (const TAnchor& a : Image().anchors)
      if (a.name == name) return a.page;
    return -1;
  }

  // Renders the spread of page into kOut/name.png and reads it back.
  static std::vector<uint32_t> Render(int32_t page, const std::string& name, uint32_t& width) {
    const std::string path = kOut + "/" + name + ".png";
    const test::TCommandRun run = test::RunCommand(std::string(FOLIVAR_RENDER_EXE) + " " +
                                                   FOLIVAR_GUIDE_BOOK + " --page " +
                                                   std::to_string(page) + " -o " + path);
    EXPECT_EQ(run.status, 0) << run.out;
    uint32_t height = 0;
    return ReadPng(path, width, height);
  }
};

TEST_F(Guide, HoldsWhatTheSourceSays) {
  const TBookImage& image = Image();
  EXPECT_EQ(image.header.title, "Folivar");
  EXPECT_EQ(image.header.author, "The Folivar team");
  EXPECT_EQ(image.header.printEnabled, 1);
  // Pages: the cover, then at least forty more; the substitute page comes on top.
  EXPECT_GE(image.pageOffsets.size(), 42u);
  // Every chapter is an anchor, in order, and the table of contents comes before them.
  const int32_t contents = AnchorPage("contents");
  const int32_t reading = AnchorPage("reading");
  const int32_t making = AnchorPage("making");
  const int32_t russian = AnchorPage("chtenie");
  EXPECT_GT(contents, 0);
  EXPECT_LT(contents, reading);
  EXPECT_LT(reading, making);
  EXPECT_LT(making, russian);
  EXPECT_NE(GetValue(image.properties, "anime"), "");
  EXPECT_EQ(GetValue(image.properties, "pageturn_animation"), "1");
  // The messages of the reader, in English.
  std::map<std::string, std::string> messages;
  for (size_t i = 0; i < image.messageKeys.size(); ++i) messages[image.messageKeys[i]] = image.messageTexts[i];
  for (const char* key : {"ok", "information", "publisher", "about", "theend", "printingdocumenttitle",
                          "printingcompleted", "congratulations", "congratulations2", "continue"}) {
    EXPECT_NE(messages[key], "") << key;
  }
}

TEST_F(Guide, HasPicturesInEveryFormat) {
  // A picture entry is the ascent (4 bytes) and a reserved byte, then the picture record: packed
  // records hold size, width and height (12 bytes) before their data, which begins "XBM" for
  // the XBM format and "BZh" for raw pixels.
  const std::string bytes = test::ReadWholeFile(FOLIVAR_GUIDE_BOOK);
  std::map<std::string, int32_t> sizes;
  std::map<std::string, int> counts;
  for (const TPictureEntryInfo& p : Image().pictures) {
    std::string kind = "XWL";
    if (!p.wavelet) {
      const size_t data = static_cast<size_t>(p.offset) + 17;
      ASSERT_LT(data + 3, bytes.size());
      kind = bytes.compare(data, 3, "XBM") == 0 ? "XBM" : bytes.compare(data, 3, "BZh") == 0 ? "raw" : "?";
    }
    sizes[kind] += p.size;
    ++counts[kind];
  }
  EXPECT_EQ(counts.count("?"), 0u);
  EXPECT_GE(counts["XBM"], 11);  // ten digits and the leaf at least
  EXPECT_GE(counts["raw"], 1);
  EXPECT_GE(counts["XWL"], 2);   // the cover and a photograph
  int32_t total = 0;
  for (const auto& [kind, size] : sizes) total += size;
  for (const auto& [kind, size] : sizes) {
    std::printf("guide pictures %s: %d, %d bytes, %.1f%% of the picture bytes, %.1f%% of the image\n",
                kind.c_str(), counts[kind], size, 100.0 * size / total, 100.0 * size / static_cast<double>(bytes.size()));
  }
}

TEST_F(Guide, RendersOfItsSpreads) {
  uint32_t width = 0;
  // The cover alone, then spreads of two pages.
  const std::vector<uint32_t> cover = Render(0, "cover", width);
  EXPECT_EQ(width, 388u);
  const std::set<uint32_t> coverColours(cover.begin(), cover.end());
  EXPECT_GT(coverColours.size(), 1000u);  // a painted picture, not a flat page

  const std::pair<const char*, const char*> spreads[] = {
      {"contents", "contents"}, {"turning", "text"}, {"windowdrawing", "window-drawing"},
      {"designing", "pictures"}, {"chtenie", "russian"}};
  for (const auto& [anchor, name] : spreads) {
    const int32_t page = AnchorPage(anchor);
    ASSERT_GT(page, 0) << anchor;
    const std::vector<uint32_t> spread = Render(page, name, width);
    EXPECT_EQ(width, 776u) << name;
    // Ink on both pages: dark pixels of text in each half.
    size_t left = 0, right = 0;
    for (size_t i = 0; i < spread.size(); ++i) {
      const uint32_t p = spread[i];
      const bool dark = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 200;
      if (dark && i % 776 > 30 && i % 776 < 358) ++left;
      if (dark && i % 776 > 418 && i % 776 < 746) ++right;
    }
    EXPECT_GT(left + right, 3000u) << name;
  }
}

// The Russian message file, compiled into the guide in place of the English one: the reader gets
// its texts in code page 1251.
TEST_F(Guide, CompilesWithTheRussianMessages) {
  namespace fs = std::filesystem;
  const fs::path source = fs::path(test::TempDir()) / "guide-ru";
  fs::remove_all(source);
  fs::copy(FOLIVAR_GUIDE_SOURCE, source, fs::copy_options::recursive);
  std::string toml = test::ReadWholeFile((source / "book.toml").string());
  const std::string english = "messages = \"messages.txt\"";
  const size_t at = toml.find(english);
  ASSERT_NE(at, std::string::npos);
  toml.replace(at, english.size(), "messages = \"messages-ru.txt\"");
  test::WriteTempFile("guide-ru/book.toml", toml);
  const std::string book = (fs::path(test::TempDir()) / "guide-ru.bin").string();
  const test::TCommandRun run =
      test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + source.string() + " -o " + book);
  ASSERT_EQ(run.status, 0) << run.out;

  auto file = OpenBookImage(book);
  const TBookImage image = WalkBookImage(*file);
  std::map<std::string, std::string> messages;
  for (size_t i = 0; i < image.messageKeys.size(); ++i) messages[image.messageKeys[i]] = image.messageTexts[i];
  EXPECT_EQ(messages["continue"], "\xCF\xF0\xEE\xE4\xEE\xEB\xE6\xE8\xF2\xFC");  // "Продолжить"
  EXPECT_EQ(messages["WasPresses_y"], "YES:\xC4\xE0:");                              // "YES:Да:"
  EXPECT_EQ(messages["theend"], "\xDD\xF2\xEE \xEA\xEE\xED\xE5\xF6 \xEA\xED\xE8\xE3\xE8.");
}

}  // namespace
}  // namespace folivar
