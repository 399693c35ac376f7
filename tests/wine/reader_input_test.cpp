// The reader's answers to a reader's hands, as a whole program under Wine: every key of the key
// table, the page corner held down, the scroll bar clicked and dragged, the window dragged, links
// inside the text (anchors, unknown anchors, web links through the shell and targets that must
// never reach it), and the page curl as the screen shows it.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "book/bookwriter.h"
#include "book/pictureencode.h"
#include "images/embed.h"
#include "reader/regstuff.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"
#include "tools/make/pagecurl.h"

namespace folivar {
namespace {

constexpr int32_t kSpreadWidth = 776;
constexpr int32_t kHeight = 575;

// The middle of the first letters of line k of a left page (30-pixel margins, 19-pixel lines).
POINT LineSpot(int k) { return {40, 30 + 19 * k + 9}; }

class ReaderInput : public ReaderFixture {
 protected:
  HWND Start(TReader& reader) {
    HWND main = Open(reader);
    EXPECT_NE(main, nullptr);
    return main;
  }
  void Close(TReader& reader, HWND main) {
    PressKey(main, VK_F4);
    EXPECT_EQ(reader.ExitCode(), 0u);
  }
};

TEST_F(ReaderInput, ArrowsAndPageKeysTurnByPageOrSpread) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Start(reader);
  ASSERT_NE(main, nullptr);
  // Right and Down go forward, Left, Page Up and Up back: by one page from the single cover, by
  // two while a spread is shown.
  PressKey(main, VK_RIGHT);
  EXPECT_TRUE(At(1));
  PressKey(main, VK_RIGHT);
  EXPECT_TRUE(At(3));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(5));
  PressKey(main, VK_LEFT);
  EXPECT_TRUE(At(3));
  PressKey(main, VK_PRIOR);
  EXPECT_TRUE(At(1));
  PressKey(main, VK_PRIOR);
  EXPECT_TRUE(At(0));
  EXPECT_EQ(Width(WindowRect(main)), kSpreadWidth / 2);
  // Before the first page the book stays where it is.
  PressKey(main, VK_LEFT);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(1));
  PressKey(main, VK_UP);
  EXPECT_TRUE(At(0));
  // Keys without an action do nothing.
  PressKey(main, 'Q');
  PressKey(main, VK_F5);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(1));
  Close(reader, main);
}

TEST_F(ReaderInput, EscapeMinimisesAndTheReaderComesBack) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Start(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  PressKey(main, VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) != 0; }, 10000));
  PostMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(main) == 0; }, 10000));
  // Restored in place and still answering keys.
  EXPECT_EQ(Width(WindowRect(main)), kSpreadWidth);
  EXPECT_EQ(Height(WindowRect(main)), kHeight);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(3));
  Close(reader, main);
}

// The buttons act on release, after the pointer has lit them as a user's would: About shows the
// cover with the book information and returns to the page; Back with no history stays;
// Minimise minimises; Close ends the reader.
TEST_F(ReaderInput, TheSideAndWindowButtons) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Start(reader);
  ASSERT_NE(main, nullptr);
  LoadBuiltInImages();
  const auto height = [](TBuiltIn b) { return static_cast<int32_t>(BuiltInImage(b).Height()); };
  const auto press = [&](int32_t x, int32_t y) {
    MoveTo(main, x, y);
    Pause(100);
    Click(main, x, y);
  };
  PressKey(main, VK_DOWN);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(3));

  // About: the cover, alone in a window of one page, under the box; then back to the spread.
  press(1 + height(TBuiltIn::AboutButton) / 2, 1 + height(TBuiltIn::AboutButton) / 2);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = reader.Box()) != nullptr; }));
  EXPECT_TRUE(At(0));
  EXPECT_EQ(Width(WindowRect(main)), kSpreadWidth / 2);
  PressKey(box, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }));
  EXPECT_TRUE(At(3));
  EXPECT_TRUE(WaitFor([&] { return Width(WindowRect(main)) == kSpreadWidth; }));

  // Back with an empty history: nothing happens. The print button is absent in this book, so
  // Back sits right below About.
  const int32_t backY = 1 + height(TBuiltIn::AboutButton) + height(TBuiltIn::BackButton) / 2;
  press(1 + height(TBuiltIn::BackButton) / 2, backY);
  Pause(500);
  EXPECT_TRUE(At(3));
  EXPECT_EQ(reader.Box(), nullptr);

  // Minimise, and back.
  const int32_t cw = static_cast<int32_t>(BuiltInImage(TBuiltIn::CloseButton).Width());
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

TEST_F(ReaderInput, VShowsTheBuildDateUntilEnterEscapeOrItsButton) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 12)));
  HWND main = Start(reader);
  ASSERT_NE(main, nullptr);
  auto open = [&]() -> HWND {
    PressKey(main, 'V');
    HWND box = nullptr;
    WaitFor([&] { return (box = reader.Box()) != nullptr; }, 10000);
    return box;
  };
  auto caption = [](HWND w) {
    wchar_t text[64] = {};
    GetWindowTextW(w, text, 64);
    return std::wstring(text);
  };
  // Enter closes it.
  HWND box = open();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(caption(box), L"Build date");
  PressKey(box, VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }, 10000));
  // Escape closes it.
  box = open();
  ASSERT_NE(box, nullptr);
  PressKey(box, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }, 10000));
  // Its one button (right-hand place of the box's button row) closes it.
  box = open();
  ASSERT_NE(box, nullptr);
  Click(box, 338, 135);
  EXPECT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }, 10000));
  // A key the box does not know leaves it open.
  box = open();
  ASSERT_NE(box, nullptr);
  PressKey(box, 'Q');
  Pause(500);
  EXPECT_EQ(reader.Box(), box);
  PressKey(box, VK_RETURN);
  EXPECT_TRUE(WaitFor([&] { return reader.Box() == nullptr; }, 10000));
  // The page did not move and the reader goes on.
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(1));
  Close(reader, main);
}

// The shell's handlers for web and mail links, pointed at a stand-in for the test's duration and
// put back afterwards.
class TShellHandlers {
 public:
  explicit TShellHandlers(const fs::path& standin) {
    const std::string command = "\"" + standin.string() + "\" \"%1\"";
    for (const char* scheme : {"http", "https", "mailto"}) {
      const std::string key = std::string(scheme) + "\\shell\\open\\command";
      TSaved saved{key, Read(key), false};
      saved.existed = saved.value.has_value;
      saved_.push_back(saved);
      // Wine registers its browser for these with a command alone (no DDE), so the command is
      // all the shell uses.
      Write(key, command);
    }
  }
  ~TShellHandlers() {
    for (const TSaved& s : saved_) {
      if (s.existed) {
        Write(s.key, s.value.text);
      } else {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, s.key.c_str());
      }
    }
  }
  TShellHandlers(const TShellHandlers&) = delete;
  TShellHandlers& operator=(const TShellHandlers&) = delete;

 private:
  struct TValue {
    bool has_value = false;
    std::string text;
  };
  struct TSaved {
    std::string key;
    TValue value;
    bool existed;
  };
  static TValue Read(const std::string& key) {
    char buffer[1024] = {};
    LONG size = sizeof buffer;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), buffer, &size) != ERROR_SUCCESS) return {};
    return {true, std::string(buffer)};
  }
  static void Write(const std::string& key, const std::string& value) {
    RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                 static_cast<DWORD>(value.size()));
  }
  std::vector<TSaved> saved_;
};

// The running processes started by process parent whose executable has that name.
int ChildrenNamed(DWORD parent, const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int found = 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, name) == 0) ++found;
  }
  CloseHandle(snapshot);
  return found;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TEST_F(ReaderInput, LinksGoToAnchorsAndOnlyWebLinksReachTheShell) {
  Greeted();
  const fs::path folder = Folder("");
  const fs::path standin = folder / "shell_standin.exe";
  fs::copy_file(std::string("Z:") + FOLIVAR_SHELL_STANDIN, standin);
  const fs::path opened = folder / "opened.txt";
  TShellHandlers handlers(standin);

  // Page 1, the left page of the first spread, holds one link per line.
  const std::vector<std::string> links = {
      "#far",                                   // 0: an anchor on page 8
      "#nowhere",                               // 1: no such anchor
      "#Far",                                   // 2: names are case-sensitive
      "file:///" + standin.generic_string(),    // 3: a file URL of a program
      standin.string(),                         // 4: a program
      "cmd",                                    // 5: the command interpreter
      "http://example.invalid/page?one=1",      // 6: the web
      "HTTPS://example.invalid/secure",         // 7: the web, scheme in capitals
      "mailto:reader@example.invalid",          // 8: mail
  };
  TBookWriter w;
  w.header.title = title_;
  w.header.edition = "1";
  const uint16_t plain = AddTextStyle(w);
  for (int p = 0; p < 12; ++p) {
    std::vector<TLineRecord> lines;
    if (p == 1) {
      for (const std::string& link : links) lines.push_back(TextLine("link link link", AddTextStyle(w, link)));
    } else {
      lines.push_back(TextLine("Page " + std::to_string(p), plain));
    }
    w.AddPage(EncodePageRecord(-1, lines));
  }
  w.AddAnchor("near", 2);
  w.AddAnchor("far", 8);
  SetTestMessages(w);
  test::WriteTempFile(name_ + "/book.bin", w.Build());

  TReader reader(folder);
  HWND main = Start(reader);
  ASSERT_NE(main, nullptr);
  auto follow = [&](int line) {
    const POINT at = LineSpot(line);
    MoveTo(main, at.x, at.y);
    Click(main, at.x, at.y);
  };
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));

  // Unknown anchors do nothing and leave no history: Backspace then does nothing either. Posted
  // messages are handled in order, so Down lands on 3 only if nothing moved before it.
  follow(1);
  follow(2);
  PressKey(main, VK_BACK);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(3));
  PressKey(main, VK_UP);
  ASSERT_TRUE(At(1));

  // An anchor link goes to the anchor's spread; Backspace returns to the link's page, once.
  follow(0);
  EXPECT_TRUE(At(7));
  PressKey(main, VK_BACK);
  EXPECT_TRUE(At(1));
  PressKey(main, VK_BACK);
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(3));
  PressKey(main, VK_UP);
  ASSERT_TRUE(At(1));

  // Files, programs and commands never reach the shell; the web and mail do, one start each.
  follow(3);
  follow(4);
  follow(5);
  follow(6);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(opened); })) << "the shell did not open the web link";
  follow(7);
  follow(8);
  EXPECT_TRUE(WaitFor([&] { return Lines(test::ReadWholeFile(opened.string())).size() >= 3; }));
  SetCursorPos(0, 0);
  Pause(1500);  // time for a start that must not come
  const std::string log = test::ReadWholeFile(opened.string());
  const std::vector<std::string> starts = Lines(log);
  EXPECT_EQ(starts.size(), 3u) << log;
  // The stand-ins run side by side: their lines come in any order.
  auto started = [&](const std::string& target) {
    return std::count_if(starts.begin(), starts.end(), [&](const std::string& s) {
      return s.find("\"" + target + "\"") != std::string::npos;
    });
  };
  EXPECT_EQ(started("http://example.invalid/page?one=1"), 1) << log;
  EXPECT_EQ(started("HTTPS://example.invalid/secure"), 1) << log;
  EXPECT_EQ(started("mailto:reader@example.invalid"), 1) << log;
  for (const std::string& s : starts) {
    EXPECT_EQ(s.find("file:"), std::string::npos) << s;
    EXPECT_EQ(s.find("cmd"), std::string::npos) << s;
  }
  EXPECT_EQ(ChildrenNamed(reader.Id(), "cmd.exe"), 0) << "the command interpreter was started";
  // Following a link does not turn the page.
  EXPECT_EQ(Page(), "1");
  Close(reader, main);
}

TEST_F(ReaderInput, AHeldCornerTurnsOnceThenOnEveryTick) {
  Greeted();
  TReader reader(Folder(NumberedBook(title_, 400)));
  HWND main = Start(reader);
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
  const int held = std::stoi(Page());
  ButtonUp(main, x, y);
  const double seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
  const int turns = (held - 1) / 2;
  std::printf("corner held %.2f s: %d turns\n", seconds, turns);
  RecordProperty("heldTurns", turns);
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

TEST_F(ReaderInput, TheScrollBarJumpsAndDragsAndTheWindowDrags) {
  Greeted();
  const int pages = 100;
  TReader reader(Folder(NumberedBook(title_, pages)));
  HWND main = Start(reader);
  ASSERT_NE(main, nullptr);
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(At(1));
  // The bar runs down the right edge from below the close button to above the page numbers.
  LoadBuiltInImages();
  const int32_t top = static_cast<int32_t>(BuiltInImage(TBuiltIn::CloseButton).Height()) + 1;
  const int32_t bottom = kHeight - 45 - 20;
  const double rows = static_cast<double>(bottom - top) / pages;
  // The middle of page p's band on the bar.
  auto band = [&](int p) { return top + static_cast<int32_t>((p + 0.5) * rows); };
  const int32_t x = kSpreadWidth - 10;

  // A click jumps to the page under the pointer (a spread's left page).
  MoveTo(main, x, band(51));
  Click(main, x, band(51));
  EXPECT_TRUE(At(51));
  MoveTo(main, x, band(20));
  Click(main, x, band(20));
  EXPECT_TRUE(At(19));
  // A press on the thumb and a drag: the page follows the pointer while the button is held.
  MoveTo(main, x, band(19));
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
  // The very end of the bar is the last page.
  MoveTo(main, x, bottom - 1);
  Click(main, x, bottom - 1);
  EXPECT_TRUE(At(pages - 1));

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
  const bool moved = WaitFor([&] {
    const RECT r = WindowRect(main);
    return r.left == before.left + dx && r.top == before.top + dy;
  }, 10000);
  const RECT after = WindowRect(main);
  EXPECT_TRUE(moved) << "window at " << after.left << "," << after.top << " from " << before.left
                     << "," << before.top;
  EXPECT_EQ(Width(after), Width(before));
  EXPECT_EQ(Height(after), Height(before));
  ButtonUp(main, grip.x + dx, grip.y + dy);
  // The release is handled before what is posted after it: once Home has turned, the pointer may
  // go. (The window follows the pointer's position when a move is handled, not when it was made.)
  PressKey(main, VK_HOME);
  EXPECT_TRUE(At(0));
  // Page 0 is a single page: the window moved by the window shift only.
  const RECT single = WindowRect(main);
  EXPECT_EQ(single.left, after.left + 340);
  EXPECT_EQ(single.top, after.top);
  // Released, the window stays where it is when the pointer moves on.
  SetCursorPos(0, 0);
  PostMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  PressKey(main, VK_END);
  EXPECT_TRUE(At(pages - 1));
  const RECT last = WindowRect(main);
  EXPECT_EQ(last.left, after.left);
  EXPECT_EQ(last.top, after.top);
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

// The distinct screen images of the window, other than from and to, until the reader is on page.
std::set<std::vector<uint32_t>> FramesUntil(HWND window,
                                            const std::vector<uint32_t>& from,
                                            const std::vector<uint32_t>& to,
                                            const std::function<bool()>& arrived) {
  std::set<std::vector<uint32_t>> frames;
  WaitFor([&] {
    std::vector<uint32_t> shown = Capture(window);
    if (shown != from && shown != to) frames.insert(std::move(shown));
    return arrived();
  });
  return frames;
}

TEST_F(ReaderInput, ThePageCurlIsSeenOnScreenBothWays) {
  Greeted();
  TReader reader(Folder(CurlBook(title_, 3000)));
  HWND main = Start(reader);
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

  // Forward: the right page lifts at the spine and lands on the left.
  const auto started = Clock::now();
  PressKey(main, VK_DOWN);
  const auto forward = FramesUntil(main, one, three, [&] { return Page() == "3"; });
  const double forwardSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  EXPECT_GE(forward.size(), 3u);
  EXPECT_EQ(Settled(main), three);
  // Backward: the left page lifts and lands on the right.
  PressKey(main, VK_UP);
  const auto backward = FramesUntil(main, three, one, [&] { return Page() == "1"; });
  EXPECT_GE(backward.size(), 3u);
  EXPECT_EQ(Settled(main), one);
  // The two ways show different pictures.
  size_t shared = 0;
  for (const auto& f : forward) shared += backward.count(f);
  EXPECT_LT(shared, 2u);
  std::printf("forward turn %.2f s: %zu frames seen; backward %zu\n", forwardSeconds, forward.size(),
              backward.size());
  RecordProperty("forwardFrames", static_cast<int>(forward.size()));
  RecordProperty("backwardFrames", static_cast<int>(backward.size()));

  // A key pressed while a turn plays is handled once it has ended, not lost.
  const auto pressed = Clock::now();
  PressKey(main, VK_DOWN);
  ASSERT_TRUE(WaitFor([&] { return Capture(main) != one; }, 10000));
  PressKey(main, VK_DOWN);
  EXPECT_TRUE(At(3));
  const auto first = Clock::now();
  EXPECT_TRUE(At(5, kTimeoutMs));
  const auto second = Clock::now();
  std::printf("a key pressed during a 3 s turn: the turn ended after %.2f s, the key's own turn "
              "took %.2f s more\n",
              std::chrono::duration<double>(first - pressed).count(),
              std::chrono::duration<double>(second - first).count());
  Close(reader, main);
}

}  // namespace
}  // namespace folivar
