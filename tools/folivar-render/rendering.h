// What the reader's page surface holds after showing a page, with what it took to draw it: the
// pixels, the item map (each clickable item numbered in the order it is first met, row by row)
// and every string the text device wrote with its position and advances. The renderer and the
// comparison of the Windows and the native text devices share it; it is written in a small
// binary form that both builds read without further libraries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/surfaces.h"

namespace folivar {

class TBook;

struct TWrittenText {
  int32_t x = 0, y = 0;
  int32_t height = 0;  // of the font's cells
  std::u16string text;  // UTF-16, one advance per code unit
  std::vector<int32_t> advances;
};

struct TRendering {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
  std::vector<uint32_t> items;   // 0 = none, else the item's number from 1
  std::vector<TWrittenText> texts;
};

// Shows the spread (or single page) that holds page index as the reader does after a page change,
// drawing text with devices made by makeDevice at the scale, and takes the result: the pixels at
// device size, the item map at the same size (each device pixel with the item of the book pixel
// that holds it). The book is loaded and index is one of its pages.
TRendering RenderPage(TBook& book, int32_t index, const TTextDeviceFactory& makeDevice,
                      double scale = 1.0);

// The binary form: "FRN2", width, height, pixels, items, text count, per text x, y, height,
// length, the UTF-16 code units (16-bit), advances; the other integers 32-bit, all little-endian.
std::string EncodeRendering(const TRendering& r);
// Raises std::runtime_error for bytes that are not a whole rendering.
TRendering DecodeRendering(std::string_view bytes);

}  // namespace folivar
