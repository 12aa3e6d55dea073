// Registry reading for the registration tests, done with plain registry calls so that the
// checks do not lean on the code they check.
#include "tests/registration/RegistrationTestSupport.h"

#include <windows.h>

#include "com/RegKey.h"

StoredValue ReadValue(HKEY root, const std::string& path, const char* valueName) {
  StoredValue value;
  RegKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key.Get(), valueName, nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return value;
  }
  value.data.resize(size);
  DWORD read = size;
  if (RegQueryValueExA(key.Get(), valueName, nullptr, &value.type,
                       reinterpret_cast<BYTE*>(value.data.data()), &read) != ERROR_SUCCESS) {
    return value;
  }
  value.found = true;
  value.size = read;
  value.data.resize(read);
  return value;
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view) {
  RegKey key;
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

void CountKey(HKEY root, const std::string& path, int& values, int& subkeys) {
  values = subkeys = -1;
  RegKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
  DWORD cValues = 0, cSubkeys = 0;
  if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &cSubkeys, nullptr, nullptr, &cValues,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  values = static_cast<int>(cValues);
  subkeys = static_cast<int>(cSubkeys);
}

void ClearRegisteredTrees() {
  for (const char* tree : kRegisteredTrees) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      RegKey classes;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes", 0, KEY_ALL_ACCESS | view,
                        classes.Put()) == ERROR_SUCCESS) {
        RegDeleteTreeA(classes.Get(), tree);
      }
    }
  }
}
