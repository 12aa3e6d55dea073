// Text conversions korlog needs on Windows: between the ANSI code page (the log's) and the
// UTF-16 of automation, and from ANSI to UTF-8 for JSON.
#pragma once

#include <string>
#include <string_view>

namespace win32text {

std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);
std::string AnsiToUtf8(std::string_view text);

}  // namespace win32text
