// The class factory: creation in the fixed order of create, Init, query, drop the creation
// reference; locking in terms of the server lock count and CloseDown.
#include "server/CFactory.h"

#include <windows.h>

#include "component/CLogComponent.h"
#include "server/CKorLogServerApp.h"
#include "server/CUnknown.h"

HRESULT STDMETHODCALLTYPE CFactory::QueryInterface(REFIID iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    AddRef();
    *ppv = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CFactory::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CFactory::Release() {
  const LONG cRef = InterlockedDecrement(&m_cRef);
  if (cRef == 0) delete this;
  return static_cast<ULONG>(cRef);
}

HRESULT STDMETHODCALLTYPE CFactory::CreateInstance(IUnknown* pUnknownOuter, REFIID iid,
                                                   void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (pUnknownOuter != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  // A request that was on its way when the server decided to end: an object made now would
  // die with the server under its client.
  if (GetServerApp().IsLeaving()) return CO_E_SERVER_STOPPING;

  CUnknown* pObject = nullptr;
  HRESULT hr = CLogComponent::CreateInstance(pUnknownOuter, &pObject);
  if (FAILED(hr)) return hr;

  hr = pObject->Init();
  if (FAILED(hr)) {
    pObject->NondelegatingRelease();
    return hr;
  }
  hr = pObject->NondelegatingQueryInterface(iid, ppv);
  // The client now holds the only reference, or, after a failed query, none.
  pObject->NondelegatingRelease();
  return hr;
}

HRESULT STDMETHODCALLTYPE CFactory::LockServer(BOOL bLock) {
  if (bLock) {
    InterlockedIncrement(&g_cServerLocks);
  } else {
    InterlockedDecrement(&g_cServerLocks);
  }
  GetServerApp().CloseDown(true);
  return S_OK;
}
