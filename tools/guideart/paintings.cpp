// The pictures of many colours: the cover, the paper and the landscape.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/artwork/glyphs.h"
#include "tools/artwork/raster.h"
#include "tools/guideart/guidepictures.h"
#include "tools/guideart/noise.h"

namespace folivar::guideart {

using art::Hex;
using art::Linear;
using art::Mix;
using art::Solid;
using art::TColour;
using art::TLayer;
using art::TPath;
using art::TPoint;

namespace {

TColour Shade(TColour c, double k) {
  return {std::clamp(c.r * k, 0.0, 1.0), std::clamp(c.g * k, 0.0, 1.0), std::clamp(c.b * k, 0.0, 1.0)};
}

double Smooth(double edge0, double edge1, double v) {
  const double t = std::clamp((v - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

TPath LeafShape(TPoint base, TPoint tip, double width) {
  const TPoint along = tip - base;
  const TPoint across = TPoint{-along.y, along.x} * (1 / art::Length(along)) * width;
  const TPoint mid = art::Lerp(base, tip, 0.45);
  const TPoint c1 = mid + across, c2 = mid - across;
  TPath path;
  path.MoveTo(base.x, base.y).QuadTo(c1.x, c1.y, tip.x, tip.y).QuadTo(c2.x, c2.y, base.x, base.y).Close();
  return path;
}

// Sets the pixels of a layer from a function of the position, fully opaque.
template <typename F>
void Paint(TLayer& layer, F colourAt) {
  for (int y = 0; y < layer.Height(); ++y) {
    for (int x = 0; x < layer.Width(); ++x) {
      const TColour c = colourAt(x, y);
      layer.At(x, y) = {static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b), 1};
    }
  }
}

void CentredText(TLayer& layer, const art::TFont& font, std::u32string_view text, double size,
                 double baseline, const art::TPaint& paint, double tracking = 0) {
  const double width = font.Width(text, size, tracking);
  layer.Fill(font.Text(text, size, (layer.Width() - width) / 2, baseline, tracking), paint);
}

TGuidePicture FromLayer(const TLayer& layer) {
  return {static_cast<uint32_t>(layer.Width()), static_cast<uint32_t>(layer.Height()),
          layer.Over(Hex(0xFFFFFF))};
}

}  // namespace

TGuidePicture Cover(uint32_t width, uint32_t height, const art::TFont& serifBold,
                    const art::TFont& serifItalic) {
  const auto w = static_cast<double>(width), h = static_cast<double>(height);
  TLayer layer(static_cast<int>(width), static_cast<int>(height));
  const TColour top = Hex(0x1F4D36), bottom = Hex(0x0E291C);
  // Cloth: a deep green falling darker downwards, mottled softly.
  Paint(layer, [&](int x, int y) {
    const double v = y / h;
    const double mottle = Fractal(x / 60.0, y / 60.0, 4, 7) - 0.5;
    const double weave = (Hash(x, y, 11) - 0.5) * 0.04;
    return Shade(Mix(top, bottom, v), 1 + mottle * 0.18 + weave);
  });
  // A large pale leaf in the upper half, with a glow behind it.
  layer.Fill(TPath().Ellipse(w / 2, h * 0.3, w * 0.42, h * 0.22),
             art::Radial({w / 2, h * 0.3}, w * 0.42, h * 0.22,
                         {{0, Hex(0x6FA465), 0.35}, {1, Hex(0x6FA465), 0}}));
  const TPoint base{w * 0.3, h * 0.44}, tip{w * 0.72, h * 0.13};
  layer.Fill(LeafShape(base, tip, w * 0.16),
             Linear(base, tip, {{0, Hex(0xCFE3B8)}, {1, Hex(0xEEF5E0)}}));
  TPath rib;
  rib.Stroke({art::Lerp(base, tip, 0.05), art::Lerp(base, tip, 0.85)}, 2.2);
  layer.Fill(rib, Solid(Hex(0x5E8F55)), 0.8);
  for (int i = 1; i <= 5; ++i) {
    const double t = 0.14 * i;
    const TPoint on = art::Lerp(base, tip, t);
    const TPoint along = art::Normalised(tip - base);
    const TPoint across{-along.y, along.x};
    const double reach = w * 0.1 * std::sin(t * std::numbers::pi) + 6;
    for (const int side : {-1, 1}) {
      TPath vein;
      vein.Stroke({on, on + along * (reach * 0.6) + across * (side * reach)}, 1.1);
      layer.Fill(vein, Solid(Hex(0x5E8F55)), 0.55);
    }
  }
  TPath stem;
  stem.Stroke({base, base + TPoint{-w * 0.06, h * 0.05}}, 3);
  layer.Fill(stem, Solid(Hex(0xCFE3B8)));

  // The title, the subtitle and a rule between them, in warm gold.
  const art::TPaint gold = Linear({0, h * 0.55}, {0, h * 0.62}, {{0, Hex(0xF3DFA2)}, {1, Hex(0xC9A45A)}});
  CentredText(layer, serifBold, U"Folivar", 68, h * 0.62, gold, 1.5);
  TPath rule;
  rule.Stroke({{w * 0.3, h * 0.66}, {w * 0.7, h * 0.66}}, 1.2);
  layer.Fill(rule, Solid(Hex(0xC9A45A)));
  TPath diamond;
  diamond.Polygon({{w / 2, h * 0.66 - 4}, {w / 2 + 4, h * 0.66}, {w / 2, h * 0.66 + 4}, {w / 2 - 4, h * 0.66}});
  layer.Fill(diamond, Solid(Hex(0xE6CB85)));
  CentredText(layer, serifItalic, U"A guide for readers and makers", 21, h * 0.71,
              Solid(Hex(0xE8EEDD)));
  CentredText(layer, serifItalic, U"The Folivar team", 15, h * 0.9, Solid(Hex(0xB9C8AE)));

  // A double gold frame.
  TPath frame;
  frame.RoundRect(14, 14, w - 14, h - 14, 6);
  TPath inner;
  inner.RoundRect(15.4, 15.4, w - 15.4, h - 15.4, 5);
  TPath frame2;
  frame2.RoundRect(19, 19, w - 19, h - 19, 4);
  TPath inner2;
  inner2.RoundRect(19.8, 19.8, w - 19.8, h - 19.8, 3.5);
  art::TMask ring = art::TMask::Of(frame, layer.Width(), layer.Height());
  ring.Subtract(art::TMask::Of(inner, layer.Width(), layer.Height()));
  layer.Fill(ring, Solid(Hex(0xC9A45A)));
  art::TMask ring2 = art::TMask::Of(frame2, layer.Width(), layer.Height());
  ring2.Subtract(art::TMask::Of(inner2, layer.Width(), layer.Height()));
  layer.Fill(ring2, Solid(Hex(0xC9A45A)), 0.7);
  return FromLayer(layer);
}

TGuidePicture Paper(uint32_t width, uint32_t height) {
  TGuidePicture p{width, height, {}};
  p.pixels.reserve(size_t{width} * height);
  const TColour base = Hex(kPaperBase);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      // Fibres: noise stretched along the sheet, a cloudy unevenness, and a fine grain.
      const double fibre = Fractal(x / 40.0, y / 3.0, 3, 21) - 0.5;
      const double cloud = Fractal(x / 90.0, y / 90.0, 3, 23) - 0.5;
      const double grain = Hash(static_cast<int32_t>(x), static_cast<int32_t>(y), 29) - 0.5;
      p.pixels.push_back(art::Pack(Shade(base, 1 + fibre * 0.025 + cloud * 0.03 + grain * 0.012)));
    }
  }
  return p;
}

TGuidePicture Landscape(uint32_t width, uint32_t height) {
  const auto w = static_cast<double>(width), h = static_cast<double>(height);
  const double horizon = h * 0.55;
  const TPoint sun{w * 0.7, h * 0.36};
  // Ridge heights of three ranges of hills, from far to near.
  auto ridge = [&](int range, double x) {
    const double base = horizon - h * (0.2 - range * 0.06);
    const double scale = 70.0 - range * 18;
    return base - (Fractal(x / scale, range * 3.7, 5, 40 + range) - 0.35) * h * (0.22 - range * 0.04);
  };
  const TColour hills[3] = {Hex(0x8A8FB0), Hex(0x5C7A6E), Hex(0x2F5A3A)};
  TLayer layer(static_cast<int>(width), static_cast<int>(height));
  auto skyAt = [&](double x, double y) {
    const double v = std::clamp(y / horizon, 0.0, 1.0);
    TColour sky = Mix(Hex(0x3A5F9E), Hex(0xF2C28E), Smooth(0.1, 1.0, v));
    const double d = art::Length(TPoint{x, y} - sun) / w;
    sky = Mix(sky, Hex(0xFFF1C8), std::exp(-d * 9) * 0.85);
    if (d < 0.045) sky = Mix(sky, Hex(0xFFFBEA), Smooth(0.045, 0.035, d));
    // Thin clouds drawn out along the sky.
    const double cloud = Fractal(x / 70.0, y / 18.0, 5, 3);
    return Mix(sky, Hex(0xFCE6D2), Smooth(0.55, 0.8, cloud) * 0.6 * (1 - v * 0.5));
  };
  Paint(layer, [&](int ix, int iy) {
    const double x = ix, y = iy;
    TColour c;
    if (y < horizon) {
      c = skyAt(x, y);
      for (int r = 0; r < 3; ++r) {
        // Coverage of the pixel by the hill, so that the ridge line is smooth.
        const double cover = std::clamp(y + 0.5 - ridge(r, x), 0.0, 1.0);
        if (cover > 0) {
          // Nearer hills are darker and greener; a haze lies over the far ones.
          const double shade = Fractal(x / 25.0, y / 25.0, 4, 60 + r) - 0.5;
          c = Mix(c, Mix(Shade(hills[r], 1 + shade * 0.35), skyAt(x, horizon), 0.35 - r * 0.15), cover);
        }
      }
    } else {
      // The lake mirrors the sky and the hills, broken by ripples; the meadow closes the front.
      const double depth = (y - horizon) / (h - horizon);
      const double ripple = (ValueNoise(x / 30.0, y / 2.5, 77) - 0.5) * 6 * (0.3 + depth);
      const double my = horizon - (y - horizon) + ripple;
      TColour mirrored = skyAt(x + ripple, my);
      for (int r = 0; r < 3; ++r) {
        if (my >= ridge(r, x + ripple)) mirrored = Mix(hills[r], skyAt(x, horizon), 0.35 - r * 0.15);
      }
      c = Mix(Shade(mirrored, 0.88), Hex(0x30506A), 0.15 + depth * 0.3);
      // The sun's path on the water: glitter where the ripples face it.
      const double glitter = std::exp(-std::pow((x - sun.x) / (w * 0.03 + depth * w * 0.05), 2));
      c = Mix(c, Hex(0xFFF3D0), glitter * Smooth(0.55, 0.8, ValueNoise(x / 4.0, y / 1.5, 78)) * 0.8);
      const double shore = h - (h - horizon) * (0.28 + (Fractal(x / 60.0, 5.5, 4, 90) - 0.5) * 0.35);
      if (y > shore) {
        const double grass = Fractal(x / 6.0, y / 14.0, 4, 91);
        c = Mix(Hex(0x4F7A2E), Hex(0x8BA64A), grass);
        c = Shade(c, 0.75 + 0.3 * (1 - (y - shore) / (h - shore + 1)) * 0.8);
      }
    }
    // Grain, as in a photograph.
    const double grain = (Hash(ix, iy, 5) - 0.5) * 0.05;
    return Shade(c, 1 + grain);
  });
  // Dark trees along the shore on the left.
  for (int i = 0; i < 7; ++i) {
    const double tx = w * (0.05 + i * 0.045 + Hash(i, 0, 97) * 0.02);
    const double th = h * (0.12 + Hash(i, 1, 97) * 0.08);
    const double ty = horizon + h * 0.02;
    TPath tree;
    tree.Polygon({{tx, ty - th}, {tx + th * 0.22, ty}, {tx - th * 0.22, ty}});
    layer.Fill(tree, Solid(Hex(0x1E3A24)), 0.9);
  }
  return FromLayer(layer);
}

}  // namespace folivar::guideart
