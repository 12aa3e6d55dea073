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

  bool GetFileStamp(const std::string& path, IniFileStamp& stamp) override {
#ifdef _WIN32
    // The C runtime's times are whole seconds and it knows no file identity: too coarse
    // to stand for "unchanged". The Win32 platform tells.
    (void)path;
    (void)stamp;
    return false;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    const auto ns = [](const timespec& t) {
      return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u +
             static_cast<std::uint64_t>(t.tv_nsec);
    };
    stamp.volume = static_cast<std::uint64_t>(st.st_dev);
    stamp.id = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.writeTime = ns(st.st_mtim);
    stamp.changeTime = ns(st.st_ctim);
    return true;
#endif
  }
};

DefaultIniPlatform g_defaultPlatform;
IIniPlatform* g_pPlatform = &g_defaultPlatform;

}  // namespace

void SetIniPlatform(IIniPlatform* pPlatform) {
  g_pPlatform = pPlatform ? pPlatform : &g_defaultPlatform;
  initext::RefreshLeadBytes();
}

IIniPlatform& GetIniPlatform() { return *g_pPlatform; }
