#include "tools/artwork/pictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "tools/artwork/glyphs.h"

namespace folivar::art {

namespace {

// ---- palette: warm paper and greys, one deep leaf green, a muted brick for closing ----

const TColour kPaper = Hex(0xF3ECDD);
const TColour kWhite = Hex(0xFFFFFF);
const TColour kIvoryTop = Hex(0xFFFDF8);
const TColour kIvoryBottom = Hex(0xEEE6D5);
const TColour kRim = Hex(0xB8AC95);
const TColour kShade = Hex(0x3B3024);
const TColour kInk = Hex(0x3E372E);
const TColour kInkSoft = Hex(0x6A6053);
const TColour kGreenDeep = Hex(0x2A5536);
const TColour kGreen = Hex(0x3C7547);
const TColour kGreenLight = Hex(0x6FA465);
const TColour kVein = Hex(0xE6EFD8);
const TColour kBrick = Hex(0x96412F);
// The panel and button grey of the message window; the message box reads it back at (12, 12)
// and fills its buttons and the rule under them with it.
const TColour kPanel = Hex(0xCFC8BA);

// Pixels over the paper for the highlight layer: nothing (0) where the artwork does not change
// the paper, and never 0 where it is drawn.
std::vector<uint32_t> Keyed(const TLayer& layer) {
  const uint32_t paper = Pack(kPaper);
  std::vector<uint32_t> out = layer.Over(kPaper);
  for (int y = 0; y < layer.Height(); ++y) {
    for (int x = 0; x < layer.Width(); ++x) {
      uint32_t& p = out[size_t(y) * layer.Width() + x];
      const float a = layer.At(x, y).a;
      if (a < 0.5f / 255 || (a < 0.25f && p == paper))
        p = 0;
      else if (p == 0)
        p = 0x000001;
    }
  }
  return out;
}

// ---- the shared button material: ivory with a warm rim, a lit top edge and a soft shadow ----

void Tile(TLayer& L, const TPath& outer, const TPath& inner, double top, double bottom, int blur,
          double shadowAlpha) {
  L.Shadow(outer, 0, 1.1, blur, kShade, shadowAlpha);
  L.Fill(outer, Solid(kRim));
  L.Fill(inner, Linear({0, top}, {0, bottom}, {{0, kIvoryTop}, {0.55, Mix(kIvoryTop, kIvoryBottom, 0.45)}, {1, kIvoryBottom}}));
  TMask lit = L.Mask(inner);
  lit.Subtract(L.Mask(inner.Translated(0, 1.0)));
  L.Fill(lit, Solid(kWhite), 0.9);
}

void RoundTile(TLayer& L, double x0, double y0, double x1, double y1, double r, int blur,
               double shadowAlpha) {
  TPath outer, inner;
  outer.RoundRect(x0, y0, x1, y1, r);
  inner.RoundRect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1);
  Tile(L, outer, inner, y0, y1, blur, shadowAlpha);
}

void DiscTile(TLayer& L, double cx, double cy, double r) {
  TPath outer, inner;
  outer.Circle(cx, cy, r);
  inner.Circle(cx, cy, r - 1);
  Tile(L, outer, inner, cy - r, cy + r, 2, 0.30);
}

// A glyph pressed into the material: a faint light edge below it, then the glyph.
void Pressed(TLayer& L, const TPath& glyph, const TPaint& paint, double light = 0.85) {
  L.Fill(glyph.Translated(0, 0.8), Solid(kWhite), light);
  L.Fill(glyph, paint);
}

// ---- the leaf ----

struct TLeaf {
  TPoint base;
  double angle;   // direction from base to tip, radians, y down
  double length;
  double width;   // full width at the widest
  double bend;    // sideways bow of the midrib, pixels

  TPoint Axis() const { return {std::cos(angle), std::sin(angle)}; }
  TPoint Across() const { return {-std::sin(angle), std::cos(angle)}; }
  double Half(double u) const {
    // Ovate with a drawn-out tip: widest a little below the middle.
    const double s = std::pow(std::max(u, 0.0), 0.62) * std::pow(std::max(1 - u, 0.0), 0.95);
    return width / 2 * s / 0.4617;
  }
  TPoint At(double u, double v) const {
    const double mid = bend * std::sin(std::numbers::pi * u);
    return base + Axis() * (u * length) + Across() * (mid + v);
  }
  TPath Outline() const {
    std::vector<TPoint> c;
    const int n = 48;
    for (int i = 0; i <= n; ++i) {
      const double u = double(i) / n;
      c.push_back(At(u, -Half(u)));
    }
    for (int i = n - 1; i > 0; --i) {
      const double u = double(i) / n;
      c.push_back(At(u, Half(u) * 0.86));
    }
    TPath p;
    p.Polygon(c);
    return p;
  }
};

void DrawLeaf(TLayer& L, const TLeaf& leaf, bool withStem, double veinAlpha = 1) {
  const TPath outline = leaf.Outline();
  // A soft contact shadow, then the blade in a gradient from the stalk to the tip.
  L.Shadow(outline, 0.4, 1.0, 1, kShade, 0.22);
  if (withStem) {
    std::vector<TPoint> stem;
    for (int i = 0; i <= 12; ++i) {
      const double t = double(i) / 12;
      const TPoint p = leaf.base - leaf.Axis() * (t * leaf.length * 0.2) +
                       leaf.Across() * (std::sin(t * 2.2) * leaf.width * 0.13);
      stem.push_back(p);
    }
    TPath s;
    s.Stroke(stem, std::max(1.1, leaf.width * 0.085));
    L.Fill(s, Solid(kGreenDeep));
  }
  const TPoint tip = leaf.At(1, 0);
  L.Fill(outline, Linear(leaf.base, tip, {{0, kGreenDeep}, {0.5, kGreen}, {1, kGreenLight}}));
  // Light from the upper left: a sheen on one half of the blade, a darker other half.
  const TMask blade = L.Mask(outline);
  TPath half;
  {
    std::vector<TPoint> c;
    for (int i = 0; i <= 32; ++i) c.push_back(leaf.At(double(i) / 32, 0));
    for (int i = 31; i > 0; --i) {
      const double u = double(i) / 32;
      c.push_back(leaf.At(u, -leaf.Half(u) - 2));
    }
    half.Polygon(c);
  }
  TMask sunny = L.Mask(half);
  sunny.Multiply(blade);
  const TPoint glow = leaf.At(0.45, -leaf.Half(0.45) * 0.45);
  L.Fill(sunny, Radial(glow, leaf.length * 0.45, leaf.length * 0.45,
                       {{0, kWhite, 0.28}, {1, kWhite, 0.04}}));
  TMask shady = blade;
  shady.Subtract(L.Mask(half));
  L.Fill(shady, Solid(kGreenDeep), 0.22);
  // The midrib and side veins, pale and fine.
  if (veinAlpha > 0) {
    std::vector<TPoint> rib;
    for (int i = 0; i <= 20; ++i) rib.push_back(leaf.At(0.02 + 0.86 * i / 20.0, 0));
    TPath ribPath;
    ribPath.Stroke(rib, std::max(0.55, leaf.width * 0.05));
    L.Fill(ribPath, Solid(kVein), 0.75 * veinAlpha, &blade);
    TPath veins;
    for (double u : {0.22, 0.38, 0.54, 0.70}) {
      for (int side : {-1, 1}) {
        const double u1 = u + 0.16;
        const double reach = side < 0 ? 0.78 : 0.70;
        const TPoint a = leaf.At(u, 0);
        const TPoint c = leaf.At(u + 0.05, side * leaf.Half(u) * 0.45);
        const TPoint b = leaf.At(u1, side * leaf.Half(u1) * reach);
        std::vector<TPoint> v{a};
        for (const TPoint& p : FlattenQuad(a, c, b, 8)) v.push_back(p);
        veins.Stroke(v, std::max(0.4, leaf.width * 0.032));
      }
    }
    L.Fill(veins, Solid(kVein), 0.42 * veinAlpha, &blade);
  }
}

// The Folivar wordmark: the name in serif letters with a leaf for the dot of the i. Returns
// its width.
double Wordmark(TLayer& L, const TFont& serif, double x, double baseline, double size, TColour ink,
                TColour light, double lightAlpha) {
  const std::u32string text = U"Fol\u0131var";  // a dotless i: the dot is a leaf
  const double tracking = size * 0.02;
  const TPath letters = serif.Text(text, size, x, baseline, tracking);
  L.Fill(letters.Translated(0, std::max(0.7, size * 0.035)), Solid(light), lightAlpha);
  L.Fill(letters, Linear({0, baseline - size * 0.7}, {0, baseline}, {{0, Mix(ink, kWhite, 0.08)}, {1, ink}}));
  // Where the dot would sit: centred over the stem of the i.
  const double before = serif.Width(U"Fol", size, tracking) + tracking;
  const double iWidth = serif.Width(U"\u0131", size);
  // The dot: a small round leaf with its tip up and to the right, centred where the dot was.
  const double angle = -0.85, len = size * 0.2;
  const TPoint centre{x + before + iWidth * 0.5, baseline - size * 0.655};
  const TLeaf dot{centre - TPoint{std::cos(angle), std::sin(angle)} * (len * 0.5), angle, len,
                  size * 0.165, 0};
  L.Fill(dot.Outline(), Linear(dot.base, dot.At(1, 0), {{0, kGreenDeep}, {1, kGreen}}));
  return serif.Width(text, size, tracking);
}

// ---- the pictures ----

// The lit page corner: the corner of the page lifts along a diagonal fold and shows its back;
// beneath it the next page lies in the flap's shadow. Drawn for the bottom-right corner, and
// mirrored for the bottom-left.
TLayer PageCorner(bool left, double scale) {
  const int n = 47;
  TLayer L(n, n, scale);
  // The page's own corner is one pixel beyond the picture (it is drawn one pixel in from the
  // page edge): at (48, 48).
  auto P = [left](double x, double y) { return left ? TPoint{n - x, y} : TPoint{x, y}; };
  auto Place = [left](const TPath& p) { return left ? p.MirroredX(n) : p; };
  const double a = 13.5;
  const TPoint A{a, 48}, B{48, a}, C{48, 48};
  const TPoint M = Lerp(A, B, 0.5);
  // A page that curls does not fold flat: its tip comes short of the mirror image of the corner.
  const TPoint T = M + (TPoint{a, a} - M) * 0.8;

  // The flap: the lifted corner, its two free edges bowing outwards like a curl, its tip
  // rounded.
  TPath flap;
  {
    std::vector<TPoint> c{B};
    const TPoint tipA = Lerp(T, A, 0.1), tipB = Lerp(T, B, 0.1);
    const TPoint centre = (A + B + T) * (1.0 / 3);
    auto Bow = [&centre](TPoint p, TPoint q, double by) {
      const TPoint mid = Lerp(p, q, 0.5);
      const TPoint d = Normalised(q - p);
      TPoint out{-d.y, d.x};
      if ((mid.x - centre.x) * out.x + (mid.y - centre.y) * out.y < 0) out = out * -1;
      return mid + out * by;
    };
    const TPoint bowB = Bow(B, tipB, 2.0);
    const TPoint bowA = Bow(A, tipA, 2.0);
    for (const TPoint& p : FlattenQuad(B, bowB, tipB, 16)) c.push_back(p);
    for (const TPoint& p : FlattenQuad(tipB, T, tipA, 8)) c.push_back(p);
    for (const TPoint& p : FlattenQuad(tipA, bowA, A, 16)) c.push_back(p);
    flap.Polygon(c);
  }
  TPath under;
  under.Polygon({A, C, B});
  const TPath flapPlaced = Place(flap);
  const TPath underPlaced = Place(under);

  // 1. The soft shadow that the lifted flap casts around itself on the page.
  L.Shadow(flapPlaced, left ? -0.6 : 0.6, 0.9, 2, kShade, 0.42);
  // 2. The next page beneath, darker towards the fold.
  L.Fill(underPlaced, Linear(P(M.x, M.y), P(C.x, C.y),
                             {{0, Hex(0xA2947B)}, {0.35, Hex(0xC6B9A1)}, {1, Hex(0xE2D8C5)}}));
  // 3. The flap's shadow on that page, just beyond the fold.
  {
    TMask m = L.Mask(Place(flap.Translated(2.2, 2.2)));
    m.Blur(L.Px(2));
    m.Multiply(L.Mask(underPlaced));
    L.Fill(m, Solid(kShade), 0.45);
  }
  // 4. The back of the page: shaded at the crease, a sheen where it curls, dimmer at the tip.
  L.Fill(flapPlaced, Linear(P(M.x, M.y), P(T.x, T.y),
                            {{0, Hex(0xC4B79E)},
                             {0.12, Hex(0xE6DDCB)},
                             {0.42, Hex(0xFCF9F2)},
                             {0.62, Hex(0xF6F1E6)},
                             {1, Hex(0xDDD2BD)}}));
  // A faint light along the crease.
  {
    TPath crease;
    crease.Stroke({Lerp(A, B, 0.02) + TPoint{-0.9, -0.9}, Lerp(A, B, 0.98) + TPoint{-0.9, -0.9}}, 0.8);
    L.Fill(Place(crease), Solid(kWhite), 0.55, nullptr);
  }
  // 5. The flap's free edges, a fine warm line.
  {
    TMask edge = L.Mask(flapPlaced);
    TMask inner = L.Mask(Place(flap.Scaled(0.955, Lerp(M, T, 0.45))));
    edge.Subtract(inner);
    edge.Multiply(L.Full(1).Subtract(L.Mask(underPlaced)));
    L.Fill(edge, Solid(Hex(0x9E917A)), 0.75);
  }
  // 6. A small arrow on the page beneath, pointing the way the page turns.
  {
    const TPoint c{38.6, 38.6};
    TPath arrow;
    arrow.Stroke({c + TPoint{-2.2, -2.6}, c + TPoint{1.0, 0}, c + TPoint{-2.2, 2.6}}, 1.5);
    const TPath placed = Place(arrow);
    L.Fill(placed.Translated(0, 0.7), Solid(kWhite), 0.45);
    L.Fill(placed, Solid(kGreen), 0.95);
  }
  return L;
}

TLayer CloseButton(double scale) {
  TLayer L(54, 54, scale);
  DiscTile(L, 27, 26.5, 17.5);
  TPath x;
  const double d = 5.6;
  x.Stroke({{27 - d, 26.5 - d}, {27 + d, 26.5 + d}}, 2.5);
  x.Stroke({{27 + d, 26.5 - d}, {27 - d, 26.5 + d}}, 2.5);
  Pressed(L, x, Solid(kBrick));
  return L;
}

TLayer MinimiseButton(double scale) {
  TLayer L(54, 54, scale);
  DiscTile(L, 27, 26.5, 17.5);
  TPath bar;
  bar.Stroke({{27 - 6.2, 30.5}, {27 + 6.2, 30.5}}, 2.5);
  Pressed(L, bar, Solid(kInk));
  return L;
}

TLayer AboutButton(const TFont& serif, double scale) {
  TLayer L(104, 53, scale);
  RoundTile(L, 1.5, 1.5, 102.5, 50.5, 9, 1, 0.28);
  // The leaf, the emblem of the wordmark, on its stalk at the left.
  DrawLeaf(L, TLeaf{{13.5, 41.5}, -1.03, 30, 15.5, 1.6}, true);
  const double size = 20;
  const double width = serif.Width(U"Fol\u0131var", size, size * 0.02);
  const double x = 35 + (98 - 35 - width) / 2;
  Wordmark(L, serif, x, 32, size, kInk, kWhite, 0.9);
  // A hairline under the name, fading at both ends.
  TPath rule;
  rule.RoundRect(x + 1, 36.6, x + width - 1, 37.4, 0.4);
  L.Fill(rule, Linear({x, 0}, {x + width, 0},
                      {{0, kRim, 0}, {0.25, kRim, 0.9}, {0.75, kRim, 0.9}, {1, kRim, 0}}));
  return L;
}

void SmallTile(TLayer& L) { RoundTile(L, 1.5, 1.5, 21.5, 21.0, 4.5, 1, 0.26); }

TLayer PrintButton(double scale) {
  TLayer L(23, 23, scale);
  SmallTile(L);
  auto Sheet = [&L](double x0, double y0, double x1, double y1, bool openBottom) {
    TPath outer, inner;
    outer.Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
    inner.Polygon({{x0 + 0.9, y0 + 0.9}, {x1 - 0.9, y0 + 0.9}, {x1 - 0.9, y1 - (openBottom ? 0 : 0.9)},
                   {x0 + 0.9, y1 - (openBottom ? 0 : 0.9)}});
    L.Fill(outer, Solid(kInkSoft));
    L.Fill(inner, Solid(kWhite));
  };
  // The sheet waiting at the top, the body, and the printed sheet coming out in front.
  Sheet(7.6, 4.4, 15.4, 10.5, true);
  TPath body;
  body.RoundRect(4.4, 9.0, 18.6, 15.8, 1.9);
  L.Shadow(body, 0, 0.6, 1, kShade, 0.25);
  L.Fill(body, Linear({0, 9}, {0, 15.8}, {{0, Mix(kInk, kWhite, 0.22)}, {1, kInk}}));
  TPath bodyLit;
  bodyLit.RoundRect(5.3, 9.8, 17.7, 10.6, 0.4);
  L.Fill(bodyLit, Solid(kWhite), 0.22);
  TPath led;
  led.Circle(16.2, 11.9, 0.95);
  L.Fill(led, Solid(kGreenLight));
  Sheet(7.6, 13.4, 15.4, 19.2, false);
  TPath lines;
  lines.Polygon({{9.4, 15.2}, {13.6, 15.2}, {13.6, 15.9}, {9.4, 15.9}});
  lines.Polygon({{9.4, 16.8}, {12.4, 16.8}, {12.4, 17.5}, {9.4, 17.5}});
  L.Fill(lines, Solid(kGreen), 0.8);
  return L;
}

TLayer SpareButton(double scale) {
  TLayer L(23, 23, scale);
  SmallTile(L);
  // A bookmark ribbon hanging from the top of the tile.
  TPath ribbon;
  ribbon.Polygon({{8.1, 3.2}, {14.9, 3.2}, {14.9, 18.6}, {11.5, 15.3}, {8.1, 18.6}});
  L.Shadow(ribbon, 0.5, 0.8, 1, kShade, 0.3);
  L.Fill(ribbon, Linear({8.1, 0}, {14.9, 0}, {{0, kGreenLight}, {0.45, kGreen}, {1, kGreenDeep}}));
  TPath fold;
  fold.Polygon({{8.1, 3.2}, {14.9, 3.2}, {14.9, 4.3}, {8.1, 4.3}});
  L.Fill(fold, Solid(kShade), 0.18);
  return L;
}

TLayer BackButton(double scale) {
  TLayer L(23, 23, scale);
  SmallTile(L);
  TPath arrow;
  arrow.Stroke({{11.9, 6.4}, {7.1, 11.2}, {11.9, 16.0}}, 2.1);
  arrow.Stroke({{7.1, 11.2}, {16.0, 11.2}}, 2.1);
  Pressed(L, arrow, Solid(kGreenDeep));
  return L;
}

TLayer MessageBackground(const TFont& serif, double scale) {
  TLayer L(390, 158, scale);
  L.FillAll(kWhite);
  // A hairline frame along the edges of the device picture, whole device pixels wide: the
  // window has no border of its own.
  {
    const double w = L.BookWidth(), h = L.BookHeight(), t = L.Px(1) / L.Scale();
    TMask frame = L.Mask(TPath().Polygon({{0, 0}, {w, 0}, {w, h}, {0, h}}));
    frame.Subtract(L.Mask(TPath().Polygon({{t, t}, {w - t, t}, {w - t, h - t}, {t, h - t}})));
    L.Fill(frame, Solid(Hex(0xC4BBAA)));
  }
  // The logo panel at the top left, on the rule that runs along the top.
  const double size = 28;
  const double textX = 54;
  const double textW = serif.Width(U"Fol\u0131var", size, size * 0.02);
  const double panelRight = std::round(textX + textW + 20);
  TPath rule;
  rule.Polygon({{panelRight - 20, 51}, {380, 51}, {380, 52}, {panelRight - 20, 52}});
  L.Fill(rule, Linear({panelRight, 0}, {380, 0}, {{0, kPanel}, {0.7, kPanel}, {1, kPanel, 0}}));
  TPath panel;
  panel.RoundRect4(0, 0, panelRight, 52, 0, 0, 16, 0);
  L.Fill(panel, Linear({0, 14}, {0, 52}, {{0, kPanel}, {1, Hex(0xC6BEAF)}}));
  TMask lit = L.Mask(panel);
  lit.Subtract(L.Mask(panel.Translated(0, -1)));
  L.Fill(lit, Solid(Hex(0xB3AA98)), 0.9);
  DrawLeaf(L, TLeaf{{22, 42.5}, -1.05, 35, 18, 2.0}, true);
  Wordmark(L, serif, textX, 35.5, size, Hex(0x2F2922), Hex(0xE4DED3), 0.8);
  // The rule under the buttons; the message box paints it again in the panel grey.
  TPath bottom;
  bottom.Polygon({{10, 144}, {379, 144}, {379, 147}, {10, 147}});
  L.Fill(bottom, Solid(kPanel));
  return L;
}

TArtwork Make(const std::string& name, const std::string& symbol, bool rgb, bool keyed, const TLayer& layer) {
  TArtwork a;
  a.name = name;
  a.symbol = symbol;
  a.width = static_cast<uint32_t>(layer.Width());
  a.height = static_cast<uint32_t>(layer.Height());
  a.rgbOrder = rgb;
  a.keyed = keyed;
  a.pixels = keyed ? Keyed(layer) : layer.Over(kWhite);
  return a;
}

}  // namespace

TColour PaperColour() { return kPaper; }

std::vector<TArtwork> DrawAllPictures(double scale) {
  const TFont serif("Liberation Serif", "Regular");
  // The streams of a drawn scale are named after it: kCornerLeft, kCornerLeft125, ...
  const std::string suffix = scale == 1 ? "" : std::to_string(std::lround(scale * 100));
  std::vector<TArtwork> all;
  auto Add = [&](const char* name, const char* symbol, bool rgb, bool keyed, const TLayer& layer) {
    all.push_back(Make(name, (symbol + suffix).c_str(), rgb, keyed, layer));
  };
  Add("corner-left", "kCornerLeft", false, true, PageCorner(true, scale));
  Add("corner-right", "kCornerRight", false, true, PageCorner(false, scale));
  Add("close-button", "kCloseButton", false, true, CloseButton(scale));
  Add("minimise-button", "kMinimiseButton", false, true, MinimiseButton(scale));
  Add("about-button", "kAboutButton", false, true, AboutButton(serif, scale));
  Add("print-button", "kPrintButton", false, true, PrintButton(scale));
  Add("spare-button", "kSpareButton", false, true, SpareButton(scale));
  Add("back-button", "kBackButton", false, true, BackButton(scale));
  Add("message-background", "kMessageBackground", true, false, MessageBackground(serif, scale));
  // The message box takes its button colour from its background at the book pixel (12, 12).
  const TArtwork& box = all.back();
  const auto at = static_cast<size_t>(std::lround(12 * scale));
  if (box.pixels[at * box.width + at] != Pack(kPanel))
    throw std::logic_error("the message background is not panel grey at (12, 12)");
  return all;
}

}  // namespace folivar::art
