#include "base/diagnostics.h"

#include <windows.h>

namespace tessary {

void Trace(const std::wstring& line) {
  const std::wstring text = L"Tessary: " + line + L"\n";
  OutputDebugStringW(text.c_str());
}

}  // namespace tessary
