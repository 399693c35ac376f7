// The whole reader under Wine: folivar.exe started in a folder of its own with a book beside it,
// driven with real window messages, watched through its windows, the screen and the registry.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "book/bookclass.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "book/pictureencode.h"
#include "platform/win32/viewdc.h"
#include "reader/regstuff.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"
#include "tools/folivar-render/rendering.h"

namespace folivar {
namespace {

TRendering RenderWithGdi(const std::string& image, int32_t page) {
  TBook book;
  LoadBook(book, std::make_unique<TStrFile>(image));
  return RenderPage(book, page, [](tview& target) { return CreateTextDevice(target); });
}

class Reader : public ReaderFixture {};

TEST_F(Reader, SplashGreetingAndFirstLaunch) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Folivar\\Setup");
  const fs::path folder = Folder(NumberedBook(title_, 4));
  {
    TReader reader(folder);
    ASSERT_TRUE(reader.Started());
    // The splash comes first and stays at least 1.5 seconds.
    ASSERT_TRUE(WaitFor([&] { return reader.Box() != nullptr; }));
    const auto shown = Clock::now();
    HWND splash = reader.Box();
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(splash) || !IsWindowVisible(splash); }));
    const double seconds = std::chrono::duration<double>(Clock::now() - shown).count();
    EXPECT_GE(seconds, 1.45);
    // Then the greeting, before the book: answered with Enter.
    ASSERT_TRUE(WaitFor([&] { return reader.Box() != nullptr; }));
    EXPECT_EQ(reader.Main(), nullptr);
    PressKey(reader.Box(), VK_RETURN);
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (main = reader.Main()) != nullptr; }));
    EXPECT_EQ(ReadSetting("Setup", "FirstLaunch"), "True");
    PressKey(main, VK_F4);
    EXPECT_EQ(reader.ExitCode(), 0u);
  }
  {
    // The second start shows the splash and then the book, with no greeting between them.
    TReader reader(folder);
    ASSERT_TRUE(reader.Started());
    HWND splash = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (splash = reader.Box()) != nullptr; }))
        << "no splash " << reader.SecondsSinceStart() << " s after the second start";
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(splash) || !IsWindowVisible(splash); }));
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      EXPECT_EQ(reader.Box(), nullptr) << "a box after the splash: the greeting came again";
      return (main = reader.Main()) != nullptr;
    })) << "no window " << reader.SecondsSinceStart() << " s after the second start";
    EXPECT_EQ(reader.Box(), nullptr);
    PressKey(main, VK_F4);
    EXPECT_EQ(reader.ExitCode(), 0u);
  }
}

TEST_F(Reader, WindowShapeAndPixelsOfTheDemoBook) {
  Greeted();
  const std::string dir = std::string("Z:") + FOLIVAR_RENDER_DIR;
  const std::string book = test::ReadWholeFile(dir + "/book.bin");
  ASSERT_FALSE(book.empty());
  // Another test may have left a place in the demo book's settings.
  TBook demo;
  LoadBook(demo, std::make_unique<TStrFile>(book));
  const std::string section = BookSection(demo.header.title, demo.header.edition);
  WriteSetting(section, "LastViewedPage", "0");
  TReader reader(Folder(book));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0);

  const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
  auto check = [&](int page, int32_t width) {
    SCOPED_TRACE("page " + std::to_string(page));
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_EQ(Width(r), width);
    EXPECT_EQ(Height(r), 575);
    EXPECT_EQ(r.top, screenHeight / 2 - 575 / 2);
    // The spread is centred; a single page stands where the right page of the spread would.
    EXPECT_EQ(r.left, screenWidth / 2 - 776 / 2 + (width == 776 ? 0 : 340));
    const TRendering native = DecodeRendering(
        test::ReadWholeFile(dir + "/native-" + std::to_string(page) + ".bin"));
    ASSERT_EQ(native.width, static_cast<uint32_t>(width));
    std::vector<uint32_t> shown;
    size_t differing = 0;
    // Give the window a moment to paint what it shows now.
    WaitFor([&] {
      shown = Capture(main);
      differing = 0;
      for (uint32_t y = 0; y < native.height; ++y) {
        for (uint32_t x = 0; x < native.width; ++x) {
          bool text = false;
          for (const TWrittenText& t : native.texts) {
            int32_t w = 0;
            for (int32_t a : t.advances) w += a;
            if (int32_t(x) >= t.x - 3 && int32_t(x) < t.x + w + 3 && int32_t(y) >= t.y - 3 &&
                int32_t(y) < t.y + t.height + 3)
              text = true;
          }
          if (!text && shown[size_t{y} * native.width + x] != native.pixels[size_t{y} * native.width + x])
            ++differing;
        }
      }
      return differing == 0;
    }, 5000);
    EXPECT_EQ(differing, 0u) << "pixels away from the text differ from folivar-render's";
  };
  check(0, 388);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(WaitFor([&] { return ReadSetting(section, "LastViewedPage") == "1"; }));
  check(1, 776);
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

TEST_F(Reader, KeysMoveAndThePlaceIsRemembered) {
  Greeted();
  const std::string book = NumberedBook(title_, 12);
  const fs::path folder = Folder(book);
  {
    TReader reader(folder);
    HWND main = Open(reader);
    ASSERT_NE(main, nullptr);
    PressKey(main, VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "1"; }));
    PressKey(main, VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "3"; }));
    PressKey(main, VK_DOWN);
    PressKey(main, VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "7"; }));
    WriteSetting(BookSection(title_, "1"), "LastViewedPage", "");  // F4 writes it again
    PressKey(main, VK_F4);
    EXPECT_EQ(reader.ExitCode(), 0u);
    EXPECT_EQ(Setting(title_, "LastViewedPage"), "7");
  }
  // The registry tool shows it under the cleaned section name.
  {
    const std::string command = "reg query \"HKCU\\Software\\Folivar\\Books\\" +
                                CleanSettingName(title_) + "\\1\" /v LastViewedPage 2>&1";
    FILE* pipe = _popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    _pclose(pipe);
    EXPECT_NE(out.find("REG_SZ"), std::string::npos) << out;
    EXPECT_NE(out.find("7"), std::string::npos) << out;
  }
  {
    // The next start opens on page 7: one more Down goes to 9.
    TReader reader(folder);
    HWND main = Open(reader);
    ASSERT_NE(main, nullptr);
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_EQ(Width(r), 776);  // page 7 is a spread page
    const TRendering seven = RenderWithGdi(book, 7);
    EXPECT_TRUE(WaitFor([&] { return Capture(main) == seven.pixels; }, 5000));
    PressKey(main, VK_DOWN);
    EXPECT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "9"; }));
    PressKey(main, VK_F4);
    EXPECT_EQ(reader.ExitCode(), 0u);
  }
}

TEST_F(Reader, AKilledReaderKeepsItsPlace) {
  Greeted();
  const fs::path folder = Folder(NumberedBook(title_, 12));
  {
    TReader reader(folder);
    HWND main = Open(reader);
    ASSERT_NE(main, nullptr);
    PressKey(main, VK_DOWN);
    PressKey(main, VK_DOWN);
    ASSERT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "3"; }));
    TerminateProcess(reader.Process(), 9);
    EXPECT_EQ(reader.ExitCode(), 9u);
  }
  TReader reader(folder);
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "5"; }));
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

TEST_F(Reader, ALargeCoverIsCroppedAndNoBackgroundIsWhite) {
  Greeted();
  TBookWriter w;
  w.header.title = title_;
  w.header.edition = "1";
  std::vector<uint32_t> cover;
  for (uint32_t y = 0; y < 800; ++y)
    for (uint32_t x = 0; x < 600; ++x) cover.push_back((x * 7) << 8 | (y & 0xFF));
  w.header.coverImage = w.AddPicture(0, PackedPictureRecord(600, 800, PackRawPixels(cover.data(), 600, 800)));
  w.AddPage(EncodePageRecord(-1, {}));
  w.AddPage(EncodePageRecord(-1, {}));
  w.AddPage(EncodePageRecord(-1, {}));
  const std::string book = w.Build();
  TReader reader(Folder(book));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  // 600 x 800 on 388 x 575: dx = 194 - 300, dy = 287 - 400; the block from (106, 113) shows.
  std::vector<uint32_t> shown;
  ASSERT_TRUE(WaitFor([&] {
    shown = Capture(main);
    return shown.size() == 388u * 575u && shown[1 * 388 + 1] == cover[114 * 600 + 107];
  }, 5000));
  EXPECT_EQ(shown[300 * 388 + 200], cover[(300 + 113) * 600 + 200 + 106]);
  EXPECT_EQ(shown[0], 0u);  // the frame
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(WaitFor([&] { return Setting(title_, "LastViewedPage") == "1"; }));
  ASSERT_TRUE(WaitFor([&] {
    shown = Capture(main);
    return shown.size() == 776u * 575u && shown[200 * 776 + 200] == 0xFFFFFFu;
  }, 5000));
  EXPECT_EQ(shown[400 * 776 + 600], 0xFFFFFFu);
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
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
    EXPECT_EQ(Setting(title_, "LastViewedPage"), "");
  }
}

TEST_F(Reader, KeysCornersWheelAndLinks) {
  Greeted();
  // Twelve pages; page 1 begins with a page reference to anchor "far" on page 8.
  TBookWriter w;
  w.header.title = title_;
  w.header.edition = "1";
  const uint16_t style = AddTextStyle(w);
  for (int p = 0; p < 12; ++p) {
    TLineRecord line = TextLine(" page " + std::to_string(p), style);
    if (p == 1) line.items.insert(line.items.begin(), {1, 4});
    w.AddPage(EncodePageRecord(-1, {line}));
  }
  w.AddAnchor("near", 2);
  w.AddAnchor("far", 8);
  TReader reader(Folder(w.Build()));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  auto at = [&](const char* page) {
    return WaitFor([&] { return Setting(title_, "LastViewedPage") == page; }, 10000);
  };
  PressKey(main, VK_END);
  EXPECT_TRUE(at("11"));
  PressKey(main, VK_HOME);
  EXPECT_TRUE(at("0"));
  // Space twice within ten seconds turns one page; Up goes back.
  PressKey(main, VK_SPACE);
  PressKey(main, VK_SPACE);
  PressKey(main, VK_NEXT);  // Page Down, after both Spaces were handled
  EXPECT_TRUE(at("3"));
  PressKey(main, VK_UP);
  EXPECT_TRUE(at("1"));
  // Backspace with an empty history does nothing; the wheel turns both ways.
  PressKey(main, VK_BACK);
  PostMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_TRUE(at("3"));
  PostMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_TRUE(at("1"));
  // The bottom-right corner turns forward, the bottom-left one back.
  Click(main, 776 - 10, 575 - 5);
  EXPECT_TRUE(at("3"));
  Click(main, 10, 575 - 5);
  EXPECT_TRUE(at("1"));
  // The page reference at the top of page 1 goes to anchor "far" (page 8), aligned to its
  // spread; Backspace comes back.
  Click(main, 34, 38);
  EXPECT_TRUE(at("7"));
  PressKey(main, VK_BACK);
  EXPECT_TRUE(at("1"));
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

// Figures for the record: start to first paint with the splash left out, and the private bytes
// of the reader once it shows the demo book.
TEST_F(Reader, StartUpFigures) {
  Greeted();
  const std::string book = test::ReadWholeFile(std::string("Z:") + FOLIVAR_RENDER_DIR + "/book.bin");
  TReader reader(Folder(book));
  HWND splash = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (splash = reader.Box()) != nullptr; }));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(splash); }));
  const auto closed = Clock::now();
  HWND main = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (main = reader.Main()) != nullptr; }));
  std::vector<uint32_t> shown;
  WaitFor([&] {
    shown = Capture(main);
    // The cover is on: a pixel inside the frame is not the black of an unpainted window.
    return shown.size() > 100 * 388 && shown[100 * 388 + 100] != 0;
  }, 5000);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - closed).count();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  GetProcessMemoryInfo(reader.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  // Wine reports the private bytes as the page-file usage.
  const SIZE_T priv = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  std::printf("start to first paint after the splash: %.0f ms; private bytes %.1f MiB; working set %.1f MiB\n",
              ms, static_cast<double>(priv) / 1048576.0,
              static_cast<double>(memory.WorkingSetSize) / 1048576.0);
  RecordProperty("firstPaintMs", static_cast<int>(ms));
  RecordProperty("privateKiB", static_cast<int>(priv / 1024));
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

}  // namespace
}  // namespace folivar
