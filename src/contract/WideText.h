// UTF-16 at the edge of the Windows build: the Win32 implementations of the platform services
// call the system's wide-character functions and convert here, so that every string inside stays
// UTF-8. Windows build only (WideTextWin32.cpp).
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// The UTF-16 form of UTF-8 text (an invalid byte becomes U+FFFD).
std::wstring Widen(std::string_view utf8);
// The UTF-8 form of UTF-16 text (a lone surrogate becomes U+FFFD).
std::string Narrow(std::wstring_view utf16);
// A command-line argument quoted so that the C runtime's parser reads it back as it was.
std::wstring QuotedArgument(const std::wstring& argument);
// The system's message for a Win32 error code, without its line end ("" when it has none).
std::string SystemErrorText(unsigned long code);

}  // namespace lumora
