// The monitor's DPI for the reader window, through the calls that newer Windows versions have
// (looked up at run time, so that the program still starts where they are missing): the
// process's per-monitor DPI awareness, the DPI of a window's monitor and the monitor's work area.
#pragma once

#include <windows.h>

#include <cstdint>

namespace folivar {

// Declares the process aware of each monitor's DPI (per-monitor v2 where there is such a thing,
// per-monitor or system-wide where not), unless the executable's manifest already did. Call it
// before the first window is made.
void DeclareDpiAwareness();

// The DPI of the monitor the window is on: GetDpiForWindow, else GetDpiForMonitor, else the
// screen's LOGPIXELSX; 96 when nothing answers.
uint32_t WindowDpi(HWND window);

// The work area of the monitor the window is on (the nearest one); the primary work area, or the
// screen, when no monitor answers.
RECT WorkArea(HWND window);

}  // namespace folivar
