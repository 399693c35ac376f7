// TDiskFile over POSIX file descriptors.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/errors.h"
#include "core/myclasses.h"

namespace folivar {

struct TDiskFile::THandle {
  int fd = -1;
};

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& name) {
  const int code = errno;
  throw TIOError(code, what + " " + name + ": " + std::strerror(code));
}

int OpenOrFail(const std::string& name, int flags) {
  const int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot open", name);
  return fd;
}

}  // namespace

TDiskFile::TDiskFile(std::string name, std::unique_ptr<THandle> handle)
    : name_(std::move(name)), handle_(std::move(handle)) {}

TDiskFile::~TDiskFile() {
  // A destructor cannot raise; the file was only read or fully written by Write.
  if (handle_ && handle_->fd >= 0) ::close(handle_->fd);
}

std::unique_ptr<TDiskFile> TDiskFile::Create(const std::string& name) {
  auto h = std::make_unique<THandle>();
  h->fd = OpenOrFail(name, O_RDWR | O_CREAT | O_TRUNC);
  return std::unique_ptr<TDiskFile>(new TDiskFile(name, std::move(h)));
}

std::unique_ptr<TDiskFile> TDiskFile::Open(const std::string& name) {
  const int probe = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (probe < 0) return Create(name);
  ::close(probe);
  auto h = std::make_unique<THandle>();
  h->fd = OpenOrFail(name, O_RDWR);
  return std::unique_ptr<TDiskFile>(new TDiskFile(name, std::move(h)));
}

std::unique_ptr<TDiskFile> TDiskFile::OpenRead(const std::string& name) {
  auto h = std::make_unique<THandle>();
  h->fd = OpenOrFail(name, O_RDONLY);
  struct stat st {};
  if (::fstat(h->fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(h->fd);
    errno = EISDIR;
    Fail("cannot open", name);
  }
  return std::unique_ptr<TDiskFile>(new TDiskFile(name, std::move(h)));
}

int32_t TDiskFile::Size() {
  struct stat st {};
  if (::fstat(handle_->fd, &st) != 0) Fail("cannot get the size of", name_);
  if (st.st_size > INT32_MAX) {
    errno = EFBIG;
    Fail("too large:", name_);
  }
  return static_cast<int32_t>(st.st_size);
}

void TDiskFile::SetSize(int32_t n) {
  const int32_t size = Size();
  if (n >= size) {
    if (n == size) TFile::SetSize(n);
    return;
  }
  if (n < 0) n = 0;
  Seek(n);
  if (::ftruncate(handle_->fd, n) != 0) Fail("cannot truncate", name_);
  TFile::SetSize(n);
}

int32_t TDiskFile::Position() {
  const off_t p = ::lseek(handle_->fd, 0, SEEK_CUR);
  if (p < 0) Fail("cannot get the position in", name_);
  return static_cast<int32_t>(std::min<off_t>(p, INT32_MAX));
}

void TDiskFile::Seek(int32_t p) {
  if (::lseek(handle_->fd, p, SEEK_SET) < 0) Fail("cannot seek in", name_);
}

void TDiskFile::Write(const void* buffer, int32_t n) {
  auto* at = static_cast<const char*>(buffer);
  while (n > 0) {
    const ssize_t done = ::write(handle_->fd, at, static_cast<size_t>(n));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      if (done == 0) errno = EIO;
      Fail("cannot write", name_);
    }
    at += done;
    n -= static_cast<int32_t>(done);
  }
}

int32_t TDiskFile::Read(void* buffer, int32_t n) {
  auto* at = static_cast<char*>(buffer);
  int32_t total = 0;
  while (total < n) {
    const ssize_t done = ::read(handle_->fd, at + total, static_cast<size_t>(n - total));
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) Fail("cannot read", name_);
    if (done == 0) break;
    total += static_cast<int32_t>(done);
  }
  return total;
}

}  // namespace folivar
