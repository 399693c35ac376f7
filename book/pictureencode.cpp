#include "book/pictureencode.h"

#include <map>
#include <stdexcept>
#include <vector>

#include "book/putbytes.h"
#include "core/bzip.h"

namespace folivar {

uint32_t BitsFor(uint32_t v) {
  uint32_t bits = 1;
  while (bits < 32 && (v >> bits) != 0) ++bits;
  return bits;
}

std::string PackBits(const uint32_t* values, size_t count, uint32_t bits) {
  std::string out((count * bits + 7) / 8, '\0');
  size_t bit = 0;
  for (size_t i = 0; i < count; ++i) {
    for (uint32_t b = 0; b < bits; ++b, ++bit) {
      if ((values[i] >> b) & 1u) out[bit >> 3] = static_cast<char>(out[bit >> 3] | (1 << (bit & 7)));
    }
  }
  return out;
}

std::string PackRawPixels(const uint32_t* pixels, uint32_t width, uint32_t height) {
  std::string memory;
  memory.reserve(size_t{width} * height * 4);
  for (uint32_t row = height; row-- > 0;) {
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[size_t{row} * width + x] & 0x00FFFFFF;
      PutU32(memory, p);
    }
  }
  return Bzip(memory);
}

std::string EncodeXbm(const uint32_t* pixels, uint32_t width, uint32_t height,
                      std::optional<uint32_t> background) {
  if (width > 255 || height > 255) throw std::invalid_argument("an XBM picture is at most 255 x 255");
  const size_t count = size_t{width} * height;
  if (!background) {
    std::map<uint32_t, size_t> frequency;
    for (size_t i = 0; i < count; ++i) ++frequency[pixels[i] & 0x00FFFFFF];
    size_t best = 0;
    background = 0x00FFFFFF;
    for (const auto& [colour, n] : frequency) {
      if (n > best) {
        best = n;
        background = colour;
      }
    }
  }

  // The mask and the colours of the masked pixels, in pixel-memory order (bottom row first).
  std::string mask((count + 7) / 8, '\0');
  std::vector<uint32_t> colours;
  size_t p = 0;
  for (uint32_t row = height; row-- > 0;) {
    for (uint32_t x = 0; x < width; ++x, ++p) {
      const uint32_t colour = pixels[size_t{row} * width + x] & 0x00FFFFFF;
      if (colour == *background) continue;
      mask[p >> 3] = static_cast<char>(mask[p >> 3] | (1 << (p & 7)));
      colours.push_back(colour);
    }
  }

  std::string out = "XBM";
  out += static_cast<char>(width);
  out += static_cast<char>(height);
  PutU32(out, *background);
  PutU32(out, static_cast<uint32_t>(mask.size()));
  out += mask;

  std::map<uint32_t, uint32_t> index;
  for (uint32_t c : colours) index.emplace(c, 0);
  if (index.size() <= 1) {
    PutU32(out, 0);  // no palette: one colour
    PutU32(out, static_cast<uint32_t>(colours.size()));
    if (!colours.empty()) PutU32(out, colours.front());
    return out;
  }
  std::vector<uint32_t> palette;
  for (auto& [colour, position] : index) {
    position = static_cast<uint32_t>(palette.size());
    palette.push_back(colour);
  }
  uint32_t widest = 0;
  for (uint32_t c : palette) widest = std::max(widest, c);
  const uint32_t paletteBits = BitsFor(widest);
  const uint32_t indexBits = BitsFor(static_cast<uint32_t>(palette.size() - 1));
  std::vector<uint32_t> indices;
  indices.reserve(colours.size());
  for (uint32_t c : colours) indices.push_back(index[c]);

  const std::string paletteData = PackBits(palette.data(), palette.size(), paletteBits);
  const std::string indexData = PackBits(indices.data(), indices.size(), indexBits);
  PutU32(out, static_cast<uint32_t>(paletteData.size()));
  out += paletteData;
  PutU16(out, static_cast<uint32_t>(palette.size()));
  PutU16(out, paletteBits);
  PutU32(out, static_cast<uint32_t>(indexData.size()));
  out += indexData;
  PutU16(out, static_cast<uint32_t>(indices.size()));
  PutU16(out, indexBits);
  return out;
}

}  // namespace folivar
