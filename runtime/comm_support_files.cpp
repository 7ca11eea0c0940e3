#include <windows.h>

#include "base/text.h"
#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "base/win_error.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"

namespace tessary {
namespace {

constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";

// One support file: its name, and the runtime folder it belongs in.
struct SupportFile {
  const wchar_t* name;
  std::wstring (*folder)(const std::wstring& java_home);
};

// In this order; the first failure stops the walk.
const SupportFile SupportFileTable[] = {
    {L"Comm.jar", java_runtime::ExtensionFolder},
    {L"javax.comm.properties", java_runtime::LibraryFolder},
    {L"Win32com.dll", java_runtime::NativeLibraryFolder},
    {L"jdc.jar", java_runtime::ExtensionFolder},
};

// A copy in progress is named after its file and the copying process, so that two
// launchers never write the same temporary file.
constexpr wchar_t kPartialSuffix[] = L".tessary-partial";

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Removes what an earlier launcher left when it was stopped in the middle of a copy.
// A copy that another launcher is still writing is open, so its deletion just fails.
void RemoveAbandonedCopies(const std::wstring& target) {
  const std::wstring pattern = target + L".*" + kPartialSuffix;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Copies source to target so that target either does not exist or holds the whole file:
// the bytes go to a temporary file beside the target, which is then renamed in one step.
void CopyWhole(const std::wstring& source, const std::wstring& target) {
  RemoveAbandonedCopies(target);
  const std::wstring partial = target + L"." + DecimalText(GetCurrentProcessId()) + kPartialSuffix;
  if (!CopyFileW(source.c_str(), partial.c_str(), FALSE)) {
    const DWORD error = GetLastError();
    DeleteFileW(partial.c_str());
    // Name the file the user can do something about: the source when it is not there
    // (or is not a file), otherwise the place it was to be copied to.
    throw SystemError(error, FileExists(source) ? target : source);
  }
  if (!MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(partial.c_str());
    // Another launcher may have put the whole file in place meanwhile.
    if (FileExists(target)) return;
    throw SystemError(error, target);
  }
}

}  // namespace

void InstallCommSupportFilesFrom(const std::wstring& support_folder, const std::wstring& java_home) {
  try {
    for (const SupportFile& file : SupportFileTable) {
      const std::wstring target = file.folder(java_home) + file.name;
      if (FileExists(target)) continue;  // never replaced, read or compared
      Trace(L"copying " + support_folder + file.name + L" to " + target);
      CopyWhole(support_folder + file.name, target);
    }
  } catch (const RuntimeError& error) {
    Trace(L"support file copy failed: " + error.description());
    ShowMessage(error.description());
    ShowMessage(kCopyFailedMessage);
  }
}

void InstallCommSupportFiles(const std::wstring& java_home) {
  InstallCommSupportFilesFrom(kSupportFolder, java_home);
}

}  // namespace tessary
