// The application layer's record of a parsed command line: each argument is handed to
// ParseParam, which a derived class may override; this base marks the object system's
// "Embedding" and "Automation" switches.
#pragma once

#include <string>
#include <vector>

class CCmdLineInfo {
 public:
  virtual ~CCmdLineInfo() = default;

  // Called once per argument after the program name, in order. bSwitch is true when the
  // argument began with "-" or "/" (that one character already removed from pszParam).
  virtual void ParseParam(const char* pszParam, bool bSwitch, bool bLast);

  // Walks args (without the program name): strips one leading "-" or "/", marks the
  // argument as a switch, and calls ParseParam.
  void ParseArguments(const std::vector<std::string>& args);

  bool m_bRunEmbedded = false;   // "-Embedding": started by the object system
  bool m_bRunAutomated = false;  // "-Automation": started for automation
};

// True when a equals b ignoring the case of ASCII letters.
bool EqualsNoCase(const char* a, const char* b);
