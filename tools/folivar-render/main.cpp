// folivar-render BOOK --page I -o OUT.png [--dump OUT.bin] [--scale S]
//     writes the reader's page surface after showing the spread (or single page) that holds page
//     I; --dump also writes the rendering with its item map and written texts; --scale draws at
//     scale S (0.5 to 4, default 1), the picture round(size * S)
// folivar-render BOOK --turn I [--back] --frames DIR
//     writes every frame of the page turn from the spread of page I to the next one (--back: to
//     the previous one) as DIR/frame-NN.png, the screen as it looks at that moment
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/loading.h"
#include "core/strutil.h"
#include "tools/common/png.h"
#include "tools/common/toolmain.h"
#include "tools/folivar-render/rendering.h"
#include "tools/folivar-render/turnframes.h"

namespace folivar {
namespace {

const char* const kUsage =
    "usage: folivar-render BOOK --page I -o OUT.png [--dump OUT.bin] [--scale S]\n"
    "       folivar-render BOOK --turn I [--back] --frames DIR";

int32_t PageNumber(const TBook& book, const std::string& text) {
  const int32_t i = TextToInt(text);
  if (IntToText(i) != text || i < 0) throw TUsageError("the page must be a number");
  if (i >= book.PageCount()) {
    throw std::runtime_error("there is no page " + text + " (the book has " +
                             IntToText(book.PageCount()) + ")");
  }
  return i;
}

// A decimal number from 0.5 to 4.
double ScaleArgument(const std::string& text) {
  char* end = nullptr;
  const double s = text.empty() ? NAN : std::strtod(text.c_str(), &end);
  if (!std::isfinite(s) || end != text.c_str() + text.size() || s < kMinScale || s > kMaxScale)
    throw TUsageError("the scale must be a number from 0.5 to 4");
  return s;
}

void WriteView(const std::string& path, const tview& view) {
  std::vector<uint32_t> pixels;
  pixels.reserve(size_t{view.Width()} * view.Height());
  for (uint32_t y = 0; y < view.Height(); ++y)
    for (uint32_t x = 0; x < view.Width(); ++x) pixels.push_back(view.At(x, y));
  WritePng(path, view.Width(), view.Height(), pixels);
}

std::unique_ptr<TTextDevice> PlatformDevice(tview& target) { return CreateTextDevice(target); }

}  // namespace
}  // namespace folivar

int main(int argc, char** argv) {
  using namespace folivar;
  return RunTool("folivar-render", kUsage, [&](std::string& file) {
    std::vector<std::string> args(argv + 1, argv + argc);
    double scale = 1.0;
    // --scale S goes with --page, after the book.
    for (size_t k = 1; k < args.size(); ++k) {
      if (args[k] != "--scale") continue;
      if (k + 1 >= args.size()) throw TUsageError("--scale needs a number");
      scale = ScaleArgument(args[k + 1]);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(k), args.begin() + static_cast<std::ptrdiff_t>(k + 2));
      if (args.size() < 2 || args[1] != "--page") throw TUsageError("--scale goes with --page");
      break;
    }
    const bool page = (args.size() == 5 || (args.size() == 7 && args[5] == "--dump")) &&
                      args[1] == "--page" && args[3] == "-o";
    const bool back = args.size() == 6 && args[3] == "--back";
    const bool turn = (args.size() == 5 || back) && args[1] == "--turn" &&
                      args[args.size() - 2] == "--frames";
    if (!page && !turn) throw TUsageError("expected a book and --page I -o OUT.png or --turn I --frames DIR");
    file = args[0];
    TBook book;
    LoadBook(book, OpenBookImage(file));
    const int32_t i = PageNumber(book, args[2]);
    if (turn) {
      const std::string dir = args.back();
      const size_t frames = PlayTurnFrames(book, i, back, PlatformDevice, [&](const tview& screen, size_t n) {
        file = dir + "/frame-" + (n < 10 ? "0" : "") + IntToText(static_cast<int64_t>(n)) + ".png";
        WriteView(file, screen);
      });
      if (frames == 0) {
        throw std::runtime_error("no page turn plays from page " + args[2] +
                                 " (it needs two spreads and the book's turn description)");
      }
      std::cout << frames << " frames\n";
      return 0;
    }
    const TRendering r = RenderPage(book, i, PlatformDevice, scale);
    file = args[4];
    WritePng(args[4], r.width, r.height, r.pixels);
    if (args.size() == 7) {
      file = args[6];
      WriteFileBytes(args[6], EncodeRendering(r));
    }
    return 0;
  });
}
