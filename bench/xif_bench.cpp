// Decoding the packed picture layouts: raw bzip2 pixels of a 388 x 575 page picture and an
// "XBM" glyph picture of the largest size the format holds.
#include <benchmark/benchmark.h>

#include <random>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "images/imageclass.h"
#include "images/xif3.h"

namespace folivar {
namespace {

// A picture with smooth areas and a few colours, like an illustration.
std::vector<uint32_t> Illustration(uint32_t w, uint32_t h, uint32_t colours) {
  std::mt19937 random(7);
  std::vector<uint32_t> palette(colours);
  for (uint32_t& c : palette) c = random() & 0x00FFFFFF;
  std::vector<uint32_t> pixels(size_t{w} * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) pixels[size_t{y} * w + x] = palette[((x / 9) ^ (y / 7)) % colours];
  return pixels;
}

void Decode(benchmark::State& state, const std::string& record) {
  for (auto _ : state) {
    TStrFile file(record);
    TXif picture;
    picture.Load(file);
    picture.Unpack();
    benchmark::DoNotOptimize(picture.Bits());
  }
}

void BM_UnpackRaw(benchmark::State& state) {
  const auto pixels = Illustration(388, 575, 64);
  Decode(state, PackedPictureRecord(388, 575, PackRawPixels(pixels.data(), 388, 575)));
}
BENCHMARK(BM_UnpackRaw)->Unit(benchmark::kMicrosecond);

void BM_UnpackXbm(benchmark::State& state) {
  const auto colours = static_cast<uint32_t>(state.range(0));
  const auto pixels = Illustration(255, 255, colours);
  Decode(state, PackedPictureRecord(255, 255, EncodeXbm(pixels.data(), 255, 255)));
}
BENCHMARK(BM_UnpackXbm)->Arg(2)->Arg(16)->Unit(benchmark::kMicrosecond);

// Reading the picture list of a book with a hundred 388 x 575 illustrations, none drawn yet: what
// opening such a book costs for its pictures.
void BM_ReadHundredPictures(benchmark::State& state) {
  const auto pixels = Illustration(388, 575, 64);
  const std::string record = PackedPictureRecord(388, 575, PackRawPixels(pixels.data(), 388, 575));
  std::string entries;
  for (int i = 0; i < 100; ++i) entries += std::string(5, '\0') + record;
  for (auto _ : state) {
    TStrFile file(entries);
    TCheckedReader reader(file);
    for (int i = 0; i < 100; ++i) ReadImageEntry(reader);
    FreeImages();
  }
}
BENCHMARK(BM_ReadHundredPictures)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folivar
