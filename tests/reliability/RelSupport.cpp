// Helpers shared by the reliability clients; see RelSupport.h.
#include "tests/reliability/RelSupport.h"

#include <windows.h>

#include <tlhelp32.h>

#include <fstream>
#include <sstream>

#include "win32/UniqueHandle.h"

namespace rel {

std::string SystemFile(const char* name) {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + name;
}

std::string LogPath() { return SystemFile("KorFiles.log"); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<DWORD> ServerProcessIds() {
  std::vector<DWORD> ids;
  const HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (hSnap == INVALID_HANDLE_VALUE) return ids;
  const UniqueHandle snap(hSnap);
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snap.Get(), &entry); more;
       more = Process32NextW(snap.Get(), &entry)) {
    if (lstrcmpiW(entry.szExeFile, L"KorLogServer.exe") == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

bool WaitServerGone(DWORD ms) {
  for (DWORD waited = 0;; waited += 20) {
    if (ServerProcessIds().empty()) return true;
    if (waited >= ms) return false;
    Sleep(20);
  }
}

DWORD WaitServerStarted(DWORD ms) {
  for (DWORD waited = 0;; waited += 1) {
    const std::vector<DWORD> ids = ServerProcessIds();
    if (!ids.empty()) return ids.front();
    if (waited >= ms) return 0;
    Sleep(1);
  }
}

DWORD RunAndWait(const std::wstring& cmdLine, DWORD ms) {
  std::wstring cmd = cmdLine;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return ~0u;
  }
  const UniqueHandle process(pi.hProcess);
  const UniqueHandle thread(pi.hThread);
  if (WaitForSingleObject(process.Get(), ms) != WAIT_OBJECT_0) return ~0u;
  DWORD rc = ~0u;
  GetExitCodeProcess(process.Get(), &rc);
  return rc;
}

double NowMicros() {
  static const double perMicro = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1e6;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMicro;
}

}  // namespace rel
