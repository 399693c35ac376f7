// The book's styles as the layout asks for them: a text style of book.toml with emphasis and a
// link laid over it, and the picture and glyph styles (built in, or with a link of their own).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "book/bookwriter.h"
#include "tools/make/measure.h"
#include "tools/make/source.h"

namespace folivar::make {

// The style record of a book.toml style with the emphasis flags (kBold, kItalic) added. The face
// name and the link (UTF-8 in the source) are stored in the book's encoding, BookEncoding().
TStyleRecord TextRecord(const TTextStyle& setting, uint8_t emphasis, const std::string& link = {});
// COLORREF 0x00BBGGRR of a colour 0x00RRGGBB.
int32_t ColourRef(uint32_t rgb);

class TBookStyles {
 public:
  TBookStyles(TMeasure& measure, const TTextStyle& linkOverlay)
      : measure_(measure), overlay_(linkOverlay) {}

  // A text style; a link lays the link style of book.toml over it.
  uint16_t Text(const TTextStyle& base, uint8_t emphasis, const std::string& link);
  // The same font with a link but without the link's looks (the entries of the contents).
  uint16_t Plain(const TTextStyle& base, const std::string& link);
  // Pictures standing in the text (kind 2) and glyph pictures (kind 4).
  uint16_t Picture(const std::string& link);
  uint16_t Glyph(const std::string& link);

 private:
  uint16_t Add(const TStyleRecord& record);

  TMeasure& measure_;
  TTextStyle overlay_;
  std::map<std::tuple<uint8_t, std::string, uint8_t, int32_t, int32_t, std::string>, uint16_t> known_;
};

}  // namespace folivar::make
