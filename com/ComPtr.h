// An owning holder for one interface pointer of the object system, released when replaced or
// destroyed, so every early return cleans up.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <utility>

// Holds one reference to an interface; releases it when replaced or destroyed.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  // Adopts p's reference.
  explicit ComPtr(T* p) : m_p(p) {}
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      m_p = std::exchange(other.m_p, nullptr);
    }
    return *this;
  }

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

  // Releases what is held and returns the slot for an out parameter.
  T** Put() {
    Reset();
    return &m_p;
  }
  // Gives up ownership without releasing.
  T* Detach() { return std::exchange(m_p, nullptr); }
  void Reset() {
    if (T* p = std::exchange(m_p, nullptr)) p->Release();
  }

 private:
  T* m_p = nullptr;
};
