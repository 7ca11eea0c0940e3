#include "runtime/support_folder_safety_win.h"

#include <aclapi.h>

#include <cstring>
#include <iterator>

#include "base/diagnostics.h"
#include "base/path.h"
#include "base/seams.h"
#include "base/unique_handle.h"
#include "base/win_error.h"

namespace tessary {
namespace {

using UniqueLocalMemory = UniqueHandle<NullHandleTraits<HLOCAL, LocalFree>>;

// What lets someone replace a file or a folder's contents, or take it over: writing,
// adding, deleting, and changing its access list or owner. FILE_ADD_FILE and
// FILE_ADD_SUBDIRECTORY are FILE_WRITE_DATA and FILE_APPEND_DATA under other names.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                      FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL;

// NT SERVICE\TrustedInstaller, which owns what Windows installs. No WELL_KNOWN_SID_TYPE
// names it.
constexpr DWORD kTrustedInstallerRids[] = {SECURITY_SERVICE_ID_BASE_RID, 956008885, 3418522649, 1831038044,
                                           1853292631, 2271478464};

bool IsTrustedInstaller(PSID sid) {
  const SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  if (std::memcmp(GetSidIdentifierAuthority(sid), &nt_authority, sizeof(nt_authority)) != 0) return false;
  if (*GetSidSubAuthorityCount(sid) != std::size(kTrustedInstallerRids)) return false;
  for (DWORD i = 0; i < std::size(kTrustedInstallerRids); ++i) {
    if (*GetSidSubAuthority(sid, i) != kTrustedInstallerRids[i]) return false;
  }
  return true;
}

bool IsTrusted(PSID sid, PSID user) {
  return sid != nullptr && IsValidSid(sid) &&
         (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
          IsTrustedInstaller(sid) || (user != nullptr && EqualSid(sid, user)));
}

// The user of this process's token when it is elevated, as "Run as administrator" gives it.
struct ElevatedUser {
  TOKEN_USER user;
  BYTE sid_space[SECURITY_MAX_SID_SIZE];
};

bool GetElevatedUser(ElevatedUser& elevated) {
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
         elevation.TokenIsElevated != 0 &&
         GetTokenInformation(token.get(), TokenUser, &elevated, sizeof(elevated), &size);
}

// Reads the owner and access list of a file or folder. Returns the reason it is not
// protected; nullptr when it is, when it does not exist, or when its security cannot be
// read, which is traced.
const wchar_t* CheckObject(const std::wstring& path, PSID user) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  UniqueLocalMemory descriptor;
  // Returns its error rather than setting the last error. The owner and the list point
  // into the descriptor, which the caller frees with LocalFree.
  const DWORD error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                                            &dacl, nullptr, descriptor.put());
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return nullptr;
  if (error != ERROR_SUCCESS) {
    Trace(L"cannot read who may change " + path + L": " + SystemMessage(error));
    return nullptr;
  }
  return UnprotectedReason(owner, dacl, user);
}

// The folder the commands protect: the one that holds the support folder, so that nobody
// can rename the support folder and put another in its place; never a drive root.
std::wstring FolderToProtect(const std::wstring& support_folder) {
  const std::wstring parent = ParentFolder(FolderPath(support_folder));
  return parent.empty() || parent.back() == L'\\' ? FolderPath(support_folder) : parent;
}

}  // namespace

bool RunsAsAdministrator() {
  ElevatedUser elevated;
  return GetElevatedUser(elevated);
}

const wchar_t* UnprotectedReason(PSID owner, const ACL* dacl, PSID user) {
  if (!IsTrusted(owner, user)) return L"its owner is another user";
  if (dacl == nullptr) return L"it has no access list: everyone may change it";
  GENERIC_MAPPING file_mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(const_cast<ACL*>(dacl), i, &entry)) break;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    // A callback entry allows as a plain one does, under a condition that may hold.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) continue;
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // only for what is created inside
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    ACCESS_MASK rights = allowed->Mask;
    MapGenericMask(&rights, &file_mapping);
    if (((rights | allowed->Mask) & kChangeRights) != 0 && !IsTrusted(&allowed->SidStart, user)) {
      return L"users who are not administrators may change it";
    }
  }
  return nullptr;
}

void WarnIfSupportFolderUnprotected(const std::wstring& support_folder, std::span<const wchar_t* const> file_names) {
  ElevatedUser elevated;
  if (file_names.empty() || !GetElevatedUser(elevated)) return;
  const PSID user = elevated.user.User.Sid;
  const std::wstring protect = FolderToProtect(support_folder);
  std::wstring unprotected;
  const auto check = [&](const std::wstring& path) {
    if (const wchar_t* reason = CheckObject(path, user)) {
      unprotected.append(L"\r\nNot protected: ").append(path).append(L" (").append(reason).append(L")");
    }
  };
  if (protect != FolderPath(support_folder)) check(protect);
  check(FolderPath(support_folder));
  for (const wchar_t* name : file_names) check(support_folder + name);
  if (unprotected.empty()) return;
  Trace(L"the support folder is not protected:" + unprotected);

  std::wstring text = L"The support folder ";
  text.append(support_folder)
      .append(L" is not protected: users who are not administrators can change it, and Tessary, running as "
              L"administrator, copies files from it into the Java runtime that every Java program on this PC uses. "
              L"Tessary copies them now. To protect the folder, an administrator runs these lines in a Command "
              L"Prompt opened as administrator:\r\n\r\nicacls ")
      .append(protect)
      .append(L" /setowner *S-1-5-32-544 /T /C\r\nicacls ")
      .append(protect)
      .append(L" /inheritance:r /grant:r \"*S-1-5-32-544:(OI)(CI)F\" \"*S-1-5-18:(OI)(CI)F\" "
              L"\"*S-1-5-32-545:(OI)(CI)RX\"\r\nicacls ")
      .append(protect)
      .append(L"\\* /reset /T /C\r\n")
      .append(unprotected);
  ShowMessage(text);
}

}  // namespace tessary
