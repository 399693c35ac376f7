// How long one page-turn frame takes to compose on the reader's page surface (776 x 575), with
// the generated page-curl table: each iteration composes the next frame, so every frame of the
// turn takes its share.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "display/Views.h"
#include "reader/pageturn.h"
#include "tools/make/pagecurl.h"

namespace folivar {
namespace {

constexpr uint32_t kWidth = 776;
constexpr uint32_t kHeight = 575;

void Noise(tview& v, uint32_t seed) {
  std::mt19937 random(seed);
  for (uint32_t y = 0; y < v.Height(); ++y) {
    for (uint32_t x = 0; x < v.Width(); ++x) v.At(x, y) = static_cast<uint32_t>(random());
  }
}

void ComposeFrames(benchmark::State& state, bool backward) {
  const TAnimation animation = MakePageCurl();
  tview surface(kWidth, kHeight);
  Noise(surface, 1);
  TPageTurn turn;
  if (!turn.PrepareTurn(animation, backward, {}, surface, 0, 0, nullptr)) {
    state.SkipWithError("the turn was refused");
    return;
  }
  turn.CaptureBefore(surface);
  Noise(surface, 2);
  turn.CaptureAfter(surface);
  size_t frame = 0;
  for (auto _ : state) {
    const tview& work = turn.ComposeFrame(frame);
    benchmark::DoNotOptimize(work.Bits());
    benchmark::ClobberMemory();
    frame = (frame + 1) % turn.FrameCount();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["work_pixels"] =
      static_cast<double>(turn.Work().Width()) * static_cast<double>(turn.Work().Height());
}

void BM_ComposeFrameForward(benchmark::State& state) { ComposeFrames(state, false); }
void BM_ComposeFrameBackward(benchmark::State& state) { ComposeFrames(state, true); }

BENCHMARK(BM_ComposeFrameForward)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComposeFrameBackward)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace folivar
