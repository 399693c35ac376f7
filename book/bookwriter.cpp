#include "book/bookwriter.h"

#include "book/bookstyle.h"

#include <stdexcept>

#include "book/putbytes.h"
#include "core/bzip.h"

namespace folivar {

namespace {

void PutStr(std::string& out, std::string_view s) {
  PutInt(out, static_cast<int32_t>(s.size()));
  out += s;
}

int32_t CheckedSize(size_t n, const char* what) {
  if (n > static_cast<size_t>(INT32_MAX)) throw std::length_error(std::string(what) + " is too large for a book image");
  return static_cast<int32_t>(n);
}

}  // namespace

std::string EncodePageRecord(int16_t background, const std::vector<TLineRecord>& lines) {
  std::string out;
  PutU16(out, static_cast<uint16_t>(background));
  PutInt(out, CheckedSize(lines.size(), "a page"));
  for (const TLineRecord& line : lines) {
    PutInt(out, line.width);
    PutInt(out, line.height);
    PutInt(out, line.ascent);
    PutInt(out, line.descent);
    PutInt(out, line.leftIndent);
    PutInt(out, line.rightIndent);
    out += static_cast<char>(line.alignment);
    PutInt(out, CheckedSize(line.items.size(), "a line"));
    for (const auto& [code, style] : line.items) {
      PutU16(out, code);
      PutU16(out, style);
    }
  }
  return out;
}

std::string EncodeStyleRecord(const TStyleRecord& style) {
  std::string out;
  PutStr(out, style.faceName);
  out += static_cast<char>(style.flags);
  PutInt(out, style.size);
  PutInt(out, style.colour);
  int32_t nameSum = 0;
  for (char c : style.faceName) nameSum += static_cast<uint8_t>(c);
  PutInt(out, nameSum);
  out += static_cast<char>(style.kind);
  PutStr(out, style.link);
  return out;
}

std::vector<std::string> TBookWriter::BuiltInStyleRecords() {
  std::vector<std::string> records;
  for (uint8_t kind : {uint8_t{0}, uint8_t{2}, uint8_t{4}, uint8_t{0}, uint8_t{0}}) {
    records.push_back(EncodeStyleRecord({.kind = kind}));
  }
  return records;
}

std::string PackedPictureRecord(uint32_t width, uint32_t height, std::string_view packed) {
  std::string out;
  PutInt(out, CheckedSize(packed.size(), "a picture"));
  PutInt(out, static_cast<int32_t>(width));
  PutInt(out, static_cast<int32_t>(height));
  out += packed;
  return out;
}

std::string WaveletPictureRecord(std::string_view stream) {
  std::string out;
  PutStr(out, stream);
  return out;
}

std::string PackBlock(std::string_view content) {
  std::string out;
  PutStr(out, Bzip(content));
  return out;
}

void TBookWriter::SetProperty(std::string_view name, std::string_view value) {
  if (properties_.storage.empty()) InitTable(properties_, {"value"});
  SetValue(properties_, name, value);
}

void TBookWriter::SetMessages(const TStringList& keys, const TStringList& texts) {
  if (keys.size() != texts.size()) throw std::invalid_argument("every message key needs one text");
  std::string lists;
  WriteStrings(lists, keys);
  WriteStrings(lists, texts);
  SetProperty("locale", Bzip(lists));
}

int32_t TBookWriter::AddPicture(int32_t ascent, std::string_view xifRecord, uint8_t reserved) {
  std::string entry;
  PutInt(entry, ascent);
  entry += static_cast<char>(reserved);
  entry += xifRecord;
  pictures_.push_back(std::move(entry));
  return static_cast<int32_t>(pictures_.size() - 1);
}

void TBookWriter::AddAnchor(std::string_view name, int32_t page) {
  anchors_.push_back({std::string(name), page});
}

int32_t TBookWriter::AddPage(std::string_view pageRecord) {
  pages_.emplace_back(pageRecord);
  return static_cast<int32_t>(pages_.size() - 1);
}

void TBookWriter::SetSubstitutePage(std::string_view pageRecord) { substitute_ = pageRecord; }

namespace {

TStyle DecodeStyleRecord(std::string_view record) {
  TStrFile file{std::string(record)};
  TCheckedReader reader(file, "a style record");
  TStyle style;
  style.ReadRecord(reader);
  return style;
}

}  // namespace

int32_t TBookWriter::AddStyle(std::string_view styleRecord) {
  // The loader adds a style only when no equal one is in the table yet, so an equal record
  // stands for the earlier one and is not stored again.
  const TStyle added = DecodeStyleRecord(styleRecord);
  for (size_t i = 0; i < styles_.size(); ++i) {
    if (SameStyle(DecodeStyleRecord(styles_[i]), added)) return static_cast<int32_t>(i);
  }
  styles_.emplace_back(styleRecord);
  return static_cast<int32_t>(styles_.size() - 1);
}

std::string TBookWriter::Build() const {
  const auto headerBytes = EncodeHeader(header);
  std::string image(reinterpret_cast<const char*>(headerBytes.data()), headerBytes.size());

  ttable properties = properties_;
  if (properties.storage.empty()) InitTable(properties, {"value"});
  std::string table;
  WriteTable(table, properties);
  PutStr(image, table);

  PutInt(image, CheckedSize(pictures_.size(), "the picture list"));
  for (const std::string& entry : pictures_) image += entry;

  std::string anchors;
  PutInt(anchors, CheckedSize(anchors_.size(), "the anchor list"));
  for (const TAnchor& a : anchors_) {
    PutStr(anchors, a.name);
    PutInt(anchors, a.page);
  }
  image += PackBlock(anchors);

  // The page index, then the page blocks; the substitute page is the last entry.
  std::vector<std::string> blocks;
  blocks.reserve(pages_.size() + 1);
  for (const std::string& record : pages_) blocks.push_back(PackBlock(record));
  blocks.push_back(PackBlock(substitute_));
  PutInt(image, CheckedSize(blocks.size(), "the page list"));
  size_t at = image.size() + 4 * blocks.size();
  for (const std::string& block : blocks) {
    PutInt(image, CheckedSize(at, "the book"));
    at += 5 + block.size();
  }
  for (const std::string& block : blocks) {
    image += '\0';
    PutStr(image, block);
  }

  std::string styles;
  PutInt(styles, CheckedSize(styles_.size(), "the style list"));
  for (const std::string& record : styles_) styles += record;
  image += PackBlock(styles);

  image.resize((image.size() + 4095) / 4096 * 4096, '\0');
  CheckedSize(image.size(), "the book");
  return image;
}

}  // namespace folivar
