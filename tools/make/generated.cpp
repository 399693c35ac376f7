#include "tools/make/generated.h"

#include <algorithm>
#include <string>
#include <vector>

#include "tools/make/codepage.h"
#include "tools/make/pictures.h"
#include "tools/make/sourceerror.h"
#include "tools/make/styles.h"

namespace folivar::make {

namespace {

constexpr uint32_t kPaper = 0xF6F2E9;  // the cover's ground when the book has no background
constexpr int32_t kSmallestSize = 6;   // points

uint16_t AddPicture(TMeasure& measure, const TPixels& p, TPictureFormat format,
                    uint32_t background = 0xFFFFFFFF) {
  return measure.Picture(static_cast<int32_t>(p.height),
                         EncodePicture(p.pixels, p.width, p.height, format, background));
}

// The ten digits cut to the rows that any of them inks.
std::vector<TPixels> DrawDigits(TMeasure& measure, const TStyleRecord& font, uint32_t key) {
  std::vector<TGlyph> glyphs;
  int32_t top = 1 << 30, bottom = -1;
  for (char d = '0'; d <= '9'; ++d) {
    glyphs.push_back(measure.Render(font, std::string(1, d), key));
    const TGlyph& g = glyphs.back();
    for (uint32_t y = 0; y < g.height; ++y)
      for (uint32_t x = 0; x < g.width; ++x)
        if (g.pixels[size_t{y} * g.width + x] != key) {
          top = std::min(top, static_cast<int32_t>(y));
          bottom = std::max(bottom, static_cast<int32_t>(y));
        }
  }
  std::vector<TPixels> digits;
  if (bottom < 0) return digits;
  for (const TGlyph& g : glyphs) {
    TPixels p;
    p.width = g.width;
    p.height = static_cast<uint32_t>(bottom - top + 1);
    p.pixels.assign(g.pixels.begin() + static_cast<std::ptrdiff_t>(size_t(top) * g.width),
                    g.pixels.begin() + static_cast<std::ptrdiff_t>(size_t(bottom + 1) * g.width));
    digits.push_back(std::move(p));
  }
  return digits;
}

// Words joined into lines no wider than `width` where they can be; a word wider than that stands
// on a line of its own. The lines are in the book's encoding.
std::vector<std::string> BreakWords(TMeasure& measure, const TStyleRecord& font, const std::string& text,
                                    int32_t width, bool& fits) {
  std::vector<std::string> words;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find(' ', at), text.size());
    if (end > at) words.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  auto wide = [&](const std::string& s) {
    return static_cast<int32_t>(measure.Render(font, BookString(s, BookEncoding()), 0xFFFFFF).width);
  };
  std::vector<std::string> lines;
  fits = true;
  for (const std::string& w : words) {
    if (!lines.empty() && wide(lines.back() + " " + w) <= width) {
      lines.back() += " " + w;
    } else {
      lines.push_back(w);
      if (wide(w) > width) fits = false;
    }
  }
  for (std::string& l : lines) l = BookString(l, BookEncoding());
  return lines;
}

struct TSetLines {
  TStyleRecord font;
  std::vector<std::string> lines;
  int32_t lineHeight = 0;
};

// The text in the style at the largest size from `size` down to `smallest` at which each word
// fits the width and all its lines the height.
TSetLines SetText(TMeasure& measure, TTextStyle style, const std::string& text, int32_t size,
                  int32_t smallest, int32_t width, int32_t height) {
  TSetLines set;
  for (;; size = std::max(smallest, size * 9 / 10)) {
    style.size = size;
    set.font = TextRecord(style, 0);
    bool fits = true;
    set.lines = BreakWords(measure, set.font, text, width, fits);
    set.lineHeight = static_cast<int32_t>(measure.Render(set.font, "H", 0xFFFFFF).height);
    if (size == smallest || (fits && set.lineHeight * static_cast<int32_t>(set.lines.size()) <= height))
      return set;
  }
}

// Draws a line centred at `top`: drawn once on black and once on white, the two give each
// pixel's colour and how much of the ground shows through it, channel by channel.
void Paint(TMeasure& measure, const TStyleRecord& font, const std::string& line, int32_t top, TPixels& page) {
  const TGlyph dark = measure.Render(font, line, 0x000000), light = measure.Render(font, line, 0xFFFFFF);
  const int32_t left = (static_cast<int32_t>(page.width) - static_cast<int32_t>(dark.width)) / 2;
  for (uint32_t y = 0; y < dark.height; ++y) {
    for (uint32_t x = 0; x < dark.width; ++x) {
      const int64_t px = left + int64_t{x}, py = top + int64_t{y};
      if (px < 0 || py < 0 || px >= page.width || py >= page.height) continue;
      uint32_t& out = page.pixels[static_cast<size_t>(py) * page.width + static_cast<size_t>(px)];
      const uint32_t b = dark.pixels[size_t{y} * dark.width + x],
                     w = light.pixels[size_t{y} * dark.width + x];
      uint32_t mixed = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t bc = b >> shift & 0xFF, wc = std::max(bc, w >> shift & 0xFF),
                       ground = out >> shift & 0xFF;
        mixed |= (bc + (ground * (wc - bc) + 127) / 255) << shift;
      }
      out = mixed;
    }
  }
}

}  // namespace

uint16_t AddDigitPictures(TMeasure& measure, const TBookSource& source) {
  const uint32_t key = source.glyphColour;
  // The number's line begins half the bottom margin above the page's foot.
  const int32_t room = std::max(1, source.marginBottom - source.marginBottom / 2 - 2);
  TTextStyle style = source.text;
  std::vector<TPixels> digits;
  for (int32_t size = style.size.value_or(12);; size = std::max(kSmallestSize, size - 1)) {
    style.size = size;
    digits = DrawDigits(measure, TextRecord(style, 0), key);
    if (digits.empty() || size == kSmallestSize || static_cast<int32_t>(digits[0].height) <= room) break;
  }
  if (digits.empty()) {
    throw TSourceError("book.toml", source.digitsLine,
                       "the page numbers drawn in the text colour do not show against glyph_colour");
  }
  uint16_t first = 0;
  for (size_t d = 0; d < digits.size(); ++d) {
    const TPixels& p = digits[d];
    TPictureFormat format;
    format.kind = p.width <= 255 && p.height <= 255 ? TPictureFormat::kXbm : TPictureFormat::kRaw;
    const uint16_t number = AddPicture(measure, p, format, key);
    if (d == 0) first = number;
  }
  return first;
}

uint16_t AddTypographicCover(TMeasure& measure, const TBookSource& source, const TPixels* background) {
  TPixels page;
  page.width = static_cast<uint32_t>(std::max(source.pageWidth, 1));
  page.height = static_cast<uint32_t>(std::max(source.pageHeight, 1));
  page.pixels.assign(size_t{page.width} * page.height, kPaper);
  if (background && background->width > 0 && background->height > 0) {
    for (uint32_t y = 0; y < page.height; ++y)
      for (uint32_t x = 0; x < page.width; ++x)
        page.pixels[size_t{y} * page.width + x] =
            background->pixels[size_t{y % background->height} * background->width + x % background->width];
  }
  const int32_t width = std::max(1, source.TextWidth());
  const int32_t third = source.pageHeight / 3;
  const int32_t heading = source.heading1.size.value_or(18);
  const TSetLines title =
      SetText(measure, source.heading1, source.title, heading * 2, std::min(heading, kSmallestSize * 2),
              width, std::max(1, third - source.marginTop));
  const int32_t titleHeight = title.lineHeight * static_cast<int32_t>(title.lines.size());
  int32_t y = std::max(source.marginTop, source.marginTop + (third - source.marginTop - titleHeight) / 2);
  for (const std::string& line : title.lines) {
    Paint(measure, title.font, line, y, page);
    y += title.lineHeight;
  }
  if (!source.author.empty()) {
    TTextStyle authorStyle = source.heading1;
    authorStyle.bold = false;
    const TSetLines author = SetText(measure, authorStyle, source.author, heading, kSmallestSize, width,
                                     std::max(1, source.pageHeight - source.marginBottom - y));
    y += author.lineHeight;
    for (const std::string& line : author.lines) {
      Paint(measure, author.font, line, y, page);
      y += author.lineHeight;
    }
  }
  return AddPicture(measure, page, TPictureFormat{});
}

}  // namespace folivar::make
