#include "runtime/mod_main.h"

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "registry/MRegistry.h"
#include "runtime/java_runtime.h"
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

// The home as a message can show it: control characters made visible, a long one shortened.
std::wstring DisplayedHome(std::wstring home) {
  for (wchar_t& c : home) {
    if (c < L' ') c = L'\xFFFD';
  }
  return Abbreviated(home);
}

// A runtime registered for 64-bit programs: its version subkey name and its home.
struct RegisteredRuntime {
  std::wstring version;
  std::wstring home;
};

// On 64-bit Windows the launcher, a 32-bit program, sees only the runtimes registered
// for 32-bit programs. The first recent one registered for 64-bit programs instead, if
// any, so that the operator can be told why the runtime they see installed is not used.
std::optional<RegisteredRuntime> Recent64BitRuntime(HKEY root) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return std::nullopt;
  for (const std::wstring& version : ListRegistrySubkeys(root, java_runtime::kRegistryKey, RegistryView::k64Bit)) {
    try {
      if (VersionPrefixNumber(version) < java_runtime::kMinimumVersion) continue;
      const RegistryValue home = ReadRegistryValue(root, java_runtime::VersionKeyPath(version),
                                                   java_runtime::kHomeValueName, std::nullopt, RegistryView::k64Bit);
      const auto* text = std::get_if<std::wstring>(&home);
      if (text != nullptr && !text->empty() && java_runtime::IsUsableHome(*text)) {
        return RegisteredRuntime{version, *text};
      }
    } catch (const RuntimeError&) {
      // A name that is no number or a home that cannot be read: nothing to point the operator to.
    }
  }
  return std::nullopt;
}

// Shown after the message that no runtime, or no recent one, was found.
void Explain64BitOnlyRuntime(HKEY root) {
  const std::optional<RegisteredRuntime> runtime = Recent64BitRuntime(root);
  if (!runtime) return;
  Trace(L"a 64-bit Java runtime " + runtime->version + L" is registered, home \"" + DisplayedHome(runtime->home) +
        L"\"");
  ShowMessage(L"Java Runtime Environment " + Abbreviated(runtime->version) + L" is installed in " +
              DisplayedHome(runtime->home) + L", but it is a 64-bit runtime.\r\n"
              L"Quorlane's serial-port support needs the 32-bit (x86) Java Runtime Environment, "
              L"version 1.5 or higher. Install that one as well; the 64-bit runtime can stay.");
}

}  // namespace

void LocateJavaRuntimeIn(HKEY root) {
  JavaHomePath.clear();
  try {
    if (!RegistryKeyExists(root, java_runtime::kRegistryKey)) {
      Trace(L"no Java runtime is registered");
      ShowMessage(kNotInstalledMessage);
      Explain64BitOnlyRuntime(root);
      EndProcess(ExitCode::kNoJavaRuntime);
      return;
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
      Explain64BitOnlyRuntime(root);
      EndProcess(ExitCode::kNoRecentJavaRuntime);
      return;
    }

    const std::wstring home = HomeText(
        ReadRegistryValue(root, java_runtime::VersionKeyPath(*chosen), java_runtime::kHomeValueName));
    if (!java_runtime::IsUsableHome(home)) {
      throw RuntimeError(kErrorTypeMismatch, L"The JavaHome value of Java Runtime Environment " + *chosen +
                                                 L" is not a folder path:\r\n" + DisplayedHome(home));
    }
    Trace(L"Java runtime " + *chosen + L" chosen, home \"" + DisplayedHome(home) + L"\"" +
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

}  // namespace tessary
