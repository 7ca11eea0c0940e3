#ifndef TESSARY_RUNTIME_COMM_SUPPORT_FILES_H_
#define TESSARY_RUNTIME_COMM_SUPPORT_FILES_H_

#include <string>

// The serial-communication support files the server needs inside its Java runtime:
// lib\ext\Comm.jar, lib\javax.comm.properties, bin\Win32com.dll and lib\ext\jdc.jar.
namespace tessary {

// Copies each of the four support files that is missing from the runtime home, from
// kSupportFolder. The first failure stops the walk and is reported in two messages.
void InstallCommSupportFiles(const std::wstring& java_home);
// The same with another support folder (ending in a separator), for tests.
void InstallCommSupportFilesFrom(const std::wstring& support_folder, const std::wstring& java_home);

// True when the runtime lacks Comm.jar, the serial-port extension itself.
bool CommJarMissing(const std::wstring& java_home);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_COMM_SUPPORT_FILES_H_
