// Narrow <-> automation string conversions in the ANSI code page.
#include "com/AutomationText.h"

#include <windows.h>

#include <cwchar>
#include <limits>
#include <vector>

std::string NarrowFromBstr(BSTR b) {
  if (b == nullptr) return std::string();
  // Only up to the first null character, and never past the string's own length.
  const size_t cch = wcsnlen(b, SysStringLen(b));
  if (cch == 0) return std::string();
  if (cch > static_cast<size_t>(std::numeric_limits<int>::max() / 2 - 1)) throw std::bad_alloc();
  const int cchIn = static_cast<int>(cch);
  // Two bytes per UTF-16 unit is enough for any double-byte code page.
  std::string out(cch * 2 + 1, '\0');
  const int cb = WideCharToMultiByte(CP_ACP, 0, b, cchIn, out.data(), static_cast<int>(out.size()),
                                     nullptr, nullptr);
  out.resize(cb > 0 ? static_cast<size_t>(cb) : 0);
  return out;
}

HRESULT BstrFromNarrow(const std::string& text, BSTR* pResult) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return E_OUTOFMEMORY;
  const int cbIn = static_cast<int>(text.size());
  const int cch = cbIn == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), cbIn, nullptr, 0);
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(cch));
  if (b == nullptr) return E_OUTOFMEMORY;
  if (cch > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), cbIn, b, cch);
  b[cch] = L'\0';
  *pResult = b;
  return S_OK;
}
