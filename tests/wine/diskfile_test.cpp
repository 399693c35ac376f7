// Writing a whole file on Windows: the new content replaces an older file through the rename, and
// a folder or a device is refused before anything is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.h"
#include "core/myclasses.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

TEST(WholeFile, ReplacesAnOlderFileAndRefusesAFolderOrADevice) {
  const fs::path folder = fs::path(test::TempDir()) / "whole";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string path = test::WriteTempFile("whole/book.bin", "the older book");
  WriteWholeFile(path, "the newer book");
  EXPECT_EQ(test::ReadWholeFile(path), "the newer book");
  for (const std::string& refused : {folder.string(), std::string("NUL")}) EXPECT_THROW(WriteWholeFile(refused, "x"), TIOError) << refused;
  // Nothing but the book: no temporary was left beside it, none was made in the refused folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace folivar
