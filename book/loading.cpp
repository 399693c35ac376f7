#include "book/loading.h"

#include <cstring>

#include "core/bzip.h"
#include "core/errors.h"
#include "core/system.h"
#include "images/xif3.h"

namespace folivar {

namespace {

// Header field offsets.
constexpr int kTitle = 0, kAuthor = 256, kPublisher = 512, kEdition = 768;
constexpr int kPageWidth = 1024, kViewWidth = 1028, kViewHeight = 1032;
constexpr int kLeftMargin = 1036, kTopMargin = 1040, kRightMargin = 1044, kBottomMargin = 1048;
constexpr int kCoverImage = 1052, kBackgroundImage = 1056, kDigitImageBase = 1060;
constexpr int kReserved1 = 1064;
constexpr int kGlyphBlend = 1072, kGlyphColour = 1073;
constexpr int kPrintEnabled = 1589, kFirstSpreadPage = 1590, kSpineLine = 1594;
constexpr int kSpineColour = 1595, kNoAbout = 1599;

using THeaderBytes = std::array<uint8_t, kHeaderSize>;

int32_t GetInt(const THeaderBytes& b, int at) {
  return static_cast<int32_t>(uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 |
                              uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24);
}

void PutInt(THeaderBytes& b, int at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

// A string[255] field: a length byte and up to 255 bytes of text; the rest of the 256 is zero.
std::string GetShortString(const THeaderBytes& b, int at) {
  return std::string(reinterpret_cast<const char*>(&b[at + 1]), b[at]);
}

void PutShortString(THeaderBytes& b, int at, const std::string& s) {
  const size_t n = std::min<size_t>(s.size(), 255);
  std::memset(&b[at], 0, 256);
  b[at] = static_cast<uint8_t>(n);
  std::memcpy(&b[at + 1], s.data(), n);
}

}  // namespace

std::array<uint8_t, kHeaderSize> TBookHeader::DefaultRaw() {
  THeaderBytes b{};
  PutInt(b, kReserved1, -1);
  return b;
}

TBookHeader DecodeHeader(const THeaderBytes& b) {
  TBookHeader h;
  h.raw = b;
  h.title = GetShortString(b, kTitle);
  h.author = GetShortString(b, kAuthor);
  h.publisher = GetShortString(b, kPublisher);
  h.edition = GetShortString(b, kEdition);
  h.pageWidth = GetInt(b, kPageWidth);
  h.viewWidth = GetInt(b, kViewWidth);
  h.viewHeight = GetInt(b, kViewHeight);
  h.leftMargin = GetInt(b, kLeftMargin);
  h.topMargin = GetInt(b, kTopMargin);
  h.rightMargin = GetInt(b, kRightMargin);
  h.bottomMargin = GetInt(b, kBottomMargin);
  h.coverImage = GetInt(b, kCoverImage);
  h.backgroundImage = GetInt(b, kBackgroundImage);
  h.digitImageBase = GetInt(b, kDigitImageBase);
  h.glyphBlend = b[kGlyphBlend];
  h.glyphColour = uint32_t{b[kGlyphColour]} | uint32_t{b[kGlyphColour + 1]} << 8 |
                  uint32_t{b[kGlyphColour + 2]} << 16;
  h.printEnabled = b[kPrintEnabled];
  h.firstSpreadPage = GetInt(b, kFirstSpreadPage);
  h.spineLine = b[kSpineLine];
  h.spineColour = GetInt(b, kSpineColour);
  h.noAbout = GetInt(b, kNoAbout);
  return h;
}

THeaderBytes EncodeHeader(const TBookHeader& h) {
  THeaderBytes b = h.raw;
  PutShortString(b, kTitle, h.title);
  PutShortString(b, kAuthor, h.author);
  PutShortString(b, kPublisher, h.publisher);
  PutShortString(b, kEdition, h.edition);
  PutInt(b, kPageWidth, h.pageWidth);
  PutInt(b, kViewWidth, h.viewWidth);
  PutInt(b, kViewHeight, h.viewHeight);
  PutInt(b, kLeftMargin, h.leftMargin);
  PutInt(b, kTopMargin, h.topMargin);
  PutInt(b, kRightMargin, h.rightMargin);
  PutInt(b, kBottomMargin, h.bottomMargin);
  PutInt(b, kCoverImage, h.coverImage);
  PutInt(b, kBackgroundImage, h.backgroundImage);
  PutInt(b, kDigitImageBase, h.digitImageBase);
  b[kGlyphBlend] = h.glyphBlend;
  for (int i = 0; i < 3; ++i) b[kGlyphColour + i] = static_cast<uint8_t>(h.glyphColour >> (8 * i));
  b[kPrintEnabled] = h.printEnabled;
  PutInt(b, kFirstSpreadPage, h.firstSpreadPage);
  b[kSpineLine] = h.spineLine;
  PutInt(b, kSpineColour, h.spineColour);
  PutInt(b, kNoAbout, h.noAbout);
  return b;
}

std::unique_ptr<TFile> OpenBookImage(const std::string& path) {
  if (!FileExists(path)) {
    throw TIOError(2, "there is no book at " + path);
  }
  return TDiskFile::OpenRead(path);
}

TBookHeader ReadHeader(TCheckedReader& source) {
  const int32_t at = source.Position();
  const std::string bytes = source.Bytes(kHeaderSize, "the header");
  THeaderBytes b{};
  std::memcpy(b.data(), bytes.data(), kHeaderSize);
  const TBookHeader header = DecodeHeader(b);
  // The view is allocated and the page laid out from these: a view of no pixels or of millions,
  // or margins whose sums overflow, cannot be a book's page.
  const struct {
    int offset;
    const char* name;
    int32_t value, low;
  } sizes[] = {
      {kPageWidth, "the page width", header.pageWidth, 1},
      {kViewWidth, "the view width", header.viewWidth, 1},
      {kViewHeight, "the view height", header.viewHeight, 1},
      {kLeftMargin, "the left margin", header.leftMargin, -kMaxPageSize},
      {kTopMargin, "the top margin", header.topMargin, -kMaxPageSize},
      {kRightMargin, "the right margin", header.rightMargin, -kMaxPageSize},
      {kBottomMargin, "the bottom margin", header.bottomMargin, -kMaxPageSize},
  };
  for (const auto& size : sizes) {
    if (size.value < size.low || size.value > kMaxPageSize) {
      source.Fail(at + size.offset, size.name,
                  "is " + IntToText(size.value) + ", outside " + IntToText(size.low) + " to " +
                      IntToText(kMaxPageSize) + ",");
    }
  }
  return header;
}

void CheckPixels(TCheckedReader& source, int32_t at, const std::string& what, int32_t value) {
  if (value < -kMaxPageSize || value > kMaxPageSize) {
    source.Fail(at, what, "is " + IntToText(value) + ", beyond " + IntToText(kMaxPageSize) +
                              " pixels either way,");
  }
}

int32_t ReadPixels(TCheckedReader& source, const std::string& what) {
  const int32_t at = source.Position();
  const int32_t value = source.Int(what);
  CheckPixels(source, at, what, value);
  return value;
}

ttable ReadProperties(TCheckedReader& source) {
  std::string bytes = source.Str("the property table");
  ttable table;
  ReadTable(bytes, table);
  return table;
}

void UnpackLocale(const std::string& value, TStringList& keys, TStringList& texts) {
  keys.clear();
  texts.clear();
  if (value.empty()) return;
  const size_t start = RoundUp256(value.size());
  std::vector<uint8_t> out;
  if (Bunzip(value.data(), value.size(), {start, start, kMaxPackedBlock}, out) !=
      TBunzipStatus::Ok) {
    return;
  }
  std::string bytes(out.begin(), out.end());
  ReadStrings(bytes, keys);
  ReadStrings(bytes, texts);
  if (keys.size() != texts.size()) {
    keys.clear();
    texts.clear();
  }
}

TPictureEntryInfo SkipPictureEntry(TCheckedReader& source) {
  TPictureEntryInfo info;
  info.offset = source.Position();
  info.ascent = ReadPixels(source, "the ascent of a picture");
  source.Byte("the reserved byte of a picture");
  const TXifFraming framing = ReadXifFraming(source);
  info.wavelet = framing.wavelet;
  if (!info.wavelet) {
    info.width = static_cast<uint32_t>(source.Int("the width of a picture"));
    info.height = static_cast<uint32_t>(source.Int("the height of a picture"));
  }
  source.Skip(framing.length, info.wavelet ? "a wavelet picture" : "the packed pixels of a picture");
  info.size = source.Position() - info.offset;
  return info;
}

void ReadPackedBlock(TCheckedReader& source, TMemFile& scratch, const std::string& what) {
  const int32_t at = source.Position();
  const int32_t length = source.Int("the length of " + what);
  if (length < 0) source.Fail(at, "the length of " + what, "is negative (" + IntToText(length) + ")");
  const std::string packed = source.Bytes(length, what);
  const size_t c = static_cast<size_t>(length);
  std::vector<uint8_t> out;
  const TBunzipStatus status = Bunzip(packed.data(), c, {10 * c, RoundUp256(c), kMaxPackedBlock}, out);
  if (status != TBunzipStatus::Ok) source.Fail(at, what, BunzipReason(status));
  scratch.Assign(std::move(out));
}

void ReadPackedBlock(TFile& source, TMemFile& scratch, const std::string& what) {
  TCheckedReader reader(source);
  ReadPackedBlock(reader, scratch, what);
}

std::vector<TAnchor> ReadAnchors(TMemFile& block, const std::string& where) {
  TCheckedReader r(block, where);
  // Each anchor is at least its name length and its page.
  const int32_t count = r.Count("the anchor count", 8);
  std::vector<TAnchor> anchors(static_cast<size_t>(count));
  for (TAnchor& a : anchors) {
    a.name = r.Str("an anchor name", /*negativeIsEmpty=*/true);
    a.page = r.Int("the page of an anchor");
  }
  return anchors;
}

std::vector<int32_t> ReadPageIndex(TCheckedReader& source) {
  const int32_t at = source.Position();
  const int32_t count = source.Count("the page count", 4);
  if (count < 1) source.Fail(at, "the page count", "is 0, but a book needs at least its substitute page,");
  std::vector<int32_t> offsets(static_cast<size_t>(count));
  for (int32_t& offset : offsets) {
    const int32_t entryAt = source.Position();
    offset = source.Int("a page offset");
    // A page block is at least its byte and its length.
    if (offset < 0 || int64_t{offset} + 5 > source.Size()) {
      source.Fail(entryAt, "the page offset " + IntToText(offset), "lies outside the image");
    }
  }
  return offsets;
}

int32_t SkipPageBlock(TCheckedReader& source, int32_t offset) {
  source.Seek(offset, "a page block");
  source.Byte("the first byte of a page block");
  const int32_t length = source.Int("the length of a page block");
  source.Skip(length, "a page block");
  return source.Position();
}

void ReadPageBlock(TFile& source, int32_t offset, TMemFile& scratch) {
  UnpackPageBlock(ReadPageBlockBytes(source, offset), offset, scratch);
}

std::string ReadPageBlockBytes(TFile& source, int32_t offset) {
  TCheckedReader r(source);
  r.Seek(offset, "a page block");
  r.Byte("the first byte of a page block");
  return r.Str("a page block");
}

void UnpackPageBlock(std::string block, int32_t offset, TMemFile& scratch) {
  // The packed block must lie within the page block's own length.
  TStrFile file(std::move(block));
  TCheckedReader inner(file, "the page block at byte " + IntToText(offset));
  ReadPackedBlock(inner, scratch, "the packed page");
}

TBookImage WalkBookImage(TFile& source) {
  TBookImage book;
  TCheckedReader r(source);
  r.Seek(0, "the header");
  book.header = ReadHeader(r);
  book.properties = ReadProperties(r);
  UnpackLocale(GetValue(book.properties, "locale"), book.messageKeys, book.messageTexts);

  // Each picture entry holds at least its ascent, its reserved byte and its record length.
  const int32_t pictureCount = r.Count("the picture count", 9);
  book.pictures.reserve(static_cast<size_t>(pictureCount));
  for (int32_t i = 0; i < pictureCount; ++i) book.pictures.push_back(SkipPictureEntry(r));

  TMemFile scratch;
  const std::string anchorWhere = "the anchor block at byte " + IntToText(r.Position());
  ReadPackedBlock(r, scratch, "the anchor block");
  book.anchors = ReadAnchors(scratch, anchorWhere);

  book.pageOffsets = ReadPageIndex(r);
  book.styleBlockOffset = SkipPageBlock(r, book.pageOffsets.back());
  ReadPackedBlock(r, scratch, "the style block");
  book.styleBlock = scratch.Bytes();
  TCheckedReader styles(scratch, "the style block at byte " + IntToText(book.styleBlockOffset));
  styles.Count("the style count", 1);
  return book;
}

}  // namespace folivar
