#include "platform/win32/Win32Pictures.h"

#include <gdiplus.h>

#include "contract/ProcessState.h"
#include "contract/WideText.h"

namespace lumora::forms {
namespace {

// GDI+ started once for the life of the process (its shutdown is left to the process's end).
bool StartGdiplus() {
  static const bool started = [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  }();
  return started;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() > 1 && path[1] == ':') || path.front() == '\\' || path.front() == '/';
}

}  // namespace

HBITMAP ReadPicture(const std::string& picture) {
  if (picture.empty() || !StartGdiplus()) return nullptr;
  const std::string& folder = component::ComponentFolder();
  const std::string path =
      IsAbsolute(picture) || folder.empty() ? picture : folder + "\\" + picture;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromFile(Widen(path).c_str(), &bitmap) != Gdiplus::Ok) {
    return nullptr;
  }
  HBITMAP made = nullptr;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const Gdiplus::ARGB background =
      0xFF000000u | (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(bitmap, &made, background) != Gdiplus::Ok) {
    made = nullptr;
  }
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  return made;
}

}  // namespace lumora::forms
