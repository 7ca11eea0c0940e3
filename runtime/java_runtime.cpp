#include "runtime/java_runtime.h"

#include <cstddef>

namespace tessary::java_runtime {

bool IsUsableHome(const std::wstring& home) {
  constexpr std::size_t kLongestPath = 32767;
  if (home.size() > kLongestPath) return false;
  for (wchar_t c : home) {
    if (c < L' ' || c == L'"') return false;
  }
  return true;
}

std::wstring VersionKeyPath(const std::wstring& version_name) {
  return std::wstring(kRegistryKey) + L"\\" + version_name;
}

std::wstring ExecutablePath(const std::wstring& home) { return home + L"\\bin\\java.exe"; }
std::wstring NativeLibraryFolder(const std::wstring& home) { return home + L"\\bin\\"; }
std::wstring LibraryFolder(const std::wstring& home) { return home + L"\\lib\\"; }
std::wstring ExtensionFolder(const std::wstring& home) { return home + L"\\lib\\ext\\"; }
std::wstring ReleaseFilePath(const std::wstring& home) { return home + L"\\release"; }

}  // namespace tessary::java_runtime
