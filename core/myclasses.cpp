#include "core/myclasses.h"

#include <algorithm>
#include <cstring>

namespace folivar {

namespace {

// How many of n bytes at position lie inside data of the given size (0 when the position is
// outside it). Works in 64 bits so that position + n cannot overflow.
int32_t Available(int32_t position, int32_t n, int32_t size) {
  if (n <= 0 || position < 0 || size <= 0 || position >= size) return 0;
  return static_cast<int32_t>(std::min<int64_t>(n, int64_t{size} - position));
}

// Copies what there is of n bytes at position out of data and advances the position by that much.
int32_t ReadFrom(const uint8_t* data, int32_t size, int32_t& position, void* buffer, int32_t n) {
  const int32_t have = Available(position, n, size);
  if (have > 0) {
    std::memcpy(buffer, data + position, static_cast<size_t>(have));
    position += have;
  }
  return have;
}

// The end of a write of n bytes at position into a growable buffer, or -1 when nothing is to be
// written (n <= 0, a negative position, or an end beyond 32 bits).
int64_t WriteEnd(int32_t position, int32_t n) {
  if (n <= 0 || position < 0) return -1;
  const int64_t end = int64_t{position} + n;
  return end > INT32_MAX ? -1 : end;
}

}  // namespace

void TFile::SetSize(int32_t) {
  if (Position() > Size()) Seek(Size());
}

void TFile::Seek(int32_t) {}

void TFile::Write(const void*, int32_t) {}

int32_t TFile::Read(void*, int32_t) { return 0; }

int32_t TFile::ReadInt() {
  uint8_t b[4] = {0, 0, 0, 0};
  Read(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                              uint32_t{b[3]} << 24);
}

std::string TFile::ReadStr() {
  const int32_t n = ReadInt();
  if (n <= 0) return {};
  const int32_t have = Available(Position(), n, Size());
  std::string s(static_cast<size_t>(have), '\0');
  if (have > 0) s.resize(static_cast<size_t>(Read(s.data(), have)));
  return s;
}

// --- TMemFile

int32_t TMemFile::Size() { return static_cast<int32_t>(buffer_.size()); }

void TMemFile::SetSize(int32_t n) {
  buffer_.resize(static_cast<size_t>(std::max(n, 0)));
  buffer_.shrink_to_fit();
  TFile::SetSize(n);
}

void TMemFile::Write(const void* buffer, int32_t n) {
  const int64_t end = WriteEnd(position_, n);
  if (end < 0) return;
  if (end > Size()) buffer_.resize(static_cast<size_t>(end));
  std::memcpy(buffer_.data() + position_, buffer, static_cast<size_t>(n));
  position_ = static_cast<int32_t>(end);
}

int32_t TMemFile::Read(void* buffer, int32_t n) {
  return ReadFrom(buffer_.data(), Size(), position_, buffer, n);
}

void TMemFile::Assign(std::vector<uint8_t> bytes) {
  buffer_ = std::move(bytes);
  position_ = 0;
}

// --- TPtrFile

TPtrFile::TPtrFile(void* block, int32_t size)
    : block_(static_cast<uint8_t*>(block)), size_(size == 0 ? -1 : size) {}

// The block cannot grow: only the bytes that fall inside its known size are written.
void TPtrFile::Write(const void* buffer, int32_t n) {
  const int32_t room = Available(position_, n, size_);
  if (room > 0) {
    std::memcpy(block_ + position_, buffer, static_cast<size_t>(room));
    position_ += room;
  }
}

int32_t TPtrFile::Read(void* buffer, int32_t n) {
  return ReadFrom(block_, size_, position_, buffer, n);
}

// --- TStrFile

void TStrFile::SetSize(int32_t n) { text_.resize(static_cast<size_t>(std::max(n, 0))); }

void TStrFile::Write(const void* buffer, int32_t n) {
  const int64_t end = WriteEnd(position_, n);
  if (end < 0) return;
  if (end > Size()) text_.resize(static_cast<size_t>(end));
  std::memcpy(text_.data() + position_, buffer, static_cast<size_t>(n));
  position_ = static_cast<int32_t>(end);
}

int32_t TStrFile::Read(void* buffer, int32_t n) {
  return ReadFrom(reinterpret_cast<const uint8_t*>(text_.data()), Size(), position_, buffer, n);
}

}  // namespace folivar
