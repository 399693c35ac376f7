#include "tests/support/testsupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdio>
#endif

namespace folivar::test {

std::string TempDir() {
  static const std::string dir = [] {
    namespace fs = std::filesystem;
    std::random_device random;
    const fs::path path =
        fs::temp_directory_path() / ("folivar-test-" + std::to_string(random()));
    fs::create_directories(path);
    return path.string();
  }();
  return dir;
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
  const std::string path = (std::filesystem::path(TempDir()) / name).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

#ifndef _WIN32
TCommandRun RunCommand(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return {-1, "cannot run " + command};
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}
#endif

}  // namespace folivar::test
