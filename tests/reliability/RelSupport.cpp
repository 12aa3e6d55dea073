// Helpers shared by the reliability clients; see RelSupport.h.
#include "tests/reliability/RelSupport.h"

#include <windows.h>

#include <tlhelp32.h>

#include <fstream>
#include <sstream>

namespace rel {

namespace {

// A kernel handle, closed when the holder goes.
class Handle {
 public:
  explicit Handle(HANDLE h) : m_h(h) {}
  ~Handle() {
    if (m_h && m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return m_h; }
  bool Valid() const { return m_h && m_h != INVALID_HANDLE_VALUE; }

 private:
  HANDLE m_h;
};

}  // namespace

ComPtr<ILogComponent> CreateLog(HRESULT* phr) {
  ComPtr<ILogComponent> p;
  const HRESULT hr = CoCreateInstance(CLSID_LogComponent, nullptr, CLSCTX_LOCAL_SERVER,
                                      IID_ILogComponent, reinterpret_cast<void**>(p.Put()));
  if (phr) *phr = hr;
  if (FAILED(hr)) p.Reset();
  return p;
}

UniqueBstr Bstr(const std::wstring& text) {
  return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

std::wstring Wide(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

std::string ServerNarrow(const std::wstring& text) {
  const size_t cch = text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0');
  if (cch == 0) return std::string();
  const int cb = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(cch), nullptr, 0,
                                     nullptr, nullptr);
  std::string out(static_cast<size_t>(cb > 0 ? cb : 0), '\0');
  if (cb > 0) {
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(cch), out.data(), cb, nullptr,
                        nullptr);
  }
  return out;
}

std::wstring ServerWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = static_cast<int>(text.size());
  const int cch = MultiByteToWideChar(CP_ACP, 0, text.data(), n, nullptr, 0);
  std::wstring out(static_cast<size_t>(cch > 0 ? cch : 0), L'\0');
  if (cch > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), n, out.data(), cch);
  return out;
}

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
  Handle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap.Valid()) return ids;
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
  Handle process(pi.hProcess);
  Handle thread(pi.hThread);
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
