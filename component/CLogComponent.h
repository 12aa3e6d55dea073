// The log component: the one kind of object the server hands to clients. A thin layer over
// its host's install log that converts strings, writes trace lines and turns the log's
// answers into the retvals of ILogComponent; IDispatch goes through the type library.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include "LogComponent_h.h"
#include "com/CServerLifetime.h"
#include "com/CUnknown.h"
#include "com/ComPtr.h"
#include "component/ILogComponentHost.h"

class CLogComponent : public CUnknown, public ILogComponent, public ISupportErrorInfo {
 public:
  // The creation function: refuses any outer unknown with CLASS_E_NOAGGREGATION; otherwise a
  // new object (count 1, counted in lifetime) in *ppResult and the trace line of its
  // creation. *ppResult is null on failure.
  static HRESULT CreateInstance(IUnknown* pUnknownOuter, ILogComponentHost& host,
                                CServerLifetime& lifetime, CUnknown** ppResult) noexcept;

  // --- CUnknown ---
  HRESULT STDMETHODCALLTYPE NondelegatingQueryInterface(REFIID iid, void** ppv) override;
  // Loads the type information of ILogComponent, registering the library when needed.
  HRESULT Init() override;

  // --- IUnknown of both faces: forwarded to the outer unknown ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // --- IDispatch ---
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                   DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                   EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // --- ISupportErrorInfo ---
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

  // --- ILogComponent ---
  HRESULT STDMETHODCALLTYPE AddItem(LONG itemType, BSTR component, BSTR itemName,
                                    LONG* result) override;
  HRESULT STDMETHODCALLTYPE RemoveItem(LONG itemType, BSTR component, BSTR itemName,
                                       LONG* result) override;
  HRESULT STDMETHODCALLTYPE RemoveComponent(BSTR component, LONG* result) override;
  HRESULT STDMETHODCALLTYPE IsInstalled(BSTR component, LONG* result) override;
  HRESULT STDMETHODCALLTYPE HasItem(LONG itemType, BSTR component, BSTR itemName,
                                    LONG* result) override;
  HRESULT STDMETHODCALLTYPE GetMatchingItem(LONG itemType, BSTR component, BSTR itemSubstring,
                                            BSTR* itemName) override;
  HRESULT STDMETHODCALLTYPE GetSpecialItem(BSTR component, BSTR itemName, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE GetParent(BSTR component, BSTR* parent) override;
  HRESULT STDMETHODCALLTYPE GetAllItems(LONG itemType, BSTR component, BSTR* allItems) override;
  HRESULT STDMETHODCALLTYPE ShutDown(LONG keepFile, BSTR* exeFile) override;

 private:
  // Merges (and deletes) a remote copy of the log that has appeared since start-up.
  CLogComponent(ILogComponentHost& host, CServerLifetime& lifetime);
  // Releases the type information; the base then counts the object out.
  ~CLogComponent() override;

  // The shape of the log methods: the retval emptied first (0 or null whatever fails), the
  // BSTR arguments converted, then body(log, texts...) with the host's log; without a log
  // only pszNoLog is traced, if given. No exception leaves.
  template <class T, class Body, class... Texts>
  HRESULT Serve(T* pResult, const char* pszNoLog, Body&& body, Texts... texts) noexcept;

  ILogComponentHost& m_host;
  ComPtr<ITypeInfo> m_pTypeInfo;
};
