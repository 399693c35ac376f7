// Where the program finds its book. Each case runs a copy of bookimage_probe.exe in a folder of
// its own.
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
  ASSERT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(10), "FOLIVAR", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              const_cast<char*>(book.data()), static_cast<DWORD>(book.size())));
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
}

// Runs the probe and returns what it wrote: "title:..." or "error:...".
std::string Probe(const fs::path& folder) {
  const fs::path out = folder / "out.txt";
  std::string command = "\"" + (folder / "probe.exe").string() + "\" \"" + out.string() + "\"";
  STARTUPINFOA si{sizeof(STARTUPINFOA)};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.string().c_str(), &si, &pi)) {
    return "cannot start the probe";
  }
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return test::ReadWholeFile(out.string());
}

// The program's own resource comes first. Without it: "book.bin" beside the program when it can
// be opened for reading (a read-only one can), else "c:\save\book.bin", else an error; a
// book.bin that another program holds locked is passed over like a missing one, and looking
// creates nothing.
TEST(BookImage, TheResourceThenTheFileBesideThenTheSavedBook) {
  const struct {
    const char* name;
    bool embedded, beside, locked, readOnly, saved;
    const char* found;  // the beginning of what the probe reports
  } cases[] = {
      {"resource", true, true, false, false, true, "title:from the resource"},
      {"beside", false, true, false, false, true, "title:from the file beside"},
      {"readonly", false, true, false, true, false, "title:from the file beside"},
      {"locked", false, true, true, false, true, "title:from c:\\save"},
      {"saved", false, false, false, false, true, "title:from c:\\save"},
      {"nothing", false, false, false, false, false, "error:there is no book"}, };
  for (const auto& c : cases) {
    fs::remove("c:\\save\\book.bin");
    const fs::path folder = ProbeFolder(c.name);
    const std::string path = (folder / "book.bin").string();
    if (c.embedded) Embed(folder / "probe.exe", Book("from the resource"));
    if (c.beside) test::WriteTempFile(std::string(c.name) + "/book.bin", Book("from the file beside"));
    if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    if (c.saved) {
      fs::create_directories("c:\\save");
      std::ofstream("c:\\save\\book.bin", std::ios::binary) << Book("from c:\\save");
    }
    // Opened without sharing: nobody else can open it while this handle lives.
    HANDLE lock = c.locked ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                           : INVALID_HANDLE_VALUE;
    const std::string found = Probe(folder);
    EXPECT_EQ(found.rfind(c.found, 0), 0u) << c.name << ": " << found;
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(fs::exists(path), c.beside) << c.name;
  }
  fs::remove("c:\\save\\book.bin");
}

}  // namespace
}  // namespace folivar
