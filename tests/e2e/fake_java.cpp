// Stands in for java.exe in the end-to-end tests: records how it was started, stays
// alive for a while like a server would, and records when it ended. It ends with the exit
// code TESSARY_E2E_JAVA_EXIT_CODE asks for, as a server that cannot run would, after writing
// the bytes TESSARY_E2E_JAVA_STDOUT (TESSARY_E2E_JAVA_REPEAT times) and TESSARY_E2E_JAVA_STDERR
// give in hexadecimal. With TESSARY_E2E_JAVA_SECONDS=0 it ends in the instant after its last
// write, as a Java runtime does. With TESSARY_E2E_JAVA_TALKS=1 it writes about a megabyte a
// second to its output all the while, and records its slowest write and whether a read of its
// input ever returned.
//
// Like the java.exe of Java 1.5 to 8, it reads its command line in the ANSI code page, where
// a letter the code page lacks is lost, and fails as they do when a class-path entry is not
// found under the name it read. (They also find their own folder by its ANSI name, but Wine
// reports a program's long name even when it was started by its short one.)
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "report_file.h"

namespace {

void Write(DWORD which, const std::string& bytes) {
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string FromHex(const std::wstring& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(wcstoul(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  return bytes;
}

// Text in the ANSI code page, as Windows gives it to a program that is not Unicode.
std::wstring FromAnsi(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(length > 0 ? length : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
  wide.resize(wide.size() - 1);
  return wide;
}

bool Exists(const std::wstring& path) {
  const std::wstring full = path.size() >= MAX_PATH && path.compare(0, 2, L"\\\\") != 0 ? L"\\\\?\\" + path : path;
  return GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// True when every class-path entry names a file or folder. Java skips one that names nothing
// silently; then it does not find the main class.
bool FindsItsClasses() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(FromAnsi(GetCommandLineA()).c_str(), &argc);
  std::wstring class_path;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::wstring(argv[i]) == L"-classpath") class_path = argv[i + 1];
  }
  LocalFree(argv);
  for (size_t at = 0; at <= class_path.size();) {
    size_t end = class_path.find(L';', at);
    if (end == std::wstring::npos) end = class_path.size();
    if (!Exists(class_path.substr(at, end - at))) return false;
    at = end + 1;
  }
  return true;
}

volatile LONG64 input_returned_at = 0;
volatile LONG input_result = 0;

DWORD WINAPI ReadInput(void*) {
  char byte;
  DWORD read = 0;
  const BOOL ok = ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr);
  input_result = ok ? static_cast<LONG>(read) : -static_cast<LONG>(GetLastError());
  input_returned_at = NowMilliseconds();
  return 0;
}

// About a megabyte a second, in 16 KB writes, until the time is up.
void Talk(ReportFile& report, unsigned seconds) {
  const std::string chunk(16384, 'x');
  const long long until = NowMilliseconds() + seconds * 1000LL;
  long long slowest = 0, writes = 0, first_failure = 0;
  while (NowMilliseconds() < until) {
    const long long before = NowMilliseconds();
    DWORD written = 0;
    const BOOL ok = WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), chunk.data(), static_cast<DWORD>(chunk.size()),
                              &written, nullptr);
    const long long took = NowMilliseconds() - before;
    if (took > slowest) slowest = took;
    ++writes;
    if (!ok && first_failure == 0) first_failure = NowMilliseconds();
    Sleep(16);
  }
  report.Add(L"talk.writes", writes);
  report.Add(L"talk.slowest_write_ms", slowest);
  report.Add(L"talk.first_failed_write", first_failure);
  if (input_returned_at != 0) {
    report.Add(L"input.returned", input_returned_at);
    report.Add(L"input.result", input_result);
  }
}

}  // namespace

int wmain() {
  const long long started = NowMilliseconds();
  const std::wstring folder = EnvironmentValue(L"TESSARY_E2E_REPORTS", L"C:\\e2e-reports");
  const std::wstring path = folder + L"\\java-" + std::to_wstring(GetCurrentProcessId()) + L".txt";

  ReportFile report;
  wchar_t module[32768];
  const DWORD module_length = GetModuleFileNameW(nullptr, module, 32768);
  report.Add(L"module", std::wstring(module, module_length));
  report.Add(L"command_line", GetCommandLineW());
  report.Add(L"ansi_command_line", FromAnsi(GetCommandLineA()));
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  report.Add(L"argc", argc);
  for (int i = 0; i < argc; ++i) report.Add(L"argv." + std::to_wstring(i), argv[i]);
  LocalFree(argv);
  wchar_t directory[32768];
  const DWORD directory_length = GetCurrentDirectoryW(32768, directory);
  report.Add(L"cwd", std::wstring(directory, directory_length));
  STARTUPINFOW startup = {};
  GetStartupInfoW(&startup);
  report.Add(L"show_window", (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1);
  report.Add(L"pid", GetCurrentProcessId());
  report.Add(L"started", started);
  report.Save(path);

  const bool runs = FindsItsClasses();
  const unsigned seconds = static_cast<unsigned>(_wtoi(EnvironmentValue(L"TESSARY_E2E_JAVA_SECONDS", L"20").c_str()));
  if (!runs || seconds == 0) {
    // Its last words, and the end: nothing in between.
    report.Add(L"ended", NowMilliseconds());
    report.Save(path);
  }
  if (!runs) {
    Write(STD_ERROR_HANDLE, "Error: Could not find or load main class Quorlane.Frame11\r\n");
    ExitProcess(1);
  }
  const UINT exit_code = wcstoul(EnvironmentValue(L"TESSARY_E2E_JAVA_EXIT_CODE", L"0").c_str(), nullptr, 0);
  const std::string output = FromHex(EnvironmentValue(L"TESSARY_E2E_JAVA_STDOUT", L""));
  std::string repeated;
  for (int i = _wtoi(EnvironmentValue(L"TESSARY_E2E_JAVA_REPEAT", L"1").c_str()); i > 0; --i) repeated += output;
  Write(STD_OUTPUT_HANDLE, repeated);
  Write(STD_ERROR_HANDLE, FromHex(EnvironmentValue(L"TESSARY_E2E_JAVA_STDERR", L"")));
  if (seconds == 0) ExitProcess(exit_code);
  if (EnvironmentValue(L"TESSARY_E2E_JAVA_TALKS", L"") == L"1") {
    CloseHandle(CreateThread(nullptr, 0, ReadInput, nullptr, 0, nullptr));
    Talk(report, seconds);
  } else {
    Sleep(seconds * 1000);
  }
  report.Add(L"ended", NowMilliseconds());
  report.Save(path);
  return static_cast<int>(exit_code);
}
