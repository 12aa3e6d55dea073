// The recording stand-in for the log component: results echo the arguments (item types plus
// 100, strings joined), so a test can tell each parameter arrived in its place.
#include "tests/typelib/FakeLogComponent.h"

#include <windows.h>

#include <oleauto.h>

#include <new>
#include <string>

FakeLogComponent::FakeLogComponent(ITypeInfo* pTypeInfo) : m_pTypeInfo(pTypeInfo) {
  m_pTypeInfo->AddRef();
}

FakeLogComponent::~FakeLogComponent() { m_pTypeInfo->Release(); }

HRESULT FakeLogComponent::QueryInterface(REFIID riid, void** ppv) {
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_ILogComponent) {
    return E_NOINTERFACE;
  }
  *ppv = static_cast<ILogComponent*>(this);
  AddRef();
  return S_OK;
}

ULONG FakeLogComponent::AddRef() { return InterlockedIncrement(&m_cRef); }

ULONG FakeLogComponent::Release() {
  const LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return count;
}

HRESULT FakeLogComponent::GetTypeInfoCount(UINT* pctinfo) {
  *pctinfo = 1;
  return S_OK;
}

HRESULT FakeLogComponent::GetTypeInfo(UINT index, LCID, ITypeInfo** ppInfo) {
  *ppInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  m_pTypeInfo->AddRef();
  *ppInfo = m_pTypeInfo;
  return S_OK;
}

HRESULT FakeLogComponent::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                        DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return m_pTypeInfo->GetIDsOfNames(names, count, ids);
}

HRESULT FakeLogComponent::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return m_pTypeInfo->Invoke(static_cast<ILogComponent*>(this), id, flags, params, result, excep,
                             argErr);
}

HRESULT FakeLogComponent::Record(const wchar_t* method, LONG number, BSTR text1, BSTR text2) {
  try {
    m_strLastMethod = method;
    m_lLastNumber = number;
    m_strLastText1 = text1 ? text1 : L"";
    m_strLastText2 = text2 ? text2 : L"";
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT FakeLogComponent::Answer(const std::wstring& text, BSTR* out) {
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT FakeLogComponent::AddItem(LONG itemType, BSTR component, BSTR itemName, LONG* result) {
  *result = itemType + 100;
  return Record(L"AddItem", itemType, component, itemName);
}

HRESULT FakeLogComponent::RemoveItem(LONG itemType, BSTR component, BSTR itemName, LONG* result) {
  *result = 3;
  return Record(L"RemoveItem", itemType, component, itemName);
}

HRESULT FakeLogComponent::RemoveComponent(BSTR component, LONG* result) {
  *result = 1;
  return Record(L"RemoveComponent", -1, component, nullptr);
}

HRESULT FakeLogComponent::IsInstalled(BSTR component, LONG* result) {
  *result = 1;
  return Record(L"IsInstalled", -1, component, nullptr);
}

HRESULT FakeLogComponent::HasItem(LONG itemType, BSTR component, BSTR itemName, LONG* result) {
  *result = 3;
  return Record(L"HasItem", itemType, component, itemName);
}

HRESULT FakeLogComponent::GetMatchingItem(LONG itemType, BSTR component, BSTR itemSubstring,
                                          BSTR* itemName) {
  const HRESULT hr = Record(L"GetMatchingItem", itemType, component, itemSubstring);
  return FAILED(hr) ? hr : Answer(m_strLastText2 + L"@" + m_strLastText1, itemName);
}

HRESULT FakeLogComponent::GetSpecialItem(BSTR component, BSTR itemName, BSTR* value) {
  const HRESULT hr = Record(L"GetSpecialItem", -1, component, itemName);
  return FAILED(hr) ? hr : Answer(m_strLastText2 + L"@" + m_strLastText1, value);
}

HRESULT FakeLogComponent::GetParent(BSTR component, BSTR* parent) {
  const HRESULT hr = Record(L"GetParent", -1, component, nullptr);
  return FAILED(hr) ? hr : Answer(L"parent of " + m_strLastText1, parent);
}

HRESULT FakeLogComponent::GetAllItems(LONG itemType, BSTR component, BSTR* allItems) {
  const HRESULT hr = Record(L"GetAllItems", itemType, component, nullptr);
  return FAILED(hr) ? hr : Answer(L"all of " + m_strLastText1, allItems);
}

HRESULT FakeLogComponent::ShutDown(LONG keepFile, BSTR* exeFile) {
  const HRESULT hr = Record(L"ShutDown", keepFile, nullptr, nullptr);
  return FAILED(hr) ? hr : Answer(L"keep " + std::to_wstring(keepFile), exeFile);
}
