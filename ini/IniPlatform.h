// The few services the INI store needs from the operating system: the code page's lead
// bytes and a durable, one-step replacement of a file. The Windows build installs its own;
// the default serves POSIX hosts, where no double-byte code page is in force.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Which file a path names and when it was last written, as far as the system tells.
struct IniFileStamp {
  std::uint64_t volume = 0;
  std::uint64_t id = 0;
  std::uint64_t size = 0;
  std::uint64_t writeTime = 0;
  std::uint64_t changeTime = 0;  // of the file's metadata, where the system keeps one

  bool operator==(const IniFileStamp& other) const {
    return volume == other.volume && id == other.id && size == other.size &&
           writeTime == other.writeTime && changeTime == other.changeTime;
  }
};

class IIniPlatform {
 public:
  virtual ~IIniPlatform() = default;

  // True when b is the first byte of a double-byte character of the system code page.
  virtual bool IsLeadByte(unsigned char b) const = 0;

  // Flushes everything written to f down to the disk; false if the system refused.
  virtual bool CommitFile(std::FILE* f) = 0;

  // Replaces target by source in one step, so that readers see one or the other, never a
  // mix. Returns 0 on success, a positive platform error code otherwise.
  virtual int ReplaceFile(const std::string& source, const std::string& target) = 0;

  // True when ReplaceFile's error means that another process holds the target open, so a
  // rewrite in place may still succeed where the replacement cannot.
  virtual bool IsSharingError(int error) const = 0;

  // Removes a file; failures are ignored by every caller.
  virtual void RemoveFile(const std::string& path) = 0;

  // The stamp of the file at path. Equal stamps taken at two moments mean that nobody
  // wrote, replaced or deleted the file in between. False when it cannot be told (a
  // missing file, or a system that keeps no such identity): callers then assume a change.
  virtual bool GetFileStamp(const std::string& path, IniFileStamp& stamp) = 0;
};

// Installs the platform for the whole process (not owned; must outlive every store
// operation). Passing nullptr restores the default. Not thread-safe: call once at start.
void SetIniPlatform(IIniPlatform* pPlatform);
IIniPlatform& GetIniPlatform();
