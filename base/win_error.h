#ifndef TESSARY_BASE_WIN_ERROR_H_
#define TESSARY_BASE_WIN_ERROR_H_

#include <string>

#include "base/runtime_error.h"

namespace tessary {

// The system's text for a Win32 error code, trimmed of its trailing line break,
// or "Error N" when the system has no text for it.
std::wstring SystemMessage(unsigned long code);

// A RuntimeError for a failed Win32 call: the system's text, then the thing it concerns
// (a path, a program) on a line of its own so that the user knows what to fix.
RuntimeError SystemError(unsigned long code, const std::wstring& subject);

}  // namespace tessary

#endif  // TESSARY_BASE_WIN_ERROR_H_
