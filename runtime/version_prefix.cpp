#include "runtime/version_prefix.h"

#include "base/runtime_error.h"

namespace tessary {

double VersionPrefixNumber(const std::wstring& version_name) {
  const std::wstring prefix = version_name.substr(0, 3);
  std::size_t at = 0;
  const auto skip_spaces = [&] {
    while (at < prefix.size() && prefix[at] == L' ') ++at;
  };
  skip_spaces();
  double sign = 1;
  if (at < prefix.size() && (prefix[at] == L'+' || prefix[at] == L'-')) {
    if (prefix[at] == L'-') sign = -1;
    ++at;
  }
  // At most three characters: the digits fit an integer, and one division rounds
  // correctly, so "1.5" reads exactly as 1.5.
  long mantissa = 0;
  long divisor = 1;
  bool seen_digit = false;
  bool seen_point = false;
  for (; at < prefix.size(); ++at) {
    const wchar_t c = prefix[at];
    if (c >= L'0' && c <= L'9') {
      seen_digit = true;
      mantissa = mantissa * 10 + (c - L'0');
      if (seen_point) divisor *= 10;
    } else if (c == L'.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  skip_spaces();
  if (!seen_digit || at != prefix.size()) throw TypeMismatch();
  return sign * static_cast<double>(mantissa) / static_cast<double>(divisor);
}

}  // namespace tessary
