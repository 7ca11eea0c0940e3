#ifndef TESSARY_BASE_SEAMS_H_
#define TESSARY_BASE_SEAMS_H_

#include <string>

#include "base/exit_code.h"

namespace tessary {

// The two places where the launcher would otherwise need a person: a message box waits
// for OK, and ending the process ends the test too. The product uses the real ones;
// tests install their own.
struct Seams {
  void (*show_message)(const std::wstring& text);
  void (*end_process)(ExitCode code);  // never returns: the product's ends the process, a test's throws
};

// Returns the seams in force before the call, so a test can put them back.
Seams InstallSeams(const Seams& seams);

// Shows the product's message box: OK only, no icon, titled with the product name.
void ShowMessage(const std::wstring& text);
// Ends the process at once with the given code.
[[noreturn]] void EndProcess(ExitCode code);

}  // namespace tessary

#endif  // TESSARY_BASE_SEAMS_H_
