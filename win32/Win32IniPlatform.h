// The INI store's platform on Windows: the ANSI code page's lead bytes, commits through
// FlushFileBuffers, the one-step replacement of a file by MoveFileEx, and a file's identity
// and times from its handle.
#pragma once

#include <cstdio>
#include <string>

#include "ini/IniPlatform.h"

class CWin32IniPlatform final : public IIniPlatform {
 public:
  bool IsLeadByte(unsigned char b) const override;
  bool CommitFile(std::FILE* f) override;
  int ReplaceFile(const std::string& source, const std::string& target) override;
  bool IsSharingError(int error) const override;
  void RemoveFile(const std::string& path) override;
  bool GetFileStamp(const std::string& path, IniFileStamp& stamp) override;
};

// Installs the one process-wide CWin32IniPlatform for the INI store. Call once at start,
// before any document is read.
void InstallWin32IniPlatform();
