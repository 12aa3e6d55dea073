// The floor of activation under this object system: a local server whose one class makes
// objects that answer IDispatch::GetTypeInfoCount and nothing else; it ends with its last
// object. Built only for scripts/bench-server.
//   bare_server /RegServer | /UnregServer | -Embedding
#include <windows.h>

#include <oaidl.h>
#include <objbase.h>

#include <cwchar>
#include <string>

namespace {

// {6F0D1C52-8B3E-4E0A-9C41-2D7A5B3E9F10}
const CLSID kClsid = {0x6f0d1c52, 0x8b3e, 0x4e0a, {0x9c, 0x41, 0x2d, 0x7a, 0x5b, 0x3e, 0x9f, 0x10}};
const wchar_t kClsidKey[] = L"CLSID\\{6F0D1C52-8B3E-4E0A-9C41-2D7A5B3E9F10}";

LONG g_cObjects = 0;
DWORD g_mainThread = 0;

class BareObject final : public IDispatch {
 public:
  BareObject() { InterlockedIncrement(&g_cObjects); }
  BareObject(const BareObject&) = delete;
  BareObject& operator=(const BareObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IDispatch) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_cRef); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) delete this;
    return cRef;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ppti) override {
    if (ppti) *ppti = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

 private:
  ~BareObject() {
    if (InterlockedDecrement(&g_cObjects) == 0) PostThreadMessageW(g_mainThread, WM_QUIT, 0, 0);
  }
  LONG m_cRef = 1;
};

class BareFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static: lives as long as the process
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pOuter) return CLASS_E_NOAGGREGATION;
    BareObject* pObject = new BareObject;
    const HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

bool Register() {
  wchar_t exe[MAX_PATH] = {};
  if (!GetModuleFileNameW(nullptr, exe, MAX_PATH)) return false;
  const std::wstring key = std::wstring(kClsidKey) + L"\\LocalServer32";
  const DWORD cb = static_cast<DWORD>((std::wcslen(exe) + 1) * sizeof(wchar_t));
  return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, exe, cb) == ERROR_SUCCESS;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && _wcsicmp(argv[1], L"/RegServer") == 0) return Register() ? 0 : 1;
  if (argc > 1 && _wcsicmp(argv[1], L"/UnregServer") == 0) {
    return RegDeleteTreeW(HKEY_CLASSES_ROOT, kClsidKey) == ERROR_SUCCESS ? 0 : 1;
  }
  g_mainThread = GetCurrentThreadId();
  if (FAILED(CoInitialize(nullptr))) return 1;
  static BareFactory s_factory;
  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(kClsid, &s_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                   &cookie))) {
    CoUninitialize();
    return 1;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  CoRevokeClassObject(cookie);
  CoUninitialize();
  return 0;
}
