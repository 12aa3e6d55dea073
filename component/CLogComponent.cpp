// The log component's methods: each converts its strings, traces, calls one install-log
// operation and returns S_OK with the answer in its retval. Allocation failure becomes
// E_OUTOFMEMORY at the method's edge, before the log has been changed.
#include "component/CLogComponent.h"

#include <windows.h>

#include <oleauto.h>

#include <new>
#include <string>

#include "com/AutomationText.h"
#include "com/UniqueBstr.h"
#include "component/KorLogIds.h"
#include "server/CKorLogServerApp.h"
#include "server/Registration.h"

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

LogFile* TheLog() { return GetServerApp().m_pLogFile.get(); }

std::string TypeText(LONG itemType) { return std::to_string(itemType); }

}  // namespace

HRESULT CLogComponent::CreateInstance(IUnknown* pUnknownOuter, CUnknown** ppResult) {
  if (pUnknownOuter != nullptr) return CLASS_E_NOAGGREGATION;
  return AtEdge([&] {
    *ppResult = new CLogComponent;
    Trace("CreateInstance: Created a component.");
    return S_OK;
  });
}

CLogComponent::CLogComponent() : CUnknown(nullptr) {
  // Without a log (never while requests are accepted) there is nothing to merge into.
  CKorLogServerApp& app = GetServerApp();
  if (app.m_pLogFile) app.m_pLogFile->Load(app.m_strRemoteLogPath, true);
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
  if (result == nullptr) return E_POINTER;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    const std::string strItem = NarrowFromBstr(itemName);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      *result = 0;
      return S_OK;
    }
    Trace("AddItem: Writing item " + strItem + " (type " + TypeText(itemType) +
          ") under component " + strComponent + "\n");
    *result = pLog->AddItem(itemType, strComponent, strItem) ? 1 : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::RemoveItem(LONG itemType, BSTR component, BSTR itemName,
                                                    LONG* result) {
  if (result == nullptr) return E_POINTER;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    const std::string strItem = NarrowFromBstr(itemName);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      *result = 0;
      return S_OK;
    }
    Trace("RemoveItem: Removing item " + strItem + " (type " + TypeText(itemType) +
          ") under component " + strComponent + "\n");
    *result = pLog->RemoveItem(itemType, strComponent, strItem) ? 1 : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::RemoveComponent(BSTR component, LONG* result) {
  if (result == nullptr) return E_POINTER;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      *result = 0;
      return S_OK;
    }
    Trace("RemoveComponent: whacking " + strComponent);
    pLog->RemoveComponent(strComponent);
    *result = 1;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::IsInstalled(BSTR component, LONG* result) {
  if (result == nullptr) return E_POINTER;
  *result = 0;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      Trace("IsInstalled: No log file found.");
      return S_OK;
    }
    const bool bInstalled = pLog->IsInstalled(strComponent);
    Trace("IsInstalled: Checking if " + strComponent + " is installed.  " +
          (bInstalled ? "It is." : "It ain't."));
    *result = bInstalled ? 1 : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::HasItem(LONG itemType, BSTR component, BSTR itemName,
                                                 LONG* result) {
  if (result == nullptr) return E_POINTER;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    const std::string strItem = NarrowFromBstr(itemName);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      *result = 0;
      return S_OK;
    }
    Trace("HasItem: checking existence of item " + strItem + " (type " + TypeText(itemType) +
          ") in component " + strComponent);
    *result = pLog->HasItem(itemType, strComponent, strItem) ? 1 : 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetMatchingItem(LONG itemType, BSTR component,
                                                         BSTR itemSubstring, BSTR* itemName) {
  if (itemName == nullptr) return E_POINTER;
  *itemName = nullptr;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    const std::string strSubstring = NarrowFromBstr(itemSubstring);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) return S_OK;
    Trace("GetMatchingItem: finding item with substring " + strSubstring + " in componnet " +
          strComponent + " (type " + TypeText(itemType) + ")");
    return BstrFromNarrow(pLog->GetMatchingItem(itemType, strComponent, strSubstring), itemName);
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetSpecialItem(BSTR component, BSTR itemName,
                                                        BSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    const std::string strItem = NarrowFromBstr(itemName);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) return S_OK;
    Trace("GetSpecialItem: component " + strComponent + ", item " + strItem);
    return BstrFromNarrow(pLog->GetSpecialItem(LogFile::SpecialItem, strComponent, strItem), value);
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetParent(BSTR component, BSTR* parent) {
  if (parent == nullptr) return E_POINTER;
  *parent = nullptr;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      Trace("GetParent: No log file found.");
      return S_OK;
    }
    const std::string strParent = pLog->GetParent(strComponent);
    UniqueBstr answer;
    const HRESULT hr = BstrFromNarrow(strParent, answer.Put());
    if (FAILED(hr)) return hr;
    Trace("GetParent: parent of item " + strComponent + " is " + strParent + ".");
    *parent = answer.Detach();
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::GetAllItems(LONG itemType, BSTR component,
                                                     BSTR* allItems) {
  if (allItems == nullptr) return E_POINTER;
  *allItems = nullptr;
  return AtEdge([&] {
    const std::string strComponent = NarrowFromBstr(component);
    LogFile* pLog = TheLog();
    if (pLog == nullptr) {
      Trace("GetAllItems: No log file found.");
      return S_OK;
    }
    const std::string strAll = pLog->GetAllItems(itemType, strComponent);
    UniqueBstr answer;
    const HRESULT hr = BstrFromNarrow(strAll, answer.Put());
    if (FAILED(hr)) return hr;
    if (strAll.empty()) Trace("GetAllItems: No appropriate entries found.");
    *allItems = answer.Detach();
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CLogComponent::ShutDown(LONG keepFile, BSTR* exeFile) {
  if (exeFile == nullptr) return E_POINTER;
  *exeFile = nullptr;
  // The answer is made first, so that a failure to allocate it leaves the server untouched.
  wchar_t path[MAX_PATH] = {};
  const DWORD cch = GetModuleFileNameW(nullptr, path, MAX_PATH);
  UniqueBstr answer(SysAllocStringLen(path, cch < MAX_PATH ? cch : 0));
  if (!answer.Get()) return E_OUTOFMEMORY;

  CKorLogServerApp& app = GetServerApp();
  RemoveRegistration();
  app.m_bShuttingDown = true;
  app.CloseDown(keepFile == 1);
  if (keepFile != 1) {
    // What was not saved is to be forgotten: nothing of it may come back at the next start.
    app.DiscardJournal();
    if (keepFile == 0) DeleteFileA(app.m_strLogPath.c_str());
    app.m_strLogPath.clear();
  }
  *exeFile = answer.Detach();
  return S_OK;
}
