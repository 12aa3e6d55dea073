// Late-bound calls on the log component: every argument travels as a VARIANT (VT_I4 or
// VT_BSTR), reversed as Invoke expects; the retval comes back as the value of the call.
#include "tools/korlog/CDispatchLogClient.h"

#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <vector>

#include "com/UniqueBstr.h"
#include "win32/Win32Text.h"

// The arguments of one call, owned as variants and cleared when the call is over.
class CDispatchLogClient::CArgs {
 public:
  CArgs() = default;
  ~CArgs() {
    for (VARIANT& v : m_args) VariantClear(&v);
  }
  CArgs(const CArgs&) = delete;
  CArgs& operator=(const CArgs&) = delete;

  CArgs& Long(long n) {
    VARIANT& v = Next();
    V_VT(&v) = VT_I4;
    V_I4(&v) = n;
    return *this;
  }
  // An allocation failure is remembered and fails the call.
  CArgs& String(const std::string& text) {
    const std::wstring wide = win32text::AnsiToWide(text);
    VARIANT& v = Next();
    V_BSTR(&v) = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (V_BSTR(&v))
      V_VT(&v) = VT_BSTR;
    else
      m_bOutOfMemory = true;
    return *this;
  }

  bool OutOfMemory() const { return m_bOutOfMemory; }

  // The parameters for Invoke: the last argument first.
  DISPPARAMS Params() {
    m_reversed.assign(m_args.rbegin(), m_args.rend());
    DISPPARAMS params{};
    params.rgvarg = m_reversed.data();
    params.cArgs = static_cast<UINT>(m_reversed.size());
    return params;
  }

 private:
  VARIANT& Next() {
    m_args.emplace_back();
    VariantInit(&m_args.back());
    return m_args.back();
  }

  std::vector<VARIANT> m_args;
  std::vector<VARIANT> m_reversed;  // shallow copies; m_args owns the strings
  bool m_bOutOfMemory = false;
};

namespace {

constexpr wchar_t kProgId[] = L"KorLog.Component";

struct KnownError {
  HRESULT hr;
  const char* pszText;
};

// Texts for the codes a client meets most, for systems whose message tables lack them.
constexpr KnownError kKnownErrors[] = {
    {static_cast<HRESULT>(0x800401F3L), "Invalid class string"},
    {static_cast<HRESULT>(0x80040154L), "Class not registered"},
    {static_cast<HRESULT>(0x80080005L), "Server execution failed"},
    {static_cast<HRESULT>(0x80010108L), "The object invoked has disconnected from its clients"},
    {static_cast<HRESULT>(0x800706BAL), "The RPC server is unavailable"},
    {static_cast<HRESULT>(0x80070005L), "Access is denied"},
    {static_cast<HRESULT>(0x80020006L), "Unknown name"},
    {static_cast<HRESULT>(0x8007000EL), "Not enough memory resources are available"},
};

// An owning holder for a VARIANT, cleared when destroyed.
struct VariantHolder {
  VARIANT v;
  VariantHolder() { VariantInit(&v); }
  ~VariantHolder() { VariantClear(&v); }
  VariantHolder(const VariantHolder&) = delete;
  VariantHolder& operator=(const VariantHolder&) = delete;
};

}  // namespace

std::string CDispatchLogClient::DescribeHresult(HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  std::string text = code;
  char* pszMessage = nullptr;
  const DWORD cch = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&pszMessage), 0, nullptr);
  if (cch > 0 && pszMessage) {
    std::string message(pszMessage, cch);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
      message.pop_back();
    }
    if (!message.empty()) text += " " + message;
  }
  if (pszMessage) LocalFree(pszMessage);
  if (text.size() > 10) return text;
  for (const KnownError& known : kKnownErrors) {
    if (known.hr == hr) return text + " " + known.pszText;
  }
  return text;
}

std::unique_ptr<CDispatchLogClient> CDispatchLogClient::Connect(std::string& error) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(kProgId, &clsid);
  if (FAILED(hr)) {
    error = DescribeHresult(hr);
    return nullptr;
  }
  ComPtr<IDispatch> pDispatch;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                        reinterpret_cast<void**>(pDispatch.Put()));
  if (FAILED(hr)) {
    error = DescribeHresult(hr);
    return nullptr;
  }
  return std::unique_ptr<CDispatchLogClient>(new CDispatchLogClient(std::move(pDispatch)));
}

bool CDispatchLogClient::Call(const wchar_t* pszMethod, CArgs& args, VARTYPE vt, VARIANT& result) {
  m_strException.clear();
  if (args.OutOfMemory()) {
    m_hrLast = E_OUTOFMEMORY;
    return false;
  }
  LPOLESTR pszName = const_cast<LPOLESTR>(pszMethod);
  DISPID dispid = DISPID_UNKNOWN;
  m_hrLast = m_pDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(m_hrLast)) return false;

  DISPPARAMS params = args.Params();
  EXCEPINFO exception{};
  UINT argError = 0;
  m_hrLast = m_pDispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                 &result, &exception, &argError);
  UniqueBstr description(exception.bstrDescription);
  UniqueBstr source(exception.bstrSource);
  UniqueBstr helpFile(exception.bstrHelpFile);
  if (m_hrLast == DISP_E_EXCEPTION && description.Get()) {
    m_strException = win32text::WideToAnsi(description.Get());
  }
  if (FAILED(m_hrLast)) return false;
  // A null string retval (the server holds no log) reads as the empty answer.
  if (vt == VT_BSTR && V_VT(&result) == VT_EMPTY) {
    V_VT(&result) = VT_BSTR;
    V_BSTR(&result) = nullptr;
    return true;
  }
  if (V_VT(&result) == vt) return true;
  m_hrLast = VariantChangeType(&result, &result, 0, vt);
  return SUCCEEDED(m_hrLast);
}

std::optional<long> CDispatchLogClient::CallLong(const wchar_t* pszMethod, CArgs& args) {
  VariantHolder result;
  if (!Call(pszMethod, args, VT_I4, result.v)) return std::nullopt;
  return static_cast<long>(V_I4(&result.v));
}

std::optional<std::string> CDispatchLogClient::CallString(const wchar_t* pszMethod, CArgs& args) {
  VariantHolder result;
  if (!Call(pszMethod, args, VT_BSTR, result.v)) return std::nullopt;
  const BSTR b = V_BSTR(&result.v);
  return b ? win32text::WideToAnsi(std::wstring_view(b, SysStringLen(b))) : std::string();
}

std::optional<long> CDispatchLogClient::AddItem(int type, const std::string& component,
                                                const std::string& item) {
  CArgs args;
  args.Long(type).String(component).String(item);
  return CallLong(L"AddItem", args);
}

std::optional<long> CDispatchLogClient::RemoveItem(int type, const std::string& component,
                                                   const std::string& item) {
  CArgs args;
  args.Long(type).String(component).String(item);
  return CallLong(L"RemoveItem", args);
}

std::optional<long> CDispatchLogClient::RemoveComponent(const std::string& component) {
  CArgs args;
  args.String(component);
  return CallLong(L"RemoveComponent", args);
}

std::optional<long> CDispatchLogClient::IsInstalled(const std::string& component) {
  CArgs args;
  args.String(component);
  return CallLong(L"IsInstalled", args);
}

std::optional<long> CDispatchLogClient::HasItem(int type, const std::string& component,
                                                const std::string& item) {
  CArgs args;
  args.Long(type).String(component).String(item);
  return CallLong(L"HasItem", args);
}

std::optional<std::string> CDispatchLogClient::GetMatchingItem(int type,
                                                               const std::string& component,
                                                               const std::string& substring) {
  CArgs args;
  args.Long(type).String(component).String(substring);
  return CallString(L"GetMatchingItem", args);
}

std::optional<std::string> CDispatchLogClient::GetSpecialItem(const std::string& component,
                                                              const std::string& name) {
  CArgs args;
  args.String(component).String(name);
  return CallString(L"GetSpecialItem", args);
}

std::optional<std::string> CDispatchLogClient::GetParent(const std::string& component) {
  CArgs args;
  args.String(component);
  return CallString(L"GetParent", args);
}

std::optional<std::string> CDispatchLogClient::GetAllItems(int type, const std::string& component) {
  CArgs args;
  args.Long(type).String(component);
  return CallString(L"GetAllItems", args);
}

std::optional<std::string> CDispatchLogClient::ShutDown(long keepFile) {
  CArgs args;
  args.Long(keepFile);
  return CallString(L"ShutDown", args);
}

std::string CDispatchLogClient::ErrorText() const {
  if (!m_strException.empty()) return DescribeHresult(m_hrLast) + ": " + m_strException;
  return DescribeHresult(m_hrLast);
}
