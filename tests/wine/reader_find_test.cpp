// Finding, copying and links from the keyboard, as a whole program under Wine with keystrokes
// given to the system's input (SendInput): Ctrl+F and a typed word show the spread of its next
// occurrence with the word highlighted on the screen, F3 goes on, a word that is nowhere brings
// the book's own "not found" box, Backspace returns to where the search began; Cyrillic typed
// finds a Russian word whatever its case; Ctrl+C puts the spread's text on the clipboard and
// Ctrl+V pastes into the box; Tab frames the first link and Enter follows it; zoomed in, the
// highlight still lies over the word.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "core/codepage.h"
#include "tests/support/testsupport.h"
#include "tests/wine/readerharness.h"

namespace folivar {
namespace {

constexpr int32_t kSpreadWidth = 776;
constexpr int32_t kMargin = 30;  // the test books' top and left margins
constexpr int32_t kLine = 19;
constexpr char kNotFound[] = "No such words in this book";

// One key pressed and released through the system's input, with modifiers held around it.
void Keystroke(WORD key, std::vector<WORD> held = {}) {
  std::vector<INPUT> inputs;
  const auto add = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  for (WORD h : held) add(h, false);
  add(key, false);
  add(key, true);
  for (auto h = held.rbegin(); h != held.rend(); ++h) add(*h, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Pause(150);
}

// Real input goes to the foreground window: the reader is brought there, and the keys wait until
// it is (the system takes a moment to move the focus).
void Activate(HWND window) {
  SetForegroundWindow(window);
  WaitFor([&] { return GetForegroundWindow() == window; }, 3000);
  Pause(150);
}

// Text typed as characters (whatever the keyboard layout), each reaching the window as WM_CHAR.
void Type(const std::u16string& text) {
  for (char16_t c : text) {
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = c;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof(INPUT));
    Pause(30);
  }
  Pause(150);
}

// The reader's visible window other than its main one whose caption is the text.
HWND WindowTitled(const TReader& reader, HWND main, const std::u16string& caption) {
  struct TSearch {
    DWORD process;
    HWND main;
    std::wstring caption;
    HWND found = nullptr;
  } search{reader.Id(), main, std::wstring(caption.begin(), caption.end())};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t text[128] = {};
        GetWindowTextW(w, text, 128);
        if (owner != s.process || w == s.main || !IsWindowVisible(w) || s.caption != text)
          return TRUE;
        s.found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Pixels of a line's band on the left or right half of the spread (columns from .. to - 1 of the
// half) that a colour check holds for.
int CountInBand(const std::vector<uint32_t>& screen, int32_t line, bool right,
                bool (*holds)(uint32_t), int32_t from = 0, int32_t to = kSpreadWidth / 2) {
  const int32_t top = kMargin + kLine * line;
  const int32_t x0 = right ? kSpreadWidth / 2 : 0;
  int count = 0;
  for (int32_t y = top; y < top + kLine; ++y)
    for (int32_t x = x0 + from; x < x0 + to; ++x)
      if (holds(screen[static_cast<size_t>(y) * kSpreadWidth + static_cast<size_t>(x)])) ++count;
  return count;
}

// The match's highlight: yellow laid over the page (red well above blue).
bool Highlighted(uint32_t p) {
  const int r = static_cast<int>((p >> 16) & 0xFF), b = static_cast<int>(p & 0xFF);
  return r - b > 60;
}
// The focus frame's blue.
bool Framed(uint32_t p) { return (p & 0xFFFFFF) == 0x0050D0; }

std::u16string Clipboard() {
  std::u16string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* p = static_cast<const char16_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool SetClipboard(const std::u16string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool set = false;
  if (memory) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!set) GlobalFree(memory);
  }
  CloseClipboard();
  return set;
}

class ReaderFind : public ReaderFixture {
 protected:
  void SetUp() override {
    ReaderFixture::SetUp();
    Greeted();
  }

  // Pages 0 to 15 in spreads from page 1, three plain lines each; "zebra" on page 6 (line 2) and
  // page 9 (line 1), a Russian word on page 11 (line 1), and on page 1 a fourth line that links to
  // page 13.
  std::string Book() {
    TBookWriter w;
    w.header.title = title_;
    w.header.edition = "1";
    const uint16_t plain = AddTextStyle(w);
    const uint16_t link = AddTextStyle(w, "#far");
    for (int p = 0; p < 16; ++p) {
      std::vector<TLineRecord> lines = {TextLine("Page " + std::to_string(p), plain),
                                        TextLine("plain words here", plain),
                                        TextLine("more plain words", plain)};
      if (p == 6) lines[2] = TextLine("the zebra runs", plain);
      if (p == 9) lines[1] = TextLine("a zebra again", plain);
      if (p == 11) lines[1] = TextLine(Utf8ToCp1251("жираф и слон"), plain);
      if (p == 1) lines.push_back(TextLine("go far away", link));
      w.AddPage(EncodePageRecord(-1, lines));
    }
    w.AddAnchor("far", 13);
    w.SetMessages({"ok", "information", "WasPresses_enter", "theend", "find", "findprompt",
                   "notfound", "close"},
                  {"OK", "Information", "OK:", "The very end", "Search", "Type a word",
                   kNotFound, "Done"});
    return w.Build();
  }
};

TEST_F(ReaderFind, FindGoesToTheWordAndMarksItF3GoesOnBackspaceReturns) {
  TReader reader(Folder(Book()));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  Activate(main);
  Keystroke(VK_DOWN);
  ASSERT_TRUE(At(1));

  Keystroke('F', {VK_CONTROL});
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, u"Search") != nullptr; }))
      << "Ctrl+F opens the find box with the book's title";
  Type(u"zebra");
  Keystroke(VK_RETURN);
  // Page 6 is the right page of the spread from 5.
  ASSERT_TRUE(At(5));
  std::vector<uint32_t> screen = Settled(main);
  EXPECT_GT(CountInBand(screen, 2, true, Highlighted), 100) << "the word is highlighted";
  // The word alone: not "the" before it (the right page's text starts 30 pixels into its half).
  EXPECT_EQ(CountInBand(screen, 2, true, Highlighted, 0, kMargin + 12), 0);
  EXPECT_EQ(CountInBand(screen, 1, true, Highlighted), 0);
  EXPECT_EQ(CountInBand(screen, 2, false, Highlighted), 0);

  Keystroke(VK_F3);
  ASSERT_TRUE(At(9));
  screen = Settled(main);
  EXPECT_GT(CountInBand(screen, 1, false, Highlighted), 100);
  EXPECT_EQ(CountInBand(screen, 2, false, Highlighted), 0);
  // Shift+F3 goes back to the first one.
  Keystroke(VK_F3, {VK_SHIFT});
  ASSERT_TRUE(At(5));

  // Escape closes the box; Backspace then returns to where the search began.
  Keystroke(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, u"Search") == nullptr; }));
  EXPECT_FALSE(IsIconic(main)) << "Escape closed the box and did not minimise";
  Keystroke(VK_BACK);
  ASSERT_TRUE(At(1));
  screen = Settled(main);
  EXPECT_EQ(CountInBand(screen, 2, true, Highlighted), 0) << "the mark went with its page";

  // A word that is nowhere: the book's own words say so, and nothing moves.
  Keystroke('F', {VK_CONTROL});
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, u"Search") != nullptr; }));
  for (int i = 0; i < 5; ++i) Keystroke(VK_BACK);
  Type(u"qqq");
  Keystroke(VK_RETURN);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    return (box = WindowTitled(reader, main, Utf8ToUtf16(kNotFound))) != nullptr;
  }));
  PressKey(box, VK_RETURN);
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, Utf8ToUtf16(kNotFound)) == nullptr; }));
  EXPECT_EQ(Page(), "1");
  Activate(main);

  // Cyrillic in capitals finds the word in small letters.
  for (int i = 0; i < 3; ++i) Keystroke(VK_BACK);
  Type(u"ЖИРАФ");
  Keystroke(VK_RETURN);
  ASSERT_TRUE(At(11));
  screen = Settled(main);
  EXPECT_GT(CountInBand(screen, 1, false, Highlighted), 100);
  Keystroke(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, u"Search") == nullptr; }));
  Close(reader, main);
}

TEST_F(ReaderFind, CtrlCCopiesTheSpreadAndTabEnterFollowsALink) {
  TReader reader(Folder(Book()));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  Activate(main);
  Keystroke(VK_DOWN);
  ASSERT_TRUE(At(1));

  // F3 with nothing to look for asks for it.
  Keystroke(VK_F3);
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, u"Search") != nullptr; }));
  Keystroke(VK_ESCAPE);
  ASSERT_TRUE(WaitFor([&] { return WindowTitled(reader, main, u"Search") == nullptr; }));

  Keystroke('C', {VK_CONTROL});
  EXPECT_TRUE(WaitFor([&] {
    return Clipboard() ==
           u"Page 1\r\nplain words here\r\nmore plain words\r\ngo far away\r\n"
           u"Page 2\r\nplain words here\r\nmore plain words";
  })) << "the clipboard holds: " << Utf16ToUtf8(Clipboard());

  // Tab frames the link; Enter follows it, and Backspace comes back.
  Keystroke(VK_TAB);
  const std::vector<uint32_t> screen = Settled(main);
  EXPECT_GT(CountInBand(screen, 3, false, Framed) + CountInBand(screen, 4, false, Framed), 40);
  EXPECT_EQ(CountInBand(screen, 1, false, Framed), 0);
  Keystroke(VK_RETURN);
  ASSERT_TRUE(At(13));
  Keystroke(VK_BACK);
  ASSERT_TRUE(At(1));
  // Without a focus Enter turns the page as ever.
  Keystroke(VK_RETURN);
  ASSERT_TRUE(At(3));

  // Ctrl+V pastes into the find box, its line end as a space.
  ASSERT_TRUE(SetClipboard(u"zebra\r\nagain"));
  Keystroke('F', {VK_CONTROL});
  Keystroke('V', {VK_CONTROL});
  Keystroke(VK_RETURN);
  EXPECT_TRUE(At(9));
  EXPECT_EQ(WindowTitled(reader, main, u"Build date"), nullptr);
  Keystroke(VK_ESCAPE);
  Close(reader, main);
}

// Zoomed in, the highlight lies over the word's device pixels.
TEST_F(ReaderFind, TheHighlightFollowsTheScale) {
  TReader reader(Folder(Book()));
  HWND main = Open(reader);
  ASSERT_NE(main, nullptr);
  Activate(main);
  Keystroke(VK_DOWN);
  ASSERT_TRUE(At(1));
  for (int i = 0; i < 3; ++i) Keystroke(VK_OEM_PLUS, {VK_CONTROL});  // 110, 125, 150%
  ASSERT_TRUE(WaitFor([&] { return Width(WindowRect(main)) > kSpreadWidth; }));
  Pause(300);
  const int32_t width = Width(WindowRect(main));
  // The scale the screen shows (the largest up to 150% at which the spread fits the screen).
  const double s = static_cast<double>(width) / kSpreadWidth;
  const auto device = [s](int32_t v) { return static_cast<int32_t>(v * s + 0.5); };

  Keystroke('F', {VK_CONTROL});
  Type(u"zebra");
  Keystroke(VK_RETURN);
  ASSERT_TRUE(At(5));
  const std::vector<uint32_t> screen = Settled(main);
  const int32_t height = static_cast<int32_t>(screen.size()) / width;
  int32_t left = width, top = height, right = -1, bottom = -1;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (!Highlighted(screen[static_cast<size_t>(y) * width + static_cast<size_t>(x)])) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  // Line 2 of the right page, after "the ".
  const int32_t bandTop = kMargin + 2 * kLine;
  EXPECT_NEAR(top, device(bandTop), 1);
  EXPECT_NEAR(bottom, device(bandTop + kLine) - 1, 1);
  EXPECT_GT(left, device(kSpreadWidth / 2 + kMargin + 12));
  EXPECT_LT(right, device(kSpreadWidth / 2 + kMargin + 80));
  Keystroke(VK_ESCAPE);
  Keystroke('0', {VK_CONTROL});
  Close(reader, main);
}

}  // namespace
}  // namespace folivar
