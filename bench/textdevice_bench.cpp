// The native text device on a 60-character run of book text: measuring it and writing it, the
// first time (a font cache of its own: the face is looked up, read and opened, every glyph loaded
// and rasterised) and once the cache holds the font and its glyphs, as for every page after the
// first.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display/Views.h"
#include "display/textdevice.h"
#include "platform/posix/fontcache.h"
#include "platform/posix/textdevice.h"

namespace folivar {
namespace {

// 60 characters, Latin and Cyrillic.
constexpr std::u16string_view kRun =
    u"The reader turns one page: \u0427\u0438\u0442\u0430\u0442\u0435\u043B\u044C "
    u"\u043F\u0435\u0440\u0435\u0432\u043E\u0440\u0430\u0447\u0438\u0432\u0430\u0435\u0442 "
    u"\u0441\u0442\u0440\u0430\u043D\u0438\u0446\u0443.";
static_assert(kRun.size() == 60);

TLogFont BodyFont() {
  TLogFont f;
  f.faceName = "Times New Roman";
  f.height = -16;
  return f;
}

struct TBench {
  explicit TBench(std::shared_ptr<posix::TFontCache> cache)
      : view(600, 40), device(posix::CreateFreeTypeTextDevice(view, std::move(cache))) {
    view.Fill(0x00FFFFFF);
    device->SelectFont(BodyFont());
    device->SetTextColour(0x00202020);
  }
  tview view;
  std::unique_ptr<TTextDevice> device;
};

std::vector<int32_t> Advances(TTextDevice& device) {
  std::vector<int32_t> advances;
  for (const char16_t& c : kRun) advances.push_back(device.MeasureText(std::u16string_view(&c, 1)).cx);
  return advances;
}

void BM_MeasureRunFirstTime(benchmark::State& state) {
  for (auto _ : state) {
    TBench b(std::make_shared<posix::TFontCache>());
    benchmark::DoNotOptimize(b.device->MeasureText(kRun));
  }
}
BENCHMARK(BM_MeasureRunFirstTime);

void BM_MeasureRunCached(benchmark::State& state) {
  TBench b(std::make_shared<posix::TFontCache>());
  b.device->MeasureText(kRun);
  for (auto _ : state) benchmark::DoNotOptimize(b.device->MeasureText(kRun));
}
BENCHMARK(BM_MeasureRunCached);

void BM_WriteRunFirstTime(benchmark::State& state) {
  const std::vector<int32_t> advances = Advances(*TBench(std::make_shared<posix::TFontCache>()).device);
  for (auto _ : state) {
    TBench b(std::make_shared<posix::TFontCache>());
    b.device->WriteRun(4, 8, kRun, advances.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WriteRunFirstTime);

void BM_WriteRunCached(benchmark::State& state) {
  TBench b(std::make_shared<posix::TFontCache>());
  const std::vector<int32_t> advances = Advances(*b.device);
  b.device->WriteRun(4, 8, kRun, advances.data());
  for (auto _ : state) {
    b.device->WriteRun(4, 8, kRun, advances.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WriteRunCached);

void BM_WriteTextCached(benchmark::State& state) {
  TBench b(std::make_shared<posix::TFontCache>());
  b.device->WriteText(4, 8, kRun);
  for (auto _ : state) {
    b.device->WriteText(4, 8, kRun);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WriteTextCached);

}  // namespace
}  // namespace folivar
