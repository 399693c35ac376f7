#include "tools/make/styles.h"

#include "book/bookstyle.h"
#include "tools/make/chapter.h"
#include "tools/make/codepage.h"

namespace folivar::make {

int32_t ColourRef(uint32_t rgb) {
  return static_cast<int32_t>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF));
}

TStyleRecord TextRecord(const TTextStyle& setting, uint8_t emphasis, const std::string& link) {
  TStyleRecord r;
  r.kind = kKindCharacter;
  r.faceName = BookString(setting.face.value_or("Times New Roman"), BookEncoding());
  r.size = setting.size.value_or(12);
  r.colour = ColourRef(setting.colour.value_or(0));
  if (setting.bold.value_or(false) || (emphasis & kBold)) r.flags |= kFontBold;
  if (setting.italic.value_or(false) || (emphasis & kItalic)) r.flags |= kFontItalic;
  if (setting.underline.value_or(false)) r.flags |= kFontUnderline;
  r.link = BookString(link, BookEncoding());
  return r;
}

uint16_t TBookStyles::Add(const TStyleRecord& r) {
  const auto key = std::make_tuple(r.kind, r.faceName, r.flags, r.size, r.colour, r.link);
  if (const auto hit = known_.find(key); hit != known_.end()) return hit->second;
  const uint16_t index = measure_.Style(r);
  known_.emplace(key, index);
  return index;
}

uint16_t TBookStyles::Text(const TTextStyle& base, uint8_t emphasis, const std::string& link) {
  if (link.empty()) return Add(TextRecord(base, emphasis));
  TTextStyle s = base;
  if (overlay_.face) s.face = overlay_.face;
  if (overlay_.size) s.size = overlay_.size;
  if (overlay_.bold) s.bold = overlay_.bold;
  if (overlay_.italic) s.italic = overlay_.italic;
  if (overlay_.underline) s.underline = overlay_.underline;
  if (overlay_.colour) s.colour = overlay_.colour;
  return Add(TextRecord(s, emphasis, link));
}

uint16_t TBookStyles::Plain(const TTextStyle& base, const std::string& link) {
  return Add(TextRecord(base, 0, link));
}

uint16_t TBookStyles::Picture(const std::string& link) {
  if (link.empty()) return 1;
  TStyleRecord r;
  r.kind = kKindImage;
  r.link = BookString(link, BookEncoding());
  return Add(r);
}

uint16_t TBookStyles::Glyph(const std::string& link) {
  if (link.empty()) return 2;
  TStyleRecord r;
  r.kind = kKindImgChar;
  r.link = BookString(link, BookEncoding());
  return Add(r);
}

}  // namespace folivar::make
