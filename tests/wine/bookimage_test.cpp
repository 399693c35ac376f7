// Where the program finds its book: its own resource first, then "book.bin" beside it, then
// "c:\save\book.bin". Each case runs a copy of bookimage_probe.exe in a folder of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "book/bookwriter.h"
#include "core/system.h"
#include "tests/support/testsupport.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;

std::string Book(const std::string& title) {
  TBookWriter w;
  w.header.title = title;
  w.AddPage(EncodePageRecord(-1, {}));
  return w.Build();
}

// A fresh folder with a copy of the probe in it.
fs::path ProbeFolder(const std::string& name) {
  const fs::path folder = fs::path(test::TempDir()) / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  fs::copy_file(fs::path(ProgramDir()) / "bookimage_probe.exe", folder / "probe.exe");
  return folder;
}

void Embed(const fs::path& exe, const std::string& book) {
  HANDLE update = BeginUpdateResourceA(exe.string().c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(10), "FOLIVAR",
                              MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              const_cast<char*>(book.data()), static_cast<DWORD>(book.size())));
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
}

// Runs the probe and returns what it wrote: "title:..." or "error:...".
std::string Probe(const fs::path& folder) {
  const fs::path out = folder / "out.txt";
  std::string command = "\"" + (folder / "probe.exe").string() + "\" \"" + out.string() + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.string().c_str(), &si, &pi)) {
    return "cannot start the probe";
  }
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return test::ReadWholeFile(out.string());
}

class BookImage : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove("c:\\save\\book.bin"); }
  void TearDown() override { fs::remove("c:\\save\\book.bin"); }
};

TEST_F(BookImage, TheResourceComesFirst) {
  const fs::path folder = ProbeFolder("resource");
  Embed(folder / "probe.exe", Book("from the resource"));
  test::WriteTempFile("resource/book.bin", Book("from the file beside"));
  EXPECT_EQ(Probe(folder), "title:from the resource");
}

TEST_F(BookImage, WithoutTheResourceTheFileBesideIsRead) {
  const fs::path folder = ProbeFolder("beside");
  test::WriteTempFile("beside/book.bin", Book("from the file beside"));
  fs::create_directories("c:\\save");
  std::ofstream("c:\\save\\book.bin", std::ios::binary) << Book("from c:\\save");
  EXPECT_EQ(Probe(folder), "title:from the file beside");
}

TEST_F(BookImage, LastTheSavedBook) {
  const fs::path folder = ProbeFolder("saved");
  fs::create_directories("c:\\save");
  std::ofstream("c:\\save\\book.bin", std::ios::binary) << Book("from c:\\save");
  EXPECT_EQ(Probe(folder), "title:from c:\\save");
}

TEST_F(BookImage, NoBookAnywhereIsAnError) {
  const fs::path folder = ProbeFolder("nothing");
  const std::string result = Probe(folder);
  EXPECT_EQ(result.rfind("error:there is no book", 0), 0u) << result;
  EXPECT_FALSE(fs::exists(folder / "book.bin"));  // looking created nothing
}

TEST_F(BookImage, AReadOnlyBookOpens) {
  const fs::path folder = ProbeFolder("readonly");
  const std::string path = test::WriteTempFile("readonly/book.bin", Book("read-only"));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Probe(folder), "title:read-only");
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace folivar
