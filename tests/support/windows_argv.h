#ifndef TESSARY_TESTS_SUPPORT_WINDOWS_ARGV_H_
#define TESSARY_TESTS_SUPPORT_WINDOWS_ARGV_H_

#include <string>
#include <vector>

namespace tessary::test_support {

// Splits a command line the way CommandLineToArgvW does: the program name up to the
// next quote or blank, then arguments with the backslash-and-quote rules.
std::vector<std::wstring> SplitWindowsCommandLine(const std::wstring& command_line);

// The text in ASCII for test messages, other characters as \uXXXX.
std::string Printable(const std::wstring& text);

// The texts for test messages, each in brackets and as Printable writes it.
std::string Join(const std::vector<std::wstring>& texts);

}  // namespace tessary::test_support

#endif  // TESSARY_TESTS_SUPPORT_WINDOWS_ARGV_H_
