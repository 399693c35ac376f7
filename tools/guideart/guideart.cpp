#include "tools/guideart/guideart.h"

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "tools/artwork/glyphs.h"
#include "tools/common/png.h"
#include "tools/guideart/guidepictures.h"

namespace folivar::guideart {

namespace {

// The guide's page, and its text column between the margins.
constexpr uint32_t kPageWidth = 388, kPageHeight = 575;
constexpr uint32_t kColumnWidth = 328;
constexpr uint32_t kDigitHeight = 12;

struct TArtFile {
  std::string name;
  std::function<TGuidePicture()> draw;
};

std::vector<TArtFile> ArtFiles(const art::TFont* serif, const art::TFont* bold,
                               const art::TFont* italic) {
  std::vector<TArtFile> files = {
      {"cover.png", [=] { return Cover(kPageWidth, kPageHeight, *bold, *italic); }},
      {"paper.png", [] { return Paper(kPageWidth, kPageHeight); }},
  };
  for (int d = 0; d <= 9; ++d) {
    files.push_back({"digit-" + std::to_string(d) + ".png", [=] { return Digit(d, kDigitHeight, *serif); }});
  }
  files.push_back({"leaf.png", [] { return Leaf(16); }});
  files.push_back({"ornament.png", [] { return Ornament(150, 26); }});
  files.push_back({"window.png", [] { return WindowDiagram(kColumnWidth, 250); }});
  files.push_back({"landscape.png", [] { return Landscape(kColumnWidth, 200); }});
  return files;
}

}  // namespace

std::vector<std::string> GuideArtFiles() {
  std::vector<std::string> names;
  for (const TArtFile& f : ArtFiles(nullptr, nullptr, nullptr)) names.push_back(f.name);
  return names;
}

void WriteGuideArt(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) throw std::runtime_error("cannot create the folder: " + error.message());
  const art::TFont serif("Liberation Serif", "Regular");
  const art::TFont bold("Liberation Serif", "Bold");
  const art::TFont italic("Liberation Serif", "Italic");
  for (const TArtFile& f : ArtFiles(&serif, &bold, &italic)) {
    const TGuidePicture picture = f.draw();
    const std::string path = (std::filesystem::path(dir) / f.name).string();
    WritePng(path, picture.width, picture.height, picture.pixels);
  }
}

}  // namespace folivar::guideart
