// The operating-system services of the core, on Windows.
#include <windows.h>

#include "core/system.h"

namespace folivar {

bool FileExists(const std::string& name) {
  // A file counts when it can be opened for reading, as a book is opened: one that is there but
  // locked or forbidden to this user does not, so that the search for a book goes on past it. A
  // folder cannot be opened this way (that needs the backup flag).
  // The sharing is that of TDiskFile::OpenRead, so that what passes here opens there.
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

std::string ProgramDir() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  const size_t backslash = s.rfind('\\');
  return backslash == std::string::npos ? std::string() : s.substr(0, backslash);
}

uint64_t Ticks() { return GetTickCount64(); }

}  // namespace folivar
