// Folivar against the reader a user would otherwise pick: the same dense text as a PDF, drawn by
// MuPDF's `mutool draw`. Both run in this one program, one after the other.
//
// The text. The dense book of the page benchmarks (justified Times New Roman 12 pt = 16 px, lines
// as high as the font's ascent plus descent, as many as fit, pages 388 x 575 px in spreads of 776)
// is shown once by Folivar, and every character's position is read back from the drawn lines: x
// after justification, the line's baseline. The PDF gets the same characters at the same
// positions: pages of 291 x 431.25 pt (388 x 575 px at 96 dpi, pt = px x 0.75), Liberation Serif
// (the face fontconfig gives for "Times New Roman") at 12 pt = 16 px, black, each glyph placed at
// Folivar's x and baseline, and the page number centred below the text where the reader shows
// one. cairo writes it once, at start, into a temporary folder (FOLIVAR_PEER_KEEP set: the
// folder is kept, with Folivar's first spread as a PPM beside the PDF).
//
// What is timed, and why it is fair.
//   - Folivar (BM_FolivarShowPage): the reader turning through the book, spread after spread;
//     each Show decodes both pages again (the book releases the pages it leaves), composes the
//     background and frame, draws both pages and the page numbers into the 776 x 575 surface.
//     Per page = per spread / 2. The font cache is warm, as it is after the first page.
//   - mutool (BM_MutoolDrawPage): `mutool draw -q -r 96 -c rgb FILE.pdf` renders every page of the
//     PDF into a 388 x 575 RGB pixmap, anti-aliased. Without -o it writes nothing: the pages are
//     rendered and dropped (with -s 5 it prints each pixmap's checksum), so no image encoding or
//     file writing is counted. Its glyph cache is warm after the first page as well.
//   - Process start-up, library loading and opening the PDF are not counted against mutool: each
//     iteration runs it once over all kPages pages and once over page 1 alone, and the time per
//     page is the difference divided by kPages - 1, the marginal cost of one more page. The gross
//     figure (all pages' time / kPages) is given too.
//   - Both are single-threaded. Times are wall-clock; the CPU time of each side (this thread's,
//     the child's user + system time) is given as well, since the machine is shared, and a ratio
//     for each.
//   - Folivar does strictly more per page than mutool here: it decodes its own compressed page
//     block, fills the background and draws the frame; the PDF has no background to paint.
#include <benchmark/benchmark.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "bench/densebook.h"
#include "book/bookclass.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "reader/pagedisplay.h"

extern char** environ;

namespace folivar {
namespace {

constexpr int32_t kPages = 200;  // text pages: 100 spreads, 200 PDF pages
constexpr const char* kPdfFace = "Liberation Serif";
constexpr double kPointsPerPixel = 0.75;  // at 96 dpi

struct TGlyph {
  char code;
  double x, y;  // the left end of the character on its baseline, pixels of the page
};

struct TPdfPage {
  std::vector<TGlyph> glyphs;
  std::string number;
  double numberX = 0, numberY = 0;
};

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The text of one drawn page as glyph positions relative to the page's own left edge, with its
// number when the reader shows one (from the spread whose left page is index 2 on).
TPdfPage ReadBack(const TBook& book, TPage& page, int32_t index, bool numbered) {
  const TBookHeader& h = book.header;
  TPdfPage out;
  const int32_t limit = h.viewHeight - h.bottomMargin;
  int32_t y = h.topMargin;
  for (const auto& line : page.lines) {
    if (y + line->height > limit) break;
    const double baseline = y + line->ascent;
    double x = h.leftMargin + line->leftIndent;
    for (TViewItem& item : line->items) {
      const auto code = static_cast<char>(item.Code() & 0xFF);
      if (code != ' ') out.glyphs.push_back({code, x, baseline});
      x += item.Width();
    }
    y += line->ascent + line->descent;
  }
  if (numbered) out.number = std::to_string(index);
  out.numberX = h.pageWidth / 2.0;  // centred when the font is known
  out.numberY = h.viewHeight - h.bottomMargin / 2;
  return out;
}

// "" when fontconfig gives the face itself for its name.
std::string CheckFace(const char* face) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face));
  if (!pattern) return "fontconfig cannot parse the face name";
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  std::string family;
  FcChar8* value = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &value) == FcResultMatch)
    family = reinterpret_cast<const char*>(value);
  if (match) FcPatternDestroy(match);
  if (family != face) return std::string(face) + " is not installed (fontconfig gives \"" + family + "\")";
  return "";
}

// Writes the pages as a PDF; "" on success, else why not.
std::string WritePdf(const std::string& path, const std::vector<TPdfPage>& pages, int32_t width,
                     int32_t height, double sizePixels) {
  if (std::string why = CheckFace(kPdfFace); !why.empty()) return why;
  cairo_surface_t* surface =
      cairo_pdf_surface_create(path.c_str(), width * kPointsPerPixel, height * kPointsPerPixel);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, kPointsPerPixel, kPointsPerPixel);  // user units are pixels from here
  cairo_select_font_face(cr, kPdfFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, sizePixels);
  cairo_set_source_rgb(cr, 0, 0, 0);

  // Glyph indices of the characters, looked up once.
  cairo_scaled_font_t* font = cairo_get_scaled_font(cr);
  unsigned long index[256] = {};
  bool known[256] = {};
  auto glyphIndex = [&](char c) {
    const auto u = static_cast<uint8_t>(c);
    if (!known[u]) {
      cairo_glyph_t* glyphs = nullptr;
      int count = 0;
      if (cairo_scaled_font_text_to_glyphs(font, 0, 0, &c, 1, &glyphs, &count, nullptr, nullptr,
                                           nullptr) == CAIRO_STATUS_SUCCESS &&
          count == 1) {
        index[u] = glyphs[0].index;
      }
      cairo_glyph_free(glyphs);
      known[u] = true;
    }
    return index[u];
  };

  std::vector<cairo_glyph_t> glyphs;
  for (const TPdfPage& page : pages) {
    glyphs.clear();
    for (const TGlyph& g : page.glyphs) glyphs.push_back({glyphIndex(g.code), g.x, g.y});
    cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    if (!page.number.empty()) {
      cairo_text_extents_t extents{};
      cairo_text_extents(cr, page.number.c_str(), &extents);
      cairo_move_to(cr, page.numberX - extents.x_advance / 2, page.numberY);
      cairo_show_text(cr, page.number.c_str());
    }
    cairo_show_page(cr);
  }
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) return std::string("cairo: ") + cairo_status_to_string(status);
  return "";
}

void WritePpm(const std::string& path, const TXif& view) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%u %u\n255\n", view.Width(), view.Height());
  for (uint32_t y = 0; y < view.Height(); ++y) {
    for (uint32_t x = 0; x < view.Width(); ++x) {
      const uint32_t p = view.At(x, y);
      const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                    static_cast<unsigned char>(p >> 8), static_cast<unsigned char>(p)};
      std::fwrite(rgb, 1, 3, f);
    }
  }
  std::fclose(f);
}

// The book, its display and the PDF of the same pages, made once.
struct TPeer {
  bench::TDenseBook dense = bench::MakeDenseBook(kPages);
  TBook book;
  std::unique_ptr<TPageDisplay> display;
  std::filesystem::path folder;
  std::string pdf;
  std::string error;  // why there is no PDF

  TPeer() {
    LoadBook(book, std::make_unique<TPtrFile>(dense.image.data(),
                                              static_cast<int32_t>(dense.image.size())));
    display = std::make_unique<TPageDisplay>(book);
    std::vector<TPdfPage> pages;
    for (int32_t left = 1; left + 1 < book.PageCount(); left += 2) {
      book.GoToPage(left);
      if (const int32_t w = display->FitWidth()) display->Layout(w);
      display->Show();
      pages.push_back(ReadBack(book, book.CurrentPage(), left, left >= 2));
      pages.push_back(ReadBack(book, *book.RightPage(), left + 1, left >= 2));
    }
    book.GoToPage(1);

    std::string templ = (std::filesystem::temp_directory_path() / "folivar-peer-XXXXXX").string();
    if (!mkdtemp(templ.data())) {
      error = "cannot make a temporary folder";
      return;
    }
    folder = templ;
    pdf = (folder / "dense.pdf").string();
    error = WritePdf(pdf, pages, book.header.pageWidth, book.header.viewHeight,
                     bench::kBodySize * 96.0 / 72.0);
    // FOLIVAR_PEER_KEEP set: the folder stays, with Folivar's first spread beside the PDF, so
    // that the two can be compared by eye.
    keep = std::getenv("FOLIVAR_PEER_KEEP") != nullptr;
    if (keep) {
      display->Show();
      WritePpm((folder / "spread1.ppm").string(), display->Surface().Bitmap());
      std::fprintf(stderr, "peer_bench: files kept in %s\n", folder.c_str());
    }
  }
  ~TPeer() {
    display.reset();
    std::error_code ignored;
    if (!folder.empty() && !keep) std::filesystem::remove_all(folder, ignored);
  }
  bool keep = false;
};

TPeer* peer = nullptr;

TPeer& Peer() {
  if (!peer) peer = new TPeer;
  return *peer;
}

// Folivar's figures of this run, per page.
struct TPerPage {
  double wall = 0, cpu = 0;
};
TPerPage folivarPerPage;

TPerPage ShowSpreads(TPeer& p, int64_t spreads) {
  const double wall0 = WallSeconds(), cpu0 = ThreadSeconds();
  for (int64_t i = 0; i < spreads; ++i) {
    const int32_t next = p.book.CurrentIndex() + 2;
    p.book.GoToPage(next + 1 < p.book.PageCount() ? next : 1);
    p.display->Show();
    benchmark::DoNotOptimize(p.display->Surface().Bitmap().Bits());
  }
  const double pages = 2.0 * static_cast<double>(spreads);
  return {(WallSeconds() - wall0) / pages, (ThreadSeconds() - cpu0) / pages};
}

void BM_FolivarShowPage(benchmark::State& state) {
  TPeer& p = Peer();
  ShowSpreads(p, 1);  // glyphs in the cache
  const double wall0 = WallSeconds(), cpu0 = ThreadSeconds();
  for (auto _ : state) {
    const int32_t next = p.book.CurrentIndex() + 2;
    p.book.GoToPage(next + 1 < p.book.PageCount() ? next : 1);
    p.display->Show();
    benchmark::DoNotOptimize(p.display->Surface().Bitmap().Bits());
    benchmark::ClobberMemory();
  }
  const double pages = 2.0 * static_cast<double>(state.iterations());
  folivarPerPage = {(WallSeconds() - wall0) / pages, (ThreadSeconds() - cpu0) / pages};
  state.SetItemsProcessed(state.iterations() * 2);
  state.counters["folivar_us_per_page"] = folivarPerPage.wall * 1e6;
  state.counters["folivar_cpu_us_per_page"] = folivarPerPage.cpu * 1e6;
}
BENCHMARK(BM_FolivarShowPage)->Unit(benchmark::kMicrosecond);

// mutool on the PATH, or "".
std::string FindMutool() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/mutool";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

struct TRun {
  double wall = 0, cpu = 0;
  bool ok = false;
};

// One run of the program with its output discarded.
TRun Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  TRun run;
  const double wall0 = WallSeconds();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.wall = WallSeconds() - wall0;
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  run.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

void BM_MutoolDrawPage(benchmark::State& state) {
  const std::string mutool = FindMutool();
  if (mutool.empty()) {
    state.SkipWithError("mutool is not installed (package mupdf-tools)");
    return;
  }
  TPeer& p = Peer();
  if (!p.error.empty()) {
    state.SkipWithError(("no PDF: " + p.error).c_str());
    return;
  }
  if (folivarPerPage.wall == 0) {  // BM_FolivarShowPage was filtered out
    ShowSpreads(p, 10);
    folivarPerPage = ShowSpreads(p, 200);
  }
  const std::vector<std::string> all = {mutool, "draw", "-q", "-r", "96", "-c", "rgb", p.pdf};
  std::vector<std::string> first = all;
  first.push_back("1");
  if (!Run(first).ok) {  // also brings the program and the file into memory
    state.SkipWithError("mutool draw failed on the PDF");
    return;
  }

  TPerPage marginal, gross;
  double startup = 0;
  for (auto _ : state) {
    const TRun many = Run(all);
    const TRun one = Run(first);
    if (!many.ok || !one.ok) {
      state.SkipWithError("mutool draw failed on the PDF");
      return;
    }
    const double wall = (many.wall - one.wall) / (kPages - 1);
    state.SetIterationTime(wall > 0 ? wall : 0);
    marginal.wall += wall;
    marginal.cpu += (many.cpu - one.cpu) / (kPages - 1);
    gross.wall += many.wall / kPages;
    gross.cpu += many.cpu / kPages;
    startup += one.wall;
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["mutool_us_per_page"] = marginal.wall / n * 1e6;
  state.counters["mutool_cpu_us_per_page"] = marginal.cpu / n * 1e6;
  state.counters["mutool_gross_us_per_page"] = gross.wall / n * 1e6;
  state.counters["mutool_one_page_run_ms"] = startup / n * 1e3;
  state.counters["folivar_us_per_page"] = folivarPerPage.wall * 1e6;
  state.counters["folivar_cpu_us_per_page"] = folivarPerPage.cpu * 1e6;
  state.counters["ratio"] = marginal.wall / n / folivarPerPage.wall;
  state.counters["ratio_cpu"] = folivarPerPage.cpu > 0 ? marginal.cpu / n / folivarPerPage.cpu : 0;
  state.counters["ratio_gross"] = gross.wall / n / folivarPerPage.wall;
}
// Each iteration runs mutool over the whole PDF; a few are enough.
BENCHMARK(BM_MutoolDrawPage)->UseManualTime()->Iterations(5)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace folivar

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete folivar::peer;  // the display and the book first, then the temporary folder
  return 0;
}
