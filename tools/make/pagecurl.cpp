// The page-curl model: the side view of the turning page, projected into design units.
#include "tools/make/pagecurl.h"

#include <algorithm>
#include <cmath>

#include "core/strutil.h"

namespace folivar {

namespace {

constexpr double kSpineX = 440;
constexpr double kTop = 100;
constexpr double kPageLength = 340;
constexpr double kPi = 3.14159265358979323846;

// A point of the side view: x across the spread, z the height above the book.
struct TSidePoint {
  double x;
  double z;
};

struct TCurl {
  double rolled;   // length of the page from the line of contact to its outer edge
  double radius;   // the cylinder's
  double lift;     // design y per unit of height
  int32_t steps;   // points on half a turn
};

tpoint Project(TSidePoint p, double lift) {
  return {static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(kTop - lift * p.z))};
}

// Adds p unless it repeats the last point: a repeated point would only add an empty segment.
void Append(tpoints& points, tpoint p) {
  if (points.empty() || !(points.back() == p)) points.push_back(p);
}

tframe CurlFrame(const TCurl& curl) {
  tframe frame;
  tpoints& points = frame.points;
  Append(points, Project({kSpineX, 0}, curl.lift));
  if (curl.radius <= 1e-6) {
    // Nothing is left on the cylinder: the page lies flat on the left.
    Append(points, Project({kSpineX - kPageLength, 0}, curl.lift));
    return frame;
  }
  const double contact = kSpineX + (kPageLength - curl.rolled);
  Append(points, Project({contact, 0}, curl.lift));
  // Around the cylinder from its foot: up the outer side (x grows, the front shows) and over the
  // top (x falls, the back shows).
  const double angle = curl.rolled / curl.radius;
  const double around = std::min(angle, kPi);
  auto onCylinder = [&](double psi) {
    return TSidePoint{contact + curl.radius * std::sin(psi), curl.radius * (1 - std::cos(psi))};
  };
  for (int32_t j = 1; j < curl.steps; ++j) {
    const double psi = kPi * j / curl.steps;
    if (psi >= around) break;
    Append(points, Project(onCylinder(psi), curl.lift));
  }
  Append(points, Project(onCylinder(around), curl.lift));
  if (angle > kPi) {
    // The rest of the page runs back on top, towards the left.
    const double back = curl.rolled - kPi * curl.radius;
    Append(points, Project({contact - back, 2 * curl.radius}, curl.lift));
  }
  return frame;
}

}  // namespace

TAnimation MakePageCurl(const TPageCurlOptions& options) {
  TAnimation animation;
  animation.duration = options.duration;
  if (options.frameCount < 1) return animation;
  const size_t count = std::min(static_cast<size_t>(options.frameCount), kMaxTurnFrames);
  const double firstRolled = std::clamp(options.firstRolled, 0.0, kPageLength);
  const double firstRadius = std::max(options.firstRadius, 0.0);
  const double shrink = std::max(options.radiusShrink, 0.0);
  const int32_t steps = std::clamp(options.arcSteps, 2, 64);
  animation.frames.reserve(count);
  for (size_t f = 0; f < count; ++f) {
    // From the first frame's curl (0) to the page lying on the left (1).
    const double progress = count == 1 ? 1.0 : double(f) / double(count - 1);
    TCurl curl;
    curl.rolled = firstRolled + (kPageLength - firstRolled) * progress;
    curl.radius = progress >= 1 ? 0.0 : firstRadius * std::pow(1 - progress, shrink);
    curl.lift = options.lift;
    curl.steps = steps;
    animation.frames.push_back(CurlFrame(curl));
  }
  return animation;
}

std::string AnimationText(const TAnimation& animation) {
  std::string text;
  auto line = [&text](const std::string& name, const std::string& value) {
    text += name;
    text += '=';
    text += value;
    text += "\r\n";
  };
  line("framecount", IntToText(static_cast<int64_t>(animation.frames.size())));
  line("duration", IntToText(animation.duration));
  for (size_t i = 0; i < animation.frames.size(); ++i) {
    const std::string frame = IntToText(static_cast<int64_t>(i));
    const tpoints& points = animation.frames[i].points;
    line("frame." + frame, IntToText(static_cast<int64_t>(points.size())));
    for (size_t j = 0; j < points.size(); ++j) {
      line(frame + "." + IntToText(static_cast<int64_t>(j)),
           IntToText(points[j].x) + "," + IntToText(points[j].y));
    }
  }
  return text;
}

std::string MakePageCurlText(const TPageCurlOptions& options) {
  return AnimationText(MakePageCurl(options));
}

}  // namespace folivar
