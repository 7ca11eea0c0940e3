#include "base/seams.h"

#include <windows.h>

#include "base/product.h"

namespace tessary {
namespace {

void SystemShowMessage(const std::wstring& text) {
  // No owner: the splash is gone by the time any message is shown.
  MessageBoxW(nullptr, text.c_str(), kProductName, MB_OK | MB_SETFOREGROUND);
}

[[noreturn]] void SystemEndProcess(ExitCode code) { ExitProcess(static_cast<UINT>(code)); }

Seams g_seams = {SystemShowMessage, SystemEndProcess};

}  // namespace

Seams InstallSeams(const Seams& seams) {
  Seams previous = g_seams;
  g_seams = seams;
  return previous;
}

void ShowMessage(const std::wstring& text) { g_seams.show_message(text); }
void EndProcess(ExitCode code) {
  g_seams.end_process(code);
  // A seam that returns all the same: the process ends, as the caller relies on.
  SystemEndProcess(code);
}

}  // namespace tessary
