#include "launcher/server_start.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/diagnostics.h"
#include "base/path.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "base/win_error.h"
#include "launcher/server_command.h"
#include "launcher/diagnosis/server_stopped.h"

namespace tessary {

std::wstring ApplicationDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    // GetModuleFileNameW truncates without telling you: a full buffer means "try larger".
    if (length < buffer.size()) return ParentFolder(std::wstring(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

// The 8.3 short name of an existing file or folder; empty when it has none or cannot be had.
// GetShortPathNameW takes a path longer than MAX_PATH only in its \\?\ form.
std::wstring ShortPathName(const std::wstring& path) {
  const bool is_unc = path.compare(0, 2, L"\\\\") == 0;
  std::wstring prefix;
  std::wstring extended = path;
  if (path.size() >= MAX_PATH && path.compare(0, 4, L"\\\\?\\") != 0) {
    prefix = is_unc ? L"\\\\?\\UNC" : L"\\\\?\\";  // \\server\share becomes \\?\UNC\server\share
    extended = prefix + path.substr(is_unc ? 1 : 0);
  }
  // A short name can be longer than the long one: C:\Ян becomes C:\__~1. Too small a buffer
  // gets the size it needs, terminator included.
  std::vector<wchar_t> buffer(extended.size() + 1);
  DWORD length = GetShortPathNameW(extended.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length);
    length = GetShortPathNameW(extended.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) return std::wstring();
  std::wstring shortened(buffer.data(), length);
  if (!prefix.empty() && shortened.compare(0, prefix.size(), prefix) == 0) {
    shortened.replace(0, prefix.size(), is_unc ? L"\\" : L"");
  }
  return shortened;
}

// The working directory cannot be longer than MAX_PATH on Windows without long-path
// support. A deeper folder is still reachable through its short (8.3) name, when the
// volume keeps short names.
bool ChangeDirectory(const std::wstring& directory) {
  if (SetCurrentDirectoryW(directory.c_str())) return true;
  const DWORD error = GetLastError();
  if (directory.size() >= MAX_PATH - 1) {
    const std::wstring shortened = ShortPathName(directory);
    if (!shortened.empty() && SetCurrentDirectoryW(shortened.c_str())) return true;
  }
  SetLastError(error);
  return false;
}

// Java 1.5 to 8 read their command line in the ANSI code page (GetCommandLineA): a letter
// the code page lacks becomes '?' or a lookalike, and a path then names nothing. With the
// code page set to UTF-8 (Windows 10's "Beta: Use Unicode UTF-8"), Java 8 still decodes with
// the locale's legacy code page, and every letter beyond ASCII is lost.
bool SurvivesAnsiCodePage(const std::wstring& text) {
  if (GetACP() == CP_UTF8) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
  }
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &ansi[0], bytes, nullptr, nullptr);
  std::wstring back(text.size(), L'\0');
  return MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, &back[0], length) == length && back == text;
}

// The folder's name as Java can read it: the name itself, or its short name; empty when
// neither survives.
std::wstring NameJavaCanRead(const std::wstring& folder) {
  if (SurvivesAnsiCodePage(folder)) return folder;
  const std::wstring shortened = ShortPathName(folder);
  return !shortened.empty() && SurvivesAnsiCodePage(shortened) ? shortened : std::wstring();
}

// The server's standard handles. Its output and error go to one pipe whose reading end
// only the launcher holds, never inherited: when the launcher ends, the pipe breaks and the
// server's writes fail at once instead of filling it and blocking. Its input is a pipe whose
// writing end is handed to the server itself, so that a read of its input waits for ever,
// as on a hidden console. A pipe whose writing end the launcher held would report the end
// of input once the launcher ended, and so would the NUL device at once.
struct ServerPipes {
  UniqueFile output;        // the launcher's end, for overlapped reads
  UniqueFile output_write;  // the server's output and error
  UniqueFile input_read;    // the server's input
  UniqueFile input_write;   // goes to the server once it runs
};

// Room for what a server writes in a burst while the launcher is busy elsewhere.
constexpr DWORD kPipeBytes = 65536;

bool MakeServerPipes(ServerPipes& pipes) {
  // Anonymous pipes cannot be read with overlapped I/O, and the launcher waits on the
  // server and its output at once; a named pipe of one instance that nobody else can
  // create first, nor open from another machine.
  const std::wstring name = L"\\\\.\\pipe\\Tessary-server-output-" + DecimalText(GetCurrentProcessId()) + L"-" +
                            DecimalText(static_cast<long long>(GetTickCount64()));
  pipes.output.reset(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED |
                                                        FILE_FLAG_FIRST_PIPE_INSTANCE,
                                      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                      1, 0, kPipeBytes, 0, nullptr));
  if (!pipes.output) return false;
  pipes.output_write.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!pipes.output_write) return false;
  HANDLE input_read = nullptr;
  HANDLE input_write = nullptr;
  if (!CreatePipe(&input_read, &input_write, nullptr, 0)) return false;
  pipes.input_read.reset(input_read);
  pipes.input_write.reset(input_write);
  return SetHandleInformation(pipes.output_write.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) &&
         SetHandleInformation(pipes.input_read.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

// Only these handles are inherited, whatever else of the launcher's may be inheritable.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    initialized_ = true;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                  handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      list_ = list;
    }
  }
  ~InheritedHandles() {
    if (initialized_) DeleteProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()));
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  // Null when the list could not be made.
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<unsigned char> storage_;
  bool initialized_ = false;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

ServerFolders FoldersJavaCanRead(const std::wstring& java_home, const std::wstring& app_directory) {
  ServerFolders folders{java_home, app_directory, false, false};
  for (std::wstring* folder : {&folders.java_home, &folders.app_directory}) {
    if (folder->empty()) continue;
    const std::wstring readable = NameJavaCanRead(*folder);
    if (!readable.empty()) {
      *folder = readable;
      continue;
    }
    Trace(L"Java cannot read the name of " + *folder + L" on this PC, and it has no short name");
    (folder == &folders.app_directory ? folders.app_directory_unreadable : folders.java_home_unreadable) = true;
  }
  return folders;
}

namespace {

void EnterWorkingFolder(const std::wstring& app_directory) {
  if (!ChangeDirectory(app_directory)) {
    const DWORD error = GetLastError();
    throw SystemError(error, app_directory);
  }
}

// The server's pipes, or none: without them it writes to its own hidden console, as it
// would without the launcher.
ServerPipes PipesForServer() {
  ServerPipes pipes;
  if (MakeServerPipes(pipes)) return pipes;
  const DWORD error = GetLastError();
  Trace(L"the server's output cannot be heard: error " + DecimalText(error));
  return ServerPipes();
}

// Starts the program hidden, with the pipes as its standard handles when there are any. A
// program without a folder is found by the usual search for executables.
OwnedProcess CreateServerProcess(const std::wstring& program, const std::wstring& command_line,
                                 const ServerPipes& pipes) {
  const bool piped = pipes.output.valid();
  const InheritedHandles inherited(
      piped ? std::vector<HANDLE>{pipes.input_read.get(), pipes.output_write.get()} : std::vector<HANDLE>());
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof(startup.StartupInfo);
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  DWORD flags = 0;
  if (piped) {
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = pipes.input_read.get();
    startup.StartupInfo.hStdOutput = pipes.output_write.get();
    startup.StartupInfo.hStdError = pipes.output_write.get();
    // Without the list, every inheritable handle of the launcher's would be inherited;
    // the launcher makes no other.
    if (inherited.list() != nullptr) {
      startup.StartupInfo.cb = sizeof(startup);
      startup.lpAttributeList = inherited.list();
      flags = EXTENDED_STARTUPINFO_PRESENT;
    }
  }
  const bool searched = program.find_first_of(L"\\/") == std::wstring::npos;
  PROCESS_INFORMATION started = {};
  // cmdLine is modified by CreateProcessW so must be writable.
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  if (!CreateProcessW(searched ? nullptr : program.c_str(), writable.data(), nullptr, nullptr, piped, flags, nullptr,
                      nullptr, &startup.StartupInfo, &started)) {
    const DWORD error = GetLastError();
    throw SystemError(error, program);
  }
  return OwnedProcess{UniqueKernelHandle(started.hProcess), UniqueKernelHandle(started.hThread)};
}

// Places the writing end of the server's input in the server itself.
void HandOverInput(const OwnedProcess& server, const ServerPipes& pipes) {
  HANDLE in_server = nullptr;
  if (pipes.input_write && !DuplicateHandle(GetCurrentProcess(), pipes.input_write.get(), server.process.get(),
                                            &in_server, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    const DWORD error = GetLastError();
    Trace(L"the server's input ends with the launcher: error " + DecimalText(error));
  }
}

}  // namespace

StartedServer StartServer(const std::wstring& program, const std::wstring& command_line,
                          const std::wstring& app_directory) {
  EnterWorkingFolder(app_directory);
  ServerPipes pipes = PipesForServer();
  OwnedProcess server = CreateServerProcess(program, command_line, pipes);
  HandOverInput(server, pipes);
  // The server's ends of the pipes close here: only the server holds them now. Only the
  // process handle is kept, for the launcher's wait.
  const DWORD process_id = GetProcessId(server.process.get());
  return StartedServer{std::move(server.process), std::move(pipes.output), process_id};
}

}  // namespace tessary
