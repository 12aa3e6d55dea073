// Text conversions between the ANSI code page (the log's and the command line's narrow form)
// and UTF-16, and from ANSI to UTF-8 for JSON. Unconvertible text gives the empty string.
#pragma once

#include <string>
#include <string_view>

namespace win32text {

std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);
std::string AnsiToUtf8(std::string_view text);

}  // namespace win32text
