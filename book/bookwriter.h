// The book writer: the inverse of the loader. It lays out a complete book image from a header,
// properties, message texts, picture records, anchors, page records and style records, each
// passed in as the bytes of its own format, and compresses what the image stores compressed.
// Every test book and every tool that makes books goes through it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "book/loading.h"
#include "core/ttable.h"

namespace folivar {

// One line of a page record, with its items as (code, style) pairs.
struct TLineRecord {
  int32_t width = 0, height = 0, ascent = 0, descent = 0;
  int32_t leftIndent = 0, rightIndent = 0;
  uint8_t alignment = 0;  // 0 justify, 1 left, 2 centre, 3 right
  std::vector<std::pair<uint16_t, uint16_t>> items;
};

// The bytes of a page record: background picture (-1 = the book's), then the lines.
std::string EncodePageRecord(int16_t background, const std::vector<TLineRecord>& lines);

// One style record; the name sum is computed from the face name.
struct TStyleRecord {
  uint8_t kind = 0;  // 0 none, 1 character, 2 image, 3 justify, 4 glyph picture
  std::string faceName;
  uint8_t flags = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
  int32_t size = 0;   // points
  int32_t colour = 0; // COLORREF 0x00BBGGRR
  std::string link;
};
std::string EncodeStyleRecord(const TStyleRecord& style);

// An XIF record of packed pixels (raw bzip2 or "XBM" data) for a width x height picture.
std::string PackedPictureRecord(uint32_t width, uint32_t height, std::string_view packed);
// An XIF record that holds an "XWL" stream.
std::string WaveletPictureRecord(std::string_view stream);

// A packed block: int32 length, then the bzip2 stream of content.
std::string PackBlock(std::string_view content);

class TBookWriter {
 public:
  TBookHeader header;

  void SetProperty(std::string_view name, std::string_view value);
  // Stores the message texts as the compressed "locale" property.
  void SetMessages(const TStringList& keys, const TStringList& texts);
  // Appends a picture entry; returns its image number.
  int32_t AddPicture(int32_t ascent, std::string_view xifRecord, uint8_t reserved = 0);
  void AddAnchor(std::string_view name, int32_t page);
  // Appends a page; returns its index.
  int32_t AddPage(std::string_view pageRecord);
  // The page shown in place of one that cannot be read; an empty page unless set.
  void SetSubstitutePage(std::string_view pageRecord);
  // Appends a style record; returns its index in the reader's style table. The style block
  // always begins with the five built-in styles, so the first added style is number 5. A record
  // equal to one already there (as the loader compares styles) is not stored again: its index
  // is returned.
  int32_t AddStyle(std::string_view styleRecord);

  int32_t PageCount() const { return static_cast<int32_t>(pages_.size()); }

  // The whole image, padded with zero bytes to a multiple of 4096.
  std::string Build() const;

 private:
  ttable properties_;
  std::vector<std::string> pictures_;
  std::vector<TAnchor> anchors_;
  std::vector<std::string> pages_;
  std::string substitute_ = EncodePageRecord(-1, {});
  std::vector<std::string> styles_ = BuiltInStyleRecords();

  static std::vector<std::string> BuiltInStyleRecords();
};

}  // namespace folivar
