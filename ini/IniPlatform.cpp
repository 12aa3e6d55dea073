// The default platform of the store: POSIX files, no double-byte code page. A Windows
// program installs the Win32 platform instead; until it does, this one still saves safely
// there by falling back to a rewrite in place.
#include "ini/IniPlatform.h"

#include <cerrno>
#include <cstdio>

#include "ini/IniText.h"

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class DefaultIniPlatform final : public IIniPlatform {
 public:
  bool IsLeadByte(unsigned char) const override { return false; }

  bool CommitFile(std::FILE* f) override {
    if (std::fflush(f) != 0) return false;
#ifdef _WIN32
    return ::_commit(::_fileno(f)) == 0;
#else
    return ::fsync(::fileno(f)) == 0;
#endif
  }

  int ReplaceFile(const std::string& source, const std::string& target) override {
#ifndef _WIN32
    // A target without write permission is refused as Windows refuses a read-only file,
    // even to root; otherwise the new file takes over the old one's permissions.
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
      if ((st.st_mode & 0222) == 0) return EACCES;
      ::chmod(source.c_str(), st.st_mode & 07777);
    }
#endif
    errno = 0;
    if (std::rename(source.c_str(), target.c_str()) == 0) return 0;
    return errno ? errno : EIO;
  }

  // The C runtime's rename never replaces an existing file on Windows: treat that like a
  // held file so that Save rewrites in place.
  bool IsSharingError(int error) const override {
#ifdef _WIN32
    return error == EEXIST || error == EACCES;
#else
    (void)error;
    return false;
#endif
  }

  void RemoveFile(const std::string& path) override { std::remove(path.c_str()); }
};

DefaultIniPlatform g_defaultPlatform;
IIniPlatform* g_pPlatform = &g_defaultPlatform;

}  // namespace

void SetIniPlatform(IIniPlatform* pPlatform) {
  g_pPlatform = pPlatform ? pPlatform : &g_defaultPlatform;
  initext::RefreshLeadBytes();
}

IIniPlatform& GetIniPlatform() { return *g_pPlatform; }
