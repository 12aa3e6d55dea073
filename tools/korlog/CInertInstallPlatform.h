// An install platform that reaches nothing: no registry, no files. The offline log is read
// from memory and never merges or deletes anything, so it must not touch the machine.
#pragma once

#include "installlog/IInstallPlatform.h"

class CInertInstallPlatform final : public IInstallPlatform {
 public:
  RegKeyPtr ConnectLocalMachine(const std::string* pMachine) override;
  RegKeyPtr OpenKey(IRegKey& key, const std::string& subkey, Access access) override;
  bool QueryValueInfo(IRegKey& key, uint32_t& cValues, uint32_t& cchMaxName) override;
  long EnumValueName(IRegKey& key, uint32_t index, char* buffer, uint32_t cchBuffer) override;
  long QueryValue(IRegKey& key, const std::string& name, uint32_t& type, unsigned char* buffer,
                  uint32_t cbBuffer, uint32_t& cbData) override;
  bool PathExists(const std::string& path) override;
  std::optional<std::string> GetFileVersionText(const std::string& path) override;
  void DeleteFile(const std::string& path) override;
};
