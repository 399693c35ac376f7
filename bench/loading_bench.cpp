// How long opening a book and unpacking one page take: the reader must show a page at once.
#include <benchmark/benchmark.h>

#include "book/bookwriter.h"
#include "book/loading.h"

namespace folivar {
namespace {

// A book of `pages` pages, each of 30 lines of 60 characters, with 200 anchors.
std::string LargeBook(int pages) {
  TBookWriter w;
  const int32_t style = w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12}));
  for (int p = 0; p < pages; ++p) {
    std::vector<TLineRecord> lines(30);
    for (int l = 0; l < 30; ++l) {
      lines[l].height = 16;
      for (int c = 0; c < 60; ++c) {
        const uint16_t code = c % 7 == 6 ? 32 : static_cast<uint16_t>('a' + (p * 31 + l * 7 + c) % 26);
        lines[l].items.push_back({code, static_cast<uint16_t>(style)});
      }
    }
    w.AddPage(EncodePageRecord(-1, lines));
  }
  for (int a = 0; a < 200; ++a) w.AddAnchor("anchor" + std::to_string(a), a % pages);
  return w.Build();
}

void BM_WalkBookImage(benchmark::State& state) {
  std::string image = LargeBook(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TPtrFile source(image.data(), static_cast<int32_t>(image.size()));
    benchmark::DoNotOptimize(WalkBookImage(source));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.size()));
}
BENCHMARK(BM_WalkBookImage)->Arg(50)->Arg(500);

void BM_ReadPageBlock(benchmark::State& state) {
  std::string image = LargeBook(50);
  TPtrFile source(image.data(), static_cast<int32_t>(image.size()));
  const TBookImage book = WalkBookImage(source);
  TMemFile scratch;
  for (auto _ : state) {
    ReadPageBlock(source, book.pageOffsets[25], scratch);
    benchmark::DoNotOptimize(scratch.Bytes().data());
  }
}
BENCHMARK(BM_ReadPageBlock);

}  // namespace
}  // namespace folivar
