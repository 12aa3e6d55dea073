// Builds the security descriptor that admits Administrators and the local system account
// with the object system's execute right, and hands it to CoInitializeSecurity.
#include "server/InitSecurity.h"

#include <windows.h>

#include <objbase.h>

#include <memory>
#include <vector>

namespace {

struct SidFreer {
  void operator()(void* p) const { FreeSid(p); }
};
using UniqueSid = std::unique_ptr<void, SidFreer>;

// The object system's execute right (COM_RIGHTS_EXECUTE).
constexpr DWORD kComRightsExecute = 1;

UniqueSid MakeNtSid(BYTE cSub, DWORD sub0, DWORD sub1) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID pSid = nullptr;
  if (!AllocateAndInitializeSid(&nt, cSub, sub0, sub1, 0, 0, 0, 0, 0, 0, &pSid)) return nullptr;
  return UniqueSid(pSid);
}

}  // namespace

bool InitSecurity() {
  OSVERSIONINFOA vi = {};
  vi.dwOSVersionInfoSize = sizeof(vi);
  GetVersionExA(&vi);
  if (vi.dwPlatformId != VER_PLATFORM_WIN32_NT) return true;

  UniqueSid pAdmins = MakeNtSid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
  UniqueSid pSystem = MakeNtSid(1, SECURITY_LOCAL_SYSTEM_RID, 0);
  if (!pAdmins || !pSystem) return false;

  SECURITY_DESCRIPTOR sd;
  if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)) return false;
  SetSecurityDescriptorOwner(&sd, pSystem.get(), TRUE);
  SetSecurityDescriptorGroup(&sd, pAdmins.get(), TRUE);

  // Room for exactly the two access-allowed entries.
  const DWORD cbAcl = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                      GetLengthSid(pAdmins.get()) + GetLengthSid(pSystem.get());
  std::vector<BYTE> aclBuffer(cbAcl);
  auto* pAcl = reinterpret_cast<ACL*>(aclBuffer.data());
  if (!InitializeAcl(pAcl, cbAcl, ACL_REVISION2)) return false;
  if (!AddAccessAllowedAce(pAcl, ACL_REVISION2, kComRightsExecute, pAdmins.get())) return false;
  if (!AddAccessAllowedAce(pAcl, ACL_REVISION2, kComRightsExecute, pSystem.get())) return false;
  if (!SetSecurityDescriptorDacl(&sd, TRUE, pAcl, FALSE)) return false;

  const HRESULT hr = CoInitializeSecurity(&sd, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                                          RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
  return SUCCEEDED(hr);
}
