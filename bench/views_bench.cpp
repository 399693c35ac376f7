// How fast whole pictures move between views, against a plain memcpy of the same bytes. The size
// is that of a page surface: every page turn moves a few of these.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "display/ViewAsm.h"
#include "display/Views.h"

namespace folivar {
namespace {

constexpr uint32_t kWidth = 776;
constexpr uint32_t kHeight = 575;
constexpr uint32_t kKey = 0x00FF00FFu;

// A picture with noise in it and about one pixel in eight the key colour.
void Noise(tview& v, uint32_t seed) {
  std::mt19937 random(seed);
  for (uint32_t y = 0; y < v.Height(); ++y) {
    for (uint32_t x = 0; x < v.Width(); ++x) {
      const auto r = static_cast<uint32_t>(random());
      v.At(x, y) = (r & 7) == 0 ? kKey : (r & 0x00FFFFFFu);
    }
  }
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> source(size_t{kWidth} * kHeight, 0x00123456u);
  std::vector<uint32_t> destination(source.size());
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), source.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_Memcpy);

void BM_Put(benchmark::State& state) {
  tview source(kWidth, kHeight);
  tview destination(kWidth, kHeight);
  Noise(source, 1);
  Noise(destination, 2);
  for (auto _ : state) {
    source.Put(destination, 0, 0);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_Put);

// The keyed copy and the blend on each row routine path (argument: 0 portable, 1 SSE2, 2 AVX2);
// a path the processor lacks is skipped.
bool UsePath(benchmark::State& state) {
  const auto path = static_cast<TRowPath>(state.range(0));
  if (!SelectRowPath(path)) {
    state.SkipWithError("path not available here");
    return false;
  }
  return true;
}

void BM_PutKeyed(benchmark::State& state) {
  const TRowPath chosen = SelectedRowPath();
  if (!UsePath(state)) return;
  tview source(kWidth, kHeight);
  tview destination(kWidth, kHeight);
  Noise(source, 1);
  Noise(destination, 2);
  for (auto _ : state) {
    source.PutKeyed(destination, 0, 0, kKey);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
  SelectRowPath(chosen);
}
BENCHMARK(BM_PutKeyed)->Arg(0)->Arg(1)->Arg(2);

void BM_PutBlended(benchmark::State& state) {
  const TRowPath chosen = SelectedRowPath();
  if (!UsePath(state)) return;
  tview source(kWidth, kHeight);
  tview destination(kWidth, kHeight);
  Noise(source, 1);
  Noise(destination, 2);
  for (auto _ : state) {
    source.PutBlended(destination, 0, 0, kKey, 100);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
  SelectRowPath(chosen);
}
BENCHMARK(BM_PutBlended)->Arg(0)->Arg(1)->Arg(2);

void BM_Fill(benchmark::State& state) {
  tview destination(kWidth, kHeight);
  for (auto _ : state) {
    destination.Fill(0x00ABCDEFu);
    benchmark::ClobberMemory();
  }
  SetBytes(state);
}
BENCHMARK(BM_Fill);

}  // namespace
}  // namespace folivar
