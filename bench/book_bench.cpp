// Opening a book and decoding one page: loading reads only the page index, so its time must not
// grow with the text of the pages; a dense page must decode at once.
#include <benchmark/benchmark.h>

#include "book/bookclass.h"
#include "book/bookwriter.h"
#include "book/loading.h"

namespace folivar {
namespace {

std::vector<TLineRecord> DensePage(int seed, uint16_t style) {
  std::vector<TLineRecord> lines(40);
  for (int l = 0; l < 40; ++l) {
    lines[l].height = 14;
    for (int c = 0; c < 60; ++c) {
      const uint16_t code = c % 7 == 6 ? 32 : static_cast<uint16_t>('a' + (seed * 31 + l * 7 + c) % 26);
      lines[l].items.push_back({code, style});
    }
  }
  return lines;
}

std::string BookOf(int pages) {
  TBookWriter w;
  const auto style = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
  for (int p = 0; p < pages; ++p) w.AddPage(EncodePageRecord(-1, DensePage(p, style)));
  return w.Build();
}

void BM_LoadBook(benchmark::State& state) {
  std::string image = BookOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TBook book;
    LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
    benchmark::DoNotOptimize(book.PageCount());
  }
  state.counters["imageMiB"] = static_cast<double>(image.size()) / (1 << 20);
}
BENCHMARK(BM_LoadBook)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_DecodeDensePage(benchmark::State& state) {
  std::string image = BookOf(3);
  TBook book;
  LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
  TPage& page = *book.pages[1];
  for (auto _ : state) {
    page.unloaded = 1;
    page.DecodePage(&book.substitute, *book.source);
    benchmark::DoNotOptimize(page.lines.data());
  }
}
BENCHMARK(BM_DecodeDensePage)->Unit(benchmark::kMicrosecond);

// The share of decoding that is the bzip2 unpacking of the page block.
void BM_UnpackDensePageBlock(benchmark::State& state) {
  std::string image = BookOf(3);
  TBook book;
  LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
  for (auto _ : state) {
    TMemFile record;
    ReadPageBlock(*book.source, book.pages[1]->offset, record);
    benchmark::DoNotOptimize(record.Size());
  }
}
BENCHMARK(BM_UnpackDensePageBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace folivar
