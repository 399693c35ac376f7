// The reader: one window that shows the book the program carries.
#include <windows.h>

#include <string>

#include "core/errors.h"
#include "display/StdWin.h"
#include "platform/win32/dpi.h"
#include "reader/ReaderClass.h"

namespace {

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// A book that cannot be shown is said in plain words; nothing is written to the settings.
int Fail(const std::wstring& what, const std::string& reason) {
  const std::wstring text = what + L"\r\n\r\n" + Wide(reason);
  MessageBoxW(nullptr, text.c_str(), L"Folivar", MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace folivar;
  // Before the first window: the reader draws at each monitor's DPI itself.
  DeclareDpiAwareness();
  SetClassIcon(LoadIconA(instance, "MAINICON"));
  try {
    TWinPtr<TFolivar> reader = MakeWindow<TFolivar>();
    reader->Show();
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    reader->Run();
  } catch (const TBookDamaged& e) {
    return Fail(L"The book is damaged and cannot be shown.", e.what());
  } catch (const TIOError& e) {
    return Fail(L"The book cannot be read.", e.what());
  }
  return 0;
}
