#include "core/checkedread.h"

#include "core/strutil.h"

namespace folivar {

TCheckedReader::TCheckedReader(TFile& file, std::string where)
    : file_(file), where_(std::move(where)), size_(file.Size()) {
  if (size_ < 0) size_ = 0;  // a block of unknown size holds nothing we may read
}

int32_t TCheckedReader::Remaining() {
  const int32_t p = Position();
  return p < 0 || p > size_ ? 0 : size_ - p;
}

void TCheckedReader::Fail(int32_t at, std::string_view what, std::string_view reason) const {
  std::string message(what);
  message += ' ';
  message += reason;
  message += " at byte " + IntToText(at);
  if (!where_.empty()) message += " of " + where_;
  throw TBookDamaged(message);
}

void TCheckedReader::Need(int32_t n, std::string_view what) {
  const int32_t left = Remaining();
  if (n > left) {
    Fail(Position(), what,
         "needs " + IntToText(n) + " bytes but only " + IntToText(left) + " are left");
  }
}

void TCheckedReader::Seek(int32_t p, std::string_view what) {
  if (p < 0 || p > size_) {
    Fail(Position(), what, "points to byte " + IntToText(p) + ", outside the " +
                               IntToText(size_) + " bytes there are,");
  }
  file_.Seek(p);
}

void TCheckedReader::Skip(int32_t n, std::string_view what) {
  if (n < 0) Fail(Position(), what, "has a negative length " + IntToText(n));
  Need(n, what);
  file_.Seek(Position() + n);
}

uint8_t TCheckedReader::Byte(std::string_view what) {
  Need(1, what);
  uint8_t b = 0;
  file_.Read(&b, 1);
  return b;
}

uint16_t TCheckedReader::Word(std::string_view what) {
  Need(2, what);
  uint8_t b[2] = {0, 0};
  file_.Read(b, 2);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

int32_t TCheckedReader::Int(std::string_view what) {
  Need(4, what);
  return file_.ReadInt();
}

std::string TCheckedReader::Bytes(int32_t n, std::string_view what) {
  if (n < 0) Fail(Position(), what, "has a negative length " + IntToText(n));
  Need(n, what);
  std::string s(static_cast<size_t>(n), '\0');
  if (n > 0 && file_.Read(s.data(), n) != n) Fail(Position(), what, "cannot be read");
  return s;
}

void TCheckedReader::Read(void* into, int32_t n, std::string_view what) {
  if (n < 0) Fail(Position(), what, "has a negative length " + IntToText(n));
  Need(n, what);
  if (n > 0 && file_.Read(into, n) != n) Fail(Position(), what, "cannot be read");
}

std::string TCheckedReader::Str(std::string_view what, bool negativeIsEmpty) {
  const int32_t at = Position();
  const int32_t n = Int(what);
  if (n < 0) {
    if (negativeIsEmpty) return {};
    Fail(at, what, "has a negative length " + IntToText(n));
  }
  return Bytes(n, what);
}

int32_t TCheckedReader::Count(std::string_view what, int32_t minRecordSize) {
  const int32_t at = Position();
  const int32_t n = Int(what);
  if (n < 0) Fail(at, what, "is negative (" + IntToText(n) + ")");
  const int64_t need = int64_t{n} * (minRecordSize > 0 ? minRecordSize : 0);
  if (need > Remaining()) {
    Fail(at, what, "of " + IntToText(n) + " is more than the " + IntToText(Remaining()) +
                       " bytes that follow could hold");
  }
  return n;
}

}  // namespace folivar
