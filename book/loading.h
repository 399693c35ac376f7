// The book image: where the reader finds it, its fixed header, the property table with the
// message texts, the framing of the packed blocks, and the order of its parts:
//
//   header (1603 bytes) | property table | picture entries | anchor block | page index |
//   page blocks (the last one is the substitute page) | style block | zero padding to 4096
//
// A book may come from anyone (a "book.bin" beside the reader), so every count, length and offset
// is checked against the bytes that are really there; a failure is a TBookDamaged that says what
// is wrong and at which byte.
#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/checkedread.h"
#include "core/myclasses.h"
#include "core/ttable.h"
#include "display/anchorz.h"

namespace folivar {

constexpr int32_t kHeaderSize = 1603;
// The most pixels a page, the view or a margin may measure (either way for a margin).
constexpr int32_t kMaxPageSize = 16384;
// The most that one packed block (page, anchors, styles) or the message texts may unpack to.
constexpr size_t kMaxPackedBlock = size_t{64} << 20;

struct TBookHeader {
  std::string title, author, publisher, edition;  // code page 1251, at most 255 bytes each
  int32_t pageWidth = 388;
  int32_t viewWidth = 776;
  int32_t viewHeight = 575;
  int32_t leftMargin = 30;
  int32_t topMargin = 30;
  int32_t rightMargin = 30;
  int32_t bottomMargin = 45;
  int32_t coverImage = -1;
  int32_t backgroundImage = -1;
  int32_t digitImageBase = -1;
  uint8_t glyphBlend = 0;
  uint32_t glyphColour = 0;  // pixel value 0x00RRGGBB
  uint8_t printEnabled = 0;
  int32_t firstSpreadPage = 1;
  uint8_t spineLine = 0;
  int32_t spineColour = 0;  // pixel value 0x00RRGGBB
  int32_t noAbout = 0;

  // The header as stored, byte for byte; the reserved bytes are kept from here when the header is
  // written again.
  std::array<uint8_t, kHeaderSize> raw = DefaultRaw();

  static std::array<uint8_t, kHeaderSize> DefaultRaw();
};

TBookHeader DecodeHeader(const std::array<uint8_t, kHeaderSize>& bytes);
std::array<uint8_t, kHeaderSize> EncodeHeader(const TBookHeader& header);

// Where one picture entry lies and how its XIF record is framed; the record itself is read by the
// picture list.
struct TPictureEntryInfo {
  int32_t offset = 0;    // of the entry in the image
  int32_t size = 0;      // of the whole entry, in bytes
  int32_t ascent = 0;
  bool wavelet = false;  // an "XWL" record, decoded when read; otherwise packed pixels
  uint32_t width = 0, height = 0;  // of a packed record (a wavelet record carries its own)
};

// --- finding the image

// Opens the book image at path for reading. A missing file is an error, never an empty book.
std::unique_ptr<TFile> OpenBookImage(const std::string& path);
#ifdef _WIN32
// The "FOLIVAR" RCDATA resource of the running program (used in place, never copied), else
// "book.bin" beside the program, else "c:\save\book.bin". Raises TIOError when there is none.
std::unique_ptr<TFile> OpenBookImage();
#endif

// --- the parts of the image, in the order they are read

// The header; a page or view size outside 1 to kMaxPageSize or a margin beyond it is damage.
TBookHeader ReadHeader(TCheckedReader& source);
// An int32 measure in pixels (a line's, a picture's ascent); one beyond kMaxPageSize either way
// is damage, so that the sums of page drawing stay far from overflowing.
int32_t ReadPixels(TCheckedReader& source, const std::string& what);
// Fails unless value is such a measure; at is where it was read.
void CheckPixels(TCheckedReader& source, int32_t at, const std::string& what, int32_t value);
// The property table: one length-prefixed string holding a serialised ttable.
ttable ReadProperties(TCheckedReader& source);
// The message texts of the "locale" property: one bzip2 stream that holds two string lists, the
// keys and the texts. Anything missing, damaged or uneven gives empty lists.
void UnpackLocale(const std::string& value, TStringList& keys, TStringList& texts);
// The framing of the picture entry at the reader's position; leaves the reader behind the entry.
TPictureEntryInfo SkipPictureEntry(TCheckedReader& source);
// Reads one packed block (int32 length C, then a C-byte bzip2 stream) at the position of source
// and puts the unpacked bytes into scratch, positioned at 0. `what` names the block in messages.
void ReadPackedBlock(TCheckedReader& source, TMemFile& scratch, const std::string& what);
void ReadPackedBlock(TFile& source, TMemFile& scratch, const std::string& what);
// The anchors of an unpacked anchor block.
std::vector<TAnchor> ReadAnchors(TMemFile& block, const std::string& where);
// The page index: int32 N >= 1, then N offsets, each of which must point at a page block inside
// the image.
std::vector<int32_t> ReadPageIndex(TCheckedReader& source);
// Moves over the page block at offset (one byte, int32 length L, L bytes) and returns the offset
// of what follows it.
int32_t SkipPageBlock(TCheckedReader& source, int32_t offset);
// Unpacks the page block at offset into scratch: its page record.
void ReadPageBlock(TFile& source, int32_t offset, TMemFile& scratch);
// The two halves of ReadPageBlock, so that pages can be unpacked away from the source: the packed
// bytes of the page block at offset, and their unpacking into scratch.
std::string ReadPageBlockBytes(TFile& source, int32_t offset);
void UnpackPageBlock(std::string block, int32_t offset, TMemFile& scratch);

// --- loading a book

class TBook;

// Fills book from the image in source, strictly in the order of the image: header, properties,
// message texts, then callback (if any), pictures, anchors, page index, styles and the
// substitute page. Pages are decoded later, when shown. The load either fills the book and the
// program-wide tables completely or raises (TBookDamaged, TIOError) and leaves them all empty.
void LoadBook(TBook& book, std::unique_ptr<TFile> source, const std::function<void()>& callback = {});

// --- the whole walk

// Everything the container holds, checked from the header to the style block. The pages and the
// records inside the blocks are left to their own readers.
struct TBookImage {
  TBookHeader header;
  ttable properties;
  TStringList messageKeys, messageTexts;
  std::vector<TPictureEntryInfo> pictures;
  std::vector<TAnchor> anchors;
  std::vector<int32_t> pageOffsets;  // all N entries; the last is the substitute page
  int32_t styleBlockOffset = 0;
  std::vector<uint8_t> styleBlock;   // unpacked: int32 count, then the style records
};

TBookImage WalkBookImage(TFile& source);

}  // namespace folivar
