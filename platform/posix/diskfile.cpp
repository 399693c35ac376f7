// TDiskFile over POSIX file descriptors.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

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

[[noreturn]] void Refuse(const std::string& name, int code, const std::string& reason) {
  throw TIOError(code, "cannot write " + name + ": " + reason);
}

// Writes all n bytes to fd; false with errno set when the system takes fewer.
bool WriteAll(int fd, const char* at, size_t n) {
  while (n > 0) {
    const ssize_t done = ::write(fd, at, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      if (done == 0) errno = ENOSPC;
      return false;
    }
    at += done;
    n -= static_cast<size_t>(done);
  }
  return true;
}

// The file a name stands for: a symbolic link is followed to the file it names, so that the
// rename replaces that file and not the link.
std::string Target(const std::string& name) {
  struct stat st {};
  if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (!resolved) Fail("cannot follow the link", name);
  std::string target(resolved);
  std::free(resolved);
  return target;
}

// A temporary file beside target, created new (never an existing file), and its name.
int CreateTemporary(const std::string& target, const std::string& name, std::string& temporary) {
  for (int attempt = 0;; ++attempt) {
    temporary = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST || attempt == 99) Fail("cannot write", name);
  }
}

}  // namespace

TDiskFile::TDiskFile(std::string name, std::unique_ptr<THandle> handle)
    : name_(std::move(name)), handle_(std::move(handle)) {}

TDiskFile::~TDiskFile() {
  // A destructor cannot raise: a file that was written is closed by Close, which reports.
  if (handle_ && handle_->fd >= 0) ::close(handle_->fd);
}

void TDiskFile::Close() {
  const int fd = handle_->fd;
  if (fd < 0) return;
  handle_->fd = -1;
  // After an interrupted close the descriptor is gone all the same; only a real error counts.
  if (::close(fd) != 0 && errno != EINTR) Fail("cannot write", name_);
}

void CheckOutputFile(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) {
    if (errno == ENOENT) return;  // a new file; a missing folder fails when it is created
    Fail("cannot write", name);
  }
  if (S_ISDIR(st.st_mode)) Refuse(name, EISDIR, "it is a folder");
  if (!S_ISREG(st.st_mode)) Refuse(name, EINVAL, "it is not a regular file");
}

void WriteWholeFile(const std::string& name, std::string_view bytes) {
  CheckOutputFile(name);
  const std::string target = Target(name);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  std::string temporary;
  int fd = CreateTemporary(target, name, temporary);
  const auto fail = [&](const char* what) {
    const int code = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    errno = code;
    Fail(what, name);
  };
  if (!WriteAll(fd, bytes.data(), bytes.size())) fail("cannot write");
  // The replacement keeps the permissions of the file it replaces.
  if (replacing) (void)::fchmod(fd, old.st_mode & 07777);
  // Delayed allocation and network file systems report a full medium only here or at close.
  if (::fsync(fd) != 0 && errno != EINVAL) fail("cannot write");
  const int closing = fd;
  fd = -1;
  if (::close(closing) != 0 && errno != EINTR) fail("cannot write");
  if (::rename(temporary.c_str(), target.c_str()) != 0) fail("cannot replace");
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
