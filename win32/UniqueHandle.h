// UniqueHandle: the owner of one kernel object handle, closed when the holder goes away.
#pragma once

#include <windows.h>

#include <utility>

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : m_h(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}

  HANDLE Get() const { return m_h; }
  explicit operator bool() const { return m_h != nullptr; }

  void Reset(HANDLE h = nullptr) {
    if (m_h) CloseHandle(m_h);
    m_h = h;
  }

 private:
  HANDLE m_h = nullptr;
};
