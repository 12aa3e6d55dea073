// A stand-in for the log component that records what reaches it and answers fixed values,
// so a test can see the system's marshaller carry calls across apartments through the
// type library. IDispatch is served by the library's type information, as the real one does.
#pragma once

#include <windows.h>

#include <string>

#include "LogComponent_h.h"

class FakeLogComponent : public ILogComponent {
 public:
  explicit FakeLogComponent(ITypeInfo* pTypeInfo);
  virtual ~FakeLogComponent();
  FakeLogComponent(const FakeLogComponent&) = delete;
  FakeLogComponent& operator=(const FakeLogComponent&) = delete;

  // What the last call brought: its method, the long argument and the string arguments.
  std::wstring m_strLastMethod;
  LONG m_lLastNumber = -1;
  std::wstring m_strLastText1;
  std::wstring m_strLastText2;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** ppInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                   UINT* argErr) override;

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
  HRESULT Record(const wchar_t* method, LONG number, BSTR text1, BSTR text2);
  static HRESULT Answer(const std::wstring& text, BSTR* out);

  LONG m_cRef = 1;
  ITypeInfo* m_pTypeInfo;
};
