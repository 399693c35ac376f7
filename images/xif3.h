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

// A stored picture is pending until its first Unpack: it has its size but no pixel memory yet, so
// that reading a book with many illustrations costs only reading their bytes. A picture whose data
// turns out damaged (packed pixels that do not decode, a wavelet stream that does not decode, a
// size larger than a book may hold) is left empty, 0 x 0 and drawn as nothing, and says why in
// Damage(); it is never decoded again.
class TXif : public tview {
 public:
  TXif() = default;
  TXif(uint32_t width, uint32_t height, bool withDC = false) : tview(width, height, withDC) {}

  // Reads one XIF record at the reader's position and leaves the reader just behind it. A record
  // that does not fit its bytes raises TBookDamaged, since nothing after it could be found; damaged
  // content inside a record that fits only empties this picture.
  void Load(TCheckedReader& source);
  void Load(TFile& source);

  // Makes the pixel memory of a pending picture and decodes the packed pixels into it, once.
  // Never raises: damaged data leaves the picture empty with Damage() set. Later calls do nothing.
  void Unpack();
  bool Packed() const { return pending_; }
  const std::string& Damage() const { return damage_; }

  // The picture's size; for a pending picture the size its record gives, before its pixels exist.
  // They hide tview's, which count only pixels already made: code that holds a TXif sees the size
  // the picture will have, while drawing through tview finds no pixels to copy until Unpack.
  uint32_t Width() const { return pending_ ? pendingWidth_ : tview::Width(); }
  uint32_t Height() const { return pending_ ? pendingHeight_ : tview::Height(); }

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
  void Fail(std::string damage);

  std::string packed_;
  std::string damage_;
  bool pending_ = false;
  bool pendingDC_ = false;
  uint32_t pendingWidth_ = 0;
  uint32_t pendingHeight_ = 0;
};

}  // namespace folivar
