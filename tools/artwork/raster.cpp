#include "tools/artwork/raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace folivar::art {

TPoint Lerp(TPoint a, TPoint b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }
double Length(TPoint a) { return std::hypot(a.x, a.y); }
TPoint Normalised(TPoint a) {
  const double l = Length(a);
  return l > 0 ? TPoint{a.x / l, a.y / l} : TPoint{0, 0};
}

TColour Hex(uint32_t rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

TColour Mix(TColour a, TColour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint8_t ToByte(double v) {
  const double c = std::clamp(v, 0.0, 1.0) * 255.0 + 0.5;
  return static_cast<uint8_t>(c);
}

uint32_t Pack(TColour c) {
  return uint32_t{ToByte(c.r)} << 16 | uint32_t{ToByte(c.g)} << 8 | ToByte(c.b);
}

// ---- paints ----

namespace {

TInk AtStops(const std::vector<TStop>& stops, double t) {
  if (stops.empty()) return {};
  if (t <= stops.front().at) return {stops.front().c, stops.front().a};
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].at) {
      const TStop& a = stops[i - 1];
      const TStop& b = stops[i];
      const double span = b.at - a.at;
      const double k = span > 0 ? (t - a.at) / span : 1.0;
      // A smooth step between stops keeps the gradients free of visible bands at the joins.
      const double s = k * k * (3 - 2 * k);
      return {Mix(a.c, b.c, s), a.a + (b.a - a.a) * s};
    }
  }
  return {stops.back().c, stops.back().a};
}

}  // namespace

TPaint Solid(TColour c, double a) {
  return [c, a](double, double) { return TInk{c, a}; };
}

TPaint Linear(TPoint p0, TPoint p1, std::vector<TStop> stops) {
  const TPoint d = p1 - p0;
  const double len2 = d.x * d.x + d.y * d.y;
  return [p0, d, len2, stops = std::move(stops)](double x, double y) {
    const double t = len2 > 0 ? ((x - p0.x) * d.x + (y - p0.y) * d.y) / len2 : 0.0;
    return AtStops(stops, t);
  };
}

TPaint Radial(TPoint centre, double rx, double ry, std::vector<TStop> stops) {
  return [centre, rx, ry, stops = std::move(stops)](double x, double y) {
    const double t = std::hypot((x - centre.x) / rx, (y - centre.y) / ry);
    return AtStops(stops, t);
  };
}

// ---- paths ----

std::vector<TPoint>& TPath::Open() {
  if (!open_) {
    contours_.emplace_back();
    open_ = true;
  }
  return contours_.back();
}

TPath& TPath::MoveTo(double x, double y) {
  Close();
  Open().push_back({x, y});
  return *this;
}

TPath& TPath::LineTo(double x, double y) {
  Open().push_back({x, y});
  return *this;
}

std::vector<TPoint> FlattenQuad(TPoint p0, TPoint c, TPoint p1, int steps) {
  std::vector<TPoint> out;
  for (int i = 1; i <= steps; ++i) {
    const double t = double(i) / steps;
    out.push_back(Lerp(Lerp(p0, c, t), Lerp(c, p1, t), t));
  }
  return out;
}

std::vector<TPoint> FlattenCubic(TPoint p0, TPoint c1, TPoint c2, TPoint p1, int steps) {
  std::vector<TPoint> out;
  for (int i = 1; i <= steps; ++i) {
    const double t = double(i) / steps;
    const TPoint a = Lerp(p0, c1, t), b = Lerp(c1, c2, t), c = Lerp(c2, p1, t);
    out.push_back(Lerp(Lerp(a, b, t), Lerp(b, c, t), t));
  }
  return out;
}

TPath& TPath::QuadTo(double cx, double cy, double x, double y) {
  auto& c = Open();
  const TPoint from = c.empty() ? TPoint{cx, cy} : c.back();
  for (const TPoint& p : FlattenQuad(from, {cx, cy}, {x, y})) c.push_back(p);
  return *this;
}

TPath& TPath::CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
  auto& c = Open();
  const TPoint from = c.empty() ? TPoint{c1x, c1y} : c.back();
  for (const TPoint& p : FlattenCubic(from, {c1x, c1y}, {c2x, c2y}, {x, y})) c.push_back(p);
  return *this;
}

TPath& TPath::Close() {
  if (open_ && contours_.back().size() < 3) contours_.pop_back();
  open_ = false;
  return *this;
}

void TPath::AddPositive(std::vector<TPoint> contour) {
  Close();
  if (contour.size() < 3) return;
  double area = 0;
  for (size_t i = 0; i < contour.size(); ++i) {
    const TPoint& a = contour[i];
    const TPoint& b = contour[(i + 1) % contour.size()];
    area += a.x * b.y - b.x * a.y;
  }
  if (area < 0) std::reverse(contour.begin(), contour.end());
  contours_.push_back(std::move(contour));
}

TPath& TPath::Polygon(std::initializer_list<TPoint> points) {
  AddPositive(std::vector<TPoint>(points));
  return *this;
}

TPath& TPath::Polygon(const std::vector<TPoint>& points) {
  AddPositive(points);
  return *this;
}

namespace {

int ArcSteps(double r) { return std::clamp(static_cast<int>(std::ceil(r * 6)), 24, 256); }

}  // namespace

TPath& TPath::Ellipse(double cx, double cy, double rx, double ry) {
  std::vector<TPoint> c;
  const int n = ArcSteps(std::max(rx, ry));
  for (int i = 0; i < n; ++i) {
    const double t = 2 * std::numbers::pi * i / n;
    c.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
  }
  AddPositive(std::move(c));
  return *this;
}

TPath& TPath::Circle(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }

TPath& TPath::RoundRect4(double x0, double y0, double x1, double y1, double tl, double tr,
                         double br, double bl) {
  std::vector<TPoint> c;
  auto corner = [&c](double cx, double cy, double r, double from) {
    if (r <= 0) {
      c.push_back({cx, cy});
      return;
    }
    const int n = std::max(6, ArcSteps(r) / 4);
    for (int i = 0; i <= n; ++i) {
      const double t = from + std::numbers::pi / 2 * i / n;
      c.push_back({cx + r * std::cos(t), cy + r * std::sin(t)});
    }
  };
  const double pi = std::numbers::pi;
  corner(tl > 0 ? x0 + tl : x0, tl > 0 ? y0 + tl : y0, tl, pi);
  corner(tr > 0 ? x1 - tr : x1, tr > 0 ? y0 + tr : y0, tr, 1.5 * pi);
  corner(br > 0 ? x1 - br : x1, br > 0 ? y1 - br : y1, br, 0);
  corner(bl > 0 ? x0 + bl : x0, bl > 0 ? y1 - bl : y1, bl, 0.5 * pi);
  AddPositive(std::move(c));
  return *this;
}

TPath& TPath::RoundRect(double x0, double y0, double x1, double y1, double r) {
  return RoundRect4(x0, y0, x1, y1, r, r, r, r);
}

TPath& TPath::Stroke(const std::vector<TPoint>& points, double width, bool closed) {
  const double h = width / 2;
  const size_t n = points.size();
  const size_t segments = closed ? n : (n == 0 ? 0 : n - 1);
  for (size_t i = 0; i < segments; ++i) {
    const TPoint a = points[i];
    const TPoint b = points[(i + 1) % n];
    const TPoint d = Normalised(b - a);
    if (d.x == 0 && d.y == 0) continue;
    const TPoint nrm{-d.y * h, d.x * h};
    AddPositive({a + nrm, b + nrm, b - nrm, a - nrm});
  }
  for (const TPoint& p : points) Circle(p.x, p.y, h);
  return *this;
}

TPath& TPath::Append(const TPath& other) {
  Close();
  for (const auto& c : other.contours_) contours_.push_back(c);
  return *this;
}

TPath TPath::Translated(double dx, double dy) const {
  TPath out = *this;
  out.Close();
  for (auto& c : out.contours_)
    for (auto& p : c) p = {p.x + dx, p.y + dy};
  return out;
}

TPath TPath::MirroredX(double width) const {
  TPath out = *this;
  out.Close();
  for (auto& c : out.contours_) {
    for (auto& p : c) p.x = width - p.x;
    // Keep each contour's turning sense, so that unions stay unions.
    std::reverse(c.begin(), c.end());
  }
  return out;
}

TPath TPath::Scaled(double k, TPoint about) const {
  TPath out = *this;
  out.Close();
  for (auto& c : out.contours_)
    for (auto& p : c) p = about + (p - about) * k;
  return out;
}

// ---- coverage ----

namespace {

constexpr int kSubRows = 16;

struct TEdge {
  double x0, y0, x1, y1;
  int dir;
};

void AddSpan(std::vector<float>& acc, double a, double b, double weight) {
  const double w = static_cast<double>(acc.size());
  a = std::clamp(a, 0.0, w);
  b = std::clamp(b, 0.0, w);
  if (b <= a) return;
  const size_t ia = static_cast<size_t>(a);
  const size_t ib = static_cast<size_t>(b);
  if (ia == ib) {
    acc[ia] += static_cast<float>((b - a) * weight);
    return;
  }
  acc[ia] += static_cast<float>((static_cast<double>(ia + 1) - a) * weight);
  for (size_t i = ia + 1; i < ib; ++i) acc[i] += static_cast<float>(weight);
  if (ib < acc.size()) acc[ib] += static_cast<float>((b - static_cast<double>(ib)) * weight);
}

}  // namespace

TMask TMask::Of(const TPath& path, int width, int height) {
  TMask m(width, height);
  std::vector<TEdge> edges;
  for (const auto& c : path.Contours()) {
    for (size_t i = 0; i < c.size(); ++i) {
      const TPoint a = c[i];
      const TPoint b = c[(i + 1) % c.size()];
      if (a.y == b.y) continue;
      if (a.y < b.y)
        edges.push_back({a.x, a.y, b.x, b.y, 1});
      else
        edges.push_back({b.x, b.y, a.x, a.y, -1});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const TEdge& p, const TEdge& q) { return p.y0 < q.y0; });
  std::vector<float> acc(static_cast<size_t>(width));
  std::vector<std::pair<double, int>> xs;
  const double weight = 1.0 / kSubRows;
  for (int y = 0; y < height; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (int s = 0; s < kSubRows; ++s) {
      const double sy = y + (s + 0.5) / kSubRows;
      xs.clear();
      for (const TEdge& e : edges) {
        if (e.y0 > sy) break;
        if (sy >= e.y1) continue;
        const double t = (sy - e.y0) / (e.y1 - e.y0);
        xs.push_back({e.x0 + (e.x1 - e.x0) * t, e.dir});
      }
      std::sort(xs.begin(), xs.end());
      int winding = 0;
      double start = 0;
      for (const auto& [x, dir] : xs) {
        const int before = winding;
        winding += dir;
        if (before == 0 && winding != 0) start = x;
        if (before != 0 && winding == 0) AddSpan(acc, start, x, weight);
      }
    }
    for (int x = 0; x < width; ++x) m.At(x, y) = std::min(acc[size_t(x)], 1.0f);
  }
  return m;
}

TMask& TMask::Multiply(const TMask& other) {
  for (size_t i = 0; i < v_.size(); ++i) v_[i] *= other.v_[i];
  return *this;
}

TMask& TMask::Subtract(const TMask& other) {
  for (size_t i = 0; i < v_.size(); ++i) v_[i] *= 1.0f - other.v_[i];
  return *this;
}

TMask& TMask::Scale(float k) {
  for (float& v : v_) v *= k;
  return *this;
}

namespace {

// One box pass over count values at the given stride; outside the picture counts as 0.
void BoxPass(float* data, int count, int stride, int r, std::vector<float>& scratch) {
  scratch.assign(size_t(count), 0.0f);
  double sum = 0;
  for (int i = -r; i <= r; ++i)
    if (i >= 0 && i < count) sum += data[size_t(i) * stride];
  const double k = 1.0 / (2 * r + 1);
  for (int i = 0; i < count; ++i) {
    scratch[size_t(i)] = static_cast<float>(sum * k);
    const int out = i - r;
    const int in = i + r + 1;
    if (out >= 0) sum -= data[size_t(out) * stride];
    if (in < count) sum += data[size_t(in) * stride];
  }
  for (int i = 0; i < count; ++i) data[size_t(i) * stride] = scratch[size_t(i)];
}

}  // namespace

TMask& TMask::Blur(int radius, int passes) {
  if (radius <= 0) return *this;
  std::vector<float> scratch;
  for (int p = 0; p < passes; ++p) {
    for (int y = 0; y < h_; ++y) BoxPass(&v_[size_t(y) * w_], w_, 1, radius, scratch);
    for (int x = 0; x < w_; ++x) BoxPass(&v_[size_t(x)], h_, w_, radius, scratch);
  }
  return *this;
}

// ---- layers ----

TLayer::TLayer(int width, int height, double scale)
    : w_(static_cast<int>(std::round(width * scale))),
      h_(static_cast<int>(std::round(height * scale))),
      scale_(scale),
      px_(size_t(std::max(w_, 0)) * size_t(std::max(h_, 0))) {
  if (!(scale > 0) || w_ <= 0 || h_ <= 0)
    throw std::invalid_argument("a layer needs a positive size and scale");
}

TMask TLayer::Mask(const TPath& path) const {
  return TMask::Of(scale_ == 1 ? path : path.Scaled(scale_, {0, 0}), w_, h_);
}

int TLayer::Px(double book) const {
  if (book <= 0) return 0;
  return std::max(1, static_cast<int>(std::round(book * scale_)));
}

void TLayer::Fill(const TMask& mask, const TPaint& paint, double opacity, const TMask* clip) {
  for (int y = 0; y < h_; ++y) {
    for (int x = 0; x < w_; ++x) {
      double cov = mask.At(x, y) * opacity;
      if (clip) cov *= clip->At(x, y);
      if (cov <= 0) continue;
      const TInk ink = paint((x + 0.5) / scale_, (y + 0.5) / scale_);
      const double a = std::clamp(cov * ink.a, 0.0, 1.0);
      if (a <= 0) continue;
      TRgba& d = At(x, y);
      const auto keep = static_cast<float>(1 - a);
      d.r = static_cast<float>(ink.c.r * a) + d.r * keep;
      d.g = static_cast<float>(ink.c.g * a) + d.g * keep;
      d.b = static_cast<float>(ink.c.b * a) + d.b * keep;
      d.a = static_cast<float>(a) + d.a * keep;
    }
  }
}

void TLayer::Fill(const TPath& path, const TPaint& paint, double opacity, const TMask* clip) {
  Fill(Mask(path), paint, opacity, clip);
}

void TLayer::FillAll(TColour c) {
  for (TRgba& p : px_)
    p = {static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b), 1.0f};
}

void TLayer::Compose(const TLayer& top, int dx, int dy, double opacity) {
  const auto o = static_cast<float>(opacity);
  for (int y = 0; y < top.h_; ++y) {
    for (int x = 0; x < top.w_; ++x) {
      const int tx = x + dx, ty = y + dy;
      if (tx < 0 || ty < 0 || tx >= w_ || ty >= h_) continue;
      const TRgba& s = top.At(x, y);
      TRgba& d = At(tx, ty);
      const float keep = 1 - s.a * o;
      d.r = s.r * o + d.r * keep;
      d.g = s.g * o + d.g * keep;
      d.b = s.b * o + d.b * keep;
      d.a = s.a * o + d.a * keep;
    }
  }
}

void TLayer::Shadow(const TPath& path, double dx, double dy, int blur, TColour c, double a) {
  TMask m = Mask(path.Translated(dx, dy));
  m.Blur(Px(blur));
  Fill(m, Solid(c), a);
}

std::vector<uint32_t> TLayer::Over(TColour backdrop) const {
  std::vector<uint32_t> out;
  out.reserve(px_.size());
  for (const TRgba& p : px_) {
    const double keep = 1 - p.a;
    out.push_back(Pack({p.r + backdrop.r * keep, p.g + backdrop.g * keep, p.b + backdrop.b * keep}));
  }
  return out;
}

}  // namespace folivar::art
