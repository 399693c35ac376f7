#include "images/rgbpack.h"

#include <vector>

#include "core/strutil.h"
#include "display/Views.h"

namespace folivar {

namespace {

// A bounded cursor over the stream: every read checks what is left.
class TStreamCursor {
 public:
  explicit TStreamCursor(std::string_view data) : data_(data) {}
  bool Have(size_t n) const { return data_.size() - at_ >= n; }
  size_t Left() const { return data_.size() - at_; }
  uint32_t U8() { return static_cast<uint8_t>(data_[at_++]); }
  uint32_t U16() {
    const uint32_t v = U8();
    return v | U8() << 8;
  }
  uint32_t U32() {
    const uint32_t v = U16();
    return v | U16() << 16;
  }
  std::string_view Take(size_t n) {
    const std::string_view part = data_.substr(at_, n);
    at_ += n;
    return part;
  }

 private:
  std::string_view data_;
  size_t at_ = 0;
};

}  // namespace

bool UnpackBits(std::string_view data, uint32_t count, uint32_t bits, uint32_t* values) {
  if (bits < 1 || bits > 31) return false;
  if (uint64_t{count} * bits > uint64_t{data.size()} * 8) return false;
  uint64_t bit = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t v = 0;
    for (uint32_t b = 0; b < bits; ++b, ++bit) {
      const uint32_t byte = static_cast<uint8_t>(data[bit >> 3]);
      v |= ((byte >> (bit & 7)) & 1u) << b;
    }
    values[i] = v;
  }
  return true;
}

std::string DecodeXbm(std::string_view stream, tview& target) {
  TStreamCursor in(stream);
  if (!in.Have(13) || stream.substr(0, 3) != "XBM") return "the XBM stream has no header";
  in.Take(3);
  const uint32_t width = in.U8();
  const uint32_t height = in.U8();
  const uint32_t background = in.U32();
  target.Allocate(width, height, false);
  if (target.Width() != width || target.Height() != height) return "no memory for the picture";
  target.Fill(background);
  const uint32_t pixels = width * height;

  const int32_t maskLength = static_cast<int32_t>(in.U32());
  if (maskLength < 0 || !in.Have(static_cast<size_t>(maskLength)) ) {
    return "the XBM mask length " + IntToText(maskLength) + " runs past the stream";
  }
  const std::string_view mask = in.Take(static_cast<size_t>(maskLength));
  if (!in.Have(4)) return "the XBM stream ends before its palette length";
  const int32_t paletteLength = static_cast<int32_t>(in.U32());

  std::vector<uint32_t> palette, indices;
  std::string damage;
  if (paletteLength > 0) {
    if (!in.Have(static_cast<size_t>(paletteLength) + 8)) return "the XBM palette runs past the stream";
    const std::string_view paletteBits = in.Take(static_cast<size_t>(paletteLength));
    const uint32_t paletteCount = in.U16();
    const uint32_t paletteWidth = in.U16();
    const int32_t indexLength = static_cast<int32_t>(in.U32());
    if (indexLength < 0 || !in.Have(static_cast<size_t>(indexLength) + 4)) {
      return "the XBM indices run past the stream";
    }
    const std::string_view indexBits = in.Take(static_cast<size_t>(indexLength));
    const uint32_t indexCount = in.U16();
    const uint32_t indexWidth = in.U16();
    palette.resize(paletteCount);
    indices.resize(indexCount);
    if (!UnpackBits(paletteBits, paletteCount, paletteWidth, palette.data())) {
      return "the XBM palette of " + IntToText(paletteCount) + " values of " +
             IntToText(paletteWidth) + " bits does not fit its bytes";
    }
    if (!UnpackBits(indexBits, indexCount, indexWidth, indices.data())) {
      return "the XBM index list of " + IntToText(indexCount) + " values of " +
             IntToText(indexWidth) + " bits does not fit its bytes";
    }
  } else {
    if (!in.Have(4)) return "the XBM stream ends before its colour count";
    const int32_t count = static_cast<int32_t>(in.U32());
    if (count <= 0) return {};
    if (!in.Have(4)) return "the XBM stream ends before its colour";
    palette.assign(1, in.U32());
    // No more indices than pixels: the rest could colour nothing.
    indices.assign(std::min<uint32_t>(static_cast<uint32_t>(count), pixels), 0);
  }

  // Pixel-memory order is bottom row first, which is also the order of Bits().
  uint32_t* bits = target.Bits();
  const size_t maskPixels = std::min<size_t>(pixels, mask.size() * 8);
  size_t k = 0;
  for (size_t p = 0; p < maskPixels && k < indices.size(); ++p) {
    if ((static_cast<uint8_t>(mask[p >> 3]) >> (p & 7)) & 1u) {
      const uint32_t index = indices[k++];
      if (index < palette.size()) bits[p] = palette[index];
    }
  }
  if (mask.size() * 8 < pixels) damage = "the XBM mask is shorter than the picture";
  return damage;
}

}  // namespace folivar
