// The operating-system services of the core, on Windows.
#include <windows.h>

#include "core/system.h"

namespace folivar {

bool FileExists(const std::string& name) {
  const DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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
