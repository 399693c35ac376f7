#include "bench/densebook.h"

#include <array>
#include <string_view>
#include <vector>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "display/surfaces.h"

namespace folivar::bench {

namespace {

constexpr std::array<std::string_view, 48> kWords = {
    "the",     "reader",  "turned", "a",       "page",    "of",     "old",     "book",
    "and",     "found",   "there",  "letters", "written", "in",     "faded",   "ink",
    "by",      "someone", "who",    "knew",    "river",   "town",   "winter",  "long",
    "evening", "light",   "over",   "quiet",   "houses",  "while",  "walked",  "home",
    "through", "narrow",  "streets", "thinking", "about", "what",   "was",     "said",
    "at",      "table",   "when",   "morning", "came",    "with",   "rain",    "again"};

// A fixed sequence of words with commas, full stops and capitals, the same on every run.
class TText {
 public:
  std::string NextWord() {
    const uint32_t r = Next();
    std::string word(kWords[r % kWords.size()]);
    if (capital_) word[0] = static_cast<char>(word[0] - 'a' + 'A');
    capital_ = false;
    const uint32_t mark = (r >> 8) % 16;
    if (mark == 0) {
      word += '.';
      capital_ = true;
    } else if (mark == 1) {
      word += ',';
    }
    return word;
  }

 private:
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  uint32_t state_ = 12345;
  bool capital_ = true;
};

struct TMetrics {
  std::array<int32_t, 256> advance{};
  int32_t ascent = 0;
  int32_t descent = 0;
};

TMetrics MeasureBodyFont() {
  TSurface surface(1, 1);
  surface.SetPlainFont(kBodyFace, kBodySize);
  TMetrics m;
  for (int c = 32; c < 127; ++c) {
    const char16_t ch = static_cast<char16_t>(c);  // ASCII
    m.advance[static_cast<size_t>(c)] = surface.TextWidth(std::u16string_view(&ch, 1));
  }
  surface.GetAscentDescent(m.ascent, m.descent);
  return m;
}

int32_t WidthOf(const TMetrics& m, std::string_view text) {
  int32_t w = 0;
  for (char c : text) w += m.advance[static_cast<uint8_t>(c)];
  return w;
}

// A 7 x 11 digit picture: a dark block with d light rows, so the ten differ.
std::string DigitPicture(uint32_t d) {
  constexpr uint32_t kW = 7, kH = 11;
  std::vector<uint32_t> pixels(kW * kH, 0x202020);
  for (uint32_t y = 0; y < d && y < kH; ++y)
    for (uint32_t x = 1; x + 1 < kW; ++x) pixels[y * kW + x] = 0xE0E0E0;
  return PackedPictureRecord(kW, kH, PackRawPixels(pixels.data(), kW, kH));
}

}  // namespace

TDenseBook MakeDenseBook(int32_t textPages) {
  const TMetrics m = MeasureBodyFont();
  TBookWriter w;
  const TBookHeader& h = w.header;
  const int32_t column = h.pageWidth - h.leftMargin - h.rightMargin;
  const int32_t lineHeight = m.ascent + m.descent;
  const int32_t linesPerPage =
      lineHeight > 0 ? (h.viewHeight - h.bottomMargin - h.topMargin) / lineHeight : 0;

  w.header.digitImageBase = 0;
  for (uint32_t d = 0; d < 10; ++d) w.AddPicture(11, DigitPicture(d));
  const auto body = static_cast<uint16_t>(w.AddStyle(
      EncodeStyleRecord({.kind = 1, .faceName = kBodyFace, .size = kBodySize})));

  TText text;
  std::string pending = text.NextWord();
  int64_t characters = 0, lines = 0;
  const int32_t space = m.advance[' '];
  for (int32_t p = 0; p <= textPages; ++p) {
    std::vector<TLineRecord> page;
    for (int32_t l = 0; l < linesPerPage; ++l) {
      TLineRecord line;
      line.height = lineHeight;
      line.ascent = m.ascent;
      line.descent = m.descent;
      line.alignment = 0;
      std::string content = pending;
      int32_t width = WidthOf(m, pending);
      for (;;) {
        pending = text.NextWord();
        const int32_t wider = width + space + WidthOf(m, pending);
        if (wider > column) break;
        content += ' ';
        content += pending;
        width = wider;
      }
      line.width = width;
      for (char c : content) line.items.push_back({static_cast<uint8_t>(c), body});
      characters += static_cast<int64_t>(content.size());
      ++lines;
      page.push_back(std::move(line));
    }
    w.AddPage(EncodePageRecord(-1, page));
  }

  TDenseBook book;
  book.image = w.Build();
  book.pages = textPages + 1;
  book.linesPerPage = linesPerPage;
  book.lineHeight = lineHeight;
  book.charactersPerLine = lines ? static_cast<double>(characters) / static_cast<double>(lines) : 0;
  return book;
}

}  // namespace folivar::bench
