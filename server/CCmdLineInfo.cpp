// Command-line walking for the application layer: switch characters, and the object
// system's two start-up switches.
#include "server/CCmdLineInfo.h"

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsNoCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
  }
  return *a == *b;
}

void CCmdLineInfo::ParseParam(const char* pszParam, bool bSwitch, bool /*bLast*/) {
  // Only switches count: a bare "Embedding" is an ordinary argument.
  if (!bSwitch) return;
  if (EqualsNoCase(pszParam, "Embedding")) {
    m_bRunEmbedded = true;
  } else if (EqualsNoCase(pszParam, "Automation")) {
    m_bRunAutomated = true;
  }
}

void CCmdLineInfo::ParseArguments(const std::vector<std::string>& args) {
  for (size_t i = 0; i < args.size(); ++i) {
    const char* psz = args[i].c_str();
    const bool bSwitch = psz[0] == '-' || psz[0] == '/';
    if (bSwitch) ++psz;
    ParseParam(psz, bSwitch, i + 1 == args.size());
  }
}
