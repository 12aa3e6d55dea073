// The install log's machine on Windows: the install key through the registry API (local or
// remote), file existence, file versions through version.dll, and file deletion.
#pragma once

#include <optional>
#include <string>

#include "installlog/IInstallPlatform.h"

class CWin32InstallPlatform final : public IInstallPlatform {
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
