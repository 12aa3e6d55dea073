// Reading the registry back in the registration tests, and the registry texts they expect.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char kClsidText[] = "{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}";
inline constexpr char kIidText[] = "{6E2D9B15-0C4A-4F83-B7D9-1A5E3C92F064}";
inline constexpr char kLibIdText[] = "{C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395}";

// The six trees that registration and RegisterTypeLib create below the classes root.
inline const char* const kRegisteredTrees[] = {
    "CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}",
    "KorLog.Component",
    "KorLog.Component.1",
    "AppID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}",
    "Interface\\{6E2D9B15-0C4A-4F83-B7D9-1A5E3C92F064}",
    "TypeLib\\{C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395}",
};

// A string value as stored: its type, its byte length (terminator included) and its bytes.
struct StoredValue {
  bool found = false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  std::string data;  // all size bytes, terminator included
};

StoredValue ReadValue(HKEY root, const std::string& path, const char* valueName);
bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0);
// Numbers of values and of subkeys of root\path; -1 each when it cannot be opened.
void CountKey(HKEY root, const std::string& path, int& values, int& subkeys);
// Removes the six trees without the code under test, so each test starts and ends clean.
void ClearRegisteredTrees();
