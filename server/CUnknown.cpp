// Reference counting and object counting for component objects; the destruction of every
// object saves the log and may end the server.
#include "server/CUnknown.h"

#include <windows.h>

#include "server/CKorLogServerApp.h"

CUnknown::CUnknown(IUnknown* pUnknownOuter) : m_cRef(1), m_pUnknownOuter(pUnknownOuter) {
  if (m_pUnknownOuter == nullptr) {
    // The non-delegating unknown has the unknown interface's layout.
    m_pUnknownOuter = reinterpret_cast<IUnknown*>(static_cast<INondelegatingUnknown*>(this));
  }
  InterlockedIncrement(&GetServerApp().m_cObjects);
}

CUnknown::~CUnknown() {
  InterlockedDecrement(&GetServerApp().m_cObjects);
  GetServerApp().CloseDown(true);
}

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
