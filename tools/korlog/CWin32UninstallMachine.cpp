// Removals through the plain Win32 calls, which themselves refuse a folder that is not empty
// and a key that has subkeys. The system's folders come from the shell and the environment,
// so that they are refused wherever this Windows keeps them.
#include "tools/korlog/CWin32UninstallMachine.h"

#include <windows.h>

#include <shlobj.h>
#include <userenv.h>

#include <cstdio>
#include <cstdlib>

#include "com/RegKey.h"

namespace {

struct RootKey {
  const char* pszName;
  HKEY hKey;
};

const RootKey kRoots[] = {
    {"HKLM", HKEY_LOCAL_MACHINE}, {"HKCU", HKEY_CURRENT_USER},   {"HKCR", HKEY_CLASSES_ROOT},
    {"HKU", HKEY_USERS},          {"HKCC", HKEY_CURRENT_CONFIG},
};

HKEY RootOf(const std::string& root) {
  for (const RootKey& known : kRoots) {
    if (root == known.pszName) return known.hKey;
  }
  return nullptr;
}

// Folders no uninstall removes, and folders whose direct subfolders it never removes.
const int kSystemFolders[] = {
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,
    CSIDL_PROFILE,
    CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,
    CSIDL_STARTUP,
    CSIDL_COMMON_STARTUP,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_PERSONAL,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_FONTS,
};
// 64-bit Windows tells a 32-bit program its own Program Files; the other is in these.
const char* const kSystemFolderVariables[] = {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)",
                                              "CommonProgramW6432", "SystemRoot"};

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

std::string Describe(DWORD error) {
  char code[24];
  std::snprintf(code, sizeof code, "error %lu", static_cast<unsigned long>(error));
  std::string text = code;
  char* pszMessage = nullptr;
  const DWORD cch = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&pszMessage), 0, nullptr);
  if (cch > 0 && pszMessage) {
    std::string message(pszMessage, cch);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
      message.pop_back();
    }
    if (!message.empty()) text += ": " + message;
  }
  LocalFree(pszMessage);
  return text;
}

class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : m_h(h) {}
  ~FindHandle() {
    if (m_h != INVALID_HANDLE_VALUE) FindClose(m_h);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE Get() const { return m_h; }

 private:
  HANDLE m_h;
};

LONG OpenKey(const std::string& root, const std::string& key, REGSAM access, RegKey& out) {
  const HKEY hRoot = RootOf(root);
  if (!hRoot) return ERROR_FILE_NOT_FOUND;
  return RegOpenKeyExA(hRoot, key.empty() ? nullptr : key.c_str(), 0, access, out.Put());
}

}  // namespace

IUninstallMachine::Places CWin32UninstallMachine::SystemPlaces() {
  Places places;
  char path[MAX_PATH] = {};
  if (GetWindowsDirectoryA(path, MAX_PATH) > 0) places.parents.push_back(path);
  DWORD cch = MAX_PATH;
  if (GetProfilesDirectoryA(path, &cch)) places.parents.push_back(path);
  for (int csidl : kSystemFolders) {
    std::string folder = ShellFolder(csidl);
    if (!folder.empty()) places.folders.push_back(std::move(folder));
  }
  for (const char* pszName : kSystemFolderVariables) {
    const DWORD cchValue = GetEnvironmentVariableA(pszName, path, MAX_PATH);
    if (cchValue > 0 && cchValue < MAX_PATH) places.folders.push_back(path);
  }
  places.strCommonPrograms = ShellFolder(CSIDL_COMMON_PROGRAMS);
  places.strUserPrograms = ShellFolder(CSIDL_PROGRAMS);
  return places;
}

IUninstallMachine::Kind CWin32UninstallMachine::PathKind(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::kFolder : Kind::kFile;
  }
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Kind::kMissing
                                                                        : Kind::kUnknown;
}

std::optional<std::vector<std::string>> CWin32UninstallMachine::FolderEntries(
    const std::string& path) {
  WIN32_FIND_DATAA data;
  const FindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
  if (find.Get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::string> names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find.Get(), &data));
  return names;
}

bool CWin32UninstallMachine::RemoveFile(const std::string& path, std::string& error) {
  if (DeleteFileA(path.c_str())) return true;
  DWORD code = GetLastError();
  // Installers often leave their files read-only; that is no reason to keep them.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    if (DeleteFileA(path.c_str())) return true;
    code = GetLastError();
    SetFileAttributesA(path.c_str(), attributes);
  }
  error = Describe(code);
  return false;
}

bool CWin32UninstallMachine::RemoveFolder(const std::string& path, std::string& error) {
  if (RemoveDirectoryA(path.c_str())) return true;
  error = Describe(GetLastError());
  return false;
}

bool CWin32UninstallMachine::KeyExists(const std::string& root, const std::string& key) {
  RegKey opened;
  return OpenKey(root, key, KEY_READ, opened) == ERROR_SUCCESS;
}

bool CWin32UninstallMachine::ValueExists(const std::string& root, const std::string& key,
                                         const std::string& name) {
  RegKey opened;
  if (OpenKey(root, key, KEY_QUERY_VALUE, opened) != ERROR_SUCCESS) return false;
  return RegQueryValueExA(opened.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

std::optional<std::vector<std::string>> CWin32UninstallMachine::Subkeys(const std::string& root,
                                                                        const std::string& key) {
  RegKey opened;
  if (OpenKey(root, key, KEY_ENUMERATE_SUB_KEYS, opened) != ERROR_SUCCESS) return std::nullopt;
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    char name[256];  // the longest key name the registry allows, and its null
    DWORD cch = sizeof name;
    const LONG result =
        RegEnumKeyExA(opened.Get(), index, name, &cch, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) return std::nullopt;
    names.emplace_back(name, cch);
  }
  return names;
}

bool CWin32UninstallMachine::RemoveValue(const std::string& root, const std::string& key,
                                         const std::string& name, std::string& error) {
  RegKey opened;
  LONG result = OpenKey(root, key, KEY_SET_VALUE, opened);
  if (result == ERROR_SUCCESS) result = RegDeleteValueA(opened.Get(), name.c_str());
  if (result == ERROR_SUCCESS) return true;
  error = Describe(static_cast<DWORD>(result));
  return false;
}

bool CWin32UninstallMachine::RemoveKey(const std::string& root, const std::string& key,
                                       std::string& error) {
  const std::optional<std::vector<std::string>> subkeys = Subkeys(root, key);
  if (subkeys && !subkeys->empty()) {
    error = "it has subkeys";
    return false;
  }
  const HKEY hRoot = RootOf(root);
  const LONG result = hRoot && !key.empty() ? RegDeleteKeyA(hRoot, key.c_str())
                                            : static_cast<LONG>(ERROR_ACCESS_DENIED);
  if (result == ERROR_SUCCESS) return true;
  error = Describe(static_cast<DWORD>(result));
  return false;
}
