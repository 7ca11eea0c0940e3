#include "runtime/java_survey_win.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/diagnostics.h"
#include "base/path.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "base/text.h"
#include "base/unique_handle.h"
#include "registry/MRegistry.h"
#include "runtime/java_runtime.h"
#include "runtime/java_survey.h"

namespace tessary {
namespace {

using java_runtime::JavaRegistration;
using java_runtime::RegistryScope;

constexpr std::size_t kSubkeysPerKey = 16;

// The first bytes of a file, read without shutting anyone else out; nothing when it cannot be read.
std::optional<std::string> ReadFileStart(const std::wstring& path, std::size_t limit) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes(limit, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(limit), &read, nullptr)) return std::nullopt;
  bytes.resize(read);
  return bytes;
}

// True only for a 32-bit program on 64-bit Windows. Without WoW64, KEY_WOW64_64KEY is ignored
// and opens the program's own view once more.
bool HasOther64BitView() {
#ifdef _WIN64
  return false;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

struct NamedKey {
  std::wstring version;  // the name the pattern's first "*" stood for
  std::wstring path;
};

// Every key that `pattern` names below `path`: a "*" segment stands for each subkey.
void ExpandKeyPattern(HKEY root, RegistryView view, const std::wstring& path, const std::wstring& pattern,
                      const std::wstring& version, std::vector<NamedKey>& keys) {
  const std::size_t star = pattern.find(L'*');
  if (star == std::wstring::npos) {
    keys.push_back({version, path + pattern});
    return;
  }
  // The pattern's "*" always follows a separator, which the parent's path leaves out.
  const std::wstring parent = path + pattern.substr(0, star - 1);
  for (const std::wstring& name : ListRegistrySubkeys(root, parent, view, kSubkeysPerKey)) {
    ExpandKeyPattern(root, view, parent + L"\\" + name, pattern.substr(star + 1), version.empty() ? name : version,
                     keys);
  }
}

// Lists the folders the registration names, each once, and reads no file: a machine may hold
// thousands of keys left behind by uninstalled versions.
void Survey(HKEY root, RegistryView view, FoundUnder under, const JavaRegistration& registration,
            std::vector<FoundJava>& found) {
  if (found.size() >= kInstallationsExaminedAtMost) return;
  std::vector<NamedKey> keys;
  ExpandKeyPattern(root, view, std::wstring(), registration.key, std::wstring(), keys);
  for (const NamedKey& key : keys) {
    try {
      const RegistryValue value = ReadRegistryValue(root, key.path, registration.home_value, std::nullopt, view);
      const auto* home = std::get_if<std::wstring>(&value);
      const std::wstring folder = home != nullptr ? FolderPath(*home) : std::wstring();
      if (folder.empty() || !java_runtime::IsUsableHome(folder)) {
        Trace(L"passed over " + key.path + L": its " + registration.home_value + L" is no folder path");
        continue;
      }
      // OutputDebugStringW raises an exception each time: one line per folder, not per key.
      if (!AddFoundJava(found, {&registration, key.version, folder, under, 0, std::wstring()})) continue;
      Trace(L"Java registered under " + key.path + L", folder " + folder);
      if (found.size() >= kInstallationsExaminedAtMost) {
        Trace(L"the survey ends at " + DecimalText(static_cast<long long>(found.size())) + L" installations");
        return;
      }
    } catch (const RuntimeError& error) {
      Trace(L"passed over " + key.path + L": " + error.description());
    }
  }
}

// What the installation's java.exe and release file tell; only these are kept of them.
void Examine(FoundJava& java) {
  const std::optional<std::string> header =
      ReadFileStart(java_runtime::ExecutablePath(java.home), kExecutableHeaderBytes);
  if (!header) {
    Trace(L"passed over " + java.home + L": no java.exe");
    return;
  }
  java.bits = ExecutableBits(*header);
  if (java.bits == 0) return;  // left out whatever its version
  const std::optional<std::string> release = ReadFileStart(java_runtime::ReleaseFilePath(java.home), kReleaseFileBytes);
  if (release) java.release_version = ReleaseFileVersion(*release);
}

}  // namespace

void ExplainUnusedJava(HKEY root) {
  std::wstring message;
  try {
    std::vector<FoundJava> found;
    const bool other_view = HasOther64BitView();
    for (const JavaRegistration& registration : java_runtime::kJavaRegistrations) {
      if (registration.scope != RegistryScope::kOtherView) {
        Survey(root, RegistryView::kOwn, FoundUnder::kLocalMachine, registration, found);
      }
      if (other_view) Survey(root, RegistryView::k64Bit, FoundUnder::kLocalMachine, registration, found);
      if (registration.scope == RegistryScope::kMachineAndUser) {
        Survey(HKEY_CURRENT_USER, RegistryView::kOwn, FoundUnder::kCurrentUser, registration, found);
      }
    }
    for (FoundJava& java : found) Examine(java);
    message = UnusedJavaMessage(found);
  } catch (const std::exception&) {
    // Memory ran out: the explanation is a courtesy, the message before it has been shown.
    Trace(L"the Java installed could not be surveyed");
    return;
  }
  if (!message.empty()) ShowMessage(message);
}

}  // namespace tessary
