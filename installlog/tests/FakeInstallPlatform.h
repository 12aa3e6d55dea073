// A scripted stand-in for the machine, for native tests and benchmarks: an install key of
// ordered values, file versions by path, failures on demand, and a record of every key
// opened and every file deleted. Log files themselves are real files.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "installlog/IInstallPlatform.h"

class FakeInstallPlatform : public IInstallPlatform {
 public:
  struct Value {
    std::string name;
    uint32_t type = kTypeString;
    std::string data;  // the bytes stored, terminating zero included when wanted
  };

  // Stores a REG_SZ value whose data are text and its terminating zero.
  void AddString(const std::string& name, const std::string& text) {
    values.push_back({name, kTypeString, text + std::string(1, '\0')});
  }

  RegKeyPtr ConnectLocalMachine(const std::string* pMachine) override;
  RegKeyPtr OpenKey(IRegKey& key, const std::string& subkey, Access access) override;
  bool QueryValueInfo(IRegKey& key, uint32_t& cValues, uint32_t& cchMaxName) override;
  long EnumValueName(IRegKey& key, uint32_t index, char* buffer, uint32_t cchBuffer) override;
  long QueryValue(IRegKey& key, const std::string& name, uint32_t& type, unsigned char* buffer,
                  uint32_t cbBuffer, uint32_t& cbData) override;
  bool PathExists(const std::string& path) override;
  std::optional<std::string> GetFileVersionText(const std::string& path) override;
  void DeleteFile(const std::string& path) override;

  // The machine.
  bool bKeyExists = true;
  bool bConnectFails = false;
  bool bQueryInfoFails = false;
  long enumFailAt = -1;    // index at which enumeration fails with kEnumError
  long kEnumError = 1011;  // ERROR_CANTREAD
  std::vector<Value> values;
  std::function<void(uint32_t index)> beforeEnum;  // may change values mid-enumeration
  std::map<std::string, std::string> versions;     // path -> FileVersion text
  std::set<std::string> unversionedFiles;          // exist, but carry no version block

  // What the code under test did.
  std::vector<std::string> machines;  // "" for the local machine
  std::vector<Access> opened;
  std::vector<std::string> deleted;
  int cOpenKeys = 0;
};
