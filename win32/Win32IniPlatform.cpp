// The INI store's platform on Windows; see Win32IniPlatform.h.
#include "win32/Win32IniPlatform.h"

#include <windows.h>
// The store's seam has a method of this name; the Win32 API of the same name is not used.
#undef ReplaceFile

#include <io.h>

bool CWin32IniPlatform::IsLeadByte(unsigned char b) const {
  return ::IsDBCSLeadByteEx(CP_ACP, b) != FALSE;
}

bool CWin32IniPlatform::CommitFile(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  const intptr_t handle = ::_get_osfhandle(::_fileno(f));
  if (handle == -1) return false;
  return ::FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

int CWin32IniPlatform::ReplaceFile(const std::string& source, const std::string& target) {
  // A read-only log stays as it is; the in-place rewrite must not be tried on it either.
  const DWORD attributes = ::GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return ERROR_FILE_READ_ONLY;
  }
  if (::MoveFileExA(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  const DWORD error = ::GetLastError();
  return error ? static_cast<int>(error) : static_cast<int>(ERROR_GEN_FAILURE);
}

// Another process holding the log open without delete sharing makes the replacement fail
// with one of these, while a rewrite in place may still go through.
bool CWin32IniPlatform::IsSharingError(int error) const {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

void CWin32IniPlatform::RemoveFile(const std::string& path) { ::DeleteFileA(path.c_str()); }

void InstallWin32IniPlatform() {
  static CWin32IniPlatform s_platform;
  SetIniPlatform(&s_platform);
}
