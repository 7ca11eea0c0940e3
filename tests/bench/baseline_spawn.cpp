// The benchmark's reference for starting the server: only CreateProcessW on the stand-in
// runtime, timed from just before the call on the system clock the stand-in also uses.
//   baseline_spawn REPORT PROGRAM
#include <windows.h>

#include "../e2e/report_file.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring command_line = L"\"" + std::wstring(argv[2]) + L"\" -classpath x Quorlane.Frame11";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started = {};
  ReportFile report;
  report.Add(L"before_create", NowMilliseconds());
  if (!CreateProcessW(argv[2], &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return 1;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return report.Save(argv[1]) ? 0 : 1;
}
