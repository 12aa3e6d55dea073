// Timing client for KorLogServer under Wine (not part of the test run): the cost of HasItem
// and AddItem against the cheapest round trip (GetTypeInfoCount), early and late bound; the
// time from CoCreateInstance to the first answer; and the time of the release that saves.
//   server_bench COMPONENT ITEM [CALLS]
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

template <class F>
double PerCallUs(int calls, F&& f) {
  const double t0 = NowMs();
  for (int i = 0; i < calls; ++i) f(i);
  return (NowMs() - t0) * 1000.0 / calls;
}

HRESULT Invoke(IDispatch* d, DISPID id, VARIANT* args, UINT cArgs, VARIANT* out) {
  DISPPARAMS p = {args, nullptr, cArgs, 0};
  VariantInit(out);
  return d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &p, out, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 64;
  const int calls = argc > 3 ? std::atoi(argv[3]) : 2000;
  if (FAILED(CoInitialize(nullptr))) return 1;
  {
    const double t0 = NowMs();
    ComPtr<ILogComponent> log = comtest::CreateLog();
    if (!log) return 2;
    UINT n = 0;
    log->GetTypeInfoCount(&n);
    std::printf("create-to-first-answer %.1f ms\n", NowMs() - t0);

    UniqueBstr comp = B(argv[1]), item = B(argv[2]);
    LONG r = 0;
    log->HasItem(1, comp.Get(), item.Get(), &r);
    std::printf("HasItem answer %ld\n", static_cast<long>(r));
    const double floorEarly = PerCallUs(calls, [&](int) { log->GetTypeInfoCount(&n); });
    const double hasEarly =
        PerCallUs(calls, [&](int) { log->HasItem(1, comp.Get(), item.Get(), &r); });
    const double addEarly = PerCallUs(calls, [&](int i) {
      UniqueBstr x = B("C:\\bench\\early" + std::to_string(i) + ".dll");
      log->AddItem(1, comp.Get(), x.Get(), &r);
    });
    std::printf(
        "early: GetTypeInfoCount %.1f us, HasItem %.1f us (%.2fx), AddItem %.1f us (%.2fx)\n",
        floorEarly, hasEarly, hasEarly / floorEarly, addEarly, addEarly / floorEarly);

    ComPtr<IDispatch> disp;
    log->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(disp.Put()));
    DISPID idHas = 0, idAdd = 0;
    LPOLESTR nHas[] = {const_cast<LPOLESTR>(L"HasItem")},
             nAdd[] = {const_cast<LPOLESTR>(L"AddItem")};
    disp->GetIDsOfNames(IID_NULL, nHas, 1, 0, &idHas);
    disp->GetIDsOfNames(IID_NULL, nAdd, 1, 0, &idAdd);
    VARIANT out;
    const double floorLate = PerCallUs(calls, [&](int) { disp->GetTypeInfoCount(&n); });
    const double hasLate = PerCallUs(calls, [&](int) {
      VARIANT a[3];
      V_VT(&a[0]) = VT_BSTR;
      V_BSTR(&a[0]) = item.Get();
      V_VT(&a[1]) = VT_BSTR;
      V_BSTR(&a[1]) = comp.Get();
      V_VT(&a[2]) = VT_I4;
      V_I4(&a[2]) = 1;
      Invoke(disp.Get(), idHas, a, 3, &out);
    });
    const double addLate = PerCallUs(calls, [&](int i) {
      UniqueBstr x = B("C:\\bench\\late" + std::to_string(i) + ".dll");
      VARIANT a[3];
      V_VT(&a[0]) = VT_BSTR;
      V_BSTR(&a[0]) = x.Get();
      V_VT(&a[1]) = VT_BSTR;
      V_BSTR(&a[1]) = comp.Get();
      V_VT(&a[2]) = VT_I4;
      V_I4(&a[2]) = 1;
      Invoke(disp.Get(), idAdd, a, 3, &out);
    });
    std::printf(
        "late: GetTypeInfoCount %.1f us, HasItem %.1f us (%.2fx), AddItem %.1f us (%.2fx)\n",
        floorLate, hasLate, hasLate / floorLate, addLate, addLate / floorLate);
    disp.Reset();
    const double t1 = NowMs();
    log.Reset();
    std::printf("release (saves the log) %.1f ms\n", NowMs() - t1);
  }
  CoUninitialize();
  return 0;
}
