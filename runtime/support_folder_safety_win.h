#ifndef TESSARY_RUNTIME_SUPPORT_FOLDER_SAFETY_WIN_H_
#define TESSARY_RUNTIME_SUPPORT_FOLDER_SAFETY_WIN_H_

#include <windows.h>

#include <span>
#include <string>

// Whether the support folder is safe to copy from as administrator: what is copied from it
// lands in the Java runtime every Java program on the PC loads, so a folder that users who
// are not administrators can change would let them run code as administrator.
namespace tessary {

// True when the launcher runs with an elevated token, as "Run as administrator" gives it.
bool RunsAsAdministrator();

// Why an object with this owner and access list is not protected, or nullptr when only
// Administrators, SYSTEM, TrustedInstaller and `user` own it and may change it. Only the
// access list's allow entries that apply to the object itself count.
const wchar_t* UnprotectedReason(PSID owner, const ACL* dacl, PSID user);

// When the launcher runs as administrator, checks the support folder (ending in a
// separator), its parent and the named files in it, and shows one message with the
// commands that protect it if any of them is not protected. What does not exist is not
// checked. Does nothing for a standard run or when no file is named.
void WarnIfSupportFolderUnprotected(const std::wstring& support_folder, std::span<const wchar_t* const> file_names);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_SUPPORT_FOLDER_SAFETY_WIN_H_
