#ifndef TESSARY_RUNTIME_JAVA_RUNTIME_H_
#define TESSARY_RUNTIME_JAVA_RUNTIME_H_

#include <string>

// What the launcher relies on in an installed Java runtime: its registry layout,
// its folders and its executable. Every such name and place is defined here.
namespace tessary::java_runtime {

// Under HKEY_LOCAL_MACHINE; one subkey per installed version (1.5, 1.5.0_06, 1.6 ...).
inline constexpr wchar_t kRegistryKey[] = L"SOFTWARE\\JavaSoft\\Java Runtime Environment";
// The string value in each version subkey that holds the runtime's home directory.
inline constexpr wchar_t kHomeValueName[] = L"JavaHome";
// The oldest version the server runs on, compared as a decimal number.
inline constexpr double kMinimumVersion = 1.5;
// A runtime may also be reachable through the search path under this name.
inline constexpr wchar_t kSearchPathExecutable[] = L"java";

// True when a home read from the registry can be used as a folder path: not longer than
// the longest Windows path, and without control characters or quotation marks. A zero
// character would cut every path built on it short, and a quotation mark would end the
// quoted executable on the command line early and turn the rest into runtime options.
bool IsUsableHome(const std::wstring& home);

// kRegistryKey\<version name>
std::wstring VersionKeyPath(const std::wstring& version_name);

// Paths inside a runtime home H. The home is used as the registry gives it; every
// subpath appended to it begins with a separator.
std::wstring ExecutablePath(const std::wstring& home);       // H\bin\java.exe
std::wstring NativeLibraryFolder(const std::wstring& home);  // H\bin\ (ends in a separator)
std::wstring LibraryFolder(const std::wstring& home);        // H\lib\ (ends in a separator)
std::wstring ExtensionFolder(const std::wstring& home);      // H\lib\ext\ (ends in a separator)

}  // namespace tessary::java_runtime

#endif  // TESSARY_RUNTIME_JAVA_RUNTIME_H_
