// The default platform of the store: POSIX files, no double-byte code page.
#include "ini/IniPlatform.h"

#include <cerrno>
#include <cstdio>

#include "ini/IniText.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

class PosixIniPlatform final : public IIniPlatform {
 public:
  bool IsLeadByte(unsigned char) const override { return false; }

  bool CommitFile(std::FILE* f) override {
    if (std::fflush(f) != 0) return false;
#ifndef _WIN32
    return ::fsync(::fileno(f)) == 0;
#else
    return true;
#endif
  }

  int ReplaceFile(const std::string& source, const std::string& target) override {
    return std::rename(source.c_str(), target.c_str()) == 0 ? 0 : (errno ? errno : EIO);
  }

  bool IsSharingError(int) const override { return false; }

  void RemoveFile(const std::string& path) override { std::remove(path.c_str()); }
};

PosixIniPlatform g_defaultPlatform;
IIniPlatform* g_pPlatform = &g_defaultPlatform;

}  // namespace

void SetIniPlatform(IIniPlatform* pPlatform) {
  g_pPlatform = pPlatform ? pPlatform : &g_defaultPlatform;
  initext::RefreshLeadBytes();
}

IIniPlatform& GetIniPlatform() { return *g_pPlatform; }
