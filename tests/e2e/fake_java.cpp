// Stands in for java.exe in the end-to-end tests: records how it was started, stays
// alive for a while like a server would, and records when it ended. It ends with the exit
// code TESSARY_E2E_JAVA_EXIT_CODE asks for, as a server that cannot run would.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "report_file.h"

int wmain() {
  const long long started = NowMilliseconds();
  const std::wstring folder = EnvironmentValue(L"TESSARY_E2E_REPORTS", L"C:\\e2e-reports");
  const std::wstring path = folder + L"\\java-" + std::to_wstring(GetCurrentProcessId()) + L".txt";

  ReportFile report;
  wchar_t module[32768];
  const DWORD module_length = GetModuleFileNameW(nullptr, module, 32768);
  report.Add(L"module", std::wstring(module, module_length));
  report.Add(L"command_line", GetCommandLineW());
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

  const unsigned seconds = static_cast<unsigned>(_wtoi(EnvironmentValue(L"TESSARY_E2E_JAVA_SECONDS", L"20").c_str()));
  Sleep(seconds * 1000);
  report.Add(L"ended", NowMilliseconds());
  report.Save(path);
  return static_cast<int>(wcstoul(EnvironmentValue(L"TESSARY_E2E_JAVA_EXIT_CODE", L"0").c_str(), nullptr, 0));
}
