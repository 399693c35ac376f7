// folivar-artwork [--source OUT.cpp] [--sheet SHEET.png] [--previews DIR] [--icon OUT.ico]
//                 [--cursor OUT.cur]
//
// Draws the reader's built-in interface pictures and writes them as a C++ source of stored
// streams: one bzip2 stream per picture of its raw 24-bit pixels, top row first, in the byte
// order of the picture (B, G, R; the message background R, G, B); the set at scale 1 and a set
// drawn at each of the common scales (kDrawnScales), at device size. The contact sheet shows all
// nine at scale 1; the previews are each picture alone, at full size and magnified four times,
// and each picture drawn at each scale. The icon
// and cursor files are the reader executable's own icon and hand cursor (icons.cpp); the
// previews show them too.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bzip.h"
#include "tools/artwork/glyphs.h"
#include "tools/artwork/iconfile.h"
#include "tools/artwork/iconpreview.h"
#include "tools/artwork/icons.h"
#include "tools/artwork/pictures.h"
#include "tools/common/png.h"

namespace folivar::art {
namespace {

constexpr const char* kTool = "folivar-artwork";
constexpr const char* kUsage =
    "usage: folivar-artwork [--source OUT.cpp] [--sheet SHEET.png] [--previews DIR] [--icon OUT.ico] "
    "[--cursor OUT.cur]";

class TUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Stream(const TArtwork& a) {
  std::string raw;
  raw.reserve(a.pixels.size() * 3);
  for (uint32_t p : a.pixels) {
    const char r = static_cast<char>(p >> 16), g = static_cast<char>(p >> 8), b = static_cast<char>(p);
    if (a.rgbOrder) {
      raw += r;
      raw += g;
      raw += b;
    } else {
      raw += b;
      raw += g;
      raw += r;
    }
  }
  std::string packed = Bzip(raw);
  if (packed.compare(0, 4, "BZh9") != 0) throw std::logic_error("bzip2 did not pack at level 9");
  return packed;
}

// Writes the file next to its place and renames it there, so that a failed run leaves no half
// file for the build to compile.
void WriteWhole(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot be written");
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot be written");
  }
  std::filesystem::rename(temp, path);
}

// One set of pictures drawn at a scale.
struct TDrawnSet {
  double scale;
  std::vector<TArtwork> pictures;
};

std::string Entry(const TArtwork& a, size_t size) {
  std::ostringstream s;
  s << "{\"" << a.name << "\", " << a.width << ", " << a.height << ", " << (a.rgbOrder ? "true" : "false")
    << ", " << a.symbol << ", " << size << "}";
  return s.str();
}

// The source: the pictures at scale 1 as kStoredPictures, and each drawn scale's set in
// kDrawnSets.
std::string Source(const std::vector<TArtwork>& base, const std::vector<TDrawnSet>& drawn) {
  std::ostringstream s;
  s << "// Made by folivar-artwork from tools/artwork: the reader's built-in interface pictures as\n"
       "// bzip2 streams of raw 24-bit pixels. Edit the generator, not this file.\n"
       "#include \"images/embed.h\"\n\n"
       "namespace folivar {\n\n"
    << "static_assert(kDrawnSetCount == " << drawn.size()
    << ", \"the reader and the artwork generator draw the same scales\");\n\n"
       "namespace {\n\n";
  std::vector<std::vector<std::string>> entries;
  auto Streams = [&s, &entries](const std::vector<TArtwork>& all) {
    entries.emplace_back();
    for (const TArtwork& a : all) {
      const std::string packed = Stream(a);
      entries.back().push_back(Entry(a, packed.size()));
      s << "// " << a.name << ", " << a.width << " x " << a.height << ", "
        << (a.rgbOrder ? "R, G, B" : "B, G, R") << "\n";
      s << "const uint8_t " << a.symbol << "[" << packed.size() << "] = {";
      for (size_t i = 0; i < packed.size(); ++i) {
        if (i % 16 == 0) s << "\n   ";
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02x,", static_cast<unsigned char>(packed[i]));
        s << hex;
      }
      s << "\n};\n\n";
    }
  };
  Streams(base);
  for (const TDrawnSet& set : drawn) Streams(set.pictures);
  s << "}  // namespace\n\nconst TStoredPicture kStoredPictures[kBuiltInCount] = {\n";
  for (const std::string& e : entries[0]) s << "    " << e << ",\n";
  s << "};\n\nconst TStoredSet kDrawnSets[kDrawnSetCount] = {\n";
  for (size_t i = 0; i < drawn.size(); ++i) {
    s << "    {" << drawn[i].scale << ",\n     {\n";
    for (const std::string& e : entries[i + 1]) s << "         " << e << ",\n";
    s << "     }},\n";
  }
  s << "};\n\n}  // namespace folivar\n";
  return s.str();
}

// ---- the contact sheet ----

class TSheet {
 public:
  TSheet(int w, int h, TColour background) : w_(w), h_(h), px_(size_t(w) * h, Pack(background)) {}
  void Rect(int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(w_, x1); ++x) px_[size_t(y) * w_ + x] = c;
  }
  // The picture magnified by zoom; pixels that the highlight layer leaves out show the paper.
  void Put(const TArtwork& a, int x0, int y0, int zoom) {
    const uint32_t paper = Pack(PaperColour());
    for (uint32_t y = 0; y < a.height * uint32_t(zoom); ++y) {
      for (uint32_t x = 0; x < a.width * uint32_t(zoom); ++x) {
        uint32_t p = a.pixels[size_t(y / zoom) * a.width + x / zoom];
        if (a.keyed && p == 0) p = paper;
        const int tx = x0 + int(x), ty = y0 + int(y);
        if (tx >= 0 && ty >= 0 && tx < w_ && ty < h_) px_[size_t(ty) * w_ + tx] = p;
      }
    }
  }
  // As the reader's hover highlight: keyed blend with the page's share of weight / 256.
  void Blend(const TArtwork& a, int x0, int y0, int weight) {
    for (uint32_t y = 0; y < a.height; ++y) {
      for (uint32_t x = 0; x < a.width; ++x) {
        const uint32_t s = a.pixels[size_t(y) * a.width + x];
        if (s == 0) continue;
        uint32_t& d = px_[size_t(y0 + int(y)) * w_ + size_t(x0 + int(x))];
        uint32_t out = 0;
        for (int shift : {0, 8, 16}) {
          const uint32_t db = (d >> shift) & 0xFF, sb = (s >> shift) & 0xFF;
          out |= (((db * uint32_t(weight)) >> 8) + ((sb * uint32_t(256 - weight)) >> 8)) << shift;
        }
        d = out;
      }
    }
  }
  void Text(const TFont& font, const std::u32string& text, double x, double baseline, double size, TColour c) {
    const TPath path = font.Text(text, size, x, baseline);
    const TMask m = TMask::Of(path, w_, h_);
    for (int y = 0; y < h_; ++y) {
      for (int xx = 0; xx < w_; ++xx) {
        const double a = m.At(xx, y);
        if (a <= 0) continue;
        uint32_t& p = px_[size_t(y) * w_ + xx];
        const TColour d = Hex(p);
        p = Pack(Mix(d, c, a));
      }
    }
  }
  void Save(const std::string& path) const { WritePng(path, uint32_t(w_), uint32_t(h_), px_); }

 private:
  int w_;
  int h_;
  std::vector<uint32_t> px_;
};

std::u32string Wide(const std::string& s) { return std::u32string(s.begin(), s.end()); }

void ContactSheet(const std::vector<TArtwork>& all, const std::string& path) {
  const TFont sans("Liberation Sans", "Regular");
  const TFont sansBold("Liberation Sans", "Bold");
  const int margin = 28, gap = 26, zoom = 3;
  const TColour ground = Hex(0xB9B9B9), label = Hex(0x262626), note = Hex(0x4A4A4A);
  // Widths of the rows: the eight highlight pictures at 1x and at 3x, then the message window.
  int row3 = margin, rowWidth = margin;
  for (size_t i = 0; i + 1 < all.size(); ++i) {
    row3 += int(all[i].width) * zoom + 2 * 8 + gap;
    rowWidth += std::max(int(all[i].width) + 2 * 8, 96) + gap;
  }
  const TArtwork& box = all.back();
  const int width = std::max({row3, rowWidth, margin + int(box.width) * 3 + 2 * gap + 480 + margin});
  int tallest = 0;
  for (size_t i = 0; i + 1 < all.size(); ++i) tallest = std::max(tallest, int(all[i].height));
  const int height = 84 + (tallest + 72) + (tallest * zoom + 72) + int(box.height) * 2 + 40 + margin;
  TSheet sheet(width, height, ground);
  sheet.Text(sansBold, U"Folivar \u2014 built-in interface pictures", margin, 36, 20, label);
  sheet.Text(sans, U"highlight-layer pictures shown on the page paper; black (0) pixels are transparent in the reader",
             margin, 58, 12, note);
  int y = 84;
  auto Row = [&](int z) {
    int x = margin, rowTallest = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) {
      const TArtwork& a = all[i];
      const int ch = int(a.height) * z + 16;
      const int cw = std::max(int(a.width) * z + 16, z == 1 ? 96 : 0);
      sheet.Rect(x - 1, y - 1, x + cw + 1, y + ch + 1, Pack(Hex(0x8F8A80)));
      sheet.Rect(x, y, x + cw, y + ch, Pack(PaperColour()));
      sheet.Put(a, x + (cw - int(a.width) * z) / 2, y + 8, z);
      sheet.Text(sans, Wide(a.name), x, y + ch + 17, 12, label);
      sheet.Text(sans, Wide(std::to_string(a.width) + " x " + std::to_string(a.height)), x, y + ch + 31, 11, note);
      rowTallest = std::max(rowTallest, ch);
      x += cw + gap;
    }
    y += rowTallest + 56;
  };
  Row(1);
  sheet.Text(sans, U"magnified 3\u00d7", margin, y - 8, 12, note);
  Row(zoom);
  // The message window, at its size and doubled.
  sheet.Text(sans, U"message-background  390 x 158  (at full size and doubled)", margin, y - 8, 12, label);
  sheet.Rect(margin - 1, y - 1, margin + int(box.width) + 1, y + int(box.height) + 1, Pack(Hex(0x77726A)));
  sheet.Put(box, margin, y, 1);
  const int x2 = margin + int(box.width) + gap;
  sheet.Rect(x2 - 1, y - 1, x2 + int(box.width) * 2 + 1, y + int(box.height) * 2 + 1, Pack(Hex(0x77726A)));
  sheet.Put(box, x2, y, 2);
  // As a message box: text and buttons drawn the way the message window draws them, the buttons
  // in the grey it reads at (12, 12).
  {
    const int bx = margin, by = y + int(box.height) + 40;
    sheet.Text(sans, U"as a message box (the second button hovered)", bx, by - 8, 12, label);
    sheet.Rect(bx - 1, by - 1, bx + int(box.width) + 1, by + int(box.height) + 1, Pack(Hex(0x77726A)));
    sheet.Put(box, bx, by, 1);
    const uint32_t bg = box.pixels[12 * size_t{box.width} + 12];
    sheet.Text(sans, U"You have reached the end of the book.", bx + 20, by + 65 + 12, 13, Hex(0));
    sheet.Text(sans, U"Start again from the first page?", bx + 20, by + 65 + 28, 13, Hex(0));
    const char32_t* captions[] = {U"Yes", U"No"};
    for (int i = 0; i < 2; ++i) {
      const int right = 378 - 86 * i, left = right - 80;
      sheet.Rect(bx + left, by + 124, bx + right + 1, by + 147, i == 1 ? 0xE0E0E0u : bg);
      const double tw = sans.Width(captions[i], 13);
      sheet.Text(sans, captions[i], bx + left + (80 - tw) / 2, by + 124 + 16, 13, Hex(0));
    }
  }
  // In place: a page with every highlight shown at once at its hover strength (the reader
  // lights one group at a time).
  {
    const int px = x2 + int(box.width) * 2 + gap + 10, py = y;
    const int pw = width - px - margin, ph = int(box.height) * 2;
    sheet.Text(sans, U"in place on a page, at hover strength", px, py - 8, 12, label);
    sheet.Rect(px, py, px + pw, py + ph, Pack(PaperColour()));
    const TFont serifText("Liberation Serif", "Regular");
    const std::u32string lines[] = {U"The river ran slow under the willows,", U"and the leaves came down",
                                    U"one by one, turning as they fell."};
    for (int i = 0; i < 3; ++i)
      sheet.Text(serifText, lines[i], px + 130, py + 130 + 20 * i, 14, Hex(0x3A342C));
    sheet.Blend(all[4], px + 1, py + 1, 50);
    sheet.Blend(all[5], px + 1, py + 1 + int(all[4].height), 50);
    sheet.Blend(all[7], px + 1, py + 1 + int(all[4].height + all[5].height), 50);
    sheet.Blend(all[2], px + pw - 54, py, 50);
    sheet.Blend(all[3], px + pw - 110, py, 50);
    sheet.Blend(all[0], px + 1, py + ph - 48, 125);
    sheet.Blend(all[1], px + pw - 48, py + ph - 48, 125);
  }
  sheet.Save(path);
}

// Each picture alone at full size and magnified four times; pictures drawn at a scale are named
// with it ("close-button@1.5x.png") and shown at full size only.
void Previews(const std::vector<TArtwork>& all, const std::string& dir, const std::string& scaleName = "") {
  std::filesystem::create_directories(dir);
  for (const TArtwork& a : all) {
    if (!scaleName.empty()) {
      TSheet s(int(a.width), int(a.height), PaperColour());
      s.Put(a, 0, 0, 1);
      s.Save((std::filesystem::path(dir) / (a.name + "@" + scaleName + "x.png")).string());
      continue;
    }
    for (int zoom : {1, 4}) {
      TSheet s(int(a.width) * zoom, int(a.height) * zoom, PaperColour());
      s.Put(a, 0, 0, zoom);
      s.Save((std::filesystem::path(dir) / (a.name + (zoom == 1 ? "" : "-4x") + ".png")).string());
    }
  }
}

int Run(int argc, char** argv, std::string& file) {
  std::string source, sheet, previews, icon, cursor;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) throw TUsage("missing value after " + arg);
    if (arg == "--source")
      source = argv[++i];
    else if (arg == "--sheet")
      sheet = argv[++i];
    else if (arg == "--previews")
      previews = argv[++i];
    else if (arg == "--icon")
      icon = argv[++i];
    else if (arg == "--cursor")
      cursor = argv[++i];
    else
      throw TUsage("unknown option " + arg);
  }
  if (source.empty() && sheet.empty() && previews.empty() && icon.empty() && cursor.empty())
    throw TUsage("expected --source OUT.cpp, --icon OUT.ico or --cursor OUT.cur");
  if (!icon.empty() || !cursor.empty() || !previews.empty()) {
    const std::vector<TIconImage> icons = DrawReaderIcon();
    const TIconImage hand = DrawHandCursor();
    if (!icon.empty()) {
      file = icon;
      WriteWhole(icon, IconFile(TIconKind::Icon, icons));
    }
    if (!cursor.empty()) {
      file = cursor;
      WriteWhole(cursor, IconFile(TIconKind::Cursor, {hand}));
    }
    if (!previews.empty()) {
      file = previews;
      WriteIconPreviews(icons, hand, previews);
    }
  }
  if (source.empty() && sheet.empty() && previews.empty()) return 0;
  const std::vector<TArtwork> all = DrawAllPictures();
  std::vector<TDrawnSet> drawn;
  if (!source.empty() || !previews.empty())
    for (double scale : kDrawnScales) drawn.push_back({scale, DrawAllPictures(scale)});
  if (!source.empty()) {
    file = source;
    WriteWhole(source, Source(all, drawn));
  }
  if (!sheet.empty()) {
    file = sheet;
    ContactSheet(all, sheet);
  }
  if (!previews.empty()) {
    file = previews;
    Previews(all, previews);
    for (const TDrawnSet& set : drawn) {
      std::ostringstream name;
      name << set.scale;
      Previews(set.pictures, previews, name.str());
    }
  }
  return 0;
}

}  // namespace
}  // namespace folivar::art

int main(int argc, char** argv) {
  using namespace folivar::art;
  std::string file;
  try {
    return Run(argc, argv, file);
  } catch (const TUsage& e) {
    std::cerr << kTool << ": " << e.what() << "\n" << kUsage << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << kTool << ": " << (file.empty() ? "" : file + ": ") << e.what() << "\n";
  }
  return 1;
}
