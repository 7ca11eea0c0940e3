#include <windows.h>
#include <ole2.h>

#include <exception>

#include "base/exit_code.h"
#include "launcher/frmSplash.h"

namespace tessary {
namespace {

// Only system folders are searched for DLLs loaded at run time, so that a DLL of the
// same name put beside the executable or in the working directory is never loaded.
void RestrictDllSearch() {
  SetDllDirectoryW(L"");
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  // Present from Windows 8, and on Windows 7 with KB2533623.
  const auto set_default_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set_default_directories != nullptr) set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Whatever fails in a way nobody foresaw (memory running out, say) ends the launcher
// with a code of its own, rather than through abort(), whose code 3 means something else.
[[noreturn]] void EndAfterUnexpectedFailure() {
  OutputDebugStringW(L"Tessary: unexpected failure, the launcher ends\n");
  ExitProcess(static_cast<UINT>(ExitCode::kUnexpectedFailure));
}

ExitCode RunLauncher(HINSTANCE instance, int show_command) {
  std::set_terminate(EndAfterUnexpectedFailure);
  RestrictDllSearch();
  const HRESULT com = OleInitialize(nullptr);
  ExitCode result = ExitCode::kNormal;
  {
    frmSplash splash(instance);
    if (splash.Show(show_command)) {
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    } else {
      result = ExitCode::kStartupFailed;
    }
  }
  if (SUCCEEDED(com)) OleUninitialize();
  return result;
}

}  // namespace
}  // namespace tessary

#if defined(__GLIBCXX__)
// libstdc++'s default terminate handler prints the exception's demangled type to stderr,
// which a GUI program does not have; its demangler and the printf family behind it would
// be a third of the executable. This one stands until RunLauncher sets its own.
namespace __gnu_cxx {
void __verbose_terminate_handler() { tessary::EndAfterUnexpectedFailure(); }
}  // namespace __gnu_cxx

// The containers report a length beyond their maximum, or an index out of range, through
// these. libstdc++'s own throw std::logic_error and its kin, which carry the library's older
// std::string whole, 64 KB of it, into a static executable. The launcher catches none of
// them: ending at once, with the code an unforeseen failure has, is what they come to anyway.
namespace std {
void __throw_bad_exception() { tessary::EndAfterUnexpectedFailure(); }
void __throw_bad_alloc() { tessary::EndAfterUnexpectedFailure(); }
void __throw_bad_array_new_length() { tessary::EndAfterUnexpectedFailure(); }
void __throw_bad_cast() { tessary::EndAfterUnexpectedFailure(); }
void __throw_bad_typeid() { tessary::EndAfterUnexpectedFailure(); }
void __throw_logic_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_domain_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_invalid_argument(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_length_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_out_of_range(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_out_of_range_fmt(const char*, ...) { tessary::EndAfterUnexpectedFailure(); }
void __throw_runtime_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_range_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_overflow_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
void __throw_underflow_error(const char*) { tessary::EndAfterUnexpectedFailure(); }
}  // namespace std
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  ExitProcess(static_cast<UINT>(tessary::RunLauncher(instance, show_command)));
}
