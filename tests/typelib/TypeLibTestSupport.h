// Holders for what the type library tests borrow from oleaut32, and the list of executables
// whose type library resource is under test.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

struct ComReleaser {
  void operator()(IUnknown* p) const { p->Release(); }
};
template <class T>
using ComRef = std::unique_ptr<T, ComReleaser>;

struct BstrFreer {
  void operator()(BSTR p) const { SysFreeString(p); }
};
using Bstr = std::unique_ptr<OLECHAR, BstrFreer>;

// An executable that should carry the library: a name for the test's title and a path that
// Windows can open. A missing file is skipped, not failed.
struct LibrarySource {
  std::string label;
  std::wstring path;
};
std::vector<LibrarySource>& LibrarySources();

// Wide text of a possibly null BSTR, for comparisons.
inline std::wstring Text(const Bstr& s) { return s ? std::wstring(s.get()) : std::wstring(); }
