// An owning holder for an open registry key, closed when replaced or destroyed.
#pragma once

#include <windows.h>

#include <utility>

class UniqueHkey {
 public:
  UniqueHkey() = default;
  ~UniqueHkey() { Reset(); }
  UniqueHkey(const UniqueHkey&) = delete;
  UniqueHkey& operator=(const UniqueHkey&) = delete;

  HKEY Get() const { return m_h; }
  HKEY* Put() {
    Reset();
    return &m_h;
  }
  void Reset() {
    if (HKEY h = std::exchange(m_h, nullptr)) RegCloseKey(h);
  }

 private:
  HKEY m_h = nullptr;
};
