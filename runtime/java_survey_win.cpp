#include "runtime/java_survey_win.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/diagnostics.h"
#include "base/runtime_error.h"
#include "base/seams.h"
#include "base/unique_handle.h"
#include "registry/MRegistry.h"
#include "runtime/java_runtime.h"
#include "runtime/java_survey.h"

namespace tessary {
namespace {

using java_runtime::JavaRegistration;
using java_runtime::RegistryScope;

constexpr std::size_t kSubkeysPerKey = 16;
constexpr DWORD kReleaseFileBytes = 8192;        // JAVA_VERSION comes in its first lines
constexpr DWORD kExecutableHeaderBytes = 4096;   // the PE header follows the DOS stub

// The first bytes of a file, read without shutting anyone else out; nothing when it cannot be read.
std::optional<std::string> ReadFileStart(const std::wstring& path, DWORD limit) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes(limit, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), &bytes[0], limit, &read, nullptr)) return std::nullopt;
  bytes.resize(read);
  return bytes;
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

void Survey(HKEY root, RegistryView view, const JavaRegistration& registration, std::vector<FoundJava>& found) {
  std::vector<NamedKey> keys;
  ExpandKeyPattern(root, view, std::wstring(), registration.key, std::wstring(), keys);
  for (const NamedKey& key : keys) {
    try {
      const RegistryValue value = ReadRegistryValue(root, key.path, registration.home_value, std::nullopt, view);
      const auto* home = std::get_if<std::wstring>(&value);
      const std::wstring folder = home != nullptr ? InstallationFolder(*home) : std::wstring();
      if (folder.empty() || !java_runtime::IsUsableHome(folder)) {
        Trace(L"passed over " + key.path + L": its " + registration.home_value + L" is no folder path");
        continue;
      }
      std::optional<std::string> header = ReadFileStart(java_runtime::ExecutablePath(folder), kExecutableHeaderBytes);
      if (!header) {
        Trace(L"passed over " + key.path + L": no java.exe in " + folder);
        continue;
      }
      Trace(L"Java registered under " + key.path + L", folder " + folder);
      found.push_back({&registration, key.version, folder,
                       ReadFileStart(java_runtime::ReleaseFilePath(folder), kReleaseFileBytes).value_or(std::string()),
                       std::move(*header)});
    } catch (const RuntimeError& error) {
      Trace(L"passed over " + key.path + L": " + error.description());
    }
  }
}

}  // namespace

void ExplainUnusedJava(HKEY root) {
  std::wstring message;
  try {
    std::vector<FoundJava> found;
    for (const JavaRegistration& registration : java_runtime::kJavaRegistrations) {
      // On 32-bit Windows both views are the one there is: the same folders, named once.
      if (registration.scope != RegistryScope::kOtherView) Survey(root, RegistryView::kOwn, registration, found);
      Survey(root, RegistryView::k64Bit, registration, found);
      if (registration.scope == RegistryScope::kMachineAndUser) {
        Survey(HKEY_CURRENT_USER, RegistryView::kOwn, registration, found);
      }
    }
    message = UnusedJavaMessage(found);
  } catch (const std::exception&) {
    // Memory ran out: the explanation is a courtesy, the message before it has been shown.
    Trace(L"the Java installed could not be surveyed");
    return;
  }
  if (!message.empty()) ShowMessage(message);
}

}  // namespace tessary
