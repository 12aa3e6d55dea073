// The server's command line: the registration words "RegServer" and "UnregServer" (with or
// without "-" or "/", ignoring case, the last one wins) on top of the object system's
// switches.
#pragma once

#include "server/CCmdLineInfo.h"

class CCmdLine : public CCmdLineInfo {
 public:
  enum { kNoRegAction = 0, kRegister = 1, kUnregister = 2 };

  void ParseParam(const char* pszParam, bool bSwitch, bool bLast) override;

  int m_nRegAction = kNoRegAction;
};
