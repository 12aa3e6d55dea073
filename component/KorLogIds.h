// The system's identifiers: the GUIDs of the type library, the class and the interface, the
// ProgIDs and the description. The interface description takes the GUIDs from here too (the
// interface compiler defines __WIDL__), so each is spelled once.
#pragma once

// clang-format off
#define KORLOG_LIBID_TEXT C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395
#define KORLOG_CLSID_TEXT 3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3
#define KORLOG_IID_TEXT 6E2D9B15-0C4A-4F83-B7D9-1A5E3C92F064
// clang-format on

#ifndef __WIDL__

#include <windows.h>

#define KORLOG_STRINGIZE_(x) #x
#define KORLOG_STRINGIZE(x) KORLOG_STRINGIZE_(x)

namespace korlog {

namespace detail {

constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether text is 8-4-4-4-12 hexadecimal digits, as a GUID's registry text without braces.
constexpr bool IsGuidText(const char (&text)[37]) {
  for (int i = 0; i < 36; ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != '-' : HexValue(text[i]) < 0) return false;
  }
  return true;
}

constexpr unsigned long Hex(const char* text, int digits) {
  unsigned long value = 0;
  for (int i = 0; i < digits; ++i)
    value = value * 16 + static_cast<unsigned long>(HexValue(text[i]));
  return value;
}

constexpr unsigned char Byte(const char* text) { return static_cast<unsigned char>(Hex(text, 2)); }

constexpr GUID GuidFromText(const char (&t)[37]) {
  return GUID{Hex(t, 8),
              static_cast<unsigned short>(Hex(t + 9, 4)),
              static_cast<unsigned short>(Hex(t + 14, 4)),
              {Byte(t + 19), Byte(t + 21), Byte(t + 24), Byte(t + 26), Byte(t + 28), Byte(t + 30),
               Byte(t + 32), Byte(t + 34)}};
}

}  // namespace detail

static_assert(detail::IsGuidText(KORLOG_STRINGIZE(KORLOG_LIBID_TEXT)));
static_assert(detail::IsGuidText(KORLOG_STRINGIZE(KORLOG_CLSID_TEXT)));
static_assert(detail::IsGuidText(KORLOG_STRINGIZE(KORLOG_IID_TEXT)));

// Type library LogComponentLib 1.0.
inline constexpr GUID kLibId = detail::GuidFromText(KORLOG_STRINGIZE(KORLOG_LIBID_TEXT));
inline constexpr WORD kLibMajorVersion = 1;
inline constexpr WORD kLibMinorVersion = 0;
// Class LogComponent; also the server's application identifier.
inline constexpr GUID kClsid = detail::GuidFromText(KORLOG_STRINGIZE(KORLOG_CLSID_TEXT));
// Interface ILogComponent.
inline constexpr GUID kIid = detail::GuidFromText(KORLOG_STRINGIZE(KORLOG_IID_TEXT));

inline constexpr char kProgId[] = "KorLog.Component.1";
inline constexpr char kVersionIndependentProgId[] = "KorLog.Component";
inline constexpr char kDescription[] = "Korvane log file interface component";

}  // namespace korlog

#endif  // __WIDL__
