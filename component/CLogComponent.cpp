// The log component's methods: each converts its strings, traces, calls one install-log
// operation and returns S_OK with the answer in its retval. Allocation failure becomes
// E_OUTOFMEMORY at the method's edge, before the log has been changed, with the retval 0 or
// null.
#include "component/CLogComponent.h"

#include <windows.h>

#include <oleauto.h>

#include <array>
#include <new>
#include <string>
#include <tuple>

#include "com/AutomationText.h"
#include "com/UniqueBstr.h"
#include "component/KorLogIds.h"
#include "installlog/LogFile.h"

namespace {

// Runs body, turning any exception into a result code so none crosses the object boundary.
template <class Body>
HRESULT AtEdge(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

std::string TypeText(LONG itemType) { return std::to_string(itemType); }

}  // namespace

HRESULT CLogComponent::CreateInstance(IUnknown* pUnknownOuter, ILogComponentHost& host,
                                      CServerLifetime& lifetime, CUnknown** ppResult) noexcept {
  if (ppResult == nullptr) return E_POINTER;
  *ppResult = nullptr;
  if (pUnknownOuter != nullptr) return CLASS_E_NOAGGREGATION;
  return AtEdge([&] {
    const std::string line = "CreateInstance: Created a component.";
    *ppResult = new CLogComponent(host, lifetime);
    host.Trace(line);
    return S_OK;
  });
}

CLogComponent::CLogComponent(ILogComponentHost& host, CServerLifetime& lifetime)
    : CUnknown(nullptr, lifetime), m_host(host) {
  // Without a log (never while requests are accepted) there is nothing to merge into.
  if (LogFile* pLog = m_host.GetLog()) pLog->Load(m_host.GetRemoteLogPath(), true);
}

template <class T, class Body, class... Texts>
HRESULT CLogComponent::Serve(T* pResult, const char* pszNoLog, Body&& body,
                             Texts... texts) noexcept {
  if (pResult == nullptr) return E_POINTER;
  *pResult = T();
  return AtEdge([&] {
    // In the order given: the braces evaluate left to right.
    const std::array<std::string, sizeof...(Texts)> strings = {NarrowFromBstr(texts)...};
    LogFile* pLog = m_host.GetLog();
    if (pLog == nullptr) {
      if (pszNoLog != nullptr) m_host.Trace(pszNoLog);
      return S_OK;
    }
    return std::apply([&](const auto&... text) -> HRESULT { return body(*pLog, text...); },
                      strings);
  });
}

CLogComponent::~CLogComponent() = default;

HRESULT CLogComponent::Init() {
  if (m_pTypeInfo) return S_OK;
  ComPtr<ITypeLib> pTypeLib;
  HRESULT hr = LoadRegTypeLib(korlog::kLibId, korlog::kLibMajorVersion, korlog::kLibMinorVersion, 0,
                              pTypeLib.Put());
  if (FAILED(hr)) {
    // Not registered yet: load the library from this executable's resource and register it.
    char path[512] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    wchar_t widePath[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH - 1);
    hr = LoadTypeLib(widePath, pTypeLib.Put());
    if (FAILED(hr)) return hr;
    hr = RegisterTypeLib(pTypeLib.Get(), widePath, nullptr);
    if (FAILED(hr)) return hr;
  }
  return pTypeLib->GetTypeInfoOfGuid(IID_ILogComponent, m_pTypeInfo.Put());
}

HRESULT STDMETHODCALLTYPE CLogComponent::NondelegatingQueryInterface(REFIID iid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_ILogComponent) || IsEqualIID(iid, IID_IDispatch)) {
    return ReturnInterface(static_cast<ILogComponent*>(this), ppv);
  }
  if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    return ReturnInterface(static_cast<ISupportErrorInfo*>(this), ppv);
  }
  return CUnknown::NondelegatingQueryInterface(iid, ppv);
}

HRESULT STDMETHODCALLTYPE CLogComponent::QueryInterface(REFIID iid, void** ppv) {
  return GetOuterUnknown()->QueryInterface(iid, ppv);
}

ULONG STDMETHODCALLTYPE CLogComponent::AddRef() { return GetOuterUnknown()->AddRef(); }

ULONG STDMETHODCALLTYPE CLogComponent::Release() { return GetOuterUnknown()->Release(); }

// --- IDispatch: everything through the type information ---

HRESULT STDMETHODCALLTYPE CLogComponent::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo == nullptr) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetTypeInfo(UINT iTInfo, LCID /*lcid*/,
                                                     ITypeInfo** ppTInfo) {
  if (ppTInfo == nullptr) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  m_pTypeInfo->AddRef();
  *ppTInfo = m_pTypeInfo.Get();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames,
                                                       UINT cNames, LCID /*lcid*/,
                                                       DISPID* rgDispId) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return m_pTypeInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
}

HRESULT STDMETHODCALLTYPE CLogComponent::Invoke(DISPID dispIdMember, REFIID riid, LCID /*lcid*/,
                                                WORD wFlags, DISPPARAMS* pDispParams,
                                                VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                                UINT* puArgErr) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  SetErrorInfo(0, nullptr);
  return m_pTypeInfo->Invoke(static_cast<ILogComponent*>(this), dispIdMember, wFlags, pDispParams,
                             pVarResult, pExcepInfo, puArgErr);
}

HRESULT STDMETHODCALLTYPE CLogComponent::InterfaceSupportsErrorInfo(REFIID riid) {
  return IsEqualIID(riid, IID_ILogComponent) ? S_OK : S_FALSE;
}

// --- ILogComponent ---

HRESULT STDMETHODCALLTYPE CLogComponent::AddItem(LONG itemType, BSTR component, BSTR itemName,
                                                 LONG* result) {
  return Serve(
      result, nullptr,
      [&](LogFile& log, const std::string& strComponent, const std::string& strItem) {
        m_host.Trace("AddItem: Writing item " + strItem + " (type " + TypeText(itemType) +
                     ") under component " + strComponent + "\n");
        *result = log.AddItem(itemType, strComponent, strItem) ? 1 : 0;
        return S_OK;
      },
      component, itemName);
}

HRESULT STDMETHODCALLTYPE CLogComponent::RemoveItem(LONG itemType, BSTR component, BSTR itemName,
                                                    LONG* result) {
  return Serve(
      result, nullptr,
      [&](LogFile& log, const std::string& strComponent, const std::string& strItem) {
        m_host.Trace("RemoveItem: Removing item " + strItem + " (type " + TypeText(itemType) +
                     ") under component " + strComponent + "\n");
        *result = log.RemoveItem(itemType, strComponent, strItem) ? 1 : 0;
        return S_OK;
      },
      component, itemName);
}

HRESULT STDMETHODCALLTYPE CLogComponent::RemoveComponent(BSTR component, LONG* result) {
  return Serve(
      result, nullptr,
      [&](LogFile& log, const std::string& strComponent) {
        m_host.Trace("RemoveComponent: whacking " + strComponent);
        log.RemoveComponent(strComponent);
        *result = 1;
        return S_OK;
      },
      component);
}

HRESULT STDMETHODCALLTYPE CLogComponent::IsInstalled(BSTR component, LONG* result) {
  return Serve(
      result, "IsInstalled: No log file found.",
      [&](LogFile& log, const std::string& strComponent) {
        const bool bInstalled = log.IsInstalled(strComponent);
        m_host.Trace("IsInstalled: Checking if " + strComponent + " is installed.  " +
                     (bInstalled ? "It is." : "It ain't."));
        *result = bInstalled ? 1 : 0;
        return S_OK;
      },
      component);
}

HRESULT STDMETHODCALLTYPE CLogComponent::HasItem(LONG itemType, BSTR component, BSTR itemName,
                                                 LONG* result) {
  return Serve(
      result, nullptr,
      [&](LogFile& log, const std::string& strComponent, const std::string& strItem) {
        m_host.Trace("HasItem: checking existence of item " + strItem + " (type " +
                     TypeText(itemType) + ") in component " + strComponent);
        *result = log.HasItem(itemType, strComponent, strItem) ? 1 : 0;
        return S_OK;
      },
      component, itemName);
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetMatchingItem(LONG itemType, BSTR component,
                                                         BSTR itemSubstring, BSTR* itemName) {
  return Serve(
      itemName, nullptr,
      [&](LogFile& log, const std::string& strComponent, const std::string& strSubstring) {
        m_host.Trace("GetMatchingItem: finding item with substring " + strSubstring +
                     " in componnet " + strComponent + " (type " + TypeText(itemType) + ")");
        return BstrFromNarrow(log.GetMatchingItem(itemType, strComponent, strSubstring), itemName);
      },
      component, itemSubstring);
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetSpecialItem(BSTR component, BSTR itemName,
                                                        BSTR* value) {
  return Serve(
      value, nullptr,
      [&](LogFile& log, const std::string& strComponent, const std::string& strItem) {
        m_host.Trace("GetSpecialItem: component " + strComponent + ", item " + strItem);
        return BstrFromNarrow(log.GetSpecialItem(LogFile::SpecialItem, strComponent, strItem),
                              value);
      },
      component, itemName);
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetParent(BSTR component, BSTR* parent) {
  return Serve(
      parent, "GetParent: No log file found.",
      [&](LogFile& log, const std::string& strComponent) {
        const std::string strParent = log.GetParent(strComponent);
        UniqueBstr answer;
        const HRESULT hr = BstrFromNarrow(strParent, answer.Put());
        if (FAILED(hr)) return hr;
        m_host.Trace("GetParent: parent of item " + strComponent + " is " + strParent + ".");
        *parent = answer.Detach();
        return S_OK;
      },
      component);
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetAllItems(LONG itemType, BSTR component,
                                                     BSTR* allItems) {
  return Serve(
      allItems, "GetAllItems: No log file found.",
      [&](LogFile& log, const std::string& strComponent) {
        const std::string strAll = log.GetAllItems(itemType, strComponent);
        UniqueBstr answer;
        const HRESULT hr = BstrFromNarrow(strAll, answer.Put());
        if (FAILED(hr)) return hr;
        if (strAll.empty()) m_host.Trace("GetAllItems: No appropriate entries found.");
        *allItems = answer.Detach();
        return S_OK;
      },
      component);
}

HRESULT STDMETHODCALLTYPE CLogComponent::ShutDown(LONG keepFile, BSTR* exeFile) {
  if (exeFile == nullptr) return E_POINTER;
  *exeFile = nullptr;
  // The answer is made first, so that a failure to allocate it leaves the server untouched.
  wchar_t path[MAX_PATH] = {};
  const DWORD cch = GetModuleFileNameW(nullptr, path, MAX_PATH);
  UniqueBstr answer(SysAllocStringLen(path, cch < MAX_PATH ? cch : 0));
  if (!answer.Get()) return E_OUTOFMEMORY;
  m_host.EndService(keepFile);
  *exeFile = answer.Detach();
  return S_OK;
}
