// A DLL that must never be loaded: copied beside Tessary.exe under the names of the DLLs
// the launcher uses, it leaves a marker file if the loader ever picks it up.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(instance, module, MAX_PATH);
    const wchar_t* name = module;
    for (const wchar_t* c = module; *c; ++c) {
      if (*c == L'\\') name = c + 1;
    }
    // Only kernel32: the DLL may stand in for any other, the C runtime included.
    wchar_t marker[MAX_PATH + 32] = L"C:\\e2e-planted\\";
    lstrcatW(marker, name);
    lstrcatW(marker, L".loaded");
    CreateDirectoryW(L"C:\\e2e-planted", nullptr);
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return TRUE;
}
