// TXif: the program's picture. A tview that reads itself from an XIF record:
//
//   layout A (packed pixels, decoded on first use):  u32 length L | u32 width | u32 height | L bytes
//            the bytes are an "XBM" stream or a bzip2 stream of the raw pixel memory
//   layout B (wavelet picture, decoded at once):     u32 length L | L bytes of an "XWL" stream
//
// The three bytes after the length tell the layouts apart ("XWL" means layout B).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/checkedread.h"
#include "display/Views.h"

namespace folivar {

// The largest picture a book may hold: 16384 pixels on a side and 256 MiB of pixels.
constexpr uint32_t kMaxPictureSide = 16384;
constexpr uint64_t kMaxPictureBytes = uint64_t{256} << 20;

// Raises TBookDamaged (through the reader) when a picture of that size is refused.
void CheckPictureSize(uint64_t width, uint64_t height, const std::string& what);

// The framing shared by both layouts: the record's length and whether it is a wavelet record.
struct TXifFraming {
  int32_t length = 0;
  bool wavelet = false;
};
// Reads the length at the reader's position and looks at the three bytes after it without
// moving past them. A length above 2 GiB raises TBookDamaged.
TXifFraming ReadXifFraming(TCheckedReader& source);

class TXif : public tview {
 public:
  TXif() = default;
  TXif(uint32_t width, uint32_t height, bool withDC = false) : tview(width, height, withDC) {}

  // Reads one XIF record at the reader's position and leaves the reader just behind it. A record
  // that does not fit its bytes raises TBookDamaged; packed pixels are only checked for size.
  void Load(TCheckedReader& source);
  void Load(TFile& source);

  // Decodes the packed pixels into the pixel memory, once. Damaged packed data never raises:
  // the picture keeps what could be decoded (the rest zero, or the "XBM" background) and
  // Damage() says what was wrong. Later calls do nothing.
  void Unpack();
  bool Packed() const { return !packed_.empty(); }
  const std::string& Damage() const { return damage_; }

  // Decodes an "XWL" stream into this picture (memory only), replacing what it held. Raises
  // TBookDamaged for a stream that cannot be decoded.
  void CreateFromXwl(std::string_view stream);

  uint32_t GetPixel(uint32_t x, uint32_t y) const { return At(x, y); }
  void SetPixel(uint32_t x, uint32_t y, uint32_t colour) { At(x, y) = colour; }
  // The outline of the rectangle with corners (x1, y1) and (x2, y2), inclusive, clipped to the
  // picture; nothing along a side whose range is empty.
  void FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
  // Reverses the pixels of every row.
  void Mirror();

 private:
  std::string packed_;
  std::string damage_;
};

}  // namespace folivar
