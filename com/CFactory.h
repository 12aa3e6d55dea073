// The class object a local server registers: creates component objects through the creation
// function it is given and lets clients lock the server.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <functional>
#include <utility>

#include "com/CServerLifetime.h"
#include "com/CUnknown.h"

class CFactory : public IClassFactory {
 public:
  // Makes a new object (count 1) in *ppResult, or answers why not; it must not throw.
  using CreateFn = std::function<HRESULT(IUnknown* pUnknownOuter, CUnknown** ppResult)>;

  // Count 1, held by the creator.
  CFactory(CreateFn create, CServerLifetime& lifetime)
      : m_create(std::move(create)), m_lifetime(lifetime) {}
  CFactory(const CFactory&) = delete;
  CFactory& operator=(const CFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // Create, Init, query, drop the creation reference; *ppv is null on every failure.
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnknownOuter, REFIID iid,
                                           void** ppv) override;
  // A lock or an unlock counted in the lifetime, which then runs the close-down step.
  HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override;

 private:
  virtual ~CFactory() = default;

  LONG m_cRef = 1;
  CreateFn m_create;
  CServerLifetime& m_lifetime;
};
