#include <windows.h>

#include <cstddef>
#include <iterator>

#include "base/diagnostics.h"
#include "base/path.h"
#include "base/product.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "base/win_error.h"
#include "runtime/comm_support_files.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"
#include "runtime/support_folder_safety_win.h"

namespace tessary {
namespace {

constexpr wchar_t kCopyFailedMessage[] = L"Error While Copying JAR File";

// ERROR_VIRUS_INFECTED and ERROR_VIRUS_DELETED, which not every SDK's headers define.
constexpr DWORD kErrorVirusInfected = 225;
constexpr DWORD kErrorVirusDeleted = 226;

// One support file: its name, and the runtime folder it belongs in.
struct SupportFile {
  const wchar_t* name;
  std::wstring (*folder)(const std::wstring& java_home);
};

// In this order; the first failure stops the walk.
const SupportFile SupportFileTable[] = {
    {L"Comm.jar", java_runtime::ExtensionFolder},  // the serial-port extension itself
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

// A copy keeps its source's attributes, so a partial copy of a read-only source is
// read-only too, and DeleteFileW refuses it.
void DeletePartialCopy(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

// The process that wrote a partial copy, from the digits between the target's name and
// the suffix; zero when the name holds none.
DWORD WriterOfPartialCopy(const std::wstring& name, std::size_t target_name_length) {
  const std::size_t first = target_name_length + 1;  // after the full stop
  const std::size_t end = name.size() - (std::size(kPartialSuffix) - 1);
  if (name.size() < std::size(kPartialSuffix) || end <= first) return 0;
  DWORD pid = 0;
  for (std::size_t at = first; at < end; ++at) {
    if (name[at] < L'0' || name[at] > L'9' || pid > MAXDWORD / 10) return 0;
    pid = pid * 10 + static_cast<DWORD>(name[at] - L'0');
  }
  return pid;
}

// True while the process still runs. One that cannot be looked at (another user's, say)
// counts as running.
bool IsRunning(DWORD pid) {
  const UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;  // no process has that id
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// Removes what an earlier launcher left when it was stopped in the middle of a copy. A
// copy whose writer still runs is left alone: that launcher may have written it whole
// and be about to rename it. A name with this process's id is an earlier process's.
void RemoveAbandonedCopies(const std::wstring& folder, const std::wstring& name) {
  const std::wstring pattern = folder + name + L".*" + kPartialSuffix;
  WIN32_FIND_DATAW found;
  const UniqueFind search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const DWORD writer = WriterOfPartialCopy(found.cFileName, name.size());
    if (writer != 0 && writer != GetCurrentProcessId() && IsRunning(writer)) continue;
    DeletePartialCopy(folder + found.cFileName);
  } while (FindNextFileW(search.get(), &found));
}

bool CanRead(const std::wstring& path) {
  return UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
      .valid();
}

// What to do when Windows refused to let the launcher write into the runtime's folder.
// Runtimes live under Program Files, which a standard run may not write to; a run as
// administrator can, unless a policy or security software refuses even that.
std::wstring WriteRefusedAdvice(const std::wstring& folder) {
  if (RunsAsAdministrator()) {
    return L"Windows or security software refused the write, even though Tessary runs as administrator: ask "
           L"whoever looks after this PC to let Tessary write into " + Displayed(FolderPath(folder)) +
           L", or to put the file there.";
  }
  return L"Run Tessary once as administrator (right-click Tessary.exe, \"Run as administrator\") so that it "
         L"can put the file into the Java runtime. The server started by that run runs as administrator too.";
}

// A failure to write into the folder, with what the operator can do about it.
RuntimeError TargetError(DWORD error, const std::wstring& folder, const std::wstring& name) {
  RuntimeError failure = SystemError(error, folder + name);
  if (error != ERROR_ACCESS_DENIED) return failure;
  return RuntimeError(failure.number(), failure.description() + L"\r\n" + WriteRefusedAdvice(folder));
}

// Copies source to folder\name so that the file either does not exist or is whole: the bytes
// go to a temporary file beside it, which is then renamed in one step.
void CopyWhole(const std::wstring& source, const std::wstring& folder, const std::wstring& name) {
  RemoveAbandonedCopies(folder, name);
  const std::wstring target = folder + name;
  const std::wstring partial = target + L"." + DecimalText(GetCurrentProcessId()) + kPartialSuffix;
  if (!CopyFileW(source.c_str(), partial.c_str(), FALSE)) {
    const DWORD error = GetLastError();
    DeletePartialCopy(partial);
    // Antivirus software that refuses the file refuses every copy of it.
    if (error == kErrorVirusInfected || error == kErrorVirusDeleted) {
      const RuntimeError failure = SystemError(error, source);
      throw RuntimeError(failure.number(), failure.description() + L"\r\nAntivirus software refused this file: "
                         L"putting it back or copying it again does not help. An administrator must allow it in the "
                         L"antivirus software.");
    }
    // Name the file the user can do something about: the source when it cannot be read
    // (missing, a folder, locked or forbidden), otherwise the place it was to go to.
    if (!CanRead(source)) throw SystemError(error, source);
    throw TargetError(error, folder, name);
  }
  if (!MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeletePartialCopy(partial);
    // Another launcher may have put the whole file in place meanwhile.
    if (FileExists(target)) return;
    throw TargetError(error, folder, name);
  }
}

}  // namespace

void InstallCommSupportFilesFrom(const std::wstring& support_folder, const std::wstring& java_home) {
  try {
    // A file in place is never replaced, read or compared. One that another launcher puts in
    // place meanwhile is left as it is by CopyWhole.
    const SupportFile* missing[std::size(SupportFileTable)] = {};
    const wchar_t* names[std::size(SupportFileTable)] = {};
    std::size_t count = 0;
    for (const SupportFile& file : SupportFileTable) {
      if (FileExists(file.folder(java_home) + file.name)) continue;
      missing[count] = &file;
      names[count++] = file.name;
    }
    WarnIfSupportFolderUnprotected(support_folder, {names, count});
    for (std::size_t i = 0; i < count; ++i) {
      const std::wstring folder = missing[i]->folder(java_home);
      Trace(L"copying " + support_folder + missing[i]->name + L" to " + folder);
      CopyWhole(support_folder + missing[i]->name, folder, missing[i]->name);
    }
  } catch (const RuntimeError& error) {
    Trace(L"support file copy failed: " + error.description());
    // A runtime whose folder is gone was uninstalled or moved, and its registration stayed.
    const std::wstring stale =
        GetFileAttributesW(java_home.c_str()) == INVALID_FILE_ATTRIBUTES ? StaleRegistrationMessage(java_home)
                                                                          : std::wstring();
    ShowMessage(stale.empty() ? error.description() : error.description() + L"\r\n\r\n" + stale);
    ShowMessage(kCopyFailedMessage);
  }
}

bool CommJarMissing(const std::wstring& java_home) {
  const SupportFile& comm_jar = SupportFileTable[0];
  return !FileExists(comm_jar.folder(java_home) + comm_jar.name);
}

void InstallCommSupportFiles(const std::wstring& java_home) {
  InstallCommSupportFilesFrom(kSupportFolder, java_home);
}

}  // namespace tessary
