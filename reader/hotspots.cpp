#include "reader/hotspots.h"

#include <cmath>

#include "images/embed.h"

namespace folivar {

namespace {

constexpr int32_t kCornerLeg = 150;
constexpr int32_t kBarWidth = 20;
constexpr uint32_t kGroove = 0xDDDDDD;
// Not black: black pixels of the highlight layer are left out when it is blended.
constexpr uint32_t kOutline = 0x000001;
constexpr uint32_t kWhite = 0xFFFFFF;

int32_t Round(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

int32_t W(TBuiltIn which) { return static_cast<int32_t>(BuiltInImage(which).Width()); }
int32_t H(TBuiltIn which) { return static_cast<int32_t>(BuiltInImage(which).Height()); }

}  // namespace

TThumb ThumbSpan(int32_t page, int32_t pageCount, int32_t barHeight) {
  const double u = pageCount > 0 ? static_cast<double>(barHeight) / pageCount : barHeight;
  int32_t a = Round(page * u);
  int32_t b = Round(u + a);
  while (b - a < 3) --a, ++b;
  while (a <= 2) ++a, ++b;
  while (b >= barHeight - 1) {
    --b;
    if (a > 3) --a;
  }
  return {a, b};
}

TScrollBar ScrollBarRect(int32_t width, int32_t height, int32_t bottomMargin) {
  return {width - kBarWidth, H(TBuiltIn::CloseButton) + 1, width, height - bottomMargin - kBarWidth};
}

void DrawScrollBar(TXif& into, const TScrollBar& bar, int32_t page, int32_t pageCount) {
  into.FillRect(bar.left + 1, bar.top + 1, bar.right - 2, bar.bottom, kGroove);
  into.FillRect(bar.left, bar.top + 1, bar.left, bar.bottom, kOutline);
  into.FillRect(bar.right - 1, bar.top + 1, bar.right - 1, bar.bottom, kOutline);
  into.FillRect(bar.left, bar.top + 1, bar.right - 1, bar.top + 1, kOutline);
  into.FillRect(bar.left, bar.bottom, bar.right - 1, bar.bottom, kOutline);
  const TThumb t = ThumbSpan(page, pageCount, bar.bottom - bar.top);
  into.FrameRect(bar.left + 2, bar.top + t.a, bar.right - 3, bar.top + t.b, kOutline);
  into.FillRect(bar.left + 3, bar.top + t.a + 1, bar.right - 4, bar.top + t.b - 1, kWhite);
}

void LayOutControls(TClickMap& clicks, int32_t width, int32_t height, bool printEnabled,
                    const TScrollBar& bar, int32_t page, int32_t pageCount) {
  const int32_t cw = W(TBuiltIn::CloseButton);
  clicks.ClearBoxes();
  clicks.Reset(static_cast<uint32_t>(width > 0 ? width : 0), static_cast<uint32_t>(height > 0 ? height : 0));

  // Page corners; the next-page corner's highlight starts below the scroll bar.
  clicks.AddTriangle(1, height - kCornerLeg, height - 1, 1, kCornerLeg, kHotPreviousCorner, 0);
  clicks.AddTriangle(width - 1, height - kCornerLeg, height - 1, width - kCornerLeg, width - 1,
                     kHotNextCorner, 0);
  if (THotBox* next = clicks.FindBox(kHotNextCorner)) next->top = bar.bottom + 1;

  clicks.AddRect(width - cw, 0, width, cw, kHotWindowButton, kWindowClose);
  clicks.AddRect(width - 2 * cw - 2, 0, width - cw - 1, cw, kHotWindowButton, kWindowMinimise);

  TXif& layer = clicks.Highlight();
  layer.Fill(0);
  clicks.AddPicture(TBuiltIn::CornerRight, width - W(TBuiltIn::CornerRight) - 1,
                    height - H(TBuiltIn::CornerRight) - 1);
  clicks.AddPicture(TBuiltIn::CornerLeft, 1, height - H(TBuiltIn::CornerLeft) - 1);

  int32_t y = 1;
  auto side = [&](TBuiltIn which, uint8_t sub) {
    clicks.AddRect(1, y, 1 + W(which), y + H(which), kHotSideButton, sub);
    clicks.AddPicture(which, 1, y);
    y += H(which);
  };
  side(TBuiltIn::AboutButton, kSideAbout);
  if (printEnabled) side(TBuiltIn::PrintButton, kSidePrint);
  side(TBuiltIn::BackButton, kSideBack);

  clicks.AddPicture(TBuiltIn::CloseButton, width - cw, 0);
  clicks.AddPicture(TBuiltIn::MinimiseButton, width - 2 * cw - 2, 0);

  clicks.AddRect(bar.left, bar.top, bar.right, bar.bottom, kHotScrollBar, 1);
  DrawScrollBar(layer, bar, page, pageCount);
}

}  // namespace folivar
