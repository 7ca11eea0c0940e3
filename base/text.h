#ifndef TESSARY_BASE_TEXT_H_
#define TESSARY_BASE_TEXT_H_

#include <cstddef>
#include <string>

namespace tessary {

// An integer in decimal digits. std::to_wstring would do, but with mingw-w64 it drags the
// whole printf machinery into the executable.
inline std::wstring DecimalText(long long value) {
  const bool negative = value < 0;
  // Work in unsigned so that the most negative value has a magnitude too.
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                          : static_cast<unsigned long long>(value);
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) digits.insert(digits.begin(), L'-');
  return digits;
}

// The text with its ASCII capitals in lower case; every other character as it is.
inline std::wstring AsciiLowerCase(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

// The text itself when it is short enough for a message box; otherwise its beginning and
// its end around an ellipsis, so that a registry value of a megabyte stays readable.
inline std::wstring Abbreviated(const std::wstring& text, std::size_t limit = 600) {
  if (text.size() <= limit) return text;
  const std::size_t head = limit * 2 / 3;
  const std::size_t tail = limit - head;
  return text.substr(0, head) + L"\x2026" + text.substr(text.size() - tail);
}

// Text from the registry as a message can show it: control characters made visible, a long
// one shortened.
inline std::wstring Displayed(std::wstring text, std::size_t limit = 600) {
  for (wchar_t& c : text) {
    if (c < L' ') c = L'\xFFFD';
  }
  return Abbreviated(text, limit);
}

}  // namespace tessary

#endif  // TESSARY_BASE_TEXT_H_
