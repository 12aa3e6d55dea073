// RegKey: the owner of one open registry key handle, closed when the holder goes away, so
// every early return releases what was opened.
#pragma once

#include <windows.h>

class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY hKey) : m_hKey(hKey) {}
  ~RegKey() { Reset(); }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : m_hKey(other.Release()) {}
  RegKey& operator=(RegKey&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  HKEY Get() const { return m_hKey; }
  explicit operator bool() const { return m_hKey != nullptr; }

  // Closes the key held, if any, and returns the slot for an opening call to fill.
  HKEY* Put() {
    Reset();
    return &m_hKey;
  }

  // Gives up ownership without closing.
  HKEY Release() {
    HKEY hKey = m_hKey;
    m_hKey = nullptr;
    return hKey;
  }

  void Reset(HKEY hKey = nullptr) {
    if (m_hKey) RegCloseKey(m_hKey);
    m_hKey = hKey;
  }

 private:
  HKEY m_hKey = nullptr;
};
