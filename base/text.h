#ifndef TESSARY_BASE_TEXT_H_
#define TESSARY_BASE_TEXT_H_

#include <algorithm>
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

// Text from outside the launcher (the registry, a folder's name, what the server wrote)
// without what must not reach a message box: C0 and C1 controls, and the bidirectional
// overrides and isolates, which would let it reorder the text around it.
inline std::wstring Visible(std::wstring text) {
  text.erase(std::remove_if(text.begin(), text.end(),
                            [](wchar_t c) {
                              return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
                                     (c >= 0x2066 && c <= 0x2069);
                            }),
             text.end());
  return text;
}

// Such text as a message shows it: visible, and shortened when long.
inline std::wstring Displayed(const std::wstring& text, std::size_t limit = 600) {
  return Abbreviated(Visible(text), limit);
}

}  // namespace tessary

#endif  // TESSARY_BASE_TEXT_H_
