// The small pictures of few colours: page-number digits, the leaf glyph and the chapter ornament.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <string>

#include "tools/artwork/glyphs.h"
#include "tools/artwork/raster.h"
#include "tools/guideart/guidepictures.h"

namespace folivar::guideart {

using art::Hex;
using art::Mix;
using art::Solid;
using art::TColour;
using art::TLayer;
using art::TPath;
using art::TPoint;

namespace {

const TColour kLeafGreen = Hex(0x2F6B3F);
const TColour kVein = Hex(0xD9E8C8);
const TColour kBud = Hex(0x96412F);
const TColour kInk = Hex(0x26262C);

// A lens-shaped leaf from its base to its tip, width across at its widest.
TPath LeafPath(TPoint base, TPoint tip, double width) {
  const TPoint along = tip - base;
  const TPoint across = TPoint{-along.y, along.x} * (1 / art::Length(along)) * width;
  const TPoint mid = art::Lerp(base, tip, 0.45);
  const TPoint c1 = mid + across, c2 = mid - across;
  TPath path;
  path.MoveTo(base.x, base.y).QuadTo(c1.x, c1.y, tip.x, tip.y).QuadTo(c2.x, c2.y, base.x, base.y).Close();
  return path;
}

void DrawLeaf(TLayer& layer, TPoint base, TPoint tip, double width, double rib) {
  layer.Fill(LeafPath(base, tip, width), Solid(kLeafGreen));
  if (rib > 0) {
    TPath midrib;
    midrib.Stroke({art::Lerp(base, tip, 0.12), art::Lerp(base, tip, 0.8)}, rib);
    layer.Fill(midrib, Solid(kVein), 0.85);
  }
}

TGuidePicture FromLayer(const TLayer& layer, TColour backdrop) {
  TGuidePicture p;
  p.width = static_cast<uint32_t>(layer.Width());
  p.height = static_cast<uint32_t>(layer.Height());
  p.pixels = layer.Over(backdrop);
  return p;
}

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

}  // namespace

void Palettise(TGuidePicture& picture, const std::vector<uint32_t>& palette) {
  if (palette.empty()) return;
  for (uint32_t& px : picture.pixels) {
    uint32_t best = palette.front();
    int64_t bestDistance = INT64_MAX;
    for (const uint32_t c : palette) {
      int64_t d = 0;
      for (const int shift : {16, 8, 0}) {
        const int64_t delta = int64_t(Channel(px, shift)) - int64_t(Channel(c, shift));
        d += delta * delta;
      }
      if (d < bestDistance) {
        bestDistance = d;
        best = c;
      }
    }
    px = best;
  }
}

size_t ColourCount(const TGuidePicture& picture) {
  return std::set<uint32_t>(picture.pixels.begin(), picture.pixels.end()).size();
}

TGuidePicture Digit(int d, uint32_t height, const art::TFont& serif) {
  const std::u32string text(1, static_cast<char32_t>(U'0' + std::clamp(d, 0, 9)));
  // The figures of the serif face are as high as its capitals; one pixel of white above and below.
  const double capPerPixel = serif.CapHeight(100) / 100;
  const double size = (static_cast<double>(height) - 2) / capPerPixel;
  // Drawn on a canvas of the full advance, then cut to the inked columns and one white column on
  // each side: the figures of a page number then sit close together, as proportional figures do.
  const auto canvas = static_cast<int>(std::ceil(serif.Width(text, size))) + 4;
  TLayer layer(canvas, static_cast<int>(height));
  layer.Fill(serif.Text(text, size, 2, 1 + serif.CapHeight(size)), Solid(kInk));
  TGuidePicture full = FromLayer(layer, Hex(0xFFFFFF));
  const uint32_t ink = art::Pack(kInk);
  // White stays pure white: it is the key colour that the reader leaves out of glyph pictures.
  Palettise(full, {0xFFFFFF, art::Pack(Mix(kInk, Hex(0xFFFFFF), 0.7)),
                   art::Pack(Mix(kInk, Hex(0xFFFFFF), 0.35)), ink});
  int first = canvas, last = -1;
  for (int x = 0; x < canvas; ++x) {
    for (uint32_t y = 0; y < height; ++y) {
      if (full.pixels[size_t{y} * canvas + x] != 0xFFFFFF) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
    }
  }
  if (last < first) return full;
  const int x0 = std::max(first - 1, 0), x1 = std::min(last + 1, canvas - 1);
  TGuidePicture p{static_cast<uint32_t>(x1 - x0 + 1), height, {}};
  for (uint32_t y = 0; y < height; ++y) {
    for (int x = x0; x <= x1; ++x) p.pixels.push_back(full.pixels[size_t{y} * canvas + x]);
  }
  return p;
}

TGuidePicture Leaf(uint32_t size) {
  const auto s = static_cast<double>(size);
  TLayer layer(static_cast<int>(size), static_cast<int>(size));
  // A short stem, then the leaf rising to the upper right.
  TPath stem;
  stem.Stroke({{s * 0.1, s * 0.92}, {s * 0.26, s * 0.76}}, std::max(1.0, s * 0.07));
  layer.Fill(stem, Solid(kLeafGreen));
  DrawLeaf(layer, {s * 0.22, s * 0.8}, {s * 0.92, s * 0.1}, s * 0.3, std::max(0.8, s * 0.05));
  TGuidePicture p = FromLayer(layer, Hex(kPaperBase));
  const TColour paper = Hex(kPaperBase);
  Palettise(p, {kPaperBase, art::Pack(Mix(paper, kLeafGreen, 0.35)),
                art::Pack(Mix(paper, kLeafGreen, 0.7)), art::Pack(kLeafGreen),
                art::Pack(Mix(kLeafGreen, kVein, 0.6))});
  return p;
}

TGuidePicture Ornament(uint32_t width, uint32_t height) {
  const auto w = static_cast<double>(width), h = static_cast<double>(height);
  TLayer layer(static_cast<int>(width), static_cast<int>(height));
  const double cx = w / 2, cy = h / 2;
  // The vine: a gentle wave from one end to the other, thinning towards the ends.
  for (const int side : {-1, 1}) {
    std::vector<TPoint> vine;
    for (int i = 0; i <= 40; ++i) {
      const double t = i / 40.0;
      const double x = cx + side * (6 + t * (w / 2 - 10));
      vine.push_back({x, cy + 2.2 * std::sin(t * 3.3 * std::numbers::pi) * (1 - t * 0.5)});
    }
    TPath stroke;
    stroke.Stroke(vine, 1.4);
    layer.Fill(stroke, Solid(kLeafGreen));
    // Leaves along the vine, alternately above and below, smaller towards the ends.
    for (int k = 0; k < 3; ++k) {
      const double t = 0.18 + k * 0.27;
      const double x = cx + side * (6 + t * (w / 2 - 10));
      const double up = (k % 2 == 0) ? -1 : 1;
      const double length = h * (0.62 - k * 0.12);
      const TPoint base{x, cy};
      const TPoint tip{x + side * length * 0.8, cy + up * length * 0.55};
      DrawLeaf(layer, base, tip, length * 0.28, 0.9);
    }
  }
  // The bud in the middle.
  TPath bud;
  bud.Circle(cx, cy, h * 0.16);
  layer.Fill(bud, Solid(kBud));
  TGuidePicture p = FromLayer(layer, Hex(kPaperBase));
  const TColour paper = Hex(kPaperBase);
  Palettise(p, {kPaperBase, art::Pack(Mix(paper, kLeafGreen, 0.35)),
                art::Pack(Mix(paper, kLeafGreen, 0.7)), art::Pack(kLeafGreen),
                art::Pack(Mix(kLeafGreen, kVein, 0.6)), art::Pack(kBud),
                art::Pack(Mix(paper, kBud, 0.5))});
  return p;
}

}  // namespace folivar::guideart
