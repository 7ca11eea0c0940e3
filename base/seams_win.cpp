#include "base/seams.h"

#include <windows.h>

#include "base/product.h"

namespace tessary {
namespace {

void SystemShowMessage(const std::wstring& text) {
  // No owner: the splash is gone by the time any message is shown.
  MessageBoxW(nullptr, text.c_str(), kProductName, MB_OK | MB_SETFOREGROUND);
}

void SystemEndProcess(ExitCode code) { ExitProcess(static_cast<UINT>(code)); }

void SystemSleep(unsigned milliseconds) { Sleep(milliseconds); }

Seams g_seams = {SystemShowMessage, SystemEndProcess, SystemSleep};

}  // namespace

Seams InstallSeams(const Seams& seams) {
  Seams previous = g_seams;
  g_seams = seams;
  return previous;
}

void ShowMessage(const std::wstring& text) { g_seams.show_message(text); }
void EndProcess(ExitCode code) { g_seams.end_process(code); }
void SleepFor(unsigned milliseconds) { g_seams.sleep_ms(milliseconds); }

}  // namespace tessary
