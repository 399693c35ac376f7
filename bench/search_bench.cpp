// The reader's search over a 2000-page book of dense running text (bench/densebook.h: English, and
// Russian as a Unicode book), opened as the reader opens it.
//
//   BM_FirstSearch   the first search: the index is made (every page decoded once, its text folded)
//                    and a word that is nowhere is looked for through the whole book
//   BM_LaterSearch   a later search for a word that is nowhere, the index kept
//
// The pages of the first search are decoded on up to four threads: its CPU column is the time of
// all threads, its Time column the wall-clock time the reader waits (which a busy machine inflates).
// The argument is the language: 0 English, 2 Russian.
//
// The counters: "text_chars" is the book's text in UTF-16 code units as the index holds it (line
// ends as one space), "index_bytes" the index's memory, "bytes_per_char" their ratio and
// "text_utf8_bytes" the size of the same text as UTF-8, the book's text size on disk unpacked.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/densebook.h"
#include "book/bookclass.h"
#include "book/loading.h"
#include "book/pagetext.h"
#include "book/search.h"
#include "core/myclasses.h"

namespace folivar {
namespace {

constexpr int32_t kTextPages = 2000;

using bench::TDenseText;

const std::string& Image(TDenseText text) {
  static const std::string english = bench::MakeDenseBook(kTextPages, TDenseText::kEnglish).image;
  static const std::string russian = bench::MakeDenseBook(kTextPages, TDenseText::kRussianUnicode).image;
  return text == TDenseText::kEnglish ? english : russian;
}

struct TOpenBook {
  TBook book;
  explicit TOpenBook(TDenseText text) { LoadBook(book, std::make_unique<TStrFile>(Image(text))); }
};

TDenseText Language(const benchmark::State& state) { return static_cast<TDenseText>(state.range(0)); }

// The book's text as UTF-8, the way folivar-info --text reads it.
double Utf8Bytes(TBook& book) {
  double bytes = 0;
  for (int32_t p = 0; p < book.PageCount(); ++p) {
    TPage& page = *book.pages[static_cast<size_t>(p)];
    page.DecodePage(&book.substitute, *book.source);
    for (const TTextLine& line : PageLines(page, p, BookEncoding()))
      bytes += static_cast<double>(Utf16ToUtf8(line.text).size()) + 1;
    page.Release();
  }
  return bytes;
}

void Counters(benchmark::State& state, TBook& book, const TSearchIndex& index) {
  state.counters["text_chars"] = static_cast<double>(index.TextLength());
  state.counters["index_bytes"] = static_cast<double>(index.MemoryBytes());
  state.counters["bytes_per_char"] =
      static_cast<double>(index.MemoryBytes()) / static_cast<double>(index.TextLength());
  state.counters["text_utf8_bytes"] = Utf8Bytes(book);
}

const char16_t* const kMissing = u"\u0436\u0438\u0440\u0430\u0444 giraffe";

void BM_FirstSearch(benchmark::State& state) {
  TOpenBook open(Language(state));
  TSearchIndex index;
  for (auto _ : state) {
    index.Build(open.book);
    if (index.FindNext(kMissing, 0)) state.SkipWithError("found a word that is not there");
  }
  Counters(state, open.book, index);
}
BENCHMARK(BM_FirstSearch)
    ->Arg(0)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_LaterSearch(benchmark::State& state) {
  TOpenBook open(Language(state));
  TSearchIndex index;
  index.Build(open.book);
  for (auto _ : state) {
    if (index.FindNext(kMissing, index.PageStart(1000)))
      state.SkipWithError("found a word that is not there");
  }
  Counters(state, open.book, index);
}
BENCHMARK(BM_LaterSearch)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folivar
