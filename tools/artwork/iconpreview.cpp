#include "tools/artwork/iconpreview.h"

#include <algorithm>
#include <filesystem>

#include "tools/common/png.h"

namespace folivar::art {

namespace {

class TCanvas {
 public:
  TCanvas(uint32_t w, uint32_t h, uint32_t ground) : w_(w), h_(h), px_(size_t{w} * h, ground) {}

  void Checker(uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, uint32_t cell) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        Set(x0 + x, y0 + y, ((x / cell + y / cell) % 2) ? 0xC8C8C8 : 0xF4F4F4);
  }
  void Rect(uint32_t x0, uint32_t y0, uint32_t w, uint32_t h, uint32_t c) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) Set(x0 + x, y0 + y, c);
  }
  // The image composed over what is there, each pixel a zoom x zoom square.
  void Put(const TIconImage& image, uint32_t x0, uint32_t y0, uint32_t zoom) {
    for (uint32_t y = 0; y < image.height * zoom; ++y) {
      for (uint32_t x = 0; x < image.width * zoom; ++x) {
        const uint32_t s = image.pixels[size_t{y / zoom} * image.width + x / zoom];
        const uint32_t a = s >> 24;
        const size_t i = Index(x0 + x, y0 + y);
        if (i == kNone) continue;
        uint32_t out = 0;
        for (int shift : {0, 8, 16}) {
          const uint32_t sc = (s >> shift) & 0xFF, dc = (px_[i] >> shift) & 0xFF;
          out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
        }
        px_[i] = out;
      }
    }
  }
  void Save(const std::string& path) const { WritePng(path, w_, h_, px_); }

 private:
  static constexpr size_t kNone = ~size_t{0};
  size_t Index(uint32_t x, uint32_t y) const { return x < w_ && y < h_ ? size_t{y} * w_ + x : kNone; }
  void Set(uint32_t x, uint32_t y, uint32_t c) {
    const size_t i = Index(x, y);
    if (i != kNone) px_[i] = c;
  }
  uint32_t w_;
  uint32_t h_;
  std::vector<uint32_t> px_;
};

void Alone(const TIconImage& image, const std::string& path, uint32_t zoom) {
  const uint32_t w = image.width * zoom, h = image.height * zoom;
  TCanvas c(w, h, 0);
  c.Checker(0, 0, w, h, std::max(4u, zoom * 2));
  c.Put(image, 0, 0, zoom);
  c.Save(path);
}

}  // namespace

void WriteIconPreviews(const std::vector<TIconImage>& icon, const TIconImage& cursor,
                       const std::string& dir) {
  namespace fs = std::filesystem;
  fs::create_directories(dir);
  std::vector<TIconImage> all = icon;
  all.push_back(cursor);
  for (size_t i = 0; i < all.size(); ++i) {
    const TIconImage& image = all[i];
    const std::string name = i + 1 == all.size() ? "cursor" : "icon-" + std::to_string(image.width);
    Alone(image, (fs::path(dir) / (name + ".png")).string(), 1);
    Alone(image, (fs::path(dir) / (name + "-8x.png")).string(), 8);
  }
  // The sheet: a band per desktop colour with every image at full size, then all of them
  // magnified over the checkerboard, the cursor's hot spot outlined.
  const uint32_t grounds[] = {0xFFFFFF, 0xD4D0C8, 0x3A6EA5, 0x1E1E1E, 0x21703A};
  const uint32_t pad = 12, zoom = 8;
  uint32_t bandWidth = pad, tallest = 0, bigWidth = pad;
  for (const TIconImage& image : all) {
    bandWidth += image.width + pad;
    bigWidth += image.width * zoom + pad;
    tallest = std::max(tallest, image.height);
  }
  const uint32_t bands = static_cast<uint32_t>(std::size(grounds));
  const uint32_t width = std::max(bandWidth, bigWidth);
  const uint32_t height = bands * (tallest + 2 * pad) + tallest * zoom + 2 * pad;
  TCanvas sheet(width, height, 0x808080);
  for (uint32_t b = 0; b < bands; ++b) {
    const uint32_t y = b * (tallest + 2 * pad);
    sheet.Rect(0, y, width, tallest + 2 * pad, grounds[b]);
    uint32_t x = pad;
    for (const TIconImage& image : all) {
      sheet.Put(image, x, y + pad, 1);
      x += image.width + pad;
    }
  }
  uint32_t x = pad;
  const uint32_t y = bands * (tallest + 2 * pad) + pad;
  for (const TIconImage& image : all) {
    sheet.Checker(x, y, image.width * zoom, image.height * zoom, 8);
    sheet.Put(image, x, y, zoom);
    x += image.width * zoom + pad;
  }
  // The cursor's hot spot, outlined in red at the magnified cursor.
  const uint32_t hx = x - pad - cursor.width * zoom + cursor.hotX * zoom, hy = y + cursor.hotY * zoom;
  sheet.Rect(hx, hy, zoom, 1, 0xE02020);
  sheet.Rect(hx, hy + zoom - 1, zoom, 1, 0xE02020);
  sheet.Rect(hx, hy, 1, zoom, 0xE02020);
  sheet.Rect(hx + zoom - 1, hy, 1, zoom, 0xE02020);
  sheet.Save((fs::path(dir) / "icon-sheet.png").string());
}

}  // namespace folivar::art
