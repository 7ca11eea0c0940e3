// The server's command line as Windows programs read it: CommandLineToArgvW itself, and
// the portable splitter the host tests rely on, which must agree with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "launcher/server_command.h"
#include "tests/support/windows_argv.h"

namespace tessary {
namespace {

using test_support::Join;
using test_support::Printable;
using test_support::SplitWindowsCommandLine;

// Looked up at run time so that the tests need not link shell32.
std::vector<std::wstring> SystemSplit(const std::wstring& line) {
  using Splitter = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  static const auto split = reinterpret_cast<Splitter>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"shell32.dll"), "CommandLineToArgvW")));
  std::vector<std::wstring> argv;
  int count = 0;
  LPWSTR* arguments = split(line.c_str(), &count);
  if (arguments == nullptr) return argv;
  argv.assign(arguments, arguments + count);
  LocalFree(arguments);
  return argv;
}

TEST(CommandLine, SplitsLikeCommandLineToArgvW) {
  // An empty line is left out: CommandLineToArgvW then gives the running program's path.
  const wchar_t* const lines[] = {
      // blanks, and the program name, which has no escapes
      L"prog", L"prog a b", L"prog  a\t\tb \t", L" prog a", L"\tprog a",
      L"\"C:\\Program Files\\x.exe\" a", L"\"C:\\a b\\\"x.exe\" y", L"\"C:\\a\"b c",
      L"C:\\dir\\\"quoted\"\\x.exe \"a\"", L"\"\" a",
      // backslashes, before a quote and not
      L"prog \"a b\" c", L"prog a\\\\\\\"b", L"prog a\\\\\\\\\"b c\"", L"prog a\\b\\\\c\\",
      L"prog \"a\\\\\" b", L"prog \\\"",
      // empty arguments and runs of quotes
      L"prog \"\"", L"prog \"\" \"\"", L"prog \"\"\"a\"\"\"", L"prog \"\"\"\"", L"prog \"\"\"\"\"\"",
      L"prog \"\"\"\"\"\"\"", L"prog \"a\"\"\"b\"", L"prog \"a\"\"b c\"", L"prog a\"b\"c", L"prog \"a b",
      L"prog \"a\tb\"\t\"\"", L"prog \u77ed \"\u00dc \u00e9\"",
  };
  for (const wchar_t* line : lines) {
    const std::vector<std::wstring> expected = SystemSplit(line);
    EXPECT_TRUE(SplitWindowsCommandLine(line) == expected)
        << Printable(line) << "\n  splitter: " << Join(SplitWindowsCommandLine(line))
        << "\n  system:   " << Join(expected);
  }
}

TEST(CommandLine, TheServerReceivesExactlyFourArguments) {
  const struct {
    std::wstring home;
    std::wstring app;
  } cases[] = {
      {L"C:\\Jre", L"C:\\Srv"},
      {L"", L"C:\\Srv"},
      {L"C:\\Program Files\\Java\\jre1.6.0_07", L"C:\\Program Files\\Halvery Server"},
      {L"C:\\Java\\jre\t6", L"D:\\a\tb"},
      {L"C:\\Java  two  spaces ", L"C:\\Srv "},
      {L"C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\Java \u77ed\u4fe1",
       L"C:\\\u00dcn\u00efc\u00f8d\u00e9"},
      {L"C:\\", L"C:\\"},
      {L"D:\\Program Files\\", L"E:\\"},
      {L"\\\\server\\share\\jre", L"\\\\server\\share\\app dir"},
  };
  for (const auto& c : cases) {
    const std::wstring line = ServerCommandLine(c.home, c.app);
    const std::wstring lib = c.app + L"\\Quorlane\\lib\\";
    const std::vector<std::wstring> expected = {
        c.home.empty() ? L"java" : c.home + L"\\bin\\java.exe",
        L"-classpath",
        lib + L"comm.jar;" + lib + L"jdc.jar;" + lib + L"jxl.jar;" + lib + L"Quorlane.jar;" + lib +
            L"swing-layout-1.0.jar;" + c.app + L"\\Quorlane",
        L"Quorlane.Frame11",
    };
    const std::vector<std::wstring> argv = SystemSplit(line);
    EXPECT_TRUE(argv == expected) << Printable(line) << "\n  split: " << Join(argv);
    EXPECT_TRUE(SplitWindowsCommandLine(line) == argv) << Printable(line);
    // The program the process is created from is the one its first argument names.
    EXPECT_EQ(Printable(ServerProgram(c.home)), Printable(argv.at(0)));
  }
}

}  // namespace
}  // namespace tessary
