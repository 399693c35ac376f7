// TDiskFile over the Win32 file calls. Errors carry GetLastError's code.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

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

[[noreturn]] void Refuse(const std::string& name, DWORD code, const std::string& reason) {
  throw TIOError(static_cast<int>(code), "cannot write " + name + ": " + reason);
}

// The name in UTF-16 as the ANSI file calls read it (the process code page).
std::wstring Wide(const std::string& name) {
  const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), n);
  return wide;
}

// A temporary file beside name, created new (never an existing file), and its name.
HANDLE CreateTemporary(const std::string& name, std::string& temporary) {
  for (int attempt = 0;; ++attempt) {
    temporary = name + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    if (GetLastError() != ERROR_FILE_EXISTS || attempt == 99) Fail("cannot write", name);
  }
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
  // A destructor cannot raise: a file that was written is closed by Close, which reports.
  if (handle_ && handle_->file != INVALID_HANDLE_VALUE) CloseHandle(handle_->file);
}

void TDiskFile::Close() {
  HANDLE file = handle_->file;
  if (file == INVALID_HANDLE_VALUE) return;
  handle_->file = INVALID_HANDLE_VALUE;
  if (!CloseHandle(file)) Fail("cannot write", name_);
}

void CheckOutputFile(const std::string& name) {
  // Opened for no access at all, which any file allows; a folder needs the backup flag to open.
  HANDLE h = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;  // a new file, or one the writing itself will report
  const DWORD type = GetFileType(h);
  BY_HANDLE_FILE_INFORMATION info{};
  const bool folder = GetFileInformationByHandle(h, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(h);
  if (folder) Refuse(name, ERROR_DIRECTORY, "it is a folder");
  if (type != FILE_TYPE_DISK) Refuse(name, ERROR_INVALID_NAME, "it is not a regular file");
}

void WriteWholeFile(const std::string& name, std::string_view bytes) {
  CheckOutputFile(name);
  std::string temporary;
  HANDLE file = CreateTemporary(name, temporary);
  const auto fail = [&](const char* what) {
    const DWORD code = GetLastError();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileA(temporary.c_str());
    SetLastError(code);
    Fail(what, name);
  };
  for (size_t at = 0; at < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, DWORD{1} << 30));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data() + at, chunk, &done, nullptr)) fail("cannot write");
    if (done == 0) {
      SetLastError(ERROR_DISK_FULL);
      fail("cannot write");
    }
    at += done;
  }
  if (!FlushFileBuffers(file)) fail("cannot write");
  HANDLE closing = file;
  file = INVALID_HANDLE_VALUE;
  if (!CloseHandle(closing)) fail("cannot write");
  if (!MoveFileExW(Wide(temporary).c_str(), Wide(name).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    fail("cannot replace");
  }
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
