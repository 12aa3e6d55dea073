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

bool CWin32IniPlatform::GetFileStamp(const std::string& path, IniFileStamp& stamp) {
  // Attributes only, shared every way: asking must never stand in a writer's way.
  const HANDLE file = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  FILE_BASIC_INFO basic = {};
  const bool bKnown = ::GetFileInformationByHandle(file, &info) &&
                      ::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof(basic));
  ::CloseHandle(file);
  if (!bKnown) return false;
  const auto join = [](DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
  };
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.id = join(info.nFileIndexHigh, info.nFileIndexLow);
  stamp.size = join(info.nFileSizeHigh, info.nFileSizeLow);
  stamp.writeTime = join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
  stamp.changeTime = static_cast<std::uint64_t>(basic.ChangeTime.QuadPart);
  return true;
}

void InstallWin32IniPlatform() {
  static CWin32IniPlatform s_platform;
  SetIniPlatform(&s_platform);
}
