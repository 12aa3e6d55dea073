// The test clients' automation helpers; see ComTestClient.h.
#include "tests/common/ComTestClient.h"

#include <windows.h>

#include "win32/Win32Text.h"

namespace comtest {

ComPtr<ILogComponent> CreateLog(HRESULT* phr) {
  ComPtr<ILogComponent> p;
  const HRESULT hr = CoCreateInstance(CLSID_LogComponent, nullptr, CLSCTX_LOCAL_SERVER,
                                      IID_ILogComponent, reinterpret_cast<void**>(p.Put()));
  if (phr) *phr = hr;
  if (FAILED(hr)) p.Reset();
  return p;
}

UniqueBstr Bstr(std::wstring_view text) {
  return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

std::wstring Wide(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

std::string ServerNarrow(std::wstring_view text) {
  return win32text::WideToAnsi(text.substr(0, text.find(L'\0')));
}

std::wstring ServerWide(std::string_view text) { return win32text::AnsiToWide(text); }

}  // namespace comtest
