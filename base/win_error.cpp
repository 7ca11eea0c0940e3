#include "base/win_error.h"

#include <windows.h>

#include "base/text.h"

namespace tessary {

std::wstring SystemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) text = L"Error " + DecimalText(code);
  return text;
}

RuntimeError SystemError(unsigned long code, const std::wstring& subject) {
  std::wstring description = SystemMessage(code);
  if (!subject.empty()) description += L"\r\n" + Displayed(subject);
  return RuntimeError(static_cast<long>(code), description);
}

}  // namespace tessary
