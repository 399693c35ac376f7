// The book compiler: a whole source of about forty pages (two chapters, headings, the contents,
// page references, drop caps, inline pictures), and the line breaker alone on one long paragraph.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tools/common/png.h"
#include "tools/make/compiler.h"
#include "tools/make/linebreak.h"

namespace folivar::make {
namespace {

namespace fs = std::filesystem;

const char* const kWords[] = {"the", "reader", "carries", "its", "own", "book", "and", "every", "page",
                              "is", "measured", "before", "it", "is", "stored", "so", "that",
                              "justified", "lines", "fill", "their", "width", "exactly", "while",
                              "hyphenation", "breaks", "longer", "words", "between", "syllables"};

std::string Words(std::mt19937& random, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? " " : "") + std::string(kWords[random() % 30]);
  return s;
}

// About forty pages of the default geometry.
fs::path Source() {
  const fs::path dir = fs::temp_directory_path() / "folivar-bench-make";
  fs::remove_all(dir);
  fs::create_directories(dir / "art");
  std::ofstream(dir / "book.toml") << "title = \"Bench\"\nchapters = [\"a.md\", \"b.md\"]\n";
  std::vector<uint32_t> leaf(12 * 12, 0xFFFFFF);
  for (size_t i = 0; i < leaf.size(); i += 5) leaf[i] = 0x208020;
  WritePng((dir / "art/leaf.png").string(), 12, 12, leaf);
  std::mt19937 random(7);
  for (const char* name : {"a.md", "b.md"}) {
    std::ofstream out(dir / name);
    out << "# Chapter " << name << "\n\n<!-- contents -->\n\n<!-- dropcap -->\n" << Words(random, 80) << ".\n\n";
    for (int p = 0; p < 70; ++p) {
      if (p % 9 == 4) out << "## Section " << p << " of " << name << "\n\n";
      out << Words(random, 20 + static_cast<int>(random() % 60)) << " ![leaf](art/leaf.png) see page [#](#chapter-"
          << name << ").\n\n";
    }
  }
  return dir;
}

void BM_CompileForty(benchmark::State& state) {
  const fs::path dir = Source();
  TCompileStats stats;
  size_t bytes = 0;
  for (auto _ : state) bytes = CompileBook(dir.string(), &stats).size();
  state.counters["pages"] = stats.pages;
  state.counters["bytes"] = static_cast<double>(bytes);
  fs::remove_all(dir);
}
BENCHMARK(BM_CompileForty)->Unit(benchmark::kMillisecond);

void BM_BreakLongParagraph(benchmark::State& state) {
  std::vector<TElement> e;
  std::mt19937 random(3);
  for (int w = 0; w < 2000; ++w) {
    if (w) {
      TElement g;
      g.type = TElement::kGlue;
      g.width = g.stretch = 4;
      e.push_back(g);
    }
    for (uint32_t c = 0, n = 2 + static_cast<uint32_t>(random() % 9); c < n; ++c) {
      TElement b;
      b.width = 5 + static_cast<int32_t>(random() % 6);
      e.push_back(b);
    }
  }
  TElement end;
  end.type = TElement::kPenalty;
  end.penalty = kForced;
  e.push_back(end);
  TBreakOptions options;
  options.lineWidth = [](size_t) { return 328; };
  for (auto _ : state) benchmark::DoNotOptimize(BreakLines(e, options).size());
}
BENCHMARK(BM_BreakLongParagraph)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace folivar::make
