#ifndef TESSARY_BASE_DECIMAL_TEXT_H_
#define TESSARY_BASE_DECIMAL_TEXT_H_

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

}  // namespace tessary

#endif  // TESSARY_BASE_DECIMAL_TEXT_H_
