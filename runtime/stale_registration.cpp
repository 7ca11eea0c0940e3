#include "runtime/stale_registration.h"

#include "base/path.h"
#include "base/text.h"

namespace tessary {

std::wstring StaleRegistrationAdvice(const std::vector<java_runtime::RegisteredRuntime>& registered,
                                     const std::wstring& java_home, bool wow64) {
  using java_runtime::RegisteredRuntime;
  bool reached = false;
  const RegisteredRuntime* usable = nullptr;
  std::vector<const RegisteredRuntime*> stale;
  for (const RegisteredRuntime& runtime : registered) {
    const unsigned release = java_runtime::FeatureRelease(runtime.version);
    if (release < java_runtime::kOldestUsableRelease) continue;  // the launcher passes these over
    if (!reached && !SameFolder(runtime.home, java_home)) continue;
    reached = true;
    if (runtime.has_java && !runtime.home.empty()) {
      if (release <= java_runtime::kNewestUsableRelease) usable = &runtime;
      break;
    }
    stale.push_back(&runtime);
  }
  if (stale.empty()) return std::wstring();
  const std::wstring java = L"Java " + Displayed(stale.front()->version, 40);
  const bool one = stale.size() == 1;
  std::wstring advice = java + L" is registered for " + Displayed(FolderPath(java_home)) +
                        L", which no longer holds java.exe: it was uninstalled or moved, but its registry entry "
                        L"stayed. Tessary takes the first Java registered.";
  if (usable != nullptr) {
    advice += L" Java " + Displayed(usable->version, 40) + L", in " + Displayed(FolderPath(usable->home)) +
              L", has its java.exe: Tessary will take it once the stale " + (one ? L"entry is" : L"entries are") +
              L" gone.";
  }
  advice += L" To remove " + std::wstring(one ? L"it" : L"them") + L", reinstall " + java +
            L" and uninstall it (Control Panel, Programs), or have an administrator delete " +
            (one ? L"this registry key:" : L"these registry keys:");
  for (const RegisteredRuntime* runtime : stale) {
    advice += L"\r\nHKEY_LOCAL_MACHINE\\" + Displayed(java_runtime::VersionKeyPath(runtime->version), 400);
  }
  if (wow64) {
    advice += L"\r\nOn this 64-bit Windows, Registry Editor shows " + std::wstring(one ? L"it" : L"them") +
              L" under HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\JavaSoft\\Java Runtime Environment.";
  }
  return advice;
}

}  // namespace tessary
