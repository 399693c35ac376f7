#include "reader/navigation.h"

#include <cctype>
#include <cmath>

#include "book/bookstyle.h"
#include "book/loading.h"
#include "book/paraclasses.h"
#include "display/anchorz.h"

namespace folivar {

const char* const kBuildDateText = "Build date:\r\n  06/02/2004, 11:16:36 PM";

TKeyAction KeyAction(int32_t key) {
  switch (key) {
    case 8: return TKeyAction::kBack;
    case 13: return TKeyAction::kNextPage;
    case 27: return TKeyAction::kMinimise;
    case 32: return TKeyAction::kSpaceNextPage;
    case 35: return TKeyAction::kLastPage;
    case 36: return TKeyAction::kFirstPage;
    case 38: return TKeyAction::kPreviousPage;
    case 40: return TKeyAction::kNextPage;
    case 86: return TKeyAction::kBuildDate;
    case 115: return TKeyAction::kQuit;
    // Page Up, Left; Page Down, Right.
    case 33: case 37: return TKeyAction::kPreviousPage;
    case 34: case 39: return TKeyAction::kNextPage;
    default: return TKeyAction::kNone;
  }
}

bool TKeyRepeat::Press(int32_t key) {
  const bool repeated = key == down_;
  down_ = key;
  return repeated;
}

void TKeyRepeat::Release(int32_t key) {
  if (key == down_) down_ = -1;
}

bool SpaceTurns(uint32_t now, uint32_t lastSpace) {
  // Unsigned difference: right across the wrap of the tick count.
  return lastSpace == 0 || now - lastSpace >= kSpaceInterval;
}

int32_t ScrollBarPage(int32_t y, const TScrollBar& bar, int32_t pages) {
  if (pages <= 0 || bar.bottom <= bar.top) return 0;
  const double rows = static_cast<double>(bar.bottom - bar.top) / pages;
  const double page = std::trunc((y - bar.top) / rows);
  if (page < 0) return 0;
  if (page >= pages) return pages - 1;
  return static_cast<int32_t>(page);
}

std::string LinkOf(const TViewItem& item) {
  if (item.Style() == kPageReferenceStyle) {
    return IsAnchor(item.Code()) ? "#" + AnchorName(item.Code()) : std::string();
  }
  return GetStyle(item.Style()).link;
}

bool OpensInShell(std::string_view link) {
  auto startsWith = [&](std::string_view scheme) {
    if (link.size() < scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(link[i])) != scheme[i]) return false;
    }
    return true;
  };
  return startsWith("http:") || startsWith("https:") || startsWith("mailto:");
}

std::string BookInformation(const TBookHeader& header, std::string_view publisherLabel) {
  std::string text = header.author + "\r\n" + header.title;
  if (header.noAbout != 1) text += ", ed: " + header.edition;
  text += "\r\n";
  text += publisherLabel;
  text += ": " + header.publisher;
  return text;
}

TPosition CentredPosition(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height) {
  return {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2};
}

int32_t WindowShift(bool previousWasSpread, bool nowSpread) {
  if (!nowSpread && previousWasSpread) return kWindowShift;
  if (nowSpread && !previousWasSpread) return -kWindowShift;
  return 0;
}

}  // namespace folivar

namespace folivar {

TPrintSize PrintOutputSize(int32_t printerWidth, int32_t printerHeight, int32_t viewWidth,
                           int32_t viewHeight) {
  if (viewWidth <= 0 || viewHeight <= 0) return {printerWidth, printerHeight};
  const double r = static_cast<double>(viewWidth) / viewHeight;
  TPrintSize s{static_cast<int32_t>(std::nearbyint(printerHeight * r)), printerHeight};
  if (printerWidth < s.width) {
    s.width = printerWidth;
    s.height = static_cast<int32_t>(std::nearbyint(printerWidth / r));
  }
  return s;
}

}  // namespace folivar
