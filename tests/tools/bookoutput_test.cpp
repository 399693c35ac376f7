// Writing a book is all or nothing: a tool that cannot store the whole book says so in one line,
// exits 1 and leaves what was at the output path as it was.
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "book/bookwriter.h"
#include "tests/support/testsupport.h"
#include "tools/demobook/demobook.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

test::TCommandRun WriteDemoBook(const std::string& path) {
  return test::RunCommand(std::string(FOLIVAR_DEMOBOOK_EXE) + " -o " + path);
}

std::string OlderBook() {
  TBookWriter w;
  w.header.title = "the older book";
  w.AddPage(EncodePageRecord(-1, {}));
  return w.Build();
}

size_t Entries(const std::string& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(BookOutput, AFullDiskKeepsTheOlderBookAndLeavesNoTemporary) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  const std::string folder = test::TempDir() + "/full";
  fs::create_directories(folder);
  // 16 KiB hold the older book but not the demo book of about 40 KiB.
  if (::mount("folivar-test", folder.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs on " << folder << ": " << std::strerror(errno);
  }
  const std::unique_ptr<const char, void (*)(const char*)> unmount(folder.c_str(), [](const char* at) { ::umount2(at, MNT_DETACH); });
  const std::string path = folder + "/book.bin";
  for (const bool older : {true, false}) {
    if (older) test::WriteTempFile("full/book.bin", OlderBook());
    const test::TCommandRun run = WriteDemoBook(path);
    EXPECT_EQ(std::to_string(run.status) + " " + run.out,
              "1 folivar-demobook: " + path + ": cannot write " + path + ": No space left on device\n");
    EXPECT_EQ(Entries(folder), older ? 1u : 0u);  // no temporary left beside it
    EXPECT_TRUE(!older || test::ReadWholeFile(path) == OlderBook());
    fs::remove(path);
  }
}

TEST(BookOutput, ABookReplacesTheOlderOneWhole) {
  const std::string folder = test::TempDir() + "/replace";
  fs::create_directories(folder);
  const std::string path = test::WriteTempFile("replace/book.bin", OlderBook());
  ASSERT_EQ(WriteDemoBook(path).status, 0);
  EXPECT_TRUE(test::ReadWholeFile(path) == MakeDemoBook().Build());
  EXPECT_EQ(Entries(folder), 1u);
}

TEST(BookOutput, AFolderOrADeviceIsRefusedBeforeAnythingIsWritten) {
  const std::string folder = test::TempDir() + "/target";
  fs::create_directories(folder);
  for (const auto& [path, reason] : {std::pair<std::string, std::string>{folder, "it is a folder"}, {"/dev/null", "it is not a regular file"}}) {
    const test::TCommandRun run = WriteDemoBook(path);
    EXPECT_EQ(std::to_string(run.status) + " " + run.out, "1 folivar-demobook: " + path + ": cannot write " + path + ": " + reason + "\n");
  }
  EXPECT_EQ(Entries(folder), 0u);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

}  // namespace
}  // namespace folivar
