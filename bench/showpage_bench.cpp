// Showing a page: how long the reader's Show takes for a dense spread at 776 x 575 (two pages of
// justified Times New Roman 12 pt = 16 px, as many lines as fit, each as high as the font's ascent
// plus descent) with the native FreeType device. Show composes the background and frame, draws
// both pages and the page numbers.
//
//   BM_ShowFirstSpread      the first spread after the book is opened: a new book, a new font
//                           cache (the face is looked up and opened, every glyph rasterised,
//                           the style metrics measured), both pages decoded; fontconfig's own
//                           configuration, loaded once per process, is not counted
//   BM_ShowSpread           turning through the book: each spread's pages are decoded again
//                           (the book releases the pages of the spread it leaves), then shown
//   BM_ShowSpreadPredecoded the same with both pages decoded before the clock runs, so that the
//                           difference to BM_ShowSpread is the decoding alone
//
//   BM_ShowSpreadAtScale    BM_ShowSpreadPredecoded (English) drawn at scale 1, 1.5 and 2 (the
//                           argument in percent): the page surface is round(776 * s) x
//                           round(575 * s), the text written with fonts of the scaled height
//                           (measured at scale 1), the digits resampled once; "device_px" is the
//                           surface's pixel count
//
// BM_ShowSpread and BM_ShowSpreadPredecoded run on the English book and on a Russian one, stored in code page 1251 and as a
// Unicode book (UTF-16 item codes): the same characters on the same lines, so that the two differ
// only by the encoding's path through decoding, measuring and drawing.
//
// Each iteration is one spread; "per_page_cpu" is half of its CPU time (the Time column is the
// wall-clock time, which a busy machine inflates).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/densebook.h"
#include "book/bookclass.h"
#include "book/loading.h"
#include "platform/posix/textdevice.h"
#include "reader/pagedisplay.h"

namespace folivar {
namespace {

constexpr int32_t kTextPages = 40;  // 20 spreads, pages 1 .. 40

using bench::TDenseText;

const bench::TDenseBook& Book(TDenseText text = TDenseText::kEnglish) {
  static const bench::TDenseBook books[] = {
      bench::MakeDenseBook(kTextPages, TDenseText::kEnglish),
      bench::MakeDenseBook(kTextPages, TDenseText::kRussianCp1251),
      bench::MakeDenseBook(kTextPages, TDenseText::kRussianUnicode)};
  return books[static_cast<size_t>(text)];
}

// The book opened as the reader opens it.
struct TOpenBook {
  TBook book;
  std::string image;
  explicit TOpenBook(TDenseText text = TDenseText::kEnglish) : image(Book(text).image) {
    LoadBook(book, std::make_unique<TPtrFile>(image.data(), static_cast<int32_t>(image.size())));
  }
};

void Counters(benchmark::State& state, TDenseText text = TDenseText::kEnglish) {
  const auto& b = Book(text);
  state.SetItemsProcessed(state.iterations() * 2);  // pages
  state.counters["per_page_cpu"] = benchmark::Counter(static_cast<double>(state.iterations() * 2),
                                                  benchmark::Counter::kIsRate |
                                                      benchmark::Counter::kInvert);
  state.counters["lines_per_page"] = b.linesPerPage;
  state.counters["line_px"] = b.lineHeight;
  state.counters["chars_per_line"] = b.charactersPerLine;
}

// The next spread after the current one, back to the first after the last.
int32_t NextSpread(const TBook& book) {
  const int32_t next = book.CurrentIndex() + 2;
  return next + 1 < book.PageCount() ? next : 1;
}

void BM_ShowFirstSpread(benchmark::State& state) {
  std::unique_ptr<TPageDisplay> display;
  std::unique_ptr<TOpenBook> open;
  for (auto _ : state) {
    state.PauseTiming();
    display.reset();
    open.reset();
    open = std::make_unique<TOpenBook>();
    auto cache = std::make_shared<posix::TFontCache>();
    display = std::make_unique<TPageDisplay>(open->book, [cache](tview& target) {
      return posix::CreateFreeTypeTextDevice(target, cache);
    });
    open->book.GoToPage(3);  // a spread with page numbers, like those of BM_ShowSpread
    if (const int32_t w = display->FitWidth()) display->Layout(w);
    state.ResumeTiming();

    display->Show();
    benchmark::DoNotOptimize(display->Surface().Bitmap().Bits());
    benchmark::ClobberMemory();
  }
  display.reset();
  open.reset();
  Counters(state);
}
BENCHMARK(BM_ShowFirstSpread)->Unit(benchmark::kMicrosecond);

void BM_ShowSpread(benchmark::State& state, TDenseText text) {
  TOpenBook open(text);
  TPageDisplay display(open.book);
  open.book.GoToPage(1);
  if (const int32_t w = display.FitWidth()) display.Layout(w);
  display.Show();  // the fonts and glyphs in the cache
  for (auto _ : state) {
    open.book.GoToPage(NextSpread(open.book));
    display.Show();
    benchmark::DoNotOptimize(display.Surface().Bitmap().Bits());
    benchmark::ClobberMemory();
  }
  Counters(state, text);
}
BENCHMARK_CAPTURE(BM_ShowSpread, english, TDenseText::kEnglish)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ShowSpread, russian_cp1251, TDenseText::kRussianCp1251)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ShowSpread, russian_unicode, TDenseText::kRussianUnicode)->Unit(benchmark::kMicrosecond);

// Shows spread after spread, each decoded before its timing starts, so that only Show is timed.
void ShowDecodedSpreads(benchmark::State& state, TOpenBook& open, TPageDisplay& display) {
  open.book.GoToPage(1);
  if (const int32_t w = display.FitWidth()) display.Layout(w);
  display.Show();  // the fonts and glyphs in the cache (and, at a scale, the digits resampled)
  for (auto _ : state) {
    state.PauseTiming();
    open.book.GoToPage(NextSpread(open.book));
    benchmark::DoNotOptimize(&open.book.CurrentPage());
    benchmark::DoNotOptimize(open.book.RightPage());
    state.ResumeTiming();

    display.Show();
    benchmark::DoNotOptimize(display.Surface().Bitmap().Bits());
    benchmark::ClobberMemory();
  }
}

void BM_ShowSpreadPredecoded(benchmark::State& state, TDenseText text) {
  TOpenBook open(text);
  TPageDisplay display(open.book);
  ShowDecodedSpreads(state, open, display);
  Counters(state, text);
}
BENCHMARK_CAPTURE(BM_ShowSpreadPredecoded, english, TDenseText::kEnglish)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ShowSpreadPredecoded, russian_cp1251, TDenseText::kRussianCp1251)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ShowSpreadPredecoded, russian_unicode, TDenseText::kRussianUnicode)
    ->Unit(benchmark::kMicrosecond);

void BM_ShowSpreadAtScale(benchmark::State& state) {
  const double scale = static_cast<double>(state.range(0)) / 100;
  TOpenBook open;
  TPageDisplay display(open.book, scale);
  ShowDecodedSpreads(state, open, display);
  Counters(state);
  state.counters["device_px"] =
      static_cast<double>(display.Surface().Bitmap().Width()) * display.Surface().Bitmap().Height();
}
BENCHMARK(BM_ShowSpreadAtScale)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace folivar
