#include "images/xif3.h"

#include <algorithm>
#include <cstring>

#include "core/bzip.h"
#include "core/errors.h"
#include "core/strutil.h"
#include "images/rgbpack.h"
#include "images/xifzoom.h"

namespace folivar {

void CheckPictureSize(uint64_t width, uint64_t height, const std::string& what) {
  if (width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height * 4 > kMaxPictureBytes) {
    throw TBookDamaged(what + " of " + IntToText(static_cast<int64_t>(width)) + " x " +
                       IntToText(static_cast<int64_t>(height)) +
                       " pixels is larger than a book may hold");
  }
}

TXifFraming ReadXifFraming(TCheckedReader& source) {
  const int32_t at = source.Position();
  const auto length = static_cast<uint32_t>(source.Int("the length of a picture record"));
  // A record too short for the three tag bytes cannot be a wavelet record.
  std::string tag;
  if (source.Remaining() >= 3) {
    tag = source.Bytes(3, "the tag of a picture record");
    source.Seek(source.Position() - 3, "a picture record");
  }
  if (length > static_cast<uint32_t>(INT32_MAX)) {
    source.Fail(at, "the length of a picture record", "of " + IntToText(length) + " is too large");
  }
  return {static_cast<int32_t>(length), tag == "XWL"};
}

void TXif::Load(TFile& source) {
  TCheckedReader reader(source);
  Load(reader);
}

void TXif::Load(TCheckedReader& source) {
  const TXifFraming framing = ReadXifFraming(source);
  const bool withDC = HasDC();
  Release();
  packed_.clear();
  damage_.clear();
  pending_ = false;
  if (framing.wavelet) {
    const std::string stream = source.Bytes(framing.length, "a wavelet picture");
    try {
      CreateFromXwl(stream);
    } catch (const TBookDamaged& e) {
      Fail(e.what());
    }
    return;
  }
  const auto width = static_cast<uint32_t>(source.Int("the width of a picture"));
  const auto height = static_cast<uint32_t>(source.Int("the height of a picture"));
  std::string bytes = source.Bytes(framing.length, "the packed pixels of a picture");
  try {
    CheckPictureSize(width, height, "a picture");
  } catch (const TBookDamaged& e) {
    Fail(e.what());
    return;
  }
  packed_ = std::move(bytes);
  pending_ = true;
  pendingDC_ = withDC;
  pendingWidth_ = width;
  pendingHeight_ = height;
}

void TXif::Fail(std::string damage) {
  Release();
  packed_.clear();
  pending_ = false;
  damage_ = std::move(damage);
}

void TXif::Unpack() {
  if (!pending_) return;
  pending_ = false;
  std::string packed;
  packed.swap(packed_);
  const uint32_t width = pendingWidth_, height = pendingHeight_;
  if (packed.compare(0, 3, "XBM") == 0) {
    std::string damage = DecodeXbm(packed, *this);
    if (!damage.empty()) Fail(std::move(damage));
    return;
  }
  if (width == 0 || height == 0) return;  // an empty picture has nothing to decode
  Allocate(width, height, pendingDC_);
  if (tview::Width() != width || tview::Height() != height) {
    Fail("the picture needs more memory than there is");
    return;
  }
  const size_t capacity = size_t{width} * height * 4;
  size_t produced = 0;
  const TBunzipStatus status = BunzipInto(packed.data(), packed.size(), Bits(), capacity, produced);
  if (status != TBunzipStatus::Ok) {
    Fail("the raw pixels " + std::string(BunzipReason(status)));
  } else if (produced != capacity) {
    Fail("the raw pixels hold " + IntToText(static_cast<int64_t>(produced)) + " bytes instead of " +
         IntToText(static_cast<int64_t>(capacity)));
  }
}

void TXif::CreateFromXwl(std::string_view stream) {
  TXwlHeader header{};
  const std::vector<uint32_t> pixels =
      DecodeXwl(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), &header);
  Allocate(header.width, header.height, false);
  if (!pixels.empty() && (tview::Width() != header.width || tview::Height() != header.height)) {
    throw TBookDamaged("a wavelet picture needs more memory than there is");
  }
  packed_.clear();
  damage_.clear();
  pending_ = false;
  // The decoder gives the top row first; the pixel memory holds it last.
  for (uint32_t y = 0; y < Height(); ++y) {
    std::memcpy(&At(0, y), &pixels[size_t{y} * Width()], size_t{Width()} * 4);
  }
}

void TXif::FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  FillRect(x1, y1, x1, y2, colour);
  FillRect(x2, y1, x2, y2, colour);
  FillRect(x1, y1, x2, y1, colour);
  FillRect(x1, y2, x2, y2, colour);
}

void TXif::Mirror() {
  for (uint32_t y = 0; y < Height(); ++y) {
    uint32_t* row = &At(0, y);
    std::reverse(row, row + Width());
  }
}

}  // namespace folivar
