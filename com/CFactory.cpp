// The class factory: creation in the fixed order of create, Init, query, drop the creation
// reference; locking in terms of the lifetime counts and the close-down step.
#include "com/CFactory.h"

#include <windows.h>

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
  *ppv = nullptr;
  if (pUnknownOuter != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;

  CUnknown* pObject = nullptr;
  HRESULT hr = m_create(pUnknownOuter, &pObject);
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
  m_lifetime.LockServer(bLock != FALSE);
  return S_OK;
}
