// Existence through file attributes and registry opens. Only "not found" answers count as
// missing; anything else (access denied, a bad path) is unknown, so check reports only
// what is surely gone.
#include "tools/korlog/CWin32MachineState.h"

#include <windows.h>

#include <string_view>

#include "com/RegKey.h"
#include "ini/IniText.h"

namespace {

struct RootKey {
  const char* pszName;
  HKEY hKey;
};

const RootKey kRoots[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCU", HKEY_CURRENT_USER},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_USERS", HKEY_USERS},
    {"HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKCC", HKEY_CURRENT_CONFIG},
};

bool IsNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsAbsolute(std::string_view path) {
  const bool bDrive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  const bool bUnc = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
  return bDrive || bUnc;
}

// Splits "ROOT\sub" into the root key and the rest; a path without a known root lies
// below HKEY_LOCAL_MACHINE, where the installers record their keys.
HKEY SplitRoot(std::string_view path, std::string& subkey) {
  const size_t slash = path.find('\\');
  const std::string_view first = path.substr(0, slash);
  for (const RootKey& root : kRoots) {
    if (initext::EqualsNoCase(first, root.pszName)) {
      subkey =
          slash == std::string_view::npos ? std::string() : std::string(path.substr(slash + 1));
      return root.hKey;
    }
  }
  subkey = std::string(path);
  return HKEY_LOCAL_MACHINE;
}

}  // namespace

IMachineState::Presence CWin32MachineState::FileState(const std::string& path) {
  if (!IsAbsolute(path)) return Presence::kUnknown;
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Presence::kPresent;
  return IsNotFound(GetLastError()) ? Presence::kMissing : Presence::kUnknown;
}

IMachineState::Presence CWin32MachineState::RegistryState(const std::string& path) {
  std::string subkey;
  const HKEY hRoot = SplitRoot(path, subkey);
  while (!subkey.empty() && subkey.back() == '\\') subkey.pop_back();
  if (subkey.empty()) return Presence::kPresent;

  RegKey key;
  LONG error = RegOpenKeyExA(hRoot, subkey.c_str(), 0, KEY_READ, key.Put());
  if (error == ERROR_SUCCESS) return Presence::kPresent;
  if (!IsNotFound(static_cast<DWORD>(error))) return Presence::kUnknown;

  // Not a key: perhaps a value, named after the last backslash, in the key above it.
  const size_t slash = subkey.rfind('\\');
  const std::string parent = slash == std::string::npos ? std::string() : subkey.substr(0, slash);
  const std::string value = subkey.substr(slash == std::string::npos ? 0 : slash + 1);
  error = RegOpenKeyExA(hRoot, parent.empty() ? nullptr : parent.c_str(), 0, KEY_READ, key.Put());
  if (error != ERROR_SUCCESS) {
    return IsNotFound(static_cast<DWORD>(error)) ? Presence::kMissing : Presence::kUnknown;
  }
  error = RegQueryValueExA(key.Get(), value.c_str(), nullptr, nullptr, nullptr, nullptr);
  if (error == ERROR_SUCCESS) return Presence::kPresent;
  return IsNotFound(static_cast<DWORD>(error)) ? Presence::kMissing : Presence::kUnknown;
}
