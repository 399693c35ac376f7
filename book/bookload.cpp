// The loading sequence: walks a book image from its header to its style block into a TBook and
// the program-wide tables (pictures, anchors, styles, message texts).
#include "book/bookclass.h"
#include "book/bookstyle.h"
#include "book/loading.h"
#include "core/codepage.h"
#include "core/strutil.h"
#include "display/anchorz.h"
#include "images/imageclass.h"
#include "reader/msgs.h"

namespace folivar {

namespace {

void LoadInto(TBook& book, std::unique_ptr<TFile> source, const std::function<void()>& callback) {
  TMemFile scratch;
  book.Clear();
  book.source = std::move(source);
  TCheckedReader r(*book.source);
  r.Seek(0, "the header");
  book.header = ReadHeader(r);
  // Spreads start at page 0 at the earliest: a negative start would make page 0 a right page.
  if (book.header.firstSpreadPage < 0) book.header.firstSpreadPage = 0;
  book.properties = ReadProperties(r);
  SetBookEncoding(EncodingOf(GetValue(book.properties, "encoding")));
  LoadMessageTable(GetValue(book.properties, "locale"));
  if (callback) callback();

  // Each picture entry holds at least its ascent, its reserved byte and its record length.
  const int32_t pictures = r.Count("the picture count", 9);
  for (int32_t i = 0; i < pictures; ++i) {
    const int32_t at = r.Position();
    ReadImageEntry(r);
    CheckPixels(r, at, "the ascent of a picture", ImageAt(static_cast<uint32_t>(i)).ascent);
  }

  const std::string anchorWhere = "the anchor block at byte " + IntToText(r.Position());
  ReadPackedBlock(r, scratch, "the anchor block");
  LoadAnchors(scratch, anchorWhere);

  const std::vector<int32_t> offsets = ReadPageIndex(r);
  book.pages.clear();
  book.pages.reserve(offsets.size());
  for (int32_t offset : offsets) {
    auto page = std::make_unique<TPage>();
    page->offset = offset;
    page->unloaded = 1;
    book.pages.push_back(std::move(page));
  }

  const int32_t stylesAt = SkipPageBlock(r, offsets.back());
  ReadPackedBlock(r, scratch, "the style block");
  TCheckedReader styles(scratch, "the style block at byte " + IntToText(stylesAt));
  // A style record is at least 22 bytes: lengths, flags, size, colour, name sum and kind.
  const int32_t styleCount = styles.Count("the style count", 22);
  TStyle style;
  for (int32_t i = 0; i < styleCount; ++i) {
    style.ReadRecord(styles);
    style.FindOrAddStyle();
  }

  // The last entry of the index is the substitute page: decoded now, and it must be readable.
  TPage& last = *book.pages.back();
  TMemFile record;
  ReadPageBlock(*book.source, last.offset, record);
  ReadPageRecord(record, last);
  last.unloaded = 0;
  book.substitute = std::move(last);
  book.pages.pop_back();
}

}  // namespace

void LoadBook(TBook& book, std::unique_ptr<TFile> source, const std::function<void()>& callback) {
  try {
    LoadInto(book, std::move(source), callback);
  } catch (...) {
    book.Clear();
    book.pages.clear();
    book.substitute = TPage();
    book.source.reset();
    ClearAnchors();
    ClearMessageTable();
    SetBookEncoding(TTextEncoding::kCp1251);
    throw;
  }
}

}  // namespace folivar
