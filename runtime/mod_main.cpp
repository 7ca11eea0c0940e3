#include "runtime/mod_main.h"

#include <cstdint>

#include "base/text.h"
#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "registry/MRegistry.h"
#include "runtime/comm_support_files.h"
#include "runtime/java_runtime.h"
#include "runtime/java_survey_win.h"
#include "runtime/stale_registration.h"
#include "runtime/version_prefix.h"

namespace tessary {

std::wstring JavaHomePath;

namespace {

constexpr wchar_t kNotInstalledMessage[] =
    L"You have not Installed Java Runtime Environment on your computer.\r\n"
    L"Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
    L"Please refer installtion guide of Halvery for further help";
constexpr wchar_t kNoRecentVersionMessage[] =
    L"Java Runtime Environment version 1.5 or higher version is not avaiable";
constexpr wchar_t kSearchFailedMessage[] = L"Error While Searching JVM on Your Machine";

// The JavaHome value as text: a string as it is, an integer as its digits, nothing as
// empty text. A byte array has no text form.
std::wstring HomeText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return DecimalText(*number);
  if (std::holds_alternative<std::monostate>(value)) return std::wstring();
  throw TypeMismatch();
}

// True when the runtime home holds its bin\java.exe, as a file.
bool HasJava(const std::wstring& home) {
  const DWORD java = GetFileAttributesW(java_runtime::ExecutablePath(home).c_str());
  return java != INVALID_FILE_ATTRIBUTES && (java & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

void LocateJavaRuntimeIn(HKEY root) {
  JavaHomePath.clear();
  try {
    if (!RegistryKeyExists(root, java_runtime::kRegistryKey)) {
      Trace(L"no Java runtime is registered");
      ShowMessage(kNotInstalledMessage);
      ExplainUnusedJava(root);
      EndProcess(ExitCode::kNoJavaRuntime);
    }

    const std::vector<std::wstring> versions = ListRegistrySubkeys(root, java_runtime::kRegistryKey);
    std::wstring passed_over;
    const std::wstring* chosen = nullptr;
    for (const std::wstring& version : versions) {
      // A name that is not a number fails the whole lookup here, as it always has.
      if (VersionPrefixNumber(version) >= java_runtime::kMinimumVersion) {
        chosen = &version;
        break;
      }
      passed_over += L" " + version + L" (older than 1.5)";
    }
    if (chosen == nullptr) {
      Trace(L"no Java runtime of version 1.5 or higher; passed over:" +
            (passed_over.empty() ? std::wstring(L" nothing, the key has no subkeys") : passed_over));
      ShowMessage(kNoRecentVersionMessage);
      ExplainUnusedJava(root);
      EndProcess(ExitCode::kNoRecentJavaRuntime);
    }

    const std::wstring home = HomeText(
        ReadRegistryValue(root, java_runtime::VersionKeyPath(*chosen), java_runtime::kHomeValueName));
    if (!java_runtime::IsUsableHome(home)) {
      throw RuntimeError(kErrorTypeMismatch, L"The JavaHome value of Java Runtime Environment " + Displayed(*chosen) +
                                                 L" is not a folder path:\r\n" + Displayed(home));
    }
    Trace(L"Java runtime " + *chosen + L" chosen, home \"" + Displayed(home) + L"\"" +
          (passed_over.empty() ? std::wstring() : L"; passed over:" + passed_over));
    if (home.empty()) return;
    JavaHomePath = home;
    InstallCommSupportFiles(home);
  } catch (const RuntimeError& error) {
    Trace(L"Java runtime lookup failed: " + error.description());
    ShowMessage(error.description());
    ShowMessage(kSearchFailedMessage);
    JavaHomePath.clear();
  }
}

void LocateJavaRuntime() { LocateJavaRuntimeIn(HKEY_LOCAL_MACHINE); }

std::vector<java_runtime::RegisteredRuntime> RegisteredRuntimes(HKEY root) {
  constexpr std::size_t kReadAtMost = 64;
  std::vector<java_runtime::RegisteredRuntime> runtimes;
  for (const std::wstring& version :
       ListRegistrySubkeys(root, java_runtime::kRegistryKey, RegistryView::kOwn, kReadAtMost)) {
    try {
      const RegistryValue home =
          ReadRegistryValue(root, java_runtime::VersionKeyPath(version), java_runtime::kHomeValueName);
      if (const auto* text = std::get_if<std::wstring>(&home)) runtimes.push_back({version, *text, HasJava(*text)});
    } catch (const RuntimeError& error) {
      Trace(L"Java runtime " + version + L" passed over: " + error.description());
    }
  }
  return runtimes;
}

std::wstring StaleRegistrationMessage(const std::wstring& java_home) {
  // Only a java.exe that is not there at all: one that is there but cannot run says so itself.
  if (java_home.empty() ||
      GetFileAttributesW(java_runtime::ExecutablePath(java_home).c_str()) != INVALID_FILE_ATTRIBUTES) {
    return std::wstring();
  }
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
  return StaleRegistrationAdvice(RegisteredRuntimes(), java_home, wow64 != FALSE);
}

}  // namespace tessary
