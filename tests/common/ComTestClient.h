// What the project's test clients share for automation: the component created out of process,
// BSTRs of exact text and their text back, and the server's own conversions of a client's
// strings (so a client can say what the server will make of them).
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

#include "LogComponent_h.h"
#include "com/ComPtr.h"
#include "com/UniqueBstr.h"

namespace comtest {

// Creates the component as a local server; null (and the code in *phr) when that fails.
ComPtr<ILogComponent> CreateLog(HRESULT* phr = nullptr);

// A BSTR of exactly these UTF-16 units, embedded null characters included.
UniqueBstr Bstr(std::wstring_view text);
// The units of a BSTR; empty for a null one.
std::wstring Wide(BSTR b);

// The narrow text the server makes of a client's string: up to the first null character,
// in the ANSI code page; and the automation string it makes of a narrow answer.
std::string ServerNarrow(std::wstring_view text);
std::wstring ServerWide(std::string_view text);

}  // namespace comtest
