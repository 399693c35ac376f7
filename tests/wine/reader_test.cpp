// The whole reader under Wine: folivar.exe started in a folder of its own with a book beside it,
// driven with real window messages, watched through its windows, the screen and the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "images/embed.h"
#include "platform/win32/viewdc.h"
#include "reader/regstuff.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"
#include "tools/folivar-render/rendering.h"

namespace folivar {
namespace {

class Reader : public ReaderFixture {};

// The book's place as the system's `reg query` prints it ("    LastViewedPage    REG_SZ    7"),
// empty when it finds none; key is the book's section below HKCU\Software\Folivar.
std::string RegQuery(const std::wstring& key) {
  const std::wstring command =
      L"reg query \"HKCU\\Software\\Folivar\\" + key + L"\" /v LastViewedPage 2>nul";
  FILE* out = _wpopen(command.c_str(), L"r");
  if (!out) return {};
  std::string text;
  for (char buffer[256]; std::fgets(buffer, sizeof buffer, out);) text += buffer;
  _pclose(out);
  std::istringstream words(text.substr(std::min(text.find("REG_SZ"), text.size())));
  std::string type, value;
  words >> type >> value;
  return value;
}

TEST_F(Reader, SplashGreetingAndFirstLaunch) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Folivar\\Setup");
  const fs::path folder = Folder(NumberedBook(title_, 4));
  for (const bool first : {true, false}) {
    SCOPED_TRACE(first ? "first start" : "second start");
    TReader reader(folder);
    // The splash comes first and stays at least 1.5 seconds.
    HWND splash = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (splash = reader.Box()) != nullptr; }));
    const auto shown = Clock::now();
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(splash) || !IsWindowVisible(splash); }));
    EXPECT_GE(std::chrono::duration<double>(Clock::now() - shown).count(), 1.45);
    // The first start greets before the book (answered with Enter); the second goes straight on.
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      if (HWND box = reader.Box()) {
        EXPECT_TRUE(first) << "the greeting came again";
        EXPECT_EQ(reader.Main(), nullptr);
        PressKey(box, VK_RETURN);
      }
      return (main = reader.Main()) != nullptr;
    }));
    EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "True");
    Close(reader, main);
  }
}

// The window's shape and place, and what it shows: exactly the page as the same drawing code
// makes it with GDI (how GDI's pages compare with the native renderer's is tested apart).
TEST_F(Reader, WindowShapeAndPixelsOfTheDemoBook) {
  Greeted();
  const std::string book = test::ReadWholeFile(std::string("Z:") + FOLIVAR_RENDER_DIR + "/book.bin");
  ASSERT_FALSE(book.empty());
  TBook demo;
  LoadBook(demo, std::make_unique<TStrFile>(book));
  // Another test may have left a place in the demo book's settings.
  const std::string section = BookSection(demo.header.title, demo.header.edition);
  WriteSetting(section, "LastViewedPage", "0");
  TReader reader(Folder(book));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(GetWindowLongW(main, GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0);
  for (const int page : {0, 1}) {
    SCOPED_TRACE("page " + std::to_string(page));
    ASSERT_TRUE(WaitFor([&] { return ReadSetting(section, "LastViewedPage") == std::to_string(page); }));
    const int32_t width = page == 0 ? 388 : 776;
    const RECT r = WindowRect(main);
    EXPECT_EQ(Width(r), width);
    EXPECT_EQ(Height(r), 575);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 575 / 2);
    // The spread is centred; a single page stands where the right page of the spread would.
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 776 / 2 + (width == 776 ? 0 : 340));
    const TRendering expected = RenderPage(demo, page, [](tview& t) { return CreateTextDevice(t); });
    EXPECT_TRUE(WaitFor([&] { return Capture(main) == expected.pixels; }, 5000));
    PressKey(main, VK_DOWN);
  }
  Close(reader, main);
}

// The place is written when the reader closes, and at every page change, so that a killed reader
// keeps it too; the next start opens there. A Unicode book titled with accented letters keeps it in
// the key named with those letters, whatever the system code page, and shows the title as caption.
TEST_F(Reader, ThePlaceIsKeptWhenClosedAndWhenKilled) {
  Greeted();
  const std::string number = std::to_string(GetTickCount());
  const std::wstring wideNumber(number.begin(), number.end());
  const std::wstring key = L"Books\\T\u00EAte \u00E0 t\u00EAte " + wideNumber;
  const fs::path folder =
      Folder(NumberedBook("Tête-à-tête " + number, 12, "", TTextEncoding::kUnicode));
  const auto at = [&](int page) {
    return WaitFor([&] { return RegQuery(key + L"\\1") == std::to_string(page); });
  };
  {
    TReader reader(folder);
    HWND main = Open(reader);
    ASSERT_NE(main, nullptr);
    wchar_t caption[64] = {};
    GetWindowTextW(main, caption, 64);
    EXPECT_EQ(caption, L"T\u00EAte-\u00E0-t\u00EAte " + wideNumber + L" - folivar");
    PressKey(main, VK_DOWN);
    PressKey(main, VK_RETURN);
    PressKey(main, VK_DOWN);
    PressKey(main, VK_DOWN);
    ASSERT_TRUE(at(7));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, (L"Software\\Folivar\\" + key + L"\\1").c_str(),
                       L"LastViewedPage");
    Close(reader, main);  // F4 writes it again
    EXPECT_TRUE(at(7));
  }
  {
    TReader reader(folder);
    HWND main = Open(reader);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Width(WindowRect(main)), 776);  // page 7 is a spread page
    PressKey(main, VK_DOWN);
    ASSERT_TRUE(at(9));
    TerminateProcess(reader.Process(), 9);
    EXPECT_EQ(reader.ExitCode(), 9u);
  }
  TReader reader(folder);
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_UP);
  EXPECT_TRUE(at(7));
  Close(reader, main);
  RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Folivar\\" + key).c_str());
}

TEST_F(Reader, ADamagedOrMissingBookIsSaidAndEndsTheReader) {
  Greeted();
  std::string damaged = NumberedBook(title_, 3);
  damaged.resize(damaged.size() / 3);  // the page blocks are gone
  for (const std::string& book : {damaged, std::string()}) {
    SCOPED_TRACE(book.empty() ? "missing" : "damaged");
    TReader reader(Folder(book));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = reader.SystemBox()) != nullptr; }));
    EXPECT_EQ(reader.Main(), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(reader.ExitCode(), 1u);
    EXPECT_EQ(Page(), "");
  }
}

// Keys, the wheel and the corners turn the pages (which key does what is tested natively).
TEST_F(Reader, KeysCornersAndTheWheel) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_END);
  EXPECT_TRUE(At(11));
  PressKey(main, VK_HOME);
  EXPECT_TRUE(At(0));
  // Space twice within ten seconds turns one page; Up goes back.
  PressKey(main, VK_SPACE);
  PressKey(main, VK_SPACE);
  PressKey(main, VK_NEXT);  // Page Down, after both Spaces were handled
  EXPECT_TRUE(At(3));
  PressKey(main, VK_UP);
  EXPECT_TRUE(At(1));
  // Backspace with an empty history does nothing; the wheel turns both ways.
  PressKey(main, VK_BACK);
  PostMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_TRUE(At(3));
  PostMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_TRUE(At(1));
  // The bottom-right corner turns forward, the bottom-left one back.
  Click(main, 776 - 10, 575 - 5);
  EXPECT_TRUE(At(3));
  Click(main, 10, 575 - 5);
  EXPECT_TRUE(At(1));
  Close(reader, main);
}

// A turn past the last page shows the book's end text; Enter closes it and the book stays.
// Another program closing the reader while that box is open ends it well, the page kept.
TEST_F(Reader, TheEndBoxAndAClosePostedWhileItIsOpen) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  const auto pastTheEnd = [&] {
    PressKey(main, VK_DOWN);
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (box = reader.Box()) != nullptr; }));
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    EXPECT_EQ(std::wstring(caption), L"The very end");
    return box;
  };
  PressKey(main, VK_END);
  ASSERT_TRUE(At(11));
  HWND box = pastTheEnd();
  PressKey(box, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }));
  EXPECT_EQ(Page(), "11");
  PressKey(main, VK_UP);
  EXPECT_TRUE(At(9));
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(11));
  ASSERT_NE(pastTheEnd(), nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(reader.ExitCode(), 0u);
  EXPECT_EQ(Page(), "11");
}

// About shows the cover under its box; closed from outside then, the reader ends well and keeps
// the page it showed before About.
TEST_F(Reader, AClosePostedWhileAboutIsOpenKeepsThePage) {
  Greeted();
  WriteSetting(BookSection(title_, "1"), "LastViewedPage", "3");
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  LoadBuiltInImages();
  const int32_t about = 1 + static_cast<int32_t>(BuiltInImage(TBuiltIn::AboutButton).Height()) / 2;
  MoveTo(main, about, about);
  Click(main, about, about);
  ASSERT_TRUE(WaitFor([&] { return reader.Box() != nullptr; }));
  ASSERT_TRUE(At(0));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(reader.ExitCode(), 0u);
  EXPECT_EQ(Page(), "3");
}

}  // namespace
}  // namespace folivar
