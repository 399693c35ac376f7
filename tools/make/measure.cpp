#include "tools/make/measure.h"

#include <stdexcept>

#include "book/bookstyle.h"
#include "book/paraclasses.h"
#include "core/checkedread.h"
#include "core/codepage.h"
#include "images/imageclass.h"
#include "platform/posix/fontcache.h"

namespace folivar::make {

namespace {

TStyleFont ReaderFont(const TStyleRecord& r) {
  TStyleFont f;
  f.SetFaceName(r.faceName);
  f.flags = r.flags;
  f.size = r.size;
  f.colour = r.colour;
  return f;
}

// Asked of the very face the text devices draw with: the file fontconfig chose for the face name,
// not the fonts it would fall back to for other characters.
std::string Lacking(const TStyleFont& font, char32_t c) {
  const std::shared_ptr<posix::TSizedFace> face = posix::TFontCache::Shared()->Face(MakeLogFont(font));
  if (!face || c > 0xFFFF || face->HasGlyph(static_cast<char16_t>(c))) return {};
  return BookTextToUtf8(font.faceName, BookEncoding());
}

TStyle ReaderStyle(const TStyleRecord& r) {
  TStyle s(r.kind);
  s.font = ReaderFont(r);
  s.link = r.link;
  return s;
}

}  // namespace

TMeasure::TMeasure(TBookWriter& writer) : writer_(writer), surface_(8, 8) {
  ResetStyles();
  FreeImages();
  SetCurrentSurface(&surface_);
}

TMeasure::~TMeasure() {
  SetCurrentSurface(nullptr);
  ResetStyles();
  FreeImages();
}

uint16_t TMeasure::Style(const TStyleRecord& record) {
  const int32_t index = writer_.AddStyle(EncodeStyleRecord(record));
  const int32_t reader = ReaderStyle(record).FindOrAddStyle();
  // The writer and the reader compare styles alike, so both tables grow in step.
  if (index != reader) throw std::logic_error("the style tables of the writer and the reader differ");
  if (index > 0xFFFF) throw std::runtime_error("the book has more than 65535 styles");
  return static_cast<uint16_t>(index);
}

uint16_t TMeasure::Picture(int32_t ascent, const std::string& xifRecord) {
  const int32_t number = writer_.AddPicture(ascent, xifRecord);
  if (number > 0xFFFF) throw std::runtime_error("the book has more than 65536 pictures");
  std::vector<uint8_t> entry(5);
  for (int i = 0; i < 4; ++i) entry[static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(ascent) >> (8 * i));
  entry.insert(entry.end(), xifRecord.begin(), xifRecord.end());
  TMemFile file;
  file.Assign(std::move(entry));
  TCheckedReader reader(file, "a picture entry");
  ReadImageEntry(reader);
  return static_cast<uint16_t>(number);
}

int32_t TMeasure::Width(uint16_t code, uint16_t style, uint16_t fontStyle) {
  if (style == kPageReferenceStyle) {
    if (fontStyle != 0) surface_.SelectStyle(fontStyle);
    return surface_.TextWidth(u"0000");
  }
  TViewItem item(code, style);
  return item.Width();
}

int32_t TMeasure::Ascent(uint16_t code, uint16_t style) {
  const TViewItem item(code, style);
  return item.Ascent();
}

int32_t TMeasure::Descent(uint16_t code, uint16_t style) {
  const TViewItem item(code, style);
  const uint8_t kind = item.Kind();
  if (kind == kKindImage || kind == kKindImgChar) return item.Height() - item.Ascent();
  if (kind != kKindCharacter) return 0;
  TStyle& s = GetStyle(style);
  s.FontAscent();
  return s.descent;
}

std::string TMeasure::FaceLacking(uint16_t style, char32_t c) { return Lacking(GetStyle(style).font, c); }

std::string TMeasure::FaceLacking(const TStyleRecord& font, char32_t c) { return Lacking(ReaderFont(font), c); }

TGlyph TMeasure::Render(const TStyleRecord& font, const std::string& text, uint32_t background) {
  const TStyleFont f = ReaderFont(font);
  // A surface of its own, so that the measuring surface keeps its current font.
  TSurface probe(8, 8);
  probe.Device().SelectFont(MakeLogFont(f));
  const std::u16string shown = BookTextToUtf16(text, BookEncoding());
  const TTextExtent extent = probe.MeasureText(shown);
  int32_t ascent = 0, descent = 0;
  probe.GetAscentDescent(ascent, descent);
  TGlyph g;
  g.width = static_cast<uint32_t>(std::max(extent.cx, 1));
  g.height = static_cast<uint32_t>(std::max(extent.cy, 1));
  g.baseline = ascent;
  TSurface cell(g.width, g.height);
  cell.Bitmap().Fill(background);
  cell.Device().SelectFont(MakeLogFont(f));
  cell.Device().SetTextColour(static_cast<uint32_t>(font.colour));
  cell.WriteText(shown, 0, 0);
  g.pixels.resize(size_t{g.width} * g.height);
  g.inkTop = static_cast<int32_t>(g.height);
  for (uint32_t y = 0; y < g.height; ++y) {
    for (uint32_t x = 0; x < g.width; ++x) {
      const uint32_t p = cell.Bitmap().At(x, y);
      g.pixels[size_t{y} * g.width + x] = p;
      if (p != background && static_cast<int32_t>(y) < g.inkTop) g.inkTop = static_cast<int32_t>(y);
    }
  }
  return g;
}

}  // namespace folivar::make
