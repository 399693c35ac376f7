// folivar-guideart: every picture that the guide's book.toml and chapters name is drawn, at a size
// that fits the guide's pages, in the kind of picture its place asks for, the same on every run;
// and its error contract.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "tests/support/testsupport.h"
#include "tools/common/png.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

const std::string kGuide = FOLIVAR_GUIDE_SOURCE;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

test::TCommandRun GuideArt(const std::string& arguments) {
  return test::RunCommand(std::string(FOLIVAR_GUIDEART_EXE) + " " + arguments);
}

struct TPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
  size_t Colours() const { return std::set<uint32_t>(pixels.begin(), pixels.end()).size(); }
};

TPicture Read(const fs::path& path) {
  TPicture p;
  p.pixels = ReadPng(path.string(), p.width, p.height);
  return p;
}

// The integer value of `key = N` in book.toml, or of `key = N` inside an inline table.
int TomlInt(const std::string& toml, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(toml, m, std::regex("\\b" + key + "\\s*=\\s*([0-9]+)"))) return -1;
  return std::stoi(m[1]);
}

// Every picture file the source names: the [pictures] of book.toml (digits expanded) and the
// pictures of the chapters, each with whether a chapter sets it inline or as a block.
struct TNamedPictures {
  std::set<std::string> files;
  std::set<std::string> inlinePictures;
  std::set<std::string> blockPictures;
};

TNamedPictures NamedPictures() {
  TNamedPictures named;
  const std::string toml = ReadText(fs::path(kGuide) / "book.toml");
  const std::regex art("\"(art/[^\"]+\\.png)\"");
  for (std::sregex_iterator i(toml.begin(), toml.end(), art), end; i != end; ++i) {
    std::string name = (*i)[1];
    if (const size_t at = name.find("{}"); at != std::string::npos) {
      for (int d = 0; d <= 9; ++d) named.files.insert(std::string(name).replace(at, 2, std::to_string(d)));
    } else {
      named.files.insert(name);
    }
  }
  const std::regex picture("!\\[[^\\]]*\\]\\((art/[^ )]+\\.png)");
  for (const auto& entry : fs::directory_iterator(kGuide)) {
    if (entry.path().extension() != ".md") continue;
    std::istringstream lines(ReadText(entry.path()));
    std::string line, paragraph;
    // A paragraph that holds only a picture sets it as a block; anywhere else it stands inline.
    auto flush = [&] {
      const std::regex alone("^\\s*!\\[[^\\]]*\\]\\(([^ )]+)[^)]*\\)\\s*$");
      std::smatch only;
      const bool block = std::regex_match(paragraph, only, alone);
      for (std::sregex_iterator i(paragraph.begin(), paragraph.end(), picture), end; i != end; ++i) {
        named.files.insert((*i)[1]);
        (block ? named.blockPictures : named.inlinePictures).insert((*i)[1]);
      }
      paragraph.clear();
    };
    while (std::getline(lines, line)) {
      if (line.find_first_not_of(" \t\r") == std::string::npos || line.rfind("<!--", 0) == 0) {
        flush();
      } else {
        paragraph += line + "\n";
      }
    }
    flush();
  }
  return named;
}

class GuideArtTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    out_ = test::TempDir() + "/guideart";
    fs::remove_all(out_);
    run_ = GuideArt(out_);
  }
  static std::string out_;
  static test::TCommandRun run_;
};
std::string GuideArtTool::out_;
test::TCommandRun GuideArtTool::run_;

TEST_F(GuideArtTool, DrawsEveryPictureTheGuideNamesAtASizeThatFits) {
  ASSERT_EQ(run_.status, 0) << run_.out;
  const std::string toml = ReadText(fs::path(kGuide) / "book.toml");
  const int pageWidth = TomlInt(toml, "width"), pageHeight = TomlInt(toml, "height");
  const int column = pageWidth - TomlInt(toml, "left") - TomlInt(toml, "right");
  ASSERT_GT(column, 0);
  const TNamedPictures named = NamedPictures();
  ASSERT_GE(named.files.size(), 16u);  // cover, paper, ten digits and the chapters' pictures
  EXPECT_TRUE(named.blockPictures.count("art/window.png"));
  EXPECT_TRUE(named.blockPictures.count("art/landscape.png"));
  EXPECT_TRUE(named.inlinePictures.count("art/leaf.png"));
  for (const std::string& name : named.files) {
    const fs::path path = fs::path(out_) / fs::path(name).filename();
    ASSERT_TRUE(fs::exists(path)) << name;
    const TPicture p = Read(path);
    EXPECT_GT(p.width, 0u) << name;
    EXPECT_GT(p.height, 0u) << name;
    EXPECT_LE(p.height, static_cast<uint32_t>(pageHeight)) << name;
    if (named.blockPictures.count(name)) {
      EXPECT_LE(p.width, static_cast<uint32_t>(column)) << name;
    }
    // A picture on a line of 12-point text must not tear the line apart.
    if (named.inlinePictures.count(name)) {
      EXPECT_LE(p.height, 20u) << name;
    }
  }
  const TPicture cover = Read(fs::path(out_) / "cover.png");
  EXPECT_EQ(cover.width, static_cast<uint32_t>(pageWidth));
  EXPECT_EQ(cover.height, static_cast<uint32_t>(pageHeight));
}

TEST_F(GuideArtTool, DigitsAreGlyphsOnTheKeyWhite) {
  ASSERT_EQ(run_.status, 0) << run_.out;
  const int bottomMargin = TomlInt(ReadText(fs::path(kGuide) / "book.toml"), "bottom");
  const TPicture zero = Read(fs::path(out_) / "digit-0.png");
  for (int d = 0; d <= 9; ++d) {
    const TPicture p = Read(fs::path(out_) / ("digit-" + std::to_string(d) + ".png"));
    // Proportional figures: as high as each other, never wider than high.
    EXPECT_EQ(p.height, zero.height) << d;
    EXPECT_GE(p.width, 3u) << d;
    EXPECT_LE(p.width, p.height) << d;
    EXPECT_LT(p.height, static_cast<uint32_t>(bottomMargin) / 2) << d;
    // The corners are the white that the reader leaves out; the digit itself is dark.
    EXPECT_EQ(p.pixels.front(), 0xFFFFFFu) << d;
    EXPECT_EQ(p.pixels.back(), 0xFFFFFFu) << d;
    const uint32_t darkest = *std::min_element(p.pixels.begin(), p.pixels.end());
    EXPECT_LT(darkest, 0x404040u) << d;
    EXPECT_LE(p.Colours(), 4u) << d;
  }
}

TEST_F(GuideArtTool, EachPictureIsOfTheKindItsPlaceAsksFor) {
  ASSERT_EQ(run_.status, 0) << run_.out;
  // Glyphs and line art of few colours; the photograph and the paper of many.
  EXPECT_LE(Read(fs::path(out_) / "leaf.png").Colours(), 8u);
  EXPECT_LE(Read(fs::path(out_) / "ornament.png").Colours(), 8u);
  EXPECT_LE(Read(fs::path(out_) / "window.png").Colours(), 16u);
  EXPECT_GT(Read(fs::path(out_) / "landscape.png").Colours(), 2000u);
  EXPECT_GT(Read(fs::path(out_) / "cover.png").Colours(), 2000u);
  // The paper stays quiet behind the text: no pixel strays far from its average.
  const TPicture paper = Read(fs::path(out_) / "paper.png");
  for (const uint32_t px : paper.pixels) {
    ASSERT_GT(px >> 16 & 0xFF, 0xE0u);
    ASSERT_GT(px & 0xFF, 0xC8u);
  }
}

TEST_F(GuideArtTool, TheSameFilesOnEveryRun) {
  ASSERT_EQ(run_.status, 0) << run_.out;
  const std::string again = test::TempDir() + "/guideart-again";
  fs::remove_all(again);
  ASSERT_EQ(GuideArt(again).status, 0);
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(out_)) {
    ++files;
    EXPECT_EQ(ReadText(entry.path()), ReadText(fs::path(again) / entry.path().filename()))
        << entry.path().filename();
  }
  EXPECT_EQ(files, 16u);
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
