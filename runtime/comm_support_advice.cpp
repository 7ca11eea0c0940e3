#include "runtime/comm_support_files.h"

#include "base/text.h"

namespace tessary {

std::wstring WriteRefusedAdvice(bool runs_as_administrator, const std::wstring& folder) {
  if (runs_as_administrator) {
    return L"Windows or security software refused the write, even though Tessary runs as administrator: ask "
           L"whoever looks after this PC to let Tessary write into " + Displayed(folder) +
           L", or to put the file there.";
  }
  return L"Run Tessary once as administrator (right-click Tessary.exe, \"Run as administrator\") so that it "
         L"can put the file into the Java runtime. The server started by that run runs as administrator too.";
}

}  // namespace tessary
