#ifndef TESSARY_TESTS_SUPPORT_UTF16_H_
#define TESSARY_TESTS_SUPPORT_UTF16_H_

#include <cstdint>
#include <string>
#include <vector>

namespace tessary::test_support {

// The text as the registry stores it: UTF-16 little-endian, one code unit per wchar_t,
// with the zero terminator unless told otherwise.
std::vector<std::uint8_t> Utf16(const std::wstring& text, bool terminated = true);

}  // namespace tessary::test_support

#endif  // TESSARY_TESTS_SUPPORT_UTF16_H_
