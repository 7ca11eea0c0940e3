#ifndef TESSARY_RUNTIME_JAVA_SURVEY_H_
#define TESSARY_RUNTIME_JAVA_SURVEY_H_

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/java_runtime.h"

// What to tell the operator about the Java installed on the PC when no runtime the server can
// use was found: each installation the launcher passes over, why, and the one step that makes
// the launcher find a runtime.
namespace tessary {

// Where a registration was read. An installation for one user registers under
// HKEY_CURRENT_USER only, where no launcher run by another account, and no lookup of the
// system's Java, ever looks.
enum class FoundUnder { kLocalMachine, kCurrentUser };

// One installation as a registration names it, with what two of its files tell.
struct FoundJava {
  const java_runtime::JavaRegistration* registration;
  std::wstring key_name;        // the subkey named by version: 8.0.472.8, zulu-8, 17.0.9
  std::wstring home;            // the folder the registration names
  FoundUnder under;             // HKEY_LOCAL_MACHINE when any registration of the folder is there
  unsigned bits;                // of home\bin\java.exe: 32, 64, or 0 for no x86 or x64 program
  std::wstring release_version; // JAVA_VERSION of home\release; empty when it tells none
};

// The most installations whose files are read: each costs two file opens, and a stale
// registration's folder may be a network path that takes long to fail.
inline constexpr std::size_t kInstallationsExaminedAtMost = 32;
// How much of each file is read: JAVA_VERSION comes in the release file's first lines, and
// the PE header follows the DOS stub.
inline constexpr std::size_t kReleaseFileBytes = 8192;
inline constexpr std::size_t kExecutableHeaderBytes = 4096;

// Adds the installation unless one with the same folder, whatever the case of its ASCII letters
// and its separators, is listed already; that one keeps its registration, and counts as found
// under HKEY_LOCAL_MACHINE if this one was. True when it was added.
bool AddFoundJava(std::vector<FoundJava>& found, FoundJava java);

// 32 or 64 for the start of an x86 or x64 program, 0 for anything else.
unsigned ExecutableBits(const std::string& header);

// The value of a release file's JAVA_VERSION="..." line; empty when there is none, or when it
// holds anything a version does not.
std::wstring ReleaseFileVersion(const std::string& release_file);

// The text of the box that follows the message that no runtime, or no recent one, was found,
// for installations as AddFoundJava lists them; empty when there is nothing to tell.
// Installations whose java.exe is not an x86 or x64 program, whose version cannot be told or
// is older than 1.5, are left out; at most five are named.
std::wstring UnusedJavaMessage(const std::vector<FoundJava>& found);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_JAVA_SURVEY_H_
