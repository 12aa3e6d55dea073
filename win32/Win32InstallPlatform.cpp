// The install log's machine on Windows; see Win32InstallPlatform.h. Every key is held by a
// RegKey and every buffer by a vector, so no early return leaks.
#include "win32/Win32InstallPlatform.h"

#include <windows.h>
// The seam has a method of this name; the API is called by its ANSI name below.
#undef DeleteFile

#include <winver.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "com/RegKey.h"

namespace {

// An open key handed to the portable core.
class CWin32RegKey final : public IRegKey {
 public:
  explicit CWin32RegKey(HKEY hKey) : m_key(hKey) {}
  HKEY Get() const { return m_key.Get(); }

 private:
  RegKey m_key;
};

HKEY HandleOf(IRegKey& key) { return static_cast<CWin32RegKey&>(key).Get(); }

}  // namespace

RegKeyPtr CWin32InstallPlatform::ConnectLocalMachine(const std::string* pMachine) {
  HKEY hKey = nullptr;
  if (RegConnectRegistryA(pMachine ? pMachine->c_str() : nullptr, HKEY_LOCAL_MACHINE, &hKey) !=
          ERROR_SUCCESS ||
      !hKey) {
    return nullptr;
  }
  return std::make_unique<CWin32RegKey>(hKey);
}

RegKeyPtr CWin32InstallPlatform::OpenKey(IRegKey& key, const std::string& subkey, Access access) {
  HKEY hKey = nullptr;
  const REGSAM sam = access == Access::kRead ? KEY_READ : KEY_ALL_ACCESS;
  if (RegOpenKeyExA(HandleOf(key), subkey.c_str(), 0, sam, &hKey) != ERROR_SUCCESS || !hKey) {
    return nullptr;
  }
  return std::make_unique<CWin32RegKey>(hKey);
}

bool CWin32InstallPlatform::QueryValueInfo(IRegKey& key, uint32_t& cValues, uint32_t& cchMaxName) {
  DWORD dwValues = 0, cchName = 0;
  if (RegQueryInfoKeyA(HandleOf(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &dwValues, &cchName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  cValues = dwValues;
  cchMaxName = cchName;
  return true;
}

long CWin32InstallPlatform::EnumValueName(IRegKey& key, uint32_t index, char* buffer,
                                          uint32_t cchBuffer) {
  if (cchBuffer == 0) return ERROR_MORE_DATA;
  DWORD cch = cchBuffer;
  const LONG rc =
      RegEnumValueA(HandleOf(key), index, buffer, &cch, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  buffer[cch < cchBuffer ? cch : cchBuffer - 1] = '\0';
  return ERROR_SUCCESS;
}

long CWin32InstallPlatform::QueryValue(IRegKey& key, const std::string& name, uint32_t& type,
                                       unsigned char* buffer, uint32_t cbBuffer, uint32_t& cbData) {
  DWORD dwType = 0, cb = cbBuffer;
  const LONG rc = RegQueryValueExA(HandleOf(key), name.c_str(), nullptr, &dwType, buffer, &cb);
  if (rc != ERROR_SUCCESS) return rc;
  type = dwType;
  cbData = cb < cbBuffer ? cb : cbBuffer;
  return ERROR_SUCCESS;
}

bool CWin32InstallPlatform::PathExists(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // Only a definite "not there" counts as missing; a path that cannot be examined (no
  // access, a sharing violation) may still hold a file, and must not be treated as gone.
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
      return false;
    default:
      return true;
  }
}

std::optional<std::string> CWin32InstallPlatform::GetFileVersionText(const std::string& path) {
  DWORD dwHandle = 0;
  const DWORD cbBlock = GetFileVersionInfoSizeA(path.c_str(), &dwHandle);
  if (cbBlock == 0) return std::nullopt;
  std::vector<unsigned char> block(cbBlock + 1);
  if (!GetFileVersionInfoA(path.c_str(), 0, cbBlock, block.data())) return std::nullopt;
  const unsigned char* const pEnd = block.data() + cbBlock;

  void* pTranslation = nullptr;
  UINT cbTranslation = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &pTranslation, &cbTranslation) ||
      !pTranslation || cbTranslation < sizeof(DWORD)) {
    return std::nullopt;
  }
  DWORD dwTranslation = 0;
  std::memcpy(&dwTranslation, pTranslation, sizeof dwTranslation);
  // Language in the low half, code page in the high half; the entry's name wants the
  // language first.
  const unsigned long swapped = ((dwTranslation & 0xFFFFu) << 16) | (dwTranslation >> 16);
  char szEntry[64];
  std::snprintf(szEntry, sizeof szEntry, "\\StringFileInfo\\%08lx\\FileVersion", swapped);

  void* pVersion = nullptr;
  UINT cchVersion = 0;
  if (!VerQueryValueA(block.data(), szEntry, &pVersion, &cchVersion) || !pVersion) {
    return std::nullopt;
  }
  const auto* pText = static_cast<const char*>(pVersion);
  const auto* pFirst = reinterpret_cast<const unsigned char*>(pText);
  if (pFirst < block.data() || pFirst >= pEnd) return std::nullopt;
  // The text ends at its zero, at the length reported, or at the block's end.
  size_t cchMax = static_cast<size_t>(pEnd - pFirst);
  if (cchVersion < cchMax) cchMax = cchVersion;
  return std::string(pText, strnlen(pText, cchMax));
}

void CWin32InstallPlatform::DeleteFile(const std::string& path) { DeleteFileA(path.c_str()); }
