// The scripted machine of the native tests; see FakeInstallPlatform.h.
#include "installlog/tests/FakeInstallPlatform.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace {

// Counts the keys alive, so that tests can check every one is closed.
class FakeKey : public IRegKey {
 public:
  explicit FakeKey(int& cOpen) : m_cOpen(cOpen) { ++m_cOpen; }
  ~FakeKey() override { --m_cOpen; }

 private:
  int& m_cOpen;
};

}  // namespace

RegKeyPtr FakeInstallPlatform::ConnectLocalMachine(const std::string* pMachine) {
  machines.push_back(pMachine ? *pMachine : std::string());
  if (bConnectFails) return nullptr;
  return std::make_unique<FakeKey>(cOpenKeys);
}

RegKeyPtr FakeInstallPlatform::OpenKey(IRegKey&, const std::string& subkey, Access access) {
  opened.push_back(access);
  if (!bKeyExists || subkey != "SOFTWARE\\Korvane\\Install") return nullptr;
  return std::make_unique<FakeKey>(cOpenKeys);
}

bool FakeInstallPlatform::QueryValueInfo(IRegKey&, uint32_t& cValues, uint32_t& cchMaxName) {
  if (bQueryInfoFails) return false;
  cValues = static_cast<uint32_t>(values.size());
  cchMaxName = 0;
  for (const Value& v : values) {
    if (v.name.size() > cchMaxName) cchMaxName = static_cast<uint32_t>(v.name.size());
  }
  return true;
}

long FakeInstallPlatform::EnumValueName(IRegKey&, uint32_t index, char* buffer,
                                        uint32_t cchBuffer) {
  if (beforeEnum) beforeEnum(index);
  if (static_cast<long>(index) == enumFailAt) return kEnumError;
  if (index >= values.size()) return kNoMoreItems;
  const std::string& name = values[index].name;
  if (name.size() + 1 > cchBuffer) {
    std::memset(buffer, 'X', cchBuffer);  // like the system: the buffer holds no name
    return kMoreData;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return kSuccess;
}

long FakeInstallPlatform::QueryValue(IRegKey&, const std::string& name, uint32_t& type,
                                     unsigned char* buffer, uint32_t cbBuffer, uint32_t& cbData) {
  for (const Value& v : values) {
    if (v.name != name) continue;
    if (v.data.size() > cbBuffer) return kMoreData;
    std::memcpy(buffer, v.data.data(), v.data.size());
    type = v.type;
    cbData = static_cast<uint32_t>(v.data.size());
    return kSuccess;
  }
  return 2;  // ERROR_FILE_NOT_FOUND
}

bool FakeInstallPlatform::PathExists(const std::string& path) {
  struct stat st;
  return versions.count(path) || unversionedFiles.count(path) || stat(path.c_str(), &st) == 0;
}

std::optional<std::string> FakeInstallPlatform::GetFileVersionText(const std::string& path) {
  const auto it = versions.find(path);
  if (it == versions.end()) return std::nullopt;
  return it->second;
}

void FakeInstallPlatform::DeleteFile(const std::string& path) {
  deleted.push_back(path);
  std::remove(path.c_str());
}
