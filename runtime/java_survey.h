#ifndef TESSARY_RUNTIME_JAVA_SURVEY_H_
#define TESSARY_RUNTIME_JAVA_SURVEY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/java_runtime.h"

// What to tell the operator about the Java installed on the PC when no runtime the server can
// use was found: each installation the launcher passes over, why, and the one step that makes
// the launcher find a runtime.
namespace tessary {

// One installation as a registration names it, with the start of two of its files as read.
struct FoundJava {
  const java_runtime::JavaRegistration* registration;
  std::wstring key_name;             // the subkey named by version: 8.0.472.8, zulu-8, 17.0.9
  std::wstring home;                 // the folder the registration names
  std::string release_file;          // the start of home\release; empty when there is none
  std::string executable_header;     // the start of home\bin\java.exe
};

// The home as a folder path: without trailing separators, except for a drive root's own.
std::wstring InstallationFolder(const std::wstring& home);

// The text of the box that follows the message that no runtime, or no recent one, was found;
// empty when there is nothing to tell. Installations whose java.exe is not an x86 or x64
// program, whose version cannot be told or is older than 1.5, are left out; the same folder
// found twice is named once, after its first registration; at most five are named.
std::wstring UnusedJavaMessage(const std::vector<FoundJava>& found);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_JAVA_SURVEY_H_
