// folivar-bind: a copy of a program that carries the book as its "FOLIVAR" resource. The bound
// programs are copies of bookimage_probe.exe, which report the book they find as the reader finds
// its own, and of the reader itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "core/system.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"

namespace folivar {
namespace {

std::string Book(const std::string& title) {
  TBookWriter w;
  w.header.title = title;
  w.AddPage(EncodePageRecord(-1, {}));
  return w.Build();
}

struct TRun {
  DWORD status = 0xFFFFFFFF;
  std::string errors;
};

// Runs command line in folder, with stderr into a file; waits up to a minute.
TRun RunIn(const fs::path& folder, std::string command) {
  const fs::path errPath = folder / "stderr.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE err = CreateFileA(errPath.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = si.hStdOutput = err;
  PROCESS_INFORMATION pi{};
  TRun run;
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.string().c_str(), &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &run.status);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(err);
  run.errors = test::ReadWholeFile(errPath.string());
  return run;
}

std::string Quoted(const fs::path& p) { return "\"" + p.string() + "\""; }

// Starts the reader folder/folivar.exe and reports whether its window appears with the caption
// of the book titled title, and no box saying that there is no book; the reader is ended after.
bool ShowsBook(const fs::path& folder, const std::string& title) {
  TReader reader(folder);
  HWND main = nullptr;
  WaitFor([&] { return (main = reader.Main()) != nullptr || reader.SystemBox() != nullptr; });
  wchar_t caption[256] = {};
  if (main) GetWindowTextW(main, caption, 256);
  return main && !reader.SystemBox() && caption == std::wstring(title.begin(), title.end()) + L" - folivar";
}

// The languages under which a program carries its book.
std::vector<WORD> BookLanguages(const fs::path& program) {
  std::vector<WORD> languages;
  HMODULE module = LoadLibraryExA(program.string().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EnumResourceLanguagesA(
      module, MAKEINTRESOURCEA(10), "FOLIVAR",
      [](HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) -> BOOL {
        reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(module);
  return languages;
}

class Binder : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = fs::path(test::TempDir()) / ("bind-" + name);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::copy_file(fs::path(ProgramDir()) / "bookimage_probe.exe", folder_ / "probe.exe");
    // The first-start greeting has been seen, so that a reader goes straight to its book.
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Folivar\\Setup", "FirstLaunch", REG_SZ, "True", 5);
  }

  TRun BindBook(const fs::path& reader, const std::string& book, const fs::path& out) {
    std::ofstream(folder_ / "book.image", std::ios::binary) << book;
    return RunIn(folder_, Quoted(FOLIVAR_BIND_EXE) + " " + Quoted(reader) + " " +
                            Quoted(folder_ / "book.image") + " -o " + Quoted(out));
  }

  // What a bound probe reports, run from a folder of its own with no book.bin beside it.
  std::string Probe(const fs::path& exe) {
    const fs::path alone = folder_ / ("alone-" + exe.stem().string());
    fs::create_directories(alone);
    CopyFileA(exe.string().c_str(), (alone / "probe.exe").string().c_str(), FALSE);
    RunIn(alone, Quoted(alone / "probe.exe") + " " + Quoted(alone / "out.txt"));
    return test::ReadWholeFile((alone / "out.txt").string());
  }

  fs::path folder_;
};

TEST_F(Binder, BindingAgainReplacesTheBookInEveryLanguage) {
  EXPECT_EQ(Probe(folder_ / "probe.exe").rfind("error:", 0), 0u);  // no book yet
  // A program that carries a book under a language of its own, as a resource compiler may write.
  const std::string old = Book("The old book");
  HANDLE update = BeginUpdateResourceA((folder_ / "probe.exe").string().c_str(), FALSE);
  ASSERT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(10), "FOLIVAR",
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                              const_cast<char*>(old.data()), static_cast<DWORD>(old.size())));
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  ASSERT_EQ(Probe(folder_ / "probe.exe"), "title:The old book");
  const TRun run = BindBook(folder_ / "probe.exe", Book("The new book"), folder_ / "rebound.exe");
  ASSERT_EQ(run.status, 0u) << run.errors;
  EXPECT_EQ(Probe(folder_ / "rebound.exe"), "title:The new book");
  EXPECT_EQ(BookLanguages(folder_ / "rebound.exe"), std::vector<WORD>{MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)});
}

TEST_F(Binder, FailuresAreSaidAndLeaveNoProgram) {
  std::string damaged = Book("Damaged");
  damaged.resize(900);
  std::ofstream(folder_ / "text.exe") << "this is no program";
  const struct {
    const char* what;
    fs::path reader;
    std::string book, said;
  } cases[] = {
      {"a damaged book", folder_ / "probe.exe", damaged, "damaged"},
      {"a reader that is no program", folder_ / "text.exe", Book("Fine"), "text.exe: "},
      {"a reader that is not there", folder_ / "missing.exe", Book("Fine"), "missing.exe"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TRun run = BindBook(c.reader, c.book, folder_ / "out.exe");
    EXPECT_EQ(run.status, 1u);
    EXPECT_NE(run.errors.find("folivar-bind: "), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find(c.said), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(folder_ / "out.exe"));
  }
  const TRun run = RunIn(folder_, Quoted(FOLIVAR_BIND_EXE) + " only-one-argument");
  EXPECT_EQ(run.status, 2u);
  EXPECT_NE(run.errors.find("usage: folivar-bind READER.exe BOOK -o OUT.exe"), std::string::npos);
}

// The reader itself, bound: it keeps its icon and cursor and shows the book it carries from a
// folder with no book.bin; the reader given is left as it was. (A probe without a book says so.)
TEST_F(Binder, ABoundReaderShowsItsBook) {
  const std::string before = test::ReadWholeFile(FOLIVAR_READER_EXE);
  const TRun run = BindBook(FOLIVAR_READER_EXE, Book("A bound reader"), folder_ / "folivar.exe");
  ASSERT_EQ(run.status, 0u) << run.errors;
  EXPECT_EQ(test::ReadWholeFile(FOLIVAR_READER_EXE), before);  // the reader given is untouched
  HMODULE module = LoadLibraryExA((folder_ / "folivar.exe").string().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(FindResourceA(module, "MAINICON", MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), nullptr);
  EXPECT_NE(FindResourceA(module, "HANDPOINT", MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */), nullptr);
  FreeLibrary(module);
  EXPECT_TRUE(ShowsBook(folder_, "A bound reader"));
}

// The reader that the build makes carries the user's guide, and shows it with no book.bin beside it.
TEST_F(Binder, TheReaderCarriesTheGuide) {
  HMODULE module = LoadLibraryExA(FOLIVAR_GUIDE_READER_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC info = FindResourceA(module, "FOLIVAR", MAKEINTRESOURCEA(10));
  ASSERT_NE(info, nullptr);
  const std::string carried(static_cast<const char*>(LockResource(LoadResource(module, info))),
                            SizeofResource(module, info));
  FreeLibrary(module);
  EXPECT_EQ(carried, test::ReadWholeFile(FOLIVAR_GUIDE_BOOK));
  fs::copy_file(FOLIVAR_GUIDE_READER_EXE, folder_ / "folivar.exe");
  EXPECT_TRUE(ShowsBook(folder_, "Folivar"));
}

}  // namespace
}  // namespace folivar
