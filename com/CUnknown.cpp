// Reference counting and object counting for component objects; the destruction of every
// object runs the server's close-down step.
#include "com/CUnknown.h"

#include <windows.h>

CUnknown::CUnknown(IUnknown* pUnknownOuter, CServerLifetime& lifetime)
    : m_cRef(1), m_pUnknownOuter(pUnknownOuter), m_lifetime(lifetime) {
  if (m_pUnknownOuter == nullptr) {
    // The non-delegating unknown has the unknown interface's layout.
    m_pUnknownOuter = reinterpret_cast<IUnknown*>(static_cast<INondelegatingUnknown*>(this));
  }
  m_lifetime.ObjectCreated();
}

CUnknown::~CUnknown() { m_lifetime.ObjectDestroyed(); }

HRESULT CUnknown::Init() { return S_OK; }

void CUnknown::FinalRelease() { m_cRef = 1; }

HRESULT STDMETHODCALLTYPE CUnknown::NondelegatingQueryInterface(REFIID iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown)) {
    return ReturnInterface(reinterpret_cast<IUnknown*>(static_cast<INondelegatingUnknown*>(this)),
                           ppv);
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NondelegatingAddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CUnknown::NondelegatingRelease() {
  const LONG cRef = InterlockedDecrement(&m_cRef);
  if (cRef != 0) return static_cast<ULONG>(cRef);
  FinalRelease();
  delete this;
  return 0;
}

HRESULT CUnknown::ReturnInterface(IUnknown* pI, void** ppv) {
  *ppv = pI;
  pI->AddRef();
  return S_OK;
}
