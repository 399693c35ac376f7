#include "tools/artwork/icons.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/artwork/raster.h"

namespace folivar::art {

namespace {

// The demo book's cover: a pale leaf on deep green with a thin gold frame.
const TColour kCoverTop = Hex(0x21703A);
const TColour kCoverBottom = Hex(0x143B24);
const TColour kCoverRim = Hex(0x0C2414);
const TColour kGold = Hex(0xC8B070);
const TColour kLeafBase = Hex(0xD3E2B0);
const TColour kLeaf = Hex(0xE8F0D0);
const TColour kLeafTip = Hex(0xF7FAEC);
const TColour kRib = Hex(0x3F7A4A);
const TColour kWhite = Hex(0xFFFFFF);
const TColour kBlack = Hex(0x000000);

// Straight-alpha pixels of a layer of premultiplied colour.
TIconImage Pixels(const TLayer& layer) {
  TIconImage image;
  image.width = static_cast<uint32_t>(layer.Width());
  image.height = static_cast<uint32_t>(layer.Height());
  image.pixels.reserve(size_t{image.width} * image.height);
  for (int y = 0; y < layer.Height(); ++y) {
    for (int x = 0; x < layer.Width(); ++x) {
      const TRgba& p = layer.At(x, y);
      const uint8_t a = ToByte(p.a);
      if (a == 0) {
        image.pixels.push_back(0);
        continue;
      }
      const double k = 1.0 / p.a;
      image.pixels.push_back(uint32_t{a} << 24 | Pack({p.r * k, p.g * k, p.b * k}));
    }
  }
  return image;
}

// ---- the leaf icon ----

// A leaf from its stalk end to its tip: widest a little below the middle, its tip drawn out,
// its midrib bowed to one side by bend pixels.
struct TIconLeaf {
  TPoint base;
  TPoint tip;
  double width;
  double bend;

  TPoint Axis() const { return tip - base; }
  TPoint Across() const {
    const TPoint d = Normalised(Axis());
    return {d.y, -d.x};  // towards the upper left for a leaf that points up and to the right
  }
  static double Profile(double u) {
    auto f = [](double t) { return std::pow(t, 0.62) * std::pow(1 - t, 0.95); };
    return u <= 0 || u >= 1 ? 0 : f(u) / f(0.62 / (0.62 + 0.95));
  }
  TPoint At(double u, double v) const {
    return base + Axis() * u + Across() * (bend * std::sin(std::numbers::pi * u) + v);
  }
  TPath Outline() const {
    std::vector<TPoint> c;
    const int n = 64;
    for (int i = 0; i <= n; ++i) {
      const double u = double(i) / n;
      c.push_back(At(u, width / 2 * Profile(u)));
    }
    for (int i = n - 1; i > 0; --i) {
      const double u = double(i) / n;
      c.push_back(At(u, -width / 2 * Profile(u) * 0.9));
    }
    TPath p;
    p.Polygon(c);
    return p;
  }
  std::vector<TPoint> Rib(double from, double to, int n = 24) const {
    std::vector<TPoint> r;
    for (int i = 0; i <= n; ++i) r.push_back(At(from + (to - from) * i / n, 0));
    return r;
  }
};

// What changes with the size: every measure is in pixels of that size, and the small sizes
// leave out what would only blur.
struct TIconPlan {
  int size;
  double inset;     // of the cover from the icon's edge
  double radius;    // of the cover's corners
  double shadow;    // opacity of the cover's shadow, 0 for none
  double frame;     // inset of the gold frame from the cover's edge, 0 for none
  TIconLeaf leaf;
  double stem;      // width of the stalk, 0 for none
  double rib;       // width of the midrib
  int veins;        // pairs of side veins
};

TIconImage LeafIcon(const TIconPlan& plan) {
  const int n = plan.size;
  TLayer L(n, n);
  const double x0 = plan.inset, y0 = plan.inset * 0.7, x1 = n - plan.inset,
               y1 = n - plan.inset * 1.3;
  TPath cover;
  cover.RoundRect(x0, y0, x1, y1, plan.radius);
  if (plan.shadow > 0) L.Shadow(cover, 0, n / 48.0 * 1.4, n >= 48 ? 2 : 1, kBlack, plan.shadow);
  // The cover: deep green, lighter towards the upper left, with a dark rim that keeps it apart
  // from a dark desktop and a lit top edge.
  L.Fill(cover, Solid(kCoverRim));
  TPath face;
  const double rim = n >= 32 ? 1.0 : 0.75;
  face.RoundRect(x0 + rim, y0 + rim, x1 - rim, y1 - rim, std::max(0.5, plan.radius - rim));
  L.Fill(face, Linear({x0, y0}, {x1 * 0.6, y1}, {{0, kCoverTop}, {1, kCoverBottom}}));
  L.Fill(face, Radial({x0 + (x1 - x0) * 0.3, y0 + (y1 - y0) * 0.25}, n * 0.55, n * 0.55,
                      {{0, kWhite, 0.10}, {1, kWhite, 0}}));
  {
    TMask lit = TMask::Of(face, n, n);
    lit.Subtract(TMask::Of(face.Translated(0, 1), n, n));
    L.Fill(lit, Solid(kWhite), 0.18);
  }
  if (plan.frame > 0) {
    const double f = plan.frame;
    TMask frame = TMask::Of(TPath().RoundRect(x0 + f, y0 + f, x1 - f, y1 - f, std::max(0.5, plan.radius - f)), n, n);
    frame.Subtract(TMask::Of(
        TPath().RoundRect(x0 + f + 1, y0 + f + 1, x1 - f - 1, y1 - f - 1, std::max(0.5, plan.radius - f - 1)), n, n));
    L.Fill(frame, Solid(kGold), 0.75);
  }
  // The leaf: a faint shadow on the cover, the stalk, the pale blade lighter towards its tip,
  // and the midrib and veins in the green of the cover showing through.
  const TIconLeaf& leaf = plan.leaf;
  const TPath blade = leaf.Outline();
  const TMask bladeMask = TMask::Of(blade, n, n);
  if (n >= 32) L.Shadow(blade, 0.5, n / 48.0 * 1.2, 1, kBlack, 0.28);
  if (plan.stem > 0) {
    const TPoint d = Normalised(leaf.Axis());
    std::vector<TPoint> stalk;
    const double len = Length(leaf.Axis()) * 0.17;
    for (int i = 0; i <= 10; ++i) {
      const double t = i / 10.0;
      stalk.push_back(leaf.base + leaf.Axis() * 0.04 - d * (len * t) + leaf.Across() * (-std::sin(t * 2.4) * len * 0.22));
    }
    L.Fill(TPath().Stroke(stalk, plan.stem), Solid(kLeafBase));
  }
  L.Fill(bladeMask, Linear(leaf.base, leaf.tip, {{0, kLeafBase}, {0.45, kLeaf}, {1, kLeafTip}}));
  // The half away from the light a shade deeper.
  {
    std::vector<TPoint> c;
    for (int i = 0; i <= 32; ++i) c.push_back(leaf.At(i / 32.0, 0));
    for (int i = 31; i > 0; --i) c.push_back(leaf.At(i / 32.0, -leaf.width));
    TMask shade = TMask::Of(TPath().Polygon(c), n, n);
    shade.Multiply(bladeMask);
    L.Fill(shade, Solid(kRib), n >= 32 ? 0.10 : 0.06);
  }
  L.Fill(TPath().Stroke(leaf.Rib(0.0, 0.9), plan.rib), Solid(kRib), n >= 32 ? 0.85 : 0.75, &bladeMask);
  if (plan.veins > 0) {
    TPath veins;
    for (int i = 0; i < plan.veins; ++i) {
      const double u = 0.2 + 0.56 * i / std::max(1, plan.veins - 1);
      for (int side : {1, -1}) {
        const double u1 = u + 0.17;
        const TPoint a = leaf.At(u, 0);
        const TPoint c = leaf.At(u + 0.06, side * leaf.width / 2 * TIconLeaf::Profile(u) * 0.45);
        const TPoint b = leaf.At(u1, side * leaf.width / 2 * TIconLeaf::Profile(u1) * (side > 0 ? 0.78 : 0.72));
        std::vector<TPoint> v{a};
        for (const TPoint& p : FlattenQuad(a, c, b, 8)) v.push_back(p);
        veins.Stroke(v, plan.rib * 0.6);
      }
    }
    L.Fill(veins, Solid(kRib), 0.5, &bladeMask);
  }
  return Pixels(L);
}

// ---- the hand ----

// The hand as a union of strokes and polygons; Outline(g) grows every piece by g pixels, so that
// the black outline is the shape grown by one pixel and the white fill the shape itself. Pieces
// that lie one pixel apart keep a black line between them: the fingers.
struct THand {
  struct TStrokePart {
    std::vector<TPoint> points;
    double width;
  };
  std::vector<TStrokePart> strokes;
  std::vector<std::vector<TPoint>> polygons;

  TPath Outline(double grow) const {
    TPath p;
    for (const TStrokePart& s : strokes) p.Stroke(s.points, s.width + 2 * grow);
    for (const auto& poly : polygons) {
      p.Polygon(poly);
      if (grow > 0) p.Stroke(poly, 2 * grow, true);
    }
    return p;
  }
};

// White columns of three pixels with a black one between: the index finger over columns 7 to
// 9, its tip's outline in row 0; the three bent fingers lower down; the thumb to the left; the
// palm below.
THand Hand() {
  THand h;
  h.strokes.push_back({{{8.5, 2.5}, {8.5, 17}}, 3});     // index finger
  h.strokes.push_back({{{12.5, 10.5}, {12.5, 17}}, 3});  // middle
  h.strokes.push_back({{{16.5, 11.5}, {16.5, 17}}, 3});  // ring
  h.strokes.push_back({{{20.5, 13.5}, {20.5, 18}}, 3});  // little finger
  h.strokes.push_back({{{8.5, 21.5}, {4.0, 16.0}}, 3});  // thumb
  h.polygons.push_back({{7, 16}, {22, 16}, {22, 22}, {20, 26}, {10.5, 26}, {7.5, 23}});
  return h;
}

}  // namespace

std::vector<TIconImage> DrawReaderIcon() {
  std::vector<TIconPlan> plans = {
      {16, 0.0, 3.5, 0.0, 0.0, {{3.6, 12.6}, {13.4, 2.8}, 6.6, 0.3}, 0.0, 0.9, 0},
      {32, 1.5, 5.5, 0.30, 2.0, {{9.4, 22.9}, {25.3, 7.0}, 11.0, 0.6}, 1.2, 1.0, 3},
      {48, 2.5, 8.0, 0.38, 3.5, {{13.6, 34.6}, {37.4, 10.8}, 16.6, 1.0}, 1.7, 1.3, 4},
  };
  std::vector<TIconImage> out;
  for (const TIconPlan& plan : plans) out.push_back(LeafIcon(plan));
  return out;
}

TIconImage DrawHandCursor() {
  const int n = 32;
  TLayer L(n, n);
  const THand hand = Hand();
  L.Fill(hand.Outline(1), Solid(kBlack));
  L.Fill(hand.Outline(0), Solid(kWhite));
  TIconImage image = Pixels(L);
  image.hotX = 8;
  image.hotY = 0;
  return image;
}

}  // namespace folivar::art
