// Recognises the two registration words; everything else goes to the base, which knows
// the object system's switches.
#include "server/CCmdLine.h"

void CCmdLine::ParseParam(const char* pszParam, bool bSwitch, bool bLast) {
  if (EqualsNoCase(pszParam, "RegServer")) {
    m_nRegAction = kRegister;
  } else if (EqualsNoCase(pszParam, "UnregServer")) {
    m_nRegAction = kUnregister;
  } else {
    CCmdLineInfo::ParseParam(pszParam, bSwitch, bLast);
  }
}
