// What the whole-program tests of the reader share: a reader started in a folder of its own with
// a book beside it, its windows found by process, real window messages sent to it (keys, clicks,
// pointer moves), the screen read back and the settings it writes.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "book/bookwriter.h"
#include "core/codepage.h"

namespace folivar {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 30000;

// Waits until done() holds; false after the timeout.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kTimeoutMs);
// Lets time pass (for what must NOT happen, or for a press to be held).
void Pause(int ms);

inline int32_t Width(const RECT& r) { return r.right - r.left; }
inline int32_t Height(const RECT& r) { return r.bottom - r.top; }
RECT WindowRect(HWND window);

// One run of the reader: folivar.exe of the folder, started there; ended when still running.
class TReader {
 public:
  explicit TReader(const fs::path& folder);
  ~TReader();
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  DWORD Id() const { return pi_.dwProcessId; }
  HANDLE Process() const { return pi_.hProcess; }
  // The reader's own window once it is shown.
  HWND Main() const;
  // A visible message window (the splash, the greeting, a box) of the reader.
  HWND Box() const;
  // A system dialog or message box of the reader.
  HWND SystemBox() const;
  // Exit code once the process has ended; STILL_ACTIVE until then.
  DWORD ExitCode(int timeoutMs = kTimeoutMs) const;

 private:
  HWND Find(const std::function<bool(HWND, const std::wstring& className)>& match) const;
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

// Window messages posted as a user's hands would make them.
void PressKey(HWND window, WPARAM key);
void Click(HWND window, int32_t x, int32_t y);
void ButtonDown(HWND window, int32_t x, int32_t y);
void ButtonUp(HWND window, int32_t x, int32_t y);
// The screen pointer put over a window position, and the move told to the window (a held left
// button when held).
void MoveTo(HWND window, int32_t x, int32_t y, bool held = false);

// The window's pixels as the screen shows them (0x00RRGGBB, rows top first).
std::vector<uint32_t> Capture(HWND window);
// What the window shows once it has settled: two captures 100 ms apart alike (at most 5 s).
std::vector<uint32_t> Settled(HWND window);

// The reader's setting of a book of edition "1".
std::string Setting(const std::string& title, const std::string& name);

// A book of pages 0 .. count - 1 in spreads from page 1, each with its number as a line of text
// (in a style with the link when one is given), and the message texts that the boxes need; a
// Unicode book (property encoding) when asked.
std::string NumberedBook(const std::string& title, int count, const std::string& link = "",
                         TTextEncoding encoding = TTextEncoding::kCp1251);
// A left-aligned line of 19 pixels (ascent 15) whose items are the text's letters in a style.
TLineRecord TextLine(const std::string& text, uint16_t style);
// Adds the message texts of NumberedBook to a book being written, keys as a book stores them.
void SetTestMessages(TBookWriter& writer);
// Adds the text style of NumberedBook (Arial 12), with a link when given; returns its number.
uint16_t AddTextStyle(TBookWriter& writer, const std::string& link = "");

// The tests' base: a folder per test with the reader copied in, the book's settings removed
// afterwards, and a start that answers the first-start greeting when it comes.
class ReaderFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A folder with the reader and, unless empty, the book beside it.
  fs::path Folder(const std::string& book);
  // Marks the greeting as shown, so that a start goes straight to the book.
  static void Greeted();
  // Starts the reader and waits for its window; with the greeting answered when it comes.
  HWND Open(TReader& reader);
  // Waits until the reader says it shows that page (its LastViewedPage setting).
  bool At(int page, int timeoutMs = 10000);
  std::string Page() const { return Setting(title_, "LastViewedPage"); }
  // F4, and the reader ends well.
  void Close(TReader& reader, HWND main);

  std::string name_, title_;
};

}  // namespace folivar
