// How long decoding an "XWL" picture takes next to libjpeg decoding a JPEG of the same picture at
// quality 90: a book's illustrations are decoded while the book opens, so XWL should cost no more
// than about twice what a JPEG would. Both run in one process on one 388 x 575 colour picture.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "book/xwlencode.h"
#include "images/xifzoom.h"

namespace folivar {
namespace {

constexpr uint32_t kWidth = 388, kHeight = 575;

// A photograph-like picture: smooth gradients, a disc and a dark rectangle with sharp edges,
// a texture that grows stronger lower down and a little noise.
std::vector<uint32_t> Photograph(uint32_t w, uint32_t h) {
  std::vector<uint32_t> pixels(size_t{w} * h);
  uint32_t seed = 12345;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const double fx = w > 1 ? double(x) / (w - 1) : 0, fy = h > 1 ? double(y) / (h - 1) : 0;
      double r = 40 + 150 * fx + 30 * std::sin(fy * 6.0);
      double g = 60 + 120 * fy + 20 * std::cos(fx * 9.0);
      double b = 180 - 100 * fx * fy;
      const double dx = fx - 0.45, dy = fy - 0.4;
      if (dx * dx + dy * dy < 0.06) {
        r = 220 - 60 * fy;
        g = 180;
        b = 60 + 40 * fx;
      }
      if (fx > 0.7 && fx < 0.9 && fy > 0.6 && fy < 0.85) {
        r *= 0.3;
        g *= 0.3;
        b *= 0.4;
      }
      const double texture = 12 * std::sin(x * 0.9) * std::sin(y * 0.7) * (fy > 0.5 ? 1.0 : 0.3);
      seed = seed * 1664525u + 1013904223u;
      const double noise = ((seed >> 24) / 255.0 - 0.5) * 8;
      auto channel = [&](double v) {
        return static_cast<uint32_t>(std::lround(std::clamp(v + texture + noise, 0.0, 255.0)));
      };
      pixels[size_t{y} * w + x] = channel(r) << 16 | channel(g) << 8 | channel(b);
    }
  }
  return pixels;
}

std::vector<unsigned char> EncodeJpeg(const std::vector<uint32_t>& pixels, uint32_t w, uint32_t h,
                                      int quality) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = w;
  info.image_height = h;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(size_t{w} * 3);
  while (info.next_scanline < h) {
    const uint32_t* from = &pixels[size_t{info.next_scanline} * w];
    for (uint32_t x = 0; x < w; ++x) {
      row[3 * x] = static_cast<unsigned char>(from[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(from[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(from[x]);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<unsigned char> jpeg(buffer, buffer + size);
  free(buffer);
  return jpeg;
}

// Decodes into 32-bit pixels, as the reader would keep them.
std::vector<uint32_t> DecodeJpeg(const std::vector<unsigned char>& jpeg) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const uint32_t w = info.output_width;
  std::vector<uint32_t> pixels(size_t{w} * info.output_height);
  std::vector<unsigned char> row(size_t{w} * 3);
  while (info.output_scanline < info.output_height) {
    const uint32_t y = info.output_scanline;
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    uint32_t* to = &pixels[size_t{y} * w];
    for (uint32_t x = 0; x < w; ++x) {
      to[x] = uint32_t{row[3 * x]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x + 2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return pixels;
}

double Psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const double d = double((a[i] >> shift) & 0xFF) - double((b[i] >> shift) & 0xFF);
      sum += d * d;
    }
  }
  const double mse = sum / (3.0 * static_cast<double>(a.size()));
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

const std::vector<uint32_t>& Picture() {
  static const std::vector<uint32_t> picture = Photograph(kWidth, kHeight);
  return picture;
}

// Arguments: the quality, and whether AVX2 may be used (1) or only SSE2 (0).
void BM_DecodeXwl(benchmark::State& state) {
  TXwlOptions options;
  options.quality = static_cast<int>(state.range(0));
  AllowXwlAvx2(state.range(1) != 0);
  const std::string stream = EncodeXwl(Picture().data(), kWidth, kHeight, options);
  const auto* bytes = reinterpret_cast<const uint8_t*>(stream.data());
  for (auto _ : state) benchmark::DoNotOptimize(DecodeXwl(bytes, stream.size()).data());
  state.counters["bytes"] = static_cast<double>(stream.size());
  state.counters["psnr"] = Psnr(Picture(), DecodeXwl(bytes, stream.size()));
  AllowXwlAvx2(true);
}
BENCHMARK(BM_DecodeXwl)
    ->ArgNames({"quality", "avx2"})
    ->Args({TXwlOptions{}.quality, 1})
    ->Args({TXwlOptions{}.quality, 0})
    ->Args({50, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_DecodeJpeg(benchmark::State& state) {
  const std::vector<unsigned char> jpeg = EncodeJpeg(Picture(), kWidth, kHeight, 90);
  for (auto _ : state) benchmark::DoNotOptimize(DecodeJpeg(jpeg).data());
  state.counters["bytes"] = static_cast<double>(jpeg.size());
  state.counters["psnr"] = Psnr(Picture(), DecodeJpeg(jpeg));
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace folivar
