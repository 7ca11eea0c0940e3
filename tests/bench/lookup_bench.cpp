// Times the runtime lookup alone against N registered versions, the qualifying one last.
//   lookup_bench N...   prints "N median_ms min_ms" per N, five runs each
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/seams.h"
#include "runtime/java_runtime.h"
#include "runtime/mod_main.h"

namespace {

void Ignore(const std::wstring&) {}
void NoExit(tessary::ExitCode) {}

const wchar_t kRoot[] = L"SOFTWARE\\JavaSoft";

// Versions 1.4.00001 ... sort before 1.6, so the one that qualifies is enumerated last.
void Register(int count, const std::wstring& home) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  HKEY runtimes = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, tessary::java_runtime::kRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &runtimes, nullptr);
  for (int i = 1; i <= count; ++i) {
    wchar_t name[32];
    if (i == count) wsprintfW(name, L"1.6");
    else wsprintfW(name, L"1.4.%05d", i);
    HKEY version = nullptr;
    RegCreateKeyExW(runtimes, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &version, nullptr);
    RegSetValueExW(version, L"JavaHome", 0, REG_SZ, reinterpret_cast<const BYTE*>(home.c_str()),
                   static_cast<DWORD>((home.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(version);
  }
  RegCloseKey(runtimes);
}

// A home that already has its support files, so that the lookup copies nothing.
std::wstring MakeHome() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring home = std::wstring(temp) + L"tessary-lookup-bench";
  for (const wchar_t* folder : {L"", L"\\bin", L"\\lib", L"\\lib\\ext"}) CreateDirectoryW((home + folder).c_str(), nullptr);
  for (const wchar_t* file : {L"\\lib\\ext\\Comm.jar", L"\\lib\\javax.comm.properties", L"\\bin\\Win32com.dll",
                              L"\\lib\\ext\\jdc.jar"}) {
    CloseHandle(CreateFileW((home + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return home;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  tessary::InstallSeams(tessary::Seams{Ignore, NoExit});
  const std::wstring home = MakeHome();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int arg = 1; arg < argc; ++arg) {
    const int count = _wtoi(argv[arg]);
    Register(count, home);
    std::vector<double> runs;
    for (int run = 0; run < 5; ++run) {
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      tessary::LocateJavaRuntimeIn(HKEY_CURRENT_USER);
      QueryPerformanceCounter(&end);
      if (tessary::JavaHomePath != home) {
        std::printf("lookup did not find the last version among %d\n", count);
        return 1;
      }
      runs.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("%d %.2f %.2f\n", count, runs[2], runs[0]);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  return 0;
}
