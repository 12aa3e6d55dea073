// Test double of the store's platform: installs itself over the current platform for its
// lifetime, passes file operations on to it, and can refuse a commit or a replacement or
// pretend to a double-byte code page.
#pragma once

#include <cstdio>
#include <set>
#include <string>

#include "ini/IniPlatform.h"

class FakeIniPlatform final : public IIniPlatform {
 public:
  FakeIniPlatform() : m_real(GetIniPlatform()) { SetIniPlatform(this); }
  ~FakeIniPlatform() override { SetIniPlatform(&m_real); }
  FakeIniPlatform(const FakeIniPlatform&) = delete;
  FakeIniPlatform& operator=(const FakeIniPlatform&) = delete;

  // Lead bytes of a Shift-JIS-like code page: 0x81-0x9F and 0xE0-0xFC.
  void UseDoubleByteCodePage() {
    m_bDoubleByte = true;
    SetIniPlatform(this);
  }

  bool IsLeadByte(unsigned char b) const override {
    return m_bDoubleByte && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
  }

  bool CommitFile(std::FILE* f) override {
    ++m_cCommits;
    return m_bFailCommit ? false : m_real.CommitFile(f);
  }

  int ReplaceFile(const std::string& source, const std::string& target) override {
    ++m_cReplaces;
    const bool bRefuse = m_replaceError && (m_refusedTarget.empty() || target == m_refusedTarget);
    return bRefuse ? m_replaceError : m_real.ReplaceFile(source, target);
  }

  bool IsSharingError(int error) const override {
    return m_replaceError ? m_bSharing && error == m_replaceError : m_real.IsSharingError(error);
  }

  void RemoveFile(const std::string& path) override { m_real.RemoveFile(path); }

  bool GetFileStamp(const std::string& path, IniFileStamp& stamp) override {
    return !m_bNoStamps && m_real.GetFileStamp(path, stamp);
  }

  bool m_bFailCommit = false;
  int m_replaceError = 0;       // returned by ReplaceFile instead of replacing, when not 0
  std::string m_refusedTarget;  // if set, only replacements of this file are refused
  bool m_bSharing = false;      // whether m_replaceError counts as a sharing error
  bool m_bNoStamps = false;     // a system that cannot tell whether a file changed
  int m_cCommits = 0;
  int m_cReplaces = 0;

 private:
  IIniPlatform& m_real;
  bool m_bDoubleByte = false;
};
