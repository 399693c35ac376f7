#include "platform/win32/dpi.h"

namespace folivar {

namespace {

// The awareness contexts as the system defines them (older headers lack them).
const auto kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const auto kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
constexpr int kProcessPerMonitorDpiAware = 2;
constexpr int kMonitorEffectiveDpi = 0;

template <class F>
F Lookup(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (!handle) handle = LoadLibraryW(module);
  if (!handle) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

using TSetContext = BOOL(WINAPI*)(HANDLE);
using TSetAwareness = HRESULT(WINAPI*)(int);
using TSetAware = BOOL(WINAPI*)();
using TDpiForWindow = UINT(WINAPI*)(HWND);
using TDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

constexpr uint32_t kDefaultDpi = 96;

}  // namespace

void DeclareDpiAwareness() {
  if (const auto setContext = Lookup<TSetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
    // Refused once the awareness is set (by the manifest, say): what was set then stands.
    if (!setContext(kPerMonitorAwareV2)) setContext(kPerMonitorAware);
    return;
  }
  if (const auto setAwareness = Lookup<TSetAwareness>(L"shcore.dll", "SetProcessDpiAwareness")) {
    if (SUCCEEDED(setAwareness(kProcessPerMonitorDpiAware))) return;
  }
  if (const auto setAware = Lookup<TSetAware>(L"user32.dll", "SetProcessDPIAware")) setAware();
}

uint32_t WindowDpi(HWND window) {
  if (window) {
    if (const auto forWindow = Lookup<TDpiForWindow>(L"user32.dll", "GetDpiForWindow")) {
      if (const UINT dpi = forWindow(window)) return dpi;
    }
    if (const auto forMonitor = Lookup<TDpiForMonitor>(L"shcore.dll", "GetDpiForMonitor")) {
      UINT x = 0, y = 0;
      HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
      if (monitor && SUCCEEDED(forMonitor(monitor, kMonitorEffectiveDpi, &x, &y)) && x) return x;
    }
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return kDefaultDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<uint32_t>(dpi) : kDefaultDpi;
}

RECT WorkArea(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT area{};
  if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) && area.right > area.left) return area;
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace folivar
