// The reader's answers to a reader's hands, as a whole program under Wine: its own buttons, links
// inside the text (anchors, and web links through the shell while programs never reach it), the
// page corner held down, the scroll bar and the window dragged, the hover highlight and the page
// curl as the screen shows it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "images/embed.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"
#include "tools/make/pagecurl.h"

namespace folivar {
namespace {

constexpr int32_t kSpreadWidth = 776;
constexpr int32_t kHeight = 575;

int32_t ImageWidth(TBuiltIn b) { return static_cast<int32_t>(BuiltInImage(b).Width()); }
int32_t ImageHeight(TBuiltIn b) { return static_cast<int32_t>(BuiltInImage(b).Height()); }

class ReaderInput : public ReaderFixture {
 protected:
  void SetUp() override {
    ReaderFixture::SetUp();
    Greeted();
    LoadBuiltInImages();
  }
};

// The buttons act on release, after the pointer has lit them as a user's would: About shows the
// cover with the book information and returns to the page; Minimise minimises; Close ends the
// reader. (Which button lies where is tested natively, Back with the keys.)
TEST_F(ReaderInput, TheSideAndWindowButtons) {
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  const auto press = [&](int32_t x, int32_t y) {
    MoveTo(main, x, y);
    Pause(100);
    Click(main, x, y);
  };
  PressKey(main, VK_DOWN);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(3));

  // About: the cover, alone in a window of one page, under the box; then back to the spread.
  const int32_t about = ImageHeight(TBuiltIn::AboutButton);
  press(1 + about / 2, 1 + about / 2);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = reader.Box()) != nullptr; }));
  EXPECT_TRUE(At(0));
  EXPECT_EQ(Width(WindowRect(main)), kSpreadWidth / 2);
  PressKey(box, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }));
  EXPECT_TRUE(At(3));
  EXPECT_TRUE(WaitFor([&] { return Width(WindowRect(main)) == kSpreadWidth; }));

  // Minimise, and back.
  const int32_t cw = ImageWidth(TBuiltIn::CloseButton);
  press(kSpreadWidth - 2 * cw - 2 + cw / 2, cw / 2);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) != 0; }, 10000));
  PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) == 0; }, 10000));
  EXPECT_TRUE(At(3));

  // Close ends the reader, which keeps its place.
  press(kSpreadWidth - cw / 2, cw / 2);
  EXPECT_EQ(reader.ExitCode(), 0u);
  EXPECT_EQ(Page(), "3");
}

// The shell's handler for web links, pointed at a stand-in for the test's duration and put back
// afterwards. Wine registers its browser with a command alone (no DDE), so the command is all the
// shell uses.
class TWebHandler {
 public:
  explicit TWebHandler(const fs::path& standin) {
    LONG size = sizeof saved_;
    existed_ = RegQueryValueA(HKEY_CLASSES_ROOT, kKey, saved_, &size) == ERROR_SUCCESS;
    Write("\"" + standin.string() + "\" \"%1\"");
  }
  ~TWebHandler() { existed_ ? Write(saved_) : void(RegDeleteKeyA(HKEY_CLASSES_ROOT, kKey)); }

 private:
  static constexpr char kKey[] = "http\\shell\\open\\command";
  static void Write(const std::string& value) {
    RegSetValueA(HKEY_CLASSES_ROOT, kKey, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
  }
  bool existed_ = false;
  char saved_[1024] = {};
};

TEST_F(ReaderInput, LinksGoToAnchorsAndOnlyWebLinksReachTheShell) {
  const fs::path folder = Folder("");
  const fs::path standin = folder / "shell_standin.exe";
  fs::copy_file(std::string("Z:") + FOLIVAR_SHELL_STANDIN, standin);
  const fs::path opened = folder / "opened.txt";
  TWebHandler handler(standin);

  // Page 1, the left page of the first spread, holds one link per line.
  const std::vector<std::string> links = {
      "#far",                               // 0: an anchor on page 8
      "#nowhere",                           // 1: no such anchor
      standin.string(),                     // 2: a program
      "http://example.invalid/page?one=1",  // 3: the web
  };
  TBookWriter w;
  w.header.title = title_;
  w.header.edition = "1";
  const uint16_t plain = AddTextStyle(w);
  for (int p = 0; p < 12; ++p) {
    std::vector<TLineRecord> lines;
    for (const std::string& link : links)
      lines.push_back(TextLine("link link link", p == 1 ? AddTextStyle(w, link) : plain));
    w.AddPage(EncodePageRecord(-1, lines));
  }
  w.AddAnchor("far", 8);
  SetTestMessages(w);
  test::WriteTempFile(name_ + "/book.bin", w.Build());

  TReader reader(folder);
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  // The middle of the first letters of a line of the left page (30-pixel margins, 19-pixel lines).
  auto follow = [&](int line) {
    const int32_t y = 30 + 19 * line + 9;
    MoveTo(main, 40, y);
    Click(main, 40, y);
  };
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  // An unknown anchor does nothing and leaves no history: posted messages are handled in order,
  // so Down lands on 3 only if nothing moved before it.
  follow(1);
  PressKey(main, VK_BACK);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(3));
  PressKey(main, VK_UP);
  ASSERT_TRUE(At(1));
  // An anchor link goes to the anchor's spread; Backspace returns to the link's page.
  follow(0);
  EXPECT_TRUE(At(7));
  PressKey(main, VK_BACK);
  ASSERT_TRUE(At(1));
  // A program never reaches the shell; the web does, once.
  follow(2);
  follow(3);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(opened); })) << "the shell did not open the web link";
  SetCursorPos(0, 0);
  Pause(1500);  // time for a start that must not come
  EXPECT_EQ(test::ReadWholeFile(opened.string()),
            "\"" + standin.string() + "\" \"http://example.invalid/page?one=1\"\n");
  EXPECT_EQ(Page(), "1");
  Close(reader, main);
}

TEST_F(ReaderInput, AHeldCornerTurnsOnceThenOnEveryTick) {
  TReader reader(Folder(NumberedBook(title_, 400)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  const int32_t x = kSpreadWidth - 10, y = kHeight - 5;
  // A reader's hand comes over the corner first: the highlight starts and the timer watches.
  MoveTo(main, x, y);
  Pause(300);
  MoveTo(main, x, y);
  ButtonDown(main, x, y);
  const auto pressed = Clock::now();
  EXPECT_TRUE(At(3));
  // The repetition waits 21 ticks of 50 ms: half a second in, the one page is all.
  Pause(500);
  EXPECT_EQ(Page(), "3");
  std::this_thread::sleep_until(pressed + std::chrono::milliseconds(2500));
  const int turns = (std::stoi(Page()) - 1) / 2;
  ButtonUp(main, x, y);
  const double seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
  // At least a few repeats after the first second; never more than one a tick.
  EXPECT_GE(turns, 4);
  EXPECT_LE(turns, 1 + static_cast<int>(seconds * 1000 / 50) - 20 + 2);
  // Released, it stops.
  Pause(300);
  const std::string after = Page();
  Pause(600);
  EXPECT_EQ(Page(), after);
  SetCursorPos(0, 0);
  Close(reader, main);
}

// Whether the reader's window holds the mouse.
bool Captures(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         info.hwndCapture == window;
}

// The left button pressed or released by the hardware, wherever the pointer is.
void HardwareButton(DWORD flag) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof input);
}

TEST_F(ReaderInput, TheScrollBarJumpsAndDragsAndTheWindowDrags) {
  const int pages = 100;
  // Every line is a link that goes nowhere.
  TReader reader(Folder(NumberedBook(title_, pages, "#nowhere")));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  // The bar runs down the right edge from below the close button to above the page numbers.
  const int32_t top = ImageHeight(TBuiltIn::CloseButton) + 1;
  const int32_t bottom = kHeight - 45 - 20;
  // The middle of page p's band on the bar.
  auto band = [&](int p) { return top + static_cast<int32_t>((p + 0.5) * (bottom - top) / pages); };
  const int32_t x = kSpreadWidth - 10;

  // A click jumps to the page under the pointer (a spread's left page); the bar's end is the
  // last page.
  for (const auto& [y, page] : {std::pair{band(51), 51}, {band(20), 19}, {bottom - 1, pages - 1},
                                {band(19), 19}}) {
    MoveTo(main, x, y);
    Click(main, x, y);
    EXPECT_TRUE(At(page));
  }
  // A press on the thumb and a drag: the page follows the pointer while the button is held.
  ButtonDown(main, x, band(19));
  MoveTo(main, x, band(40), true);
  EXPECT_TRUE(At(39));
  MoveTo(main, x, band(81), true);
  EXPECT_TRUE(At(81));
  ButtonUp(main, x, band(81));
  // Released, moves over the bar no longer turn: Down then lands two pages on.
  MoveTo(main, x, band(10));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(83));
  // Released over a link, the drag ends all the same.
  MoveTo(main, x, band(19));
  ButtonDown(main, x, band(19));
  ButtonUp(main, 40, 39);
  MoveTo(main, x, band(60));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(21));
  // The drag holds the mouse, so that a release just past the window's right edge ends it too.
  const RECT r = WindowRect(main);
  SetCursorPos(r.left + x, r.top + band(21));
  HardwareButton(MOUSEEVENTF_LEFTDOWN);
  EXPECT_TRUE(WaitFor([&] { return Captures(main); }, 5000));
  SetCursorPos(r.right + 3, r.top + band(21));
  HardwareButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitFor([&] { return !Captures(main); }, 5000));
  MoveTo(main, x, band(60));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(23));

  // A press away from every hot spot and link drags the window with the pointer.
  const RECT before = WindowRect(main);
  const POINT grip{300, 400};
  MoveTo(main, grip.x, grip.y);
  ButtonDown(main, grip.x, grip.y);
  const int32_t dx = 40, dy = 25;
  for (int step = 1; step <= 4; ++step) {
    SetCursorPos(before.left + grip.x + dx * step / 4, before.top + grip.y + dy * step / 4);
    PostMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(grip.x + dx * step / 4, grip.y + dy * step / 4));
  }
  EXPECT_TRUE(WaitFor([&] {
    const RECT now = WindowRect(main);
    return now.left == before.left + dx && now.top == before.top + dy;
  }, 10000));
  const RECT after = WindowRect(main);
  EXPECT_EQ(Width(after), Width(before));
  ButtonUp(main, grip.x + dx, grip.y + dy);
  // The release is handled before what is posted after it: once Home has turned (to a single
  // page: the window shifts), the pointer may go.
  PressKey(main, VK_HOME);
  EXPECT_TRUE(At(0));
  EXPECT_EQ(WindowRect(main).left, after.left + 340);
  // Released, the window stays where it is when the pointer moves on.
  SetCursorPos(0, 0);
  PostMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  PressKey(main, VK_END);
  EXPECT_TRUE(At(pages - 1));
  EXPECT_EQ(WindowRect(main).left, after.left);
  EXPECT_EQ(WindowRect(main).top, after.top);
  Close(reader, main);
}

// The hover highlight on screen: the pointer over a hot spot blends its lit look into the
// rectangle of the spot's code and nowhere else; once the pointer has left the window, it fades out.
TEST_F(ReaderInput, TheHoverHighlightLightsItsSpotAndFades) {
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  const std::vector<uint32_t> plain = Settled(main);
  const int32_t cornerW = ImageWidth(TBuiltIn::CornerRight), cornerH = ImageHeight(TBuiltIn::CornerRight);
  const int32_t about = ImageHeight(TBuiltIn::AboutButton);
  const struct {
    const char* spot;
    POINT pointer;
    RECT lit;
  } spots[] = {
      {"next corner", {kSpreadWidth - 10, kHeight - 5},
       {kSpreadWidth - cornerW - 1, kHeight - cornerH - 1, kSpreadWidth - 1, kHeight - 1}},
      // The side buttons share one code: About and Back (this book prints nothing) light together.
      {"side buttons", {1 + about / 2, 1 + about / 2},
       {1, 1, 1 + std::max(ImageWidth(TBuiltIn::AboutButton), ImageWidth(TBuiltIn::BackButton)),
        1 + about + ImageHeight(TBuiltIn::BackButton)}},
  };
  for (const auto& s : spots) {
    SCOPED_TRACE(s.spot);
    MoveTo(main, s.pointer.x, s.pointer.y);
    size_t inside = 0, outside = 0;
    WaitFor([&] {
      const std::vector<uint32_t> shown = Capture(main);
      inside = outside = 0;
      for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kSpreadWidth; ++x) {
          const size_t i = size_t(y) * kSpreadWidth + size_t(x);
          if (shown[i] == plain[i]) continue;
          const bool in = x >= s.lit.left && x < s.lit.right && y >= s.lit.top && y < s.lit.bottom;
          ++(in ? inside : outside);
        }
      return inside > 0 && outside == 0;
    }, 5000);
    EXPECT_GT(inside, 0u);
    EXPECT_EQ(outside, 0u);
  }
  SetCursorPos(0, 0);
  EXPECT_TRUE(WaitFor([&] { return Capture(main) == plain; }, 10000));
  Close(reader, main);
}

// A book whose spreads turn with the page curl, slowly, over pages that show a gradient, so that
// every column of a turning page differs from what lies under it.
std::string CurlBook(const std::string& title, int32_t duration) {
  TBookWriter w;
  w.header.title = title;
  w.header.edition = "1";
  std::vector<uint32_t> pattern;
  const uint32_t pw = 388, ph = 575;
  for (uint32_t y = 0; y < ph; ++y)
    for (uint32_t x = 0; x < pw; ++x) pattern.push_back(((x * 255 / pw) << 16) | ((y * 255 / ph) << 8) | 0x40);
  w.header.backgroundImage = w.AddPicture(0, PackedPictureRecord(pw, ph, PackRawPixels(pattern.data(), pw, ph)));
  const uint16_t style = AddTextStyle(w);
  for (int p = 0; p < 12; ++p) w.AddPage(EncodePageRecord(-1, {TextLine("Page " + std::to_string(p), style)}));
  TPageCurlOptions curl;
  curl.duration = duration;
  w.SetProperty("pageturn_animation", "true");
  w.SetProperty("anime", MakePageCurlText(curl));
  SetTestMessages(w);
  return w.Build();
}

// The distinct screen images of the window, other than from and to, until it shows to.
std::set<std::vector<uint32_t>> FramesUntil(HWND window, const std::vector<uint32_t>& from,
                                            const std::vector<uint32_t>& to) {
  std::set<std::vector<uint32_t>> frames;
  WaitFor([&] {
    std::vector<uint32_t> shown = Capture(window);
    if (shown == to) return true;
    if (shown != from) frames.insert(std::move(shown));
    return false;
  });
  return frames;
}

TEST_F(ReaderInput, ThePageCurlIsSeenOnScreen) {
  TReader reader(Folder(CurlBook(title_, 3000)));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);  // from the single cover to the first spread: no curl
  ASSERT_TRUE(At(1));
  const std::vector<uint32_t> one = Settled(main);
  // The new spread as it will be shown: turn there and back without looking, then capture it.
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(3));
  const std::vector<uint32_t> three = Settled(main);
  ASSERT_NE(one, three);
  PressKey(main, VK_UP);
  ASSERT_TRUE(At(1));
  ASSERT_EQ(Settled(main), one);
  // The turn's frames reach the screen between the two spreads (which pictures they are, both
  // ways, is tested natively).
  PressKey(main, VK_DOWN);
  EXPECT_GE(FramesUntil(main, one, three).size(), 3u);
  EXPECT_TRUE(At(3));
  Close(reader, main);
}

}  // namespace
}  // namespace folivar
