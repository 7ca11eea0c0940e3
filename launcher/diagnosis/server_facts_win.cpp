#include "launcher/diagnosis/server_facts_win.h"

#include <windows.h>
#include <restartmanager.h>

#include "base/diagnostics.h"
#include "base/path.h"
#include "base/text.h"
#include "launcher/server_command.h"
#include "runtime/comm_support_files.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"

namespace tessary {
namespace {

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
  return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

// GetFileAttributesW takes a path longer than MAX_PATH only in its \\?\ form.
bool PathExists(const std::wstring& path) {
  const bool extend = path.size() >= MAX_PATH && path.compare(0, 2, L"\\\\") != 0;
  return GetFileAttributesW((extend ? L"\\\\?\\" + path : path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The files without which a 32-bit runtime of Java 5 to 8 cannot start, relative to its home. Its VM is the client one, or the server one of a development kit's.
std::vector<std::wstring> MissingRuntimeFiles(const std::wstring& home) {
  std::vector<std::wstring> missing;
  for (const wchar_t* file : {L"bin\\java.dll", L"lib\\rt.jar", L"lib\\i386\\jvm.cfg"}) {
    if (!PathExists(InFolder(home, file))) missing.emplace_back(file);
  }
  if (!PathExists(InFolder(home, L"bin\\client\\jvm.dll")) && !PathExists(InFolder(home, L"bin\\server\\jvm.dll"))) {
    missing.emplace_back(L"bin\\client\\jvm.dll");
  }
  return missing;
}

// The bin folder the serial-port library belongs in: the runtime's own. A java found
// through the search path counts only when its folder is a runtime's (its parent holds
// lib\rt.jar), not one that installers copy java.exe into, such as System32.
std::wstring SerialLibraryFolder(const ServerRun& run) {
  if (!run.java_home.empty()) return FolderPath(java_runtime::NativeLibraryFolder(run.java_home));
  const std::wstring bin = ParentFolder(run.program);
  if (bin.empty() || !PathExists(InFolder(ParentFolder(bin), L"lib\\rt.jar"))) return std::wstring();
  return bin;
}

// Windows 11's Smart App Control: 1 enforces, 2 evaluates; absent before Windows 11.
bool SmartAppControlOn() {
  DWORD state = 0;
  DWORD size = sizeof(state);
  return RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CI\\Policy",
                      L"VerifiedAndReputablePolicyState", RRF_RT_REG_DWORD, nullptr, &state, &size) == ERROR_SUCCESS &&
         (state == 1 || state == 2);
}

std::vector<EnvironmentOption> JavaOptionsFromTheEnvironment() {
  std::vector<EnvironmentOption> options;
  for (const wchar_t* name : {L"_JAVA_OPTIONS", L"JAVA_TOOL_OPTIONS"}) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) continue;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, &value[0], size);
    if (length == 0 || length >= size) continue;
    value.resize(length);
    options.push_back({name, value});
  }
  return options;
}

// The Restart Manager's functions, from System32 only: rstrtmgr.dll is not a known DLL, and a
// static import would be looked for beside the executable first.
class RestartManager {
 public:
  RestartManager() {
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    module_ = LoadLibraryExW((std::wstring(system, length) + L"\\rstrtmgr.dll").c_str(), nullptr, 0);
    if (module_ == nullptr) return;
    start_ = reinterpret_cast<decltype(start_)>(reinterpret_cast<void*>(GetProcAddress(module_, "RmStartSession")));
    register_ = reinterpret_cast<decltype(register_)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "RmRegisterResources")));
    list_ = reinterpret_cast<decltype(list_)>(reinterpret_cast<void*>(GetProcAddress(module_, "RmGetList")));
    end_ = reinterpret_cast<decltype(end_)>(reinterpret_cast<void*>(GetProcAddress(module_, "RmEndSession")));
  }
  ~RestartManager() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  RestartManager(const RestartManager&) = delete;
  RestartManager& operator=(const RestartManager&) = delete;

  bool ProcessesUsing(const std::wstring& file, std::vector<RM_PROCESS_INFO>& processes) const {
    if (start_ == nullptr || register_ == nullptr || list_ == nullptr || end_ == nullptr) return false;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    DWORD error = start_(&session, 0, key);
    if (error != ERROR_SUCCESS) {
      Trace(L"the Restart Manager cannot start a session: error " + DecimalText(error));
      return false;
    }
    LPCWSTR files[] = {file.c_str()};
    error = register_(session, 1, files, 0, nullptr, 0, nullptr);
    // The list can grow between the call that sizes it and the call that fills it.
    for (int round = 0; error == ERROR_SUCCESS && round < 4; ++round) {
      UINT needed = 0;
      UINT count = static_cast<UINT>(processes.size());
      DWORD reasons = 0;
      error = list_(session, &needed, &count, processes.empty() ? nullptr : processes.data(), &reasons);
      if (error == ERROR_MORE_DATA) {
        processes.resize(needed);
        error = ERROR_SUCCESS;
        continue;
      }
      if (error == ERROR_SUCCESS) processes.resize(count);
      break;
    }
    end_(session);
    if (error != ERROR_SUCCESS) Trace(L"the Restart Manager cannot list " + file + L": error " + DecimalText(error));
    return error == ERROR_SUCCESS;
  }

 private:
  HMODULE module_ = nullptr;
  DWORD(WINAPI* start_)(DWORD*, DWORD, WCHAR[]) = nullptr;
  DWORD(WINAPI* register_)(DWORD, UINT, LPCWSTR[], UINT, RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]) = nullptr;
  DWORD(WINAPI* list_)(DWORD, UINT*, UINT*, RM_PROCESS_INFO[], LPDWORD) = nullptr;
  DWORD(WINAPI* end_)(DWORD) = nullptr;
};

}  // namespace

bool ProcessesUsingFile(const std::wstring& file, unsigned long except, std::vector<unsigned long>& found) {
  std::vector<RM_PROCESS_INFO> processes;
  if (!RestartManager().ProcessesUsing(file, processes)) return false;
  for (const RM_PROCESS_INFO& process : processes) {
    const DWORD id = process.Process.dwProcessId;
    if (id != except && id != GetCurrentProcessId()) found.push_back(id);
  }
  return true;
}

void GatherServerFacts(ServerRun& run, const std::wstring& said) {
  for (const std::wstring& entry : ServerClassPathEntries()) {
    if (!PathExists(InFolder(run.app_directory, entry))) run.missing_server_files.push_back(entry);
  }
  if (!run.java_home.empty()) {
    run.comm_jar_missing = CommJarMissing(run.java_home);
    run.missing_runtime_files = MissingRuntimeFiles(run.java_home);
    run.registered = RegisteredRuntimes();
  }
  run.serial_library_folder = SerialLibraryFolder(run);
  run.serial_library_present =
      !run.serial_library_folder.empty() && PathExists(InFolder(run.serial_library_folder, L"Win32com.dll"));
  run.smart_app_control_on = SmartAppControlOn();
  run.java_options = JavaOptionsFromTheEnvironment();
  if (SaysPortIsTaken(said)) {
    // A running Java keeps the jars of its class path open.
    const std::wstring jar = InFolder(run.app_directory, ServerJar());
    run.other_servers_known = ProcessesUsingFile(jar, run.server_process_id, run.other_servers);
  }
}

}  // namespace tessary
