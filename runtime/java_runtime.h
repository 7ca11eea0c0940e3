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
// The feature releases the server can run on: 1.5 to 1.8. Java 9 and later load nothing from
// lib\ext, where the serial-port support lives.
inline constexpr unsigned kOldestUsableRelease = 5;
inline constexpr unsigned kNewestUsableRelease = 8;
// A runtime may also be reachable through the search path under this name.
inline constexpr wchar_t kSearchPathExecutable[] = L"java";

// True when a home read from the registry can be used as a folder path: not longer than
// the longest Windows path, and without control characters or quotation marks. A zero
// character would cut every path built on it short, and a quotation mark would end the
// quoted executable on the command line early and turn the rest into runtime options.
bool IsUsableHome(const std::wstring& home);

// The feature release a version names: 8 for 1.8.0_472, 8.0.472.8, zulu-8, jdk-8 and
// jdk-x64-8, 17 for 17.0.9; 0 when it names none. Only a number at the start or after a
// separator counts: one glued to letters before it (x64, x86, j9) names no version.
unsigned FeatureRelease(const std::wstring& version);

// A runtime registered under kRegistryKey: its subkey's name, its JavaHome, and whether
// its bin\java.exe is there (an uninstaller may leave the key behind).
struct RegisteredRuntime {
  std::wstring version;
  std::wstring home;
  bool has_java = true;
};

// kRegistryKey\<version name>
std::wstring VersionKeyPath(const std::wstring& version_name);

// Paths inside a runtime home H. The home is used as the registry gives it; every
// subpath appended to it begins with a separator.
std::wstring ExecutablePath(const std::wstring& home);       // H\bin\java.exe
std::wstring NativeLibraryFolder(const std::wstring& home);  // H\bin\ (ends in a separator)
std::wstring LibraryFolder(const std::wstring& home);        // H\lib\ (ends in a separator)
std::wstring ExtensionFolder(const std::wstring& home);      // H\lib\ext\ (ends in a separator)
// H\release: the runtime's own description of itself, with its JAVA_VERSION, where it has one.
std::wstring ReleaseFilePath(const std::wstring& home);

// Where Java installers register an installation, beside kRegistryKey in the launcher's own
// registry view. The launcher runs on none of these: when it finds no runtime, they tell the
// operator why the Java they see installed does not count.
enum class JavaKind { kRuntime, kDevelopmentKit, kNamedInKey /* "jre" in the name: a runtime */ };
enum class RegistryScope {
  kOtherView,       // HKEY_LOCAL_MACHINE in the 64-bit view only, which 32-bit Windows lacks
  kMachine,         // HKEY_LOCAL_MACHINE in both views
  kMachineAndUser,  // and HKEY_CURRENT_USER, where per-user installs write
};
struct JavaRegistration {
  const wchar_t* key;           // each "*" stands for every subkey; the first is named by version
  const wchar_t* home_value;    // the string value that holds the installation's folder
  const wchar_t* vendor;        // shown before the kind; empty for Java's own keys
  JavaKind kind;
  RegistryScope scope;
  const wchar_t* register_option;  // the installer option that also registers it under kRegistryKey
};

inline constexpr wchar_t kAdoptiumRegisterOption[] = L"JavaSoft (Oracle) registry keys";
inline constexpr JavaRegistration kJavaRegistrations[] = {
    // Vendors' own keys, which only their own tools read. Listed first: an installation found
    // here and under Java's own keys as well is named after its vendor.
    {L"SOFTWARE\\Eclipse Adoptium\\JRE\\*\\*\\MSI", L"Path", L"Eclipse Adoptium", JavaKind::kRuntime,
     RegistryScope::kMachineAndUser, kAdoptiumRegisterOption},
    {L"SOFTWARE\\Eclipse Adoptium\\JDK\\*\\*\\MSI", L"Path", L"Eclipse Adoptium", JavaKind::kDevelopmentKit,
     RegistryScope::kMachineAndUser, kAdoptiumRegisterOption},
    {L"SOFTWARE\\AdoptOpenJDK\\JRE\\*\\*\\MSI", L"Path", L"AdoptOpenJDK", JavaKind::kRuntime,
     RegistryScope::kMachineAndUser, kAdoptiumRegisterOption},
    {L"SOFTWARE\\AdoptOpenJDK\\JDK\\*\\*\\MSI", L"Path", L"AdoptOpenJDK", JavaKind::kDevelopmentKit,
     RegistryScope::kMachineAndUser, kAdoptiumRegisterOption},
    {L"SOFTWARE\\Eclipse Foundation\\JRE\\*\\*\\MSI", L"Path", L"Eclipse Foundation", JavaKind::kRuntime,
     RegistryScope::kMachineAndUser, kAdoptiumRegisterOption},
    {L"SOFTWARE\\Eclipse Foundation\\JDK\\*\\*\\MSI", L"Path", L"Eclipse Foundation", JavaKind::kDevelopmentKit,
     RegistryScope::kMachineAndUser, kAdoptiumRegisterOption},
    {L"SOFTWARE\\Semeru\\JRE\\*\\*\\MSI", L"Path", L"IBM Semeru", JavaKind::kRuntime,
     RegistryScope::kMachineAndUser, nullptr},
    {L"SOFTWARE\\Semeru\\JDK\\*\\*\\MSI", L"Path", L"IBM Semeru", JavaKind::kDevelopmentKit,
     RegistryScope::kMachineAndUser, nullptr},
    {L"SOFTWARE\\Azul Systems\\Zulu 32-bit\\*", L"InstallationPath", L"Azul Zulu", JavaKind::kNamedInKey,
     RegistryScope::kMachineAndUser, nullptr},
    {L"SOFTWARE\\Azul Systems\\Zulu\\*", L"InstallationPath", L"Azul Zulu", JavaKind::kNamedInKey,
     RegistryScope::kMachineAndUser, nullptr},
    {L"SOFTWARE\\BellSoft\\Liberica\\*", L"InstallationPath", L"BellSoft Liberica", JavaKind::kNamedInKey,
     RegistryScope::kMachineAndUser, nullptr},
    // Java's own keys. Runtimes before 9 register under kRegistryKey, which the launcher reads in
    // its own view; the 64-bit view holds 64-bit ones. Development kits and Java 9 and later
    // register beside it.
    {L"SOFTWARE\\JavaSoft\\Java Runtime Environment\\*", kHomeValueName, L"", JavaKind::kRuntime,
     RegistryScope::kOtherView, nullptr},
    {L"SOFTWARE\\JavaSoft\\Java Development Kit\\*", kHomeValueName, L"", JavaKind::kDevelopmentKit,
     RegistryScope::kMachine, nullptr},
    {L"SOFTWARE\\JavaSoft\\JRE\\*", kHomeValueName, L"", JavaKind::kRuntime, RegistryScope::kMachine, nullptr},
    {L"SOFTWARE\\JavaSoft\\JDK\\*", kHomeValueName, L"", JavaKind::kDevelopmentKit, RegistryScope::kMachine,
     nullptr},
};

}  // namespace tessary::java_runtime

#endif  // TESSARY_RUNTIME_JAVA_RUNTIME_H_
