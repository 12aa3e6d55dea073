// Self-registration: writing the server's class, ProgID and AppID entries and deleting them
// with the interface and type library trees that RegisterTypeLib adds.
#include "com/Registration.h"

#include <windows.h>

#include <objbase.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "com/RegKey.h"

namespace {

constexpr char kClassesKey[] = "Software\\Classes";
constexpr DWORD kKeyNameSize = 256;

struct CoTaskMemDeleter {
  void operator()(void* p) const { CoTaskMemFree(p); }
};
using CoTaskMemText = std::unique_ptr<OLECHAR, CoTaskMemDeleter>;

// Connects to HKEY_LOCAL_MACHINE of machineName and opens Software\Classes there.
bool OpenClasses(const char* machineName, RegKey& classes) {
  RegKey machine;
  if (RegConnectRegistryA(machineName, HKEY_LOCAL_MACHINE, machine.Put()) != ERROR_SUCCESS) {
    return false;
  }
  return RegOpenKeyA(machine.Get(), kClassesKey, classes.Put()) == ERROR_SUCCESS;
}

LONG SetText(HKEY hKey, const char* valueName, const char* text) {
  // The stored length counts the terminating zero.
  return RegSetValueExA(hKey, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

LONG DeleteKeyTreeAt(HKEY parent, const char* subkey, int depth) {
  if (depth > kMaxKeyTreeDepth) return ERROR_STACK_OVERFLOW;
  RegKey key;
  LONG rc = RegOpenKeyExA(parent, subkey, 0, KEY_ALL_ACCESS, key.Put());
  if (rc != ERROR_SUCCESS) return rc;
  // Always child 0: each deletion moves the next child to the front.
  char child[kKeyNameSize];
  DWORD childSize = kKeyNameSize;
  while (RegEnumKeyExA(key.Get(), 0, child, &childSize, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS) {
    rc = DeleteKeyTreeAt(key.Get(), child, depth + 1);
    if (rc != ERROR_SUCCESS) return rc;
    childSize = kKeyNameSize;
  }
  key.Reset();
  return RegDeleteKeyA(parent, subkey);
}

// A 32-bit program on 64-bit Windows: the interface and type library trees that the object
// system writes for it reach the 64-bit view as well (64-bit clients marshal through them),
// and go from there too. Elsewhere there is no other view.
void DeleteFromTheOtherView(const char* parentPath, const char* subkey) {
  BOOL bWow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &bWow64) || !bWow64) return;
  RegKey parent;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, parentPath, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                    parent.Put()) != ERROR_SUCCESS) {
    return;
  }
  DeleteKeyTreeAt(parent.Get(), subkey, 1);
}

}  // namespace

LONG DeleteKeyTree(HKEY parent, const char* subkey) { return DeleteKeyTreeAt(parent, subkey, 1); }

bool GuidToRegistryString(const GUID& id, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return false;
  buffer[0] = '\0';
  if (size < kGuidTextSize) return false;
  LPOLESTR raw = nullptr;
  if (FAILED(StringFromCLSID(id, &raw))) return false;
  CoTaskMemText text(raw);
  const int written = WideCharToMultiByte(CP_ACP, 0, text.get(), -1, buffer,
                                          static_cast<int>(kGuidTextSize), nullptr, nullptr);
  if (written != static_cast<int>(kGuidTextSize)) {
    buffer[0] = '\0';
    return false;
  }
  return true;
}

bool WriteClassesKey(const char* machineName, const char* keyPath, const char* subkey,
                     const char* text) {
  // An empty path would name Software\Classes itself.
  if (!keyPath || !*keyPath) return false;
  try {
    std::string path = keyPath;
    if (subkey) path.append("\\").append(subkey);
    RegKey classes;
    if (!OpenClasses(machineName, classes)) return false;
    RegKey key;
    if (RegCreateKeyExA(classes.Get(), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
      return false;
    }
    if (text) SetText(key.Get(), nullptr, text);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool WriteClassesValue(const char* machineName, const char* keyPath, const char* valueName,
                       const char* text) {
  if (!keyPath || !valueName || !text) return false;
  RegKey classes;
  if (!OpenClasses(machineName, classes)) return false;
  RegKey key;
  if (RegOpenKeyExA(classes.Get(), keyPath, 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS) {
    return false;
  }
  SetText(key.Get(), valueName, text);
  return true;
}

int WriteRegistration(const char* serverPath, const char* machineName, const CLSID& clsid,
                      const char* description, const char* versionIndependentProgId,
                      const char* progId, const GUID& libId) {
  char clsidText[kGuidTextSize];
  char libIdText[kGuidTextSize];
  GuidToRegistryString(clsid, clsidText, sizeof clsidText);
  GuidToRegistryString(libId, libIdText, sizeof libIdText);
  const char* vip = versionIndependentProgId;
  const char* pid = progId;
  try {
    const std::string classKey = std::string("CLSID\\") + clsidText;
    const std::string appIdKey = std::string("AppID\\") + clsidText;
    struct Step {
      const char* keyPath;
      const char* subkey;     // WriteClassesKey: subkey or none
      const char* valueName;  // WriteClassesValue when set
      const char* text;
    };
    const Step steps[] = {
        {classKey.c_str(), nullptr, nullptr, description},
        {classKey.c_str(), nullptr, "AppID", clsidText},
        {classKey.c_str(), "LocalServer32", nullptr, serverPath},
        {classKey.c_str(), "ProgID", nullptr, progId},
        {classKey.c_str(), "VersionIndependentProgID", nullptr, versionIndependentProgId},
        {classKey.c_str(), "TypeLib", nullptr, libIdText},
        {vip, nullptr, nullptr, description},
        {vip, "CLSID", nullptr, clsidText},
        {vip, "CurVer", nullptr, progId},
        {pid, nullptr, nullptr, description},
        {pid, "CLSID", nullptr, clsidText},
        {appIdKey.c_str(), nullptr, nullptr, description},
        {appIdKey.c_str(), nullptr, "RunAs", "Interactive User"},
    };
    for (const Step& step : steps) {
      if (step.valueName) {
        WriteClassesValue(machineName, step.keyPath, step.valueName, step.text);
      } else {
        WriteClassesKey(machineName, step.keyPath, step.subkey, step.text);
      }
    }
  } catch (const std::bad_alloc&) {
    // Like any other failed step: what was written stays.
  }
  return 0;
}

void RemoveRegistration(const CLSID& clsid, const IID& iid, const GUID& libId,
                        const char* versionIndependentProgId, const char* progId) {
  char clsidText[kGuidTextSize];
  char iidText[kGuidTextSize];
  char libIdText[kGuidTextSize];
  GuidToRegistryString(clsid, clsidText, sizeof clsidText);
  GuidToRegistryString(iid, iidText, sizeof iidText);
  GuidToRegistryString(libId, libIdText, sizeof libIdText);
  try {
    const std::string trees[] = {
        std::string("CLSID\\") + clsidText,
        versionIndependentProgId,
        progId,
        std::string("AppID\\") + clsidText,
        std::string("Interface\\") + iidText,
        std::string("TypeLib\\") + libIdText,
    };
    for (const std::string& tree : trees) DeleteKeyTree(HKEY_CLASSES_ROOT, tree.c_str());
    DeleteFromTheOtherView("Interface", iidText);
    DeleteFromTheOtherView("TypeLib", libIdText);
  } catch (const std::bad_alloc&) {
    // Nothing is reported; what could not be removed stays.
  }
}
