// Every request fails or finds nothing; deletion does nothing.

#include "tools/korlog/CInertInstallPlatform.h"

// ERROR_ACCESS_DENIED: any failure code other than the ones callers tell apart.
constexpr long kRefused = 5;

RegKeyPtr CInertInstallPlatform::ConnectLocalMachine(const std::string*) { return nullptr; }

RegKeyPtr CInertInstallPlatform::OpenKey(IRegKey&, const std::string&, Access) { return nullptr; }

bool CInertInstallPlatform::QueryValueInfo(IRegKey&, uint32_t&, uint32_t&) { return false; }

long CInertInstallPlatform::EnumValueName(IRegKey&, uint32_t, char*, uint32_t) { return kRefused; }

long CInertInstallPlatform::QueryValue(IRegKey&, const std::string&, uint32_t&, unsigned char*,
                                       uint32_t, uint32_t&) {
  return kRefused;
}

// Nothing exists, so nothing is ever a candidate for deletion either.
bool CInertInstallPlatform::PathExists(const std::string&) { return false; }

std::optional<std::string> CInertInstallPlatform::GetFileVersionText(const std::string&) {
  return std::nullopt;
}

void CInertInstallPlatform::DeleteFile(const std::string&) {}
