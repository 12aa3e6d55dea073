// The timing client of scripts/bench-server. Each mode prints its figures on one line, in
// milliseconds or microseconds as named; the script turns them into ratios.
//   korbench calls R N COMPONENT ITEM    R lines of us per call (N calls each), early then late
//                                        bound: GetTypeInfoCount, AddItem, HasItem, GetAllItems
//   korbench activate PROGID|{CLSID}     ms from CoCreateInstance to the first answer
//   korbench release-questions R COMPONENT ITEM
//                                        ms of R releases after HasItem only
//   korbench release-change R            ms of R releases after one AddItem each
//   korbench clients N                   N clients (create, one AddItem, release): "count ms"
//                                        after every hundred
//   korbench write PATH BYTES R          ms of R writes of BYTES to PATH, each flushed
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "LogComponent_h.h"
#include "com/ComPtr.h"
#include "com/UniqueBstr.h"
#include "tests/common/ComTestClient.h"

namespace {

double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

UniqueBstr B(const std::string& s) { return comtest::Bstr(comtest::ServerWide(s)); }

void PrintAll(const std::vector<double>& values) {
  for (double v : values) std::printf(" %.3f", v);
  std::printf("\n");
}

template <class F>
double PerCallUs(int calls, F&& f) {
  f(-1);  // the first call may still set things up on either side
  const double t0 = NowMs();
  for (int i = 0; i < calls; ++i) f(i);
  return (NowMs() - t0) * 1000.0 / calls;
}

class Invoker {
 public:
  Invoker(IDispatch* d, const wchar_t* name) : m_d(d) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    m_d->GetIDsOfNames(IID_NULL, names, 1, 0, &m_id);
  }
  // Arguments in the order of the method's parameters.
  void Call(int type, BSTR component, BSTR item) {
    VARIANT args[3];
    UINT cArgs = 0;
    if (item) {
      V_VT(&args[cArgs]) = VT_BSTR;
      V_BSTR(&args[cArgs++]) = item;
    }
    V_VT(&args[cArgs]) = VT_BSTR;
    V_BSTR(&args[cArgs++]) = component;
    V_VT(&args[cArgs]) = VT_I4;
    V_I4(&args[cArgs++]) = type;
    DISPPARAMS params = {args, nullptr, cArgs, 0};
    VARIANT out;
    VariantInit(&out);
    m_d->Invoke(m_id, IID_NULL, 0, DISPATCH_METHOD, &params, &out, nullptr, nullptr);
    VariantClear(&out);
  }

 private:
  IDispatch* m_d;
  DISPID m_id = 0;
};

int Calls(int rounds, int calls, const std::string& component, const std::string& item) {
  ComPtr<ILogComponent> log = comtest::CreateLog();
  if (!log) return 2;
  // The lookups go to the big log's own component; the additions to one of their own, and
  // the lists to one of a product's usual size, so each call's answer stays short.
  UniqueBstr comp = B(component), it = B(item), added = B("BenchCalls"), few = B("BenchSmall");
  UINT n = 0;
  LONG r = 0;
  for (int i = 0; i < 5; ++i) {
    log->AddItem(1, few.Get(), B("C:\\bench\\small" + std::to_string(i) + ".dll").Get(), &r);
  }
  const auto newItem = [](const char* kind, int i) {
    return B("C:\\bench\\" + std::string(kind) + std::to_string(i) + ".dll");
  };
  ComPtr<IDispatch> disp;
  log->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(disp.Put()));
  if (!disp) return 3;
  Invoker add(disp.Get(), L"AddItem"), has(disp.Get(), L"HasItem"), all(disp.Get(), L"GetAllItems");
  // Rounds of every kind of call in turn, so that whatever else the machine does falls on
  // all of them alike; one line per round.
  int next = 0;
  for (int round = 0; round < rounds; ++round) {
    std::vector<double> us;
    us.push_back(PerCallUs(calls, [&](int) { log->GetTypeInfoCount(&n); }));
    us.push_back(PerCallUs(
        calls, [&](int) { log->AddItem(1, added.Get(), newItem("early", next++).Get(), &r); }));
    us.push_back(PerCallUs(calls, [&](int) { log->HasItem(1, comp.Get(), it.Get(), &r); }));
    us.push_back(PerCallUs(calls, [&](int) {
      UniqueBstr list;
      log->GetAllItems(1, few.Get(), list.Put());
    }));
    us.push_back(PerCallUs(calls, [&](int) { disp->GetTypeInfoCount(&n); }));
    us.push_back(
        PerCallUs(calls, [&](int) { add.Call(1, added.Get(), newItem("late", next++).Get()); }));
    us.push_back(PerCallUs(calls, [&](int) { has.Call(1, comp.Get(), it.Get()); }));
    us.push_back(PerCallUs(calls, [&](int) { all.Call(1, few.Get(), nullptr); }));
    PrintAll(us);
  }
  return 0;
}

int Activate(const std::wstring& name) {
  CLSID clsid;
  const HRESULT hrId = name[0] == L'{' ? CLSIDFromString(name.c_str(), &clsid)
                                       : CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hrId)) return 2;
  const double t0 = NowMs();
  ComPtr<IDispatch> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.Put())))) {
    return 3;
  }
  UINT n = 0;
  if (FAILED(object->GetTypeInfoCount(&n))) return 4;
  PrintAll({NowMs() - t0});
  return 0;
}

int Releases(int rounds, bool bChange, const std::string& component, const std::string& item) {
  UniqueBstr comp = B(component), it = B(item);
  // The first object brings the server up; later ones find it serving.
  ComPtr<ILogComponent> keeper = comtest::CreateLog();
  if (!keeper) return 2;
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    ComPtr<ILogComponent> log = comtest::CreateLog();
    if (!log) return 2;
    LONG r = 0;
    if (bChange) {
      UniqueBstr x = B("C:\\bench\\release" + std::to_string(GetTickCount()) + "-" +
                       std::to_string(i) + ".dll");
      log->AddItem(1, comp.Get(), x.Get(), &r);
    } else {
      log->HasItem(1, comp.Get(), it.Get(), &r);
    }
    const double t0 = NowMs();
    log.Reset();
    ms.push_back(NowMs() - t0);
  }
  PrintAll(ms);
  return 0;
}

// Prints "clients ms" after every hundred, so that a run cut short still tells its pace.
int Clients(int count) {
  UniqueBstr comp = B("BenchClients");
  const double t0 = NowMs();
  for (int i = 0; i < count; ++i) {
    ComPtr<ILogComponent> log = comtest::CreateLog();
    if (!log) return 2;
    LONG r = 0;
    log->AddItem(1, comp.Get(), B("C:\\bench\\client" + std::to_string(i) + ".dll").Get(), &r);
    log.Reset();
    if ((i + 1) % 100 == 0 || i + 1 == count) {
      std::printf("%d %.3f\n", i + 1, NowMs() - t0);
      std::fflush(stdout);
    }
  }
  return 0;
}

int Write(const std::string& path, unsigned long long bytes, int rounds) {
  const std::string block(1 << 20, 'x');
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const double t0 = NowMs();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    for (unsigned long long left = bytes; left > 0;) {
      const DWORD cb = static_cast<DWORD>(std::min<unsigned long long>(left, block.size()));
      DWORD written = 0;
      if (!WriteFile(file, block.data(), cb, &written, nullptr) || written != cb) return 3;
      left -= cb;
    }
    const bool bFlushed = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    if (!bFlushed) return 4;
    ms.push_back(NowMs() - t0);
  }
  DeleteFileA(path.c_str());
  PrintAll(ms);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(comtest::ServerNarrow(argv[i]));
  if (args.empty()) return 64;
  const std::string& mode = args[0];
  if (mode == "write" && args.size() == 4) {
    return Write(args[1], std::strtoull(args[2].c_str(), nullptr, 10), std::stoi(args[3]));
  }
  if (FAILED(CoInitialize(nullptr))) return 1;
  int rc = 64;
  if (mode == "calls" && args.size() == 5) {
    rc = Calls(std::stoi(args[1]), std::stoi(args[2]), args[3], args[4]);
  } else if (mode == "activate" && args.size() == 2) {
    rc = Activate(argv[2]);
  } else if (mode == "release-questions" && args.size() == 4) {
    rc = Releases(std::stoi(args[1]), false, args[2], args[3]);
  } else if (mode == "release-change" && args.size() == 2) {
    rc = Releases(std::stoi(args[1]), true, "BenchRelease", "");
  } else if (mode == "clients" && args.size() == 2) {
    rc = Clients(std::stoi(args[1]));
  }
  CoUninitialize();
  return rc;
}
