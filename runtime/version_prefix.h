#ifndef TESSARY_RUNTIME_VERSION_PREFIX_H_
#define TESSARY_RUNTIME_VERSION_PREFIX_H_

#include <string>

namespace tessary {

// The number a runtime's version subkey name starts with: its first three characters
// (fewer when the name is shorter) read as a decimal number, the full stop being the
// decimal point whatever the user's locale. "1.5.0_06" gives 1.5 and "1.10" gives 1.1.
// Surrounding spaces and a sign are allowed; anything else that is not a number raises
// RuntimeError 13 "Type mismatch".
double VersionPrefixNumber(const std::wstring& version_name);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_VERSION_PREFIX_H_
