// A book as publishers have it: tests/tools/samples/harbour.md (letters, poems, notes, a table,
// figures in PNG, JPEG, GIF and SVG, in English, Russian and French) written as an EPUB by pandoc,
// compiled in one step by folivar-make, and rendered. The spreads that hold each construct are
// kept in build/native/tests/realbook/ to be looked at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/testsupport.h"
#include "tools/common/png.h"

namespace folivar {
namespace {

const std::string kOut = FOLIVAR_REALBOOK_OUT;

std::string RunTool(const std::string& command) {
  const test::TCommandRun run = test::RunCommand(command);
  EXPECT_EQ(run.status, 0) << command << "\n" << run.out;
  return run.out;
}

// The sample's pictures, drawn here: a gradient sky (PNG), a photograph-like plasma (JPEG), a
// boat of few colours (GIF) and a compass rose as an SVG drawing.
void WritePictures(const std::string& dir) {
  std::vector<uint32_t> sky(600 * 400);
  for (uint32_t y = 0; y < 400; ++y)
    for (uint32_t x = 0; x < 600; ++x)
      sky[y * 600 + x] = (y * 255 / 400) << 16 | (x * 200 / 600) << 8 | (255 - y * 255 / 400);
  WritePng(dir + "/lighthouse.png", 600, 400, sky);
  RunTool("convert -seed 7 -size 900x600 plasma:steelblue-white -quality 85 " + dir + "/harbour.jpg");
  RunTool("convert -size 300x200 xc:skyblue -fill white -draw 'polygon 150,20 150,150 60,150' -fill brown "
      "-draw 'rectangle 50,150 250,175' " + dir + "/boat.gif");
  test::WriteTempFile("realbook/compass.svg",
                      "<svg xmlns='http://www.w3.org/2000/svg' width='18' height='18' viewBox='0 0 18 18'>"
                      "<circle cx='9' cy='9' r='8' fill='none' stroke='#802020' stroke-width='1.5'/>"
                      "<path d='M9 1 L11 9 L9 17 L7 9 Z' fill='#103050'/></svg>");
}

struct TBook {
  std::string path;
  std::vector<std::string> pages;  // the text of each page, from folivar-info --text
};

const TBook& Harbour() {
  static const TBook book = [] {
    const std::string dir = test::TempDir() + "/realbook";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(FOLIVAR_SAMPLES "/harbour.md", dir + "/harbour.md",
                               std::filesystem::copy_options::overwrite_existing);
    WritePictures(dir);
    RunTool("cd " + dir + " && pandoc -s harbour.md -o harbour.epub");
    TBook b;
    b.path = dir + "/harbour.bin";
    RunTool(std::string(FOLIVAR_MAKE_EXE) + " " + dir + "/harbour.epub -o " + b.path);
    const std::string text = RunTool(std::string(FOLIVAR_INFO_EXE) + " " + b.path + " --text");
    size_t at = 0;
    for (size_t ff; (ff = text.find('\f', at)) != std::string::npos; at = ff + 1) b.pages.push_back(text.substr(at, ff - at));
    b.pages.push_back(text.substr(at));
    return b;
  }();
  return book;
}

int32_t PageHolding(const std::string& words) {
  const std::vector<std::string>& pages = Harbour().pages;
  for (size_t i = 0; i < pages.size(); ++i)
    if (pages[i].find(words) != std::string::npos) return static_cast<int32_t>(i);
  return -1;
}

// Renders the spread of `page` into kOut/name.png; the number of colours it holds.
size_t Render(int32_t page, const std::string& name) {
  std::filesystem::create_directories(kOut);
  const std::string path = kOut + "/" + name + ".png";
  RunTool(std::string(FOLIVAR_RENDER_EXE) + " " + Harbour().path + " --page " + std::to_string(page) + " -o " + path);
  uint32_t width = 0, height = 0;
  const std::vector<uint32_t> pixels = ReadPng(path, width, height);
  return std::set<uint32_t>(pixels.begin(), pixels.end()).size();
}

TEST(RealBook, EveryConstructIsSetAndRendered) {
  // What each spread is kept for, and words that stand on it.
  const std::pair<const char*, const char*> places[] = {
      {"letter", "Dear Elin,"},           {"poem", "it does not knock, it does not greet;"},
      {"table", "Tuesday west 7 Clear."},           {"figure", "drawn from the north pier"},
      {"note", "Tar was used to waterproof"}, {"russian", "Дорогая Анна!"},
      {"french", "Chère Élodie,"},
  };
  for (const auto& [name, words] : places) {
    const int32_t page = PageHolding(words);
    ASSERT_GT(page, 0) << name << ": no page holds \"" << words << "\"";
    EXPECT_GT(Render(page, name), 20u) << name;  // text drawn with its anti-aliased edges
  }
  // The typographic cover: the title set on the page, not a blank page.
  EXPECT_GT(Render(0, "cover"), 20u);
}

// Each picture file comes out as a picture of the book, made smaller to fit the text (328 pixels
// wide), whatever its format: found by what it shows.
TEST(RealBook, PicturesOfEveryFormatAreInTheBook) {
  const std::string info = RunTool(std::string(FOLIVAR_INFO_EXE) + " " + Harbour().path);
  const size_t at = info.find("\"pictures\":");
  ASSERT_NE(at, std::string::npos);
  const int count = std::stoi(info.substr(at + 11));
  std::set<std::string> found;
  for (int k = 0; k < count; ++k) {
    const std::string png = test::TempDir() + "/realbook/picture.png";
    RunTool(std::string(FOLIVAR_INFO_EXE) + " " + Harbour().path + " --picture " + std::to_string(k) + " -o " + png);
    uint32_t w = 0, h = 0;
    const std::vector<uint32_t> p = ReadPng(png, w, h);
    auto near = [&](uint32_t x, uint32_t y, uint32_t colour) {
      const uint32_t c = p[size_t{y} * w + x];
      int d = 0;
      for (int shift : {0, 8, 16}) d += std::abs(static_cast<int>((c >> shift) & 0xFF) - static_cast<int>((colour >> shift) & 0xFF));
      return d < 40;
    };
    const size_t colours = std::set<uint32_t>(p.begin(), p.end()).size();
    if (w == 328 && h == 219 && near(0, h - 1, 0xFF0000) && near(w - 1, 0, 0x00C8FF)) found.insert("png");
    if (w == 328 && h == 219 && colours > 1000 && !near(0, h - 1, 0xFF0000)) found.insert("jpeg");
    if (w == 300 && h == 200 && near(0, 0, 0x87CEEB) && near(150, 160, 0xA52A2A)) found.insert("gif");
    const auto reddish = std::count_if(p.begin(), p.end(), [](uint32_t c) {
      return (c >> 16 & 0xFF) > 100 && (c >> 8 & 0xFF) < 110 && (c & 0xFF) < 110;
    });
    if (w == 18 && h == 18 && near(9, 9, 0x103050) && reddish > 20) found.insert("svg");  // the ring
  }
  EXPECT_EQ(found, (std::set<std::string>{"gif", "jpeg", "png", "svg"}));
}

}  // namespace
}  // namespace folivar
