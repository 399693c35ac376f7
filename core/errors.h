// The two kinds of failure that travel out of the core: an operating-system I/O error of a disk
// stream, and a book image that is not what it claims to be. Internal invariants are asserts;
// problems of the input are always one of these.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace folivar {

// An I/O error of a disk-file stream, carrying the operating system's error code (errno natively,
// GetLastError on Windows).
class TIOError : public std::runtime_error {
 public:
  TIOError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// A book image whose bytes do not form what the reader expects. The message says what is wrong
// and at which byte offset of the image (or of the unpacked block named in it).
class TBookDamaged : public std::runtime_error {
 public:
  explicit TBookDamaged(const std::string& reason) : std::runtime_error(reason) {}
};

}  // namespace folivar
