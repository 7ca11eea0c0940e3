#ifndef TESSARY_RUNTIME_STALE_REGISTRATION_H_
#define TESSARY_RUNTIME_STALE_REGISTRATION_H_

#include <string>
#include <vector>

#include "runtime/java_runtime.h"

namespace tessary {

// What the operator is told when the runtime taken, java_home, holds no java.exe any more:
// it was uninstalled or moved and its registry entry stayed. Names the runtime registered
// later that would be taken once the stale entries are gone, if any, and every stale subkey
// before it by its full path: installers write two per runtime (1.6 and 1.6.0_45), and
// deleting one leaves its twin to be taken next. On 64-bit Windows (wow64) the 32-bit
// view's keys are shown under WOW6432Node. Empty when java_home is not registered.
std::wstring StaleRegistrationAdvice(const std::vector<java_runtime::RegisteredRuntime>& registered,
                                     const std::wstring& java_home, bool wow64);

}  // namespace tessary

#endif  // TESSARY_RUNTIME_STALE_REGISTRATION_H_
