#ifndef TESSARY_RUNTIME_MOD_MAIN_H_
#define TESSARY_RUNTIME_MOD_MAIN_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/product.h"
#include "runtime/java_runtime.h"

// Preparing the Java runtime the server runs on: finding it through the registry and
// equipping it with the serial-communication support files.
namespace tessary {

// The chosen runtime's home directory as the registry gives it, or empty when none was
// found or the lookup failed. Written only by LocateJavaRuntime.
extern std::wstring JavaHomePath;

// Finds the first registered runtime of version 1.5 or higher under HKEY_LOCAL_MACHINE,
// stores its home in JavaHomePath and installs the support files into it. Ends the
// process after a message when no runtime, or no recent one, is registered, followed by one
// naming the Java installed that the launcher cannot use, if any; reports any other failure
// in two messages and leaves JavaHomePath empty.
void LocateJavaRuntime();
// The same lookup under another registry root, so that tests need not touch the machine's.
void LocateJavaRuntimeIn(HKEY root);

// The runtimes registered under HKEY_LOCAL_MACHINE (or root), in registry order, each with its
// home and whether its java.exe is there; one whose home cannot be read is left out. Only the
// first few dozen are read: they explain why the server failed, and serve nothing else.
std::vector<java_runtime::RegisteredRuntime> RegisteredRuntimes(HKEY root = HKEY_LOCAL_MACHINE);

// What the operator is told when the runtime home no longer holds its java.exe although it is
// still registered (StaleRegistrationAdvice); empty when its java.exe is there.
std::wstring StaleRegistrationMessage(const std::wstring& java_home);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_MOD_MAIN_H_
