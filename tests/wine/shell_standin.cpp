// Stands in for the program that the shell opens a link with: appends its command line, one line
// per start, to opened.txt in its own folder, and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  std::string marker(path, n);
  const size_t slash = marker.find_last_of("\\/");
  marker = (slash == std::string::npos ? std::string() : marker.substr(0, slash + 1)) + "opened.txt";
  FILE* f = std::fopen(marker.c_str(), "ab");
  if (!f) return 1;
  std::fprintf(f, "%s\n", GetCommandLineA());
  std::fclose(f);
  return 0;
}
