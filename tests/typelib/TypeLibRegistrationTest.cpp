// The 32-bit type library in a 64-bit process: registered with RegisterTypeLib, found again
// by LoadRegTypeLib, and driving the system's marshaller across apartments to the log
// component over a fake host.
#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <thread>
#include <vector>

#include "LogComponent_h.h"
#include "com/CFactory.h"
#include "component/CLogComponent.h"
#include "component/KorLogIds.h"
#include "component/tests/FakeLogComponentHost.h"
#include "tests/typelib/TypeLibTestSupport.h"

namespace {

const wchar_t kLibKey[] = L"TypeLib\\{C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395}\\1.0";
const wchar_t kIfaceKey[] = L"Interface\\{6E2D9B15-0C4A-4F83-B7D9-1A5E3C92F064}";

std::wstring QueryText(const std::wstring& path, const wchar_t* valueName) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), valueName, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return buffer;
}

Bstr MakeBstr(const wchar_t* text) { return Bstr(SysAllocString(text)); }

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

class TypeLibRegistration : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    m_path = LibrarySources().front().path;
    ITypeLib* raw = nullptr;
    ASSERT_EQ(S_OK, LoadTypeLibEx(m_path.c_str(), REGKIND_NONE, &raw));
    m_pLib.reset(raw);
    ASSERT_EQ(S_OK, RegisterTypeLib(m_pLib.get(), m_path.data(), nullptr));
  }
  void TearDown() override {
    UnRegisterTypeLib(korlog::kLibId, 1, 0, 0, SYS_WIN32);
    m_pLib.reset();
    CoUninitialize();
  }

  std::wstring m_path;
  ComRef<ITypeLib> m_pLib;
};

TEST_F(TypeLibRegistration, RecordsTheLibraryAndTheInterfaceForTheMarshaller) {
  EXPECT_EQ(L"Log File interface component 1.0, Type Library", QueryText(kLibKey, nullptr));
  EXPECT_EQ(m_path, QueryText(std::wstring(kLibKey) + L"\\0\\win32", nullptr));
  const std::wstring iface = kIfaceKey;
  EXPECT_EQ(L"ILogComponent", QueryText(iface, nullptr));
  // The automation (type library) marshaller.
  EXPECT_EQ(L"{00020424-0000-0000-C000-000000000046}",
            QueryText(iface + L"\\ProxyStubClsid32", nullptr));
  EXPECT_EQ(L"{C8F7A230-9D16-4B5E-8A4C-2F61E0B7D395}", QueryText(iface + L"\\TypeLib", nullptr));
  EXPECT_EQ(L"1.0", QueryText(iface + L"\\TypeLib", L"Version"));
}

TEST_F(TypeLibRegistration, LoadRegTypeLibFindsItFromA64BitProcess) {
  ITypeLib* raw = nullptr;
  ASSERT_EQ(S_OK, LoadRegTypeLib(korlog::kLibId, 1, 0, 0, &raw));
  ComRef<ITypeLib> lib(raw);
  ITypeInfo* rawInfo = nullptr;
  ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(korlog::kIid, &rawInfo));
  ComRef<ITypeInfo> info(rawInfo);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
  EXPECT_EQ(SYS_WIN32, attr->syskind);
  lib->ReleaseTLibAttr(attr);
}

// What the client thread saw, checked on the test's own thread.
struct ClientResults {
  HRESULT unmarshal = E_FAIL;
  HRESULT addItem = E_FAIL;
  LONG addItemResult = -1;
  HRESULT matching = E_FAIL;
  std::wstring matchingResult;
  HRESULT parent = E_FAIL;
  std::wstring parentResult;
  HRESULT shutDown = E_FAIL;
  std::wstring shutDownResult;
  HRESULT names = E_FAIL;
  DISPID isInstalledId = 0;
  HRESULT invoke = E_FAIL;
  VARTYPE invokeType = VT_EMPTY;
  LONG invokeResult = -1;
  ULONG proxyRelease = 99;
};

void CallThroughProxy(IStream* stream, ClientResults& r) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return;
  ILogComponent* proxy = nullptr;
  r.unmarshal =
      CoGetInterfaceAndReleaseStream(stream, IID_ILogComponent, reinterpret_cast<void**>(&proxy));
  if (SUCCEEDED(r.unmarshal)) {
    Bstr component = MakeBstr(L"Comp"), item = MakeBstr(L"Item.sub"), sub = MakeBstr(L"sub");
    r.addItem = proxy->AddItem(1, component.get(), item.get(), &r.addItemResult);
    BSTR out = nullptr;
    r.matching = proxy->GetMatchingItem(1, component.get(), sub.get(), &out);
    r.matchingResult = Text(Bstr(out));
    out = nullptr;
    r.parent = proxy->GetParent(component.get(), &out);
    r.parentResult = Text(Bstr(out));
    out = nullptr;
    r.shutDown = proxy->ShutDown(7, &out);
    r.shutDownResult = Text(Bstr(out));

    // Late bound, through the same proxy: one argument in, the retval as the call's value.
    LPOLESTR name = const_cast<LPOLESTR>(L"isINSTALLED");
    r.names = proxy->GetIDsOfNames(IID_NULL, &name, 1, 0, &r.isInstalledId);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"Late");
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    r.invoke = proxy->Invoke(r.isInstalledId, IID_NULL, 0, DISPATCH_METHOD, &params, &result,
                             nullptr, nullptr);
    r.invokeType = result.vt;
    if (result.vt == VT_I4) r.invokeResult = result.lVal;
    VariantClear(&result);
    VariantClear(&arg);
    r.proxyRelease = proxy->Release();
  }
  CoUninitialize();
}

TEST_F(TypeLibRegistration, DrivesTheMarshallerAcrossApartments) {
  ITypeInfo* rawInfo = nullptr;
  ASSERT_EQ(S_OK, m_pLib->GetTypeInfoOfGuid(korlog::kIid, &rawInfo));
  ComRef<ITypeInfo> info(rawInfo);
  FakeLogComponentHost host;
  host.GetLog()->AddItem(0, "Install", "Comp");
  CServerLifetime lifetime(nullptr);
  ComRef<IClassFactory> factory(new CFactory(
      [&](IUnknown* pOuter, CUnknown** ppResult) {
        return CLogComponent::CreateInstance(pOuter, host, lifetime, ppResult);
      },
      lifetime));
  ILogComponent* log = nullptr;
  ASSERT_EQ(S_OK,
            factory->CreateInstance(nullptr, IID_ILogComponent, reinterpret_cast<void**>(&log)));
  IStream* stream = nullptr;
  ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_ILogComponent, log, &stream));

  ClientResults r;
  std::thread client(CallThroughProxy, stream, std::ref(r));
  client.join();

  ASSERT_EQ(S_OK, r.unmarshal);
  EXPECT_EQ(S_OK, r.addItem);
  EXPECT_EQ(1, r.addItemResult);
  EXPECT_EQ(S_OK, r.matching);
  EXPECT_EQ(L"Item.sub", r.matchingResult);
  EXPECT_EQ(S_OK, r.parent);
  EXPECT_EQ(L"Install", r.parentResult);
  EXPECT_EQ(S_OK, r.shutDown);
  EXPECT_EQ(std::vector<long>{7}, host.m_endServices);
  EXPECT_EQ(OwnPath(), r.shutDownResult);
  EXPECT_EQ(S_OK, r.names);
  EXPECT_EQ(0x60020003, r.isInstalledId);
  EXPECT_EQ(S_OK, r.invoke);
  EXPECT_EQ(VT_I4, r.invokeType);
  EXPECT_EQ(0, r.invokeResult);
  // Each argument arrived in its place: the trace lines name them.
  const std::vector<std::string> lines = {
      "CreateInstance: Created a component.",
      "AddItem: Writing item Item.sub (type 1) under component Comp\n",
      "GetMatchingItem: finding item with substring sub in componnet Comp (type 1)",
      "GetParent: parent of item Comp is Install.",
      "IsInstalled: Checking if Late is installed.  It ain't."};
  EXPECT_EQ(lines, host.m_lines);
  EXPECT_EQ(0u, r.proxyRelease);
  EXPECT_EQ(0u, log->Release());
  EXPECT_EQ(0, lifetime.Objects());
}

}  // namespace
