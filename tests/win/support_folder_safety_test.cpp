// Which owners and access lists protect the support folder, on security descriptors built
// from SDDL: Wine's files only ever carry the Wine user and the Unix mode bits.
#include <gtest/gtest.h>
#include <windows.h>

#include <sddl.h>

#include <string>

#include "runtime/support_folder_safety_win.h"
#include "tests/support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Printable;

enum class Expected { kProtected, kForeignOwner, kOthersMayChange, kNoAccessList };

Expected Verdict(const wchar_t* reason) {
  if (reason == nullptr) return Expected::kProtected;
  const std::wstring text = reason;
  if (text.find(L"owner") != std::wstring::npos) return Expected::kForeignOwner;
  if (text.find(L"no access list") != std::wstring::npos) return Expected::kNoAccessList;
  return Expected::kOthersMayChange;
}

std::wstring CurrentUserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  struct {
    TOKEN_USER user;
    BYTE sid[SECURITY_MAX_SID_SIZE];
  } user = {};
  DWORD size = 0;
  const bool read = GetTokenInformation(token, TokenUser, &user, sizeof(user), &size);
  CloseHandle(token);
  wchar_t* text = nullptr;
  if (!read || !ConvertSidToStringSidW(user.user.User.Sid, &text)) return L"";
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

std::wstring Replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(SupportFolderSafetyTest, OnlyAdministratorsSystemTrustedInstallerAndTheUserMayOwnOrChange) {
  const std::wstring me = CurrentUserSid();
  ASSERT_FALSE(me.empty());
  const std::wstring installer = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  const struct {
    const wchar_t* sddl;  // {me} is the user running the test, {ti} TrustedInstaller
    Expected expected;
  } cases[] = {
      // What an administrator's installer leaves, and its owners.
      {L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)", Expected::kProtected},
      {L"O:SYD:(A;;FA;;;SY)", Expected::kProtected},
      {L"O:{ti}D:(A;;FA;;;{ti})(A;;0x1200a9;;;WD)", Expected::kProtected},
      {L"O:{me}D:(A;;FA;;;{me})(A;;GRGX;;;WD)", Expected::kProtected},
      {L"O:BAD:", Expected::kProtected},  // an empty list lets nobody in
      // Inherited from C:\ by a folder made there: Authenticated Users may modify.
      {L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)", Expected::kOthersMayChange},
      {L"O:BUD:(A;;FA;;;BA)", Expected::kForeignOwner},
      {L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)", Expected::kForeignOwner},
      // Each right that changes the object, alone, and generic ones mapped.
      {L"O:BAD:(A;;0x2;;;WD)", Expected::kOthersMayChange},    // write data, add file
      {L"O:BAD:(A;;0x4;;;WD)", Expected::kOthersMayChange},    // append data, add subfolder
      {L"O:BAD:(A;;0x10;;;WD)", Expected::kOthersMayChange},   // write extended attributes
      {L"O:BAD:(A;;0x40;;;WD)", Expected::kOthersMayChange},   // delete a child
      {L"O:BAD:(A;;0x100;;;WD)", Expected::kOthersMayChange},  // write attributes
      {L"O:BAD:(A;;SD;;;WD)", Expected::kOthersMayChange},
      {L"O:BAD:(A;;WD;;;WD)", Expected::kOthersMayChange},
      {L"O:BAD:(A;;WO;;;WD)", Expected::kOthersMayChange},
      {L"O:BAD:(A;;GW;;;BU)", Expected::kOthersMayChange},
      {L"O:BAD:(A;;GA;;;S-1-5-21-1-2-3-1001)", Expected::kOthersMayChange},
      {L"O:BAD:(A;;0x1200a9;;;WD)(A;;GRGX;;;AU)", Expected::kProtected},
      // Entries that do not apply to the object itself, or do not allow.
      {L"O:BAD:(A;OICIIO;FA;;;WD)", Expected::kProtected},
      {L"O:BAD:(D;;FA;;;WD)", Expected::kProtected},
      {L"O:BAD:(D;;FA;;;WD)(A;;FA;;;WD)", Expected::kOthersMayChange},  // a denial does not make it safe
  };
  PSID user = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(me.c_str(), &user));
  PSID administrators = nullptr;
  ASSERT_TRUE(ConvertStringSidToSidW(L"BA", &administrators));
  // No access list at all lets everyone in.
  EXPECT_EQ(Verdict(UnprotectedReason(administrators, nullptr, user)), Expected::kNoAccessList);
  LocalFree(administrators);
  for (const auto& c : cases) {
    const std::wstring sddl = Replaced(Replaced(c.sddl, L"{me}", me), L"{ti}", installer);
    SCOPED_TRACE(Printable(sddl));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                     nullptr))
        << GetLastError();
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    EXPECT_TRUE(present);
    EXPECT_EQ(Verdict(UnprotectedReason(owner, dacl, user)), c.expected);
    LocalFree(descriptor);
  }
  LocalFree(user);
}

}  // namespace
}  // namespace tessary
