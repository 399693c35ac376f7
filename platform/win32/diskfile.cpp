// TDiskFile over the Win32 file calls. Errors carry GetLastError's code.
#include <windows.h>

#include <string>

#include "core/errors.h"
#include "core/myclasses.h"

namespace folivar {

struct TDiskFile::THandle {
  HANDLE file = INVALID_HANDLE_VALUE;
};

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& name) {
  const DWORD code = GetLastError();
  throw TIOError(static_cast<int>(code),
                 what + " " + name + ": Windows error " + std::to_string(code));
}

HANDLE OpenOrFail(const std::string& name, DWORD access, DWORD disposition) {
  HANDLE h = CreateFileA(name.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("cannot open", name);
  return h;
}

}  // namespace

TDiskFile::TDiskFile(std::string name, std::unique_ptr<THandle> handle)
    : name_(std::move(name)), handle_(std::move(handle)) {}

TDiskFile::~TDiskFile() {
  if (handle_ && handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
}

std::unique_ptr<TDiskFile> TDiskFile::Create(const std::string& name) {
  auto h = std::make_unique<THandle>();
  h->file = OpenOrFail(name, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  return std::unique_ptr<TDiskFile>(new TDiskFile(name, std::move(h)));
}

std::unique_ptr<TDiskFile> TDiskFile::Open(const std::string& name) {
  HANDLE probe = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return Create(name);
  CloseHandle(probe);
  auto h = std::make_unique<THandle>();
  h->file = OpenOrFail(name, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  return std::unique_ptr<TDiskFile>(new TDiskFile(name, std::move(h)));
}

std::unique_ptr<TDiskFile> TDiskFile::OpenRead(const std::string& name) {
  auto h = std::make_unique<THandle>();
  h->file = OpenOrFail(name, GENERIC_READ, OPEN_EXISTING);
  return std::unique_ptr<TDiskFile>(new TDiskFile(name, std::move(h)));
}

int32_t TDiskFile::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_->file, &size)) Fail("cannot get the size of", name_);
  if (size.QuadPart > INT32_MAX) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    Fail("too large:", name_);
  }
  return static_cast<int32_t>(size.QuadPart);
}

void TDiskFile::SetSize(int32_t n) {
  const int32_t size = Size();
  if (n >= size) {
    if (n == size) TFile::SetSize(n);
    return;
  }
  if (n < 0) n = 0;
  Seek(n);
  if (!SetEndOfFile(handle_->file)) Fail("cannot truncate", name_);
  TFile::SetSize(n);
}

int32_t TDiskFile::Position() {
  LARGE_INTEGER zero{}, at{};
  if (!SetFilePointerEx(handle_->file, zero, &at, FILE_CURRENT)) {
    Fail("cannot get the position in", name_);
  }
  return at.QuadPart > INT32_MAX ? INT32_MAX : static_cast<int32_t>(at.QuadPart);
}

void TDiskFile::Seek(int32_t p) {
  LARGE_INTEGER to{};
  to.QuadPart = p;
  if (!SetFilePointerEx(handle_->file, to, nullptr, FILE_BEGIN)) Fail("cannot seek in", name_);
}

void TDiskFile::Write(const void* buffer, int32_t n) {
  if (n <= 0) return;
  DWORD done = 0;
  if (!WriteFile(handle_->file, buffer, static_cast<DWORD>(n), &done, nullptr)) {
    Fail("cannot write", name_);
  }
  if (done != static_cast<DWORD>(n)) {
    SetLastError(ERROR_WRITE_FAULT);
    Fail("cannot write", name_);
  }
}

int32_t TDiskFile::Read(void* buffer, int32_t n) {
  if (n <= 0) return 0;
  DWORD done = 0;
  if (!ReadFile(handle_->file, buffer, static_cast<DWORD>(n), &done, nullptr)) {
    Fail("cannot read", name_);
  }
  return static_cast<int32_t>(done);
}

}  // namespace folivar
