// The object system initialised on this thread as a single-threaded apartment for the
// holder's lifetime; uninitialised only when the initialisation succeeded.
#pragma once

#include <windows.h>

#include <objbase.h>

class CComApartment {
 public:
  CComApartment() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComApartment() {
    if (SUCCEEDED(m_hr)) CoUninitialize();
  }
  CComApartment(const CComApartment&) = delete;
  CComApartment& operator=(const CComApartment&) = delete;

  HRESULT Result() const { return m_hr; }

 private:
  HRESULT m_hr;
};
