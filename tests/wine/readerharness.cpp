#include "tests/wine/readerharness.h"

#include <thread>
#include <utility>

#include "display/Views.h"
#include "platform/win32/viewdc.h"
#include "reader/regstuff.h"
#include "tests/support/testsupport.h"

namespace folivar {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

TReader::TReader(const fs::path& folder) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string command = "\"" + (folder / "folivar.exe").string() + "\"";
  started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.string().c_str(), &si, &pi_) != 0;
}

TReader::~TReader() {
  if (!started_) return;
  if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 9);
  WaitForSingleObject(pi_.hProcess, 10000);
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
}

HWND TReader::Find(const std::function<bool(HWND, const std::wstring&)>& match) const {
  struct TSearch {
    DWORD process;
    const std::function<bool(HWND, const std::wstring&)>& match;
    HWND found = nullptr;
  } search{Id(), match};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto& s = *reinterpret_cast<TSearch*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        if (owner != s.process || !IsWindowVisible(w) || !s.match(w, name)) return TRUE;
        s.found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND TReader::Main() const {
  return Find([](HWND w, const std::wstring& name) {
    wchar_t text[256] = {};
    const std::wstring caption(text, static_cast<size_t>(GetWindowTextW(w, text, 256)));
    return name == L"WCFolivar" && caption.size() > 10 &&
           caption.substr(caption.size() - 10) == L" - folivar";
  });
}

HWND TReader::Box() const {
  return Find([](HWND w, const std::wstring& name) {
    const RECT r = WindowRect(w);
    return name == L"WCFolivar" && Width(r) == 390 && Height(r) == 158;
  });
}

HWND TReader::SystemBox() const {
  return Find([](HWND, const std::wstring& name) { return name == L"#32770"; });
}

DWORD TReader::ExitCode(int timeoutMs) const {
  WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeoutMs));
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

void PressKey(HWND window, WPARAM key) {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void ButtonDown(HWND window, int32_t x, int32_t y) {
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

void ButtonUp(HWND window, int32_t x, int32_t y) {
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Click(HWND window, int32_t x, int32_t y) {
  ButtonDown(window, x, y);
  ButtonUp(window, x, y);
}

void MoveTo(HWND window, int32_t x, int32_t y, bool held) {
  const RECT r = WindowRect(window);
  SetCursorPos(r.left + x, r.top + y);
  PostMessageW(window, WM_MOUSEMOVE, held ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}

std::vector<uint32_t> Capture(HWND window) {
  const RECT r = WindowRect(window);
  tview view(static_cast<uint32_t>(Width(r)), static_cast<uint32_t>(Height(r)), true);
  HDC screen = GetDC(nullptr);
  GrabFromDC(view, screen, r.left, r.top);
  ReleaseDC(nullptr, screen);
  std::vector<uint32_t> pixels;
  pixels.reserve(size_t{view.Width()} * view.Height());
  for (uint32_t y = 0; y < view.Height(); ++y)
    for (uint32_t x = 0; x < view.Width(); ++x) pixels.push_back(view.At(x, y));
  return pixels;
}

std::vector<uint32_t> Settled(HWND window) {
  std::vector<uint32_t> last = Capture(window), now;
  WaitFor([&] {
    Pause(100);
    now = Capture(window);
    return std::exchange(last, now) == now;
  }, 5000);
  return last;
}

std::string Setting(const std::string& title, const std::string& name) {
  return ReadSetting(BookSection(title, "1"), name);
}

void SetTestMessages(TBookWriter& writer) {
  writer.SetMessages({"ok", "congratulations", "congratulations2", "continue", "information",
                      "WasPresses_enter", "printingdocumenttitle", "printingcompleted", "theend"},
                     {"OK", "Welcome", "Welcome", "Continue", "Information", "OK:CONTINUE:",
                      "FolivarPrintJob", "Printed", "The very end"});
}

uint16_t AddTextStyle(TBookWriter& writer, const std::string& link) {
  return static_cast<uint16_t>(writer.AddStyle(
      EncodeStyleRecord({.kind = 1, .faceName = "Arial", .size = 12, .link = link})));
}

TLineRecord TextLine(const std::string& text, uint16_t style) {
  TLineRecord line;
  line.height = 19;
  line.ascent = 15;
  line.descent = 4;
  line.alignment = 1;
  for (char c : text) line.items.push_back({static_cast<uint8_t>(c), style});
  return line;
}

std::string NumberedBook(const std::string& title, int count, const std::string& link,
                         TTextEncoding encoding) {
  TBookWriter w;
  if (encoding == TTextEncoding::kUnicode) w.SetProperty("encoding", "unicode");
  w.header.title = title;
  w.header.edition = "1";
  const uint16_t style = AddTextStyle(w, link);
  for (int p = 0; p < count; ++p) w.AddPage(EncodePageRecord(-1, {TextLine("Page " + std::to_string(p), style)}));
  SetTestMessages(w);
  return w.Build();
}

void ReaderFixture::SetUp() {
  // The pointer away from every window, so that no hover changes what is shown.
  SetCursorPos(0, 0);
  name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  title_ = "Reader test " + name_ + " " + std::to_string(GetTickCount());
}

void ReaderFixture::TearDown() {
  RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Folivar\\Books\\" + CleanSettingName(title_)).c_str());
}

fs::path ReaderFixture::Folder(const std::string& book) {
  const fs::path folder = fs::path(test::TempDir()) / name_;
  fs::remove_all(folder);
  fs::create_directories(folder);
  fs::copy_file(std::string("Z:") + FOLIVAR_READER_EXE, folder / "folivar.exe");
  if (!book.empty()) test::WriteTempFile(name_ + "/book.bin", book);
  return folder;
}

void ReaderFixture::Greeted() { WriteSetting("Setup", "FirstLaunch", "True"); }

HWND ReaderFixture::Open(TReader& reader) {
  HWND main = nullptr;
  WaitFor([&] {
    if (HWND box = reader.Box(); box && !reader.Main()) PressKey(box, VK_RETURN);
    return (main = reader.Main()) != nullptr;
  });
  return main;
}

bool ReaderFixture::At(int page, int timeoutMs) {
  const std::string wanted = std::to_string(page);
  return WaitFor([&] { return Page() == wanted; }, timeoutMs);
}

void ReaderFixture::Close(TReader& reader, HWND main) {
  PressKey(main, VK_F4);
  EXPECT_EQ(reader.ExitCode(), 0u);
}

}  // namespace folivar
