// The reader at other DPIs and zooms, as a whole program under Wine: the system DPI set through
// the user's LogPixels before the reader starts, the window sized round(book size * s) within the
// work area, every control and link where it is drawn, and the zoom keys, the Ctrl+wheel and the
// zoom the settings keep. (The arithmetic of the scale is tested natively.)
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "images/embed.h"
#include "platform/win32/dpi.h"
#include "reader/zoom.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"
#include "tools/make/pagecurl.h"

namespace folivar {
namespace {

constexpr int32_t kSpread = 776;
constexpr int32_t kPage = 388;
constexpr int32_t kHeight = 575;
constexpr int32_t kBoxWidth = 390;
constexpr int32_t kBoxHeight = 158;

int32_t ImageWidth(TBuiltIn b) { return static_cast<int32_t>(BuiltInImage(b).Width()); }
int32_t ImageHeight(TBuiltIn b) { return static_cast<int32_t>(BuiltInImage(b).Height()); }

// The system DPI of the programs started while it lives: the user's LogPixels, put back after.
class TLogPixels {
 public:
  explicit TLogPixels(DWORD dpi) {
    DWORD size = sizeof saved_;
    had_ = RegGetValueA(HKEY_CURRENT_USER, kKey, kName, RRF_RT_REG_DWORD, nullptr, &saved_, &size) ==
           ERROR_SUCCESS;
    Set(dpi);
  }
  ~TLogPixels() { had_ ? Set(saved_) : void(RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kName)); }
  TLogPixels(const TLogPixels&) = delete;
  TLogPixels& operator=(const TLogPixels&) = delete;

 private:
  static constexpr char kKey[] = "Control Panel\\Desktop";
  static constexpr char kName[] = "LogPixels";
  static void Set(DWORD dpi) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kName, REG_DWORD, &dpi, sizeof dpi);
  }
  DWORD saved_ = 0;
  bool had_ = false;
};

RECT WorkAreaOfTheScreen() {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

// A visible window of the reader's process other than its main window (a message box).
HWND OtherWindow(const TReader& reader, HWND main) {
  struct TSearch {
    DWORD process;
    HWND main;
    HWND found = nullptr;
  } search{reader.Id(), main};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != s.process || w == s.main || !IsWindowVisible(w)) return TRUE;
        s.found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void Control(HWND window, bool down) {
  PostMessageW(window, down ? WM_KEYDOWN : WM_KEYUP, VK_CONTROL, down ? 1 : static_cast<LPARAM>(0xC0000001u));
}

void ControlKey(HWND window, WPARAM key) {
  Control(window, true);
  PressKey(window, key);
  Control(window, false);
}

class ReaderDpi : public ReaderFixture, public ::testing::WithParamInterface<DWORD> {
 protected:
  void SetUp() override {
    // This program reads the reader's windows in device pixels, as the reader sets them.
    DeclareDpiAwareness();
    ReaderFixture::SetUp();
    Greeted();
    LoadBuiltInImages();
  }

  // The book window's size at its scale is round(size * s) on each side and fits the work area.
  void ExpectWindow(HWND main, double s, int32_t bookWidth) {
    const RECT r = WindowRect(main);
    const RECT area = WorkAreaOfTheScreen();
    EXPECT_EQ(Width(r), DeviceLength(bookWidth, s));
    EXPECT_EQ(Height(r), DeviceLength(kHeight, s));
    EXPECT_GE(r.left, area.left);
    EXPECT_GE(r.top, area.top);
    EXPECT_LE(r.right, area.right);
    EXPECT_LE(r.bottom, area.bottom);
  }
};

// A book of 12 pages whose page 1 holds a link to an anchor on page 8, with 30-pixel margins,
// 19-pixel lines and a bottom margin of 45.
std::string LinkBook(const std::string& title) {
  TBookWriter w;
  w.header.title = title;
  w.header.edition = "1";
  const uint16_t plain = AddTextStyle(w);
  const uint16_t link = AddTextStyle(w, "#far");
  for (int p = 0; p < 12; ++p) {
    w.AddPage(EncodePageRecord(-1, {TextLine("link link link", p == 1 ? link : plain)}));
  }
  w.AddAnchor("far", 8);
  SetTestMessages(w);
  return w.Build();
}

TEST_P(ReaderDpi, TheWindowFitsAndEveryControlLiesWhereItIsDrawn) {
  const DWORD dpi = GetParam();
  TLogPixels logPixels(dpi);
  TReader reader(Folder(LinkBook(title_)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  const RECT area = WorkAreaOfTheScreen();
  // One scale for the whole book: the largest at which its spreads fit.
  const double s = FittingScale(ChosenScale(dpi, kNormalZoom), kSpread, kHeight, Width(area), Height(area));
  {
    SCOPED_TRACE("the cover");
    ExpectWindow(main, s, kPage);
  }
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  ASSERT_TRUE(WaitFor([&] { return Width(WindowRect(main)) == DeviceLength(kSpread, s); }, 5000));
  ExpectWindow(main, s, kSpread);
  // A book position's device pixel.
  const auto click = [&](int32_t x, int32_t y) {
    MoveTo(main, DeviceLength(x, s), DeviceLength(y, s));
    Click(main, DeviceLength(x, s), DeviceLength(y, s));
  };

  // The link (its line's first letters) goes to the anchor's spread; Back returns.
  click(40, 30 + 9);
  EXPECT_TRUE(At(7));
  const int32_t about = ImageHeight(TBuiltIn::AboutButton);
  const int32_t back = 1 + about + ImageHeight(TBuiltIn::BackButton) / 2;
  click(1 + ImageWidth(TBuiltIn::BackButton) / 2, back);
  EXPECT_TRUE(At(1));
  // Both corners, at their tips.
  click(kSpread - 10, kHeight - 5);
  EXPECT_TRUE(At(3));
  click(10, kHeight - 5);
  EXPECT_TRUE(At(1));
  // The scroll bar: the middle of page 9's band.
  const int32_t top = ImageHeight(TBuiltIn::CloseButton) + 1;
  const int32_t bottom = kHeight - 45 - 20;
  click(kSpread - 10, top + (9 * 2 + 1) * (bottom - top) / 24);
  EXPECT_TRUE(At(9));

  // About: the cover under a box drawn at the monitor's DPI; Enter returns to the page.
  click(1 + about / 2, 1 + about / 2);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = OtherWindow(reader, main)) != nullptr; }));
  EXPECT_TRUE(At(0));
  const double boxScale = dpi / 96.0;
  EXPECT_EQ(Width(WindowRect(box)), DeviceLength(kBoxWidth, boxScale));
  EXPECT_EQ(Height(WindowRect(box)), DeviceLength(kBoxHeight, boxScale));
  PressKey(box, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return OtherWindow(reader, main) == nullptr; }));
  EXPECT_TRUE(At(9));

  // Minimise, and back; Close ends the reader.
  const int32_t cw = ImageWidth(TBuiltIn::CloseButton);
  ASSERT_TRUE(WaitFor([&] { return Width(WindowRect(main)) == DeviceLength(kSpread, s); }, 5000));
  click(kSpread - 2 * cw - 2 + cw / 2, cw / 2);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) != 0; }, 10000));
  PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) == 0; }, 10000));
  click(kSpread - cw / 2, cw / 2);
  EXPECT_EQ(reader.ExitCode(), 0u);
  EXPECT_EQ(Page(), "9");
}

// The page curl at the scale: frames other than the old and the new spread reach the screen in
// between, over the window's device pixels.
TEST_P(ReaderDpi, ThePageCurlPlaysAtTheScale) {
  TLogPixels logPixels(GetParam());
  TBookWriter w;
  w.header.title = title_;
  w.header.edition = "1";
  const uint16_t style = AddTextStyle(w);
  for (int p = 0; p < 12; ++p) {
    std::vector<TLineRecord> lines(20, TextLine("Page " + std::to_string(p) + " turns", style));
    w.AddPage(EncodePageRecord(-1, lines));
  }
  TPageCurlOptions curl;
  curl.duration = 3000;
  w.SetProperty("pageturn_animation", "true");
  w.SetProperty("anime", MakePageCurlText(curl));
  SetTestMessages(w);
  TReader reader(Folder(w.Build()));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  const std::vector<uint32_t> one = Settled(main);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(3));
  const std::vector<uint32_t> three = Settled(main);
  PressKey(main, VK_UP);
  ASSERT_TRUE(At(1));
  ASSERT_EQ(Settled(main), one);
  PressKey(main, VK_DOWN);
  std::set<std::vector<uint32_t>> frames;
  WaitFor([&] {
    std::vector<uint32_t> shown = Capture(main);
    if (shown == three) return true;
    if (shown != one) frames.insert(std::move(shown));
    return false;
  });
  EXPECT_GE(frames.size(), 3u);
  EXPECT_TRUE(At(3));
  Close(reader, main);
}

INSTANTIATE_TEST_SUITE_P(Dpi, ReaderDpi, ::testing::Values(144u, 192u),
                         [](const auto& param) { return std::to_string(param.param); });

class ReaderZoom : public ReaderDpi {};

// The window grows and shrinks around its centre a step at a time; the zoom is kept for the
// next start; unmodified, the zoom keys do nothing.
TEST_F(ReaderZoom, KeysAndTheWheelZoomAndTheZoomIsKept) {
  TLogPixels logPixels(96);
  const fs::path folder = Folder(NumberedBook(title_, 12));
  const auto sized = [](HWND main, double s) {
    return WaitFor([&] {
      const RECT r = WindowRect(main);
      return Width(r) == DeviceLength(kSpread, s) && Height(r) == DeviceLength(kHeight, s);
    }, 5000);
  };
  {
    TReader reader(folder);
    HWND main = Open(reader);
    ASSERT_NE(main, nullptr);
    PressKey(main, VK_DOWN);
    ASSERT_TRUE(At(1));
    ASSERT_TRUE(sized(main, 1));
    const RECT before = WindowRect(main);
    ControlKey(main, VK_OEM_PLUS);
    ControlKey(main, VK_ADD);
    ASSERT_TRUE(sized(main, 1.25));
    EXPECT_EQ(Setting(title_, "Zoom"), "125");
    const RECT after = WindowRect(main);
    EXPECT_LE(std::abs((after.left + after.right) - (before.left + before.right)), 1);
    EXPECT_LE(std::abs((after.top + after.bottom) - (before.top + before.bottom)), 1);
    // Without Ctrl: nothing (Down, handled after them, turns from page 1).
    PressKey(main, VK_OEM_PLUS);
    PressKey(main, '0');
    PressKey(main, VK_DOWN);
    EXPECT_TRUE(At(3));
    EXPECT_TRUE(sized(main, 1.25));
    // Ctrl+wheel towards the user: a step down.
    PostMessageW(main, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), 0);
    EXPECT_TRUE(sized(main, 1.1));
    EXPECT_EQ(Setting(title_, "Zoom"), "110");
    EXPECT_EQ(Page(), "3");
    Close(reader, main);
  }
  TReader reader(folder);
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(sized(main, 1.1));
  ControlKey(main, VK_SUBTRACT);
  ControlKey(main, VK_OEM_MINUS);
  EXPECT_TRUE(sized(main, 0.9));
  ControlKey(main, '0');
  EXPECT_TRUE(sized(main, 1));
  EXPECT_EQ(Setting(title_, "Zoom"), "100");
  Close(reader, main);
}

// A new DPI remakes the window and its layers at the new scale around the window's centre (the
// system's suggested rectangle cannot be sent from another process); its corner then turns.
TEST_F(ReaderZoom, ANewDpiRemakesTheWindowAtItsScale) {
  TLogPixels logPixels(96);
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  const RECT before = WindowRect(main);
  DWORD_PTR result = 0;
  ASSERT_TRUE(SendMessageTimeoutW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), 0, SMTO_NORMAL, 10000,
                                  &result));
  const RECT after = WindowRect(main);
  EXPECT_EQ(Width(after), DeviceLength(kSpread, 1.5));
  EXPECT_EQ(Height(after), DeviceLength(kHeight, 1.5));
  EXPECT_LE(std::abs((after.left + after.right) - (before.left + before.right)), 1);
  Click(main, DeviceLength(kSpread - 10, 1.5), DeviceLength(kHeight - 5, 1.5));
  EXPECT_TRUE(At(3));
  Close(reader, main);
}

// Run on a 1024 x 600 screen of its own (wine_reader_small_screen_test): at 192 dpi the spread
// window takes the largest scale that fits the work area, and its controls still lie where drawn.
class SmallScreen : public ReaderDpi {};

TEST_F(SmallScreen, TheSpreadWindowFitsTheWorkAreaAt192Dpi) {
  if (GetSystemMetrics(SM_CXSCREEN) != 1024 || GetSystemMetrics(SM_CYSCREEN) != 600) {
    GTEST_SKIP() << "needs a 1024 x 600 screen";
  }
  TLogPixels logPixels(192);
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  const RECT area = WorkAreaOfTheScreen();
  const double s = FittingScale(2, kSpread, kHeight, Width(area), Height(area));
  ASSERT_LT(s, 1.1);
  ASSERT_TRUE(WaitFor([&] { return Width(WindowRect(main)) == DeviceLength(kSpread, s); }, 5000));
  ExpectWindow(main, s, kSpread);
  // A larger zoom is kept, but the window stays as large as fits.
  ControlKey(main, VK_OEM_PLUS);
  EXPECT_TRUE(WaitFor([&] { return Setting(title_, "Zoom") == "110"; }, 5000));
  ExpectWindow(main, s, kSpread);
  Click(main, DeviceLength(kSpread - 10, s), DeviceLength(kHeight - 5, s));
  EXPECT_TRUE(At(3));
  Close(reader, main);
}

}  // namespace
}  // namespace folivar
