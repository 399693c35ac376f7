#include "bench/densebook.h"

#include <array>
#include <map>
#include <string_view>
#include <vector>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "core/codepage.h"
#include "display/surfaces.h"

namespace folivar::bench {

namespace {

constexpr std::array<std::u16string_view, 48> kEnglish = {
    u"the",     u"reader",  u"turned", u"a",       u"page",    u"of",     u"old",     u"book",
    u"and",     u"found",   u"there",  u"letters", u"written", u"in",     u"faded",   u"ink",
    u"by",      u"someone", u"who",    u"knew",    u"river",   u"town",   u"winter",  u"long",
    u"evening", u"light",   u"over",   u"quiet",   u"houses",  u"while",  u"walked",  u"home",
    u"through", u"narrow",  u"streets", u"thinking", u"about", u"what",   u"was",     u"said",
    u"at",      u"table",   u"when",   u"morning", u"came",    u"with",   u"rain",    u"again"};

// The same in Russian, every word beginning with a letter of U+0430 .. U+044F.
constexpr std::array<std::u16string_view, 48> kRussian = {
    u"читатель", u"перевернул", u"страницу", u"старой",  u"книги",   u"и",       u"нашёл",    u"там",
    u"письма",   u"написанные", u"выцветшими", u"чернилами", u"кем", u"то",      u"кто",      u"знал",
    u"реку",     u"город",    u"зимний",   u"долгий",   u"вечер",   u"свет",    u"над",      u"тихими",
    u"домами",   u"пока",     u"шёл",      u"домой",    u"через",   u"узкие",   u"улицы",    u"думая",
    u"о",        u"том",      u"что",      u"было",     u"сказано", u"за",      u"столом",   u"когда",
    u"пришло",   u"утро",     u"с",        u"дождём",   u"снова",   u"в",       u"тишине",   u"окна"};

// A fixed sequence of words with commas, full stops and capitals, the same on every run.
class TText {
 public:
  explicit TText(const std::array<std::u16string_view, 48>& words) : words_(words) {}

  std::u16string NextWord() {
    const uint32_t r = Next();
    std::u16string word(words_[r % words_.size()]);
    // a .. z and U+0430 .. U+044F have their capitals 0x20 below.
    if (capital_) word[0] = static_cast<char16_t>(word[0] - 0x20);
    capital_ = false;
    const uint32_t mark = (r >> 8) % 16;
    if (mark == 0) {
      word += u'.';
      capital_ = true;
    } else if (mark == 1) {
      word += u',';
    }
    return word;
  }

 private:
  uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  const std::array<std::u16string_view, 48>& words_;
  uint32_t state_ = 12345;
  bool capital_ = true;
};

// The body font's advances, each character measured once.
class TMetrics {
 public:
  TMetrics() : surface_(1, 1) {
    surface_.SetPlainFont(kBodyFace, kBodySize);
    surface_.GetAscentDescent(ascent, descent);
  }
  int32_t Width(std::u16string_view text) {
    int32_t w = 0;
    for (char16_t c : text) {
      auto [at, added] = advance_.try_emplace(c, 0);
      if (added) at->second = surface_.TextWidth(std::u16string_view(&c, 1));
      w += at->second;
    }
    return w;
  }
  int32_t ascent = 0;
  int32_t descent = 0;

 private:
  TSurface surface_;
  std::map<char16_t, int32_t> advance_;
};

// A 7 x 11 digit picture: a dark block with d light rows, so the ten differ.
std::string DigitPicture(uint32_t d) {
  constexpr uint32_t kW = 7, kH = 11;
  std::vector<uint32_t> pixels(kW * kH, 0x202020);
  for (uint32_t y = 0; y < d && y < kH; ++y)
    for (uint32_t x = 1; x + 1 < kW; ++x) pixels[y * kW + x] = 0xE0E0E0;
  return PackedPictureRecord(kW, kH, PackRawPixels(pixels.data(), kW, kH));
}

}  // namespace

TDenseBook MakeDenseBook(int32_t textPages, TDenseText language) {
  TMetrics m;
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

  const bool unicode = language == TDenseText::kRussianUnicode;
  if (unicode) w.SetProperty("encoding", "unicode");
  TText text(language == TDenseText::kEnglish ? kEnglish : kRussian);
  std::u16string pending = text.NextWord();
  int64_t characters = 0, lines = 0;
  const int32_t space = m.Width(u" ");
  for (int32_t p = 0; p <= textPages; ++p) {
    std::vector<TLineRecord> page;
    for (int32_t l = 0; l < linesPerPage; ++l) {
      TLineRecord line;
      line.height = lineHeight;
      line.ascent = m.ascent;
      line.descent = m.descent;
      line.alignment = 0;
      std::u16string content = pending;
      int32_t width = m.Width(pending);
      for (;;) {
        pending = text.NextWord();
        const int32_t wider = width + space + m.Width(pending);
        if (wider > column) break;
        content += u' ';
        content += pending;
        width = wider;
      }
      line.width = width;
      if (unicode) {
        for (char16_t c : content) line.items.push_back({static_cast<uint16_t>(c), body});
      } else {
        for (char c : Utf8ToCp1251(Utf16ToUtf8(content))) line.items.push_back({static_cast<uint8_t>(c), body});
      }
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
