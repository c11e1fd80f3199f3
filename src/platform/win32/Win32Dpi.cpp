#include "platform/win32/Win32Dpi.h"

namespace lumora::forms {
namespace {

template <class Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 == nullptr
             ? nullptr
             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE, as the system defines them.
const auto kPerMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const auto kPerMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

}  // namespace

void BecomeDpiAware() {
  static const bool done = [] {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (auto set = User32Function<SetContext>("SetProcessDpiAwarenessContext")) {
      if (set(kPerMonitorV2) || set(kPerMonitor)) return true;
    }
    using SetAware = BOOL(WINAPI*)();
    if (auto aware = User32Function<SetAware>("SetProcessDPIAware")) aware();
    return true;
  }();
  (void)done;
}

int DpiOf(HWND hwnd) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto forWindow = User32Function<GetDpi>("GetDpiForWindow");
  if (forWindow != nullptr && hwnd != nullptr) {
    if (const UINT dpi = forWindow(hwnd); dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace lumora::forms
