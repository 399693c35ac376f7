#include "tools/common/png.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/myclasses.h"

namespace folivar {

namespace {

struct TFileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using TFilePtr = std::unique_ptr<FILE, TFileCloser>;

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
  (void)png;
  throw std::runtime_error(std::string("PNG: ") + message);
}

void PngWarning(png_structp, png_const_charp) {}

void AppendPng(png_structp png, png_bytep data, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}

}  // namespace

std::string EncodePng(uint32_t width, uint32_t height, const std::vector<uint32_t>& pixels) {
  if (pixels.size() != size_t{width} * height) throw std::invalid_argument("pixel count does not match the size");
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png_create_info_struct(png);
  struct TDone {
    png_structp& png;
    png_infop& info;
    ~TDone() { png_destroy_write_struct(&png, &info); }
  } done{png, info};
  png_set_write_fn(png, &out, AppendPng, nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(size_t{width} * 3);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[size_t{y} * width + x];
      row[3 * x] = static_cast<png_byte>(p >> 16);
      row[3 * x + 1] = static_cast<png_byte>(p >> 8);
      row[3 * x + 2] = static_cast<png_byte>(p);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  return out;
}

void WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint32_t>& pixels) {
  WriteWholeFile(path, EncodePng(width, height, pixels));
}

std::vector<uint32_t> ReadPng(const std::string& path, uint32_t& width, uint32_t& height) {
  TFilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) throw std::runtime_error("cannot read " + path);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  png_infop info = png_create_info_struct(png);
  struct TDone {
    png_structp& png;
    png_infop& info;
    ~TDone() { png_destroy_read_struct(&png, &info, nullptr); }
  } done{png, info};
  png_init_io(png, file.get());
  png_set_user_limits(png, 16384, 16384);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  std::vector<png_byte> row(size_t{width} * 4);
  std::vector<uint32_t> pixels(size_t{width} * height);
  const int passes = png_set_interlace_handling(png);
  std::vector<png_byte> image(size_t{width} * 4 * height);
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = &image[size_t{y} * width * 4];
  (void)passes;
  png_read_image(png, rows.data());
  for (size_t i = 0; i < pixels.size(); ++i) {
    const png_byte* p = &image[4 * i];
    const uint32_t a = p[3];
    auto over = [a](uint32_t c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    pixels[i] = over(p[0]) << 16 | over(p[1]) << 8 | over(p[2]);
  }
  return pixels;
}

}  // namespace folivar
