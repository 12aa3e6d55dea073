// An owning holder for a BSTR, freed when replaced or destroyed, so every early return
// cleans up.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <utility>

// Holds one BSTR; frees it when replaced or destroyed.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR b) : m_b(b) {}
  ~UniqueBstr() { Reset(); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& other) noexcept : m_b(std::exchange(other.m_b, nullptr)) {}

  BSTR Get() const { return m_b; }
  BSTR* Put() {
    Reset();
    return &m_b;
  }
  BSTR Detach() { return std::exchange(m_b, nullptr); }
  void Reset() {
    if (BSTR b = std::exchange(m_b, nullptr)) SysFreeString(b);
  }

 private:
  BSTR m_b = nullptr;
};
