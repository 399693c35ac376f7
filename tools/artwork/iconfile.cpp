#include "tools/artwork/iconfile.h"

#include <stdexcept>

namespace folivar::art {

namespace {

constexpr uint32_t kDirectorySize = 6;
constexpr uint32_t kEntrySize = 16;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaxSide = 256;

void U8(std::string& out, uint32_t v) { out += static_cast<char>(v & 0xFF); }

void U16(std::string& out, uint32_t v) {
  U8(out, v);
  U8(out, v >> 8);
}

void U32(std::string& out, uint32_t v) {
  U16(out, v);
  U16(out, v >> 16);
}

// Rows of the AND mask are padded to whole 32-bit words.
uint32_t MaskStride(uint32_t width) { return (width + 31) / 32 * 4; }

uint32_t ImageBytes(const TIconImage& image) {
  return kInfoHeaderSize + image.width * image.height * 4 + MaskStride(image.width) * image.height;
}

void Check(TIconKind kind, const TIconImage& image) {
  if (image.width < 1 || image.width > kMaxSide || image.height < 1 || image.height > kMaxSide)
    throw std::invalid_argument("an icon image must be 1 to 256 pixels wide and high");
  if (image.pixels.size() != size_t{image.width} * image.height)
    throw std::invalid_argument("an icon image holds width x height pixels");
  if (kind == TIconKind::Cursor && (image.hotX >= image.width || image.hotY >= image.height))
    throw std::invalid_argument("the hot spot of a cursor lies outside its image");
}

void Image(std::string& out, const TIconImage& image) {
  const uint32_t w = image.width, h = image.height;
  const uint32_t colourBytes = w * h * 4, maskBytes = MaskStride(w) * h;
  // BITMAPINFOHEADER: the height counts the colour rows and the mask rows together.
  U32(out, kInfoHeaderSize);
  U32(out, w);
  U32(out, h * 2);
  U16(out, 1);   // planes
  U16(out, 32);  // bits per pixel
  U32(out, 0);   // BI_RGB
  U32(out, colourBytes + maskBytes);
  U32(out, 0);  // pixels per metre, x and y
  U32(out, 0);
  U32(out, 0);  // colours used and important
  U32(out, 0);
  // The colour rows, bottom row first, each pixel B, G, R, A.
  for (uint32_t row = h; row-- > 0;) {
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t p = image.pixels[size_t{row} * w + x];
      U32(out, p >> 24 == 0 ? 0 : p);
    }
  }
  // The mask rows, bottom row first, the leftmost pixel in the highest bit: 1 where the
  // picture is fully transparent.
  std::string mask(maskBytes, '\0');
  for (uint32_t row = 0; row < h; ++row) {
    const uint32_t fileRow = h - 1 - row;
    for (uint32_t x = 0; x < w; ++x) {
      if (image.pixels[size_t{row} * w + x] >> 24 != 0) continue;
      char& byte = mask[size_t{fileRow} * MaskStride(w) + x / 8];
      byte = static_cast<char>(static_cast<unsigned char>(byte) | (0x80u >> (x % 8)));
    }
  }
  out += mask;
}

}  // namespace

std::string IconFile(TIconKind kind, const std::vector<TIconImage>& images) {
  if (images.empty() || images.size() > 0xFFFF)
    throw std::invalid_argument("an icon file holds 1 to 65535 images");
  for (const TIconImage& image : images) Check(kind, image);
  const bool cursor = kind == TIconKind::Cursor;
  std::string out;
  // ICONDIR: reserved, type (1 icon, 2 cursor), count.
  U16(out, 0);
  U16(out, static_cast<uint16_t>(kind));
  U16(out, static_cast<uint32_t>(images.size()));
  // One entry each: width and height (0 for 256), no palette, then the colour planes and bits
  // per pixel of an icon, or the hot spot of a cursor, then where the image lies.
  uint32_t offset = kDirectorySize + kEntrySize * static_cast<uint32_t>(images.size());
  for (const TIconImage& image : images) {
    U8(out, image.width == kMaxSide ? 0 : image.width);
    U8(out, image.height == kMaxSide ? 0 : image.height);
    U8(out, 0);
    U8(out, 0);
    U16(out, cursor ? image.hotX : 1u);
    U16(out, cursor ? image.hotY : 32u);
    U32(out, ImageBytes(image));
    U32(out, offset);
    offset += ImageBytes(image);
  }
  for (const TIconImage& image : images) Image(out, image);
  return out;
}

}  // namespace folivar::art
