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

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsAsciiLetterOrDigit(wchar_t c) { return IsDigit(c) || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

unsigned FeatureRelease(const std::wstring& version) {
  std::size_t at = 0;
  while (at < version.size() && !(IsDigit(version[at]) && (at == 0 || !IsAsciiLetterOrDigit(version[at - 1])))) ++at;
  const auto number = [&] {
    unsigned value = 0;
    for (; at < version.size() && IsDigit(version[at]); ++at) {
      if (value < 100000) value = value * 10 + (version[at] - L'0');
    }
    return value;
  };
  if (at == version.size()) return 0;
  const unsigned first = number();
  // Up to 8, the version began with "1.": 1.8 is Java 8.
  if (first == 1 && at + 1 < version.size() && version[at] == L'.' && IsDigit(version[at + 1])) {
    ++at;
    return number();
  }
  return first;
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
