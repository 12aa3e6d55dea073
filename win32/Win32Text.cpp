// Conversions through MultiByteToWideChar and WideCharToMultiByte, sized in a first pass.
#include "win32/Win32Text.h"

#include <windows.h>

namespace win32text {
namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return std::wstring();
  const int cch =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (cch <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(cch), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), cch);
  return wide;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
  if (text.empty()) return std::string();
  const int cb = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
  if (cb <= 0) return std::string();
  std::string narrow(static_cast<size_t>(cb), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), cb,
                      nullptr, nullptr);
  return narrow;
}

}  // namespace

std::wstring AnsiToWide(std::string_view text) { return ToWide(CP_ACP, text); }

std::string WideToAnsi(std::wstring_view text) { return FromWide(CP_ACP, text); }

std::string AnsiToUtf8(std::string_view text) { return FromWide(CP_UTF8, AnsiToWide(text)); }

}  // namespace win32text
