// Helpers shared by the tests: a private temporary folder per test executable.
#pragma once

#include <string>

namespace folivar::test {

// A folder for this test executable's files, created on first use and emptied of nothing: each
// test names its own files in it.
std::string TempDir();
// Writes bytes to a file in TempDir() and returns its path.
std::string WriteTempFile(const std::string& name, const std::string& bytes);
std::string ReadWholeFile(const std::string& path);

#ifndef _WIN32
// A command run through the shell, with its exit code (-1 when it did not exit) and what it
// printed on stdout and stderr.
struct TCommandRun {
  int status;
  std::string out;
};
TCommandRun RunCommand(const std::string& command);
#endif

}  // namespace folivar::test
