// The base of every component object: its reference count, its outer unknown, and its place
// in the server's count of live objects, which lets the server end when the last one goes.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include "com/CServerLifetime.h"
#include "com/INondelegatingUnknown.h"

class CUnknown : public INondelegatingUnknown {
 public:
  // pUnknownOuter null: the object is its own outer unknown. The object is counted in
  // lifetime until it is destroyed.
  CUnknown(IUnknown* pUnknownOuter, CServerLifetime& lifetime);
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  // Answers IID_IUnknown with the non-delegating unknown; everything else E_NOINTERFACE.
  HRESULT STDMETHODCALLTYPE NondelegatingQueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE NondelegatingAddRef() override;
  // At zero: FinalRelease, then delete through the virtual destructor.
  ULONG STDMETHODCALLTYPE NondelegatingRelease() override;

  // Counts the object out of its lifetime, which then runs the server's close-down step.
  virtual ~CUnknown();
  // Second-phase initialisation after creation.
  virtual HRESULT Init();
  // Called at count zero before deletion: puts the count back to 1 so that calls made
  // during destruction cannot reach zero a second time.
  virtual void FinalRelease();

 protected:
  // Stores pI in *ppv, adds one reference through pI itself, returns S_OK.
  static HRESULT ReturnInterface(IUnknown* pI, void** ppv);
  IUnknown* GetOuterUnknown() const { return m_pUnknownOuter; }

 private:
  LONG m_cRef;
  IUnknown* m_pUnknownOuter;
  CServerLifetime& m_lifetime;
};
