#ifndef TESSARY_BASE_DIAGNOSTICS_H_
#define TESSARY_BASE_DIAGNOSTICS_H_

#include <string>

namespace tessary {

// One line of diagnostics for a debugger or DebugView; never written to a file.
void Trace(const std::wstring& line);

}  // namespace tessary

#endif  // TESSARY_BASE_DIAGNOSTICS_H_
