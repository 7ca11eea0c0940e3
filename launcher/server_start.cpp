#include "launcher/server_start.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "base/unique_handle.h"
#include "base/win_error.h"
#include "launcher/server_command.h"
#include "runtime/java_runtime.h"

namespace tessary {

std::wstring ApplicationDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    // GetModuleFileNameW truncates without telling you: a full buffer means "try larger".
    if (length < buffer.size()) return DirectoryOfModule(std::wstring(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

// The working directory cannot be longer than MAX_PATH on Windows without long-path
// support. A deeper folder is still reachable through its short (8.3) name, when the
// volume keeps short names.
bool ChangeDirectory(const std::wstring& directory) {
  if (SetCurrentDirectoryW(directory.c_str())) return true;
  const DWORD error = GetLastError();
  if (directory.size() < MAX_PATH - 1) {
    SetLastError(error);
    return false;
  }
  const std::wstring extended =
      directory.compare(0, 4, L"\\\\?\\") == 0 ? directory : L"\\\\?\\" + directory;
  std::vector<wchar_t> short_path(extended.size() + 1);
  const DWORD length = GetShortPathNameW(extended.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
  if (length == 0 || length >= short_path.size()) {
    SetLastError(error);
    return false;
  }
  std::wstring shortened(short_path.data(), length);
  if (shortened.compare(0, 4, L"\\\\?\\") == 0) shortened.erase(0, 4);
  if (SetCurrentDirectoryW(shortened.c_str())) return true;
  SetLastError(error);
  return false;
}

}  // namespace

UniqueKernelHandle StartServer(const std::wstring& executable, const std::wstring& command_line,
                               const std::wstring& app_directory) {
  if (!ChangeDirectory(app_directory)) {
    const DWORD error = GetLastError();
    throw SystemError(error, app_directory);
  }

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  // cmdLine is modified by CreateProcessW so must be writable.
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  if (!CreateProcessW(executable.empty() ? nullptr : executable.c_str(), writable.data(), nullptr, nullptr,
                      FALSE, 0, nullptr, nullptr, &startup, &started)) {
    const DWORD error = GetLastError();
    throw SystemError(error, executable.empty() ? java_runtime::kSearchPathExecutable : executable);
  }
  // Only the process handle is kept, for the launcher's wait.
  OwnedProcess server{UniqueKernelHandle(started.hProcess), UniqueKernelHandle(started.hThread),
                      started.dwProcessId};
  return std::move(server.process);
}

ServerWatch WatchServer(const UniqueKernelHandle& server, unsigned milliseconds) {
  ServerWatch watch;
  const ULONGLONG waited_from = GetTickCount64();
  const DWORD waited = WaitForSingleObject(server.get(), milliseconds);
  watch.ran_milliseconds = GetTickCount64() - waited_from;
  DWORD exit_code = 0;
  if (waited == WAIT_TIMEOUT) return watch;
  if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(server.get(), &exit_code)) {
    // Nothing to tell of the server: linger as long as the wait would have, so that the
    // launcher does not seem to have given up on it.
    if (milliseconds > watch.ran_milliseconds) Sleep(static_cast<DWORD>(milliseconds - watch.ran_milliseconds));
    return watch;
  }
  watch.ended = true;
  watch.exit_code = exit_code;
  wchar_t image[32768];
  DWORD length = 32768;
  if (QueryFullProcessImageNameW(server.get(), 0, image, &length)) watch.program.assign(image, length);
  return watch;
}

}  // namespace tessary
