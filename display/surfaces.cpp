#include "display/surfaces.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "book/bookstyle.h"
#include "core/codepage.h"
#include "images/resample.h"

namespace folivar {

namespace {
TSurface* current = nullptr;

// Font sizes come from the book: the pixel height is worked out in 64 bits and kept within 16384
// pixels either way (some 12,000 points, far beyond any page), so that no size overflows.
constexpr int64_t kMaxFontHeight = 16384;

int32_t FontHeight(int32_t size) {
  const int64_t height = -(int64_t{size} * 96) / 72;
  return static_cast<int32_t>(std::clamp<int64_t>(height, -kMaxFontHeight, kMaxFontHeight));
}
}  // namespace

TLogFont MakeLogFont(const TStyleFont& font) {
  TLogFont f;
  f.height = FontHeight(font.size);
  f.weight = (font.flags & kFontBold) ? 700 : 400;
  f.italic = (font.flags & kFontItalic) ? 1 : 0;
  f.underline = (font.flags & kFontUnderline) ? 1 : 0;
  f.strikeOut = (font.flags & kFontStrikeOut) ? 1 : 0;
  std::u16string name = BookTextToUtf16(font.faceName, BookEncoding());
  if (name.size() > TLogFont::kMaxFaceName) {
    size_t cut = TLogFont::kMaxFaceName;
    if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;  // not half a pair
    name.resize(cut);
  }
  f.faceName = Utf16ToUtf8(name);
  return f;
}

TLogFont PlainLogFont(std::string_view face, int32_t size) {
  TLogFont f;
  f.height = FontHeight(size);
  f.faceName = std::string(face.substr(0, TLogFont::kMaxFaceName));
  return f;
}

int32_t ScaleCoordinate(int32_t v, double scale) {
  const double scaled = std::round(static_cast<double>(v) * scale);
  return static_cast<int32_t>(std::clamp(scaled, -2147483648.0, 2147483647.0));
}

double BoundedScale(double scale) {
  return scale >= kMinScale ? std::min(scale, kMaxSurfaceScale) : kMinScale;  // NaN too
}

namespace {

uint32_t DeviceSide(uint32_t side, double scale) {
  if (scale == 1.0) return side;
  return static_cast<uint32_t>(std::clamp(ScaleCoordinate(static_cast<int32_t>(std::min<uint32_t>(side, 1u << 28)),
                                                          scale), 0, INT32_MAX));
}

// Scaled pictures kept by a surface, at most this many bytes; beyond it the cache starts afresh.
constexpr uint64_t kPictureCacheBytes = uint64_t{96} << 20;

}  // namespace

TSurface::TSurface(uint32_t width, uint32_t height, double scale, const TTextDeviceFactory& makeDevice)
    : width_(width),
      height_(height),
      scale_(BoundedScale(scale)),
      bitmap_(DeviceSide(width, scale_), DeviceSide(height, scale_), true),
      device_(makeDevice(bitmap_)) {
  if (Scaled()) {
    scratch_.Allocate(16, 16, true);
    measurer_ = makeDevice(scratch_);
  }
}

int32_t TSurface::ToBook(int32_t v) const {
  if (!Scaled()) return v;
  auto book = static_cast<int32_t>(std::floor(static_cast<double>(v) / scale_));
  while (ToDevice(book + 1) <= v) ++book;
  while (ToDevice(book) > v) --book;
  return book;
}

void TSurface::SelectFont(const TLogFont& font) {
  if (!measurer_) return device_->SelectFont(font);
  measurer_->SelectFont(font);
  TLogFont scaled = font;
  scaled.height = ScaleCoordinate(font.height, scale_);
  device_->SelectFont(scaled);
}

void TSurface::SelectStyle(int32_t styleIndex) {
  const TStyle& style = GetStyle(styleIndex);
  if (style.kind != kKindCharacter || styleIndex == currentStyle_) return;
  currentStyle_ = styleIndex;
  device_->SetTextColour(static_cast<uint32_t>(style.font.colour));
  SelectFont(MakeLogFont(style.font));
}

void TSurface::SetPlainFont(std::string_view face, int32_t size) {
  currentStyle_ = -1;
  SelectFont(size == 0 ? TLogFont{} : PlainLogFont(face, size));
}

void TSurface::WriteText(std::u16string_view text, int32_t x, int32_t y) {
  if (text.empty()) return;
  if (!Scaled()) return device_->WriteText(x, y, text);
  std::vector<int32_t> advances;
  advances.reserve(text.size());
  for (char16_t c : text) advances.push_back(measurer_->MeasureText(std::u16string_view(&c, 1)).cx);
  WriteRun(text, x, y, advances.data());
}

void TSurface::WriteRun(std::u16string_view text, int32_t x, int32_t y, const int32_t* advances) {
  if (text.empty()) return;
  if (!Scaled()) return device_->WriteRun(x, y, text, advances);
  // Each character at the device position of its book position, so that the run ends where it
  // ends in the book (a justified line on the right margin) whatever the scaled font's advances.
  std::vector<int32_t> scaled(text.size());
  int64_t at = x;
  int32_t from = ToDevice(x);
  for (size_t i = 0; i < text.size(); ++i) {
    at += advances[i];
    const int32_t to = ToDevice(static_cast<int32_t>(std::clamp<int64_t>(at, INT32_MIN, INT32_MAX)));
    scaled[i] = to - from;
    from = to;
  }
  int32_t bookAscent = 0, deviceAscent = 0, descent = 0;
  measurer_->GetAscentDescent(bookAscent, descent);
  device_->GetAscentDescent(deviceAscent, descent);
  device_->WriteRun(ToDevice(x), ToDevice(y + bookAscent) - deviceAscent, text, scaled.data());
}

void TSurface::DrawPicture(const TXif& picture, int32_t x, int32_t y, bool blended) {
  // A picture still packed has no pixels to draw (its size is known before it is unpacked).
  if (picture.Width() == 0 || picture.Height() == 0 || picture.Packed()) return;
  if (!Scaled()) {
    if (blended) return picture.PutBlended(bitmap_, x, y, keyColour, pictureBlend);
    return picture.Put(bitmap_, x, y);
  }
  const TScaledPicture& scaled = ScaledPicture(picture, blended);
  if (blended) {
    PutCovered(scaled.colour, scaled.coverage, bitmap_, ToDevice(x), ToDevice(y), pictureBlend);
  } else {
    scaled.colour.Put(bitmap_, ToDevice(x), ToDevice(y));
  }
}

const TSurface::TScaledPicture& TSurface::ScaledPicture(const TXif& picture, bool blended) {
  const auto key = std::make_pair(&picture, blended);
  auto found = pictures_.find(key);
  if (found != pictures_.end() && found->second.sourceWidth == picture.Width() &&
      found->second.sourceHeight == picture.Height())
    return found->second;
  if (found != pictures_.end()) pictures_.erase(found);
  const uint32_t w = std::max<uint32_t>(1, DeviceSide(picture.Width(), scale_));
  const uint32_t h = std::max<uint32_t>(1, DeviceSide(picture.Height(), scale_));
  const uint64_t bytes = uint64_t{w} * h * 5;
  if (pictureBytes_ + bytes > kPictureCacheBytes) {
    pictures_.clear();
    pictureBytes_ = 0;
  }
  TScaledPicture& scaled = pictures_[key];
  scaled.sourceWidth = picture.Width();
  scaled.sourceHeight = picture.Height();
  scaled.colour.Allocate(w, h, false);
  if (blended) {
    ResampleKeyed(picture, keyColour, scaled.colour, scaled.coverage);
  } else {
    ResamplePicture(picture, scaled.colour);
  }
  pictureBytes_ += bytes;
  return scaled;
}

void TSurface::WriteLines(std::u16string_view text, int32_t x, int32_t y) {
  std::u16string rest;
  rest.reserve(text.size() + 1);
  for (char16_t c : text)
    if (c != u'\n') rest += c;
  rest += u'\r';
  size_t start = 0;
  while (start < rest.size()) {
    const size_t end = rest.find(u'\r', start);
    std::u16string_view line(rest.data() + start, end - start);
    if (line.empty()) line = u" ";
    WriteText(line, x, y);
    y += TextHeight(line);
    start = end + 1;
  }
}

TSurface* CurrentSurface() { return current; }
void SetCurrentSurface(TSurface* surface) { current = surface; }

void FillTriangle(tview& view, int32_t apexX, int32_t topY, int32_t bottomLeftX,
                  int32_t bottomRightX, int32_t bottomY, uint32_t colour) {
  const int32_t n = bottomY - topY;
  if (n <= 0) return;
  const double leftStep = static_cast<double>(bottomLeftX - apexX) / n;
  const double rightStep = static_cast<double>(bottomRightX - apexX) / n;
  double left = apexX;
  double right = apexX;
  const int32_t width = static_cast<int32_t>(view.Width());
  const int32_t height = static_cast<int32_t>(view.Height());
  for (int32_t y = topY; y <= bottomY; ++y, left += leftStep, right += rightStep) {
    if (y < 0 || y >= height) continue;
    // nearbyint rounds half to even in the default rounding mode.
    int32_t x = static_cast<int32_t>(std::nearbyint(left));
    int32_t count = static_cast<int32_t>(std::nearbyint(right - left));
    if (x < 0) {
      count += x;
      x = 0;
    }
    if (count > width - x) count = width - x;
    if (count <= 0) continue;
    view.Locate(x, y);
    uint32_t* row = view.Cursor();
    for (int32_t i = 0; i < count; ++i) row[i] = colour;
  }
}

}  // namespace folivar
