// An opaque handle of one element of an ordered store list (an item in a section, a section
// in a document). It stays valid while other elements come and go and becomes invalid when
// its own element is removed. A default-constructed position is "no position".
#pragma once

template <class Iter, class Owner>
class IniPosition {
 public:
  IniPosition() = default;

  explicit operator bool() const { return m_bValid; }
  bool IsNull() const { return !m_bValid; }

  friend bool operator==(const IniPosition& a, const IniPosition& b) {
    return a.m_bValid == b.m_bValid && (!a.m_bValid || a.m_it == b.m_it);
  }
  friend bool operator!=(const IniPosition& a, const IniPosition& b) { return !(a == b); }

 private:
  friend Owner;
  explicit IniPosition(Iter it) : m_it(it), m_bValid(true) {}

  Iter m_it{};
  bool m_bValid = false;
};
