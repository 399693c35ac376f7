// The whole reader under Wine: folivar.exe started in a folder of its own with a book beside it,
// driven with real window messages, watched through its windows, the screen and the registry.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "book/bookclass.h"
#include "book/bookwriter.h"
#include "book/loading.h"
#include "book/pictureencode.h"
#include "platform/win32/viewdc.h"
#include "reader/regstuff.h"
#include "tests/support/testsupport.h"
#include "tools/folivar-render/rendering.h"

namespace folivar {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 30000;

// Waits until done() holds; false after the timeout.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kTimeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

struct TWindowInfo {
  HWND window = nullptr;
  std::wstring className, caption;
  RECT rect{};
  bool visible = false;
};

// The top-level windows of a process.
std::vector<TWindowInfo> WindowsOf(DWORD process) {
  std::vector<TWindowInfo> found;
  struct TSearch {
    DWORD process;
    std::vector<TWindowInfo>* found;
  } search{process, &found};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != s.process) return TRUE;
        TWindowInfo info;
        info.window = w;
        wchar_t text[256] = {};
        GetClassNameW(w, text, 256);
        info.className = text;
        GetWindowTextW(w, text, 256);
        info.caption = text;
        GetWindowRect(w, &info.rect);
        info.visible = IsWindowVisible(w) != 0;
        s.found->push_back(info);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return found;
}

int32_t Width(const RECT& r) { return r.right - r.left; }
int32_t Height(const RECT& r) { return r.bottom - r.top; }

// One run of the reader.
class TReader {
 public:
  TReader(const fs::path& folder) {
    const std::string exe = (folder / "folivar.exe").string();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + exe + "\"";
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.string().c_str(), &si, &pi_) != 0;
    start_ = Clock::now();
  }
  ~TReader() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 9);
    WaitForSingleObject(pi_.hProcess, 10000);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  bool Started() const { return started_; }
  DWORD Id() const { return pi_.dwProcessId; }
  HANDLE Process() const { return pi_.hProcess; }
  double SecondsSinceStart() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
  }

  // The reader's own window once it is shown.
  HWND Main() {
    for (const TWindowInfo& w : WindowsOf(Id())) {
      if (w.visible && w.className == L"WCFolivar" && w.caption.size() > 10 &&
          w.caption.substr(w.caption.size() - 10) == L" - folivar")
        return w.window;
    }
    return nullptr;
  }
  // A visible message window (the splash, the greeting, a box) of the reader.
  HWND Box() {
    for (const TWindowInfo& w : WindowsOf(Id())) {
      if (w.visible && w.className == L"WCFolivar" && Width(w.rect) == 390 && Height(w.rect) == 158)
        return w.window;
    }
    return nullptr;
  }
  // A system message box of the reader.
  HWND SystemBox() {
    for (const TWindowInfo& w : WindowsOf(Id()))
      if (w.visible && w.className == L"#32770") return w.window;
    return nullptr;
  }
  // Exit code once the process has ended; STILL_ACTIVE until then.
  DWORD ExitCode(int timeoutMs = kTimeoutMs) {
    WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeoutMs));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
  Clock::time_point start_;
};

void PressKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

// The window's pixels as the screen shows them.
std::vector<uint32_t> Capture(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  tview view(static_cast<uint32_t>(Width(r)), static_cast<uint32_t>(Height(r)), true);
  HDC screen = GetDC(nullptr);
  GrabFromDC(view, screen, r.left, r.top);
  ReleaseDC(nullptr, screen);
  std::vector<uint32_t> pixels;
  for (uint32_t y = 0; y < view.Height(); ++y)
    for (uint32_t x = 0; x < view.Width(); ++x) pixels.push_back(view.At(x, y));
  return pixels;
}

TRendering RenderWithGdi(const std::string& image, int32_t page) {
  TBook book;
  LoadBook(book, std::make_unique<TStrFile>(image));
  return RenderPage(book, page, [](tview& target) { return CreateTextDevice(target); });
}

std::string Setting(const std::string& title, const std::string& name) {
  return ReadSetting(BookSection(title, "1"), name);
}

// A book of pages 0 .. count - 1 in spreads from page 1, each with its number as a line of text.
std::string NumberedBook(const std::string& title, int count) {
  TBookWriter w;
  w.header.title = title;
  w.header.edition = "1";
  const auto style = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
  for (int p = 0; p < count; ++p) {
    TLineRecord line;
    line.height = 19;
    line.ascent = 15;
    line.descent = 4;
    line.alignment = 1;
    for (char c : "Page " + std::to_string(p)) line.items.push_back({static_cast<uint8_t>(c), style});
    w.AddPage(EncodePageRecord(-1, {line}));
  }
  w.SetMessages({"ok", "congratulations", "congratulations2", "continue", "information", "WasPresses_enter"},
                {"OK", "Welcome", "Welcome", "Continue", "Information", "OK:CONTINUE:"});
  return w.Build();
}

class Reader : public ::testing::Test {
 protected:
  void SetUp() override {
    // The pointer away from every window, so that no hover changes what is shown.
    SetCursorPos(0, 0);
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    title_ = "Reader test " + name_ + " " + std::to_string(GetTickCount());
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Folivar\\Books\\" + CleanSettingName(title_)).c_str());
  }

  // A folder with the reader and, unless empty, the book beside it.
  fs::path Folder(const std::string& book) {
    const fs::path folder = fs::path(test::TempDir()) / name_;
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(std::string("Z:") + FOLIVAR_READER_EXE, folder / "folivar.exe");
    if (!book.empty()) test::WriteTempFile(name_ + "/book.bin", book);
    return folder;
  }
  // Marks the greeting as shown, so that a start goes straight to the book.
  static void Greeted() { WriteSetting("Setup", "FirstLaunch", "True"); }

  // Starts the reader and waits for its window; with the greeting answered when it comes.
  HWND Open(TReader& reader) {
    HWND main = nullptr;
    WaitFor([&] {
      if (HWND box = reader.Box(); box && !reader.Main()) PressKey(box, VK_RETURN);
      main = reader.Main();
      return main != nullptr;
    });
    return main;
  }

  std::string name_, title_;
};

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

void Click(HWND window, int32_t x, int32_t y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
}

TEST_F(Reader, KeysCornersWheelAndLinks) {
  Greeted();
  // Twelve pages; page 1 begins with a page reference to anchor "far" on page 8.
  TBookWriter w;
  w.header.title = title_;
  w.header.edition = "1";
  const auto style = static_cast<uint16_t>(w.AddStyle(EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12})));
  for (int p = 0; p < 12; ++p) {
    TLineRecord line;
    line.height = 19;
    line.ascent = 15;
    line.descent = 4;
    line.alignment = 1;
    if (p == 1) line.items.push_back({1, 4});
    for (char c : " page " + std::to_string(p)) line.items.push_back({static_cast<uint8_t>(c), style});
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
