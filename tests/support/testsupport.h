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

}  // namespace folivar::test
