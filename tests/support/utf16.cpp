#include "utf16.h"

namespace tessary::test_support {

// Byte by byte rather than a copy of the wchar_t array, which is four bytes a character on Linux.
std::vector<std::uint8_t> Utf16(const std::wstring& text, bool terminated) {
  std::vector<std::uint8_t> bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
  }
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace tessary::test_support
