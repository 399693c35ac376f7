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
#include "core/ttable.h"
#include "tests/support/testsupport.h"
#include "tools/common/png.h"

namespace folivar {
namespace {

const std::string kOut = FOLIVAR_GUIDE_OUT;

const TBookImage& Guide() {
  static const TBookImage image = WalkBookImage(*OpenBookImage(FOLIVAR_GUIDE_BOOK));
  return image;
}

int32_t AnchorPage(const std::string& name) {
  for (const TAnchor& a : Guide().anchors)
    if (a.name == name) return a.page;
  return -1;
}

// The header, properties and messages come from book.toml as the compiler tests check; the guide
// is a book of many pages whose chapters come in their order.
TEST(Guide, HoldsItsChaptersInOrder) {
  // Pages: the cover, then at least forty more; the substitute page comes on top.
  EXPECT_GE(Guide().pageOffsets.size(), 42u);
  std::vector<int32_t> pages;  // the table of contents first
  for (const char* anchor : {"contents", "reading", "making", "chtenie"}) pages.push_back(AnchorPage(anchor));
  EXPECT_GT(pages[0], 0);
  EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end()) && std::set<int32_t>(pages.begin(), pages.end()).size() == 4);
}

TEST(Guide, HasPicturesInEveryFormat) {
  // A picture entry is the ascent (4 bytes) and a reserved byte, then the picture record: packed
  // records hold size, width and height (12 bytes) before their data, which begins "XBM" for
  // the XBM format and "BZh" for raw pixels.
  const std::string bytes = test::ReadWholeFile(FOLIVAR_GUIDE_BOOK);
  std::map<std::string, int> counts;
  for (const TPictureEntryInfo& p : Guide().pictures) {
    const size_t data = static_cast<size_t>(p.offset) + 17;
    ASSERT_LT(data + 3, bytes.size());
    const std::string magic = bytes.substr(data, 3);
    ++counts[p.wavelet ? "XWL" : magic == "XBM" ? "XBM" : magic == "BZh" ? "raw" : "?"];
  }
  EXPECT_EQ(counts.count("?"), 0u);
  EXPECT_GE(counts["XBM"], 11);  // ten digits and the leaf at least
  EXPECT_GE(counts["raw"], 1);
  EXPECT_GE(counts["XWL"], 2);   // the cover and a photograph
}

// Renders the spread of page into kOut/name.png and reads it back.
std::vector<uint32_t> Render(int32_t page, const std::string& name, uint32_t& width) {
  std::filesystem::create_directories(kOut);
  const std::string path = kOut + "/" + name + ".png";
  const test::TCommandRun run = test::RunCommand(std::string(FOLIVAR_RENDER_EXE) + " " + FOLIVAR_GUIDE_BOOK +
                                                 " --page " + std::to_string(page) + " -o " + path);
  EXPECT_EQ(run.status, 0) << run.out;
  uint32_t height = 0;
  return ReadPng(path, width, height);
}

TEST(Guide, RendersOfItsSpreads) {
  uint32_t width = 0;
  // The cover alone, then spreads of two pages.
  const std::vector<uint32_t> cover = Render(0, "cover", width);
  EXPECT_EQ(width, 388u);
  EXPECT_GT(std::set<uint32_t>(cover.begin(), cover.end()).size(), 1000u);  // a painted picture, not a flat page
  const std::pair<const char*, const char*> spreads[] = {
      {"contents", "contents"}, {"turning", "text"}, {"windowdrawing", "window-drawing"},
      {"designing", "pictures"}, {"chtenie", "russian"}};
  for (const auto& [anchor, name] : spreads) {
    const int32_t page = AnchorPage(anchor);
    ASSERT_GT(page, 0) << anchor;
    const std::vector<uint32_t> spread = Render(page, name, width);
    EXPECT_EQ(width, 776u) << name;
    // Ink on the pages: dark pixels of text.
    size_t dark = 0;
    for (size_t i = 0; i < spread.size(); ++i) {
      const uint32_t p = spread[i], x = static_cast<uint32_t>(i % 776);
      dark += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 200 && ((x > 30 && x < 358) || (x > 418 && x < 746));
    }
    EXPECT_GT(dark, 3000u) << name;
  }
}

// The Russian message file, compiled into the guide in place of the English one: the reader gets
// its texts in code page 1251, and the guide, which fits the code page, stays a plain book.
TEST(Guide, CompilesWithTheRussianMessages) {
  namespace fs = std::filesystem;
  const fs::path source = fs::path(test::TempDir()) / "guide-ru";
  fs::remove_all(source);
  fs::copy(FOLIVAR_GUIDE_SOURCE, source, fs::copy_options::recursive);
  std::string toml = test::ReadWholeFile((source / "book.toml").string());
  const size_t at = toml.find("messages = \"messages.txt\"");
  ASSERT_NE(at, std::string::npos);
  test::WriteTempFile("guide-ru/book.toml", toml.insert(at + 20, "-ru"));
  const std::string book = (fs::path(test::TempDir()) / "guide-ru.bin").string();
  const test::TCommandRun run = test::RunCommand(std::string(FOLIVAR_MAKE_EXE) + " " + source.string() + " -o " + book);
  ASSERT_EQ(run.status, 0) << run.out;
  const TBookImage image = WalkBookImage(*OpenBookImage(book));
  std::map<std::string, std::string> messages;
  for (size_t i = 0; i < image.messageKeys.size(); ++i) messages[image.messageKeys[i]] = image.messageTexts[i];
  EXPECT_EQ(messages["continue"], "\xCF\xF0\xEE\xE4\xEE\xEB\xE6\xE8\xF2\xFC");  // "Продолжить"
  EXPECT_EQ(messages["WasPresses_y"], "YES:\xC4\xE0:");                              // "YES:Да:"
  EXPECT_EQ(messages["theend"], "\xDD\xF2\xEE \xEA\xEE\xED\xE5\xF6 \xEA\xED\xE8\xE3\xE8.");
  EXPECT_EQ(messages["close"], "\xC7\xE0\xEA\xF0\xFB\xF2\xFC");  // "Закрыть", the find box's button
  EXPECT_EQ(GetValue(image.properties, "encoding"), "");
}

}  // namespace
}  // namespace folivar
