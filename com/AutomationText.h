// Conversions between automation strings (BSTR, UTF-16) and the system's narrow strings in
// the ANSI code page, as every method of the log component applies them.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>

// The text up to the first null character, in the ANSI code page (unmappable characters
// become the code page's default character). A null BSTR gives the empty string. Throws
// std::bad_alloc.
std::string NarrowFromBstr(BSTR b);

// A new BSTR of exactly the converted length in *pResult (empty, not null, for an empty
// text). E_OUTOFMEMORY, and *pResult untouched, when it cannot be allocated.
HRESULT BstrFromNarrow(const std::string& text, BSTR* pResult);
