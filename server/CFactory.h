// The one class object the server registers: creates component objects on request and
// lets clients lock the server.
#pragma once

#include <windows.h>

#include <unknwn.h>

class CFactory : public IClassFactory {
 public:
  CFactory() = default;
  CFactory(const CFactory&) = delete;
  CFactory& operator=(const CFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnknownOuter, REFIID iid,
                                           void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override;

 private:
  virtual ~CFactory() = default;

  LONG m_cRef = 1;
};
