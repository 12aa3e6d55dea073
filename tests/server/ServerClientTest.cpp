// KorLogServer as its clients see it: real out-of-process activation under the object
// system, early bound through the interface table and late bound through IDispatch; the
// trace lines read from the server's list box; the lifetime rules, observed through the
// server's process and its log file.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LogComponent_h.h"
#include "com/ComPtr.h"
#include "com/UniqueBstr.h"
#include "gtest/gtest.h"
#include "tests/common/ComTestClient.h"
#include "tests/server/TraceWindow.h"

namespace {

constexpr DWORD kExitMs = 3000;

// KOR_WOW64=1: the server is the 32-bit product on 64-bit Windows, and this client may be a
// 64-bit program, whose own system directory and registry view are not the server's.
bool ServerIsWow64() {
  char value[4] = {};
  return GetEnvironmentVariableA("KOR_WOW64", value, sizeof(value)) == 1 && value[0] == '1';
}

std::wstring ServerPath() {
  return ServerIsWow64() ? L"C:\\Program Files (x86)\\KorLog\\KorLogServer.exe"
                         : L"C:\\Program Files\\KorLog\\KorLogServer.exe";
}

// A file of the server's system directory, named as the server names it in its trace.
std::string SystemName(const char* name) {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + name;
}

// The same file as this client reaches it.
std::string SystemFile(const char* name) {
  char dir[MAX_PATH] = {};
  if (!ServerIsWow64() || GetSystemWow64DirectoryA(dir, MAX_PATH) == 0) {
    GetSystemDirectoryA(dir, MAX_PATH);
  }
  return std::string(dir) + "\\" + name;
}

std::string LogName() { return SystemName("KorFiles.log"); }
std::string LogPath() { return SystemFile("KorFiles.log"); }

// The file's text with ASCII letters in lower case (keys read back from disk are lower case).
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The bytes the server's ANSI code page gives for text (client and server share it).
std::string Ansi(const std::wstring& text) { return comtest::ServerNarrow(text); }
UniqueBstr B(const std::wstring& text) { return comtest::Bstr(text); }
std::wstring W(BSTR b) { return comtest::Wide(b); }

ComPtr<ILogComponent> Create() {
  HRESULT hr = E_FAIL;
  ComPtr<ILogComponent> p = comtest::CreateLog(&hr);
  EXPECT_EQ(S_OK, hr);
  return p;
}

// Runs the server with arguments and waits for it to end.
DWORD RunServer(const std::wstring& args) {
  std::wstring cmd = L"\"" + ServerPath() + L"\" " + args;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return ~0u;
  }
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, 30000);
  DWORD rc = ~0u;
  GetExitCodeProcess(pi.hProcess, &rc);
  CloseHandle(pi.hProcess);
  return rc;
}

// Starts the server by hand (no arguments) without waiting.
DWORD StartServerByHand() {
  std::wstring cmd = L"\"" + ServerPath() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return 0;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return pi.dwProcessId;
}

bool ClassRegistered() {
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT,
                                "CLSID\\{3A91C4E2-5B07-4D2F-9E61-7C2B8D04A1F3}\\LocalServer32", 0,
                                KEY_READ | (ServerIsWow64() ? KEY_WOW64_32KEY : 0), &key);
  if (rc == ERROR_SUCCESS) RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

// The file's identity: a new file (a rewrite by replacement) gets a new one.
ULONGLONG FileIndex(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  BY_HANDLE_FILE_INFORMATION info = {};
  GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

// The server's trace lines added since the watcher was made.
class TraceWatch {
 public:
  TraceWatch() {
    EXPECT_TRUE(m_window.Find());
    m_cSeen = m_window.Lines().size();
  }
  std::vector<std::string> New() {
    std::vector<std::string> all = m_window.Lines();
    std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(m_cSeen), all.end());
    m_cSeen = all.size();
    return fresh;
  }
  const TraceWindow& Window() const { return m_window; }

 private:
  TraceWindow m_window;
  size_t m_cSeen = 0;
};

class ServerTest : public testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(LogPath().c_str());
    if (!ClassRegistered()) {
      ASSERT_EQ(0u, RunServer(L"/RegServer"));
    }
    ASSERT_FALSE(TraceWindow().Find(0)) << "a server from an earlier test is still running";
  }
  // Every test ends with the server gone.
  void TearDown() override {
    TraceWindow window;
    if (window.Find(0)) {
      EXPECT_TRUE(WaitProcessGone(window.ProcessId(), kExitMs)) << "the server did not end";
    }
  }
};

// --- early bound ---

TEST_F(ServerTest, EarlyBoundMethodsAnswerAndTraceEachCall) {
  ComPtr<ILogComponent> log = Create();
  ASSERT_TRUE(log);
  TraceWatch trace;
  std::vector<std::string> expected;
  LONG r = -1;

  ASSERT_EQ(S_OK, log->AddItem(1, B(L"Alpha").Get(), B(L"C:\\alpha.dll").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back("AddItem: Writing item C:\\alpha.dll (type 1) under component Alpha\n");
  ASSERT_EQ(S_OK, log->AddItem(0, B(L"Install").Get(), B(L"Alpha").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back("AddItem: Writing item Alpha (type 0) under component Install\n");
  ASSERT_EQ(S_OK, log->AddItem(9, B(L"Alpha").Get(), B(L"x").Get(), &r));
  EXPECT_EQ(0, r);
  expected.push_back("AddItem: Writing item x (type 9) under component Alpha\n");
  ASSERT_EQ(S_OK, log->AddItem(7, B(L"Alpha").Get(), B(L"BaseDir=C:\\A").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back("AddItem: Writing item BaseDir=C:\\A (type 7) under component Alpha\n");

  ASSERT_EQ(S_OK, log->HasItem(2, B(L"ALPHA").Get(), B(L"c:\\ALPHA.DLL").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back(
      "HasItem: checking existence of item c:\\ALPHA.DLL (type 2) in component ALPHA");
  ASSERT_EQ(S_OK, log->HasItem(1, B(L"Alpha").Get(), B(L"C:\\none.dll").Get(), &r));
  EXPECT_EQ(0, r);
  expected.push_back(
      "HasItem: checking existence of item C:\\none.dll (type 1) in component Alpha");

  ASSERT_EQ(S_OK, log->IsInstalled(B(L"Alpha").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back("IsInstalled: Checking if Alpha is installed.  It is.");
  ASSERT_EQ(S_OK, log->IsInstalled(B(L"Beta").Get(), &r));
  EXPECT_EQ(0, r);
  expected.push_back("IsInstalled: Checking if Beta is installed.  It ain't.");

  UniqueBstr s;
  ASSERT_EQ(S_OK, log->GetParent(B(L"Alpha").Get(), s.Put()));
  EXPECT_EQ(L"Install", W(s.Get()));
  expected.push_back("GetParent: parent of item Alpha is Install.");
  ASSERT_EQ(S_OK, log->GetMatchingItem(1, B(L"Alpha").Get(), B(L"ALPHA").Get(), s.Put()));
  EXPECT_EQ(L"C:\\alpha.dll", W(s.Get()));
  expected.push_back(
      "GetMatchingItem: finding item with substring ALPHA in componnet Alpha (type 1)");
  ASSERT_EQ(S_OK, log->GetMatchingItem(1, B(L"Alpha").Get(), B(L"zzz").Get(), s.Put()));
  ASSERT_NE(nullptr, s.Get()) << "no match is an empty string, not a null one";
  EXPECT_EQ(0u, SysStringLen(s.Get()));
  expected.push_back(
      "GetMatchingItem: finding item with substring zzz in componnet Alpha (type 1)");
  ASSERT_EQ(S_OK, log->GetSpecialItem(B(L"Alpha").Get(), B(L"basedir").Get(), s.Put()));
  EXPECT_EQ(L"C:\\A", W(s.Get()));
  expected.push_back("GetSpecialItem: component Alpha, item basedir");
  ASSERT_EQ(S_OK, log->GetSpecialItem(B(L"Alpha").Get(), B(L"nothing").Get(), s.Put()));
  ASSERT_NE(nullptr, s.Get());
  EXPECT_EQ(0u, SysStringLen(s.Get()));
  expected.push_back("GetSpecialItem: component Alpha, item nothing");
  ASSERT_EQ(S_OK, log->GetAllItems(1, B(L"Alpha").Get(), s.Put()));
  EXPECT_EQ(L"C:\\alpha.dll\n", W(s.Get()));  // entries found: no trace line
  ASSERT_EQ(S_OK, log->GetAllItems(1, B(L"Nobody").Get(), s.Put()));
  ASSERT_NE(nullptr, s.Get());
  EXPECT_EQ(0u, SysStringLen(s.Get()));
  expected.push_back("GetAllItems: No appropriate entries found.");

  ASSERT_EQ(S_OK, log->RemoveItem(2, B(L"Alpha").Get(), B(L"C:\\alpha.dll").Get(), &r));
  EXPECT_EQ(0, r) << "the entry was recorded with type 1";
  expected.push_back("RemoveItem: Removing item C:\\alpha.dll (type 2) under component Alpha\n");
  ASSERT_EQ(S_OK, log->RemoveItem(1, B(L"Alpha").Get(), B(L"C:\\alpha.dll").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back("RemoveItem: Removing item C:\\alpha.dll (type 1) under component Alpha\n");
  ASSERT_EQ(S_OK, log->RemoveComponent(B(L"Alpha").Get(), &r));
  EXPECT_EQ(1, r);
  expected.push_back("RemoveComponent: whacking Alpha");
  ASSERT_EQ(S_OK, log->IsInstalled(B(L"Alpha").Get(), &r));
  EXPECT_EQ(0, r);
  expected.push_back("IsInstalled: Checking if Alpha is installed.  It ain't.");

  EXPECT_EQ(expected, trace.New());
}

TEST_F(ServerTest, StringsAreConvertedCutAtNullAndTracedLiterally) {
  ComPtr<ILogComponent> log = Create();
  ASSERT_TRUE(log);
  TraceWatch trace;
  LONG r = -1;

  // A null component is the empty one: the section is the bare suffix.
  ASSERT_EQ(S_OK, log->AddItem(1, nullptr, B(L"n.dll").Get(), &r));
  EXPECT_EQ(1, r);
  ASSERT_EQ(S_OK, log->HasItem(1, B(L"").Get(), B(L"n.dll").Get(), &r));
  EXPECT_EQ(1, r);
  // An embedded null ends the text.
  ASSERT_EQ(S_OK, log->AddItem(1, B(std::wstring(L"Emb\0edded", 9)).Get(), B(L"e.dll").Get(), &r));
  EXPECT_EQ(1, r);
  ASSERT_EQ(S_OK, log->HasItem(1, B(L"Emb").Get(), B(L"e.dll").Get(), &r));
  EXPECT_EQ(1, r);
  // Text the code page can represent comes back unchanged.
  const std::wstring cafe = L"C:\\Caf\u00e9\\\u00fcber.dll";
  ASSERT_EQ(S_OK, log->AddItem(1, B(L"Intl").Get(), B(cafe).Get(), &r));
  EXPECT_EQ(1, r);
  UniqueBstr s;
  ASSERT_EQ(S_OK, log->GetAllItems(1, B(L"Intl").Get(), s.Put()));
  EXPECT_EQ(cafe + L"\n", W(s.Get()));
  // Format characters in client text are text.
  ASSERT_EQ(S_OK, log->AddItem(1, B(L"P%s%n").Get(), B(L"%s%n%d").Get(), &r));
  EXPECT_EQ(1, r);
  // A 1 MB item name is traced and recorded whole.
  const std::wstring big = L"C:\\" + std::wstring(1 << 20, L'x');
  ASSERT_EQ(S_OK, log->AddItem(1, B(L"Big").Get(), B(big).Get(), &r));
  EXPECT_EQ(1, r);
  ASSERT_EQ(S_OK, log->HasItem(1, B(L"Big").Get(), B(big).Get(), &r));
  EXPECT_EQ(1, r);

  const std::vector<std::string> expected = {
      "AddItem: Writing item n.dll (type 1) under component \n",
      "HasItem: checking existence of item n.dll (type 1) in component ",
      "AddItem: Writing item e.dll (type 1) under component Emb\n",
      "HasItem: checking existence of item e.dll (type 1) in component Emb",
      "AddItem: Writing item " + Ansi(cafe) + " (type 1) under component Intl\n",
      "AddItem: Writing item %s%n%d (type 1) under component P%s%n\n",
      "AddItem: Writing item " + Ansi(big) + " (type 1) under component Big\n",
      "HasItem: checking existence of item " + Ansi(big) + " (type 1) in component Big",
  };
  EXPECT_EQ(expected, trace.New());
}

// --- late bound ---

class Dispatch {
 public:
  explicit Dispatch(IDispatch* p) : m_p(p) {}
  DISPID Id(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    m_hr = m_p->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    return id;
  }
  // Calls name with args given in order; the result in *out.
  HRESULT Call(const wchar_t* name, std::vector<VARIANT> args, VARIANT* out) {
    const DISPID id = Id(name);
    if (FAILED(m_hr)) return m_hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VariantInit(out);
    UINT err = 0;
    return m_p->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, out, nullptr, &err);
  }
  HRESULT LastHr() const { return m_hr; }

 private:
  IDispatch* m_p;
  HRESULT m_hr = S_OK;
};

VARIANT I4(LONG v) {
  VARIANT var;
  VariantInit(&var);
  V_VT(&var) = VT_I4;
  V_I4(&var) = v;
  return var;
}

// The variant borrows the BSTR; the caller keeps it alive.
VARIANT Str(const UniqueBstr& b) {
  VARIANT var;
  VariantInit(&var);
  V_VT(&var) = VT_BSTR;
  V_BSTR(&var) = b.Get();
  return var;
}

TEST_F(ServerTest, LateBoundCallsByNameThroughTheTypeInformation) {
  ComPtr<ILogComponent> log = Create();
  ASSERT_TRUE(log);
  ComPtr<IDispatch> disp;
  ASSERT_EQ(S_OK, log->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(disp.Put())));
  Dispatch d(disp.Get());

  EXPECT_EQ(0x60020000, d.Id(L"aDdItEm"));
  EXPECT_EQ(0x60020009, d.Id(L"SHUTDOWN"));
  d.Id(L"NoSuchMethod");
  EXPECT_EQ(DISP_E_UNKNOWNNAME, d.LastHr());

  UniqueBstr comp = B(L"Late"), item = B(L"C:\\late.dll"), bad = B(L"abc");
  VARIANT out;
  ASSERT_EQ(S_OK, d.Call(L"AddItem", {I4(1), Str(comp), Str(item)}, &out));
  EXPECT_EQ(VT_I4, V_VT(&out));
  EXPECT_EQ(1, V_I4(&out));
  ASSERT_EQ(S_OK, d.Call(L"IsInstalled", {Str(comp)}, &out));
  EXPECT_EQ(VT_I4, V_VT(&out));
  EXPECT_EQ(0, V_I4(&out));
  ASSERT_EQ(S_OK, d.Call(L"GetAllItems", {I4(1), Str(comp)}, &out));
  ASSERT_EQ(VT_BSTR, V_VT(&out));
  EXPECT_EQ(L"C:\\late.dll\n", W(V_BSTR(&out)));
  VariantClear(&out);
  EXPECT_EQ(DISP_E_TYPEMISMATCH, d.Call(L"AddItem", {Str(bad), Str(comp), Str(item)}, &out));

  // A named argument: GetParent's input is called component.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"GetParent"), const_cast<LPOLESTR>(L"component")};
  DISPID ids[2] = {};
  ASSERT_EQ(S_OK, disp->GetIDsOfNames(IID_NULL, names, 2, 0, ids));
  VARIANT arg = Str(comp);
  DISPID named = ids[1];
  DISPPARAMS params = {&arg, &named, 1, 1};
  VariantInit(&out);
  ASSERT_EQ(S_OK,
            disp->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, &out, nullptr, nullptr));
  ASSERT_EQ(VT_BSTR, V_VT(&out));
  EXPECT_EQ(L"", W(V_BSTR(&out)));
  VariantClear(&out);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
            disp->Invoke(ids[0], IID_IDispatch, 0, DISPATCH_METHOD, &none, &out, nullptr, nullptr));

  UINT count = 0;
  ASSERT_EQ(S_OK, disp->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(DISP_E_BADINDEX, disp->GetTypeInfo(1, 0, info.Put()));
  EXPECT_EQ(nullptr, info.Get());
  EXPECT_EQ(S_OK, disp->GetTypeInfo(0, 0, info.Put()));
  EXPECT_NE(nullptr, info.Get());

  ComPtr<ISupportErrorInfo> errInfo;
  ASSERT_EQ(S_OK,
            log->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(errInfo.Put())));
  EXPECT_EQ(S_FALSE, errInfo->InterfaceSupportsErrorInfo(IID_IDispatch));
  EXPECT_EQ(S_OK, errInfo->InterfaceSupportsErrorInfo(IID_ILogComponent));
}

// --- creation failures ---

// An outer unknown that is never asked anything meaningful.
struct FakeOuter : IUnknown {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

TEST_F(ServerTest, CreationRefusesAggregationAndUnknownInterfaces) {
  ComPtr<ILogComponent> keep = Create();
  ASSERT_TRUE(keep);
  TraceWatch trace;

  FakeOuter outer;
  IUnknown* p = nullptr;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_LogComponent, &outer, CLSCTX_LOCAL_SERVER,
                                                    IID_IUnknown, reinterpret_cast<void**>(&p)));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(std::vector<std::string>(), trace.New()) << "no object was made";

  p = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(CLSID_LogComponent, nullptr, CLSCTX_LOCAL_SERVER,
                                            IID_IPersistFile, reinterpret_cast<void**>(&p)));
  EXPECT_EQ(nullptr, p);
  // One object made and destroyed: its creation line and its close-down.
  const std::vector<std::string> expected = {"CreateInstance: Created a component.",
                                             "CloseDown: saving log file: " + LogName()};
  EXPECT_EQ(expected, trace.New());
}

// --- lifetime ---

TEST_F(ServerTest, OneObjectEndsTheHiddenServerWhoseExitWritesNothingUnchanged) {
  ComPtr<ILogComponent> log = Create();
  ASSERT_TRUE(log);
  TraceWindow window;
  ASSERT_TRUE(window.Find());
  EXPECT_FALSE(window.IsVisible());
  const std::vector<std::string> start = window.Lines();
  ASSERT_EQ(3u, start.size());
  EXPECT_EQ("InitInstance: log file name is " + LogName(), start[0]);
  EXPECT_EQ("InitInstance: assimilating all other log files.", start[1]);
  EXPECT_EQ("CreateInstance: Created a component.", start[2]);

  LONG r = 0;
  ASSERT_EQ(S_OK, log->AddItem(1, B(L"Once").Get(), B(L"C:\\once.dll").Get(), &r));
  log.Reset();  // CloseDown saves, and the quit rule ends the server
  const ULONGLONG afterCloseDown = FileIndex(LogPath());
  EXPECT_NE(0u, afterCloseDown) << "CloseDown saved the log";
  EXPECT_TRUE(WaitProcessGone(window.ProcessId(), kExitMs));
  EXPECT_EQ(afterCloseDown, FileIndex(LogPath())) << "ExitInstance wrote the same log again";
  EXPECT_NE(std::string::npos, ReadFile(LogPath()).find("c:\\once.dll=1"));
}

TEST_F(ServerTest, TwoOverlappingObjectsEndTheServerOnlyWithTheSecond) {
  ComPtr<ILogComponent> first = Create();
  ComPtr<ILogComponent> second = Create();
  ASSERT_TRUE(first && second);
  TraceWatch trace;
  first.Reset();
  EXPECT_FALSE(WaitProcessGone(trace.Window().ProcessId(), 500));
  EXPECT_EQ(std::vector<std::string>{"CloseDown: saving log file: " + LogName()}, trace.New());
  LONG r = 0;
  EXPECT_EQ(S_OK, second->IsInstalled(B(L"X").Get(), &r));
  second.Reset();
  EXPECT_TRUE(WaitProcessGone(trace.Window().ProcessId(), kExitMs));
}

TEST_F(ServerTest, StartedByHandTheServerOutlivesItsObjects) {
  const DWORD pid = StartServerByHand();
  ASSERT_NE(0u, pid);
  TraceWatch trace;
  EXPECT_TRUE(trace.Window().IsVisible());
  ComPtr<ILogComponent> log = Create();
  ASSERT_TRUE(log);
  log.Reset();
  EXPECT_FALSE(WaitProcessGone(pid, 1000)) << "started by hand, it keeps running";
  EXPECT_EQ(std::vector<std::string>({"CreateInstance: Created a component.",
                                      "CloseDown: saving log file: " + LogName()}),
            trace.New());
  log = Create();
  UniqueBstr exe;
  ASSERT_EQ(S_OK, log->ShutDown(1, exe.Put()));
  EXPECT_TRUE(WaitProcessGone(pid, kExitMs)) << "ShutDown ends it";
}

TEST_F(ServerTest, ShutDownUnregistersEndsTheServerAndKeepsDeletesOrLeavesTheLog) {
  struct Row {
    LONG keepFile;
    bool bFile;   // the log file exists afterwards
    bool bLater;  // it holds the item added after the last save
  };
  const Row rows[] = {{0, false, false}, {1, true, true}, {2, true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE("keepFile " + std::to_string(row.keepFile));
    if (!ClassRegistered()) {
      ASSERT_EQ(0u, RunServer(L"/RegServer"));
    }
    ComPtr<ILogComponent> log = Create();
    ComPtr<ILogComponent> other = Create();  // another client's object
    ASSERT_TRUE(log && other);
    TraceWindow window;
    ASSERT_TRUE(window.Find());
    LONG r = 0;
    ASSERT_EQ(S_OK, log->AddItem(1, B(L"Sd").Get(), B(L"C:\\saved.dll").Get(), &r));
    Create().Reset();  // a release saves the log
    ASSERT_EQ(S_OK, log->AddItem(1, B(L"Sd").Get(), B(L"C:\\later.dll").Get(), &r));

    UniqueBstr exe;
    ASSERT_EQ(S_OK, log->ShutDown(row.keepFile, exe.Put()));
    EXPECT_EQ(ServerPath(), W(exe.Get()));
    EXPECT_TRUE(WaitProcessGone(window.ProcessId(), kExitMs)) << "ended despite the other object";
    EXPECT_FALSE(ClassRegistered());
    EXPECT_EQ(row.bFile, FileExists(LogPath()));
    const std::string text = ReadFile(LogPath());
    if (row.bFile) {
      EXPECT_NE(std::string::npos, text.find("c:\\saved.dll=1"));
    }
    EXPECT_EQ(row.bLater, text.find("c:\\later.dll=1") != std::string::npos);
    EXPECT_NE(S_OK, other->IsInstalled(B(L"Sd").Get(), &r)) << "its server is gone";
    log.Detach();  // proxies of an ended server: nothing to release remotely
    other.Detach();
    DeleteFileA(LogPath().c_str());
  }
}

TEST_F(ServerTest, RemoteCopyIsMergedAndDeletedAtEachCreation) {
  const std::string remote = SystemFile("KorFilesRemote.log");
  WriteFile(remote, "[R1_FILES]\r\nc:\\r1.dll=1\r\n");
  ComPtr<ILogComponent> first = Create();
  ASSERT_TRUE(first);
  EXPECT_FALSE(FileExists(remote));
  LONG r = 0;
  ASSERT_EQ(S_OK, first->HasItem(1, B(L"R1").Get(), B(L"C:\\R1.dll").Get(), &r));
  EXPECT_EQ(1, r);

  WriteFile(remote, "[R2_FILES]\r\nc:\\r2.dll=2\r\n");
  ComPtr<ILogComponent> second = Create();
  ASSERT_TRUE(second);
  EXPECT_FALSE(FileExists(remote));
  ASSERT_EQ(S_OK, first->HasItem(2, B(L"R2").Get(), B(L"c:\\r2.dll").Get(), &r));
  EXPECT_EQ(1, r);
}

// LockServer is not exercised here: under Wine the class factory's proxy answers E_NOTIMPL
// itself and never reaches the server.

}  // namespace
