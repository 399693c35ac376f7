// A reader of untrusted binary data over any TFile. Every field is checked against the bytes that
// are really there before it is read; a field that does not fit raises TBookDamaged with a message
// that names the field and its byte offset. Parsers of the book image read through this, never by
// arithmetic of their own on the stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/myclasses.h"

namespace folivar {

class TCheckedReader {
 public:
  // `where` names the data in messages: empty for the book image itself, or for example
  // "the anchor block at byte 5120". The size of the stream is taken once, here.
  TCheckedReader(TFile& file, std::string where = {});

  TFile& File() { return file_; }
  int32_t Size() const { return size_; }
  int32_t Position() { return file_.Position(); }
  int32_t Remaining();

  // Moves to p, which must lie inside the data or at its end.
  void Seek(int32_t p, std::string_view what);
  // Moves forward over n bytes, which must be there.
  void Skip(int32_t n, std::string_view what);

  uint8_t Byte(std::string_view what);
  uint16_t Word(std::string_view what);
  int32_t Int(std::string_view what);
  // Reads n bytes; n must not be negative or more than remain.
  std::string Bytes(int32_t n, std::string_view what);
  void Read(void* into, int32_t n, std::string_view what);
  // An int32 length and that many bytes. A negative length is an error when strict, and an empty
  // string otherwise (the anchor names of the book image use that rule).
  std::string Str(std::string_view what, bool negativeIsEmpty = false);
  // An int32 count of records each at least minRecordSize bytes long: it must not be negative and
  // the records must fit in what remains.
  int32_t Count(std::string_view what, int32_t minRecordSize);

  // Raises TBookDamaged: "<what> <reason> at byte <at>[ of <where>]".
  [[noreturn]] void Fail(int32_t at, std::string_view what, std::string_view reason) const;

 private:
  void Need(int32_t n, std::string_view what);

  TFile& file_;
  std::string where_;
  int32_t size_;
};

}  // namespace folivar
