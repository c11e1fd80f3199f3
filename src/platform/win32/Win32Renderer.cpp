#include "platform/win32/Win32Renderer.h"

#include <shellapi.h>

#include <atomic>
#include <thread>

#include "contract/WideText.h"
#include "platform/forms/Form.h"
#include "platform/win32/Win32Dpi.h"
#include "platform/win32/Win32FormWindow.h"

namespace lumora::forms {

Win32Renderer::Win32Renderer() {
  BecomeDpiAware();
}

HWND Win32Renderer::Top() const {
  return shown_.empty() ? nullptr : shown_.back()->Handle();
}

void Win32Renderer::RunModal(Form& form) {
  if (!form.IsLoaded()) return;
  Win32FormWindow window(form, Top());
  shown_.push_back(&window);
  window.Exec();
  shown_.pop_back();
  // The loop may end without the form having unloaded (the application quit): the session ends.
  if (form.IsLoaded()) form.Unload(kAppWindows);
}

int16_t Win32Renderer::MsgBox(const std::string& prompt, int32_t buttons,
                              const std::string& title) {
  // The classic button sets, icons and default-button bits are the system's MB_ values, and its
  // answers (IDOK .. IDNO) the classic ones.
  const UINT style = static_cast<UINT>(buttons & 0x0377) | MB_SETFOREGROUND;
  const std::wstring caption = Widen(title.empty() ? std::string("Lumora") : title);
  const int answer = MessageBoxW(Top(), Widen(prompt).c_str(), caption.c_str(), style);
  return static_cast<int16_t>(answer == 0 ? kVbOK : answer);
}

void Win32Renderer::ShowHelp(const std::string& helpFile, int32_t contextId) {
  // The system's viewer opens a compiled help file at a topic by its context number.
  const std::wstring arguments =
      (contextId != 0 ? L"-mapid " + std::to_wstring(contextId) + L" " : std::wstring()) + L"\"" +
      Widen(helpFile) + L"\"";
  ShellExecuteW(Top(), L"open", L"hh.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL);
}

void Win32Renderer::RunBusy(const std::string& what, const CancellableTask& task) {
  (void)what;
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
  const DWORD thread = GetCurrentThreadId();
  HCURSOR previous = SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
  std::thread worker([&] {
    task(cancel);
    done = true;
    PostThreadMessageW(thread, WM_NULL, 0, 0);  // wakes the loop below
  });
  MSG message;
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        cancel = true;
        PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
      const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
      if (key && message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) cancel = true;
      if (key || mouse) continue;  // the runtime is busy: no action reaches it meanwhile
      DispatchMessageW(&message);
    }
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
  }
  worker.join();
  SetCursor(previous);
}

}  // namespace lumora::forms
