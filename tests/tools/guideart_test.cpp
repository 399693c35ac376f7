// folivar-guideart: the guide's pictures, each of the kind and size its place asks for, the same on
// every run; and its error contract. That the guide names no other picture and that every block
// picture fits the text area is checked where the guide is compiled (guide_test): the compiler
// refuses a missing picture and one larger than the text area.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "tests/support/testsupport.h"
#include "tools/common/png.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

test::TCommandRun GuideArt(const std::string& arguments) {
  return test::RunCommand(std::string(FOLIVAR_GUIDEART_EXE) + " " + arguments);
}

struct TPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  size_t Colours() const { return std::set<uint32_t>(pixels.begin(), pixels.end()).size(); }
};

// The integer value of `key = N` in the guide's book.toml.
uint32_t TomlInt(const std::string& key) {
  const std::string toml = test::ReadWholeFile(std::string(FOLIVAR_GUIDE_SOURCE) + "/book.toml");
  std::smatch m;
  return std::regex_search(toml, m, std::regex("\\b" + key + "\\s*=\\s*([0-9]+)")) ? static_cast<uint32_t>(std::stoul(m[1])) : 0;
}

class GuideArtTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::remove_all(out_);
    run_ = GuideArt(out_);
  }
  void SetUp() override { ASSERT_EQ(run_.status, 0) << run_.out; }
  static TPicture Read(const std::string& name) {
    TPicture p;
    p.pixels = ReadPng(out_ + "/" + name, p.width, p.height);
    return p;
  }
  static inline const std::string out_ = test::TempDir() + "/guideart";
  static inline test::TCommandRun run_;
};

TEST_F(GuideArtTool, EachPictureIsOfTheKindAndSizeItsPlaceAsksFor) {
  // The cover fills a page; a picture inline on a line of 12-point text must not tear it apart.
  const TPicture cover = Read("cover.png"), leaf = Read("leaf.png");
  EXPECT_EQ(std::vector<uint32_t>({cover.width, cover.height}), std::vector<uint32_t>({TomlInt("width"), TomlInt("height")}));
  EXPECT_LE(leaf.height, 20u);
  // Glyphs and line art of few colours; the photograph and the cover of many.
  EXPECT_EQ(std::vector<bool>({leaf.Colours() <= 8, Read("ornament.png").Colours() <= 8, Read("window.png").Colours() <= 16,
                               Read("landscape.png").Colours() > 2000, cover.Colours() > 2000}),
            std::vector<bool>(5, true));
  // The paper stays quiet behind the text: no pixel strays far from its average.
  for (const uint32_t px : Read("paper.png").pixels) ASSERT_TRUE((px >> 16 & 0xFF) > 0xE0 && (px & 0xFF) > 0xC8) << std::hex << px;
  // The digits: proportional figures as high as each other, never wider than high, inside the
  // margin; the corners the white that the reader leaves out, the digit itself dark.
  const uint32_t height = Read("digit-0.png").height;
  for (int d = 0; d <= 9; ++d) {
    const TPicture p = Read("digit-" + std::to_string(d) + ".png");
    EXPECT_TRUE(p.height == height && p.width >= 3 && p.width <= p.height && p.height < TomlInt("bottom") / 2) << d;
    EXPECT_EQ(std::vector<uint32_t>({p.pixels.front(), p.pixels.back()}), std::vector<uint32_t>(2, 0xFFFFFF)) << d;
    EXPECT_LT(*std::min_element(p.pixels.begin(), p.pixels.end()), 0x404040u) << d;
    EXPECT_LE(p.Colours(), 4u) << d;
  }
}

TEST_F(GuideArtTool, TheSameSixteenFilesOnEveryRun) {
  const std::string again = test::TempDir() + "/guideart-again";
  fs::remove_all(again);
  ASSERT_EQ(GuideArt(again).status, 0);
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(out_)) {
    ++files;
    EXPECT_TRUE(test::ReadWholeFile(entry.path().string()) ==
                test::ReadWholeFile(again + "/" + entry.path().filename().string()))
        << entry.path().filename();
  }
  EXPECT_EQ(files, 16u);  // cover, paper, ten digits, leaf, ornament, window, landscape
}

TEST(GuideArtErrors, BadUsageAndAFolderThatCannotBeMade) {
  const test::TCommandRun none = GuideArt("");
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.out.find("usage: folivar-guideart OUT_DIR"), std::string::npos) << none.out;
  EXPECT_EQ(GuideArt("a b").status, 2);
  // A file stands where the folder should be.
  const std::string file = test::WriteTempFile("guideart-not-a-folder", "x");
  const test::TCommandRun blocked = GuideArt(file + "/art");
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.out.rfind("folivar-guideart: " + file + "/art: ", 0), 0u) << blocked.out;
  EXPECT_EQ(std::count(blocked.out.begin(), blocked.out.end(), '\n'), 1) << blocked.out;
}

}  // namespace
}  // namespace folivar
