// The artwork generator's small rasteriser: paths of straight edges (curves are flattened),
// exact-span coverage with sixteen sub-scanlines per pixel row, paints (solid, linear and radial
// gradients) and layers of premultiplied RGBA that are composed source-over.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace folivar::art {

struct TPoint {
  double x = 0;
  double y = 0;
};

inline TPoint operator+(TPoint a, TPoint b) { return {a.x + b.x, a.y + b.y}; }
inline TPoint operator-(TPoint a, TPoint b) { return {a.x - b.x, a.y - b.y}; }
inline TPoint operator*(TPoint a, double k) { return {a.x * k, a.y * k}; }
TPoint Lerp(TPoint a, TPoint b, double t);
double Length(TPoint a);
TPoint Normalised(TPoint a);

// A colour with components 0..1 (sRGB values; the rasteriser blends them as they are).
struct TColour {
  double r = 0;
  double g = 0;
  double b = 0;
};

TColour Hex(uint32_t rgb);
TColour Mix(TColour a, TColour b, double t);

// A colour with its opacity, not premultiplied: what a paint gives for one pixel.
struct TInk {
  TColour c;
  double a = 1;
};

using TPaint = std::function<TInk(double x, double y)>;

struct TStop {
  double at;
  TColour c;
  double a = 1;
};

TPaint Solid(TColour c, double a = 1);
// Colour along the line from p0 (first stop) to p1 (last stop), constant across it.
TPaint Linear(TPoint p0, TPoint p1, std::vector<TStop> stops);
// Colour by the distance from centre, 0 at the centre and 1 at radius; rx and ry stretch it.
TPaint Radial(TPoint centre, double rx, double ry, std::vector<TStop> stops);

// A set of closed contours. Nonzero winding decides what is inside. The shape helpers add their
// contour with a positive turning sense, so that overlapping shapes of one path fill as their
// union; contours from MoveTo/LineTo keep the sense they are drawn in (holes of glyphs).
class TPath {
 public:
  TPath& MoveTo(double x, double y);
  TPath& LineTo(double x, double y);
  TPath& QuadTo(double cx, double cy, double x, double y);
  TPath& CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y);
  TPath& Close();

  TPath& Polygon(std::initializer_list<TPoint> points);
  TPath& Polygon(const std::vector<TPoint>& points);
  TPath& Circle(double cx, double cy, double r);
  TPath& Ellipse(double cx, double cy, double rx, double ry);
  TPath& RoundRect(double x0, double y0, double x1, double y1, double r);
  // Rounded rectangle with its own radius at each corner: top-left, top-right, bottom-right,
  // bottom-left.
  TPath& RoundRect4(double x0, double y0, double x1, double y1, double tl, double tr, double br,
                    double bl);
  // A stroke of the given width along the points, with round caps and joins.
  TPath& Stroke(const std::vector<TPoint>& points, double width, bool closed = false);
  TPath& Append(const TPath& other);

  TPath Translated(double dx, double dy) const;
  // x -> width - x: the mirror image in a picture of that width.
  TPath MirroredX(double width) const;
  TPath Scaled(double k, TPoint about) const;

  const std::vector<std::vector<TPoint>>& Contours() const { return contours_; }

 private:
  void AddPositive(std::vector<TPoint> contour);
  std::vector<TPoint>& Open();
  std::vector<std::vector<TPoint>> contours_;
  bool open_ = false;
};

// Points of a quadratic or cubic curve, without the start point.
std::vector<TPoint> FlattenQuad(TPoint p0, TPoint c, TPoint p1, int steps = 16);
std::vector<TPoint> FlattenCubic(TPoint p0, TPoint c1, TPoint c2, TPoint p1, int steps = 20);

// Coverage 0..1 of each pixel of a width x height grid, row by row, top row first.
class TMask {
 public:
  TMask(int width, int height, float value = 0) : w_(width), h_(height), v_(size_t(width) * height, value) {}
  static TMask Of(const TPath& path, int width, int height);

  int Width() const { return w_; }
  int Height() const { return h_; }
  float& At(int x, int y) { return v_[size_t(y) * w_ + x]; }
  float At(int x, int y) const { return v_[size_t(y) * w_ + x]; }

  TMask& Multiply(const TMask& other);
  TMask& Subtract(const TMask& other);  // this * (1 - other)
  TMask& Blur(int radius, int passes = 3);
  TMask& Scale(float k);

 private:
  int w_;
  int h_;
  std::vector<float> v_;
};

struct TRgba {
  float r = 0;  // premultiplied
  float g = 0;
  float b = 0;
  float a = 0;
};

// A layer is drawn in book coordinates: paths and paints are given in the pixels of the picture
// at its natural size, and a layer made at a scale rasterises them at device size
// round(width * scale) x round(height * scale), so that the same drawing gives a sharp picture at
// every scale. Width, Height, At and masks are in device pixels.
class TLayer {
 public:
  TLayer(int width, int height) : w_(width), h_(height), px_(size_t(width) * height) {}
  TLayer(int width, int height, double scale);
  int Width() const { return w_; }
  int Height() const { return h_; }
  double Scale() const { return scale_; }
  // The device size in book units: where the right and bottom edges of the device picture lie.
  double BookWidth() const { return w_ / scale_; }
  double BookHeight() const { return h_ / scale_; }
  // The coverage of a path given in book coordinates, at device size.
  TMask Mask(const TPath& path) const;
  TMask Full(float value) const { return TMask(w_, h_, value); }
  // A length of book pixels in whole device pixels (a blur radius, a hairline): rounded, and at
  // least 1 for any positive length.
  int Px(double book) const;
  TRgba& At(int x, int y) { return px_[size_t(y) * w_ + x]; }
  const TRgba& At(int x, int y) const { return px_[size_t(y) * w_ + x]; }

  // Paints through a coverage mask of device size (and an optional second mask that clips it);
  // the paint is asked at book coordinates.
  void Fill(const TMask& mask, const TPaint& paint, double opacity = 1, const TMask* clip = nullptr);
  void Fill(const TPath& path, const TPaint& paint, double opacity = 1, const TMask* clip = nullptr);
  void FillAll(TColour c);
  // Source-over of another layer of the same size, placed at (dx, dy).
  void Compose(const TLayer& top, int dx = 0, int dy = 0, double opacity = 1);
  // A soft shadow: the mask, moved by (dx, dy) and blurred, in colour c at opacity a.
  void Shadow(const TPath& path, double dx, double dy, int blur, TColour c, double a);

  // Final pixels 0x00RRGGBB over an opaque backdrop colour.
  std::vector<uint32_t> Over(TColour backdrop) const;

 private:
  int w_;
  int h_;
  double scale_ = 1;
  std::vector<TRgba> px_;
};

uint8_t ToByte(double v);
uint32_t Pack(TColour c);

}  // namespace folivar::art
